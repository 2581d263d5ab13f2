"""One series at a time: vordex.arima, vordex.ets, vordex.armax and the automatic methods.

Each method is described once in METHODS (its settings builder, the extension's entry point
and its result class), which forecast_many shares; a new method is one more entry and one more
public function."""
from __future__ import annotations

from typing import Any, Callable, Dict, NamedTuple, Optional, Sequence, Tuple, Type, Union

import numpy.typing as npt
import pandas as pd

from . import _regressors, _settings, _vordex
from ._docs import fill
from ._results import (ArimaResult, ArmaxResult, AutoArimaResult, AutoResult, EtsResult, Result,
                       ThetaResult)
from ._series import observations, period_of, seasonal_periods
from ._settings import DEFAULT_HORIZON, DEFAULT_LEVELS, BoxCox

#: Observations: a pandas Series (whose index the results continue) or any one-dimensional
#: sequence of numbers.
Observations = Union[pd.Series, npt.ArrayLike]
#: Coverages of the limits in percent: one number or several.
Levels = Union[float, Sequence[float]]
Transform = Optional[Union[str, BoxCox]]
#: Three orders, (p, d, q) or (P, D, Q).
Orders = Tuple[int, int, int]


class Method(NamedTuple):
    fit: Callable[..., Dict[str, Any]]  # extension entry point: (values, settings dict) -> dict
    result: Type[Result]
    settings: Callable[..., Dict[str, Any]]  # (period, **keywords) -> settings dict


def _seasonal_default(seasonal, period):
    # As the command-line tool: the airline model's seasonal part when the data are seasonal.
    if seasonal is not None:
        return seasonal
    return (0, 1, 1) if period > 1 else (0, 0, 0)


def arima_settings(period, order=(0, 1, 1), seasonal=None, transform=None, constant=False,
                   horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, critical_value=None,
                   thorough=False):
    return _settings.arima(period, order, _seasonal_default(seasonal, period), transform,
                           constant, horizon, level, critical_value, thorough)


def armax_settings(period, order=(0, 1, 1), seasonal=None, transform=None, constant=False,
                   horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, critical_value=None,
                   thorough=False):
    return _settings.armax(period, order, _seasonal_default(seasonal, period), transform,
                           constant, horizon, level, critical_value, thorough)


def ets_settings(period, error=None, trend=None, season=None, horizon=DEFAULT_HORIZON,
                 level=DEFAULT_LEVELS, paths=5000, seed=None, criterion="likelihood",
                 initialization="heuristic", disturbances="gaussian", multisteps=12,
                 information_criterion="aic", transform=None, search="default",
                 admissible_region=False, bounds=None, auto=False, threads=0):
    s = _settings.ets(period, error, trend, season, horizon, level, paths, seed, criterion,
                      initialization, disturbances, multisteps, information_criterion,
                      transform, search, admissible_region, bounds, threads)
    if not auto:
        return s
    # The preset chooses the model and its estimation; the forecasts are still the caller's.
    kept = ("period", "horizon", "levels", "paths", "seed", "transform", "threads")
    return {"auto": True, **{k: s[k] for k in kept}}


def auto_arima_settings(period, horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, d=None, D=None,
                        max_p=5, max_q=5, max_P=2, max_Q=2, max_order=5, stepwise=True,
                        allow_constant=True, thorough=True, transform=None,
                        approximation=False):
    return _settings.auto_arima(period, horizon, level, d, D, max_p, max_q, max_P, max_Q,
                                max_order, stepwise, allow_constant, thorough, transform,
                                approximation)


def theta_settings(period, horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, transform=None):
    return _settings.theta(period, horizon, level, transform)


def auto_settings(period, horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, seed=None, threads=0,
                  transform=None):
    return _settings.auto(period, horizon, level, seed, threads, transform)


# By the library's method names (vordex::Method).
METHODS = {
    "arima": Method(_vordex.fit_arima, ArimaResult, arima_settings),
    "ets": Method(_vordex.fit_ets, EtsResult, ets_settings),
    "armax": Method(_vordex.fit_armax, ArmaxResult, armax_settings),
    "auto_arima": Method(_vordex.fit_auto_arima, AutoArimaResult, auto_arima_settings),
    "theta": Method(_vordex.fit_theta, ThetaResult, theta_settings),
    "auto": Method(_vordex.fit_auto, AutoResult, auto_settings),
}


