"""Seeded structured fuzzer of tavlo: every call must return a checked value or raise TavloError, TypeError,
ValueError or OverflowError, and give the same result when made twice.

    python fuzz/fuzz_tavlo.py --seconds 60                 a run of about a minute from a fresh seed
    python fuzz/fuzz_tavlo.py --seed 7 --case 1234         replays one case alone, showing every call
    bash scripts/fuzz.sh --seconds 3600                    the same under the sanitizer build

Case n of seed s depends on nothing but (s, n, the kinds chosen), so any case replays alone."""

from __future__ import annotations

import argparse
import collections
import os
import sys
import time
import traceback
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))

from checks import CheckFailed  # noqa: E402
from choices import Choices  # noqa: E402
from steps import Case, Step, UserInterrupt, shown  # noqa: E402
from tavlo_cases import ALLOWED_ERRORS as ALLOWED  # noqa: E402
from tavlo_cases import GENERATORS  # noqa: E402

try:  # the package's label classes, where the package is installed beside _tavlo
    from package_cases import GENERATORS as PACKAGE_GENERATORS  # noqa: E402
except ImportError:
    PACKAGE_GENERATORS = {}
try:  # the command line and the package's files and objects
    from cli_cases import GENERATORS as CLI_GENERATORS  # noqa: E402
except ImportError:
    CLI_GENERATORS = {}
GENERATORS = {**GENERATORS, **PACKAGE_GENERATORS, **CLI_GENERATORS}


class Tally:
    def __init__(self):
        self.kinds = collections.Counter()
        self.outcomes = collections.Counter()


def outcome(step: Step, tally: Tally):
    """(what two runs must agree on, the returned value or None)."""
    try:
        value = step.call()
    except (Exception, UserInterrupt) as error:
        if step.must_raise is not None and not isinstance(error, step.must_raise):
            raise CheckFailed(f"raised {type(error).__name__}: {error}, expected {step.must_raise.__name__}")
        if step.must_raise is None and not isinstance(error, ALLOWED + step.passes):
            raise CheckFailed(f"raised {type(error).__name__}: {shown(str(error), 400)}") from error
        tally.outcomes[type(error).__name__] += 1
        return ("raised", type(error), str(error)), None
    if step.must_raise is not None:
        raise CheckFailed(f"returned although {step.must_raise.__name__} was raised by the caller's object")
    tally.outcomes["returned"] += 1
    return ("returned", step.form(value)), value


def run_step(step: Step, tally: Tally, verbose: bool):
    """Runs the step twice; returns the value, or None when it raised."""
    first, value = outcome(step, tally)
    second, _ = outcome(step, tally)
    if first != second:
        raise CheckFailed(f"two runs differ: {shown(first, 300)} then {shown(second, 300)}")
    if verbose:
        print(f"  {step.text}\n    -> {shown(first, 300)}")
    if value is not None:
        step.check(value)
    return value


def run_case(case: Case, tally: Tally, verbose: bool) -> None:
    tally.kinds[case.kind] += 1
    symbol = run_step(case.make, tally, verbose)
    if symbol is None:
        return
    for use in case.uses:
        step = use(symbol)
        step.text = case.make.text + step.text
        run_step(step, tally, verbose)


def make_case(seed: int, number: int, kinds: list[str]) -> Case:
    choices = Choices(f"{seed}/{number}")
    return GENERATORS[choices.pick(kinds)](choices)


def replay_command(seed: int, number: int, kinds_argument: str | None) -> str:
    kinds = f" --kinds {kinds_argument}" if kinds_argument else ""
    return f"python fuzz/fuzz_tavlo.py --seed {seed} --case {number}{kinds}"  # scripts/fuzz.sh reads this form


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seed", type=int, help="default: a fresh one, printed")
    parser.add_argument("--seconds", type=float, default=60.0, help="time budget (default 60)")
    parser.add_argument("--cases", type=int, help="stop after this many cases")
    parser.add_argument("--case", type=int, help="run this one case alone and show its calls")
    parser.add_argument("--kinds", help=f"comma-separated subset of: {','.join(GENERATORS)}")
    parser.add_argument("--progress", help="file that always names the running case (read it after a crash)")
    args = parser.parse_args()

    seed = args.seed if args.seed is not None else int.from_bytes(os.urandom(4), "little")
    kinds = args.kinds.split(",") if args.kinds else list(GENERATORS)
    unknown = [kind for kind in kinds if kind not in GENERATORS]
    if unknown:
        parser.error(f"unknown kinds {unknown}; known: {', '.join(GENERATORS)}")
    numbers = [args.case] if args.case is not None else range(args.cases if args.cases is not None else 2**62)
    progress = os.open(args.progress, os.O_WRONLY | os.O_CREAT | os.O_TRUNC) if args.progress else None

    tally, started, done = Tally(), time.monotonic(), 0
    print(f"fuzz: seed {seed}, kinds {','.join(kinds)}, budget {args.seconds:g} s", flush=True)
    for number in numbers:
        if args.case is None and time.monotonic() - started > args.seconds:
            break
        if progress is not None:
            os.pwrite(progress, f"{replay_command(seed, number, args.kinds)}\n".ljust(120).encode(), 0)
        case = make_case(seed, number, kinds)
        if args.case is not None:
            print(f"case {number} ({case.kind}):")
        try:
            run_case(case, tally, verbose=args.case is not None)
        except CheckFailed as failure:
            print(f"FAILED case {number} ({case.kind}): {failure}")
            traceback.print_exc(limit=-3)
            print(f"replay: {replay_command(seed, number, args.kinds)}")
            print(f"{done} passed, 1 failed")
            return 1
        done += 1

    elapsed = time.monotonic() - started
    calls = sum(tally.outcomes.values())
    print(f"fuzz: {done} cases in {elapsed:.1f} s ({', '.join(f'{k} {n}' for k, n in sorted(tally.kinds.items()))})")
    print(f"fuzz: {calls} calls, each run twice: " + ", ".join(f"{k} {n}" for k, n in tally.outcomes.most_common()))
    print(f"{done} passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
