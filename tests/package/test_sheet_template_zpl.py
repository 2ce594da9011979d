"""ZPL of a sheet's labels and of a template: one label format (^XA ... ^XZ) per label of a sheet, each of its
cell's size with the label where the sheet puts it, and one format of a whole template; their graphic fields
decoded back equal the PNG's dots."""

from __future__ import annotations

import io

import numpy as np
import pytest
from label_support import png_pixels
from test_templates import EXAMPLE, logistic_rows
from test_zpl_eps import zpl_image

import tavlo

LABELS = [tavlo.Ean8("1234567"), None, tavlo.Code128("Box 17"), tavlo.QrCode("tavlo sheet")]


def formats(zpl: str) -> list[str]:
    """The label formats of a ZPL file, each from ^XA to ^XZ."""
    pieces = [piece + "^XZ\n" for piece in zpl.split("^XZ\n") if piece.strip()]
    assert "".join(pieces) == zpl
    return pieces


@pytest.mark.parametrize("dpi", [203, 300])
@pytest.mark.parametrize("compression", ["z64", "hex"])
@pytest.mark.parametrize("anchor", ["centre", "top-left"])
def test_sheet_zpl_is_one_format_per_label_holding_its_cell_of_the_page(dpi, compression, anchor):
    sheet = tavlo.Sheet.preset("a4-3x8", anchor=anchor)
    zpl = sheet.zpl(LABELS, dpi, compression=compression, copies=2)
    page = png_pixels(sheet.png(LABELS, dpi)[0])
    cells = sheet.cells(dpi)
    pieces = formats(zpl)
    assert len(pieces) == 3  # the empty cell prints nothing
    for piece, index in zip(pieces, [0, 2, 3]):
        x, y, width, height = cells[index]
        image, settings = zpl_image(piece)
        assert (int(settings["PW"]), int(settings["LL"])) == (width, height), index
        assert settings["PQ"] == "2"
        np.testing.assert_array_equal(image, page[y : y + height, x : x + width], err_msg=f"label {index}")
        alone = png_pixels(LABELS[index].png(dpi=dpi))
        assert np.count_nonzero(image == 0) == np.count_nonzero(alone == 0), f"label {index}"


def test_sheet_zpl_starts_at_skip_and_carries_render_options():
    sheet = tavlo.Sheet.preset("letter-3x10")
    labels = [tavlo.Code128("A1"), tavlo.Code128("B2")]
    pieces = formats(sheet.zpl(labels, 300, skip=29, x_dim="3dots"))
    cells = sheet.cells(300)
    page_last = png_pixels(sheet.png([None] * 29 + labels[:1], 300, x_dim="3dots")[0])
    x, y, width, height = cells[29]
    np.testing.assert_array_equal(zpl_image(pieces[0])[0], page_last[y : y + height, x : x + width])
    page_first = png_pixels(sheet.png(labels[1:], 300, x_dim="3dots")[0])
    x, y, width, height = cells[0]  # the second label wraps to the next sheet's first cell
    np.testing.assert_array_equal(zpl_image(pieces[1])[0], page_first[y : y + height, x : x + width])


def test_sheet_save_zpl_and_render_sheet(tmp_path):
    sheet = tavlo.Sheet.preset("a4-2x7")
    labels = [tavlo.Code128(f"Box {n}") for n in range(3)]
    sheet.save(tmp_path / "labels.zpl", labels, dpi=203)
    text = (tmp_path / "labels.zpl").read_text()
    assert text == sheet.zpl(labels, 203) == tavlo.sheets.render_sheet(sheet, labels, "zpl", 203).decode()
    assert len(formats(text)) == 3
    sheet.save(tmp_path / "labels.pdf", labels)
    assert (tmp_path / "labels.pdf").read_bytes() == sheet.pdf(labels)
    buffer = io.BytesIO()
    sheet.save(buffer, labels, format="zpl", dpi=203)
    assert buffer.getvalue().decode() == text


@pytest.mark.parametrize("dpi", [203, 300, 600])
@pytest.mark.parametrize("compression", ["z64", "hex"])
def test_template_zpl_is_one_format_of_the_whole_label(dpi, compression):
    template = tavlo.Template.load(EXAMPLE)
    row = logistic_rows(1)[0]
    zpl = template.zpl(row, dpi, compression=compression)
    assert len(formats(zpl)) == 1
    image, settings = zpl_image(zpl)
    png = png_pixels(template.render(row, "png", dpi=dpi))
    assert (int(settings["PW"]), int(settings["LL"])) == (png.shape[1], png.shape[0])
    assert (png.shape[1], png.shape[0]) == (round(148 * dpi / 25.4), round(210 * dpi / 25.4))
    np.testing.assert_array_equal(image, png)
    assert template.render(row, "zpl", dpi=dpi, compression=compression) == zpl


def test_template_save_by_suffix(tmp_path):
    template = tavlo.Template.load(EXAMPLE)
    row = logistic_rows(1, seed=5)[0]
    template.save(tmp_path / "label.zpl", row, dpi=203, copies=3)
    text = (tmp_path / "label.zpl").read_text()
    assert text == template.zpl(row, 203, copies=3) and "^PQ3\n" in text
    template.save(tmp_path / "label.png", row, dpi=150)
    assert (tmp_path / "label.png").read_bytes() == template.render(row, "png", dpi=150)
    with pytest.raises(ValueError, match="eps"):
        template.save(tmp_path / "label.eps", row)


def test_drawing_zpl_refuses_bad_options():
    drawing = tavlo.Template.load(EXAMPLE).drawing(logistic_rows(1)[0], 203)
    with pytest.raises(ValueError, match="copies"):
        drawing.zpl(copies=0)
    with pytest.raises(ValueError, match="compression"):
        drawing.zpl(compression="gzip")
