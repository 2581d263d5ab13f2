"""Statuses, messages and the exception that every failed request raises."""
import enum
import inspect
from typing import NamedTuple

from . import _vordex


# The library's statuses (AllNames<Status>()): each member is the upper-case name, its value the
# status's code.
Status = enum.Enum("Status", [(name.upper(), code) for name, code, _, _ in _vordex.STATUSES],
                   module="vordex", qualname="Status")
Status.__doc__ = """Why a request failed, or that it succeeded (possibly with a warning): the
library's statuses (C++ ``vordex::Status``), one value per condition whatever the method.

Members are the library's status names in upper case (``Status.ETS_NON_FINITE_DATA``,
``Status.INVALID_SETTINGS``, ``Status.SINGLE_MEMBER``); a member's value (also ``.code``) is the
status's code, and ``status.name.lower()`` its name in the library's vocabulary.
``.succeeded`` is true for OK and the warnings (the request produced a result),
``.is_warning`` for a result that is less than what was asked for. ``Status(code)`` is the
member of a code.
"""
Status.__signature__ = inspect.Signature(
    [inspect.Parameter("code", inspect.Parameter.POSITIONAL_ONLY)])
_FLAGS = {code: (succeeded, warning) for _, code, succeeded, warning in _vordex.STATUSES}
Status.code = property(lambda self: self.value)
Status.succeeded = property(lambda self: _FLAGS[self.value][0])
Status.is_warning = property(lambda self: _FLAGS[self.value][1])
Status.__int__ = lambda self: self.value
Status.__repr__ = lambda self: f"<Status.{self.name}: {self.value}>"


class Message(NamedTuple):
    """One message raised during a request: a title, a text and a style (0x30 warning,
    0x10010 stop)."""

    title: str
    text: str
    style: int = 0x30


class Error(ValueError):
    """A request that failed: bad observations, a refused setting or an engine failure.

    ``status`` is a :class:`Status`, ``text`` the reason (the check's refusal, or the text the
    engine gave), ``messages`` every :class:`Message` raised during the request. ``str(error)``
    is the failure in one line: the text, followed by what the messages add to it.
    """

    def __init__(self, status, text, messages=(), detail=None):
        super().__init__(text if detail is None else detail)
        self.status = status
        self.text = text
        self.messages = list(messages)

    def __reduce__(self):
        return type(self), (self.status, self.text, self.messages, str(self))


def refused(status, text):
    """An Error raised by the package itself, before any engine runs."""
    return Error(status, text, [Message("vordex", text)])


def _one_line(text):
    return " ".join(text.split())


def engine_error(code, text, messages):
    """The Error for a failed request of the library (called by the extension module)."""
    messages = [Message(*m) for m in messages]
    line = _one_line(text)
    # An engine failure's text names the routine; the messages say what went wrong.
    details = [_one_line(f"{m.title}: {m.text}") for m in messages if _one_line(m.text) != line]
    return Error(Status(code), text, messages, f"{line} ({'; '.join(details)})" if details else line)


def batch_error(code, text, messages):
    """The Error of a series that the batch layer could not fit: its text already names every
    message."""
    return Error(Status(code), text, [Message(*m) for m in messages], _one_line(text))
