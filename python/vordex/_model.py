"""Model files: a fitted model saved as the library's JSON model file (one line), loaded in
another process, updated with new observations without estimating again, and pickled through
the same JSON. The format is described in docs/model_format.md."""
from __future__ import annotations

import os
from typing import Any, Optional, Sequence, Tuple, Union

import numpy as np
import pandas as pd

from . import _vordex
from ._errors import Error, Status
from ._results import (ArimaResult, ArmaxResult, AutoArimaResult, AutoResult, EtsResult, Result,
                       ThetaResult)
from ._series import future_index

_CLASSES = {"arima": ArimaResult, "auto_arima": AutoArimaResult, "ets": EtsResult,
            "theta": ThetaResult, "armax": ArmaxResult, "auto": AutoResult}

# The pandas frequency of each calendar a model file names.
_FREQUENCIES = {"month": "M", "quarter": "Q", "day": "D"}

PathLike = Union[str, "os.PathLike[str]"]


def _index_of(observations: int, time: Optional[Tuple[str, str]]) -> pd.Index:
    """The observations' index a model file implies: periods ending at its last time when its
    calendar is one of months, quarters or days, the integers ending there for counts, else
    positions."""
    if time is not None:
        last, calendar = time
        if calendar in _FREQUENCIES:
            return pd.period_range(end=pd.Period(last.replace("-Q", "Q"),
                                                 freq=_FREQUENCIES[calendar]),
                                   periods=observations)
        if calendar == "count":
            end = int(last)
            return pd.RangeIndex(end - observations + 1, end + 1)
    return pd.RangeIndex(0, observations)


def _last_time(index: pd.Index) -> Optional[Tuple[str, str]]:
    """The last time of an index and its calendar as model files write them ("1960-12",
    "month"), for periods of months, quarters and days and for integers; else None."""
    if len(index) == 0:
        return None
    if isinstance(index, pd.PeriodIndex):
        for calendar, freq in _FREQUENCIES.items():
            if index.freqstr.startswith(freq):
                last = index[-1]
                text = {"M": f"{last.year:04d}-{last.month:02d}",
                        "Q": f"{last.year:04d}-Q{last.quarter}",
                        "D": f"{last.year:04d}-{last.month:02d}-{last.day:02d}"}[freq]
                return text, calendar
        return None
    if pd.api.types.is_integer_dtype(index.dtype):
        return str(int(index[-1])), "count"
    return None


def _pad(values: Any, n: int) -> np.ndarray:
    """values (the last len(values) of n times) preceded by NaN up to n."""
    values = np.asarray(values, dtype=float)
    return np.concatenate([np.full(n - len(values), np.nan), values])


def _build(described: Tuple[Any, ...], index: Optional[pd.Index] = None,
           values: Optional[np.ndarray] = None, name: Any = None) -> Result:
    """A result object from the extension's (method, result, model file, observations, time,
    data). Fitted values and residuals a loaded model does not carry are NaN."""
    method, raw, text, observations, time, data = described
    if index is None:
        index = _index_of(observations, time)
    if values is None:
        values = np.asarray(data, dtype=float) if data is not None else np.full(len(index), np.nan)
    def padded(raw: Any) -> dict:
        raw = dict(raw)
        raw["fitted"] = _pad(raw["fitted"][-len(index):], len(index))
        raw["residuals"] = _pad(raw["residuals"][-len(index):], len(index))
        return raw

    raw = padded(raw)
    if "members" in raw:
        raw["members"] = {key: padded(member) for key, member in raw["members"].items()}
    raw.setdefault("path")
    raw["model_file"] = text
    return _CLASSES[method](values, index, raw, {}, name)


def save(result: Result, path: PathLike) -> None:
    """Writes the result's model file to `path` (see Result.save)."""
    text = getattr(result, "_model_file", None)
    if text is None:
        reason = getattr(result, "_unsaved_reason", None) or "no model to save"
        raise Error(Status.INVALID_SETTINGS, f"a {type(result).__name__} cannot be saved: {reason}")
    time = _last_time(result.y.index)
    if time is not None:
        text = _vordex.model_with_time(text, *time)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text + "\n")


