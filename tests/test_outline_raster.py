"""The text rasteriser's fill rule, through a small native driver compiled against its source: a dot is dark
exactly when its centre lies inside the outline by the non-zero winding rule, with no anti-aliasing."""

import shutil
import subprocess
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(__file__).resolve().parents[1]
SOURCES = [ROOT / "tests/native/outline_raster.cpp"] + [
    ROOT / "core/src/text" / name for name in ("outline_raster.cpp", "glyph_outline.cpp", "text_raster.cpp")
]


@pytest.fixture(scope="module")
def rasteriser(tmp_path_factory) -> Path:
    compiler = shutil.which("c++") or shutil.which("g++") or shutil.which("clang++")
    if compiler is None or not all(path.exists() for path in SOURCES):
        pytest.skip("no C++ compiler or no source tree")
    binary = tmp_path_factory.mktemp("native") / "outline_raster"
    command = [compiler, "-std=c++23", "-O1", f"-I{ROOT / 'core/include'}"]
    subprocess.run([*command, *map(str, SOURCES), "-o", str(binary)], check=True)
    return binary


def fill(rasteriser, width, height, path: str) -> np.ndarray:
    out = subprocess.run([rasteriser, str(width), str(height), *path.split()], check=True, capture_output=True,
                         text=True).stdout
    image = np.zeros((height, width), dtype=bool)
    for row, line in enumerate(out.split("\n")[:height]):
        for span in line.split():
            begin, end = map(int, span.split("-"))
            image[row, begin:end] = True
    return image


def winding_model(width, height, polygons) -> np.ndarray:
    """Non-zero winding at every dot centre, by ray casting against each polygon's edges; a centre on a left or
    top edge is inside, on a right or bottom edge outside."""
    ys, xs = np.mgrid[0:height, 0:width] + 0.5
    winding = np.zeros((height, width), dtype=int)
    for polygon in polygons:
        for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
            if y0 == y1:
                continue
            low, high = min(y0, y1), max(y0, y1)
            crosses = (ys >= low) & (ys < high)
            x_at = x0 + (ys - y0) * (x1 - x0) / (y1 - y0)
            winding += np.where(crosses & (x_at <= xs), 1 if y1 > y0 else -1, 0)
    return winding != 0


def path_of(polygons) -> str:
    return " ".join("M " + " L ".join(f"{x} {y}" for x, y in polygon) + " Z" for polygon in polygons)


SQUARE = [(2, 2), (12, 2), (12, 12), (2, 12)]
CASES = {
    "rectangle with fractional edges": [[(1.4, 0.6), (9.5, 0.6), (9.5, 5.51), (1.4, 5.51)]],
    "triangle": [[(0.3, 0.2), (15.7, 7.1), (3.2, 13.9)]],
    "same-direction overlap is a union": [SQUARE, [(7, 7), (17, 7), (17, 17), (7, 17)]],
    "opposite direction cuts a hole": [SQUARE, [(5, 5), (5, 9), (9, 9), (9, 5)]],
    "self-intersecting star": [[(10, 0.5), (15.9, 18.6), (0.5, 7.4), (19.5, 7.4), (4.1, 18.6)]],
    "clipped at the image edges": [[(-5, -3), (30, -3), (30, 4.5), (-5, 4.5)]],
}


@pytest.mark.parametrize("name", CASES)
def test_fill_matches_the_winding_rule_at_dot_centres(rasteriser, name):
    polygons = CASES[name]
    image = fill(rasteriser, 20, 20, path_of(polygons))
    expected = winding_model(20, 20, polygons)
    assert np.array_equal(image, expected), f"{name}: {np.argwhere(image != expected)[:5].tolist()}"


