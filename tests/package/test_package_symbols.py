"""The package's symbol classes: names, docstrings, reprs, equality, hashing, pickling and copying by input,
errors shared with _tavlo, geometry, and the notebook reprs."""

import copy
import importlib.metadata
import pickle
import xml.etree.ElementTree as ET

import _tavlo
import pytest
from label_support import KIND_PARAMS

import tavlo


def test_the_package_exports_the_classes_and_re_exports_the_low_level_ones():
    assert tavlo.TavloError is _tavlo.TavloError
    for name in ("Data", "FNC1", "FNC2", "FNC3", "FNC4", "StartA", "StartB", "StartC", "LinearGeometry", "MatrixGeometry"):
        assert getattr(tavlo, name) is getattr(_tavlo, name)
    assert sorted(tavlo.__all__) == sorted(set(tavlo.__all__))
    for name in tavlo.__all__:
        assert hasattr(tavlo, name)



def test_the_installed_types_are_where_type_checkers_read_them():
    # A typed package carries py.typed; a top-level module's types are read only from a stub package, its
    # name followed by "-stubs" (a lone _tavlo.pyi in site-packages is not found).
    installed = {str(path) for path in importlib.metadata.files("tavlo")}
    assert {"tavlo/py.typed", "tavlo/_label.pyi", "_tavlo-stubs/__init__.pyi"} <= installed
    assert not {"py.typed", "_tavlo.pyi"} & installed

@pytest.mark.parametrize("kind", KIND_PARAMS)
def test_classes_live_in_tavlo_and_are_documented(kind):
    cls = type(kind.make())
    assert cls.__module__ == "tavlo"
    assert len(cls.__doc__) > 40
    for method in ("png", "svg", "pdf", "layout", "geometry", "save", "data_uri", "to_pil"):
        assert len(getattr(cls, method).__doc__) > 30, method


@pytest.mark.parametrize(
    "symbol, text",
    [
        (tavlo.Ean8("1234567"), "tavlo.Ean8('1234567')"),
        (tavlo.UpcA("03600029145"), "tavlo.UpcA('03600029145')"),
        (tavlo.Code39("TAVLO-39"), "tavlo.Code39('TAVLO-39')"),
        (tavlo.Itf("1234"), "tavlo.Itf('1234')"),
        (tavlo.Code128("Parcel 123"), "tavlo.Code128('Parcel 123')"),
        (tavlo.Code128([tavlo.FNC1(), tavlo.Data("0109501101530003")]), "tavlo.Code128([tavlo.FNC1(), tavlo.Data('0109501101530003')])"),
        (tavlo.QrCode("https://example.com"), "tavlo.QrCode('https://example.com')"),
        (tavlo.DataMatrix("ABC"), "tavlo.DataMatrix('ABC')"),
        (tavlo.DataMatrix(b"ABC", shape="rectangle"), "tavlo.DataMatrix(b'ABC', shape='rectangle')"),
        (tavlo.DataMatrix(b"ABC", shape="square"), "tavlo.DataMatrix(b'ABC')"),
        (tavlo.DataMatrix("ABC", dmre=True, eci=26), "tavlo.DataMatrix('ABC', dmre=True, eci=26)"),
        (tavlo.DataMatrix("ABC", size="8x18"), "tavlo.DataMatrix('ABC', size='8x18')"),
        (tavlo.DataMatrix("ABC", structured_append=(1, 2, 7)), "tavlo.DataMatrix('ABC', structured_append=(1, 2, 7))"),
        (tavlo.Gs1DataMatrix("(01)09501101530003", "rect"), "tavlo.Gs1DataMatrix('(01)09501101530003', shape='rect')"),
        (tavlo.Gs1DataMatrix("(01)09501101530003"), "tavlo.Gs1DataMatrix('(01)09501101530003')"),
    ],
    ids=lambda value: value if isinstance(value, str) else None,
)
def test_repr_reads_as_the_call_that_made_it(symbol, text):
    assert repr(symbol) == text
    assert eval(text, {"tavlo": tavlo}) == symbol


