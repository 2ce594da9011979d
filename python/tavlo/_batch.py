"""`tavlo batch`: one file per input row, rows rendered and written by a pool of threads.

Every row is read before any is rendered, so file names can be checked against each other and a bad row
costs only its own file. Rows fail alone ("line N: <message>" on standard error); the exit status tells
whether any did.
"""

from __future__ import annotations

import argparse
import csv
import io
import os
import sys
from concurrent.futures import Future, ThreadPoolExecutor
from dataclasses import dataclass
from typing import Any, BinaryIO

import tavlo

from . import _output
from .cli import EXIT_FAILED, EXIT_INTERRUPTED, EXIT_OK, KINDS, RENDER_OPTIONS, Kind, add_options, picked
from .cli import positive_int

# Threads overlap one row's rendering with another's file write and flush, which wait on the disk rather
# than the processor, so the default is the standard library's choice for mixed work, not the core count.
DEFAULT_JOBS = min(32, (os.cpu_count() or 1) + 4)


@dataclass
class Row:
    line: int  # where the row starts in the input, counting from 1
    data: str | None = None
    name: str | None = None  # the file name (without folder); None until known
    error: str | None = None  # set when the row cannot be rendered at all


class InputError(Exception):
    """The input as a whole cannot be read: a usage error, not a failed row."""


# ---- reading the rows ----------------------------------------------------------------------------------

def read_lines(stream: BinaryIO) -> list[Row]:
    """One payload per line; empty lines are skipped but still counted."""
    rows = []
    for number, raw in enumerate(stream, start=1):
        raw = raw.rstrip(b"\n").rstrip(b"\r")
        if number == 1 and raw.startswith(b"\xef\xbb\xbf"):
            raw = raw[3:]
        if not raw:
            continue
        try:
            rows.append(Row(number, data=raw.decode("utf-8")))
        except UnicodeDecodeError:
            rows.append(Row(number, error="not UTF-8 text"))
    return rows


def column_index(spec: str, header: list[str] | None) -> int:
    """The 0-based index of a column named by its header or by its number counting from 1."""
    if header is not None and spec in header:
        return header.index(spec)
    if spec.isdigit() and int(spec) >= 1:
        return int(spec) - 1
    known = f": the header has {', '.join(map(repr, header))}" if header else ""
    raise InputError(f"no column {spec!r}{known}")


def read_csv(stream: BinaryIO, data_column: str, name_column: str | None, header: bool) -> list[Row]:
    try:
        text = io.TextIOWrapper(stream, encoding="utf-8-sig", newline="").read()
    except UnicodeDecodeError as error:
        raise InputError(f"the CSV input is not UTF-8 text ({error.reason} at byte {error.start})") from None
    reader = csv.reader(io.StringIO(text, newline=""))
    try:
        titles = next(reader, []) if header else None
        data_at = column_index(data_column, titles)
        name_at = None if name_column is None else column_index(name_column, titles)
        rows, start = [], reader.line_num + 1
        for record in reader:
            line, start = start, reader.line_num + 1
            if any(record):
                rows.append(_csv_row(line, record, data_at, name_at))
    except csv.Error as error:
        raise InputError(f"line {reader.line_num}: {error}") from None
    return rows


def _csv_row(line: int, record: list[str], data_at: int, name_at: int | None) -> Row:
    wanted = max(data_at, -1 if name_at is None else name_at) + 1
    if len(record) < wanted:
        return Row(line, error=f"{len(record)} columns, column {wanted} needed")
    return Row(line, data=record[data_at], name=None if name_at is None else record[name_at].strip())


# ---- naming the files ----------------------------------------------------------------------------------

def name_files(rows: list[Row], format: str) -> None:
    """Gives every row its file name: its name column plus the suffix, or its line number padded so that
    the names sort in input order; marks names that are unsafe or used twice."""
    width = len(str(max((row.line for row in rows), default=1)))
    suffix = f".{format}"
    first_use: dict[str, int] = {}
    for row in rows:
        if row.error:
            continue
        if row.name is None:
            row.name = f"{row.line:0{width}d}"
        elif row.name in ("", ".", "..") or any(c in row.name for c in "/\\\0"):
            row.error = f"file name {row.name!r} is not a plain file name"
            continue
        if not row.name.lower().endswith(suffix):
            row.name += suffix
        key = os.path.normcase(row.name)
        if key in first_use:
            row.error = f"file name {row.name!r} is also the one of line {first_use[key]}"
        else:
            first_use[key] = row.line


# ---- running -------------------------------------------------------------------------------------------

@dataclass(frozen=True)
class Job:
    kind: Kind
    kind_options: dict[str, Any]
    render_options: dict[str, Any]
    format: str
    folder: str
    force: bool

    def run(self, row: Row) -> str | None:
        """Renders and writes one row; the message of its failure, or None."""
        if row.error:
            return row.error
        path = os.path.join(self.folder, row.name)
        try:
            symbol = self.kind.make(row.data, self.kind_options)
            data = _output.render(symbol, self.format, **self.render_options)
            _output.write_file(path, data, overwrite=self.force, durable=False)
        except tavlo.TavloError as error:
            return str(error)
        except FileExistsError:
            return f"{row.name} exists (use --force to overwrite)"
        except OSError as error:
            return f"cannot write {row.name}: {error.strerror or error}"
        except (ValueError, TypeError) as error:
            return str(error)
        return None


