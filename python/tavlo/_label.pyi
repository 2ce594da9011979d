from typing import Any, Final, Literal, Tuple, TypedDict, Union

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
    magnification: str | float | None

class PngOptions(RenderOptions, total=False):
    optimize: bool

class VectorOptions(RenderOptions, total=False):
    colour_space: Literal["rgb", "cmyk", "gray"]

class ZplOptions(RenderOptions, total=False):
    copies: int
    compression: Literal["z64", "hex"]

TavloError: Final = _tavlo.TavloError

class PrintWarning(UserWarning): ...

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
    def svg(self, **options: Unpack[VectorOptions]) -> str: ...
    def pdf(self, **options: Unpack[VectorOptions]) -> bytes: ...
    def eps(self, **options: Unpack[VectorOptions]) -> str: ...
    def zpl(self, **options: Unpack[ZplOptions]) -> str: ...
    def layout(self, **options: Unpack[RenderOptions]) -> Layout: ...
    def geometry(self) -> _tavlo.LinearGeometry | _tavlo.MatrixGeometry: ...

class Drawing:
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    @property
    def dpi(self) -> int: ...
    @property
    def foreground(self) -> tuple[int, int, int, int]: ...
    @property
    def background(self) -> tuple[int, int, int, int]: ...
    def png(self, *, optimize: bool = False) -> bytes: ...
    def svg(self) -> str: ...
    def pdf(self) -> bytes: ...
    def _rects(self) -> tuple[tuple[int, int, int, int], ...]: ...
    def _outline(self) -> tuple[tuple[Any, ...], ...]: ...

Cell = Tuple[int, int, int, int]

def draw(label: Label, /, **options: Unpack[RenderOptions]) -> Drawing: ...
def compose(
    width: int,
    height: int,
    parts: Any,
    rects: Any,
    texts: Any,
    /,
    **options: Unpack[RenderOptions],
) -> Drawing: ...
def sheet_cells(
    page_width: Length,
    page_height: Length,
    columns: int,
    rows: int,
    left: Length,
    top: Length,
    label_width: Length,
    label_height: Length,
    column_gap: Length,
    row_gap: Length,
    dpi: int,
    /,
) -> tuple[int, int, tuple[Cell, ...]]: ...
def place_in_cell(cell: Cell, width: int, height: int, anchor: str, /) -> tuple[int, int]: ...
def pdf_pages(drawings: Any, /) -> bytes: ...

class KindRow(TypedDict):
    name: str
    class_name: str
    title: str
    family: str
    matrix: bool
    gs1: bool
    options: tuple[str, ...]
    magnified: bool

def kinds() -> tuple[KindRow, ...]: ...
def gs1_128_elements(text: str, compute_check_digits: bool = False) -> tuple[list[str | None], str]: ...
def gs1_element_line(text: str, /) -> str: ...
def itf14_digits(text: str, /) -> str: ...
def gs1_parse(text: str, /) -> list[tuple[str, str]]: ...
def gs1_parse_link(uri: str, /) -> list[tuple[str, str]]: ...
def gs1_link(text: str, domain: str, /) -> str: ...
def gs1_element_string(uri: str, /) -> str: ...
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
