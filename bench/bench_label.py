"""Labels through the tavlo package against _tavlo's own render_png at the same pixels, and QR Code SVG sizes
against segno.

Run with the package installed, for example  .venv-bench/bin/python bench/bench_label.py [--repeat N]
Per kind: the median time of one 300 dpi label PNG from tavlo without text (default X-dimension and
height) and of _tavlo's render_png making an image of the same pixel size with the same quiet zone, with
both file sizes; then the default label, human-readable text included.
Then the SVG bytes of tavlo.QrCode and segno (level M, no micro QR) for a few payloads, with and without
a white background.
"""

from __future__ import annotations

import argparse
import io

import _tavlo
from bench_render import median

import tavlo

KINDS = {
    "Ean8": (lambda: tavlo.Ean8("1234567"), lambda: _tavlo.Ean8("1234567")),
    "UpcA": (lambda: tavlo.UpcA("03600029145"), lambda: _tavlo.UpcA("03600029145")),
    "Code39": (lambda: tavlo.Code39("TAVLO-39 BENCH"), lambda: _tavlo.Code39("TAVLO-39 BENCH")),
    "Itf": (lambda: tavlo.Itf("12345678901234"), lambda: _tavlo.Itf("12345678901234")),
    "Code128": (lambda: tavlo.Code128("Parcel 0123456789"), lambda: _tavlo.Code128([_tavlo.Data("Parcel 0123456789")])),
    "QrCode": (
        lambda: tavlo.QrCode("https://example.com/track?id=0123456789&lang=en"),
        lambda: _tavlo.QrCode("https://example.com/track?id=0123456789&lang=en"),
    ),
    "DataMatrix": (
        lambda: tavlo.DataMatrix("Lot 0123456789, expiry 2027-01-31"),
        lambda: _tavlo.DataMatrix("Lot 0123456789, expiry 2027-01-31"),
    ),
}

SVG_PAYLOADS = ["https://example.com", "https://example.com/track?id=0123456789&lang=en", "A" * 300]


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeat", type=int, default=500)
    repeat = parser.parse_args().repeat
    print(f"{'kind':<11} {'pixels':>10} {'tavlo png(text=False)':>24} {'_tavlo render_png':>22} {'tavlo png()':>20}")
    for name, (make, make_low_level) in KINDS.items():
        symbol, low_level = make(), make_low_level()
        # The same pixels as _tavlo can make: bars and modules only; then the default label, text included.
        layout = symbol.layout(dpi=300, text=False)
        bare = median(lambda: symbol.png(dpi=300, text=False), repeat)
        plain = median(
            lambda: low_level.render_png(
                layout.width_dots, layout.height_dots, unit="px", quiet_zone_modules=layout.quiet_zone
            ),
            repeat,
        )
        full = median(lambda: symbol.png(dpi=300), repeat)
        print(
            f"{name:<11} {layout.width_dots:>4}x{layout.height_dots:<5} {bare[0] * 1e6:12.1f} us {bare[1]:>6} B"
            f" {plain[0] * 1e6:10.1f} us {plain[1]:>6} B {full[0] * 1e6:8.1f} us {full[1]:>6} B"
        )
    try:
        import segno
    except ImportError:
        print("segno not installed: SVG comparison skipped")
        return
    print(f"\n{'QR payload':<24} {'tavlo svg':>10} {'segno':>8} {'tavlo, no bg':>13} {'segno, no bg':>13}")
    for payload in SVG_PAYLOADS:
        qr = segno.make(payload, error="m", boost_error=False, micro=False)
        sizes = []
        for background in ("#fff", None):
            out = io.BytesIO()
            qr.save(out, kind="svg", light=background)
            sizes += [len(tavlo.QrCode(payload).svg(background=background)), len(out.getvalue())]
        print(f"{payload[:22]:<24} {sizes[0]:>10} {sizes[1]:>8} {sizes[2]:>13} {sizes[3]:>13}")


if __name__ == "__main__":
    main()
