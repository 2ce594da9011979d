"""ZPL for thermal printers, EPS and the colour spaces of the vector formats: ZPL graphic fields decoded back
to the PNG's pixels in both compressed forms, only the commands we mean to write, EPS through Ghostscript and
PDF in every colour space through pdftoppm read back by zxing-cpp, CMYK black as the black ink alone."""

from __future__ import annotations

import base64
import binascii
import re
import shutil
import subprocess
import zlib

import numpy as np
import pytest
from label_support import KIND_PARAMS, LINEAR_PARAMS, decodes, pdf_pixels, png_pixels

import tavlo

# The commands a label of ours may hold, and nothing else.
ZPL_COMMANDS = {"XA", "PW", "LL", "LH", "FO", "GF", "FS", "PQ", "XZ"}
COUNT_DIGITS = {**{chr(ord("G") + i): i + 1 for i in range(19)}, **{chr(ord("g") + i): 20 * (i + 1) for i in range(20)}}


def zpl_commands(zpl: str) -> list[tuple[str, str]]:
    """(name, parameters) of each command; anything outside our subset fails the test."""
    assert zpl.startswith("^XA") and zpl.rstrip().endswith("^XZ")
    commands = []
    for piece in zpl.split("^")[1:]:
        name, parameters = piece[:2], piece[2:].strip()
        assert name in ZPL_COMMANDS, f"unexpected command ^{name}"
        assert "~" not in parameters
        commands.append((name, parameters))
    return commands


def hex_rows(data: str, row_bytes: int, rows: int) -> np.ndarray:
    """ZPL's compressed ASCII hexadecimal: repeat counts, ',' '!' ':' row shortcuts."""
    digits_per_row = 2 * row_bytes
    out: list[str] = []
    row = ""
    count = 0
    for char in data:
        if char in COUNT_DIGITS:
            count += COUNT_DIGITS[char]
            continue
        if char == ":":
            assert row == "" and count == 0 and out, "':' only between rows, never first"
            out.append(out[-1])
        elif char in ",!":
            assert count == 0
            row += ("0" if char == "," else "F") * (digits_per_row - len(row))
        else:
            assert char in "0123456789ABCDEF", f"unexpected {char!r}"
            row += char * max(count, 1)
            count = 0
        assert len(row) <= digits_per_row
        if len(row) == digits_per_row:
            out.append(row)
            row = ""
    assert row == "" and count == 0 and len(out) == rows
    return np.frombuffer(bytes.fromhex("".join(out)), dtype=np.uint8).reshape(rows, row_bytes)


def z64_rows(data: str, row_bytes: int, rows: int) -> np.ndarray:
    match = re.fullmatch(r":Z64:([A-Za-z0-9+/=]+):([0-9A-F]{4})", data)
    assert match, data[:40]
    encoded, crc = match.groups()
    assert int(crc, 16) == binascii.crc_hqx(encoded.encode(), 0)  # CRC-16/XMODEM of the base64 text
    raw = zlib.decompress(base64.b64decode(encoded))
    assert len(raw) == row_bytes * rows
    return np.frombuffer(raw, dtype=np.uint8).reshape(rows, row_bytes)


def zpl_image(zpl: str) -> tuple[np.ndarray, dict[str, str]]:
    """The label's dots (0 dark, 255 light) from its graphic fields, and its other commands."""
    commands = zpl_commands(zpl)
    settings = {name: parameters for name, parameters in commands if name != "GF" and name != "FO"}
    width, height = int(settings["PW"]), int(settings["LL"])
    image = np.full((height, width), 255, dtype=np.uint8)
    origin = None
    for name, parameters in commands:
        if name == "FO":
            origin = tuple(int(v) for v in parameters.split(","))
        elif name == "GF":
            kind, total, field, row_bytes, data = parameters.split(",", 4)
            assert kind == "A" and total == field
            row_bytes, rows = int(row_bytes), int(field) // int(row_bytes)
            assert int(field) <= 99999 and int(field) == rows * row_bytes
            decode = z64_rows if data.startswith(":Z64:") else hex_rows
            bits = np.unpackbits(decode(data, row_bytes, rows), axis=1)[:, :width]
            x, y = origin
            assert x == 0
            image[y : y + rows] = np.where(bits == 1, 0, 255)
    return image, settings


