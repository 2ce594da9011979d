from typing import Any, Final, Tuple, Union

from typing_extensions import Self

import _tavlo

_Length = Union[str, float]
_Colour = Union[str, Tuple[int, int, int], Tuple[int, int, int, int]]

TavloError: Final = _tavlo.TavloError

class Layout(Tuple[int, int, float, int, int, float, float, int]):
    @property
    def dpi(self) -> int: ...
    @property
    def x_dim_dots(self) -> int: ...
    @property
    def x_dim_mm(self) -> float: ...
    @property
    def width_dots(self) -> int: ...
    @property
    def height_dots(self) -> int: ...
    @property
    def width_mm(self) -> float: ...
    @property
    def height_mm(self) -> float: ...
    @property
    def quiet_zone(self) -> int: ...

class Label:
    def __new__(cls, symbol: Any, kind: str, input: tuple[Any, ...], text: str = "") -> Self: ...
    @property
    def _input(self) -> tuple[Any, ...]: ...
    def png(
        self,
        *,
        dpi: int = 300,
        x_dim: _Length | None = None,
        width: _Length | None = None,
        height: _Length | None = None,
        quiet_zone: int | None = None,
        bar_width_reduction: _Length = 0,
        foreground: _Colour = "#000000",
        background: _Colour | None = "#ffffff",
        text: bool | None = None,
    ) -> bytes: ...
    def svg(
        self,
        *,
        dpi: int = 300,
        x_dim: _Length | None = None,
        width: _Length | None = None,
        height: _Length | None = None,
        quiet_zone: int | None = None,
        bar_width_reduction: _Length = 0,
        foreground: _Colour = "#000000",
        background: _Colour | None = "#ffffff",
        text: bool | None = None,
    ) -> str: ...
    def pdf(
        self,
        *,
        dpi: int = 300,
        x_dim: _Length | None = None,
        width: _Length | None = None,
        height: _Length | None = None,
        quiet_zone: int | None = None,
        bar_width_reduction: _Length = 0,
        foreground: _Colour = "#000000",
        background: _Colour | None = "#ffffff",
        text: bool | None = None,
    ) -> bytes: ...
    def layout(
        self,
        *,
        dpi: int = 300,
        x_dim: _Length | None = None,
        width: _Length | None = None,
        height: _Length | None = None,
        quiet_zone: int | None = None,
        bar_width_reduction: _Length = 0,
        foreground: _Colour = "#000000",
        background: _Colour | None = "#ffffff",
        text: bool | None = None,
    ) -> Layout: ...
    def geometry(self) -> _tavlo.LinearGeometry | _tavlo.MatrixGeometry: ...

def gs1_128_elements(text: str, compute_check_digits: bool = False) -> tuple[list[str | None], str]: ...
def gs1_element_line(text: str, /) -> str: ...
def itf14_digits(text: str, /) -> str: ...
