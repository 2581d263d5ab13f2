"""The README's worked hourly example: Taylor's half-hourly electricity demand of England and
Wales (5 June to 27 August 2000, R's forecast::taylor) averaged over hours, 2,016 values with a day
of 24 and a week of 168 hours, forecast two days ahead; writes docs/hourly_taylor.png.

Run from the repository's top folder: python3 docs/hourly_example.py
"""
from pathlib import Path

import matplotlib
import pandas as pd

import vordex

matplotlib.use("Agg")

top = Path(__file__).resolve().parents[1]
half_hours = pd.read_csv(top / "tests" / "decompose" / "data" / "taylor.csv").iloc[:, 0]
demand = half_hours.groupby(half_hours.index // 2).mean().rename("demand (MW)")
demand.index = pd.date_range("2000-06-05", periods=len(demand), freq="H")

result = vordex.auto(demand, horizon=48)  # hourly times propose the periods 24 and 168
print(result.model)
print(result.forecast.head(3))

ax = result.plot(last=24 * 14)
ax.figure.set_size_inches(8, 4)
ax.figure.savefig(top / "docs" / "hourly_taylor.png", dpi=100)
