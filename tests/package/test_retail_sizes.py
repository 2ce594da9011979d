"""Retail sizes by default: EAN/UPC at a magnification of the nominal 0.33 mm, their bars the GS1 height for the
printed X, and tavlo.PrintWarning for an X outside the range GS1 allows or a bar width reduction of half a
module or more."""

import math
import subprocess
import sys
import warnings

import numpy as np
import pytest
from label_support import decoded_texts, png_pixels

import tavlo

NOMINAL_X_MM = 0.33
# GS1 General Specifications 5.2.3.4: the bars at 100 %.
RETAIL = [
    pytest.param(lambda: tavlo.Ean8("1234567"), 18.23, "EAN8", "12345670", id="ean8"),
    pytest.param(lambda: tavlo.UpcA("03600029145"), 22.85, "UPCA", "036000291452", id="upca"),
    pytest.param(lambda: tavlo.Ean13("590123412345"), 22.85, "EAN13", "5901234123457", id="ean13"),
    pytest.param(lambda: tavlo.UpcE("0123456"), 22.85, "UPCE", "012345000065", id="upce"),  # read as its UPC-A
    pytest.param(lambda: tavlo.Isbn("978-0-306-40615-7"), 22.85, "EAN13", "9780306406157", id="isbn"),
]


def dots(mm: float, dpi: int) -> int:
    return max(round(mm * dpi / 25.4), 1)


def bar_dots(bar_mm: float, x: int) -> int:
    """The bars keep the standard's proportion to the printed X (69.24 modules for 22.85 mm), up to a dot."""
    return math.ceil(bar_mm / NOMINAL_X_MM * x - 1e-9)


@pytest.mark.filterwarnings("ignore::tavlo.PrintWarning")  # 80 % rounds below 0.264 mm at these resolutions
@pytest.mark.parametrize("make, bar_mm, zxing_format, text", RETAIL)
@pytest.mark.parametrize("dpi", [203, 300, 600])
@pytest.mark.parametrize("magnification, factor", [(0.8, 0.8), ("100%", 1.0), ("150 %", 1.5), (2, 2.0), ("1.25", 1.25)])
def test_magnification_sets_x_to_whole_dots_and_the_bars_to_the_standard_height(
    make, bar_mm, zxing_format, text, dpi, magnification, factor
):
    symbol = make()
    layout = symbol.layout(dpi=dpi, magnification=magnification, text=False)
    x = dots(NOMINAL_X_MM * factor, dpi)
    assert layout.x_dim_dots == x
    assert layout.height_dots == bar_dots(bar_mm, x)
    assert abs(layout.height_mm - bar_mm * layout.x_dim_mm / NOMINAL_X_MM) < 25.4 / dpi
    pixels = png_pixels(symbol.png(dpi=dpi, magnification=magnification, text=False))
    assert pixels.shape == (layout.height_dots, layout.width_dots)
    dark_columns = (pixels == 0).any(axis=0)
    assert ((pixels[:, dark_columns] == 0).all(axis=0)).all(), "every bar runs the whole height"
    # zxing-cpp reports a UPC-A (and a UPC-E, expanded) in its 13-digit EAN form.
    decoded = decoded_texts(png_pixels(symbol.png(dpi=dpi, magnification=magnification)), zxing_format)
    assert len(decoded) == 1 and decoded[0] in (text, "0" + text)


@pytest.mark.parametrize("make, bar_mm, zxing_format, text", RETAIL)
@pytest.mark.parametrize("dpi, x, height", [(203, 3, 208), (300, 4, 277), (600, 8, 554)])
def test_the_default_is_100_percent_with_bars_of_the_standard_height(make, bar_mm, zxing_format, text, dpi, x, height):
    symbol = make()
    layout = symbol.layout(dpi=dpi, text=False)
    assert layout == symbol.layout(dpi=dpi, magnification=1, text=False)
    assert layout.x_dim_dots == x
    if bar_mm == 22.85:  # 69.24 modules: the pinned figures of UPC-A
        assert layout.height_dots == height
    assert layout.height_dots == bar_dots(bar_mm, x)


@pytest.mark.parametrize("make, bar_mm, zxing_format, text", RETAIL)
@pytest.mark.parametrize("options", [{"x_dim": "0.5mm"}, {"x_dim": "6dots"}, {"width": "60mm"}])
def test_an_asked_x_or_width_scales_the_bars_with_it(make, bar_mm, zxing_format, text, options):
    layout = make().layout(dpi=600, text=False, **options)
    assert layout.height_dots == bar_dots(bar_mm, layout.x_dim_dots)


