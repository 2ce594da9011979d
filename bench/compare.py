"""tavlo side by side with the other barcode writers a Python user could install, making the same PNG.

Every library builds the same symbol (same data, QR Code at level M, square Data Matrix, standard quiet
zones) and returns a PNG file (bytes) of the same pixels: whole pixels per module, at sizes every library can
make (3 px per module and 150 px high for linear symbols; 7 and 97 px per module for QR Code; 8 for Data
Matrix). A library that cannot make those pixels itself has its image resized (nearest neighbour, Pillow) to
them, and that is timed too. Every output is read back by zxing-cpp and compared with tavlo's pixels.

Rounds are interleaved: each round times a batch of calls of every library in turn, so that a change in the
machine's load falls on all alike. Times are the calling thread's CPU time (every library here works on the
calling thread), so that other work on a shared machine does not count. Printed: the median time of one call
in µs over the rounds, and the ratio of each library's time to tavlo's. Libraries that are not installed are skipped; `bash bench/run.sh` installs them.

    python bench/compare.py [--rounds N] [--budget SECONDS]
"""

from __future__ import annotations

import argparse
import io
import statistics
import time
from collections.abc import Callable
from dataclasses import dataclass, field

import numpy as np
from PIL import Image

import _tavlo as t

LABEL_HEIGHT_PX = 150  # 0.5 in at 300 dpi


@dataclass
class Case:
    name: str
    data: str
    make: Callable[[], object]
    quiet: int  # modules
    module_px: int
    expected_text: str = ""
    width: int = 0
    height: int = 0
    makers: dict[str, Callable[[], bytes]] = field(default_factory=dict)

    def __post_init__(self):
        geometry = self.make().geometry()
        if hasattr(geometry, "bars"):
            self.width = (geometry.total_modules + 2 * self.quiet) * self.module_px
            self.height = LABEL_HEIGHT_PX
        else:
            self.width = (geometry.width + 2 * self.quiet) * self.module_px
            self.height = (geometry.height + 2 * self.quiet) * self.module_px
        self.expected_text = self.expected_text or self.data


URL = "https://example.com/track?id=0123456789&lang=en"
CASES = [
    Case("EAN-8", "1234567", lambda: t.Ean8("1234567"), 7, 3, "12345670"),
    Case("UPC-A", "03600029145", lambda: t.UpcA("03600029145"), 9, 3, "036000291452"),
    Case("Code 39", "TAVLO-39", lambda: t.Code39("TAVLO-39"), 10, 3),
    Case("ITF", "12345678901234", lambda: t.Itf("12345678901234"), 10, 3),
    Case("Code 128", "Parcel 0123456789", lambda: t.Code128([t.Data("Parcel 0123456789")]), 10, 3),
    Case("QR Code", URL, lambda: t.QrCode(URL), 4, 7),
    Case("QR Code large", URL, lambda: t.QrCode(URL), 4, 97),
    Case("Data Matrix", "Lot 0123456789, expiry 2027-01-31",
         lambda: t.DataMatrix("Lot 0123456789, expiry 2027-01-31", shape="square"), 1, 8),
]
LINEAR = {"EAN-8", "UPC-A", "Code 39", "ITF", "Code 128"}


def png_of(image: Image.Image | np.ndarray, case: Case) -> bytes:
    """The PNG of an image, resized to the case's pixels when it has others."""
    if isinstance(image, np.ndarray):
        image = Image.fromarray(image)
    if image.size != (case.width, case.height):
        image = image.resize((case.width, case.height), Image.NEAREST)
    out = io.BytesIO()
    image.save(out, format="PNG")
    return out.getvalue()


def add_tavlo(case: Case) -> None:
    case.makers["tavlo"] = lambda: case.make().render_png(
        case.width, case.height, unit="px", quiet_zone_modules=case.quiet)


