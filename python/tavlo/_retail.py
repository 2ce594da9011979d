"""The retail symbols: UPC-A, EAN-13 and UPC-E with their EAN-2 and EAN-5 add-ons, and the book, serial and
music numbers carried as EAN-13 (ISBN, ISSN, ISMN)."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any

from ._label import TavloTypeError
from ._symbols import _Symbol, _text

if TYPE_CHECKING:
    from typing_extensions import Self

# The options each class shows in its repr when they differ from these defaults, in this order.
_DEFAULTS: dict[str, Any] = {"variant": "00", "addon": None, "addon_gap": None, "light_margin": False}


def _addon(addon: Any) -> str | None:
    if addon is None or isinstance(addon, str):
        return addon
    raise TavloTypeError(f"argument 'addon': '{type(addon).__qualname__}' object is not an instance of 'str'")


def _addon_gap(gap: Any) -> int | None:
    if gap is None or (isinstance(gap, int) and not isinstance(gap, bool)):
        return gap
    raise TavloTypeError(f"argument 'addon_gap': '{type(gap).__qualname__}' object is not an instance of 'int'")


class _Retail(_Symbol):
    """A retail kind: the data, then the options given that differ from their defaults."""

    __slots__ = ()

    @classmethod
    def _retail(cls, kind: str, data: Any, name: str = "data", **options: Any) -> Self:
        # The checks are called only for what they may refuse: this runs for every retail label made.
        addon, gap = options.get("addon"), options.get("addon_gap")
        if addon is not None and type(addon) is not str:
            _addon(addon)
        if gap is not None and type(gap) is not int:
            _addon_gap(gap)
        if "light_margin" in options:
            options["light_margin"] = bool(options["light_margin"])
        given = tuple([(key, value) for key, value in options.items() if value != _DEFAULTS.get(key)])
        # No options: the input is the data alone, as UPC-A's always was.
        input = (data, given) if given else (data,)
        # Only what differs from the defaults goes to the core, whose defaults are the same.
        return cls._encode(kind, _text(data, name), input, **dict(given))

    def _options(self) -> dict[str, Any]:
        return dict(self._input[1]) if len(self._input) > 1 else {}

    def _arguments(self) -> list[str]:
        return [repr(self._input[0])] + [f"{key}={value!r}" for key, value in self._options().items()]

    def __reduce__(self) -> tuple[Any, ...]:
        return (_rebuild, (type(self), self._input[0], tuple(self._options().items())))


def _rebuild(cls: type[_Retail], data: str, options: tuple[tuple[str, Any], ...]) -> _Retail:
    """Unpickles a retail symbol from its data and the options it was given."""
    named = dict(options)
    if named.pop("from_upca", False):
        return cls.from_upca(data, **named)  # type: ignore[attr-defined, no-any-return]
    return cls(data, **named)


class UpcA(_Retail):
    """A UPC-A symbol from 11 digits, or 12 with a correct check digit.

    `addon` ("12" or "51299") adds an EAN-2 or EAN-5 add-on `addon_gap` modules (9 to 12, default 9: at least
    UPC-A's right quiet zone) right of the bars, its digits above it. Quiet zones default to 9 modules on each
    side (5 right of an add-on).
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str, addon: str | None = None, addon_gap: int | None = None) -> Self:
        return cls._retail("upca", data, addon=addon, addon_gap=addon_gap)


