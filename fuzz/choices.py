"""Where a case's decisions come from: a seeded generator for replayable runs, or a fuzzing engine's bytes."""

from __future__ import annotations

import random


class Choices:
    """Every decision a case generator makes goes through one of these methods, so that the same source of
    randomness always builds the same case."""

    def __init__(self, seed: str):
        self._random = random.Random(seed)

    def below(self, n: int) -> int:
        """An integer in [0, n)."""
        return self._random.randrange(n)

    def unit(self) -> float:
        """A float in [0, 1)."""
        return self._random.random()

    def pick(self, options):
        return options[self.below(len(options))]

    def chance(self, p: float) -> bool:
        return self.unit() < p

    def between(self, low: int, high: int) -> int:
        """An integer in [low, high]."""
        return low + self.below(high - low + 1)

    def length(self, longest: int) -> int:
        """A length in [0, longest], most often short, with the edges and long ones now and then."""
        roll = self.unit()
        if roll < 0.1:
            return self.pick([0, 1, 2, longest])
        if roll < 0.75:
            return self.between(0, min(longest, 24))
        if roll < 0.95:
            return self.between(0, min(longest, 400))
        return self.between(0, longest)


class EngineChoices(Choices):
    """Decisions read from a coverage-guided engine's input (an atheris FuzzedDataProvider), so that the
    engine's mutations move through the structure of the cases rather than through a hash of them."""

    def __init__(self, provider):
        self._provider = provider

    def below(self, n: int) -> int:
        return self._provider.ConsumeIntInRange(0, n - 1) if n > 1 else 0

    def unit(self) -> float:
        return self._provider.ConsumeIntInRange(0, 2**16 - 1) / 2**16