def test_an_add_on_stands_beside_bars_of_the_standard_height():
    plain = tavlo.Ean13("590123412345").layout(dpi=300, text=False)
    with_addon = tavlo.Ean13("590123412345", addon="12").layout(dpi=300, text=False)
    assert plain.height_dots == bar_dots(22.85, 4) and with_addon.height_dots >= plain.height_dots


# GS1 DataBar bars are a number of modules high (ISO/IEC 24724), never raised to the 0.25 in of other bars.
@pytest.mark.parametrize(
    "make, modules_high",
    [
        pytest.param(lambda: tavlo.DataBar("0950110153000"), 33, id="omnidirectional"),
        pytest.param(lambda: tavlo.DataBar("0950110153000", truncated=True), 13, id="truncated"),
        pytest.param(lambda: tavlo.DataBarLimited("0950110153000"), 10, id="limited"),
        pytest.param(lambda: tavlo.DataBarExpanded("(01)09501101530003(3103)000123"), 34, id="expanded"),
    ],
)
@pytest.mark.parametrize("dpi, x_dim", [(203, None), (300, None), (600, None), (300, "1dot"), (600, "0.5mm")])
def test_databar_bars_are_their_modules_high(make, modules_high, dpi, x_dim):
    layout = make().layout(dpi=dpi, x_dim=x_dim, text=False)
    assert layout.height_dots == modules_high * layout.x_dim_dots


def test_the_table_of_kinds_says_which_kinds_take_magnification():
    from tavlo import _label

    magnified = {row["name"] for row in _label.kinds() if row["magnified"]}
    assert magnified == {"ean8", "upca", "ean13", "upce", "isbn", "issn", "ismn"}


def test_a_fixed_height_still_wins():
    assert tavlo.UpcA("03600029145").layout(dpi=300, height="10mm", text=False).height_dots == 118


def test_the_text_band_comes_under_the_standard_bars():
    symbol = tavlo.UpcA("03600029145")
    bare = symbol.layout(dpi=300, text=False)
    labelled = symbol.layout(dpi=300)
    assert labelled.height_dots > bare.height_dots == bar_dots(22.85, 4)


@pytest.mark.parametrize(
    "options, error, message",
    [
        ({"magnification": 0.79}, ValueError, "argument 'magnification': magnification must be from 0.8 to 2.0 (80% to 200%), not 0.79"),
        ({"magnification": 2.01}, ValueError, "argument 'magnification': magnification must be from 0.8 to 2.0 (80% to 200%), not 2.01"),
        ({"magnification": "250%"}, ValueError, "argument 'magnification': magnification must be from 0.8 to 2.0 (80% to 200%), not '250%'"),
        ({"magnification": "big"}, ValueError, "argument 'magnification': invalid magnification 'big': expected a number or a percentage (for example '0.8' or '80%')"),
        ({"magnification": float("nan")}, ValueError, "argument 'magnification': magnification must be from 0.8 to 2.0 (80% to 200%), not nan"),
        ({"magnification": True}, TypeError, None),
        ({"magnification": 1, "x_dim": "0.33mm"}, tavlo.TavloError, "Rendering error: give magnification or x_dim, not both"),
    ],
)
def test_magnification_refusals(options, error, message):
    with pytest.raises(error) as raised:
        tavlo.Ean8("1234567").png(**options)
    if message is not None:
        assert str(raised.value) == message


def test_magnification_is_for_the_retail_symbols():
    with pytest.raises(tavlo.TavloError) as raised:
        tavlo.Code128("Parcel").layout(magnification=1.2)
    assert str(raised.value) == "Rendering error: magnification sizes the retail symbols (EAN/UPC); give Code 128 an x_dim instead"


def print_warnings(make_label) -> list[str]:
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        make_label()
    assert all(issubclass(warning.category, tavlo.PrintWarning) for warning in caught)
    return [str(warning.message) for warning in caught]


def test_print_warning_is_a_user_warning_of_the_package():
    assert issubclass(tavlo.PrintWarning, UserWarning) and tavlo.PrintWarning.__module__ == "tavlo"


