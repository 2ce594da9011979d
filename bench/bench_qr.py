"""QR Code timings: encoding alone (`QrCode(text)`), and encoding followed by a PNG or an SVG rendering.

Run from the project root with the built module on the path, for example
    PYTHONPATH=build/release/python python bench/bench_qr.py
Prints the median time of one call for each payload, from version 1 to version 40.
"""

from __future__ import annotations

import statistics
import time

import _tavlo

PAYLOADS = [
    ("HELLO WORLD", "HELLO WORLD"),
    ("URL, 60 bytes", "https://example.com/track?id=" + "0123456789abcdef" * 2),
    ("text, 300 bytes", ("The quick brown fox jumps over the lazy dog. " * 7)[:300]),
    ("Japanese, 440 chars", "日本語のテキストと漢字" * 40),
    ("text, 1200 bytes", ("lorem ipsum dolor sit amet " * 45)[:1200]),
    ("text, 2331 bytes", "a" * 2331),
    ("digits, 5596", "1234567890" * 559 + "123456"),
]

PIXELS_PER_MODULE = 4
QUIET = 4


def median_seconds(call, target: float = 0.02, samples: int = 15) -> float:
    """Median over `samples` timings of one call, each sample looping long enough to measure."""
    loops, elapsed = 1, 0.0
    while elapsed < target / 4:
        start = time.perf_counter()
        for _ in range(loops):
            call()
        elapsed = time.perf_counter() - start
        loops *= 2
    loops = max(1, int(loops * target / max(elapsed, 1e-9) / 2))
    timings = []
    for _ in range(samples):
        start = time.perf_counter()
        for _ in range(loops):
            call()
        timings.append((time.perf_counter() - start) / loops)
    return statistics.median(timings)


def render_calls(text: str, width: int):
    side = (width + 2 * QUIET) * PIXELS_PER_MODULE
    png = lambda: _tavlo.QrCode(text).render_png(side, side, unit="px", quiet_zone_modules=QUIET)  # noqa: E731
    svg = lambda: _tavlo.QrCode(text).render_svg(quiet_zone_modules=QUIET)  # noqa: E731
    return png, svg


def timed(call, missing: set[str]) -> str:
    try:
        call()
    except _tavlo.TavloError as error:  # a renderer not built yet
        missing.add(str(error))
        return "n/a"
    return f"{median_seconds(call) * 1e6:.1f}"


def main() -> None:
    missing: set[str] = set()
    print(f"{'payload':<22} {'version':>7} {'encode us':>10} {'+png us':>10} {'+svg us':>10}")
    for name, text in PAYLOADS:
        width = _tavlo.QrCode(text).geometry().width
        encode = median_seconds(lambda: _tavlo.QrCode(text))
        png, svg = render_calls(text, width)
        version = (width - 17) // 4
        print(f"{name:<22} {version:>7} {encode * 1e6:10.1f} {timed(png, missing):>10} {timed(svg, missing):>10}")
    for reason in sorted(missing):
        print(f"n/a: {reason}")


if __name__ == "__main__":
    main()
