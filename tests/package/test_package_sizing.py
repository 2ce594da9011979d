"""Print-exact sizing: whole dots per module read back from PNG pixels, fitted widths, default heights and
quiet zones, bar width reduction, and the option errors."""

import math

import numpy as np
import pytest
from label_support import KIND_PARAMS, LINEAR_PARAMS, MATRIX_PARAMS, decoded_texts, module_grid, module_row, png_pixels

import tavlo

DEFAULT_QUIET_ZONES = {
    "ean8": 7, "upca": 9, "code39": 10, "itf": 10, "code93": 10, "codabar": 10, "code128": 10, "qr": 4, "datamatrix": 1,
    "gs1datamatrix": 1,
}


def expected_pixels(symbol, kind, x: int, quiet: int, height: int) -> np.ndarray:
    geometry = symbol.geometry()
    if kind.matrix:
        return np.kron(module_grid(geometry, quiet), np.ones((x, x), dtype=np.uint8))
    return np.tile(np.repeat(module_row(geometry, quiet), x), (height, 1))


@pytest.mark.parametrize("kind", KIND_PARAMS)
@pytest.mark.parametrize("dpi, x_dim, dots", [(203, "0.33mm", 3), (300, "0.33mm", 4), (600, "0.33mm", 8), (300, "1dot", 1)])
def test_every_module_is_the_same_whole_number_of_dots(kind, dpi, x_dim, dots):
    symbol = kind.make()
    layout = symbol.layout(dpi=dpi, x_dim=x_dim, text=False)
    assert layout.x_dim_dots == dots
    pixels = png_pixels(symbol.png(dpi=dpi, x_dim=x_dim, text=False))
    assert pixels.shape == (layout.height_dots, layout.width_dots)
    expected = expected_pixels(symbol, kind, dots, DEFAULT_QUIET_ZONES[kind.name], layout.height_dots)
    np.testing.assert_array_equal(pixels, expected)


@pytest.mark.parametrize(
    "x_dim, dpi, dots",
    [("0.33mm", 300, 4), (0.33, 300, 4), ("13mil", 300, 4), ("0.013in", 300, 4), ("4dots", 300, 4), ("4 dot", 600, 4),
     ("0.01mm", 300, 1), ("0.33mm", 203, 3), ("0.5mm", 600, 12)],
)
def test_the_x_dimension_is_the_nearest_whole_dot_and_reported_as_printed(x_dim, dpi, dots):
    layout = tavlo.Code128("Parcel 0123456789").layout(dpi=dpi, x_dim=x_dim)
    assert (layout.dpi, layout.x_dim_dots) == (dpi, dots)
    assert layout.x_dim_mm == pytest.approx(dots * 25.4 / dpi)


def test_a_third_of_a_millimetre_at_300_dpi_prints_as_4_dots_of_0_339_mm():
    layout = tavlo.Ean8("1234567").layout(dpi=300, x_dim="0.33mm")
    assert layout.x_dim_dots == 4
    assert round(layout.x_dim_mm, 3) == 0.339


@pytest.mark.parametrize("kind", KIND_PARAMS)
@pytest.mark.parametrize("width, dpi", [("1in", 300), ("2in", 203), ("50mm", 600)])
def test_a_target_width_gets_the_largest_whole_dot_module_that_fits(kind, width, dpi):
    symbol = kind.make()
    layout = symbol.layout(dpi=dpi, width=width, text=False)
    target = round(tavlo.Code39("A").layout(dpi=dpi, x_dim=width, max_pixels=None).x_dim_dots)  # the length in dots
    quiet = DEFAULT_QUIET_ZONES[kind.name]
    geometry = symbol.geometry()
    across = (geometry.width if kind.matrix else geometry.total_modules) + 2 * quiet
    assert layout.width_dots == target
    assert layout.x_dim_dots == target // across
    pixels = png_pixels(symbol.png(dpi=dpi, width=width, text=False))
    assert pixels.shape[1] == target
    # The symbol is centred in the width left over.
    first_dark = int(np.argmax((pixels == 0).any(axis=0)))
    assert first_dark == (target - across * layout.x_dim_dots) // 2 + quiet * layout.x_dim_dots + (
        0 if not kind.matrix else min(c for row in geometry.modules for c, dark in enumerate(row) if dark) * layout.x_dim_dots
    )


def test_a_fitted_square_symbol_gives_a_square_image():
    layout = tavlo.QrCode("https://example.com").layout(dpi=300, width="1in")
    assert (layout.width_dots, layout.height_dots) == (300, 300)


# EAN/UPC bars are the standard's height for their X instead (test_retail_sizes.py).
@pytest.mark.parametrize("kind", [kind for kind in LINEAR_PARAMS if kind.values[0].name not in ("ean8", "upca")])
@pytest.mark.parametrize("dpi", [203, 300, 600])
def test_linear_height_defaults_to_15_percent_of_the_width_or_a_quarter_inch(kind, dpi):
    symbol = kind.make()
    layout = symbol.layout(dpi=dpi, x_dim="0.33mm", text=False)
    symbol_dots = symbol.geometry().total_modules * layout.x_dim_dots
    assert layout.height_dots == max(math.ceil(0.15 * symbol_dots), math.ceil(0.25 * dpi))


