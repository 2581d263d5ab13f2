"""Model files from Python: save, load in another process, update, pickle."""
import json
import pickle
import subprocess
import sys

import numpy as np
import pytest

import vordex
from conftest import same_bits

# Filtering one value at a time or all at once differs by rounding (a few hundred operations).
UPDATE_TOLERANCE = 1e-12


@pytest.mark.parametrize("fit", [
    lambda y: vordex.arima(y, order=(0, 1, 1), seasonal=(0, 1, 1), horizon=5),
    lambda y: vordex.ets(y, horizon=5, paths=500),
    lambda y: vordex.auto_arima(y, horizon=5),
    # A log is searched on the Box-Cox scale (lambda 0); its model says so and loads.
    lambda y: vordex.auto_arima(y, horizon=5, transform="log"),
    lambda y: vordex.theta(y, horizon=5),
    lambda y: vordex.armax(y, horizon=5),
    lambda y: vordex.auto(y, horizon=5),
])
def test_model_loaded_in_another_process_forecasts_the_same_bits(tmp_path, airline, fit):
    result = fit(airline)
    path = tmp_path / "model.json"
    result.save(path)
    script = ("import sys, vordex; r = vordex.load(sys.argv[1]);"
              "print(r.forecast.index[0], *[v.hex() for v in r.forecast.to_numpy().ravel()])")
    out = subprocess.run([sys.executable, "-c", script, str(path)], check=True,
                         capture_output=True, text=True).stdout
    loaded = vordex.load(path)
    expected = result.predict(5, [80, 95])
    assert same_bits(loaded.forecast.to_numpy(), expected.forecast.to_numpy())
    first, *values = out.split()
    assert first == "1961-01"
    assert values == [v.hex() for v in expected.forecast.to_numpy().ravel()]
    restored = pickle.loads(pickle.dumps(result))
    assert same_bits(restored.forecast.to_numpy(), expected.forecast.to_numpy())
    assert restored.y.index.equals(result.y.index)


def test_update_forecasts_what_each_new_month_was_forecast(airline):
    model = vordex.arima(airline.iloc[:-6], order=(0, 1, 1), seasonal=(0, 1, 1))
    for t in range(6):
        before = model.predict(1).forecast["mean"].iloc[0]
        model = model.update(airline.iloc[-6 + t:][:1])
        assert model.fitted.iloc[-1] == pytest.approx(before, rel=UPDATE_TOLERANCE)
    assert model.forecast.index[0] == airline.index[-1] + 1


def test_load_refuses_a_corrupt_file_naming_the_field(airline):
    text = json.loads(vordex.arima(airline)._model_file)
    text["estimates"]["ma"] = [2.0]
    with pytest.raises(vordex.Error, match="estimates.ma") as error:
        vordex.loads(json.dumps(text))
    assert error.value.status is vordex.Status.INVALID_DATA
    with pytest.raises(vordex.Error, match="cannot be saved: .*a fallback forecast"):
        vordex.theta(airline.iloc[:3]).save("unused.json")
