"""The industrial linear symbols beyond Code 39, ITF and Code 128: Code 93 and Codabar."""

from __future__ import annotations

from typing import TYPE_CHECKING, Union

from ._symbols import _Symbol, _text

if TYPE_CHECKING:
    from typing_extensions import Self

Ratio = Union[str, int]


class Code93(_Symbol):
    """A Code 93 symbol from 1 to 256 ASCII characters (U+0000 to U+007F, control characters included).

    Characters outside its 47 are written as a shift character and a letter (Full ASCII). Both check
    characters, C and K, are added; the human-readable line shows the data without them. Quiet zones
    default to 10 modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return cls._encode("code93", _text(data), (data,))


class Codabar(_Symbol):
    """A Codabar symbol from 1 to 256 characters of 0-9 - $ : / . +, framed by start and stop characters.

    `start` and `stop` ("A" to "D") frame the data; without them the data's own first and last characters
    frame it when both are A to D ("A40156B"), else A and A do. With `check_digit` a modulo-16 check
    character goes before the stop character. `ratio` is the wide-to-narrow ratio, "3:1" (wide elements 3
    modules) or "2:1" (2 modules, a shorter symbol). The human-readable line shows start, data and stop
    without the check character. Quiet zones default to 10 modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(
        cls,
        data: str,
        start: str | None = None,
        stop: str | None = None,
        check_digit: bool = False,
        ratio: Ratio = "3:1",
    ) -> Self:
        input = (data, start, stop, check_digit, ratio)
        if start is None and stop is None and check_digit is False and ratio == "3:1":
            # No keyword at all: gathering four left-out options took a tenth of a small label's time.
            return cls._encode("codabar", _text(data), input)
        return cls._encode(
            "codabar",
            _text(data),
            input,
            start=start,
            stop=stop,
            # The defaults are the core's own: left out, they cost no conversion on every label.
            check_digit=None if check_digit is False else check_digit,
            ratio=None if ratio == "3:1" else ratio,
        )

    def _arguments(self) -> list[str]:
        data, start, stop, check_digit, ratio = self._input
        given = {"start": start, "stop": stop, "check_digit": check_digit or None}
        given["ratio"] = None if ratio == "3:1" else ratio
        return [repr(data)] + [f"{name}={value!r}" for name, value in given.items() if value is not None]
