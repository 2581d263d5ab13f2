"""vordex.arima, vordex.ets and vordex.armax: published values, the C++ API's numbers, and the
fitted values and residuals on the observations' time axis."""
import math
from statistics import NormalDist

import numpy as np
import pytest

import vordex
from conftest import sample, same_bits

# R's stats::arima(log(AirPassengers), c(0,1,1), seasonal = c(0,1,1), method = "ML"), as
# published: theta 0.4018, Theta 0.5569 (R's MA signs are the opposite of Box-Jenkins'),
# log-likelihood 244.70, sigma^2 0.001348; the tolerances are half the last printed digit.
# Two fits of one model from inputs that differ in the last bits stop within this of each other.
OPTIMUM_REL = 1e-8
AIRLINE = {"ma1": (0.4018, 5e-5), "sma1": (0.5569, 5e-5)}
AIRLINE_LOGLIK = (244.70, 5e-3)
AIRLINE_SIGMA2 = (0.001348, 5e-7)


@pytest.mark.parametrize("method", [vordex.arima, vordex.armax])
def test_airline_model_matches_published_values(airline, method):
    r = method(airline, order=(0, 1, 1), seasonal=(0, 1, 1), transform="log")
    for name, (value, tolerance) in AIRLINE.items():
        assert r.params[name] == pytest.approx(value, abs=tolerance)
    assert r.loglik == pytest.approx(AIRLINE_LOGLIK[0], abs=AIRLINE_LOGLIK[1])
    assert r.sigma2 == pytest.approx(AIRLINE_SIGMA2[0], abs=AIRLINE_SIGMA2[1])
    assert r.period == 12  # from the monthly PeriodIndex
    assert r.model.startswith("ARIMA(0,1,1)(0,1,1)[12]" if method is vordex.arima else "ARMAX")


def test_arima_equals_the_cpp_api_bit_for_bit(airline, cli):
    z = NormalDist().inv_cdf(0.975)
    r = vordex.arima(airline, transform="log", horizon=12)
    out, rows = cli("arima", "--order", "0,1,1", "--seasonal", "0,1,1", "--period", "12",
                    "--transform", "log", "--horizon", "12", "--critical", repr(z), "--dataset",
                    "airline")
    assert same_bits(r.forecast[["mean", "lower", "upper"]], rows)
    assert same_bits([r.params["ma1"], r.params["sma1"]],
                     [float(out[""][k]) for k in ("ma1", "sma1")])
    assert same_bits([r.loglik, r.aic, r.sigma2], [
        float(out["statistics"][k]) for k in ("log_likelihood", "aic", "sigma2")])


def test_ets_equals_the_cpp_api_bit_for_bit(airline, cli):
    r = vordex.ets(airline, horizon=6, seed=42, level=0.9)
    out, rows = cli("ets", "--dataset", "airline", "--horizon", "6", "--seed", "42", "--level",
                    "90")
    assert same_bits(r.forecast, rows)
    model = out[""]
    assert r.components == ("M", "A", "M")
    assert (model["error"], model["trend"], model["season"]) == (
        "multiplicative", "additive", "multiplicative")
    parameters, states = out["parameters"], out["initial_states"]
    assert same_bits([r.params[k] for k in ("alpha", "beta", "gamma")],
                     [float(parameters[k]) for k in ("alpha", "beta", "gamma")])
    assert same_bits([r.params[k] for k in ("initial_level", "initial_trend", "initial_season12")],
                     [float(states[k]) for k in ("level", "trend", "season12")])
    assert same_bits([r.loglik, r.aic, r.mape], [
        float(out["statistics"][k]) for k in ("log_likelihood", "aic", "mape")])


