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


def _option_text(name: str, value: Any) -> str:
    """An option as the core reads it: "true"/"false", a whole number, or the text itself."""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, (int, str)):
        return str(value)
    raise TypeError(f"argument '{name}': '{type(value).__qualname__}' object is not an instance of 'str, int or bool'")


class _Symbol(_label.Label):
    """What every symbol class does; the rendering itself is inherited from the C++ label type."""

    __slots__ = ()

    @classmethod
    def _encode(cls, kind: str, data: str | bytes, input: tuple[Any, ...], **options: Any) -> Self:
        """A symbol of `kind` (a row of the table of kinds) encoded in the core from `data`; `input` is what
        equality, hashing, pickling and the repr use. Options left as None are the kind's defaults."""
        pairs = tuple((name, _option_text(name, value)) for name, value in options.items() if value is not None)
        return _label.Label.__new__(cls, kind, data, input, pairs)

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
        return cls._encode("ean8", _text(data), (data,))


class UpcA(_Symbol):
    """A UPC-A symbol from 11 digits, or 12 with a correct check digit.

    Quiet zones default to 9 modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return cls._encode("upca", _text(data), (data,))


class Code39(_Symbol):
    """A Code 39 symbol: digits, capital letters, space and - . $ / + %.

    Quiet zones default to 10 modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return cls._encode("code39", _text(data), (data,))


class Itf(_Symbol):
    """An interleaved 2 of 5 symbol from an even number of digits.

    Quiet zones default to 10 modules on each side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str) -> Self:
        return cls._encode("itf", _text(data), (data,))


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


_RECORD_TAGS = {"FNC1": "1", "FNC2": "2", "FNC3": "3", "FNC4": "4", "StartA": "A", "StartB": "B", "StartC": "C"}


def _element_records(keys: tuple[tuple[str, ...], ...]) -> str:
    """The element list as the core reads it: "D<bytes>:<text>" for Data, a tag for each marker."""
    return "".join(
        f"D{len(key[1].encode())}:{key[1]}" if key[0] == "Data" else _RECORD_TAGS[key[0]] for key in keys
    )


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
            return cls._encode("code128", data, (data,))
        if any(type(element) is not _tavlo.Data and type(element) not in _MARKERS for element in data):
            _tavlo.Code128(data)  # raises its own message for what is not an element
        key = tuple(_element_key(element) for element in data)
        return cls._encode("code128", _element_records(key), (key,), elements=True)

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
        compute = bool(compute_check_digits)
        return cls._encode("gs1-128", _text(text), (text, compute), compute_check_digits=compute)

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
        return cls._encode("itf14" if bearer == "frame" else "itf14-bars", _text(data), (data, bearer))

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
        return cls._encode("qr", _text(data), (data,))


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
        return cls._encode("datamatrix", _data(data), (data, shape), shape=_shape(shape))


class Gs1DataMatrix(_ShapedSymbol):
    """A GS1 Data Matrix from the parenthesized element string, e.g. "(01)09501101530003(17)250101".

    `shape` is "any", "square" or "rectangular". Quiet zones default to 1 module on every side. With
    `text=True` the render methods print the element strings below the symbol, one per line, digits 2.5 mm
    high, widening the label where the lines need it.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, text: str, shape: str = "any") -> Self:
        return cls._encode("gs1-datamatrix", _text(text, "value"), (text, shape), shape=_shape(shape))


def _text(data: Any, name: str = "data") -> str:
    if not isinstance(data, str):
        raise TypeError(f"argument '{name}': '{type(data).__qualname__}' object is not an instance of 'str'")
    return data


def _data(data: Any) -> str | bytes:
    if not isinstance(data, (str, bytes)):
        raise TypeError("expected str or bytes")
    return data


_SHAPES = ("any", "square", "rect", "rectangle", "rectangular")


def _shape(shape: Any) -> str:
    if not isinstance(shape, str):
        raise TypeError(f"argument 'shape': '{type(shape).__qualname__}' object is not an instance of 'str'")
    if shape not in _SHAPES:
        raise ValueError(f"invalid shape '{shape}': expected 'any', 'square', or 'rectangular'")
    return shape
