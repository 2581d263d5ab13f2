"""Result objects: a fitted model's forecasts, fitted values, residuals, coefficients and
statistics on the time axis of the observations, under the library's names."""
import math

import numpy as np
import pandas as pd

from ._errors import Message, Status
from ._series import future_index


def level_label(level):
    """A level as the forecast columns name it: percent without trailing zeros (80, 95, 99.5)."""
    return f"{level:.10g}"


def forecast_columns(levels):
    """The columns of a forecast table: mean, then lower_L and upper_L for each level L."""
    columns = ["mean"]
    for level in levels:
        columns += [f"lower_{level_label(level)}", f"upper_{level_label(level)}"]
    return columns


def forecast_values(raw):
    """The columns of forecast_columns from a result dict of the extension."""
    values = {"mean": raw["mean"]}
    for level, lower, upper in raw["limits"]:
        values[f"lower_{level_label(level)}"] = lower
        values[f"upper_{level_label(level)}"] = upper
    return values


class Result:
    """A fitted model and its forecasts.

    Attributes:
        forecast: DataFrame with the column mean (the point forecasts) and, for each level L
            asked for, lower_L and upper_L (lower_80, upper_80, lower_95, upper_95 by default);
            its index continues the index of the observations (the next dates or periods of a
            regular DatetimeIndex or PeriodIndex, the next integers of an integer index, else
            positions).
        levels: the coverages of the limits in percent, in the order of the columns.
        fitted: Series of one-step-ahead predictions on the scale of the observations, on the
            index of the observations; NaN where the model has none (values lost to
            differencing).
        residuals: Series of one-step prediction errors on the model's scale (the transformed
            scale when there is a transform; relative errors for multiplicative ETS errors), on
            the index of the observations; NaN where there are none.
        params: dict of coefficients or smoothing parameters and initial states.
        log_likelihood, aic, aicc, bic, sigma2: the maximised log-likelihood, the information
            criteria counting every estimated parameter (as R's forecast package counts them) and
            the innovation variance on the model's scale; NaN where a method has none.
        model: the fitted model in the library's notation, such as "ARIMA(0,1,1)(0,1,1)[12]",
            "ETS(M,Ad,M)" or "Theta".
        status: a :class:`Status`: OK, or a warning such as SINGLE_MEMBER.
        warnings: Messages raised by the request although it succeeded.
        y: the observations as a float Series; period, horizon, transform ("none", "log",
            "sqrt"): as used.
        settings: the settings passed to the library (keyed by the C++ API's names).
    """

    def __init__(self, values, index, raw, settings, name=None):
        self.settings = dict(settings)
        self.period = settings.get("period", raw["period"])
        self.transform = raw["transform"]
        self.y = pd.Series(values, index=index, name=name)
        self.horizon = len(raw["mean"])
        self.levels = [level for level, _, _ in raw["limits"]]
        self.forecast = pd.DataFrame(forecast_values(raw), columns=forecast_columns(self.levels),
                                     index=future_index(index, self.horizon))
        self.fitted = pd.Series(raw["fitted"], index=index, name="fitted")
        self.residuals = pd.Series(raw["residuals"], index=index, name="residuals")
        self.params = self._params(raw)
        self.log_likelihood = raw["log_likelihood"]
        self.aic = raw["aic"]
        self.aicc = raw["aicc"]
        self.bic = raw["bic"]
        self.sigma2 = raw["sigma2"]
        self.model = raw["model"]
        self.status = Status(raw["status"])
        self.warnings = [Message(*m) for m in raw["warnings"]]

    def _params(self, raw):
        return {}

    def _statistics(self):
        """The statistics the method has (NaN ones left out)."""
        stats = {"log_likelihood": self.log_likelihood, "aic": self.aic, "aicc": self.aicc,
                 "bic": self.bic, "sigma2": self.sigma2}
        return {k: v for k, v in stats.items() if not math.isnan(v)}

    def __repr__(self):
        stats = ", ".join(f"{k}={v:.6g}" for k, v in self._statistics().items())
        transform = f" on {self.transform} scale" if self.transform != "none" else ""
        stats = f"; {stats}" if stats else ""
        status = f" [{self.status.name}]" if self.status is not Status.OK else ""
        return (f"<vordex {self.model}{transform}: {len(self.y)} observations, "
                f"{self.horizon} forecasts{stats}{status}>")

    def summary(self):
        """The model, its parameters, statistics and forecasts as text (print it)."""
        lines = [f"Model:        {self.model}",
                 f"Transform:    {self.transform}",
                 f"Period:       {self.period}",
                 f"Observations: {len(self.y)}"]
        if self.status is not Status.OK:
            lines.append(f"Status:       {self.status.name}")
        width = max([len(k) for k in self.params] + [14])
        if self.params:
            lines += ["", "Parameters"]
            lines += [f"  {k:<{width}}  {v: .6g}" for k, v in self.params.items()]
        lines += ["", "Statistics"]
        lines += [f"  {k:<{width}}  {v: .6g}" for k, v in self._statistics().items()]
        if self.horizon:
            coverage = ", ".join(f"{level_label(level)}%" for level in self.levels)
            lines += ["", f"Forecasts ({coverage} limits)" if coverage else "Forecasts",
                      "  " + self.forecast.to_string(float_format=lambda x: f"{x:.6g}")
                      .replace("\n", "\n  ")]
        for m in self.warnings:
            lines.append(f"Warning: {m.title}: {' '.join(m.text.split())}")
        return Summary("\n".join(lines))

    def plot(self, ax=None):
        """Draws the observations, the fitted values, the forecasts and a band between the
        limits of each level on a matplotlib Axes (a new figure's when ax is None); returns the
        Axes."""
        from ._plot import plot_result
        return plot_result(self, ax)


