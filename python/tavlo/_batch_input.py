"""The rows of `tavlo batch`, read one at a time: lines of text or CSV records, and the file name of each.

Input is streamed, never read whole: a line is at most LINE_LIMIT bytes (a longer one fails alone, its rest
skipped unread into memory), so memory stays bounded whatever comes in, `yes` or /dev/zero included. A row
that cannot be read (bad UTF-8, an over-long line, a broken CSV record) fails alone as "line N: ...", like
a row the symbol refuses; only a problem with the input as a whole (no such file, no such column) is a
usage error.
"""

from __future__ import annotations

import csv
import os
import stat
import unicodedata
from collections.abc import Callable, Iterator
from dataclasses import dataclass
from typing import BinaryIO


# The longest line read: far more than any symbol holds (a QR Code at most 7,089 digits), so a longer line
# is never data, and a bound on what one row may cost.
LINE_LIMIT = 1 << 20
BOM = b"\xef\xbb\xbf"
Wait = Callable[..., object]


@dataclass
class Row:
    line: int  # where the row starts in the input, counting from 1
    data: str | None = None
    name: str | None = None  # the file name (without folder); None until known
    error: str | None = None  # set when the row cannot be rendered at all


class InputError(Exception):
    """The input as a whole cannot be read: a usage error, not a failed row."""


def physical_lines(stream: BinaryIO, wait: Wait) -> Iterator[tuple[int, bytes | None]]:
    """(line number, the line's bytes with its ending), or None for a line over LINE_LIMIT."""
    number = 0
    while True:
        raw = wait(stream.readline, LINE_LIMIT + 1)
        if not raw:
            return
        number += 1
        if len(raw) > LINE_LIMIT:
            while raw and not raw.endswith(b"\n"):  # the rest of the line, a bounded piece at a time
                raw = wait(stream.readline, LINE_LIMIT)
            yield number, None
        else:
            yield number, raw


def too_long() -> str:
    return f"longer than {LINE_LIMIT} bytes"


def read_lines(stream: BinaryIO, wait: Wait) -> Iterator[Row]:
    """One payload per line; empty lines are skipped but still counted."""
    for number, raw in physical_lines(stream, wait):
        if raw is None:
            yield Row(number, error=too_long())
            continue
        raw = raw.rstrip(b"\n").rstrip(b"\r")
        if number == 1 and raw.startswith(BOM):
            raw = raw[len(BOM):]
        if not raw:
            continue
        try:
            yield Row(number, data=raw.decode("utf-8"))
        except UnicodeDecodeError as error:
            yield Row(number, error=f"not UTF-8 text ({error.reason} at byte {error.start})")


class _BadLine(Exception):
    def __init__(self, number: int, message: str):
        self.number, self.message = number, message


class _CsvSource:
    """The input's lines as text for csv.reader, which asks for more lines while a quoted field goes on;
    a line that is not text is raised as _BadLine, which ends the record it is in and no other."""

    def __init__(self, lines: Iterator[tuple[int, bytes | None]]):
        self.lines = lines
        self.number = 0  # the last line handed out

    def __iter__(self) -> _CsvSource:
        return self

    def __next__(self) -> str:
        number, raw = next(self.lines)
        self.number = number
        if raw is None:
            raise _BadLine(number, too_long())
        if number == 1 and raw.startswith(BOM):
            raw = raw[len(BOM):]
        try:
            return raw.decode("utf-8")
        except UnicodeDecodeError as error:
            raise _BadLine(number, f"not UTF-8 text ({error.reason} at byte {error.start})") from None


def column_index(spec: str, header: list[str] | None) -> int:
    """The 0-based index of a column named by its header or by its number counting from 1."""
    if header is not None and spec in header:
        return header.index(spec)
    if spec.isdigit() and int(spec) >= 1:
        return int(spec) - 1
    known = f": the header has {', '.join(map(repr, header))}" if header else ""
    raise InputError(f"no column {spec!r}{known}")


Record = tuple[int, "list[str] | None", "str | None"]  # (line, fields or None, message or None)


def _open_csv(stream: BinaryIO, wait: Wait, header: bool) -> tuple[list[str] | None, Iterator[Record]]:
    """The header (when there is one) and the records after it: (line where the record starts, its fields,
    None), or (line, None, message) for a record that cannot be read. Records of empty fields are skipped."""
    source = _CsvSource(physical_lines(stream, wait))
    reader = csv.reader(source)
    titles = None
    if header:
        try:
            titles = next(reader, [])
        except (_BadLine, csv.Error) as error:
            raise InputError(f"the header line: {getattr(error, 'message', error)}") from None

    def records() -> Iterator[Record]:
        while True:
            start = source.number + 1
            try:
                record = next(reader)
            except StopIteration:
                return
            except _BadLine as bad:
                yield bad.number, None, bad.message
                continue
            except csv.Error as error:  # a field over csv's limit, a stray quote in strict mode ...
                yield start, None, f"not a CSV record: {error}"
                continue
            if any(record):
                yield start, record, None

    return titles, records()


