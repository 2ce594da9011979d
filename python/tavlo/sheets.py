"""Label sheets: symbols placed at exact printer dots in the cells of an A4 or Letter sheet of labels.

>>> import tavlo
>>> sheet = tavlo.Sheet.preset("a4-3x8")            # 24 labels of 70 x 37 mm
>>> pdf = sheet.pdf([tavlo.Code128(f"Box {n}") for n in range(30)], dpi=300)   # two pages

Each cell's edges are the whole dots nearest to where the sheet's lengths put them, measured from the page's
corner, and each label is drawn exactly as `png()` would draw it alone, then moved by whole dots into its
cell: centred in it (the odd dot left over on the right and below) or at its top-left corner
(`anchor="top-left"`). A label larger than its cell is refused, naming the label. Lengths are numbers of
millimetres or strings with a unit ("2.625in", "70mm").

`render_sheet(preset, symbols, **options)` is the one call behind `tavlo batch --sheet`.
"""

from __future__ import annotations

import os
import re
from collections.abc import Callable, Iterable, Sequence
from dataclasses import dataclass
from typing import Any, Union

from . import _label

__all__ = ["Sheet", "PRESETS", "PAGES", "render_sheet"]

Length = Union[str, float, int]

_MM_PER_UNIT = {"mm": 1.0, "in": 25.4, "mil": 0.0254}
_LENGTH = re.compile(r"\s*([0-9]+(?:\.[0-9]*)?|\.[0-9]+)\s*(mm|in|mil)\s*")


def _mm(value: Length, name: str) -> float:
    """A sheet length in millimetres: a number of millimetres or a str with a unit (dots need a dpi, which a
    sheet does not have until it is drawn)."""
    if isinstance(value, bool) or not isinstance(value, (str, int, float)):
        raise TypeError(f"argument '{name}': a length is a str with a unit or a number of millimetres, "
                        f"not {type(value).__name__}")
    if isinstance(value, str):
        match = _LENGTH.fullmatch(value)
        if not match:
            raise ValueError(f"argument '{name}': {value!r} is not a length in mm, in or mil")
        return float(match.group(1)) * _MM_PER_UNIT[match.group(2)]
    if not value >= 0 or value == float("inf"):
        raise ValueError(f"argument '{name}': a length must be a finite number, not negative")
    return float(value)


def _save(target: Any, format: str | None, render: Callable[[str], bytes | str]) -> None:
    """Writes what `render(format)` gives to `target` (a path or a binary file object), the format from
    `format` or the path's suffix; what Sheet.save and Template.save share. Rendered before anything is
    opened, and a path written whole or not at all, as tavlo.save writes."""
    from . import _output

    name = _output.format_for(target, format)
    if name not in ("pdf", "png", "svg", "zpl"):
        raise ValueError(f"a sheet or a template is written as pdf, png, svg or zpl, not {name}")
    data = render(name)
    data = data.encode("utf-8") if isinstance(data, str) else data
    if isinstance(target, (str, os.PathLike)):
        _output.write_file(target, data)
    elif hasattr(target, "write"):
        target.write(data)
    else:
        raise TypeError(f"save() needs a path or a binary file object, not {type(target).__name__}")


# Page sizes in millimetres: ISO 216 A4 and A5, US Letter 8.5 x 11 in.
PAGES = {"a4": (210.0, 297.0), "a5": (148.0, 210.0), "letter": (215.9, 279.4)}


@dataclass(frozen=True)
class _Preset:
    page: str
    columns: int
    rows: int
    label_width: float  # mm
    label_height: float
    left: float
    top: float
    column_gap: float = 0.0
    row_gap: float = 0.0
    like: str = ""  # the common product of this layout, for the documentation


def _inches(*values: float) -> tuple[float, ...]:
    return tuple(v * 25.4 for v in values)


