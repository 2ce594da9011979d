"""Getting a rendered symbol out of Python: files written whole or not at all, data URIs, Pillow images.

Every function here renders through the symbol's own `png()`, `svg()`, `pdf()`, `eps()` or `zpl()` and adds no
pixel work.
"""

from __future__ import annotations

import base64
import ctypes
import errno
import functools
import io
import os
import random
import re
import stat
import sys
from collections.abc import Callable
from typing import IO, Any, Protocol, Union

from ._label import TavloTypeError, TavloValueError

__all__ = ["FORMATS", "format_for", "render", "save", "data_uri", "to_pil", "write_file", "sync_file_system", "shown"]

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
        raise TavloTypeError(f"format must be a str, not {type(format).__name__}")
    name = format.lower().lstrip(".")
    if name not in FORMATS:
        raise TavloValueError(f"unknown format {format!r}: use one of {_FORMAT_LIST}")
    return name


def format_for(target: StrPath | IO[bytes], format: str | None = None) -> str:
    """The format to write to `target`: `format` when given, else the file name's suffix."""
    if format is not None:
        return _checked_format(format)
    name = target if isinstance(target, (str, os.PathLike)) else getattr(target, "name", None)
    if not isinstance(name, (str, os.PathLike)):
        raise TavloValueError(f"cannot tell the format of a file object: pass format= one of {_FORMAT_LIST}")
    suffix = os.path.splitext(os.fspath(name))[1]
    if not suffix:
        raise TavloValueError(f"cannot tell the format of {os.fspath(name)!r} without a suffix: "
                         f"name it .png, .svg, .pdf, .eps or .zpl, or pass format=")
    if suffix.lower().lstrip(".") not in FORMATS:
        raise TavloValueError(f"unknown format {suffix!r} of {os.fspath(name)!r}: use one of {_FORMAT_LIST}")
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
        raise TavloTypeError("save() needs a binary file object: open the file with mode 'wb'")
    elif hasattr(target, "write"):
        target.write(data)
    else:
        raise TavloTypeError(f"save() needs a path or a binary file object, not {type(target).__name__}")


_CREATE_FLAGS = os.O_WRONLY | os.O_CREAT | os.O_EXCL | getattr(os, "O_CLOEXEC", 0) | getattr(os, "O_BINARY", 0)
_INTO_FLAGS = os.O_WRONLY | getattr(os, "O_CLOEXEC", 0) | getattr(os, "O_BINARY", 0)
_TEMPORARY_EXTRA = len(".") + len(".") + 12 + len(".tmp")  # around the name: "." name "." 12 hex ".tmp"


@functools.lru_cache(maxsize=64)
def _name_max(folder: str) -> int:
    """The longest name in `folder`, asked of its file system once: a batch writes thousands of files there."""
    try:
        return os.pathconf(folder, "PC_NAME_MAX")
    except (OSError, ValueError, AttributeError):
        return 255


# The temporary names' random part: drawn without a system call each (a batch makes one per file), from a
# generator seeded from the system's randomness, and seeded again in a forked child so that the two draw
# apart. O_EXCL settles any name that is taken.
_names = random.Random()
if hasattr(os, "register_at_fork"):
    os.register_at_fork(after_in_child=_names.seed)
_RANDOM_BITS = 48


def _temporary_name(folder: str, name: str) -> str:
    """A hidden name beside `name`, within the file system's longest name: the name is cut, in bytes, to
    leave room for the random part."""
    room = max(_name_max(folder) - _TEMPORARY_EXTRA, 1)
    stem = os.fsencode(name)[:room]
    return f".{os.fsdecode(stem.decode('utf-8', 'ignore').encode('utf-8'))}.{_names.getrandbits(_RANDOM_BITS):012x}.tmp"


def _create_temporary(folder: str, name: str, mode: int) -> tuple[int, str]:
    """A new hidden file beside the target, opened for writing."""
    for _ in range(100):
        temp = os.path.join(folder, _temporary_name(folder, name))
        try:
            return os.open(temp, _CREATE_FLAGS, mode), temp
        except FileExistsError:
            continue
    raise FileExistsError(errno.EEXIST, "no free temporary file name", os.path.join(folder, f".{name}.*.tmp"))


def write_into_descriptor(fd: int, data: bytes) -> None:
    """Writes all of `data` to an open descriptor (standard output), whatever it is."""
    _write_all(fd, data)


def _write_all(fd: int, data: bytes) -> None:
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


def _descriptor_link(path: str) -> bool:
    """Whether `path`, or a link on its way, names an open descriptor (/dev/stdout, /dev/fd/N, what a
    process substitution gives, /proc/self/fd/N), whose holder reads what is written into it."""
    seen = 0
    while os.path.islink(path) and seen < 40:
        if re.fullmatch(r"/proc/\d+/fd", os.path.realpath(os.path.dirname(path))):
            return True
        target = os.readlink(path)
        path = os.path.join(os.path.dirname(path), target)
        seen += 1
    return bool(re.fullmatch(r"/proc/\d+/fd", os.path.realpath(os.path.dirname(path))))


