"""The package's Data Matrix options: square by default, the ISO rectangles on request, DMRE only with dmre=True,
a fixed size, ECI (and UTF-8 with ECI 26 for text outside ISO-8859-1), structured append; every symbol read
back by zxing-cpp."""

import random

import pytest
import zxingcpp
from label_support import png_pixels

import tavlo

ISO_RECTANGLES = {(8, 18), (8, 32), (12, 26), (12, 36), (16, 36), (16, 48)}
DMRE = {
    (8, 48), (8, 64), (8, 80), (8, 96), (8, 120), (8, 144), (12, 64), (12, 88), (16, 64), (20, 36), (20, 44),
    (20, 64), (22, 48), (24, 48), (24, 64), (26, 40), (26, 48), (26, 64),
}
SQUARES = {(n, n) for n in (*range(10, 28, 2), 32, 36, 40, 44, 48, 52, 64, 72, 80, 88, 96, 104, 120, 132, 144)}


def read(symbol, **options):
    results = zxingcpp.read_barcodes(png_pixels(symbol.png(x_dim="4dots", **options)), formats=zxingcpp.BarcodeFormat.DataMatrix)
    assert len(results) == 1, f"{symbol!r} not read"
    return results[0]


def size_of(symbol) -> tuple[int, int]:
    geometry = symbol.geometry()
    return (geometry.height, geometry.width)


def corpus(count: int, seed: int) -> list[str]:
    generator = random.Random(seed)
    alphabets = ["0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789", "abcdefghijklmnopqrstuvwxyz.,-/", "".join(map(chr, range(32, 127)))]
    return ["".join(generator.choices(generator.choice(alphabets), k=generator.randint(1, 40))) for _ in range(count)]


def test_square_by_default_where_the_old_default_picked_dmre():
    payloads = corpus(300, seed=22)
    for data in payloads:
        symbol = tavlo.DataMatrix(data)
        assert size_of(symbol) in SQUARES, data
    assert any(size_of(tavlo.DataMatrix(data, shape="any", dmre=True)) in DMRE for data in payloads)
    for data in payloads[:60]:
        assert read(tavlo.DataMatrix(data)).text == data


@pytest.mark.parametrize("seed", [1, 2])
def test_rectangles_are_the_iso_ones_unless_dmre(seed):
    for data in corpus(80, seed):
        if len(data) > 30:
            data = data[:30]
        rectangle = tavlo.DataMatrix(data, shape="rectangle")
        assert size_of(rectangle) in ISO_RECTANGLES, data
        assert read(rectangle).text == data
        extended = tavlo.DataMatrix(data, dmre=True)
        assert size_of(extended) in ISO_RECTANGLES | DMRE, data
        assert read(extended).text == data
        mixed = tavlo.DataMatrix(data, shape="any")
        assert size_of(mixed) in SQUARES | ISO_RECTANGLES, data


def test_dmre_picks_a_dmre_rectangle_where_it_is_smaller():
    # 60 lower-case letters take about 41 codewords in Text: the DMRE 12x64 (43) holds them in fewer modules than
    # the ISO 16x48 (49), the one rectangle they fit without dmre.
    data = "x" * 60
    assert size_of(tavlo.DataMatrix(data, shape="rectangle")) == (16, 48)
    assert size_of(tavlo.DataMatrix(data, dmre=True)) == (12, 64)
    assert read(tavlo.DataMatrix(data, dmre=True)).text == data


@pytest.mark.parametrize("size", sorted(SQUARES | ISO_RECTANGLES))
def test_a_fixed_size_is_that_size(size):
    text = f"{size[0]}x{size[1]}"
    symbol = tavlo.DataMatrix("A", size=text)
    assert size_of(symbol) == size
    assert read(symbol).text == "A"


@pytest.mark.parametrize("size", sorted(DMRE))
def test_a_fixed_dmre_size_with_dmre(size):
    symbol = tavlo.DataMatrix("DMRE", size=f"{size[0]}x{size[1]}", dmre=True)
    assert size_of(symbol) == size
    assert read(symbol).text == "DMRE"


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda: tavlo.DataMatrix("x", size="33x33"), "option 'size': 33x33 is not a Data Matrix size"),
        (lambda: tavlo.DataMatrix("x", size="big"), "option 'size' must be rows x columns such as '32x32' or '8x18', not 'big'"),
        (lambda: tavlo.DataMatrix("x", size="8x48"), "option 'size': 8x48 is a DMRE rectangle (ISO/IEC 21471): give dmre=True with it"),
        (lambda: tavlo.DataMatrix("x", "square", size="8x18"), "option 'size': 8x18 is a rectangle, not of shape 'square'"),
        (lambda: tavlo.DataMatrix("x", "rectangle", size="10x10"), "option 'size': 10x10 is a square, not of shape 'rectangle'"),
        (lambda: tavlo.DataMatrix("x" * 4, size="10x10"), "the data does not fit a 10x10 Data Matrix (3 data codewords)"),
        (lambda: tavlo.DataMatrix("12345678", size="10x10", eci=26), "the data does not fit a 10x10 Data Matrix (3 data codewords)"),
        (lambda: tavlo.DataMatrix("x", "square", dmre=True),
         "dmre=True adds the DMRE rectangles: give shape='rectangle' (or 'any') with it, not shape='square'"),
        (lambda: tavlo.DataMatrix("x" * 80, shape="rectangle"),
         "the data does not fit the largest Data Matrix of shape 'rectangle' (16x48, 49 data codewords)"),
        (lambda: tavlo.DataMatrix(b"\xff" * 1600),
         "the data does not fit the largest Data Matrix of shape 'square' (144x144, 1558 data codewords)"),
        (lambda: tavlo.DataMatrix("x", structured_append=(3, 2, 1)),
         "option 'structured_append': expected (index, count, file_id) with count from 2 to 16, index from 1 to "
         "count and file_id from 0 to 64515, not (3, 2, 1)"),
        (lambda: tavlo.DataMatrix("x", structured_append=(1, 17, 1)),
         "option 'structured_append': expected (index, count, file_id) with count from 2 to 16, index from 1 to "
         "count and file_id from 0 to 64515, not (1, 17, 1)"),
        (lambda: tavlo.DataMatrix("x", structured_append=(1, 2, 64516)),
         "option 'structured_append': expected (index, count, file_id) with count from 2 to 16, index from 1 to "
         "count and file_id from 0 to 64515, not (1, 2, 64516)"),
    ],
)
def test_size_and_option_refusals(make, message):
    with pytest.raises(tavlo.TavloError) as raised:
        make()
    assert str(raised.value) == f"Encoding error: {message}"


