"""Observations in, and the time axis out: pandas indexes, the seasonal period their frequency
implies, and their continuation into the forecast horizon."""
from __future__ import annotations

import numbers
from typing import List, Optional, Tuple, Union

import numpy as np
import pandas as pd

from ._errors import Error, Status, refused

# The engines' largest seasonal period (arima::Settings::period and ets::Settings::period,
# 1..24); a longer cycle is not modelled and gets period 1.
LARGEST_PERIOD = 24

# Seasonal cycles of pandas offsets: the number of units in the cycle that the engines model (a
# year; a week for days; a day for hours, minutes and seconds). A multiple of a unit divides the
# cycle when it can (two-monthly data have period 6), else the data get period 1, as do cycles
# longer than LARGEST_PERIOD (weekly data: 52) and every offset not listed.
_CYCLES = [
    ((pd.offsets.YearBegin, pd.offsets.YearEnd, pd.offsets.BYearBegin, pd.offsets.BYearEnd), 1),
    ((pd.offsets.QuarterBegin, pd.offsets.QuarterEnd, pd.offsets.BQuarterBegin,
      pd.offsets.BQuarterEnd), 4),
    ((pd.offsets.MonthBegin, pd.offsets.MonthEnd, pd.offsets.BusinessMonthBegin,
      pd.offsets.BusinessMonthEnd), 12),
    ((pd.offsets.SemiMonthBegin, pd.offsets.SemiMonthEnd), 24),
    ((pd.offsets.Week,), 52),
    ((pd.offsets.Day,), 7),
    ((pd.offsets.BusinessDay,), 5),
    ((pd.offsets.Hour,), 24),
    ((pd.offsets.Minute,), 24 * 60),
    ((pd.offsets.Second,), 24 * 60 * 60),
]

#: The step between a series' times: a pandas offset for dates and periods, an integer for
#: integer times.
Step = Union[pd.DateOffset, int]


def observations(y: object) -> Tuple[np.ndarray, pd.Index]:
    """`y` as a one-dimensional float64 array and the index of its values (a RangeIndex unless
    `y` is a pandas Series). Raises Error for anything that is not one-dimensional or whose
    elements are not numbers; missing values become NaN, which the engines refuse."""
    if isinstance(y, pd.DataFrame):
        raise refused(Status.NOT_ONE_DIMENSION,
                      f"The observations must be one-dimensional; got a DataFrame of shape "
                      f"{y.shape} (pass one column)")
    index = y.index if isinstance(y, pd.Series) else None
    if isinstance(y, pd.Series) and not isinstance(y.dtype, np.dtype):
        # Nullable and other extension dtypes: missing values become NaN.
        if not pd.api.types.is_numeric_dtype(y.dtype):
            raise _not_numbers(y.dtype)
        values = y.to_numpy(dtype=np.float64, na_value=np.nan)
    else:
        values = np.asarray(y)
        if values.dtype.kind in "SU" and not isinstance(y, np.ndarray):
            values = np.asarray(y, dtype=object)  # to name the first element that is no number
    if values.ndim != 1:
        raise refused(Status.NOT_ONE_DIMENSION,
                      f"The observations must be one-dimensional; got an array of shape "
                      f"{values.shape}")
    if values.dtype == object:
        values = _numbers_from_objects(values)
    elif values.dtype.kind not in "biuf":
        raise _not_numbers(values.dtype)
    values = np.ascontiguousarray(values, dtype=np.float64)
    return values, (index if index is not None else pd.RangeIndex(len(values)))


def _not_numbers(dtype: object) -> Error:
    return refused(Status.INVALID_DATA, f"The observations must be numbers; got dtype {dtype}")


def _numbers_from_objects(values: np.ndarray) -> np.ndarray:
    out = np.empty(len(values), dtype=np.float64)
    for i, v in enumerate(values):
        if v is None or v is pd.NA:
            out[i] = np.nan
        elif isinstance(v, numbers.Real):
            out[i] = float(v)
        else:
            raise refused(Status.INVALID_DATA,
                          f"The observations must be numbers; observation {i} is {v!r}")
    return out


