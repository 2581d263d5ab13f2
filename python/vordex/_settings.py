"""Python arguments to the engines' settings: the dicts, keyed by the C++ field names, that the
extension module reads. The values of enumerations pass as their names, which the library reads
(and refuses, listing the names it knows): this module keeps no table of names."""
import math
import numbers
from typing import NamedTuple, Optional

from . import _vordex
from ._errors import Status, refused

# The library's defaults (vordex::kDefaultHorizon, vordex::kDefaultLevels).
DEFAULT_HORIZON = _vordex.DEFAULT_HORIZON
DEFAULT_LEVELS = _vordex.DEFAULT_LEVELS


def orders(name, value):
    """Three orders, (p, d, q) or (P, D, Q)."""
    try:
        values = tuple(value)
    except TypeError:
        values = ()
    if len(values) != 3 or not all(isinstance(v, numbers.Integral) and not isinstance(v, bool)
                                   for v in values):
        raise refused(Status.INVALID_SETTINGS, f"{name} must be three integers, got {value!r}")
    return tuple(int(v) for v in values)


def levels(level):
    """The coverages of the limits in percent, in the order given: one number or a sequence of
    distinct numbers, each in (0, 100). A value in (0, 1) is refused, not read as a fraction."""
    values = [level] if isinstance(level, (numbers.Real, str)) else level
    try:
        values = list(values)
    except TypeError:
        values = [level]
    if not values:
        raise refused(Status.INVALID_SETTINGS, "level must name at least one coverage (percent)")
    for v in values:
        if not isinstance(v, numbers.Real) or isinstance(v, bool) or not math.isfinite(v):
            raise refused(Status.INVALID_SETTINGS,
                          f"level must be a number in percent (0, 100) or a sequence of them; "
                          f"got {level!r}")
        if 0 < v < 1:
            raise refused(Status.INVALID_SETTINGS,
                          f"level must be in percent (0, 100); got {v!r} - did you mean "
                          f"{100 * v:g}?")
        if not 0 < v < 100:
            raise refused(Status.INVALID_SETTINGS,
                          f"level must be in percent (0, 100); got {v!r}")
    if len(set(values)) != len(values):
        raise refused(Status.INVALID_SETTINGS, f"level must not repeat a coverage; got {level!r}")
    return [float(v) for v in values]


def limit_levels(level, critical_value=None):
    """The levels that the limits will have: those asked for, or with a critical value c its
    normal coverage 100 erf(c / sqrt 2)."""
    if critical_value is not None:
        return [100 * math.erf(float(critical_value) / math.sqrt(2))]
    return levels(level)


def seed(value):
    """A seed of the simulations, an integer in 0..2**32-1 (None: the library's default)."""
    if value is None:
        return _vordex.DEFAULT_SEED
    if isinstance(value, numbers.Integral) and not isinstance(value, bool):
        if 0 <= int(value) < 2**32:
            return int(value)
    raise refused(Status.INVALID_SETTINGS,
                  f"seed must be an integer in 0..2**32-1, got {value!r}")


def _arma(period, order, seasonal, transform, constant, horizon, level, critical_value,
          thorough):
    p, d, q = orders("order", order)
    P, D, Q = orders("seasonal", seasonal)
    s = {"period": period, "horizon": horizon, "p": p, "d": d, "q": q, "P": P, "D": D, "Q": Q,
         "constant": bool(constant), **transform_settings(transform),
         "levels": levels(level), "thorough": bool(thorough)}
    if critical_value is not None:
        s["critical_value"] = critical_value
    return s


arima = armax = _arma


