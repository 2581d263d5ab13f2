"""The README's cross-validation example: automatic smoothing on three sample series, the last
12 origins one month apart, each forecasting 12 months, refitted every 4th origin; the mean
absolute scaled error by horizon, with the model's and the conformal 95% coverage, saved as
docs/cv_errors_by_horizon.png. Run from the repository: python3 docs/cv_example.py"""
from pathlib import Path

import matplotlib
import numpy as np
import pandas as pd

import vordex

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

data = Path(__file__).resolve().parents[1] / "data"
frames = []
for name in ("airline", "usaccdeaths"):
    y = pd.read_csv(data / f"{name}.csv").iloc[:, 0].astype(float)
    frames.append(pd.DataFrame({"unique_id": name, "ds": np.arange(len(y)), "y": y}))
df = pd.concat(frames, ignore_index=True)

cv = vordex.cross_validation(df, method="ets", auto=True, period=12, horizon=12, windows=12,
                             step=1, refit=4, conformal=True, seed=1)
print(cv.summary[["unique_id", "mase", "smape", "coverage_95", "conformal_coverage_95"]]
      .round(3).to_string(index=False))
errors = cv.forecasts.assign(abs_error=lambda f: (f.actual - f["mean"]).abs())
scale = df.groupby("unique_id")["y"].apply(lambda y: y.diff(12).abs().mean())
errors["scaled"] = errors.abs_error / errors.unique_id.map(scale)

fig, ax = plt.subplots(figsize=(7, 3.5))
for key, g in errors.groupby("unique_id"):
    g.groupby("step")["scaled"].mean().plot(ax=ax, marker="o", label=key)
ax.set_xlabel("forecast horizon (months)")
ax.set_ylabel("mean |error| / seasonal naive MAE")
ax.set_title("Cross-validated errors by horizon, automatic smoothing")
ax.legend()
fig.tight_layout()
fig.savefig(Path(__file__).with_name("cv_errors_by_horizon.png"), dpi=100)
