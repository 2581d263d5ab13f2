"""Observations in, and the time axis out: pandas indexes, the seasonal period their frequency
implies, and their continuation into the forecast horizon."""
import numbers

import numpy as np
import pandas as pd

from ._errors import Status, refused

# Seasonal periods of pandas offsets: the number of periods in the cycle that the engines model
# (a year, or a week for days, or a day for hours). A cycle longer than the engines' largest
# period, 24, is not modelled: weekly data get 1, like every offset not listed.
_CYCLES = [
    ((pd.offsets.YearBegin, pd.offsets.YearEnd, pd.offsets.BYearBegin, pd.offsets.BYearEnd), 1),
    ((pd.offsets.QuarterBegin, pd.offsets.QuarterEnd, pd.offsets.BQuarterBegin,
      pd.offsets.BQuarterEnd), 4),
    ((pd.offsets.MonthBegin, pd.offsets.MonthEnd, pd.offsets.BusinessMonthBegin,
      pd.offsets.BusinessMonthEnd), 12),
    ((pd.offsets.SemiMonthBegin, pd.offsets.SemiMonthEnd), 24),
    ((pd.offsets.Day,), 7),
    ((pd.offsets.BusinessDay,), 5),
    ((pd.offsets.Hour,), 24),
]


def observations(y):
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


def _not_numbers(dtype):
    return refused(Status.INVALID_DATA, f"The observations must be numbers; got dtype {dtype}")


def _numbers_from_objects(values):
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


def frequency(index):
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


def period_of(index):
    """The seasonal period that the index's frequency implies (see _CYCLES; a multiple of a
    unit divides the cycle when it can: two-monthly data have period 6), else 1."""
    offset = frequency(index)
    if offset is None:
        return 1
    for kinds, cycle in _CYCLES:
        if isinstance(offset, kinds):
            n = abs(offset.n)
            return cycle // n if n and cycle % n == 0 else 1
    return 1


def future_index(index, horizon):
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
