"""The M1 competition's 1001 series on a local Dask cluster: exponential smoothing with every
component chosen by AIC, fitted on one machine by vordex.forecast_many and on a local cluster of
two worker processes by vordex.dask.forecast_many. Prints both times, whether the two agree bit
for bit, and the mean sMAPE on the held-out values beside that of R's forecast::ets.

Usage: python3 docs/m1_dask.py M1_DIR
M1_DIR holds yearly.csv, quarterly.csv and monthly.csv (columns id, period, frequency, h, t, y,
split) and r_results.csv (id, subset, method, sMAPE, ...).
"""
import sys
import time
from pathlib import Path

import dask
import dask.dataframe as dd
import distributed
import numpy as np
import pandas as pd

import vordex
import vordex.dask


def main(folder):
    m1 = pd.concat(pd.read_csv(folder / f"{name}.csv") for name in ("yearly", "quarterly",
                                                                     "monthly"))
    train, test = m1[m1["split"] == "train"], m1[m1["split"] == "test"]
    settings = dict(id="id", time="t", value="y", method="ets", period="frequency",
                    horizon="h")
    print(f"{train['id'].nunique()} series, {len(train)} observations")

    start = time.perf_counter()
    local = vordex.forecast_many(train, n_jobs=-1, **settings)
    print(f"vordex.forecast_many, 2 threads:             {time.perf_counter() - start:6.1f} s")

    with distributed.LocalCluster(n_workers=2, threads_per_worker=1,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster):
        start = time.perf_counter()
        frame = dd.from_pandas(train, npartitions=8, sort=False)
        result = vordex.dask.forecast_many(frame, **settings)
        forecasts, summary = dask.compute(*result)
        print(f"vordex.dask.forecast_many, 2 workers x 1:     "
              f"{time.perf_counter() - start:6.1f} s")

    keys = ["id", "t"]
    a = local.forecasts.sort_values(keys).reset_index(drop=True)
    b = forecasts.sort_values(keys).reset_index(drop=True)
    same = all(np.array_equal(a[c].to_numpy().view(np.uint64), b[c].to_numpy().view(np.uint64))
               for c in ("mean", "lower_80", "upper_80", "lower_95", "upper_95")) and \
        a[keys].equals(b[keys])
    print(f"identical bit for bit: {same}; status: "
          f"{summary['status'].value_counts().to_dict()}")

    actual = test.rename(columns={"y": "actual"})[["id", "t", "actual"]]
    scored = a.merge(actual, on=["id", "t"])
    scored["smape"] = 200 * (scored["actual"] - scored["mean"]).abs() / (
        scored["actual"].abs() + scored["mean"].abs())
    ours = scored.groupby("id")["smape"].mean()
    r = pd.read_csv(folder / "r_results.csv")
    theirs = r[r["method"] == "ets_aic"].set_index("id")["sMAPE"]
    subsets = r[r["method"] == "ets_aic"].set_index("id")["subset"]
    table = pd.DataFrame({"vordex ets": ours, "R forecast::ets (aic)": theirs,
                          "subset": subsets}).dropna()
    print("mean sMAPE (%):")
    print(table.groupby("subset").mean().round(2).to_string())
    print(table.drop(columns="subset").mean().round(2).to_string())


if __name__ == "__main__":
    main(Path(sys.argv[1]))
