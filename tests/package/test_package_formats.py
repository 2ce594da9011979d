"""PNG, SVG and PDF of every kind: pixel format, resolution and colours read back with Pillow, physical sizes,
one path, one exact page, and every format of every kind read back by zxing-cpp."""

import io
import re
import xml.etree.ElementTree as ET

import numpy as np
import pytest
from label_support import KIND_PARAMS, decoded_texts, decodes, pdf_pixels, png_chunks, png_pixels, svg_pixels
from PIL import Image

import tavlo

SVG = "{http://www.w3.org/2000/svg}"


@pytest.mark.parametrize("kind", KIND_PARAMS)
@pytest.mark.parametrize("dpi", [203, 300])
def test_every_format_of_every_kind_decodes(kind, dpi, tmp_path):
    symbol = kind.make()
    assert decodes(png_pixels(symbol.png(dpi=dpi)), kind)
    assert decodes(svg_pixels(symbol.svg(dpi=dpi), dpi), kind)
    assert decodes(pdf_pixels(symbol.pdf(dpi=dpi), dpi, tmp_path), kind)


@pytest.mark.parametrize(
    "symbol, kind_text",
    [(tavlo.Code39("TAVLO-39 BENCH"), "TAVLO-39 BENCH"), (tavlo.Code128("Parcel 0123456789"), "Parcel 0123456789")],
    ids=["code39", "code128"],
)
@pytest.mark.parametrize("dpi", [300, 600])
def test_the_bench_symbols_read_at_one_inch_wide(symbol, kind_text, dpi):
    png = symbol.png(dpi=dpi, width="1in", height="0.5in")
    pixels = png_pixels(png)
    assert pixels.shape == (round(dpi / 2), dpi)
    fmt = "Code39" if isinstance(symbol, tavlo.Code39) else "Code128"
    assert kind_text in decoded_texts(pixels, fmt)


@pytest.mark.parametrize("kind", KIND_PARAMS)
@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_png_is_1_bit_greyscale_with_its_dpi(kind, dpi):
    png = kind.make().png(dpi=dpi)
    chunks = png_chunks(png)
    assert [name for name, _ in chunks if name != b"IDAT"] == [b"IHDR", b"pHYs", b"IEND"]
    header = dict(chunks)[b"IHDR"]
    assert (header[8], header[9]) == (1, 0)  # bit depth 1, greyscale
    phys = dict(chunks)[b"pHYs"]
    ppm = round(dpi / 0.0254)
    assert (int.from_bytes(phys[:4], "big"), int.from_bytes(phys[4:8], "big"), phys[8]) == (ppm, ppm, 1)
    image = Image.open(io.BytesIO(png))
    assert image.mode == "1"
    assert image.info["dpi"] == pytest.approx((dpi, dpi), abs=0.01)


@pytest.mark.parametrize(
    "foreground, background, palette, transparency",
    [
        ("#102030", "#f0e0d0", [(240, 224, 208), (16, 32, 48)], None),
        ("black", None, [(255, 255, 255), (0, 0, 0)], 0),
        ((200, 0, 0), "transparent", [(255, 255, 255), (200, 0, 0)], 0),
        ("#00008080", "white", [(255, 255, 255), (0, 0, 128)], 1),
    ],
)
def test_png_colours_use_a_1_bit_palette(foreground, background, palette, transparency):
    symbol = tavlo.QrCode("https://example.com")
    png = symbol.png(foreground=foreground, background=background)
    header = dict(png_chunks(png))[b"IHDR"]
    assert (header[8], header[9]) == (1, 3)
    image = Image.open(io.BytesIO(png))
    assert image.mode == "P"
    assert [tuple(image.getpalette()[i * 3 : i * 3 + 3]) for i in range(2)] == palette
    indices = np.asarray(image)
    np.testing.assert_array_equal(indices == 1, png_pixels(symbol.png()) == 0)
    if transparency is None:
        assert "transparency" not in image.info
    else:
        rgba = np.asarray(image.convert("RGBA"))
        alpha_of = {0: rgba[..., 3][indices == 0], 1: rgba[..., 3][indices == 1]}
        assert alpha_of[transparency].max() < 255


def svg_root(svg: str) -> ET.Element:
    return ET.fromstring(svg)


