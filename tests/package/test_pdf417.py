"""PDF417 and MicroPDF417: every symbol reads back with its exact bytes, is no larger than zint's for the same
settings, and bad options are refused with messages that name them."""

from __future__ import annotations

import json
import random
from pathlib import Path

import numpy as np
import pytest
import zxingcpp
from support import corpus_size

import tavlo

VECTORS = Path(__file__).resolve().parents[2] / ".." / "shared" / "reference" / "zint-vectors" / "pdf417.json"

try:
    import zint
except ImportError:  # pragma: no cover - the suite installs it
    zint = None
needs_zint = pytest.mark.skipif(zint is None, reason="zint-bindings is not installed (pip install zint-bindings)")


def modules(symbol: object) -> np.ndarray:
    geometry = symbol.geometry()
    return np.array(geometry.modules, dtype=np.uint8)


def read(grid: np.ndarray, scale: int) -> list:
    """The symbol as an image with a 10-module quiet zone, read by zxing-cpp."""
    image = np.where(grid.astype(bool), 0, 255).astype(np.uint8)
    image = np.pad(image, 10, constant_values=255)
    image = np.kron(image, np.ones((scale, scale), dtype=np.uint8))
    return zxingcpp.read_barcodes(image, formats=(zxingcpp.BarcodeFormat.PDF417, zxingcpp.BarcodeFormat.MicroPDF417))


def assert_reads(symbol: object, data: bytes, fmt: str, scale: int = 2) -> None:
    results = read(modules(symbol), scale)
    assert results, f"nothing read from {data!r}"
    assert results[0].bytes == data, data
    assert results[0].format.name == fmt, data


# Payloads from the alphabets each compaction mode favours, fixed by the seed.
ALPHABETS = [
    b"0123456789",
    b"ABCDEFGHIJKLMNOPQRSTUVWXYZ ",
    b"abcdefghijklmnopqrstuvwxyz ",
    b"0123456789&\r\t,:#-.$/+%*=^ ",
    b";<>@[\\]_`~!\r\t,:\n-.$/\"|*()?{}'",
    bytes(range(256)),
]


def payloads(seed: int, count: int, longest: int) -> list[bytes]:
    rng = random.Random(seed)
    out = []
    for _ in range(count):
        style = rng.randrange(5)
        length = rng.randrange(1, longest)
        if style < 4:  # one alphabet: digits, text, bytes, or any printable
            alphabet = [ALPHABETS[0], ALPHABETS[1] + ALPHABETS[2], ALPHABETS[5], bytes(range(32, 127))][style]
            out.append(bytes(rng.choice(alphabet) for _ in range(length)))
        else:  # mixed runs
            data = b""
            while len(data) < length:
                alphabet = rng.choice(ALPHABETS)
                data += bytes(rng.choice(alphabet) for _ in range(rng.randrange(1, 16)))
            out.append(data)
    return out


class TestReadBack:
    @pytest.mark.parametrize("block", range(4))
    def test_pdf417_corpus(self, block: int) -> None:
        for data in payloads(417 + block, corpus_size(500), 160):
            assert_reads(tavlo.Pdf417(data), data, "PDF417")

    @pytest.mark.parametrize("block", range(4))
    def test_micro_pdf417_corpus(self, block: int) -> None:
        for data in payloads(24728 + block, corpus_size(500), 60):
            try:
                symbol = tavlo.MicroPdf417(data)
            except tavlo.TavloError as error:
                assert "too long" in str(error)
                continue
            assert_reads(symbol, data, "MicroPDF417", scale=4)

    @pytest.mark.parametrize("options", [{"compact": True}, {"columns": 1}, {"columns": 30}, {"rows": 3},
                                         {"error_correction": 0}, {"error_correction": 8}, {"rows": 90, "columns": 5}])
    def test_pdf417_options(self, options: dict) -> None:
        for data in payloads(7, 40, 40):
            assert_reads(tavlo.Pdf417(data, **options), data, "PDF417")

    @pytest.mark.parametrize("columns", [1, 2, 3, 4])
    def test_micro_columns(self, columns: int) -> None:
        for data in payloads(columns, 40, 30):
            try:
                symbol = tavlo.MicroPdf417(data, columns=columns)
            except tavlo.TavloError:
                continue
            assert_reads(symbol, data, "MicroPDF417", scale=4)
            assert modules(symbol).shape[1] == [38, 55, 82, 99][columns - 1]

    def test_str_is_utf8(self) -> None:
        assert_reads(tavlo.Pdf417("Grüße 123"), "Grüße 123".encode(), "PDF417")

    def test_macro_pdf417(self) -> None:
        symbol = tavlo.Pdf417(b"part two", segment_index=1, file_id="123456", last_segment=True)
        (result,) = read(modules(symbol), 2)
        assert result.bytes == b"part two"
        assert result.extra["FileId"] == "123456"

    def test_eci(self) -> None:
        symbol = tavlo.Pdf417("Ωμέγα".encode(), eci=26)
        (result,) = read(modules(symbol), 2)
        assert result.text == "Ωμέγα"


