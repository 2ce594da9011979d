"""SVG rendering: one line of ASCII, one user unit per module, a rectangle per bar or per dark module."""

import re
import xml.etree.ElementTree as ElementTree

import pytest

from _tavlo import Code39, Code128, Data, DataMatrix, Ean8, Itf, QrCode, UpcA
from support import matrix_rows, module_string

START = '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 {} {}">'

LINEAR = [
    pytest.param(lambda: Code39("SVG-39"), id="Code39"),
    pytest.param(lambda: Code128([Data("svg 128")]), id="Code128"),
    pytest.param(lambda: Ean8("1234567"), id="Ean8"),
    pytest.param(lambda: UpcA("03600029145"), id="UpcA"),
    pytest.param(lambda: Itf("123456"), id="Itf"),
]
MATRIX = [pytest.param(lambda: QrCode("svg"), id="QrCode"), pytest.param(lambda: DataMatrix("svg"), id="DataMatrix")]


def linear_document(geometry, q: int) -> str:
    bars = "".join(f'<rect x="{bar.x + q}" y="0" width="{bar.width}" height="1"/>' for bar in geometry.bars)
    return START.format(geometry.total_modules + 2 * q, 1) + bars + "</svg>"


def test_ean8_document_in_full():
    # It opens like the worked example (a bar, a space, a bar, with a quiet zone of 2): rectangles at 2 and 4.
    svg = Ean8("1234567").render_svg(quiet_zone_modules=2)
    runs = [(m.start(), m.end() - m.start()) for m in re.finditer("1+", module_string(Ean8("1234567").geometry()))]
    assert runs[:2] == [(0, 1), (2, 1)]
    assert svg == START.format(71, 1) + "".join(
        f'<rect x="{x + 2}" y="0" width="{w}" height="1"/>' for x, w in runs) + "</svg>"


@pytest.mark.parametrize("make", LINEAR)
@pytest.mark.parametrize("q", [0, 1, 10, 1000])
def test_linear_rectangles_are_the_bars_shifted_by_the_quiet_zone(make, q):
    symbol = make()
    svg = symbol.render_svg(quiet_zone_modules=q)
    assert svg == linear_document(symbol.geometry(), q)
    assert "\n" not in svg and svg.isascii()
    assert ElementTree.fromstring(svg).get("viewBox") == f"0 0 {symbol.geometry().total_modules + 2 * q} 1"


@pytest.mark.parametrize("make", MATRIX)
@pytest.mark.parametrize("q", [0, 1, 4])
def test_matrix_background_then_one_square_per_dark_module(make, q):
    symbol = make()
    geometry = symbol.geometry()
    svg = symbol.render_svg(quiet_zone_modules=q)
    w, h = geometry.width + 2 * q, geometry.height + 2 * q
    head = START.format(w, h) + f'<rect x="0" y="0" width="{w}" height="{h}" fill="white"/>'
    squares = [f'<rect x="{q + c}" y="{q + r}" width="1" height="1"/>'
               for r, row in enumerate(matrix_rows(geometry)) for c, cell in enumerate(row) if cell == "1"]
    assert svg == head + "".join(squares) + "</svg>"
    root = ElementTree.fromstring(svg)
    assert len(root) == 1 + len(squares) and root[0].get("fill") == "white"


@pytest.mark.parametrize("make", LINEAR + MATRIX)
def test_default_is_no_quiet_zone_and_output_is_stable(make):
    symbol = make()
    assert symbol.render_svg() == symbol.render_svg(quiet_zone_modules=0) == make().render_svg()


def test_quiet_zone_sums_wrap_at_32_bits():
    q = 2**32 - 1
    assert Ean8("1234567").render_svg(quiet_zone_modules=q).startswith(
        START.format(65, 1) + '<rect x="4294967295" y="0" width="1" height="1"/><rect x="1" y="0"')
    assert QrCode("w").render_svg(quiet_zone_modules=q).startswith(
        START.format(19, 19) + '<rect x="0" y="0" width="19" height="19" fill="white"/>'
                               '<rect x="4294967295" y="4294967295" width="1" height="1"/>')
