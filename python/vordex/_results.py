"""Result objects: a fitted model's forecasts, fitted values, residuals, coefficients and
statistics on the time axis of the observations, under the library's names."""
from __future__ import annotations

import math
from typing import TYPE_CHECKING, Any, Dict, List, Mapping, Optional, Sequence, Tuple

import numpy as np
import pandas as pd

from ._errors import Message, Status
from ._series import future_index

if TYPE_CHECKING:
    from matplotlib.axes import Axes


def level_label(level: float) -> str:
    """A level as the forecast columns name it: percent without trailing zeros (80, 95, 99.5)."""
    return f"{level:.10g}"


def forecast_columns(levels: Sequence[float]) -> List[str]:
    """The columns of a forecast table: mean, then lower_L and upper_L for each level L."""
    columns = ["mean"]
    for level in levels:
        columns += [f"lower_{level_label(level)}", f"upper_{level_label(level)}"]
    return columns


def forecast_values(raw: Mapping[str, Any]) -> Dict[str, Any]:
    """The columns of forecast_columns from a result dict of the extension."""
    values = {"mean": raw["mean"]}
    for level, lower, upper in raw["limits"]:
        values[f"lower_{level_label(level)}"] = lower
        values[f"upper_{level_label(level)}"] = upper
    return values


