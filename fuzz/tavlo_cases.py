"""Case generators for the _tavlo extension: one per symbol kind, each a function of its Choices.

A new kind (for example a class of the tavlo package) is one more generator in GENERATORS: it returns a Case
whose make step builds the symbol and whose uses render it."""

from __future__ import annotations

import sys

import _tavlo as t
from checks import check_geometry, check_png, check_svg, geometry_form, promised_size
from choices import Choices
from hostile import (ASCII, CODE39, DIGITS, GS1_DATA, SPECIAL, code_point, extreme_number, not_text, text,
                     text_or_not, unit_text)
from steps import Case, Step, UserError, UserInterrupt, shown

ALLOWED_ERRORS = (t.TavloError, TypeError, ValueError, OverflowError)
COLOURS = {(255, 255, 255, 255), (0, 0, 0, 255)}
# Renders are kept to this many pixels so that a case stays fast; larger requests are shrunk unless the
# writer refuses them anyway (wider than 2^29 - 1 pixels, or over 4 GiB of RGBA).
AREA_CAP = 1_500_000


def refused_anyway(size: tuple[int, int]) -> bool:
    width, height = size
    return width == 0 or height == 0 or width > 536870911 or 4 * width * height > 2**32 - 1


def quiet_zone(choices: Choices):
    return choices.between(0, 12) if choices.chance(0.8) else extreme_number(choices)


def png_use(choices: Choices):
    if choices.chance(0.75):
        unit = choices.pick(["px", "in", "mm"])
        if unit == "px":
            width, height, dpi = choices.between(1, choices.pick([64, 400, 1500])), choices.between(1, 300), None
        else:
            dpi = choices.pick([72, 96, 203, 300, 600, choices.between(1, 1200)])
            scale = 25.4 if unit == "mm" else 1.0
            width, height = (round(scale * choices.unit() * 2.5, 3) for _ in range(2))
    else:
        width = extreme_number(choices) if choices.chance(0.6) else choices.between(1, 800)
        height = extreme_number(choices) if choices.chance(0.6) else choices.between(1, 200)
        unit, dpi = unit_text(choices), choices.pick([None, 0, 1, 300, extreme_number(choices)])
    keywords = {}
    if unit != "in" or choices.chance(0.5):
        keywords["unit"] = unit
    if dpi is not None or choices.chance(0.2):
        keywords["dpi"] = dpi
    if choices.chance(0.6):
        keywords["quiet_zone_modules"] = quiet_zone(choices)

    size = promised_size(width, height, unit, dpi)
    if size is not None and size[0] * size[1] > AREA_CAP and not refused_anyway(size):
        width, height, keywords = min(size[0], 2000), min(size[1], 500), {"unit": "px", **keywords}
        keywords.pop("dpi", None)
        size = (width, height)

    arguments = ", ".join([shown(width), shown(height)] + [f"{k}={shown(v)}" for k, v in keywords.items()])
    return lambda symbol: Step(
        f".render_png({arguments})",
        lambda: symbol.render_png(width, height, **keywords),
        check=lambda png: check_png(png, size, COLOURS),
    )


def svg_use(choices: Choices):
    keywords = {"quiet_zone_modules": quiet_zone(choices)} if choices.chance(0.7) else {}
    return lambda symbol: Step(
        f".render_svg({', '.join(f'{k}={shown(v)}' for k, v in keywords.items())})",
        lambda: symbol.render_svg(**keywords),
        check=check_svg,
    )


def geometry_use(symbol):
    return Step(".geometry()", symbol.geometry, check=check_geometry, form=geometry_form)


def uses(choices: Choices) -> list:
    chosen = [png_use(choices) if choices.chance(0.6) else svg_use(choices) for _ in range(choices.between(1, 3))]
    return chosen + ([geometry_use] if choices.chance(0.3) else [])


def symbol_case(kind: str, text_of_call: str, make, choices: Choices, **step) -> Case:
    return Case(kind, Step(text_of_call, make, form=lambda symbol: geometry_form(symbol.geometry()), **step),
                uses(choices))


