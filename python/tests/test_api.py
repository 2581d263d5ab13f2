"""vordex.arima, vordex.ets and vordex.armax: published values, levels in percent, the library's
names, and the fitted values and residuals on the observations' time axis."""
import math
from statistics import NormalDist

import numpy as np
import pytest

import vordex
from conftest import sample, same_bits

# R's stats::arima(log(AirPassengers), c(0,1,1), seasonal = c(0,1,1), method = "ML"), as
# published: theta 0.4018, Theta 0.5569 (R's MA signs are the opposite of Box-Jenkins'),
# log-likelihood 244.70, sigma^2 0.001348; the tolerances are half the last printed digit.
AIRLINE = {"ma1": (0.4018, 5e-5), "sma1": (0.5569, 5e-5)}
AIRLINE_LOG_LIKELIHOOD = (244.70, 5e-3)
AIRLINE_SIGMA2 = (0.001348, 5e-7)
# Two fits of one model from inputs that differ in the last bits stop within this of each other.
OPTIMUM_REL = 1e-8
# Closed forms evaluated in a different order of operations.
CLOSED_FORM_REL = 1e-12
# A difference of two criteria near 500 keeps about 13 of their 16 digits.
DIFFERENCE_REL = 1e-9


@pytest.mark.parametrize("method", [vordex.arima, vordex.armax])
def test_airline_model_matches_published_values(airline, method):
    r = method(airline, order=(0, 1, 1), seasonal=(0, 1, 1), transform="log")
    for name, (value, tolerance) in AIRLINE.items():
        assert r.params[name] == pytest.approx(value, abs=tolerance)
    assert r.log_likelihood == pytest.approx(AIRLINE_LOG_LIKELIHOOD[0],
                                             abs=AIRLINE_LOG_LIKELIHOOD[1])
    assert r.sigma2 == pytest.approx(AIRLINE_SIGMA2[0], abs=AIRLINE_SIGMA2[1])
    assert r.period == 12 and r.transform == "log"  # the period from the monthly PeriodIndex
    assert r.model == "ARIMA(0,1,1)(0,1,1)[12]" and r.status is vordex.Status.OK


def test_information_criteria_count_as_r_does(airline):
    # R 4.2.2, forecast 8.20: Arima(log(AirPassengers), c(0,1,1), seasonal = c(0,1,1),
    # method = "ML") counts k = 3 parameters (ma1, sma1, sigma2) over the n = 144 - 13 values the
    # differenced model explains: aicc - aic = 2k(k+1)/(n-k-1) = 0.1889764,
    # bic - aic = k(log n - 2) = 8.625592.
    r = vordex.arima(airline, transform="log", horizon=0)
    k, n = 3, 131
    assert r.aic == pytest.approx(-2 * r.log_likelihood + 2 * k, rel=CLOSED_FORM_REL)
    assert r.aicc - r.aic == pytest.approx(2 * k * (k + 1) / (n - k - 1), rel=DIFFERENCE_REL)
    assert r.bic - r.aic == pytest.approx(k * (math.log(n) - 2), rel=DIFFERENCE_REL)


def test_levels_are_percent_and_set_the_limits_by_the_normal_quantile(airline):
    # On the log scale each limit lies z standard errors from the forecast, so the log-width of
    # the band scales with z: level 80 (z of 0.9) and 99.5 against critical value 1.
    r = vordex.arima(airline, transform="log", horizon=6, level=[99.5, 80])
    unit = vordex.arima(airline, transform="log", horizon=6, critical_value=1.0)
    assert list(r.forecast.columns) == ["mean", "lower_99.5", "upper_99.5", "lower_80",
                                        "upper_80"]
    assert r.levels == [99.5, 80.0]
    one = np.log(unit.forecast.iloc[:, 2] / unit.forecast["mean"]).to_numpy()
    for level in (80, 99.5):
        z = NormalDist().inv_cdf(0.5 + level / 200)
        assert np.log(r.forecast[f"upper_{level}"] / r.forecast["mean"]).to_numpy() == \
            pytest.approx(z * one, rel=CLOSED_FORM_REL)
    # The critical value's one pair of limits is named by its normal coverage 100 erf(1/sqrt 2).
    assert unit.levels == pytest.approx([100 * math.erf(1 / math.sqrt(2))], rel=CLOSED_FORM_REL)
    assert list(unit.forecast.columns) == ["mean", "lower_68.26894921", "upper_68.26894921"]


