"""One call a case makes, what it may raise and what is checked on what it returns."""

from __future__ import annotations

from dataclasses import dataclass, field
from typing import Any, Callable


class UserError(Exception):
    """Raised by the fuzzer's own hostile objects; the library must pass it on unchanged."""


class UserInterrupt(BaseException):
    """Like KeyboardInterrupt: raised by a hostile __len__, it must reach the caller."""


def shown(value, limit: int = 160) -> str:
    text = repr(value)
    return text if len(text) <= limit else f"{text[: limit - 20]}...<{len(text)} chars>"


@dataclass
class Step:
    text: str                                   # the call as Python source, for the report
    call: Callable[[], Any]
    check: Callable[[Any], None] = lambda value: None   # on a returned value
    form: Callable[[Any], Any] = lambda value: value    # what two runs of the call must agree on
    must_raise: type[BaseException] | None = None       # an error of the caller's that has to come out
    passes: tuple[type[BaseException], ...] = (UserError,)  # the caller's errors the call may pass on


@dataclass
class Case:
    kind: str
    make: Step                                              # makes the symbol
    uses: list[Callable[[Any], Step]] = field(default_factory=list)  # calls on the symbol made
