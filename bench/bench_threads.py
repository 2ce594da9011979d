"""Threads: does tavlo let other Python threads run, and does a second thread add throughput?

GIL probe: while the main thread makes long calls (a version-40 QR Code built and rendered at 16000 x 16000 px
by _tavlo, then as a label of 16650 x 16650 dots by the tavlo package), a second thread sleeps 0.2 ms at a time
and records how late it wakes. Printed: the median lateness as a share of one call (near 1 when a call holds
the interpreter's lock throughout, near 0 when it lets go).

Control: sha256 of 1 MB buffers (hashlib lets go of the lock for them) on 1 and 2 threads shows how much of a
second core the machine has free right now; every other ratio is to be read against it.

Bulk: 10,000 package labels through tavlo.render_many with threads=1 and threads=2 (the core's own threads,
the interpreter's lock released around the whole batch): Code 128 parcel numbers with their text, and QR Codes
of URLs, 300 dpi PNG.

Single calls, by 1 and by 2 Python threads; printed: seconds, the process's CPU time over them (above 1 only
when the threads ran at once: the sign to read on a machine with no free core) and the throughput of 2
threads over 1, which should never be below 1. Calls this short keep the interpreter's lock, so two threads
take turns, and the interpreter switches them every few milliseconds; what that switching costs any Python
code is shown first by a pure-Python job of about the same length per call (a checksum over the text), the
figure to read the calls against. What letting go of the lock for calls this short would give instead is
shown by sha256 of 2 KB and 8 KB blocks (about 2 and 5 us a call), which hashlib computes without the lock:
while a second thread waits for it, each release hands the lock over, and the call then waits for its turn
and its wake-up to take it back.
- 10,000 QR Codes (distinct URLs) to 300 x 300 px PNG through _tavlo;
- 10,000 labels through the tavlo package, each made and written as a 300 dpi PNG: EAN-8 (text included),
  Code 128 parcel numbers (text included) and QR Codes of URLs.

Every figure is the median of interleaved rounds (1 thread, 2 threads, 1 thread, ...).

    python bench/bench_threads.py [--count N] [--rounds N]
"""

from __future__ import annotations

import argparse
import hashlib
import statistics
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from typing import Any, Callable

import _tavlo as t

import tavlo

SLEEP = 0.0002


def long_render() -> bytes:
    return t.QrCode("x" * 2300).render_png(16000, 16000, unit="px", quiet_zone_modules=4)


# The label's pixels: 185 modules (version 40 and its quiet zone) of 90 dots, 16650 x 16650, near the _tavlo
# call's 16000 x 16000; above the default max_pixels, so the allowance is given.
LONG_LABEL_PIXELS = (185 * 90) ** 2


def long_label() -> bytes:
    return tavlo.QrCode("x" * 2300).png(dpi=600, x_dim="90dots", max_pixels=LONG_LABEL_PIXELS)


def gil_probe(call: Callable[[], object], calls: int = 40) -> tuple[float, float]:
    """The median wake-up delay of a sleeping thread, as a share of one long call, and that call's time."""
    call()
    durations = []
    for _ in range(5):
        start = time.perf_counter()
        call()
        durations.append(time.perf_counter() - start)
    call_seconds = statistics.median(durations)

    delays: list[float] = []
    stop = threading.Event()

    def sleeper() -> None:
        while not stop.is_set():
            start = time.perf_counter()
            time.sleep(SLEEP)
            delays.append(time.perf_counter() - start - SLEEP)

    thread = threading.Thread(target=sleeper)
    thread.start()
    for _ in range(calls):
        call()
    stop.set()
    thread.join()
    return statistics.median(delays) / call_seconds, call_seconds


def python_checksum(text: str) -> int:
    """Pure-Python work of about a label's length: a weighted checksum of the text, repeated."""
    return sum(weight * ord(char) for weight, char in enumerate(text * 6, 1)) % 103


def released_hash(block: bytes) -> int:
    """hashlib lets go of the interpreter's lock for data of 2048 bytes and more."""
    return len(hashlib.sha256(block).digest())


def low_level_qr(text: str) -> int:
    return len(t.QrCode(text).render_png(300, 300, unit="px", quiet_zone_modules=4))


def label_ean8(text: str) -> int:
    return len(tavlo.Ean8(text).png(dpi=300))


def label_code128(text: str) -> int:
    return len(tavlo.Code128(text).png(dpi=300))


def label_qr(text: str) -> int:
    return len(tavlo.QrCode(text).png(dpi=300))