@pytest.mark.parametrize("kind", KIND_PARAMS)
@pytest.mark.parametrize("dpi", [203, 300, 600])
@pytest.mark.parametrize("compression", ["z64", "hex"])
def test_zpl_graphic_field_is_the_png(kind, dpi, compression):
    symbol = kind.make()
    image, settings = zpl_image(symbol.zpl(dpi=dpi, compression=compression))
    layout = symbol.layout(dpi=dpi)
    assert (int(settings["PW"]), int(settings["LL"])) == (layout.width_dots, layout.height_dots)
    assert settings["LH"] == "0,0" and settings["PQ"] == "1"
    np.testing.assert_array_equal(image, png_pixels(symbol.png(dpi=dpi)))
    assert decodes(image, kind)


@pytest.mark.parametrize(
    "options",
    [
        {"x_dim": "3dots", "bar_width_reduction": "1dot", "foreground": "#123456", "background": None},
        {"width": "4in", "height": "6in", "dpi": 203},  # several fields: over 99,999 bytes
        {"width": "101mm", "height": "30mm", "dpi": 600, "text": True},
    ],
    ids=["reduced", "4x6", "wide"],
)
@pytest.mark.parametrize("compression", ["z64", "hex"])
def test_zpl_of_sized_labels(options, compression):
    symbol = tavlo.Code128("Parcel 0123456789")
    zpl = symbol.zpl(compression=compression, **options)
    image, _ = zpl_image(zpl)
    np.testing.assert_array_equal(image, png_pixels(symbol.png(**options)))


def test_a_large_label_is_cut_into_fields_of_whole_rows():
    symbol = tavlo.QrCode("https://example.com/label")
    zpl = symbol.zpl(dpi=203, width="4in", height="6in")
    fields = [p for n, p in zpl_commands(zpl) if n == "GF"]
    origins = [p for n, p in zpl_commands(zpl) if n == "FO"]
    assert len(fields) == len(origins) >= 2
    row_bytes = (812 + 7) // 8
    assert origins[1] == f"0,{99999 // row_bytes}"


@pytest.mark.parametrize("copies", [1, 2, 500, 99999999])
def test_zpl_copies(copies):
    _, settings = zpl_image(tavlo.Ean8("1234567").zpl(copies=copies))
    assert settings["PQ"] == str(copies)


@pytest.mark.parametrize(
    "options, error, message",
    [
        ({"copies": 0}, ValueError, "argument 'copies': copies must be from 1 to 4294967295"),
        ({"copies": 100000000}, ValueError, "argument 'copies': copies must be from 1 to 99999999"),
        ({"compression": "b64"}, ValueError, "argument 'compression': expected 'z64' or 'hex', not 'b64'"),
        ({"colour_space": "cmyk"}, TypeError, "got an unexpected keyword argument 'colour_space'"),
        ({"dpi": 203, "width": "5in", "height": "200in"}, tavlo.TavloError, "at most 32000 dots"),
    ],
)
def test_zpl_refuses_what_a_printer_cannot_take(options, error, message):
    with pytest.raises(error, match=re.escape(message)):
        tavlo.Code128("Parcel").zpl(**options)


def test_hex_form_uses_counts_and_row_shortcuts():
    zpl = tavlo.Code128("Parcel 0123456789").zpl(compression="hex")
    data = next(p for n, p in zpl_commands(zpl) if n == "GF").split(",", 4)[4]
    assert ":" in data and "," in data and re.search("[G-Yg-z]", data)
    assert not data.startswith(":")


def test_save_writes_zpl_and_eps(tmp_path):
    symbol = tavlo.Ean8("1234567")
    symbol.save(tmp_path / "label.zpl", dpi=203, copies=3)
    assert (tmp_path / "label.zpl").read_text() == symbol.zpl(dpi=203, copies=3)
    symbol.save(tmp_path / "label.eps", colour_space="cmyk")
    assert (tmp_path / "label.eps").read_text() == symbol.eps(colour_space="cmyk")


# EPS and colour spaces.


