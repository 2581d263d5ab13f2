"""VORDEX: seasonal ARIMA, exponential smoothing and seasonal ARMA forecasts for numpy arrays
and pandas series.

    vordex.arima(y, order=(0, 1, 1), seasonal=(0, 1, 1), transform="log")
    vordex.ets(y)                      # every component chosen by AIC
    vordex.armax(y, constant=True)
    vordex.auto(y)                     # the recommended automatic forecast
    vordex.auto_arima(y), vordex.theta(y)
    vordex.forecast_many(frame, id="id", time="time", value="value", method="ets")
    vordex.dask.forecast_many(dask_frame, ...)   # import vordex.dask

Failures raise vordex.Error (a ValueError) with .status (vordex.Status) and .messages.
"""
from ._api import arima, armax, auto, auto_arima, ets, theta
from ._errors import Error, Message, Status
from ._many import ManyForecasts, forecast_many, series_seed
from ._results import (ArimaResult, ArmaxResult, AutoArimaResult, AutoResult, EtsResult, Result,
                       ThetaResult)
from ._version import __version__

# Public classes show as vordex.X in tracebacks and pickles.
for _cls in (Error, Message, Status, ManyForecasts, Result, ArimaResult, EtsResult, ArmaxResult,
             AutoArimaResult, ThetaResult, AutoResult):
    _cls.__module__ = __name__
del _cls

__all__ = ["arima", "ets", "armax", "auto", "auto_arima", "theta", "forecast_many",
           "series_seed", "ManyForecasts", "Error", "Message", "Status", "Result", "ArimaResult",
           "EtsResult", "ArmaxResult", "AutoArimaResult", "ThetaResult", "AutoResult"]
