"""Result objects: a fitted model's forecasts, fitted values, residuals, coefficients and
statistics on the time axis of the observations."""
import warnings

import numpy as np
import pandas as pd

from ._errors import Message
from ._series import future_index

_TRANSFORM_NAMES = {0: None, 1: "log", 2: "sqrt"}


def _forward(transform, y):
    return {0: lambda v: v, 1: np.log, 2: np.sqrt}[transform](y)


def _inverse(transform, z):
    return {0: lambda v: v, 1: np.exp, 2: np.square}[transform](z)


class Result:
    """A fitted model and its forecasts.

    Attributes:
        forecast: DataFrame with columns mean, lower, upper; its index continues the index of
            the observations (the next dates or periods of a regular DatetimeIndex or
            PeriodIndex, the next integers of an integer index, else positions).
        fitted: Series of one-step-ahead predictions on the scale of the observations (with a
            transform: the back-transformed prediction of the transformed series), on the index
            of the observations; NaN where the model has none (values lost to differencing).
        residuals: Series of one-step prediction errors on the model's scale (the transformed
            scale when there is a transform), on the index of the observations.
        params: dict of coefficients or smoothing parameters and initial states.
        loglik, aic, sigma2: maximised log-likelihood, AIC and innovation variance (on the
            model's scale).
        model: the model as text, such as "ARIMA(0,1,1)(0,1,1)[12]" or "ETS(M,Ad,M)".
        y: the observations as a float Series; period, horizon, level, transform: as used.
        settings: the engine's settings (keyed by the C++ API's names).
        warnings: Messages raised by the request although it succeeded.
    """

    method = None

    @classmethod
    def describe(cls, settings, raw):
        """The model as text, from the engine's settings and result dict."""
        raise NotImplementedError

    def __init__(self, values, index, settings, raw, name=None, level=None):
        self.settings = dict(settings)
        self.period = settings["period"]
        self.horizon = len(raw["forecasts"])
        self.level = level
        self.transform = _TRANSFORM_NAMES[settings["transform"]]
        self.y = pd.Series(values, index=index, name=name)
        self.forecast = pd.DataFrame(
            {"mean": raw["forecasts"], "lower": raw["lower"], "upper": raw["upper"]},
            index=future_index(index, self.horizon))
        residuals = self._residuals(raw, len(values))
        self.residuals = pd.Series(residuals, index=index, name="residuals")
        self.fitted = pd.Series(self._fitted(raw, values, residuals), index=index, name="fitted")
        self.params = self._params(raw)
        self.loglik = raw["log_likelihood"]
        self.aic = raw["aic"]
        self.sigma2 = raw["sigma2"]
        self.warnings = [Message(*m) for m in raw["warnings"]]
        self.model = self.describe(settings, raw)

    def _residuals(self, raw, n):
        return raw["residuals"]

    def _fitted(self, raw, values, residuals):
        # One-step prediction of the transformed observation z_t is z_t - e_t.
        t = self.settings["transform"]
        with np.errstate(invalid="ignore"):
            return _inverse(t, _forward(t, values) - residuals)

    def _statistics(self):
        return {"loglik": self.loglik, "aic": self.aic, "sigma2": self.sigma2}

    def __repr__(self):
        stats = ", ".join(f"{k}={v:.6g}" for k, v in self._statistics().items())
        transform = f" on {self.transform} scale" if self.transform else ""
        stats = f"; {stats}" if stats else ""
        return (f"<vordex {self.model}{transform}: {len(self.y)} observations, "
                f"{self.horizon} forecasts{stats}>")

    def summary(self):
        """The model, its parameters, statistics and forecasts as text (print it)."""
        lines = [f"Model:        {self.model}",
                 f"Transform:    {self.transform or 'none'}",
                 f"Period:       {self.period}",
                 f"Observations: {len(self.y)}", "", "Parameters"]
        width = max([len(k) for k in self.params] + [6])
        lines += [f"  {k:<{width}}  {v: .6g}" for k, v in self.params.items()]
        lines += ["", "Statistics"]
        lines += [f"  {k:<{width}}  {v: .6g}" for k, v in self._statistics().items()]
        if self.horizon:
            coverage = f" ({self.level:.0%} limits)" if self.level is not None else ""
            lines += ["", f"Forecasts{coverage}",
                      "  " + self.forecast.to_string(float_format=lambda x: f"{x:.6g}")
                      .replace("\n", "\n  ")]
        for m in self.warnings:
            lines.append(f"Warning: {m.title}: {' '.join(m.text.split())}")
        return Summary("\n".join(lines))

    def plot(self, ax=None):
        """Draws the observations, the fitted values, the forecasts and the band between the
        limits on a matplotlib Axes (a new figure's when ax is None); returns the Axes."""
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


