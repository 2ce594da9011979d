"""The kinds added beyond the first ten, as a user makes them: tavlo's label PNG (with its human-readable text
where the kind prints one) against zint's PNG of the same symbol at the same module size, through PyPI's
zint-bindings, with zint's text on where it prints one and the standard quiet zones on, as tavlo draws them.

Both make the same symbol at the module sizes bench/compare.py uses, in memory: 3 pixels per module for
linear and stacked symbols, 7 for matrix symbols (tavlo at 300 dpi with x_dim="3dots" or "7dots"). The
stacked and matrix symbols have no text, so both images have the same width and height in pixels (checked:
zint is given MicroPDF417's column count, as the two choose different sizes for the data). The linear
symbols' pixels are not the same (each lays out its text and heights its own way), so for them the figure
is the cost of a finished label of the same symbol at the same module size. Rounds are interleaved (each
round times a batch of both in turn) and times are the calling thread's CPU time; printed are the medians
over the rounds, their ratio, and whether a second core was free (a fixed hashing job on one thread and on
two). With --no-quiet-zones both leave the quiet zones out (tavlo with quiet_zone=0, zint at its default,
which draws none for these symbols), for images of the same size again, smaller.

    python bench/bench_kinds.py [--rounds N] [--batch N] [--no-quiet-zones]
"""

from __future__ import annotations

import argparse
import hashlib
import statistics
import threading
import time
import warnings

import zint

import tavlo

GTIN = "09501101530003"
# (name, tavlo symbol, zint symbology, zint's data, pixels per module[, zint's options])
CASES = [
    ("EAN-13 + add-on", lambda: tavlo.Ean13("978030640615", addon="51299"), zint.Symbology.EANX, "9780306406157+51299", 3),
    ("UPC-E", lambda: tavlo.UpcE("0123456"), zint.Symbology.UPCE, "0123456", 3),
    ("ISBN", lambda: tavlo.Isbn("978-0-306-40615-7"), zint.Symbology.ISBNX, "9780306406157", 3),
    ("Code 93", lambda: tavlo.Code93("TAVLO-93 LABEL"), zint.Symbology.CODE93, "TAVLO-93 LABEL", 3),
    ("Codabar", lambda: tavlo.Codabar("A40156B"), zint.Symbology.CODABAR, "A40156B", 3),
    ("DataBar", lambda: tavlo.DataBar(GTIN), zint.Symbology.DBAR_OMN, GTIN[:-1], 3),
    ("DataBar Limited", lambda: tavlo.DataBarLimited(GTIN), zint.Symbology.DBAR_LTD, GTIN[:-1], 3),
    ("DataBar Expanded", lambda: tavlo.DataBarExpanded(f"(01){GTIN}(3103)000123"), zint.Symbology.DBAR_EXP,
     f"[01]{GTIN}[3103]000123", 3),
    ("PDF417", lambda: tavlo.Pdf417("Boarding pass TAVLO/TEST 2026-12-07 seat 12A"), zint.Symbology.PDF417,
     "Boarding pass TAVLO/TEST 2026-12-07 seat 12A", 3),
    ("MicroPDF417", lambda: tavlo.MicroPdf417("Lot 42-0815"), zint.Symbology.MICROPDF417, "Lot 42-0815", 3,
     {"option_2": 4}),  # the 4 columns tavlo's least area gives (zint would take 2)
    ("Aztec", lambda: tavlo.Aztec("https://example.com/track?id=0123456789"), zint.Symbology.AZTEC,
     "https://example.com/track?id=0123456789", 7),
    ("Micro QR", lambda: tavlo.MicroQr("01234567"), zint.Symbology.MICROQR, "01234567", 7),
    ("rMQR", lambda: tavlo.RmQr("https://example.com"), zint.Symbology.RMQR, "https://example.com", 7),
    ("GS1 QR", lambda: tavlo.Gs1Qr(f"(01){GTIN}(17)250101"), zint.Symbology.QRCODE, f"[01]{GTIN}[17]250101", 7),
]


