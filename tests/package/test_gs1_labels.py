"""GS1-128 and ITF-14: element strings read back with FNC1 and GS where GS1 puts them, check digits validated or
computed, the length and width limits, bearer bars, and the command line."""

import pickle
import subprocess
import sys

import numpy as np
import pytest
import zxingcpp
from label_support import png_pixels

import tavlo
from tavlo import _label


def bars(symbol):
    return [(bar.x, bar.width) for bar in symbol.geometry().bars]


def read_code128(symbol, **options):
    results = zxingcpp.read_barcodes(png_pixels(symbol.png(**options)), formats=zxingcpp.BarcodeFormat.Code128)
    assert len(results) == 1
    return results[0]


@pytest.mark.parametrize(
    "text, data",
    [
        ("(01)09501101530003", b"0109501101530003"),
        ("(01)09501101530003(17)250101(10)ABC123", b"01095011015300031725010110ABC123"),
        # GS ends a variable-length element that is not the last, and follows nothing else.
        ("(01)09501101530003(10)AB12(17)250101", b"010950110153000310AB12\x1d17250101"),
        ("(01)09501101530003(10)ABC(21)XYZ", b"010950110153000310ABC\x1d21XYZ"),
        ("(00)106141412345678908(400)PO-4711(3303)000125", b"00106141412345678908400PO-4711\x1d3303000125"),
        ("(414)5412345000013(254)A1", b"414541234500001325" + b"4A1"),
    ],
)
def test_gs1_128_reads_back_as_gs1_with_gs_between_variable_elements(text, data):
    result = read_code128(tavlo.Gs1_128(text), x_dim="4dots")
    assert result.symbology_identifier == "]C1"
    assert result.bytes == data


def test_gs1_128_is_code128_with_fnc1_first_and_after_variable_elements():
    parts, line = _label.gs1_128_elements("(10)AB12(01)09501101530003(21)X(22)Y")
    assert parts == [None, "10AB12", None, "0109501101530003", "21X", None, "22Y"]
    assert line == "(10) AB12 (01) 09501101530003 (21) X (22) Y"
    plain = tavlo.Code128([tavlo.FNC1(), tavlo.Data("10AB12"), tavlo.FNC1(), tavlo.Data("0109501101530003"),
                           tavlo.Data("21X"), tavlo.FNC1(), tavlo.Data("22Y")])
    assert bars(tavlo.Gs1_128("(10)AB12(01)09501101530003(21)X(22)Y")) == bars(plain)


@pytest.mark.parametrize(
    "text, message",
    [
        ("(01)09501101530004", "AI (01) has check digit 4, expected 3"),
        ("(00)106141412345678909", "AI (00) has check digit 9, expected 8"),
        ("(02)09501101530004(37)5", "AI (02) has check digit 4, expected 3"),
        ("(414)5412345000014", "AI (414) has check digit 4, expected 3"),
        ("(8018)950110153000000002", "AI (8018) has check digit 2, expected 7"),
        ("(01)0950110153000A", "AI (01) must hold digits only"),
        ("(8017)95011015300000001", "AI (8017) requires exactly 18 characters of data, got 17"),
        # The parser's own messages come first, unchanged.
        ("(01)0950110153000", "AI (01) requires exactly 14 characters of data, got 13"),
        ("(01", "unterminated AI: missing ')'"),
        ("01)1", "value must begin with '(' and use (AI)data syntax"),
        ("(10)" + "A" * 47, "GS1-128 holds at most 48 data characters, got 49"),
    ],
)
def test_gs1_128_refusals_name_the_ai(text, message):
    with pytest.raises(tavlo.TavloError) as error:
        tavlo.Gs1_128(text)
    assert str(error.value) == "Invalid GS1-128 value: " + message


@pytest.mark.parametrize(
    "short, full",
    [
        ("(01)0950110153000(10)X", "(01)09501101530003(10)X"),
        ("(00)10614141234567890", "(00)106141412345678908"),
        ("(01)09501101530003(10)X(410)541234500001", "(01)09501101530003(10)X(410)5412345000013"),
    ],
)
def test_missing_check_digits_are_computed_on_request(short, full):
    computed = tavlo.Gs1_128(short, compute_check_digits=True)
    assert bars(computed) == bars(tavlo.Gs1_128(full))
    assert repr(computed) == f"tavlo.Gs1_128({short!r}, compute_check_digits=True)"
    # A complete key is validated as usual.
    with pytest.raises(tavlo.TavloError, match=r"AI \(01\) has check digit 4, expected 3"):
        tavlo.Gs1_128("(01)09501101530004", compute_check_digits=True)


def test_gs1_128_wider_than_165_mm_is_refused():
    symbol = tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123")  # 266 modules and 2 quiet zones of 10
    assert symbol.layout(x_dim="0.55mm", dpi=300).width_mm == pytest.approx(286 * 0.508)
    with pytest.raises(tavlo.TavloError) as error:
        symbol.png(x_dim="0.6mm", dpi=300)
    assert str(error.value) == (
        "Rendering error: GS1-128 may be at most 165 mm wide with its quiet zones; this one is 169.5 mm at a "
        "module width of .593 mm"
    )
    # A full 48 characters fits at a smaller module width.
    assert tavlo.Gs1_128("(01)09501101530003(10)" + "AB" * 10 + "(21)ABCDEFGH").layout(x_dim="0.25mm", dpi=600).width_mm <= 165


