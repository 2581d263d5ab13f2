"""One series at a time: vordex.arima, vordex.ets, vordex.armax and the automatic methods.

Each method is described once in METHODS (its settings builder, the extension's entry point
and its result class), which forecast_many shares; a new method is one more entry and one more
public function."""
from typing import Callable, NamedTuple

from . import _settings, _vordex
from ._results import (ArimaResult, ArmaxResult, AutoArimaResult, AutoResult, EtsResult,
                       ThetaResult)
from ._series import observations, period_of
from ._settings import DEFAULT_HORIZON, DEFAULT_LEVELS


class Method(NamedTuple):
    fit: Callable  # extension entry point: (values, settings dict) -> result dict
    result: type  # Result subclass
    settings: Callable  # (period, **keywords) -> settings dict


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
                        allow_constant=True, thorough=True):
    return _settings.auto_arima(period, horizon, level, d, D, max_p, max_q, max_P, max_Q,
                                max_order, stepwise, allow_constant, thorough)


def theta_settings(period, horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS):
    return _settings.theta(period, horizon, level)


def auto_settings(period, horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, seed=None, threads=0):
    return _settings.auto(period, horizon, level, seed, threads)


# By the library's method names (vordex::Method).
METHODS = {
    "arima": Method(_vordex.fit_arima, ArimaResult, arima_settings),
    "ets": Method(_vordex.fit_ets, EtsResult, ets_settings),
    "armax": Method(_vordex.fit_armax, ArmaxResult, armax_settings),
    "auto_arima": Method(_vordex.fit_auto_arima, AutoArimaResult, auto_arima_settings),
    "theta": Method(_vordex.fit_theta, ThetaResult, theta_settings),
    "auto": Method(_vordex.fit_auto, AutoResult, auto_settings),
}


def _fit(method, y, period, keywords):
    """Converts y, builds the method's settings and fits; period None takes the frequency of
    y's index."""
    values, index = observations(y)
    entry = METHODS[method]
    settings = entry.settings(period_of(index) if period is None else period, **keywords)
    raw = entry.fit(values, settings)
    return entry.result(values, index, raw, settings, name=getattr(y, "name", None))


def arima(y, order=(0, 1, 1), seasonal=None, period=None, transform=None, constant=False,
          horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, critical_value=None, thorough=False):
    """Fits a seasonal ARIMA(p,d,q)(P,D,Q)[period] model by exact maximum likelihood and
    forecasts.

    Args:
        y: the observations in time order, at most 1000: a 1-D array-like or a pandas Series
            (whose index the results continue).
        order: (p, d, q), nonseasonal AR order, differences and MA order.
        seasonal: (P, D, Q) at lag `period`; None gives (0, 1, 1) when the period exceeds 1,
            else (0, 0, 0).
        period: the seasonal period, 1..24; None takes the frequency of y's pandas index
            (yearly 1, quarterly 4, monthly 12, daily 7, hourly 24, ...), else 1.
        transform: None (or "none"), "log" or "sqrt", applied to y before fitting; forecasts,
            limits and fitted values come back on the scale of y.
        constant: a constant in the differenced model (the mean of the differenced series is
            removed and the constant estimated).
        horizon: number of forecasts, 0..120.
        level: the coverages of the limits in percent, one number or several ([80, 95]); each
            limit lies the normal quantile of (1 + level/100) / 2 standard errors from the
            forecast on the transformed scale. A value in (0, 1) is refused: levels are percent.
        critical_value: one pair of limits this many standard errors from the forecast, instead
            of `level` (its level is the normal coverage 100 erf(c / sqrt 2)).
        thorough: estimate from several starting points and keep the best optimum.

    Returns an ArimaResult. Raises vordex.Error with the checker's text for bad observations
    or a refused setting, and with the engine's text when the fit fails.
    """
    return _fit("arima", y, period, dict(
        order=order, seasonal=seasonal, transform=transform, constant=constant,
        horizon=horizon, level=level, critical_value=critical_value, thorough=thorough))


def armax(y, order=(0, 1, 1), seasonal=None, period=None, transform=None, constant=False,
          horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, critical_value=None, thorough=False):
    """Fits a seasonal ARMA(p,q)(P,Q)[period] model with an optional constant (the mean of the
    modelled series) to the transformed series differenced d times and D times at lag
    `period`, by exact maximum likelihood with a quasi-Newton minimiser, and forecasts.

    Arguments as for arima. Returns an ArmaxResult; raises vordex.Error.
    """
    return _fit("armax", y, period, dict(
        order=order, seasonal=seasonal, transform=transform, constant=constant,
        horizon=horizon, level=level, critical_value=critical_value, thorough=thorough))