def eps_pixels(eps: str, dpi: int, tmp_path) -> np.ndarray:
    tool = shutil.which("gs")
    if not tool:
        pytest.skip("gs (Debian package ghostscript) is not installed")
    source, target = tmp_path / "label.eps", tmp_path / "eps.png"
    source.write_text(eps)
    # Without fill adjustment Ghostscript fills the pixels whose centres a shape covers, as the other tools do,
    # instead of widening every shape by a pixel.
    subprocess.run([tool, "-q", "-dBATCH", "-dNOPAUSE", "-dEPSCrop", f"-r{dpi}", "-sDEVICE=pnggray",
                    f"-sOutputFile={target}", "-c", "0 0 .setfilladjust2", "-f", str(source)], check=True)
    return png_pixels(target.read_bytes())


@pytest.mark.parametrize("kind", KIND_PARAMS)
@pytest.mark.parametrize("colour_space", ["rgb", "cmyk", "gray"])
def test_eps_and_pdf_in_every_colour_space_decode(kind, colour_space, tmp_path):
    symbol = kind.make()
    assert decodes(eps_pixels(symbol.eps(colour_space=colour_space), 300, tmp_path), kind)
    assert decodes(pdf_pixels(symbol.pdf(colour_space=colour_space), 300, tmp_path), kind)


@pytest.mark.parametrize("kind", KIND_PARAMS)
def test_eps_pixels_match_the_png_pixels(kind, tmp_path):
    symbol = kind.make()
    png = png_pixels(symbol.png(text=False))
    raster = eps_pixels(symbol.eps(text=False), 300, tmp_path)
    height, width = png.shape
    np.testing.assert_array_equal(raster[:height, :width], png)


def test_eps_header_has_the_label_size():
    symbol = tavlo.Code128("Parcel 0123456789")
    layout = symbol.layout(dpi=203)
    eps = symbol.eps(dpi=203)
    assert eps.startswith("%!PS-Adobe-3.0 EPSF-3.0\n")
    width, height = layout.width_dots * 72 / 203, layout.height_dots * 72 / 203
    box = re.search(r"%%BoundingBox: 0 0 (\d+) (\d+)", eps).groups()
    assert [int(v) for v in box] == [int(np.ceil(width)), int(np.ceil(height))]
    high = re.search(r"%%HiResBoundingBox: 0 0 (\S+) (\S+)", eps).groups()
    assert [float(v) for v in high] == pytest.approx([width, height], abs=1e-4)
    assert all(len(line) <= 255 for line in eps.splitlines())


def pdf_content(pdf: bytes) -> bytes:
    streams = re.findall(rb"/Filter/FlateDecode>>\nstream\n(.*?)\nendstream", pdf, re.S)
    return b"\n".join(zlib.decompress(s) for s in streams)


@pytest.mark.parametrize("kind", LINEAR_PARAMS)
def test_cmyk_pdf_draws_black_with_k_alone(kind):
    content = pdf_content(kind.make().pdf(colour_space="cmyk"))
    assert b"0 0 0 1 k" in content and b"0 0 0 0 k" in content
    assert not re.search(rb"(?<![/\w])(rg|RG|g|G|sc|scn|SC|SCN|cs|CS|K)\b", content)


@pytest.mark.parametrize(
    "colour_space, black, white", [("rgb", b"0 0 0 rg", b"1 1 1 rg"), ("gray", b"0 g", b"1 g")]
)
def test_pdf_colour_operators(colour_space, black, white):
    content = pdf_content(tavlo.Ean8("1234567").pdf(colour_space=colour_space))
    assert black in content and white in content


@pytest.mark.parametrize(
    "colour_space, expected",
    [("rgb", "#f00"), ("cmyk", "#f00"), ("gray", "#4d4d4d")],
)
def test_svg_writes_srgb_in_every_colour_space(colour_space, expected):
    svg = tavlo.Code128("Parcel").svg(foreground="#ff0000", colour_space=colour_space, text=False)
    assert f'stroke="{expected}"' in svg


def test_cmyk_of_a_colour_takes_out_the_grey():
    content = pdf_content(tavlo.Ean8("1234567").pdf(foreground="#336699", colour_space="cmyk"))
    # 1 - (.2, .4, .6) = (.8, .6, .4): black .4 taken out of each.
    assert b".4 .2 0 .4 k" in content


def test_colour_space_is_refused_with_its_choices():
    with pytest.raises(ValueError, match=re.escape("argument 'colour_space': expected 'rgb', 'cmyk' or 'gray', not 'lab'")):
        tavlo.Ean8("1234567").pdf(colour_space="lab")
