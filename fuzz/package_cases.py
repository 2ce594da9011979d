"""Case generators for the classes of the tavlo package: print-exact labels rendered as PNG, SVG and PDF.

Every render of a case uses one set of options, and layout() with those options is the promise the renders
are held to: the PNG has its size in dots, and whatever layout() refuses, every render refuses alike."""

from __future__ import annotations

import math
import re
import warnings
import zlib

import tavlo
from checks import CheckFailed, check_png, check_svg, expect
from choices import Choices
from hostile import ASCII, CODE39, DIGITS, extreme_number, text, text_or_not
from steps import Case, Step, shown
from tavlo_cases import ALLOWED_ERRORS, gs1_text, gtin

# Sizes outside what the GS1 General Specifications allow are what a fuzzer asks for; their warning is noise.
warnings.simplefilter("ignore", tavlo.PrintWarning)

# PNG renders stay within this many dots so that a case stays fast; layout() alone is asked of bigger labels.
DOTS_CAP = 1_500_000

LENGTHS = ["0.33mm", "13mil", "0.013in", "4dots", "4dot", "1dot", "0.2mm", 0.25, 0.5, 1]
SIDES = ["50mm", 40, "2in", "600dots", "1.5in", 25.4, "10mm", 15, "0.5in", "100dots"]
HOSTILE_LENGTHS = [0, -1, "0mm", "1e9mm", "nan", "inf", "", "mm", " 3mm", "3 mm", "0.33MM", "1e-9mm", "-1mm",
                   "0x10mm", "4dots\0", "\ud800", math.nan, math.inf, 1e300, 10**400, True, b"1mm", [1], None]
COLOURS = ["#000000", "#ffffff", "#fff", "#ff000080", "black", "white", "transparent", (0, 0, 0),
           (255, 0, 0, 128), (12, 34, 56)]
HOSTILE_COLOURS = [(256, 0, 0), (-1, 0, 0), (0, 0), (0, 0, 0, 0, 0), "#12345", "red", "", "#gggggg", 5,
                   "#ff00008", ("0", 0, 0), (1.5, 0, 0), "\ud800", None]


def colour_value(spec) -> tuple[int, int, int, int] | None:
    """The RGBA a plain colour spec stands for, transparent ones all alike; None for anything else."""
    names = {"black": (0, 0, 0, 255), "white": (255, 255, 255, 255), "transparent": (0, 0, 0, 0)}
    if isinstance(spec, tuple) and len(spec) in (3, 4) and all(type(c) is int and 0 <= c <= 255 for c in spec):
        rgba = spec + (255,) * (4 - len(spec))
    elif isinstance(spec, str) and spec in names:
        rgba = names[spec]
    elif isinstance(spec, str) and re.fullmatch(r"#([0-9a-fA-F]{3}|[0-9a-fA-F]{6}|[0-9a-fA-F]{8})", spec):
        digits = spec[1:] if len(spec) != 4 else "".join(c * 2 for c in spec[1:])
        rgba = tuple(int(digits[i : i + 2], 16) for i in range(0, len(digits), 2)) + ((255,) if len(digits) == 6 else ())
    else:
        return None
    return rgba if rgba[3] else (0, 0, 0, 0)


def label_colours(options: dict) -> set | None:
    """The two colours a PNG of these options may hold, None when the fuzzer does not know them."""
    foreground = colour_value(options.get("foreground", "black"))
    background = options.get("background", "white")
    background = (0, 0, 0, 0) if background is None else colour_value(background)
    return None if foreground is None or background is None else {foreground, background}


