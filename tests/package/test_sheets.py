"""Label sheets: cells at whole dots from the presets' data-sheet sizes, labels placed in them dot for dot, a
multi-page PDF that a decoder reads back label by label, each inside its own cell."""

from __future__ import annotations

import re

import numpy as np
import pytest
from label_support import pdf_pixels, png_pixels

import tavlo
from tavlo import sheets


def twenty_four_labels() -> list[tuple[object, str]]:
    """24 different labels of three kinds and their decoded texts, seeded by their position."""
    labels = []
    for n in range(24):
        if n % 3 == 0:
            text = f"BOX-{n:03d}"
            labels.append((tavlo.Code128(text), text))
        elif n % 3 == 1:
            text = f"https://example.com/item/{n}"
            labels.append((tavlo.QrCode(text), text))
        else:
            text = f"lot {n} / 2025"
            labels.append((tavlo.DataMatrix(text), text))
    return labels


def inside(cell: tuple[int, int, int, int], points) -> bool:
    x, y, w, h = cell
    return all(x <= p.x < x + w and y <= p.y < y + h for p in points)


def test_a4_3x8_sheet_pdf_reads_back_every_label_inside_its_cell(tmp_path):
    import zxingcpp

    labels = twenty_four_labels()
    sheet = tavlo.Sheet.preset("a4-3x8")
    pdf = sheet.pdf([symbol for symbol, _ in labels], dpi=300, x_dim="0.4mm")
    assert pdf.count(b"/Type/Page/") == 1  # one page of 24
    pixels = pdf_pixels(pdf, 300, tmp_path)
    assert pixels.shape == (3508, 2480)
    results = zxingcpp.read_barcodes(pixels)
    found = {result.text: result for result in results}
    cells = sheet.cells(300)
    for n, (symbol, text) in enumerate(labels):
        assert text in found, f"label {n} ({symbol!r}) not read back"
        position = found[text].position
        corners = [position.top_left, position.top_right, position.bottom_left, position.bottom_right]
        assert inside(cells[n], corners), f"label {n} read outside its cell {cells[n]}"


def test_page_pixels_hold_each_label_exactly_as_it_renders_alone():
    labels = [symbol for symbol, _ in twenty_four_labels()[:7]]
    sheet = tavlo.Sheet.preset("letter-2x7")
    (page,) = sheet.png(labels, dpi=203)
    pixels = png_pixels(page)
    for n, (cell, symbol) in enumerate(zip(sheet.cells(203), labels)):
        alone = png_pixels(symbol.png(dpi=203))
        x = cell[0] + (cell[2] - alone.shape[1]) // 2
        y = cell[1] + (cell[3] - alone.shape[0]) // 2
        window = pixels[y:y + alone.shape[0], x:x + alone.shape[1]]
        assert np.array_equal(window, alone), f"label {n}"
    # Nothing is drawn in the cells left empty.
    last = sheet.cells(203)[-1]
    assert (pixels[last[1]:last[1] + last[3], last[0]:last[0] + last[2]] == 255).all()


def test_top_left_anchor_puts_the_label_at_the_cell_corner():
    symbol = tavlo.QrCode("corner")
    sheet = tavlo.Sheet("A4", 2, 2, margin="10mm", anchor="top-left")
    pixels = png_pixels(sheet.png([symbol], dpi=100)[0])
    alone = png_pixels(symbol.png(dpi=100))
    x, y, _, _ = sheet.cells(100)[0]
    assert (x, y) == (39, 39)  # 10 mm at 100 dpi
    assert np.array_equal(pixels[y:y + alone.shape[0], x:x + alone.shape[1]], alone)


