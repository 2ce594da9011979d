"""Writes a PNG and an SVG of every symbology tavlo makes, and an index.html that shows them side by side."""

from __future__ import annotations

import html
import sys
from pathlib import Path

import _tavlo as t

LINEAR_SIZE = dict(width=2.0, height=0.8, unit="in", dpi=300)
MATRIX_SIZE = dict(width=1.5, height=1.5, unit="in", dpi=300)

SAMPLES = [
    ("ean8", "EAN-8 1234567", lambda: t.Ean8("1234567"), LINEAR_SIZE),
    ("upc_a", "UPC-A 03600029145", lambda: t.UpcA("03600029145"), LINEAR_SIZE),
    ("code39", "Code 39 TAVLO-39", lambda: t.Code39("TAVLO-39"), LINEAR_SIZE),
    ("itf", "ITF 1234567890", lambda: t.Itf("1234567890"), LINEAR_SIZE),
    (
        "code128",
        "Code 128 GS1 (01)09501101530003",
        lambda: t.Code128([t.FNC1(), t.Data("0109501101530003")]),
        LINEAR_SIZE,
    ),
    ("qr", "QR Code https://example.com/tavlo", lambda: t.QrCode("https://example.com/tavlo"), MATRIX_SIZE),
    ("datamatrix", "Data Matrix Hello, tavlo!", lambda: t.DataMatrix("Hello, tavlo!"), MATRIX_SIZE),
    (
        "datamatrix_rect",
        "Data Matrix rectangular 12345",
        lambda: t.DataMatrix("12345", shape="rectangular"),
        dict(width=2.0, height=0.6, unit="in", dpi=300),
    ),
    (
        "gs1_datamatrix",
        "GS1 Data Matrix (01)09501101530003(17)250101(10)ABC123",
        lambda: t.DataMatrix.gs1("(01)09501101530003(17)250101(10)ABC123"),
        MATRIX_SIZE,
    ),
]


def main(out_dir: str) -> int:
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    cells, failures = [], 0
    for name, title, build, size in SAMPLES:
        try:
            symbol = build()
            (out / f"{name}.png").write_bytes(symbol.render_png(quiet_zone_modules=4, **size))
            (out / f"{name}.svg").write_text(symbol.render_svg(quiet_zone_modules=4), encoding="utf-8")
        except Exception as error:  # a sample that fails is shown as such, the others still render
            failures += 1
            cells.append(f"<figure><figcaption>{html.escape(title)}</figcaption><p>failed: {html.escape(str(error))}</p></figure>")
            print(f"{name}: failed: {error}", file=sys.stderr)
            continue
        cells.append(
            f'<figure><figcaption>{html.escape(title)}</figcaption>'
            f'<img src="{name}.png" alt="{html.escape(title)} PNG" height="150">'
            f'<img src="{name}.svg" alt="{html.escape(title)} SVG" height="150" style="background:white">'
            "</figure>"
        )
        print(f"{name}: {out / name}.png, {out / name}.svg")
    page = (
        "<!doctype html><meta charset=utf-8><title>tavlo samples</title>"
        "<style>body{font-family:sans-serif}figure{display:inline-block;margin:1em;padding:1em;border:1px solid #ccc}"
        "img{margin:0.5em;image-rendering:pixelated}</style><h1>tavlo samples</h1>" + "".join(cells)
    )
    (out / "index.html").write_text(page, encoding="utf-8")
    print(f"wrote {out / 'index.html'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "samples-out"))
