"""The engine of `tavlo batch`: rows rendered a chunk at a time by one `tavlo.render_many` call (the core's
threads, without the interpreter's lock), and the files written by a small pool of threads.

The main thread reads the rows and names them, gathers them into chunks, renders each chunk, and hands its
labels to the writers; while it renders one chunk, the writers write the one before, so the processor and
the disk work at once. At most two chunks are held: the one being rendered and the one being written. The
results are reported in input order ("line N: <message>" for a row that fails).

A stop signal ends the reading at the next row; the labels rendered and not yet taken by a writer are
dropped, the files being written finish whole (or leave nothing). Only the rows that were written, or
failed, or skipped, count as read: the summary's "N of M" never counts a row the stop dropped.
"""

from __future__ import annotations

import os
import queue
import select
import threading
from collections import deque
from collections.abc import Callable, Iterator
from dataclasses import dataclass, field
from typing import Any

import tavlo

from . import _output
from ._batch_input import Namer, Row
from ._commands import Kind
from ._output import shown
from ._stop import Interrupted, Stop, signals_blocked

# The rows of one render_many call. The first chunk is small so that the first files appear at once (a user
# watching the folder, a pipe that trickles); each next one doubles, up to CHUNK_MAX: at 3-30 us a label on
# two threads that is a few milliseconds of work, long enough to make the call's fixed cost vanish and short
# enough that a stop signal is answered within it, and a few megabytes of labels held at most.
CHUNK_FIRST = 8
CHUNK_MAX = 512

# Formats the bulk call makes; the others (EPS, ZPL) are made one row at a time by the symbol's own method.
BULK_FORMATS = ("png", "svg", "pdf")


@dataclass(frozen=True)
class Job:
    kind: Kind
    kind_options: dict[str, Any]
    render_options: dict[str, Any]
    format: str
    folder: str
    force: bool
    threads: int = 1  # the core's threads rendering a chunk
    skip_existing: bool = False
    fsync: bool = False  # each file flushed to disk before it takes its name
    bulk: bool = field(init=False, default=True)

    def __post_init__(self) -> None:
        object.__setattr__(self, "bulk", self.format in BULK_FORMATS)

    def render_one(self, data: str) -> tuple[bytes | None, str | None]:
        """One row's file as a single call makes it, or its message."""
        try:
            symbol = self.kind.make(data, self.kind_options)
            return _output.render(symbol, self.format, **self.render_options), None
        except tavlo.TavloError as error:
            return None, str(error)
        except (ValueError, TypeError, MemoryError) as error:
            return None, str(error) or type(error).__name__

    def render(self, slots: list[Slot]) -> None:
        """Sets each slot's file or message."""
        data = [slot.row.data for slot in slots]
        if not self.bulk or not data:
            results = None
        else:
            options = dict(self.render_options)
            if self.format != "png":
                options.pop("optimize", None)
            try:
                results = tavlo.render_many(getattr(tavlo, self.kind.class_name), data, self.format,
                                            threads=self.threads, errors="return", **self.kind_options,
                                            **options)
            except (tavlo.TavloError, ValueError, TypeError, MemoryError):
                # An option refused for every row at once: each row then says it as a single call would.
                results = None
        if results is None:
            for slot, text in zip(slots, data):
                slot.output, slot.message = self.render_one(text)
            return
        for slot, result in zip(slots, results):
            if isinstance(result, tavlo.TavloError):
                slot.message = str(result)
            else:
                slot.output = result.encode("utf-8") if isinstance(result, str) else result

    def write(self, slot: Slot) -> str | None:
        """Writes one rendered row; the message of its failure, or None."""
        name = slot.row.name
        try:
            _output.write_file(os.path.join(self.folder, name), slot.output, overwrite=self.force,
                               durable=self.fsync, follow_links=False, into_special=False)
        except FileExistsError:
            if self.skip_existing:
                slot.skipped = True
                return None
            return f"{shown(name)} exists (use --force to overwrite)"
        except OSError as error:
            return f"cannot write {shown(name)}: {error.strerror or error}"
        finally:
            slot.output = None  # the label's bytes are not kept once written
        return None

    def exists(self, row: Row) -> bool:
        return os.path.lexists(os.path.join(self.folder, row.name))


