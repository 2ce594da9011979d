"""The symbol classes: each encodes its data once, in C++, and renders print-exact labels from it."""

from __future__ import annotations

import threading
from collections.abc import Sequence
from contextvars import ContextVar
from typing import TYPE_CHECKING, Any, Union

import _tavlo

from . import _label
from ._label import TavloTypeError, TavloValueError

if TYPE_CHECKING:
    from typing import Literal

    from typing_extensions import Self, Unpack

    from ._label import PngOptions, RenderOptions

    Format = Literal["png", "svg", "pdf", "eps", "zpl"]

Code128Marker = Union[_tavlo.FNC1, _tavlo.FNC2, _tavlo.FNC3, _tavlo.FNC4, _tavlo.StartA, _tavlo.StartB, _tavlo.StartC]
Code128Element = Union[_tavlo.Data, Code128Marker]


def _option_text(name: str, value: Any) -> str:
    """An option as the core reads it: "true"/"false", a whole number, or the text itself."""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, (int, str)):
        return str(value)
    raise TavloTypeError(f"argument '{name}': '{type(value).__qualname__}' object is not an instance of 'str, int or bool'")


class _Captured(Exception):
    """What a constructor would encode: its row and its options as the core reads them (see kind_of)."""

    def __init__(self, kind: str, pairs: tuple[tuple[str, str], ...]) -> None:
        super().__init__(kind)
        self.kind, self.pairs = kind, pairs


_capturing: ContextVar[bool] = ContextVar("tavlo_capturing", default=False)
# How many kind_of calls are running, in any thread: while none is, a constructor need not look at the
# context variable. A thread that captures counts itself in before it runs the constructor, so it always
# sees its own capture.
_captures_running = 0
_captures_lock = threading.Lock()


def kind_of(cls: type, probe: str | bytes, options: dict[str, Any]) -> tuple[str, tuple[tuple[str, str], ...]]:
    """The row and the core's options that `cls(data, **options)` encodes with, found by running the
    constructor on `probe` up to its encoding: what tavlo.render_many applies to every payload. The
    constructor's own refusals of the options are raised as they are."""
    global _captures_running
    with _captures_lock:
        _captures_running += 1
    token = _capturing.set(True)
    try:
        cls(probe, **options)
    except _Captured as captured:
        return captured.kind, captured.pairs
    finally:
        _capturing.reset(token)
        with _captures_lock:
            _captures_running -= 1
    raise TavloTypeError(f"{cls.__qualname__} is not a kind of label")


_new_label = _label.new_label


