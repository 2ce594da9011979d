"""ITF (interleaved 2 of 5): digits only, an even count from 2 to 256, 3:1 bars and the 2-module stop bar."""

import pytest
from support import decode_one, linear_image, module_string, vector_params

from _tavlo import Itf, TavloError


def bars(text: str) -> list[tuple[int, int]]:
    return [(bar.x, bar.width) for bar in Itf(text).geometry().bars]


@pytest.mark.parametrize("line", vector_params("linear.jsonl", "data", **{"class": "Itf"}))
def test_reference_modules(line):
    assert module_string(Itf(line["data"]).geometry()) == line["modules"]


def test_one_pair_layout():
    assert Itf("12").geometry().total_modules == 26
    assert bars("12") == [(0, 1), (2, 1), (4, 3), (8, 1), (12, 1), (14, 1), (16, 3), (22, 2), (25, 1)]


def test_ten_digits_layout():
    geometry = Itf("1234567890").geometry()
    assert (geometry.total_modules, len(geometry.bars)) == (98, 29)
    assert bars("1234567890")[:4] == [(0, 1), (2, 1), (4, 3), (8, 1)]
    assert bars("1234567890")[-4:] == [(86, 3), (92, 1), (94, 2), (97, 1)]


@pytest.mark.parametrize("length", [2, 4, 14, 100, 256])
def test_length_gives_width_and_bar_count(length):
    geometry = Itf("7" * length).geometry()
    assert geometry.total_modules == 8 + 9 * length
    assert len(geometry.bars) == 4 + 5 * length // 2


@pytest.mark.parametrize(
    ("text", "message"),
    [
        ("12 4", "Invalid character ' ' for ITF"),
        ("12a", "Invalid character 'a' for ITF"),  # the character, not the odd length
        ("１２", "Invalid character '１' for ITF"),
        ("9" * 301 + "x", "Invalid character 'x' for ITF"),
        ("123", "Encoding error: ITF requires even-length data"),
        ("1" * 257, "Encoding error: ITF requires even-length data"),
        ("", "Encoding error: ITF data cannot be empty"),
        ("1" * 258, "Encoding error: Barcode data length is invalid"),
    ],
)
def test_refusals_in_order(text, message):
    with pytest.raises(TavloError) as caught:
        Itf(text)
    assert str(caught.value) == message


@pytest.mark.parametrize("text", ["123456", "1234567890", "00112233445566778899", "9" * 40])
def test_zxing_decodes_the_digits(text):
    assert decode_one(linear_image(Itf(text).geometry()), "ITF").text == text
