"""What the command line's subcommands are made of: the symbol kinds, the rendering options and the types
that read their values. `cli` (one symbol) and `_batch` (many) both build their parsers from here, so neither
imports the other.
"""

from __future__ import annotations

import argparse
import inspect
from collections.abc import Callable, Sequence
from dataclasses import dataclass, field
from typing import Any

import tavlo

from . import _label, _options

EXIT_OK, EXIT_FAILED = 0, 1  # usage errors exit with 2 from argparse; a stop signal with 128 + its number


# ---- argument types: the package's own validator judges each value, so both accept the same ------------

def _judged_by_package(keyword: str, value: Any) -> Any:
    """`value` if the package takes it as `keyword` (whatever the kind); its own message as a usage error if
    not. Whether a size fits the symbol at hand is the rendering's to say, with the symbol's own message."""
    try:
        _options.check(**{keyword: value})
    except (ValueError, TypeError) as error:
        raise argparse.ArgumentTypeError(str(error).removeprefix(f"argument '{keyword}': ")) from None
    return value


def _bare_number(text: str) -> float | None:
    try:
        return float(text)
    except ValueError:
        return None


def length_of(keyword: str) -> Callable[[str], Any]:
    """A length with its unit ("0.33mm", "13mil", "0.013in", "4dots"); a bare number is millimetres."""

    def convert(text: str) -> Any:
        number = _bare_number(text)
        return _judged_by_package(keyword, text if number is None else number)

    return convert


def reduction(text: str) -> Any:
    """A bar width reduction: a bare number would be millimetres, never what was meant, so a unit is needed."""
    number = _bare_number(text)
    if number is not None and number != 0:
        raise argparse.ArgumentTypeError(f"{text!r} needs a unit, e.g. '{text}dot' or '{text}mm'")
    return _judged_by_package("bar_width_reduction", text if number is None else 0)


def colour_of(keyword: str) -> Callable[[str], Any]:
    return lambda text: _judged_by_package(keyword, text)


MAX_WHOLE = 2**32 - 1  # the largest count the core takes


def _whole_number(minimum: int) -> Callable[[str], int]:
    def convert(text: str) -> int:
        try:
            value = int(text)
        except ValueError:
            value = minimum - 1
        if not minimum <= value <= MAX_WHOLE:
            raise argparse.ArgumentTypeError(
                f"invalid value {text!r}: a whole number, at least {minimum} and at most {MAX_WHOLE}")
        return value

    return convert


positive_int, non_negative_int = _whole_number(1), _whole_number(0)


# ---- the tables: adding a symbol kind or a rendering option is one entry --------------------------------

@dataclass(frozen=True)
class Option:
    """A command-line option passed on as keyword `keyword`, only when given."""

    keyword: str
    flags: tuple[str, ...]
    help: str
    type: Callable[[str], Any] | None = None
    metavar: str | None = None
    choices: Sequence[str] | None = None
    action: str | None = None  # e.g. "store_false" for a --no-... switch
    exclusive: str | None = None  # options sharing this name exclude each other
    dest: str | None = None  # where argparse keeps it, when not under `keyword`

    def add_to(self, group) -> None:
        settings: dict[str, Any] = dict(dest=self.dest or self.keyword, default=argparse.SUPPRESS, help=self.help)
        if self.action:
            settings["action"] = self.action
        else:
            settings.update(type=self.type, metavar=self.metavar, choices=self.choices)
        group.add_argument(*self.flags, **settings)


