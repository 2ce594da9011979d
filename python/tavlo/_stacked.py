"""The stacked symbols: PDF417 (with its truncated form and Macro PDF417) and MicroPDF417."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any

from ._symbols import _OptionSymbol

if TYPE_CHECKING:
    from typing_extensions import Self


class _KeywordSymbol(_OptionSymbol):
    """A symbol whose options are keyword-only: the repr shows the data and the options given, by name."""

    __slots__ = ()

    def __reduce__(self) -> tuple[Any, ...]:
        # The options are keyword-only: unpickling passes them by name.
        data, *values = self._input
        return (_keyword_symbol, (type(self), data, dict(zip(self._option_names, values))))


def _keyword_symbol(cls: type[_KeywordSymbol], data: str | bytes, options: dict[str, Any]) -> _KeywordSymbol:
    """Unpickles a symbol whose options are keywords."""
    return cls(data, **options)


class Pdf417(_KeywordSymbol):
    """A PDF417 symbol from a str (its UTF-8 bytes) or bytes, in the fewest codewords text, byte and numeric
    compaction allow.

    `error_correction` is the level, 0 to 8 (by default the least the standard recommends for the data);
    `columns` (1 to 30) and `rows` (3 to 90) fix the size, either or both (by default about three times as
    wide as high); `compact=True` makes truncated PDF417. `eci` puts an ECI assignment number before the data.
    Macro PDF417, for data split over several symbols: `segment_index` (0 to 99998) of the file named by
    `file_id` (digits in groups of three, each 000 to 899), `last_segment=True` on its last symbol.
    Rows are 3 modules high; quiet zones default to 2 modules on every side.
    """

    __slots__ = ()
    __module__ = "tavlo"
    _option_names = ("error_correction", "columns", "rows", "compact", "eci", "segment_index", "file_id", "last_segment")

    def __new__(
        cls,
        data: str | bytes,
        *,
        error_correction: int | None = None,
        columns: int | None = None,
        rows: int | None = None,
        compact: bool | None = None,
        eci: int | None = None,
        segment_index: int | None = None,
        file_id: str | None = None,
        last_segment: bool | None = None,
    ) -> Self:
        input = (data, error_correction, columns, rows, compact, eci, segment_index, file_id, last_segment)
        return cls._encode_input("pdf417", input)


class MicroPdf417(_KeywordSymbol):
    """A MicroPDF417 symbol from a str (its UTF-8 bytes) or bytes, of the smallest of its 34 sizes that holds
    the data, or of the smallest with `columns` (1 to 4) data columns. `eci` puts an ECI assignment number
    before the data. Rows are 2 modules high; quiet zones default to 1 module on every side.
    """

    __slots__ = ()
    __module__ = "tavlo"
    _option_names = ("columns", "eci")

    def __new__(cls, data: str | bytes, *, columns: int | None = None, eci: int | None = None) -> Self:
        return cls._encode_input("micropdf417", (data, columns, eci))