def loads(text: str) -> Result:
    """The result of a model file's text (see ``load``).

    Parameters
    ----------
    text : str
        One model file: a line of JSON written by ``Result.save`` or the command-line tool.

    Returns
    -------
    Result
        The loaded model with the forecasts of its saved horizon and levels.

    Raises
    ------
    vordex.Error
        INVALID_DATA, naming the field at fault, for text that is not a model file this
        library reads.

    Examples
    --------
    >>> import vordex
    >>> y = [100.0 + 10 * (t % 12) + t + (7 * t) % 5 for t in range(48)]
    >>> r = vordex.ets(y, period=12, horizon=2)
    >>> vordex.loads(r._model_file).forecast.equals(r.forecast)
    True
    """
    return _build(_vordex.model_load(text.strip()))


def load(path: PathLike) -> Result:
    """Loads a model file written by ``result.save(path)`` or by the command-line tool's
    ``--save``, in any process.

    Its ``y``, ``fitted`` and ``residuals`` are NaN on the index the file's last time and
    calendar imply (periods for months, quarters and days; positions otherwise) unless the file
    holds the data; ``update`` continues it with new observations.

    Parameters
    ----------
    path : str or os.PathLike
        The model file.

    Returns
    -------
    Result
        ArimaResult, AutoArimaResult or EtsResult, whose forecasts are those of the saved
        model's horizon and levels, bit for bit.

    Raises
    ------
    vordex.Error
        INVALID_DATA, naming the field, for a file that is not a model file, of a newer format
        version, with missing or unknown fields, numbers that are not finite, estimates outside
        the model's admissible region or sizes that do not match the orders.

    Examples
    --------
    >>> import os, tempfile, vordex
    >>> y = [100.0 + 10 * (t % 12) + t + (7 * t) % 5 for t in range(48)]
    >>> r = vordex.arima(y, order=(0, 1, 1), seasonal=(0, 1, 1), period=12, horizon=3)
    >>> path = os.path.join(tempfile.mkdtemp(), "model.json")
    >>> r.save(path)
    >>> loaded = vordex.load(path)
    >>> loaded.model, loaded.forecast.equals(r.predict(3).forecast)
    ('ARIMA(0,1,1)(0,1,1)[12]', True)
    """
    with open(path, "r", encoding="utf-8") as f:
        return loads(f.read())


def update(result: Result, y_new: Any) -> Result:
    """The result with new observations filtered through its model (see Result.update)."""
    text = getattr(result, "_model_file", None)
    if text is None:
        raise Error(Status.INVALID_SETTINGS,
                    f"a {type(result).__name__} has no model to update", [])
    new = pd.Series(y_new, dtype=float) if not isinstance(y_new, pd.Series) else y_new
    values = new.to_numpy(dtype=float)
    if isinstance(y_new, pd.Series):
        index = new.index
    else:
        index = future_index(result.y.index, len(values))
    described = _vordex.model_update(text, np.ascontiguousarray(values), None)
    return _build(described, index=index, values=values, name=result.y.name)


def predict(result: Result, horizon: int, level: Union[float, Sequence[float]]) -> Result:
    """The result's model with forecasts of `horizon` steps and limits at `level` (percent)."""
    text = getattr(result, "_model_file", None)
    if text is None:
        raise Error(Status.INVALID_SETTINGS,
                    f"a {type(result).__name__} has no model to forecast from")
    levels = [float(level)] if np.isscalar(level) else [float(v) for v in level]
    described = _vordex.model_predict(text, int(horizon), levels)
    return _build(described, index=result.y.index, values=result.y.to_numpy(dtype=float),
                  name=result.y.name)


def _unpickle(text: str, values: np.ndarray, index: pd.Index, name: Any,
              settings: dict) -> Result:
    """A pickled result: its model file loaded, with the observations and index it had."""
    result = _build(_vordex.model_load(text), index=index, values=values, name=name)
    result.settings = settings
    return result
