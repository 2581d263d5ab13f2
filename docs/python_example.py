"""The example of the README's Python section: the airline model fitted to the monthly airline
passenger numbers, its summary, and the figure docs/python_airline.png.

Run from the repository's top folder: python3 docs/python_example.py
"""
from pathlib import Path

import matplotlib
import pandas as pd

import vordex

matplotlib.use("Agg")

top = Path(__file__).resolve().parents[1]
y = pd.read_csv(top / "data" / "airline.csv")["y"].rename("passengers (thousands)")
y.index = pd.period_range("1949-01", periods=len(y), freq="M")

result = vordex.arima(y, order=(0, 1, 1), seasonal=(0, 1, 1), transform="log", horizon=36)
print(result)
print(result.params)
print(result.forecast.head(3))

ax = result.plot()
ax.figure.set_size_inches(8, 4)
ax.figure.savefig(top / "docs" / "python_airline.png", dpi=100)
