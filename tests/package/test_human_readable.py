"""The human-readable line under linear symbols: it never touches the bars or the quiet zones, the EAN/UPC
retail layout puts each digit under its own symbol character with the guard bars reaching down between them,
the other kinds are centred, and every labelled symbol still reads in PNG, SVG and PDF."""

import numpy as np
import pytest
from label_support import KINDS, decoded_texts, module_row, pdf_pixels, png_pixels, svg_pixels

import tavlo

LINEAR = [kind for kind in KINDS if not kind.matrix]
GS1_KINDS = [
    ("gs1-128", lambda: tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123"), "Code128",
     "(01)09501101530003(17)250101(10)ABC123"),
    ("itf14", lambda: tavlo.Itf14("1234567890123"), "ITF", "12345678901231"),
    ("itf14-bars", lambda: tavlo.Itf14("1234567890123", bearer="bars"), "ITF", "12345678901231"),
]
ALL_PARAMS = [pytest.param(k.make, k.zxing_format, k.text, id=k.name) for k in LINEAR] + [
    pytest.param(make, fmt, text, id=name) for name, make, fmt, text in GS1_KINDS
]
CENTRED = [pytest.param(k, id=k.name) for k in LINEAR if k.name not in ("ean8", "upca")]
QUIET = {"ean8": 7, "upca": 9, "code39": 10, "itf": 10, "code93": 10, "codabar": 10, "code128": 10}


def reads(pixels, fmt, text) -> bool:
    # zxing-cpp reports a UPC-A also in its 13-digit EAN form.
    return any(found in (text, "0" + text) for found in decoded_texts(pixels, fmt))


@pytest.mark.parametrize("make, fmt, text", ALL_PARAMS)
@pytest.mark.parametrize("dpi", [203, 300])
def test_every_labelled_symbol_reads_in_every_format(make, fmt, text, dpi, tmp_path):
    symbol = make()
    assert reads(png_pixels(symbol.png(dpi=dpi)), fmt, text)
    assert reads(svg_pixels(symbol.svg(dpi=dpi), dpi), fmt, text)
    assert reads(pdf_pixels(symbol.pdf(dpi=dpi), dpi, tmp_path), fmt, text)


@pytest.mark.parametrize("make, fmt, text", ALL_PARAMS)
@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_the_text_adds_a_band_below_and_leaves_the_bars_and_quiet_zones_alone(make, fmt, text, dpi):
    symbol = make()
    bare = png_pixels(symbol.png(dpi=dpi, text=False))
    labelled = png_pixels(symbol.png(dpi=dpi))
    assert labelled.shape[1] == bare.shape[1] and labelled.shape[0] > bare.shape[0]
    bars_height = bare.shape[0]
    np.testing.assert_array_equal(labelled[:bars_height], bare)
    assert (labelled[bars_height:] == 0).any(), "no text was drawn"


@pytest.mark.parametrize("kind", CENTRED)
@pytest.mark.parametrize("dpi", [203, 300])
def test_centred_text_stays_under_the_bars(kind, dpi):
    symbol = kind.make()
    layout = symbol.layout(dpi=dpi, text=False)
    x, quiet = layout.x_dim_dots, QUIET[kind.name]
    total = symbol.geometry().total_modules
    band = png_pixels(symbol.png(dpi=dpi))[layout.height_dots :]
    columns = np.flatnonzero((band == 0).any(axis=0))
    first, last = quiet * x, (quiet + total) * x
    assert columns.min() >= first and columns.max() < last, "text in a quiet zone"
    centre = (columns.min() + columns.max() + 1) / 2
    assert abs(centre - (first + last) / 2) <= x, "text not centred under the bars"
    rows = np.flatnonzero((band == 0).any(axis=1))
    assert rows.min() >= x, "no gap of one module between the bars and the text"