RENDER_OPTIONS = (
    Option("dpi", ("--dpi",), "printer resolution in dots per inch (default 300)", positive_int, "N"),
    Option("x_dim", ("-x", "--x-dim"), "module width, rounded to whole dots: 0.33mm, 13mil, 0.013in, 4dots "
           "(a bare number is mm)", length_of("x_dim"), "LENGTH", exclusive="size"),
    Option("width", ("-w", "--width"), "fit this total width with the widest whole-dot module",
           length_of("width"), "LENGTH", exclusive="size"),
    Option("height", ("--height",), "total height (default: 15%% of the width, at least 0.25in, for bars; "
           "square modules for matrix symbols)", length_of("height"), "LENGTH"),
    Option("quiet_zone", ("-q", "--quiet-zone"), "quiet zone in modules (default: the symbology's minimum)",
           non_negative_int, "MODULES"),
    Option("bar_width_reduction", ("--bar-width-reduction",), "narrow every bar for ink spread, in whole dots "
           "(e.g. 1dot), never below one dot", reduction, "LENGTH"),
    Option("foreground", ("--fg", "--foreground"), "bar colour: #rrggbb, #rrggbbaa, #rgb, black (default)",
           colour_of("foreground"), "COLOUR"),
    Option("background", ("--bg", "--background"), "background colour: #rrggbb, #rrggbbaa, #rgb, white "
           "(default), transparent", colour_of("background"), "COLOUR"),
    Option("text", ("--no-text",), "leave out the human-readable line under the bars", action="store_false",
           exclusive="text"),
    Option("text", ("--text",), "print the human-readable line (gs1-datamatrix: the element strings below, "
           "off by default)", action="store_true", exclusive="text"),
    Option("max_pixels", ("--max-pixels",), "refuse a label of more pixels than this, before making it "
           "(default 50000000)", positive_int, "N"),
    Option("optimize", ("--optimize",), "PNG: search for the smallest file the same pixels allow (10 to 1000 "
           "times slower)", action="store_true"),
)

SHAPE = Option("shape", ("--shape",), "symbol shapes to choose from (default any)",
               choices=("any", "square", "rectangular"))
CHECK_DIGITS = Option("compute_check_digits", ("--compute-check-digits",),
                      "append the check digit to keys (SSCC, GTIN, GLN) written one digit short", action="store_true")
BEARER = Option("bearer", ("--bearer",), "bearer bars: a frame on four sides (default) or bars above and below",
                choices=("frame", "bars"))


@dataclass(frozen=True)
class Kind:
    """A subcommand making symbols of the package class `class_name` from one argument of data."""

    command: str
    class_name: str
    help: str
    options: tuple[Option, ...] = field(default=())
    family: str = ""

    @property
    def summary(self) -> str:
        return self.help.replace("%", "%%")  # argparse formats a help line with %

    def make(self, data: str, options: dict[str, Any]):
        return getattr(tavlo, self.class_name)(data, **options)


# The flags of the kinds' own keywords, by keyword; a keyword missing here becomes a plain --name VALUE.
KIND_OPTIONS = {option.keyword: option for option in (SHAPE, CHECK_DIGITS, BEARER)}

# What the data of a kind looks like, for its help line; a kind missing here shows its title alone.
DATA_HINTS = {
    "ean8": "7 digits (check digit added) or 8",
    "upca": "11 digits (check digit added) or 12",
    "code39": "A-Z, 0-9, space and - . $ / + %",
    "itf": "an even number of digits",
    "code128": "ASCII text",
    "gs1-128": "(01)09501101530003(17)250101(10)ABC123",
    "itf14": "13 digits (check digit added) or 14",
    "qr": "any text",
    "datamatrix": "any text",
    "gs1-datamatrix": "(01)09501101530003(17)250101...",
}

FAMILY_TITLES = {"retail": "retail", "industrial": "industrial", "gs1": "GS1", "stacked": "stacked",
                 "matrix": "matrix"}


def class_keywords(cls: type) -> tuple[inspect.Parameter, ...]:
    """The keywords a symbol class takes after its data, in signature order."""
    parameters = list(inspect.signature(cls.__new__).parameters.values())[2:]  # cls, data
    return tuple(p for p in parameters if p.kind in (p.POSITIONAL_OR_KEYWORD, p.KEYWORD_ONLY))


RENDER_KEYWORDS = {option.keyword for option in RENDER_OPTIONS}


