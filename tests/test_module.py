"""The module's surface: names, exception type, class properties, geometry objects."""

import inspect
import sys

import pytest

import _tavlo

ALL = [
    "Code128", "Code39", "UpcA", "Ean8", "Itf", "QrCode", "DataMatrix", "LinearGeometry", "MatrixGeometry",
    "Bar", "Data", "FNC1", "FNC2", "FNC3", "FNC4", "StartA", "StartB", "StartC", "TavloError",
]
CLASSES = ALL[:-1]
CONSTRUCTIBLE = {
    "Code128": "Code128(symbols)", "Code39": "Code39(data)", "UpcA": "UpcA(data)", "Ean8": "Ean8(data)",
    "Itf": "Itf(data)", "QrCode": "QrCode(data)", "DataMatrix": 'DataMatrix(data, *, shape="any")',
    "Data": "Data(value)", "FNC1": "FNC1()", "FNC2": "FNC2()", "FNC3": "FNC3()", "FNC4": "FNC4()",
    "StartA": "StartA()", "StartB": "StartB()", "StartC": "StartC()",
}


def test_all_lists_every_public_name_in_order():
    assert _tavlo.__all__ == ALL
    assert _tavlo.__doc__ == ""
    public = sorted(name for name in dir(_tavlo) if not name.startswith("_"))
    assert public == sorted(ALL)


def test_exception_type():
    error = _tavlo.TavloError
    assert error.__name__ == error.__qualname__ == "PyTavloError"
    assert error.__module__ == "_tavlo"
    assert error.__bases__ == (Exception,)
    assert error.__doc__ is None
    assert not hasattr(_tavlo, "PyTavloError")


def test_core_failure_raises_tavlo_error_with_the_message_only():
    with pytest.raises(_tavlo.TavloError) as info:
        _tavlo.Ean8("123456")
    assert info.value.args == ("Invalid length for EAN-8: expected 7, got 6",)
    assert str(info.value) == "Invalid length for EAN-8: expected 7, got 6"
    assert not isinstance(info.value, ValueError)


@pytest.mark.parametrize("name", CLASSES)
def test_class_properties(name):
    cls = getattr(_tavlo, name)
    assert cls.__module__ == "builtins"
    assert cls.__name__ == cls.__qualname__ == name
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})
    if name in CONSTRUCTIBLE:
        assert cls.__doc__ is None or cls.__doc__ == ""
        assert cls.__text_signature__ == CONSTRUCTIBLE[name][len(name):]
    else:
        assert cls.__doc__ is None
        with pytest.raises(TypeError):
            cls()


@pytest.mark.parametrize(
    "name, method, signature",
    [
        (cls, "geometry", "($self)") for cls in ["Code128", "Code39", "UpcA", "Ean8", "Itf", "QrCode", "DataMatrix"]
    ]
    + [
        (cls, "render_png", '($self, width, height, *, unit="in", dpi=None, quiet_zone_modules=0)')
        for cls in ["Code128", "Code39", "UpcA", "Ean8", "Itf", "QrCode", "DataMatrix"]
    ]
    + [
        (cls, "render_svg", "($self, *, quiet_zone_modules=0)")
        for cls in ["Code128", "Code39", "UpcA", "Ean8", "Itf", "QrCode", "DataMatrix"]
    ]
    + [("MatrixGeometry", "is_square", "($self)")],
)
def test_method_signatures(name, method, signature):
    assert getattr(getattr(_tavlo, name), method).__text_signature__ == signature


def test_gs1_docstring():
    method = _tavlo.DataMatrix.gs1
    assert method.__text_signature__ == '($cls, value, *, shape="any")'
    assert len(method.__doc__) == 418
    assert method.__doc__.startswith("Encode a GS1 Data Matrix from the canonical parenthesized AI form,\n")
    assert "a `\\x1D`\n(GS) separator" in method.__doc__
    assert method.__doc__.endswith("`shape` selects which one to emit.")


