"""`tavlo batch`: one file per input row, rows rendered and written by a pool of threads.

Rows are read as they are needed and handed to the threads through a window of at most WINDOW_PER_JOB rows
per thread, reported in input order ("line N: <message>" on standard error for those that fail), so a batch
starts writing at once and holds a bounded number of rows whatever the size of its input. The exit status
tells whether any row failed.

A stop signal (Ctrl-C, SIGTERM, any number of them) ends the reading and drops the rows not yet started;
the rows being written finish whole (or leave nothing), and the count printed is that of the files in the
folder. File names never follow a symbolic link, nor replace or write into anything but a regular file.
"""

from __future__ import annotations

import argparse
import os
import queue
import sys
import threading
from collections import deque
from collections.abc import Iterator
from dataclasses import dataclass
from typing import Any

import tavlo

from . import _output
from ._batch_input import InputError, Namer, Row, count_lines, read_csv, read_lines
from ._commands import EXIT_FAILED, EXIT_OK, KINDS, RENDER_OPTIONS, Kind, add_options, picked, positive_int
from ._commands import say
from ._output import shown
from ._stop import Interrupted, Stop, signals_blocked

# Threads overlap one row's rendering with another's file write, which waits on the disk rather than the
# processor, so the default is the standard library's choice for mixed work, not the core count.
DEFAULT_JOBS = min(32, (os.cpu_count() or 1) + 4)
# Rows handed out and not yet reported, per thread: enough that a thread finds the next row waiting when it
# is done with one, few enough that a row's data and its rendered file are all a batch keeps.
WINDOW_PER_JOB = 2


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
            _output.write_file(path, data, overwrite=self.force, durable=False, follow_links=False,
                               into_special=False)
        except tavlo.TavloError as error:
            return str(error)
        except FileExistsError:
            return f"{shown(row.name)} exists (use --force to overwrite)"
        except OSError as error:
            return f"cannot write {shown(row.name)}: {error.strerror or error}"
        except (ValueError, TypeError, MemoryError) as error:
            return str(error) or type(error).__name__
        return None


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


@dataclass
class Tally:
    read: int = 0
    written: int = 0
    failed: int = 0


# ---- the threads ---------------------------------------------------------------------------------------

PENDING, RUNNING, CANCELLED = range(3)


class Slot:
    """One row handed to the threads, and what became of it."""

    __slots__ = ("row", "state", "message", "done")

    def __init__(self, row: Row):
        self.row, self.state, self.message, self.done = row, PENDING, None, threading.Event()


class Workers:
    """`count` threads taking slots in order. They never see a stop signal (held back from them, so the
    kernel gives it to the main thread), and every slot they take ends with `done` set."""

    def __init__(self, job: Job, count: int, stop: Stop):
        self.job, self.stop, self.tasks, self.lock = job, stop, queue.SimpleQueue(), threading.Lock()
        self.threads = [threading.Thread(target=self._work, name=f"tavlo-batch-{i}", daemon=True)
                        for i in range(count)]
        with signals_blocked():
            for thread in self.threads:
                thread.start()

    def _work(self) -> None:
        while (slot := self.tasks.get()) is not None:
            with self.lock:
                start = slot.state == PENDING and not self.stop.requested  # no new row once stopping
                slot.state = RUNNING if start else CANCELLED
            try:
                if start:
                    slot.message = self.job.run(slot.row)
            except Exception as error:  # noqa: BLE001 - a row's failure, never the thread's end
                slot.message = f"{type(error).__name__}: {error}"
            finally:
                slot.done.set()

    def submit(self, slot: Slot) -> None:
        self.tasks.put(slot)

    def cancel(self, slot: Slot) -> None:
        with self.lock:
            if slot.state == PENDING:
                slot.state = CANCELLED

    def close(self) -> None:
        for _ in self.threads:
            self.tasks.put(None)
        for thread in self.threads:
            thread.join()


def run_rows(job: Job, rows: Iterator[Row], namer: Namer, jobs: int, tally: Tally, stop: Stop,
             progress: Progress) -> None:
    """Writes the rows until they or a stop signal end, counting in `tally`."""
    window: deque[Slot] = deque()

    def finish(slot: Slot) -> None:
        slot.done.wait()  # a slot handed out always ends: cancelled ones as soon as a thread reaches them
        if slot.state == CANCELLED:
            return
        if slot.message is None:
            tally.written += 1
        else:
            tally.failed += 1
        progress.report(None if slot.message is None else f"line {slot.row.line}: {slot.message}")

    workers = Workers(job, jobs, stop)
    try:
        try:
            for row in rows:
                if stop.requested:
                    break
                namer.name(row)
                tally.read += 1
                slot = Slot(row)
                window.append(slot)
                workers.submit(slot)
                while window and (len(window) >= WINDOW_PER_JOB * jobs or window[0].done.is_set()):
                    finish(window.popleft())
        except Interrupted:  # out of a read waiting for input
            pass
        if stop.requested:
            for slot in window:
                workers.cancel(slot)
        while window:
            finish(window.popleft())
    finally:
        workers.close()


# ---- the command ---------------------------------------------------------------------------------------

def add_batch_command(subparsers, chosen: str | None) -> None:
    """`batch` and its kinds; only the kind named `chosen` gets its arguments (see cli.add_symbol_command)."""
    batch = subparsers.add_parser(
        "batch", help="one file per input line or CSV row", description=(
            "Write one file per line of INPUT (one payload per line) or per CSV row, reading INPUT as the files "
            "are written. Bad rows are reported as 'line N: message' while the others are still written. Exit "
            "status 0: all written, 1: some failed, 2: usage error, 130 (143): stopped by Ctrl-C (SIGTERM)."))
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
    parser.add_argument("-f", "--format", choices=tuple(_output.FORMATS), default="png",
                        help="png (default), svg or pdf")
    parser.add_argument("-j", "--jobs", type=positive_int, default=DEFAULT_JOBS, metavar="N",
                        help=f"threads writing files (default {DEFAULT_JOBS})")
    parser.add_argument("--force", action="store_true", help="overwrite regular files that exist (never a "
                        "symbolic link, a device or a FIFO)")
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
    try:
        stream = sys.stdin.buffer if args.input == "-" else open(args.input, "rb")
    except (OSError, AttributeError) as error:
        parser.error(f"cannot read {shown(args.input)}: {getattr(error, 'strerror', None) or 'closed'}")
    try:
        os.makedirs(args.directory, exist_ok=True)
    except OSError as error:
        parser.error(f"cannot make the folder {shown(args.directory)}: {error.strerror or error}")
    lines = None if args.input == "-" else count_lines(args.input)
    namer = Namer(args.format, lines, args.directory)
    job = Job(args.kind, picked(args, args.kind.options), picked(args, RENDER_OPTIONS), args.format,
              args.directory, args.force)
    tally, progress = Tally(), Progress(lines)
    with stream:
        rows = open_rows(args, stream, stop)
        try:
            run_rows(job, rows, namer, args.jobs, tally, stop, progress)
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


def summary(tally: Tally, folder: str) -> str:
    failed = f", {tally.failed} failed" if tally.failed else ""
    return f"{tally.written} of {tally.read} files written to {folder}{failed}"
