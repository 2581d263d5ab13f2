"""vordex.auto, vordex.auto_arima and vordex.theta: the combination as the mean of its members,
the search's report, and forecast_many with the automatic methods."""
from statistics import NormalDist

import numpy as np
import pandas as pd
import pytest

import vordex
from conftest import needs_batch, same_bits, sample

# Means of three numbers summed in another order differ in the last bit at most.
MEAN_REL = 1e-15


def test_the_combination_is_the_mean_of_its_members(airline):
    r = vordex.auto(airline, horizon=6, seed=3)
    assert set(r.members) == {"ets", "auto_arima", "theta"} and r.failures == []
    members = [r.members[k].forecast for k in ("ets", "auto_arima", "theta")]
    assert r.status is vordex.Status.OK and np.isnan(r.log_likelihood)
    for column in ("mean", "lower_80", "upper_80", "lower_95", "upper_95"):
        expected = (members[0][column] + members[1][column] + members[2][column]) / 3
        assert np.allclose(r.forecast[column], expected, rtol=MEAN_REL, atol=0)
    # The smoothing member is the automatic preset, as vordex.ets(auto=True) gives it.
    assert same_bits(r.members["ets"].forecast, vordex.ets(airline, auto=True, horizon=6,
                                                           seed=3).forecast)
    assert list(r.forecast.index) == list(pd.period_range("1961-01", periods=6, freq="M"))
    assert r.model == "mean of " + " + ".join(r.members[k].model
                                              for k in ("ets", "auto_arima", "theta"))
    # Its fitted values are the means of the members' where all three have one.
    fitted = np.array([m.fitted for m in r.members.values()])
    complete = ~np.isnan(fitted).any(axis=0)
    assert np.allclose(r.fitted[complete], fitted[:, complete].mean(axis=0), rtol=MEAN_REL, atol=0)
    assert np.allclose(r.residuals, airline - r.fitted, rtol=MEAN_REL, atol=0, equal_nan=True)


def test_a_series_with_a_gap_is_combined_from_all_three_members():
    # Each member predicts through the gap; the combination is their mean, with no residual
    # where no value was observed.
    y = list(100 + 10 * np.sin(np.arange(40)) + np.arange(40))
    y[20] = np.nan
    r = vordex.auto(y, horizon=2)
    assert r.status is vordex.Status.OK and list(r.members) == ["ets", "auto_arima", "theta"]
    means = np.array([m.forecast["mean"] for m in r.members.values()])
    assert np.allclose(r.forecast["mean"], means.mean(axis=0), rtol=MEAN_REL, atol=0)
    assert np.isnan(r.residuals.iloc[20]) and r.missing == 1


def test_a_series_too_short_for_every_member_gets_the_naive_forecast():
    # Two values: the naive forecast 2, whose one residual (1) gives sigma 1 and limits
    # 2 +- z sqrt(h) at horizon h.
    r = vordex.auto([1.0, 2.0], horizon=2)
    assert r.status is vordex.Status.FALLBACK and r.fallback == "naive" and not r.members
    h = np.arange(1, 3)
    for level in (80, 95):
        z = NormalDist().inv_cdf(0.5 + level / 200)
        assert np.allclose(r.forecast[f"upper_{level}"], 2 + z * np.sqrt(h), rtol=MEAN_REL)
        assert np.allclose(r.forecast[f"lower_{level}"], 2 - z * np.sqrt(h), rtol=MEAN_REL)
    assert r.forecast["mean"].tolist() == [2.0, 2.0]


def test_auto_arima_reports_its_search(airline):
    r = vordex.auto_arima(np.log(airline), horizon=2)
    # R 4.2 / forecast 8.20: auto.arima(log(AirPassengers)) chooses ARIMA(0,1,1)(0,1,1)[12].
    assert r.model == "ARIMA(0,1,1)(0,1,1)[12]"
    assert r.orders == (0, 1, 1, 0, 1, 1)
    assert r.aicc == r.path["aicc"].min()
    assert r.path.loc[r.path["aicc"].idxmin(), "model"] == r.model
    assert not r.path["model"].duplicated().any()


@needs_batch()
@pytest.mark.parametrize("method", ["auto_arima", "theta", "auto"])
def test_forecast_many_fits_each_series_as_alone(method):
    deaths = sample("usaccdeaths")
    frame = pd.DataFrame({"id": "deaths", "time": pd.date_range("1973-01-01", periods=len(
        deaths), freq="MS"), "value": list(deaths)})
    forecasts, summary = vordex.forecast_many(frame, method=method, horizon=3)
    y = pd.Series(list(deaths), index=pd.DatetimeIndex(frame["time"]))
    keywords = {"seed": vordex.series_seed("deaths")} if method == "auto" else {}
    alone = getattr(vordex, method)(y, horizon=3, **keywords)
    assert same_bits(forecasts.iloc[:, 2:], alone.forecast)
    assert summary["model"].item() == alone.model


@needs_batch()
def test_forecast_many_reports_a_warning_with_its_forecasts():
    frame = pd.DataFrame({"id": ["short", "short"], "time": [1, 2], "value": [1.0, 2.0]})
    forecasts, summary = vordex.forecast_many(frame, method="auto", horizon=2)
    assert summary[["status", "code", "message"]].values.tolist() == [["fallback", 602, ""]]
    assert forecasts["time"].tolist() == [3, 4] and not forecasts.isna().any().any()


def three_weeks_of_hours():
    hours = pd.date_range("2024-01-01", periods=24 * 7 * 3, freq="H")
    t = np.arange(len(hours))
    return hours, 100 + 10 * np.sin(2 * np.pi * t / 24) + 5 * np.cos(2 * np.pi * t / 168) + (
        t % 5) * 0.3


def test_periods_come_as_a_list_or_from_hourly_times():
    # Hours propose 24 and 168, as period=[24, 168] gives them; a single short integer period in
    # a list is that period.
    hours, y = three_weeks_of_hours()
    r = vordex.auto(pd.Series(y, index=hours), horizon=5)
    assert r.model.startswith("MSTL(24,168) + AR(")
    listed = vordex.auto(y, period=[24, 168], horizon=5)
    assert np.array_equal(r.forecast["mean"].to_numpy(), listed.forecast["mean"].to_numpy())
    assert "+ MSTL(52.18) + AR(" in vordex.auto(y[:200], period=52.18, horizon=3).model
    assert np.array_equal(vordex.auto(y[:100], period=[12], horizon=3).forecast["mean"],
                          vordex.auto(y[:100], period=12, horizon=3).forecast["mean"])


@needs_batch()
def test_forecast_many_proposes_the_usual_periods_of_hourly_times():
    hours, y = three_weeks_of_hours()
    frame = pd.DataFrame({"id": "load", "time": hours, "value": y})
    forecasts, summary = vordex.forecast_many(frame, method="auto", horizon=5)
    alone = vordex.auto(pd.Series(y, index=hours), horizon=5)
    assert summary["model"].item() == alone.model and alone.model.startswith("MSTL(24,168)")
    assert np.array_equal(forecasts["mean"].to_numpy(), alone.forecast["mean"].to_numpy())
