"""Status codes, messages and the exception that every failed request raises."""
import enum
from typing import NamedTuple


class Status(enum.Enum):
    """Why a request failed: the status codes of the library (``vordex::Status`` in C++).

    The option checkers of the three methods number their rules from 31 on independently, so
    one code names different rules of different methods; each rule has its own member here,
    and ``status.code`` is the number. ``status.method`` is the method whose checker has the
    rule (None for the codes that all methods share).
    """

    def __init__(self, code, method):
        self.code = code
        self.method = method

    def __int__(self):
        return self.code

    def __repr__(self):
        return f"<Status.{self.name}: {self.code}>"

    @classmethod
    def of(cls, code, method=None):
        """The member for a status code raised by `method` ("arima", "ets", "armax")."""
        for status in cls:
            if status.code == code and status.method in (None, method):
                return status
        raise ValueError(f"no status {code} for method {method!r}")

    OK = 0, None
    # The arguments of a request.
    NULL_ARGUMENT = 1, None
    NOT_ONE_DIMENSION = 2, None
    TOO_FEW_OPTIONS = 3, None
    TOO_FEW_DATA = 4, None
    OPTION_BOUNDS = 11, None
    OPTION_READ = 12, None
    DATA_BOUNDS = 13, None
    LEAD_READ = 14, None
    DATA_READ = 15, None
    CREATE_RESULT = 16, None
    STORE_RESULT = 17, None
    BUFFER_ALLOC = 18, None
    NO_RESULTS = 19, None
    # ARIMA option checker.
    ARIMA_TOO_MUCH_DATA = 31, "arima"
    ARIMA_PERIOD_TOO_LARGE = 32, "arima"
    ARIMA_HORIZON_TOO_LARGE = 33, "arima"
    ARIMA_ORDER_TOO_HIGH = 34, "arima"
    ARIMA_SEASONAL_ORDER_TOO_HIGH = 35, "arima"
    ARIMA_DIFFERENCING_TOO_LARGE = 36, "arima"
    ARIMA_TOTAL_ORDER_TOO_LARGE = 37, "arima"
    ARIMA_INVALID_PERIOD = 38, "arima"
    ARIMA_NO_OBSERVATIONS = 39, "arima"
    ARIMA_NEGATIVE_HORIZON = 40, "arima"
    ARIMA_NEGATIVE_ORDER = 41, "arima"
    ARIMA_NEGATIVE_SEASONAL_ORDER = 42, "arima"
    ARIMA_SEASONAL_FOR_NON_SEASONAL = 43, "arima"
    ARIMA_TOO_FEW_FOR_SEASONAL = 44, "arima"
    ARIMA_ORDER_NOT_BELOW_PERIOD = 45, "arima"
    # Exponential smoothing option checker and data checks.
    ETS_TOO_MUCH_DATA = 31, "ets"
    ETS_PERIOD_TOO_LARGE = 32, "ets"
    ETS_HORIZON_TOO_LARGE = 33, "ets"
    ETS_INVALID_PERIOD = 34, "ets"
    ETS_NO_OBSERVATIONS = 35, "ets"
    ETS_UNKNOWN_ERROR_FORM = 41, "ets"
    ETS_UNKNOWN_TREND = 42, "ets"
    ETS_UNKNOWN_SEASON = 43, "ets"
    ETS_UNKNOWN_TRANSFORM = 44, "ets"
    ETS_UNKNOWN_SEARCH = 45, "ets"
    ETS_TOO_FEW_FOR_SEASONAL = 61, "ets"
    ETS_SEASONAL_FOR_NON_SEASONAL = 62, "ets"
    ETS_ZEROS_IN_MULTIPLICATIVE = 63, "ets"
    ETS_UNKNOWN_DISTURBANCES = 64, "ets"
    ETS_UNKNOWN_CRITERION = 65, "ets"
    ETS_UNKNOWN_INITIALIZATION = 66, "ets"
    ETS_UNKNOWN_INFORMATION_CRITERION = 67, "ets"
    ETS_PATHS_OUT_OF_RANGE = 68, "ets"
    ETS_MULTISTEPS_OUT_OF_RANGE = 69, "ets"
    ETS_CONFIDENCE_OUT_OF_RANGE = 70, "ets"
    ETS_NON_FINITE_DATA = 71, "ets"
    # ARMAX option checker.
    ARMAX_INVALID_PERIOD = 31, "armax"
    ARMAX_TOO_FEW_FOR_PERIOD = 32, "armax"
    ARMAX_NEGATIVE_HORIZON = 33, "armax"
    ARMAX_NEGATIVE_ORDER = 34, "armax"
    ARMAX_NEGATIVE_SEASONAL_ORDER = 35, "armax"
    ARMAX_ORDER_NOT_BELOW_PERIOD = 36, "armax"
    # Above the engines.
    ENGINE_FAILED = -1, None  # the engine ran and failed
    INVALID_SETTINGS = -2, None  # a setting that the method cannot take
    CANCELLED = -3, None  # a batch stopped before the series was started


class Message(NamedTuple):
    """One message raised during a request: a title, a text and a style (0x30 warning,
    0x10010 stop)."""

    title: str
    text: str
    style: int = 0x30


class Error(ValueError):
    """A request that failed: bad observations, a refused setting or an engine failure.

    ``status`` is a :class:`Status`, ``messages`` every :class:`Message` raised during the
    request, ``host_text`` the text that the library's exports would return (empty unless the
    engine ran and failed). ``str(error)`` is the failure in one line.
    """

    def __init__(self, status, text, messages=(), host_text=""):
        super().__init__(text)
        self.status = status
        self.messages = list(messages)
        self.host_text = host_text

    def __reduce__(self):
        return type(self), (self.status, str(self), self.messages, self.host_text)


def refused(status, text):
    """An Error raised by the package itself, before any engine runs."""
    return Error(status, text, [Message("vordex", text)])


def _one_line(text):
    return " ".join(text.split())


def engine_error(method, code, what, host_text, messages):
    """The Error for a failed engine request (called by the extension module)."""
    messages = [Message(*m) for m in messages]
    text = _one_line(what)
    # An engine failure's text names the routine; the messages say what went wrong.
    details = [_one_line(f"{m.title}: {m.text}") for m in messages if _one_line(m.text) != text]
    if details:
        text = f"{text} ({'; '.join(details)})"
    try:
        status = Status.of(code, method)
    except ValueError:  # a code newer than this package
        status, text = Status.ENGINE_FAILED, f"{text} (status {code})"
    return Error(status, text, messages, host_text)
