"""The `tavlo` command line: one subcommand per symbol kind, and `batch` for many symbols at once.

    tavlo qr "https://example.com" -o qr.png --dpi 600 --x-dim 0.5mm
    tavlo batch qr urls.txt -d labels/ --jobs 4
    tavlo batch code128 parcels.txt --sheet a4-3x8 -o labels.pdf
    tavlo batch --template sscc.toml pallets.csv -o labels.pdf

Exit status: 0 done, 1 bad data or a failed write (batch: some rows failed), 2 a usage error, 128 + the
signal's number when stopped by one (130 for Ctrl-C, 143 for SIGTERM).

Output (-o) follows the rules of `_output.write_file`: a regular file is replaced whole, keeping its mode
(written in place when it has other hard links); a device, FIFO, /dev/stdout or process substitution is
written into, never replaced; a symbolic link is followed to the file it names, and one to nothing refused.
"""

from __future__ import annotations

import argparse
import importlib.util
import os
import sys
from collections.abc import Sequence

import tavlo

from . import _batch, _output
from ._commands import EXIT_FAILED, EXIT_OK, KINDS, RENDER_OPTIONS, Kind, add_options, grouped_listing, picked, say
from ._stop import Interrupted, Stop


# ---- one symbol ----------------------------------------------------------------------------------------

def add_symbol_command(subparsers, kind: Kind, full: bool) -> None:
    """The kind's subcommand; its arguments only when `full` (the command being run or asked about), since
    the others are only listed, and building every option of every kind would set the start-up time."""
    # No help= here: the kinds are listed by family in the description instead of argparse's one list.
    parser = subparsers.add_parser(kind.command, description=kind.help)
    parser.set_defaults(run=run_symbol, kind=kind, parser=parser)
    if not full:
        return
    parser.add_argument("data", help="the data to encode")
    parser.add_argument("-o", "--output", default="-", metavar="FILE",
                        help="file to write, its suffix naming the format; - for standard output (default). "
                        "A device, FIFO or /dev/stdout is written into; a symbolic link is followed")
    parser.add_argument("-f", "--format", choices=tuple(_output.FORMATS),
                        help="png, svg or pdf (default: from the file's suffix; png on standard output)")
    add_options(parser, kind.options, "symbol")
    add_options(parser, RENDER_OPTIONS, "size and colour")


def run_symbol(args: argparse.Namespace, stop: Stop) -> int:
    kind, parser = args.kind, args.parser
    to_stdout = args.output == "-"
    try:
        format = args.format or ("png" if to_stdout else _output.format_for(args.output))
    except ValueError as error:
        parser.error(str(error))
    if to_stdout and sys.stdout is None:
        return fail(parser, "standard output is closed: give -o FILE")
    if to_stdout and format != "svg" and sys.stdout.isatty():
        parser.error(f"not writing {format.upper()} to a terminal: give -o FILE, or redirect standard output")
    try:
        symbol = kind.make(args.data, picked(args, kind.options))
        data = _output.render(symbol, format, **picked(args, RENDER_OPTIONS))
    except tavlo.TavloError as error:  # bad data, a size that does not fit, a value refused
        return fail(parser, str(error))
    except (ValueError, TypeError) as error:  # a kind's own option refused
        parser.error(str(error))
    if stop.requested:
        return stop.exit_status
    where = "standard output" if to_stdout else _output.shown(args.output)
    try:
        if to_stdout:
            sys.stdout.flush()
            stop.wait(_output.write_into_descriptor, sys.stdout.fileno(), data)
        else:
            _output.write_file(args.output, data, wait=stop.wait)
    except BrokenPipeError:
        return EXIT_FAILED  # the reader left: nothing to say, as for any filter in a pipeline
    except (OSError, ValueError) as error:  # ValueError: standard output has no descriptor
        return fail(parser, f"cannot write {where}: {getattr(error, 'strerror', None) or error}")
    return EXIT_OK


def fail(parser: argparse.ArgumentParser, message: str) -> int:
    say(sys.stderr, f"{parser.prog}: error: {message}")
    return EXIT_FAILED


# ---- the program ---------------------------------------------------------------------------------------

def gs1_tools():
    """The `tavlo.gs1` module where it is installed (its command line is `tavlo gs1 ...`), else None."""
    try:
        if importlib.util.find_spec("tavlo.gs1") is None:
            return None
    except (ImportError, ValueError):
        return None
    from . import gs1  # type: ignore[attr-defined]

    return gs1 if callable(getattr(gs1, "main", None)) else None


def build_parser(argv: Sequence[str] = ()) -> argparse.ArgumentParser:
    """The parser for `argv`: every subcommand listed, the one `argv` names with all its arguments."""
    words = [word for word in argv if not word.startswith("-")]
    chosen = words[0] if words else None
    parser = argparse.ArgumentParser(
        prog="tavlo", formatter_class=argparse.RawDescriptionHelpFormatter,
        description="Print-exact barcodes and labels: PNG (1-bit, with dpi), SVG and PDF.\n\n"
        "tavlo KIND DATA [-o FILE] makes one symbol of a kind:\n\n" + grouped_listing(KINDS),
        epilog="Run 'tavlo KIND --help' for the options of one kind.")
    parser.add_argument("--version", action=_Version)
    subparsers = parser.add_subparsers(title="commands", metavar="COMMAND", required=True)
    for kind in KINDS:
        add_symbol_command(subparsers, kind, full=kind.command == chosen)
    template = chosen == "batch" and any(word == "--template" or word.startswith("--template=") for word in argv)
    _batch.add_batch_command(subparsers, words[1] if chosen == "batch" and len(words) > 1 else None, template)
    if gs1_tools() is not None:
        subparsers.add_parser("gs1", help="GS1 element strings: check, explain, convert (tavlo gs1 --help)",
                              add_help=False)
    return parser


class _Version(argparse.Action):
    """--version, which reads the installed package's metadata only when asked (it costs a file parse)."""

    def __init__(self, option_strings, dest=argparse.SUPPRESS, default=argparse.SUPPRESS, help=None):
        super().__init__(option_strings, dest, nargs=0, default=default,
                         help=help or "show the program's version number and exit")

    def __call__(self, parser, namespace, values, option_string=None):
        say(sys.stdout, f"{parser.prog} {_version()}")
        parser.exit()


def _version() -> str:
    from importlib.metadata import PackageNotFoundError, version

    try:
        return version("tavlo")
    except PackageNotFoundError:
        return "(not installed)"


def main(argv: Sequence[str] | None = None) -> int:
    """Runs one command line. A stop signal (Ctrl-C, SIGTERM) at any moment after the handlers are in place
    stops it at its next safe point, with exit status 128 + the signal."""
    stop = Stop()
    with stop.handling():
        argv = list(sys.argv[1:] if argv is None else argv)
        try:
            status = _run(argv, stop)
        except Interrupted:
            status = None
    # Judged once the handlers are gone, so that a signal up to the last moment they were there counts.
    if stop.requested:
        if not stop.reported:
            say(sys.stderr, "tavlo: interrupted")
        return stop.exit_status
    return status


def _run(argv: list[str], stop: Stop) -> int:
    if argv[:1] == ["gs1"] and (tools := gs1_tools()) is not None:
        return int(tools.main(argv[1:]) or 0)
    args = build_parser(argv).parse_args(argv)
    if stop.requested:
        return EXIT_FAILED
    return args.run(args, stop)


if __name__ == "__main__":
    sys.exit(main())
