"""Many series at once: vordex.forecast_many over the library's batch layer."""
import numbers
from typing import NamedTuple

import numpy as np
import pandas as pd

from . import _settings, _vordex
from ._api import METHODS
from ._errors import Error, Status, batch_error, refused
from ._results import forecast_columns, forecast_values
from ._series import _numbers_from_objects, frequency, future_index, period_of

_STATISTICS = ["log_likelihood", "aic", "aicc", "bic", "sigma2"]


class ManyForecasts(NamedTuple):
    """What forecast_many returns (unpack it: ``forecasts, summary = ...``).

    forecasts: one row per series and forecast: the id column, the time column (continuing
        each series' times), mean, and lower_L, upper_L for each level L (lower_80, upper_80,
        lower_95, upper_95 by default), as in the single-series results' forecast tables.
    summary: one row per series: the id column, status (the library's status name: "ok", a
        warning such as "single_member", or why the series failed, such as
        "ets_non_finite_data"), code (the status's code), message (why it failed, else empty),
        model, log_likelihood, aic, aicc, bic, sigma2, n (observations) and period.
    """

    forecasts: pd.DataFrame
    summary: pd.DataFrame


def series_seed(id, seed=None):
    """The seed of the simulations with which forecast_many fits the series `id` under the
    batch seed `seed` (None: the library's default seed): the library's SeriesSeed(seed, id) of
    the id's text. ``vordex.ets(y, seed=vordex.series_seed(id))`` gives that series' numbers.
    It depends on the id and the batch seed only, so a series gets the same forecasts whichever
    other series share the call, however many threads fit them and on any Dask partition."""
    _require_batch()
    return _vordex.series_seed(_settings.seed(seed), str(id))


def _require_batch():
    if not hasattr(_vordex, "fit_many"):
        raise NotImplementedError("this build of vordex has no batch layer (libvordex_cpp was "
                                  "built without src/batch)")


def forecast_many(df, id="id", time="time", value="value", method="ets", n_jobs=-1,
                  errors="ignore", seed=None, **settings):
    """Fits `method` to every series of a long DataFrame (one row per series and time) and
    forecasts, on a pool of threads.

    Args:
        df: pandas DataFrame with the columns named by id, time and value.
        id, time, value: column names; time may be None (rows in time order within each
            series; the forecasts' column "time" then holds positions). Each series' rows are
            sorted by time.
        method: "ets", "arima", "armax", "auto_arima", "theta" or "auto" (the combination).
        n_jobs: worker threads (-1 or 0: every core).
        errors: "ignore" reports a bad series (too short, not numbers, a refused setting, a
            failed fit) in the summary and goes on; "raise" raises vordex.Error for the first
            bad series (in id order) after the others have run.
        seed: the batch seed of the simulations (ets, auto): the series with id `i` simulates
            with series_seed(i, seed), so its numbers depend neither on n_jobs nor on the other
            series of the call.
        **settings: the method's keyword arguments (as for vordex.ets, vordex.arima, ...;
            level in percent). period and horizon may also name a column, whose first value in
            each series is that series' period or horizon; period None takes the frequency of
            each series' times when they are dates or periods, else 1.

    Returns ManyForecasts(forecasts, summary).
    """
    _require_batch()
    method = _vordex.canonical_name("method", method)
    if errors not in ("ignore", "raise"):
        raise ValueError(f"errors must be 'ignore' or 'raise'; got {errors!r}")
    entry = METHODS[method]
    batch_seed = _settings.seed(seed)
    columns = [c for c in (id, time, value) if c is not None]
    per_series = {k: settings[k] for k in ("period", "horizon")
                  if isinstance(settings.get(k), str)}
    missing = [c for c in columns + list(per_series.values()) if c not in df.columns]
    if missing:
        raise KeyError(f"forecast_many: no column {', '.join(map(repr, missing))}")
    # The levels that name the forecast columns when no series has limits to name them.
    levels = _settings.limit_levels(settings.get("level", _settings.DEFAULT_LEVELS),
                                    settings.get("critical_value"))

    frame = df.sort_values([id, time] if time is not None else [id], kind="mergesort")
    ids = frame[id].to_numpy()
    starts = np.flatnonzero(np.r_[True, ids[1:] != ids[:-1]]) if len(ids) else np.array([], int)
    ends = np.r_[starts[1:], len(ids)].astype(int)
    values, bad_values = _values(frame[value])
    times = frame[time] if time is not None else None

    series_ids, series_values, series_times, series_settings = [], [], [], []
    periods = []
    failures = {}  # position -> Error, for series refused before any engine runs
    for k, (a, b) in enumerate(zip(starts, ends)):
        key = ids[a]
        series_ids.append(key)
        series_values.append(values[a:b])
        series_times.append(pd.Index(times.iloc[a:b]) if times is not None
                            else pd.RangeIndex(b - a))
        keywords = dict(settings)
        for name, column in per_series.items():
            keywords[name] = _scalar(frame[column].iloc[a])
        period = keywords.pop("period", None)
        if period is None:
            period = period_of(series_times[-1])
        periods.append(period if isinstance(period, numbers.Integral) else -1)
        try:
            bad = np.flatnonzero(bad_values[a:b])
            if len(bad):
                raise refused(Status.INVALID_DATA,
                              f"The observations must be numbers; observation {bad[0]} is "
                              f"{frame[value].iloc[a + bad[0]]!r}")
            series_settings.append(entry.settings(period, **keywords))
        except Error as error:  # a refused setting fails this series only
            failures[k] = error
            series_settings.append(None)

    run = [k for k in range(len(series_ids)) if k not in failures]
    outcomes = dict(zip(run, _vordex.fit_many(
        method, [str(series_ids[k]) for k in run], [series_values[k] for k in run],
        [series_settings[k] for k in run], batch_seed,
        0 if n_jobs is None or n_jobs <= 0 else int(n_jobs))))

    forecast_parts, rows = [], []
    for k, key in enumerate(series_ids):
        error, raw = failures.get(k), None
        if error is None:
            code, text, messages, raw = outcomes[k]
            if raw is None:
                error = batch_error(code, text, messages)
        row = {"id": key, "message": "", "model": "", "n": len(series_values[k]),
               "period": periods[k], **dict.fromkeys(_STATISTICS, np.nan)}
        if error is not None:
            if errors == "raise":
                raise type(error)(error.status, error.text, error.messages,
                                  f"series {key!r}: {error}")
            status = error.status
            row["message"] = str(error)
        else:
            status = Status(raw["status"])
            row.update(model=raw["model"], **{s: raw[s] for s in _STATISTICS})
            forecast_parts.append((k, raw))
        row.update(status=status.name.lower(), code=status.code)
        rows.append(row)
    return ManyForecasts(
        _forecast_frame(forecast_parts, series_ids, series_times, frame, id, time, levels),
        _summary_frame(rows, frame, id))