class Ean13(_Retail):
    """An EAN-13 symbol from 12 digits (the check digit is computed) or 13 (it is validated).

    The first digit is printed left of the bars, the others in two groups of six under them; `light_margin`
    prints ">" right of the bars to keep the quiet zone clear. `addon` ("12" or "51299") adds an EAN-2 or
    EAN-5 add-on `addon_gap` modules (7 to 12, default 9) right of the bars, its digits above it. Quiet zones
    default to 11 modules left and 7 right (5 right of an add-on).
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(
        cls, data: str, addon: str | None = None, addon_gap: int | None = None, light_margin: bool = False
    ) -> Self:
        return cls._retail("ean13", data, addon=addon, addon_gap=addon_gap, light_margin=light_margin)


class UpcE(_Retail):
    """A UPC-E symbol: a UPC-A of number system 0 or 1 with a run of zeros left out.

    From 6 digits (number system 0), 7 (the number system first) or 8 (the check digit last, validated);
    UpcE.from_upca takes the UPC-A itself. The number-system and check digits are printed small outside the
    bars. `addon` and `addon_gap` as for Ean13. Quiet zones default to 9 modules left and 7 right.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(cls, data: str, addon: str | None = None, addon_gap: int | None = None) -> Self:
        return cls._retail("upce", data, addon=addon, addon_gap=addon_gap)

    @classmethod
    def from_upca(cls, upca: str, addon: str | None = None, addon_gap: int | None = None) -> Self:
        """The UPC-E for a UPC-A of 11 or 12 digits; TavloError says why when the UPC-A has no UPC-E form."""
        return cls._retail("upce", upca, "upca", addon=addon, addon_gap=addon_gap, from_upca=True)

    def _options(self) -> dict[str, Any]:
        options = super()._options()
        options.pop("from_upca", None)
        return options

    def __reduce__(self) -> tuple[Any, ...]:
        options = tuple(super()._options().items())
        return (_rebuild, (type(self), self._input[0], options))

    def __repr__(self) -> str:
        name = "UpcE.from_upca" if super()._options().get("from_upca") else "UpcE"
        return f"tavlo.{name}({', '.join(self._arguments())})"


class Isbn(_Retail):
    """A book's ISBN as EAN-13: ISBN-13 (978 or 979), or ISBN-10, which becomes 978 with a new check digit.

    Hyphens and spaces are allowed anywhere between the digits. The number is printed above the symbol as
    "ISBN 978-0-306-40615-7", hyphenated by the International ISBN Agency's ranges (registration group,
    registrant, publication, check digit) whatever hyphens were written; a number in a range allotted after
    the table's date (January 2026) keeps the hyphens it was written with. Check digits are validated:
    ISBN-10's modulo 11 (X for 10), ISBN-13's modulo 10. `addon`, `addon_gap` and `light_margin` as for Ean13.
    `human_readable` holds the printed number and the digits under the bars.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(
        cls, isbn: str, addon: str | None = None, addon_gap: int | None = None, light_margin: bool = False
    ) -> Self:
        return cls._retail("isbn", isbn, "isbn", addon=addon, addon_gap=addon_gap, light_margin=light_margin)


class Issn(_Retail):
    """A serial's ISSN as EAN-13: 977, the ISSN's seven digits, the two-digit `variant`, a check digit.

    The ISSN's own check digit (modulo 11, X for 10) is validated; it is printed above the symbol as
    "ISSN 0317-8471". The issue number goes in `addon` (2 digits, or 5). `addon_gap` and `light_margin` as
    for Ean13.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(
        cls,
        issn: str,
        variant: str = "00",
        addon: str | None = None,
        addon_gap: int | None = None,
        light_margin: bool = False,
    ) -> Self:
        if not isinstance(variant, str):
            raise TavloTypeError(f"argument 'variant': '{type(variant).__qualname__}' object is not an instance of 'str'")
        return cls._retail(
            "issn", issn, "issn", variant=variant, addon=addon, addon_gap=addon_gap, light_margin=light_margin
        )


class Ismn(_Retail):
    """Printed music's ISMN as EAN-13: "979-0-2306-7118-7", or the older "M-2306-7118-7" for the same number.

    Printed above the symbol as "ISMN 979-0-2306-7118-7", hyphenated by the ISMN publisher ranges.
    `addon`, `addon_gap` and `light_margin` as for Ean13.
    """

    __slots__ = ()
    __module__ = "tavlo"

    def __new__(
        cls, ismn: str, addon: str | None = None, addon_gap: int | None = None, light_margin: bool = False
    ) -> Self:
        return cls._retail("ismn", ismn, "ismn", addon=addon, addon_gap=addon_gap, light_margin=light_margin)
