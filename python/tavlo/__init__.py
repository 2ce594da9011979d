"""Print-exact barcodes: labels sized in whole printer dots, written as PNG, SVG or PDF.

>>> import tavlo
>>> label = tavlo.Code128("Parcel 0123456789")
>>> png = label.png(dpi=300, x_dim="0.33mm")   # every module exactly 4 dots

The symbol classes encode once, when they are made, and render as often as asked. The low-level module
`_tavlo` underneath stays available for geometry and stretched images.
"""

from _tavlo import FNC1, FNC2, FNC3, FNC4, Bar, Data, LinearGeometry, MatrixGeometry, StartA, StartB, StartC, TavloError

from ._label import Layout, TavloTypeError, TavloValueError
from ._symbols import Code39, Code128, DataMatrix, Ean8, Gs1_128, Gs1DataMatrix, Itf, Itf14, QrCode, UpcA

__all__ = [
    "Ean8",
    "UpcA",
    "Code39",
    "Itf",
    "Code128",
    "Gs1_128",
    "Itf14",
    "QrCode",
    "DataMatrix",
    "Gs1DataMatrix",
    "Layout",
    "TavloError",
    "TavloValueError",
    "TavloTypeError",
    "Data",
    "FNC1",
    "FNC2",
    "FNC3",
    "FNC4",
    "StartA",
    "StartB",
    "StartC",
    "LinearGeometry",
    "MatrixGeometry",
    "Bar",
]