def read_csv(stream: BinaryIO, data_column: str, name_column: str | None, header: bool,
             wait: Wait) -> Iterator[Row]:
    titles, records = _open_csv(stream, wait, header)
    data_at = column_index(data_column, titles)
    name_at = None if name_column is None else column_index(name_column, titles)
    for line, record, message in records:
        yield Row(line, error=message) if record is None else _csv_row(line, record, data_at, name_at)


def read_records(stream: BinaryIO, wait: Wait) -> tuple[list[str], Iterator[tuple[int, dict[str, str] | None, str | None]]]:
    """The header of a CSV file with one, and its records as (line, {column: value}, None), or (line, None,
    message) for a record that cannot be read or has fewer fields than the header (`tavlo batch
    --template`, whose fields name the columns)."""
    titles, records = _open_csv(stream, wait, True)
    assert titles is not None

    def by_column() -> Iterator[tuple[int, dict[str, str] | None, str | None]]:
        for line, record, message in records:
            if record is None:
                yield line, None, message
            elif len(record) < len(titles):
                yield line, None, f"{len(record)} columns, {len(titles)} needed"
            else:
                yield line, dict(zip(titles, record)), None

    return titles, by_column()


def _csv_row(line: int, record: list[str], data_at: int, name_at: int | None) -> Row:
    wanted = max(data_at, -1 if name_at is None else name_at) + 1
    if len(record) < wanted:
        return Row(line, error=f"{len(record)} columns, column {wanted} needed")
    return Row(line, data=record[data_at], name=None if name_at is None else record[name_at].strip())


def count_lines(path: str) -> int | None:
    """The lines of a regular file, counted a block at a time; None for anything else (a pipe, a device),
    whose end is not known before it comes."""
    try:
        if not stat.S_ISREG(os.stat(path).st_mode):
            return None
        lines, last = 0, b"\n"
        with open(path, "rb") as file:
            while block := file.read(1 << 20):
                lines += block.count(b"\n")
                last = block[-1:]
        return lines + (last != b"\n")
    except OSError:
        return None


# ---- naming the files ----------------------------------------------------------------------------------

def folds_case(folder: str) -> bool:
    """Whether the file system holding `folder` takes names differing only in case for one name (macOS and
    Windows by default, ext4 and tmpfs folders with casefolding): found by making a probe file and asking
    for it in capitals."""
    probe = os.path.join(folder, f".tavlo-case-probe-{os.urandom(6).hex()}")
    try:
        fd = os.open(probe, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    except OSError:
        return os.path.normcase("A") == os.path.normcase("a")
    try:
        os.close(fd)
        head, tail = os.path.split(probe)
        return os.path.exists(os.path.join(head, tail.upper()))
    finally:
        os.unlink(probe)


class Namer:
    """Gives every row its file name: its name column plus the suffix, or its line number, padded to the
    width of the input's last line number where that is known (a regular file), so that the names sort in
    input order; marks names that are unsafe, too long, or the same on this file system as an earlier
    row's. Remembers the name-column names seen (a line number cannot come twice)."""

    def __init__(self, format: str, lines: int | None, folder: str):
        self.suffix = f".{format}"
        self.width = len(str(lines)) if lines else 1
        self.fold = folds_case(folder)
        self.name_max = _name_max(folder)
        self.first_use: dict[str, int] = {}

    def key(self, name: str) -> str:
        return unicodedata.normalize("NFC", name).casefold() if self.fold else name

    def name(self, row: Row) -> None:
        if row.error:
            return
        if row.name is None:
            row.name = f"{row.line:0{self.width}d}{self.suffix}"
            return
        if row.name in ("", ".", "..") or any(c in row.name for c in "/\\\0"):
            row.error = f"file name {row.name!r} is not a plain file name"
            return
        if not row.name.lower().endswith(self.suffix):
            row.name += self.suffix
        if len(os.fsencode(row.name)) > self.name_max:
            row.error = f"file name {row.name!r} is longer than the {self.name_max} bytes a name may have"
            return
        key = self.key(row.name)
        if key in self.first_use:
            row.error = f"file name {row.name!r} is also the one of line {self.first_use[key]}"
        else:
            self.first_use[key] = row.line


def _name_max(folder: str) -> int:
    try:
        return os.pathconf(folder, "PC_NAME_MAX")
    except (OSError, ValueError, AttributeError):
        return 255
