"""The cost of validating a GS1 element string of five AIs against the GS1 Barcode Syntax Dictionary.

    python bench/bench_gs1.py [--rounds 101] [--number 200]

Times `tavlo.gs1.check` (validation alone) and `tavlo.gs1.parse` (validated (AI, value) pairs out), the
Python call included, on a few five-AI strings; for scale, `tavlo.gs1.parse` of a GS1 Digital Link URI of
the same data and zint's GS1-128 encoding of it when zint-bindings is installed: zint has no check of its own
to call, its GS1 check runs inside encoding, so its time is the whole symbol's. Rounds interleave the
candidates; the median and the least of the rounds are printed, in microseconds per call.

On a shared machine the median carries the time other processes took the core for (the load average is
printed with it); rounds are kept short (`--number` calls) so that some run on a core of their own, and the
least of them is the figure of an idle core.
"""

from __future__ import annotations

import argparse
import contextlib
import os
import statistics
import timeit

from tavlo import gs1

FIVE_AIS = [
    "(01)09501101530003(17)251231(10)ABC123(21)XYZ(3103)000123",
    "(01)09501101530003(17)250101(10)ABC123(21)SER42(3103)001250",
    "(01)09521234543213(11)240229(15)251231(10)LOT-7(240)ADD-ID",
    "(00)095212345678901235(4307)JP(4321)1(4330)140814-(4326)250115",
]


@contextlib.contextmanager
def quiet_stderr():
    """zint prints a warning on standard error for each over-long GS1-128 (its own limit of 48 characters)."""
    saved = os.dup(2)
    with open(os.devnull, "w") as devnull:
        os.dup2(devnull.fileno(), 2)
        try:
            yield
        finally:
            os.dup2(saved, 2)
            os.close(saved)


def candidates() -> dict[str, tuple[callable, list[str], bool]]:
    """name: (call, texts, whether its standard error is silenced)."""
    links = [gs1.digital_link(text) for text in FIVE_AIS]
    found: dict[str, tuple[callable, list[str], bool]] = {
        "tavlo.gs1.check, element string": (gs1.check, FIVE_AIS, False),
        "tavlo.gs1.parse, element string": (gs1.parse, FIVE_AIS, False),
        "tavlo.gs1.parse, Digital Link URI": (gs1.parse, links, False),
    }
    try:
        import zint

        def zint_gs1_128(text: str) -> None:
            symbol = zint.Symbol()
            symbol.symbology = zint.Symbology.GS1_128
            symbol.input_mode = zint.InputMode.GS1 | zint.InputMode.GS1PARENS
            symbol.encode(text)

        found["zint GS1-128 encode (check included)"] = (zint_gs1_128, FIVE_AIS[:1], True)
    except ImportError:
        pass
    return found


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=101)
    parser.add_argument("--number", type=int, default=200)
    args = parser.parse_args()
    found = candidates()
    times: dict[str, list[float]] = {name: [] for name in found}
    for _ in range(args.rounds):
        for name, (call, texts, silenced) in found.items():
            with quiet_stderr() if silenced else contextlib.nullcontext():
                for text in texts:
                    call(text)  # each must succeed before it is timed
                per_text = [timeit.timeit(lambda t=text: call(t), number=args.number) / args.number for text in texts]
            times[name].append(statistics.mean(per_text) * 1e6)
    for name, values in times.items():
        print(f"{name:40s} median {statistics.median(values):7.3f} us  (least {min(values):.3f})")
    load = os.getloadavg()[0]
    print(f"note: load average {load:.1f} on {os.cpu_count()} cores while timing; the least is an idle core's figure")


if __name__ == "__main__":
    main()
