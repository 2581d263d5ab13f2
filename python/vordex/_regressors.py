"""Regressors for regression with ARIMA errors: the matrices passed as ``xreg`` and
``future_xreg``, and the ready-made ones (Fourier terms, a trend, event dummies) built by the
library."""
from __future__ import annotations

from typing import Any, Iterable, List, Optional, Sequence, Tuple, Union

import numpy as np
import pandas as pd

from . import _vordex
from ._errors import Status, refused
from ._series import future_index

#: Regressors: a DataFrame (its columns are the names), a Series, or a 1-D or 2-D array
#: (named xreg, or xreg1, xreg2, ... as R names unnamed columns).
Matrix = Union[pd.DataFrame, pd.Series, np.ndarray, Sequence[Sequence[float]]]


def matrix(x: Matrix, what: str, rows: Optional[int] = None,
           names: Optional[List[str]] = None) -> Tuple[List[str], np.ndarray]:
    """`x` as (column names, values by columns); refuses another number of rows than `rows` and,
    with `names`, other column names."""
    if isinstance(x, pd.DataFrame):
        cols = [str(c) for c in x.columns]
        values = x.to_numpy(dtype=np.float64, na_value=np.nan)
    elif isinstance(x, pd.Series):
        cols = [str(x.name) if x.name is not None else "xreg"]
        values = x.to_numpy(dtype=np.float64, na_value=np.nan).reshape(-1, 1)
    else:
        values = np.asarray(x, dtype=np.float64)
        if values.ndim == 1:
            values = values.reshape(-1, 1)
        if values.ndim != 2:
            raise refused(Status.INVALID_DATA, f"{what} must be a DataFrame or a 1-D or 2-D "
                          f"array; got {values.ndim} dimensions")
        k = values.shape[1]
        cols = ["xreg"] if k == 1 else [f"xreg{j}" for j in range(1, k + 1)]
    if rows is not None and values.shape[0] != rows:
        raise refused(Status.INVALID_DATA, f"{what} has {values.shape[0]} rows; the series has "
                      f"{rows} values")
    if names is not None and cols != names:
        raise refused(Status.INVALID_DATA, f"{what} has the columns {cols}; the regressors are "
                      f"{names}")
    return cols, np.ascontiguousarray(values.T).ravel()


def settings_of(y_length: int, xreg: Optional[Matrix],
                future_xreg: Optional[Matrix]) -> dict:
    """The settings entries "regressors" and "future" (and the horizon the future gives)."""
    if xreg is None:
        if future_xreg is not None:
            raise refused(Status.INVALID_SETTINGS, "future_xreg needs xreg")
        return {}
    names, values = matrix(xreg, "xreg", y_length)
    out: dict = {"regressors": (names, values)}
    if future_xreg is None:
        out["future"] = (names, np.zeros(0))
        out["horizon"] = 0
    else:
        _, ahead = matrix(future_xreg, "future_xreg", names=names)
        out["future"] = (names, ahead)
        out["horizon"] = ahead.size // len(names)
    return out


def _axis(index_or_len: Union[int, pd.Index, pd.Series, pd.DataFrame]) -> pd.Index:
    if isinstance(index_or_len, (pd.Series, pd.DataFrame)):
        return index_or_len.index
    if isinstance(index_or_len, pd.Index):
        return index_or_len
    return pd.RangeIndex(int(index_or_len))


def _frame(made: Tuple[List[str], List[float], List[float]], index: pd.Index,
           horizon: Optional[int]) -> pd.DataFrame:
    names, inside, ahead = made
    k = len(names)
    if horizon is None:
        data = np.asarray(inside, dtype=np.float64).reshape(k, -1).T if k else None
        return pd.DataFrame(data, index=index, columns=names)
    data = np.asarray(ahead, dtype=np.float64).reshape(k, -1).T if k else None
    return pd.DataFrame(data, index=future_index(index, horizon), columns=names)


