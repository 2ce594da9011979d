"""The band writer's pixel formats (8-bit RGBA, 1-bit greyscale, 1-bit palette with transparency) and its pHYs
chunk, through a small native driver compiled against the writer's source: decoded pixels, chunk order and
header fields."""

import io
import shutil
import subprocess
import zlib
from pathlib import Path

import numpy as np
import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from support import png_chunks

ROOT = Path(__file__).resolve().parents[1]
WRITER = ("write/png_writer.cpp", "write/chunk_crc.cpp", "deflate/block_writer.cpp", "deflate/dynamic_header.cpp",
          "deflate/adler32.cpp", "deflate/byte_writer.cpp", "deflate/huffman.cpp", "deflate/row_coder.cpp",
          "deflate/smallest_tokens.cpp")
SOURCES = [ROOT / "tests/native/png_bands.cpp", ROOT / "core/src/error.cpp",
           *(ROOT / "core/src" / name for name in WRITER)]


@pytest.fixture(scope="module")
def writer(tmp_path_factory) -> Path:
    compiler = shutil.which("c++") or shutil.which("g++") or shutil.which("clang++")
    if compiler is None or not all(path.exists() for path in SOURCES):
        pytest.skip("no C++ compiler or no source tree")
    binary = tmp_path_factory.mktemp("native") / "png_bands"
    command = [compiler, "-std=c++23", "-O1", "-DTAVLO_ASSERTIONS", f"-I{ROOT / 'core/include'}", f"-I{ROOT / 'core/src'}"]
    subprocess.run([*command, *map(str, SOURCES), "-lz", "-o", str(binary)], check=True)
    return binary


def write(writer, pixels, width, bands, light="ffffffff", dark="000000ff", dpi=None, idat_limit=2**31 - 1):
    arguments = [pixels, str(width), light, dark, "-" if dpi is None else str(dpi), str(idat_limit)]
    for rows, spans in bands:
        arguments.append(f"{rows}:" + ",".join(f"{b}-{e}" for b, e in spans) if spans else str(rows))
    return subprocess.run([writer, *arguments], check=True, capture_output=True).stdout


def model(width, bands) -> np.ndarray:
    """True for dark, one row per pixel row."""
    rows = []
    for count, spans in bands:
        row = np.zeros(width, dtype=bool)
        for begin, end in spans:
            row[begin:end] = True
        rows += [row] * count
    return np.array(rows)


def chunk(png: bytes, name: str) -> bytes:
    pos = 8
    while pos < len(png):
        length = int.from_bytes(png[pos : pos + 4], "big")
        if png[pos + 4 : pos + 8] == name.encode():
            return png[pos + 8 : pos + 8 + length]
        pos += 12 + length
    raise KeyError(name)


def decoded(png: bytes) -> np.ndarray:
    from PIL import Image

    with Image.open(io.BytesIO(png)) as image:
        return np.asarray(image.convert("RGBA")).copy()


BANDS = {
    "one-pixel-wide": (1, [(3, [(0, 1)]), (2, [])]),
    "byte-boundaries": (16, [(2, [(0, 3), (7, 9), (15, 16)]), (1, []), (4, [(1, 16)])]),
    "ragged-last-byte": (13, [(5, [(0, 13)]), (1, [(12, 13)]), (2, [(4, 8)])]),
    "wide": (3001, [(7, [(0, 1), (1000, 2999)]), (3, [(3000, 3001)])]),
}
FORMATS = {
    "rgba8": ("rgba8", "ffffffff", "000000ff", (0x08, 6)),
    "rgba8-colours": ("rgba8", "10203040", "f0e0d0ff", (0x08, 6)),
    "gray1": ("gray1", "ffffffff", "000000ff", (1, 0)),
    "palette1": ("palette1", "1a2b3cff", "c86432ff", (1, 3)),
    "palette1-transparent": ("palette1", "ffffff00", "00008080", (1, 3)),
}