def frequency(index: pd.Index) -> Optional[pd.DateOffset]:
    """The regular frequency of a DatetimeIndex or PeriodIndex (a pandas offset), else None."""
    if isinstance(index, pd.PeriodIndex):
        return index.freq
    if isinstance(index, pd.DatetimeIndex):
        if index.freq is not None:
            return index.freq
        if len(index) >= 3:
            inferred = pd.infer_freq(index)
            if inferred is not None:
                return pd.tseries.frequencies.to_offset(inferred)
    return None


def cycle_period(offset: Optional[pd.DateOffset]) -> int:
    """The seasonal period that times of frequency `offset` imply (see _CYCLES), else 1."""
    if offset is None:
        return 1
    for kinds, cycle in _CYCLES:
        if isinstance(offset, kinds):
            n = abs(offset.n)
            period = cycle // n if n and cycle % n == 0 else 1
            return period if period <= LARGEST_PERIOD else 1
    return 1


def period_of(index: pd.Index) -> int:
    """The seasonal period that the index's frequency implies (cycle_period), else 1."""
    return cycle_period(frequency(index))


# The usual seasonal periods of a sampling interval (vordex::SeasonalPeriods): a day and a week
# of hours and half-hours, a week and a year of days, a year of weeks.
_USUAL_PERIODS = [
    ((pd.offsets.Hour,), 1, [24.0, 168.0]),
    ((pd.offsets.Minute,), 30, [48.0, 336.0]),
    ((pd.offsets.Day,), 1, [7.0, 365.25]),
    ((pd.offsets.Week,), 1, [52.18]),
]


def usual_periods(offset: Optional[pd.DateOffset]) -> Union[int, List[float]]:
    """The usual periods of times of frequency `offset` (hourly 24 and 168, half-hourly 48 and
    336, daily 7 and 365.25, weekly 52.18), else the single period of cycle_period."""
    for kinds, n, periods in _USUAL_PERIODS:
        if isinstance(offset, kinds) and abs(offset.n) == n:
            return list(periods)
    return cycle_period(offset)


def seasonal_periods(index: pd.Index) -> Union[int, List[float]]:
    """usual_periods of the index's frequency."""
    return usual_periods(frequency(index))


def future_index(index: pd.Index, horizon: int) -> pd.Index:
    """The index of the `horizon` times after `index`: the next dates or periods of a regular
    DatetimeIndex or PeriodIndex, the next integers of an integer index (by its last step), else
    the positions len(index), len(index) + 1, ..."""
    n = len(index)
    if n > 0:
        offset = frequency(index)
        if isinstance(index, pd.PeriodIndex):
            return pd.period_range(index[-1] + 1, periods=horizon, freq=index.freq,
                                   name=index.name)
        if isinstance(index, pd.DatetimeIndex) and offset is not None:
            return pd.date_range(index[-1] + offset, periods=horizon, freq=offset,
                                 tz=index.tz, name=index.name)
        if isinstance(index, pd.RangeIndex):
            return pd.RangeIndex(index.stop, index.stop + horizon * index.step, index.step,
                                 name=index.name)
        if pd.api.types.is_integer_dtype(index.dtype):
            step = int(index[-1] - index[-2]) if n >= 2 else 1
            step = step if step > 0 else 1
            return pd.Index(int(index[-1]) + step * np.arange(1, horizon + 1), name=index.name)
    return pd.RangeIndex(n, n + horizon, name=index.name)


class IrregularTimes(ValueError):
    """A series' times that are not one step apart; the text says where."""


def _show(t: object) -> str:
    if isinstance(t, pd.Timestamp) and t == t.normalize():
        return t.strftime("%Y-%m-%d")
    return str(t)


