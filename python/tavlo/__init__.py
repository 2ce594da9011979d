"""Print-exact barcodes: labels sized in whole printer dots, written as PNG, SVG or PDF.

>>> import tavlo
>>> label = tavlo.Code128("Parcel 0123456789")
>>> png = label.png(dpi=300, x_dim="0.33mm")   # every module exactly 4 dots

The symbol classes encode once, when they are made, and render as often as asked. The low-level module
`_tavlo` underneath stays available for geometry and stretched images.
"""

from _tavlo import FNC1, FNC2, FNC3, FNC4, Bar, Data, LinearGeometry, MatrixGeometry, StartA, StartB, StartC, TavloError

from . import gs1, sheets
from ._aztec import Aztec, AztecRune
from ._databar import DataBar, DataBarExpanded, DataBarLimited
from ._gs1 import Gs1Qr
from ._industrial import Codabar, Code93
from ._bulk import iter_render, render_many
from ._label import Layout, PrintWarning, TavloTypeError, TavloValueError
from ._qr_family import MicroQr, RmQr
from ._retail import Ean13, Isbn, Ismn, Issn, UpcA, UpcE
from ._stacked import MicroPdf417, Pdf417
from ._symbols import Code39, Code128, DataMatrix, Ean8, Gs1_128, Gs1DataMatrix, Itf, Itf14, QrCode
from ._template import Template
from .sheets import Sheet

__all__ = [
    "Sheet",
    "Template",
    "Ean8",
    "UpcA",
    "Ean13",
    "UpcE",
    "Isbn",
    "Issn",
    "Ismn",
    "Code39",
    "Itf",
    "Code93",
    "Codabar",
    "Code128",
    "Gs1_128",
    "Itf14",
    "QrCode",
    "MicroQr",
    "RmQr",
    "DataMatrix",
    "Gs1DataMatrix",
    "Gs1Qr",
    "DataBar",
    "DataBarLimited",
    "DataBarExpanded",
    "Pdf417",
    "MicroPdf417",
    "Aztec",
    "AztecRune",
    "Layout",
    "TavloError",
    "PrintWarning",
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
    "render_many",
    "iter_render",
    "gs1",
]