def add_zint(case: Case) -> None:
    try:
        import zint
    except ImportError:
        return
    symbology = {
        "EAN-8": zint.Symbology.EANX, "UPC-A": zint.Symbology.UPCA, "Code 39": zint.Symbology.CODE39,
        "ITF": zint.Symbology.C25INTER, "Code 128": zint.Symbology.CODE128,
        "QR Code": zint.Symbology.QRCODE, "QR Code large": zint.Symbology.QRCODE,
        "Data Matrix": zint.Symbology.DATAMATRIX,
    }[case.name]

    def make() -> bytes:
        symbol = zint.Symbol()
        symbol.symbology = symbology
        symbol.scale = case.module_px / 2  # zint's raster X-dimension is twice its scale
        symbol.show_text = False
        symbol.output_options = (symbol.output_options | zint.OutputOptions.BARCODE_QUIET_ZONES
                                 | zint.OutputOptions.BARCODE_MEMORY_FILE)
        if case.name in LINEAR:
            symbol.height = case.height / case.module_px
            symbol.guard_descent = 0
        if case.name.startswith("QR"):
            symbol.option_1 = 2  # level M
        if case.name == "Data Matrix":
            symbol.option_3 = zint.DataMatrixOptions.SQUARE
        symbol.outfile = "out.png"
        symbol.encode(case.data)
        symbol.print()
        png = bytes(symbol.memfile)
        with Image.open(io.BytesIO(png)) as image:
            if image.size == (case.width, case.height):
                return png
            return png_of(image.convert("L"), case)

    case.makers["zint"] = make


def add_zxing(case: Case) -> None:
    try:
        import zxingcpp
    except ImportError:
        return
    fmt = {"EAN-8": "EAN8", "UPC-A": "UPCA", "Code 39": "Code39", "ITF": "ITF", "Code 128": "Code128",
           "QR Code": "QRCode", "QR Code large": "QRCode", "Data Matrix": "DataMatrix"}[case.name]
    options = {"ec_level": "M"} if fmt == "QRCode" else {}
    data = case.expected_text[:-1] if case.name in ("EAN-8", "UPC-A") else case.data

    def make() -> bytes:
        barcode = zxingcpp.create_barcode(data, getattr(zxingcpp.BarcodeFormat, fmt), **options)
        image = np.asarray(zxingcpp.write_barcode_to_image(barcode, scale=case.module_px))
        return png_of(image, case)

    case.makers["zxing-cpp + Pillow"] = make


def add_segno_and_qrcode(case: Case) -> None:
    if not case.name.startswith("QR"):
        return
    try:
        import segno

        def segno_png() -> bytes:
            out = io.BytesIO()
            segno.make_qr(case.data, error="m", boost_error=False).save(
                out, kind="png", scale=case.module_px, border=case.quiet)
            return out.getvalue()

        case.makers["segno"] = segno_png
    except ImportError:
        pass
    try:
        import qrcode

        def qrcode_png() -> bytes:
            qr = qrcode.QRCode(error_correction=qrcode.constants.ERROR_CORRECT_M, box_size=case.module_px,
                               border=case.quiet)
            qr.add_data(case.data)
            out = io.BytesIO()
            qr.make_image().save(out)
            return out.getvalue()

        case.makers["qrcode"] = qrcode_png
    except ImportError:
        pass


def add_python_barcode(case: Case) -> None:
    names = {"EAN-8": "ean8", "UPC-A": "upca", "Code 39": "code39", "ITF": "itf", "Code 128": "code128"}
    if case.name not in names:
        return
    try:
        import barcode
        from barcode.writer import ImageWriter
    except ImportError:
        return
    cls = barcode.get_barcode_class(names[case.name])
    extra = {"add_checksum": False} if case.name == "Code 39" else {}
    module_mm = case.module_px / 300 * 25.4
    options = {"write_text": False, "dpi": 300, "module_width": module_mm, "quiet_zone": case.quiet * module_mm,
               "module_height": case.height / 300 * 25.4, "margin_top": 0, "margin_bottom": 0}

    def make() -> bytes:
        image = cls(case.data, writer=ImageWriter(), **extra).render(options)
        return png_of(image, case)

    case.makers["python-barcode"] = make


def add_pystrich(case: Case) -> None:
    try:
        from pystrich.code39 import Code39Encoder
        from pystrich.code128 import Code128Encoder
        from pystrich.datamatrix import DataMatrixEncoder
        from pystrich.qrcode import QRCodeEncoder
    except ImportError:
        return
    encoders = {
        "Code 39": lambda: Code39Encoder(case.data),
        "Code 128": lambda: Code128Encoder(case.data),
        "QR Code": lambda: QRCodeEncoder(case.data, ecl="M"),
        "QR Code large": lambda: QRCodeEncoder(case.data, ecl="M"),
        "Data Matrix": lambda: DataMatrixEncoder(case.data, quiet_zone=case.quiet),
    }
    if case.name not in encoders:
        return
    encoder = encoders[case.name]

    def make() -> bytes:
        png = encoder().get_imagedata(case.module_px)
        with Image.open(io.BytesIO(png)) as image:
            if image.size == (case.width, case.height):
                return png
            return png_of(image.convert("L"), case)

    case.makers["pystrich"] = make