class _Symbol(_label.Label):
    """What every symbol class does; the rendering itself is inherited from the C++ label type."""

    __slots__ = ()
    _option_names: tuple[str, ...] = ()  # the core's names of the options a constructor's input holds

    @classmethod
    def _encode(cls, kind: str, data: str | bytes, input: tuple[Any, ...], **options: Any) -> Self:
        """A symbol of `kind` (a row of the table of kinds) encoded in the core from `data`; `input` is what
        equality, hashing, pickling and the repr use. Options left as None are the kind's defaults."""
        # A list comprehension, run inline, and text passed as it is: this is part of the fixed cost of every
        # label (a generator and a call per option took a third of MicroQr("01234567")'s Python time).
        pairs = tuple([(name, value if type(value) is str else _option_text(name, value))
                       for name, value in options.items() if value is not None]) if options else ()
        if _captures_running and _capturing.get():
            raise _Captured(kind, pairs)
        return _new_label(cls, kind, data, input, pairs)

    @classmethod
    def _encode_input(cls, kind: str, input: tuple[Any, ...]) -> Self:
        """_encode of the data (str or bytes) that `input` starts with and the options it holds after the data,
        named by `_option_names` in order. With none given (the common case) no names are paired: that took a
        third of MicroQr("01234567")'s Python time, and half of Pdf417(data)'s with its eight options."""
        data = input[0]
        if not isinstance(data, (str, bytes)):  # as _data, without its call
            raise TavloTypeError("expected str or bytes")
        if input.count(None) != len(input) - 1:
            return cls._encode(kind, data, input, **dict(zip(cls._option_names, input[1:])))
        # _encode without options, inline: its call was a tenth of MicroQr("01234567")'s constructor.
        if _captures_running and _capturing.get():
            raise _Captured(kind, ())
        return _new_label(cls, kind, data, input, ())

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

    def save(self, target: Any, format: Format | None = None, **options: Any) -> None:
        """Write the label to a path or a binary file object, whole or not at all.

        The format comes from `format`, else from the path's suffix (.png, .svg, .pdf, .eps, .zpl); the options
        are those of the format's method (png(), svg(), pdf(), eps() or zpl()).
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
            raise TavloTypeError(f"argument 'data': '{type(data).__qualname__}' object is not a str or a list of elements")
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
            raise TavloValueError(f"bearer must be 'frame' or 'bars', not {bearer!r}")
        return cls._encode("itf14" if bearer == "frame" else "itf14-bars", _text(data), (data, bearer))

    def _arguments(self) -> list[str]:
        data, bearer = self._input
        return [repr(data)] + ([] if bearer == "frame" else [f"bearer={bearer!r}"])


class _OptionSymbol(_Symbol):
    """A symbol whose repr names the options that were given, after the data."""

    __slots__ = ()

    def _arguments(self) -> list[str]:
        data, *values = self._input
        named = [f"{name}={value!r}" for name, value in zip(self._option_names, values) if value is not None]
        return [repr(data), *named]


class QrCode(_OptionSymbol):
    """A QR Code (model 2) of the smallest version that holds `data`, at error correction level M.

    Options: `error_correction` "L", "M", "Q" or "H" (default "M"); `version` 1 to 40; `mask` 0 to 7;
    `boost_error` (default True) raises the level as far as the data still fits the same version; `eci`, an ECI
    assignment number written before the data (26 for UTF-8), which is written as its UTF-8 bytes in any case;
    `structured_append` (index, count, parity). Without options the symbol is the plain level-M one, never
    boosted. Quiet zones default to 4 modules on every side.
    """

    __slots__ = ()
    __module__ = "tavlo"
    _option_names = ("error_correction", "version", "mask", "boost_error", "eci", "structured_append")

    def __new__(
        cls,
        data: str,
        error_correction: str | None = None,
        version: int | None = None,
        mask: int | None = None,
        boost_error: bool | None = None,
        eci: int | None = None,
        structured_append: tuple[int, int, int] | None = None,
    ) -> Self:
        from ._qr_family import structured_append_text

        options = (error_correction, version, mask, boost_error, eci, structured_append)
        if all(value is None for value in options):
            return cls._encode("qr", _text(data), (data,))
        return cls._encode(
            "qr",
            _text(data),
            (data, *options),
            error_correction=error_correction,
            version=version,
            mask=mask,
            boost_error=boost_error,
            eci=eci,
            structured_append=structured_append_text(structured_append),
        )


class DataMatrix(_Symbol):
    """A Data Matrix ECC 200 symbol from a str or bytes, in the smallest size of its shape that holds it.

    `shape` is "square" (the default), "rectangle" (the rectangles of ISO/IEC 16022, 8x18 to 16x48) or "any";
    `dmre=True` adds the DMRE rectangles of ISO/IEC 21471 (8x48 to 26x64), which many scanners do not read,
    and alone means rectangles. `size="32x32"` fixes the size. A str is encoded in ISO-8859-1, the symbol's
    default character set, when it can be, else in UTF-8 with ECI 26; `eci=` names the ECI (a str is then
    encoded in that ECI's character set, bytes are taken as they are). `structured_append=(index, count,
    file_id)` makes the symbol `index` (from 1) of `count` (2 to 16) that carry one message, `file_id` (0 to
    64515) the same in each. Quiet zones default to 1 module on every side.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(
        cls,
        data: str | bytes,
        shape: str | None = None,
        dmre: bool = False,
        size: str | None = None,
        eci: int | None = None,
        structured_append: tuple[int, int, int] | None = None,
    ) -> Self:
        payload, eci_used = _eci_payload(_data(data), eci)
        append = _structured_append(structured_append)
        options = _sizing(shape, dmre, size)
        input = (data, _input_shape(shape, dmre, size), bool(dmre), size, eci, append)
        return cls._encode(
            "datamatrix",
            payload,
            input,
            **options,
            eci=eci_used,
            structured_append=None if append is None else ",".join(map(str, append)),
        )

    def _arguments(self) -> list[str]:
        data, shape, dmre, size, eci, append = self._input
        named = {"shape": _shown_shape(shape), "dmre": dmre or None, "size": size, "eci": eci, "structured_append": append}
        return [repr(data)] + [f"{name}={value!r}" for name, value in named.items() if value is not None]


class Gs1DataMatrix(_Symbol):
    """A GS1 Data Matrix from the parenthesized element string, e.g. "(01)09501101530003(17)250101".

    `shape`, `dmre` and `size` choose the size as for tavlo.DataMatrix (square by default). Quiet zones default
    to 1 module on every side. With `text=True` the render methods print the element strings below the
    symbol, one per line, digits 2.5 mm high, widening the label where the lines need it.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, text: str, shape: str | None = None, dmre: bool = False, size: str | None = None) -> Self:
        options = _sizing(shape, dmre, size)
        input = (text, _input_shape(shape, dmre, size), bool(dmre), size)
        return cls._encode("gs1-datamatrix", _text(text, "value"), input, **options)

    def _arguments(self) -> list[str]:
        text, shape, dmre, size = self._input
        named = {"shape": _shown_shape(shape), "dmre": dmre or None, "size": size}
        return [repr(text)] + [f"{name}={value!r}" for name, value in named.items() if value is not None]


def _text(data: Any, name: str = "data") -> str:
    if not isinstance(data, str):
        raise TavloTypeError(f"argument '{name}': '{type(data).__qualname__}' object is not an instance of 'str'")
    return data


def _data(data: Any) -> str | bytes:
    if not isinstance(data, (str, bytes)):
        raise TavloTypeError("expected str or bytes")
    return data


_SHAPES = ("any", "square", "rect", "rectangle", "rectangular")


def _shape(shape: Any) -> str:
    if not isinstance(shape, str):
        raise TavloTypeError(f"argument 'shape': '{type(shape).__qualname__}' object is not an instance of 'str'")
    if shape not in _SHAPES:
        raise TavloValueError(f"invalid shape '{shape}': expected 'square', 'rectangle' or 'any'")
    return shape


def _input_shape(shape: str | None, dmre: Any, size: Any) -> str | None:
    """The shape as equality and the repr see it: the default square written or not is one symbol; with a size
    or dmre the shape left out stays out, as the core then reads no shape."""
    if shape is None and not size and not dmre:
        return "square"
    return shape


def _shown_shape(shape: str | None) -> str | None:
    return None if shape == "square" else shape


def _sizing(shape: Any, dmre: Any, size: Any) -> dict[str, Any]:
    """The size options of the Data Matrix kinds as the core reads them; None leaves the core's default."""
    if size is not None and not isinstance(size, str):
        raise TavloTypeError(f"argument 'size': '{type(size).__qualname__}' object is not an instance of 'str'")
    return {"shape": None if shape is None else _shape(shape), "dmre": bool(dmre) or None, "size": size}


# The character sets of the ECI assignments whose text Python can encode (AIM ECI): ISO-8859-1 to -16, the
# Windows code pages, Shift JIS, UTF-16, UTF-8, ASCII, Big5, GB 18030 and EUC-KR.
_ECI_CODECS = {
    0: "cp437", 1: "latin-1", 2: "cp437", 3: "latin-1", 4: "iso8859-2", 5: "iso8859-3", 6: "iso8859-4", 7: "iso8859-5", 8: "iso8859-6",
    9: "iso8859-7", 10: "iso8859-8", 11: "iso8859-9", 12: "iso8859-10", 13: "iso8859-11", 15: "iso8859-13",
    16: "iso8859-14", 17: "iso8859-15", 18: "iso8859-16", 20: "shift_jis", 21: "cp1250", 22: "cp1251",
    23: "cp1252", 24: "cp1256", 25: "utf-16-be", 26: "utf-8", 27: "ascii", 28: "big5", 29: "gb2312",
    30: "euc-kr", 31: "gbk", 32: "gb18030", 33: "utf-16-le", 34: "utf-32-be", 35: "utf-32-le",
}
_UTF8_ECI = 26


def _eci_payload(data: str | bytes, eci: Any) -> tuple[str | bytes, int | None]:
    """The bytes to encode and the ECI to announce: a str in ISO-8859-1 when it can be (no ECI), else UTF-8
    with ECI 26; with `eci` a str in that ECI's character set, bytes as they are."""
    if eci is not None and (not isinstance(eci, int) or isinstance(eci, bool)):
        raise TavloTypeError(f"argument 'eci': '{type(eci).__qualname__}' object is not an instance of 'int'")
    if eci is not None and not 0 <= eci <= 999999:
        raise TavloValueError(f"argument 'eci': an ECI is from 0 to 999999, not {eci}")
    if isinstance(data, bytes):
        return data, eci
    if eci is None:
        try:
            return data.encode("latin-1"), None
        except UnicodeEncodeError:
            return data.encode("utf-8"), _UTF8_ECI
    codec = _ECI_CODECS.get(eci)
    if codec is None:
        raise TavloValueError(f"argument 'eci': ECI {eci} has no character set tavlo encodes a str in; give the data as bytes")
    try:
        return data.encode(codec), eci
    except UnicodeEncodeError as error:
        raise TavloValueError(f"argument 'data': {data[error.start:error.end]!r} is not in the character set of ECI {eci} ({codec})") from None


def _structured_append(value: Any) -> tuple[int, int, int] | None:
    if value is None:
        return None
    if (
        not isinstance(value, tuple)
        or len(value) != 3
        or any(not isinstance(item, int) or isinstance(item, bool) for item in value)
    ):
        raise TavloTypeError("argument 'structured_append': expected a tuple (index, count, file_id) of 3 ints")
    return (value[0], value[1], value[2])
