"""Templates: a label of a given size holding symbols, lines of OCR-B text and ruled lines at positions in
millimetres, described in a small TOML file whose `{column}` fields are filled from a row of data (a CSV row).

    [label]
    width = "105mm"          # lengths: numbers of millimetres, or strings with a unit (mm, in, mil)
    height = "148mm"
    dpi = 300                # the default of render()

    [[symbol]]
    kind = "gs1-128"         # a kind's name, as `tavlo <kind>` takes it
    data = "(00){sscc}"      # str.format fields filled from the row
    x = 52.5                 # the symbol's label (quiet zones and text included) from the left edge ...
    align = "centre"         # ... by its left edge (default), its centre or its right edge
    y = 120                  # its top edge from the top of the label
    x_dim = "0.495mm"        # any render option: x_dim, width, height, quiet_zone, bar_width_reduction, text
    # any other key is an option of the kind's class, e.g. error_correction = "M" for "qr"

    [[text]]
    text = "SSCC {sscc}"
    x = 5                    # the left edge, centre or right edge of the line, as `align` says
    y = 30                   # the baseline
    size = 3                 # the height of the digits
    align = "left"

    [[line]]                 # horizontal or vertical
    x1 = 0
    y1 = 66
    x2 = 105
    y2 = 66
    thickness = 0.4

Every position becomes the nearest whole printer dot at the dpi it is rendered at, and each symbol is drawn
exactly as its own `png()` would draw it.
"""

from __future__ import annotations

import math
import os
import string
import sys
from collections.abc import Mapping
from typing import Any

from . import _label
from .sheets import _mm, _save

__all__ = ["Template"]

if sys.version_info >= (3, 11):
    import tomllib
else:  # pragma: no cover - exercised on older interpreters only
    try:
        import tomli as tomllib
    except ImportError:
        tomllib = None

_RENDER_KEYS = ("x_dim", "width", "height", "quiet_zone", "bar_width_reduction", "text")
_ALIGNS = ("left", "centre", "center", "right")


def _fields(text: str) -> set[str]:
    return {name.split(".")[0].split("[")[0] for _, name, _, _ in string.Formatter().parse(text) if name}


class _Row(dict):
    def __missing__(self, name: str) -> str:
        raise KeyError(name)


def _fill(text: str, row: Mapping[str, Any], where: str) -> str:
    try:
        return text.format_map(_Row(row))
    except KeyError as error:
        raise ValueError(f"{where}: the row has no column {error.args[0]!r}") from None


def _classes() -> dict[str, type]:
    import tavlo

    return {row["name"]: getattr(tavlo, row["class_name"]) for row in _label.kinds()}


