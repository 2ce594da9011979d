"""Checks of what a call returned: PNG structure and pixels, SVG syntax, geometry invariants."""

from __future__ import annotations

import io
import math
import struct
import xml.etree.ElementTree as ElementTree
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# Samples per pixel by colour type: gray, RGB, palette, gray + alpha, RGBA.
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


class CheckFailed(AssertionError):
    pass


def expect(condition: bool, message: str) -> None:
    if not condition:
        raise CheckFailed(message)


def png_chunks(data: bytes) -> list[tuple[bytes, bytes]]:
    """The (type, body) chunks of a PNG file, each CRC checked, the file read to its last byte."""
    expect(data[:8] == PNG_SIGNATURE, "no PNG signature")
    chunks, pos = [], 8
    while pos < len(data):
        expect(pos + 12 <= len(data), f"truncated chunk header at {pos}")
        (length,) = struct.unpack(">I", data[pos : pos + 4])
        kind, body = data[pos + 4 : pos + 8], data[pos + 8 : pos + 8 + length]
        expect(len(body) == length and pos + 12 + length <= len(data), f"truncated {kind!r} chunk")
        (crc,) = struct.unpack(">I", data[pos + 8 + length : pos + 12 + length])
        expect(zlib.crc32(kind + body) == crc, f"bad CRC of the {kind!r} chunk")
        chunks.append((kind, body))
        pos += 12 + length
    return chunks


def check_png(data: bytes, size: tuple[int, int] | None, colours: set[tuple[int, ...]] | None) -> None:
    """A complete PNG of `size` pixels (when known) whose pixels take only `colours` (RGBA, every fully
    transparent one as (0, 0, 0, 0)), or any two colours when those are not known."""
    expect(isinstance(data, bytes), f"render_png returned {type(data).__name__}")
    chunks = png_chunks(data)
    kinds = [kind for kind, _ in chunks]
    expect(kinds[0] == b"IHDR" and kinds[-1] == b"IEND" and chunks[-1][1] == b"", f"chunk order {kinds}")
    idat_at = [i for i, kind in enumerate(kinds) if kind == b"IDAT"]
    expect(idat_at and idat_at == list(range(idat_at[0], idat_at[-1] + 1)), f"IDAT chunks not together: {kinds}")
    width, height, depth, colour_type, compression, filtering, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    expect(width > 0 and height > 0, f"empty image {width} x {height}")
    if size is not None:
        expect((width, height) == size, f"{width} x {height} pixels, promised {size[0]} x {size[1]}")
    expect(colour_type in CHANNELS and (compression, filtering, interlace) == (0, 0, 0), "bad IHDR fields")
    stream = zlib.decompressobj()
    raw = stream.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    expect(stream.eof and not stream.unused_data, "IDAT is not exactly one complete zlib stream")
    stride = (width * CHANNELS[colour_type] * depth + 7) // 8
    expect(len(raw) == height * (stride + 1), f"{len(raw)} bytes of scanlines, expected {height * (stride + 1)}")
    expect(max(raw[:: stride + 1]) <= 4, "unknown filter type")
    check_png_colours(data, colours)


def check_png_colours(data: bytes, colours: set[tuple[int, ...]] | None) -> None:
    try:
        from PIL import Image
    except ImportError:
        return
    width, height = int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")
    if width * height > 1 << 24:  # Pillow refuses such images, and their RGBA would take gigabytes
        return
    with Image.open(io.BytesIO(data)) as image:
        found = image.convert("RGBA").getcolors(maxcolors=2)
    expect(found is not None, "more than two colours")
    found = {colour if colour[3] else (0, 0, 0, 0) for _, colour in found}
    expect(colours is None or found <= colours, f"colours {found} beyond {colours}")


def check_svg(document: str) -> None:
    expect(isinstance(document, str), f"render_svg returned {type(document).__name__}")
    try:
        root = ElementTree.fromstring(document)
    except ElementTree.ParseError as error:
        raise CheckFailed(f"SVG does not parse: {error}") from None
    expect(root.tag.rsplit("}", 1)[-1] == "svg", f"root element {root.tag}")


def geometry_form(geometry) -> tuple:
    """A plain value equal for equal geometries: what two runs of one call must agree on."""
    if hasattr(geometry, "bars"):
        return geometry.total_modules, tuple((bar.x, bar.width) for bar in geometry.bars)
    return geometry.width, geometry.height, tuple(map(tuple, geometry.modules))


def check_geometry(geometry) -> None:
    if hasattr(geometry, "bars"):
        end = -1
        for bar in geometry.bars:
            expect(bar.width >= 1 and bar.x > end, f"bar {bar.x}+{bar.width} after {end}")
            end = bar.x + bar.width
        expect(end <= geometry.total_modules, f"bars run to {end} of {geometry.total_modules} modules")
    else:
        rows = geometry.modules
        expect(len(rows) == geometry.height and all(len(row) == geometry.width for row in rows), "ragged matrix")
        expect(geometry.width > 0 and any(any(row) for row in rows), "empty matrix")


def rounded_pixels(extent: float) -> int:
    """Half away from zero, then saturated to 32 bits (NaN and negatives give 0)."""
    if math.isnan(extent) or extent <= 0:
        return 0
    if math.isinf(extent):
        return 2**32 - 1
    whole = math.floor(extent)
    return min(2**32 - 1, whole + (1 if extent - whole >= 0.5 else 0))


def promised_size(width, height, unit, dpi) -> tuple[int, int] | None:
    """The pixel size render_png promises for these arguments, None when the call is bound to fail or the
    arguments are not plain numbers."""
    plain = (int, float)
    if not (type(width) in plain or isinstance(width, bool)) or not (type(height) in plain or isinstance(height, bool)):
        return None
    try:
        sides = float(width), float(height)
    except OverflowError:
        return None
    if unit == "px" and dpi is None:
        return rounded_pixels(sides[0]), rounded_pixels(sides[1])
    if unit in ("in", "mm") and type(dpi) in (int, bool) and 0 <= dpi < 2**32:
        if unit == "in":
            return tuple(rounded_pixels(side * float(dpi)) for side in sides)
        return tuple(rounded_pixels(side / 25.4 * float(dpi)) for side in sides)
    return None
