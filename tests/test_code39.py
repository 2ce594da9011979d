"""Code 39: upper-case folding, the 43-character set, the 1 to 256 character limit and the 2:1 symbol."""

import sys

import pytest
from support import decode_one, linear_image, module_string, vector_params

from _tavlo import Code39, TavloError

CHARACTER_SET = frozenset("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -.$/+%")


def modules(text: str) -> str:
    return module_string(Code39(text).geometry())


def bars(text: str) -> list[tuple[int, int]]:
    return [(bar.x, bar.width) for bar in Code39(text).geometry().bars]


@pytest.mark.parametrize("line", vector_params("linear.jsonl", "data", **{"class": "Code39"}))
def test_reference_modules(line):
    assert modules(line["data"]) == line["modules"]


def test_single_character_layout():
    geometry = Code39("A").geometry()
    assert geometry.total_modules == 38
    assert len(geometry.bars) == 15
    assert bars("A")[:6] == [(0, 1), (3, 1), (5, 2), (8, 2), (11, 1), (13, 2)]


@pytest.mark.parametrize("length", [1, 2, 7, 100, 256])
def test_length_gives_width_and_bar_count(length):
    geometry = Code39("5" * length).geometry()
    assert geometry.total_modules == 25 + 13 * length
    assert len(geometry.bars) == 5 * (length + 2)


@pytest.mark.parametrize(
    ("given", "folded"),
    [("code-39", "CODE-39"), ("straße", "STRASSE"), ("ﬁ", "FI"), ("ﬃ 1", "FFI 1"), ("ı", "I"), ("ſ", "S")],
)
def test_text_is_folded_to_upper_case_first(given, folded):
    assert modules(given) == modules(folded)


@pytest.mark.parametrize(
    ("text", "character"),
    [
        ("é", "É"),
        ("A*B", "*"),
        ("a_b", "_"),
        ("ǰ", "\u030c"),  # folds to "J" + U+030C: the first folded character outside the set
        ("ẖ", "\u0331"),
        ("ŉ", "ʼ"),
        ("ABC\n", "\n"),
        ("\U0001f600", "\U0001f600"),
        ("!" + "A" * 300, "!"),  # the character check comes before the length check
        ("A" * 300 + "ä", "Ä"),
    ],
)
def test_first_invalid_folded_character_is_reported(text, character):
    with pytest.raises(TavloError) as caught:
        Code39(text)
    assert str(caught.value) == f"Invalid character '{character}' for Code 39"


@pytest.mark.parametrize("text", ["", "A" * 257, "ß" * 129, "ß" + "A" * 255])
def test_folded_length_outside_1_to_256_is_refused(text):
    with pytest.raises(TavloError, match="^Encoding error: Barcode data length is invalid$"):
        Code39(text)


@pytest.mark.parametrize("text", ["A" * 256, "ß" * 128])
def test_256_folded_characters_are_accepted(text):
    assert Code39(text).geometry().total_modules == 3353


def test_fold_agrees_with_python_upper_for_every_code_point():
    # One call per code point: the error names the first folded character outside the set, and a fully
    # accepted fold shows its length through the symbol width.
    mismatches = []
    for cp in range(sys.maxunicode + 1):
        if 0xD800 <= cp <= 0xDFFF:
            continue
        char = chr(cp)
        upper = char.upper()
        invalid = next((c for c in upper if c not in CHARACTER_SET), None)
        try:
            got = Code39(char).geometry().total_modules
        except TavloError as error:
            got = str(error)
        expected = 25 + 13 * len(upper) if invalid is None else f"Invalid character '{invalid}' for Code 39"
        if got != expected:
            mismatches.append((f"U+{cp:04X}", expected, got))
    assert mismatches[:10] == []


@pytest.mark.parametrize("text", ["CODE-39", "HELLO WORLD", "$/+%.", "0123456789", "a1b2c3"])
def test_zxing_decodes_the_folded_text(text):
    result = decode_one(linear_image(Code39(text).geometry()), "Code39")
    assert result.text == text.upper()