@pytest.mark.parametrize("shape", BANDS, ids=str)
@pytest.mark.parametrize("name", FORMATS, ids=str)
def test_decoded_pixels_are_the_two_colours_of_the_bands(writer, name, shape):
    pixels, light, dark, (depth, colour_type) = FORMATS[name]
    width, bands = BANDS[shape]
    png = write(writer, pixels, width, bands, light, dark)
    header = chunk(png, "IHDR")
    assert int.from_bytes(header[0:4], "big") == width and (header[8], header[9]) == (depth, colour_type)
    if pixels == "gray1":
        light, dark = "ffffffff", "000000ff"  # greyscale holds black and white only
    expected = np.where(model(width, bands)[:, :, None], np.frombuffer(bytes.fromhex(dark), np.uint8),
                        np.frombuffer(bytes.fromhex(light), np.uint8))
    assert (decoded(png) == expected).all()


@pytest.mark.parametrize(
    "pixels, light, dark, dpi, chunks",
    [
        ("rgba8", "ffffffff", "000000ff", None, ["IHDR", "IDAT", "IEND"]),
        ("gray1", "ffffffff", "000000ff", 300, ["IHDR", "pHYs", "IDAT", "IEND"]),
        ("palette1", "ffffffff", "000000ff", None, ["IHDR", "PLTE", "IDAT", "IEND"]),
        ("palette1", "ffffff00", "000000ff", 203, ["IHDR", "PLTE", "tRNS", "pHYs", "IDAT", "IEND"]),
    ],
)
def test_chunk_order(writer, pixels, light, dark, dpi, chunks):
    assert png_chunks(write(writer, pixels, 9, [(2, [(1, 4)])], light, dark, dpi)) == chunks


def test_palette_and_transparency_entries(writer):
    png = write(writer, "palette1", 9, [(2, [(1, 4)])], "0a0b0c00", "d0e0f080")
    assert chunk(png, "PLTE") == bytes.fromhex("0a0b0c d0e0f0")
    assert chunk(png, "tRNS") == bytes([0x00, 0x80])


@pytest.mark.parametrize("dpi, per_metre", [(300, 11811), (203, 7992), (600, 23622), (72, 2835), (0, 0)])
def test_phys_is_pixels_per_metre(writer, dpi, per_metre):
    body = chunk(write(writer, "gray1", 4, [(1, [])], dpi=dpi), "pHYs")
    assert body == per_metre.to_bytes(4, "big") * 2 + b"\x01"


@pytest.mark.parametrize("pixels", ["rgba8", "gray1", "palette1"])
def test_idat_limit_splits_the_image_data(writer, pixels):
    width, bands = BANDS["wide"]
    png = write(writer, pixels, width, bands, idat_limit=7)
    assert png_chunks(png).count("IDAT") > 1
    data, pos = b"", 8
    while pos < len(png):
        length = int.from_bytes(png[pos : pos + 4], "big")
        assert length <= 7 or png[pos + 4 : pos + 8] != b"IDAT"
        assert zlib.crc32(png[pos + 4 : pos + 8 + length]) == int.from_bytes(png[pos + 8 + length : pos + 12 + length], "big")
        data += png[pos + 8 : pos + 8 + length] if png[pos + 4 : pos + 8] == b"IDAT" else b""
        pos += 12 + length
    zlib.decompress(data)  # a whole zlib stream, Adler-32 checked
    assert (decoded(png)[:, :, 0] == np.where(model(width, bands), 0, 255)).all()


def idat(png: bytes) -> bytes:
    data, pos = b"", 8
    while pos < len(png):
        length = int.from_bytes(png[pos : pos + 4], "big")
        if png[pos + 4 : pos + 8] == b"IDAT":
            data += png[pos + 8 : pos + 8 + length]
        pos += 12 + length
    return data


def block_type(png: bytes) -> str:
    return ["stored", "fixed", "dynamic"][idat(png)[2] >> 1 & 3]