class Result:
    """A fitted model and its forecasts: what every method returns (the library's
    ``vordex::Forecast``), and the base of each method's result class.

    Attributes
    ----------
    forecast : pandas.DataFrame
        The column ``mean`` (the point forecasts) and, for each level L asked for,
        ``lower_L`` and ``upper_L`` (``lower_80``, ``upper_80``, ``lower_95``, ``upper_95`` by
        default; L in percent without trailing zeros, as 99.5). Its index continues the
        observations' index: the next dates or periods of a regular DatetimeIndex or
        PeriodIndex, the next integers of an integer index, else positions.
    levels : list of float
        The coverages of the limits in percent, in the order of the columns.
    fitted : pandas.Series
        One-step-ahead predictions on the scale of the observations, on their index; NaN where
        the model has none (values lost to differencing).
    residuals : pandas.Series
        One-step prediction errors on the model's scale (the transformed scale with a
        transform; relative errors for multiplicative ETS errors), on the observations' index.
    params : dict of str to float
        Coefficients, or smoothing parameters and initial states, by name.
    log_likelihood, aic, aicc, bic, sigma2 : float
        The maximised log-likelihood, the information criteria counting every estimated
        parameter (as R's forecast package counts them), the innovation variance on the
        model's scale; NaN where the method has none (Theta, the combination).
    model : str
        The fitted model in the library's notation: "ARIMA(0,1,1)(0,1,1)[12]", "ETS(M,Ad,M)",
        "Theta", "mean of ETS(..) + ARIMA(..) + Theta".
    status : vordex.Status
        OK, or a warning saying that the result is less than what was asked for:
        SINGLE_MEMBER (a combination of one method), FALLBACK (a simple forecast for a series
        too short for the model).
    fallback : str
        With status FALLBACK the simple method that produced the forecasts ("constant",
        "mean", "naive", "seasonal_naive"), else "".
    missing : int
        The number of missing values (NaN) among the observations, which the model predicted
        through: fitted values there are predictions, residuals NaN.
    warnings : list of vordex.Message
        Messages raised by the request although it succeeded.
    y : pandas.Series
        The observations as floats, on their index.
    period, horizon : int
        The seasonal period and the number of forecasts, as used.
    transform : str
        "none", "log", "sqrt" or "boxcox": the scale the model was fitted on.
    settings : dict
        The settings passed to the library, keyed by the C++ API's names.

    Examples
    --------
    >>> import vordex
    >>> r = vordex.theta([3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0], horizon=2, level=90)
    >>> r.forecast.columns.tolist(), r.levels
    (['mean', 'lower_90', 'upper_90'], [90.0])
    >>> r.forecast.index.tolist()              # positions continue those of a list
    [8, 9]
    """

    forecast: pd.DataFrame
    levels: List[float]
    fitted: pd.Series
    residuals: pd.Series
    params: Dict[str, float]
    log_likelihood: float
    aic: float
    aicc: float
    bic: float
    sigma2: float
    model: str
    status: Status
    fallback: str
    missing: int
    warnings: List[Message]
    y: pd.Series
    period: int
    horizon: int
    transform: str
    settings: Dict[str, Any]

    def __init__(self, values: np.ndarray, index: pd.Index, raw: Mapping[str, Any],
                 settings: Mapping[str, Any], name: Optional[Any] = None) -> None:
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
        self.fallback = raw.get("fallback", "")
        self.missing = raw["missing"]
        self.warnings = [Message(*m) for m in raw["warnings"]]
        # The model file, or None with the reason a result has no model to save (a fallback
        # forecast, the seasonal route's MSTL, ARMAX through the state space route).
        model_file = raw.get("model_file")
        self._model_file: Optional[str] = model_file if isinstance(model_file, str) else None
        self._unsaved_reason: Optional[str] = (model_file[0] if isinstance(model_file, tuple)
                                               else None)

    def save(self, path: Any) -> None:
        """Writes the fitted model to `path` as a model file (one line of JSON: the method,
        settings, estimates, the state its forecasts continue from, the fit statistics; no
        observations), which ``vordex.load`` reads in any process. A result without a model to
        continue (a fallback forecast, the seasonal route's MSTL, ARMAX fitted through the
        state space route) raises vordex.Error (INVALID_SETTINGS) with the reason."""
        from ._model import save
        save(self, path)

    def update(self, y_new: Any) -> "Result":
        """The model with the new observations `y_new` (the times after the last; NaN for a
        missing value) filtered through it, without estimating again: forecasts of the same
        horizon and levels from the new end. Its ``y``, ``fitted`` and ``residuals`` are those of
        the new observations (on their index, or the index continued); estimates and fit
        statistics stay the model's. Equals filtering the whole series with the same
        estimates, to rounding."""
        from ._model import update
        return update(self, y_new)

    def predict(self, horizon: int, level: Any = (80.0, 95.0)) -> "Result":
        """The model with forecasts of `horizon` steps and limits at `level` (percent) from
        its state, without estimating again."""
        from ._model import predict
        return predict(self, horizon, level)

    def __reduce_ex__(self, protocol: Any) -> Any:
        # Pickles through the model file (with the observations and their index), so that a
        # pickle stays small and loads across versions that read the format; results of
        # methods without model files pickle as plain objects.
        if self._model_file is None:
            return super().__reduce_ex__(protocol)
        from ._model import _unpickle
        return (_unpickle, (self._model_file, self.y.to_numpy(dtype=float), self.y.index,
                            self.y.name, self.settings))

    def _params(self, raw: Mapping[str, Any]) -> Dict[str, float]:
        return {}

    def _statistics(self) -> Dict[str, float]:
        """The statistics the method has (NaN ones left out)."""
        stats = {"log_likelihood": self.log_likelihood, "aic": self.aic, "aicc": self.aicc,
                 "bic": self.bic, "sigma2": self.sigma2}
        return {k: v for k, v in stats.items() if not math.isnan(v)}

    def __repr__(self) -> str:
        stats = ", ".join(f"{k}={v:.6g}" for k, v in self._statistics().items())
        transform = f" on {self.transform} scale" if self.transform != "none" else ""
        stats = f"; {stats}" if stats else ""
        status = f" [{self.status.name}]" if self.status is not Status.OK else ""
        return (f"<vordex {self.model}{transform}: {len(self.y)} observations, "
                f"{self.horizon} forecasts{stats}{status}>")

    def diagnostics(self) -> Any:
        """Residual diagnostics as R's checkresiduals: see vordex.diagnostics; ``.plot()``
        draws the residuals, their ACF and their histogram."""
        from ._evaluate import diagnostics
        return diagnostics(self)

    def summary(self) -> Summary:
        """The model, its parameters, statistics and forecasts as text.

        Returns
        -------
        Summary
            A str that shows as itself at the interactive prompt: the model, transform,
            period, number of observations, status (unless OK), parameters, statistics (those
            the method has), the forecast table and any warnings.

        Examples
        --------
        >>> import vordex
        >>> r = vordex.theta([3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0], horizon=2)
        >>> print(r.summary())                           # doctest: +ELLIPSIS
        Model:        Theta
        Transform:    none
        Period:       1
        Observations: 8
        ...
        Forecasts (80%, 95% limits)
               mean  lower_80  upper_80  lower_95  upper_95
          8  ...
        """
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

    def plot(self, ax: Optional[Axes] = None, *, fitted: bool = True,
             last: Optional[int] = None) -> Axes:
        """Draws the observations, the fitted values, the forecasts and the band between the
        limits of every level, with labels, on a matplotlib Axes.

        Parameters
        ----------
        ax : matplotlib.axes.Axes, optional
            Where to draw; None draws on a new figure.
        fitted : bool, default True
            Draw the fitted values (one-step predictions) over the observations.
        last : int, optional
            Draw only the last `last` observations (and fitted values); None draws all.

        Returns
        -------
        matplotlib.axes.Axes
            The Axes drawn on. Its lines are the observations ("observed"), the fitted values
            ("fitted") and the forecasts ("forecast"); one filled band per level ("95%
            limits", "80% limits": the widest first and palest). The title is the model, the
            y label the series' name, the x label the index's name; dates and periods are
            drawn as dates.

        Raises
        ------
        ValueError
            A `last` that is not a number of observations.
        ImportError
            Without matplotlib.

        Examples
        --------
        >>> import matplotlib
        >>> matplotlib.use("Agg")
        >>> import vordex
        >>> r = vordex.theta([3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0], horizon=2)
        >>> ax = r.plot()
        >>> [line.get_label() for line in ax.lines]
        ['observed', 'fitted', 'forecast']
        >>> ax.get_title()
        'Theta'
        """
        from ._plot import plot_result
        return plot_result(self, ax, fitted=fitted, last=last)


