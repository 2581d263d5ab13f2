"""Data and functions that the Python tests share, and the figures that some tests measure."""
from pathlib import Path

import numpy as np
import pandas as pd
import pytest

import vordex

REPOSITORY = Path(__file__).resolve().parents[2]
DATA = REPOSITORY / "data"

# What tests measured, printed at the end of the run (nothing is asserted on times).
MEASURED = []


def pytest_terminal_summary(terminalreporter):
    if MEASURED:
        terminalreporter.section("measured")
        for line in MEASURED:
            terminalreporter.write_line(line)


def sample(name, start=None, freq=None):
    """A sample series of data/, on a PeriodIndex when start and freq are given."""
    y = pd.read_csv(DATA / f"{name}.csv")["y"].astype(float)
    if start is not None:
        y.index = pd.period_range(start, periods=len(y), freq=freq)
    return y.rename(name)


@pytest.fixture(scope="module")
def airline():
    return sample("airline", "1949-01", "M")


def same_bits(a, b):
    """Whether two arrays of doubles are identical bit for bit (NaN included)."""
    a = np.ascontiguousarray(a, dtype=np.float64)
    b = np.ascontiguousarray(b, dtype=np.float64)
    return a.shape == b.shape and np.array_equal(a.view(np.uint64), b.view(np.uint64))


def needs_batch():
    return pytest.mark.skipif(not hasattr(vordex._vordex, "fit_many"),
                              reason="libvordex_cpp was built without the batch layer")
