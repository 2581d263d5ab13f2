"""Many series at once: vordex.forecast_many over the library's batch layer."""
from __future__ import annotations

import numbers
from typing import Any, Dict, List, Literal, NamedTuple, Optional, Tuple, Union

import numpy as np
import pandas as pd

from . import _frame, _settings, _vordex
from ._api import METHODS
from ._docs import fill
from ._errors import Error, Status, batch_error, refused
from ._results import forecast_columns, forecast_values
from ._series import (IrregularTimes, Step, continue_times, cycle_period, frequency_name,
                      time_step, usual_periods, _numbers_from_objects)

_STATISTICS = ["log_likelihood", "aic", "aicc", "bic", "sigma2"]


class ManyForecasts(NamedTuple):
    """What :func:`forecast_many` returns; unpack it: ``forecasts, summary = ...``.

    Attributes
    ----------
    forecasts : pandas.DataFrame
        One row per series and forecast: the id column and the time column under the input's
        names (``unique_id``, ``ds`` for a frame in statsforecast's layout; ``id``, ``time``
        for the library's), the times continuing each series' times, then ``mean`` and
        ``lower_L``, ``upper_L`` for each level L (``lower_80``, ``upper_80``, ``lower_95``,
        ``upper_95`` by default), as the single-series forecast tables.
    summary : pandas.DataFrame
        One row per series: the id column, ``status`` (the library's status name: "ok", a
        warning such as "fallback", or why the series failed, such as "invalid_data"),
        ``code`` (the status's code), ``message`` (why it failed, else empty), ``model``,
        ``log_likelihood``, ``aic``, ``aicc``, ``bic``, ``sigma2``, ``n`` (the number of
        observations), ``freq`` (the frequency of the series' times: a pandas alias such as
        "M" or "H", the step of integer times, "" without times) and ``period``.

    Examples
    --------
    >>> import pandas as pd, vordex
    >>> df = pd.DataFrame({"id": ["a"] * 8, "time": range(1, 9),
    ...                    "value": [3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0]})
    >>> forecasts, summary = vordex.forecast_many(df, method="theta", horizon=2)
    >>> forecasts.columns.tolist()
    ['id', 'time', 'mean', 'lower_80', 'upper_80', 'lower_95', 'upper_95']
    >>> summary[["id", "status", "model", "n", "freq", "period"]]
      id status  model  n freq  period
    0  a     ok  Theta  8    1       1
    """

    forecasts: pd.DataFrame
    summary: pd.DataFrame


def series_seed(id: Any, seed: Optional[int] = None) -> int:
    """The seed with which :func:`forecast_many` simulates the series `id`.

    The library's ``SeriesSeed(seed, id)`` of the id's text: it depends on the id and the
    batch seed only, so a series gets the same forecasts whichever other series share the
    call, however many threads fit them and on any Dask partition.

    Parameters
    ----------
    id : object
        The series' id; its text (``str(id)``) is hashed.
    seed : int, optional
        The batch seed, 0..2**32-1; None: the library's default seed.

    Returns
    -------
    int
        The series' seed, 0..2**32-1: ``vordex.ets(y, seed=vordex.series_seed(id))`` gives the
        numbers forecast_many gives the series.

    Raises
    ------
    vordex.Error
        A seed that is not an integer in 0..2**32-1.
    NotImplementedError
        A build of vordex without the batch layer.

    Examples
    --------
    >>> import vordex
    >>> vordex.series_seed("airline", 7) == vordex.series_seed("airline", 7)
    True
    >>> vordex.series_seed("airline") != vordex.series_seed("lynx")
    True
    """
    _require_batch()
    return _vordex.series_seed(_settings.seed(seed), str(id))


def _require_batch() -> None:
    if not hasattr(_vordex, "fit_many"):
        raise NotImplementedError("this build of vordex has no batch layer (libvordex_cpp was "
                                  "built without src/batch)")


