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
    """Three good monthly series (one with a gap) and three bad ones; the text makes the value
    column objects.
    Rows are shuffled: forecast_many puts each series in time order."""
    airline, deaths = sample("airline"), sample("usaccdeaths")
    gap = list(deaths)
    gap[30] = np.nan
    infinite = list(deaths)
    infinite[30] = np.inf
    text = list(deaths[:40])
    text[7] = "n/a"
    parts = [_long("airline", airline), _long("deaths", deaths, "1973-01-01"),
             _long("gap", gap), _long("infinite", infinite),
             _long("text", text), _long("single", [42.0])]
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
                                     "n", "freq", "period"]
    status = dict(zip(summary["id"], zip(summary["status"], summary["code"])))
    assert status == {"airline": ("ok", 0), "deaths": ("ok", 0),
                      "gap": ("ok", 0), "infinite": ("ets_non_finite_data", 271),
                      "text": ("invalid_data", 504),
                      "single": ("engine_failed", 501)}
    messages = dict(zip(summary["id"], summary["message"]))
    assert "non-finite" in messages["infinite"] and "'n/a'" in messages["text"]
    assert summary.set_index("id").loc["airline", ["n", "freq", "period"]].tolist() == [
        144, "MS", 12]
    assert sorted(forecasts["id"].unique()) == ["airline", "deaths", "gap"]
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
    with pytest.raises(vordex.Error, match="series 'infinite'") as caught:
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


def _frame(times, ids=("a",), layout=("unique_id", "ds", "y")):
    """Long frame of series of the given times, each the sum of a daily and a yearly cycle and
    a trend (values that every method fits)."""
    n = len(times)
    y = 50 + 5 * np.sin(np.arange(n) * 2 * np.pi / 24) + np.sin(np.arange(n)) + 0.1 * np.arange(n)
    key, time, value = layout
    return pd.concat([pd.DataFrame({key: i, time: times, value: y * (k + 1)})
                      for k, i in enumerate(ids)], ignore_index=True)


# (times of each series, their frequency and the period it proposes: the cycle of a year, a
# week of days, a day of hours; 1 beyond the engines' largest period, 24, and for integers).
FRAMES = {
    "statsforecast's AirPassengersDF": (pd.date_range("1949-01-31", periods=48, freq="M"), "M",
                                        12),
    "month starts": (pd.date_range("2000-01-01", periods=48, freq="MS"), "MS", 12),
    "hourly": (pd.date_range("2024-03-01", periods=72, freq="H"), "H", 24),
    "hourly, time zone": (pd.date_range("2024-03-01", periods=72, freq="H", tz="Europe/Paris"),
                          "H", 24),
    "daily": (pd.date_range("2024-03-01", periods=60, freq="D"), "D", 7),
    "weekly": (pd.date_range("2020-01-05", periods=60, freq="W"), "W-SUN", 1),
    "quarterly periods": (pd.period_range("1990Q1", periods=40, freq="Q"), "Q-DEC", 4),
    "M4's integers": (pd.Index(np.arange(1, 61)), "1", 1),
}


@pytest.mark.parametrize("case", FRAMES, ids=list(FRAMES))
def test_frames_of_the_ecosystem_run_as_they_are(case):
    times, freq, period = FRAMES[case]
    frame = _frame(times, ids=(1.0, 2.0))
    forecasts, summary = vordex.forecast_many(frame, method="theta", horizon=5)
    assert list(forecasts.columns) == ["unique_id", "ds", *LIMITS]
    assert summary[["unique_id", "status", "freq", "period"]].values.tolist() == [
        [1.0, "ok", freq, period], [2.0, "ok", freq, period]]
    # The forecasts continue each series' times, in the type of the input's.
    longer = (pd.date_range(times[0], periods=len(times) + 5, freq=times.freq)
              if isinstance(times, pd.DatetimeIndex) else
              pd.period_range(times[0], periods=len(times) + 5, freq=times.freq)
              if isinstance(times, pd.PeriodIndex) else pd.Index(np.arange(1, len(times) + 6)))
    got = forecasts[forecasts["unique_id"] == 2.0]["ds"]
    assert got.dtype == frame["ds"].dtype and list(got) == list(longer[-5:])
    # The layout is only names: the library's own gives the same numbers.
    own = frame.rename(columns={"unique_id": "id", "ds": "time", "y": "value"})
    same, _ = vordex.forecast_many(own, method="theta", horizon=5)
    assert same_bits(same[LIMITS], forecasts[LIMITS])


