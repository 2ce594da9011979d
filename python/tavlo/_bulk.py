"""Many labels of one kind in one call: the payloads go to the core once, which encodes, draws and writes them
on native threads without the interpreter's lock, and the results come back in input order."""

from __future__ import annotations

import inspect
import itertools
import os
from collections.abc import Iterable, Iterator
from typing import Any, Literal, Union

from . import _label, _symbols

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


# What a class's constructor is run on to learn its row and options: its data is never encoded, only its type
# checked, so one of these passes wherever a payload could.
_PROBES: tuple[Any, ...] = ("0", b"0", 0)


def _constructor_options(cls: type) -> set[str]:
    """The keyword options a symbol class's constructor takes besides its data."""
    parameters = list(inspect.signature(cls).parameters.values())
    return {p.name for p in parameters[1:] if p.kind in (p.POSITIONAL_OR_KEYWORD, p.KEYWORD_ONLY)}


def _kind_of_class(cls: type, options: dict[str, Any]) -> tuple[str, tuple[tuple[str, str], ...]]:
    """The row and the core's options of `cls(payload, **options)`, as the constructor itself works them out."""
    first: Exception | None = None
    for probe in _PROBES:
        try:
            return _symbols.kind_of(cls, probe, options)
        except (TypeError, ValueError) as error:
            first = first or error
    assert first is not None
    raise first


def resolve_kind(kind: Any, options: dict[str, Any]) -> tuple[str, tuple[tuple[str, str], ...], dict[str, Any]]:
    """The row name, the kind's options as (name, text) pairs, and the options left, which are render options.

    `kind` is a row name ("qr"), whose options are the row's, given as the core reads them; or a package class
    (tavlo.QrCode), whose options are its constructor's, turned into the row and its options as the
    constructor does it (tavlo.Itf14's bearer picks a row, tavlo.Aztec's structured_append makes three).
    """
    options = dict(options)
    if isinstance(kind, str):
        rows = {row["name"]: row for row in _label.kinds()}
        if kind not in rows:
            raise ValueError(f"unknown label kind '{kind}'")
        names = rows[kind]["options"]
        pairs = tuple(
            (name, _symbols._option_text(name, options[name]))
            for name in names
            if name in options and options[name] is not None
        )
        return kind, pairs, {key: value for key, value in options.items() if key not in names}
    if isinstance(kind, type) and issubclass(kind, _symbols._Symbol):
        taken = _constructor_options(kind)
        name, pairs = _kind_of_class(kind, {key: value for key, value in options.items() if key in taken})
        return name, pairs, {key: value for key, value in options.items() if key not in taken}
    raise TypeError(f"argument 'kind': expected a kind name or a tavlo symbol class, not {kind!r}")


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