def ets(y, error=None, trend=None, season=None, period=None, horizon=DEFAULT_HORIZON,
        level=DEFAULT_LEVELS, paths=5000, seed=None, criterion="likelihood",
        initialization="heuristic", disturbances="gaussian", multisteps=12,
        information_criterion="aic", transform=None, search="default", admissible_region=False,
        bounds=None, auto=False, threads=0):
    """Fits an exponential smoothing model of the Pegels family and forecasts, with limits from
    simulated sample paths.

    auto=True gives the recommended automatic smoothing (the preset measured on the M1
    competition: no multiplicative trend, none of the unstable form combinations, AIC counting
    the initial states, estimated states for the chosen model); the model and estimation
    arguments are then not used.

    Names are the library's (vordex.names lists them), in any case, with "-" for "_"; the
    letters of ETS(A,Ad,M) and a few aliases ("amse", "bootstrap") are accepted too.

    Args:
        y: the observations in time order, at most 1000 (1-D array-like or pandas Series).
        error: "additive" ("A") or "multiplicative" ("M"); None or "auto" chooses.
        trend: "none" ("N"), "additive" ("A"), "multiplicative" ("M") or "damped" ("Ad");
            None or "auto" chooses.
        season: "none", "additive" or "multiplicative"; None or "auto" chooses. Components
            left to choose are selected by `information_criterion`.
        period: the seasonal period, 1..24; None as for arima.
        horizon: number of forecasts, up to 120.
        level: the coverages of the limits in percent, one number or several ([80, 95]): the
            quantiles of the simulated paths that leave (100 - level)/2 percent outside on each
            side. A value in (0, 1) is refused: levels are percent.
        paths: number of simulated sample paths, 500..50000.
        seed: seed of the simulated paths (None: the library's fixed default seed); the same
            seed gives the same limits.
        criterion: what the smoothing parameters minimise: "likelihood", "mse",
            "average_mse" (over horizons 1..multisteps), "sigma" or "mape".
        initialization: "heuristic", "estimated" or "estimated_for_winner".
        disturbances: "gaussian" or "resampled" (residuals drawn with replacement).
        multisteps: horizons of the multi-step fit statistics, 3..24.
        information_criterion: "aic", "bic" or "aicc".
        transform: None (or "none"), "log" or "sqrt".
        search: "default", "additive_only", "all_forms", "everything_additive", "everything".
        admissible_region: all-additive models may take any invertible parameters.
        bounds: (lower, upper) for every smoothing parameter, or four pairs for alpha, beta,
            gamma and phi (each used only inside (0, 1)).
        threads: threads of a model search (0: every core); the results do not depend on it.

    Returns an EtsResult; raises vordex.Error.
    """
    return _fit("ets", y, period, dict(
        error=error, trend=trend, season=season, horizon=horizon, level=level, paths=paths,
        seed=seed, criterion=criterion, initialization=initialization,
        disturbances=disturbances, multisteps=multisteps,
        information_criterion=information_criterion, transform=transform, search=search,
        admissible_region=admissible_region, bounds=bounds, auto=auto, threads=threads))


def auto_arima(y, period=None, horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, d=None, D=None,
               max_p=5, max_q=5, max_P=2, max_Q=2, max_order=5, stepwise=True,
               allow_constant=True, thorough=True):
    """Chooses and fits a seasonal ARIMA model: d by the KPSS test, D by the seasonal strength,
    then a stepwise search over (p, q)(P, Q) with and without a constant by AICc (Hyndman and
    Khandakar 2008), each candidate fitted by exact maximum likelihood and admissible.

    Args:
        y, period, horizon, level: as for arima.
        d, D: the differences; None lets the tests choose.
        max_p, max_q, max_P, max_Q: the largest orders searched; max_order bounds p+q+P+Q
            when stepwise is False (every model within the bounds is fitted).
        allow_constant: a constant (drift when d + D = 1) may be included when d + D <= 1.
        thorough: re-estimate the three best candidates from several starting points once
            the search has ended, and choose among them again.

    Returns an AutoArimaResult (with .path, the models fitted in order); raises vordex.Error.
    """
    return _fit("auto_arima", y, period, dict(
        horizon=horizon, level=level, d=d, D=D, max_p=max_p, max_q=max_q, max_P=max_P,
        max_Q=max_Q, max_order=max_order, stepwise=stepwise, allow_constant=allow_constant,
        thorough=thorough))


def theta(y, period=None, horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS):
    """The Theta method of the M3 competition: simple exponential smoothing with a drift of half
    the least-squares slope, on data seasonally adjusted by a classical multiplicative
    decomposition when a 90% autocorrelation test finds seasonality. Arguments as for arima.
    Returns a ThetaResult; raises vordex.Error."""
    return _fit("theta", y, period, dict(horizon=horizon, level=level))


def auto(y, period=None, horizon=DEFAULT_HORIZON, level=DEFAULT_LEVELS, seed=None, threads=0):
    """The recommended automatic forecast: the mean of the automatic smoothing
    (vordex.ets with the library's automatic preset), auto_arima and theta forecasts; the limits
    are the means of the members' limits. A member that fails is left out (see .failures; with
    one member left, .status is Status.SINGLE_MEMBER). seed and threads are those of the
    smoothing member, as for vordex.ets. Returns an AutoResult (its members in .members);
    raises vordex.Error when every member fails."""
    return _fit("auto", y, period, dict(horizon=horizon, level=level, seed=seed,
                                        threads=threads))
