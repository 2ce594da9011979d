"""Aztec Code and Aztec Runes: every symbol read back by zxing-cpp with the exact bytes, the standard's worked
example and zint's reference symbols, sizes no larger than zint's, and refusals."""

from __future__ import annotations

import json
import random
import sys
from functools import cache
from pathlib import Path

import numpy as np
import pytest

import tavlo

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from support import matrix_image, matrix_rows  # noqa: E402
from support import corpus_size

ZINT_VECTORS = Path(__file__).resolve().parents[3] / "shared" / "reference" / "zint-vectors" / "aztec.json"


@cache
def _zint_rows() -> tuple[dict, ...]:
    if not ZINT_VECTORS.exists():
        return ()
    return tuple(json.loads(ZINT_VECTORS.read_text(encoding="utf-8")))


def _zint_params(predicate) -> list:
    return [pytest.param(row, id=row["id"].split(":", 1)[1]) for row in _zint_rows() if predicate(row)]


def mode_info(rows: list[str]) -> tuple[bool, int, int]:
    """(compact, layers, data codewords) as the symbol's mode message gives them."""
    side = len(rows)
    c = side // 2
    dark = lambda r, col: rows[r][col] == "1"  # noqa: E731
    # A full-range bullseye has a dark ring 6 modules out; a compact symbol has data there.
    compact = not all(dark(c - 6, k) for k in range(c - 6, c + 7))
    radius, per = (5, 7) if compact else (7, 10)
    bits = [False] * (4 * per)
    for i in range(per):
        offset = c - 3 + i if compact else c - 5 + i + i // 5
        bits[i] = dark(c - radius, offset)
        bits[i + per] = dark(offset, c + radius)
        bits[3 * per - 1 - i] = dark(c + radius, offset)
        bits[4 * per - 1 - i] = dark(offset, c - radius)
    value = lambda b: int("".join("1" if x else "0" for x in b), 2)  # noqa: E731
    if compact:
        return True, value(bits[0:2]) + 1, value(bits[2:8]) + 1
    return False, value(bits[0:5]) + 1, value(bits[5:16]) + 1


def read_back(symbol) -> object:
    import zxingcpp

    image = matrix_image(symbol.geometry(), quiet=2, scale=2)
    results = zxingcpp.read_barcodes(image, formats=zxingcpp.BarcodeFormat.Aztec)
    assert len(results) == 1, f"zxing-cpp found {len(results)} Aztec symbols"
    return results[0]


# A seeded corpus: digits, text, punctuation-heavy text, bytes, a mix, of lengths that cross many sizes.
_ALPHABETS = {
    "digits": "0123456789",
    "upper": "ABCDEFGHIJKLMNOPQRSTUVWXYZ ",
    "text": "The quick brown fox, jumps: over 12 lazy dogs. \r\n",
    "punct": "!\"#$%&'()*+,-./:;<=>?[]{}@\\^_`|~ \r\n",
}


def _corpus() -> list[bytes]:
    rng = random.Random(24778)
    payloads = []
    for _ in range(corpus_size(2000)):
        kind = rng.choice(("digits", "upper", "text", "punct", "bytes", "mixed"))
        length = rng.choice((rng.randint(1, 12), rng.randint(1, 60), rng.randint(1, 250)))
        if kind == "bytes":
            payloads.append(bytes(rng.randrange(256) for _ in range(length)))
        elif kind == "mixed":
            pieces = [rng.choice(list(_ALPHABETS.values())) for _ in range(4)]
            payloads.append(
                "".join(rng.choice(rng.choice(pieces)) for _ in range(length)).encode() + bytes([rng.randrange(256)])
            )
        else:
            payloads.append("".join(rng.choice(_ALPHABETS[kind]) for _ in range(length)).encode())
    return payloads


CORPUS = _corpus()


def test_corpus_reads_back_exactly():
    failures = []
    for payload in CORPUS:
        result = read_back(tavlo.Aztec(payload))
        if result.bytes != payload or result.format.name != "Aztec":
            failures.append(payload)
    assert not failures, f"{len(failures)} payloads read back wrong, the first {failures[0]!r}"


