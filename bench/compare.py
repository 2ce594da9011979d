"""tavlo side by side with the other barcode writers a Python user could install.

For each symbology, the time to build a symbol and get a finished PNG file (bytes) at a label size, and
an SVG document (str), by every library that can do it. Times are medians of repeated runs, in
microseconds per symbol. Libraries that are not installed are skipped; `bash bench/run.sh` installs them.

    python bench/compare.py [--repeat N]
"""

from __future__ import annotations

import argparse
import io
import statistics
import time
from collections.abc import Callable

import _tavlo as t

PNG_INCHES = (1.0, 0.5)  # a 1 in x 0.5 in label at 300 dpi for linear symbols
DPI = 300
MATRIX_PX = 300  # a 1 in square at 300 dpi for matrix symbols

PAYLOADS = {
    "EAN-8": "1234567",
    "UPC-A": "03600029145",
    "Code 39": "TAVLO-39 BENCH",
    "ITF": "12345678901234",
    "Code 128": "Parcel 0123456789",
    "QR Code": "https://example.com/track?id=0123456789&lang=en",
    "Data Matrix": "Lot 0123456789, expiry 2027-01-31",
}


def median_us(call: Callable[[], object], repeat: int) -> float:
    call()
    samples = []
    for _ in range(repeat):
        start = time.perf_counter()
        call()
        samples.append(time.perf_counter() - start)
    return statistics.median(samples) * 1e6


def tavlo_cases():
    build = {
        "EAN-8": lambda d: t.Ean8(d),
        "UPC-A": lambda d: t.UpcA(d),
        "Code 39": lambda d: t.Code39(d),
        "ITF": lambda d: t.Itf(d),
        "Code 128": lambda d: t.Code128([t.Data(d)]),
        "QR Code": lambda d: t.QrCode(d),
        "Data Matrix": lambda d: t.DataMatrix(d),
    }
    for name, make in build.items():
        data = PAYLOADS[name]
        if name in ("QR Code", "Data Matrix"):
            png = lambda make=make, data=data: make(data).render_png(MATRIX_PX, MATRIX_PX, unit="px", quiet_zone_modules=4)
        else:
            png = lambda make=make, data=data: make(data).render_png(*PNG_INCHES, dpi=DPI, quiet_zone_modules=10)
        svg = lambda make=make, data=data: make(data).render_svg(quiet_zone_modules=4)
        yield name, "tavlo", png, svg


def zxing_cases():
    try:
        import zxingcpp
        from PIL import Image
    except ImportError:
        return
    formats = {
        "EAN-8": "EAN8", "UPC-A": "UPCA", "Code 39": "Code39", "ITF": "ITF", "Code 128": "Code128",
        "QR Code": "QRCode", "Data Matrix": "DataMatrix",
    }
    for name, fmt in formats.items():
        data = PAYLOADS[name]
        barcode_format = getattr(zxingcpp.BarcodeFormat, fmt)
        linear = name not in ("QR Code", "Data Matrix")

        def png(data=data, barcode_format=barcode_format, linear=linear):
            barcode = zxingcpp.create_barcode(data, barcode_format)
            image = Image.fromarray(zxingcpp.write_barcode_to_image(barcode, scale=3))
            size = (int(PNG_INCHES[0] * DPI), int(PNG_INCHES[1] * DPI)) if linear else (MATRIX_PX, MATRIX_PX)
            out = io.BytesIO()
            image.resize(size, Image.NEAREST).save(out, format="PNG")
            return out.getvalue()

        def svg(data=data, barcode_format=barcode_format):
            return zxingcpp.write_barcode_to_svg(zxingcpp.create_barcode(data, barcode_format))

        yield name, "zxing-cpp + Pillow", png, svg


def segno_cases():
    try:
        import segno
    except ImportError:
        return
    data = PAYLOADS["QR Code"]

    def save(kind: str, **options) -> bytes:
        out = io.BytesIO()
        segno.make_qr(data, error="m").save(out, kind=kind, border=4, **options)
        return out.getvalue()

    yield "QR Code", "segno", lambda: save("png", scale=8), lambda: save("svg")


def qrcode_cases():
    try:
        import qrcode
        import qrcode.image.svg
    except ImportError:
        return
    data = PAYLOADS["QR Code"]

    def png():
        out = io.BytesIO()
        qr = qrcode.QRCode(error_correction=qrcode.constants.ERROR_CORRECT_M, box_size=8, border=4)
        qr.add_data(data)
        qr.make_image().save(out)
        return out.getvalue()

    def svg():
        return qrcode.make(data, image_factory=qrcode.image.svg.SvgPathImage).to_string()

    yield "QR Code", "qrcode", png, svg


def python_barcode_cases():
    try:
        import barcode
        from barcode.writer import ImageWriter, SVGWriter
    except ImportError:
        return
    names = {"EAN-8": "ean8", "UPC-A": "upca", "Code 39": "code39", "ITF": "itf", "Code 128": "code128"}
    for name, kind in names.items():
        data = PAYLOADS[name]
        cls = barcode.get_barcode_class(kind)
        extra = {"add_checksum": False} if kind == "code39" else {}

        def png(cls=cls, data=data, extra=extra):
            out = io.BytesIO()
            cls(data, writer=ImageWriter(), **extra).write(out, options={"write_text": False, "dpi": DPI})
            return out.getvalue()

        def svg(cls=cls, data=data, extra=extra):
            out = io.BytesIO()
            cls(data, writer=SVGWriter(), **extra).write(out, options={"write_text": False})
            return out.getvalue()

        yield name, "python-barcode", png, svg


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=200)
    args = parser.parse_args()
    rows = []
    for source in (tavlo_cases, zxing_cases, segno_cases, qrcode_cases, python_barcode_cases):
        for name, library, png, svg in source():
            try:
                rows.append((name, library, median_us(png, args.repeat), median_us(svg, args.repeat)))
            except Exception as error:  # a library that cannot make this symbol is reported, not fatal
                rows.append((name, f"{library} (failed: {type(error).__name__})", float("nan"), float("nan")))
    order = list(PAYLOADS)
    rows.sort(key=lambda row: (order.index(row[0]), row[2]))
    print(f"{'symbology':<12} {'library':<26} {'PNG µs':>10} {'SVG µs':>10}")
    for name, library, png_us, svg_us in rows:
        print(f"{name:<12} {library:<26} {png_us:>10.1f} {svg_us:>10.1f}")


if __name__ == "__main__":
    main()
