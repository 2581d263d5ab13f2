"""vordex.auto, vordex.auto_arima and vordex.theta: the command-line tool's numbers, the
combination as the mean of its members, and forecast_many with the automatic methods."""
import json
import subprocess

import numpy as np
import pandas as pd
import pytest

import vordex
from conftest import _cli, needs_batch, same_bits, sample


def test_the_automatic_methods_equal_the_cpp_api_bit_for_bit(airline):
    path = _cli()
    if path is None:
        pytest.skip("the vordex command-line tool is not built")
    for method, command in ((vordex.auto_arima, "auto-arima"), (vordex.theta, "theta"),
                            (vordex.auto, "auto")):
        r = method(airline, horizon=4, level=0.8)
        out = subprocess.run([path, command, "--dataset", "airline", "--horizon", "4", "--level",
                              "80", "--format", "json"], capture_output=True, text=True,
                             check=True).stdout
        rows = [[row[k] for k in ("forecast", "lower", "upper")]
                for row in json.loads(out)["forecasts"]]
        assert same_bits(r.forecast[["mean", "lower", "upper"]], rows), command


def test_the_combination_is_the_mean_of_its_members(airline):
    r = vordex.auto(airline, horizon=6, seed=3)
    assert set(r.members) == {"ets", "auto_arima", "theta"} and r.failures == []
    members = [r.members[k].forecast for k in ("ets", "auto_arima", "theta")]
    for column in ("mean", "lower", "upper"):
        expected = (members[0][column] + members[1][column] + members[2][column]) / 3
        assert np.allclose(r.forecast[column], expected, rtol=1e-15, atol=0)
    # The smoothing member is the automatic preset, as vordex.ets(auto=True) gives it.
    assert same_bits(r.members["ets"].forecast, vordex.ets(airline, auto=True, horizon=6,
                                                           seed=3).forecast)
    assert list(r.forecast.index) == list(pd.period_range("1961-01", periods=6, freq="M"))
    assert r.model.startswith("mean of ETS(")


def test_auto_arima_reports_its_search(airline):
    r = vordex.auto_arima(np.log(airline), horizon=2)
    # R 4.2 / forecast 8.20: auto.arima(log(AirPassengers)) chooses ARIMA(0,1,1)(0,1,1)[12].
    assert r.model == "ARIMA(0,1,1)(0,1,1)[12]"
    assert r.orders == (0, 1, 1, 0, 1, 1)
    assert r.aicc == r.path["aicc"].min()
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
    assert same_bits(forecasts[["mean", "lower", "upper"]], alone.forecast)
    assert summary["model"].item() == alone.model
