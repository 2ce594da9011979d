"""text_font="named": the human-readable text as text in a named font (SVG <text> in OCR-B, PDF and EPS in
Courier) instead of glyph outlines. Every character stands at the pen the outlines put it at, each symbol still
reads back from the rasterised file, the colour spaces hold for the text, and bad values are refused."""

from __future__ import annotations

import re
import shutil
import subprocess
import xml.etree.ElementTree as ET
import zlib

import pytest
from label_support import LINEAR_PARAMS, decodes, pdf_pixels, svg_pixels
from test_zpl_eps import eps_pixels

import tavlo
from tavlo import _label

SVG = "{http://www.w3.org/2000/svg}"
COURIER_ADVANCE = 0.6  # of an em, every character

SYMBOLS = {
    "ean8": tavlo.Ean8("1234567"),
    "upca": tavlo.UpcA("03600029145"),  # outer digits at a smaller size, four groups
    "code128": tavlo.Code128("Parcel 0123456789"),
    "gs1-128": tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123"),
    "escaped": tavlo.Code128("A&B<C>(D)\\E x"),  # what XML and PDF strings must escape
}


def shape_name(n: int) -> str:
    """The writer's name of the nth glyph shape it defines: a, b, ... z, ba, bb, ..."""
    letters = ""
    while True:
        letters = chr(ord("a") + n % 26) + letters
        n //= 26
        if n == 0:
            return letters


def outline_glyphs(svg: str) -> list[tuple[str, int, int, float]]:
    """(shape name, pen, baseline, em) of each <use> of the outline SVG, in order."""
    glyphs = []
    for group in re.finditer(r'<g transform="translate\(0 (\d+)\)scale\(([\d.]+)\)"[^>]*>(.*?)</g>', svg):
        baseline, scale = int(group.group(1)), float(group.group(2))
        for use in re.finditer(r'<use href="#([a-z]+)"(?: x="([-\d.]+)")?/>', group.group(3)):
            glyphs.append((use.group(1), round(float(use.group(2) or 0) * scale), baseline, scale * 1000))
    return glyphs


def as_outline_names(placed: list[tuple[str, float, int]]) -> list[tuple[str, float, int]]:
    """Characters named as the outline SVG names their shapes, in order of first use; spaces left out, as the
    outlines draw nothing for them."""
    names: dict[str, str] = {}
    named = []
    for char, pen, baseline in placed:
        if char != " ":
            named.append((names.setdefault(char, shape_name(len(names))), pen, baseline))
    return named


def svg_placed(svg: str) -> tuple[list[tuple[str, float, int]], list[float]]:
    """(character, pen, baseline) of every character of the named SVG's <text> elements, and each one's em."""
    group = ET.fromstring(svg).find(f"{SVG}g[@font-family]")
    assert group.get("font-family").startswith("OCR-B,")
    assert group.get("{http://www.w3.org/XML/1998/namespace}space") == "preserve"
    placed, ems = [], []
    for text in group.findall(f"{SVG}text"):
        pens = [float(x) for x in text.get("x").split()]
        assert len(pens) == len(text.text), text.text
        em = float(text.get("font-size", group.get("font-size")))
        for char, pen in zip(text.text, pens):
            placed.append((char, pen, int(text.get("y"))))
            ems.append(em)
    return placed, ems


def pdf_content(pdf: bytes) -> str:
    data = re.search(rb"stream\n(.*?)\nendstream", pdf, re.S).group(1)
    return zlib.decompress(data).decode("latin-1")


def unescape(string: str) -> str:
    return re.sub(r"\\(.)", r"\1", string)


def pdf_placed(pdf: bytes) -> list[tuple[str, float, int]]:
    """(character, pen, baseline) of every character the PDF's text object shows, in Courier's advances."""
    text = re.search(r"\nBT\n(.*)\nET\n", pdf_content(pdf), re.S).group(1)
    placed, em, spacing = [], 0.0, 0.0
    for line in text.splitlines():
        if match := re.fullmatch(r"/F (\S+) Tf (\S+) Tc", line):
            em, spacing = float(match.group(1)), float(match.group(2))
            continue
        match = re.fullmatch(r"1 0 0 -1 (\d+) (\d+) Tm\[(.*)\]TJ", line)
        assert match, line
        pen, baseline = float(match.group(1)), int(match.group(2))
        for string, adjustment in re.findall(r"\(((?:[^()\\]|\\.)*)\)|(-?[\d.]+)", match.group(3)):
            if adjustment:
                pen -= float(adjustment) / 1000 * em
                continue
            for char in unescape(string):
                placed.append((char, pen, baseline))
                pen += COURIER_ADVANCE * em + spacing
    return placed