@fill
def forecast_many(df: pd.DataFrame, id: Optional[str] = None, time: _frame.Column = None,
                  value: Optional[str] = None, method: str = "ets", n_jobs: int = -1,
                  errors: Literal["ignore", "raise"] = "ignore", seed: Optional[int] = None, *,
                  freq: Union[str, pd.DateOffset, None] = None,
                  xreg: Optional[List[str]] = None, future: Optional[pd.DataFrame] = None,
                  **settings: Any) -> ManyForecasts:
    """Fits `method` to every series of a long DataFrame and forecasts, on a pool of threads.

    The frame has one row per series and time, in the library's layout (columns ``id``,
    ``time``, ``value``) or in the one of statsforecast, mlforecast and neuralforecast
    (``unique_id``, ``ds``, ``y``), recognised by the column names; the output uses the
    input's names. Each series' rows are sorted by time; its frequency is inferred from its
    times as pandas.infer_freq does, and proposes its seasonal period.

    Parameters
    ----------
    df : pandas.DataFrame
        The long frame. Other columns are ignored, except those named by `period` or
        `horizon`.
    id : str, optional
        The column of the series' ids (any hashable values: text, numbers, categories); None
        finds ``unique_id`` or ``id``. A frame indexed by the ids (as statsforecast's older
        frames) is read too.
    time : str or False, optional
        The column of the times; None finds ``ds`` or ``time``. It holds dates (datetime64,
        with or without a time zone), pandas Periods or integers, one step apart within each
        series: a series with a missing, repeated or skipped time fails with a message saying
        where (missing values go in as NaN, at their times). False: no time column, the rows
        are in time order within each series and the forecasts' ``time`` holds positions.
    value : str, optional
        The column of the observations; None finds ``y`` or ``value``.
    method : str, default "ets"
        The method ("auto": the combination of :func:`vordex.auto`), one of
        {names:method}.
    n_jobs : int, default -1
        Worker threads (-1 or 0: every core).
    errors : {"ignore", "raise"}, default "ignore"
        "ignore" reports a bad series (too short, not numbers, irregular times, a refused
        setting, a failed fit) in the summary and goes on; "raise" raises the vordex.Error of
        the first bad series (in id order), naming it, after the others have run.
    seed : int, optional
        The batch seed of the simulations (ets, auto): the series with id ``i`` simulates with
        ``series_seed(i, seed)``, so its numbers depend neither on n_jobs nor on the other
        series of the call.
    freq : str or pandas.DateOffset, optional
        The frequency of dated series (a pandas alias: "M", "MS", "H", "D", "W", ...), checked
        against each series' times; None infers each series' own. A series of fewer than
        three dates (too few for pandas.infer_freq) takes the frequency the other series
        share.
    xreg : list of str, optional
        Columns of `df` that are regressors of each series (methods "arima" and
        "auto_arima"): regression with ARIMA errors, as :func:`vordex.arima`'s ``xreg``.
    future : pandas.DataFrame, optional
        With `xreg`, the regressors' values ahead: a long frame with the id column, the time
        column (when `df` has one) and the `xreg` columns, one row per series and step; each
        series' rows give its horizon, and its first time must follow the series' last. A
        series without rows there is fitted without forecasts.
    **settings
        The method's keyword arguments, as for :func:`vordex.ets`, :func:`vordex.arima`, ...
        (``level`` in percent, ``horizon`` defaulting to 24). ``period`` and ``horizon`` may
        also name a column, whose first value in each series is that series' own. Without
        ``period``, each series' frequency proposes it: yearly 1, quarterly 4, monthly 12,
        weekly 1 (52 is beyond the engines' largest period, 24), daily 7, hourly 24; integer
        times 1.

    Returns
    -------
    ManyForecasts
        ``(forecasts, summary)``: the forecasts, one row per series and horizon, and one
        summary row per series (its status, model, statistics, frequency and period); see
        :class:`ManyForecasts`.

    Raises
    ------
    KeyError
        A column that is not there, or a frame with both names of a role (``y`` and
        ``value``).
    TypeError
        A time column that holds neither dates, Periods nor integers.
    vordex.Error
        With errors="raise", the first bad series' error, its message starting with
        "series 'ID': "; and for a setting refused whatever the series (an unknown method).

    See Also
    --------
    vordex.dask.forecast_many : the same on a Dask cluster.
    plot_many : a grid of the series and their forecasts.

    Examples
    --------
    The frame of statsforecast's examples, the monthly airline passengers as one series
    (``unique_id`` 1.0, ``ds`` month ends), runs as it is:

    >>> import numpy as np, pandas as pd, vordex
    >>> passengers = [112, 118, 132, 129, 121, 135, 148, 148, 136, 119, 104, 118,
    ...               115, 126, 141, 135, 125, 149, 170, 170, 158, 133, 114, 140,
    ...               145, 150, 178, 163, 172, 178, 199, 199, 184, 162, 146, 166]
    >>> df = pd.DataFrame({"unique_id": 1.0, "y": np.array(passengers, float),
    ...                    "ds": pd.date_range("1949-01-31", periods=36, freq="M")})
    >>> forecasts, summary = vordex.forecast_many(df, method="arima", horizon=3)
    >>> forecasts.round(1)
       unique_id         ds   mean  lower_80  upper_80  lower_95  upper_95
    0        1.0 1952-01-31  164.1     157.4     170.8     153.8     174.4
    1        1.0 1952-02-29  173.6     165.8     181.3     161.7     185.4
    2        1.0 1952-03-31  188.1     179.4     196.7     174.8     201.3
    >>> summary[["unique_id", "status", "model", "freq", "period"]]
       unique_id status                    model freq  period
    0        1.0     ok  ARIMA(0,1,1)(0,1,1)[12]    M      12

    A series whose times skip a step is reported, the others forecast:

    >>> hours = pd.date_range("2024-01-01", periods=48, freq="H")
    >>> gap = pd.DataFrame({"unique_id": "H2", "ds": hours.delete(30), "y": 1.0})
    >>> _, summary = vordex.forecast_many(pd.concat([df.assign(unique_id="M1"), gap]),
    ...                                   method="theta")
    >>> summary[["unique_id", "status"]]
      unique_id        status
    0        H2  invalid_data
    1        M1            ok
    >>> print(summary.loc[0, "message"])
    The times are irregular: after 2024-01-02 05:00:00 comes 2024-01-02 07:00:00, not 2024-01-02 06:00:00 (the frequency H of its first times)
    """
    _require_batch()
    method = _vordex.canonical_name("method", method)
    if errors not in ("ignore", "raise"):
        raise ValueError(f"errors must be 'ignore' or 'raise'; got {errors!r}")
    entry = METHODS[method]
    batch_seed = _settings.seed(seed)
    names = _frame.resolve([*df.columns, *df.index.names], id, time, value)
    if names.id not in df.columns:  # the frame is indexed by the ids
        df = df.reset_index(level=names.id)
    id, time, value = names
    per_series = {k: settings[k] for k in ("period", "horizon")
                  if isinstance(settings.get(k), str)}
    missing = [c for c in per_series.values() if c not in df.columns]
    if missing:
        raise KeyError(f"forecast_many: no column {', '.join(map(repr, missing))}")
    if time is not None:
        _check_time_column(df[time], time)
    offset = None if freq is None else pd.tseries.frequencies.to_offset(freq)
    # The levels that name the forecast columns when no series has limits to name them.
    levels = _settings.limit_levels(settings.get("level", _settings.DEFAULT_LEVELS),
                                    settings.get("critical_value"))

    frame = df.sort_values([id, time] if time is not None else [id], kind="mergesort")
    ids = frame[id].to_numpy()
    starts = np.flatnonzero(np.r_[True, ids[1:] != ids[:-1]]) if len(ids) else np.array([], int)
    ends = np.r_[starts[1:], len(ids)].astype(int)
    values, bad_values = _values(frame[value])
    series_ids = [ids[a] for a in starts]
    series_values = [values[a:b] for a, b in zip(starts, ends)]
    all_times = pd.Index(frame[time]) if time is not None else None
    series_times = [all_times[a:b] if all_times is not None else pd.RangeIndex(b - a)
                    for a, b in zip(starts, ends)]
    steps, failures = _steps(series_ids, series_times, offset)  # position -> Error

    regressors = _regressors_by_series(frame, xreg, future, id, time, starts, ends, series_ids,
                                       series_times, steps, method)

    series_settings: List[Optional[Dict[str, Any]]] = []
    periods = []
    for k, (a, b) in enumerate(zip(starts, ends)):
        keywords = dict(settings)
        for name, column in per_series.items():
            keywords[name] = _scalar(frame[column].iloc[a])
        period = keywords.pop("period", None)
        if period is None:
            step = steps.get(k)
            propose = usual_periods if method == "auto" else cycle_period
            period = propose(step) if isinstance(step, pd.DateOffset) else 1
        periods.append(period if isinstance(period, numbers.Integral) else -1)
        if k in failures:
            series_settings.append(None)
            continue
        try:
            bad = np.flatnonzero(bad_values[a:b])
            if len(bad):
                raise refused(Status.INVALID_DATA,
                              f"The observations must be numbers; observation {bad[0]} is "
                              f"{frame[value].iloc[a + bad[0]]!r}")
            one = entry.settings(period, **keywords)
            if regressors is not None:
                if isinstance(regressors[k], Error):
                    raise regressors[k]
                one.update(regressors[k])
            series_settings.append(one)
        except Error as error:  # a refused setting fails this series only
            failures[k] = error
            series_settings.append(None)

    run = [k for k in range(len(series_ids)) if k not in failures]
    outcomes = dict(zip(run, _vordex.fit_many(
        method, [str(series_ids[k]) for k in run], [series_values[k] for k in run],
        [series_settings[k] for k in run], batch_seed,
        0 if n_jobs is None or n_jobs <= 0 else int(n_jobs))))

    forecast_parts: List[Tuple[int, Dict[str, Any]]] = []
    rows = []
    for k, key in enumerate(series_ids):
        failure, raw = failures.get(k), None
        if failure is None:
            code, text, messages, raw = outcomes[k]
            if raw is None:
                failure = batch_error(code, text, messages)
        step = steps.get(k)
        values = np.asarray(series_values[k], dtype=np.float64)
        row = {"id": key, "message": "", "model": "", "n": len(values),
               "missing": int(np.isnan(values).sum()), "members": "",
               "freq": frequency_name(step) if step is not None and time is not None else "",
               "period": periods[k], **dict.fromkeys(_STATISTICS, np.nan)}
        if failure is not None or raw is None:
            assert failure is not None
            if errors == "raise":
                raise type(failure)(failure.status, failure.text, failure.messages,
                                    f"series {key!r}: {failure}")
            status = failure.status
            row["message"] = str(failure)
        else:
            status = Status(raw["status"])
            row.update(model=raw["model"], members=" ".join(raw.get("members", {})),
                       **{s: raw[s] for s in _STATISTICS})
            forecast_parts.append((k, raw))
        row.update(status=status.name.lower(), code=status.code)
        rows.append(row)
    return ManyForecasts(
        _forecast_frame(forecast_parts, series_ids, series_times, steps, frame, id, time,
                        levels),
        _summary_frame(rows, frame, id))