def test_curves_stay_within_a_tenth_of_a_dot_of_the_circle(rasteriser):
    # A circle of radius 40 from four cubics (the usual 0.5523 control distance, which itself errs by 0.01 dot).
    k, r, c = 0.5523 * 40, 40, 50
    path = (f"M {c + r} {c} C {c + r} {c + k} {c + k} {c + r} {c} {c + r} C {c - k} {c + r} {c - r} {c + k} {c - r} {c} "
            f"C {c - r} {c - k} {c - k} {c - r} {c} {c - r} C {c + k} {c - r} {c + r} {c - k} {c + r} {c} Z")
    image = fill(rasteriser, 100, 100, path)
    ys, xs = np.mgrid[0:100, 0:100] + 0.5
    distance = np.hypot(xs - c, ys - c)
    assert image[distance < r - 0.12].all()
    assert not image[distance > r + 0.12].any()


@pytest.mark.parametrize(
    "x, baseline, size, text",
    [(3, 40, 30, "0123456789"), (2.4, 33.6, 17, "(01) ABC-xyz"), (-7.5, 12, 41, "Wg@&|"), (5, 60, 7, "~^_`")],
)
def test_text_from_glyph_shapes_is_the_text_from_its_outline(rasteriser, x, baseline, size, text):
    # The glyph shapes are filled once per size and copied; the copy must be the very dots the outline fills,
    # clipping at the image edges included.
    out = subprocess.run([rasteriser, "200", "64", "text", str(x), str(baseline), str(size), text],
                         check=True, capture_output=True, text=True).stdout
    from_outline, from_shapes = out.split("--\n")
    assert from_outline.strip(), "nothing drawn"
    assert from_outline == from_shapes


def rows_of(out: str, width: int, height: int) -> np.ndarray:
    image = np.zeros((height, width), dtype=bool)
    for row, line in enumerate(out.split("\n")[:height]):
        spans = [tuple(map(int, span.split("-"))) for span in line.split()]
        # Sorted, each span non-empty and clear of the next, as the PNG writer requires.
        assert all(b < e for b, e in spans) and all(e < b for (_, e), (b, _) in zip(spans, spans[1:])), (row, spans)
        for begin, end in spans:
            image[row, begin:end] = True
    return image


@pytest.mark.parametrize(
    "width, bars, texts",
    [
        (200, "10-14,60-63,150-158", [(2, 40, 30, "8 0 8 0")]),  # bars between and beside the glyphs
        (200, "20-90", [(3, 40, 30, "WMW")]),  # a bar through the glyphs
        (200, "-", [(2, 40, 30, "WMW"), (13.5, 44, 30, "MWM")]),  # glyphs of two texts overlapping
        (200, "0-3,100-104,196-200", [(-9, 50, 41, "@&"), (150, 30, 25, "Wg"), (70, 20, 12, "|||")]),  # clipped
        (197, "0-2,194-197", [(1, 40, 20, "12345678"), (150, 60, 30, "8")]),  # every place within a byte
    ],
)
def test_text_rows_join_the_bars_under_them(rasteriser, width, bars, texts):
    # A label's text is painted row by row over the rows its bars make, as bits of either sense: every row
    # must be the bars and every text's outline together, wherever the glyphs fall within a byte.
    height = 64
    expected = np.zeros((height, width), dtype=bool)
    for bar in bars.split(",") if bars != "-" else []:
        begin, end = map(int, bar.split("-"))
        expected[:, begin:end] = True
    for x, baseline, size, text in texts:
        out = subprocess.run([rasteriser, str(width), str(height), "text", str(x), str(baseline), str(size), text],
                             check=True, capture_output=True, text=True).stdout
        expected |= rows_of(out.split("--\n")[0], width, height)
    arguments = [str(value) for text in texts for value in text]
    out = subprocess.run([rasteriser, str(width), str(height), "over", bars, *arguments], check=True,
                         capture_output=True, text=True).stdout
    assert "differs" not in out  # greyscale's bits are the palette's inverted; the room past the row is untouched
    image = rows_of(out, width, height)
    assert np.array_equal(image, expected), np.argwhere(image != expected)[:5].tolist()