def gtin(choices: Choices, digits: int) -> str:
    """Digits with a correct GS1 check digit (weights 3, 1, ... from the right) most of the time."""
    body = "".join(choices.pick(DIGITS) for _ in range(digits - 1))
    check = (10 - sum(int(d) * (3 if i % 2 == 0 else 1) for i, d in enumerate(reversed(body))) % 10) % 10
    return body + str(check if choices.chance(0.8) else choices.below(10))


def linear_case(kind: str, cls, valid) -> callable:
    def generate(choices: Choices) -> Case:
        data = valid(choices) if choices.chance(0.5) else text_or_not(choices, choices.pick([DIGITS, CODE39, ASCII]))
        return symbol_case(kind, f"{cls.__name__}({shown(data)})", lambda: cls(data), choices)

    return generate


# Code 128 element lists: elements as recipes, built inside the call so a refused Data() is the call's error.
ELEMENTS = {"FNC1": t.FNC1, "FNC2": t.FNC2, "FNC3": t.FNC3, "FNC4": t.FNC4,
            "StartA": t.StartA, "StartB": t.StartB, "StartC": t.StartC}  # fmt: skip
NOT_ELEMENTS = ["A", 5, None, b"AB", t.FNC1, t.Data, object(), (t.FNC1(),)]


class ClaimedLength:
    """A sequence whose __len__ lies or fails, and whose items may fail part way."""

    def __init__(self, items, length, failing_at=None, failure=None):
        self.items, self.length, self.failing_at, self.failure = items, length, failing_at, failure

    def __len__(self):
        if isinstance(self.length, BaseException):
            raise self.length
        return self.length

    def __getitem__(self, index):
        if index == self.failing_at:
            raise self.failure
        return self.items[index]

    def __repr__(self):
        return f"ClaimedLength({self.items!r}, {self.length!r}, {self.failing_at!r}, {self.failure!r})"


def element_recipe(choices: Choices):
    roll = choices.below(20)
    if roll < 11:
        return ("Data", text_or_not(choices, choices.pick([DIGITS, ASCII, "0123456789AB\x01a"]), 400))
    if roll < 19:
        return (choices.pick(list(ELEMENTS)),)
    return ("raw", choices.pick(NOT_ELEMENTS))


def build_element(recipe):
    if recipe[0] == "Data":
        return t.Data(recipe[1])
    if recipe[0] == "raw":
        return recipe[1]
    return ELEMENTS[recipe[0]]()


def code128_case(choices: Choices) -> Case:
    recipes = [element_recipe(choices) for _ in range(choices.length(12))]
    try:
        items = [build_element(recipe) for recipe in recipes]
    except (TypeError, ValueError):  # a Data() refused its value: that call is the case
        return Case("code128", Step(f"elements {shown(recipes)}", lambda: [build_element(r) for r in recipes]))
    container = choices.pick(["list", "list", "list", "tuple", "claimed", "claimed", "generator", "str", "dict"])
    must_raise = None
    if container == "claimed":
        length = choices.pick([0, 1, len(items), len(items) + 1, -1, 2**31, 2**40, sys.maxsize, 2**70, "3",
                               2.5, None, UserError("len"), MemoryError(), UserInterrupt("len")])
        failing_at = choices.pick([None, None, 0, choices.below(len(items) + 1)])
        failure = choices.pick([IndexError(), TypeError("broken item"), UserError("item"), ValueError("item")])
        must_raise = UserInterrupt if isinstance(length, UserInterrupt) else None
        symbols = ClaimedLength(items, length, failing_at, failure)
    elif container == "str":
        symbols = "".join(map(str, items))
    else:
        symbols = {"list": list, "tuple": tuple, "generator": iter, "dict": dict.fromkeys}[container](items)
    # A generator is used up by its first run; the second must meet a fresh one.
    fresh = (lambda: iter(items)) if container == "generator" else (lambda: symbols)
    return symbol_case("code128", f"Code128({shown(symbols)})", lambda: t.Code128(fresh()), choices,
                       must_raise=must_raise)


