"""GS1 DataBar: every variant read back by zxing-cpp with its GS1 symbology identifier and element string, the
same modules as zint for the same data, zint's reference rows (many of them the standard's figures) module for
module, and the refusals."""

from __future__ import annotations

import json
import random
from pathlib import Path

import numpy as np
import pytest

import tavlo
from support import corpus_size

ZINT_VECTORS = Path(__file__).resolve().parents[3] / "shared" / "reference" / "zint-vectors" / "databar.json"

# Rows of each variant's modules, top to bottom, and how many modules high each is.
STACKED_HEIGHTS = [5, 1, 7]
STACKED_OMNI_HEIGHTS = [33, 1, 1, 1, 33]
EXPANDED_ROW = 34


def expanded_heights(rows: int) -> list[int]:
    return [EXPANDED_ROW] + [1, 1, 1, EXPANDED_ROW] * ((rows - 1) // 4)


def gs1_check_digit(digits: str) -> str:
    total = sum((3 if (len(digits) - i) % 2 else 1) * int(d) for i, d in enumerate(digits))
    return str((10 - total % 10) % 10)


def module_rows(symbol) -> list[str]:
    """Every module row of the symbol as drawn ('0'/'1'), a one-row symbol as one row."""
    geometry = symbol.geometry()
    if isinstance(geometry, tavlo.LinearGeometry):
        cells = bytearray(b"0" * geometry.total_modules)
        for bar in geometry.bars:
            cells[bar.x : bar.x + bar.width] = b"1" * bar.width
        return [cells.decode()]
    return ["".join("1" if dark else "0" for dark in row) for row in geometry.modules]


def repeated(rows: list[str], heights: list[int]) -> list[str]:
    assert len(rows) == len(heights)
    return [row for row, height in zip(rows, heights) for _ in range(height)]


def image(rows: list[str], scale: int = 2) -> np.ndarray:
    """Grey pixels, 0 dark: a one-row symbol 12 rows high, a stacked one as drawn; 10 modules of quiet zone."""
    cells = np.array([[0 if c == "1" else 255 for c in row] for row in rows], dtype=np.uint8)
    if len(rows) == 1:
        cells = np.repeat(cells, 12, axis=0)
    cells = np.pad(cells, 10, constant_values=255)
    return np.kron(cells, np.ones((scale, scale), dtype=np.uint8))


def read(rows: list[str]):
    import zxingcpp

    # The DataBar readers alone: a corpus this size is read several times faster than with every format.
    results = zxingcpp.read_barcodes(image(rows, scale=1), formats=zxingcpp.BarcodeFormat.DataBar)
    assert len(results) == 1, f"zxing-cpp found {len(results)} symbols"
    return results[0]


# ---- seeded corpora ------------------------------------------------------------------------------------

CORPUS_SIZE = corpus_size(1000)


def gtins(seed: int, indicators: str = "0123456789") -> list[str]:
    """13 digits, 14 with the check digit, or "(01)" and 14, in turn."""
    rng = random.Random(seed)
    out = []
    for i in range(CORPUS_SIZE):
        digits = rng.choice(indicators) + "".join(rng.choice("0123456789") for _ in range(12))
        full = digits + gs1_check_digit(digits)
        out.append((digits, full, "(01)" + full)[i % 3])
    return out


CSET82 = "!\"%&'*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz"


def random_text(rng: random.Random, length: int) -> str:
    # Runs of one kind of character, so that every mode of the general-purpose field and its latches come up.
    pools = ("0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ-./*,", CSET82)
    text = ""
    while len(text) < length:
        pool = rng.choice(pools)
        text += "".join(rng.choice(pool) for _ in range(rng.randint(1, 8)))
    return text[:length]


def gtin14(rng: random.Random, indicator: str | None = None) -> str:
    digits = (indicator or rng.choice("0123456789")) + "".join(rng.choice("0123456789") for _ in range(12))
    return digits + gs1_check_digit(digits)


def date(rng: random.Random) -> str:
    return f"{rng.randint(0, 99):02}{rng.randint(1, 12):02}{rng.randint(0, 28):02}"


def element_string(rng: random.Random) -> str:
    """Element strings that reach each encodation method, then general-purpose data of every mode."""
    shape = rng.randrange(8)
    if shape == 0:  # (01) and a weight in kg or lb, the compressed weight methods
        ai = rng.choice(["3103", "3202", "3203", "3100", "3205", "3201"])
        return f"(01){gtin14(rng, '9')}({ai}){rng.randint(0, 99999):06}"
    if shape == 1:  # (01), a weight and a date
        ai = rng.choice(["310", "320"]) + str(rng.randint(0, 5))
        return f"(01){gtin14(rng, '9')}({ai}){rng.randint(0, 99999):06}({rng.choice(['11', '13', '15', '17'])}){date(rng)}"
    if shape == 2:  # (01) and a price
        return f"(01){gtin14(rng, '9')}(392{rng.randint(0, 3)}){rng.randint(0, 10**rng.randint(1, 9))}"
    if shape == 3:  # (01) and a price with its currency
        return f"(01){gtin14(rng, '9')}(393{rng.randint(0, 3)}){rng.randint(100, 999)}{rng.randint(0, 10**rng.randint(1, 8))}"
    parts = []
    if shape != 7:
        parts.append(f"(01){gtin14(rng)}")
    if rng.random() < 0.4:
        parts.append(f"({rng.choice(['11', '17'])}){date(rng)}")
    for ai in rng.sample(["10", "21", "90", "91", "240"], rng.randint(1, 2)):
        parts.append(f"({ai}){random_text(rng, rng.randint(1, 14))}")
    return "".join(parts)


def element_strings(seed: int) -> list[str]:
    rng = random.Random(seed)
    out = []
    while len(out) < CORPUS_SIZE:
        text = element_string(rng)
        if len(text.replace("(", "").replace(")", "")) <= 50:  # fits 21 data characters in almost every case
            out.append(text)
    return out


def expanded(text: str, segments_per_row: int | None):
    try:
        return tavlo.DataBarExpanded(text, segments_per_row=segments_per_row)
    except tavlo.TavloError as error:
        assert "too long" in str(error), text
        return None


# ---- zint ------------------------------------------------------------------------------------------------

def zint_rows(symbology: str, data: str, option_2: int = 0) -> list[str]:
    zint = pytest.importorskip("zint", reason="zint-bindings is not installed: the cross-check with zint is skipped")
    symbol = zint.Symbol()
    symbol.symbology = getattr(zint.Symbology, symbology)
    if symbology.startswith("DBAR_EXP"):
        symbol.input_mode = zint.InputMode.GS1
        data = data.replace("(", "[").replace(")", "]")
    if option_2:
        symbol.option_2 = option_2
    symbol.encode(data)
    packed = np.array(symbol.encoded_data)
    return [
        "".join(str((packed[r][c >> 3] >> (c & 7)) & 1) for c in range(symbol.width)) for r in range(symbol.rows)
    ]


def zint_matrix(rows: list[str], heights: list[int]) -> list[str]:
    width = max(len(row) for row in rows)
    return repeated([row.ljust(width, "0") for row in rows], heights)


# ---- the corpora ---------------------------------------------------------------------------------------

GTIN_VARIANTS = [
    # name, how the package makes it, zint's symbology, the heights of zint's rows
    ("omnidirectional", lambda d: tavlo.DataBar(d), "DBAR_OMN", None),
    ("truncated", lambda d: tavlo.DataBar(d, truncated=True), "DBAR_OMN", None),
    ("stacked", lambda d: tavlo.DataBar(d, stacked=True), "DBAR_STK", STACKED_HEIGHTS),
    ("stacked omnidirectional", lambda d: tavlo.DataBar(d, stacked="omnidirectional"), "DBAR_OMNSTK", STACKED_OMNI_HEIGHTS),
    ("limited", lambda d: tavlo.DataBarLimited(d), "DBAR_LTD", None),
]


@pytest.mark.parametrize("name, make, symbology, heights", GTIN_VARIANTS, ids=[v[0] for v in GTIN_VARIANTS])
def test_gtin_corpus_reads_back_and_equals_zint(name, make, symbology, heights):
    corpus = gtins(len(name), "01" if name == "limited" else "0123456789")
    for data in corpus:
        symbol = make(data)
        rows = module_rows(symbol)
        full = data.removeprefix("(01)")
        expected = "(01)" + (full if len(full) == 14 else full + gs1_check_digit(full))
        result = read(rows)
        assert (result.text, result.symbology_identifier) == (expected, "]e0"), data
        zint = zint_rows(symbology, full[:13])
        assert rows == (zint if heights is None else zint_matrix(zint, heights)), data


@pytest.mark.parametrize("segments_per_row", [None, 2, 4, 6, 20])
def test_expanded_corpus_reads_back_and_equals_zint(segments_per_row):
    for text in element_strings(segments_per_row or 1)[: CORPUS_SIZE if segments_per_row in (None, 4) else corpus_size(100)]:
        symbol = expanded(text, segments_per_row)
        if symbol is None:
            continue
        rows = module_rows(symbol)
        result = read(rows)
        assert (result.text, result.symbology_identifier) == (text, "]e0"), text
        zint = zint_rows("DBAR_EXP" if segments_per_row is None else "DBAR_EXPSTK", text, (segments_per_row or 0) // 2)
        # The encodation follows the standard's rules as zint does, so the segments are as few as zint's and
        # the very same modules.
        assert len(rows[0]) <= len(zint[0])
        assert rows == (zint if segments_per_row is None else zint_matrix(zint, expanded_heights(len(zint)))), text


# ---- zint's reference rows ----------------------------------------------------------------------------

def reference_rows() -> list[dict]:
    if not ZINT_VECTORS.exists():
        return []
    return json.loads(ZINT_VECTORS.read_text())


def made_from_reference(row: dict):
    symbology, data = row["symbology"], row["data"]
    if symbology in ("BARCODE_DBAR_OMN", "BARCODE_DBAR_STK", "BARCODE_DBAR_OMNSTK", "BARCODE_DBAR_LTD"):
        data = data.zfill(13)  # zint takes fewer digits and fills them out with zeros
    make = {
        "BARCODE_DBAR_OMN": lambda: tavlo.DataBar(data),
        "BARCODE_DBAR_STK": lambda: tavlo.DataBar(data, stacked=True),
        "BARCODE_DBAR_OMNSTK": lambda: tavlo.DataBar(data, stacked="omnidirectional"),
        "BARCODE_DBAR_LTD": lambda: tavlo.DataBarLimited(data),
    }.get(symbology)
    if make:
        return make()
    text = data.replace("[", "(").replace("]", ")")
    if symbology == "BARCODE_DBAR_EXP":
        return tavlo.DataBarExpanded(text)
    if row["option_3"] > 0:  # zint chose the width for a number of rows: two segments for each pair
        columns = (row["expected_width"] - 4) // 49
    else:
        columns = row["option_2"] if row["option_2"] > 0 else 2
    return tavlo.DataBarExpanded(text, segments_per_row=2 * columns)


def reference_heights(row: dict) -> list[int]:
    rows = row["expected_rows"]
    return {
        "BARCODE_DBAR_STK": STACKED_HEIGHTS,
        "BARCODE_DBAR_OMNSTK": STACKED_OMNI_HEIGHTS,
        "BARCODE_DBAR_EXPSTK": expanded_heights(rows),
    }.get(row["symbology"], [1] * rows)


@pytest.mark.parametrize("row", reference_rows(), ids=lambda row: row["id"])
def test_zint_reference_rows(row):
    if row["symbology"] == "BARCODE_DBAR_EXPSTK" and row["option_2"] > 10:
        # 22 segments a row is one row of the longest symbol; Expanded Stacked takes 2 to 20.
        with pytest.raises(tavlo.TavloError, match="option 'segments_per_row' must be a whole number from 2 to 20, not '22'"):
            made_from_reference(row)
        return
    rows = module_rows(made_from_reference(row))
    expected = row["modules"]
    if len(expected) > 1 or row["symbology"] == "BARCODE_DBAR_EXPSTK":
        expected = zint_matrix(expected, reference_heights(row))
    assert rows == expected


# ---- geometry and text -------------------------------------------------------------------------------

@pytest.mark.parametrize(
    "make, kind, width, height",
    [
        (lambda: tavlo.DataBar("0950110153000"), tavlo.LinearGeometry, 96, None),
        (lambda: tavlo.DataBar("0950110153000", truncated=True), tavlo.LinearGeometry, 96, None),
        (lambda: tavlo.DataBar("0950110153000", stacked=True), tavlo.MatrixGeometry, 50, 13),
        (lambda: tavlo.DataBar("0950110153000", stacked="omnidirectional"), tavlo.MatrixGeometry, 50, 69),
        (lambda: tavlo.DataBarLimited("0950110153000"), tavlo.LinearGeometry, 79, None),
        (lambda: tavlo.DataBarExpanded("(01)98898765432106(3202)012345(15)991231"), tavlo.LinearGeometry, 200, None),
        (lambda: tavlo.DataBarExpanded("(01)98898765432106(3202)012345(15)991231", segments_per_row=4),
         tavlo.MatrixGeometry, 102, 34 + 3 + 34),
    ],
)
def test_geometry_and_heights(make, kind, width, height):
    geometry = make().geometry()
    assert isinstance(geometry, kind)
    if kind is tavlo.LinearGeometry:
        assert geometry.total_modules == width
    else:
        assert (geometry.width, geometry.height) == (width, height)


LABELS = [
    (lambda: tavlo.DataBar("0950110153000"), "(01)09501101530003"),
    (lambda: tavlo.DataBar("0950110153000", truncated=True), "(01)09501101530003"),
    (lambda: tavlo.DataBar("0950110153000", stacked=True), "(01)09501101530003"),
    (lambda: tavlo.DataBar("0950110153000", stacked="omnidirectional"), "(01)09501101530003"),
    (lambda: tavlo.DataBarLimited("0950110153000"), "(01)09501101530003"),
    (lambda: tavlo.DataBarExpanded("(01)98898765432106(3202)012345(15)991231"), "(01)98898765432106(3202)012345(15)991231"),
    (lambda: tavlo.DataBarExpanded("(01)98898765432106(3202)012345(15)991231", segments_per_row=2),
     "(01)98898765432106(3202)012345(15)991231"),
]


@pytest.mark.parametrize("make, text", LABELS)
def test_labels_read_back_from_their_png(make, text):
    import io

    import zxingcpp
    from PIL import Image

    symbol = make()
    with Image.open(io.BytesIO(symbol.png(dpi=300))) as picture:
        pixels = np.asarray(picture.convert("L"))
    pixels = np.pad(pixels, 40, constant_values=255)  # the symbols need no quiet zone; the reader wants one
    results = zxingcpp.read_barcodes(pixels)
    assert [(r.text, r.symbology_identifier) for r in results] == [(text, "]e0")]


def test_one_row_symbols_print_their_line_under_the_bars():
    for make, _ in LABELS[:2] + LABELS[4:6]:
        symbol = make()
        assert symbol.layout(dpi=300).height_dots > symbol.layout(dpi=300, text=False).height_dots


def test_repr_and_equality():
    expanded_symbol = tavlo.DataBarExpanded("(01)09501101530003(3103)000123", segments_per_row=2)
    assert repr(expanded_symbol) == "tavlo.DataBarExpanded('(01)09501101530003(3103)000123', segments_per_row=2)"
    assert repr(tavlo.DataBar("0950110153000", stacked="omnidirectional")) == (
        "tavlo.DataBar('0950110153000', stacked='omnidirectional')"
    )
    assert tavlo.DataBar("0950110153000", truncated=True) == tavlo.DataBar("0950110153000", truncated=True)


# ---- refusals ------------------------------------------------------------------------------------------

@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: tavlo.DataBar("09501101530004"), "GS1 DataBar: the GTIN's check digit should be 3, got 4"),
        (lambda: tavlo.DataBar("(01)09501101530001", stacked=True), "the GTIN's check digit should be 3, got 1"),
        (lambda: tavlo.DataBar("950110153000"), "a GTIN is 13 digits, or 14 with its check digit, got 12 digits"),
        (lambda: tavlo.DataBarLimited("20012345678909"), "GS1 DataBar Limited: the GTIN's indicator digit must be 0 or 1, got 2"),
        (lambda: tavlo.DataBarLimited("10012345678900"), "GS1 DataBar Limited: the GTIN's check digit should be 2, got 0"),
        (lambda: tavlo.DataBarExpanded("(01)09501101530004"), "GS1 DataBar Expanded: AI (01) has check digit 4, expected 3"),
        (lambda: tavlo.DataBarExpanded("(90)" + "a" * 40), "GS1 DataBar Expanded: the element string is too long, it needs"),
        (lambda: tavlo.DataBarExpanded("(01)09501101530003", segments_per_row=3),
         "option 'segments_per_row' must be an even number from 2 to 20, not '3'"),
        (lambda: tavlo.DataBarExpanded("(01)09501101530003", segments_per_row=22),
         "option 'segments_per_row' must be a whole number from 2 to 20, not '22'"),
    ],
)
def test_refusals_name_the_fault(make, message):
    with pytest.raises(tavlo.TavloError, match=message.replace("(", r"\(").replace(")", r"\)")):
        make()


def test_truncated_and_stacked_exclude_each_other():
    with pytest.raises(ValueError, match="truncated and stacked exclude each other"):
        tavlo.DataBar("0950110153000", stacked=True, truncated=True)
    with pytest.raises(ValueError, match="stacked must be False, True or 'omnidirectional'"):
        tavlo.DataBar("0950110153000", stacked="yes")
