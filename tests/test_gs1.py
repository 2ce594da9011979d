"""GS1 element strings through DataMatrix.gs1: parser messages, predefined lengths, and the GS separators as a
reader sees them (zxing-cpp returns the element string bytes with GS, without the leading FNC1)."""

import pytest

from _tavlo import DataMatrix, TavloError
from support import decode_one, matrix_image

GS = b"\x1d"


def read_gs1(value: str, shape: str = "any"):
    result = decode_one(matrix_image(DataMatrix.gs1(value, shape=shape).geometry()), "DataMatrix")
    assert result.symbology_identifier == "]d2"  # FNC1 in first position
    assert str(result.content_type) == "ContentType.GS1"
    return result


@pytest.mark.parametrize(
    ("value", "message"),
    [
        ("", "value must contain at least one (AI)data pair"),
        ("01)123", "value must begin with '(' and use (AI)data syntax"),
        (" (01)123", "value must begin with '(' and use (AI)data syntax"),
        ("x", "value must begin with '(' and use (AI)data syntax"),
        ("(01", "unterminated AI: missing ')'"),
        ("(", "unterminated AI: missing ')'"),
        ("(10)AB(", "unterminated AI: missing ')'"),
        ("(10)AB(21", "unterminated AI: missing ')'"),
        ("(1)5", "invalid Application Identifier '1': must be 2-4 digits"),
        ("(12345)x", "invalid Application Identifier '12345': must be 2-4 digits"),
        ("(0A)x", "invalid Application Identifier '0A': must be 2-4 digits"),
        ("()x", "invalid Application Identifier '': must be 2-4 digits"),
        ("()", "invalid Application Identifier '': must be 2-4 digits"),
        ("( 10)x", "invalid Application Identifier ' 10': must be 2-4 digits"),
        ("(10 )x", "invalid Application Identifier '10 ': must be 2-4 digits"),
        ("((1)x", "invalid Application Identifier '(1': must be 2-4 digits"),
        ("(١٠)x", "invalid Application Identifier '١٠': must be 2-4 digits"),  # Arabic-Indic digits
        ("(10)A()x", "invalid Application Identifier '': must be 2-4 digits"),
        ("(1)", "invalid Application Identifier '1': must be 2-4 digits"),  # the AI is judged before its data
        ("(01)", "AI (01) has no data"),
        ("(01)(10)AB", "AI (01) has no data"),
        ("(10)A(21)", "AI (21) has no data"),
        ("(3103)000123(3103)", "AI (3103) has no data"),
        ("(3103)00012", "AI (3103) requires exactly 6 characters of data, got 5"),
        ("(11)12345é", "AI (11) requires exactly 6 characters of data, got 7"),  # UTF-8 bytes are counted
        ("(01)123(1)x", "AI (01) requires exactly 14 characters of data, got 3"),  # checked before reading on
        ("(10)A(01)123", "AI (01) requires exactly 14 characters of data, got 3"),
        ("(00)12345678901234567", "AI (00) requires exactly 18 characters of data, got 17"),
        ("(20)123", "AI (20) requires exactly 2 characters of data, got 3"),
        ("(17) 250101", "AI (17) requires exactly 6 characters of data, got 7"),  # nothing is trimmed
    ],
)
def test_refused_element_strings(value, message):
    with pytest.raises(TavloError) as info:
        DataMatrix.gs1(value)
    assert str(info.value) == f"Invalid GS1-128 value: {message}"


@pytest.mark.parametrize(
    ("value", "data"),
    [
        ("(01)09501101530003", b"0109501101530003"),
        ("(10)ABC(21)XYZ", b"10ABC" + GS + b"21XYZ"),
        ("(21)XYZ(10)ABC", b"21XYZ" + GS + b"10ABC"),
        ("(17)250101(10)ABC", b"17250101" + b"10ABC"),
        ("(01)09501101530003(10)AB12(17)250101", b"0109501101530003" + b"10AB12" + GS + b"17250101"),
        ("(10)ABC", b"10ABC"),  # no separator after the last element, variable or not
        ("(10)A)B", b"10A)B"),
        ("(10) A (21) ", b"10 A " + GS + b"21 "),
        ("(10)é(21)x", "10é".encode() + GS + b"21x"),
        ("(01)ABCDEFGHIJKLMN", b"01ABCDEFGHIJKLMN"),  # only the length of fixed-length data is checked
        ("(3003)12(10)A", b"300312" + GS + b"10A"),
        ("(99)x(7003)1234567890(10)A", b"99x" + GS + b"70031234567890" + GS + b"10A"),
    ],
)
def test_element_string_bytes(value, data):
    assert read_gs1(value).bytes == data