def _fit(method: str, y: Observations, period: Optional[int], keywords: Dict[str, Any],
         xreg: Any = None, future_xreg: Any = None, drift: bool = False) -> Any:
    """Converts y, builds the method's settings and fits; period None takes the frequency of
    y's index. xreg and future_xreg (ARIMA methods) are the regressors and their future values,
    the latter's rows giving the horizon."""
    values, index = observations(y)
    entry = METHODS[method]
    if period is None:
        period = seasonal_periods(index) if method == "auto" else period_of(index)
    settings = entry.settings(period, **keywords)
    settings.update(_regressors.settings_of(len(values), xreg, future_xreg))
    if drift:
        settings["drift"] = True
    raw = entry.fit(values, settings)
    return entry.result(values, index, raw, settings, name=getattr(y, "name", None))


@fill
def arima(y: Observations, order: Orders = (0, 1, 1), seasonal: Optional[Orders] = None,
          period: Optional[int] = None, transform: Transform = None, constant: bool = False,
          horizon: int = DEFAULT_HORIZON, level: Levels = DEFAULT_LEVELS,
          critical_value: Optional[float] = None, thorough: bool = False,
          xreg: Optional[Any] = None, future_xreg: Optional[Any] = None,
          drift: bool = False) -> ArimaResult:
    """Seasonal ARIMA(p,d,q)(P,D,Q)[period] fitted by exact maximum likelihood, and its
    forecasts.

    Parameters
    ----------
    {y}
    order : tuple of three int, default (0, 1, 1)
        (p, d, q): the nonseasonal AR order, number of differences and MA order.
    seasonal : tuple of three int, optional
        (P, D, Q) at lag `period`. None gives (0, 1, 1) when the period exceeds 1 (with the
        default order, the airline model), else (0, 0, 0).
    {period}
        At most 24.
    {transform}
    constant : bool, default False
        A constant in the differenced model: the mean of the differenced series is removed
        and the constant estimated.
    {horizon}
        At most 120.
    {level}
        Each limit lies the normal quantile of (1 + level/100)/2 standard errors from the
        forecast, on the transformed scale.
    critical_value : float, optional
        Instead of `level`, one pair of limits this many standard errors from the forecast;
        its level is the normal coverage 100 erf(c / sqrt 2) (68.26894921 for 1).
    thorough : bool, default False
        Estimate from several starting points and keep the best optimum.
    xreg : DataFrame, Series or array, optional
        Regression with ARIMA errors, y(t) = b' x(t) + n(t) with n(t) the ARIMA process (as R's
        ``Arima(xreg=)``): one row per value of `y` (column names from a DataFrame, else xreg,
        xreg1, ...). Differencing applies to y and x alike; b and the ARMA coefficients are
        estimated jointly by exact maximum likelihood. See :func:`fourier`, :func:`trend` and
        :func:`event` for ready-made ones.
    future_xreg : DataFrame, Series or array, optional
        The regressors' values ahead, the same columns; its rows give the horizon (none
        without it). The limits treat b as known, as R's.
    drift : bool, default False
        The regressor t = 1..n ("drift"), for d + D <= 1 (R's include.drift).

    Returns
    -------
    ArimaResult
        {returns_common}
        ``params`` holds ``ar1``.., ``ma1``.., ``sar1``.., ``sma1``.. (Box-Jenkins signs: MA
        operator 1 - theta B) and, with constant=True, ``constant``; ``orders`` is
        (p, d, q, P, D, Q).

    Raises
    ------
    {raises}

    See Also
    --------
    auto_arima : the orders chosen by tests and a stepwise search.
    armax : the same models by a quasi-Newton minimiser.

    Examples
    --------
    {example_series}
    >>> r = vordex.arima(y, horizon=3)       # the airline model: period 12 from the index
    >>> r.model
    'ARIMA(0,1,1)(0,1,1)[12]'
    >>> r.forecast.round(1)
              mean  lower_80  upper_80  lower_95  upper_95
    2019-01  145.1     142.5     147.6     141.1     149.0
    2019-02  151.3     148.7     153.8     147.3     155.2
    2019-03  157.7     155.1     160.3     153.7     161.6
    >>> {k: round(v, 3) for k, v in r.params.items()}
    {'ma1': 0.949, 'sma1': 0.672}
    >>> vordex.arima(y, order=(1, 0, 0), seasonal=(0, 0, 0), constant=True, level=95,
    ...              horizon=2).forecast.columns.tolist()
    ['mean', 'lower_95', 'upper_95']
    """
    return _fit("arima", y, period, dict(
        order=order, seasonal=seasonal, transform=transform, constant=constant,
        horizon=horizon, level=level, critical_value=critical_value, thorough=thorough),
        xreg, future_xreg, drift)