def _values(column):
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


def _scalar(x):
    if isinstance(x, np.generic):
        x = x.item()
    return int(x) if isinstance(x, float) and x.is_integer() else x


def _future_times(times, horizon, dtype):
    """The times after a series' times, of the time column's dtype: dates and periods continue
    by their frequency (NaT when a series has none), other times as integers."""
    if isinstance(dtype, pd.PeriodDtype) or pd.api.types.is_datetime64_any_dtype(dtype):
        if len(times) and frequency(times) is not None:
            return future_index(times, horizon)
        return pd.Index(np.full(horizon, pd.NaT), dtype=dtype)
    return pd.Index(np.asarray(future_index(times, horizon), dtype=np.int64))


def _forecast_frame(parts, series_ids, series_times, frame, id, time, levels):
    horizons = [len(raw["mean"]) for _, raw in parts]
    rows = np.repeat(np.array([k for k, _ in parts], dtype=np.int64), horizons)
    keys = pd.Series(series_ids, dtype=frame[id].dtype) if series_ids else frame[id].iloc[:0]
    out = pd.DataFrame({id: keys.to_numpy()[rows]})
    if time is not None:
        dtype = frame[time].dtype
        empty = _future_times(pd.Index([], dtype=dtype), 0, dtype)
        out[time] = empty.append([_future_times(series_times[k], h, dtype)
                                  for (k, _), h in zip(parts, horizons)])
    else:
        # Positions, as a single series without an index continues them.
        out["time"] = _future_times(pd.RangeIndex(0), 0, np.int64).append(
            [_future_times(series_times[k], h, np.int64) for (k, _), h in zip(parts, horizons)])
    tables = [forecast_values(raw) for _, raw in parts]
    for column in list(tables[0]) if tables else forecast_columns(levels):
        out[column] = np.concatenate([t[column] for t in tables] + [[]]).astype(np.float64)
    return out


def _summary_frame(rows, frame, id):
    summary = pd.DataFrame(rows, columns=["id", "status", "code", "message", "model",
                                          *_STATISTICS, "n", "period"])
    summary["id"] = pd.Series(summary["id"].to_numpy(), dtype=frame[id].dtype)
    summary = summary.astype({"status": object, "code": np.int64, "message": object,
                              "model": object, **dict.fromkeys(_STATISTICS, np.float64),
                              "n": np.int64, "period": np.int64})
    return summary.rename(columns={"id": id})