def _regressors_by_series(frame: pd.DataFrame, xreg: Optional[List[str]],
                          future: Optional[pd.DataFrame], id: str, time: Optional[str],
                          starts: np.ndarray, ends: np.ndarray, series_ids: List[Any],
                          series_times: List[pd.Index], steps: Dict[int, Step],
                          method: str) -> Optional[List[Any]]:
    """Each series' settings entries "regressors", "future" and "horizon" (or the Error that
    fails the series), or None without xreg."""
    if xreg is None:
        if future is not None:
            raise ValueError("forecast_many: future gives the future values of xreg columns")
        return None
    if method not in ("arima", "auto_arima"):
        raise ValueError(f"forecast_many: xreg is for the methods arima and auto_arima, not "
                         f"{method!r}")
    names = [str(c) for c in xreg]
    missing = [c for c in xreg if c not in frame.columns]
    if missing:
        raise KeyError(f"forecast_many: no column {', '.join(map(repr, missing))}")
    ahead: Dict[Any, pd.DataFrame] = {}
    if future is not None:
        needed = [id] + ([time] if time is not None else []) + list(xreg)
        absent = [c for c in needed if c not in future.columns]
        if absent:
            raise KeyError(f"forecast_many: future has no column {', '.join(map(repr, absent))}")
        ordered = future.sort_values([id, time] if time is not None else [id], kind="mergesort")
        ahead = {key: rows for key, rows in ordered.groupby(id, sort=False)}
    out: List[Any] = []
    for k, (a, b) in enumerate(zip(starts, ends)):
        inside = frame[xreg].iloc[a:b].to_numpy(dtype=np.float64, na_value=np.nan)
        rows = ahead.get(series_ids[k])
        later = (rows[xreg].to_numpy(dtype=np.float64, na_value=np.nan) if rows is not None
                 else np.zeros((0, len(names))))
        if rows is not None and time is not None and len(rows) and k in steps:
            expected = continue_times(series_times[k], steps[k], 1)[0]
            if rows[time].iloc[0] != expected:
                out.append(refused(Status.INVALID_DATA, f"future: the first time is "
                                   f"{rows[time].iloc[0]}, but the series' next is {expected}"))
                continue
        out.append({"regressors": (names, inside.T.ravel()),
                    "future": (names, later.T.ravel()), "horizon": len(later)})
    return out


