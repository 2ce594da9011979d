"""Vector text: each glyph defined once per file (SVG <defs>, PDF forms, EPS procedures) and drawn where the PNG
draws it; SVG sizes that rasterise to exactly the label's dots."""

from __future__ import annotations

import io
import random
import re
import shutil
import subprocess

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


def test_each_glyph_is_one_pdf_form_and_one_eps_procedure():
    symbol = tavlo.Code39("TAVLO TAVLO")
    pdf = symbol.pdf()
    assert pdf.count(b"/Subtype/Form") == 5
    eps = symbol.eps()
    assert len(re.findall(r"^/g\d+\{", eps, re.M)) == 5
    assert len(re.findall(r"^\d+ \d+ g\d+$", eps, re.M)) == 10


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
