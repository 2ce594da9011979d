"""Writes labels made by the `tavlo` command line, a print-exact label of every kind of the package (PNG and
SVG), a PNG and an SVG of every symbology from the low-level module, and an index.html that shows them all.

    python scripts/make_samples.py [OUT] [--labels DIR]

The command-line labels go to OUT/labels (or DIR): `--labels docs/labels` remakes the README's pictures.
"""

from __future__ import annotations

import argparse
import html
import os
import shlex
import subprocess
import sys
from pathlib import Path

import _tavlo as t

import tavlo
from tavlo import _label

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


# One label of every kind of the table of kinds, as the package makes it at 300 dpi.
KIND_SAMPLES = {
    "ean8": lambda: tavlo.Ean8("9638507"),
    "upca": lambda: tavlo.UpcA("03600029145", addon="12"),
    "ean13": lambda: tavlo.Ean13("978030640615", addon="51299"),
    "upce": lambda: tavlo.UpcE("0123456"),
    "isbn": lambda: tavlo.Isbn("978-0-306-40615-7"),
    "issn": lambda: tavlo.Issn("0317-8471", variant="00", addon="05"),
    "ismn": lambda: tavlo.Ismn("979-0-2306-7118-7"),
    "code39": lambda: tavlo.Code39("TAVLO-39"),
    "itf": lambda: tavlo.Itf("1234567890"),
    "code93": lambda: tavlo.Code93("Tavlo 93"),
    "codabar": lambda: tavlo.Codabar("A40156B"),
    "code128": lambda: tavlo.Code128("Parcel 0123456789"),
    "gs1-128": lambda: tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123"),
    "itf14": lambda: tavlo.Itf14("1234567890123"),
    "itf14-bars": lambda: tavlo.Itf14("1234567890123", bearer="bars"),
    "qr": lambda: tavlo.QrCode("https://example.com/tavlo"),
    "microqr": lambda: tavlo.MicroQr("01234567"),
    "rmqr": lambda: tavlo.RmQr("https://example.com"),
    "datamatrix": lambda: tavlo.DataMatrix("Hello, tavlo!"),
    "gs1-datamatrix": lambda: tavlo.Gs1DataMatrix("(01)09501101530003(17)250101(10)ABC123"),
    "gs1-qr": lambda: tavlo.Gs1Qr("(01)09501101530003(17)250101(10)ABC123"),
    "databar": lambda: tavlo.DataBar("0950110153000"),
    "databar-truncated": lambda: tavlo.DataBar("0950110153000", truncated=True),
    "databar-stacked": lambda: tavlo.DataBar("0950110153000", stacked=True),
    "databar-stacked-omni": lambda: tavlo.DataBar("0950110153000", stacked="omnidirectional"),
    "databar-limited": lambda: tavlo.DataBarLimited("1501234567890"),
    "databar-expanded": lambda: tavlo.DataBarExpanded("(01)09501101530003(3103)000123"),
    "databar-expanded-stacked": lambda: tavlo.DataBarExpanded("(01)09501101530003(3103)000123(17)250101",
                                                              segments_per_row=4),
    "pdf417": lambda: tavlo.Pdf417("Boarding pass: TAVLO/TEST 2026-12-07 seat 12A"),
    "micropdf417": lambda: tavlo.MicroPdf417("Lot 42-0815"),
    "aztec": lambda: tavlo.Aztec("Code 2D!"),
    "aztec-rune": lambda: tavlo.AztecRune(42),
}


def kind_labels(folder: Path, page: Path) -> tuple[list[str], int]:
    """A label of every kind in the table written to `folder` as PNG and SVG; figure elements and failures."""
    folder.mkdir(parents=True, exist_ok=True)
    cells, failures = [], 0
    for row in _label.kinds():
        name = row["name"]
        try:
            symbol = KIND_SAMPLES[name]()
            png, svg = folder / f"{name}.png", folder / f"{name}.svg"
            png.write_bytes(symbol.png(dpi=300))
            svg.write_text(symbol.svg(dpi=300), encoding="utf-8")
        except Exception as error:  # a kind without a sample, or one that fails, is shown as such
            failures += 1
            cells.append(f"<figure><figcaption>{html.escape(row['title'])}</figcaption>"
                         f"<p>failed: {html.escape(repr(error))}</p></figure>")
            print(f"{name}: failed: {error!r}", file=sys.stderr)
            continue
        print(f"{name}: {png}, {svg}")
        title = f"{row['title']}: {symbol!r}"
        cells.append(f"<figure><figcaption>{html.escape(title)}</figcaption>"
                     f'<img src="{html.escape(os.path.relpath(png, page))}" alt="{html.escape(title)}">'
                     "</figure>")
    return cells, failures


