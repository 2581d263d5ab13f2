"""Every failure raises vordex.Error, a ValueError with the status and the text of the check or
engine that refused the request."""
import pickle
import re

import numpy as np
import pandas as pd
import pytest

import vordex
from conftest import REPOSITORY
from vordex import Status

Y = list(100 + 10 * np.sin(np.arange(40)) + np.arange(40))
WITH_INF = Y[:20] + [np.inf] + Y[21:]

# (call, status, text of the refusal); the texts of the library's checks and engines are their
# own, which the error's message and its messages carry.
CASES = {
    "infinite, ets": (lambda: vordex.ets(WITH_INF), Status.ETS_NON_FINITE_DATA,
                      "Data contain missing or non-finite values"),
    "infinite, arima": (lambda: vordex.arima(WITH_INF), Status.INVALID_DATA,
                        "the observation at time 21 is infinite"),
    "negative, armax": (lambda: vordex.armax([-1.0] + Y[1:], transform="log"), Status.ENGINE_FAILED,
                        "requested transform could not be performed"),
    "2-d array": (lambda: vordex.arima(np.ones((10, 2))), Status.NOT_ONE_DIMENSION,
                  "one-dimensional"),
    "data frame": (lambda: vordex.ets(pd.DataFrame({"y": Y})), Status.NOT_ONE_DIMENSION,
                   "one-dimensional"),
    "scalar": (lambda: vordex.ets(3.0), Status.NOT_ONE_DIMENSION, "one-dimensional"),
    "strings": (lambda: vordex.arima(np.array(["1", "2", "3"])), Status.INVALID_DATA,
                "must be numbers"),
    "string among numbers": (lambda: vordex.ets([1.0, "x", 3.0]), Status.INVALID_DATA,
                             "observation 1 is 'x'"),
    "dates": (lambda: vordex.ets(pd.Series(pd.date_range("2000", periods=5))), Status.INVALID_DATA,
              "must be numbers"),
    "complex": (lambda: vordex.ets(np.ones(5, complex)), Status.INVALID_DATA, "must be numbers"),
    "too short for the season": (lambda: vordex.arima(Y[:20], period=12),
                                 Status.ARIMA_TOO_FEW_FOR_SEASONAL,
                                 "Insufficient data for estimation of a seasonal model"),
    "too short, armax": (lambda: vordex.armax(Y[:7], period=4), Status.ARMAX_TOO_FEW_FOR_PERIOD,
                         "Insufficient data: too few observations"),
    "no observations": (lambda: vordex.arima([]), Status.ARIMA_NO_OBSERVATIONS,
                        "Number of observations zero or negative"),
    "one observation, ets": (lambda: vordex.ets([5.0]), Status.ENGINE_FAILED,
                             "Insufficient data"),
    "too many observations": (lambda: vordex.ets(np.ones(10_000_001)),
                              Status.TOO_MANY_OBSERVATIONS, "exceeds the limit of 10000000"),
    "order too high": (lambda: vordex.arima(Y, order=(13, 0, 0)), Status.ARIMA_ORDER_TOO_HIGH,
                       "ARIMA (p,q) order too high"),
    "period too large": (lambda: vordex.arima(Y, period=30), Status.ARIMA_PERIOD_TOO_LARGE,
                         "Seasonal frequency exceeds MAXS"),
    "too few paths": (lambda: vordex.ets(Y, paths=100), Status.ETS_PATHS_OUT_OF_RANGE,
                      "#Bootstrap samples must be between 500 & 50000"),
    "level above 100": (lambda: vordex.ets(Y, level=150), Status.INVALID_SETTINGS,
                        "level must be in percent (0, 100); got 150"),
    "level as a fraction": (lambda: vordex.arima(Y, level=[0.95]), Status.INVALID_SETTINGS,
                            "level must be in percent (0, 100); got 0.95 - did you mean 95?"),
    "level repeated": (lambda: vordex.theta(Y, level=[80, 80]), Status.INVALID_SETTINGS,
                       "level must not repeat"),
    "critical value not positive": (lambda: vordex.armax(Y, critical_value=-1),
                                    Status.INVALID_SETTINGS, "critical value must be a positive number"),
    "season without period": (lambda: vordex.ets(Y, season="additive", period=1),
                              Status.ETS_SEASONAL_FOR_NON_SEASONAL,
                              "Seasonal model requested for nonseasonal data"),
    "multiplicative with zeros": (lambda: vordex.ets([0.0] + Y, error="multiplicative"),
                                  Status.ETS_ZEROS_IN_MULTIPLICATIVE, "Data contains zeros"),
    "negative horizon": (lambda: vordex.armax(Y, horizon=-1), Status.ARMAX_NEGATIVE_HORIZON,
                         "Invalid forecast horizon (h < 0)"),
    "log of zero": (lambda: vordex.arima([0.0] + Y, transform="log"), Status.INVALID_DATA,
                    "can't take the log of zero or negative values (the observation at time 1)"),
    "unknown transform": (lambda: vordex.arima(Y, transform="cube"), Status.INVALID_SETTINGS,
                          "transform must be one of 'none', 'log', 'sqrt', 'boxcox'; got 'cube'"),
    "unknown trend": (lambda: vordex.ets(Y, trend="quadratic"), Status.INVALID_SETTINGS,
                      "trend must be one of 'none', 'additive', 'multiplicative', 'damped', "
                      "'auto'; got 'quadratic'"),
    "name of another setting": (lambda: vordex.ets(Y, criterion="bootstrap"),
                                Status.INVALID_SETTINGS, "criterion must be one of"),
    "two orders": (lambda: vordex.arima(Y, order=(1, 1)), Status.INVALID_SETTINGS,
                   "order must be three integers"),
    "fractional period": (lambda: vordex.ets(Y, period=1.5), Status.INVALID_SETTINGS,
                          "period must be an integer; got 1.5"),
    "negative seed": (lambda: vordex.ets(Y, seed=-1), Status.INVALID_SETTINGS,
                      "seed must be an integer"),
    "three bounds": (lambda: vordex.ets(Y, bounds=[(0.1, 0.9)] * 3), Status.INVALID_SETTINGS,
                     "bounds must be one (lower, upper) pair or four pairs"),
}


