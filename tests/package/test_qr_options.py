"""QrCode options: every level, version and mask read back by zxing-cpp, boosting within the same version,
ECI and Structured Append, and the plain QrCode(data) unchanged."""

from __future__ import annotations

import random

import pytest

import _tavlo
import tavlo
from support import decode_one, matrix_image, matrix_rows

LEVELS = "LMQH"


def reads(symbol, text: str):
    result = decode_one(matrix_image(symbol.geometry()), "QRCode")
    assert result.bytes == text.encode()
    return result


@pytest.mark.parametrize("level", LEVELS)
@pytest.mark.parametrize("mask", range(8))
def test_every_level_version_and_mask_reads_back(level, mask):
    rng = random.Random(f"{level}{mask}")
    for version in range(1, 41):
        text = "".join(rng.choice("ABCDEFGHIJ0123456789abc") for _ in range(rng.randint(1, 7)))
        symbol = tavlo.QrCode(text, error_correction=level, version=version, mask=mask, boost_error=False)
        assert symbol.geometry().width == 17 + 4 * version
        result = reads(symbol, text)
        assert (result.ec_level, result.extra["DataMask"], result.extra["Version"]) == (level, mask, str(version))


def test_plain_qrcode_is_the_binding_symbol():
    rng = random.Random(7)
    for _ in range(200):
        text = "".join(rng.choice("0123456789ABCabc é") for _ in range(rng.randint(0, 60)))
        assert matrix_rows(tavlo.QrCode(text).geometry()) == matrix_rows(_tavlo.QrCode(text).geometry())


def test_boost_raises_the_level_only_within_the_version():
    rng = random.Random(11)
    boosted_some = False
    for _ in range(300):
        text = "".join(rng.choice("0123456789ABCDEFabcdef") for _ in range(rng.randint(1, 120)))
        plain = tavlo.QrCode(text, boost_error=False)
        boosted = tavlo.QrCode(text, boost_error=True)
        assert boosted.geometry().width == plain.geometry().width
        level = reads(boosted, text).ec_level
        assert LEVELS.index(level) >= LEVELS.index(reads(plain, text).ec_level) == 1
        if level != "H":  # the next level up would not hold the data in this version
            with pytest.raises(tavlo.TavloError):
                version = (boosted.geometry().width - 17) // 4
                tavlo.QrCode(text, error_correction=LEVELS[LEVELS.index(level) + 1], version=version)
        boosted_some |= level != "M"
    assert boosted_some


def test_level_h_fits_17_digits_in_version_1():
    assert tavlo.QrCode("7" * 17, error_correction="H").geometry().width == 21
    assert tavlo.QrCode("7" * 18, error_correction="H").geometry().width == 25
    with pytest.raises(tavlo.TavloError, match="^Encoding error: data too long for version 1 at level H$"):
        tavlo.QrCode("7" * 18, error_correction="H", version=1)


def test_eci_and_structured_append_read_back():
    text = "Grüße, 東京"
    result = reads(tavlo.QrCode(text, eci=26), text)
    assert result.text == text
    parity = 0
    for byte in text.encode():
        parity ^= byte
    # The reader keeps the Structured Append header to itself: the symbol reads as its own bytes, and the
    # header's 20 bits cost room (15 bytes of Latin text fill version 1 at level M, not with the header).
    reads(tavlo.QrCode(text, structured_append=(1, 3, parity)), text)
    assert tavlo.QrCode("x" * 14, boost_error=False).geometry().width == 21
    assert tavlo.QrCode("x" * 14, boost_error=False, structured_append=(0, 2, 0)).geometry().width == 25


@pytest.mark.parametrize(
    "options,message",
    [
        ({"error_correction": "X"}, "error_correction must be L, M, Q or H, not 'X'"),
        ({"version": 41}, "version must be a whole number in 1 to 40, not '41'"),
        ({"mask": 8}, "mask must be a whole number in 0 to 7, not '8'"),
        ({"eci": 1000000}, "eci must be a whole number in 0 to 999999, not '1000000'"),
    ],
)
def test_refusals_name_the_option(options, message):
    with pytest.raises(tavlo.TavloError, match=f"^Encoding error: {message}$"):
        tavlo.QrCode("1", **options)


def test_repr_and_equality_keep_the_options():
    symbol = tavlo.QrCode("HELLO", error_correction="Q", mask=2)
    assert repr(symbol) == "tavlo.QrCode('HELLO', error_correction='Q', mask=2)"
    assert symbol == tavlo.QrCode("HELLO", error_correction="Q", mask=2)
    assert repr(tavlo.QrCode("HELLO")) == "tavlo.QrCode('HELLO')"