def _check_time_column(column: pd.Series, name: str) -> None:
    dtype = column.dtype
    if isinstance(dtype, pd.PeriodDtype) or pd.api.types.is_datetime64_any_dtype(dtype) or (
            pd.api.types.is_integer_dtype(dtype) and not pd.api.types.is_bool_dtype(dtype)):
        return
    raise TypeError(f"forecast_many: the time column {name!r} holds {dtype}; it must hold dates "
                    f"(datetime64), pandas Periods or integers (pandas.to_datetime converts "
                    f"text)")


def _steps(ids: List[Any], times: List[pd.Index],
           freq: Optional[pd.DateOffset]) -> Tuple[Dict[int, Step], Dict[int, Error]]:
    """Each series' time step (time_step), and the Error of each series whose times are
    irregular. Series of fewer than three dates take the frequency that the others share."""
    steps: Dict[int, Step] = {}
    failures: Dict[int, Error] = {}
    short = []
    for k, t in enumerate(times):
        if freq is None and isinstance(t, pd.DatetimeIndex) and len(t) < 3:
            short.append(k)
            continue
        try:
            steps[k] = time_step(t, freq)
        except IrregularTimes as e:
            failures[k] = _irregular(ids[k], e)
    found = {s.freqstr for s in steps.values() if isinstance(s, pd.DateOffset)}
    shared = pd.tseries.frequencies.to_offset(found.pop()) if len(found) == 1 else None
    for k in short:
        try:
            steps[k] = time_step(times[k], None, shared)
        except IrregularTimes as e:
            failures[k] = _irregular(ids[k], e)
    return steps, failures


