"""What human-readable text costs: a labelled EAN-8 PNG at 300 dpi against the same label without text.

Run from the project root with the package installed, for example
    .venv-bench/bin/python bench/bench_text.py
Prints the median time of one png() call each way and their ratio; exits 1 when the text costs more than
twice the label without it (the glyphs are filled once per call, so this guards the rasteriser's cost).
"""

from __future__ import annotations

import sys

import tavlo
from bench_qr import median_seconds

LIMIT = 2.0
CASES = [
    ("EAN-8, 0.33 mm", tavlo.Ean8("9638507"), {"dpi": 300, "x_dim": "0.33mm"}),
    ("UPC-A, 0.33 mm", tavlo.UpcA("03600029145"), {"dpi": 300, "x_dim": "0.33mm"}),
    ("GS1-128, 0.495 mm", tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123"), {"dpi": 300}),
]


def main() -> int:
    print(f"{'label, 300 dpi':<20} {'text':>10} {'no text':>10} {'ratio':>6}")
    worst = 0.0
    for name, symbol, options in CASES:
        with_text = median_seconds(lambda: symbol.png(**options))
        without = median_seconds(lambda: symbol.png(text=False, **options))
        ratio = with_text / without
        print(f"{name:<20} {with_text * 1e6:>8.1f}us {without * 1e6:>8.1f}us {ratio:>6.2f}")
        if name.startswith("EAN-8"):
            worst = ratio
    if worst > LIMIT:
        print(f"labelled EAN-8 costs {worst:.2f}x the label without text, more than {LIMIT}x", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
