"""The one check of rendering options that the render methods and the command line share.

The render methods bind and judge their keywords in C++ (python/src/label/render_options.cpp); `check` runs
that same code without a label, so a value the command line accepts is exactly one the package takes, and
the message for one it refuses is the package's own. Whether a size fits a symbol is a different question,
answered by rendering the symbol at hand.
"""

from __future__ import annotations

from typing import Any

from . import _label

DEFAULT_MAX_PIXELS = 50_000_000  # the render methods' default max_pixels


def check(**options: Any) -> None:
    """Raises TavloValueError or TavloTypeError, as png() would, for a bad value among `options`."""
    _label.check_render_options(**options)