def gray(png: bytes) -> np.ndarray:
    with Image.open(io.BytesIO(png)) as image:
        return np.asarray(image.convert("L"))


def check(case: Case, library: str, png: bytes, reference: np.ndarray) -> str:
    """How the output compares: 'same pixels' or the share of pixels that differ, and whether it reads."""
    import zxingcpp

    pixels = gray(png)
    read = zxingcpp.read_barcodes(pixels)
    # A UPC-A reads as the EAN-13 with a leading 0 that it is.
    texts = {r.text[1:] if case.name == "UPC-A" and len(r.text) == 13 else r.text for r in read}
    reads = "reads" if case.expected_text in texts else "DOES NOT READ"
    if pixels.shape != reference.shape:
        return f"{pixels.shape[1]}x{pixels.shape[0]} px, {reads}"
    differ = float(np.mean(pixels != reference))
    return ("same pixels" if differ == 0 else f"{differ:.1%} px differ") + f", {reads}"


def batch_seconds(call: Callable[[], object], budget: float) -> tuple[int, float]:
    """A batch size that takes about `budget` seconds."""
    n, elapsed = 1, 0.0
    while elapsed < budget / 4:
        start = time.thread_time()
        for _ in range(n):
            call()
        elapsed = time.thread_time() - start
        n *= 2
    return max(1, int(n / 2 * budget / max(elapsed, 1e-9))), elapsed


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--budget", type=float, default=0.004, help="seconds per batch")
    parser.add_argument("--markdown", action="store_true", help="print the table as the README has it")
    args = parser.parse_args()

    entries = []  # (case, library, call, batch, notes)
    for case in CASES:
        for add in (add_tavlo, add_zint, add_zxing, add_segno_and_qrcode, add_python_barcode, add_pystrich):
            add(case)
        reference = gray(case.makers["tavlo"]())
        for library, call in case.makers.items():
            try:
                png = call()
                notes = check(case, library, png, reference)
            except Exception as error:  # a library that cannot make this symbol is reported, not fatal
                print(f"{case.name}: {library} failed: {type(error).__name__}: {error}")
                continue
            batch, _ = batch_seconds(call, args.budget)
            entries.append([case, library, call, batch, notes, []])

    for _ in range(args.rounds):
        for entry in entries:
            call, batch, samples = entry[2], entry[3], entry[5]
            start = time.thread_time()
            for _ in range(batch):
                call()
            samples.append((time.thread_time() - start) / batch)

    tavlo_us = {e[0].name: statistics.median(e[5]) * 1e6 for e in entries if e[1] == "tavlo"}
    if args.markdown:
        print("| symbol | pixels | library | µs | × tavlo | output |")
        print("|---|---:|---|---:|---:|---|")
    else:
        print(f"{'symbol':<14} {'pixels':>11} {'library':<20} {'µs':>10} {'× tavlo':>8}  output")
    for case, library, _, _, notes, samples in entries:
        us = statistics.median(samples) * 1e6
        ratio = us / tavlo_us[case.name]
        if args.markdown:
            print(f"| {case.name} | {case.width} × {case.height} | {library} | {us:.1f} | {ratio:.1f} | {notes} |")
        else:
            print(f"{case.name:<14} {case.width:>5}x{case.height:<5} {library:<20} {us:>10.1f} {ratio:>8.1f}  {notes}")

    print("\ntavlo at label size (1 in x 0.5 in at 300 dpi, standard quiet zone), median µs:")
    for case in CASES:
        if case.name in LINEAR:
            symbol = case.make()
            call = lambda symbol=symbol, q=case.quiet: symbol.render_png(1, 0.5, dpi=300, quiet_zone_modules=q)
            batch, _ = batch_seconds(call, args.budget)
            samples = []
            for _ in range(args.rounds):
                start = time.thread_time()
                for _ in range(batch):
                    call()
                samples.append((time.thread_time() - start) / batch)
            print(f"  {case.name:<10} render {statistics.median(samples) * 1e6:6.2f}")


if __name__ == "__main__":
    main()
