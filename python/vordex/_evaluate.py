"""Evaluation: accuracy measures of forecasts against actual values, residual diagnostics of a
fitted model (as R's forecast::checkresiduals), and rolling-origin cross-validation of a method
over every series of a long frame. The numbers come from the library (vordex/evaluate.hpp,
vordex/cross_validation.hpp); this module only shapes frames."""
from __future__ import annotations

from typing import Any, Dict, NamedTuple, Optional, Sequence, Union

import numpy as np
import pandas as pd

from . import _frame, _settings, _vordex
from ._api import METHODS
from ._errors import Status
from ._many import _steps
from ._results import level_label
from ._series import cycle_period

__all__ = ["accuracy", "cross_validation", "diagnostics", "CrossValidation", "Diagnostics"]

_POINT = ["n", "me", "mae", "rmse", "mpe", "mape", "smape", "mase", "rmsse", "acf1"]


def _array(x: Any) -> np.ndarray:
    return np.ascontiguousarray(np.asarray(x, dtype=float))


def accuracy(forecasts: Union[pd.DataFrame, pd.Series, np.ndarray, Sequence[float]],
             actuals: Union[pd.DataFrame, pd.Series, np.ndarray, Sequence[float]],
             training: Union[pd.DataFrame, pd.Series, np.ndarray, None] = None, lag: int = 1,
             id: Optional[str] = None, time: Optional[str] = None,
             value: Optional[str] = None) -> Union[Dict[str, float], pd.DataFrame]:
    """Accuracy of forecasts against actual values, as R's ``forecast::accuracy``.

    With arrays (or pandas Series), ``forecasts`` holds point forecasts and ``actuals`` the
    values that happened, pair by pair; the result is a dict of the measures n, me, mae, rmse,
    mpe, mape, smape (M3/M4 form), mase, rmsse and acf1. MASE and RMSSE divide by the
    seasonal naive errors of lag `lag` on `training` (NaN without it).

    With frames, ``forecasts`` is a long forecast table (as ``forecast_many`` gives:
    ``unique_id``/``id``, ``ds``/``time``, ``mean``, ``lower_80``, ``upper_80``, ...) and
    ``actuals`` (and ``training``) long frames of the values (``y``/``value``); rows pair by id
    and time. The result has one row per series: the point measures and, for each level of the
    forecasts, ``coverage_L``, ``interval_score_L`` (Gneiting and Raftery 2007) and ``msis_L``.

    >>> import vordex
    >>> vordex.accuracy([1.0, 2.0], [2.0, 2.0])["mae"]
    0.5
    """
    if not isinstance(forecasts, pd.DataFrame):
        x = None if training is None else _array(training)
        return _vordex.measure_accuracy(_array(actuals), _array(forecasts), x, int(lag))
    names = _frame.resolve([*actuals.columns], id, time, value)
    f_names = _frame.resolve([*forecasts.columns, "value"], names.id, names.time, "value")
    keys = [c for c in (names.id, names.time) if c is not None]
    merged = forecasts.merge(actuals[[*keys, names.value]], on=keys, how="inner")
    levels = [c[len("lower_"):] for c in forecasts.columns
              if c.startswith("lower_") and "upper_" + c[len("lower_"):] in forecasts.columns]
    groups = merged.groupby(names.id, sort=True) if names.id else [(None, merged)]
    train_groups = {}
    if isinstance(training, pd.DataFrame):
        t_names = _frame.resolve([*training.columns], names.id, names.time, None)
        sort = [c for c in (t_names.id, t_names.time) if c is not None]
        frame = training.sort_values(sort, kind="mergesort")
        train_groups = ({k: _array(g[t_names.value]) for k, g in frame.groupby(t_names.id)}
                        if t_names.id else {None: _array(frame[t_names.value])})
    rows = []
    for key, g in groups:
        if names.time is not None:
            g = g.sort_values(names.time, kind="mergesort")
        x = train_groups.get(key)
        y = _array(g[names.value])
        row: Dict[str, Any] = {} if key is None else {names.id: key}
        row.update(_vordex.measure_accuracy(y, _array(g["mean"]), x, int(lag)))
        for label in levels:
            r = _vordex.measure_intervals(y, _array(g["lower_" + label]),
                                          _array(g["upper_" + label]), float(label), x, int(lag))
            row.update({f"coverage_{label}": r["coverage"],
                        f"interval_score_{label}": r["interval_score"], f"msis_{label}": r["msis"]})
        rows.append(row)
    del f_names
    return pd.DataFrame(rows)


