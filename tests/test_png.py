"""PNG rendering, read back from the bytes: the pixels that the single-precision rectangle rule paints (checked
against a model of that rule on real symbols at random sizes), two colours only, the chunk list, the width and
canvas limits, and zxing-cpp reading every class back."""

import math
import zlib

import numpy as np
import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from _tavlo import Code39, Code128, Data, DataMatrix, Ean8, Itf, QrCode, TavloError, UpcA
from support import decode_one, module_string, png_chunks, png_pixels

NO_PIXMAP = "Rendering error: Failed to create pixmap"
F32 = np.float32


# A model of the painting: the scale and every edge in single precision, roundf, and each rectangle painted in
# turn by the rule for its canvas (at least one pixel across while both sides are below 8192).

def roundf(value: np.float32) -> float:
    exact = float(value)  # a float32 is exact in double, and so is adding one half to it
    return exact if not math.isfinite(exact) else math.copysign(math.floor(abs(exact) + 0.5), exact)


def edge(index: int, scale: np.float32) -> float:
    return roundf(F32(index % 2**32) * scale)


def covered(start: float, stop: float, at_least_one: bool) -> slice:
    if not (math.isfinite(start) and math.isfinite(stop)) or stop < start:
        return slice(0, 0)
    size = max(1, stop - start) if at_least_one else stop - start
    return slice(int(start), int(start + size))


def scale(pixels: int, modules: int) -> np.float32:
    with np.errstate(divide="ignore"):
        return F32(pixels) / F32(modules % 2**32)


def linear_model(geometry, q: int, width: int, height: int, columns: int | None = None) -> np.ndarray:
    """The first `columns` (all by default) pixels of every row, True for black."""
    row = np.zeros(width if columns is None else columns, dtype=bool)
    small = width < 8192 and height < 8192
    s = scale(width, geometry.total_modules + 2 * q)
    for bar in geometry.bars:
        a = bar.x + q
        row[covered(edge(a, s), edge(a + bar.width, s), small)] = True
    return row


def matrix_model(geometry, q: int, width: int, height: int) -> np.ndarray:
    image = np.zeros((height, width), dtype=bool)
    small = width < 8192 and height < 8192
    sx = scale(width, geometry.width + 2 * q)
    sy = scale(height, geometry.height + 2 * q)
    for r, row in enumerate(geometry.modules):
        rows = covered(edge(q + r, sy), edge(q + r + 1, sy), small)
        for c, dark in enumerate(row):
            if dark:
                image[rows, covered(edge(q + c, sx), edge(q + c + 1, sx), small)] = True
    return image


def black(png: bytes) -> np.ndarray:
    """The image as True for black, after checking that every pixel is opaque black or opaque white."""
    words = png_pixels(png).view("<u4")[:, :, 0]  # R, G, B, A from the lowest byte up
    is_black = words == 0xFF000000
    assert (is_black | (words == 0xFFFFFFFF)).all(), "a third colour"
    return is_black


def assert_paints_model(symbol, width: int, height: int, q: int) -> np.ndarray:
    image = black(symbol.render_png(width, height, unit="px", quiet_zone_modules=q))
    geometry = symbol.geometry()
    if hasattr(geometry, "bars"):
        expected = np.broadcast_to(linear_model(geometry, q, width, height), (height, width))
    else:
        expected = matrix_model(geometry, q, width, height)
    assert image.shape == expected.shape
    mismatch = np.argwhere(image != expected)
    assert not len(mismatch), f"{len(mismatch)} pixels differ, first (row, column) {tuple(mismatch[0])}"
    return image


def ihdr(png: bytes) -> tuple[int, ...]:
    """Width, height, bit depth, colour type, compression, filter and interlace methods."""
    assert png[12:16] == b"IHDR"
    body = png[16:29]
    return (int.from_bytes(body[0:4], "big"), int.from_bytes(body[4:8], "big"), *body[8:13])


SYMBOLS = {
    "Code39": (lambda: Code39("TAVLO-39"), "TAVLO-39", "Code39"),
    "Code128": (lambda: Code128([Data("Tavlo 128")]), "Tavlo 128", "Code128"),
    "Ean8": (lambda: Ean8("1234567"), "12345670", "EAN8"),
    "UpcA": (lambda: UpcA("03600029145"), "036000291452", "UPCA"),
    "Itf": (lambda: Itf("12345678"), "12345678", "ITF"),
    "QrCode": (lambda: QrCode("PNG read-back, ünïcode"), "PNG read-back, ünïcode", "QRCode"),
    "DataMatrix": (lambda: DataMatrix("Data Matrix read-back"), "Data Matrix read-back", "DataMatrix"),
}
LINEAR = ["Code39", "Code128", "Ean8", "UpcA", "Itf"]