class Template:
    """A label of `width` x `height` holding symbols, text and lines; see the module's documentation."""

    __slots__ = ("width", "height", "dpi", "symbols", "texts", "lines")

    def __init__(self, description: Mapping[str, Any]) -> None:
        unknown = set(description) - {"label", "symbol", "text", "line"}
        if unknown:
            raise ValueError(f"unknown template tables: {', '.join(sorted(unknown))} (use label, symbol, text, line)")
        label = description.get("label")
        if not isinstance(label, Mapping) or "width" not in label or "height" not in label:
            raise ValueError("a template needs a [label] table with its width and height")
        self.width, self.height = _mm(label["width"], "label.width"), _mm(label["height"], "label.height")
        self.dpi = int(label.get("dpi", 300))
        classes = _classes()
        self.symbols = [self._symbol(item, n, classes) for n, item in enumerate(description.get("symbol", []))]
        self.texts = [self._text(item, n) for n, item in enumerate(description.get("text", []))]
        self.lines = [self._line(item, n) for n, item in enumerate(description.get("line", []))]

    @staticmethod
    def _symbol(item: Mapping[str, Any], n: int, classes: dict[str, type]) -> dict[str, Any]:
        where = f"symbol {n}"
        if "kind" not in item or "data" not in item:
            raise ValueError(f"{where}: a symbol needs its kind and data")
        if item["kind"] not in classes:
            raise ValueError(f"{where}: unknown kind {item['kind']!r}")
        align = item.get("align", "left")
        if align not in _ALIGNS:
            raise ValueError(f"{where}: align must be 'left', 'centre' or 'right', not {align!r}")
        layout = ("kind", "data", "x", "y", "align")
        return {
            "class": classes[item["kind"]],
            "data": str(item["data"]),
            "x": _mm(item.get("x", 0), f"{where}.x"),
            "y": _mm(item.get("y", 0), f"{where}.y"),
            "align": align,
            "render": {key: item[key] for key in _RENDER_KEYS if key in item},
            "options": {key: value for key, value in item.items() if key not in layout and key not in _RENDER_KEYS},
        }

    @staticmethod
    def _text(item: Mapping[str, Any], n: int) -> tuple[str, float, float, float, str]:
        where = f"text {n}"
        if "text" not in item:
            raise ValueError(f"{where}: a text needs its text")
        align = item.get("align", "left")
        if align not in _ALIGNS:
            raise ValueError(f"{where}: align must be 'left', 'centre' or 'right', not {align!r}")
        return (str(item["text"]), _mm(item.get("x", 0), f"{where}.x"), _mm(item.get("y", 0), f"{where}.y"),
                _mm(item.get("size", 3), f"{where}.size"), align)

    @staticmethod
    def _line(item: Mapping[str, Any], n: int) -> tuple[float, float, float, float, float]:
        where = f"line {n}"
        x1, y1, x2, y2 = (_mm(item.get(key, 0), f"{where}.{key}") for key in ("x1", "y1", "x2", "y2"))
        if x1 != x2 and y1 != y2:
            raise ValueError(f"{where}: a line is horizontal or vertical")
        return x1, y1, x2, y2, _mm(item.get("thickness", 0.3), f"{where}.thickness")

    @classmethod
    def from_toml(cls, text: str) -> Template:
        if tomllib is None:  # pragma: no cover
            raise ImportError("templates need tomli on Python before 3.11: pip install tomli")
        return cls(tomllib.loads(text))

    @classmethod
    def load(cls, path: str | os.PathLike[str]) -> Template:
        with open(path, encoding="utf-8") as file:
            return cls.from_toml(file.read())

    @property
    def fields(self) -> set[str]:
        """The columns the template's `{column}` fields read."""
        names: set[str] = set()
        for symbol in self.symbols:
            names |= _fields(symbol["data"])
        for text in self.texts:
            names |= _fields(text[0])
        return names

    def symbols_for(self, row: Mapping[str, Any]) -> list[Any]:
        """The template's symbols made from `row`, in order."""
        return [s["class"](_fill(s["data"], row, f"symbol {n}"), **s["options"]) for n, s in enumerate(self.symbols)]

    def drawing(self, row: Mapping[str, Any], dpi: int | None = None, **options: Any) -> Any:
        """The label filled from `row`, drawn in dots (a tavlo._label.Drawing); `options` may set the colours."""
        dpi = self.dpi if dpi is None else dpi

        def dots(mm: float) -> int:
            return math.floor(mm * dpi / 25.4 + 0.5)  # halves up, as the core rounds

        width, height = dots(self.width), dots(self.height)
        parts = []
        for n, (spec, symbol) in enumerate(zip(self.symbols, self.symbols_for(row))):
            drawing = _label.draw(symbol, dpi=dpi, **spec["render"], **options)
            x = dots(spec["x"])
            if spec["align"] in ("centre", "center"):
                x -= drawing.width // 2
            elif spec["align"] == "right":
                x -= drawing.width
            if x < 0:
                raise _label.TavloError(f"symbol {n} ({symbol!r}) reaches past the label's left edge")
            parts.append((drawing, x, dots(spec["y"])))
        texts = [(_fill(text, row, f"text {n}"), x * dpi / 25.4, y * dpi / 25.4, size * dpi / 25.4, align)
                 for n, (text, x, y, size, align) in enumerate(self.texts)]
        rects = []
        for x1, y1, x2, y2, thickness in self.lines:
            # The stroke is centred on its line; its ends and sides fall on the nearest dots.
            half = thickness / 2
            left, right = (min(x1, x2), max(x1, x2)) if y1 == y2 else (x1 - half, x1 + half)
            top, bottom = (y1 - half, y1 + half) if y1 == y2 else (min(y1, y2), max(y1, y2))
            x, y = max(dots(left), 0), max(dots(top), 0)
            w, h = min(dots(right), width) - x, min(dots(bottom), height) - y
            rects.append((x, y, max(w, 1), max(h, 1)))
        return _label.compose(width, height, parts, rects, texts, dpi=dpi, **options)

    def render(self, row: Mapping[str, Any], format: str = "pdf", dpi: int | None = None, **options: Any) -> bytes | str:
        """The label filled from `row` as a PDF (bytes), PNG (bytes), SVG (str) or ZPL (str, one label format;
        `copies` and `compression` as zpl() takes them). PDF and SVG take `text_font` as a symbol's pdf() and
        svg() do: "outlines" (the default) or "named" for the text as text in a named font."""
        optimize = bool(options.pop("optimize", False))
        zpl_options = {name: options.pop(name) for name in ("copies", "compression") if name in options}
        text_font = options.pop("text_font", None) if format in ("pdf", "svg") else None
        drawing = self.drawing(row, dpi, **options)
        if format == "png":
            return drawing.png(optimize=optimize)
        if format == "svg":
            return drawing.svg(text_font=text_font)
        if format == "pdf":
            return drawing.pdf(text_font=text_font)
        if format == "zpl":
            return drawing.zpl(**zpl_options)
        raise ValueError(f"unknown template format {format!r}: use pdf, png, svg or zpl")

    def zpl(self, row: Mapping[str, Any], dpi: int | None = None, *, copies: int = 1, compression: str = "z64",
            **options: Any) -> str:
        """The label filled from `row` as one ZPL label format (^XA ... ^XZ) at the printer's dots: `dpi` is the
        printer's (203, 300 or 600), ^PW and ^LL the label's size in those dots."""
        return self.drawing(row, dpi, **options).zpl(copies=copies, compression=compression)

    def save(self, target: Any, row: Mapping[str, Any], format: str | None = None, dpi: int | None = None,
             **options: Any) -> None:
        """Writes the label filled from `row` to a path or a binary file object, in `format` or the one the
        path's suffix names (.pdf, .png, .svg, .zpl), whole or not at all as `tavlo.save` writes."""
        _save(target, format, lambda name: self.render(row, name, dpi, **options))
