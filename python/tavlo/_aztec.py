"""Aztec Code and Aztec Runes (ISO/IEC 24778)."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any, Optional, Tuple, Union

from ._label import TavloTypeError
from ._symbols import _data, _Symbol

if TYPE_CHECKING:
    from typing_extensions import Self

StructuredAppend = Union[Tuple[int, int], Tuple[int, int, str]]


def _whole(name: str, value: Any) -> Optional[int]:
    if value is None or type(value) is int:
        return value
    if isinstance(value, bool) or not isinstance(value, int):
        raise TavloTypeError(f"argument '{name}': '{type(value).__qualname__}' object is not an instance of 'int'")
    return value


def _structured_append(value: Any) -> tuple[Optional[int], Optional[int], Optional[str]]:
    if value is None:
        return None, None, None
    if not isinstance(value, tuple) or len(value) not in (2, 3):
        raise TavloTypeError("argument 'structured_append': expected a tuple (index, count) or (index, count, id)")
    index = _whole("structured_append", value[0])
    count = _whole("structured_append", value[1])
    sa_id = value[2] if len(value) == 3 else None
    if sa_id is not None and not isinstance(sa_id, str):
        raise TavloTypeError(f"argument 'structured_append': id '{type(sa_id).__qualname__}' object is not an instance of 'str'")
    return index, count, sa_id or None


class Aztec(_Symbol):
    """An Aztec Code symbol from a str (its UTF-8 bytes) or bytes, the smallest that holds the data.

    `error_correction` is the least share of the codewords given to error correction, in percent (5 to 95;
    rounded down, plus 3 codewords); by default 23 %, the standard's recommendation. `layers` fixes the size:
    1 to 32 for a full-range symbol, -1 to -4 for a compact one (the sign marks compact); with fixed layers
    every codeword the data leaves is error correction unless `error_correction` asks for a least share.
    `eci` (0 to 999999) writes an Extended Channel Interpretation before the data. `structured_append` is
    (index, count) or (index, count, id): this symbol's position, from 1, among `count` (2 to 26) symbols of
    one message, and an optional message id of printable ASCII without spaces. Aztec Code needs no quiet zone.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(
        cls,
        data: str | bytes,
        *,
        error_correction: int | None = None,
        layers: int | None = None,
        eci: int | None = None,
        structured_append: StructuredAppend | None = None,
    ) -> Self:
        input = (data, error_correction, layers, eci, structured_append)
        if input.count(None) == 4:  # no option given: nothing to check or name (the common case, kept short)
            return cls._encode("aztec", _data(data), input)
        index, count, sa_id = _structured_append(structured_append)
        return cls._encode(
            "aztec",
            _data(data),
            input,
            error_correction=_whole("error_correction", error_correction),
            layers=_whole("layers", layers),
            eci=_whole("eci", eci),
            structured_append_index=index,
            structured_append_count=count,
            structured_append_id=sa_id,
        )

    def _arguments(self) -> list[str]:
        data, *options = self._input
        names = ("error_correction", "layers", "eci", "structured_append")
        return [repr(data)] + [f"{name}={value!r}" for name, value in zip(names, options) if value is not None]


class AztecRune(_Symbol):
    """An Aztec Rune: the 11x11 compact bullseye carrying one value from 0 to 255."""

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, value: int) -> Self:
        return cls._encode("aztec-rune", str(_whole("value", value)), (value,))