def test_instances_have_no_dict_and_compare_by_identity():
    symbol = _tavlo.Ean8("1234567")
    with pytest.raises(AttributeError):
        symbol.extra = 1
    assert not hasattr(symbol, "__dict__")
    assert symbol != _tavlo.Ean8("1234567")
    assert symbol == symbol
    assert _tavlo.FNC1() is not _tavlo.FNC1() and _tavlo.FNC1() != _tavlo.FNC1()


def test_reimport_shares_type_objects():
    first = _tavlo.Ean8
    del sys.modules["_tavlo"]
    import _tavlo as again

    assert again.Ean8 is first
    assert again.TavloError is _tavlo.TavloError


class TestGeometryObjects:
    def test_linear_geometry(self):
        symbol = _tavlo.Ean8("1234567")
        geometry = symbol.geometry()
        assert repr(geometry) == "LinearGeometry(bars=[...22 bars], total_modules=67)"
        assert geometry is not symbol.geometry()
        assert geometry.bars is not geometry.bars
        assert geometry.bars[0] is not geometry.bars[0]
        assert geometry.bars[0].x == geometry.bars[0].x == 0
        bar = geometry.bars[2]
        assert repr(bar) == "Bar(x=5, width=2)" and str(bar) == repr(bar)
        assert (bar.x, bar.width) == (5, 2)

    @pytest.mark.parametrize("attribute", ["bars", "total_modules"])
    def test_linear_geometry_is_read_only(self, attribute):
        geometry = _tavlo.Ean8("1234567").geometry()
        with pytest.raises(AttributeError):
            setattr(geometry, attribute, 3)
        with pytest.raises(AttributeError):
            delattr(geometry, attribute)

    @pytest.mark.parametrize("attribute", ["x", "width"])
    def test_bar_is_read_only(self, attribute):
        bar = _tavlo.Ean8("1234567").geometry().bars[0]
        with pytest.raises(AttributeError):
            setattr(bar, attribute, 3)
        with pytest.raises(AttributeError):
            delattr(bar, attribute)

    def test_matrix_geometry(self):
        geometry = _tavlo.QrCode("x").geometry()
        assert repr(geometry) == "MatrixGeometry(width=21, height=21)"
        assert geometry.is_square() is True
        modules = geometry.modules
        assert len(modules) == geometry.height and all(len(row) == geometry.width for row in modules)
        assert all(type(cell) is bool for row in modules for cell in row)
        modules[0][0] = not modules[0][0]
        assert geometry.modules[0][0] is True
        for attribute in ["modules", "width", "height"]:
            with pytest.raises(AttributeError):
                setattr(geometry, attribute, 1)

    def test_rectangular_matrix_is_not_square(self):
        geometry = _tavlo.DataMatrix("ABC", shape="rect").geometry()
        assert geometry.is_square() is False
        assert geometry.width > geometry.height


def test_type_stub_names_every_public_class_and_method():
    import ast
    from pathlib import Path

    stub = ast.parse((Path(__file__).resolve().parents[1] / "python" / "_tavlo.pyi").read_text(encoding="utf-8"))
    classes = {node.name: node for node in stub.body if isinstance(node, ast.ClassDef)}
    assert set(ALL) <= set(classes)

    def members(name):
        node = classes[name]
        found = {item.name for item in node.body if isinstance(item, ast.FunctionDef)}
        for base in node.bases:
            if isinstance(base, ast.Name) and base.id in classes:
                found |= members(base.id)
        return found

    for name in CLASSES:
        runtime = {m for m in dir(getattr(_tavlo, name)) if not m.startswith("_")}
        assert runtime <= members(name), name

    # The stub states the same keyword defaults as the methods' signatures.
    symbol = {item.name: item for item in classes["_Symbol"].body if isinstance(item, ast.FunctionDef)}
    for method in ("render_png", "render_svg"):
        stub_defaults = {arg.arg: ast.literal_eval(default) for arg, default in
                         zip(symbol[method].args.kwonlyargs, symbol[method].args.kw_defaults)}
        runtime = inspect.signature(getattr(_tavlo.Ean8("1234567"), method))
        assert stub_defaults == {p.name: p.default for p in runtime.parameters.values() if p.kind == p.KEYWORD_ONLY}