def retail_geometry(symbol, dpi):
    """The labelled image, module width, bar height and the first column of the symbol."""
    layout = symbol.layout(dpi=dpi, text=False)
    pixels = png_pixels(symbol.png(dpi=dpi))
    quiet = layout.quiet_zone
    return pixels, layout.x_dim_dots, layout.height_dots, quiet * layout.x_dim_dots


# (symbol, its printed digits, first module of each digit's character, module ranges that reach down)
RETAIL = {
    "ean8": (lambda: tavlo.Ean8("9638507"), "96385074", [3, 10, 17, 24, 36, 43, 50, 57], [(0, 3), (31, 36), (64, 67)]),
    "upca": (lambda: tavlo.UpcA("03600029145"), "036000291452", [10, 17, 24, 31, 38, 50, 57, 64, 71, 78],
             [(0, 10), (45, 50), (85, 95)]),
}


@pytest.mark.parametrize("name", RETAIL)
@pytest.mark.parametrize("dpi", [203, 300])
def test_retail_guard_bars_reach_five_modules_below_the_data_bars(name, dpi):
    make, _, _, reaching = RETAIL[name]
    symbol = make()
    pixels, x, bar_height, origin = retail_geometry(symbol, dpi)
    cells = module_row(symbol.geometry(), 0)
    for module, dark in enumerate(cells == 0):
        if not dark:
            continue
        column = pixels[:, origin + module * x + x // 2]
        reaches = any(begin <= module < end for begin, end in reaching)
        bottom = bar_height + 5 * x if reaches else bar_height
        assert (column[:bottom] == 0).all(), f"module {module}: bar broken above row {bottom}"
        # Below the bar: the gap before the digits, for a guard bar its own height further down.
        assert (column[bottom : bottom + x] == 255).all(), f"module {module}: bar runs past row {bottom}"


def digit_runs(pixels, top):
    """Column ranges of the ink below row `top`, left to right."""
    dark = np.concatenate([[False], (pixels[top:] == 0).any(axis=0), [False]])
    edges = np.flatnonzero(dark[1:] != dark[:-1])
    return list(zip(edges[::2], edges[1::2]))


@pytest.mark.parametrize("name", RETAIL)
@pytest.mark.parametrize("dpi", [203, 300])
def test_retail_digits_stand_under_their_own_symbol_characters(name, dpi):
    make, digits, starts, _ = RETAIL[name]
    symbol = make()
    pixels, x, bar_height, origin = retail_geometry(symbol, dpi)
    # Below the guard bars only digits are left.
    runs = digit_runs(pixels, bar_height + 5 * x)
    assert len(runs) == len(digits), runs
    inner = runs[1:-1] if name == "upca" else runs
    for (begin, end), start in zip(inner, starts):
        assert origin + start * x <= begin and end <= origin + (start + 7) * x, f"digit at module {start}: {begin}-{end}"
    if name == "upca":
        (first_begin, first_end), (last_begin, last_end) = runs[0], runs[-1]
        assert 0 <= first_begin and first_end <= origin, "number-system digit not left of the bars"
        assert origin + 95 * x <= last_begin and last_end <= pixels.shape[1], "check digit not right of the bars"
        # The outer digits are smaller: fewer rows of ink.
        def height(begin, end):
            rows = np.flatnonzero((pixels[bar_height:, begin:end] == 0).any(axis=1))
            return rows.max() - rows.min() + 1
        assert height(*runs[0]) < height(*runs[1]) and height(*runs[-1]) < height(*runs[-2])


# The same digit last in the left group and first in the right, so both glyphs have the same ink: the distance
# between them is the distance between their symbol characters, 12 modules across the centre guard.
@pytest.mark.parametrize("make, left, right", [
    (lambda: tavlo.Ean8("1234456"), 3, 4),
    (lambda: tavlo.UpcA("12345556789"), 5, 6),
])
@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_the_digit_groups_stand_apart_by_the_centre_guard(make, left, right, dpi):
    symbol = make()
    pixels, x, bar_height, _ = retail_geometry(symbol, dpi)
    runs = digit_runs(pixels, bar_height + 5 * x)
    (left_begin, left_end), (right_begin, right_end) = runs[left], runs[right]
    assert right_end - right_begin == left_end - left_begin
    assert abs((right_begin - left_begin) - 12 * x) <= 1, f"groups {right_begin - left_begin} dots apart, x = {x}"


@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_text_height_follows_the_module_width(dpi):
    # The digits are one OCR-B advance per 7-module character: 7 modules wide pitch, about 7.5 modules tall.
    symbol = tavlo.Ean8("9638507")
    pixels, x, bar_height, origin = retail_geometry(symbol, dpi)
    rows = np.flatnonzero((pixels[bar_height + x :, origin + 3 * x : origin + 31 * x] == 0).any(axis=1))
    assert 7 * x <= rows.max() - rows.min() + 1 <= 8 * x + 1


def test_text_false_and_matrix_kinds_print_no_text():
    ean = tavlo.Ean8("1234567")
    assert ean.layout(text=False).height_dots < ean.layout().height_dots
    qr = tavlo.QrCode("https://example.com")
    assert qr.png(text=True) == qr.png()


def test_the_svg_fills_bars_and_glyphs_in_one_path():
    import xml.etree.ElementTree as ET

    root = ET.fromstring(tavlo.Code39("TAVLO").svg(background=None))
    (path,) = list(root)
    data = path.get("d")
    assert path.get("stroke") is None and "C" in data and data.count("M") > 5


@pytest.mark.parametrize("dpi", [203, 300])
def test_gs1_datamatrix_prints_its_element_strings_below_when_asked(dpi, tmp_path):
    symbol = tavlo.Gs1DataMatrix("(01)09501101530003(17)250101(10)ABC123")
    assert symbol.png(dpi=dpi) == symbol.png(dpi=dpi, text=False), "text is off by default for matrix symbols"
    bare = png_pixels(symbol.png(dpi=dpi))
    labelled = png_pixels(symbol.png(dpi=dpi, text=True))
    # The label widens for the longest line, (01) and its 14 digits, and the symbol stays centred above.
    height, width = bare.shape
    assert labelled.shape[1] > width and labelled.shape[0] > height
    left = (labelled.shape[1] - width) // 2
    np.testing.assert_array_equal(labelled[:height, left : left + width], bare)
    assert (labelled[:height, :left] == 255).all() and (labelled[:height, left + width :] == 255).all()
    # Three lines of text below: three runs of dark rows.
    dark_rows = np.concatenate([[False], (labelled[height:] == 0).any(axis=1), [False]])
    assert np.count_nonzero(dark_rows[1:] & ~dark_rows[:-1]) == 3
    text = "(01)09501101530003(17)250101(10)ABC123"
    for pixels in (labelled, svg_pixels(symbol.svg(dpi=dpi, text=True), dpi),
                   pdf_pixels(symbol.pdf(dpi=dpi, text=True), dpi, tmp_path)):
        assert decoded_texts(pixels, "DataMatrix") == [text]


def test_code128_from_elements_prints_its_data_texts():
    elements = tavlo.Code128([tavlo.StartB(), tavlo.Data("Parcel"), tavlo.FNC3(), tavlo.Data(" 42")])
    plain = tavlo.Code128("Parcel 42")
    bare = png_pixels(elements.png(text=False))
    band = png_pixels(elements.png())[bare.shape[0] :]
    # The same line as the plain text, under bars of another width: the same band, the same breadth of ink
    # (glyph pens round to whole dots from another centre, so a dot either way).
    plain_band = png_pixels(plain.png())[png_pixels(plain.png(text=False)).shape[0] :]
    assert band.shape[0] == plain_band.shape[0]

    def breadth(pixels):
        columns = np.flatnonzero((pixels == 0).any(axis=0))
        return columns.max() - columns.min() + 1

    assert abs(breadth(band) - breadth(plain_band)) <= 2