def test_logistics_defaults():
    # 0.495 mm rounds to 6 dots at 300 dpi; bars at least 32 mm; 10 modules of quiet zone.
    for symbol in (tavlo.Gs1_128("(00)106141412345678908"), tavlo.Itf14("1234567890123", bearer="bars")):
        layout = symbol.layout(text=False)
        assert (layout.x_dim_dots, layout.quiet_zone) == (6, 10)
        bearers = 2 * 5 * 6 if isinstance(symbol, tavlo.Itf14) else 0
        assert layout.height_dots - bearers == 378  # 32 mm at 300 dpi, whole dots up


@pytest.mark.parametrize(
    "data, message",
    [
        ("1234567890123", None),
        ("12345678901231", None),
        ("12345678901232", "Invalid checksum for ITF-14"),
        ("123456789012", "Invalid length for ITF-14: expected 13, got 12"),
        ("123456789012a", "Invalid character 'a' for ITF-14"),
    ],
)
def test_itf14_check_digit_is_computed_or_validated(data, message):
    if message is None:
        symbol = tavlo.Itf14(data)
        result = zxingcpp.read_barcodes(png_pixels(symbol.png()), formats=zxingcpp.BarcodeFormat.ITF)
        assert [r.text for r in result] == ["12345678901231"]
        return
    with pytest.raises(tavlo.TavloError) as error:
        tavlo.Itf14(data)
    assert str(error.value) == message


@pytest.mark.parametrize("bearer", ["frame", "bars"])
@pytest.mark.parametrize("dpi", [203, 300])
def test_itf14_bearer_bars_are_five_modules_and_clear_of_the_quiet_zones(bearer, dpi):
    symbol = tavlo.Itf14("1234567890123", bearer=bearer)
    layout = symbol.layout(dpi=dpi, text=False)
    pixels = png_pixels(symbol.png(dpi=dpi, text=False))
    x, b = layout.x_dim_dots, 5 * layout.x_dim_dots
    frame = b if bearer == "frame" else 0
    assert layout.width_dots == (135 + 20) * x + 2 * frame  # 14 digits in 135 modules, the stop bar 3 wide
    assert (pixels[:b] == 0).all() and (pixels[-b:] == 0).all()
    inner = pixels[b:-b]
    assert (inner[:, :frame] == 0).all() and (inner[:, pixels.shape[1] - frame :] == 0).all()
    quiet = 10 * x
    assert (inner[:, frame : frame + quiet] == 255).all()
    assert (inner[:, pixels.shape[1] - frame - quiet : pixels.shape[1] - frame] == 255).all()
    assert (inner[:, frame + quiet] == 0).all(), "the start bar follows the quiet zone"


def test_new_classes_compare_pickle_and_repr_by_input():
    gs1 = tavlo.Gs1_128("(01)09501101530003")
    itf = tavlo.Itf14("1234567890123", bearer="bars")
    assert repr(gs1) == "tavlo.Gs1_128('(01)09501101530003')"
    assert repr(itf) == "tavlo.Itf14('1234567890123', bearer='bars')"
    assert repr(tavlo.Itf14("1234567890123")) == "tavlo.Itf14('1234567890123')"
    for symbol in (gs1, itf):
        copy = pickle.loads(pickle.dumps(symbol))
        assert copy == symbol and hash(copy) == hash(symbol) and copy.png() == symbol.png()
    assert itf != tavlo.Itf14("1234567890123")
    with pytest.raises(ValueError, match="bearer must be 'frame' or 'bars'"):
        tavlo.Itf14("1234567890123", bearer="none")


def run_cli(*args):
    return subprocess.run([sys.executable, "-m", "tavlo", *args], capture_output=True)


def test_command_line_gs1_128_and_itf14(tmp_path):
    gs1 = tmp_path / "gs1.png"
    done = run_cli("gs1-128", "(01)0950110153000(17)250101", "--compute-check-digits", "-o", str(gs1))
    assert done.returncode == 0, done.stderr
    result = zxingcpp.read_barcodes(png_pixels(gs1.read_bytes()), formats=zxingcpp.BarcodeFormat.Code128)
    assert [r.text for r in result] == ["(01)09501101530003(17)250101"]
    itf = tmp_path / "itf.png"
    assert run_cli("itf14", "1234567890123", "--bearer", "bars", "--no-text", "-o", str(itf)).returncode == 0
    assert itf.read_bytes() == tavlo.Itf14("1234567890123", bearer="bars").png(text=False)
    bad = run_cli("gs1-128", "(01)09501101530004", "-o", str(tmp_path / "bad.png"))
    assert bad.returncode == 1
    assert bad.stderr.decode().strip() == (
        "tavlo gs1-128: error: Invalid GS1-128 value: AI (01) has check digit 4, expected 3"
    )
    assert not (tmp_path / "bad.png").exists()
    dm = tmp_path / "dm.png"
    assert run_cli("gs1-datamatrix", "(01)09501101530003(17)250101", "--text", "-o", str(dm)).returncode == 0
    assert dm.read_bytes() == tavlo.Gs1DataMatrix("(01)09501101530003(17)250101").png(text=True)


def test_no_text_on_the_command_line_matches_text_false(tmp_path):
    out = tmp_path / "ean.png"
    assert run_cli("ean8", "1234567", "--no-text", "-o", str(out)).returncode == 0
    assert out.read_bytes() == tavlo.Ean8("1234567").png(text=False)
    assert np.array_equal(png_pixels(out.read_bytes()), png_pixels(tavlo.Ean8("1234567").png(text=False)))