def test_a_single_level_and_the_default_levels(airline):
    one = vordex.ets(airline, horizon=4, level=95, seed=1).forecast
    both = vordex.ets(airline, horizon=4, seed=1).forecast
    assert list(both.columns) == ["mean", "lower_80", "upper_80", "lower_95", "upper_95"]
    assert same_bits(one, both[["mean", "lower_95", "upper_95"]])
    # Limits nest: the 80% band inside the 95% band, the mean inside both.
    assert (both["lower_95"] <= both["lower_80"]).all() and (both["lower_80"] < both["mean"]).all()
    assert (both["mean"] < both["upper_80"]).all() and (both["upper_80"] <= both["upper_95"]).all()


def test_names_take_the_librarys_aliases_and_any_case(airline):
    # ETS(A,N,A) by its letters, upper-case names and the "amse" alias of average_mse, and with
    # the canonical names, is the same request.
    short = vordex.ets(airline, error="A", trend="N", season="ADDITIVE", criterion="amse",
                       horizon=3, paths=500)
    full = vordex.ets(airline, error="additive", trend="none", season="additive",
                      criterion="average_mse", horizon=3, paths=500)
    assert short.model == "ETS(A,N,A)" and short.components == ("additive", "none", "additive")
    assert same_bits(short.forecast, full.forecast)
    assert not short.searched and set(short.params) >= {"alpha", "gamma", "initial_season1"}
    assert vordex.names["criterion"] == ("mse", "average_mse", "sigma", "mape", "likelihood")


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
    assert (r.fitted + r.residuals).to_numpy()[1:] == pytest.approx(y[1:], rel=CLOSED_FORM_REL)


@pytest.mark.parametrize("method", [vordex.arima, vordex.armax, vordex.ets])
def test_fitted_values_come_back_on_the_scale_of_the_observations(airline, method):
    # A model of the log series fitted with the log transform, or fitted to the logged series
    # directly, has the same one-step predictions, the first back on the series' own scale.
    model = {"error": "additive", "trend": "additive", "season": "additive"} \
        if method is vordex.ets else {}
    logged = method(airline, transform="log", horizon=0, **model)
    direct = method(np.log(airline), horizon=0, **model)
    assert logged.fitted.isna().sum() == direct.fitted.isna().sum()
    assert logged.fitted.to_numpy() == pytest.approx(np.exp(direct.fitted.to_numpy()),
                                                     rel=OPTIMUM_REL, nan_ok=True)
    assert logged.residuals.to_numpy() == pytest.approx(direct.residuals.to_numpy(),
                                                        abs=OPTIMUM_REL, nan_ok=True)


def test_plain_sequences_work_and_get_period_one():
    r = vordex.arima(list(sample("nile")), order=(1, 0, 0), constant=True, horizon=4)
    assert r.period == 1 and r.model == "ARIMA(1,0,0) with constant"
    assert "constant" in r.params and list(r.forecast.index) == [100, 101, 102, 103]


def test_repr_and_summary_name_the_model_and_statistics(airline):
    r = vordex.arima(airline, transform="log", horizon=2)
    assert "ARIMA(0,1,1)(0,1,1)[12]" in repr(r) and "log_likelihood=244.696" in repr(r)
    text = str(r.summary())
    for part in ("Model:", "ma1", "sma1", "aicc", "Forecasts (80%, 95% limits)", "upper_95",
                 "1961-02"):
        assert part in text


@pytest.mark.parametrize("method", [vordex.arima, vordex.ets, vordex.auto_arima, vordex.theta,
                                    vordex.auto])
def test_box_cox_reaches_every_method_and_its_bias_adjustment_raises_the_mean(airline, method):
    # A concave transform (lambda 0.3 < 1): back-transformed means exceed medians, and the
    # adjustment moves the point forecasts only, never the limits (Hyndman and Athanasopoulos,
    # Forecasting: Principles and Practice, 3rd ed., section 5.6).
    median = method(airline, transform=vordex.BoxCox(0.3), horizon=3).forecast
    mean = method(airline, transform=vordex.BoxCox(0.3, bias_adjusted=True), horizon=3).forecast
    assert (mean["mean"] > median["mean"]).all()
    limits = [c for c in median if c != "mean"]
    assert same_bits(mean[limits], median[limits])


def test_box_cox_with_lambda_zero_is_the_log(airline):
    log = vordex.arima(airline, transform="log", horizon=3)
    box_cox = vordex.arima(airline, transform=vordex.BoxCox(0.0), horizon=3)
    assert same_bits(box_cox.forecast, log.forecast)
