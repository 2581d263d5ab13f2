"""Plots with matplotlib, imported only when a plot is drawn: Result.plot for one fit and
plot_many for a grid of the series of forecast_many's output."""
from __future__ import annotations

import math
import re
from typing import TYPE_CHECKING, Any, Hashable, List, Optional, Sequence, Tuple, Union

import numpy as np
import pandas as pd

from . import _frame
from ._results import level_label

if TYPE_CHECKING:
    from matplotlib.axes import Axes
    from matplotlib.figure import Figure

    from ._many import ManyForecasts
    from ._results import Result

# One colour for the forecasts and their bands; the bands of wider levels are paler.
_OBSERVED, _FITTED, _FORECAST = "black", "tab:blue", "tab:orange"
_BAND_ALPHA = 0.15


def _x(times: Union[pd.Index, pd.Series]) -> Any:
    """Times as matplotlib draws them: periods as the timestamps of their starts."""
    times = pd.Index(times)
    return times.to_timestamp() if isinstance(times, pd.PeriodIndex) else times


def _concise_dates(ax: Axes, times: pd.Index) -> None:
    """Short date labels (the year or day once, then months or hours) for an axis of dates."""
    if isinstance(times, (pd.DatetimeIndex, pd.PeriodIndex)):
        import matplotlib.dates
        locator = matplotlib.dates.AutoDateLocator()
        ax.xaxis.set_major_locator(locator)
        ax.xaxis.set_major_formatter(matplotlib.dates.ConciseDateFormatter(locator))


def _new_axes() -> Axes:
    import matplotlib.pyplot as plt
    _, ax = plt.subplots(figsize=(8, 4), layout="constrained")
    return ax


def _tail(n: int, last: Optional[int]) -> slice:
    if last is None:
        return slice(0, n)
    if isinstance(last, bool) or not isinstance(last, int) or last < 0:
        raise ValueError(f"last must be a number of observations (0 or more); got {last!r}")
    return slice(max(n - last, 0), n)


def _draw_forecasts(ax: Axes, times: pd.Index, forecast: pd.DataFrame,
                    levels: Sequence[float]) -> None:
    """The band between the limits of each level, the widest first and palest, each drawn over
    the wider ones, then the forecasts."""
    x = _x(times)
    for k, level in enumerate(sorted(levels, reverse=True)):
        label = level_label(level)
        ax.fill_between(x, forecast[f"lower_{label}"].to_numpy(dtype=float),
                        forecast[f"upper_{label}"].to_numpy(dtype=float), color=_FORECAST,
                        alpha=_BAND_ALPHA * (k + 1), linewidth=0, label=f"{label}% limits")
    ax.plot(x, forecast["mean"].to_numpy(dtype=float), color=_FORECAST, linewidth=1.5,
            label="forecast")


def plot_result(result: Result, ax: Optional[Axes] = None, *, fitted: bool = True,
                last: Optional[int] = None) -> Axes:
    """Result.plot (see there)."""
    if ax is None:
        ax = _new_axes()
    shown = _tail(len(result.y), last)
    y = result.y.iloc[shown]
    x = _x(y.index)
    ax.plot(x, y.to_numpy(), color=_OBSERVED, linewidth=1, label="observed")
    if fitted:
        ax.plot(x, result.fitted.iloc[shown].to_numpy(), color=_FITTED, linewidth=1,
                linestyle="--", label="fitted")
    if result.horizon:
        _draw_forecasts(ax, result.forecast.index, result.forecast, result.levels)
    _concise_dates(ax, result.y.index)
    ax.set_title(result.model + (f", {result.transform} scale" if result.transform != "none"
                                 else ""))
    if result.y.name is not None:
        ax.set_ylabel(str(result.y.name))
    if result.y.index.name is not None:
        ax.set_xlabel(str(result.y.index.name))
    ax.legend(loc="upper left", frameon=False)
    return ax


def forecast_levels(columns: Sequence[Hashable]) -> List[float]:
    """The levels of a forecast table's lower_L/upper_L columns, in their order."""
    names = {str(c) for c in columns}
    levels = []
    for c in columns:
        match = re.fullmatch(r"lower_(.+)", str(c))
        if match and f"upper_{match.group(1)}" in names:
            try:
                levels.append(float(match.group(1)))
            except ValueError:
                pass
    return levels