@fill
def armax(y: Observations, order: Orders = (0, 1, 1), seasonal: Optional[Orders] = None,
          period: Optional[int] = None, transform: Transform = None, constant: bool = False,
          horizon: int = DEFAULT_HORIZON, level: Levels = DEFAULT_LEVELS,
          critical_value: Optional[float] = None, thorough: bool = False) -> ArmaxResult:
    """Seasonal ARMA(p,q)(P,Q)[period] with an optional constant (the mean of the modelled
    series) for the transformed series differenced d times and D times at lag `period`, fitted
    by exact maximum likelihood with a quasi-Newton minimiser, and its forecasts.

    Parameters
    ----------
    {y}
    order : tuple of three int, default (0, 1, 1)
        (p, d, q): the AR order, number of differences and MA order.
    seasonal : tuple of three int, optional
        (P, D, Q) at lag `period`; None as for :func:`arima`.
    {period}
    {transform}
    constant : bool, default False
        A constant: the mean of the differenced series, estimated with the coefficients.
    {horizon}
    {level}
        Limits as for :func:`arima`.
    critical_value : float, optional
        As for :func:`arima`.
    thorough : bool, default False
        Estimate from several starting points and keep the best optimum.

    Returns
    -------
    ArmaxResult
        {returns_common}
        ``params`` and ``orders`` as for :func:`arima`; ``sum_of_squares`` is the sum of the
        squared one-step prediction errors.

    Raises
    ------
    {raises}

    See Also
    --------
    arima : the same models by the exact likelihood's own minimiser.

    Examples
    --------
    {example_series}
    >>> r = vordex.armax(y, horizon=3)
    >>> r.model, round(r.log_likelihood, 2)
    ('ARIMA(0,1,1)(0,1,1)[12]', -78.81)
    """
    return _fit("armax", y, period, dict(
        order=order, seasonal=seasonal, transform=transform, constant=constant,
        horizon=horizon, level=level, critical_value=critical_value, thorough=thorough))


@fill
def ets(y: Observations, error: Optional[str] = None, trend: Optional[str] = None,
        season: Optional[str] = None, period: Optional[int] = None,
        horizon: int = DEFAULT_HORIZON, level: Levels = DEFAULT_LEVELS, paths: int = 5000,
        seed: Optional[int] = None, criterion: str = "likelihood",
        initialization: str = "heuristic", disturbances: str = "gaussian",
        multisteps: int = 12, information_criterion: str = "aic",
        transform: Transform = None, search: str = "default",
        admissible_region: bool = False,
        bounds: Optional[Sequence[Union[float, Tuple[float, float]]]] = None,
        auto: bool = False, threads: int = 0) -> EtsResult:
    """Exponential smoothing (the ETS state space models of the Pegels family), its forecasts,
    and limits from simulated sample paths.

    Components left to choose (None) are chosen by `information_criterion` among the models
    that `search` allows. Names are the library's, listed below (also in ``vordex.names``),
    in any case and with "-" for "_"; the letters of ETS(A,Ad,M) ("A", "M", "N", "Ad", "Z" for
    auto) and the aliases "amse" and "bootstrap" are accepted too.

    Parameters
    ----------
    {y}
    error : str, optional
        One of {names:error}; None chooses.
    trend : str, optional
        One of {names:trend}; None chooses.
    season : str, optional
        One of {names:season}; None chooses.
    {period}
        At most 24.
    {horizon}
        At most 120.
    {level}
        Each pair of limits holds that percentage of the simulated paths between them,
        leaving (100 - level)/2 percent outside on each side.
    paths : int, default 5000
        The number of simulated sample paths, 500..50000.
    seed : int, optional
        The seed of the simulations, 0..2**32-1 (None: the library's fixed default); the same
        seed gives the same limits.
    criterion : str, default "likelihood"
        What the smoothing parameters minimise ("average_mse": the mean squared error over
        the horizons 1..multisteps), one of
        {names:criterion}.
    initialization : str, default "heuristic"
        The initial states, one of {names:initialization}.
    disturbances : str, default "gaussian"
        The simulated errors ("resampled": residuals drawn with replacement), one of
        {names:disturbances}.
    multisteps : int, default 12
        The horizons of the multi-step fit statistics, 3..24.
    information_criterion : str, default "aic"
        What chooses among the models, one of {names:information_criterion}.
    {transform}
    search : str, default "default"
        The models searched, one of
        {names:search}.
    admissible_region : bool, default False
        All-additive models may take any invertible parameters.
    bounds : (float, float) or four such pairs, optional
        Bounds for every smoothing parameter, or one pair each for alpha, beta, gamma and phi
        (each used only inside (0, 1)).
    auto : bool, default False
        The recommended automatic smoothing: the preset measured on the M1 competition (no
        multiplicative trend, none of the unstable combinations, AIC counting the initial
        states, estimated states for the chosen model). The model and estimation arguments
        are then not used.
    threads : int, default 0
        Threads of the model search (0: every core); the results do not depend on it.

    Returns
    -------
    EtsResult
        {returns_common}
        ``components`` is (error, trend, season) by the names above; ``params`` holds
        ``alpha``, ``beta``, ``gamma``, ``phi`` (those of the model) and the initial states
        ``initial_level``, ``initial_trend``, ``initial_season1``..; also ``mape``, ``sigma``,
        ``rmse`` (at horizons 1..multisteps) and ``searched``.

    Raises
    ------
    {raises}

    See Also
    --------
    auto : the mean of the automatic smoothing, auto_arima and theta.

    Examples
    --------
    {example_series}
    >>> r = vordex.ets(y, horizon=3, seed=1)
    >>> r.model, r.components
    ('ETS(A,A,A)', ('additive', 'additive', 'additive'))
    >>> vordex.ets(y, error="A", trend="N", season="N", level=[50, 99.5], horizon=2,
    ...            seed=1).forecast.columns.tolist()
    ['mean', 'lower_50', 'upper_50', 'lower_99.5', 'upper_99.5']
    """
    return _fit("ets", y, period, dict(
        error=error, trend=trend, season=season, horizon=horizon, level=level, paths=paths,
        seed=seed, criterion=criterion, initialization=initialization,
        disturbances=disturbances, multisteps=multisteps,
        information_criterion=information_criterion, transform=transform, search=search,
        admissible_region=admissible_region, bounds=bounds, auto=auto, threads=threads))