def _irregular(key: Any, error: IrregularTimes) -> Error:
    # The summary's row, or the "series 'ID': " of errors="raise", names the series.
    return refused(Status.INVALID_DATA, f"The times are irregular: {error}")


def _values(column: pd.Series) -> Tuple[np.ndarray, np.ndarray]:
    """The value column as float64, and which rows hold something other than a number."""
    if pd.api.types.is_numeric_dtype(column.dtype) and not pd.api.types.is_bool_dtype(
            column.dtype):
        return column.to_numpy(dtype=np.float64, na_value=np.nan), np.zeros(len(column), bool)
    values = np.empty(len(column))
    bad = np.zeros(len(column), bool)
    for i, v in enumerate(column.to_numpy(dtype=object)):
        try:
            values[i] = _numbers_from_objects(np.array([v], dtype=object))[0]
        except ValueError:
            values[i], bad[i] = np.nan, True
    return values, bad


def _scalar(x: Any) -> Any:
    if isinstance(x, np.generic):
        x = x.item()
    return int(x) if isinstance(x, float) and x.is_integer() else x


def _forecast_frame(parts: List[Tuple[int, Dict[str, Any]]], series_ids: List[Any],
                    series_times: List[pd.Index], steps: Dict[int, Step], frame: pd.DataFrame,
                    id: str, time: Optional[str], levels: List[float]) -> pd.DataFrame:
    horizons = [len(raw["mean"]) for _, raw in parts]
    rows = np.repeat(np.array([k for k, _ in parts], dtype=np.int64), horizons)
    keys = pd.Series(series_ids, dtype=frame[id].dtype) if series_ids else frame[id].iloc[:0]
    out = pd.DataFrame({id: keys.to_numpy()[rows]})
    future = [continue_times(series_times[k], steps.get(k, 1), h)
              for (k, _), h in zip(parts, horizons)]
    if time is not None:
        empty = frame[time].iloc[:0]
        out[time] = pd.concat([empty] + [pd.Series(f, dtype=empty.dtype) for f in future],
                              ignore_index=True)
    else:
        # Positions, as a single series without an index continues them.
        out["time"] = np.concatenate([np.asarray(f, dtype=np.int64) for f in future] +
                                     [np.array([], np.int64)])
    tables = [forecast_values(raw) for _, raw in parts]
    for column in list(tables[0]) if tables else forecast_columns(levels):
        out[column] = np.concatenate([t[column] for t in tables] + [[]]).astype(np.float64)
    return out


def _summary_frame(rows: List[Dict[str, Any]], frame: pd.DataFrame, id: str) -> pd.DataFrame:
    summary = pd.DataFrame(rows, columns=["id", "status", "code", "message", "model",
                                          *_STATISTICS, "n", "missing", "members", "freq",
                                          "period"])
    summary["id"] = pd.Series(summary["id"].to_numpy(), dtype=frame[id].dtype)
    summary = summary.astype({"status": object, "code": np.int64, "message": object,
                              "model": object, **dict.fromkeys(_STATISTICS, np.float64),
                              "n": np.int64, "missing": np.int64, "members": object,
                              "freq": object, "period": np.int64})
    return summary.rename(columns={"id": id})
