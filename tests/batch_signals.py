"""Stop signals at many moments of `tavlo batch`, each moment drawn from a seeded generator so a failure replays.

    python batch_signals.py --seed 1 --runs 200
    python batch_signals.py --seed 1 --run 17 -v        replays one run

Each run is the command line's `main()` in this process (a process start would cost more than the batch),
writing a small batch, and one moment of one of two sorts:
- "event N": the N-th call or return the main thread makes while `main()` has its signal handlers in place
  (the first thing it does, the last it undoes), counted by a profile function,
  which sends the signal there. Program order, not time, picks the moment, so every stretch of the run from
  argument parsing to the summary is hit, the pool's start and the waits included.
- "file N": a worker sends the signal as it finishes its N-th file, while the main thread is wherever the
  other threads' progress put it: the form a user's Ctrl-C takes.
The rule held every time: exit status 128 + the signal, the summary's count equal to the whole files in the
folder, no other file (no temporary), no traceback, and no more files written after the signal than
the rows already handed to the threads.
Prints one line per broken run, then "N passed, N failed".
"""

from __future__ import annotations

import argparse
import contextlib
import io
import os
import random
import re
import shutil
import signal
import sys
import tempfile
import threading

from tavlo import _output, cli

ROWS, JOBS = 12, 2
# Rows that may still be written after the signal: those handed to the threads before the main thread saw it
# (its window), and the one it may be handing out as the signal comes.
IN_FLIGHT = 2 * JOBS + 1
# On standard error when the signal stopped the batch; on standard output when it came after the last row.
SUMMARY = re.compile(r"(\d+) of (\d+) files written to ")


class Moment:
    """Sends the signal at one moment of a run; tells how many files existed when it did."""

    def __init__(self, sort: str, n: int, signum: int):
        self.sort, self.n, self.signum = sort, n, signum
        self.sent_after: int | None = None  # files written when the signal went
        self.events = 0
        self.files = 0
        self.lock = threading.Lock()

    def send(self) -> None:
        if self.sent_after is None:
            # Before main() installs its handlers and after it restores them, a SIGTERM ends this very process
            # by its default action, as it ends a real batch then: nothing is left here to check, so none is
            # sent at such a moment.
            if self.signum == signal.SIGTERM and signal.getsignal(signal.SIGTERM) == signal.SIG_DFL:
                return
            self.sent_after = self.files
            os.kill(os.getpid(), self.signum)

    def profile(self, frame, event, arg) -> None:
        # Counted only while main()'s handlers are in place: before and after, Python's own rule holds (the
        # process dies of the signal, as a shell sees it: status 130).
        if signal.getsignal(signal.SIGINT) is signal.default_int_handler:
            return
        self.events += 1
        if self.events == self.n:
            sys.setprofile(None)
            self.send()

    def file_written(self) -> None:
        with self.lock:
            self.files += 1
            if self.sort == "file" and self.files == self.n:
                self.send()


def counted_writes(moment_of_run):
    original = _output.write_file

    def write_file(*args, **kwargs):
        result = original(*args, **kwargs)
        moment_of_run().file_written()
        return result

    return original, write_file


def one_run(folder: str, source: str, moment: Moment) -> tuple[int, str, list[str]]:
    """main()'s status, what it printed (standard output, then error) and the folder's names."""
    out = os.path.join(folder, "out")
    shutil.rmtree(out, ignore_errors=True)
    stderr, stdout = io.StringIO(), io.StringIO()
    with contextlib.redirect_stderr(stderr), contextlib.redirect_stdout(stdout):
        if moment.sort == "event":
            sys.setprofile(moment.profile)
        try:
            status = cli.main(["batch", "qr", source, "-d", out, "--jobs", str(JOBS)])
        except BaseException as error:  # noqa: BLE001 - a raise out of main() is itself a broken run
            status = f"raised {type(error).__name__}: {error}"
        finally:
            sys.setprofile(None)
    names = sorted(os.listdir(out)) if os.path.isdir(out) else []
    return status, stdout.getvalue() + stderr.getvalue(), names


def broken(status, printed: str, names: list[str], moment: Moment, out: str) -> str | None:
    if moment.sent_after is None:
        return None if status == 0 else f"no signal sent, status {status!r}"
    if status != 128 + moment.signum:
        return f"status {status!r}, expected {128 + moment.signum}"
    if "Traceback" in printed:
        return "a traceback"
    hidden = [name for name in names if name.startswith(".")]
    if hidden:
        return f"left {hidden}"
    for name in names:
        with open(os.path.join(out, name), "rb") as file:
            if not file.read().endswith(b"IEND\xaeB`\x82"):
                return f"{name} is not a whole PNG"
    summary = SUMMARY.search(printed)
    if summary is None and names:
        return f"no count in {printed!r}"
    if summary is not None and int(summary[1]) != len(names):
        return f"the summary counts {summary[1]}, the folder holds {len(names)}"
    if len(names) > moment.sent_after + IN_FLIGHT:
        return f"{len(names) - moment.sent_after} files written after the signal"
    return None


def events_of_a_whole_run(folder: str, source: str) -> int:
    one_run(folder, source, Moment("none", 0, signal.SIGINT))  # the imports a first run makes
    moment = Moment("event", -1, signal.SIGINT)
    one_run(folder, source, moment)
    return moment.events


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--runs", type=int, default=200)
    parser.add_argument("--run", type=int, help="this run alone")
    parser.add_argument("--sigint-only", action="store_true", help="no SIGTERM (whose default ends the process)")
    parser.add_argument("-v", "--verbose", action="store_true")
    args = parser.parse_args()

    # A terminal's shell starts a program with SIGINT at Python's default; a suite run in the background
    # (`cmd &` in a script, nohup) inherits it ignored, which the command line would respect.
    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, signal.SIG_DFL)
    current: list[Moment] = []
    original, counting = counted_writes(lambda: current[0])
    _output.write_file = counting
    failed = passed = 0
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "urls.txt")
        with open(source, "w") as file:
            file.write("".join(f"https://example.com/{n}\n" for n in range(ROWS)))
        current.append(Moment("none", 0, signal.SIGINT))
        events = events_of_a_whole_run(folder, source)
        current[0] = Moment("none", 0, signal.SIGINT)
        for number in [args.run] if args.run is not None else range(args.runs):
            choose = random.Random(f"{args.seed}/{number}")
            signum = signal.SIGTERM if choose.random() < 0.2 and not args.sigint_only else signal.SIGINT
            if choose.random() < 0.7:
                moment = Moment("event", choose.randrange(1, events), signum)
            else:
                moment = Moment("file", choose.randrange(1, ROWS + 1), signum)
            current[0] = moment
            status, printed, names = one_run(folder, source, moment)
            fault = broken(status, printed, names, moment, os.path.join(folder, "out"))
            if args.verbose or fault:
                print(f"run {number} ({signal.Signals(signum).name} at {moment.sort} {moment.n} of "
                      f"{events if moment.sort == 'event' else ROWS}): {fault or 'ok'}; status {status!r}, "
                      f"{len(names)} files, printed {printed[-300:]!r}", flush=True)
            failed += fault is not None
            passed += fault is None
    _output.write_file = original
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
