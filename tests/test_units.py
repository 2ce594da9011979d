"""Units and the dpi rule of render_png: which unit texts parse, when a dpi is needed, how a requested size
becomes whole pixels, and the order in which problems are reported. Sizes are read from the PNG header."""

import math

import pytest

from _tavlo import Ean8, QrCode, TavloError

DPI_REQUIRED = "dpi is required when unit is 'in' or 'mm'"
DPI_NOT_ALLOWED = "dpi must not be specified when unit is 'px'"
INVALID_DIMENSIONS = "Rendering error: Invalid dimensions"
NO_PIXMAP = "Rendering error: Failed to create pixmap"

SYMBOLS = [Ean8("1234567"), QrCode("units")]


def size_of(png: bytes) -> tuple[int, int]:
    """Width and height from the IHDR chunk."""
    return int.from_bytes(png[16:20], "big"), int.from_bytes(png[20:24], "big")


def raises(call, message: str, error=TavloError) -> None:
    with pytest.raises(error) as info:
        call()
    assert str(info.value) == message


@pytest.mark.parametrize("symbol", SYMBOLS, ids=["linear", "matrix"])
class TestUnitText:
    @pytest.mark.parametrize("unit", ["IN", "Mm", " px", "in ", "inch", "", "p\x00", "ìn"])
    def test_anything_else_is_refused_with_the_text_repeated(self, symbol, unit):
        raises(lambda: symbol.render_png(1, 1, unit=unit, dpi=300),
               f"Invalid unit '{unit}': expected 'in', 'mm', or 'px'")

    def test_unit_is_checked_before_the_dpi_rule_and_the_size(self, symbol):
        raises(lambda: symbol.render_png(0, 0, unit="IN"), "Invalid unit 'IN': expected 'in', 'mm', or 'px'")

    def test_argument_types_are_checked_before_the_unit(self, symbol):
        with pytest.raises(TypeError) as info:
            symbol.render_png(1, "1", unit="IN")
        assert str(info.value).startswith("argument 'height': ")
        with pytest.raises(OverflowError):
            symbol.render_png(1, 1, unit="IN", dpi=-5)


@pytest.mark.parametrize("symbol", SYMBOLS, ids=["linear", "matrix"])
class TestDpiRule:
    @pytest.mark.parametrize("width, height", [(1, 1), (0, 0), (-1, 5), (math.nan, 1), (1e300, 1e300)])
    def test_dpi_rule_comes_before_any_size_arithmetic(self, symbol, width, height):
        raises(lambda: symbol.render_png(width, height, unit="in"), DPI_REQUIRED)
        raises(lambda: symbol.render_png(width, height, unit="mm", dpi=None), DPI_REQUIRED)
        for dpi in (0, 300, 2**32 - 1):  # zero counts as a dpi
            raises(lambda: symbol.render_png(width, height, unit="px", dpi=dpi), DPI_NOT_ALLOWED)

    @pytest.mark.parametrize("unit", ["in", "mm"])
    def test_dpi_zero_passes_the_rule_and_gives_no_pixels(self, symbol, unit):
        raises(lambda: symbol.render_png(1, 1, unit=unit, dpi=0), INVALID_DIMENSIONS)


class TestPixelSize:
    symbol = Ean8("1234567")

    @pytest.mark.parametrize("width, height, unit, dpi, expected", [
        (1.0, 0.5, "in", 300, (300, 150)),
        (50, 25.4, "mm", 300, (591, 300)),          # 50 / 25.4 * 300 = 590.55...
        (2.5, 0.5, "px", None, (3, 1)),             # halves away from zero
        (3.5, 1.49999, "px", None, (4, 1)),
        (1, 1, "in", 1, (1, 1)),
        (0.1, 0.3, "in", 5, (1, 2)),                # 0.5 and 1.5 in double precision
        (100.0, 2 ** 20, "px", None, (100, 2 ** 20)),
    ])
    def test_conversion(self, width, height, unit, dpi, expected):
        assert size_of(self.symbol.render_png(width, height, unit=unit, dpi=dpi)) == expected

    @pytest.mark.parametrize("dpi", [1, 72, 96, 254, 300, 600, 1200, 2400])
    def test_an_inch_in_millimetres_gives_exactly_the_dpi(self, dpi):
        assert size_of(self.symbol.render_png(25.4, 25.4, unit="mm", dpi=dpi)) == (dpi, dpi)

    def test_mm_divides_before_multiplying(self):
        # 2.3 mm at 127 dpi: 2.3 / 25.4 * 127 is 11.499999999999998, while 2.3 * 127 / 25.4 would be 11.5.
        assert size_of(self.symbol.render_png(2.3, 2.3, unit="mm", dpi=127)) == (11, 11)

    @pytest.mark.parametrize("side", [0.4, 0.49999999, 0, -0.0, -0.5, -3, -math.inf, math.nan])
    @pytest.mark.parametrize("unit, dpi", [("px", None), ("in", 300), ("mm", 300)])
    def test_sides_rounding_below_one_pixel_are_invalid(self, side, unit, dpi):
        if unit != "px" and side in (0.4, 0.49999999):
            side /= dpi if unit == "in" else dpi / 25.4
        raises(lambda: self.symbol.render_png(side, 10, unit=unit, dpi=dpi), INVALID_DIMENSIONS)
        raises(lambda: self.symbol.render_png(10, side, unit=unit, dpi=dpi), INVALID_DIMENSIONS)

    def test_half_a_pixel_gives_one(self):
        assert size_of(self.symbol.render_png(0.5, 0.5, unit="px")) == (1, 1)

    @pytest.mark.parametrize("huge", [math.inf, 1e300, 2.0**32, 4294967295.4])
    def test_huge_sides_saturate_and_are_refused(self, huge):
        raises(lambda: self.symbol.render_png(huge, 1, unit="px"), NO_PIXMAP)
        raises(lambda: self.symbol.render_png(1, huge, unit="px"), NO_PIXMAP)
        raises(lambda: self.symbol.render_png(huge, 1, unit="in", dpi=2**32 - 1), NO_PIXMAP)

    def test_a_zero_side_is_reported_before_the_width_limit(self):
        raises(lambda: self.symbol.render_png(0, math.inf, unit="px"), INVALID_DIMENSIONS)
        raises(lambda: self.symbol.render_png(math.inf, 0, unit="px"), INVALID_DIMENSIONS)