class TestWorkedExamples:
    def test_a_whole_scale_repeats_every_module(self):
        symbol = Ean8("1234567")  # N = 67 + 2; s = 2
        image = black(symbol.render_png(138, 4, unit="px", quiet_zone_modules=1))
        modules = np.array([c == "1" for c in "0" + module_string(symbol.geometry()) + "0"])
        assert (image == np.repeat(modules, 2)).all()

    def test_single_precision_scale_places_the_edges(self):
        # N = 87 and 100 pixels: s = 1.1494253 in single precision; the bar from module 10 to 11 spans
        # 11.494... and 12.643..., so columns 11 and 12.
        assert F32(100) / F32(87) == F32(1.1494253)
        image = black(Ean8("1234567").render_png(100, 3, unit="px", quiet_zone_modules=10))
        assert list(image[0, 9:14]) == [False, False, True, True, False]

    def test_a_bar_thinner_than_a_pixel_still_paints_one_column(self):
        # 27 pixels for 67 modules: the bar from module 2 to 3 rounds to [1, 1) and still paints column 1.
        s = F32(27) / F32(67)
        assert roundf(F32(2) * s) == roundf(F32(3) * s) == 1
        image = assert_paints_model(Ean8("1234567"), 27, 5, 0)
        assert image[:, 1].all()

    def test_width_equal_to_the_module_count_gives_the_modules(self):
        symbol = UpcA("03600029145")
        q = 9
        image = black(symbol.render_png(95 + 2 * q, 1, unit="px", quiet_zone_modules=q))
        assert "".join("1" if b else "0" for b in image[0]) == "0" * q + module_string(symbol.geometry()) + "0" * q


@pytest.mark.parametrize("name", SYMBOLS)
class TestFile:
    def test_two_colours_and_the_chunk_list(self, name):
        png = SYMBOLS[name][0]().render_png(1, 0.5, dpi=300, quiet_zone_modules=3)
        assert png_chunks(png) == ["IHDR", "IDAT", "IEND"]
        assert ihdr(png) == (300, 150, 8, 6, 0, 0, 0)
        black(png)

    def test_same_arguments_same_bytes(self, name):
        make = SYMBOLS[name][0]
        assert make().render_png(321, 123, unit="px", quiet_zone_modules=2) == make().render_png(
            321, 123, unit="px", quiet_zone_modules=2)

    def test_zxing_reads_the_text_back(self, name):
        make, text, fmt = SYMBOLS[name]
        size = (2, 0.5) if name in LINEAR else (1, 1)
        image = png_pixels(make().render_png(*size, dpi=300, quiet_zone_modules=10 if name in LINEAR else 4))
        assert decode_one(np.ascontiguousarray(image[:, :, 0]), fmt).text.endswith(text)

    @pytest.mark.parametrize("width, height, q", [(300, 150, 0), (1000, 31, 7), (97, 400, 1), (1500, 1777, 10)])
    def test_pixels_follow_the_rectangle_rule(self, name, width, height, q):
        assert_paints_model(SYMBOLS[name][0](), width, height, q)


def symbols():
    digits = "0123456789"
    return st.one_of(
        st.text(digits, min_size=7, max_size=7).map(Ean8),
        st.text(digits, min_size=11, max_size=11).map(UpcA),
        st.text(digits + "ABCDEFGHIJKLMNOPQRSTUVWXYZ -.$/+%", min_size=1, max_size=20).map(Code39),
        st.text(digits, min_size=1, max_size=12).map(lambda t: Itf(t * 2)),
        st.text(st.characters(min_codepoint=32, max_codepoint=126), min_size=1, max_size=24)
        .map(lambda t: Code128([Data(t)])),
        st.text(max_size=40).map(QrCode),
        st.binary(max_size=40).map(DataMatrix),
    )


EDGE = st.integers(8185, 8200)  # both sides of the 8192-pixel threshold


@settings(max_examples=300, deadline=None)
@given(symbol=symbols(), q=st.integers(0, 40), size=st.one_of(
    st.tuples(st.integers(1, 700), st.integers(1, 300)),
    st.tuples(st.integers(1, 40), st.integers(1, 40)),
    st.tuples(EDGE, st.integers(1, 6)),
    st.tuples(st.integers(1, 120), EDGE),
))
def test_random_symbols_and_sizes_follow_the_rectangle_rule(symbol, q, size):
    assert_paints_model(symbol, *size, q)


