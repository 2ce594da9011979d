"""How the command line stops on Ctrl-C (SIGINT) and SIGTERM.

Python's own SIGINT handler raises KeyboardInterrupt in the main thread at whatever instruction it is running,
including the middle of a lock's acquire or a thread's start in the standard library, whose state it can
leave broken: a batch then lost the interrupt and ran to its end, or died on "release unlocked lock". Here
a signal only records a request; the program looks at it at its own safe points (between rows, before a
write). The one place a signal raises is a wait that could last for ever, such as reading a silent pipe or
opening a FIFO nobody reads, run through `Stop.wait`, where nothing but the wait itself is left half done.

Every signal after the first is the same request again: the batch is already stopping, and stopping never
waits for more than the rows being rendered at that moment.

The request is also read from the interpreter's wakeup descriptor (signal.set_wakeup_fd), to which its C
handler writes the signal's number the moment it arrives, before the Python handler has had its turn on the
main thread, and from the process's pending signals (sigpending), where a signal waits until the kernel
delivers it: a worker asking whether to stop sees a signal as soon as the process has it.

A signal the parent set to be ignored stays ignored, as shells do it (a batch started with `&` from a script,
or under nohup, is not stopped by the Ctrl-C meant for the terminal's foreground job).
"""

from __future__ import annotations

import os
import signal
import threading
from collections.abc import Callable, Iterator
from contextlib import contextmanager
from typing import Any, TypeVar

T = TypeVar("T")

SIGNALS = tuple(getattr(signal, name) for name in ("SIGINT", "SIGTERM") if hasattr(signal, name))
_STOPS = frozenset(SIGNALS)
_pending = getattr(signal, "sigpending", None)


class Interrupted(Exception):
    """Raised out of a `Stop.wait` by a stop signal."""


class Stop:
    """The stop requests of one run of the command line."""

    def __init__(self) -> None:
        self.signal: int | None = None  # the first stop signal received
        self._waiting = False  # the main thread is inside `wait`
        self.reported = False  # the command has told the user what the stop left
        self._wakeup: int | None = None  # read end of the wakeup pipe while the handlers are installed

    @property
    def requested(self) -> bool:
        if self.signal is None and self._wakeup is not None:
            try:
                received = os.read(self._wakeup, 64)
            except (BlockingIOError, OSError):
                received = b""
            for number in received:
                if number in SIGNALS:
                    self.signal = number
                    break
            if self.signal is None and _pending is not None:
                # A signal sent to the process but not yet delivered to the main thread: the kernel may hold
                # it there until that thread next runs, while a worker (which blocks it) could go on writing.
                for number in _pending() & _STOPS:
                    self.signal = int(number)
                    break
        return self.signal is not None

    @property
    def exit_status(self) -> int:
        """128 + the signal's number, as a shell reports a program the signal ended: 130 for Ctrl-C."""
        assert self.signal is not None
        return 128 + self.signal

    def _handle(self, signum: int, frame: Any) -> None:
        if self.signal is None:
            self.signal = signum
        if self._waiting:
            self._waiting = False  # one raise per wait, never one in the clean-up after it
            raise Interrupted

    def wait(self, call: Callable[..., T], *args: Any) -> T:
        """`call(*args)`, a call that may block for ever, ended by a stop signal (Interrupted)."""
        self._waiting = True
        try:
            if self.requested:
                raise Interrupted
            return call(*args)
        finally:
            self._waiting = False

    @contextmanager
    def handling(self) -> Iterator[Stop]:
        """The handlers installed for the block's length (main thread only), the previous ones restored."""
        if threading.current_thread() is not threading.main_thread():
            yield self
            return
        reader, writer = os.pipe()
        os.set_blocking(reader, False)
        os.set_blocking(writer, False)
        previous_wakeup = signal.set_wakeup_fd(writer, warn_on_full_buffer=False)
        self._wakeup = reader
        # A signal the parent set to be ignored stays ignored, as the shells do it: a batch started with `&`
        # from a script (or under nohup) is not stopped by the Ctrl-C meant for the terminal's foreground.
        previous = {number: signal.signal(number, self._handle) for number in SIGNALS
                    if signal.getsignal(number) != signal.SIG_IGN}
        try:
            yield self
        finally:
            # A signal whose Python handler has not run yet is handled by signal.signal() before it changes
            # the handler; one the handler missed is still in the pipe: both count, up to this point.
            for number, handler in previous.items():
                signal.signal(number, handler)
            self.requested  # noqa: B018 - reads the pipe
            signal.set_wakeup_fd(previous_wakeup)
            self._wakeup = None
            os.close(reader)
            os.close(writer)


@contextmanager
def signals_blocked() -> Iterator[None]:
    """Stop signals held back from the calling thread, and from threads it starts meanwhile, which keep the
    mask they are born with: the kernel then delivers a stop signal to the main thread, where it can end a
    `Stop.wait`, rather than to a worker busy in C."""
    mask = getattr(signal, "pthread_sigmask", None)
    if mask is None:
        yield
        return
    previous = mask(signal.SIG_BLOCK, SIGNALS)
    try:
        yield
    finally:
        mask(signal.SIG_SETMASK, previous)