class TestSize:
    def test_rows_are_three_modules_high(self) -> None:
        grid = modules(tavlo.Pdf417(b"PDF417", columns=2))
        assert grid.shape == (7 * 3, 2 * 17 + 69)  # 5 data and 8 check codewords in 7 rows of 2
        assert (grid[0::3] == grid[1::3]).all() and (grid[0::3] == grid[2::3]).all()

    def test_micro_rows_are_two_modules_high(self) -> None:
        grid = modules(tavlo.MicroPdf417(b"ABCDEFG", columns=1))
        assert grid.shape == (2 * 11, 38)

    def test_compact_is_narrower(self) -> None:
        assert modules(tavlo.Pdf417(b"ABC", columns=3, compact=True)).shape[1] == 3 * 17 + 35

    @pytest.mark.parametrize(("data", "fits"), [(b"7" * 2710, True), (b"7" * 2711, False), (b"\xff" * 1108, True),
                                                (b"\xff" * 1109, False)])
    def test_capacity_edges(self, data: bytes, fits: bool) -> None:
        if fits:
            assert_reads(tavlo.Pdf417(data, error_correction=0), data, "PDF417")
        else:
            with pytest.raises(tavlo.TavloError, match="PDF417 data too long"):
                tavlo.Pdf417(data, error_correction=0)

    @pytest.mark.parametrize(("data", "fits"), [(b"\xff" * 150, True), (b"\xff" * 151, False),
                                                (b"7" * 366, True), (b"7" * 367, False)])
    def test_micro_capacity_edges(self, data: bytes, fits: bool) -> None:
        if fits:
            assert_reads(tavlo.MicroPdf417(data), data, "MicroPDF417", scale=3)
        else:
            with pytest.raises(tavlo.TavloError, match="MicroPDF417 data too long"):
                tavlo.MicroPdf417(data)


class TestRefusals:
    @pytest.mark.parametrize(
        ("options", "message"),
        [
            ({"error_correction": 9}, "option 'error_correction' must be a whole number from 0 to 8, not '9'"),
            ({"columns": 0}, "option 'columns' must be a whole number from 1 to 30, not '0'"),
            ({"columns": 31}, "option 'columns' must be a whole number from 1 to 30, not '31'"),
            ({"rows": 2}, "option 'rows' must be a whole number from 3 to 90, not '2'"),
            ({"eci": 811800}, "option 'eci' must be a whole number from 0 to 811799, not '811800'"),
            ({"segment_index": 99999}, "option 'segment_index' must be a whole number from 0 to 99998, not '99999'"),
            ({"segment_index": 0, "file_id": "12"}, "PDF417 file_id must be digits in groups of three, got '12'"),
            ({"segment_index": 0, "file_id": "900"}, "PDF417 file_id groups must be 000 to 899, got '900'"),
            ({"file_id": "123"}, "PDF417 file_id and last_segment need a segment_index"),
            ({"rows": 3, "columns": 1}, "PDF417 data does not fit in 1 columns and 3 rows"),
        ],
    )
    def test_pdf417(self, options: dict, message: str) -> None:
        with pytest.raises(tavlo.TavloError, match=message.replace("(", r"\(")):
            tavlo.Pdf417(b"some data for the symbol", **options)

    def test_micro_columns(self) -> None:
        with pytest.raises(tavlo.TavloError, match="option 'columns' must be a whole number from 1 to 4, not '5'"):
            tavlo.MicroPdf417(b"x", columns=5)
        with pytest.raises(tavlo.TavloError, match="MicroPDF417 data too long: .* at most 20 fit in 1 columns"):
            tavlo.MicroPdf417(b"\x80" * 30, columns=1)