def zint_png(symbology, data: str, px: int, options: dict[str, int], quiet_zones: bool = True) -> bytes:
    symbol = zint.Symbol()
    symbol.symbology = symbology
    symbol.scale = px / 2  # zint's raster module is twice its scale
    for name, value in options.items():
        setattr(symbol, name, value)
    if symbology == zint.Symbology.QRCODE:
        symbol.input_mode = zint.InputMode.GS1
    if symbology == zint.Symbology.DBAR_EXP:
        symbol.input_mode = zint.InputMode.GS1
    symbol.output_options |= zint.OutputOptions.BARCODE_MEMORY_FILE
    if quiet_zones:
        symbol.output_options |= zint.OutputOptions.BARCODE_QUIET_ZONES
    symbol.outfile = "out.png"
    symbol.encode(data)
    symbol.print()
    return bytes(symbol.memfile)


# The symbols without human-readable text, whose two images are checked to be of one size.
SAME_PIXEL_SIZE = {"PDF417", "MicroPDF417", "Aztec", "Micro QR", "rMQR", "GS1 QR"}


def png_size(png: bytes) -> tuple[int, int]:
    """Width and height from the IHDR chunk, which every PNG starts with."""
    return int.from_bytes(png[16:20], "big"), int.from_bytes(png[20:24], "big")


def cpu_per_call(call, batch: int) -> float:
    start = time.thread_time()
    for _ in range(batch):
        call()
    return (time.thread_time() - start) / batch


def interleaved_medians(ours, theirs, rounds: int, batch: int) -> tuple[float, float]:
    """Microseconds a call of each, the medians over rounds that each time a batch of both in turn."""
    ours(), theirs()
    times: dict[str, list[float]] = {"ours": [], "theirs": []}
    for _ in range(rounds):
        times["ours"].append(cpu_per_call(ours, batch))
        times["theirs"].append(cpu_per_call(theirs, batch))
    return statistics.median(times["ours"]) * 1e6, statistics.median(times["theirs"]) * 1e6


def second_core_free() -> str:
    def work():
        block = bytes(1 << 20)
        for _ in range(40):
            hashlib.sha256(block).digest()

    start = time.perf_counter()
    work(), work()
    one = time.perf_counter() - start
    threads = [threading.Thread(target=work) for _ in range(2)]
    start = time.perf_counter()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    two = time.perf_counter() - start
    return f"two threads of hashing ran {one / two:.2f}x one ({'a second core was free' if one / two > 1.6 else 'no second core was free'})"


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--batch", type=int, default=50)
    parser.add_argument("--no-quiet-zones", action="store_true",
                        help="the stacked and matrix symbols only, both without quiet zones")
    options = parser.parse_args()
    quiet = {} if not options.no_quiet_zones else {"quiet_zone": 0}
    # 3 dots at 300 dpi is below the retail X-dimension: the same module size as zint's here, not a print job.
    warnings.simplefilter("ignore", tavlo.PrintWarning)
    print(second_core_free())
    print(f"{'symbol':<18} {'tavlo µs':>9} {'zint µs':>9} {'zint / tavlo':>13}")
    for name, make, symbology, data, px, *zint_options in CASES:
        if options.no_quiet_zones and name not in SAME_PIXEL_SIZE:
            continue
        ours = lambda: make().png(dpi=300, x_dim=f"{px}dots", **quiet)
        theirs = lambda: zint_png(symbology, data, px, *zint_options or [{}], quiet_zones=not options.no_quiet_zones)
        if name in SAME_PIXEL_SIZE and png_size(ours()) != png_size(theirs()):
            raise SystemExit(f"{name}: tavlo's image is {png_size(ours())} px, zint's {png_size(theirs())}")
        a, b = interleaved_medians(ours, theirs, options.rounds, options.batch)
        print(f"{name:<18} {a:>9.1f} {b:>9.1f} {b / a:>12.1f}x")


if __name__ == "__main__":
    main()
