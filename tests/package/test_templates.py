"""Templates: symbols, OCR-B text and lines placed in millimetres on a label of a given size, `{column}` fields
filled from CSV rows; the GS1 logistic label of examples/sscc.toml filled from 100 rows and read back."""

from __future__ import annotations

import csv
import io
import random
from pathlib import Path

import numpy as np
import pytest
from label_support import pdf_pixels, png_pixels

import tavlo

EXAMPLE = Path(__file__).resolve().parents[2] / "examples" / "sscc.toml"


def check_digit(digits: str) -> str:
    """The GS1 modulo-10 check digit of `digits`."""
    total = sum(int(d) * (3 if i % 2 == 0 else 1) for i, d in enumerate(reversed(digits)))
    return str(-total % 10)


def logistic_rows(count: int, seed: int = 23) -> list[dict[str, str]]:
    """`count` rows as a CSV file holds them, read back through the csv module."""
    rng = random.Random(seed)
    out = io.StringIO()
    writer = csv.DictWriter(out, ["sender", "sscc", "gtin", "count", "batch", "best_before"])
    writer.writeheader()
    for n in range(count):
        sscc = "3" + "".join(rng.choice("0123456789") for _ in range(16))
        gtin = "0" + "".join(rng.choice("0123456789") for _ in range(12))
        batch = "".join(rng.choice("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789") for _ in range(rng.randint(1, 6)))
        writer.writerow({"sender": f"Depot {n}, Oslo", "sscc": sscc + check_digit(sscc), "gtin": gtin + check_digit(gtin),
                         "count": str(rng.randint(1, 999)), "batch": batch,
                         "best_before": f"{rng.randint(24, 35):02d}{rng.randint(1, 12):02d}{rng.randint(1, 28):02d}"})
    return list(csv.DictReader(io.StringIO(out.getvalue())))


def read_texts(pixels: np.ndarray) -> set[str]:
    import zxingcpp

    return {r.text for r in zxingcpp.read_barcodes(pixels, formats=zxingcpp.BarcodeFormat.Code128)}


def gs1_texts(row: dict[str, str]) -> set[str]:
    # zxing-cpp gives GS1 data with bracketed AIs in its text.
    return {f"(01){row['gtin']}(15){row['best_before']}(10){row['batch']}", f"(00){row['sscc']}"}


def test_sscc_example_filled_from_100_csv_rows_reads_back_every_symbol():
    template = tavlo.Template.load(EXAMPLE)
    assert template.fields == {"sender", "sscc", "gtin", "count", "batch", "best_before"}
    for n, row in enumerate(logistic_rows(100)):
        pixels = png_pixels(template.render(row, "png", dpi=150))
        assert pixels.shape == (1240, 874)  # 148 x 210 mm at 150 dpi
        assert read_texts(pixels) == gs1_texts(row), f"row {n}: {row}"


def test_sscc_example_pdf_reads_back(tmp_path):
    template = tavlo.Template.load(EXAMPLE)
    row = logistic_rows(1, seed=5)[0]
    pdf = template.render(row)
    # 1748 x 2480 dots at 300 dpi, a hair short so that a rasteriser gives exactly those
    assert pdf.startswith(b"%PDF-") and b"/MediaBox[0 0 419.5199 595.1999]" in pdf
    assert read_texts(pdf_pixels(pdf, 200, tmp_path)) == gs1_texts(row)


SMALL = """
[label]
width = "40mm"
height = 20
dpi = 254

[[symbol]]
kind = "qr"
data = "{url}"
x = 2
y = "0.1in"
error_correction = "H"
x_dim = "0.4mm"

[[text]]
text = "No. {number:>04}"
x = 39
y = 19
size = 2
align = "right"

[[line]]
x1 = 20
y1 = 1
x2 = 20
y2 = 19
thickness = 0.5
"""


def test_positions_are_whole_dots_from_millimetres():
    template = tavlo.Template.from_toml(SMALL)
    row = {"url": "https://example.com/7", "number": "7"}
    drawing = template.drawing(row)
    assert (drawing.width, drawing.height, drawing.dpi) == (400, 200, 254)  # 10 dots a millimetre
    qr = tavlo.QrCode("https://example.com/7", error_correction="H")
    pixels = png_pixels(drawing.png())
    alone = png_pixels(qr.png(dpi=254, x_dim="0.4mm"))
    assert np.array_equal(pixels[25:25 + alone.shape[0], 20:20 + alone.shape[1]], alone)
    # The line: 0.5 mm wide centred on x = 20 mm, from y = 1 mm to 19 mm.
    assert (pixels[10:190, 198:203] == 0).all() and (pixels[10:190, [197, 203]] == 255).all()
    assert (pixels[[9, 190], 198:203] == 255).all()
    # The text ends at x = 39 mm and stands on y = 19 mm.
    text_rows, text_columns = np.nonzero(pixels[:, 210:] == 0)
    assert text_columns.max() + 210 < 390 and text_rows.max() < 190
    assert template.render(row, "svg").startswith("<svg")


def test_template_refusals():
    with pytest.raises(ValueError, match="symbol 0: the row has no column 'url'"):
        tavlo.Template.from_toml(SMALL).render({"number": "1"})
    with pytest.raises(ValueError, match=r"needs a \[label\] table"):
        tavlo.Template.from_toml("[[text]]\ntext = 'x'\n")
    with pytest.raises(ValueError, match="symbol 0: unknown kind 'code11'"):
        tavlo.Template.from_toml("[label]\nwidth = 10\nheight = 10\n[[symbol]]\nkind = 'code11'\ndata = '1'\n")
    with pytest.raises(ValueError, match="line 0: a line is horizontal or vertical"):
        tavlo.Template.from_toml("[label]\nwidth = 10\nheight = 10\n[[line]]\nx2 = 5\ny2 = 5\n")
    wide = "[label]\nwidth = 10\nheight = 10\n[[symbol]]\nkind = 'code128'\ndata = 'far too wide'\n"
    with pytest.raises(tavlo.TavloError, match="reaches outside the page"):
        tavlo.Template.from_toml(wide).render({})
