"""Getting a rendered symbol out of Python: files written whole or not at all, data URIs, Pillow images.

Every function here renders through the symbol's own `png()`, `svg()`, `pdf()`, `eps()` or `zpl()` and adds no
pixel work.
"""

from __future__ import annotations

import base64
import errno
import io
import os
from typing import IO, Any, Protocol, Union

__all__ = ["FORMATS", "format_for", "render", "save", "data_uri", "to_pil", "write_file"]

StrPath = Union[str, "os.PathLike[str]"]


class Renderable(Protocol):
    def png(self, **options: Any) -> bytes: ...
    def svg(self, **options: Any) -> str: ...
    def pdf(self, **options: Any) -> bytes: ...
    def eps(self, **options: Any) -> str: ...
    def zpl(self, **options: Any) -> str: ...


# Format name -> media type; the name is also the file suffix and the render method's name.
FORMATS = {
    "png": "image/png",
    "svg": "image/svg+xml",
    "pdf": "application/pdf",
    "eps": "application/postscript",
    "zpl": "application/x-zpl",
}
_FORMAT_LIST = ", ".join(FORMATS)


def _checked_format(format: str) -> str:
    if not isinstance(format, str):
        raise TypeError(f"format must be a str, not {type(format).__name__}")
    name = format.lower().lstrip(".")
    if name not in FORMATS:
        raise ValueError(f"unknown format {format!r}: use one of {_FORMAT_LIST}")
    return name


def format_for(target: StrPath | IO[bytes], format: str | None = None) -> str:
    """The format to write to `target`: `format` when given, else the file name's suffix."""
    if format is not None:
        return _checked_format(format)
    name = target if isinstance(target, (str, os.PathLike)) else getattr(target, "name", None)
    if not isinstance(name, (str, os.PathLike)):
        raise ValueError(f"cannot tell the format of a file object: pass format= one of {_FORMAT_LIST}")
    suffix = os.path.splitext(os.fspath(name))[1]
    if not suffix:
        raise ValueError(f"cannot tell the format of {os.fspath(name)!r} without a suffix: "
                         f"name it .png, .svg, .pdf, .eps or .zpl, or pass format=")
    if suffix.lower().lstrip(".") not in FORMATS:
        raise ValueError(f"unknown format {suffix!r} of {os.fspath(name)!r}: use one of {_FORMAT_LIST}")
    return suffix.lower().lstrip(".")


def render(symbol: Renderable, format: str, **options: Any) -> bytes:
    """The file contents of `symbol` in `format` (SVG, EPS and ZPL encoded as UTF-8).

    `optimize` concerns PNG only and is dropped for the vector formats, which have no smaller encoding to
    search for, so one set of options serves every format.
    """
    format = _checked_format(format)
    if format != "png":
        options.pop("optimize", None)
    result = getattr(symbol, format)(**options)
    return result.encode("utf-8") if isinstance(result, str) else result


def save(symbol: Renderable, target: StrPath | IO[bytes], format: str | None = None, **options: Any) -> None:
    """Writes `symbol` to a path or a binary file object, in `format` or the one its suffix names.

    The image is rendered before anything is opened, so a rendering error leaves no file behind; a path is
    written whole or not at all (see `write_file`).
    """
    data = render(symbol, format_for(target, format), **options)
    if isinstance(target, (str, os.PathLike)):
        write_file(target, data)
    elif isinstance(target, io.TextIOBase):
        raise TypeError("save() needs a binary file object: open the file with mode 'wb'")
    elif hasattr(target, "write"):
        target.write(data)
    else:
        raise TypeError(f"save() needs a path or a binary file object, not {type(target).__name__}")


_CREATE_FLAGS = os.O_WRONLY | os.O_CREAT | os.O_EXCL | getattr(os, "O_CLOEXEC", 0) | getattr(os, "O_BINARY", 0)


def _create_temporary(folder: str, name: str) -> tuple[int, str]:
    """A new hidden file beside the target, opened for writing, with the mode any new file gets here."""
    for _ in range(100):
        temp = os.path.join(folder, f".{name}.{os.urandom(6).hex()}.tmp")
        try:
            return os.open(temp, _CREATE_FLAGS, 0o666), temp
        except FileExistsError:
            continue
    raise FileExistsError(errno.EEXIST, "no free temporary file name", os.path.join(folder, f".{name}.*.tmp"))


def write_file(path: StrPath, data: bytes, *, overwrite: bool = True, durable: bool = True) -> None:
    """Writes `data` to `path` whole or not at all.

    The bytes go to a hidden temporary file in the same folder (so the final rename never crosses file
    systems), are flushed to disk when `durable`, and the file then takes the final name in one step: readers
    see the old file or the whole new one, never a part. Any exception, KeyboardInterrupt included, removes
    the temporary file. With `overwrite=False` an existing file is kept and FileExistsError raised; the check
    and the rename are one atomic link, so two writers cannot both win.
    """
    path = os.fspath(path)
    folder, name = os.path.split(os.path.abspath(path))
    fd, temp = _create_temporary(folder, name)
    try:
        try:
            view = memoryview(data)
            while view:
                view = view[os.write(fd, view):]
            if durable:
                os.fsync(fd)
        finally:
            os.close(fd)
        if overwrite:
            os.replace(temp, path)
        else:
            _move_to_new_name(temp, path)
    except BaseException:
        try:
            os.unlink(temp)
        except FileNotFoundError:
            pass
        raise


def _move_to_new_name(temp: str, path: str) -> None:
    """Renames `temp` to `path` unless `path` exists (FileExistsError)."""
    try:
        os.link(temp, path)
    except FileExistsError:
        raise
    except OSError as error:
        # File systems without hard links: check, then rename, with a small window between the two.
        if error.errno not in (errno.EPERM, errno.ENOTSUP, errno.EOPNOTSUPP, errno.EXDEV, errno.EMLINK):
            raise
        if os.path.lexists(path):
            raise FileExistsError(errno.EEXIST, os.strerror(errno.EEXIST), path) from None
        os.replace(temp, path)
    else:
        os.unlink(temp)


def data_uri(symbol: Renderable, format: str = "png", **options: Any) -> str:
    """`symbol` as a base64 data URI, for HTML pages, CSS and notebooks."""
    name = _checked_format(format)
    encoded = base64.b64encode(render(symbol, name, **options)).decode("ascii")
    return f"data:{FORMATS[name]};base64,{encoded}"


def to_pil(symbol: Renderable, **options: Any):
    """`symbol` as a loaded Pillow image (mode "1" or "P"), its dpi in `image.info["dpi"]`."""
    try:
        from PIL import Image
    except ImportError as error:
        raise ImportError("to_pil() needs Pillow: pip install 'tavlo[pil]' (or pip install pillow)") from error
    image = Image.open(io.BytesIO(symbol.png(**options)))
    image.load()
    return image
