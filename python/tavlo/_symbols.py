"""The symbol classes: each encodes its data once, in C++, and renders print-exact labels from it."""

from __future__ import annotations

from collections.abc import Sequence
from typing import TYPE_CHECKING, Any, Union

import _tavlo

from . import _label

if TYPE_CHECKING:
    from typing import Literal

    from typing_extensions import Self, Unpack

    from ._label import PngOptions, RenderOptions

    Format = Literal["png", "svg", "pdf"]

Code128Marker = Union[_tavlo.FNC1, _tavlo.FNC2, _tavlo.FNC3, _tavlo.FNC4, _tavlo.StartA, _tavlo.StartB, _tavlo.StartC]
Code128Element = Union[_tavlo.Data, Code128Marker]


class _Symbol(_label.Label):
    """What every symbol class does; the rendering itself is inherited from the C++ label type."""

    __slots__ = ()

    def _arguments(self) -> list[str]:
        return [repr(value) for value in self._input]

    def __repr__(self) -> str:
        return f"tavlo.{type(self).__name__}({', '.join(self._arguments())})"

    def __eq__(self, other: object) -> bool:
        if type(other) is not type(self):
            return NotImplemented
        return bool(self._input == other._input)

    def __hash__(self) -> int:
        return hash((type(self).__name__, self._input))

    def __reduce__(self) -> tuple[Any, ...]:
        return (type(self), self._input)

    # Immutable: a copy may be the object itself.
    def __copy__(self) -> Self:
        return self

    def __deepcopy__(self, memo: dict[int, Any]) -> Self:
        return self

    def _repr_png_(self) -> bytes:
        return self.png()

    def _repr_svg_(self) -> str:
        return self.svg()

    def save(self, target: Any, format: Format | None = None, **options: Unpack[PngOptions]) -> None:
        """Write the label to a path or a binary file object, whole or not at all.

        The format comes from `format`, else from the path's suffix (.png, .svg, .pdf); the options are those
        of png().
        """
        from . import _output

        _output.save(self, target, format, **options)

    def data_uri(self, format: Format = "png", **options: Unpack[PngOptions]) -> str:
        """The label as a data: URI, for HTML or Markdown."""
        from . import _output

        return str(_output.data_uri(self, format, **options))

    def to_pil(self, **options: Unpack[PngOptions]) -> Any:
        """The label as a Pillow image (needs the optional dependency Pillow)."""
        from . import _output

        return _output.to_pil(self, **options)


class Ean8(_Symbol):
    """An EAN-8 symbol from 7 digits, or 8 with a correct check digit.

    Quiet zones default to 7 modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return super().__new__(cls, _tavlo.Ean8(data), "ean8", (data,), data)


class UpcA(_Symbol):
    """A UPC-A symbol from 11 digits, or 12 with a correct check digit.

    Quiet zones default to 9 modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return super().__new__(cls, _tavlo.UpcA(data), "upca", (data,), data)


class Code39(_Symbol):
    """A Code 39 symbol: digits, capital letters, space and - . $ / + %.

    Quiet zones default to 10 modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return super().__new__(cls, _tavlo.Code39(data), "code39", (data,), data)


class Itf(_Symbol):
    """An interleaved 2 of 5 symbol from an even number of digits.

    Quiet zones default to 10 modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return super().__new__(cls, _tavlo.Itf(data), "itf", (data,), data)


_MARKERS: dict[type[Code128Marker], str] = {
    _tavlo.FNC1: "FNC1",
    _tavlo.FNC2: "FNC2",
    _tavlo.FNC3: "FNC3",
    _tavlo.FNC4: "FNC4",
    _tavlo.StartA: "StartA",
    _tavlo.StartB: "StartB",
    _tavlo.StartC: "StartC",
}
_MARKER_CLASSES = {name: cls for cls, name in _MARKERS.items()}


def _element_key(element: Code128Element) -> tuple[str, ...]:
    """An element as plain values: ("Data", text) or ("FNC1",); elements themselves compare by identity."""
    if type(element) is _tavlo.Data:
        return ("Data", element.value)
    return (_MARKERS[type(element)],)


def _element_from_key(key: tuple[str, ...]) -> Code128Element:
    if key[0] == "Data":
        return _tavlo.Data(key[1])
    return _MARKER_CLASSES[key[0]]()