def write_file(path: StrPath, data: bytes, *, overwrite: bool = True, durable: bool = True,
               follow_links: bool = True, into_special: bool = True,
               wait: Callable[..., Any] = lambda call, *args: call(*args)) -> None:
    """Writes `data` to `path` whole or not at all, by these rules:

    - A new file, or a regular file with one link, is replaced in one step: the bytes go to a hidden
      temporary file in the same folder (flushed to disk when `durable`), which then takes the name, so a
      reader sees the old file or the whole new one. A file replaced keeps its permission bits. Any
      exception, KeyboardInterrupt included, removes the temporary file.
    - A regular file with other hard links is written in place (truncated, then written), so that every name
      keeps showing the same file; a failure part way leaves it partly written.
    - A device, a FIFO, a terminal or a pipe is written into and never replaced: /dev/null, `mkfifo` files,
      /dev/stdout, a process substitution's /dev/fd/N. With `into_special=False` (the batch) it is refused.
    - A symbolic link is followed: the file it names is written by these rules, the link kept. A link to
      nothing is refused (FileNotFoundError), not made a file. With `follow_links=False` (the batch, whose
      names come from data) a link is refused (IsADirectoryError-like OSError ELOOP).
    `wait(call, *args)` runs the opening of a device or FIFO, which may block until a reader comes (the
    command line's lets a stop signal end it). With `overwrite=False` an existing file is kept and FileExistsError raised; the check and the rename
    are one atomic link, so two writers cannot both win.
    """
    path = os.path.abspath(os.fspath(path))
    if not follow_links:  # one lstat tells a link, a missing name and what is there (the batch, per file)
        try:
            existing: os.stat_result | None = os.lstat(path)
        except FileNotFoundError:
            existing = None
        if existing is not None and stat.S_ISLNK(existing.st_mode):
            raise OSError(errno.ELOOP, "is a symbolic link", path)
    else:
        if os.path.islink(path):
            if _descriptor_link(path):
                return _write_into(path, data, truncate=False, wait=wait)
            resolved = os.path.realpath(path)
            if not os.path.exists(resolved):
                raise FileNotFoundError(errno.ENOENT, "is a symbolic link to nothing", path)
            path = resolved
        try:
            existing = os.stat(path)
        except FileNotFoundError:
            existing = None
    if existing is not None:
        if stat.S_ISDIR(existing.st_mode):
            raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), path)
        if not overwrite:
            raise FileExistsError(errno.EEXIST, os.strerror(errno.EEXIST), path)
        if not stat.S_ISREG(existing.st_mode):
            if not into_special:
                raise OSError(errno.EEXIST, "exists and is not a regular file", path)
            return _write_into(path, data, truncate=False, wait=wait)
        if existing.st_nlink > 1:
            return _write_into(path, data, truncate=True, durable=durable)
    folder, name = os.path.split(path)
    mode = 0o666 if existing is None else stat.S_IMODE(existing.st_mode)
    fd, temp = _create_temporary(folder, name, mode)
    try:
        try:
            if existing is not None:
                os.chmod(temp, mode)  # the umask does not narrow what the file had
            _write_all(fd, data)
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


def _write_into(path: str, data: bytes, *, truncate: bool, durable: bool = False,
                wait: Callable[..., Any] = lambda call, *args: call(*args)) -> None:
    fd = wait(os.open, path, _INTO_FLAGS)
    try:
        if truncate:
            os.ftruncate(fd, 0)
        wait(_write_all, fd, data)
        if durable:
            os.fsync(fd)
    finally:
        os.close(fd)


def sync_file_system(folder: StrPath) -> None:
    """Flushes to disk what is pending on the file system holding `folder`, and nothing of the others: one
    wait for a whole batch instead of one per file. Linux's syncfs(); elsewhere the folder alone is flushed."""
    fd = os.open(os.fspath(folder), os.O_RDONLY | getattr(os, "O_DIRECTORY", 0) | getattr(os, "O_CLOEXEC", 0))
    try:
        if _syncfs is not None:
            if _syncfs(fd) != 0:
                error = ctypes.get_errno()
                raise OSError(error, os.strerror(error), os.fspath(folder))
        else:
            os.fsync(fd)
    finally:
        os.close(fd)


def _load_syncfs():
    if not sys.platform.startswith("linux"):
        return None
    try:
        return ctypes.CDLL(None, use_errno=True).syncfs
    except (OSError, AttributeError):
        return None


_syncfs = _load_syncfs()


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


def shown(name: str) -> str:
    """A name from the data or the command line as a message shows it: as it is when every character is
    printable, else quoted as Python would, so that a control character, an escape sequence or a newline in
    it is printed as an escape, never acted on by the terminal nor mistaken for the message's end."""
    return name if name.isprintable() else repr(name)


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
    # Pillow's decompression-bomb check (in Image.open) guards against files from elsewhere; this one is our
    # own, of the size the caller asked for and max_pixels allowed, so the PNG reader is used directly, which
    # leaves Pillow's module-wide limit alone for everyone else.
    from PIL import PngImagePlugin

    image = PngImagePlugin.PngImageFile(io.BytesIO(symbol.png(**options)))
    image.load()
    return image
