"""PDF417 and Aztec of 1,000 bytes, built as a user builds them: `tavlo.Pdf417(data)` and `tavlo.Aztec(data)`
(the constructor plans, compacts, computes the check codewords and places every module) against zint's
encode of the same bytes through PyPI's zint-bindings (a fresh Symbol per call, data mode, no rendering).

Payloads, seeded: text (letters, digits, punctuation), bytes (any value), digits, and a mix of runs of each.
Rounds are interleaved (each round times a batch of tavlo, then a batch of zint) and times are the calling
thread's CPU time; printed are the medians over the rounds, their ratio, and whether a second core was free.

    python bench/bench_2d_encode.py [--rounds N] [--batch N]

For instruction counts below the package (steady on a busy machine), see bench/encode_2d_probe.cpp.
"""

from __future__ import annotations

import argparse
import random
import zint

import tavlo
from bench_kinds import interleaved_medians, second_core_free

LENGTH = 1000


def payloads() -> dict[str, bytes]:
    rng = random.Random(22)
    text = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz 0123456789.,:;-/"
    pieces = ["Lot 2027-01-31 ", "ABC123 ", "serial: ", "x*>\r\n", "0123456789012", "Grüße ", "\x01\x02",
              "https://example.com/", ". ", "a, b: c"]
    mixed = "".join(rng.choice(pieces) for _ in range(LENGTH)).encode()[:LENGTH]
    return {
        "text": "".join(rng.choice(text) for _ in range(LENGTH)).encode(),
        "bytes": bytes(rng.randrange(256) for _ in range(LENGTH)),
        "digits": "".join(rng.choice("0123456789") for _ in range(LENGTH)).encode(),
        "mixed": mixed,
    }


def zint_encode(symbology, data: bytes) -> None:
    symbol = zint.Symbol()
    symbol.symbology = symbology
    symbol.input_mode = zint.InputMode.DATA
    symbol.encode(data)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=21)
    parser.add_argument("--batch", type=int, default=50)
    options = parser.parse_args()
    print(second_core_free())
    print(f"{'symbol, 1,000 bytes':<22} {'tavlo µs':>9} {'zint µs':>9} {'zint / tavlo':>13}")
    families = [("PDF417", tavlo.Pdf417, zint.Symbology.PDF417), ("Aztec", tavlo.Aztec, zint.Symbology.AZTEC)]
    for family, make, symbology in families:
        for name, data in payloads().items():
            ours = lambda: make(data)  # noqa: E731
            theirs = lambda: zint_encode(symbology, data)  # noqa: E731
            a, b = interleaved_medians(ours, theirs, options.rounds, options.batch)
            print(f"{family + ', ' + name:<22} {a:>9.1f} {b:>9.1f} {b / a:>12.1f}x")


if __name__ == "__main__":
    main()