HOURS = pd.date_range("2024-03-01", periods=30, freq="H")
# (times of the series "b", freq=, the text saying where its times break the step); the series
# "a" is regular, with hourly times.
IRREGULAR = {
    "an hour skipped": (HOURS.delete(10), None,
                        "after 2024-03-01 09:00:00 comes 2024-03-01 11:00:00, not 2024-03-01 "
                        "10:00:00 (the frequency H of its first times)"),
    "an hour repeated": (HOURS.insert(5, HOURS[5]), None,
                         "the time 2024-03-01 05:00:00 appears more than once"),
    "no frequency at all": (HOURS[[0, 1, 3, 7, 8]], None,
                            "pandas.infer_freq finds no frequency in its times"),
    "off the frequency given": (pd.date_range("2024-03-01", periods=30, freq="2H"), "H",
                                "after 2024-03-01 comes 2024-03-01 02:00:00, not 2024-03-01 "
                                "01:00:00 (freq='H')"),
    "an integer skipped": (pd.Index([1, 2, 3, 5, 6]), None, "after 3 comes 5, not 4"),
    "a quarter skipped": (pd.period_range("2000Q1", periods=8, freq="Q").delete(3), None,
                          "after 2000Q3 comes 2001Q1, not 2000Q4"),
    "a missing time": (HOURS.insert(3, pd.NaT), None, "1 of its times is missing"),
}


@pytest.mark.parametrize("case", IRREGULAR, ids=list(IRREGULAR))
def test_irregular_times_fail_their_series_saying_where(case):
    times, freq, where = IRREGULAR[case]
    regular = HOURS if isinstance(times, pd.DatetimeIndex) else (
        pd.period_range("2000Q1", periods=8, freq="Q") if isinstance(times, pd.PeriodIndex)
        else pd.Index(np.arange(1, 9)))
    frame = pd.concat([_frame(regular, ids=["a"]), _frame(times, ids=["b"])], ignore_index=True)
    forecasts, summary = vordex.forecast_many(frame, method="theta", horizon=2, freq=freq)
    assert summary["status"].tolist() == ["ok", "invalid_data"]
    assert summary["message"][1].startswith(f"The times are irregular: {where}")
    assert set(forecasts["unique_id"]) == {"a"}
    with pytest.raises(vordex.Error, match=r"^series 'b': The times are irregular"):
        vordex.forecast_many(frame, method="theta", horizon=2, freq=freq, errors="raise")


def test_a_series_of_one_or_two_dates_takes_the_frequency_of_the_others():
    months = pd.date_range("2000-01-31", periods=30, freq="M")
    frame = pd.concat([_frame(months, ["long"]), _frame(months[:2] + pd.offsets.MonthEnd(40),
                                                        ["two"])], ignore_index=True)
    forecasts, summary = vordex.forecast_many(frame, method="auto", horizon=2)
    assert summary.set_index("unique_id").loc["two", ["status", "freq", "period"]].tolist() == [
        "fallback", "M", 12]
    assert forecasts.loc[forecasts["unique_id"] == "two", "ds"].tolist() == list(
        pd.date_range("2003-07-31", periods=2, freq="M"))
    _, alone = vordex.forecast_many(frame[frame["unique_id"] == "two"], method="auto")
    assert "too few for pandas.infer_freq" in alone["message"][0]


def test_columns_are_found_by_name_unless_named():
    frame = _frame(pd.Index(np.arange(1, 41)), ids=["a"])
    both = frame.assign(value=frame["y"] * 2)
    with pytest.raises(KeyError, match="both 'y' and 'value'"):
        vordex.forecast_many(both, method="theta")
    doubled, _ = vordex.forecast_many(both, value="value", method="theta", horizon=2)
    single, _ = vordex.forecast_many(frame, method="theta", horizon=2)
    assert np.allclose(doubled["mean"], 2 * single["mean"], rtol=1e-12)  # Theta is linear
    indexed, _ = vordex.forecast_many(frame.set_index("unique_id"), method="theta", horizon=2)
    assert same_bits(indexed[LIMITS], single[LIMITS])
    with pytest.raises(KeyError, match="no column of times"):
        vordex.forecast_many(frame.drop(columns="ds"), method="theta")
    by_rows, _ = vordex.forecast_many(frame.drop(columns="ds"), time=False, method="theta",
                                      horizon=2)
    assert by_rows["time"].tolist() == [40, 41] and same_bits(by_rows[LIMITS], single[LIMITS])
    with pytest.raises(TypeError, match="pandas.to_datetime converts text"):
        vordex.forecast_many(frame.astype({"ds": str}), method="theta")