def options(choices: Choices) -> dict:
    chosen = {}
    hostile = choices.chance(0.25)

    def maybe(name, common, rare, p=0.5):
        if choices.chance(p):
            chosen[name] = choices.pick(rare) if hostile and choices.chance(0.3) else choices.pick(common)

    maybe("dpi", [72, 96, 203, 300, 600, choices.between(1, 1200)], [0, -1, 1, 2400, 10**5, 2**31, 2**32, 1.5, "300",
                                                                     True, None], 0.7)
    maybe("x_dim", LENGTHS, HOSTILE_LENGTHS, 0.4)
    maybe("width", SIDES, HOSTILE_LENGTHS, 0.2)
    maybe("height", SIDES, HOSTILE_LENGTHS, 0.3)
    maybe("quiet_zone", [None, 0, 1, 2, 10], [-1, 2**32, 10**6, 1.5, "1", extreme_number(choices)], 0.3)
    maybe("bar_width_reduction", [0, "1dot", "0.02mm", 0.01], ["100dots", -1, "1e9mm", 1e300, math.nan], 0.2)
    maybe("foreground", COLOURS, HOSTILE_COLOURS, 0.2)
    maybe("background", COLOURS + [None], HOSTILE_COLOURS, 0.2)
    maybe("text", [None, True, False], [1, "yes", 0.0], 0.3)
    return chosen


def promise(symbol, chosen: dict):
    """layout() for the options: the Layout, or the error type it raised."""
    try:
        return symbol.layout(**chosen)
    except ALLOWED_ERRORS as error:
        return type(error)


def check_layout(layout, chosen: dict) -> None:
    fields = (layout.dpi, layout.x_dim_dots, layout.width_dots, layout.height_dots)
    expect(all(type(f) is int and f >= 1 for f in fields), f"layout fields {layout}")
    expect(math.isclose(layout.width_mm, layout.width_dots / layout.dpi * 25.4), f"width_mm of {layout}")
    if type(chosen.get("dpi")) is int:
        expect(layout.dpi == chosen["dpi"], f"dpi {layout.dpi}, asked {chosen['dpi']}")


def check_pdf(document: bytes) -> None:
    expect(isinstance(document, bytes) and document.startswith(b"%PDF-"), "no PDF header")
    expect(document.rstrip().endswith(b"%%EOF"), "no %%EOF at the end")
    found = re.search(rb"startxref\s+(\d+)\s+%%EOF\s*$", document)
    expect(found is not None, "no startxref")
    at = int(found.group(1))
    expect(document[at : at + 4] == b"xref", f"startxref {at} does not point at the cross-reference table")
    # Every stream is as long as its /Length says, and inflates: the content stream's deflate is our own.
    for dictionary, data in re.findall(rb"<<([^\n]*)>>\nstream\n(.*?)\nendstream", document, re.S):
        length = re.search(rb"/Length (\d+)", dictionary)
        expect(length is not None and int(length.group(1)) == len(data), "a stream's /Length is not its size")
        try:
            zlib.decompress(data)
        except zlib.error as error:
            raise CheckFailed(f"a PDF stream does not inflate: {error}") from None


def held_to_promise(symbol, chosen: dict, render):
    """Renders when layout() accepts the options (and the label is small enough for a PNG when `render` is
    png); raises what layout() raised otherwise, or CheckFailed when the render does not raise it too."""
    layout = promise(symbol, chosen)
    if isinstance(layout, type):
        try:
            render(**chosen)
        except layout:
            raise
        except Exception as error:
            raise CheckFailed(f"layout() raised {layout.__name__} but the render {type(error).__name__}") from error
        raise CheckFailed(f"layout() raised {layout.__name__} but the render returned")
    if render.__name__ in ("png", "zpl") and layout.width_dots * layout.height_dots > DOTS_CAP:
        return None
    return render(**chosen)


def check_eps(document: str) -> None:
    expect(isinstance(document, str) and document.startswith("%!PS-Adobe-3.0 EPSF-3.0\n"), "no EPS header")
    expect("%%BoundingBox: " in document and document.rstrip().endswith("%%EOF"), "no bounding box or %%EOF")


def check_zpl(document: str) -> None:
    expect(isinstance(document, str) and document.startswith("^XA\n"), "no ^XA at the start")
    expect(document.endswith("^XZ\n") and document.count("^XA") == 1, "not one label format")


def render_use(choices: Choices, chosen: dict):
    name = choices.pick(["png", "png", "svg", "pdf", "eps", "zpl", "layout"])
    arguments = ", ".join(f"{k}={shown(v)}" for k, v in chosen.items())

    def step(symbol):
        if name == "layout":
            return Step(f".layout({arguments})", lambda: symbol.layout(**chosen),
                        check=lambda layout: check_layout(layout, chosen))
        def check_png_of_layout(png):
            if png is not None:  # None: too many dots to render here
                layout = symbol.layout(**chosen)
                check_png(png, (layout.width_dots, layout.height_dots), label_colours(chosen))

        checks = {"png": check_png_of_layout, "svg": check_svg, "pdf": check_pdf, "eps": check_eps, "zpl": check_zpl}
        return Step(f".{name}({arguments})", lambda: held_to_promise(symbol, chosen, getattr(symbol, name)),
                    check=checks[name])

    return step


