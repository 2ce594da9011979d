"""Vector text: each glyph's outline once per file (SVG <defs>, EPS procedures, and in a PDF's compressed
content stream a glyph drawn again is a copy of its first drawing), drawn where the PNG draws it, rasterised at
the label's dpi dot for dot off the edges; SVG and PDF sizes that rasterise to exactly the label's dots."""

from __future__ import annotations

import io
import random
import re
import shutil
import subprocess
import zlib

import numpy as np
import pytest
from label_support import pdf_pixels, png_pixels, svg_pixels
from PIL import Image
from test_zpl_eps import eps_pixels

import tavlo

SYMBOLS = {
    "ean8": tavlo.Ean8("1234567"),
    "code128": tavlo.Code128("Parcel 0123456789"),
    "gs1-128": tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123"),
}


@pytest.mark.parametrize("name", SYMBOLS)
@pytest.mark.parametrize("format", ["svg", "pdf", "eps"])
def test_vector_text_lands_on_the_png_text(name, format, tmp_path):
    symbol = SYMBOLS[name]
    png = png_pixels(symbol.png())
    if format == "svg":
        raster = svg_pixels(symbol.svg(), 300)
    elif format == "pdf":
        raster = pdf_pixels(symbol.pdf(), 300, tmp_path)
    else:
        raster = eps_pixels(symbol.eps(), 300, tmp_path)
    height, width = png.shape
    raster = raster[:height, :width]
    # Anti-aliased edges differ by a dot here and there; a misplaced glyph would differ by hundreds.
    assert np.count_nonzero(raster != png) < 0.04 * np.count_nonzero(png == 0)


def edge_dots(png: np.ndarray) -> np.ndarray:
    """The dots that touch a dot of the other colour, diagonals included: where anti-aliasing may round
    either way."""
    dark = png == 0
    edge = np.zeros_like(dark)
    padded = np.pad(dark, 1, mode="edge")
    height, width = dark.shape
    for dy in (0, 1, 2):
        for dx in (0, 1, 2):
            edge |= padded[dy : dy + height, dx : dx + width] != dark
    return edge


@pytest.mark.parametrize("name", SYMBOLS)
@pytest.mark.parametrize("format", ["svg", "pdf"])
@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_rasterised_at_the_label_dpi_every_dot_off_the_edges_is_the_pngs(name, format, dpi, tmp_path):
    symbol = SYMBOLS[name]
    png = png_pixels(symbol.png(dpi=dpi))
    if format == "svg":
        raster = svg_pixels(symbol.svg(dpi=dpi), dpi)
    else:
        raster = pdf_pixels(symbol.pdf(dpi=dpi), dpi, tmp_path)
    assert raster.shape == png.shape
    differ = raster != png
    assert not np.any(differ & ~edge_dots(png)), np.argwhere(differ & ~edge_dots(png))[:5]
    # Anti-aliasing rounds a few edge dots of the glyphs' curves the other way, never whole edges.
    assert np.count_nonzero(differ) < 0.01 * np.count_nonzero(png == 0)


def pdf_content(pdf: bytes) -> bytes:
    """The page's one content stream, decompressed."""
    streams = re.findall(rb"<<([^>]*)>>\nstream\n(.*?)\nendstream", pdf, re.S)
    assert len(streams) == 1 and b"/Filter/FlateDecode" in streams[0][0]
    dictionary, data = streams[0]
    assert int(re.search(rb"/Length (\d+)", dictionary).group(1)) == len(data)
    return zlib.decompress(data)


def test_pdf_draws_each_glyph_in_its_one_content_stream_and_eps_defines_each_once():
    symbol = tavlo.Code39("TAVLO TAVLO")
    content = pdf_content(symbol.pdf())
    matrices = re.findall(rb"^q (\S+) 0 0 (\S+) (\d+) (\d+) cm\n", content, re.M)
    assert len(matrices) == 10 and all(float(a) == -float(d) > 0 for a, d, _, _ in matrices)
    assert content.count(b"f\nQ\n") == 10 and content.endswith(b"f\nQ\n")
    eps = symbol.eps()
    assert len(re.findall(r"^/g\d+\{", eps, re.M)) == 5
    assert len(re.findall(r"^\d+ \d+ g\d+$", eps, re.M)) == 10


def text_label(text: str) -> tavlo.Template:
    return tavlo.Template({"label": {"width": 120, "height": 12, "dpi": 300},
                           "text": [{"text": text, "x": 2, "y": 8, "size": 3}]})


def test_a_glyph_outline_is_compressed_once_however_often_it_is_drawn():
    size = {n: len(text_label("8" * n).render({}, "pdf")) for n in (0, 1, 5, 25)}
    assert size[1] - size[0] > 150  # one outline
    assert size[25] - size[5] < 20 * 12  # twenty more of it: a copy and a position, about ten bytes each
    assert zlib.decompress(re.search(rb"stream\n(.*?)\nendstream", text_label("8" * 25).render({}, "pdf"),
                                     re.S).group(1)).count(b"f\nQ\n") == 25


def test_svg_size_rasterises_to_exactly_the_dots():
    if not shutil.which("rsvg-convert"):
        pytest.skip("rsvg-convert (Debian package librsvg2-bin) is not installed")
    rng = random.Random(23)
    symbol = tavlo.Code128("A")
    for _ in range(40):
        dpi = rng.choice([72, 96, 152, 203, 254, 300, 600, 1200])
        width, height = rng.randint(70, 4000), rng.randint(20, 3000)
        options = dict(dpi=dpi, width=f"{width}dots", height=f"{height}dots", text=False, quiet_zone=0)
        layout = symbol.layout(**options)
        png = subprocess.run(["rsvg-convert", "--dpi-x", str(dpi), "--dpi-y", str(dpi)],
                             input=symbol.svg(**options).encode(), capture_output=True, check=True).stdout
        assert Image.open(io.BytesIO(png)).size == (layout.width_dots, layout.height_dots), options


def test_svg_defines_each_character_once_whatever_its_sizes():
    template = tavlo.Template({"label": {"width": 60, "height": 20, "dpi": 300},
                               "text": [{"text": "0123 3210", "x": 2, "y": 7, "size": 3},
                                        {"text": "0123", "x": 2, "y": 16, "size": 5}]})
    drawing = template.drawing({})
    svg = drawing.svg()
    assert len(re.findall(r'<path id="', svg)) == 4
    assert len(re.findall(r"<g transform=\"translate\(0 \d+\)scale\([.\d]+\)\">", svg)) == 2
    assert svg.count("<use ") == 12
    png = png_pixels(drawing.png())
    raster = svg_pixels(svg, 300)
    assert raster.shape == png.shape
    assert not np.any((raster != png) & ~edge_dots(png))