# The common sheets, from their makers' published templates (label size, first label's corner, pitch). The
# Letter ones are given in inches there; 4/3 in and 5/6 in are the 1-1/3 in labels and their margin.
PRESETS: dict[str, _Preset] = {
    "a4-3x8": _Preset("a4", 3, 8, 70.0, 37.0, 0.0, 0.5, like="Avery 3474: 70 x 37 mm, no margins at the sides"),
    "a4-3x7": _Preset("a4", 3, 7, 63.5, 38.1, 7.25, 15.15, 2.5, like="Avery L7160: 63.5 x 38.1 mm"),
    "a4-2x7": _Preset("a4", 2, 7, 99.1, 38.1, 4.65, 15.15, 2.5, like="Avery L7163: 99.1 x 38.1 mm"),
    "a4-2x8": _Preset("a4", 2, 8, 99.1, 33.9, 4.65, 12.9, 2.5, like="Avery L7162: 99.1 x 33.9 mm"),
    "a4-5x13": _Preset("a4", 5, 13, 38.1, 21.2, 4.75, 10.7, 2.5, like="Avery L7651: 38.1 x 21.2 mm"),
    "letter-3x10": _Preset("letter", 3, 10, *_inches(2.625, 1.0, 0.1875, 0.5, 0.125),
                           like="Avery 5160: 2.625 x 1 in"),
    "letter-2x10": _Preset("letter", 2, 10, *_inches(4.0, 1.0, 0.15625, 0.5, 0.1875),
                           like="Avery 5161: 4 x 1 in"),
    "letter-2x7": _Preset("letter", 2, 7, *_inches(4.0, 4 / 3, 0.15625, 5 / 6, 0.1875),
                          like="Avery 5162: 4 x 1-1/3 in"),
    "letter-2x5": _Preset("letter", 2, 5, *_inches(4.0, 2.0, 0.15625, 0.5, 0.1875), like="Avery 5163: 4 x 2 in"),
    "letter-4x20": _Preset("letter", 4, 20, *_inches(1.75, 0.5, 0.3, 0.5, 0.3), like="Avery 5167: 1.75 x 0.5 in"),
}


def _page_size(page: str | tuple[Length, Length]) -> tuple[float, float]:
    if isinstance(page, str):
        try:
            return PAGES[page.lower()]
        except KeyError:
            raise ValueError(f"unknown page {page!r}: use one of {', '.join(PAGES)} or a (width, height)") from None
    if not isinstance(page, tuple) or len(page) != 2:
        raise TypeError("argument 'page': a page is a name or a (width, height) tuple")
    return _mm(page[0], "page"), _mm(page[1], "page")


