"""Code 93 and Codabar: every seeded payload read back exactly, the check characters as an independent table
computes them, zint's module patterns, and the refusals."""

from __future__ import annotations

import json
import pickle
import random
from functools import cache
from pathlib import Path

import numpy as np
import pytest
from label_support import png_pixels
from support import decode_one, linear_image, module_string

import tavlo

ZINT_VECTORS = Path(__file__).resolve().parents[3] / "shared" / "reference" / "zint-vectors" / "code93_codabar.json"
PAYLOADS = 2000

# Code 93 symbol characters by value: 43 to 46 are the shift characters, written here as ( $ % / + ) letters
# "a" to "d", 47 is start/stop.
CODE93_CHARACTERS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%abcd*"
# Element widths, bar first, by value.
CODE93_WIDTHS = """
131112 111213 111312 111411 121113 121212 121311 111114 131211 141111 211113 211212 211311 221112 221211 231111
112113 112212 112311 122112 132111 111123 111222 111321 121122 131121 212112 212211 211122 211221 221121 222111
112122 112221 122121 123111 121131 311112 311211 321111 112131 113121 211131 121221 312111 311121 122211 111141
""".split()
# The Full ASCII table, U+0000 to U+007F in order: a character itself, or a shift ($ % / +) and a letter.
# "SP" is the space.
CODE93_FULL_ASCII = """
%U $A $B $C $D $E $F $G $H $I $J $K $L $M $N $O $P $Q $R $S $T $U $V $W $X $Y $Z %A %B %C %D %E
SP /A /B /C $ % /F /G /H /I /J + /L - . / 0 1 2 3 4 5 6 7 8 9 /Z %F %G %H %I %J
%V A B C D E F G H I J K L M N O P Q R S T U V W X Y Z %K %L %M %N %O
%W +A +B +C +D +E +F +G +H +I +J +K +L +M +N +O +P +Q +R +S +T +U +V +W +X +Y +Z %P %Q %R %S %T
""".split()
SHIFTS = {"$": "a", "%": "b", "/": "c", "+": "d"}

# Codabar values: 0-9 - $ : / . + are 0 to 15, the start/stop characters A to D 16 to 19.
CODABAR_VALUES = {c: v for v, c in enumerate("0123456789-$:/.+ABCD")}
CODABAR_DATA = "0123456789-$:/.+"


def code93_values(text: str) -> list[int]:
    values = []
    for c in text:
        token = CODE93_FULL_ASCII[ord(c)]
        token = " " if token == "SP" else token
        symbols = token if len(token) == 1 else SHIFTS[token[0]] + token[1]
        values += [CODE93_CHARACTERS.index(s) for s in symbols]
    return values


def code93_check(values: list[int], max_weight: int) -> int:
    return sum(v * (1 + i % max_weight) for i, v in enumerate(reversed(values))) % 47


def code93_pattern(value: int) -> str:
    return "".join(("1" if e % 2 == 0 else "0") * int(w) for e, w in enumerate(CODE93_WIDTHS[value]))


def code93_read(modules: str) -> list[int]:
    """The symbol's characters by value, start and stop left out, after checking frame and termination bar."""
    by_pattern = {code93_pattern(v): v for v in range(48)}
    assert len(modules) % 9 == 1 and modules[-1] == "1"
    values = [by_pattern[modules[i : i + 9]] for i in range(0, len(modules) - 1, 9)]
    assert values[0] == values[-1] == 47
    return values[1:-1]


def codabar_check(framed: str) -> str:
    return CODABAR_DATA[-sum(CODABAR_VALUES[c] for c in framed) % 16]


def read(symbol, fmt: str):
    return decode_one(linear_image(symbol.geometry(), scale=2, height=6), fmt)


# 2,000 payloads each, seeded: Code 93 over all of ASCII, short and long; Codabar over its data characters,
# with start and stop in the data or as options, with and without the check character, at both ratios.
@cache
def code93_payloads() -> list[str]:
    rng = random.Random(93)
    ascii_all = "".join(map(chr, range(128)))
    payloads = [ascii_all[i : i + 32] for i in range(0, 128, 32)]
    while len(payloads) < PAYLOADS:
        length = rng.choice([rng.randint(1, 8), rng.randint(1, 40)])
        payloads.append("".join(rng.choice(ascii_all) for _ in range(length)))
    return payloads


