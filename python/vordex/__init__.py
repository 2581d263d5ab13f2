"""VORDEX: seasonal ARIMA, exponential smoothing, ARMAX and automatic forecasts for numpy arrays
and pandas series.

    vordex.arima(y, order=(0, 1, 1), seasonal=(0, 1, 1), transform="log")
    vordex.ets(y, level=[80, 95])      # every component chosen by AIC; levels in percent
    vordex.armax(y, constant=True)
    vordex.auto(y)                     # the recommended automatic forecast
    vordex.auto_arima(y), vordex.theta(y)
    vordex.arima(y, xreg=X, future_xreg=X_ahead)   # regression with ARIMA errors
    vordex.fourier(y.index, 52.18, 10), vordex.trend(y), vordex.event(y, ["2024-12-25"])
    result.plot()                      # history, fitted values, forecasts, limits
    result.save(path); vordex.load(path).update(y_new)   # model files
    vordex.forecast_many(df, method="ets")   # columns unique_id, ds, y (or id, time, value)
    vordex.plot_many(vordex.forecast_many(df), history=df)
    vordex.dask.forecast_many(dask_frame, ...)   # import vordex.dask

Forecast tables have the columns mean, lower_80, upper_80, lower_95, upper_95 (one pair per
level). Failures raise vordex.Error (a ValueError) with .status (vordex.Status), .text and
.messages. The names of every setting's values are the library's: vordex.names lists them.
"""
import types as _types
from typing import Mapping as _Mapping, Tuple as _Tuple

from . import _vordex
from ._api import arima, armax, auto, auto_arima, ets, theta
from ._errors import Error, Message, Status
from ._evaluate import CrossValidation, Diagnostics, accuracy, cross_validation, diagnostics
from ._many import ManyForecasts, forecast_many, series_seed
from ._settings import BoxCox
from ._model import load, loads
from ._plot import plot_many
from ._regressors import event, fourier, trend
from ._results import (ArimaResult, ArmaxResult, AutoArimaResult, AutoResult, EtsResult, Result,
                       ThetaResult)
from ._version import __version__

#: The library's names of every setting's values, by setting ("transform", "method", "error",
#: "trend", "season", "criterion", "initialization", "disturbances", "information_criterion",
#: "search"), each in the library's order. The functions take these (in any case, with "-" for
#: "_") and a few aliases: ETS(A,Ad,M)'s letters, "amse", "bootstrap".
names: _Mapping[str, _Tuple[str, ...]] = _types.MappingProxyType(dict(_vordex.NAMES))

# Public classes show as vordex.X in tracebacks and pickles.
for _cls in (Error, Message, ManyForecasts, Result, ArimaResult, EtsResult, ArmaxResult,
             AutoArimaResult, ThetaResult, AutoResult):
    _cls.__module__ = __name__
del _cls

__all__ = ["arima", "ets", "armax", "auto", "auto_arima", "theta", "forecast_many", "BoxCox",
           "plot_many", "series_seed", "fourier", "trend", "event", "names", "ManyForecasts",
           "Error", "Message", "Status",
           "Result", "ArimaResult", "EtsResult", "ArmaxResult", "AutoArimaResult", "ThetaResult",
           "AutoResult", "load", "loads"]