class Diagnostics(NamedTuple):
    """Residual diagnostics as R's checkresiduals reports them: the residuals, their ACF with
    the bound +-acf_bound (95%), the Ljung-Box test (statistic, lag, df, p_value) with the
    model's degrees of freedom, and the Jarque-Bera normality test."""
    residuals: pd.Series
    acf: pd.Series
    acf_bound: float
    ljung_box: Dict[str, float]
    normality: Dict[str, float]
    fitdf: int
    mean: float
    sd: float

    def plot(self, fig: Any = None) -> Any:
        """The three panels of checkresiduals: the residuals over time, their ACF with the
        bounds, and their histogram with the normal density of their mean and sd."""
        import matplotlib.pyplot as plt
        fig = fig if fig is not None else plt.figure(figsize=(8, 6))
        top = fig.add_subplot(2, 1, 1)
        self.residuals.plot(ax=top, color="black", linewidth=0.8)
        top.set_title(f"Residuals (Ljung-Box Q* = {self.ljung_box['statistic']:.4g}, "
                      f"df = {self.ljung_box['df']}, p = {self.ljung_box['p_value']:.3g})")
        left = fig.add_subplot(2, 2, 3)
        lags = self.acf.index[1:]
        left.vlines(lags, 0, self.acf.values[1:], color="black")
        for b in (self.acf_bound, -self.acf_bound):
            left.axhline(b, color="tab:blue", linestyle="--", linewidth=0.8)
        left.axhline(0, color="black", linewidth=0.5)
        left.set_xlabel("Lag")
        left.set_ylabel("ACF")
        right = fig.add_subplot(2, 2, 4)
        r = self.residuals.dropna().to_numpy()
        right.hist(r, bins="auto", density=True, color="grey", edgecolor="white")
        if len(r) > 1 and self.sd > 0:
            grid = np.linspace(r.min(), r.max(), 200)
            right.plot(grid, np.exp(-0.5 * ((grid - self.mean) / self.sd) ** 2)
                       / (self.sd * np.sqrt(2 * np.pi)), color="tab:orange")
        right.set_xlabel("residuals")
        fig.tight_layout()
        return fig


def _fitdf(result: Any) -> int:
    # forecast 8.20's modeldf, as vordex::Diagnostics counts it: p + q + P + Q for ARIMA models,
    # the smoothing parameters and initial states for ETS, none for Theta and the combination.
    params = getattr(result, "params", {}) or {}
    if "alpha" in params and "drift" not in params:  # exponential smoothing
        k = 2 + sum(p in params for p in ("beta", "gamma", "phi"))
        if "beta" in params:
            k += 1
        if "gamma" in params:
            k += int(result.period) - 1
        return k
    return sum(1 for p in params if p.rstrip("0123456789") in ("ar", "ma", "sar", "sma"))


def diagnostics(result: Any) -> Diagnostics:
    """The residual diagnostics of a fitted result (R's checkresiduals): see Diagnostics."""
    residuals = result.residuals
    fitdf = _fitdf(result)
    raw = _vordex.diagnose_residuals(_array(residuals), int(result.period or 1), fitdf)
    return Diagnostics(residuals, pd.Series(raw["acf"], name="acf"), raw["acf_bound"],
                       raw["ljung_box"], raw["normality"], fitdf, raw["mean"], raw["sd"])


class CrossValidation(NamedTuple):
    """``(forecasts, summary, by_step)``: one row per series, origin and step (id, ``cutoff``
    the time of the origin's last training value, time, step, the actual value, mean and
    limits, and with conformal=True ``conformal_lower_L``/``conformal_upper_L``); one row per
    series with its measures (status, origins, the point measures, and per level coverage,
    interval score and MSIS, ``conformal_`` ones too); and the means over series per step."""
    forecasts: pd.DataFrame
    summary: pd.DataFrame
    by_step: pd.DataFrame