@dataclass
class Tally:
    read: int = 0
    written: int = 0
    failed: int = 0
    skipped: int = 0


# ---- the writers ---------------------------------------------------------------------------------------

PENDING, RUNNING, CANCELLED, DONE = range(4)


class Slot:
    """One row, its label, and what became of it."""

    __slots__ = ("row", "state", "output", "message", "skipped", "done")

    def __init__(self, row: Row):
        self.row, self.state, self.output, self.message, self.skipped = row, PENDING, None, row.error, False
        self.done = threading.Event()

    def settle(self) -> None:
        """Ends a slot that needs no write: a row that failed before, or was skipped."""
        self.state = DONE
        self.done.set()


class Writers:
    """`count` threads writing slots in order. They never see a stop signal (held back from them, so the
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
                start = slot.state == PENDING and not self.stop.requested  # no new file once stopping
                slot.state = RUNNING if start else CANCELLED
            try:
                if start:
                    slot.message = self.job.write(slot)
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


# ---- the rows ------------------------------------------------------------------------------------------

def more_waiting(stream) -> bool:
    """Whether reading `stream` (a pipe, a terminal) would find input at once: where it would wait, the rows
    gathered are rendered first, so that a trickle of input is written as it comes."""
    try:
        return bool(select.select([stream], [], [], 0)[0])
    except (OSError, ValueError, TypeError):  # no descriptor to ask: render what there is
        return False


def run_rows(job: Job, rows: Iterator[Row], namer: Namer, writer_count: int, tally: Tally, stop: Stop,
             report: Callable[[str | None], None], stream=None) -> None:
    """Writes the rows until they or a stop signal end, counting in `tally`. `stream`, when given, is a
    pipe or terminal the rows come from (see more_waiting)."""
    chunk: list[Slot] = []  # rows read, not yet rendered
    window: deque[Slot] = deque()  # rows rendered or being written, in input order
    size = CHUNK_FIRST

    def finish(slot: Slot) -> None:
        slot.done.wait()  # a slot handed out always ends: cancelled ones as soon as a writer reaches them
        if slot.state == CANCELLED:
            return
        tally.read += 1
        if slot.message is not None:
            tally.failed += 1
        elif slot.skipped:
            tally.skipped += 1
        else:
            tally.written += 1
        report(None if slot.message is None else f"line {slot.row.line}: {slot.message}")

    def dispatch() -> None:
        """Renders the chunk and hands it to the writers, once the chunk before the last is written."""
        nonlocal chunk, size
        todo = [slot for slot in chunk if slot.state == PENDING]
        job.render(todo)
        while len(window) > size:  # at most this chunk and the one before held
            finish(window.popleft())
        for slot in chunk:
            window.append(slot)
            if slot.state != PENDING:
                continue
            if slot.message is not None:
                slot.settle()
            else:
                workers.submit(slot)
        chunk, size = [], min(2 * size, CHUNK_MAX)
        while window and window[0].done.is_set():
            finish(window.popleft())

    workers = Writers(job, writer_count, stop)
    try:
        try:
            for row in rows:
                if stop.requested:
                    break
                namer.name(row)
                slot = Slot(row)
                if slot.message is None and job.skip_existing and job.exists(row):
                    slot.skipped = True
                if slot.message is not None or slot.skipped:
                    slot.settle()
                chunk.append(slot)
                if len(chunk) >= size or (stream is not None and not more_waiting(stream)):
                    dispatch()
            if chunk and not stop.requested:
                dispatch()
        except Interrupted:  # out of a read waiting for input
            pass
        if stop.requested:
            for slot in window:
                workers.cancel(slot)
        while window:
            finish(window.popleft())
    finally:
        workers.close()