@pytest.mark.parametrize("kind", MATRIX_PARAMS)
def test_matrix_height_defaults_to_square_modules(kind):
    symbol = kind.make()
    geometry = symbol.geometry()
    layout = symbol.layout(dpi=300, x_dim="5dots")
    quiet = DEFAULT_QUIET_ZONES[kind.name]
    assert layout.width_dots == (geometry.width + 2 * quiet) * 5
    assert layout.height_dots == (geometry.height + 2 * quiet) * 5


@pytest.mark.parametrize("kind", KIND_PARAMS)
def test_quiet_zones_default_to_the_symbology_minimum_and_can_be_set(kind):
    symbol = kind.make()
    assert symbol.layout().quiet_zone == DEFAULT_QUIET_ZONES[kind.name]
    layout = symbol.layout(dpi=300, x_dim="2dots", quiet_zone=0)
    assert layout.quiet_zone == 0
    pixels = png_pixels(symbol.png(dpi=300, x_dim="2dots", quiet_zone=0))
    dark_columns = np.flatnonzero((pixels == 0).any(axis=0))
    assert dark_columns[0] == 0 and dark_columns[-1] == pixels.shape[1] - 1


def test_a_fixed_height_is_the_image_height():
    assert png_pixels(tavlo.Code39("ABC").png(dpi=300, height="10mm")).shape[0] == 118
    layout = tavlo.QrCode("x").layout(dpi=300, x_dim="2dots", height="20mm")
    assert layout.height_dots == 236 and layout.width_dots == 58


def bar_runs(row: np.ndarray) -> list[int]:
    edges = np.flatnonzero(np.diff(np.concatenate(([255], row, [255])) == 0))
    return [int(end - start) for start, end in zip(edges[::2], edges[1::2])]


