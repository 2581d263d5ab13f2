"""forecast_many on a Dask cluster: every series in one partition, each partition fitted by
vordex.forecast_many inside its worker.

    from distributed import Client
    import vordex.dask
    client = Client("tcp://scheduler-host:8786")   # or a LocalCluster
    forecasts, summary = vordex.dask.forecast_many(ddf, id="id", time="time", value="value")
    forecasts, summary = dask.compute(forecasts, summary)  # one pass over the data

Each series' simulated limits are seeded from its id and the batch seed (see
vordex.series_seed), so the numbers equal those of vordex.forecast_many on one machine bit for
bit, however the data are partitioned. Every worker needs the same build of vordex installed.
"""
import operator

import dask
import dask.dataframe as dd

from . import _many


def forecast_many(ddf, id="id", time="time", value="value", method="ets", n_jobs=1,
                  errors="ignore", seed=None, **settings):
    """vordex.forecast_many for a Dask DataFrame; returns ManyForecasts whose forecasts and
    summary are Dask DataFrames (compute them together, or persist the pair, to fit once).

    A series may span partitions: the rows are shuffled by id unless the frame is indexed by
    the id with known divisions (as after ``set_index(id)``), when no series can. n_jobs is the
    number of threads per partition (default 1: Dask's workers run the partitions in
    parallel). With errors="raise" the first bad series of a partition raises vordex.Error
    when the result is computed. Other arguments as for vordex.forecast_many.
    """
    if ddf.index.name == id and ddf.known_divisions:
        ddf = ddf.reset_index()
    else:
        ddf = ddf.shuffle(on=id)
    keywords = dict(id=id, time=time, value=value, method=method, n_jobs=n_jobs, errors=errors,
                    seed=seed, **settings)
    meta = _many.forecast_many(ddf._meta, **keywords)
    run = dask.delayed(_many.forecast_many, pure=True)
    parts = [run(part, **keywords) for part in ddf.to_delayed()]
    pick = dask.delayed(operator.getitem, pure=True)
    return _many.ManyForecasts(
        dd.from_delayed([pick(p, 0) for p in parts], meta=meta.forecasts, verify_meta=False),
        dd.from_delayed([pick(p, 1) for p in parts], meta=meta.summary, verify_meta=False))
