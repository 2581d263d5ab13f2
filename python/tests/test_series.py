"""The time axis: observations in as any 1-D array-like, the period that a pandas index's
frequency implies, and the forecasts' index continuing the observations' index."""
import numpy as np
import pandas as pd
import pytest

import vordex

N, H = 48, 5
VALUES = 20 + np.sin(np.arange(N)) + 0.1 * np.arange(N)


def _dates(freq, n=N):
    return pd.date_range("2001-01-01", periods=n, freq=freq)


def _without_freq(index):
    return pd.DatetimeIndex(list(index))  # a frequency pandas has to infer


# (index of the observations, expected period, expected index of the H forecasts); expected
# indexes are cut from a longer index built the same way.
CASES = {
    "monthly dates": (_dates("MS"), 12, _dates("MS", N + H)[N:]),
    "month ends, inferred": (_without_freq(_dates("M")), 12, _dates("M", N + H)[N:]),
    "quarterly periods": (pd.period_range("1990Q1", periods=N, freq="Q"), 4,
                          pd.period_range("1990Q1", periods=N + H, freq="Q")[N:]),
    "quarterly dates": (_dates("QS"), 4, _dates("QS", N + H)[N:]),
    "daily dates": (_dates("D"), 7, _dates("D", N + H)[N:]),
    "daily, inferred": (_without_freq(_dates("D")), 7, _dates("D", N + H)[N:]),
    "yearly periods": (pd.period_range("1950", periods=N, freq="A"), 1,
                       pd.period_range("1950", periods=N + H, freq="A")[N:]),
    "weekly dates": (_dates("W"), 1, _dates("W", N + H)[N:]),
    "hourly dates": (_dates("H"), 24, _dates("H", N + H)[N:]),
    "two-monthly dates": (_dates("2MS"), 6, _dates("2MS", N + H)[N:]),
    "integers by fives": (pd.Index(1900 + 5 * np.arange(N)), 1,
                          pd.Index(1900 + 5 * np.arange(N, N + H))),
    "range from one": (pd.RangeIndex(1, N + 1), 1, pd.RangeIndex(N + 1, N + H + 1)),
    "labels": (pd.Index([f"t{i}" for i in range(N)]), 1, pd.RangeIndex(N, N + H)),
}


@pytest.mark.parametrize("case", CASES, ids=list(CASES))
def test_forecasts_continue_the_index_of_the_observations(case):
    index, period, expected = CASES[case]
    y = pd.Series(VALUES, index=index)
    r = vordex.ets(y, error="additive", trend="none", season="none", horizon=H, paths=500)
    assert r.period == period
    pd.testing.assert_index_equal(r.forecast.index, expected, exact=False, check_names=False)
    assert r.fitted.index.equals(index) and r.residuals.index.equals(index)
    assert list(r.forecast.columns) == ["mean", "lower_80", "upper_80", "lower_95", "upper_95"]


@pytest.mark.parametrize("y", [list(VALUES), tuple(VALUES), VALUES.astype(np.float32),
                               np.round(VALUES).astype(np.int64), VALUES[::2].repeat(2),
                               pd.Series(VALUES, dtype="Float64"), np.asfortranarray(VALUES)],
                         ids=["list", "tuple", "float32", "int64", "strided", "nullable",
                              "fortran"])
def test_any_one_dimensional_sequence_of_numbers_is_taken(y):
    r = vordex.arima(y, order=(1, 0, 0), horizon=H)
    assert r.period == 1 and r.forecast.index.equals(pd.RangeIndex(N, N + H))
    assert r.y.to_numpy() == pytest.approx(np.asarray(y, dtype=float))


def test_a_given_period_overrides_the_index():
    y = pd.Series(VALUES, index=_dates("MS"))
    assert vordex.ets(y, period=4, horizon=0).period == 4
    assert vordex.arima(y, period=1, horizon=0).model == "ARIMA(0,1,1)"