def fourier(index_or_len: Any, period: Union[float, Iterable[float]],
            K: Union[int, Iterable[int]], horizon: Optional[int] = None) -> pd.DataFrame:
    """Fourier terms, as R's ``forecast::fourier(x, K, h)``.

    For each period m (7, 12, 52.18, 365.25, ...) and k = 1..K, the columns ``Sk-m`` =
    sin(2 pi k t / m) and ``Ck-m`` = cos(2 pi k t / m), m rounded in the names; a frequency
    already taken for an earlier period is left out, and so is the sine of 2 k = m.

    Parameters
    ----------
    index_or_len : Series, DataFrame, Index or int
        The series' index (or its length n): the in-sample rows are t = 1..n.
    period : float or sequence of float
        The seasonal periods.
    K : int or sequence of int
        The number of sine and cosine pairs for each period, 2 K <= period.
    horizon : int, optional
        None: the in-sample rows on the index. Otherwise the `horizon` rows after them, on the
        continued index (the ``future_xreg`` of :func:`arima`).

    Returns
    -------
    DataFrame
        One column per term.

    Raises
    ------
    vordex.Error
        For a period that is not a positive number, or K below 1 or above half its period.

    Examples
    --------
    >>> import vordex
    >>> vordex.fourier(24, 12, 1).columns.tolist()
    ['S1-12', 'C1-12']
    >>> vordex.fourier(24, [12, 6], [2, 1], horizon=3).shape
    (3, 4)
    """
    index = _axis(index_or_len)
    periods = [float(p) for p in np.atleast_1d(period)]
    orders = [int(k) for k in np.atleast_1d(K)]
    return _frame(_vordex.fourier(len(index), horizon or 0, periods, orders), index, horizon)


def trend(index_or_len: Any, horizon: Optional[int] = None) -> pd.DataFrame:
    """The linear trend t = 1..n.

    Parameters
    ----------
    index_or_len : Series, DataFrame, Index or int
        The series' index (or its length n).
    horizon : int, optional
        None: t = 1..n on the index; otherwise n+1..n+horizon on the continued index.

    Returns
    -------
    DataFrame
        The column ``trend``.

    Raises
    ------
    vordex.Error
        For a negative horizon.

    Examples
    --------
    >>> import vordex
    >>> vordex.trend(3)["trend"].tolist(), vordex.trend(3, horizon=1)["trend"].tolist()
    ([1.0, 2.0, 3.0], [4.0])
    """
    index = _axis(index_or_len)
    return _frame(_vordex.trend(len(index), horizon or 0), index, horizon)


def event(index_or_len: Any, times: Iterable[Any], horizon: Optional[int] = None,
          name: str = "event") -> pd.DataFrame:
    """An event dummy: 1 in the rows whose interval holds one of `times`, 0 elsewhere.

    A row's interval runs from its time up to the next row's (the last one as long as the one
    before), so that a date marks the week or month that holds it.

    Parameters
    ----------
    index_or_len : Series, DataFrame, Index or int
        The series' index (or its length).
    times : sequence
        The events: dates on a DatetimeIndex or PeriodIndex, else 1-based positions.
    horizon : int, optional
        None: the in-sample rows; otherwise the `horizon` rows ahead, on the continued index.
    name : str, default "event"
        The column's name.

    Returns
    -------
    DataFrame
        The column `name`.

    Raises
    ------
    vordex.Error
        For an empty name or times that are not increasing.

    Examples
    --------
    >>> import vordex
    >>> vordex.event(5, [2, 4])["event"].tolist()
    [0.0, 1.0, 0.0, 1.0, 0.0]
    """
    index = _axis(index_or_len)
    h = horizon or 0
    if isinstance(index, (pd.DatetimeIndex, pd.PeriodIndex)):
        ahead = future_index(index, h)

        def days(t: Any) -> np.ndarray:
            stamps = t.to_timestamp() if isinstance(t, pd.PeriodIndex) else pd.DatetimeIndex(t)
            return (stamps.tz_localize(None) if stamps.tz is not None else stamps).asi8 / 86.4e12

        made = _vordex.event_times(name, list(days(index)), list(days(ahead)),
                                   list(days(pd.DatetimeIndex(pd.to_datetime(list(times))))))
    else:
        made = _vordex.event_positions(name, len(index), h, [int(t) for t in times])
    return _frame(made, index, horizon)