# Labels as a user makes them: (file, arguments after `tavlo`). Every module is a whole number of dots.
CLI_LABELS = [
    ("ean8.png", ["ean8", "1234567", "--dpi", "300", "-x", "0.33mm"]),
    ("upca.png", ["upca", "03600029145", "--dpi", "300", "-x", "0.33mm"]),
    ("code128.png", ["code128", "Parcel 0123456789", "--dpi", "203", "-x", "2dots", "--height", "15mm"]),
    ("code39.png", ["code39", "TAVLO-39", "--dpi", "300", "-x", "10mil"]),
    ("qr.png", ["qr", "https://example.com/tavlo", "--dpi", "300", "-x", "0.5mm"]),
    ("gs1_128.png", ["gs1-128", "(01)09501101530003(17)250101(10)ABC123", "--dpi", "300", "-x", "4dots"]),
    ("itf14.png", ["itf14", "1234567890123", "--dpi", "300", "-x", "4dots"]),
    ("gs1_datamatrix.png", ["gs1-datamatrix", "(01)09501101530003(17)250101(10)ABC123", "--dpi", "300",
                            "-x", "0.5mm", "--text"]),
    ("qr_blue.svg", ["qr", "https://example.com/tavlo", "-x", "0.5mm", "--fg", "#1a3c8c", "--bg", "transparent"]),
]

BATCH_CSV = "sku,upc\nTEA-1,03600029145\nCOF-2,01234567890\nBAD-3,123\n"


def run_tavlo(*arguments: str) -> subprocess.CompletedProcess:
    return subprocess.run([sys.executable, "-m", "tavlo", *arguments], capture_output=True, text=True)


def command_line_labels(folder: Path, page: Path) -> tuple[list[str], int]:
    """The CLI_LABELS written to `folder`; figure elements for a page in `page`, and the failure count."""
    folder.mkdir(parents=True, exist_ok=True)
    cells, failures = [], 0
    for name, arguments in CLI_LABELS:
        command = shlex.join(["tavlo", *arguments])
        result = run_tavlo(*arguments, "-o", str(folder / name))
        if result.returncode != 0:
            failures += 1
            print(f"{command}: failed: {result.stderr.strip()}", file=sys.stderr)
            cells.append(f"<figure><figcaption><code>{html.escape(command)}</code></figcaption>"
                         f"<p>failed: {html.escape(result.stderr)}</p></figure>")
            continue
        print(f"{command} -o {folder / name}")
        cells.append(f"<figure><figcaption><code>{html.escape(command)} -o {name}</code></figcaption>"
                     f'<img src="{html.escape(os.path.relpath(folder / name, page))}" alt="{html.escape(command)}">'
                     "</figure>")
    return cells, failures


def batch_sample(out: Path) -> int:
    """A three-row CSV through `tavlo batch`, one row bad on purpose; 1 when it did not go as it should."""
    (out / "parcels.csv").write_text(BATCH_CSV, encoding="utf-8")
    batch = run_tavlo("batch", "upca", str(out / "parcels.csv"), "--data-column", "upc", "--name-column", "sku",
                  "-d", str(out / "batch"), "--force")
    print(f"tavlo batch upca parcels.csv --data-column upc --name-column sku -d {out / 'batch'} --force: "
          f"exit {batch.returncode} (a bad row on purpose), {batch.stdout.strip()}; {batch.stderr.strip()}")
    return 0 if batch.returncode == 1 and (out / "batch" / "TEA-1.png").exists() else 1


def main(out_dir: str, labels_dir: str | None = None) -> int:
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    labels = Path(labels_dir) if labels_dir else out / "labels"
    label_cells, failures = command_line_labels(labels, out)
    failures += batch_sample(out)
    kind_cells, kind_failures = kind_labels(out / "kinds", out)
    failures += kind_failures
    cells = []
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
        "img{margin:0.5em;image-rendering:pixelated}</style><h1>tavlo samples</h1>"
        "<h2>Labels from the command line</h2>" + "".join(label_cells)
        + "<h2>Every kind of the package, at 300 dpi</h2>" + "".join(kind_cells)
        + "<h2>Every symbology from the low-level module</h2>" + "".join(cells)
    )
    (out / "index.html").write_text(page, encoding="utf-8")
    print(f"wrote {out / 'index.html'}")
    return 1 if failures else 0


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out", nargs="?", default="samples-out")
    parser.add_argument("--labels", metavar="DIR", help="folder for the command-line labels (default OUT/labels)")
    options = parser.parse_args()
    sys.exit(main(options.out, options.labels))
