"""png(optimize=True): the same image in a stream found by a thorough search, never larger, still read by a
decoder; the chunks around the image data untouched."""

from __future__ import annotations

import io

import numpy as np
import pytest
from label_support import KIND_PARAMS, decodes, png_chunks, png_pixels
from PIL import Image

import tavlo

OPTIONS = [
    pytest.param({"dpi": 300}, id="300dpi"),
    pytest.param({"x_dim": "2dots"}, id="2dots"),
    pytest.param({"dpi": 203, "x_dim": "3dots", "foreground": "#1a237e", "background": None}, id="palette"),
]


def rgba(data: bytes) -> np.ndarray:
    return np.asarray(Image.open(io.BytesIO(data)).convert("RGBA"))


@pytest.mark.parametrize("options", OPTIONS)
@pytest.mark.parametrize("kind", KIND_PARAMS)
def test_same_pixels_and_chunks_in_no_more_bytes(kind, options):
    symbol = kind.make()
    usual = symbol.png(**options)
    optimized = symbol.png(optimize=True, **options)
    assert np.array_equal(rgba(optimized), rgba(usual))
    assert [c for c in png_chunks(optimized) if c[0] != b"IDAT"] == [c for c in png_chunks(usual) if c[0] != b"IDAT"]
    assert len(optimized) <= len(usual)
    assert symbol.png(optimize=True, **options) == optimized  # the same bytes every run
    assert decodes(png_pixels(optimized), kind)


def test_a_matrix_symbol_shrinks():
    qr = tavlo.QrCode("https://example.com/track?id=0123456789&lang=en")
    usual, optimized = qr.png(x_dim="6dots"), qr.png(x_dim="6dots", optimize=True)
    assert len(optimized) < 0.9 * len(usual)


def test_vector_formats_take_and_ignore_optimize(tmp_path):
    qr = tavlo.QrCode("https://example.com")
    qr.save(tmp_path / "qr.svg", optimize=True)
    assert (tmp_path / "qr.svg").read_text() == qr.svg()
    with pytest.raises(TypeError, match="optimize"):
        qr.svg(optimize=True)


def test_images_beyond_the_search_limit_are_written_as_usual():
    qr = tavlo.QrCode("https://example.com")
    options = {"x_dim": "100dots"}  # 3300 px square: 1.36 MB of 1-bit rows
    assert qr.png(optimize=True, **options) == qr.png(**options)