def plot_many(forecasts: Union[pd.DataFrame, ManyForecasts],
              ids: Optional[Sequence[Hashable]] = None,
              history: Optional[pd.DataFrame] = None, *, id: Optional[str] = None,
              time: Optional[str] = None, value: Optional[str] = None,
              last: Optional[int] = None, max_series: int = 12, ncols: Optional[int] = None,
              figsize: Optional[Tuple[float, float]] = None) -> Figure:
    """A grid of plots, one per series, of the output of :func:`vordex.forecast_many`.

    Parameters
    ----------
    forecasts : pandas.DataFrame or ManyForecasts
        forecast_many's forecasts (columns: the id, the time, ``mean``, ``lower_L``,
        ``upper_L``), or everything forecast_many returned, whose summary then names each
        series' model in its title.
    ids : sequence, optional
        The series to draw, in this order; None draws the first `max_series` series of
        `forecasts`.
    history : pandas.DataFrame, optional
        The long frame the forecasts were made from (or any with the same ids), whose values
        are drawn before the forecasts.
    id, time, value : str, optional
        The columns of the ids, times and values, as for :func:`vordex.forecast_many`: None
        finds them by name (``unique_id`` or ``id``, ``ds`` or ``time``, ``y`` or
        ``value``). A history without a time column is drawn at positions 0, 1, ... (as
        forecast_many with time=False numbers the forecasts).
    last : int, optional
        Draw only each series' last `last` values of `history`.
    max_series : int, default 12
        How many series to draw when `ids` is None.
    ncols : int, optional
        Plots per row; None: 1 for one series, 2 up to four series, else 3.
    figsize : (float, float), optional
        The figure's size in inches; None: 5 by 2.6 inches per plot.

    Returns
    -------
    matplotlib.figure.Figure
        The figure, with one Axes per series (unused cells of the grid are hidden), titled by
        the id (and the model with a summary). Each holds the history ("observed"), the
        forecasts ("forecast") and one band per level ("95% limits", "80% limits"); the first
        has the legend.

    Raises
    ------
    KeyError
        A column that is not there, or an id of `ids` in neither frame.
    ImportError
        Without matplotlib.

    See Also
    --------
    Result.plot : one series' fit, fitted values and forecasts.

    Examples
    --------
    >>> import matplotlib
    >>> matplotlib.use("Agg")
    >>> import numpy as np, pandas as pd, vordex
    >>> hours = pd.date_range("2024-01-01", periods=168, freq="H")     # a week by the hour
    >>> daily = 10 + 3 * np.sin(np.arange(168) * np.pi / 12)
    >>> df = pd.concat([pd.DataFrame({"unique_id": name, "ds": hours, "y": daily * scale})
    ...                 for name, scale in (("H1", 1.0), ("H2", 2.0))])
    >>> result = vordex.forecast_many(df, method="theta", horizon=24)
    >>> fig = vordex.plot_many(result, history=df, last=48)
    >>> [ax.get_title() for ax in fig.axes]
    ['H1: Theta (seasonally adjusted)', 'H2: Theta (seasonally adjusted)']
    """
    import matplotlib.pyplot as plt

    summary = None
    if isinstance(forecasts, tuple):  # ManyForecasts
        forecasts, summary = forecasts
    columns = _frame.resolve(forecasts.columns, id, time, None, need_value=False,
                             caller="plot_many")
    past = None
    if history is not None:
        timed = time is not None or any(c in history.columns for c in _frame.CANDIDATES["time"])
        past = _frame.resolve(history.columns, columns.id, time if timed else False, value,
                              caller="plot_many")
    key = columns.id
    if ids is None:
        ids = list(pd.unique(forecasts[key]))[:max_series]
    else:
        ids = list(ids)
        known = set(forecasts[key])
        if history is not None and past is not None:
            known |= set(history[past.id])
        unknown = [i for i in ids if i not in known]
        if unknown:
            raise KeyError(f"plot_many: no series {', '.join(map(repr, unknown))}")
    models = {}
    if summary is not None:
        models = dict(zip(summary[summary.columns[0]], summary["model"]))
    levels = forecast_levels(forecasts.columns)

    n = max(len(ids), 1)
    ncols = ncols or (1 if n == 1 else 2 if n <= 4 else 3)
    nrows = math.ceil(n / ncols)
    figure, grid = plt.subplots(nrows, ncols, squeeze=False, layout="constrained",
                                figsize=figsize or (5.0 * ncols, 2.6 * nrows))
    cells = grid.ravel()
    for ax, series in zip(cells, ids):
        if history is not None and past is not None:
            rows = _series_rows(history, past.id, past.time, series)
            rows = rows.iloc[_tail(len(rows), last)]
            ax.plot(_x(_times(rows, past.time)), rows[past.value].to_numpy(dtype=float),
                    color=_OBSERVED, linewidth=1, label="observed")
        rows = _series_rows(forecasts, key, columns.time, series)
        if len(rows):
            _draw_forecasts(ax, _times(rows, columns.time), rows, levels)
            _concise_dates(ax, _times(rows, columns.time))
        model = models.get(series)
        ax.set_title(f"{series}: {model}" if model else str(series))
    for ax in cells[len(ids):]:
        ax.set_visible(False)
    if ids:
        cells[0].legend(loc="upper left", frameon=False, fontsize="small")
    return figure


def _series_rows(frame: pd.DataFrame, id: str, time: Optional[str],
                 series: Hashable) -> pd.DataFrame:
    rows = frame[frame[id] == series]
    return rows.sort_values(time, kind="mergesort") if time is not None else rows


def _times(rows: pd.DataFrame, time: Optional[str]) -> pd.Index:
    return pd.Index(rows[time]) if time is not None else pd.RangeIndex(len(rows))
