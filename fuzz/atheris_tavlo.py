"""Coverage-guided target for atheris: the structured cases of fuzz_tavlo.py with every decision read from the
engine's input, so that coverage of the extension steers the mutations. Run it with scripts/fuzz_guided.sh."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))

import atheris  # noqa: E402

with atheris.instrument_imports():
    from choices import EngineChoices
    from fuzz_tavlo import Tally, run_case
    from tavlo_cases import GENERATORS

KINDS = list(GENERATORS)


def test_one_input(data: bytes) -> None:
    choices = EngineChoices(atheris.FuzzedDataProvider(data))
    run_case(GENERATORS[choices.pick(KINDS)](choices), Tally(), verbose=False)


if __name__ == "__main__":
    atheris.Setup(sys.argv, test_one_input)
    atheris.Fuzz()
