"""Python arguments to the engines' settings: the dicts, keyed by the C++ field names, that the
extension module reads."""
import math
import numbers
from statistics import NormalDist

from ._errors import Status, refused

_TRANSFORMS = {None: 0, "none": 0, "log": 1, "sqrt": 2}

# Exponential smoothing components, by name and by their letter in ETS(error, trend, season);
# None leaves the choice to the model search.
ERRORS = {None: 2, "auto": 2, "additive": 1, "a": 1, "multiplicative": 0, "m": 0}
TRENDS = {None: 0, "auto": 0, "none": 1, "n": 1, "additive": 2, "a": 2, "multiplicative": 3,
          "m": 3, "damped": 4, "ad": 4}
SEASONS = {None: 0, "auto": 0, "none": 1, "n": 1, "additive": 2, "a": 2, "multiplicative": 3,
           "m": 3}
CRITERIA = {"mse": 1, "average_mse": 2, "sigma": 3, "mape": 4, "likelihood": 5}
INITIALIZATIONS = {"heuristic": 1, "estimated": 2, "estimated_for_winner": 3}
DISTURBANCES = {"gaussian": 0, "resampled": 1}
INFORMATION_CRITERIA = {"aic": 1, "bic": 2, "aicc": 3}
SEARCHES = {"default": 0, "additive_only": 1, "all_forms": 2, "everything_additive": 3,
            "everything": 4}


def integer(name, value):
    """`value` as an int of the C++ API's range, else Error."""
    if isinstance(value, numbers.Integral) and not isinstance(value, bool):
        if -2**31 <= int(value) < 2**31:
            return int(value)
    raise refused(Status.INVALID_SETTINGS, f"{name} must be an integer, got {value!r}")


def choice(name, value, table):
    key = value.lower() if isinstance(value, str) else value
    if key not in table:
        names = ", ".join(repr(k) for k in table if k is not None)
        raise refused(Status.INVALID_SETTINGS, f"{name} must be one of {names}; got {value!r}")
    return table[key]


def orders(name, value):
    """Three orders, (p, d, q) or (P, D, Q)."""
    try:
        values = tuple(value)
    except TypeError:
        values = ()
    if len(values) != 3:
        raise refused(Status.INVALID_SETTINGS, f"{name} must be three integers, got {value!r}")
    return tuple(integer(name, v) for v in values)


def critical_value(level, critical):
    """The limits' distance from the forecast in standard errors: `critical` when given, else
    the normal quantile of (1 + level) / 2, so that the limits cover `level` of a Gaussian
    forecast distribution (level 0.95 gives 1.959963984540054)."""
    if critical is not None:
        if not isinstance(critical, numbers.Real) or not math.isfinite(critical) or critical <= 0:
            raise refused(Status.INVALID_SETTINGS,
                          f"critical_value must be a positive number, got {critical!r}")
        return float(critical)
    if not isinstance(level, numbers.Real) or not 0 < level < 1:
        raise refused(Status.INVALID_SETTINGS,
                      f"level must lie strictly between 0 and 1, got {level!r}")
    return NormalDist().inv_cdf((1 + float(level)) / 2)


def arima(period, order, seasonal, transform, mean, horizon, level, critical, thorough=False):
    p, d, q = orders("order", order)
    P, D, Q = orders("seasonal", seasonal)
    return {"period": integer("period", period), "horizon": integer("horizon", horizon),
            "p": p, "d": d, "q": q, "P": P, "D": D, "Q": Q, "mean": bool(mean),
            "transform": choice("transform", transform, _TRANSFORMS),
            "critical_value": critical_value(level, critical), "thorough": bool(thorough)}


def armax(period, order, seasonal, transform, constant, horizon, level, critical,
          thorough=False):
    s = arima(period, order, seasonal, transform, False, horizon, level, critical, thorough)
    del s["mean"]
    s["constant"] = bool(constant)
    return s


def ets(period, error, trend, season, horizon, level, paths, seed, criterion, initialization,
        disturbances, multisteps, information_criterion, transform, search, admissible_region,
        bounds):
    if not isinstance(level, numbers.Real):
        raise refused(Status.INVALID_SETTINGS, f"level must be a number, got {level!r}")
    s = {"period": integer("period", period), "horizon": integer("horizon", horizon),
         "error": choice("error", error, ERRORS), "trend": choice("trend", trend, TRENDS),
         "season": choice("season", season, SEASONS),
         "criterion": choice("criterion", criterion, CRITERIA),
         "initialization": choice("initialization", initialization, INITIALIZATIONS),
         "disturbances": choice("disturbances", disturbances, DISTURBANCES),
         "paths": integer("paths", paths), "multisteps": integer("multisteps", multisteps),
         "information_criterion": choice("information_criterion", information_criterion,
                                         INFORMATION_CRITERIA),
         "transform": choice("transform", transform, _TRANSFORMS),
         "search": choice("search", search, SEARCHES),
         "admissible_region": bool(admissible_region),
         # The checker refuses a coverage outside 0..100 percent.
         "confidence": 100.0 * float(level)}
    if seed is not None:
        if not isinstance(seed, numbers.Integral) or not 0 <= int(seed) < 2**32:
            raise refused(Status.INVALID_SETTINGS,
                          f"seed must be an integer in 0..2**32-1, got {seed!r}")
        s["seed"] = int(seed)
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


def _level_percent(level):
    if not isinstance(level, numbers.Real) or not 0 < level < 1:
        raise refused(Status.INVALID_SETTINGS,
                      f"level must lie strictly between 0 and 1, got {level!r}")
    return 100.0 * float(level)


def _seed(seed, settings):
    if seed is not None:
        if not isinstance(seed, numbers.Integral) or not 0 <= int(seed) < 2**32:
            raise refused(Status.INVALID_SETTINGS,
                          f"seed must be an integer in 0..2**32-1, got {seed!r}")
        settings["seed"] = int(seed)
    return settings


def auto_arima(period, horizon, level, d, D, max_p, max_q, max_P, max_Q, max_order, stepwise,
               allow_constant, thorough):
    s = {"period": integer("period", period), "horizon": integer("horizon", horizon),
         "level": _level_percent(level), "d": -1 if d is None else integer("d", d),
         "D": -1 if D is None else integer("D", D), "stepwise": bool(stepwise),
         "allow_constant": bool(allow_constant), "thorough": bool(thorough)}
    for name, value in (("max_p", max_p), ("max_q", max_q), ("max_P", max_P),
                        ("max_Q", max_Q), ("max_order", max_order)):
        s[name] = integer(name, value)
    return s


def theta(period, horizon, level):
    return {"period": integer("period", period), "horizon": integer("horizon", horizon),
            "level": _level_percent(level)}


def auto(period, horizon, level, seed):
    return _seed(seed, {"period": integer("period", period),
                        "horizon": integer("horizon", horizon), "level": _level_percent(level)})
