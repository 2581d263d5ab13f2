"""Sphinx configuration of the VORDEX documentation. Build it, with the package vordex
importable (installed, or PYTHONPATH=build/python), as

    python3 -m sphinx -W --keep-going -b html docs build/docs

The reference pages are drawn from the package's docstrings (autodoc; napoleon reads their
Google and numpydoc sections); the version is the package's, which is the CMake project's."""
import vordex

project = "VORDEX"
version = release = vordex.__version__

extensions = ["sphinx.ext.autodoc", "sphinx.ext.napoleon"]
napoleon_google_docstring = True
napoleon_numpy_docstring = True
autodoc_member_order = "bysource"
autodoc_default_options = {"members": True, "show-inheritance": True}

# The example scripts and the figure beside these pages are not pages.
exclude_patterns = ["_build"]
html_theme = "alabaster"