class Sheet:
    """A page of equal labels in `columns` x `rows` cells.

    Without `label_size`, the labels share what the margins leave, less the gaps between them. With it, the
    grid stands at `left` and `top`, or is centred on the page where those are not given. `anchor` places each
    label in its cell: "centre" or "top-left".
    """

    __slots__ = ("page", "columns", "rows", "label_width", "label_height", "left", "top", "column_gap",
                 "row_gap", "anchor")

    def __init__(self, page: str | tuple[Length, Length] = "A4", columns: int = 3, rows: int = 8, *,
                 label_size: tuple[Length, Length] | None = None, margin: Length = 0,
                 left: Length | None = None, top: Length | None = None, right: Length | None = None,
                 bottom: Length | None = None, column_gap: Length = 0, row_gap: Length = 0,
                 anchor: str = "centre") -> None:
        for name, count in (("columns", columns), ("rows", rows)):
            if isinstance(count, bool) or not isinstance(count, int):
                raise TypeError(f"argument '{name}': expected an int, not {type(count).__name__}")
            if count < 1:
                raise ValueError(f"argument '{name}': a sheet has at least 1 {name[:-1]}")
        if anchor not in ("centre", "top-left"):
            raise ValueError(f"argument 'anchor': 'centre' or 'top-left', not {anchor!r}")
        self.page = _page_size(page)
        self.columns, self.rows, self.anchor = columns, rows, anchor
        self.column_gap, self.row_gap = _mm(column_gap, "column_gap"), _mm(row_gap, "row_gap")
        edge = _mm(margin, "margin")
        sides = {name: edge if value is None else _mm(value, name)
                 for name, value in (("left", left), ("top", top), ("right", right), ("bottom", bottom))}
        page_width, page_height = self.page
        if label_size is None:
            self.left, self.top = sides["left"], sides["top"]
            self.label_width = (page_width - sides["left"] - sides["right"] - (columns - 1) * self.column_gap) / columns
            self.label_height = (page_height - sides["top"] - sides["bottom"] - (rows - 1) * self.row_gap) / rows
            if self.label_width <= 0 or self.label_height <= 0:
                raise ValueError("the margins and gaps leave no room for the labels")
        else:
            self.label_width, self.label_height = _mm(label_size[0], "label_size"), _mm(label_size[1], "label_size")
            grid_width = columns * self.label_width + (columns - 1) * self.column_gap
            grid_height = rows * self.label_height + (rows - 1) * self.row_gap
            self.left = (page_width - grid_width) / 2 if left is None else sides["left"]
            self.top = (page_height - grid_height) / 2 if top is None else sides["top"]

    @classmethod
    def preset(cls, name: str, *, anchor: str = "centre") -> Sheet:
        """One of the common sheets in `PRESETS`, by name ("a4-3x8", "letter-3x10", ...)."""
        try:
            p = PRESETS[name.lower()]
        except (KeyError, AttributeError):
            raise ValueError(f"unknown sheet {name!r}: use one of {', '.join(PRESETS)}") from None
        return cls(p.page, p.columns, p.rows, label_size=(p.label_width, p.label_height), left=p.left, top=p.top,
                   column_gap=p.column_gap, row_gap=p.row_gap, anchor=anchor)

    def __repr__(self) -> str:
        return (f"tavlo.Sheet(page=({self.page[0]:g}, {self.page[1]:g}), columns={self.columns}, rows={self.rows}, "
                f"label_size=({self.label_width:g}, {self.label_height:g}), left={self.left:g}, top={self.top:g}, "
                f"column_gap={self.column_gap:g}, row_gap={self.row_gap:g}, anchor={self.anchor!r})")

    @property
    def per_page(self) -> int:
        return self.columns * self.rows

    def cells(self, dpi: int = 300) -> list[tuple[int, int, int, int]]:
        """Every cell as (x, y, width, height) in dots from the page's top-left corner, row by row."""
        return list(self._cells(dpi)[2])

    def _cells(self, dpi: int) -> tuple[int, int, tuple[tuple[int, int, int, int], ...]]:
        return _label.sheet_cells(self.page[0], self.page[1], self.columns, self.rows, self.left, self.top,
                                  self.label_width, self.label_height, self.column_gap, self.row_gap, dpi)

    def drawings(self, labels: Iterable[Any], dpi: int = 300, *, skip: int = 0, **options: Any) -> list[Any]:
        """The pages as drawings: `labels` (symbols; None leaves a cell empty) fill the cells in order from cell
        `skip` of the first page (for a sheet partly used already), as many pages as they need."""
        options.pop("optimize", None)
        width, height, cells = self._cells(dpi)
        if isinstance(skip, bool) or not isinstance(skip, int) or not 0 <= skip < len(cells):
            raise ValueError(f"argument 'skip': a cell number from 0 to {len(cells) - 1}")
        page_options = {name: options[name] for name in ("foreground", "background") if name in options}
        pages, parts, cell = [], [], skip
        for index, symbol in enumerate(labels):
            if symbol is not None:
                drawing = _label.draw(symbol, dpi=dpi, **options)
                try:
                    x, y = _label.place_in_cell(cells[cell], drawing.width, drawing.height, self.anchor)
                except _label.TavloError as error:
                    raise _label.TavloError(f"{error} (label {index}, {symbol!r})") from None
                parts.append((drawing, x, y))
            cell += 1
            if cell == len(cells):
                pages.append(_label.compose(width, height, parts, (), (), dpi=dpi, **page_options))
                parts, cell = [], 0
        if parts or not pages:
            pages.append(_label.compose(width, height, parts, (), (), dpi=dpi, **page_options))
        return pages

    def pdf(self, labels: Iterable[Any], dpi: int = 300, *, text_font: str | None = None, **options: Any) -> bytes:
        """One vector PDF of as many pages as the labels need, each page the sheet's size; `text_font` as a
        symbol's pdf() takes it ("outlines", the default, or "named")."""
        return _label.pdf_pages(self.drawings(labels, dpi, **options), text_font=text_font)

    def png(self, labels: Iterable[Any], dpi: int = 300, *, optimize: bool = False, **options: Any) -> list[bytes]:
        """One PNG per page."""
        return [page.png(optimize=optimize) for page in self.drawings(labels, dpi, **options)]

    def svg(self, labels: Iterable[Any], dpi: int = 300, *, text_font: str | None = None, **options: Any) -> list[str]:
        """One SVG document per page; `text_font` as a symbol's svg() takes it."""
        return [page.svg(text_font=text_font) for page in self.drawings(labels, dpi, **options)]

    def label_drawings(self, labels: Iterable[Any], dpi: int = 300, *, skip: int = 0, **options: Any) -> list[Any]:
        """Each label alone on a drawing of its cell's size, placed in it as on the sheet (the same dots): what
        a printer with the sheet's labels on a roll prints one by one. An empty cell (None) gives none."""
        options.pop("optimize", None)
        _, _, cells = self._cells(dpi)
        if isinstance(skip, bool) or not isinstance(skip, int) or not 0 <= skip < len(cells):
            raise ValueError(f"argument 'skip': a cell number from 0 to {len(cells) - 1}")
        page_options = {name: options[name] for name in ("foreground", "background") if name in options}
        drawings = []
        for index, symbol in enumerate(labels):
            cell = cells[(skip + index) % len(cells)]
            if symbol is None:
                continue
            drawing = _label.draw(symbol, dpi=dpi, **options)
            try:
                x, y = _label.place_in_cell(cell, drawing.width, drawing.height, self.anchor)
            except _label.TavloError as error:
                raise _label.TavloError(f"{error} (label {index}, {symbol!r})") from None
            drawings.append(_label.compose(cell[2], cell[3], [(drawing, x - cell[0], y - cell[1])], (), (), dpi=dpi,
                                           **page_options))
        return drawings

    def zpl(self, labels: Iterable[Any], dpi: int = 300, *, copies: int = 1, compression: str = "z64",
            **options: Any) -> str:
        """One ZPL label format (^XA ... ^XZ) per label, one after another: each at the printer's dots (`dpi`
        203, 300 or 600) with ^PW and ^LL its cell's size, the label where the sheet puts it in its cell."""
        return "".join(drawing.zpl(copies=copies, compression=compression)
                       for drawing in self.label_drawings(labels, dpi, **options))

    def save(self, target: Any, labels: Iterable[Any], format: str | None = None, dpi: int = 300,
             **options: Any) -> None:
        """Writes the labels to a path or a binary file object, in `format` or the one the path's suffix names:
        .pdf (every page), .zpl (a format per label), or .png and .svg (one sheet's labels)."""
        labels = list(labels)
        _save(target, format, lambda name: render_sheet(self, labels, name, dpi, **options))


def render_sheet(preset: str | Sheet, symbols: Sequence[Any], format: str = "pdf", dpi: int = 300,
                 **options: Any) -> bytes:
    """The symbols on sheets of `preset` (a name in PRESETS or a Sheet) as one file: a PDF of as many pages as
    they need, or a ZPL file of one label format per symbol. A PNG or SVG holds one page, so those formats take symbols that fit one sheet."""
    sheet = preset if isinstance(preset, Sheet) else Sheet.preset(preset)
    if format == "pdf":
        return sheet.pdf(symbols, dpi, **options)
    if format == "zpl":
        return sheet.zpl(symbols, dpi, **options).encode("ascii")
    if format not in ("png", "svg"):
        raise ValueError(f"unknown sheet format {format!r}: use pdf, png, svg or zpl")
    text_font = options.pop("text_font", None) if format == "svg" else None
    pages = sheet.drawings(symbols, dpi, **options)
    if len(pages) > 1:
        raise ValueError(f"{len(symbols)} labels need {len(pages)} sheets of {sheet.per_page}: a {format.upper()} "
                         f"holds one page, a PDF holds them all")
    if format == "png":
        return pages[0].png(optimize=bool(options.get("optimize", False)))
    return pages[0].svg(text_font=text_font).encode()