@cache
def codabar_payloads() -> list[tuple[str, dict, str]]:
    """(data, options, start + body + stop)."""
    rng = random.Random(2024)
    payloads = []
    for _ in range(PAYLOADS):
        # zxing-cpp reads Codabar of four characters or more: two between start and stop, or one and the check.
        body = "".join(rng.choice(CODABAR_DATA) for _ in range(rng.randint(2, 24)))
        start, stop = rng.choice("ABCD"), rng.choice("ABCD")
        options = {"check_digit": rng.random() < 0.5, "ratio": rng.choice(["2:1", "3:1", 2, 3])}
        framing = rng.randrange(3)
        if framing == 0:
            payloads.append((start + body + stop, options, start + body + stop))
        elif framing == 1:
            payloads.append((body, {**options, "start": start, "stop": stop}, start + body + stop))
        else:
            payloads.append((body, options, "A" + body + "A"))
    return payloads


def test_code93_payloads_read_back_with_their_check_characters():
    wrong = []
    for data in code93_payloads():
        symbol = tavlo.Code93(data)
        read_bytes = read(symbol, "Code93").bytes
        values = code93_values(data)
        c = code93_check(values, 20)
        expected = values + [c, code93_check(values + [c], 15)]
        got = code93_read(module_string(symbol.geometry()))
        if read_bytes != data.encode() or got != expected:
            wrong.append((data, read_bytes, got[-2:], expected[-2:]))
    assert wrong[:5] == []


def test_code93_payloads_cover_all_of_ascii():
    assert set("".join(code93_payloads())) == set(map(chr, range(128)))


def test_codabar_payloads_read_back_with_their_check_character():
    wrong = []
    for data, options, framed in codabar_payloads():
        expected = framed[:-1] + (codabar_check(framed) if options["check_digit"] else "") + framed[-1]
        got = read(tavlo.Codabar(data, **options), "Codabar").text
        if got != expected:
            wrong.append((data, options, got, expected))
    assert wrong[:5] == []


@pytest.mark.parametrize("ratio", ["2:1", "3:1"])
def test_codabar_ratio_sets_the_wide_elements(ratio):
    # "0": narrow but for its last space and bar; A: wide in its third, fourth and sixth element.
    wide = int(ratio[0])
    n, w = 1, wide
    start = "1" * n + "0" * n + "1" * w + "0" * w + "1" * n + "0" * w + "1" * n
    zero = "1" * n + "0" * n + "1" * n + "0" * n + "1" * n + "0" * w + "1" * w
    assert module_string(tavlo.Codabar("0", ratio=ratio).geometry()) == start + "0" + zero + "0" + start


def test_codabar_default_ratio_is_3_to_1():
    assert module_string(tavlo.Codabar("0").geometry()) == module_string(tavlo.Codabar("0", ratio=3).geometry())


def zint_rows(symbology: str) -> list:
    if not ZINT_VECTORS.exists():
        return []
    rows = json.loads(ZINT_VECTORS.read_text(encoding="utf-8"))
    return [pytest.param(row, id=row["id"]) for row in rows if row["symbology"] == symbology]


@pytest.mark.parametrize("row", zint_rows("BARCODE_CODE93"))
def test_code93_matches_zint(row):
    data = bytes.fromhex(row["data_hex"]).decode("ascii")
    assert module_string(tavlo.Code93(data).geometry()) == row["modules"][0]


@pytest.mark.parametrize("row", zint_rows("BARCODE_CODABAR"))
def test_codabar_matches_zint(row):
    # zint draws at 2:1, and ends with the intercharacter gap after the stop character too: one light module
    # of the quiet zone that the symbol itself does not have.
    symbol = tavlo.Codabar(row["data"], check_digit=row["option_2"] == 1, ratio="2:1")
    assert module_string(symbol.geometry()) + "0" == row["modules"][0]


def zint_modules(symbology: str, data: bytes, option_2: int = -1) -> str:
    zint = pytest.importorskip("zint", reason="zint-bindings (PyPI) is not installed: no cross-check with zint")
    symbol = zint.Symbol()
    symbol.symbology = getattr(zint.Symbology, symbology)
    if option_2 != -1:
        symbol.option_2 = option_2
    symbol.encode(data)
    row = np.unpackbits(np.asarray(symbol.encoded_data)[0], bitorder="little")[: symbol.width]
    return "".join(map(str, row))


def test_code93_corpus_matches_zint():
    differ = [
        data
        for data in code93_payloads()
        if module_string(tavlo.Code93(data).geometry()) != zint_modules("CODE93", data.encode())
    ]
    assert differ[:5] == []


def test_codabar_corpus_matches_zint_at_2_to_1():
    # zint takes start and stop in the data; option_2 1 adds the check character.
    differ = []
    for data, options, framed in codabar_payloads():
        options = {**options, "ratio": "2:1"}
        ours = module_string(tavlo.Codabar(data, **options).geometry())
        if ours + "0" != zint_modules("CODABAR", framed.encode(), 1 if options["check_digit"] else -1):
            differ.append((data, options))
    assert differ[:5] == []


