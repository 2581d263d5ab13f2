"""The examples of the docstrings (what help() shows) and of the documentation's pages run and
print what they show, and every public function's docstring has the sections of numpydoc that
a reader looks for."""
import doctest
import inspect

import pytest

import vordex
from conftest import REPOSITORY

pytest.importorskip("matplotlib").use("Agg")

FLAGS = doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE


def _public():
    objects = {f"vordex.{name}": getattr(vordex, name) for name in vordex.__all__}
    try:
        from vordex import dask
        objects["vordex.dask.forecast_many"] = dask.forecast_many
    except ImportError:  # without Dask
        pass
    return objects


PUBLIC = _public()
# Every docstring's examples, those of methods and named tuples included (module=False: the
# public classes are re-homed in vordex, their methods are not).
EXAMPLES = {test.name: test for obj in PUBLIC.values() if inspect.isclass(obj) or callable(obj)
            for test in doctest.DocTestFinder().find(obj, module=False) if test.examples}
PAGES = sorted(p.name for p in (REPOSITORY / "docs").glob("*.rst"))


@pytest.mark.parametrize("name", sorted(EXAMPLES))
def test_docstring_examples_print_what_they_show(name):
    runner = doctest.DocTestRunner(optionflags=FLAGS)
    runner.run(EXAMPLES[name])
    assert runner.summarize(verbose=False).failed == 0


@pytest.mark.parametrize("page", PAGES)
def test_page_examples_print_what_they_show(page, monkeypatch):
    monkeypatch.chdir(REPOSITORY)  # the pages read data/
    result = doctest.testfile(str(REPOSITORY / "docs" / page), module_relative=False,
                              optionflags=FLAGS)
    assert result.failed == 0


@pytest.mark.parametrize("name", [n for n, obj in PUBLIC.items() if inspect.isfunction(obj)])
def test_public_functions_are_typed_and_documented_with_numpydoc_sections(name):
    function = PUBLIC[name]
    signature = inspect.signature(function)
    assert signature.return_annotation is not inspect.Signature.empty
    assert all(p.annotation is not inspect.Parameter.empty
               for p in signature.parameters.values())
    doc = inspect.getdoc(function)
    for section in ("Parameters", "Returns", "Raises", "Examples"):
        assert f"\n{section}\n{'-' * len(section)}\n" in doc, section
    for parameter in signature.parameters:  # each documented by name
        assert parameter.lstrip("*") in doc, parameter