def test_never_more_codewords_than_zint():
    """Over the corpus, never a larger symbol than zint's, nor more data codewords in one of the same size: the
    planner finds the fewest bits, and where bit stuffing costs that plan a codeword, the encoder weighs other
    plans (these cases are in the corpus: b'|0 :s3896' and b'\\&\r)<|:`', whose plan of the fewest bits needs
    a larger symbol once stuffed)."""
    zint = pytest.importorskip("zint", reason="zint-bindings is not installed; the zint cross-check is skipped")
    larger, more_codewords = [], []
    for payload in CORPUS:
        symbol = zint.Symbol()
        symbol.symbology = zint.Symbology.AZTEC
        symbol.input_mode = zint.InputMode.DATA
        symbol.encode(payload)
        packed = np.array(symbol.encoded_data)[: symbol.rows]
        theirs = ["".join(map(str, row)) for row in np.unpackbits(packed, axis=1, bitorder="little")[:, : symbol.width]]
        mine = matrix_rows(tavlo.Aztec(payload).geometry())
        if len(mine) > len(theirs):
            larger.append(payload)
        elif len(mine) == len(theirs) and mode_info(mine)[2] > mode_info(theirs)[2]:
            more_codewords.append(payload)
    assert not larger, f"{len(larger)} payloads make larger symbols than zint's, the first {larger[0]!r}"
    assert not more_codewords, f"{len(more_codewords)} payloads take more codewords, the first {more_codewords[0]!r}"


@pytest.mark.parametrize("payload", [b"|0 :s3896", b"\\&\r)<|:`", b"!$\"``+*;]&:#)~]&|"])
def test_stuffing_does_not_cost_a_codeword(payload):
    """Payloads whose plan of the fewest bits takes a codeword more (or a larger symbol) once stuffed: the
    symbol is zint's size with as many codewords, and reads back."""
    rows = matrix_rows(tavlo.Aztec(payload).geometry())
    assert mode_info(rows) == {b"|0 :s3896": (True, 2, 12), b"\\&\r)<|:`": (True, 1, 11),
                               b"!$\"``+*;]&:#)~]&|": (True, 2, 22)}[payload]
    assert read_back(tavlo.Aztec(payload)).bytes == payload


def test_empty_data_is_the_smallest_symbol():
    rows = matrix_rows(tavlo.Aztec(b"").geometry())
    assert len(rows) == 15 and mode_info(rows) == (True, 1, 1)


def _sizes():
    return [pytest.param(layers, id=f"{'compact' if layers < 0 else 'full'}-{abs(layers)}") for layers in
            (-1, -2, -3, -4, *range(1, 33))]


@pytest.mark.parametrize("layers", _sizes())
@pytest.mark.parametrize("alphabet", ["digits", "bytes"])
def test_capacity_edge_of_each_size(layers, alphabet):
    """The most data a size holds at 23 % reads back; one byte more is refused."""
    # Digits vary: zxing-cpp's detector misreads a largest symbol of one repeated digit, whose layers repeat.
    digits = "".join(random.Random(layers).choice("0123456789") for _ in range(4000)).encode()
    make = (lambda n: digits[:n]) if alphabet == "digits" else (lambda n: bytes([0xAA]) * n)

    def fits(n: int) -> bool:
        try:
            tavlo.Aztec(make(n), layers=layers, error_correction=23)
        except tavlo.TavloError:
            return False
        return True

    low, high = 0, 4000
    while low < high:  # the largest n that fits
        mid = (low + high + 1) // 2
        low, high = (mid, high) if fits(mid) else (low, mid - 1)
    assert low > 0
    symbol = tavlo.Aztec(make(low), layers=layers, error_correction=23)
    rows = matrix_rows(symbol.geometry())
    assert mode_info(rows)[:2] == (layers < 0, abs(layers))
    assert read_back(symbol).bytes == make(low)
    with pytest.raises(tavlo.TavloError, match="data too long for an Aztec symbol of"):
        tavlo.Aztec(make(low + 1), layers=layers, error_correction=23)


def test_worked_example_code_2d():
    """ISO/IEC 24778 Figure G.2, "Code 2D!" in a compact symbol of one layer, module for module."""
    rows = [row for row in _zint_rows() if row["id"] == "test_aztec:test_encode:4"]
    if not rows:
        pytest.skip(f"zint reference vectors not found at {ZINT_VECTORS}")
    assert matrix_rows(tavlo.Aztec("Code 2D!").geometry()) == rows[0]["modules"]
    assert matrix_rows(tavlo.Aztec("Code 2D!", layers=-1).geometry()) == rows[0]["modules"]


@pytest.mark.parametrize("row", _zint_params(lambda r: r["symbology"] == "BARCODE_AZRUNE"))
def test_runes_equal_zint(row):
    rune = tavlo.AztecRune(int(row["data"]))
    assert matrix_rows(rune.geometry()) == row["modules"]
    assert read_back(rune).text == f"{int(row['data']):03d}"


def _plain_default(row: dict) -> bool:
    modes = row["input_mode"] or []
    return (
        row["symbology"] == "BARCODE_AZTEC"
        and row["data_hex"] is not None
        and not any("ESCAPE" in m or "GS1" in m for m in modes)
        and row["eci"] == -1
        and row["structapp"] is None
        and row["option_1"] == -1
        and row["option_2"] == -1
        and row["option_3"] == -1
        and row["output_options"] is None
    )


def _zint_bytes(row: dict) -> bytes:
    data = bytes.fromhex(row["data_hex"])
    if "UNICODE_MODE" in (row["input_mode"] or []):
        return data.decode("utf-8").encode("latin-1")  # zint writes Latin-1 without an ECI when it can
    return data