def test_equality_and_hashing_follow_the_input():
    assert tavlo.QrCode("a") == tavlo.QrCode("a")
    assert hash(tavlo.QrCode("a")) == hash(tavlo.QrCode("a"))
    assert tavlo.QrCode("a") != tavlo.QrCode("b")
    assert tavlo.Code128("12") != tavlo.Code39("12")
    assert tavlo.DataMatrix("ABC") != tavlo.DataMatrix("ABC", shape="rectangle")
    assert tavlo.DataMatrix("ABC") == tavlo.DataMatrix("ABC", shape="square")  # the default, written out
    assert tavlo.Code128([tavlo.Data("AB"), tavlo.FNC2()]) == tavlo.Code128([tavlo.Data("AB"), tavlo.FNC2()])
    assert tavlo.Code128([tavlo.Data("AB")]) != tavlo.Code128("AB")  # different input, though the same bars
    assert len({tavlo.Itf("12"), tavlo.Itf("12"), tavlo.Itf("34")}) == 2
    assert tavlo.QrCode("a") != "a"


@pytest.mark.parametrize(
    "symbol",
    [kind.make() for kind in [p.values[0] for p in KIND_PARAMS]]
    + [tavlo.Code128([tavlo.StartC(), tavlo.FNC1(), tavlo.Data("0109501101530003")]), tavlo.DataMatrix(b"\x00\xff", shape="rect"),
       tavlo.DataMatrix("x", size="8x18"), tavlo.DataMatrix("\u65e5", dmre=True, structured_append=(2, 3, 600)),
       tavlo.MicroPdf417("x"), tavlo.MicroPdf417(b"\x00x", columns=2),
       tavlo.Pdf417("x", error_correction=3, compact=True, segment_index=1, file_id="001002")],
    ids=repr,
)
@pytest.mark.parametrize("protocol", [0, pickle.HIGHEST_PROTOCOL])
def test_pickling_and_copying_keep_the_input(symbol, protocol):
    clone = pickle.loads(pickle.dumps(symbol, protocol))
    assert clone == symbol and type(clone) is type(symbol)
    assert clone.png() == symbol.png()
    assert copy.copy(symbol) == symbol and copy.deepcopy(symbol) == symbol


def test_symbols_are_immutable():
    symbol = tavlo.QrCode("x")
    with pytest.raises(AttributeError):
        symbol.data = "y"
    with pytest.raises(AttributeError):
        symbol._input = ("y",)


@pytest.mark.parametrize(
    "make, error, message",
    [
        (lambda: tavlo.Ean8("123"), tavlo.TavloError, "Invalid length for EAN-8: expected 7, got 3"),
        (lambda: tavlo.UpcA("03600029146"[:11] + "3"), tavlo.TavloError, "Invalid checksum for UPC-A"),
        (lambda: tavlo.Code39("AB#"), tavlo.TavloError, "Invalid character '#' for Code 39"),
        (lambda: tavlo.Itf("123"), tavlo.TavloError, None),
        (lambda: tavlo.QrCode("A" * 5000), tavlo.TavloError, "Encoding error: data too long"),
        (lambda: tavlo.Gs1DataMatrix("(01)123"), tavlo.TavloError, None),
        (lambda: tavlo.QrCode(5), TypeError, "argument 'data': 'int' object is not an instance of 'str'"),
        (lambda: tavlo.DataMatrix("A", shape="round"), ValueError, "invalid shape 'round': expected 'square', 'rectangle' or 'any'"),
        (lambda: tavlo.Code128([tavlo.Data("A"), 5]), TypeError, "Expected Data, FNC1, FNC2, FNC3, FNC4, StartA, StartB, or StartC"),
        (lambda: tavlo.Code128(5), TypeError, "argument 'data': 'int' object is not a str or a list of elements"),
        (lambda: tavlo.QrCode(), TypeError, "QrCode.__new__() missing 1 required positional argument: 'data'"),
        (lambda: tavlo.Itf("12", "34"), TypeError, "Itf.__new__() takes 2 positional arguments but 3 were given"),
    ],
)
def test_errors_are_those_of_the_low_level_module(make, error, message):
    with pytest.raises(error) as raised:
        make()
    if message is not None:
        assert str(raised.value) == message


