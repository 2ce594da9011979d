"""The GS1 DataBar family (ISO/IEC 24724): symbols that carry a GTIN, or a GS1 element string, in little room."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any, Union

from ._label import TavloTypeError, TavloValueError
from ._symbols import _Symbol, _text

if TYPE_CHECKING:
    from typing import Literal

    from typing_extensions import Self

    Stacking = Union[bool, Literal["omnidirectional"]]


def _stacked_kind(stacked: Any, truncated: Any) -> str:
    if stacked is False or stacked is None:
        return "databar-truncated" if truncated else "databar"
    if truncated:
        raise TavloValueError("truncated and stacked exclude each other: a stacked symbol is already short")
    if stacked is True:
        return "databar-stacked"
    if stacked == "omnidirectional":
        return "databar-stacked-omni"
    raise TavloValueError(f"stacked must be False, True or 'omnidirectional', not {stacked!r}")


class DataBar(_Symbol):
    """A GS1 DataBar symbol of a GTIN: 13 digits (the check digit is computed), 14 with the right check digit,
    or either after "(01)".

    Omnidirectional by default, 33 modules high. `truncated=True` makes it 13 modules high; `stacked=True`
    (DataBar Stacked) puts it in two rows of 5 and 7 modules with a separator between them, and
    `stacked="omnidirectional"` (DataBar Stacked Omnidirectional) in two rows of 33 with three separator rows.
    Stacked symbols are drawn as matrices. The line printed under the bars is "(01)" and the 14 digits. No
    quiet zone is needed; the module width defaults to 0.33 mm.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str, stacked: Stacking = False, truncated: bool = False) -> Self:
        kind = _stacked_kind(stacked, truncated)
        return cls._encode(kind, _text(data), (data, stacked, bool(truncated)))

    def _arguments(self) -> list[str]:
        data, stacked, truncated = self._input
        return (
            [repr(data)]
            + ([] if stacked is False else [f"stacked={stacked!r}"])
            + (["truncated=True"] if truncated else [])
        )


class DataBarLimited(_Symbol):
    """A GS1 DataBar Limited symbol of a GTIN whose indicator digit (the first of 14) is 0 or 1: 13 digits,
    14 with the right check digit, or either after "(01)".

    10 modules high; quiet zones default to 1 module on each side, the module width to 0.33 mm.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return cls._encode("databar-limited", _text(data), (data,))


class DataBarExpanded(_Symbol):
    """A GS1 DataBar Expanded symbol of a parenthesized element string, e.g. "(01)09501101530003(3103)000123".

    Check digits are validated. At most 74 digits or 41 letters (21 data characters). One row 34 modules high;
    with `segments_per_row` (an even number from 2 to 20) it is DataBar Expanded Stacked, drawn as a matrix of
    rows of 34 modules with three separator rows between them. The line printed is the element string. No
    quiet zone is needed; the module width defaults to 0.33 mm.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, text: str, segments_per_row: int | None = None) -> Self:
        if segments_per_row is None:
            return cls._encode("databar-expanded", _text(text), (text, None))
        if isinstance(segments_per_row, bool) or not isinstance(segments_per_row, int):
            raise TavloTypeError(
                f"argument 'segments_per_row': '{type(segments_per_row).__qualname__}' object is not an instance of 'int'"
            )
        return cls._encode(
            "databar-expanded-stacked", _text(text), (text, segments_per_row), segments_per_row=segments_per_row
        )

    def _arguments(self) -> list[str]:
        text, segments = self._input
        return [repr(text)] + ([] if segments is None else [f"segments_per_row={segments}"])
