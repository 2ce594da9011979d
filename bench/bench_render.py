"""Rendering timings: render_png and render_svg of an already built symbol of each class.

Run from the project root with the built module on the path, for example
    PYTHONPATH=build/release/python python bench/bench_render.py [--repeat N]
Prints, per class, the median time of one call and the size of its output: a PNG at label size (1 in x 0.5 in
at 300 dpi for linear symbols, 1 in square for matrix symbols), a PNG of 4000 x 4000 pixels, and the SVG.
Quiet zones: 10 modules for linear symbols, 4 for matrix symbols.
"""

from __future__ import annotations

import argparse
import statistics
import time

import _tavlo as t

SYMBOLS = {
    "Ean8": (lambda: t.Ean8("1234567"), (1.0, 0.5), 10),
    "UpcA": (lambda: t.UpcA("03600029145"), (1.0, 0.5), 10),
    "Code39": (lambda: t.Code39("TAVLO-39 BENCH"), (1.0, 0.5), 10),
    "Itf": (lambda: t.Itf("12345678901234"), (1.0, 0.5), 10),
    "Code128": (lambda: t.Code128([t.Data("Parcel 0123456789")]), (1.0, 0.5), 10),
    "QrCode": (lambda: t.QrCode("https://example.com/track?id=0123456789&lang=en"), (1.0, 1.0), 4),
    "DataMatrix": (lambda: t.DataMatrix("Lot 0123456789, expiry 2027-01-31"), (1.0, 1.0), 4),
}


def median(call, repeat: int) -> tuple[float, int]:
    """Median seconds of one call over `repeat` calls after a warm-up, and the length of its result."""
    size = len(call())
    samples = []
    for _ in range(repeat):
        start = time.thread_time()
        call()
        samples.append(time.thread_time() - start)
    return statistics.median(samples), size


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeat", type=int, default=200)
    repeat = parser.parse_args().repeat
    print(f"{'class':<11} {'PNG label':>20} {'PNG 4000x4000':>22} {'SVG':>18}")
    for name, (make, label, quiet) in SYMBOLS.items():
        try:
            symbol = make()
        except t.TavloError as error:  # an encoder not built yet
            print(f"{name:<11} n/a ({error})")
            continue
        label_png = median(lambda: symbol.render_png(*label, dpi=300, quiet_zone_modules=quiet), repeat)
        big_png = median(lambda: symbol.render_png(4000, 4000, unit="px", quiet_zone_modules=quiet),
                         max(5, repeat // 20))
        svg = median(lambda: symbol.render_svg(quiet_zone_modules=quiet), repeat)
        print(f"{name:<11} {label_png[0] * 1e6:8.1f} us {label_png[1]:>6} B"
              f" {big_png[0] * 1e3:8.2f} ms {big_png[1]:>8} B {svg[0] * 1e6:7.2f} us {svg[1]:>6} B")


if __name__ == "__main__":
    main()