@pytest.mark.parametrize(
    "symbol, low_level",
    [
        (tavlo.Ean8("1234567"), _tavlo.Ean8("1234567")),
        (tavlo.Code128("Parcel 123"), _tavlo.Code128([_tavlo.Data("Parcel 123")])),
        (tavlo.QrCode("https://example.com"), _tavlo.QrCode("https://example.com")),
        (tavlo.Gs1DataMatrix("(01)09501101530003", shape="rect"), _tavlo.DataMatrix.gs1("(01)09501101530003", shape="rect")),
    ],
    ids=repr,
)
def test_geometry_is_the_low_level_geometry(symbol, low_level):
    geometry, expected = symbol.geometry(), low_level.geometry()
    assert type(geometry) is type(expected)
    if isinstance(geometry, tavlo.LinearGeometry):
        assert [(b.x, b.width) for b in geometry.bars] == [(b.x, b.width) for b in expected.bars]
        assert geometry.total_modules == expected.total_modules
    else:
        assert geometry.modules == expected.modules


def test_notebook_reprs_are_the_default_png_and_svg():
    symbol = tavlo.Ean8("1234567")
    assert symbol._repr_png_() == symbol.png()
    assert symbol._repr_svg_() == symbol.svg()
    ET.fromstring(symbol._repr_svg_())


def test_layout_is_a_named_record():
    layout = tavlo.QrCode("x").layout(dpi=600, x_dim="0.5mm")
    assert isinstance(layout, tavlo.Layout)
    assert repr(layout) == (
        "tavlo.Layout(dpi=600, x_dim_dots=12, x_dim_mm=0.508, width_dots=348, height_dots=348, "
        "width_mm=14.732, height_mm=14.732, quiet_zone=4)"
    )
    assert (layout.width_dots, layout.quiet_zone) == (29 * 12, 4)


@pytest.mark.parametrize(
    "make, error, message",
    [
        # A class makes only its own kinds: an Ean8 that renders a QR Code would compare as an Ean8.
        (lambda L: L.__new__(tavlo.Ean8, "qr", "x", ("x",)), TypeError, "a Ean8 cannot hold a symbol of kind 'qr'"),
        (lambda L: L("ean8", "1234567", ()), TypeError, "a Label cannot hold a symbol of kind 'ean8'"),
        (lambda L: L.__new__(tavlo.QrCode, "no-such-kind", "x", ()), ValueError, "unknown label kind 'no-such-kind'"),
        (lambda L: L.__new__(tavlo.QrCode, "qr", 5, ()), TypeError,
         "argument 'data': 'int' object is not an instance of 'str or bytes'"),
        (lambda L: L.__new__(tavlo.QrCode, "qr", "x", (), (("shape", "square"),)), TypeError,
         "QrCode() got an unexpected keyword argument 'shape'"),
        (lambda L: L.__new__(tavlo.DataMatrix, "datamatrix", "x", (), (("shape", "round"),)), tavlo.TavloError,
         "Encoding error: option 'shape' must be 'square', 'rectangle' or 'any', not 'round'"),
    ],
)
def test_the_label_type_makes_only_the_kinds_of_its_class(make, error, message):
    from tavlo import _label

    with pytest.raises(error) as raised:
        make(_label.Label)
    assert str(raised.value) == message


def test_a_subclass_makes_the_kind_of_its_base():
    class Shelf(tavlo.Ean8):
        __slots__ = ()

    assert Shelf("1234567").png() == tavlo.Ean8("1234567").png()


@pytest.mark.parametrize("symbol", [tavlo.Itf("1234567890"), tavlo.Itf14("1234567890123")], ids=repr)
def test_the_itf_stop_bar_is_as_wide_as_the_other_wide_bars(symbol):
    bars = symbol.geometry().bars
    assert {bar.width for bar in bars} == {1, 3}
    assert [bar.width for bar in bars[-2:]] == [3, 1]
    # The low-level module keeps its own stop bar of 2 modules.
    assert [bar.width for bar in _tavlo.Itf("1234567890").geometry().bars[-2:]] == [2, 1]
