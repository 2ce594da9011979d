from typing import Any, Final, Tuple, TypedDict, Union

from typing_extensions import Self, Unpack

import _tavlo

Length = Union[str, float]
Colour = Union[str, Tuple[int, int, int], Tuple[int, int, int, int]]

class RenderOptions(TypedDict, total=False):
    dpi: int
    x_dim: Length | None
    width: Length | None
    height: Length | None
    quiet_zone: int | None
    bar_width_reduction: Length
    foreground: Colour
    background: Colour | None
    text: bool | None

class PngOptions(RenderOptions, total=False):
    optimize: bool

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
    def __new__(
        cls, kind: str, data: str | bytes, input: tuple[Any, ...], options: tuple[tuple[str, str], ...] = ()
    ) -> Self: ...
    @property
    def _input(self) -> tuple[Any, ...]: ...
    @property
    def _kind(self) -> str: ...
    def png(self, **options: Unpack[PngOptions]) -> bytes: ...
    def svg(self, **options: Unpack[RenderOptions]) -> str: ...
    def pdf(self, **options: Unpack[RenderOptions]) -> bytes: ...
    def layout(self, **options: Unpack[RenderOptions]) -> Layout: ...
    def geometry(self) -> _tavlo.LinearGeometry | _tavlo.MatrixGeometry: ...

class KindRow(TypedDict):
    name: str
    class_name: str
    title: str
    family: str
    matrix: bool
    gs1: bool
    options: tuple[str, ...]

def kinds() -> tuple[KindRow, ...]: ...
def gs1_128_elements(text: str, compute_check_digits: bool = False) -> tuple[list[str | None], str]: ...
def gs1_element_line(text: str, /) -> str: ...
def itf14_digits(text: str, /) -> str: ...
def render_many(
    kind: str,
    payloads: Any,
    format: str,
    threads: int,
    collect_errors: bool,
    options: tuple[tuple[str, str], ...] | None,
    packed: bool,
    /,
    **render_options: Any,
) -> Any: ...
