"""QrCode: the reference modules, version and capacity edges, function patterns, and reading back with zxing-cpp."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import _tavlo
from support import decode_one, matrix_image, matrix_rows, vector_params

TOO_LONG = "Encoding error: data too long"


def payload(line: dict) -> str:
    return bytes.fromhex(line["payload_hex"]).decode("utf-8")


def assert_reads_back(geometry, text: str) -> None:
    result = decode_one(matrix_image(geometry), "QRCode")
    assert result.bytes == text.encode()
    if text.isprintable():  # the reader shows control characters by name
        assert result.text == text


# Bytes that a Shift JIS Kanji pair could start with, and the bytes that could complete one after them.
LEADS = set(range(0x81, 0xA0)) | set(range(0xE0, 0xEB))
TRAILS = set(range(0x40, 0xFD)) - {0x7F}
TRAILS_OF_EB = set(range(0x40, 0xC0)) - {0x7F}


def has_kanji_range_pair(data: bytes) -> bool:
    """Whether two adjacent bytes fall in the Kanji mode range (Shift JIS 8140-9FFC, E040-EBBF)."""
    return any(
        (a in LEADS and b in TRAILS) or (a == 0xEB and b in TRAILS_OF_EB) for a, b in zip(data, data[1:])
    )


REFERENCE = vector_params("qr.jsonl", id_field="group")
ENCODED = [p for p in REFERENCE if "error" not in p.values[0]]


@pytest.mark.parametrize("line", [p for p in ENCODED if not has_kanji_range_pair(bytes.fromhex(p.values[0]["payload_hex"]))])
def test_modules_equal_the_reference(line):
    geometry = _tavlo.QrCode(payload(line)).geometry()
    assert (geometry.width, geometry.height) == (line["width"], line["width"]) == (17 + 4 * line["version"],) * 2
    assert matrix_rows(geometry) == line["rows"]


@pytest.mark.parametrize("line", [p for p in ENCODED if has_kanji_range_pair(bytes.fromhex(p.values[0]["payload_hex"]))])
def test_utf8_in_the_kanji_range_stays_byte_mode_and_reads_back(line):
    # The vector symbols write such pairs in Kanji mode, which readers return as other characters ("ハな"
    # reads as "繝上↑"). Byte mode keeps the UTF-8, so the text reads back as given. Where merging had
    # already turned the pairs into byte mode, the modules equal the vector's.
    text = payload(line)
    assert_reads_back(_tavlo.QrCode(text).geometry(), text)


@pytest.mark.parametrize("line", [p for p in REFERENCE if "error" in p.values[0]])
def test_reference_refusals(line):
    with pytest.raises(_tavlo.TavloError, match=f"^Encoding error: {line['error']}$"):
        _tavlo.QrCode(payload(line))


@pytest.mark.parametrize(
    ("text", "width"),
    [
        pytest.param("", 21, id="empty"),
        pytest.param("HELLO WORLD", 21, id="alphanumeric"),
        pytest.param("hello world", 21, id="byte"),
        pytest.param("a" * 14, 21, id="14 bytes"),
        pytest.param("a" * 15, 25, id="15 bytes"),
        pytest.param("A" * 20, 21, id="20 alphanumeric"),
        pytest.param("A" * 21, 25, id="21 alphanumeric"),
        pytest.param("1" * 34, 21, id="34 digits"),
        pytest.param("1" * 35, 25, id="35 digits"),
        # 15 UTF-8 bytes in byte mode, although they would fit version 1 as seven Kanji pairs and a byte.
        pytest.param("あ" * 5, 25, id="hiragana in byte mode"),
        pytest.param("é" * 7 + "a", 25, id="15 bytes of Latin"),
        # The digits take a numeric segment of their own; one byte segment would need version 3.
        pytest.param("a" + "1" * 30, 25, id="digit run after a byte"),
        pytest.param("a" * 2331, 177, id="2331 bytes"),
        pytest.param("A" * 3391, 177, id="3391 alphanumeric"),
        pytest.param("1" * 5596, 177, id="5596 digits"),
    ],
)
def test_smallest_version_at_level_m(text, width):
    geometry = _tavlo.QrCode(text).geometry()
    assert (geometry.width, geometry.height) == (width, width)
    assert len(geometry.modules) == width and all(len(row) == width for row in geometry.modules)
    if text:
        assert_reads_back(geometry, text)


@pytest.mark.parametrize("text", ["a" * 2332, "A" * 3392, "1" * 5597, "é" * 1166, "x" * 1_000_000])
def test_data_too_long(text):
    with pytest.raises(_tavlo.TavloError, match=f"^{TOO_LONG}$"):
        _tavlo.QrCode(text)


def test_empty_payload_reads_back_empty():
    import zxingcpp

    image = matrix_image(_tavlo.QrCode("").geometry())
    # zxing-cpp never calls an empty result valid, but finds the symbol and reports no error in it.
    (result,) = zxingcpp.read_barcodes(image, formats=zxingcpp.BarcodeFormat.QRCode, is_pure=True, return_errors=True)
    assert (result.error, result.bytes) == (None, b"")


FINDER = ["1111111", "1000001", "1011101", "1011101", "1011101", "1000001", "1111111"]


@pytest.mark.parametrize("text", ["", "x" * 100, "1" * 5596])
def test_finder_patterns_in_three_corners(text):
    rows = matrix_rows(_tavlo.QrCode(text).geometry())
    n = len(rows)
    for top, left in ((0, 0), (0, n - 7), (n - 7, 0)):
        assert [row[left : left + 7] for row in rows[top : top + 7]] == FINDER


def test_qrcode_takes_text_only():
    with pytest.raises(TypeError, match=r"^argument 'data': 'bytes' object is not an instance of 'str'$"):
        _tavlo.QrCode(b"abc")
    geometry = _tavlo.QrCode("x").geometry()
    assert geometry.is_square() and repr(geometry) == "MatrixGeometry(width=21, height=21)"


def test_reference_payloads_read_back():
    # One symbol of each group of the vector file: a real reader returns the text.
    seen = set()
    for param in REFERENCE:
        line = param.values[0]
        if "error" in line or line["group"] in seen:
            continue
        seen.add(line["group"])
        text = payload(line)
        if text:
            assert_reads_back(_tavlo.QrCode(text).geometry(), text)


ANY_SCRIPT = st.characters(codec="utf-8")
# Hiragana, katakana and CJK ideographs: UTF-8 bytes E3-E9 followed by bytes in the Kanji range.
JAPANESE = st.characters(min_codepoint=0x3040, max_codepoint=0x30FF) | st.characters(
    min_codepoint=0x4E00, max_codepoint=0x9FFF
)
# Hangul syllables B000-BFFF start with EB, the Kanji lead byte with the narrower set of trails.
HANGUL = st.characters(min_codepoint=0xAC00, max_codepoint=0xD7A3)
MODE_MIX = st.sampled_from("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:az@\x00")

TEXTS = st.one_of(
    st.text(ANY_SCRIPT, max_size=150),
    st.text(JAPANESE | st.sampled_from("0123 AZaz"), max_size=150),
    st.text(HANGUL | ANY_SCRIPT, max_size=100),
    st.text(MODE_MIX, max_size=400),
)


@settings(max_examples=200, deadline=None)
@given(TEXTS)
def test_random_texts_read_back(text):
    geometry = _tavlo.QrCode(text).geometry()
    assert matrix_rows(geometry) == matrix_rows(_tavlo.QrCode(text).geometry())
    if text:
        assert_reads_back(geometry, text)
