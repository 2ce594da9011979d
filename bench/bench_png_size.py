"""PNG file sizes against Debian's zint (its command line) for the same symbol at the same pixels.

Run from the project root with the package installed and zint on the PATH, for example
    .venv-bench/bin/python bench/bench_png_size.py [--markdown]
For each symbol and module size in dots: zint's PNG (a 1-bit palette, with quiet zones, text off), tavlo's
png() and png(optimize=True) (1-bit greyscale with a pHYs chunk, which costs 3 bytes more than zint's PLTE),
their byte counts, and the processor time of one tavlo call each way. The images are checked to be the same
size; the summary counts the cases where each tavlo PNG is smaller than zint's.
"""

from __future__ import annotations

import argparse
import io
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from PIL import Image

import tavlo

QR_PAYLOADS = [
    "https://example.com/1",
    "HELLO WORLD 1234567890 tavlo qr bench payload",
    "https://example.com/track?id=0123456789&lang=en",
]
# (name, zint symbology, data, tavlo symbol, whether its height follows zint's)
LINEAR = [
    ("EAN-8", "EANX", "1234567", tavlo.Ean8("1234567")),
    ("UPC-A", "UPCA", "03600029145", tavlo.UpcA("03600029145")),
    ("Code 128", "CODE128", "Parcel 0123456789", tavlo.Code128("Parcel 0123456789")),
    ("Code 39", "CODE39", "TAVLO-39 BENCH", tavlo.Code39("TAVLO-39 BENCH")),
]
DATA_MATRIX = "Lot 0123456789, expiry 2027-01-31"


def zint_png(symbology: str, data: str, dots: int, folder: Path, extra: tuple[str, ...] = ()) -> bytes:
    out = folder / "zint.png"
    subprocess.run(["zint", "-b", symbology, "--notext", "--quietzones", f"--scale={dots / 2}", *extra,
                    "-d", data, "-o", str(out)], check=True, capture_output=True)
    return out.read_bytes()


def best_seconds(call, budget: float = 0.05) -> float:
    best, spent = float("inf"), 0.0
    while spent < budget or best == float("inf"):
        start = time.process_time()
        call()
        took = time.process_time() - start
        best, spent = min(best, took), spent + took
    return best


def cases(folder: Path):
    for payload in QR_PAYLOADS:
        for dots in (1, 2, 3, 4, 6, 8, 10, 12):
            yield ("QR Code", payload[:24], dots, zint_png("QRCODE", payload, dots, folder, ("--secure=2",)),
                   tavlo.QrCode(payload), {"x_dim": f"{dots}dots"})
    for dots in (2, 4, 6):
        yield ("Data Matrix", DATA_MATRIX[:24], dots, zint_png("DATAMATRIX", DATA_MATRIX, dots, folder, ("--square",)),
               tavlo.DataMatrix(DATA_MATRIX, shape="square"), {"x_dim": f"{dots}dots"})
    for name, symbology, data, symbol in LINEAR:
        for dots in (2, 4, 6):
            theirs = zint_png(symbology, data, dots, folder)
            height = Image.open(io.BytesIO(theirs)).height
            yield (name, data[:24], dots, theirs, symbol, {"x_dim": f"{dots}dots", "height": f"{height}dots", "text": False})


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--markdown", action="store_true", help="print a Markdown table")
    args = parser.parse_args()
    if shutil.which("zint") is None:
        print("skipped: zint is not installed (Debian package zint)", file=sys.stderr)
        return
    rows, wins, wins_optimized = [], 0, 0
    with tempfile.TemporaryDirectory() as folder:
        for name, data, dots, theirs, symbol, options in cases(Path(folder)):
            usual = symbol.png(**options)
            optimized = symbol.png(optimize=True, **options)
            size = Image.open(io.BytesIO(usual)).size
            assert size == Image.open(io.BytesIO(theirs)).size, (name, dots, size)
            times = [best_seconds(lambda: symbol.png(**options)), best_seconds(lambda: symbol.png(optimize=True, **options))]
            wins += len(usual) < len(theirs)
            wins_optimized += len(optimized) < len(theirs)
            rows.append((name, data, dots, f"{size[0]}x{size[1]}", len(theirs), len(usual), len(optimized),
                         times[0] * 1e6, times[1] * 1e6))
    header = ("symbol", "data", "dots", "pixels", "zint B", "tavlo B", "optimize B", "tavlo us", "optimize us")
    if args.markdown:
        print("| " + " | ".join(header) + " |")
        print("|" + "---|" * len(header))
        for row in rows:
            print("| " + " | ".join(f"{v:.0f}" if isinstance(v, float) else str(v) for v in row) + " |")
    else:
        print(f"{header[0]:<12} {header[1]:<25} {'dots':>4} {'pixels':>9} {'zint':>6} {'tavlo':>6} {'optim.':>6}"
              f" {'tavlo':>9} {'optim.':>9}")
        for name, data, dots, pixels, z, t, o, tt, to in rows:
            mark = "" if o < z else "  (not smaller)"
            print(f"{name:<12} {data:<25} {dots:>4} {pixels:>9} {z:>6} {t:>6} {o:>6} {tt:>7.1f}us {to:>7.1f}us{mark}")
    print(f"smaller than zint: png() {wins} of {len(rows)}, png(optimize=True) {wins_optimized} of {len(rows)}")


if __name__ == "__main__":
    main()
