"""Long frames of many series: which columns hold the series' ids, times and values.

Two layouts are recognised by their column names, the library's own (id, time, value) and the
one of statsforecast, mlforecast and neuralforecast (unique_id, ds, y); a name given explicitly
always wins. Every function that reads or draws a long frame (forecast_many, its Dask version,
plot_many) resolves its columns here, so they agree on what a frame means."""
from __future__ import annotations

from typing import Iterable, NamedTuple, Optional, Union

# For each role, the names looked for, in this order.
CANDIDATES = {"id": ("unique_id", "id"), "time": ("ds", "time"), "value": ("y", "value")}

#: A column argument: a name, None to find it by name, or (time only) False for none.
Column = Union[str, None, bool]


class Columns(NamedTuple):
    """The names of a long frame's columns; time is None when the rows are in time order within
    each series and no column holds times."""

    id: str
    time: Optional[str]
    value: Optional[str]


def resolve(names: Iterable[object], id: Optional[str] = None, time: Column = None,
            value: Optional[str] = None, need_value: bool = True,
            caller: str = "forecast_many") -> Columns:
    """The columns of a frame whose column (and index) names are `names`.

    An argument given names its column, which must exist; None looks for the role's candidates
    (CANDIDATES) and takes the one present, refusing a frame that holds two (say both y and
    value) or none; time=False means no time column. Raises KeyError naming what is missing."""
    present = {str(n) for n in names if n is not None}

    def find(role: str, given: Column) -> Optional[str]:
        if given is False and role == "time":
            return None
        if given is not None:
            if not isinstance(given, str):
                raise TypeError(f"{caller}: {role} must be a column name or None; got {given!r}")
            if given not in present:
                raise KeyError(f"{caller}: no column {given!r}")
            return given
        found = [c for c in CANDIDATES[role] if c in present]
        if len(found) > 1:
            raise KeyError(f"{caller}: the frame has both {found[0]!r} and {found[1]!r} columns; "
                           f"say which holds the {_ROLE[role]} with {role}=...")
        if not found:
            hint = " (time=False: the rows are in time order)" if role == "time" else ""
            raise KeyError(f"{caller}: no column of {_ROLE[role]}: the frame has none of "
                           f"{', '.join(map(repr, CANDIDATES[role]))}; name it with "
                           f"{role}=...{hint}")
        return found[0]

    key = find("id", id)
    assert key is not None  # only time may be None
    return Columns(key, find("time", time), find("value", value) if need_value else None)


_ROLE = {"id": "series' ids", "time": "times", "value": "values"}
