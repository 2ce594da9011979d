"""Hashes of every kind's labels over seeded payloads and render options: one line per case, for checking that
a change meant to be invisible (a speed-up) leaves every output byte as it was.

    python scripts/label_hashes.py > before.txt     # on the old build
    python scripts/label_hashes.py > after.txt      # on the new one
    diff before.txt after.txt

Each case is a symbol made from a seeded payload and options, rendered as PNG (two option sets), SVG, PDF, EPS
and ZPL, plus its layout; a refusal is hashed as its exception's type and message, so refused inputs are
checked too.
"""

from __future__ import annotations

import argparse
import hashlib
import random
import string
import warnings
from typing import Any, Callable

import tavlo

GS1_ELEMENTS = ["(01)09501101530003", "(17)250101", "(10)ABC123", "(21)XYZ-9", "(3103)000123", "(15)261231",
                "(400)PO-42", "(11)240229", "(00)095011015300000006"]


def digits(rng: random.Random, n: int) -> str:
    return "".join(rng.choice(string.digits) for _ in range(n))


def check_digit(body: str) -> str:
    total = sum(int(d) * (3 if i % 2 == 0 else 1) for i, d in enumerate(reversed(body)))
    return str(-total % 10)


def text(rng: random.Random, alphabet: str, low: int, high: int) -> str:
    return "".join(rng.choice(alphabet) for _ in range(rng.randint(low, high)))


def gs1_text(rng: random.Random) -> str:
    # (01) first: most other elements need a GTIN beside them.
    return GS1_ELEMENTS[0] + "".join(rng.sample(GS1_ELEMENTS[1:-1], rng.randint(0, 3)))


def maybe(rng: random.Random, value: Any, p: float = 0.3) -> Any:
    return value if rng.random() < p else None


def addon(rng: random.Random) -> str | None:
    return rng.choice([None, None, digits(rng, 2), digits(rng, 5)])


PRINTABLE = string.ascii_letters + string.digits + " -./:$+%"
BYTES_TEXT = string.printable + "ÆØÅé€"


def isbn(rng: random.Random) -> str:
    body = rng.choice(["978", "979"]) + digits(rng, 9)
    full = body + check_digit(body)
    return full if rng.random() < 0.5 else f"{full[:3]}-{full[3]}-{full[4:7]}-{full[7:12]}-{full[12]}"


# (name, maker of one symbol from a seeded generator)
MAKERS: list[tuple[str, Callable[[random.Random], Any]]] = [
    ("ean8", lambda r: tavlo.Ean8(digits(r, 7))),
    ("upca", lambda r: tavlo.UpcA(digits(r, 11), addon=addon(r), addon_gap=maybe(r, r.randint(9, 12)))),
    ("ean13", lambda r: tavlo.Ean13(digits(r, 12), addon=addon(r), light_margin=r.random() < 0.3)),
    ("upce", lambda r: tavlo.UpcE(r.choice("01") + digits(r, 6), addon=addon(r))),
    ("isbn", lambda r: tavlo.Isbn(isbn(r), addon=addon(r), light_margin=r.random() < 0.3)),
    ("issn", lambda r: tavlo.Issn(r.choice(["0317-8471", "2049-3630", "1234-5679"]), variant=digits(r, 2), addon=addon(r))),
    ("ismn", lambda r: tavlo.Ismn(r.choice(["979-0-2306-7118-7", "M-2306-7118-7", "9790230671187"]))),
    ("code39", lambda r: tavlo.Code39(text(r, string.ascii_uppercase + string.digits + " -.$/+%", 1, 20))),
    ("itf", lambda r: tavlo.Itf(digits(r, 2 * r.randint(1, 10)))),
    ("itf14", lambda r: tavlo.Itf14(digits(r, 13), bearer=r.choice(["frame", "bars"]))),
    ("code93", lambda r: tavlo.Code93(text(r, string.printable[:95], 1, 25))),
    ("codabar", lambda r: tavlo.Codabar(text(r, string.digits + "-$:/.+", 1, 16), start=maybe(r, r.choice("ABCD")),
                                        stop=maybe(r, r.choice("ABCD")), check_digit=r.random() < 0.3,
                                        ratio=r.choice(["3:1", "2:1"]))),
    ("code128", lambda r: tavlo.Code128(text(r, string.printable[:95], 1, 30))),
    ("code128-elements", lambda r: tavlo.Code128([tavlo.FNC1(), tavlo.Data(digits(r, 2 * r.randint(1, 8))),
                                                   tavlo.Data(text(r, PRINTABLE, 1, 6))])),
    ("gs1-128", lambda r: tavlo.Gs1_128(gs1_text(r))),
    ("qr", lambda r: tavlo.QrCode(text(r, BYTES_TEXT, 1, 120), error_correction=maybe(r, r.choice("LMQH")),
                                  mask=maybe(r, r.randint(0, 7)), boost_error=maybe(r, r.random() < 0.5))),
    ("microqr", lambda r: tavlo.MicroQr(r.choice([digits(r, r.randint(1, 30)), text(r, PRINTABLE.upper(), 1, 15),
                                                  text(r, BYTES_TEXT, 1, 10)]),
                                        error_correction=maybe(r, r.choice("LM")), mask=maybe(r, r.randint(0, 3)))),
    ("rmqr", lambda r: tavlo.RmQr(text(r, BYTES_TEXT, 1, 60), error_correction=maybe(r, r.choice("MH")),
                                  height=maybe(r, r.choice([7, 9, 11, 13, 15, 17])))),
    ("gs1-qr", lambda r: tavlo.Gs1Qr(gs1_text(r))),
    ("datamatrix", lambda r: tavlo.DataMatrix(text(r, BYTES_TEXT, 1, 80), shape=maybe(r, r.choice(["square", "rectangle", "any"])))),
    ("gs1-datamatrix", lambda r: tavlo.Gs1DataMatrix(gs1_text(r))),
    ("databar", lambda r: tavlo.DataBar(digits(r, 13), stacked=r.choice([False, False, True, "omnidirectional"]))),
    ("databar-truncated", lambda r: tavlo.DataBar(digits(r, 13), truncated=True)),
    ("databar-limited", lambda r: tavlo.DataBarLimited(r.choice("01") + digits(r, 12))),
    ("databar-expanded", lambda r: tavlo.DataBarExpanded(gs1_text(r), segments_per_row=maybe(r, r.choice([2, 4, 6])))),
    ("pdf417", lambda r: tavlo.Pdf417(r.choice([text(r, BYTES_TEXT, 1, 200), digits(r, r.randint(1, 100)),
                                                bytes(r.randrange(256) for _ in range(r.randint(1, 80)))]),
                                      error_correction=maybe(r, r.randint(0, 5)), columns=maybe(r, r.randint(1, 12)),
                                      compact=maybe(r, True))),
    ("micropdf417", lambda r: tavlo.MicroPdf417(r.choice([text(r, BYTES_TEXT, 1, 60), digits(r, r.randint(1, 80))]),
                                                columns=maybe(r, r.randint(1, 4)))),
    ("aztec", lambda r: tavlo.Aztec(r.choice([text(r, BYTES_TEXT, 1, 150), digits(r, r.randint(1, 100))]),
                                    error_correction=maybe(r, r.randint(5, 60)))),
    ("aztec-rune", lambda r: tavlo.AztecRune(r.randint(0, 255))),
]

