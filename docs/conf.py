"""Sphinx configuration of the VORDEX documentation. Build it, with the package vordex
importable (installed, or PYTHONPATH=build/python), from the repository's top folder as

    python3 -m sphinx -W --keep-going -b html docs build/docs

The reference pages are drawn from the package's docstrings (autodoc; napoleon reads their
numpydoc sections); the figures of the plots page are drawn by running its examples
(matplotlib's plot directive, from the repository's top folder, which holds data/); the
version is the package's, which is the CMake project's."""
from pathlib import Path

import vordex

project = "VORDEX"
version = release = vordex.__version__

extensions = ["sphinx.ext.autodoc", "sphinx.ext.napoleon",
              "matplotlib.sphinxext.plot_directive"]
napoleon_google_docstring = False
napoleon_numpy_docstring = True
napoleon_use_rtype = False
# Attributes sections as fields of their class: named tuples document their fields themselves.
napoleon_use_ivar = True
autodoc_member_order = "bysource"
autodoc_default_options = {"members": True, "show-inheritance": True}
# Signatures keep the package's names for its argument types.
autodoc_type_aliases = {"Observations": "vordex.Observations", "Levels": "vordex.Levels",
                        "Orders": "vordex.Orders"}
autodoc_typehints = "signature"

plot_working_directory = str(Path(__file__).resolve().parents[1])
plot_formats = [("png", 80)]
plot_html_show_formats = False
plot_html_show_source_link = False
plot_rcparams = {"figure.figsize": (8, 4)}

# The example scripts and the figure beside these pages are not pages.
exclude_patterns = ["_build", "*.py"]
html_theme = "alabaster"
