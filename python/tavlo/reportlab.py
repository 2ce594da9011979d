"""tavlo symbols in the PDFs you build with reportlab, as vectors: rectangles for the bars and modules, the
human-readable text as filled OCR-B glyph outlines (no font is embedded or looked up).

>>> from reportlab.platypus import SimpleDocTemplate, Paragraph
>>> from tavlo.reportlab import flowable
>>> story = [Paragraph("Parcel"), flowable(tavlo.Code128("Parcel 0123456789"), x_dim="0.33mm")]
>>> SimpleDocTemplate("parcels.pdf").build(story)

`flowable(symbol, **options)` is a platypus Flowable for documents; `drawing(symbol, **options)` a
reportlab.graphics Drawing for a canvas (`renderPDF.draw(d, canvas, x, y)`) or a chart. The options are
those of the symbol's `pdf()`; the symbol keeps its exact size, its module width the whole printer dots it
has at `dpi`. A template's or a sheet page's drawing (tavlo._label.Drawing) may stand in for the symbol.
Needs the optional dependency: pip install 'tavlo[reportlab]'.
"""

from __future__ import annotations

from typing import Any

from . import _label

try:
    from reportlab.graphics import shapes
    from reportlab.lib import colors
    from reportlab.pdfgen.canvas import FILL_NON_ZERO
    from reportlab.platypus import Flowable
except ImportError as error:  # pragma: no cover - the message is the point
    raise ImportError("tavlo.reportlab needs reportlab: pip install 'tavlo[reportlab]' (or pip install reportlab)") from error

__all__ = ["flowable", "drawing", "SymbolFlowable"]

_POINTS_PER_INCH = 72.0


def _drawn(symbol: Any, options: dict[str, Any]) -> Any:
    if isinstance(symbol, _label.Drawing):
        if options:
            raise TypeError("a drawing is already rendered: pass no options with it")
        return symbol
    options.pop("optimize", None)
    return _label.draw(symbol, **options)


def _colour(rgba: tuple[int, int, int, int]) -> Any:
    r, g, b, a = rgba
    return colors.Color(r / 255, g / 255, b / 255, alpha=a / 255)


class _Shapes:
    """A drawing in points with y growing upwards, as reportlab draws: the size, the colours, the rectangles and
    the glyph outline."""

    def __init__(self, source: Any) -> None:
        scale = _POINTS_PER_INCH / source.dpi
        height = source.height
        self.width, self.height = source.width * scale, height * scale
        self.foreground, self.background = source.foreground, source.background
        self.rects = [(x * scale, (height - y - h) * scale, w * scale, h * scale) for x, y, w, h in source._rects()]
        self.outline = []
        for command in source._outline():
            op, values = command[0], command[1:]
            self.outline.append((op, tuple(v * scale if i % 2 == 0 else (height - v) * scale
                                           for i, v in enumerate(values))))


def _trace(path: Any, outline: list[tuple[str, tuple[float, ...]]], close: Any) -> None:
    """The outline onto a canvas path or a graphics Path, which name their closing method differently."""
    for op, values in outline:
        if op == "M":
            path.moveTo(*values)
        elif op == "L":
            path.lineTo(*values)
        elif op == "C":
            path.curveTo(*values)
        else:
            close()


class SymbolFlowable(Flowable):
    """A symbol as a platypus flowable of its exact size; `hAlign` is "LEFT", "CENTER" or "RIGHT"."""

    def __init__(self, source: Any, hAlign: str = "LEFT") -> None:
        super().__init__()
        self._shapes = _Shapes(source)
        self.width, self.height = self._shapes.width, self._shapes.height
        self.hAlign = hAlign

    def wrap(self, availWidth: float, availHeight: float) -> tuple[float, float]:
        return self.width, self.height

    def draw(self) -> None:
        canvas, s = self.canv, self._shapes
        canvas.saveState()
        if s.background[3]:
            canvas.setFillColor(_colour(s.background))
            canvas.rect(0, 0, s.width, s.height, stroke=0, fill=1)
        canvas.setFillColor(_colour(s.foreground))
        path = canvas.beginPath()
        for x, y, w, h in s.rects:
            path.rect(x, y, w, h)
        _trace(path, s.outline, path.close)
        # One non-zero fill: rectangles never cross the glyphs, and overlapping rectangles stay dark.
        canvas.drawPath(path, stroke=0, fill=1, fillMode=FILL_NON_ZERO)
        canvas.restoreState()


def flowable(symbol: Any, hAlign: str = "LEFT", **options: Any) -> SymbolFlowable:
    """The symbol as a platypus Flowable, rendered with the options of its `pdf()`."""
    return SymbolFlowable(_drawn(symbol, options), hAlign)


def drawing(symbol: Any, **options: Any) -> Any:
    """The symbol as a reportlab.graphics.shapes.Drawing of its exact size, in points."""
    s = _Shapes(_drawn(symbol, options))
    result = shapes.Drawing(s.width, s.height)
    if s.background[3]:
        result.add(shapes.Rect(0, 0, s.width, s.height, fillColor=_colour(s.background), strokeColor=None))
    foreground = _colour(s.foreground)
    for x, y, w, h in s.rects:
        result.add(shapes.Rect(x, y, w, h, fillColor=foreground, strokeColor=None, strokeWidth=0))
    if s.outline:
        path = shapes.Path(fillColor=foreground, strokeColor=None, strokeWidth=0, fillMode=FILL_NON_ZERO)
        _trace(path, s.outline, path.closePath)
        result.add(path)
    return result
