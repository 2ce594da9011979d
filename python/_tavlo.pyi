from collections.abc import Sequence
from typing import final

__all__ = [
    "Code128", "Code39", "UpcA", "Ean8", "Itf", "QrCode", "DataMatrix", "LinearGeometry", "MatrixGeometry",
    "Bar", "Data", "FNC1", "FNC2", "FNC3", "FNC4", "StartA", "StartB", "StartC", "TavloError",
]

class TavloError(Exception): ...

@final
class Bar:
    @property
    def x(self) -> int: ...
    @property
    def width(self) -> int: ...

@final
class LinearGeometry:
    @property
    def bars(self) -> list[Bar]: ...
    @property
    def total_modules(self) -> int: ...

@final
class MatrixGeometry:
    @property
    def modules(self) -> list[list[bool]]: ...
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    def is_square(self) -> bool: ...

class _Symbol:
    def render_png(
        self,
        width: float,
        height: float,
        *,
        unit: str = "in",
        dpi: int | None = None,
        quiet_zone_modules: int = 0,
    ) -> bytes: ...
    def render_svg(self, *, quiet_zone_modules: int = 0) -> str: ...

class _LinearSymbol(_Symbol):
    def geometry(self) -> LinearGeometry: ...

class _MatrixSymbol(_Symbol):
    def geometry(self) -> MatrixGeometry: ...

@final
class Code39(_LinearSymbol):
    def __new__(cls, data: str) -> Code39: ...

@final
class Ean8(_LinearSymbol):
    def __new__(cls, data: str) -> Ean8: ...

@final
class UpcA(_LinearSymbol):
    def __new__(cls, data: str) -> UpcA: ...

@final
class Itf(_LinearSymbol):
    def __new__(cls, data: str) -> Itf: ...

@final
class Data:
    def __new__(cls, value: str) -> Data: ...
    @property
    def value(self) -> str: ...

@final
class FNC1: ...
@final
class FNC2: ...
@final
class FNC3: ...
@final
class FNC4: ...
@final
class StartA: ...
@final
class StartB: ...
@final
class StartC: ...

@final
class Code128(_LinearSymbol):
    def __new__(cls, symbols: Sequence[Data | FNC1 | FNC2 | FNC3 | FNC4 | StartA | StartB | StartC]) -> Code128: ...

@final
class QrCode(_MatrixSymbol):
    def __new__(cls, data: str) -> QrCode: ...

@final
class DataMatrix(_MatrixSymbol):
    def __new__(cls, data: str | bytes, *, shape: str = "any") -> DataMatrix: ...
    @classmethod
    def gs1(cls, value: str, *, shape: str = "any") -> DataMatrix: ...
