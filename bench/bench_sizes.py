"""PNG time over the sizes a label printer uses: no size may cost much more than a larger one.

For each symbol, widths and heights from 50 to 1000 px: the sizes 0.25 to 3.3 in make at 203, 300 and 600 dpi
(for linear symbols each width by half of it and by 101, 150 and 203 px; squares for matrix symbols). Printed per symbol: the
fastest and slowest size, and the worst cliff, the largest ratio of an image's time to the time of an image
at least as large in both sides (the target is at most 2).

    python bench/bench_sizes.py [--repeat N]
"""

from __future__ import annotations

import argparse
import time

import _tavlo as t

SYMBOLS = {
    "EAN-8": (t.Ean8("1234567"), 7, True),
    "Code 128": (t.Code128([t.Data("Parcel 0123456789")]), 10, True),
    "QR Code": (t.QrCode("https://example.com/track?id=0123456789&lang=en"), 4, False),
    "Data Matrix": (t.DataMatrix("Lot 0123456789, expiry 2027-01-31"), 1, False),
}
INCHES = [0.25, 0.33, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 2.5, 3.3]
DPI = [203, 300, 600]


def sizes(linear: bool) -> list[tuple[int, int]]:
    sides = sorted({round(i * d) for i in INCHES for d in DPI if 50 <= round(i * d) <= 1000})
    if linear:  # half as high as wide, and the label heights 1/2 in at 203 and 300 dpi and 1 in at 203 dpi
        return sorted({(w, max(50, w // 2)) for w in sides} | {(w, h) for w in sides for h in (101, 150, 203)})
    return [(s, s) for s in sides]


def best_us(call, repeat: int) -> float:
    """The fastest of several batches, per call, in the thread's CPU time: the least disturbed by the
    machine's other work."""
    best = float("inf")
    for _ in range(repeat):
        start = time.thread_time()
        for _ in range(20):
            call()
        best = min(best, (time.thread_time() - start) / 20)
    return best * 1e6


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=15)
    args = parser.parse_args()
    print(f"{'symbol':<12} {'sizes':>5} {'fastest µs':>18} {'slowest µs':>18} {'worst cliff':>28}")
    for name, (symbol, quiet, linear) in SYMBOLS.items():
        times = {}
        for w, h in sizes(linear):
            times[(w, h)] = best_us(lambda: symbol.render_png(w, h, unit="px", quiet_zone_modules=quiet), args.repeat)
        fastest = min(times, key=times.get)
        slowest = max(times, key=times.get)
        cliff, pair = 0.0, None
        for small, t_small in times.items():
            for large, t_large in times.items():
                if large != small and large[0] >= small[0] and large[1] >= small[1] and t_small / t_large > cliff:
                    cliff, pair = t_small / t_large, (small, large)
        where = f"{pair[0][0]}x{pair[0][1]} vs {pair[1][0]}x{pair[1][1]}" if pair else ""
        print(f"{name:<12} {len(times):>5} {times[fastest]:>7.2f} ({fastest[0]}x{fastest[1]:<4}) "
              f"{times[slowest]:>7.2f} ({slowest[0]}x{slowest[1]:<4}) {cliff:>6.2f} {where:>21}")


if __name__ == "__main__":
    main()