COLOURS = ["#000000", "#123456", (10, 20, 30), "black", "#0000ff80"]
BACKGROUNDS = ["#ffffff", None, "#fafad2", (255, 255, 255, 0)]


def render_options(rng: random.Random) -> dict[str, Any]:
    options: dict[str, Any] = {"dpi": rng.choice([203, 300, 600, 72])}
    options["x_dim"] = rng.choice([None, "1dots", "3dots", "7dots", "0.33mm", "13mil", 0.25])
    if options["x_dim"] is None:
        options["width"] = rng.choice(["40mm", "1in", 60])
    if rng.random() < 0.3:
        options["quiet_zone"] = rng.randint(0, 12)
    if rng.random() < 0.2:
        options["bar_width_reduction"] = rng.choice(["1dots", "0.02mm"])
    if rng.random() < 0.3:
        options["foreground"] = rng.choice(COLOURS)
    if rng.random() < 0.3:
        options["background"] = rng.choice(BACKGROUNDS)
    if rng.random() < 0.3:
        options["text"] = rng.random() < 0.5
    if rng.random() < 0.2:
        options["height"] = rng.choice(["15mm", "1in", 30])
    return options


def outcome(call: Callable[[], Any]) -> str:
    try:
        value = call()
    except Exception as error:  # a refusal is part of the behaviour being hashed
        return f"{type(error).__name__}: {error}"
    if isinstance(value, str):
        value = value.encode()
    if isinstance(value, bytes):
        return hashlib.sha256(value).hexdigest()[:24]
    return repr(value)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cases", type=int, default=60, help="cases per kind")
    parser.add_argument("--seed", type=int, default=2026)
    args = parser.parse_args()
    warnings.simplefilter("ignore")
    for name, make in MAKERS:
        rng = random.Random(f"{args.seed}-{name}")
        for case in range(args.cases):
            try:
                symbol = make(rng)
            except Exception as error:
                print(f"{name} {case} make {type(error).__name__}: {error}")
                continue
            plain = {"dpi": 300, "x_dim": rng.choice(["3dots", "7dots", "2dots"])}
            options = render_options(rng)
            fields = [
                outcome(lambda: symbol.png(**plain)),
                outcome(lambda: symbol.png(**options)),
                outcome(lambda: symbol.layout(**options)),
                outcome(lambda: symbol.svg(**options)),
                outcome(lambda: symbol.pdf(**options)),
                outcome(lambda: symbol.eps(**options)),
                outcome(lambda: symbol.zpl(**options)),
                outcome(lambda: symbol.zpl(compression="hex", **plain)),
            ]
            print(f"{name} {case} {symbol!r} {options}")
            print("   " + " ".join(fields))


if __name__ == "__main__":
    main()
