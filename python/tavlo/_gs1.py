"""The GS1 symbol classes that carry element strings in a matrix symbol beyond Data Matrix."""

from __future__ import annotations

from typing import TYPE_CHECKING

from ._symbols import _Symbol, _text

if TYPE_CHECKING:
    from typing_extensions import Self


class Gs1Qr(_Symbol):
    """A QR Code in GS1 mode (FNC1 in first position) from the element string, e.g. "(01)09501101530003(10)AB".

    The element string is held to the GS1 Barcode Syntax Dictionary as tavlo.gs1.parse does. Readers report
    it with the symbology identifier ]Q3. Error correction level M, quiet zones of 4 modules; with
    `text=True` the render methods print the element strings below the symbol, one per line.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, text: str) -> Self:
        return cls._encode("gs1-qr", _text(text), (text,))
