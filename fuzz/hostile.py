"""Hostile argument values: texts from every Unicode plane, numbers at and past every limit, wrong types."""

from __future__ import annotations

import math
import sys

from choices import Choices

DIGITS = "0123456789"
ASCII = "".join(map(chr, range(128)))
CODE39 = DIGITS + "ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"
GS1_DATA = DIGITS + "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz!\"%&'*+,-./:;<=>?_ "

# Characters that break naive code: NUL, lone surrogates (no UTF-8 form), noncharacters, the byte-order and
# direction marks, a combining accent, line ends, the last code point, and the Latin letters the Code 128
# encoder uses internally for its control codes.
SPECIAL = [
    "\0", "\ud800", "\udfff", "\udbff\udc00"[0], "\ufffe", "\uffff", "\ufeff", "\u202e", "\u0301", "\r\n",
    "\x7f", "\x80", "\x1d", "é", "€", "\U0001d11e", "\U0010ffff", "\u00c0", "\u0181", "\u0106", "\u0179",
    "\u017a", "\u017b", "\u017c", "\u017d", "\u00f7", "(", ")", "\\", '"', "<", "&",
]


class Text(str):
    """A str subclass: accepted wherever a str is."""


def code_point(choices: Choices) -> str:
    """One code point from any plane, surrogates included."""
    plane = choices.pick([0, 0, 0, 1, 2, 3, 14, 15, 16, choices.below(17)])
    return chr(plane * 0x10000 + choices.below(0x10000))


def text(choices: Choices, alphabet: str, longest: int = 3000) -> str:
    """A text that is mostly from `alphabet`, with hostile characters mixed in or instead."""
    if choices.chance(0.01):
        longest = 200_000
    way = choices.below(10)
    if way == 0:
        value = "".join(code_point(choices) for _ in range(choices.length(64)))
    elif way == 1:
        unit = "".join(choices.pick(alphabet) for _ in range(choices.between(1, 4)))
        value = unit * (choices.length(longest) // len(unit) + 1)
    else:
        value = "".join(choices.pick(alphabet) for _ in range(choices.length(longest)))
    for _ in range(choices.pick([0, 0, 0, 1, 2, 5])):
        at = choices.between(0, len(value))
        value = value[:at] + (choices.pick(SPECIAL) if choices.chance(0.6) else code_point(choices)) + value[at:]
    return Text(value) if choices.chance(0.05) else value


def not_text(choices: Choices):
    """A value of the wrong type where a str belongs."""
    return choices.pick([None, 5, 1.5, b"123", bytearray(b"1"), ["1"], object(), True, str])


def text_or_not(choices: Choices, alphabet: str, longest: int = 3000):
    return not_text(choices) if choices.chance(0.06) else text(choices, alphabet, longest)


class Lying:
    """A number-like object whose conversions misbehave."""

    def __init__(self, value):
        self.value = value

    def __float__(self):
        return self.value

    def __index__(self):
        return self.value

    def __repr__(self):
        return f"Lying({self.value!r})"


EXTREME_FLOATS = [0.0, -0.0, -1.0, 0.4, 0.5, 0.49999999999999994, 2.5, 5e-324, 1e-300, 1e300, math.inf,
                  -math.inf, math.nan, 2.0**53, 536870911.0, 536870912.0, 4294967295.0, 4294967296.0]
EXTREME_INTEGERS = [0, 1, -1, 2**31 - 1, 2**31, 2**32 - 1, 2**32, 2**63 - 1, 2**63, 2**64, -(2**63), 10**400,
                    sys.maxsize, True, False]
WRONG = [None, "1", b"1", 1j, [1], object(), Lying("x"), Lying(1.5), Lying(2**70)]


def extreme_number(choices: Choices):
    way = choices.below(10)
    if way < 4:
        return choices.pick(EXTREME_FLOATS)
    if way < 8:
        return choices.pick(EXTREME_INTEGERS)
    return choices.pick(WRONG)


def unit_text(choices: Choices):
    if choices.chance(0.85):
        return choices.pick(["in", "mm", "px"])
    return choices.pick(["IN", " in", "px ", "", "inch", "p\0", "\ud800x", "mm\0", None, 1, b"in"])