@pytest.mark.filterwarnings("ignore::tavlo.PrintWarning")  # half a module and more are asked for on purpose
@pytest.mark.parametrize("x, reduction, narrowed", [(4, "1dot", 1), (4, "2dots", 2), (3, "0.0847mm", 1), (1, "1dot", 1), (2, "5dots", 5)])
def test_bar_width_reduction_takes_whole_dots_but_never_the_last_one(x, reduction, narrowed):
    symbol = tavlo.Code128("Parcel 0123456789")
    plain = png_pixels(symbol.png(dpi=300, x_dim=f"{x}dots"))[0]
    reduced = png_pixels(symbol.png(dpi=300, x_dim=f"{x}dots", bar_width_reduction=reduction))[0]
    assert bar_runs(reduced) == [max(run - narrowed, 1) for run in bar_runs(plain)]
    # The reduction is shared by both edges, the odd dot coming off the right.
    plain_starts = np.flatnonzero(np.diff(np.concatenate(([255], plain))) == -255)
    reduced_starts = np.flatnonzero(np.diff(np.concatenate(([255], reduced))) == -255)
    assert list(reduced_starts - plain_starts) == [min(narrowed, run - 1) // 2 for run in bar_runs(plain)]


def reduced_matrix(modules: np.ndarray, x: int, reduction: int) -> np.ndarray:
    """A matrix symbol's pixels, quiet zone left out, when its dark modules give up `reduction` dots on every side
    that borders light: across per run of dark modules, down per module, each keeping a dot; the odd dot comes
    off the right and the bottom."""
    rows, columns = modules.shape
    pixels = np.full((rows * x, columns * x), 255, np.uint8)
    down = min(reduction, x - 1)
    for r in range(rows):
        c = 0
        while c < columns:
            if not modules[r, c]:
                c += 1
                continue
            start = c
            while c < columns and modules[r, c]:
                c += 1
            cut = min(reduction, (c - start) * x - 1)
            left, right = start * x + cut // 2, c * x - (cut - cut // 2)
            for m in range(start, c):
                top = r * x + (0 if r > 0 and modules[r - 1, m] else down // 2)
                bottom = (r + 1) * x - (0 if r + 1 < rows and modules[r + 1, m] else down - down // 2)
                pixels[top:bottom, max(m * x, left) : min((m + 1) * x, right)] = 0
    return pixels


MATRIX_SAMPLES = [
    pytest.param(lambda: tavlo.QrCode("https://example.com/label"), "QRCode", id="qr"),
    pytest.param(lambda: tavlo.DataMatrix("tavlo label 42"), "DataMatrix", id="datamatrix"),
    pytest.param(lambda: tavlo.DataMatrix("tavlo label 42", shape="rectangle"), "DataMatrix", id="datamatrix-rectangle"),
]


@pytest.mark.filterwarnings("ignore::tavlo.PrintWarning")  # half a module and more are asked for on purpose
@pytest.mark.parametrize("make, zxing_format", MATRIX_SAMPLES)
@pytest.mark.parametrize("x, reduction", [(4, 1), (4, 2), (5, 3), (3, 2), (2, 5), (6, 6), (1, 1)])
def test_bar_width_reduction_shrinks_matrix_modules_in_both_directions(make, zxing_format, x, reduction):
    symbol = make()
    modules = np.array(symbol.geometry().modules, dtype=bool)
    pixels = png_pixels(symbol.png(dpi=300, x_dim=f"{x}dots", quiet_zone=0, bar_width_reduction=f"{reduction}dots"))
    np.testing.assert_array_equal(pixels, reduced_matrix(modules, x, reduction))


def test_a_finder_pattern_loses_a_dot_on_each_side_it_borders_light():
    pixels = png_pixels(tavlo.QrCode("x").png(dpi=300, x_dim="4dots", quiet_zone=0, bar_width_reduction="2dots"))
    ring = pixels[: 7 * 4, : 7 * 4] == 0
    assert not ring[0].any() and not ring[:, 0].any()  # top and left edges moved in by one dot
    assert ring[1, 1 : 7 * 4 - 1].all() and ring[1 : 7 * 4 - 1, 1].all()
    assert not ring[7 * 4 - 1].any() and not ring[:, 7 * 4 - 1].any()  # and bottom and right
    # Inside the ring, the light module row lets the ring's inner edge give up its dot too.
    assert ring[4 - 2, 4 + 2] and not ring[4 - 1, 4 + 2]


@pytest.mark.parametrize("make, zxing_format", MATRIX_SAMPLES)
def test_reduced_matrix_symbols_still_read(make, zxing_format):
    symbol = make()
    pixels = png_pixels(symbol.png(dpi=300, x_dim="8dots", bar_width_reduction="2dots"))
    assert len(decoded_texts(pixels, zxing_format)) == 1


@pytest.mark.parametrize(
    "options, error, message",
    [
        ({"x_dim": "0.33 millimetres"}, ValueError, "argument 'x_dim': invalid length '0.33 millimetres': expected a number with a unit: mm, in, mil or dots (for example '0.33mm')"),
        ({"width": "mm"}, ValueError, "argument 'width': invalid length 'mm'"),
        ({"x_dim": -1}, ValueError, "argument 'x_dim': a length must be a finite number, not negative"),
        ({"x_dim": 0}, ValueError, "argument 'x_dim': a length must be more than zero"),
        ({"height": float("nan")}, ValueError, "argument 'height': a length must be a finite number, not negative"),
        ({"x_dim": True}, TypeError, "argument 'x_dim': 'bool' object is not an instance of 'str, int or float'"),
        ({"dpi": 0}, ValueError, "argument 'dpi': dpi must be from 1 to 4294967295"),
        ({"dpi": 2**32}, ValueError, "argument 'dpi': dpi must be from 1 to 4294967295"),
        ({"dpi": 300.0}, TypeError, "argument 'dpi': "),
        ({"quiet_zone": -1}, ValueError, "argument 'quiet_zone': quiet_zone must be from 0 to 4294967295 modules"),
        ({"quiet_zone": 2**64}, ValueError, "argument 'quiet_zone': quiet_zone must be from 0 to 4294967295 modules"),
        ({"foreground": "#12345"}, ValueError, "argument 'foreground': invalid colour '#12345'"),
        ({"background": (1, 2)}, ValueError, "argument 'background': a colour tuple holds 3 or 4 integers from 0 to 255"),
        ({"background": (0, 0, 256)}, ValueError, "argument 'background': a colour tuple holds 3 or 4 integers"),
        ({"dpu": 300}, TypeError, "Code39.png() got an unexpected keyword argument 'dpu'"),
        ({"width": "1mm"}, tavlo.TavloError, "Rendering error: the width of 12 dots is less than the 58 dots the label needs"),
        ({"width": "10mm", "x_dim": "1mm"}, tavlo.TavloError, "Rendering error: the width of 118 dots is less than the 696 dots the label needs"),
    ],
)
def test_option_errors_name_the_option(options, error, message):
    with pytest.raises(error) as raised:
        tavlo.Code39("A").png(**options)
    assert str(raised.value).startswith(message)


def test_render_options_are_keyword_only():
    with pytest.raises(TypeError, match=r"QrCode.svg\(\) takes 0 positional arguments but 1 was given"):
        tavlo.QrCode("x").svg(300)


@pytest.mark.parametrize(
    "make, options",
    [
        (lambda: tavlo.UpcA("03600029145"), {"x_dim": "400000000dots"}),
        (lambda: tavlo.Code128("Parcel 1"), {"x_dim": "3000000000dots"}),
        (lambda: tavlo.Gs1DataMatrix("(01)09501101530003(10)ABC123"), {"dpi": 4294967295, "x_dim": "1dot", "text": True}),
    ],
    ids=["retail digits", "centred text", "element strings"],
)
def test_a_text_band_too_large_to_print_is_refused_not_wrapped(make, options):
    with pytest.raises(tavlo.TavloError, match="^Rendering error: a label side may not exceed 2147483647 dots$"):
        make().png(**options)