def time_step(times: pd.Index, freq: Optional[pd.DateOffset] = None,
              shared: Optional[pd.DateOffset] = None) -> Step:
    """The step of a series' times (sorted), checked to hold between every two of them.

    Periods step by their frequency; dates by `freq` when given, else by the frequency that
    pandas.infer_freq finds in them, or for fewer than three dates (too few for infer_freq) by
    `shared`, the frequency of the other series; integers by their first difference (1 for a
    single time). Raises IrregularTimes saying where the times break the step (a missing or
    repeated time, a time off the frequency)."""
    n = len(times)
    if times.hasnans:
        missing = int(times.isna().sum())
        raise IrregularTimes(f"{missing} of its times {'is' if missing == 1 else 'are'} missing")
    repeated = times.duplicated()
    if repeated.any():
        raise IrregularTimes(f"the time {_show(times[int(np.flatnonzero(repeated)[0])])} "
                             f"appears more than once")
    source = ""
    if isinstance(times, pd.PeriodIndex):
        step: Step = times.freq
        expected: pd.Index = pd.period_range(times[0], periods=n, freq=times.freq)
    elif isinstance(times, pd.DatetimeIndex):
        # pandas.infer_freq finds a frequency only in times that all follow it: the check
        # below (which builds every expected time) is needed only when it finds none, or
        # another than `freq`.
        inferred = pd.infer_freq(times) if n >= 3 else None
        if freq is not None:
            if inferred is not None and pd.tseries.frequencies.to_offset(inferred) == freq:
                return freq
            step, source = freq, f" (freq={freq.freqstr!r})"
        elif n >= 3:
            if inferred is not None:
                return pd.tseries.frequencies.to_offset(inferred)
            # Where the times break the frequency of their start, or of their end.
            start, end = pd.infer_freq(times[:3]), pd.infer_freq(times[-3:])
            if start is None and end is None:
                raise IrregularTimes(
                    f"pandas.infer_freq finds no frequency in its times "
                    f"{', '.join(_show(t) for t in times[:3])}, ...")
            inferred = start or end
            which = "first" if start else "last"
            source = f" (the frequency {inferred} of its {which} times)"
            step = pd.tseries.frequencies.to_offset(inferred)
        elif shared is not None:
            step, source = shared, f" (the frequency {shared.freqstr} of the other series)"
        else:
            raise IrregularTimes(f"its {n} time{'s' if n > 1 else ''} are too few for "
                                 f"pandas.infer_freq (3 are needed) and no other series gives "
                                 f"the frequency; pass freq=")
        expected = pd.date_range(times[0], periods=n, freq=step)
    else:
        values = np.asarray(times, dtype=np.int64)
        step = int(values[1] - values[0]) if n >= 2 else 1
        expected = pd.Index(values[0] + step * np.arange(n, dtype=np.int64))
    wrong = np.flatnonzero(np.asarray(times != expected))
    if len(wrong):
        i = int(wrong[0])
        if i == 0:
            raise IrregularTimes(f"its first time {_show(times[0])} is not on the "
                                 f"frequency{source}")
        raise IrregularTimes(f"after {_show(times[i - 1])} comes {_show(times[i])}, not "
                             f"{_show(expected[i])}{source}")
    return step


def frequency_name(step: Step) -> str:
    """A step as text: the offset's alias (M, H, W-SUN, ...) or the integer."""
    return step.freqstr if isinstance(step, pd.DateOffset) else str(step)


def continue_times(times: pd.Index, step: Step, horizon: int) -> pd.Index:
    """The `horizon` times after `times`, `step` apart, of the times' type."""
    if isinstance(times, pd.PeriodIndex):
        return pd.period_range(times[-1] + 1, periods=horizon, freq=times.freq)
    if isinstance(times, pd.DatetimeIndex):
        return pd.date_range(times[-1] + step, periods=horizon, freq=step)
    return pd.Index(int(times[-1]) + int(step) * np.arange(1, horizon + 1, dtype=np.int64))
