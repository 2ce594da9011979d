"""`tavlo batch`: one file per input row, the labels made a chunk at a time by `tavlo.render_many` and the
files written by a small pool of threads (see _batch_pool).

Rows are read as they are needed, so a batch starts writing at once and holds a bounded number of rows
whatever the size of its input; failures are reported in input order ("line N: <message>" on standard
error). The exit status tells whether any row failed.

A stop signal (Ctrl-C, SIGTERM, any number of them) ends the reading and drops the rows not yet started;
the rows being written finish whole (or leave nothing), and the count printed is that of the files in the
folder. File names never follow a symbolic link, nor replace or write into anything but a regular file.
"""

from __future__ import annotations

import argparse
import os
import stat
import sys
from collections.abc import Iterator

from . import _batch_sheet, _output
from ._batch_input import InputError, Namer, Row, count_lines, read_csv, read_lines
from ._batch_pool import Job, Tally, run_rows
from ._bulk import available_cores
from ._commands import EXIT_FAILED, EXIT_OK, KINDS, RENDER_OPTIONS, add_options, picked, positive_int
from ._commands import say
from ._output import shown
from ._stop import Stop

# The core's threads render the labels, as many as the process may use; the writers are few, since a file
# write is mostly the kernel's work, done while the next chunk is rendered.
DEFAULT_JOBS = available_cores()
# Writer threads at most: measured with bench/bench_batch.py on 2 cores, a third writer gained nothing on a
# RAM disk nor on ext4.
MAX_WRITERS = 2


class Progress:
    """A tqdm bar on a terminal; nothing but the row errors otherwise (or where tqdm is missing)."""

    def __init__(self, total: int | None):
        self.bar = None
        if sys.stderr is not None and sys.stderr.isatty():
            try:
                from tqdm import tqdm
            except ImportError:  # an install without its dependencies: the batch runs all the same
                return
            self.bar = tqdm(total=total, unit="file", file=sys.stderr, dynamic_ncols=True, leave=False)

    def report(self, message: str | None) -> None:
        try:
            if message is not None:
                if self.bar is not None:
                    self.bar.write(message, file=sys.stderr)
                elif sys.stderr is not None:
                    print(message, file=sys.stderr)
            if self.bar is not None:
                self.bar.update()
        except (OSError, ValueError):  # standard error closed or full: the count still tells
            pass

    def close(self) -> None:
        if self.bar is not None:
            self.bar.close()


# ---- the command ---------------------------------------------------------------------------------------

def add_batch_command(subparsers, chosen: str | None, template: bool = False) -> None:
    """`batch` and its kinds; only the kind named `chosen` gets its arguments (see cli.add_symbol_command).
    With `template` (--template among the arguments), `batch` takes a template and a CSV file instead."""
    batch = subparsers.add_parser(
        "batch", help="one file per input line or CSV row", description=(
            "Write one file per line of INPUT (one payload per line) or per CSV row, reading INPUT as the files "
            "are written; or place the labels on sheets (--sheet a4-3x8 -o labels.pdf); or fill a label "
            "template from CSV columns (tavlo batch --template sscc.toml rows.csv). Bad rows are reported as "
            "'line N: message' while the others are still written. Exit status 0: all written, 1: some failed, "
            "2: usage error, 130 (143): stopped by Ctrl-C (SIGTERM)."))
    if template:
        _batch_sheet.add_template_arguments(batch)
        return
    kinds = batch.add_subparsers(title="kinds", metavar="KIND", required=True)
    for kind in KINDS:
        parser = kinds.add_parser(kind.command, help=kind.summary, description=kind.help)
        parser.set_defaults(run=run_batch, kind=kind, parser=parser)
        if kind.command == chosen:
            add_batch_arguments(parser)
            add_options(parser, kind.options, "symbol")
            add_options(parser, RENDER_OPTIONS, "size and colour")