def test_zint_vectors_are_present():
    if not ZINT_VECTORS.exists():
        pytest.skip(f"zint vectors not found at {ZINT_VECTORS}")
    assert len(zint_rows("BARCODE_CODE93")) == 7 and len(zint_rows("BARCODE_CODABAR")) == 5


@pytest.mark.parametrize(
    ("data", "message"),
    [
        ("", "Encoding error: Barcode data length is invalid"),
        ("A" * 257, "Encoding error: Barcode data length is invalid"),
        ("caf\u00e9", "Invalid character '\u00e9' for Code 93"),
        ("\U0001f600" + "A" * 300, "Invalid character '\U0001f600' for Code 93"),
    ],
)
def test_code93_refusals(data, message):
    with pytest.raises(tavlo.TavloError) as caught:
        tavlo.Code93(data)
    assert str(caught.value) == message


@pytest.mark.parametrize(
    ("data", "options", "message"),
    [
        ("12A4", {}, "Invalid character 'A' for Codabar"),
        ("A12", {}, "Invalid character 'A' for Codabar"),  # a start without a stop is data
        ("1E", {}, "Invalid character 'E' for Codabar"),
        ("12*", {}, "Invalid character '*' for Codabar"),
        ("1\u20ac", {}, "Invalid character '\u20ac' for Codabar"),
        ("", {}, "Encoding error: Barcode data length is invalid"),
        ("AB", {}, "Encoding error: Barcode data length is invalid"),
        ("1" * 257, {}, "Encoding error: Barcode data length is invalid"),
        ("1", {"start": "E"}, "Encoding error: option 'start' must be A, B, C or D, not 'E'"),
        ("1", {"start": "AB"}, "Encoding error: option 'start' must be A, B, C or D, not 'AB'"),
        ("1", {"stop": "a"}, "Encoding error: option 'stop' must be A, B, C or D, not 'a'"),
        ("1", {"stop": ""}, "Encoding error: option 'stop' must be A, B, C or D, not ''"),
        ("1", {"ratio": "2.5"}, "Encoding error: option 'ratio' must be 2:1 or 3:1, not '2.5'"),
        ("1", {"ratio": 4}, "Encoding error: option 'ratio' must be 2:1 or 3:1, not '4'"),
        ("1", {"check_digit": "maybe"}, "Encoding error: option 'check_digit' must be true or false, not 'maybe'"),
        (
            "A1B",
            {"start": "A"},
            "Encoding error: Codabar data begins and ends with start and stop characters; give them there or as the "
            "options 'start' and 'stop', not both",
        ),
    ],
)
def test_codabar_refusals(data, options, message):
    with pytest.raises(tavlo.TavloError) as caught:
        tavlo.Codabar(data, **options)
    assert str(caught.value) == message


def text_breadth(symbol) -> int:
    """The dots from the first to the last inked column of the printed line."""
    band = png_pixels(symbol.png(dpi=300))[symbol.layout(dpi=300, text=False).height_dots :]
    columns = np.flatnonzero((band == 0).any(axis=0))
    return int(columns.max() - columns.min() + 1)


# The printed line leaves the check characters out: it is as broad as Code 39's line of the same text (glyph
# pens round to whole dots from another centre, so a dot either way).
@pytest.mark.parametrize(
    ("symbol", "line"),
    [
        (tavlo.Code93("CODE-93"), "CODE-93"),
        (tavlo.Codabar("1234", check_digit=True), "A1234A"),
        (tavlo.Codabar("B1234C", check_digit=True, ratio="2:1"), "B1234C"),
        (tavlo.Codabar("1234", start="D", stop="B"), "D1234B"),
    ],
    ids=repr,
)
def test_printed_line_leaves_out_the_check_characters(symbol, line):
    assert abs(text_breadth(symbol) - text_breadth(tavlo.Code39(line))) <= 2


@pytest.mark.parametrize(
    ("symbol", "text"),
    [
        (
            tavlo.Codabar("12", "C", "D", True, "2:1"),
            "tavlo.Codabar('12', start='C', stop='D', check_digit=True, ratio='2:1')",
        ),
        (tavlo.Codabar("A12B", ratio=3), "tavlo.Codabar('A12B', ratio=3)"),
        (tavlo.Code93("x\ty"), "tavlo.Code93('x\\ty')"),
    ],
)
def test_repr_and_pickle(symbol, text):
    assert repr(symbol) == text
    assert pickle.loads(pickle.dumps(symbol)) == symbol