@pytest.mark.parametrize(
    "value", ["(01)09501101530003(17)250101(10)ABC123", "(10)ABC(21)XYZ", "(410)1234567890123(10)A"]
)
def test_reader_shows_the_element_strings(value):
    # For AIs the reader knows, its text is the parenthesized form given.
    assert read_gs1(value).text == value


FIXED = {"00": 18, "01": 14, "02": 14, "03": 14, "04": 16, "20": 2, "41": 13}
FIXED |= {f"1{d}": 6 for d in "123456789"}
FIXED |= {f"41{d}": 13 for d in "01234567"}
FIXED |= {ai: 6 for ai in ["3100", "3103", "3199", "3250", "3409", "3600", "3699"]}
VARIABLE = ["05", "10", "21", "30", "40", "42", "99", "310", "315", "369", "400", "418", "419", "4100", "4170",
            "3000", "3003", "3099", "3700", "3799", "3900", "7003", "8020"]


@pytest.mark.parametrize(("ai", "length"), FIXED.items())
def test_predefined_length(ai, length):
    data = "1234567890123456789"[:length]
    assert read_gs1(f"({ai}){data}(10)X").bytes == f"{ai}{data}10X".encode()
    for wrong in (length - 1, length + 1):
        with pytest.raises(TavloError) as info:
            DataMatrix.gs1(f"({ai}){'7' * wrong}(10)X")
        assert str(info.value) == (
            f"Invalid GS1-128 value: AI ({ai}) requires exactly {length} characters of data, got {wrong}"
        )


@pytest.mark.parametrize("ai", VARIABLE)
def test_variable_length_is_followed_by_gs(ai):
    for data in ("1", "12345678901234567890"):
        assert read_gs1(f"({ai}){data}(10)X").bytes == f"{ai}{data}".encode() + GS + b"10X"


class TestOrderOfChecks:
    def test_bad_element_string_before_bad_shape(self):
        with pytest.raises(TavloError, match=r"^Invalid GS1-128 value: AI \(01\) has no data$"):
            DataMatrix.gs1("(01)", shape="bad")

    def test_bad_shape(self):
        with pytest.raises(ValueError) as info:
            DataMatrix.gs1("(01)12345678901234", shape="bad")
        assert str(info.value) == "invalid shape 'bad': expected 'any', 'square', or 'rectangular'"

    def test_value_type_before_shape_type(self):
        with pytest.raises(TypeError, match=r"^argument 'value': 'bytes' object is not an instance of 'str'$"):
            DataMatrix.gs1(b"(01)12345678901234", shape=5)
        with pytest.raises(TypeError, match=r"^argument 'shape': 'int' object is not an instance of 'str'$"):
            DataMatrix.gs1("(01)", shape=5)

    def test_too_long_for_the_symbol(self):
        # FNC1 and 117 digit pairs fill the largest rectangular symbol; one pair more does not fit.
        geometry = DataMatrix.gs1("(10)" + "1" * 232, shape="rect").geometry()
        assert (geometry.width, geometry.height) == (64, 26)
        with pytest.raises(TavloError, match=r"^Encoding error: Data Matrix encoding failed: TooMuchOrIllegalData$"):
            DataMatrix.gs1("(10)" + "1" * 234, shape="rect")


@pytest.mark.parametrize(
    ("value", "shape", "plain", "gs1"),
    [
        # Sixteen digits are eight codewords; FNC1 makes nine. Twenty digits are ten, eleven with FNC1.
        ("(01)09501101530003", "any", (14, 14), (32, 8)),
        ("(01)09501101530003", "square", (14, 14), (16, 16)),
        ("(01)09501101530003(20)12", "any", (32, 8), (16, 16)),
        ("(01)09501101530003(20)12", "rect", (32, 8), (26, 12)),
    ],
)
def test_fnc1_counts_against_capacity(value, shape, plain, gs1):
    data = value.replace("(", "").replace(")", "").encode()
    plain_geometry = DataMatrix(data, shape=shape).geometry()
    gs1_geometry = DataMatrix.gs1(value, shape=shape).geometry()
    assert (plain_geometry.width, plain_geometry.height) == plain
    assert (gs1_geometry.width, gs1_geometry.height) == gs1
    assert read_gs1(value, shape).bytes == data