def _arma_name(name, orders, period):
    p, d, q, P, D, Q = orders
    seasonal = f"({P},{D},{Q})[{period}]" if P or D or Q else ""
    return f"{name}({p},{d},{q}){seasonal}"


class ArimaResult(Result):
    """A seasonal ARIMA model fitted by exact maximum likelihood (see Result). params holds
    ar1.., ma1.., sar1.., sma1.. (Box-Jenkins signs: MA operator 1 - theta B) and, with
    mean=True, the constant."""

    method = "arima"

    def _params(self, raw):
        return _arma_params(raw)

    @classmethod
    def describe(cls, settings, raw):
        s = settings
        name = _arma_name("ARIMA", [s[k] for k in "pdqPDQ"], s["period"])
        return name + (" with mean" if s["mean"] else "")


class ArmaxResult(Result):
    """A seasonal ARMA model with a constant for the transformed, differenced series (see
    Result); sum_of_squares is the sum of squared one-step prediction errors."""

    method = "armax"

    def __init__(self, values, index, settings, raw, name=None, level=None):
        self.sum_of_squares = raw["sum_of_squares"]
        super().__init__(values, index, settings, raw, name, level)

    def _residuals(self, raw, n):
        # The engine returns the n - d - sD residuals of the differenced series.
        e = raw["residuals"]
        return np.concatenate([np.full(n - len(e), np.nan), e])

    def _params(self, raw):
        return _arma_params(raw)

    @classmethod
    def describe(cls, settings, raw):
        s = settings
        orders = [len(raw["ar"]), s["d"], len(raw["ma"]), len(raw["seasonal_ar"]), s["D"],
                  len(raw["seasonal_ma"])]
        return _arma_name("ARMAX", orders, s["period"]) + (
            " with constant" if s["constant"] else "")


_ERROR_LETTERS = {0: "M", 1: "A"}
_TREND_LETTERS = {1: "N", 2: "A", 3: "M", 4: "Ad"}
_SEASON_LETTERS = {1: "N", 2: "A", 3: "M"}


def _components(raw):
    return (_ERROR_LETTERS[raw["error"]], _TREND_LETTERS[raw["trend"]],
            _SEASON_LETTERS[raw["season"]])


class EtsResult(Result):
    """An exponential smoothing model (see Result). components is (error, trend, season) as
    letters (A additive, M multiplicative, N none, Ad damped); searched tells whether a model
    search chose them. params holds alpha, beta, gamma, phi (those of the model) and the initial
    states (initial_level, initial_trend, initial_season1..). Also bic, mape (percent), sigma,
    rmse (root MSE at horizons 1..multisteps) and rmse_average."""

    method = "ets"

    def __init__(self, values, index, settings, raw, name=None, level=None):
        self.components = _components(raw)
        self.searched = raw["searched"]
        self.bic = raw["bic"]
        self.mape = raw["mape"]
        self.sigma = raw["sigma"]
        self.rmse = np.asarray(raw["rmse"])
        self.rmse_average = raw["rmse_average"]
        super().__init__(values, index, settings, raw, name, level)

    def _fitted(self, raw, values, residuals):
        return _inverse(self.settings["transform"], raw["fitted"])

    def _params(self, raw):
        error, trend, season = self.components
        params = {"alpha": raw["alpha"]}
        if trend != "N":
            params["beta"] = raw["beta"]
        if season != "N":
            params["gamma"] = raw["gamma"]
        if trend == "Ad":
            params["phi"] = raw["phi"]
        params["initial_level"] = raw["initial_level"]
        if raw["initial_trend"] is not None:
            params["initial_trend"] = raw["initial_trend"]
        for k, v in enumerate(raw["initial_seasonal"], start=1):
            params[f"initial_season{k}"] = float(v)
        return params

    def _statistics(self):
        return {**super()._statistics(), "bic": self.bic, "mape": self.mape}

    @classmethod
    def describe(cls, settings, raw):
        return f"ETS({','.join(_components(raw))})"