def _whole_numbers(text: str) -> tuple[int, ...]:
    try:
        return tuple(int(part) for part in text.split(","))
    except ValueError:
        raise argparse.ArgumentTypeError(f"expected whole numbers separated by commas, not {text!r}") from None


def _yes_or_no(text: str) -> bool:
    if text.lower() in ("true", "yes", "1"):
        return True
    if text.lower() in ("false", "no", "0"):
        return False
    raise argparse.ArgumentTypeError(f"expected true or false, not {text!r}")


def _value_type(parameter: inspect.Parameter) -> Callable[[str], Any]:
    """As the class takes it where its annotation names one type and no text: a flag, a whole number."""
    annotation = str(parameter.annotation)
    if annotation.startswith("tuple[int"):
        return _whole_numbers
    if "str" in annotation:
        return str
    return _yes_or_no if "bool" in annotation else int if "int" in annotation else str


def kind_option(parameter: inspect.Parameter) -> Option:
    """The flag of a class keyword. One that a render option also names (rMQR's height in modules beside the
    label's height) takes the prefix --symbol-, so that both can be given."""
    keyword = parameter.name
    if keyword in KIND_OPTIONS:
        return KIND_OPTIONS[keyword]
    words = keyword.replace("_", " ")
    if keyword in RENDER_KEYWORDS:
        return Option(keyword, ("--symbol-" + keyword.replace("_", "-"),), f"the symbol's {words} (see the "
                      "class's help)", _value_type(parameter), "VALUE", dest="symbol_" + keyword)
    return Option(keyword, ("--" + keyword.replace("_", "-"),), f"the {words} (see the class's help)",
                  _value_type(parameter), "VALUE")


def kinds_from_table(rows: Sequence[dict[str, Any]]) -> tuple[Kind, ...]:
    """One subcommand per symbol class, named and ordered by the table of kinds (a class with several rows,
    such as ITF-14 with its bearer styles, takes the first row's name and chooses by its own keywords)."""
    kinds, seen = [], set()
    for row in rows:
        cls = getattr(tavlo, row["class_name"], None)
        if cls is None or row["class_name"] in seen:
            continue
        seen.add(row["class_name"])
        hint = DATA_HINTS.get(row["name"])
        kinds.append(Kind(row["name"], row["class_name"], f"{row['title']}: {hint}" if hint else row["title"],
                          tuple(kind_option(parameter) for parameter in class_keywords(cls)), row["family"]))
    return tuple(kinds)


KINDS = kinds_from_table(_label.kinds())


def grouped_listing(kinds: Sequence[Kind]) -> str:
    """The kinds by family, for `tavlo --help`."""
    width = max(len(kind.command) for kind in kinds) + 2
    lines = []
    for family in dict.fromkeys(kind.family for kind in kinds):
        lines.append(f"{FAMILY_TITLES.get(family, family)} symbols:")
        lines += [f"  {kind.command:<{width}}{kind.help}" for kind in kinds if kind.family == family]
        lines.append("")
    return "\n".join(lines)


def add_options(parser: argparse.ArgumentParser, options: Sequence[Option], title: str) -> None:
    group = parser.add_argument_group(title)
    exclusive: dict[str, Any] = {}
    for option in options:
        if option.exclusive and option.exclusive not in exclusive:
            exclusive[option.exclusive] = group.add_mutually_exclusive_group()
        option.add_to(exclusive[option.exclusive] if option.exclusive else group)


def picked(args: argparse.Namespace, options: Sequence[Option]) -> dict[str, Any]:
    """The keyword arguments the user gave among `options`."""
    return {option.keyword: getattr(args, option.dest or option.keyword) for option in options
            if hasattr(args, option.dest or option.keyword)}


def say(stream, text: str) -> bool:
    """Prints a line; False where the stream is closed or full (there is no one left to tell)."""
    if stream is None:
        return False
    try:
        print(text, file=stream, flush=True)
    except (OSError, ValueError):
        return False
    return True
