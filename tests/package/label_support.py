"""Helpers of the package tests: the kinds with a decodable sample each, images read back from every format."""

from __future__ import annotations

import io
import shutil
import subprocess
from dataclasses import dataclass
from typing import Callable

import numpy as np
import pytest
from PIL import Image

import tavlo


@dataclass(frozen=True)
class Kind:
    name: str
    make: Callable[[], object]
    zxing_format: str
    text: str  # what a decoder reads back
    matrix: bool = False


KINDS = [
    Kind("ean8", lambda: tavlo.Ean8("1234567"), "EAN8", "12345670"),
    Kind("upca", lambda: tavlo.UpcA("03600029145"), "UPCA", "036000291452"),
    Kind("code39", lambda: tavlo.Code39("TAVLO-39 BENCH"), "Code39", "TAVLO-39 BENCH"),
    Kind("itf", lambda: tavlo.Itf("12345678"), "ITF", "12345678"),
    Kind("code93", lambda: tavlo.Code93("Code 93/tavlo"), "Code93", "Code 93/tavlo"),
    Kind("codabar", lambda: tavlo.Codabar("40156", start="A", stop="B", check_digit=True), "Codabar", "A40156+B"),
    Kind("code128", lambda: tavlo.Code128("Parcel 0123456789"), "Code128", "Parcel 0123456789"),
    Kind("qr", lambda: tavlo.QrCode("https://example.com/label"), "QRCode", "https://example.com/label", True),
    Kind("datamatrix", lambda: tavlo.DataMatrix("tavlo label 42"), "DataMatrix", "tavlo label 42", True),
    Kind(
        "gs1datamatrix",
        lambda: tavlo.Gs1DataMatrix("(01)09501101530003(17)250101(10)ABC123"),
        "DataMatrix",
        "(01)09501101530003(17)250101(10)ABC123",
        True,
    ),
]
KIND_PARAMS = [pytest.param(kind, id=kind.name) for kind in KINDS]
LINEAR_PARAMS = [pytest.param(kind, id=kind.name) for kind in KINDS if not kind.matrix]
MATRIX_PARAMS = [pytest.param(kind, id=kind.name) for kind in KINDS if kind.matrix]


def grey(image: Image.Image) -> np.ndarray:
    """0 for dark, 255 for light, whatever the mode (transparent pixels count as light)."""
    if image.mode in ("RGBA", "LA", "P"):
        image = image.convert("RGBA")
        canvas = Image.new("RGBA", image.size, (255, 255, 255, 255))
        image = Image.alpha_composite(canvas, image)
    return np.where(np.asarray(image.convert("L")) < 128, 0, 255).astype(np.uint8)


def png_pixels(data: bytes) -> np.ndarray:
    return grey(Image.open(io.BytesIO(data)))


def svg_pixels(svg: str, dpi: int) -> np.ndarray:
    tool = shutil.which("rsvg-convert")
    if not tool:
        pytest.skip("rsvg-convert (Debian package librsvg2-bin) is not installed")
    result = subprocess.run(
        [tool, "--dpi-x", str(dpi), "--dpi-y", str(dpi), "--format", "png"],
        input=svg.encode(),
        capture_output=True,
        check=True,
    )
    return png_pixels(result.stdout)


def pdf_pixels(pdf: bytes, dpi: int, tmp_path) -> np.ndarray:
    tool = shutil.which("pdftoppm")
    if not tool:
        pytest.skip("pdftoppm (Debian package poppler-utils) is not installed")
    source = tmp_path / "label.pdf"
    source.write_bytes(pdf)
    subprocess.run([tool, "-r", str(dpi), "-gray", "-singlefile", "-png", str(source), str(tmp_path / "page")], check=True)
    return png_pixels((tmp_path / "page.png").read_bytes())


def decoded_texts(pixels: np.ndarray, zxing_format: str) -> list[str]:
    import zxingcpp

    results = zxingcpp.read_barcodes(pixels, formats=getattr(zxingcpp.BarcodeFormat, zxing_format))
    return [result.text for result in results]


def decodes(pixels: np.ndarray, kind: Kind) -> bool:
    # zxing-cpp reports a UPC-A also in its 13-digit EAN form.
    return any(text in (kind.text, "0" + kind.text) for text in decoded_texts(pixels, kind.zxing_format))


def module_row(geometry, quiet: int) -> np.ndarray:
    """One row of a linear symbol, 0 dark and 255 light, one entry per module, quiet zones included."""
    cells = np.full(geometry.total_modules + 2 * quiet, 255, dtype=np.uint8)
    for bar in geometry.bars:
        cells[quiet + bar.x : quiet + bar.x + bar.width] = 0
    return cells


def module_grid(geometry, quiet: int) -> np.ndarray:
    cells = np.where(np.array(geometry.modules, dtype=bool), 0, 255).astype(np.uint8)
    return np.pad(cells, quiet, constant_values=255)


def png_chunks(data: bytes) -> list[tuple[bytes, bytes]]:
    chunks, at = [], 8
    while at < len(data):
        length = int.from_bytes(data[at : at + 4], "big")
        chunks.append((data[at + 4 : at + 8], data[at + 8 : at + 8 + length]))
        at += 12 + length
    return chunks
