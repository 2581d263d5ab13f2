"""Result.plot draws the observations, fitted values, forecasts and limits with matplotlib."""
import struct

import numpy as np
import pytest

import vordex

matplotlib = pytest.importorskip("matplotlib")
matplotlib.use("Agg")
import matplotlib.image  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402


def test_a_plot_renders_to_a_png_of_the_figure_size(airline, tmp_path):
    r = vordex.arima(airline, transform="log")
    figure, ax = plt.subplots(figsize=(6, 3), dpi=50)
    assert r.plot(ax=ax) is ax
    observed, fitted, forecast = ax.lines
    assert len(ax.collections) == 2  # the bands between the 80% and the 95% limits
    assert forecast.get_xdata()[0] > observed.get_xdata()[-1]  # the forecasts follow the data
    path = tmp_path / "airline.png"
    figure.savefig(path)
    plt.close(figure)
    png = path.read_bytes()
    assert png[:8] == b"\x89PNG\r\n\x1a\n" and png[12:16] == b"IHDR"
    assert struct.unpack(">II", png[16:24]) == (300, 150)  # 6 x 3 inches at 50 dots per inch
    pixels = matplotlib.image.imread(path)
    assert pixels.shape[:2] == (150, 300) and np.ptp(pixels[..., :3]) > 0.5  # not blank


def test_without_axes_a_plot_makes_its_own_figure():
    r = vordex.ets(list(100 + np.arange(30.0)), horizon=5, paths=500)
    ax = r.plot()
    assert len(ax.lines) == 3 and ax.get_title() == r.model
    assert [t.get_text() for t in ax.get_legend().get_texts()][2:4] == ["95% limits",
                                                                        "80% limits"]
    plt.close(ax.figure)
