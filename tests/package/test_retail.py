"""The retail symbols: EAN-13, UPC-E, UPC-A with add-ons, and the book numbers. Their modules equal zint's for
a seeded corpus and for zint's reference rows (many of them GS1 figures), zxing-cpp reads every one back,
add-on included, and the labels put digits, guard bars, the add-on and the quiet zones where GS1 does."""

from __future__ import annotations

import io
import json
import random
from pathlib import Path

import numpy as np
import pytest
from PIL import Image

import tavlo
from support import corpus_size

zint = pytest.importorskip("zint", reason="zint-bindings (PyPI) is not installed: no cross-check against zint")
zxingcpp = pytest.importorskip("zxingcpp", reason="zxing-cpp (PyPI) is not installed: nothing reads the symbols back")

REFERENCE = Path(__file__).resolve().parents[3] / "shared" / "reference" / "zint-vectors" / "ean_upc.json"
CORPUS_SIZE = corpus_size(2000)


def modules(symbol) -> str:
    geometry = symbol.geometry()
    cells = ["0"] * geometry.total_modules
    for bar in geometry.bars:
        cells[bar.x : bar.x + bar.width] = "1" * bar.width
    return "".join(cells)


def zint_modules(symbology: str, data: str, gap: int | None = None) -> str:
    symbol = zint.Symbol()
    symbol.symbology = getattr(zint.Symbology, symbology)
    if gap is not None:
        symbol.option_2 = gap
    symbol.encode(data)
    # One row, its modules packed eight to a byte, the first module in the lowest bit.
    row = np.asarray(symbol.encoded_data)[0]
    bits = np.unpackbits(row, bitorder="little")[: symbol.width]
    return "".join("1" if bit else "0" for bit in bits)


def pixels(symbol, **options) -> np.ndarray:
    image = Image.open(io.BytesIO(symbol.png(**options))).convert("L")
    return np.where(np.asarray(image) < 128, 0, 255).astype(np.uint8)


def read(image: np.ndarray, **options) -> list[tuple[str, str]]:
    found = zxingcpp.read_barcodes(image, ean_add_on_symbol=zxingcpp.EanAddOnSymbol.Read, **options)
    return [(result.format.name, result.text) for result in found]


def digits(rng: random.Random, count: int) -> str:
    return "".join(rng.choice("0123456789") for _ in range(count))


def check_digit(body: str) -> str:
    total = sum(int(d) * (3 if i % 2 == 0 else 1) for i, d in enumerate(reversed(body)))
    return str(-total % 10)


# --- the seeded corpus: each entry is the symbol, zint's symbology and data, and what zxing-cpp reads ----------


def upc_e_expanded(seven: str) -> str:
    """The UPC-A body (11 digits) of a UPC-E's number system and six digits, by GS1's table."""
    ns, d = seven[0], seven[1:]
    tail = {"0": d[:2] + d[5] + "0000" + d[2:5], "1": d[:2] + d[5] + "0000" + d[2:5],
            "2": d[:2] + d[5] + "0000" + d[2:5], "3": d[:3] + "00000" + d[3:5], "4": d[:4] + "00000" + d[4]}
    return ns + tail.get(d[5], d[:5] + "0000" + d[5])


def canonical(six: str) -> bool:
    """Whether six UPC-E digits are the form GS1's suppression gives: no earlier form carries their number."""
    last = six[5]
    if last == "3":
        return six[2] not in "012"
    if last == "4":
        return six[3] != "0"
    return last in "012" or six[4] != "0"


def main_symbol(rng: random.Random, kind: str, addon: str | None, gap: int | None):
    if kind == "ean13":
        body = digits(rng, 12)
        read_as = ("EAN13", body + check_digit(body))
        return tavlo.Ean13(body, addon=addon, addon_gap=gap), ("EANX", body), read_as
    if kind == "upca":
        body = digits(rng, 11)
        return tavlo.UpcA(body, addon=addon, addon_gap=gap), ("UPCA", body), ("EAN13", "0" + body + check_digit(body))
    seven = rng.choice("01") + digits(rng, 6)
    while not canonical(seven[1:]):
        seven = rng.choice("01") + digits(rng, 6)
    expanded = upc_e_expanded(seven)
    return tavlo.UpcE(seven, addon=addon, addon_gap=gap), ("UPCE", seven), ("UPCE", "0" + expanded + check_digit(expanded))