@pytest.mark.parametrize("kind", KIND_PARAMS)
@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_svg_has_its_physical_size_a_viewbox_in_dots_and_one_path(kind, dpi):
    symbol = kind.make()
    layout = symbol.layout(dpi=dpi, text=False)
    root = svg_root(symbol.svg(dpi=dpi, text=False))
    assert float(root.get("width").removesuffix("mm")) == pytest.approx(layout.width_mm, abs=1e-4)
    assert float(root.get("height").removesuffix("mm")) == pytest.approx(layout.height_mm, abs=1e-4)
    assert root.get("viewBox") == f"0 0 {layout.width_dots} {layout.height_dots}"
    background, dark = list(root)
    assert (background.get("fill"), background.get("d")) == ("#fff", f"M0 0h{layout.width_dots}v{layout.height_dots}H0z")
    assert dark.tag == f"{SVG}path" and dark.get("stroke") == "#000"


def test_svg_colours_and_transparent_background():
    symbol = tavlo.Code128("Parcel 0123456789")
    assert [child.tag for child in svg_root(symbol.svg(background=None, text=False))] == [f"{SVG}path"]
    root = svg_root(symbol.svg(foreground="#123456", background="#ffffff80", text=False))
    background, path = list(root)
    assert (background.get("fill"), background.get("fill-opacity")) == ("#fff", ".502")
    assert path.get("stroke") == "#123456"


RASTER_OPTIONS = [{}, {"x_dim": "3dots", "bar_width_reduction": "1dot"}, {"width": "37mm", "dpi": 203}]


def assert_same_pixels(raster: np.ndarray, png: np.ndarray) -> None:
    """A rasteriser may round the page up by a pixel; that edge stays light."""
    height, width = png.shape
    np.testing.assert_array_equal(raster[:height, :width], png)
    assert (raster[height:] == 255).all() and (raster[:, width:] == 255).all()


@pytest.mark.parametrize("kind", KIND_PARAMS)
@pytest.mark.parametrize("options", RASTER_OPTIONS, ids=["default", "reduced", "fitted"])
def test_svg_and_pdf_pixels_match_the_png_pixels(kind, options, tmp_path):
    # Bars and modules only: glyph outlines are rasterised to whole dots in the PNG and anti-aliased by the tools.
    symbol = kind.make()
    options = {**options, "text": False} if not kind.matrix else options
    dpi = options.get("dpi", 300)
    png = png_pixels(symbol.png(**options))
    assert_same_pixels(svg_pixels(symbol.svg(**options), dpi), png)
    assert_same_pixels(pdf_pixels(symbol.pdf(**options), dpi, tmp_path), png)


@pytest.mark.parametrize("payload", ["x", "https://example.com", "https://example.com/products/12345?ref=label&utm=abcdefghijklmnopqrstu", "A" * 300])
@pytest.mark.parametrize("background", ["#fff", None])
def test_qr_svg_is_no_larger_than_segno(payload, background):
    segno = pytest.importorskip("segno")
    out = io.BytesIO()
    segno.make(payload, error="m", boost_error=False, micro=False).save(out, kind="svg", light=background)
    assert len(tavlo.QrCode(payload).svg(background=background)) <= len(out.getvalue())


def media_box(pdf: bytes) -> list[float]:
    return [float(v) for v in re.search(rb"/MediaBox\[([^\]]*)\]", pdf).group(1).split()]


@pytest.mark.parametrize("kind", KIND_PARAMS)
@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_pdf_page_is_the_label_size(kind, dpi):
    symbol = kind.make()
    layout = symbol.layout(dpi=dpi)
    pdf = symbol.pdf(dpi=dpi)
    assert pdf.startswith(b"%PDF-1.4\n") and pdf.endswith(b"%%EOF\n")
    exact = [layout.width_dots * 72 / dpi, layout.height_dots * 72 / dpi]
    box = media_box(pdf)
    assert box[:2] == [0, 0]
    # A hair short, at most a ten-thousandth of a point, so that a rasteriser rounding up gives the dots.
    assert all(0 < e - b <= 1.0001e-4 for e, b in zip(exact, box[2:])), (box, exact)
    assert symbol.pdf(dpi=dpi) == pdf


def test_pdf_cross_reference_offsets_point_at_the_objects():
    pdf = tavlo.QrCode("x").pdf(foreground="#ff000080")
    xref = int(pdf.rsplit(b"startxref\n", 1)[1].split()[0])
    entries = pdf[xref:].split(b"\n")[3:7]
    for number, entry in enumerate(entries, start=1):
        offset = int(entry.split()[0])
        assert pdf[offset:].startswith(b"%d 0 obj" % number)
    assert b"/ca .502" in pdf
