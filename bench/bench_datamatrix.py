"""Data Matrix timings: construction (`DataMatrix(data)`, `DataMatrix.gs1(value)`) and a 1 in PNG at 300 dpi.

Run from the project root with the built module on the path, for example
    PYTHONPATH=build/release/python python bench/bench_datamatrix.py
Prints the median time of one call for each payload, from 10x10 to 144x144; the PNG column times
construction followed by render_png(1, 1, dpi=300, quiet_zone_modules=2).
"""

from __future__ import annotations

import random

import _tavlo
from bench_qr import median_seconds

rng = random.Random(16022)
MIXED = "".join(
    rng.choice(["Lot 2027-01-31 ", "ABC123 ", "serial: ", "x*>\r", "0123456789", "Grüße ", "\x01\x02"])
    for _ in range(200)
)[:1000]

# (name, data, shape); a name starting "GS1" passes its text to DataMatrix.gs1.
PAYLOADS = [
    ("A", "A", "any"),
    ("URL, 40 bytes", "https://example.com/p/0123456789abcdefgh", "any"),
    ("text, 100 bytes", ("Lot 0123456789, expiry 2027-01-31; " * 3)[:100], "any"),
    ("rect, 40 bytes", "RECTANGULAR 0123456789 ABCDEFGHIJ 98765", "rect"),
    ("GS1, 4 elements", "(01)09501101530003(17)250101(10)ABC123(21)S/N 0042", "any"),
    ("GS1, 300 digits", "(10)" + "0123456789" * 30, "any"),
    ("digits, 3116", "1234567890" * 311 + "123456", "any"),
    ("bytes, 1556 >= 0x80", bytes(rng.randrange(128, 256) for _ in range(1556)), "any"),
    ("bytes, 1555 random", rng.randbytes(1555), "any"),
    ("mixed text, 1000", MIXED, "any"),
]


def constructor(name: str, data, shape: str):
    if name.startswith("GS1"):
        return lambda: _tavlo.DataMatrix.gs1(data, shape=shape)
    return lambda: _tavlo.DataMatrix(data, shape=shape)


def main() -> None:
    print(f"{'payload':<22} {'size':>9} {'encode us':>10} {'+png us':>10}")
    for name, data, shape in PAYLOADS:
        make = constructor(name, data, shape)
        geometry = make().geometry()
        encode = median_seconds(make)
        png = median_seconds(lambda: make().render_png(1, 1, dpi=300, quiet_zone_modules=2))
        size = f"{geometry.height}x{geometry.width}"
        print(f"{name:<22} {size:>9} {encode * 1e6:10.1f} {png * 1e6:10.1f}")


if __name__ == "__main__":
    main()