class Summary(str):
    """Text that shows as itself at the interactive prompt."""

    def __repr__(self) -> str:
        return str(self)


def _arma_params(raw: Mapping[str, Any]) -> Dict[str, float]:
    params = {}
    for prefix, key in (("ar", "ar"), ("ma", "ma"), ("sar", "seasonal_ar"),
                        ("sma", "seasonal_ma")):
        for k, v in enumerate(raw[key], start=1):
            params[f"{prefix}{k}"] = float(v)
    if raw["constant"] is not None:
        params["constant"] = raw["constant"]
    return params


_Raw = Mapping[str, Any]


class ArimaResult(Result):
    """A seasonal ARIMA model fitted by exact maximum likelihood: what :func:`vordex.arima`
    returns; the attributes of :class:`Result` and those below.

    Attributes
    ----------
    orders : tuple of int
        (p, d, q, P, D, Q).
    params : dict of str to float
        ``ar1``.., ``ma1``.., ``sar1``.., ``sma1``.. (Box-Jenkins signs: the MA operator is
        1 - theta B) and, with a constant, ``constant``.
        With regressors or a drift, also the regression coefficients by name: ``drift`` and
        the regressors' names.
    regression : DataFrame
        The regression coefficients (index: names; ``mean`` first with a constant, the mean of
        the differenced series, R's ``intercept``) with columns ``estimate`` and
        ``standard_error`` (from the Hessian); empty without a regression part.

    Examples
    --------
    >>> import vordex
    >>> r = vordex.arima([3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0, 7.0, 9.0], order=(1, 0, 0),
    ...                  constant=True, horizon=2)
    >>> r.orders, sorted(r.params)
    ((1, 0, 0, 0, 0, 0), ['ar1', 'constant'])
    """

    orders: Tuple[int, ...]

    def __init__(self, values: np.ndarray, index: pd.Index, raw: _Raw,
                 settings: Mapping[str, Any], name: Optional[Any] = None) -> None:
        self.orders = tuple(raw["orders"])
        super().__init__(values, index, raw, settings, name)

    def _params(self, raw: _Raw) -> Dict[str, float]:
        params = _arma_params(raw)
        # The regression part: "mean", "drift", then the regressors, by name.
        self.regression = pd.DataFrame(
            [(e, s) for _, e, s in raw.get("regression", [])],
            index=pd.Index([n for n, _, _ in raw.get("regression", [])], dtype=object),
            columns=["estimate", "standard_error"], dtype=float)
        # The mean stays in `regression`: `constant` already stands for it in params.
        params.update({str(n): float(e) for n, e, _ in raw.get("regression", []) if n != "mean"})
        return params