def package_case(kind: str, make_call, arguments) -> callable:
    """A generator of cases of one class: `arguments(choices)` gives its positional and keyword arguments."""

    def generate(choices: Choices) -> Case:
        positional, keywords = arguments(choices)
        call = ", ".join([shown(a) for a in positional] + [f"{k}={shown(v)}" for k, v in keywords.items()])
        chosen = options(choices)
        uses = [render_use(choices, chosen) for _ in range(choices.between(1, 3))]
        return Case(f"tavlo.{kind}", Step(f"tavlo.{make_call.__name__}({call})", lambda: make_call(*positional, **keywords),
                                          form=repr), uses)

    return generate


def one(value_of):
    return lambda choices: ((value_of(choices),), {})


def mostly_valid(valid, alphabet):
    return lambda choices: valid(choices) if choices.chance(0.6) else text_or_not(choices, alphabet, 300)


def keywords(value_of, table: dict):
    """Positional data and, now and then, each keyword of `table` with one of its values (valid and not)."""

    def arguments(choices):
        chosen = {name: choices.pick(values) for name, values in table.items() if choices.chance(0.3)}
        return (value_of(choices),), chosen

    return arguments


ADDONS = {"addon": ["12", "51299", "", "123", "1a", 12, None], "addon_gap": [7, 9, 12, 6, 13, -1, "9", None]}
BOOLS = [True, False, None, 1, "yes"]
ECIS = [3, 26, 0, 899, 999999, 10**6, -1, "3", None]


def digits(low: int, high: int):
    return mostly_valid(lambda c: gtin(c, c.between(low, high)), DIGITS)


def shaped(value_of):
    def arguments(choices):
        if choices.chance(0.5):
            return (value_of(choices),), {}
        return (value_of(choices),), {"shape": choices.pick(["any", "square", "rectangular", "rect", "Square", 5])}

    return arguments


