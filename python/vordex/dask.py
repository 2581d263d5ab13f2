"""forecast_many on a Dask cluster: every series in one partition, each partition fitted by
vordex.forecast_many inside its worker.

    from distributed import Client
    import vordex.dask
    client = Client("tcp://scheduler-host:8786")   # or a LocalCluster
    forecasts, summary = vordex.dask.forecast_many(ddf)     # unique_id, ds, y or id, time, value
    forecasts, summary = dask.compute(forecasts, summary)  # one pass over the data

Each series' simulated limits are seeded from its id and the batch seed (see
vordex.series_seed), so the numbers equal those of vordex.forecast_many on one machine bit for
bit, however the data are partitioned. Every worker needs the same build of vordex installed.
"""
from __future__ import annotations

import operator
from typing import Any, Literal, Optional, Union

import dask
import dask.dataframe as dd
import pandas as pd

from . import _frame, _many

__all__ = ["forecast_many", "cross_validation"]


def forecast_many(ddf: dd.DataFrame, id: Optional[str] = None, time: _frame.Column = None,
                  value: Optional[str] = None, method: str = "ets", n_jobs: int = 1,
                  errors: Literal["ignore", "raise"] = "ignore", seed: Optional[int] = None, *,
                  freq: Union[str, pd.DateOffset, None] = None,
                  **settings: Any) -> _many.ManyForecasts:
    """:func:`vordex.forecast_many` for a Dask DataFrame.

    The columns are found by name as there (``unique_id``, ``ds``, ``y`` or ``id``, ``time``,
    ``value``; explicit names win) and the output keeps them. A series may span partitions:
    the rows are shuffled by id unless the frame is indexed by the id with known divisions (as
    after ``set_index(id)``), when no series can.

    Parameters
    ----------
    ddf : dask.dataframe.DataFrame
        The long frame, as for vordex.forecast_many.
    id, time, value, method, errors, seed, freq, **settings
        As for :func:`vordex.forecast_many`. A series of fewer than three dates takes the
        frequency of the other series of its partition unless `freq` is given.
    n_jobs : int, default 1
        Threads per partition (1: Dask's workers run the partitions in parallel).

    Returns
    -------
    ManyForecasts
        ``(forecasts, summary)`` as Dask DataFrames with the columns of vordex.forecast_many's;
        compute them together (``dask.compute(*result)``), or persist the pair, to fit once.

    Raises
    ------
    KeyError
        A column that is not there (at once).
    vordex.Error
        With errors="raise", the first bad series of a partition, when computed.

    Examples
    --------
    >>> import dask, dask.dataframe as dd, pandas as pd, vordex.dask
    >>> df = pd.DataFrame({"unique_id": ["a"] * 8 + ["b"] * 8, "ds": list(range(8)) * 2,
    ...                    "y": [3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0] * 2})
    >>> result = vordex.dask.forecast_many(dd.from_pandas(df, npartitions=2), method="theta",
    ...                                    horizon=2)
    >>> forecasts, summary = dask.compute(*result, scheduler="sync")
    >>> forecasts.sort_values(["unique_id", "ds"])[["unique_id", "ds", "mean"]].round(2)
      unique_id  ds  mean
    0         a   8  7.71
    1         a   9  7.99
    0         b   8  7.71
    1         b   9  7.99
    """
    names = _frame.resolve([*ddf.columns, ddf.index.name], id, time, value)
    if ddf.index.name == names.id and ddf.known_divisions:
        ddf = ddf.reset_index()
    else:
        if names.id not in ddf.columns:
            ddf = ddf.reset_index()
        ddf = ddf.shuffle(on=names.id)
    keywords = dict(id=names.id, time=names.time if names.time is not None else False,
                    value=names.value, method=method, n_jobs=n_jobs, errors=errors, seed=seed,
                    freq=freq, **settings)
    meta = _many.forecast_many(ddf._meta, **keywords)
    run = dask.delayed(_many.forecast_many, pure=True)
    parts = [run(part, **keywords) for part in ddf.to_delayed()]
    pick = dask.delayed(operator.getitem, pure=True)
    return _many.ManyForecasts(
        dd.from_delayed([pick(p, 0) for p in parts], meta=meta.forecasts, verify_meta=False),
        dd.from_delayed([pick(p, 1) for p in parts], meta=meta.summary, verify_meta=False))


def cross_validation(ddf: dd.DataFrame, method: str = "ets", id: Optional[str] = None,
                     time: _frame.Column = None, value: Optional[str] = None, n_jobs: int = 1,
                     **keywords: Any) -> Any:
    """:func:`vordex.cross_validation` for a Dask DataFrame: each partition (series whole, as
    for forecast_many) cross-validated inside its worker. Returns the three frames of
    vordex.CrossValidation as Dask DataFrames (the per-step means are those of each partition,
    one block per partition: recompute them from the summary or the forecasts for the whole
    set). Each series' numbers equal those of vordex.cross_validation bit for bit."""
    from . import _evaluate
    names = _frame.resolve([*ddf.columns, ddf.index.name], id, time, value)
    if ddf.index.name == names.id and ddf.known_divisions:
        ddf = ddf.reset_index()
    else:
        if names.id not in ddf.columns:
            ddf = ddf.reset_index()
        ddf = ddf.shuffle(on=names.id)
    options = dict(method=method, id=names.id, time=names.time if names.time is not None else False,
                   value=names.value, n_jobs=n_jobs, **keywords)
    run = dask.delayed(_evaluate.cross_validation, pure=True)
    parts = [run(part, **options) for part in ddf.to_delayed()]
    pick = dask.delayed(operator.getitem, pure=True)
    return _evaluate.CrossValidation(*(dd.from_delayed([pick(p, k) for p in parts])
                                       for k in range(3)))
