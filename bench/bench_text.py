"""What human-readable text costs: a labelled EAN-8 PNG at 300 dpi against the same label without text.

Run from the project root with the package installed, for example
    .venv-bench/bin/python bench/bench_text.py
Prints the best processor time of one png() call each way (process time, so other work on a busy machine
does not count) and their ratio, with the verdict against the target of at most 2x for EAN-8.
"""

from __future__ import annotations

import time

import tavlo

TARGET = 2.0
CASES = [
    ("EAN-8, 0.33 mm", tavlo.Ean8("9638507"), {"dpi": 300, "x_dim": "0.33mm"}),
    ("UPC-A, 0.33 mm", tavlo.UpcA("03600029145"), {"dpi": 300, "x_dim": "0.33mm"}),
    ("Code 128, 0.33 mm", tavlo.Code128("Parcel 0123456789"), {"dpi": 300, "x_dim": "0.33mm"}),
    ("GS1-128, 0.495 mm", tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123"), {"dpi": 300}),
]


def best_seconds(call, loops: int = 2000, repeats: int = 7) -> float:
    best = float("inf")
    for _ in range(repeats):
        start = time.process_time()
        for _ in range(loops):
            call()
        best = min(best, (time.process_time() - start) / loops)
    return best


def main() -> None:
    print(f"{'label, 300 dpi':<20} {'text':>10} {'no text':>10} {'ratio':>6}")
    for name, symbol, options in CASES:
        with_text = best_seconds(lambda: symbol.png(**options))
        without = best_seconds(lambda: symbol.png(text=False, **options))
        ratio = with_text / without
        print(f"{name:<20} {with_text * 1e6:>8.1f}us {without * 1e6:>8.1f}us {ratio:>6.2f}")
        if name.startswith("EAN-8"):
            verdict = "met" if ratio <= TARGET else "NOT met"
            print(f"  target for EAN-8: at most {TARGET}x the label without text: {verdict}")


if __name__ == "__main__":
    main()