@pytest.mark.parametrize("case", CASES, ids=list(CASES))
def test_refused_requests_raise_the_error_with_its_status_and_text(case):
    call, status, text = CASES[case]
    with pytest.raises(vordex.Error) as caught:
        call()
    error = caught.value
    assert isinstance(error, ValueError)
    assert error.status is status and not status.succeeded
    assert text in str(error) and " ".join(error.text.split()) in str(error)
    assert all(isinstance(m, vordex.Message) for m in error.messages)


def test_the_error_survives_pickling():
    # Dask workers send errors back to the client pickled.
    with pytest.raises(vordex.Error) as caught:
        vordex.ets(WITH_INF)
    copy = pickle.loads(pickle.dumps(caught.value))
    assert (copy.status, copy.text, str(copy), copy.messages) == (
        caught.value.status, caught.value.text, str(caught.value), caught.value.messages)
    assert copy.messages


def test_the_status_enum_names_every_status_of_the_public_header():
    # The enumerators kArimaTooFewForSeasonal = 144 of status.hpp, in upper case with
    # underscores, are the members; their values the codes; the warnings are 600..699.
    header = (REPOSITORY / "include" / "vordex" / "status.hpp").read_text()
    declared = {re.sub(r"(?<!^)(?=[A-Z])", "_", name).upper(): int(code)
                for name, code in re.findall(r"^\s+k(\w+) = (-?\d+),", header, re.M)}
    assert {s.name: s.value for s in Status} == declared
    assert [s.name for s in Status if s.is_warning] == ["SINGLE_MEMBER", "FALLBACK"]
    assert [s.name for s in Status if s.succeeded] == ["OK", "SINGLE_MEMBER", "FALLBACK"]