@pytest.mark.parametrize(
    "make, options, message",
    [
        # 80 % is 0.264 mm, which whole dots round under at these resolutions.
        (lambda: tavlo.Ean8("1234567"), {"dpi": 203, "magnification": "80%"},
         "the printed X-dimension of 0.250 mm (2 dots at 203 dpi) is outside the 0.264 mm to 0.660 mm the GS1 "
         "General Specifications allow for EAN-8 scanned at retail point of sale"),
        (lambda: tavlo.UpcA("03600029145"), {"dpi": 300, "magnification": 0.8},
         "the printed X-dimension of 0.254 mm (3 dots at 300 dpi) is outside the 0.264 mm to 0.660 mm the GS1 "
         "General Specifications allow for UPC-A scanned at retail point of sale"),
        (lambda: tavlo.UpcA("03600029145"), {"dpi": 203, "x_dim": "0.3mm"},
         "the printed X-dimension of 0.250 mm (2 dots at 203 dpi) is outside the 0.264 mm to 0.660 mm the GS1 "
         "General Specifications allow for UPC-A scanned at retail point of sale"),
        (lambda: tavlo.Ean8("1234567"), {"dpi": 300, "x_dim": "0.7mm"},
         "the printed X-dimension of 0.677 mm (8 dots at 300 dpi) is outside the 0.264 mm to 0.660 mm the GS1 "
         "General Specifications allow for EAN-8 scanned at retail point of sale"),
        (lambda: tavlo.Itf14("1540014128876"), {"dpi": 300, "x_dim": "0.4mm"},
         "the printed X-dimension of 0.423 mm (5 dots at 300 dpi) is outside the 0.495 mm to 1.016 mm the GS1 "
         "General Specifications allow for ITF-14 in general distribution"),
        (lambda: tavlo.Gs1_128("(01)09501101530003"), {"dpi": 600, "x_dim": "1.1mm", "quiet_zone": 5},
         "the printed X-dimension of 1.101 mm (26 dots at 600 dpi) is outside the 0.495 mm to 1.016 mm the GS1 "
         "General Specifications allow for GS1-128 in general distribution"),
        (lambda: tavlo.Code128("Parcel"), {"dpi": 300, "x_dim": "4dots", "bar_width_reduction": "2dots"},
         "the bar width reduction of 2 dots takes half a module or more of the 4-dot X-dimension"),
        (lambda: tavlo.QrCode("x"), {"dpi": 300, "x_dim": "3dots", "bar_width_reduction": "0.15mm"},
         "the bar width reduction of 2 dots takes half a module or more of the 3-dot X-dimension"),
    ],
)
@pytest.mark.parametrize("method", ["png", "svg", "pdf", "eps", "zpl"])
def test_print_warnings(make, options, message, method):
    symbol = make()
    with pytest.warns(tavlo.PrintWarning) as caught:
        getattr(symbol, method)(**options)
    assert [str(warning.message) for warning in caught] == [message]


@pytest.mark.parametrize(
    "make, options",
    [
        (lambda: tavlo.Ean8("1234567"), {"dpi": 203}),
        (lambda: tavlo.Ean8("1234567"), {"dpi": 203, "magnification": 2}),  # 5 dots, 0.625 mm
        (lambda: tavlo.UpcA("03600029145"), {"dpi": 600, "magnification": 0.85}),  # 7 dots, 0.296 mm
        (lambda: tavlo.UpcA("03600029145"), {"dpi": 2400, "magnification": 0.8}),  # 25 dots, 0.2646 mm
        (lambda: tavlo.Itf14("1540014128876"), {"dpi": 203}),
        (lambda: tavlo.Code128("Parcel"), {"dpi": 300, "x_dim": "0.1mm"}),  # no range for Code 128
        (lambda: tavlo.Code128("Parcel"), {"dpi": 300, "x_dim": "5dots", "bar_width_reduction": "2dots"}),
        (lambda: tavlo.DataMatrix("x"), {"dpi": 600}),
    ],
)
def test_no_print_warning_within_the_ranges(make, options):
    assert print_warnings(lambda: make().png(**options)) == []


def test_layout_reports_sizes_without_warning():
    assert print_warnings(lambda: tavlo.Ean8("1234567").layout(dpi=203, magnification=0.8)) == []


def test_a_warnings_filter_can_make_a_print_warning_an_error():
    with warnings.catch_warnings():
        warnings.simplefilter("error", tavlo.PrintWarning)
        with pytest.raises(tavlo.PrintWarning):
            tavlo.Ean8("1234567").png(dpi=203, magnification=0.8)


def test_the_command_line_prints_print_warnings_on_standard_error(tmp_path):
    target = tmp_path / "ean8.png"
    result = subprocess.run(
        [sys.executable, "-m", "tavlo", "ean8", "1234567", "-o", str(target), "--dpi", "203", "--x-dim", "0.25mm"],
        capture_output=True,
        timeout=120,
    )
    assert result.returncode == 0 and target.stat().st_size > 0
    assert b"PrintWarning: the printed X-dimension of 0.250 mm (2 dots at 203 dpi)" in result.stderr
