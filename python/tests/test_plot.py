"""Result.plot and vordex.plot_many draw the data they are given: each figure is rendered to a
PNG with the Agg backend, then its artists' data (the lines' points, the vertices of the bands
between the limits) are compared with the observations, fitted values, forecasts and limits."""
import io

import numpy as np
import pandas as pd
import pytest

import vordex
from conftest import needs_batch, sample

matplotlib = pytest.importorskip("matplotlib")
matplotlib.use("Agg")
import matplotlib.dates  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def _x(times):
    """Times as matplotlib's axis numbers: dates as days since 1970, periods by their start."""
    times = pd.Index(times)
    if isinstance(times, pd.PeriodIndex):
        times = times.to_timestamp()
    if isinstance(times, pd.DatetimeIndex):
        return matplotlib.dates.date2num(times)
    return times.to_numpy(dtype=float)


def _render(figure):
    """Draws the figure into a PNG, as a user saving it would, and closes it."""
    buffer = io.BytesIO()
    figure.savefig(buffer, format="png", dpi=40)
    plt.close(figure)
    assert buffer.getvalue().startswith(PNG_SIGNATURE)


def _lines(ax):
    return {line.get_label(): line.get_xydata() for line in ax.lines}


def _bands(ax):
    """Each band's polygon as its distinct vertices, by label."""
    return {band.get_label(): np.unique(band.get_paths()[0].vertices, axis=0)
            for band in ax.collections}


def _assert_drawn(ax, times, forecast, levels):
    """The forecast line and one band per level, whose vertices are exactly the points
    (time, lower) and (time, upper)."""
    x = _x(times)
    np.testing.assert_array_equal(_lines(ax)["forecast"], np.c_[x, forecast["mean"]])
    bands = _bands(ax)
    assert sorted(bands) == sorted(f"{level:g}% limits" for level in levels)
    for level in levels:
        corners = np.r_[np.c_[x, forecast[f"lower_{level:g}"]],
                        np.c_[x, forecast[f"upper_{level:g}"]]]
        np.testing.assert_array_equal(bands[f"{level:g}% limits"], np.unique(corners, axis=0))


@pytest.mark.parametrize("fit, last", [
    (lambda y: vordex.arima(y, transform="log", horizon=12), None),
    (lambda y: vordex.ets(y, level=[50, 80, 99], horizon=5, seed=2), 30),
    (lambda y: vordex.theta(list(y), horizon=4, level=90), 0),
], ids=["arima, periods", "ets, three levels, last 30", "theta, positions, no history"])
def test_a_result_plot_draws_history_fitted_values_forecasts_and_every_band(airline, fit, last):
    r = fit(airline)
    ax = r.plot(last=last)
    shown = r.y.iloc[len(r.y) - (len(r.y) if last is None else last):]
    lines = _lines(ax)
    np.testing.assert_array_equal(lines["observed"], np.c_[_x(shown.index), shown])
    np.testing.assert_array_equal(lines["fitted"], np.c_[_x(shown.index),
                                                         r.fitted.loc[shown.index]])
    _assert_drawn(ax, r.forecast.index, r.forecast, r.levels)
    assert ax.get_title().startswith(r.model)
    assert {t.get_text() for t in ax.get_legend().get_texts()} == {
        "observed", "fitted", "forecast", *(f"{level:g}% limits" for level in r.levels)}
    _render(ax.figure)


def test_a_plot_goes_on_the_given_axes_and_may_leave_out_the_fitted_values(airline):
    figure, (left, right) = plt.subplots(1, 2)
    r = vordex.arima(airline.rename_axis("month"), horizon=3)
    assert r.plot(ax=right, fitted=False) is right and not left.lines
    assert [line.get_label() for line in right.lines] == ["observed", "forecast"]
    assert (right.get_xlabel(), right.get_ylabel()) == ("month", "airline")
    _render(figure)
    with pytest.raises(ValueError, match="last must be"):
        r.plot(last=-1)


@pytest.fixture(scope="module")
def many():
    """Two monthly series and one that fails, in statsforecast's layout."""
    parts = [pd.DataFrame({"unique_id": name, "ds": pd.date_range(start, periods=len(y),
                                                                  freq="MS"), "y": y.to_numpy()})
             for name, start, y in (("airline", "1949-01-01", sample("airline")),
                                    ("deaths", "1973-01-01", sample("usaccdeaths")),
                                    ("short", "2000-01-01", sample("nile")[:1]))]
    frame = pd.concat(parts, ignore_index=True)
    return frame, vordex.forecast_many(frame, method="theta", horizon=6, level=[80, 95])


@needs_batch()
def test_plot_many_draws_each_series_history_and_forecasts(many):
    frame, result = many
    figure = vordex.plot_many(result, ["deaths", "airline", "short"], history=frame, last=24)
    axes = figure.axes
    models = dict(zip(result.summary["unique_id"], result.summary["model"]))
    assert [ax.get_title() for ax in axes[:3]] == [f"{k}: {models[k]}"
                                                   for k in ("deaths", "airline", "short")]
    assert [ax.get_visible() for ax in axes] == [True, True, True, False]  # a 2 x 2 grid
    for ax, key in zip(axes, ["deaths", "airline"]):
        past = frame[frame["unique_id"] == key].tail(24)
        np.testing.assert_array_equal(_lines(ax)["observed"], np.c_[_x(past["ds"]), past["y"]])
        future = result.forecasts[result.forecasts["unique_id"] == key]
        _assert_drawn(ax, future["ds"], future, [80, 95])
    assert len(axes[0].get_legend().get_texts()) == 4
    _render(figure)


@needs_batch()
def test_plot_many_without_ids_takes_the_first_series_and_refuses_unknown_ones(many):
    frame, result = many
    figure = vordex.plot_many(result.forecasts, max_series=1)
    assert [ax.get_title() for ax in figure.axes] == ["airline"] and not _lines(
        figure.axes[0]).get("observed")
    _render(figure)
    with pytest.raises(KeyError, match="no series 'gas'"):
        vordex.plot_many(result, ["gas"], history=frame)