def eps_placed(eps: str) -> list[tuple[str, float, int]]:
    placed = []
    for x, y, string, displacements in re.findall(r"^(\d+) (\d+) moveto\(((?:[^()\\]|\\.)*)\)\[([^\]]*)\]xshow$",
                                                   eps, re.M | re.S):
        pen = float(x)
        steps = [int(d) for d in displacements.split()]
        assert len(steps) == len(unescape(string))
        for char, step in zip(unescape(string), steps):
            placed.append((char, pen, int(y)))
            pen += step
    return placed


def assert_same_places(named: list[tuple[str, float, int]], outlines: list[tuple[str, int, int, float]]) -> None:
    assert [(name, baseline) for name, _, baseline in named] == [(name, baseline) for name, _, baseline, _ in outlines]
    for (_, pen, _), (name, outline_pen, _, _) in zip(named, outlines):
        assert pen == pytest.approx(outline_pen, abs=0.01), name


@pytest.mark.parametrize("name", SYMBOLS)
def test_svg_text_stands_where_the_outlines_stand(name):
    symbol = SYMBOLS[name]
    outlines = outline_glyphs(symbol.svg())
    svg = symbol.svg(text_font="named")
    assert "<use " not in svg and "<defs>" not in svg
    placed, ems = svg_placed(svg)
    assert_same_places(as_outline_names(placed), outlines)
    drawn_ems = [em for (char, _, _), em in zip(placed, ems) if char != " "]
    assert drawn_ems == pytest.approx([em for *_, em in outlines], abs=1e-3)


@pytest.mark.parametrize("name", SYMBOLS)
def test_pdf_and_eps_text_stands_where_the_outlines_stand(name):
    symbol = SYMBOLS[name]
    outlines = outline_glyphs(symbol.svg())
    pdf = symbol.pdf(text_font="named")
    assert b"/Font<</F<</Type/Font/Subtype/Type1/BaseFont/Courier>>>>" in pdf
    assert_same_places(as_outline_names(pdf_placed(pdf)), outlines)
    eps = symbol.eps(text_font="named")
    assert "%%DocumentNeededResources: font Courier\n" in eps and "/Courier findfont" in eps
    assert_same_places(as_outline_names(eps_placed(eps)), outlines)


def test_the_text_is_there_as_text():
    symbol = tavlo.Code128("Parcel 0123456789")
    assert '>Parcel 0123456789</text>' in symbol.svg(text_font="named")
    assert "".join(char for char, *_ in pdf_placed(symbol.pdf(text_font="named"))) == "Parcel 0123456789"
    assert "moveto(Parcel 0123456789)[" in symbol.eps(text_font="named")
    escaped = SYMBOLS["escaped"]
    assert ">A&amp;B&lt;C&gt;(D)\\E x</text>" in escaped.svg(text_font="named")
    assert "".join(char for char, *_ in pdf_placed(escaped.pdf(text_font="named"))) == "A&B<C>(D)\\E x"
    assert r"moveto(A&B<C>\(D\)\\E x)[" in escaped.eps(text_font="named")


def test_retail_digit_groups_are_texts_of_their_own():
    # librsvg places a <text> by its first x alone: each group starts a text of its own.
    texts = re.findall(r"<text[^>]*>([^<]*)</text>", SYMBOLS["upca"].svg(text_font="named"))
    assert texts == ["0", "36000", "29145", "2"]
    texts = re.findall(r"<text[^>]*>([^<]*)</text>", SYMBOLS["ean8"].svg(text_font="named"))
    assert texts == ["1234", "5670"]


@pytest.mark.parametrize("kind", LINEAR_PARAMS)
@pytest.mark.parametrize("format", ["svg", "pdf", "eps"])
def test_every_symbol_reads_back_with_named_text(kind, format, tmp_path):
    symbol = kind.make()
    if format == "svg":
        pixels = svg_pixels(symbol.svg(text_font="named"), 300)
    elif format == "pdf":
        pixels = pdf_pixels(symbol.pdf(text_font="named"), 300, tmp_path)
    else:
        pixels = eps_pixels(symbol.eps(text_font="named"), 300, tmp_path)
    assert decodes(pixels, kind)


@pytest.mark.parametrize("name", SYMBOLS)
def test_named_text_files_are_smaller_and_valid(name, tmp_path):
    symbol = SYMBOLS[name]
    pdf = symbol.pdf(text_font="named")
    assert len(symbol.svg(text_font="named")) < len(symbol.svg()) and len(pdf) < len(symbol.pdf())
    assert len(symbol.eps(text_font="named")) < len(symbol.eps())
    if not shutil.which("qpdf"):
        pytest.skip("qpdf (Debian package qpdf) is not installed")
    # A translucent colour puts graphics states beside the font in the page's resources.
    for n, data in enumerate([pdf, symbol.pdf(text_font="named", foreground="#20408080", background="#ffffff80")]):
        (tmp_path / f"{n}.pdf").write_bytes(data)
        check = subprocess.run(["qpdf", "--check", str(tmp_path / f"{n}.pdf")], capture_output=True, text=True)
        assert check.returncode == 0 and "No syntax or stream encoding errors" in check.stdout, check.stdout


