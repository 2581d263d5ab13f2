"""Statuses, messages and the exception that every failed request raises."""
from __future__ import annotations

import enum
import inspect
from typing import TYPE_CHECKING, Any, Iterable, List, NamedTuple, Optional, Tuple

from . import _vordex

if TYPE_CHECKING:
    # What type checkers see: the members come from the library at import, so any upper-case
    # name is taken for one.
    class _StatusMeta(enum.EnumMeta):
        def __getattr__(cls, name: str) -> Status: ...

    class Status(enum.Enum, metaclass=_StatusMeta):
        @property
        def code(self) -> int: ...

        @property
        def succeeded(self) -> bool: ...

        @property
        def is_warning(self) -> bool: ...

        def __int__(self) -> int: ...
else:
    # The library's statuses (AllNames<Status>()): each member is the upper-case name, its value
    # the status's code.
    Status = enum.Enum("Status", [(name.upper(), code) for name, code, _, _ in _vordex.STATUSES],
                       module="vordex", qualname="Status")
Status.__doc__ = """Why a request failed, or that it succeeded (possibly with a warning): the
library's statuses (C++ ``vordex::Status``), one value per condition whatever the method.

Members are the library's status names in upper case (``Status.ETS_NON_FINITE_DATA``,
``Status.INVALID_SETTINGS``, ``Status.SINGLE_MEMBER``, ``Status.FALLBACK``); a member's value
(also ``.code``) is the status's code, and ``status.name.lower()`` its name in the library's
vocabulary. ``.succeeded`` is true for OK and the warnings (the request produced a result),
``.is_warning`` for a result that is less than what was asked for. ``Status(code)`` is the
member of a code.

Examples
--------
>>> import vordex
>>> vordex.Status(602), vordex.Status.FALLBACK.is_warning, vordex.Status.FALLBACK.succeeded
(<Status.FALLBACK: 602>, True, True)
>>> vordex.Status.INVALID_SETTINGS.name.lower(), vordex.Status.INVALID_SETTINGS.code
('invalid_settings', 502)
"""
_FLAGS = {code: (succeeded, warning) for _, code, succeeded, warning in _vordex.STATUSES}
if not TYPE_CHECKING:
    Status.__signature__ = inspect.Signature(
        [inspect.Parameter("code", inspect.Parameter.POSITIONAL_ONLY)])
    Status.code = property(lambda self: self.value)
    Status.succeeded = property(lambda self: _FLAGS[self.value][0])
    Status.is_warning = property(lambda self: _FLAGS[self.value][1])
    Status.__int__ = lambda self: self.value
    Status.__repr__ = lambda self: f"<Status.{self.name}: {self.value}>"


class Message(NamedTuple):
    """One message raised during a request, as the library's ``vordex::Message``.

    Attributes
    ----------
    title : str
        Where it comes from, such as "Pegels Error" or "vordex".
    text : str
        What it says.
    style : int
        0x30 for a warning, 0x10010 for a stop.

    Examples
    --------
    >>> import vordex
    >>> try:
    ...     vordex.ets([100.0, float("inf"), 120.0])
    ... except vordex.Error as e:
    ...     print(e.messages[0].title, "-", e.messages[0].text)
    Pegels Error - Data contain missing or non-finite values
    """

    title: str
    text: str
    style: int = 0x30


class Error(ValueError):
    """A request that failed: bad observations, a refused setting or an engine failure.

    Every function of the package raises it (a ValueError) for what the library refuses;
    ``str(error)`` is the failure in one line, the text followed by what the messages add.

    Parameters
    ----------
    status : Status
        Why it failed.
    text : str
        The reason: the check's refusal, or the text the engine gave.
    messages : iterable of Message, optional
        Every message raised during the request.
    detail : str, optional
        The one-line message, when it says more than `text`.

    Attributes
    ----------
    status : Status
        Why it failed; ``status.name.lower()`` is the library's status name.
    text : str
        The reason.
    messages : list of Message
        Every message raised during the request.

    Examples
    --------
    >>> import vordex
    >>> try:
    ...     vordex.ets([1.0, 2.0, 3.0], level=0.95)
    ... except vordex.Error as e:
    ...     print(e.status, "-", e)
    Status.INVALID_SETTINGS - level must be in percent (0, 100); got 0.95 - did you mean 95?
    """

    status: Status
    text: str
    messages: List[Message]

    def __init__(self, status: Status, text: str, messages: Iterable[Message] = (),
                 detail: Optional[str] = None) -> None:
        super().__init__(text if detail is None else detail)
        self.status = status
        self.text = text
        self.messages = list(messages)

    def __reduce__(self) -> Tuple[Any, ...]:
        return type(self), (self.status, self.text, self.messages, str(self))


def refused(status: Status, text: str) -> Error:
    """An Error raised by the package itself, before any engine runs."""
    return Error(status, text, [Message("vordex", text)])


def _one_line(text: str) -> str:
    return " ".join(text.split())


_RawMessages = Iterable[Tuple[str, str, int]]


def engine_error(code: int, text: str, messages: _RawMessages) -> Error:
    """The Error for a failed request of the library (called by the extension module)."""
    kept = [Message(*m) for m in messages]
    line = _one_line(text)
    # An engine failure's text names the routine; the messages say what went wrong.
    details = [_one_line(f"{m.title}: {m.text}") for m in kept if _one_line(m.text) != line]
    return Error(Status(code), text, kept, f"{line} ({'; '.join(details)})" if details else line)


def batch_error(code: int, text: str, messages: _RawMessages) -> Error:
    """The Error of a series that the batch layer could not fit: its text already names every
    message."""
    return Error(Status(code), text, [Message(*m) for m in messages], _one_line(text))
