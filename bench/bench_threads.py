"""Threads: does tavlo let other Python threads run, and does a second thread add throughput?

GIL probe: while the main thread makes long calls (a version-40 QR Code at 16000 x 16000 px, built and
rendered), a second thread sleeps 0.2 ms at a time and records how late it wakes. Printed: the median lateness
as a share of one call (near 1 when a call holds the interpreter's lock throughout, near 0 when it lets go).

Batch: 10,000 QR Codes (distinct URLs) to 300 x 300 px PNG, by 1 and by 2 threads; printed: seconds and the
throughput of 2 threads over 1.

    python bench/bench_threads.py [--count N]
"""

from __future__ import annotations

import argparse
import statistics
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import _tavlo as t

SLEEP = 0.0002


def long_call() -> bytes:
    return t.QrCode("x" * 2300).render_png(16000, 16000, unit="px", quiet_zone_modules=4)


def gil_probe(calls: int = 40) -> tuple[float, float]:
    """The median wake-up delay of a sleeping thread, as a share of one long call, and that call's time."""
    long_call()
    durations = []
    for _ in range(5):
        start = time.perf_counter()
        long_call()
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
        long_call()
    stop.set()
    thread.join()
    return statistics.median(delays) / call_seconds, call_seconds


def batch(count: int, threads: int) -> float:
    texts = [f"https://example.com/item/{i:06d}" for i in range(count)]

    def work(part: list[str]) -> int:
        return sum(len(t.QrCode(text).render_png(300, 300, unit="px", quiet_zone_modules=4)) for text in part)

    parts = [texts[i::threads] for i in range(threads)]
    start = time.perf_counter()
    with ThreadPoolExecutor(max_workers=threads) as pool:
        list(pool.map(work, parts))
    return time.perf_counter() - start


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=10_000)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()

    share, call_seconds = gil_probe()
    print(f"GIL probe: a sleeping thread wakes {share:.3f} of a call late (call {call_seconds * 1e3:.2f} ms)")

    one, two = [], []
    for _ in range(args.rounds):  # interleaved, the best of each
        one.append(batch(args.count, 1))
        two.append(batch(args.count, 2))
    print(f"{args.count} QR Codes to 300 x 300 PNG: 1 thread {min(one):.3f} s, 2 threads {min(two):.3f} s, "
          f"2 threads give {min(one) / min(two):.2f}x the throughput of 1")


if __name__ == "__main__":
    main()