GENERATORS = {
    "tavlo.ean8": package_case("ean8", tavlo.Ean8, one(mostly_valid(lambda c: gtin(c, c.pick([7, 8])), DIGITS))),
    "tavlo.upca": package_case("upca", tavlo.UpcA, one(mostly_valid(lambda c: gtin(c, c.pick([11, 12])), DIGITS))),
    "tavlo.code39": package_case("code39", tavlo.Code39, one(mostly_valid(lambda c: text(c, CODE39, 40), ASCII))),
    "tavlo.itf": package_case("itf", tavlo.Itf, one(mostly_valid(lambda c: "12" * c.between(0, 20), DIGITS))),
    "tavlo.code128": package_case("code128", tavlo.Code128, one(lambda c: text_or_not(c, ASCII, 200))),
    "tavlo.gs1_128": package_case(
        "gs1_128", tavlo.Gs1_128, lambda c: ((gs1_text(c),), {"compute_check_digits": c.chance(0.3)})),
    "tavlo.itf14": package_case(
        "itf14", tavlo.Itf14,
        lambda c: ((mostly_valid(lambda c: gtin(c, c.pick([13, 14])), DIGITS)(c),),
                   {"bearer": c.pick(["frame", "bars", "none", None])} if c.chance(0.4) else {})),
    "tavlo.qr": package_case("qr", tavlo.QrCode, one(lambda c: text_or_not(c, ASCII + "é漢", 500))),
    "tavlo.datamatrix": package_case("datamatrix", tavlo.DataMatrix, shaped(lambda c: text_or_not(c, ASCII, 300))),
    "tavlo.gs1datamatrix": package_case("gs1datamatrix", tavlo.Gs1DataMatrix, shaped(gs1_text)),
    "tavlo.ean13": package_case("ean13", tavlo.Ean13, keywords(digits(12, 13), {**ADDONS, "light_margin": BOOLS})),
    "tavlo.upce": package_case("upce", tavlo.UpcE, keywords(digits(6, 8), ADDONS)),
    "tavlo.isbn": package_case(
        "isbn", tavlo.Isbn, keywords(mostly_valid(lambda c: "978" + gtin(c, 10), DIGITS + "-X "), ADDONS)),
    "tavlo.issn": package_case(
        "issn", tavlo.Issn, keywords(digits(7, 8), {"variant": ["00", "07", "7", "ab", 1], **ADDONS})),
    "tavlo.ismn": package_case("ismn", tavlo.Ismn, keywords(mostly_valid(lambda c: "9790" + gtin(c, 9), DIGITS), {})),
    "tavlo.code93": package_case("code93", tavlo.Code93, one(lambda c: text_or_not(c, ASCII, 200))),
    "tavlo.codabar": package_case(
        "codabar", tavlo.Codabar,
        keywords(mostly_valid(lambda c: text(c, DIGITS + "-$:/.+", 40), ASCII),
                 {"start": ["A", "B", "C", "D", "E", "", None], "stop": ["A", "D", "x", None],
                  "check_digit": BOOLS, "ratio": ["3:1", "2.5:1", "2:1", "4:1", 3, None]})),
    "tavlo.databar": package_case(
        "databar", tavlo.DataBar,
        keywords(digits(13, 14), {"stacked": [False, True, "omnidirectional", "x"], "truncated": BOOLS})),
    "tavlo.databar_limited": package_case(
        "databar_limited", tavlo.DataBarLimited, one(mostly_valid(lambda c: "0" + gtin(c, 12), DIGITS))),
    "tavlo.databar_expanded": package_case(
        "databar_expanded", tavlo.DataBarExpanded,
        keywords(gs1_text, {"segments_per_row": [2, 4, 6, 22, 1, 23, 0, "4", None]})),
    "tavlo.pdf417": package_case(
        "pdf417", tavlo.Pdf417,
        keywords(lambda c: text_or_not(c, ASCII + "é", 900),
                 {"error_correction": [0, 2, 5, 8, 9, -1, None], "columns": [1, 3, 10, 30, 31, 0, None],
                  "rows": [3, 10, 90, 2, 91, None], "compact": BOOLS, "eci": ECIS,
                  "segment_index": [0, 3, 99998, 99999, -1, None], "file_id": ["", "000", "123456", "ab", None],
                  "last_segment": BOOLS})),
    "tavlo.micropdf417": package_case(
        "micropdf417", tavlo.MicroPdf417,
        keywords(lambda c: text_or_not(c, ASCII, 300), {"columns": [1, 2, 3, 4, 0, 5, None], "eci": ECIS})),
    "tavlo.aztec": package_case(
        "aztec", tavlo.Aztec,
        keywords(lambda c: text_or_not(c, ASCII + "é漢", 1500),
                 {"error_correction": [5, 23, 50, 95, 4, 96, None], "layers": [-4, -1, 1, 5, 32, 0, 33, -5, None],
                  "eci": ECIS, "structured_append": [(1, 2), (2, 3, "ID"), (0, 2), (1, 27), (1, 2, "a b"), None]})),
    "tavlo.aztec_rune": package_case("aztec_rune", tavlo.AztecRune, one(lambda c: c.pick([0, 1, 255, 256, -1, "7"]))),
    "tavlo.microqr": package_case(
        "microqr", tavlo.MicroQr,
        keywords(lambda c: text_or_not(c, DIGITS + "ABC é", 40),
                 {"error_correction": ["L", "M", "Q", "H", "x", None], "version": [1, 2, 3, 4, "M2", 5, 0, None],
                  "mask": [0, 3, 4, -1, None]})),
    "tavlo.rmqr": package_case(
        "rmqr", tavlo.RmQr,
        keywords(lambda c: text_or_not(c, ASCII + "é", 300),
                 {"error_correction": ["M", "H", "L", None], "height": [7, 9, 17, 8, 19, None],
                  "size": ["R7x43", "R17x139", "R8x10", "x", None]})),
    "tavlo.gs1qr": package_case("gs1qr", tavlo.Gs1Qr, one(gs1_text)),
}