def add_batch_arguments(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("input", metavar="INPUT", help="text file with one payload per line, or CSV; - for "
                        "standard input")
    parser.add_argument("-d", "--directory", default=".", metavar="DIR",
                        help="folder for the files, made if missing (default: the current folder)")
    parser.add_argument("-f", "--format", choices=tuple(_output.FORMATS),
                        help="png (default), svg, pdf, eps or zpl (--sheet: pdf, or the suffix of -o)")
    parser.add_argument("-j", "--jobs", type=positive_int, default=DEFAULT_JOBS, metavar="N",
                        help=f"threads making the labels (default: the {DEFAULT_JOBS} cores this process may "
                        f"use); at most {MAX_WRITERS} more write the files")
    parser.add_argument("--force", action="store_true", help="overwrite regular files that exist (never a "
                        "symbolic link, a device or a FIFO)")
    sheets = parser.add_argument_group("label sheets (one file of every label instead of a file per row)")
    sheets.add_argument("--sheet", choices=tuple(_batch_sheet.PRESETS), metavar="SHEET",
                        help=f"place the labels in the cells of a sheet: {', '.join(_batch_sheet.PRESETS)}")
    sheets.add_argument("-o", "--output", metavar="FILE", help="the sheets' file: a PDF of as many pages as the "
                        "labels need (PNG and SVG: one page)")
    parser.add_argument("--skip-existing", action="store_true", help="leave rows whose file exists alone, "
                        "counted as skipped: to finish a batch after fixing its bad rows")
    parser.add_argument("--fsync", action="store_true", help="flush each file to disk before it takes its name "
                        "(slower; without it, the folder's file system is flushed once at the end)")
    table = parser.add_argument_group("CSV input (implied by a .csv INPUT or a column option)")
    table.add_argument("--csv", action="store_true", help="read INPUT as CSV")
    table.add_argument("--data-column", metavar="COLUMN", help="column of the data: its header or its number "
                       "counting from 1 (default 1)")
    table.add_argument("--name-column", metavar="COLUMN", help="column of the file names (suffix added when "
                       "missing; default: the line number)")
    table.add_argument("--no-header", action="store_true", help="the first row is data, not column names")


def open_rows(args: argparse.Namespace, stream, stop: Stop) -> Iterator[Row]:
    as_csv = (args.csv or args.data_column is not None or args.name_column is not None or args.no_header
              or args.input.lower().endswith(".csv"))
    if as_csv:
        return read_csv(stream, args.data_column or "1", args.name_column, not args.no_header, stop.wait)
    return read_lines(stream, stop.wait)


def run_batch(args: argparse.Namespace, stop: Stop) -> int:
    parser = args.parser
    if args.force and args.skip_existing:
        parser.error("argument --skip-existing: not allowed with argument --force")
    if (args.sheet is None) != (args.output is None):
        parser.error("argument --sheet and -o/--output go together: --sheet a4-3x8 -o labels.pdf")
    if args.sheet is None:
        args.format = args.format or "png"
    try:
        stream = sys.stdin.buffer if args.input == "-" else open(args.input, "rb")
    except (OSError, AttributeError) as error:
        parser.error(f"cannot read {shown(args.input)}: {getattr(error, 'strerror', None) or 'closed'}")
    if args.sheet is not None:
        with stream:
            return _batch_sheet.run_sheet(args, open_rows(args, stream, stop), stop)
    try:
        os.makedirs(args.directory, exist_ok=True)
    except OSError as error:
        parser.error(f"cannot make the folder {shown(args.directory)}: {error.strerror or error}")
    lines = None if args.input == "-" else count_lines(args.input)
    namer = Namer(args.format, lines, args.directory)
    job = Job(args.kind, picked(args, args.kind.options), picked(args, RENDER_OPTIONS), args.format,
              args.directory, args.force, threads=args.jobs, skip_existing=args.skip_existing, fsync=args.fsync)
    tally, progress = Tally(), Progress(lines)
    with stream:
        rows = open_rows(args, stream, stop)
        try:
            run_rows(job, rows, namer, min(args.jobs, MAX_WRITERS), tally, stop, progress.report,
                     None if is_regular(stream) else stream)
        except InputError as error:
            parser.error(str(error))
        finally:
            progress.close()
    if tally.written and not stop.requested:
        # One flush of the file system written to, at the end, instead of one per file: a flush waits for
        # the disk, costs milliseconds, and would set the pace of the batch. A stop or a kill never leaves a
        # partial file either way (each file takes its name only when whole); what a power cut before this
        # point may leave is an empty file for a row among the last few seconds'.
        try:
            _output.sync_file_system(args.directory)
        except OSError as error:
            print(f"cannot flush {shown(args.directory)} to disk: {error.strerror or error}", file=sys.stderr)
            tally.failed += 1
    text = summary(tally, args.directory)
    if stop.requested:
        stop.reported = True
        say(sys.stderr, f"interrupted: {text}")
        return stop.exit_status
    if not say(sys.stdout, text):
        say(sys.stderr, f"{parser.prog}: error: cannot write the summary to standard output: {text}")
        return EXIT_FAILED
    return EXIT_FAILED if tally.failed else EXIT_OK


def is_regular(stream) -> bool:
    """Whether `stream` is a regular file, whose reads never wait."""
    try:
        return stat.S_ISREG(os.fstat(stream.fileno()).st_mode)
    except (OSError, ValueError, AttributeError):
        return False


def summary(tally: Tally, folder: str) -> str:
    skipped = f", {tally.skipped} skipped (their files exist)" if tally.skipped else ""
    failed = f", {tally.failed} failed" if tally.failed else ""
    return f"{tally.written} of {tally.read} files written to {folder}{skipped}{failed}"
