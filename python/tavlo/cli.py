"""The `tavlo` command line: one subcommand per symbol kind, and `batch` for many symbols at once.

    tavlo qr "https://example.com" -o qr.png --dpi 600 --x-dim 0.5mm
    tavlo batch qr urls.txt -d labels/ --jobs 4

Exit status: 0 done, 1 bad data or a failed write (batch: some rows failed), 2 a usage error, 130 interrupted.
"""

from __future__ import annotations

import argparse
import os
import sys
from collections.abc import Callable, Sequence
from dataclasses import dataclass, field
from typing import Any

import tavlo

from . import _output

EXIT_OK, EXIT_FAILED, EXIT_INTERRUPTED = 0, 1, 130  # usage errors exit with 2 from argparse


# ---- argument types: the package itself judges each value, so both accept the same ---------------------

def _judged_by_package(keyword: str, value: Any) -> Any:
    """`value` if the package takes it as `keyword`; its own message as a usage error if not."""
    try:
        tavlo.Ean8("1234567").layout(**{keyword: value})
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

    def add_to(self, group) -> None:
        settings: dict[str, Any] = dict(dest=self.keyword, default=argparse.SUPPRESS, help=self.help)
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

    @property
    def summary(self) -> str:
        return self.help.replace("%", "%%")  # argparse formats a help line with %

    def make(self, data: str, options: dict[str, Any]):
        return getattr(tavlo, self.class_name)(data, **options)


KINDS = (
    Kind("ean8", "Ean8", "EAN-8: 7 digits (check digit added) or 8"),
    Kind("upca", "UpcA", "UPC-A: 11 digits (check digit added) or 12"),
    Kind("code39", "Code39", "Code 39: A-Z, 0-9, space and - . $ / + %"),
    Kind("itf", "Itf", "ITF (interleaved 2 of 5): an even number of digits"),
    Kind("code128", "Code128", "Code 128: ASCII text"),
    Kind("gs1-128", "Gs1_128", "GS1-128: (01)09501101530003(17)250101(10)ABC123", (CHECK_DIGITS,)),
    Kind("itf14", "Itf14", "ITF-14: 13 digits (check digit added) or 14", (BEARER,)),
    Kind("qr", "QrCode", "QR Code: any text"),
    Kind("datamatrix", "DataMatrix", "Data Matrix: any text", (SHAPE,)),
    Kind("gs1-datamatrix", "Gs1DataMatrix", "GS1 Data Matrix: (01)09501101530003(17)250101...", (SHAPE,)),
)


def add_options(parser: argparse.ArgumentParser, options: Sequence[Option], title: str) -> None:
    group = parser.add_argument_group(title)
    exclusive: dict[str, Any] = {}
    for option in options:
        if option.exclusive and option.exclusive not in exclusive:
            exclusive[option.exclusive] = group.add_mutually_exclusive_group()
        option.add_to(exclusive[option.exclusive] if option.exclusive else group)


def picked(args: argparse.Namespace, options: Sequence[Option]) -> dict[str, Any]:
    """The keyword arguments the user gave among `options`."""
    return {option.keyword: getattr(args, option.keyword) for option in options if hasattr(args, option.keyword)}


# ---- one symbol ----------------------------------------------------------------------------------------

def add_symbol_command(subparsers, kind: Kind) -> None:
    parser = subparsers.add_parser(kind.command, help=kind.summary, description=kind.help)
    parser.add_argument("data", help="the data to encode")
    parser.add_argument("-o", "--output", default="-", metavar="FILE",
                        help="file to write, its suffix naming the format; - for standard output (default)")
    parser.add_argument("-f", "--format", choices=tuple(_output.FORMATS),
                        help="png, svg or pdf (default: from the file's suffix; png on standard output)")
    add_options(parser, kind.options, "symbol")
    add_options(parser, RENDER_OPTIONS, "size and colour")
    parser.set_defaults(run=run_symbol, kind=kind, parser=parser)


def run_symbol(args: argparse.Namespace) -> int:
    kind, parser = args.kind, args.parser
    to_stdout = args.output == "-"
    try:
        format = args.format or ("png" if to_stdout else _output.format_for(args.output))
    except ValueError as error:
        parser.error(str(error))
    if to_stdout and format != "svg" and sys.stdout.isatty():
        parser.error(f"not writing {format.upper()} to a terminal: give -o FILE, or redirect standard output")
    try:
        symbol = kind.make(args.data, picked(args, kind.options))
        data = _output.render(symbol, format, **picked(args, RENDER_OPTIONS))
    except tavlo.TavloError as error:
        return fail(parser, str(error))
    except (ValueError, TypeError) as error:  # the package refused an option's value
        parser.error(str(error))
    try:
        if to_stdout:
            sys.stdout.buffer.write(data)
            sys.stdout.buffer.flush()
        else:
            _output.write_file(args.output, data)
    except BrokenPipeError:
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())  # no second error at exit
        return EXIT_FAILED
    except OSError as error:
        return fail(parser, f"cannot write {args.output}: {error.strerror or error}")
    return EXIT_OK


def fail(parser: argparse.ArgumentParser, message: str) -> int:
    print(f"{parser.prog}: error: {message}", file=sys.stderr)
    return EXIT_FAILED


# ---- the program ---------------------------------------------------------------------------------------

def build_parser() -> argparse.ArgumentParser:
    from . import _batch

    parser = argparse.ArgumentParser(
        prog="tavlo", description="Print-exact barcodes and labels: PNG (1-bit, with dpi), SVG and PDF.",
        epilog="Run 'tavlo KIND --help' for the options of one kind.")
    parser.add_argument("--version", action="version", version=f"%(prog)s {_version()}")
    subparsers = parser.add_subparsers(title="commands", metavar="COMMAND", required=True)
    for kind in KINDS:
        add_symbol_command(subparsers, kind)
    _batch.add_batch_command(subparsers)
    return parser


def _version() -> str:
    from importlib.metadata import PackageNotFoundError, version

    try:
        return version("tavlo")
    except PackageNotFoundError:
        return "(not installed)"


def main(argv: Sequence[str] | None = None) -> int:
    args = build_parser().parse_args(argv)
    try:
        return args.run(args)
    except KeyboardInterrupt:
        print(f"{args.parser.prog}: interrupted", file=sys.stderr)
        return EXIT_INTERRUPTED


if __name__ == "__main__":
    sys.exit(main())