def qr_case(choices: Choices) -> Case:
    alphabet = choices.pick([DIGITS, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:", ASCII, ASCII + "é€漢字"])
    data = text_or_not(choices, alphabet, choices.pick([100, 3000, 8000]))
    return symbol_case("qr", f"QrCode({shown(data)})", lambda: t.QrCode(data), choices)


def shape_keywords(choices: Choices) -> dict:
    if choices.chance(0.3):
        return {}
    if choices.chance(0.85):
        return {"shape": choices.pick(["any", "square", "rect", "rectangle", "rectangular"])}
    return {"shape": choices.pick(["Square", "", " any", "rect\0", "\ud800", None, 5, b"any"])}


def datamatrix_case(choices: Choices) -> Case:
    data = text_or_not(choices, choices.pick([DIGITS, ASCII, GS1_DATA, ASCII + "é€"]), choices.pick([200, 4000]))
    if choices.chance(0.25) and isinstance(data, str):
        data = data.encode("utf-8", "surrogatepass")
        data = bytearray(data) if choices.chance(0.3) else data
    keywords = shape_keywords(choices)
    text_of_call = f"DataMatrix({shown(data)}, **{keywords!r})"
    return symbol_case("datamatrix", text_of_call, lambda: t.DataMatrix(data, **keywords), choices)


GS1_FIXED = [("00", 18), ("01", 14), ("02", 14), ("03", 14), ("04", 16), ("11", 6), ("17", 6), ("20", 2),
             ("3103", 6), ("3650", 6)]
GS1_VARIABLE = ["10", "21", "22", "240", "30", "37", "3922", "400", "41", "410", "8200", "99"]


def gs1_element(choices: Choices) -> str:
    if choices.chance(0.5):
        ai, length = choices.pick(GS1_FIXED)
        length = length if choices.chance(0.8) else max(0, length + choices.pick([-1, 1, -length, 5]))
    else:
        ai, length = choices.pick(GS1_VARIABLE), choices.pick([1, 5, 20, choices.between(0, 90), 600])
    data = "".join(choices.pick(GS1_DATA if length != 6 else DIGITS) for _ in range(length))
    return f"({ai}){data}"


def gs1_text(choices: Choices) -> str:
    value = "".join(gs1_element(choices) for _ in range(choices.pick([1, 1, 2, 3, 5, 30])))
    for _ in range(choices.pick([0, 0, 1, 2, 4])):
        at = choices.between(0, len(value))
        broken = choices.pick(["(", ")", "((", "()", "(1)", "(12345)", "(ab)", "", " ", code_point(choices),
                               choices.pick(SPECIAL)])
        cut = choices.pick([0, 0, 1])
        value = value[:at] + broken + value[at + cut :]
    return value


def gs1_case(choices: Choices) -> Case:
    value = gs1_text(choices) if choices.chance(0.92) else not_text(choices)
    keywords = shape_keywords(choices)
    text_of_call = f"DataMatrix.gs1({shown(value)}, **{keywords!r})"
    return symbol_case("gs1", text_of_call, lambda: t.DataMatrix.gs1(value, **keywords), choices)


GENERATORS = {
    "ean8": linear_case("ean8", t.Ean8, lambda c: gtin(c, c.pick([7, 8]))),
    "upca": linear_case("upca", t.UpcA, lambda c: gtin(c, c.pick([11, 12]))),
    "code39": linear_case("code39", t.Code39, lambda c: text(c, CODE39, 200)),
    "itf": linear_case("itf", t.Itf, lambda c: "".join(c.pick(DIGITS) for _ in range(2 * c.length(100)))),
    "code128": code128_case,
    "qr": qr_case,
    "datamatrix": datamatrix_case,
    "gs1": gs1_case,
}