@pytest.mark.parametrize("name", sorted(sheets.PRESETS))
def test_presets_fit_their_page_with_cells_of_the_data_sheet_size(name):
    preset = sheets.PRESETS[name]
    sheet = tavlo.Sheet.preset(name)
    cells = sheet.cells(600)
    page_width, page_height = (round(v * 600 / 25.4) for v in sheets.PAGES[preset.page])
    assert len(cells) == preset.columns * preset.rows
    for x, y, w, h in cells:
        assert x + w <= page_width and y + h <= page_height
        assert abs(w - preset.label_width * 600 / 25.4) <= 1 and abs(h - preset.label_height * 600 / 25.4) <= 1
    # Edges come from the page's corner: the last column ends where the data sheet puts it, to the dot.
    x, _, w, _ = cells[preset.columns - 1]
    right = preset.left + (preset.columns - 1) * (preset.label_width + preset.column_gap) + preset.label_width
    assert x + w == round(right * 600 / 25.4)


def test_avery_5160_cells_at_300_dpi():
    # 2.625 x 1 in from (0.1875, 0.5) in, 2.75 in apart: edges at 56.25, 843.75, 881.25, 1668.75 ... dots.
    cells = tavlo.Sheet.preset("letter-3x10").cells(300)
    assert cells[:3] == [(56, 150, 788, 300), (881, 150, 788, 300), (1706, 150, 788, 300)]
    assert cells[-1] == (1706, 2850, 788, 300)


def test_labels_beyond_one_sheet_fill_more_pages_and_skip_starts_later():
    labels = [tavlo.Code128(f"N{n}") for n in range(30)]
    sheet = tavlo.Sheet.preset("a4-3x8")
    assert sheet.pdf(labels, dpi=150).count(b"/Type/Page/") == 2
    assert re.search(rb"/Count 2\b", sheet.pdf(labels, dpi=150))
    assert len(sheet.png(labels[:18], dpi=50, skip=6)) == 1
    assert len(sheet.png(labels[:18], dpi=50, skip=7)) == 2
    assert len(sheet.png([], dpi=50)) == 1  # an empty sheet is one blank page
    with pytest.raises(ValueError, match="argument 'skip'"):
        sheet.png(labels, dpi=50, skip=24)


def test_render_sheet_is_the_pdf_of_a_preset():
    labels = [tavlo.Ean8(f"{n:07d}") for n in range(5)]
    assert sheets.render_sheet("a4-2x7", labels, dpi=200) == tavlo.Sheet.preset("a4-2x7").pdf(labels, dpi=200)
    assert sheets.render_sheet("a4-2x7", labels, format="png", dpi=50).startswith(b"\x89PNG")
    with pytest.raises(ValueError, match="15 labels need 2 sheets of 14"):
        sheets.render_sheet("a4-2x7", labels * 3, format="png", dpi=50)


def test_refusals_name_what_is_wrong():
    sheet = tavlo.Sheet.preset("letter-4x20")
    wide = tavlo.Code128("a label far too wide for a 1.75 inch cell")
    with pytest.raises(tavlo.TavloError, match=r"a label of 2024 x 120 dots does not fit its cell of 525 x 150 "
                                                r"dots \(label 1, tavlo.Code128\('a label far"):
        sheet.pdf([tavlo.Ean8("1234567"), wide], dpi=300, height="0.4in", text=False)
    with pytest.raises(ValueError, match="unknown sheet 'a4-9x9'"):
        tavlo.Sheet.preset("a4-9x9")
    with pytest.raises(ValueError, match="unknown page 'A3'"):
        tavlo.Sheet("A3")
    with pytest.raises(ValueError, match="no room for the labels"):
        tavlo.Sheet("A4", 3, 8, margin="110mm")
    with pytest.raises(tavlo.TavloError, match="label sheet: 4 x 8 labels reach past the page"):
        tavlo.Sheet("A4", 4, 8, label_size=(70, 37), left=0, top=0).cells()
    with pytest.raises(ValueError, match="argument 'anchor'"):
        tavlo.Sheet(anchor="middle")
    with pytest.raises(ValueError, match="argument 'margin': '1cm' is not a length"):
        tavlo.Sheet(margin="1cm")
