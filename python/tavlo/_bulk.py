"""Many labels of one kind in one call: the payloads go to the core once, which encodes, draws and writes them
on native threads without the interpreter's lock, and the results come back in input order."""

from __future__ import annotations

import itertools
import os
from collections.abc import Iterable, Iterator
from typing import Any, Literal, Union

from . import _label
from ._symbols import _option_text

Format = Literal["png", "svg", "pdf"]
Errors = Literal["raise", "return"]
Result = Union[bytes, str, _label.TavloError, None]

# The payloads iter_render hands the core at a time: enough that the threads share each chunk evenly (a few
# milliseconds of work on each), few enough that a chunk's files stay small beside any memory (about 1 KiB
# to 10 KiB a label).
DEFAULT_CHUNK = 2048


def available_cores() -> int:
    """The cores this process may run on, which a container or taskset can make fewer than the machine's."""
    try:
        return max(1, len(os.sched_getaffinity(0)))
    except (AttributeError, OSError):
        return os.cpu_count() or 1


def _rows_by_name() -> dict[str, _label.KindRow]:
    return {row["name"]: row for row in _label.kinds()}


def resolve_kind(kind: Any, options: dict[str, Any]) -> tuple[str, tuple[tuple[str, str], ...], dict[str, Any]]:
    """The row name, the kind's options as (name, text) pairs, and the options left, which are render options.

    `kind` is a row name ("qr") or a package class (tavlo.QrCode); a class whose constructor picks among rows
    (tavlo.Itf14's bearer) says which through `_bulk_kind`.
    """
    options = dict(options)
    rows = _rows_by_name()
    if isinstance(kind, str):
        if kind not in rows:
            raise ValueError(f"unknown label kind '{kind}'")
        name = kind
    elif isinstance(kind, type) and issubclass(kind, _label.Label):
        chooser = getattr(kind, "_bulk_kind", None)
        if chooser is not None:
            name = chooser(options)
        else:
            by_class = [row["name"] for cls in kind.__mro__ for row in rows.values() if row["class_name"] == cls.__name__]
            if not by_class:
                raise TypeError(f"{kind.__qualname__} is not a kind of label")
            name = by_class[0]
    else:
        raise TypeError(f"argument 'kind': expected a kind name or a tavlo symbol class, not {type(kind).__qualname__!r}")
    pairs = tuple(
        (option, _option_text(option, options.pop(option)))
        for option in rows[name]["options"]
        if option in options and options[option] is not None
    )
    for option in rows[name]["options"]:
        options.pop(option, None)  # left as None: the kind's default
    return name, pairs, options


def _is_arrow(payloads: Any) -> bool:
    return hasattr(payloads, "__arrow_c_array__")


def _arrow_result(buffers: tuple[bytes, bytes, bytes | None, int], format: str) -> Any:
    import pyarrow as pa

    data, offsets, validity, width = buffers
    count = len(offsets) // width - 1
    text = format == "svg"
    if width == 8:
        kind = pa.large_string() if text else pa.large_binary()
    else:
        kind = pa.string() if text else pa.binary()
    parts = [None if validity is None else pa.py_buffer(validity), pa.py_buffer(offsets), pa.py_buffer(data)]
    return pa.Array.from_buffers(kind, count, parts)


def render_many(
    kind: Any,
    payloads: Any,
    format: Format = "png",
    threads: int | None = None,
    errors: Errors = "raise",
    **options: Any,
) -> Any:
    """The labels of many payloads of one kind, in input order, each byte for byte what a single call makes.

    `kind` is a symbol class (tavlo.QrCode) or a kind name (tavlo._label.kinds()); `payloads` a sequence of
    str and bytes (None gives None), or a pyarrow array of strings or binaries, read in place. The kind's own
    options (shape="square") and the render options (dpi=, x_dim=, ...) apply to every label. The labels are
    made on `threads` native threads (default: the cores this process may use) without the interpreter's
    lock. A failing payload stops none of the others; errors="raise" raises the first failure in input order
    once the labels before it are made, errors="return" leaves a TavloError in its place (a null in an Arrow
    result). Results: bytes for PNG and PDF, str for SVG, or a pyarrow array when given one.
    """
    if errors not in ("raise", "return"):
        raise ValueError(f"argument 'errors': expected 'raise' or 'return', not {errors!r}")
    name, pairs, render_options = resolve_kind(kind, options)
    count = available_cores() if threads is None else threads
    if not isinstance(count, int) or isinstance(count, bool) or count < 1:
        raise ValueError(f"argument 'threads': expected a whole number of at least 1, not {threads!r}")
    collect = errors == "return"
    if hasattr(payloads, "chunks") and hasattr(payloads, "__arrow_c_stream__"):  # a pyarrow ChunkedArray
        import pyarrow as pa

        chunks = [render_many(name, chunk, format, count, errors, **dict(pairs), **render_options)
                  for chunk in payloads.chunks]
        kind_of = (pa.string() if format == "svg" else pa.binary())
        return pa.chunked_array(chunks, type=chunks[0].type if chunks else kind_of)
    packed = _is_arrow(payloads)
    result = _label.render_many(name, payloads, format, count, collect, pairs, packed, **render_options)
    return _arrow_result(result, format) if packed else result


def iter_render(
    kind: Any,
    payloads: Iterable[Any],
    format: Format = "png",
    threads: int | None = None,
    errors: Errors = "raise",
    chunk_size: int = DEFAULT_CHUNK,
    **options: Any,
) -> Iterator[Result]:
    """render_many over any iterable, taken `chunk_size` payloads at a time: the results come in input order,
    and only one chunk's payloads and labels are held at once. errors="raise" raises when the chunk holding
    the first failure is reached, after the labels before it have been yielded."""
    if chunk_size < 1:
        raise ValueError(f"argument 'chunk_size': expected a whole number of at least 1, not {chunk_size!r}")
    name, pairs, render_options = resolve_kind(kind, options)
    source = iter(payloads)
    while chunk := list(itertools.islice(source, chunk_size)):
        results = render_many(name, chunk, format, threads, "return", **dict(pairs), **render_options)
        for result in results:
            if errors == "raise" and isinstance(result, _label.TavloError):
                raise result
            yield result
