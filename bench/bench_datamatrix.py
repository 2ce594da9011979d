"""Data Matrix timings: construction (`DataMatrix(data)`, `DataMatrix.gs1(value)`) and a 1 in PNG at 300 dpi.

Run from the project root with the built module on the path, for example
    PYTHONPATH=build/release/python python bench/bench_datamatrix.py
Prints the median time of one call for each payload, from 10x10 to 144x144; the PNG column times
construction followed by render_png(1, 1, dpi=300, quiet_zone_modules=2). When zint-bindings is installed
(`pip install zint-bindings`), the same payloads are encoded by zint in the same run (a fresh Symbol per call,
the matrix only, no rendering) and the last column gives zint's time over tavlo's construction time.
"""

from __future__ import annotations

import random

import _tavlo
from bench_qr import median_seconds

try:
    import zint
except ImportError:  # the comparison is optional
    zint = None

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


def zint_encoder(name: str, data, shape: str):
    """zint's Data Matrix of the same input, or None where the comparison does not apply."""
    if zint is None or name.startswith("GS1") or shape != "any":
        return None
    payload = data.encode() if isinstance(data, str) else data

    def encode():
        symbol = zint.Symbol()
        symbol.symbology = zint.Symbology.DATAMATRIX
        symbol.input_mode = zint.InputMode.DATA
        symbol.encode(payload)
        return symbol

    return encode


def main() -> None:
    print(f"{'payload':<22} {'size':>9} {'encode us':>10} {'+png us':>10} {'zint us':>10} {'zint/us':>8}")
    for name, data, shape in PAYLOADS:
        make = constructor(name, data, shape)
        geometry = make().geometry()
        encode = median_seconds(make)
        png = median_seconds(lambda: make().render_png(1, 1, dpi=300, quiet_zone_modules=2))
        size = f"{geometry.height}x{geometry.width}"
        line = f"{name:<22} {size:>9} {encode * 1e6:10.1f} {png * 1e6:10.1f}"
        peer = zint_encoder(name, data, shape)
        if peer is not None:
            peer_symbol = peer()
            peer_size = f"{peer_symbol.rows}x{peer_symbol.width}"
            peer_time = median_seconds(peer)
            line += f" {peer_time * 1e6:10.1f} {peer_time / encode:7.1f}x"
            if peer_size != size:
                line += f"  (zint: {peer_size})"
        print(line)


if __name__ == "__main__":
    main()