def corpus(kind: str):
    """2,000 symbols of one kind: EAN-13 and UPC-E alone, or EAN-2 and EAN-5 add-ons on mains in turn."""
    rng = random.Random(f"tavlo retail {kind}")
    mains = ["ean13", "upca", "upce"]
    for i in range(CORPUS_SIZE):
        if kind in ("ean13", "upce"):
            yield main_symbol(rng, kind, None, None)
            continue
        addon = digits(rng, 2 if kind == "ean2" else 5)
        # zxing-cpp looks for an add-on at most 10 modules away; 11 and 12 are compared with zint below. UPC-A's
        # add-on stands at least 9 modules away.
        main = mains[i % 3]
        gap = rng.randint(9 if main == "upca" else 7, 10)
        symbol, (symbology, data), (fmt, text) = main_symbol(rng, main, addon, gap)
        yield symbol, (symbology, f"{data}+{addon}", gap), (fmt, text + addon)


CORPUS_KINDS = ["ean13", "upce", "ean2", "ean5"]


@pytest.mark.parametrize("kind", CORPUS_KINDS)
def test_corpus_modules_equal_zints(kind):
    for symbol, (symbology, data, *gap), _ in corpus(kind):
        assert modules(symbol) == zint_modules(symbology, data, *gap), symbol


@pytest.mark.parametrize("kind", CORPUS_KINDS)
def test_corpus_reads_back_add_on_included(kind):
    # Small PNGs: 2 dots a module, 20 rows, no text; one pure symbol a read.
    for symbol, _, (fmt, text) in corpus(kind):
        image = pixels(symbol, dpi=100, x_dim="2dots", height="20dots", text=False)
        found = read(image, is_pure=True, try_rotate=False, try_downscale=False, try_invert=False)
        assert (fmt, text) in found, (symbol, found)


@pytest.mark.parametrize("gap", [11, 12])
def test_widest_add_on_gaps_equal_zints(gap):
    assert modules(tavlo.Ean13("977138452401", addon="12", addon_gap=gap)) == zint_modules("EANX", "977138452401+12", gap)
    assert modules(tavlo.UpcE("0012345", addon="54321", addon_gap=gap)) == zint_modules("UPCE", "0012345+54321", gap)


# --- zint's reference rows (GS1 figures among them) ---------------------------------------------------------------

# zint's own gaps when the row names none.
ZINT_DEFAULT_GAP = {"EAN-13": 7, "ISBN": 7, "UPC-E": 7, "UPC-A": 9, "EAN-2": 7, "EAN-5": 7}


def reference_rows():
    if not REFERENCE.exists():
        return [pytest.param(None, marks=pytest.mark.skip(reason=f"{REFERENCE} is not there"))]
    rows = [row for row in json.loads(REFERENCE.read_text()) if row["variant"] != "EAN-8"]
    return [pytest.param(row, id=row["id"]) for row in rows]


def reference_symbol(row):
    main, _, addon = row["data"].partition("+")
    gap = row["option_2"] if row["option_2"] > 0 else ZINT_DEFAULT_GAP[row["variant"]]
    options = {"addon": addon, "addon_gap": gap} if addon else {}
    variant = row["variant"]
    if variant in ("EAN-2", "EAN-5"):
        # An add-on alone: the last modules of an EAN-13 carrying it.
        return tavlo.Ean13("501234567890", addon=main, addon_gap=gap), len(row["modules"][0])
    make = {"EAN-13": tavlo.Ean13, "UPC-A": tavlo.UpcA, "UPC-E": tavlo.UpcE, "ISBN": tavlo.Isbn}[variant]
    return make(main, **options), None


@pytest.mark.parametrize("row", reference_rows())
def test_reference_rows_equal_zints(row):
    symbol, tail = reference_symbol(row)
    expected = row["modules"][0]
    assert (modules(symbol)[-tail:] if tail else modules(symbol)) == expected