class ArmaxResult(Result):
    """A seasonal ARMA model with an optional constant for the transformed, differenced series:
    what :func:`vordex.armax` returns; the attributes of :class:`Result` and those below.

    Attributes
    ----------
    orders : tuple of int
        (p, d, q, P, D, Q).
    params : dict of str to float
        As for :class:`ArimaResult`.
    sum_of_squares : float
        The sum of the squared one-step prediction errors.

    Examples
    --------
    >>> import vordex
    >>> r = vordex.armax([3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0, 7.0, 9.0], order=(1, 0, 0),
    ...                  constant=True, horizon=2)
    >>> r.orders, r.sum_of_squares > 0
    ((1, 0, 0, 0, 0, 0), True)
    """

    orders: Tuple[int, ...]
    sum_of_squares: float

    def __init__(self, values: np.ndarray, index: pd.Index, raw: _Raw,
                 settings: Mapping[str, Any], name: Optional[Any] = None) -> None:
        self.orders = tuple(raw["orders"])
        self.sum_of_squares = raw["sum_of_squares"]
        super().__init__(values, index, raw, settings, name)

    def _params(self, raw: _Raw) -> Dict[str, float]:
        return _arma_params(raw)


class EtsResult(Result):
    """An exponential smoothing model: what :func:`vordex.ets` returns; the attributes of
    :class:`Result` and those below.

    Attributes
    ----------
    components : tuple of str
        (error, trend, season) by the library's names: "additive", "multiplicative", "none",
        "damped".
    searched : bool
        Whether a model search chose the components.
    params : dict of str to float
        ``alpha``, ``beta``, ``gamma``, ``phi`` (those the model has), then the initial states
        ``initial_level``, ``initial_trend``, ``initial_season1``...
    mape : float
        The mean absolute percentage error of the one-step predictions, in percent.
    sigma : float
        The standard deviation of the residuals.
    rmse : numpy.ndarray
        The root mean squared errors at horizons 1..multisteps.
    rmse_average : float
        Their average.
    information_criterion : float
        The value of the criterion the model was chosen by.

    Examples
    --------
    >>> import vordex
    >>> r = vordex.ets([3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0], error="additive",
    ...                trend="none", season="none", horizon=2, seed=1)
    >>> r.model, r.components, sorted(r.params)
    ('ETS(A,N,N)', ('additive', 'none', 'none'), ['alpha', 'initial_level'])
    """

    components: Tuple[str, str, str]
    searched: bool
    mape: float
    sigma: float
    rmse: np.ndarray
    rmse_average: float
    information_criterion: float

    def __init__(self, values: np.ndarray, index: pd.Index, raw: _Raw,
                 settings: Mapping[str, Any], name: Optional[Any] = None) -> None:
        self.components = tuple(raw["components"])  # type: ignore[assignment]
        self.searched = raw["searched"]
        self.mape = raw["mape"]
        self.sigma = raw["sigma"]
        self.rmse = np.asarray(raw["rmse"])
        self.rmse_average = raw["rmse_average"]
        self.information_criterion = raw["information_criterion"]
        super().__init__(values, index, raw, settings, name)

    def _params(self, raw: _Raw) -> Dict[str, float]:
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

    def _statistics(self) -> Dict[str, float]:
        return {**super()._statistics(), "mape": self.mape}