def batch(make: Callable[[Any], int], texts: list[Any], threads: int) -> tuple[float, float]:
    """Wall-clock seconds and the process's CPU seconds over them: above 1 only when threads ran at once."""
    def work(part: list[Any]) -> int:
        return sum(make(text) for text in part)

    parts = [texts[i::threads] for i in range(threads)]
    start, start_cpu = time.perf_counter(), time.process_time()
    with ThreadPoolExecutor(max_workers=threads) as pool:
        list(pool.map(work, parts))
    wall = time.perf_counter() - start
    return wall, (time.process_time() - start_cpu) / wall


def median_pair(runs: list[tuple[float, float]]) -> tuple[float, float]:
    return statistics.median(run[0] for run in runs), statistics.median(run[1] for run in runs)


def report(name: str, one: list[tuple[float, float]], two: list[tuple[float, float]]) -> float:
    (one_wall, one_cpu), (two_wall, two_cpu) = median_pair(one), median_pair(two)
    ratio = one_wall / two_wall
    print(f"{name}: 1 thread {one_wall:.3f} s (CPU/wall {one_cpu:.2f}), 2 threads {two_wall:.3f} s "
          f"(CPU/wall {two_cpu:.2f}), 2 threads give {ratio:.2f}x the throughput of 1", flush=True)
    return ratio


def scaling(name: str, make: Callable[[Any], int], texts: list[Any], rounds: int) -> float:
    one, two = [], []
    for _ in range(rounds):  # interleaved
        one.append(batch(make, texts, 1))
        two.append(batch(make, texts, 2))
    return report(f"{len(texts)} {name}", one, two)


def control(rounds: int, buffers: int = 200) -> float:
    """sha256 of 1 MB buffers split over 1 and 2 threads: how much of a second core is free."""
    data = [bytes([i]) * 1_000_000 for i in range(buffers)]

    def digest(block: bytes) -> int:
        return len(hashlib.sha256(block).digest())

    one, two = [], []
    for _ in range(rounds):
        one.append(batch(digest, data, 1))
        two.append(batch(digest, data, 2))
    return report(f"control: sha256 of {buffers} x 1 MB", one, two)


def timed_call(call: Callable[[], object]) -> tuple[float, float]:
    start, start_cpu = time.perf_counter(), time.process_time()
    call()
    wall = time.perf_counter() - start
    return wall, (time.process_time() - start_cpu) / wall


def bulk(name: str, kind: type, texts: list[str], rounds: int) -> float:
    """tavlo.render_many on 1 and on 2 of the core's threads."""
    expected = tavlo.render_many(kind, texts[:50], threads=1, dpi=300)
    assert tavlo.render_many(kind, texts[:50], threads=2, dpi=300) == expected
    one, two = [], []
    for _ in range(rounds):
        one.append(timed_call(lambda: tavlo.render_many(kind, texts, threads=1, dpi=300)))
        two.append(timed_call(lambda: tavlo.render_many(kind, texts, threads=2, dpi=300)))
    return report(f"{len(texts)} {name} through render_many", one, two)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=10_000)
    parser.add_argument("--rounds", type=int, default=11)
    parser.add_argument("--no-probe", action="store_true", help="leave out the GIL probe")
    args = parser.parse_args()

    control(args.rounds)
    urls = [f"https://example.com/item/{i:06d}" for i in range(args.count)]
    parcels = [f"PARCEL {i:010d}" for i in range(args.count)]
    bulk("Code 128 labels, 300 dpi PNG", tavlo.Code128, parcels, args.rounds)
    bulk("QR Code labels, 300 dpi PNG", tavlo.QrCode, urls, args.rounds)
    if not args.no_probe:
        for name, call in (("_tavlo render_png", long_render), ("tavlo label png", long_label)):
            share, call_seconds = gil_probe(call)
            print(f"GIL probe, {name}: a sleeping thread wakes {share:.3f} of a call late "
                  f"(call {call_seconds * 1e3:.2f} ms)")

    scaling("pure-Python checksums (no tavlo: the interpreter's own switching)", python_checksum, urls, args.rounds)
    for size in (2048, 8192):
        blocks = [bytes([i % 251]) * size for i in range(args.count)]
        scaling(f"sha256 of {size // 1024} KB, the lock released (no tavlo: what releasing would give)", released_hash,
                blocks, args.rounds)
    scaling("QR Codes to 300 x 300 PNG (_tavlo)", low_level_qr, urls, args.rounds)
    digits = [f"{i % 10**7:07d}" for i in range(args.count)]
    scaling("EAN-8 labels, 300 dpi PNG (tavlo)", label_ean8, digits, args.rounds)
    scaling("Code 128 labels, 300 dpi PNG (tavlo)", label_code128, parcels, args.rounds)
    scaling("QR Code labels, 300 dpi PNG (tavlo)", label_qr, urls, args.rounds)


if __name__ == "__main__":
    main()