def colour_operators(content: str) -> list[str]:
    return re.findall(r"^(?:[\d.]+ )+(?:g|rg|k|G|RG|K)$|^\S+ (?:cs|CS|scn?|SCN?)$", content, re.M)


def test_cmyk_text_is_drawn_in_black_ink_alone():
    symbol = tavlo.Code128("Parcel 0123456789")
    content = pdf_content(symbol.pdf(colour_space="cmyk", text_font="named"))
    # White paper, then black ink for the bars and, after them in the same state, the text.
    assert colour_operators(content) == ["0 0 0 0 k", "0 0 0 1 k"]
    assert content.index("0 0 0 1 k") < content.index("BT\n")
    eps = symbol.eps(colour_space="cmyk", text_font="named")
    assert re.findall(r"^.*(?:setgray|setrgbcolor|setcmykcolor)$", eps, re.M) == ["0 0 0 0 setcmykcolor",
                                                                                 "0 0 0 1 setcmykcolor"]
    assert eps.index("0 0 0 1 setcmykcolor") < eps.index("findfont")


@pytest.mark.parametrize("colour_space", ["rgb", "cmyk", "gray"])
def test_the_text_takes_the_foreground_colour(colour_space):
    symbol = tavlo.Code128("Parcel 0123456789")
    svg = symbol.svg(foreground="#204080", colour_space=colour_space, text_font="named")
    fills = re.findall(r'<g font-family="[^"]*" font-size="[^"]*" fill="(#[0-9a-f]+)"', svg)
    assert fills == [re.search(r'<path stroke="(#[0-9a-f]+)"', svg).group(1)]
    content = pdf_content(symbol.pdf(foreground="#204080", colour_space=colour_space, text_font="named"))
    assert len(colour_operators(content)) == 2 and content.index(colour_operators(content)[1]) < content.index("BT")


def test_sheets_and_templates_write_named_text(tmp_path):
    sheet = tavlo.Sheet.preset("a4-3x8")
    labels = [tavlo.Ean8("1234567")] * 30
    pdf = sheet.pdf(labels, text_font="named")
    assert pdf.count(b"/BaseFont/Courier") == 2 and b"BT" not in sheet.pdf(labels)
    assert all("<text " in page for page in sheet.svg(labels[:24], text_font="named"))
    sheet.save(tmp_path / "sheet.svg", labels[:3], text_font="named")
    assert b"<text " in (tmp_path / "sheet.svg").read_bytes()
    template = tavlo.Template({"label": {"width": 60, "height": 20, "dpi": 300},
                               "text": [{"text": "Lot {lot}", "x": 2, "y": 8, "size": 3}]})
    assert ">Lot 42</text>" in template.render({"lot": 42}, "svg", text_font="named")
    assert b"/BaseFont/Courier" in template.render({"lot": 42}, "pdf", text_font="named")
    template.save(tmp_path / "label.pdf", {"lot": 7}, text_font="named")
    assert "[(Lot 7)]TJ" in pdf_content((tmp_path / "label.pdf").read_bytes())
    drawing = template.drawing({"lot": 42})
    assert "<text " in drawing.svg(text_font="named") and "<text " not in drawing.svg()
    assert _label.pdf_pages([drawing], text_font="named") == drawing.pdf(text_font="named")


def refusals():
    symbol = tavlo.Code128("A")
    drawing = _label.draw(symbol)
    return {
        "svg": lambda value: symbol.svg(text_font=value),
        "pdf": lambda value: symbol.pdf(text_font=value),
        "eps": lambda value: symbol.eps(text_font=value),
        "save": lambda value: symbol.save("unused.pdf", text_font=value),
        "drawing.svg": lambda value: drawing.svg(text_font=value),
        "drawing.pdf": lambda value: drawing.pdf(text_font=value),
        "pdf_pages": lambda value: _label.pdf_pages([drawing], text_font=value),
        "sheet.pdf": lambda value: tavlo.Sheet.preset("a4-3x8").pdf([symbol], text_font=value),
    }


@pytest.mark.parametrize("call", refusals().values(), ids=list(refusals()))
def test_bad_text_fonts_are_refused(call):
    with pytest.raises(tavlo.TavloValueError) as raised:
        call("courier")
    assert str(raised.value) == "argument 'text_font': expected 'outlines' or 'named', not 'courier'"
    with pytest.raises(tavlo.TavloTypeError, match="argument 'text_font'"):
        call(1)


def test_outlines_are_the_default():
    symbol = tavlo.Ean8("1234567")
    assert symbol.svg(text_font="outlines") == symbol.svg() and "<text" not in symbol.svg()
    assert symbol.pdf(text_font="outlines") == symbol.pdf() and symbol.eps(text_font="outlines") == symbol.eps()
