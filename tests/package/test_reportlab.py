"""tavlo symbols in reportlab documents: flowables and drawings placed among a user's own content, written as
vectors, rasterised and read back."""

from __future__ import annotations

import io

import pytest
from label_support import pdf_pixels

import tavlo

reportlab = pytest.importorskip("reportlab", reason="reportlab is not installed: pip install 'tavlo[reportlab]'")

from reportlab.graphics import renderPDF  # noqa: E402
from reportlab.lib.pagesizes import A4  # noqa: E402
from reportlab.pdfgen import canvas  # noqa: E402
from reportlab.platypus import Paragraph, SimpleDocTemplate, Spacer  # noqa: E402
from reportlab.lib.styles import getSampleStyleSheet  # noqa: E402

import tavlo.reportlab as tavlo_reportlab  # noqa: E402

SYMBOLS = [
    (tavlo.Code128("Parcel 0123456789"), "Parcel 0123456789"),
    (tavlo.Ean8("1234567"), "12345670"),
    (tavlo.QrCode("https://example.com/reportlab"), "https://example.com/reportlab"),
    (tavlo.DataMatrix("tavlo in reportlab"), "tavlo in reportlab"),
    (tavlo.Gs1_128("(01)09501101530003(10)AB12"), "(01)09501101530003(10)AB12"),
]


def read_all(pixels) -> set[str]:
    import zxingcpp

    return {result.text for result in zxingcpp.read_barcodes(pixels)}


def test_flowables_in_a_document_read_back(tmp_path):
    out = io.BytesIO()
    story = [Paragraph("Symbols from tavlo", getSampleStyleSheet()["Title"])]
    for symbol, _ in SYMBOLS:
        story += [tavlo_reportlab.flowable(symbol, dpi=600, x_dim="0.4mm", hAlign="CENTER"), Spacer(1, 12)]
    SimpleDocTemplate(out, pagesize=A4).build(story)
    pdf = out.getvalue()
    assert b"/Subtype /Image" not in pdf  # vector only
    assert read_all(pdf_pixels(pdf, 300, tmp_path)) == {text for _, text in SYMBOLS}


def test_drawings_on_a_canvas_read_back(tmp_path):
    out = io.BytesIO()
    page = canvas.Canvas(out, pagesize=A4)
    y = 780.0
    for symbol, _ in SYMBOLS:
        d = tavlo_reportlab.drawing(symbol, dpi=300, x_dim="0.42mm")
        y -= d.height + 20
        renderPDF.draw(d, page, 60, y)
    page.save()
    assert read_all(pdf_pixels(out.getvalue(), 300, tmp_path)) == {text for _, text in SYMBOLS}


def test_sizes_are_the_labels_own_in_points():
    symbol = tavlo.Code128("SIZE")
    layout = symbol.layout(dpi=300, x_dim="0.33mm")
    d = tavlo_reportlab.drawing(symbol, dpi=300, x_dim="0.33mm")
    f = tavlo_reportlab.flowable(symbol, dpi=300, x_dim="0.33mm")
    assert (d.width, d.height) == pytest.approx((layout.width_dots * 72 / 300, layout.height_dots * 72 / 300))
    assert f.wrap(1000, 1000) == (d.width, d.height)
    # Bars are rectangles of whole dots: 4 dots = 0.96 pt for the narrowest.
    widths = {round(shape.width, 6) for shape in d.contents if isinstance(shape, reportlab.graphics.shapes.Rect)}
    assert 0.96 in widths


def test_a_template_drawing_stands_in_for_a_symbol(tmp_path):
    template = tavlo.Template.from_toml(
        '[label]\nwidth = 50\nheight = 30\n[[symbol]]\nkind = "qr"\ndata = "{id}"\nx = 5\ny = 5\n'
        '[[text]]\ntext = "ID {id}"\nx = 30\ny = 15\nsize = 3\n')
    d = tavlo_reportlab.drawing(template.drawing({"id": "A-17"}))
    assert (round(d.width, 3), round(d.height, 3)) == (141.84, 84.96)  # 591 x 354 dots at 300 dpi
    with pytest.raises(TypeError, match="pass no options"):
        tavlo_reportlab.flowable(template.drawing({"id": "A-17"}), dpi=200)
