"""Threads: does tavlo let other Python threads run, and does a second thread add throughput?

GIL probe: while the main thread makes long calls (a version-40 QR Code built and rendered at 16000 x 16000 px
by _tavlo, then as a label of 74000 x 74000 dots by the tavlo package), a second thread sleeps 0.2 ms at a time
and records how late it wakes. Printed: the median lateness as a share of one call (near 1 when a call holds
the interpreter's lock throughout, near 0 when it lets go).

Batches, by 1 and by 2 threads; printed: seconds, the process's CPU time over them (above 1 only when the
threads ran at once: the sign to read on a machine with no free core) and the throughput of 2 threads over 1:
- 10,000 QR Codes (distinct URLs) to 300 x 300 px PNG through _tavlo;
- 10,000 labels through the tavlo package, each made and written as a 300 dpi PNG: Code 128 parcel numbers
  (human-readable line included) and QR Codes of URLs.

    python bench/bench_threads.py [--count N] [--rounds N]
"""

from __future__ import annotations

import argparse
import statistics
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from typing import Callable

import _tavlo as t

import tavlo

SLEEP = 0.0002


def long_render() -> bytes:
    return t.QrCode("x" * 2300).render_png(16000, 16000, unit="px", quiet_zone_modules=4)


def long_label() -> bytes:
    return tavlo.QrCode("x" * 2300).png(dpi=600, x_dim="400dots")  # 74000 x 74000 dots


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


def low_level_qr(text: str) -> int:
    return len(t.QrCode(text).render_png(300, 300, unit="px", quiet_zone_modules=4))


def label_code128(text: str) -> int:
    return len(tavlo.Code128(text).png(dpi=300))


def label_qr(text: str) -> int:
    return len(tavlo.QrCode(text).png(dpi=300))


def batch(make: Callable[[str], int], texts: list[str], threads: int) -> tuple[float, float]:
    """Wall-clock seconds and the process's CPU seconds over them: above 1 only when threads ran at once."""
    def work(part: list[str]) -> int:
        return sum(make(text) for text in part)

    parts = [texts[i::threads] for i in range(threads)]
    start, start_cpu = time.perf_counter(), time.process_time()
    with ThreadPoolExecutor(max_workers=threads) as pool:
        list(pool.map(work, parts))
    wall = time.perf_counter() - start
    return wall, (time.process_time() - start_cpu) / wall


def scaling(name: str, make: Callable[[str], int], texts: list[str], rounds: int) -> None:
    one, two = [], []
    for _ in range(rounds):  # interleaved, the best of each
        one.append(batch(make, texts, 1))
        two.append(batch(make, texts, 2))
    (one_wall, one_cpu), (two_wall, two_cpu) = min(one), min(two)
    print(f"{len(texts)} {name}: 1 thread {one_wall:.3f} s (CPU/wall {one_cpu:.2f}), 2 threads {two_wall:.3f} s "
          f"(CPU/wall {two_cpu:.2f}), 2 threads give {one_wall / two_wall:.2f}x the throughput of 1")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=10_000)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()

    for name, call in (("_tavlo render_png", long_render), ("tavlo label png", long_label)):
        share, call_seconds = gil_probe(call)
        print(f"GIL probe, {name}: a sleeping thread wakes {share:.3f} of a call late "
              f"(call {call_seconds * 1e3:.2f} ms)")

    urls = [f"https://example.com/item/{i:06d}" for i in range(args.count)]
    scaling("QR Codes to 300 x 300 PNG (_tavlo)", low_level_qr, urls, args.rounds)
    parcels = [f"PARCEL {i:010d}" for i in range(args.count)]
    scaling("Code 128 labels, 300 dpi PNG (tavlo)", label_code128, parcels, args.rounds)
    scaling("QR Code labels, 300 dpi PNG (tavlo)", label_qr, urls, args.rounds)


if __name__ == "__main__":
    main()