@fill
def auto_arima(y: Observations, period: Optional[int] = None, horizon: int = DEFAULT_HORIZON,
               level: Levels = DEFAULT_LEVELS, d: Optional[int] = None, D: Optional[int] = None,
               max_p: int = 5, max_q: int = 5, max_P: int = 2, max_Q: int = 2,
               max_order: int = 5, stepwise: bool = True, allow_constant: bool = True,
               thorough: bool = True, transform: Transform = None, xreg: Optional[Any] = None,
               future_xreg: Optional[Any] = None,
               approximation: bool = False) -> AutoArimaResult:
    """A seasonal ARIMA model chosen automatically, as Hyndman and Khandakar (2008): d by the
    KPSS test, D by the seasonal strength, then a stepwise search over (p, q)(P, Q) with and
    without a constant by AICc, each candidate fitted by exact maximum likelihood.

    A series too short for any model gets the simple forecast of the fallback ladder as the
    equivalent ARIMA model (status FALLBACK, ``fallback`` naming it).

    Parameters
    ----------
    {y}
    {period}
        Periods above 24 are fitted without a seasonal part.
    {horizon}
    {level}
        Limits as for :func:`arima`.
    {transform}
    d, D : int, optional
        The numbers of differences; None lets the tests choose.
    max_p, max_q, max_P, max_Q : int, default 5, 5, 2, 2
        The largest orders searched.
    max_order : int, default 5
        The largest p + q + P + Q when stepwise is False (every model within the bounds is
        then fitted).
    stepwise : bool, default True
        Search stepwise from four start models.
    allow_constant : bool, default True
        A constant (drift when d + D = 1) may be included when d + D <= 1.
    thorough : bool, default True
        Re-estimate the three best candidates from several starting points once the search
        has ended, and choose among them again.
    xreg, future_xreg : DataFrame, Series or array, optional
        Regressors kept in every candidate and their future values, as for :func:`arima` (R's
        ``auto.arima(xreg=)``); the unit-root tests run on the regression's residuals.
    approximation : bool, default False
        Rank the candidates by conditional sums of squares and fit exactly only the best (the
        first admissible in that order), as R's ``auto.arima`` does by default above 150
        values; ``thorough`` is then not applied. A series with gaps is searched exactly.

    Returns
    -------
    AutoArimaResult
        {returns_common}
        ``params`` and ``orders`` as for :func:`arima`; ``path`` is the search: a DataFrame of
        the models fitted in order (columns ``model``, ``aicc``, ``note``).

    Raises
    ------
    {raises}

    Examples
    --------
    {example_series}
    >>> r = vordex.auto_arima(y, horizon=3)
    >>> r.model
    'ARIMA(0,0,0)(0,1,1)[12] with drift'
    >>> r.path.columns.tolist()
    ['model', 'aicc', 'note']
    """
    return _fit("auto_arima", y, period, dict(
        horizon=horizon, level=level, d=d, D=D, max_p=max_p, max_q=max_q, max_P=max_P,
        max_Q=max_Q, max_order=max_order, stepwise=stepwise, allow_constant=allow_constant,
        thorough=thorough, transform=transform, approximation=approximation), xreg, future_xreg)


