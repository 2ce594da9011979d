"""Argument binding and conversion, the same for every constructor and method; shown on the linear classes."""

import pytest

import _tavlo
from _tavlo import Code39, Ean8, Itf, TavloError, UpcA

LINEAR = [(Code39, "ABC"), (Ean8, "1234567"), (UpcA, "03600029145"), (Itf, "1234")]


@pytest.fixture
def ean8():
    return Ean8("1234567")


@pytest.mark.parametrize("cls, data", LINEAR)
class TestConstructor:
    def test_keyword_form_equals_positional(self, cls, data):
        assert cls(data=data).render_svg() == cls(data).render_svg()

    def test_bytes_refused(self, cls, data):
        with pytest.raises(TypeError) as info:
            cls(data.encode())
        assert str(info.value) == "argument 'data': 'bytes' object is not an instance of 'str'"
        assert type(info.value.__cause__) is TypeError

    def test_binding_messages(self, cls, data):
        name = cls.__name__
        cases = [
            (lambda: cls(), f"{name}.__new__() missing 1 required positional argument: 'data'"),
            (lambda: cls(data, data), f"{name}.__new__() takes 1 positional arguments but 2 were given"),
            (lambda: cls(data, x=1), f"{name}.__new__() got an unexpected keyword argument 'x'"),
            (lambda: cls(data, data=data), f"{name}.__new__() got multiple values for argument 'data'"),
            (lambda: cls(5), "argument 'data': 'int' object is not an instance of 'str'"),
            (lambda: cls(None), "argument 'data': 'None' is not an instance of 'str'"),
        ]
        for call, message in cases:
            with pytest.raises(TypeError) as info:
                call()
            assert str(info.value) == message

    def test_lone_surrogate_raises_unicode_error(self, cls, data):
        with pytest.raises(UnicodeEncodeError):
            cls("\ud800")


class TestRenderPngArguments:
    def test_unit_defaults_to_inches(self, ean8):
        assert ean8.render_png(1, 0.5, dpi=300) == ean8.render_png(1, 0.5, unit="in", dpi=300)

    def test_px_needs_no_dpi_and_none_is_absent(self, ean8):
        assert ean8.render_png(100, 50, unit="px") == ean8.render_png(100, 50, unit="px", dpi=None)

    def test_messages(self, ean8):
        cases = [
            (lambda: ean8.render_png(1, 1), TavloError, "dpi is required when unit is 'in' or 'mm'"),
            (lambda: ean8.render_png(1, 1, unit="IN", dpi=300), TavloError,
             "Invalid unit 'IN': expected 'in', 'mm', or 'px'"),
            (lambda: ean8.render_png(1, 1, unit="IN", dpi=-5), OverflowError,
             "out of range integral type conversion attempted"),
            (lambda: ean8.render_png(1, 1, "in", 300), TypeError,
             "Ean8.render_png() takes 2 positional arguments but 4 were given"),
            (lambda: ean8.render_png(), TypeError,
             "Ean8.render_png() missing 2 required positional arguments: 'width' and 'height'"),
            (lambda: ean8.render_png(1), TypeError,
             "Ean8.render_png() missing 1 required positional argument: 'height'"),
            (lambda: ean8.render_png(1, 1, dpi=2**32), OverflowError,
             "out of range integral type conversion attempted"),
            (lambda: ean8.render_png(1, 1, unit="px", quiet_zone_modules=None), TypeError, None),
            (lambda: ean8.render_png("1", 1, unit=3), TypeError, None),
            (lambda: ean8.render_png(1, 1, unit=3, dpi=-1), TypeError, "argument 'unit': 'int' object is not an instance of 'str'"),
            (lambda: ean8.render_png(1, 1, unit="in", dpi=300.0), TypeError, None),
            (lambda: ean8.render_png(1, 1, unit="px", dpi=0), TavloError, "dpi must not be specified when unit is 'px'"),
            (lambda: ean8.render_png(2, 2, unit="px", dpi="x", quiet_zone_modules=-1), TypeError, None),
        ]
        for call, error, message in cases:
            with pytest.raises(error) as info:
                call()
            if message is not None:
                assert str(info.value) == message

    def test_conversion_errors_name_the_argument(self, ean8):
        with pytest.raises(TypeError) as info:
            ean8.render_png("1", 1, unit="px")
        assert str(info.value).startswith("argument 'width': ")
        assert type(info.value.__cause__) is TypeError
        with pytest.raises(TypeError) as info:
            ean8.render_png(1, 1, unit="in", dpi=300.0)
        assert str(info.value).startswith("argument 'dpi': ")
        with pytest.raises(TypeError) as info:
            ean8.render_svg(quiet_zone_modules=None)
        assert str(info.value).startswith("argument 'quiet_zone_modules': ")
        with pytest.raises(OverflowError):
            ean8.render_png(1, 1, unit="px", quiet_zone_modules=2**64)

    def test_huge_int_width_overflows_unprefixed(self, ean8):
        with pytest.raises(OverflowError):
            ean8.render_png(10**400, 1, unit="px")

    def test_accepted_numeric_forms(self, ean8):
        class Width:
            def __float__(self):
                return 100.0

        class Index:
            def __index__(self):
                return 2

        base = ean8.render_png(100, 10, unit="px", quiet_zone_modules=2)
        assert ean8.render_png(Width(), 10.0, unit="px", quiet_zone_modules=Index()) == base
        assert ean8.render_png(1, 1, dpi=True) == ean8.render_png(1, 1, dpi=1)


class TestRenderSvgArguments:
    def test_default_and_keyword_only(self, ean8):
        assert ean8.render_svg() == ean8.render_svg(quiet_zone_modules=0)
        with pytest.raises(TypeError) as info:
            ean8.render_svg(4)
        assert str(info.value) == "Ean8.render_svg() takes 0 positional arguments but 1 was given"

    def test_none_is_not_absent(self, ean8):
        with pytest.raises(TypeError):
            ean8.render_svg(quiet_zone_modules=None)


def test_failed_calls_leave_the_object_unchanged(ean8):
    before = [(b.x, b.width) for b in ean8.geometry().bars]
    for call in [lambda: ean8.render_png(1, 1), lambda: ean8.render_svg(quiet_zone_modules=-1)]:
        with pytest.raises(Exception):
            call()
    ean8.render_svg(quiet_zone_modules=3)
    assert [(b.x, b.width) for b in ean8.geometry().bars] == before
    assert ean8.geometry().total_modules == 67


def test_error_class_of_core_messages_is_not_prefixed():
    with pytest.raises(_tavlo.TavloError) as info:
        Ean8("12345678")
    assert str(info.value) == "Invalid checksum for EAN-8"
