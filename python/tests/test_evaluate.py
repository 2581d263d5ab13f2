"""vordex.accuracy, cross_validation (and its Dask version) and result.diagnostics()."""
import numpy as np
import pandas as pd
import pytest

import vordex
from conftest import sample

# Pairs printed to 17 digits by R, compared at R's precision.
CLOSED_FORM = 1e-12


def test_accuracy_of_arrays_equals_rs_accuracy():
    # R 4.2.2, forecast 8.20: y <- AirPassengers; train <- window(y, end = c(1958, 12))
    # accuracy(snaive(train, h = 24), window(y, start = c(1959, 1)))["Test set", ]
    y = sample("airline").to_numpy()
    train, test = y[:120], y[120:]
    f = np.tile(train[108:120], 2)
    a = vordex.accuracy(f, test, training=train, lag=12)
    assert a["rmse"] == pytest.approx(76.994588554434571, rel=CLOSED_FORM)
    assert a["mase"] == pytest.approx(2.4935191186001298, rel=CLOSED_FORM)
    assert a["acf1"] == pytest.approx(0.72846282750691105, rel=CLOSED_FORM)


def _frame():
    y = sample("airline").to_numpy()
    return pd.DataFrame({"unique_id": ["a"] * 144 + ["b"] * 120,
                         "ds": list(range(144)) + list(range(120)),
                         "y": np.r_[y, y[24:]]})


def test_cross_validation_rows_match_the_frame_and_do_not_depend_on_order_or_threads():
    df = _frame()
    kw = dict(method="ets", horizon=6, windows=2, step=3, refit=0, conformal=True, period=12,
              paths=500, seed=3)
    one = vordex.cross_validation(df, n_jobs=1, **kw)
    two = vordex.cross_validation(df.iloc[::-1], n_jobs=2, **kw)
    pd.testing.assert_frame_equal(one.forecasts, two.forecasts)
    f = one.forecasts
    assert len(f) == 2 * 2 * 6
    # The actual of each row is the frame's value at its time; the last origin ends h before.
    merged = f.merge(df, on=["unique_id", "ds"])
    np.testing.assert_array_equal(merged["actual"], merged["y"])
    assert f.groupby("unique_id")["ds"].max().tolist() == [143, 119]
    # The summary's measures are those of vordex.accuracy on the rows.
    a = f[f.unique_id == "a"]
    s = one.summary.set_index("unique_id").loc["a"]
    assert s["mae"] == pytest.approx(vordex.accuracy(a["mean"], a["actual"])["mae"],
                                     rel=CLOSED_FORM)
    assert {"conformal_coverage_95", "coverage_80"} <= set(one.summary.columns)


def test_dask_cross_validation_equals_the_one_machine_result():
    dd = pytest.importorskip("dask.dataframe")
    import dask
    import vordex.dask
    df = _frame()
    kw = dict(method="theta", horizon=4, windows=2, period=12)
    parts = vordex.dask.cross_validation(dd.from_pandas(df, npartitions=2), **kw)
    forecasts = dask.compute(parts.forecasts, scheduler="sync")[0]
    local = vordex.cross_validation(df, **kw).forecasts
    got = forecasts.sort_values(["unique_id", "cutoff", "step"]).reset_index(drop=True)
    pd.testing.assert_frame_equal(got, local, check_dtype=False)


def test_diagnostics_counts_the_models_coefficients_and_plots_three_panels():
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    monthly = sample("airline", "1949-01", "M")
    d = vordex.arima(monthly).diagnostics()  # the airline model: q = Q = 1
    assert d.fitdf == 2 and d.ljung_box["df"] == d.ljung_box["lag"] - 2
    assert len(d.plot().axes) == 3
