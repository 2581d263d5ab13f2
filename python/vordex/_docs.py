"""Docstring parts that several public functions share, written once.

A docstring marked with @fill may hold, alone on a line, ``{name}`` for a block of FRAGMENTS
(indented as that line), and anywhere ``{names:KIND}`` for the library's names of a setting's
values (vordex.names, from the extension: the package keeps no table of names)."""
from __future__ import annotations

import re
from typing import Callable, TypeVar

from . import _vordex

F = TypeVar("F", bound=Callable)

_LEVELS = ", ".join(f"{level:g}" for level in _vordex.DEFAULT_LEVELS)

FRAGMENTS = {
    "y": f"""\
y : array-like or pandas.Series
    The observations in time order, at most 1000: a list, tuple or numpy array of numbers,
    or a pandas Series, whose index the results continue (the next dates or periods of a
    regular DatetimeIndex or PeriodIndex, the next integers of an integer index, else
    positions).""",
    "period": f"""\
period : int, optional
    The seasonal period (1 for none). None takes it from the frequency of y's index:
    yearly 1, quarterly 4, monthly 12, semi-monthly 24, weekly 1 (a year of 52 weeks is
    beyond the engines' largest period, 24), daily 7, business-daily 5, hourly 24
    (multiples divide: two-monthly 6, two-hourly 12); 1 without a regular dated index.""",
    "horizon": f"""\
horizon : int, default {_vordex.DEFAULT_HORIZON}
    The number of forecasts (0 for none).""",
    "level": f"""\
level : float or sequence of float, default ({_LEVELS})
    The coverages of the prediction limits, in PERCENT: one number (95) or several
    ([80, 95, 99.5]), each in (0, 100), in the order of the forecast table's columns. A
    value in (0, 1) is refused, not read as a fraction.""",
    "transform": """\
transform : str, optional
    Applied to y before fitting ("boxcox" with the parameter chosen by Guerrero's method);
    forecasts, limits and fitted values come back on the scale of y, residuals stay on the
    transformed scale. None (no transform) or one of {names:transform}.""",
    "returns_common": """\
The result's ``forecast`` is a pandas DataFrame with the column ``mean`` (the point
forecasts) and, for each level L asked for, ``lower_L`` and ``upper_L`` (``lower_80``,
``upper_80``, ``lower_95``, ``upper_95`` by default), on an index continuing y's. Also
``fitted`` (one-step predictions on y's scale, NaN where none) and ``residuals`` (on the
model's scale) as Series on y's index, ``params`` (a dict), ``log_likelihood``, ``aic``,
``aicc``, ``bic``, ``sigma2`` (NaN where the method has none), ``model`` (the library's
name of the fitted model), ``status`` (:class:`vordex.Status`: OK, or a warning such as
FALLBACK), ``levels``, ``summary()`` and ``plot()``.""",
    "example_series": """\
>>> import numpy as np, pandas as pd, vordex
>>> months = pd.period_range("2015-01", periods=48, freq="M")
>>> y = pd.Series(100 + 10 * np.sin(np.arange(48) * np.pi / 6) + np.arange(48), index=months)
>>> y = y + np.random.default_rng(1).normal(0, 2, 48)    # 4 years of monthly data""",
    "raises": """\
vordex.Error
    A ValueError with ``.status`` (a :class:`vordex.Status`), ``.text`` and ``.messages``:
    observations that are not numbers or not one-dimensional, a setting out of range or an
    unknown name (the message lists the names allowed), or a fit that failed.""",
}


def _names(kind: str) -> str:
    return ", ".join(f'"{name}"' for name in _vordex.NAMES[kind])


def fill(function: F) -> F:
    """Replaces the markers of `function`'s docstring (see the module's docstring)."""
    def block(match: re.Match) -> str:
        indent, name = match.group(1), match.group(2)
        return "\n".join(indent + line if line else line
                         for line in FRAGMENTS[name].splitlines())

    doc = re.sub(r"^([ \t]*)\{(\w+)\}$", block, function.__doc__ or "", flags=re.M)
    function.__doc__ = re.sub(r"\{names:(\w+)\}", lambda m: _names(m.group(1)), doc)
    return function