def ets(period, error, trend, season, horizon, level, paths, seed_, criterion, initialization,
        disturbances, multisteps, information_criterion, transform, search, admissible_region,
        bounds, threads):
    s = {"period": period, "horizon": horizon,
         # None leaves a component to the model search.
         "error": "auto" if error is None else error,
         "trend": "auto" if trend is None else trend,
         "season": "auto" if season is None else season,
         "criterion": criterion, "initialization": initialization,
         "disturbances": disturbances, "paths": paths, "multisteps": multisteps,
         "information_criterion": information_criterion,
         **transform_settings(transform), "search": search,
         "admissible_region": bool(admissible_region), "levels": levels(level),
         "seed": seed(seed_), "threads": threads}
    if bounds is not None:
        s["bounds"] = _bounds(bounds)
    return s


def _bounds(bounds):
    """One (lower, upper) pair for every smoothing parameter, or four pairs for alpha, beta,
    gamma and phi."""
    def pair(x):
        lower, upper = x
        return float(lower), float(upper)

    try:
        if len(bounds) == 2 and all(isinstance(b, numbers.Real) for b in bounds):
            return [pair(bounds)]
        pairs = [pair(b) for b in bounds]
        if len(pairs) == 4:
            return pairs
    except (TypeError, ValueError):
        pass
    raise refused(Status.INVALID_SETTINGS,
                  f"bounds must be one (lower, upper) pair or four pairs (alpha, beta, gamma, "
                  f"phi), got {bounds!r}")


def auto_arima(period, horizon, level, d, D, max_p, max_q, max_P, max_Q, max_order, stepwise,
               allow_constant, thorough, transform=None, approximation=False):
    return {"period": period, "horizon": horizon, "levels": levels(level),
            **transform_settings(transform),
            "d": -1 if d is None else d, "D": -1 if D is None else D, "max_p": max_p,
            "max_q": max_q, "max_P": max_P, "max_Q": max_Q, "max_order": max_order,
            "stepwise": bool(stepwise), "allow_constant": bool(allow_constant),
            "thorough": bool(thorough), "approximation": bool(approximation)}


def theta(period, horizon, level, transform=None):
    return {"period": period, "horizon": horizon, "levels": levels(level),
            **transform_settings(transform)}


def auto(period, horizon, level, seed_, threads, transform=None):
    s = {"period": period, "horizon": horizon, "levels": levels(level), "seed": seed(seed_),
         "threads": threads, **transform_settings(transform)}
    # Several periods, or one that is long or not an integer, go to the library's `periods`.
    if isinstance(period, float) and not period.is_integer():
        period = [period]
    if not isinstance(period, (str, bytes)) and hasattr(period, "__len__"):
        periods = list(period)
        one = periods[0] if len(periods) == 1 else None
        if one is not None and not isinstance(one, bool) and float(one).is_integer() \
                and 1 <= one <= 24:
            s["period"] = int(one)
        else:
            s["period"], s["periods"] = 1, periods
    return s


class BoxCox(NamedTuple):
    """The Box-Cox transform as a ``transform`` value: ``(y**lmbda - 1) / lmbda``, log y for
    ``lmbda`` 0.

    Parameters
    ----------
    lmbda : float, optional
        The parameter; None chooses it by Guerrero's method (as R's ``BoxCox.lambda``), as
        ``transform="boxcox"`` does.
    bias_adjusted : bool, default False
        Back-transform point forecasts and fitted values as means rather than medians (R's
        ``biasadj``); the limits are unchanged.

    Examples
    --------
    >>> import vordex
    >>> y = [float(v) for v in range(10, 40)]
    >>> vordex.ets(y, transform=vordex.BoxCox(0.5), horizon=1).transform
    'boxcox'
    """

    lmbda: Optional[float] = None
    bias_adjusted: bool = False


def transform_settings(transform):
    """The settings of a ``transform`` argument: None, a transform's name or a BoxCox."""
    if transform is None:
        return {"transform": "none"}
    if isinstance(transform, BoxCox):
        lmbda = None if transform.lmbda is None else float(transform.lmbda)
        return {"transform": "boxcox",
                "box_cox": {"lambda": lmbda, "bias_adjusted": bool(transform.bias_adjusted)}}
    return {"transform": transform}