@pytest.mark.parametrize(
    "make, error, message",
    [
        (lambda: tavlo.DataMatrix("x", eci=1000000), ValueError, "argument 'eci': an ECI is from 0 to 999999, not 1000000"),
        (lambda: tavlo.DataMatrix("x", eci=-1), ValueError, "argument 'eci': an ECI is from 0 to 999999, not -1"),
        (lambda: tavlo.DataMatrix("x", eci="26"), TypeError, "argument 'eci': 'str' object is not an instance of 'int'"),
        (lambda: tavlo.DataMatrix("x", eci=899), ValueError,
         "argument 'eci': ECI 899 has no character set tavlo encodes a str in; give the data as bytes"),
        (lambda: tavlo.DataMatrix("\u65e5", eci=3), ValueError, "argument 'data': '\u65e5' is not in the character set of ECI 3 (latin-1)"),
        (lambda: tavlo.DataMatrix("x", structured_append=(1, 2)), TypeError,
         "argument 'structured_append': expected a tuple (index, count, file_id) of 3 ints"),
        (lambda: tavlo.DataMatrix("x", size=32), TypeError, "argument 'size': 'int' object is not an instance of 'str'"),
        (lambda: tavlo.Gs1DataMatrix("(01)09501101530003", eci=26), TypeError, None),
    ],
)
def test_argument_refusals(make, error, message):
    with pytest.raises(error) as raised:
        make()
    if message is not None:
        assert str(raised.value) == message


def transmitted(symbol) -> bytes:
    """What a reader transmits under the ECI protocol: "]d1" and the bytes, or "]d4", a backslash, the ECI in six
    digits and the bytes that follow it."""
    results = zxingcpp.read_barcodes(
        png_pixels(symbol.png(x_dim="4dots")), formats=zxingcpp.BarcodeFormat.DataMatrix, text_mode=zxingcpp.TextMode.HexECI
    )
    assert len(results) == 1, f"{symbol!r} not read"
    return bytes.fromhex(results[0].text)


@pytest.mark.parametrize(
    "data, eci, text, stream",
    [
        ("Grüße", None, "Grüße", b"]d1" + "Grüße".encode("latin-1")),  # ISO-8859-1, the default set: no ECI
        ("日本語 €", None, "日本語 €", b"]d4\\000026" + "日本語 €".encode()),  # not Latin-1: UTF-8 with ECI 26
        ("Grüße €", 26, "Grüße €", b"]d4\\000026" + "Grüße €".encode()),
        ("Привет", 7, "Привет", b"]d4\\000007" + "Привет".encode("iso8859-5")),
        ("日本", 20, "日本", b"]d4\\000020" + "日本".encode("shift_jis")),
        ("Ελλάδα", 9, "Ελλάδα", b"]d4\\000009" + "Ελλάδα".encode("iso8859-7")),
        (b"\xc3\xa9", 26, "é", b"]d4\\000026\xc3\xa9"),  # bytes as given, read in the ECI's set
        ("plain", 3, "plain", b"]d4\\000003plain"),
    ],
)
def test_eci_reads_back_as_the_text_and_its_bytes(data, eci, text, stream):
    symbol = tavlo.DataMatrix(data, eci=eci)
    assert read(symbol).text == text
    assert transmitted(symbol) == stream


@pytest.mark.parametrize("eci", [0, 126, 127, 128, 16382, 16383, 16384, 70000, 999999])
def test_every_designator_length_reads_back(eci):
    # One codeword up to 126, two up to 16382, three beyond.
    assert transmitted(tavlo.DataMatrix(b"ABC", eci=eci)) == b"]d4\\%06dABC" % eci


@pytest.mark.parametrize("count", [2, 5, 16])
def test_structured_append_symbols_read_back(count):
    # zxing-cpp's Python results do not carry the sequence; the lead codewords are checked in
    # core/tests/datamatrix_options_test.cpp. A reader refuses a structured append that is not first.
    message = "".join(f"part {i};" for i in range(count))
    parts = [message[i * len(message) // count : (i + 1) * len(message) // count] for i in range(count)]
    for index, part in enumerate(parts, start=1):
        symbol = tavlo.DataMatrix(part, structured_append=(index, count, 517 * count))
        assert transmitted(symbol) == b"]d1" + part.encode()
        # Four codewords more than the part alone.
        assert symbol.geometry().width >= tavlo.DataMatrix(part).geometry().width


def test_structured_append_with_eci():
    assert transmitted(tavlo.DataMatrix("日本", structured_append=(1, 2, 0))) == b"]d4\\000026" + "日本".encode()