class Progress:
    """A tqdm bar on a terminal; nothing but the row errors otherwise (or where tqdm is missing)."""

    def __init__(self, total: int):
        self.bar = None
        if sys.stderr.isatty():
            try:
                from tqdm import tqdm
            except ImportError:  # an install without its dependencies: the batch runs all the same
                return
            self.bar = tqdm(total=total, unit="file", file=sys.stderr, dynamic_ncols=True, leave=False)

    def report(self, message: str | None) -> None:
        if message is not None:
            if self.bar is not None:
                self.bar.write(message, file=sys.stderr)
            else:
                print(message, file=sys.stderr)
        if self.bar is not None:
            self.bar.update()

    def close(self) -> None:
        if self.bar is not None:
            self.bar.close()


@dataclass
class Tally:
    written: int = 0
    failed: int = 0


def run_rows(job: Job, rows: list[Row], jobs: int, tally: Tally) -> None:
    """Writes every row, counting in `tally`; reports failures in input order."""
    progress = Progress(len(rows))
    pool = ThreadPoolExecutor(max_workers=jobs, thread_name_prefix="tavlo-batch")
    futures: list[Future] = []
    try:
        for row in rows:
            futures.append(pool.submit(job.run, row))
        for row, future in zip(rows, futures):
            message = future.result()
            if message is None:
                tally.written += 1
            else:
                tally.failed += 1
                message = f"line {row.line}: {message}"
            progress.report(message)
    except KeyboardInterrupt:
        # Rows not started are dropped; those being written finish whole (or clean up) before the count.
        pool.shutdown(wait=True, cancel_futures=True)
        tally.written = sum(1 for future in futures if not future.cancelled() and future.result() is None)
        raise
    finally:
        pool.shutdown(wait=True)
        progress.close()


# ---- the command ---------------------------------------------------------------------------------------

def add_batch_command(subparsers) -> None:
    batch = subparsers.add_parser(
        "batch", help="one file per input line or CSV row", description=(
            "Write one file per line of INPUT (one payload per line) or per CSV row. Bad rows are reported as "
            "'line N: message' while the others are still written. Exit status 0: all written, 1: some "
            "failed, 2: usage error."))
    kinds = batch.add_subparsers(title="kinds", metavar="KIND", required=True)
    for kind in KINDS:
        parser = kinds.add_parser(kind.command, help=kind.summary, description=kind.help)
        add_batch_arguments(parser)
        add_options(parser, kind.options, "symbol")
        add_options(parser, RENDER_OPTIONS, "size and colour")
        parser.set_defaults(run=run_batch, kind=kind, parser=parser)


def add_batch_arguments(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("input", metavar="INPUT", help="text file with one payload per line, or CSV; - for "
                        "standard input")
    parser.add_argument("-d", "--directory", default=".", metavar="DIR",
                        help="folder for the files, made if missing (default: the current folder)")
    parser.add_argument("-f", "--format", choices=tuple(_output.FORMATS), default="png",
                        help="png (default), svg or pdf")
    parser.add_argument("-j", "--jobs", type=positive_int, default=DEFAULT_JOBS, metavar="N",
                        help=f"threads writing files (default {DEFAULT_JOBS})")
    parser.add_argument("--force", action="store_true", help="overwrite files that exist")
    table = parser.add_argument_group("CSV input (implied by a .csv INPUT or a column option)")
    table.add_argument("--csv", action="store_true", help="read INPUT as CSV")
    table.add_argument("--data-column", metavar="COLUMN", help="column of the data: its header or its number "
                       "counting from 1 (default 1)")
    table.add_argument("--name-column", metavar="COLUMN", help="column of the file names (suffix added when "
                       "missing; default: the line number)")
    table.add_argument("--no-header", action="store_true", help="the first row is data, not column names")


def read_rows(args: argparse.Namespace) -> list[Row]:
    as_csv = (args.csv or args.data_column is not None or args.name_column is not None or args.no_header
              or args.input.lower().endswith(".csv"))
    try:
        stream = sys.stdin.buffer if args.input == "-" else open(args.input, "rb")
    except OSError as error:
        raise InputError(f"cannot read {args.input}: {error.strerror or error}") from None
    with stream:
        if as_csv:
            return read_csv(stream, args.data_column or "1", args.name_column, header=not args.no_header)
        return read_lines(stream)


def run_batch(args: argparse.Namespace) -> int:
    try:
        rows = read_rows(args)
        os.makedirs(args.directory, exist_ok=True)
    except InputError as error:
        args.parser.error(str(error))
    except OSError as error:
        args.parser.error(f"cannot make the folder {args.directory}: {error.strerror or error}")
    name_files(rows, args.format)
    job = Job(args.kind, picked(args, args.kind.options), picked(args, RENDER_OPTIONS), args.format,
              args.directory, args.force)
    tally = Tally()
    try:
        run_rows(job, rows, args.jobs, tally)
        if tally.written:
            # One flush of the whole batch instead of one per file: a flush waits for the disk, costs
            # milliseconds, and would set the pace of the batch. Interruption or a kill never leaves a
            # partial file either way (each file takes its name only when whole); what a power cut
            # before this point may leave is an empty file for a row among the last few seconds'.
            os.sync()
    except KeyboardInterrupt:
        print(f"interrupted: {summary(tally, len(rows), args.directory)}", file=sys.stderr)
        return EXIT_INTERRUPTED
    print(summary(tally, len(rows), args.directory))
    return EXIT_FAILED if tally.failed else EXIT_OK


def summary(tally: Tally, total: int, folder: str) -> str:
    failed = f", {tally.failed} failed" if tally.failed else ""
    return f"{tally.written} of {total} files written to {folder}{failed}"