class Code128(_Symbol):
    """A Code 128 symbol, with the fewest symbol characters the planner finds.

    `data` is a str (one Data element) or a list of Data, FNC1 to FNC4 and StartA to StartC elements,
    for example [FNC1(), Data("0109501101530003")]. The human-readable line under it shows the Data texts
    (tavlo.Gs1_128 prints GS1 element strings with their AIs in parentheses). Quiet zones default to 10
    modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str | Sequence[Code128Element]) -> Self:
        if not isinstance(data, Sequence):
            raise TypeError(f"argument 'data': '{type(data).__qualname__}' object is not a str or a list of elements")
        if isinstance(data, str):
            return super().__new__(cls, _tavlo.Code128([_tavlo.Data(data)]), "code128", (data,), data)
        symbol = _tavlo.Code128(data)
        key = tuple(_element_key(element) for element in data)
        # The printed line is the data; function and start elements print nothing.
        line = "".join(k[1] for k in key if k[0] == "Data")
        return super().__new__(cls, symbol, "code128", (key,), line)

    def _arguments(self) -> list[str]:
        (data,) = self._input
        if isinstance(data, str):
            return [repr(data)]
        parts = [f"tavlo.Data({key[1]!r})" if key[0] == "Data" else f"tavlo.{key[0]}()" for key in data]
        return [f"[{', '.join(parts)}]"]

    def __reduce__(self) -> tuple[Any, ...]:
        (data,) = self._input
        return (type(self), self._input) if isinstance(data, str) else (_code128_from_keys, (data,))


def _code128_from_keys(keys: tuple[tuple[str, ...], ...]) -> Code128:
    """Unpickles a Code128 made from elements, which cannot be pickled themselves."""
    return Code128([_element_from_key(key) for key in keys])


class Gs1_128(_Symbol):
    """A GS1-128 symbol from the parenthesized element string, e.g. "(01)09501101530003(17)250101(10)ABC123".

    Encoded as Code 128 with FNC1 first and after every variable-length element but the last. The check
    digits of SSCC (00), GTIN (01, 02), GLN (410-417) and GSRN (8017, 8018) are validated; with
    `compute_check_digits` a key written one digit short gets its check digit appended instead. At most 48
    data characters, and at most 165 mm wide with the quiet zones. The human-readable line shows the
    element strings in parentheses. Module width defaults to 0.495 mm, bars to 32 mm, quiet zones to 10
    modules.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, text: str, compute_check_digits: bool = False) -> Self:
        parts, line = _label.gs1_128_elements(text, compute_check_digits)
        elements = [_tavlo.FNC1() if part is None else _tavlo.Data(part) for part in parts]
        return super().__new__(cls, _tavlo.Code128(elements), "gs1-128", (text, bool(compute_check_digits)), line)

    def _arguments(self) -> list[str]:
        text, compute = self._input
        return [repr(text)] + (["compute_check_digits=True"] if compute else [])


class Itf14(_Symbol):
    """An ITF-14 shipping-carton symbol from 13 digits (the check digit is computed) or 14 (it is validated).

    `bearer` is "frame" (bearer bars on all four sides) or "bars" (above and below only); they are five
    modules thick. Module width defaults to 0.495 mm, bars to 32 mm, quiet zones to 10 modules.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str, bearer: Literal["frame", "bars"] = "frame") -> Self:
        if bearer not in ("frame", "bars"):
            raise ValueError(f"bearer must be 'frame' or 'bars', not {bearer!r}")
        digits = _label.itf14_digits(data)
        kind = "itf14" if bearer == "frame" else "itf14-bars"
        return super().__new__(cls, _tavlo.Itf(digits), kind, (data, bearer), digits)

    def _arguments(self) -> list[str]:
        data, bearer = self._input
        return [repr(data)] + ([] if bearer == "frame" else [f"bearer={bearer!r}"])


class QrCode(_Symbol):
    """A QR Code (model 2, error correction level M) of the smallest version that holds `data`.

    Quiet zones default to 4 modules on every side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return super().__new__(cls, _tavlo.QrCode(data), "qr", (data,))


class _ShapedSymbol(_Symbol):
    """A Data Matrix kind: the shape shows in the repr only when it restricts anything."""

    __slots__ = ()

    def _arguments(self) -> list[str]:
        data, shape = self._input
        return [repr(data)] + ([] if shape == "any" else [f"shape={shape!r}"])


class DataMatrix(_ShapedSymbol):
    """A Data Matrix ECC 200 symbol from a str (its UTF-8 bytes) or bytes.

    `shape` is "any", "square" or "rectangular". Quiet zones default to 1 module on every side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str | bytes, shape: str = "any") -> Self:
        return super().__new__(cls, _tavlo.DataMatrix(data, shape=shape), "datamatrix", (data, shape))


class Gs1DataMatrix(_ShapedSymbol):
    """A GS1 Data Matrix from the parenthesized element string, e.g. "(01)09501101530003(17)250101".

    `shape` is "any", "square" or "rectangular". Quiet zones default to 1 module on every side. With
    `text=True` the render methods print the element strings below the symbol, one per line, digits 2.5 mm
    high, widening the label where the lines need it.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, text: str, shape: str = "any") -> Self:
        symbol = _tavlo.DataMatrix.gs1(text, shape=shape)
        return super().__new__(cls, symbol, "datamatrix", (text, shape), _label.gs1_element_line(text))