# --- the labels -------------------------------------------------------------------------------------------------


def dark_rows(image: np.ndarray, column: int) -> np.ndarray:
    return np.flatnonzero(image[:, column] == 0)


def bar_top_and_bottom(image: np.ndarray, column: int) -> tuple[int, int]:
    """The longest run of dark rows in a column: the bar there, apart from any text above or below it."""
    dark = np.concatenate(([0], (image[:, column] == 0).astype(np.int8), [0]))
    edges = np.flatnonzero(np.diff(dark))
    starts, ends = edges[0::2], edges[1::2]
    longest = int(np.argmax(ends - starts))
    return int(starts[longest]), int(ends[longest])


LABELS = [
    pytest.param(lambda: tavlo.Ean13("451234567890", addon="12", light_margin=True), 11, 95, 20, id="ean13+2"),
    pytest.param(lambda: tavlo.Isbn("978-0-87779-930-6", addon="54321"), 11, 95, 47, id="isbn+5"),
    pytest.param(lambda: tavlo.UpcA("01234567890", addon="24"), 9, 95, 20, id="upca+2"),
    pytest.param(lambda: tavlo.UpcE("0012345", addon="12345"), 9, 51, 47, id="upce+5"),
]


@pytest.mark.parametrize("dpi", [203, 300, 600])
@pytest.mark.parametrize("make, quiet_left, main_modules, addon_modules", LABELS)
def test_add_on_label_geometry(make, quiet_left, main_modules, addon_modules, dpi):
    symbol = make()
    layout = symbol.layout(dpi=dpi)
    image = pixels(symbol, dpi=dpi)
    x = layout.x_dim_dots
    gap = 9
    # Quiet zones: the standard's left, and 5 modules right of the add-on.
    assert layout.quiet_zone == quiet_left
    assert layout.width_dots == (quiet_left + main_modules + gap + addon_modules + 5) * x
    origin = quiet_left * x
    main_top, main_bottom = bar_top_and_bottom(image, origin + x // 2)  # the left guard's first bar
    data_column = next(c for c in range(origin + 24 * x, origin + 31 * x) if image[main_top + 1, c] == 0)
    data_top, data_bottom = bar_top_and_bottom(image[: main_bottom], data_column)
    # Guard bars reach 5 modules below the data bars.
    assert data_top == main_top and main_bottom - data_bottom == 5 * x
    # Nothing in the quiet zone beside the bars but the outside digits below the data bars.
    assert (image[main_top:data_bottom, :origin] == 255).all()
    # The gap holds no ink at the bars' height (UPC-A's and UPC-E's check digit stands in it, lower down).
    addon_start = origin + (main_modules + gap) * x
    assert (image[main_top:data_bottom, origin + main_modules * x : addon_start] == 255).all()
    # The add-on's bars start lower, its digits above them, and they reach down as far as the guards.
    addon_top, addon_bottom = bar_top_and_bottom(image, addon_start + x // 2)
    assert addon_top > main_top and addon_bottom == main_bottom
    above = image[main_top:addon_top, addon_start : addon_start + addon_modules * x]
    assert (above == 0).any() and (image[addon_top - x // 2, addon_start : addon_start + addon_modules * x] == 255).all()
    digit_count = 2 if addon_modules == 20 else 5
    for i in range(digit_count):
        cell = slice(addon_start + (4 + 9 * i) * x, addon_start + (11 + 9 * i) * x)
        assert (image[main_top:addon_top, cell] == 0).any(), f"add-on digit {i} missing"
    # The right quiet zone is clear at the add-on's bar height.
    assert (image[addon_top:addon_bottom, addon_start + addon_modules * x :] == 255).all()


@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_ean13_digits_stand_as_gs1_shows(dpi):
    symbol = tavlo.Ean13("4512345678906")
    layout = symbol.layout(dpi=dpi)
    image = pixels(symbol, dpi=dpi)
    x = layout.x_dim_dots
    origin = 11 * x
    top, bottom = bar_top_and_bottom(image, origin + x // 2)
    data_bottom = bottom - 5 * x
    band = image[data_bottom + 1 :]
    # The first digit in the left quiet zone, clear of the bars by a module.
    ink = np.flatnonzero((band[:, :origin] == 0).any(axis=0))
    assert ink.size and ink[-1] < origin - x // 2
    # Two groups of six, each digit within its own symbol character.
    for start in [3, 10, 17, 24, 31, 38, 50, 57, 64, 71, 78, 85]:
        cell = band[:, origin + start * x : origin + (start + 7) * x]
        assert (cell == 0).any(), start
    # The right quiet zone stays clear without a light margin indicator.
    assert (image[:, origin + 95 * x :] == 255).all()
    assert layout.width_dots == (11 + 95 + 7) * x


@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_upc_e_outer_digits_are_small_and_outside(dpi):
    symbol = tavlo.UpcE("00783491")
    layout = symbol.layout(dpi=dpi)
    image = pixels(symbol, dpi=dpi)
    x = layout.x_dim_dots
    origin = 9 * x
    assert layout.width_dots == (9 + 51 + 7) * x
    _, bottom = bar_top_and_bottom(image, origin + x // 2)
    band = image[bottom - 5 * x :]

    def height(columns) -> int:
        rows = np.flatnonzero((band[:, columns] == 0).any(axis=1))
        return int(rows[-1] - rows[0] + 1)

    left, right = slice(0, origin - x // 2), slice(origin + 51 * x + x // 2, None)
    middle = slice(origin + 10 * x, origin + 17 * x)
    assert height(left) < height(middle) and height(right) < height(middle)


@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_book_number_headline_stands_above_the_bars(dpi):
    symbol = tavlo.Isbn("0-306-40615-2")
    layout = symbol.layout(dpi=dpi)
    image = pixels(symbol, dpi=dpi)
    x = layout.x_dim_dots
    top, _ = bar_top_and_bottom(image, 11 * x + x // 2)
    assert top > 0 and (image[:top] == 0).any()
    assert (image[top - x // 2 if x > 1 else top - 1] == 255).all()  # a gap between headline and bars


LABELLED = [
    pytest.param(lambda: tavlo.Ean13("451234567890", addon="12", light_margin=True), "EAN13", "451234567890612", id="ean13"),
    pytest.param(lambda: tavlo.UpcE("0012345", addon="54321"), "UPCE", "000123400005754321", id="upce"),
    pytest.param(lambda: tavlo.UpcA("01234567890", addon="24"), "EAN13", "001234567890524", id="upca"),
    pytest.param(lambda: tavlo.Isbn("0-306-40615-2", addon="51299"), "EAN13", "978030640615751299", id="isbn"),
    pytest.param(lambda: tavlo.Issn("0317-8471", addon="03"), "EAN13", "977031784700103", id="issn"),
    pytest.param(lambda: tavlo.Ismn("M-2306-7118-7"), "EAN13", "9790230671187", id="ismn"),
]


@pytest.mark.parametrize("dpi", [203, 300, 600])
@pytest.mark.parametrize("make, fmt, text", LABELLED)
def test_labelled_symbols_read_back(make, fmt, text, dpi):
    assert (fmt, text) in read(pixels(make(), dpi=dpi))


# --- what the classes take and refuse -----------------------------------------------------------------------------


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: tavlo.Ean13("4512345678905"), "Invalid check digit for EAN-13: expected 6"),
        (lambda: tavlo.Ean13("45123"), "Invalid length for EAN-13: expected 12 or 13 digits, got 5"),
        (lambda: tavlo.UpcE("00783492"), "Invalid check digit for UPC-E: expected 1"),
        (lambda: tavlo.UpcE("1949007"),
         "UPC-E 1949007 is not the zero-suppressed form of its UPC-A 194900000076, which is 19490736"),
        (lambda: tavlo.UpcE("2012345"), "Invalid number system for UPC-E: expected 0 or 1, got 2"),
        (lambda: tavlo.UpcE.from_upca("21234000005"),
         "UPC-A 212340000057 cannot be written as UPC-E: its number system is 2, and UPC-E carries only 0 and 1"),
        (lambda: tavlo.UpcE.from_upca("01234567890"),
         "UPC-A 012345678905 cannot be written as UPC-E: UPC-E leaves out zeros it does not have (a manufacturer "
         "number ending in 000, 100 or 200 with an item number up to 999, ending in 00 with an item number up to "
         "99, ending in 0 with an item number up to 9, or an item number from 5 to 9)"),
        (lambda: tavlo.UpcE.from_upca("012345000059"), "Invalid check digit for UPC-A: expected 8"),
        (lambda: tavlo.Ean13("451234567890", addon="123"), "Invalid length for add-on: expected 2 or 5 digits, got 3"),
        (lambda: tavlo.UpcA("01234567890", addon="1a"), "Invalid character 'a' for add-on"),
        (lambda: tavlo.Ean13("451234567890", addon="12", addon_gap=13),
         "Encoding error: option 'addon_gap' must be a whole number from 7 to 12, not '13'"),
        (lambda: tavlo.UpcA("01234567890", addon="12", addon_gap=7),
         "Encoding error: option 'addon_gap' must be a whole number from 9 to 12, not '7'"),
        (lambda: tavlo.Isbn("0-306-40615-3"), "Invalid check digit for ISBN-10: expected 2"),
        (lambda: tavlo.Isbn("978-0-306-40615-8"), "Invalid check digit for ISBN: expected 7"),
        (lambda: tavlo.Isbn("123-0-306-40615-8"), "Invalid prefix for ISBN: expected 978 or 979, got 123"),
        (lambda: tavlo.Issn("0317-8472"), "Invalid check digit for ISSN: expected 1"),
        (lambda: tavlo.Issn("0317-8471", variant="5"), "variant must be two digits, not '5'"),
        (lambda: tavlo.Ismn("979-0-2306-7118-6"), "Invalid check digit for ISMN: expected 7"),
    ],
)
def test_refusals_name_the_reason(make, message):
    with pytest.raises(tavlo.TavloError) as error:
        make()
    assert str(error.value) == message


@pytest.mark.parametrize(
    "upc_a, upc_e",
    [("00783400009", "00783491"), ("01234500006", "01234565"), ("01230000045", "01234531"),
     ("01234000005", "01234540"), ("11200000123", "11212300")],
)
def test_upc_e_from_upc_a_is_the_same_number(upc_a, upc_e):
    assert modules(tavlo.UpcE.from_upca(upc_a)) == modules(tavlo.UpcE(upc_e[:7]))
    assert zint_modules("UPCE", upc_e[:7]) == modules(tavlo.UpcE.from_upca(upc_a))


def test_book_numbers_are_their_ean13():
    assert modules(tavlo.Isbn("0-306-40615-2")) == modules(tavlo.Ean13("9780306406157"))
    assert modules(tavlo.Isbn("9780306406157")) == modules(tavlo.Ean13("9780306406157"))
    assert modules(tavlo.Issn("0317-8471", variant="03")) == modules(tavlo.Ean13("977031784703"))
    assert modules(tavlo.Ismn("M-2306-7118-7")) == modules(tavlo.Ean13("9790230671187"))


@pytest.mark.parametrize(
    "symbol, text",
    [
        (tavlo.Ean13("451234567890", addon="12", light_margin=True),
         "tavlo.Ean13('451234567890', addon='12', light_margin=True)"),
        (tavlo.UpcA("01234567890"), "tavlo.UpcA('01234567890')"),
        (tavlo.UpcE.from_upca("00783400009", addon="12"), "tavlo.UpcE.from_upca('00783400009', addon='12')"),
        (tavlo.Issn("0317-8471", variant="03"), "tavlo.Issn('0317-8471', variant='03')"),
    ],
)
def test_repr_equality_and_pickling(symbol, text):
    import pickle

    assert repr(symbol) == text
    copy = pickle.loads(pickle.dumps(symbol))
    assert copy == symbol and repr(copy) == text and copy.png() == symbol.png()