def vector_rows() -> list[dict]:
    if not VECTORS.exists():
        return []
    rows = json.loads(VECTORS.read_text())
    return [r for r in rows if r.get("segs") is None and r["symbology"] in ("BARCODE_PDF417", "BARCODE_MICROPDF417",
            "BARCODE_PDF417COMP") and r["data_hex"] is not None and r["eci"] in (-1, 0) and r["option_3"] == -1
            and r["structapp"] is None and "UNICODE_MODE" in (r["input_mode"] or []) and "ESCAPE_MODE" not in
            (r["input_mode"] or []) and r["output_options"] is None]


@pytest.mark.parametrize("row", [pytest.param(r, id=r["id"]) for r in vector_rows()])
def test_zint_vectors(row: dict) -> None:
    """Same settings as zint's expected symbol: it reads back, and has no more rows (no more codewords)."""
    data = bytes.fromhex(row["data_hex"])
    if row["symbology"] == "BARCODE_MICROPDF417":
        columns = row["option_2"] if row["option_2"] > 0 else None
        symbol = tavlo.MicroPdf417(data, columns=columns)
        grid = modules(symbol)[::2]
        assert grid.shape[1] == row["expected_width"] or columns is None
        if columns is not None:
            assert grid.shape[0] <= row["expected_rows"]
        assert_reads(symbol, data, "MicroPDF417", scale=6)
    else:
        options = {"compact": row["symbology"] == "BARCODE_PDF417COMP"}
        if row["option_1"] >= 0:
            options["error_correction"] = row["option_1"]
        if row["option_2"] > 0:
            options["columns"] = row["option_2"]
        else:
            options["columns"] = (row["expected_width"] - (35 if options["compact"] else 69)) // 17
        symbol = tavlo.Pdf417(data, **options)
        grid = modules(symbol)[::3]
        assert grid.shape[1] == row["expected_width"]
        assert grid.shape[0] <= row["expected_rows"]
        assert_reads(symbol, data, "PDF417")


ZINT_COUNTS = """
import sys, zint
for line in sys.stdin.read().split():
    symbol = zint.Symbol()
    symbol.symbology = zint.Symbology.PDF417
    symbol.debug = 1
    symbol.encode(bytes.fromhex(line))
"""


@needs_zint
def test_never_more_codewords_than_zint() -> None:
    """zint plans PDF417 for the fewest codewords too; its debug output ("Compressed data stream (N)") gives its
    count. With one column at level 0 a symbol has a row per codeword, so our count is its rows less three (the
    length descriptor and two check codewords)."""
    import re
    import subprocess
    import sys

    corpus = [data for data in payloads(929, corpus_size(1000), 60)]
    run = subprocess.run([sys.executable, "-c", ZINT_COUNTS], input="\n".join(d.hex() for d in corpus),
                         capture_output=True, text=True, check=True)
    counts = [int(n) for n in re.findall(r"Compressed data stream \((\d+)\)", run.stdout)]
    assert len(counts) == len(corpus)
    for data, theirs in zip(corpus, counts):
        ours = modules(tavlo.Pdf417(data, columns=1, error_correction=0)).shape[0] // 3 - 3
        assert ours <= max(theirs, 0), data