def cross_validation(df: pd.DataFrame, method: str = "ets", id: Optional[str] = None,
                     time: _frame.Column = None, value: Optional[str] = None, *,
                     horizon: int = _vordex.DEFAULT_HORIZON, windows: int = 3, step: int = 1,
                     initial: Optional[int] = None, refit: int = 1, conformal: bool = False,
                     conformal_windows: int = 3, conformal_step: Optional[int] = None,
                     lag: Optional[int] = None, n_jobs: int = -1,
                     seed: Optional[int] = None, **settings: Any) -> CrossValidation:
    """Rolling-origin cross-validation of `method` on every series of a long frame.

    Origins: the last `windows` ones `step` apart, the last `horizon` before the end
    (statsforecast's n_windows and step_size), or with `initial` every origin from `initial`
    observations on (R's tsCV). `refit` = k estimates the model at every k-th window and
    continues it in between with the new observations without re-estimation (ARIMA and ETS; the
    other methods refit): 1 refits each window, 0 only the first. `conformal` adds split
    conformal limits from the errors of `conformal_windows` windows inside each training
    window, `conformal_step` apart (default: horizon, statsforecast's ConformalIntervals). MASE, RMSSE and MSIS scale each origin's errors
    by its training window's seasonal naive errors of lag `lag` (default: the period).
    Columns, `seed`, `n_jobs` and `**settings` as for :func:`vordex.forecast_many`; the
    numbers equal those of ``vordex cv`` and of any partition (``vordex.dask``).
    """
    method = _vordex.canonical_name("method", method)
    entry = METHODS[method]
    names = _frame.resolve([*df.columns, *df.index.names], id, time, value)
    if names.id not in df.columns:
        df = df.reset_index(level=names.id)
    id, time, value = names
    frame = df.sort_values([id, time] if time is not None else [id], kind="mergesort")
    ids = frame[id].to_numpy()
    starts = np.flatnonzero(np.r_[True, ids[1:] != ids[:-1]]) if len(ids) else np.array([], int)
    ends = np.r_[starts[1:], len(ids)].astype(int)
    values = frame[value].to_numpy(dtype=float)
    series_ids = [ids[a] for a in starts]
    all_times = pd.Index(frame[time]) if time is not None else None
    series_times = [all_times[a:b] if all_times is not None else pd.RangeIndex(b - a)
                    for a, b in zip(starts, ends)]
    steps, failures = _steps(series_ids, series_times, None)
    if failures:
        k = min(failures)
        raise failures[k]
    each = []
    for k in range(len(series_ids)):
        keywords = dict(settings)
        period = keywords.pop("period", None)
        if period is None:
            s = steps.get(k)
            period = cycle_period(s) if isinstance(s, pd.DateOffset) else 1
        each.append(entry.settings(period, horizon=horizon, **keywords))
    validation = dict(horizon=int(horizon), windows=int(windows), step=int(step),
                      initial=int(initial or 0), refit=int(refit), conformal=bool(conformal),
                      conformal_windows=int(conformal_windows),
                      conformal_step=int(conformal_step or 0), lag=int(lag or 0))
    per_series, means = _vordex.cross_validate(
        method, [str(s) for s in series_ids],
        [np.ascontiguousarray(values[a:b]) for a, b in zip(starts, ends)], each, validation,
        _settings.seed(seed), 0 if n_jobs is None or n_jobs <= 0 else int(n_jobs))

    parts, rows = [], []
    for k, s in enumerate(per_series):
        status = Status(s["code"])
        row: Dict[str, Any] = {id: series_ids[k], "status": status.name.lower(),
                               "message": s["text"], "origins": len(s["origins"])}
        times = series_times[k]
        if status.succeeded and s["origins"]:
            row.update(s["accuracy"])
            for prefix, records in (("", s["intervals"]), ("conformal_", s["conformal_intervals"])):
                for r in records:
                    label = level_label(r["level"])
                    row.update({f"{prefix}coverage_{label}": r["coverage"],
                                f"{prefix}interval_score_{label}": r["interval_score"],
                                f"{prefix}msis_{label}": r["msis"]})
            h = s["steps"]
            origins = np.repeat(np.asarray(s["origins"]), h)
            step_no = np.tile(np.arange(1, h + 1), len(s["origins"]))
            position = origins + step_no - 1  # 0-based position of the forecast time
            part = {id: series_ids[k], "cutoff": _time_at(times, steps.get(k), origins - 1),
                    (time or "time"): _time_at(times, steps.get(k), position), "step": step_no,
                    "actual": s["actual"], "mean": s["mean"]}
            for prefix, limits in (("", s["limits"]), ("conformal_", s["conformal"])):
                for level, lower, upper in limits:
                    label = level_label(level)
                    part[f"{prefix}lower_{label}"] = lower
                    part[f"{prefix}upper_{label}"] = upper
            parts.append(pd.DataFrame(part))
        rows.append(row)
    forecasts = pd.concat(parts, ignore_index=True) if parts else pd.DataFrame()
    by_step = pd.DataFrame(means["by_step"])
    by_step.insert(0, "step", np.arange(1, len(by_step) + 1))
    return CrossValidation(forecasts, pd.DataFrame(rows), by_step)


def _time_at(times: pd.Index, step: Any, positions: np.ndarray) -> Any:
    """The times at 0-based positions of a series, continued past its end by its step."""
    n = len(times)
    if isinstance(times, pd.RangeIndex) or step is None:
        return positions + (times[0] if n and not isinstance(times, pd.RangeIndex) else 0)
    out = []
    for p in positions:
        out.append(times[p] if p < n else times[-1] + (p - n + 1) * step)
    return out