class AutoArimaResult(ArimaResult):
    """A seasonal ARIMA model chosen by auto_arima (see ArimaResult). Also aicc, bic, orders
    ((p, d, q, P, D, Q)) and path: the models fitted by the search, in order, as a DataFrame
    with columns model, aicc and note (why a candidate was set aside)."""

    method = "auto_arima"

    def __init__(self, values, index, settings, raw, name=None, level=None):
        self.aicc = raw["aicc"]
        self.bic = raw["bic"]
        self.orders = tuple(raw["orders"])
        self.path = pd.DataFrame(raw["path"], columns=["model", "aicc", "note"])
        super().__init__(values, index, {**settings, "transform": 0}, raw, name, level)

    def _statistics(self):
        return {**super()._statistics(), "aicc": self.aicc, "bic": self.bic}

    @classmethod
    def describe(cls, settings, raw):
        return raw["name"]


class _ModelFree(Result):
    """A result without a likelihood: loglik and aic are NaN."""

    def __init__(self, values, index, settings, raw, name=None, level=None):
        raw = {"log_likelihood": np.nan, "aic": np.nan, "sigma2": np.nan, "warnings": [],
               **raw}
        super().__init__(values, index, {**settings, "transform": 0}, raw, name, level)

    def _fitted(self, raw, values, residuals):
        return values - residuals

    def _statistics(self):
        return {k: v for k, v in super()._statistics().items() if not np.isnan(v)}


class ThetaResult(_ModelFree):
    """The Theta method's fit (see Result): params holds alpha, initial_level and drift (per
    period); seasonal tells whether the series was seasonally adjusted (seasonal_indices, mean
    1)."""

    method = "theta"

    def __init__(self, values, index, settings, raw, name=None, level=None):
        self.seasonal = raw["seasonal"]
        self.seasonal_indices = np.asarray(raw["seasonal_indices"])
        super().__init__(values, index, settings, raw, name, level)

    def _params(self, raw):
        return {"alpha": raw["alpha"], "initial_level": raw["initial_level"],
                "drift": raw["drift"]}

    @classmethod
    def describe(cls, settings, raw):
        return "Theta (seasonally adjusted)" if raw["seasonal"] else "Theta"


class AutoResult(_ModelFree):
    """The combination of the automatic methods (see Result): forecast holds the means of the
    members' forecasts and limits; fitted the mean of the members' one-step predictions. The
    members' own results are members (a dict by method name: "ets", "auto_arima", "theta");
    failures lists the members left out with the reason."""

    method = "auto"

    def __init__(self, values, index, settings, raw, name=None, level=None):
        self.failures = list(raw["failures"])
        member_settings = {"period": settings["period"], "transform": 0}
        classes = {"ets": EtsResult, "auto_arima": AutoArimaResult, "theta": ThetaResult}
        self.members = {key: cls(values, index, member_settings, raw[key], name, level)
                        for key, cls in classes.items() if raw[key] is not None}
        fitted = np.array([m.fitted.to_numpy() for m in self.members.values()])
        with np.errstate(invalid="ignore"), warnings.catch_warnings():
            warnings.simplefilter("ignore", RuntimeWarning)
            mean = np.nanmean(fitted, axis=0)
        raw = {**raw, "residuals": np.asarray(values) - mean}
        super().__init__(values, index, settings, raw, name, level)

    def _params(self, raw):
        return {}

    @classmethod
    def describe(cls, settings, raw):
        names = []
        if raw["ets"] is not None:
            names.append(EtsResult.describe(settings, raw["ets"]))
        if raw["auto_arima"] is not None:
            names.append(raw["auto_arima"]["name"])
        if raw["theta"] is not None:
            names.append(ThetaResult.describe(settings, raw["theta"]))
        return "mean of " + " + ".join(names)
