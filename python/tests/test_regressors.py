"""Regression with ARIMA errors from Python: frames of regressors and their future values
against R's arima(xreg =), and the ready-made regressors against R's fourier()."""
import numpy as np
import pandas as pd
import pytest

import vordex
from conftest import REPOSITORY

CLI_DATA = REPOSITORY / "tests" / "cli" / "data"
# Values printed with 17 digits, computed in another order of operations.
CLOSED_FORM = 1e-12
# R starts the seasonal difference's filter from a variance of 1e6 where ours is exactly
# diffuse; relative differences seen up to 8.4e-6.
APPROXIMATE_DIFFUSE = 5e-5
# Standard errors from two numerical Hessians (R's optim steps of 1e-3 of the parameter scale).
HESSIAN_REL = 1e-2


@pytest.fixture
def seatbelts():
    """Log drivers of R's Seatbelts to 1983-12, the law and the petrol price, and both
    regressors in 1984."""
    inside = pd.read_csv(CLI_DATA / "seatbelts.csv")
    ahead = pd.read_csv(CLI_DATA / "seatbelts_future.csv")
    index = pd.period_range("1969-01", periods=len(inside), freq="M")
    y = pd.Series(np.log(inside["drivers"].to_numpy(float)), index=index, name="drivers")
    return y, inside[["law", "PetrolPrice"]].set_axis(index), ahead[["law", "PetrolPrice"]]


def test_regression_matches_rs_arima_with_xreg(seatbelts):
    # R 4.2.2, stats: fit <- arima(log(drivers), order = c(1,0,0),
    #   seasonal = list(order = c(0,1,1), period = 12), xreg = cbind(law, PetrolPrice),
    #   method = "ML", optim.control = list(reltol = 1e-14, maxit = 1000)), to 1983-12;
    #   sqrt(diag(fit$var.coef)); predict(fit, 12, newxreg = <1984's regressors>)
    y, X, ahead = seatbelts
    r = vordex.arima(y, order=(1, 0, 0), seasonal=(0, 1, 1), transform="none", xreg=X,
                     future_xreg=ahead, level=95)
    assert r.log_likelihood == pytest.approx(179.839651854, rel=APPROXIMATE_DIFFUSE)
    assert r.params["law"] == pytest.approx(-0.22532106815, rel=APPROXIMATE_DIFFUSE)
    assert r.params["PetrolPrice"] == pytest.approx(-3.66917509049, rel=APPROXIMATE_DIFFUSE)
    assert r.regression["standard_error"].tolist() == pytest.approx([0.0403624, 0.844857],
                                                                    rel=HESSIAN_REL)
    assert len(r.forecast) == 12 and str(r.forecast.index[0]) == "1984-01"
    assert np.exp(r.forecast["mean"].iloc[0]) == pytest.approx(1193.33302212,
                                                               rel=APPROXIMATE_DIFFUSE)
    # An unnamed array gives R's names for unnamed columns; the numbers are the frame's.
    a = vordex.arima(y, order=(1, 0, 0), seasonal=(0, 1, 1), transform="none",
                     xreg=X.to_numpy(), future_xreg=ahead.to_numpy(), level=95)
    assert list(a.regression.index) == ["xreg1", "xreg2"]
    assert a.regression["estimate"].tolist() == r.regression["estimate"].tolist()


def test_bad_regressors_are_refused_naming_what_is_wrong(seatbelts):
    y, X, ahead = seatbelts
    with pytest.raises(vordex.Error, match="xreg has 179 rows; the series has 180"):
        vordex.arima(y, xreg=X.iloc[1:], future_xreg=ahead)
    with pytest.raises(vordex.Error, match=r"columns \['law'\]; the regressors are"):
        vordex.arima(y, xreg=X, future_xreg=ahead[["law"]])


def test_fourier_terms_match_rs_fourier():
    # R 4.2.2, forecast 8.20: y <- msts(numeric(120), seasonal.periods = c(7, 52.18))
    #   fourier(y, K = c(3, 2))[100, c(1, 7, 10)]; fourier(y, K = c(3, 2), h = 4)[4, 7]
    inside = vordex.fourier(120, [7, 52.18], [3, 2])
    assert inside.shape == (120, 10)
    assert inside.iloc[99][["S1-7", "S1-52", "C2-52"]].tolist() == pytest.approx(
        [0.97492791218182506, -0.50121612135085514, 0.49756479939600934], abs=CLOSED_FORM)
    ahead = vordex.fourier(120, [7, 52.18], [3, 2], horizon=4)
    assert list(ahead.index) == [120, 121, 122, 123]
    assert ahead["S1-52"].iloc[3] == pytest.approx(0.70090687859858825, abs=CLOSED_FORM)


def test_trend_and_events_follow_the_index():
    index = pd.period_range("2024-01", periods=12, freq="M")
    assert vordex.trend(index, horizon=2)["trend"].tolist() == [13.0, 14.0]
    # A date marks the month that holds it, in sample and ahead.
    marked = vordex.event(index, ["2024-12-25", "2025-02-03"])
    assert marked["event"].tolist() == [0.0] * 11 + [1.0]
    ahead = vordex.event(index, ["2024-12-25", "2025-02-03"], horizon=3)
    assert ahead["event"].tolist() == [0.0, 1.0, 0.0]
    assert vordex.event(5, [2, 4], name="sale")["sale"].tolist() == [0, 1, 0, 1, 0]


def test_forecast_many_takes_regressor_columns_and_a_long_future(seatbelts):
    y, X, ahead = seatbelts
    df = pd.concat([pd.DataFrame({"id": key, "time": y.index, "value": y.to_numpy() + shift,
                                  **{c: X[c].to_numpy() for c in X}})
                    for key, shift in (("a", 0.0), ("b", 1.0))])
    later = pd.period_range("1984-01", periods=12, freq="M")
    future = pd.concat([ahead.assign(id=key, time=later) for key in ("a", "b")])
    forecasts, summary = vordex.forecast_many(
        df, method="arima", order=(1, 0, 0), seasonal=(0, 1, 1), transform="none",
        xreg=["law", "PetrolPrice"], future=future.iloc[:-1], level=95)
    assert summary["status"].tolist() == ["ok", "ok"]
    # Each series as its own fit; series b's future lacks its last row, so its horizon is 11.
    single = vordex.arima(y, order=(1, 0, 0), seasonal=(0, 1, 1), transform="none", xreg=X,
                          future_xreg=ahead, level=95)
    a = forecasts[forecasts["id"] == "a"]
    assert a["mean"].tolist() == single.forecast["mean"].tolist()
    assert (forecasts["id"] == "b").sum() == 11
    # Series a's future starting a month late is refused; b is fitted.
    late = pd.concat([ahead.assign(id="a", time=later + 1), ahead.assign(id="b", time=later)])
    _, summary = vordex.forecast_many(df, method="arima", order=(1, 0, 0), seasonal=(0, 1, 1),
                                      transform="none", xreg=["law", "PetrolPrice"],
                                      future=late)
    assert summary["status"].tolist() == ["invalid_data", "ok"]
