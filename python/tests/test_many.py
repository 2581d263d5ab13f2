"""vordex.forecast_many: many series of a long DataFrame, bad ones reported among good ones, each
series' numbers those of its own single-series fit with the seed of its id."""
import numpy as np
import pandas as pd
import pytest

import vordex
from conftest import needs_batch, same_bits, sample

pytestmark = needs_batch()

LIMITS = ["mean", "lower_80", "upper_80", "lower_95", "upper_95"]
STATISTICS = ["log_likelihood", "aic", "aicc", "bic", "sigma2"]


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


def _series_seed(seed, id):
    """SeriesSeed as names.hpp describes it: FNV-1a (64 bits) of the id's bytes, mixed with the
    batch seed by SplitMix64's finaliser, upper 32 bits."""
    mask = 2**64 - 1
    h = 0xcbf29ce484222325
    for byte in id.encode():
        h = ((h ^ byte) * 0x100000001b3) & mask
    z = (h + (seed + 1) * 0x9e3779b97f4a7c15) & mask
    z = ((z ^ (z >> 30)) * 0xbf58476d1ce4e5b9) & mask
    z = ((z ^ (z >> 27)) * 0x94d049bb133111eb) & mask
    return (z ^ (z >> 31)) >> 32


@pytest.mark.parametrize("id, seed", [("airline", None), ("", 0), ("série 7", 2**32 - 1),
                                      (17, 5)])
def test_series_seed_is_the_hash_of_the_id(id, seed):
    expected = _series_seed(vordex._vordex.DEFAULT_SEED if seed is None else seed, str(id))
    assert vordex.series_seed(id, seed) == expected


def test_bad_series_are_reported_among_good_ones(frame):
    forecasts, summary = vordex.forecast_many(frame, horizon=6)
    assert list(forecasts.columns) == ["id", "time", *LIMITS]
    assert list(summary.columns) == ["id", "status", "code", "message", "model", *STATISTICS,
                                     "n", "period"]
    status = dict(zip(summary["id"], zip(summary["status"], summary["code"])))
    assert status == {"airline": ("ok", 0), "deaths": ("ok", 0),
                      "gap": ("ets_non_finite_data", 271), "text": ("invalid_data", 504),
                      "single": ("engine_failed", 501)}
    messages = dict(zip(summary["id"], summary["message"]))
    assert "non-finite" in messages["gap"] and "'n/a'" in messages["text"]
    assert summary.set_index("id").loc["airline", ["n", "period"]].tolist() == [144, 12]
    assert sorted(forecasts["id"].unique()) == ["airline", "deaths"]
    airline = forecasts[forecasts["id"] == "airline"]
    assert list(airline["time"]) == list(pd.date_range("1961-01-01", periods=6, freq="MS"))


def test_each_series_equals_its_own_single_series_fit(frame):
    forecasts, summary = vordex.forecast_many(frame, horizon=6, seed=7, level=[90])
    for name in ("airline", "deaths"):
        rows = frame[frame["id"] == name].sort_values("time")
        y = pd.Series(rows["value"].astype(float).to_numpy(), index=pd.DatetimeIndex(
            rows["time"]))
        alone = vordex.ets(y, horizon=6, level=90, seed=vordex.series_seed(name, 7))
        got = forecasts[forecasts["id"] == name]
        assert same_bits(got[["mean", "lower_90", "upper_90"]], alone.forecast)
        row = summary[summary["id"] == name]
        assert same_bits(row[STATISTICS], [[getattr(alone, s) for s in STATISTICS]])
        assert row["model"].item() == alone.model


def test_results_depend_neither_on_threads_nor_on_the_other_series(frame):
    many, _ = vordex.forecast_many(frame, horizon=6, n_jobs=2)
    one, _ = vordex.forecast_many(frame, horizon=6, n_jobs=1)
    alone, _ = vordex.forecast_many(frame[frame["id"] == "deaths"], horizon=6)
    pd.testing.assert_frame_equal(many, one, check_exact=True)
    deaths = many[many["id"] == "deaths"].reset_index(drop=True)
    assert same_bits(deaths[LIMITS], alone[LIMITS])


def test_errors_raise_names_the_first_bad_series(frame):
    with pytest.raises(vordex.Error, match="series 'gap'") as caught:
        vordex.forecast_many(frame, horizon=6, errors="raise")
    assert caught.value.status is vordex.Status.ETS_NON_FINITE_DATA


def test_a_refused_setting_fails_every_series_alone(frame):
    _, summary = vordex.forecast_many(frame[frame["id"] != "text"], horizon=6,
                                      trend="quadratic")
    assert set(summary["status"]) == {"invalid_settings"}
    assert summary["message"].str.contains("trend must be one of").all()


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
    assert same_bits(forecasts.loc[forecasts["series"] == "nile", LIMITS], alone.forecast)