class AutoArimaResult(ArimaResult):
    """A seasonal ARIMA model chosen by :func:`vordex.auto_arima`; the attributes of
    :class:`ArimaResult` and those below.

    Attributes
    ----------
    path : pandas.DataFrame
        The models fitted by the search, in order: columns ``model``, ``aicc`` and ``note``
        (why a candidate was set aside, such as "not admissible").

    Examples
    --------
    >>> import vordex
    >>> r = vordex.auto_arima([3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0, 7.0, 9.0], horizon=2)
    >>> r.path.columns.tolist()
    ['model', 'aicc', 'note']
    """

    path: pd.DataFrame

    def __init__(self, values: np.ndarray, index: pd.Index, raw: _Raw,
                 settings: Mapping[str, Any], name: Optional[Any] = None) -> None:
        self.path = pd.DataFrame(raw["path"], columns=["model", "aicc", "note"])
        super().__init__(values, index, raw, settings, name)


class ThetaResult(Result):
    """The Theta method's fit: what :func:`vordex.theta` returns; the attributes of
    :class:`Result` (without a likelihood) and those below.

    Attributes
    ----------
    params : dict of str to float
        ``alpha``, ``initial_level`` and ``drift`` (per period).
    seasonal : bool
        Whether the series was seasonally adjusted.
    seasonal_indices : numpy.ndarray
        The multiplicative seasonal indices (mean 1) it was adjusted by.

    Examples
    --------
    >>> import vordex
    >>> r = vordex.theta([3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0], horizon=2)
    >>> sorted(r.params), r.seasonal
    (['alpha', 'drift', 'initial_level'], False)
    """

    seasonal: bool
    seasonal_indices: np.ndarray

    def __init__(self, values: np.ndarray, index: pd.Index, raw: _Raw,
                 settings: Mapping[str, Any], name: Optional[Any] = None) -> None:
        self.seasonal = raw["seasonal"]
        self.seasonal_indices = np.asarray(raw["seasonal_indices"])
        super().__init__(values, index, raw, settings, name)

    def _params(self, raw: _Raw) -> Dict[str, float]:
        return {"alpha": raw["alpha"], "initial_level": raw["initial_level"],
                "drift": raw["drift"]}


class AutoResult(Result):
    """The combination of the automatic methods: what :func:`vordex.auto` returns; the
    attributes of :class:`Result` (without a likelihood) and those below.

    ``forecast`` holds the means of the members' forecasts and limits, ``fitted`` the means of
    the members' one-step predictions.

    Attributes
    ----------
    members : dict of str to Result
        The members' own results by method name: "ets" (an :class:`EtsResult`), "auto_arima"
        (an :class:`AutoArimaResult`), "theta" (a :class:`ThetaResult`).
    failures : list of str
        The members left out, each "method: reason". With one member left the status is
        SINGLE_MEMBER; with none (a series too short) FALLBACK.

    Examples
    --------
    >>> import vordex
    >>> r = vordex.auto([3.0, 5.0, 4.0, 6.0, 5.0, 7.0, 6.0, 8.0, 7.0, 9.0], horizon=2)
    >>> sorted(r.members), r.failures
    (['auto_arima', 'ets', 'theta'], [])
    """

    members: Dict[str, Result]
    failures: List[str]

    def __init__(self, values: np.ndarray, index: pd.Index, raw: _Raw,
                 settings: Mapping[str, Any], name: Optional[Any] = None) -> None:
        self.failures = list(raw["failures"])
        classes = {"ets": EtsResult, "auto_arima": AutoArimaResult, "theta": ThetaResult}
        member_settings = {"period": settings["period"]} if "period" in settings else {}
        self.members = {key: classes[key](values, index, member, member_settings, name)
                        for key, member in raw["members"].items()}
        super().__init__(values, index, raw, settings, name)