@settings(max_examples=20, deadline=None)
@given(symbol=symbols(), q=st.integers(0, 12), width=st.integers(500, 4000), height=st.integers(200, 1000))
def test_random_large_sizes_follow_the_rectangle_rule(symbol, q, width, height):
    assert_paints_model(symbol, width, height, q)


class TestThreshold:
    """Rectangles narrower or lower than a pixel paint one pixel while both sides are below 8192, none after."""

    @pytest.mark.parametrize("width, height", [(8191, 1), (8192, 1), (100, 8191), (100, 8192)])
    def test_linear_either_side(self, width, height):
        symbol = Ean8("1234567")
        q = 5000  # 10067 modules: under a pixel each at either width
        image = assert_paints_model(symbol, width, height, q)[0]
        s = scale(width, 67 + 2 * q)
        starts = [int(edge(bar.x + q, s)) for bar in symbol.geometry().bars]
        if width < 8192 and height < 8192:
            assert image[starts].all()
        else:
            assert not image[starts].all()

    @pytest.mark.parametrize("height", [8191, 8192])
    def test_matrix_modules_of_no_size(self, height):
        image = assert_paints_model(QrCode("threshold"), 50, height, 5000)
        assert image.any() == (height < 8192)


class TestLargeImages:
    @pytest.mark.parametrize("make, width, height", [
        pytest.param(lambda: Ean8("7654321"), 36_000_001, 1, id="zero-runs"),  # megabytes of zeros in a row
        pytest.param(lambda: Ean8("7654321"), 4000, 4000, id="rows"),          # thousands of equal rows
        pytest.param(lambda: QrCode("tall"), 4000, 4000, id="bands"),          # bands of a hundred equal rows
        pytest.param(lambda: QrCode("tall"), 900, 9000, id="tall-bands"),
    ])
    def test_copied_runs_decode_to_the_same_pixels(self, make, width, height):
        assert_paints_model(make(), width, height, 1)

    def test_widest_canvas(self):
        width = 536870911  # the largest whose row of 4-byte pixels stays within 2^31 - 1 bytes
        symbol = Ean8("1234567")
        png = symbol.render_png(width, 1, unit="px")
        assert png_chunks(png) == ["IHDR", "IDAT", "IEND"] and ihdr(png)[:2] == (width, 1)
        # The first 2^24 pixels of the single row: Sub filtered or not, they hold two bars.
        raw = zlib.decompressobj().decompress(png[41:-16], 1 + 4 * 2**24)
        pixels = np.frombuffer(raw[1:], dtype=np.uint8).reshape(-1, 4)
        if raw[0] in (1, 4):  # Sub, or Paeth, which is Sub on a first row
            pixels = np.cumsum(pixels, axis=0, dtype=np.uint8)
        else:
            assert raw[0] in (0, 2)
        expected = linear_model(symbol.geometry(), 0, width, 1, columns=2**24)
        assert expected.any() and not expected.all()
        assert ((pixels[:, 0] == 0) == expected).all()

    @pytest.mark.parametrize("height", [1, 2, 2**20, 2**32 - 1])
    def test_one_pixel_wider_is_refused_whatever_the_height(self, height):
        with pytest.raises(TavloError) as info:
            Ean8("1234567").render_png(536870912, height, unit="px")
        assert str(info.value) == NO_PIXMAP

    @pytest.mark.parametrize("make", [pytest.param(lambda: Ean8("1234567"), id="linear"),
                                      pytest.param(lambda: QrCode("canvas"), id="matrix")])
    @pytest.mark.parametrize("width, height, fits", [
        (65536, 16383, True), (65536, 16384, False),
        (536870911, 2, True), (536870911, 3, False),
        (1, 2**30 - 1, True), (1, 2**30, False), (1, 2**32 - 1, False), (4000, 2**31, False),
    ])
    def test_canvas_of_at_most_four_gibibytes(self, make, width, height, fits):
        # The canvas's bytes, 4 per pixel, must fit an unsigned 32-bit integer; a larger request (a height
        # in the billions) is refused at once instead of producing gigabytes.
        if fits:
            png = make().render_png(width, height, unit="px")
            assert png_chunks(png) == ["IHDR", "IDAT", "IEND"] and ihdr(png)[:2] == (width, height)
        else:
            with pytest.raises(TavloError) as info:
                make().render_png(width, height, unit="px")
            assert str(info.value) == NO_PIXMAP

    def test_quiet_zone_in_the_billions_still_renders_two_colours(self):
        for symbol in (Ean8("1234567"), QrCode("wrap")):
            for q in (2**31, 2**32 - 1):
                black(symbol.render_png(64, 32, unit="px", quiet_zone_modules=q))