@pytest.mark.parametrize("row", _zint_params(_plain_default))
def test_no_larger_than_zint(row):
    try:
        data = _zint_bytes(row)
    except UnicodeError:
        pytest.skip("zint would add an ECI for this text")
    symbol = tavlo.Aztec(data)
    rows = matrix_rows(symbol.geometry())
    assert len(rows) <= row["expected_rows"]
    if len(rows) == row["expected_rows"]:
        assert mode_info(rows)[2] <= mode_info(row["modules"])[2]
    assert read_back(symbol).bytes == data


@pytest.mark.parametrize("eci, data, text", [(26, "é€".encode(), "é€"), (3, b"\xe9", "é"), (899, b"\x01\xff", None)])
def test_eci_is_read(eci, data, text):
    result = read_back(tavlo.Aztec(data, eci=eci))
    assert result.bytes == data
    if text is not None:
        assert result.text == text


@pytest.mark.parametrize("structured_append", [(1, 2), (2, 3, "ID7"), (26, 26, "x")])
def test_structured_append_header_is_not_data(structured_append):
    assert read_back(tavlo.Aztec(b"part", structured_append=structured_append)).bytes == b"part"


@pytest.mark.parametrize("percent", [5, 23, 50, 95])
def test_more_error_correction_never_shrinks_the_symbol(percent):
    sides = [len(matrix_rows(tavlo.Aztec(b"x" * 40, error_correction=p).geometry())) for p in (5, percent)]
    assert sides[0] <= sides[1]
    assert read_back(tavlo.Aztec(b"x" * 40, error_correction=percent)).bytes == b"x" * 40


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: tavlo.Aztec(b"\xaa" * 1916), "data too long for Aztec: 1916 bytes"),
        (lambda: tavlo.Aztec(b"1" * 100, layers=-1), "data too long for an Aztec symbol of 1 compact layer"),
        (lambda: tavlo.Aztec(b"\xaa" * 2500, layers=32), "data too long for an Aztec symbol of 32 full-range layers"),
        (lambda: tavlo.Aztec("x", layers=0), "option 'layers' must be 1 to 32 (full range) or -1 to -4 (compact)"),
        (lambda: tavlo.Aztec("x", layers=33), "option 'layers' must be a whole number from -4 to 32, not '33'"),
        (lambda: tavlo.Aztec("x", layers=-5), "option 'layers' must be a whole number from -4 to 32, not '-5'"),
        (lambda: tavlo.Aztec("x", error_correction=4), "option 'error_correction' must be a whole number from 5 to 95"),
        (lambda: tavlo.Aztec("x", error_correction=96), "option 'error_correction' must be a whole number from 5 to 95"),
        (lambda: tavlo.Aztec("x", eci=1000000), "option 'eci' must be a whole number from 0 to 999999"),
        (lambda: tavlo.Aztec("x", structured_append=(3, 2)), "option 'structured_append_index' must be"),
        (lambda: tavlo.Aztec("x", structured_append=(1, 27)), "option 'structured_append_count' must be"),
        (lambda: tavlo.Aztec("x", structured_append=(1, 2, "a b")), "printable ASCII without spaces"),
        (lambda: tavlo.AztecRune(256), "an Aztec Rune's value must be a whole number from 0 to 255, not '256'"),
        (lambda: tavlo.AztecRune(-1), "an Aztec Rune's value must be a whole number from 0 to 255, not '-1'"),
    ],
)
def test_refusals(make, message):
    with pytest.raises(tavlo.TavloError) as refused:
        make()
    assert message in str(refused.value)


@pytest.mark.parametrize(
    "make",
    [lambda: tavlo.Aztec(1), lambda: tavlo.Aztec("x", layers="2"), lambda: tavlo.Aztec("x", eci=True),
     lambda: tavlo.AztecRune("5"), lambda: tavlo.Aztec("x", structured_append=[1, 2])],
)
def test_wrong_types(make):
    with pytest.raises(TypeError):
        make()


def test_repr_and_equality():
    assert repr(tavlo.Aztec("Code 2D!")) == "tavlo.Aztec('Code 2D!')"
    assert repr(tavlo.Aztec(b"x", layers=-2, eci=3)) == "tavlo.Aztec(b'x', layers=-2, eci=3)"
    assert repr(tavlo.AztecRune(7)) == "tavlo.AztecRune(7)"
    assert tavlo.Aztec("a", layers=3) == tavlo.Aztec("a", layers=3) != tavlo.Aztec("a")


def test_no_quiet_zone_needed():
    png_plain = tavlo.Aztec("Code 2D!").png(dpi=300, x_dim="0.5mm")
    assert png_plain[:8] == b"\x89PNG\r\n\x1a\n"
