"""What human-readable text costs: a labelled EAN-8 PNG at 300 dpi against the same label without text.

Run from the project root with the package installed, for example
    .venv-bench/bin/python bench/bench_text.py
Prints the best processor time of one png() call each way (process time, so other work on a busy machine
does not count) and their ratio, with the verdict against the target of at most 2x for EAN-8, and for scale
what zlib's fastest level takes for that label's scanlines alone. With
--instructions, the instructions of one call each way as valgrind's callgrind counts them instead, which
a shared machine's load does not blur.
"""

from __future__ import annotations

import os
import re
import shutil
import struct
import subprocess
import sys
import time
import zlib
from pathlib import Path

import tavlo

TARGET = 2.0
CASES = [
    ("EAN-8, 0.33 mm", tavlo.Ean8("9638507"), {"dpi": 300, "x_dim": "0.33mm"}),
    ("UPC-A, 0.33 mm", tavlo.UpcA("03600029145"), {"dpi": 300, "x_dim": "0.33mm"}),
    ("Code 128, 0.33 mm", tavlo.Code128("Parcel 0123456789"), {"dpi": 300, "x_dim": "0.33mm"}),
    ("GS1-128, 0.495 mm", tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123"), {"dpi": 300}),
]


def image_data(png: bytes) -> bytes:
    """The scanlines a PNG holds, inflated from its IDAT chunks."""
    at, data = 8, b""
    while at < len(png):
        (length,) = struct.unpack(">I", png[at : at + 4])
        if png[at + 4 : at + 8] == b"IDAT":
            data += png[at + 8 : at + 8 + length]
        at += 12 + length
    return zlib.decompress(data)


def best_seconds(call, loops: int = 2000, repeats: int = 7) -> float:
    best = float("inf")
    for _ in range(repeats):
        start = time.process_time()
        for _ in range(loops):
            call()
        best = min(best, (time.process_time() - start) / loops)
    return best


def instructions(case: int, text: bool, calls: int) -> int:
    """Instructions callgrind counts in a fresh interpreter making `calls` PNGs of CASES[case]."""
    child = f"import bench_text as b; _, s, o = b.CASES[{case}]\nfor _ in range({calls}): s.png(text={text}, **o)"
    result = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", sys.executable, "-c",
                             child], capture_output=True, text=True, check=True, cwd=Path(__file__).parent,
                            env={**os.environ, "PYTHONHASHSEED": "0"})
    return int(re.search(r"Collected : (\d+)", result.stderr).group(1))


def count_instructions(calls: int = 300) -> None:
    """The instructions of one call, a machine's load aside: (calls - none) / calls."""
    print(f"{'label, 300 dpi':<20} {'text':>10} {'no text':>10} {'ratio':>6}   (instructions per call)")
    for case, (name, _, _) in enumerate(CASES):
        base = instructions(case, True, 0)
        with_text = (instructions(case, True, calls) - base) / calls
        without = (instructions(case, False, calls) - base) / calls
        print(f"{name:<20} {with_text:>10.0f} {without:>10.0f} {with_text / without:>6.2f}")


def main() -> None:
    if "--instructions" in sys.argv[1:]:
        if shutil.which("valgrind") is None:
            sys.exit("--instructions needs valgrind")
        return count_instructions()
    print(f"{'label, 300 dpi':<20} {'text':>10} {'no text':>10} {'ratio':>6}")
    for name, symbol, options in CASES:
        with_text = best_seconds(lambda: symbol.png(**options))
        without = best_seconds(lambda: symbol.png(text=False, **options))
        ratio = with_text / without
        print(f"{name:<20} {with_text * 1e6:>8.1f}us {without * 1e6:>8.1f}us {ratio:>6.2f}")
        if name.startswith("EAN-8"):
            verdict = "met" if ratio <= TARGET else "NOT met"
            print(f"  target for EAN-8: at most {TARGET}x the label without text: {verdict}")
            # For scale: zlib at its fastest level on the same label's scanlines alone, without the PNG around them.
            png = symbol.png(**options)
            scanlines = image_data(png)
            fastest = best_seconds(lambda: zlib.compress(scanlines, 1))
            print(f"  zlib level 1 on its {len(scanlines)} B of scanlines alone: {fastest * 1e6:.1f}us, "
                  f"{len(zlib.compress(scanlines, 1))} B of stream against the whole PNG's {len(png)} B")


if __name__ == "__main__":
    main()
