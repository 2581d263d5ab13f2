"""vordex.forecast_many: many series of a long DataFrame, bad ones reported among good ones, each
series' numbers those of its own single-series fit."""
import numpy as np
import pandas as pd
import pytest

import vordex
from conftest import needs_batch, same_bits, sample

pytestmark = needs_batch()


def _long(name, y, start="1949-01-01"):
    return pd.DataFrame({"id": name, "time": pd.date_range(start, periods=len(y), freq="MS"),
                         "value": list(y)})


@pytest.fixture(scope="module")
def frame():
    """Two good monthly series and three bad ones; the text makes the value column objects.
    Rows are shuffled: forecast_many puts each series in time order."""
    airline, deaths = sample("airline"), sample("usaccdeaths")
    gap = list(deaths)
    gap[30] = np.nan
    text = list(deaths[:40])
    text[7] = "n/a"
    parts = [_long("airline", airline), _long("deaths", deaths, "1973-01-01"),
             _long("gap", gap), _long("text", text), _long("single", [42.0])]
    return pd.concat(parts).sample(frac=1.0, random_state=1).reset_index(drop=True)


def test_bad_series_are_reported_among_good_ones(frame):
    forecasts, summary = vordex.forecast_many(frame, horizon=6)
    status = dict(zip(summary["id"], summary["status"]))
    assert status == {"airline": "OK", "deaths": "OK", "gap": "ETS_NON_FINITE_DATA",
                      "text": "DATA_READ", "single": "ENGINE_FAILED"}
    messages = dict(zip(summary["id"], summary["message"]))
    assert "non-finite" in messages["gap"] and "'n/a'" in messages["text"]
    assert summary.set_index("id").loc["airline", ["n", "period"]].tolist() == [144, 12]
    assert sorted(forecasts["id"].unique()) == ["airline", "deaths"]
    airline = forecasts[forecasts["id"] == "airline"]
    assert list(airline["step"]) == [1, 2, 3, 4, 5, 6]
    assert list(airline["time"]) == list(pd.date_range("1961-01-01", periods=6, freq="MS"))


def test_each_series_equals_its_own_single_series_fit(frame):
    forecasts, summary = vordex.forecast_many(frame, horizon=6, seed=7)
    for name in ("airline", "deaths"):
        rows = frame[frame["id"] == name].sort_values("time")
        y = pd.Series(rows["value"].astype(float).to_numpy(), index=pd.DatetimeIndex(
            rows["time"]))
        alone = vordex.ets(y, horizon=6, seed=vordex.series_seed(name, 7))
        got = forecasts[forecasts["id"] == name]
        assert same_bits(got[["mean", "lower", "upper"]], alone.forecast)
        assert same_bits(summary.loc[summary["id"] == name, ["loglik", "aic", "sigma2"]],
                         [[alone.loglik, alone.aic, alone.sigma2]])
        assert summary.loc[summary["id"] == name, "model"].item() == alone.model


def test_results_depend_neither_on_threads_nor_on_the_other_series(frame):
    many, _ = vordex.forecast_many(frame, horizon=6, n_jobs=2)
    one, _ = vordex.forecast_many(frame, horizon=6, n_jobs=1)
    alone, _ = vordex.forecast_many(frame[frame["id"] == "deaths"], horizon=6)
    pd.testing.assert_frame_equal(many, one, check_exact=True)
    deaths = many[many["id"] == "deaths"].reset_index(drop=True)
    assert same_bits(deaths[["mean", "lower", "upper"]], alone[["mean", "lower", "upper"]])


def test_errors_raise_names_the_first_bad_series(frame):
    with pytest.raises(vordex.Error, match="series 'gap'") as caught:
        vordex.forecast_many(frame, horizon=6, errors="raise")
    assert caught.value.status is vordex.Status.ETS_NON_FINITE_DATA


def test_period_and_horizon_may_come_from_columns():
    # The layout of the M1 competition's files: integer times, a frequency and a horizon per
    # series; ARIMA's seasonal part follows each series' period.
    quarterly = sample("ukgas")
    nile = sample("nile")
    frame = pd.DataFrame({
        "series": ["gas"] * len(quarterly) + ["nile"] * len(nile),
        "t": np.r_[np.arange(1, len(quarterly) + 1), np.arange(1, len(nile) + 1)],
        "y": np.r_[quarterly, nile],
        "frequency": [4] * len(quarterly) + [1] * len(nile),
        "h": [8] * len(quarterly) + [3] * len(nile)})
    forecasts, summary = vordex.forecast_many(
        frame, id="series", time="t", value="y", method="arima", period="frequency",
        horizon="h", transform="log")
    assert summary["model"].tolist() == ["ARIMA(0,1,1)(0,1,1)[4]", "ARIMA(0,1,1)"]
    assert forecasts.groupby("series")["t"].agg(list).to_dict() == {
        "gas": list(range(109, 117)), "nile": [101, 102, 103]}
    alone = vordex.arima(nile, transform="log", horizon=3)
    assert same_bits(forecasts.loc[forecasts["series"] == "nile", ["mean", "lower", "upper"]],
                     alone.forecast)