class Summary(str):
    """Text that shows as itself at the interactive prompt."""

    def __repr__(self):
        return str(self)


def _arma_params(raw):
    params = {}
    for prefix, key in (("ar", "ar"), ("ma", "ma"), ("sar", "seasonal_ar"),
                        ("sma", "seasonal_ma")):
        for k, v in enumerate(raw[key], start=1):
            params[f"{prefix}{k}"] = float(v)
    if raw["constant"] is not None:
        params["constant"] = raw["constant"]
    return params


class ArimaResult(Result):
    """A seasonal ARIMA model fitted by exact maximum likelihood (see Result). params holds
    ar1.., ma1.., sar1.., sma1.. (Box-Jenkins signs: MA operator 1 - theta B) and, with
    constant=True, the constant; orders is (p, d, q, P, D, Q)."""

    def __init__(self, values, index, raw, settings, name=None):
        self.orders = tuple(raw["orders"])
        super().__init__(values, index, raw, settings, name)

    def _params(self, raw):
        return _arma_params(raw)


class ArmaxResult(Result):
    """A seasonal ARMA model with an optional constant for the transformed, differenced series
    (see Result): params and orders as for ArimaResult; sum_of_squares is the sum of squared
    one-step prediction errors."""

    def __init__(self, values, index, raw, settings, name=None):
        self.orders = tuple(raw["orders"])
        self.sum_of_squares = raw["sum_of_squares"]
        super().__init__(values, index, raw, settings, name)

    def _params(self, raw):
        return _arma_params(raw)


class EtsResult(Result):
    """An exponential smoothing model (see Result). components is (error, trend, season) by the
    library's names ("additive", "multiplicative", "none", "damped"); searched tells whether a
    model search chose them. params holds alpha, beta, gamma, phi (those of the model) and the
    initial states (initial_level, initial_trend, initial_season1..). Also mape (percent),
    sigma, rmse (root MSE at horizons 1..multisteps), rmse_average and information_criterion
    (the one the settings chose by)."""

    def __init__(self, values, index, raw, settings, name=None):
        self.components = tuple(raw["components"])
        self.searched = raw["searched"]
        self.mape = raw["mape"]
        self.sigma = raw["sigma"]
        self.rmse = np.asarray(raw["rmse"])
        self.rmse_average = raw["rmse_average"]
        self.information_criterion = raw["information_criterion"]
        super().__init__(values, index, raw, settings, name)

    def _params(self, raw):
        _, trend, season = raw["components"]
        params = {"alpha": raw["alpha"]}
        if trend != "none":
            params["beta"] = raw["beta"]
        if season != "none":
            params["gamma"] = raw["gamma"]
        if trend == "damped":
            params["phi"] = raw["phi"]
        params["initial_level"] = raw["initial_level"]
        if raw["initial_trend"] is not None:
            params["initial_trend"] = raw["initial_trend"]
        for k, v in enumerate(raw["initial_seasonal"], start=1):
            params[f"initial_season{k}"] = float(v)
        return params

    def _statistics(self):
        return {**super()._statistics(), "mape": self.mape}


class AutoArimaResult(ArimaResult):
    """A seasonal ARIMA model chosen by auto_arima (see ArimaResult). Also path: the models
    fitted by the search, in order, as a DataFrame with columns model, aicc and note (why a
    candidate was set aside)."""

    def __init__(self, values, index, raw, settings, name=None):
        self.path = pd.DataFrame(raw["path"], columns=["model", "aicc", "note"])
        super().__init__(values, index, raw, settings, name)


class ThetaResult(Result):
    """The Theta method's fit (see Result; it has no likelihood): params holds alpha,
    initial_level and drift (per period); seasonal tells whether the series was seasonally
    adjusted (seasonal_indices, mean 1)."""

    def __init__(self, values, index, raw, settings, name=None):
        self.seasonal = raw["seasonal"]
        self.seasonal_indices = np.asarray(raw["seasonal_indices"])
        super().__init__(values, index, raw, settings, name)

    def _params(self, raw):
        return {"alpha": raw["alpha"], "initial_level": raw["initial_level"],
                "drift": raw["drift"]}


class AutoResult(Result):
    """The combination of the automatic methods (see Result; it has no likelihood): forecast
    holds the means of the members' forecasts and limits, fitted the mean of the members'
    one-step predictions. The members' own results are members (a dict by method name: "ets",
    "auto_arima", "theta"); failures lists the members left out with the reason. With one member
    left, status is Status.SINGLE_MEMBER."""

    def __init__(self, values, index, raw, settings, name=None):
        self.failures = list(raw["failures"])
        classes = {"ets": EtsResult, "auto_arima": AutoArimaResult, "theta": ThetaResult}
        member_settings = {"period": settings["period"]} if "period" in settings else {}
        self.members = {key: classes[key](values, index, member, member_settings, name)
                        for key, member in raw["members"].items()}
        super().__init__(values, index, raw, settings, name)