@fill
def theta(y: Observations, period: Optional[int] = None, horizon: int = DEFAULT_HORIZON,
          level: Levels = DEFAULT_LEVELS, transform: Transform = None) -> ThetaResult:
    """The Theta method of the M3 competition: simple exponential smoothing with a drift of
    half the least-squares slope, on data seasonally adjusted by a classical multiplicative
    decomposition when a 90% autocorrelation test finds seasonality.

    Missing values (NaN) are filled by interpolation before the fit, as R's na.interp; fewer
    than five observed values give the simple forecast of the fallback ladder (status
    FALLBACK).

    Parameters
    ----------
    {y}
    {period}
    {horizon}
    {level}
        Normal limits around the forecast.
    {transform}

    Returns
    -------
    ThetaResult
        {returns_common}
        It has no likelihood (``log_likelihood``, ``aic``, ... are NaN); ``params`` holds
        ``alpha``, ``initial_level`` and ``drift``; ``seasonal`` tells whether the series was
        seasonally adjusted (by ``seasonal_indices``).

    Raises
    ------
    {raises}

    Examples
    --------
    {example_series}
    >>> r = vordex.theta(y, horizon=3)
    >>> r.model, r.seasonal
    ('Theta', False)
    """
    return _fit("theta", y, period, dict(horizon=horizon, level=level, transform=transform))


@fill
def auto(y: Observations, period: Union[int, Sequence[float], None] = None,
         horizon: int = DEFAULT_HORIZON,
         level: Levels = DEFAULT_LEVELS, seed: Optional[int] = None,
         threads: int = 0, transform: Transform = None) -> AutoResult:
    """The recommended automatic forecast: the mean, horizon by horizon, of the automatic
    smoothing (:func:`ets` with ``auto=True``), :func:`auto_arima` and :func:`theta`, with the
    means of their limits.

    A member that fails is left out (with one member left the status is SINGLE_MEMBER); a
    series too short for all three falls back to a simple forecast: the constant of a constant
    series, the seasonal naive forecast with two full seasons, the naive forecast, else the
    mean (status FALLBACK, ``fallback`` naming it).

    Several, long or non-integer seasonal periods (``period=[24, 168]``, ``period=52.18``)
    take MSTL instead: the seasonal components' last cycles plus an autoregression on the
    seasonally adjusted series (periods with fewer than two cycles in y are dropped).

    Parameters
    ----------
    {y}
    period : int, float or sequence of them, optional
        The seasonal period or periods. None takes them from the frequency of y's index: hourly
        24 and 168, half-hourly 48 and 336, daily 7 and 365.25, weekly 52.18, else as for the
        other methods.
    {horizon}
    {level}
        Each member's limits at that level, averaged.
    {transform}
    seed : int, optional
        The seed of the smoothing member's simulations, as for :func:`ets`.
    threads : int, default 0
        Threads of the smoothing member's model search (0: every core).

    Returns
    -------
    AutoResult
        {returns_common}
        It has no likelihood; ``members`` holds the members' own results by method name
        ("ets", "auto_arima", "theta"), ``failures`` the members left out with the reason.

    Raises
    ------
    {raises}

    Examples
    --------
    {example_series}
    >>> r = vordex.auto(y, horizon=3)
    >>> r.model
    'mean of ETS(A,A,A) + ARIMA(0,0,0)(0,1,1)[12] with drift + Theta'
    >>> sorted(r.members)
    ['auto_arima', 'ets', 'theta']
    >>> vordex.auto([5.0, 7.0], horizon=2).fallback       # too short: the naive forecast
    'naive'
    """
    return _fit("auto", y, period, dict(horizon=horizon, level=level, seed=seed,
                                        threads=threads, transform=transform))
