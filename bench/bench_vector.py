"""Vector labels with text: tavlo's SVG and PDF against zint's SVG and EPS, time and bytes.

Each case makes the symbol from its data and writes one file to memory: tavlo.X(data).svg() / .pdf() at 300 dpi
(human-readable line included), and zint (PyPI zint-bindings) encoding the same data and printing SVG or EPS to
a memory file. Rounds interleave the cases, so a busy machine slows all alike; printed are the median time per
call over the rounds, the bytes, and tavlo's time and bytes over zint's (SVG against SVG, PDF against EPS).
zint names a font where tavlo writes OCR-B outlines by default, so tavlo is measured both ways: with outlines
("tavlo svg", "tavlo pdf") and with text_font="named" ("named svg", "named pdf": SVG <text> in OCR-B, PDF text
in Courier). Last is printed what the outlines alone take in tavlo's SVG (the path data of its <defs>, each
glyph once): the part of the bytes that naming a font saves.

Control: a fixed CPU job (SHA-256 of 16 MiB, which runs without the interpreter's lock) timed on 1 thread and
then twice on 2 threads; a ratio near 1 says a second core was free during the run, near 2 that it was not.

    python bench/bench_vector.py [--rounds N] [--calls N]
"""

from __future__ import annotations

import argparse
import hashlib
import re
import statistics
import threading
import time

import tavlo

try:
    import zint
except ImportError:  # pragma: no cover
    raise SystemExit("bench_vector.py needs zint-bindings: pip install zint-bindings")

CASES = [
    ("EAN-8", lambda: tavlo.Ean8("1234567"), zint.Symbology.EANX, "1234567"),
    ("Code 128", lambda: tavlo.Code128("Parcel 0123456789"), zint.Symbology.CODE128, "Parcel 0123456789"),
    (
        "GS1-128",
        lambda: tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123"),
        zint.Symbology.GS1_128,
        "[01]09501101530003[17]250101[10]ABC123",
    ),
]


def zint_file(symbology, data: str, suffix: str) -> bytes:
    symbol = zint.Symbol()
    symbol.symbology = symbology
    symbol.encode(data)
    symbol.outfile = f"out.{suffix}"
    symbol.output_options = symbol.output_options | zint.OutputOptions.BARCODE_MEMORY_FILE
    symbol.print()
    return bytes(symbol.memfile)


def per_call(call, calls: int) -> float:
    start = time.perf_counter()
    for _ in range(calls):
        call()
    return (time.perf_counter() - start) / calls


BLOCK = b"\x5a" * (16 << 20)


def cpu_job() -> None:
    hashlib.sha256(BLOCK).digest()


def second_core_ratio() -> float:
    """Wall time of two jobs on two threads over one job on one thread."""
    one = min(per_call(cpu_job, 1) for _ in range(3))
    two = []
    for _ in range(3):
        threads = [threading.Thread(target=cpu_job) for _ in range(2)]
        start = time.perf_counter()
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        two.append(time.perf_counter() - start)
    return min(two) / one


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--calls", type=int, default=200)
    args = parser.parse_args()

    calls = {}
    for name, make, symbology, data in CASES:
        calls[(name, "tavlo svg")] = lambda make=make: make().svg()
        calls[(name, "tavlo pdf")] = lambda make=make: make().pdf()
        calls[(name, "named svg")] = lambda make=make: make().svg(text_font="named")
        calls[(name, "named pdf")] = lambda make=make: make().pdf(text_font="named")
        calls[(name, "zint svg")] = lambda s=symbology, d=data: zint_file(s, d, "svg")
        calls[(name, "zint eps")] = lambda s=symbology, d=data: zint_file(s, d, "eps")
    sizes = {key: len(call() if not isinstance(call(), str) else call().encode()) for key, call in calls.items()}

    before = second_core_ratio()
    times: dict[tuple[str, str], list[float]] = {key: [] for key in calls}
    for _ in range(args.rounds):
        for key, call in calls.items():
            times[key].append(per_call(call, args.calls))
    after = second_core_ratio()

    print(f"control: 2 jobs on 2 threads take {before:.2f}x (before) and {after:.2f}x (after) one job on 1 thread "
          f"({'a second core was free' if max(before, after) < 1.4 else 'no free second core'})")
    print(f"{'symbol':10} {'writer':10} {'us/call':>9} {'bytes':>7}   tavlo/zint time, bytes")
    for name, *_ in CASES:
        for outlines, named, theirs in (("tavlo svg", "named svg", "zint svg"), ("tavlo pdf", "named pdf", "zint eps")):
            for writer in (outlines, named, theirs):
                key = (name, writer)
                print(f"{name:10} {writer:10} {statistics.median(times[key]) * 1e6:9.1f} {sizes[key]:7}", end="")
                if writer != theirs:
                    ratio = statistics.median(times[key]) / statistics.median(times[(name, theirs)])
                    print(f"   {ratio:.2f}x, {sizes[key] / sizes[(name, theirs)]:.2f}x")
                else:
                    print()
    for name, make, *_ in CASES:
        svg = make().svg()
        outlines = sum(len(d) for d in re.findall(r'<path id="[a-z]+" d="([^"]*)"', svg))
        print(f"{name:10} outlines in tavlo's SVG: {outlines} of its {len(svg)} bytes")


if __name__ == "__main__":
    main()
