"""The QR family beyond the plain QR Code: Micro QR Code and rMQR, encoded in the core through their rows."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any

from ._label import TavloTypeError
from ._symbols import _OptionSymbol

if TYPE_CHECKING:
    from typing_extensions import Self


class MicroQr(_OptionSymbol):
    """A Micro QR Code (M1 to M4) from a str (its UTF-8 bytes) or bytes, planned for the fewest bits.

    `error_correction` is "L" (the default), "M" or "Q" where the version has it (M1 detects errors only,
    Q needs M4); `version` ("M1" to "M4", or 1 to 4) fixes the size, else the smallest that holds the data is
    used; `mask` (0 to 3) fixes the mask, else the best by the standard's score. Quiet zones default to 2
    modules on every side.
    """

    __slots__ = ()
    __module__ = "tavlo"
    _option_names = ("error_correction", "version", "mask")

    def __new__(
        cls,
        data: str | bytes,
        error_correction: str | None = None,
        version: str | int | None = None,
        mask: int | None = None,
    ) -> Self:
        return cls._encode_input("microqr", (data, error_correction, version, mask))


class RmQr(_OptionSymbol):
    """A rectangular Micro QR Code (rMQR, R7x43 to R17x139) from a str (its UTF-8 bytes) or bytes.

    `error_correction` is "M" (the default) or "H". The size is the smallest area that holds the data, the
    narrowest of `height` modules (7, 9, 11, 13, 15 or 17) when that is given, or exactly `size` ("R13x77").
    Quiet zones default to 2 modules on every side.
    """

    __slots__ = ()
    __module__ = "tavlo"
    _option_names = ("error_correction", "height", "size")

    def __new__(
        cls,
        data: str | bytes,
        error_correction: str | None = None,
        height: int | None = None,
        size: str | None = None,
    ) -> Self:
        return cls._encode_input("rmqr", (data, error_correction, height, size))


def structured_append_text(value: Any) -> str | None:
    """(index, count, parity) as the core reads it: "index,count,parity"."""
    if value is None:
        return None
    if not isinstance(value, tuple) or len(value) != 3 or not all(type(v) is int for v in value):
        raise TavloTypeError("argument 'structured_append': expected a tuple (index, count, parity) of ints")
    return ",".join(str(v) for v in value)