@pytest.mark.parametrize(
    "pixels, width, bands, kind",
    [
        ("rgba8", 1, [(1, [(0, 1)])], "fixed"),
        ("rgba8", 300, [(150, [(30, 33), (40, 47), (200, 260)])], "dynamic"),
        # 128 different bytes, none repeated: nothing to copy and no short codes, so they are stored as they are.
        ("gray1", 8 * 128, [(1, [(8 * i + b, 8 * i + b + 1) for i in range(128) for b in range(8) if (128 + i * 37 % 128) >> b & 1])],
         "stored"),
    ],
)
def test_each_block_kind_decodes(writer, pixels, width, bands, kind):
    png = write(writer, pixels, width, bands)
    assert block_type(png) == kind
    assert (decoded(png)[:, :, 0] == np.where(model(width, bands), 0, 255)).all()


@st.composite
def images(draw):
    width = draw(st.integers(1, 700))
    bands = []
    for _ in range(draw(st.integers(1, 6))):
        edges = sorted(set(draw(st.lists(st.integers(0, width), max_size=12))))
        spans = [(b, e) for b, e in zip(edges[0::2], edges[1::2]) if b < e]
        # Touching spans are merged by the band's maker; keep them apart.
        spans = [s for i, s in enumerate(spans) if i == 0 or spans[i - 1][1] < s[0]]
        bands.append((draw(st.integers(1, 40)), spans))
    return width, bands


@settings(max_examples=60, deadline=None)
@given(image=images(), name=st.sampled_from(sorted(FORMATS)), smallest=st.booleans())
def test_random_bands_decode_to_their_pixels(writer, image, name, smallest):
    pixels, light, dark, _ = FORMATS[name]
    width, bands = image
    png = write(writer, pixels + "+smallest" * smallest, width, bands, light, dark)
    if pixels == "gray1":
        light, dark = "ffffffff", "000000ff"
    expected = np.where(model(width, bands)[:, :, None], np.frombuffer(bytes.fromhex(dark), np.uint8),
                        np.frombuffer(bytes.fromhex(light), np.uint8))
    assert (decoded(png) == expected).all()


@pytest.mark.parametrize(
    "pixels, width, rows",
    [
        ("gray1", 2000, 70_000),  # sums of a run past 2^16 bytes, a band of many rows
        ("gray1", 9000, 300),  # rows longer than one copy, repeated and copied from the row above in pieces
        ("gray1", 300_000, 5),  # rows beyond deflate's reach back, described as runs
        ("rgba8", 100_003, 7),  # a row of 400 KB: runs and patterns of many full-length copies
        ("rgba8", 5, 400_000),  # rows of 21 bytes, copied by deflate from one row back
    ],
)
def test_long_runs_and_repeats_keep_the_checksum(writer, pixels, width, rows):
    bands = [(rows, [(1, 2), (999, 1500)] if width > 1500 else [(1, 2)]), (3, [(0, width)]), (2, [])]
    raw = zlib.decompress(idat(write(writer, pixels, width, bands)))  # checks the Adler-32
    row_bytes = (width + 7) // 8 if pixels == "gray1" else 4 * width
    lines = np.frombuffer(raw, np.uint8).reshape(-1, row_bytes + 1)
    assert set(lines[:, 0]) <= {0, 2}  # none and up filters only: a row as it is, or added to the one above
    pixels_bytes = lines[:, 1:].copy()
    for row in np.flatnonzero(lines[:, 0] == 2):
        pixels_bytes[row] += pixels_bytes[row - 1]
    dark = model(width, bands)
    if pixels == "gray1":
        expected = np.packbits(~dark, axis=1)
    else:
        expected = np.where(dark[:, :, None], np.array([0, 0, 0, 255], np.uint8), np.uint8(255)).reshape(len(dark), -1)
    assert (pixels_bytes == expected).all()
