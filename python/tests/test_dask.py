"""vordex.dask.forecast_many on a local cluster of two worker processes gives the numbers of
vordex.forecast_many on one machine, bit for bit."""
import numpy as np
import pandas as pd
import pytest

import vordex
from conftest import needs_batch, same_bits, sample

dask = pytest.importorskip("dask")
dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")
import vordex.dask  # noqa: E402  (after the skips: it needs Dask)

pytestmark = needs_batch()

PERIODS = {"airline": 12, "usaccdeaths": 12, "ukgas": 4, "nile": 1, "lynx": 1}


@pytest.fixture(scope="module")
def frame():
    """The sample series and two bad ones in long form, rows shuffled so that a series spans
    partitions."""
    parts = [pd.DataFrame({"id": name, "time": np.arange(1, len(y) + 1), "value": y.to_numpy(),
                           "period": period})
             for name, period in PERIODS.items() for y in [sample(name)]]
    parts.append(pd.DataFrame({"id": "infinite", "time": [1, 2, 3, 4], "value": [1, np.inf, 3, 4],
                               "period": 1}))
    parts.append(pd.DataFrame({"id": "single", "time": [1], "value": [5.0], "period": 1}))
    return pd.concat(parts).sample(frac=1.0, random_state=2).reset_index(drop=True)


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            yield client


def _sorted(frame, keys):
    return frame.sort_values(keys).reset_index(drop=True)


def _assert_same(dask_result, local):
    forecasts, summary = dask.compute(*dask_result)
    for got, expected, keys in ((forecasts, local.forecasts, list(local.forecasts.columns[:2])),
                                (summary, local.summary, list(local.summary.columns[:1]))):
        got, expected = _sorted(got, keys), _sorted(expected, keys)
        assert list(got.columns) == list(expected.columns)
        for column in expected:
            if expected[column].dtype == np.float64:
                assert same_bits(got[column], expected[column]), column
            else:
                assert got[column].tolist() == expected[column].tolist(), column


@pytest.mark.parametrize("method", ["ets", "arima"])
def test_a_cluster_gives_the_numbers_of_one_machine(client, frame, method):
    settings = dict(method=method, period="period", horizon=8, seed=11)
    local = vordex.forecast_many(frame, **settings)
    ok = local.summary.set_index("id")["status"] == "ok"
    assert sorted(ok.index[~ok]) == ["infinite", "single"]
    spread = dd.from_pandas(frame, npartitions=3, sort=False)  # series span partitions
    _assert_same(vordex.dask.forecast_many(spread, **settings), local)


def test_a_frame_indexed_by_id_is_not_shuffled(client, frame):
    local = vordex.forecast_many(frame, period="period", horizon=4)
    indexed = dd.from_pandas(frame.set_index("id"), npartitions=3)
    result = vordex.dask.forecast_many(indexed, period="period", horizon=4)
    assert "shuffle" not in str(result.forecasts.dask.layers.keys())
    _assert_same(result, local)


def test_errors_raise_reaches_the_client(client, frame):
    spread = dd.from_pandas(frame, npartitions=2, sort=False)
    result = vordex.dask.forecast_many(spread, period="period", horizon=4, errors="raise")
    with pytest.raises(vordex.Error, match="series '(infinite|single)'"):
        dask.compute(*result)


def test_statsforecast_frames_keep_their_names_on_a_cluster(client, frame):
    renamed = frame.rename(columns={"id": "unique_id", "time": "ds", "value": "y"})
    local = vordex.forecast_many(renamed, period="period", horizon=4)
    assert list(local.forecasts.columns[:2]) == ["unique_id", "ds"]
    spread = dd.from_pandas(renamed, npartitions=3, sort=False)
    _assert_same(vordex.dask.forecast_many(spread, period="period", horizon=4), local)