def test_armax_equals_the_cpp_api_bit_for_bit(airline, cli):
    r = vordex.armax(airline, transform="log", horizon=3, critical_value=1.96)
    out, rows = cli("armax", "--order", "0,1,1", "--seasonal", "0,1,1", "--transform", "log",
                    "--horizon", "3", "--dataset", "airline")
    assert same_bits(r.forecast, rows)
    assert same_bits([r.params["ma1"], r.params["sma1"]],
                     [float(out["coefficients"][k]) for k in ("ma1", "sma1")])
    assert same_bits([r.loglik, r.sum_of_squares, r.sigma2], [
        float(out["statistics"][k]) for k in ("log_likelihood", "sum_of_squares", "sigma2")])


def test_level_sets_the_limits_by_the_normal_quantile(airline):
    # On the log scale each limit lies z standard errors from the forecast, so the log-width of
    # the band scales with z: level 0.80 against critical value 1.0.
    wide = vordex.arima(airline, transform="log", horizon=6, level=0.8).forecast
    unit = vordex.arima(airline, transform="log", horizon=6, critical_value=1.0).forecast
    z = NormalDist().inv_cdf(0.9)
    assert np.log(wide.upper / wide["mean"]).to_numpy() == pytest.approx(
        z * np.log(unit.upper / unit["mean"]).to_numpy(), rel=1e-12)


def test_arima_fitted_values_are_the_one_step_predictions():
    # ARIMA(0,1,1): y_t = y_{t-1} + e_t - theta e_{t-1}, so the prediction of y_t given the past
    # is y_{t-1} - theta e_{t-1} once the exact likelihood's start-up has died out.
    nile = sample("nile")
    r = vordex.arima(nile, order=(0, 1, 1), horizon=0)
    theta, y, e = r.params["ma1"], nile.to_numpy(), r.residuals.to_numpy()
    assert math.isnan(r.fitted.iloc[0]) and r.fitted.index.equals(nile.index)
    tail = slice(50, None)
    expected = (y[:-1] - theta * e[:-1])[49:]
    assert r.fitted.to_numpy()[tail] == pytest.approx(expected, rel=1e-9)
    assert (r.fitted + r.residuals).to_numpy()[1:] == pytest.approx(y[1:], rel=1e-12)


@pytest.mark.parametrize("method", [vordex.arima, vordex.armax])
def test_fitted_values_come_back_on_the_scale_of_the_observations(airline, method):
    # A model of the log series fitted with the log transform, or fitted to the logged series
    # directly, has the same one-step predictions, the first back on the series' own scale.
    logged = method(airline, transform="log", horizon=0)
    direct = method(np.log(airline), horizon=0)
    assert logged.fitted.isna().sum() == direct.fitted.isna().sum() == 13
    assert logged.fitted.to_numpy() == pytest.approx(np.exp(direct.fitted.to_numpy()),
                                                     rel=OPTIMUM_REL, nan_ok=True)
    assert logged.residuals.to_numpy() == pytest.approx(direct.residuals.to_numpy(),
                                                        abs=OPTIMUM_REL, nan_ok=True)


def test_ets_fitted_plus_residuals_give_the_observations(airline):
    r = vordex.ets(airline, error="additive", trend="none", season="additive", horizon=3)
    assert r.model == "ETS(A,N,A)" and not r.searched
    assert (r.fitted + r.residuals).to_numpy() == pytest.approx(airline.to_numpy(), rel=1e-12)
    assert set(r.params) >= {"alpha", "gamma", "initial_level", "initial_season1"}


def test_plain_sequences_work_and_get_period_one():
    r = vordex.arima(list(sample("nile")), order=(1, 0, 0), mean=True, horizon=4)
    assert r.period == 1 and r.model == "ARIMA(1,0,0) with mean"
    assert "constant" in r.params and list(r.forecast.index) == [100, 101, 102, 103]


def test_repr_and_summary_name_the_model_and_statistics(airline):
    r = vordex.arima(airline, transform="log", horizon=2)
    assert "ARIMA(0,1,1)(0,1,1)[12]" in repr(r) and "loglik=244.696" in repr(r)
    text = str(r.summary())
    for part in ("Model:", "ma1", "sma1", "aic", "Forecasts (95% limits)", "1961-02"):
        assert part in text
