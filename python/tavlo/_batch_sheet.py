"""`tavlo batch` into one file: the rows' labels placed on sheets of labels (`--sheet a4-3x8 -o labels.pdf`),
and labels laid out by a template (`--template sscc.toml data.csv`), one file per row or all in one PDF.

Both read their rows as the plain batch does and report a bad row as "line N: <message>", leaving it out
(it takes no cell of the sheet and no page of the PDF). A file that holds every row is written once, at the
end, whole or not at all; a stop signal before then writes nothing.
"""

from __future__ import annotations

import argparse
import os
import sys
from collections.abc import Iterator
from typing import Any

import tavlo

from . import _label, _output
from ._batch_input import InputError, Namer, Row, read_records
from ._commands import EXIT_FAILED, EXIT_OK, RENDER_OPTIONS, add_options, picked, say
from ._output import shown
from ._stop import Interrupted, Stop
from .sheets import PRESETS, Sheet

# What a sheet or a template writes: PDF holds any number of pages; PNG and SVG one page (a sheet) or one
# label (a template's files). ZPL only where the installed tavlo gives Sheet and Template a zpl().
SHEET_FORMATS = ("pdf", "png", "svg", "zpl")
DEFAULT_DPI = 300


def zpl_refused(what: type) -> str | None:
    """Why `what` (tavlo.Sheet, tavlo.Template) cannot be written as ZPL here, or None when it can."""
    if callable(getattr(what, "zpl", None)):
        return None
    return (f"ZPL of a {what.__name__.lower()} needs tavlo.{what.__name__}.zpl(), which this tavlo does not have: "
            f"use -f pdf, png or svg")


def output_format(args: argparse.Namespace, parser: argparse.ArgumentParser) -> str:
    try:
        format = _output.format_for(args.output, args.format)
    except ValueError as error:
        parser.error(str(error))
    if format not in SHEET_FORMATS:
        parser.error(f"a {'sheet' if args.sheet else 'template'} is written as {', '.join(SHEET_FORMATS)}, "
                     f"not {format}")
    return format


def report(message: str) -> None:
    say(sys.stderr, message)


def write_whole(args: argparse.Namespace, data: bytes | str, stop: Stop) -> str | None:
    """Writes the one output file; the message of its failure, or None."""
    if stop.requested:
        return None
    try:
        _output.write_file(args.output, data.encode("utf-8") if isinstance(data, str) else data, wait=stop.wait,
                           durable=True)
    except (OSError, ValueError) as error:
        return f"cannot write {shown(args.output)}: {getattr(error, 'strerror', None) or error}"
    return None


def finish(args: argparse.Namespace, stop: Stop, text: str, failed: int) -> int:
    if stop.requested:
        stop.reported = True
        say(sys.stderr, f"interrupted: nothing written to {shown(args.output)}")
        return stop.exit_status
    if not say(sys.stdout, text):
        return EXIT_FAILED
    return EXIT_FAILED if failed else EXIT_OK


# ---- sheets --------------------------------------------------------------------------------------------

def run_sheet(args: argparse.Namespace, rows: Iterator[Any], stop: Stop) -> int:
    """The rows' labels on sheets of the preset `args.sheet`, in the one file `args.output`."""
    parser = args.parser
    format = output_format(args, parser)
    if format == "zpl" and (reason := zpl_refused(Sheet)):
        parser.error(reason)
    options = picked(args, RENDER_OPTIONS)
    dpi = options.pop("dpi", DEFAULT_DPI)
    sheet = Sheet.preset(args.sheet)
    failed = 0
    symbols = []
    try:
        for row in rows:
            if stop.requested:
                break
            message = row.error
            if message is None:
                try:
                    symbol = args.kind.make(row.data, picked(args, args.kind.options))
                    _label.draw(symbol, dpi=dpi, **{k: v for k, v in options.items() if k != "optimize"})
                    symbols.append(symbol)
                except tavlo.TavloError as error:
                    message = str(error)
                except (ValueError, TypeError, MemoryError) as error:
                    message = str(error) or type(error).__name__
            if message is not None:
                failed += 1
                report(f"line {row.line}: {message}")
    except Interrupted:
        pass
    except InputError as error:
        parser.error(str(error))
    if stop.requested:
        return finish(args, stop, "", failed)
    try:
        if format == "zpl":
            data = sheet.zpl(symbols, dpi, **options)
        else:
            data = tavlo.sheets.render_sheet(sheet, symbols, format, dpi, **options)
    except tavlo.TavloError as error:
        say(sys.stderr, f"{parser.prog}: error: {error}")
        return EXIT_FAILED
    except ValueError as error:  # more labels than one page of PNG or SVG holds
        parser.error(str(error))
    if (problem := write_whole(args, data, stop)) is not None:
        say(sys.stderr, f"{parser.prog}: error: {problem}")
        return EXIT_FAILED
    pages = -(-len(symbols) // sheet.per_page) or 1
    failures = f", {failed} failed" if failed else ""
    return finish(args, stop, f"{len(symbols)} labels on {pages} {'page' if pages == 1 else 'pages'} of "
                  f"{args.sheet} written to {args.output}{failures}", failed)


# ---- templates -----------------------------------------------------------------------------------------

def add_template_arguments(batch: argparse.ArgumentParser) -> None:
    """`tavlo batch --template FILE INPUT`: the batch command's arguments when a template is given."""
    batch.set_defaults(run=run_template, parser=batch, sheet=None)
    batch.add_argument("--template", required=True, metavar="TOML", help="the label's layout: symbols, text and "
                       "lines whose {column} fields are filled from each CSV row")
    batch.add_argument("input", metavar="INPUT", help="CSV file with a header naming the template's fields; - for "
                       "standard input")
    batch.add_argument("-d", "--directory", default=".", metavar="DIR", help="folder for one file per row, made "
                       "if missing (default: the current folder)")
    batch.add_argument("-o", "--output", metavar="FILE", help="one PDF of every row's label instead, a page each")
    batch.add_argument("-f", "--format", choices=SHEET_FORMATS, help="pdf (default), png, svg or zpl")
    batch.add_argument("--name-column", metavar="COLUMN", help="column of the file names (suffix added when "
                       "missing; default: the line number)")
    batch.add_argument("--force", action="store_true", help="overwrite regular files that exist")
    add_options(batch, [o for o in RENDER_OPTIONS if o.keyword in ("dpi", "foreground", "background", "optimize")],
                "size and colour")


def run_template(args: argparse.Namespace, stop: Stop) -> int:
    parser = args.parser
    try:
        template = tavlo.Template.load(args.template)
    except OSError as error:
        parser.error(f"cannot read {shown(args.template)}: {error.strerror or error}")
    except (ValueError, TypeError, ImportError) as error:  # tomllib's errors are ValueErrors
        parser.error(f"{shown(args.template)}: {error}")
    if args.output is not None:
        format = output_format(args, parser)
        if format != "pdf" and not (format == "zpl" and not zpl_refused(tavlo.Template)):
            parser.error(f"-o writes every label into one file, a PDF (or ZPL), not {format.upper()}: give -d DIR "
                         f"for a file per row")
    else:
        format = args.format or "pdf"
    if format == "zpl" and (reason := zpl_refused(tavlo.Template)):
        parser.error(reason)
    try:
        stream = sys.stdin.buffer if args.input == "-" else open(args.input, "rb")
    except (OSError, AttributeError) as error:
        parser.error(f"cannot read {shown(args.input)}: {getattr(error, 'strerror', None) or 'closed'}")
    options = picked(args, [o for o in RENDER_OPTIONS if hasattr(args, o.keyword)])
    dpi = options.pop("dpi", None)
    with stream:
        try:
            titles, records = read_records(stream, stop.wait)
        except InputError as error:
            parser.error(str(error))
        except Interrupted:
            return finish(args, stop, "", 0)
        missing = sorted(template.fields - set(titles))
        if missing:
            parser.error(f"the template reads the columns {', '.join(map(repr, missing))}, which the header "
                         f"({', '.join(map(repr, titles))}) does not have")
        if args.name_column is not None and args.name_column not in titles:
            parser.error(f"no column {args.name_column!r}: the header has {', '.join(map(repr, titles))}")
        if args.output is not None:
            return template_file(args, template, records, format, dpi, options, stop)
        return template_files(args, template, records, format, dpi, options, stop)


def label_of(template: Any, record: dict[str, str], format: str, dpi: int | None, options: dict) -> Any:
    if format == "zpl":
        return template.zpl(record, dpi=dpi, **options)
    return template.render(record, format, dpi, **options)


def template_file(args, template, records, format: str, dpi, options: dict, stop: Stop) -> int:
    """Every row's label as a page of one PDF (or one ZPL label format after another)."""
    options = {k: v for k, v in options.items() if k != "optimize"}
    parts, failed = [], 0
    try:
        for line, record, message in records:
            if stop.requested:
                break
            if message is None:
                try:
                    parts.append(label_of(template, record, "zpl", dpi, options) if format == "zpl"
                                 else template.drawing(record, dpi, **options))
                except (tavlo.TavloError, ValueError, TypeError) as error:
                    message = str(error)
            if message is not None:
                failed += 1
                report(f"line {line}: {message}")
    except Interrupted:
        pass
    if stop.requested:
        return finish(args, stop, "", failed)
    data = "".join(parts) if format == "zpl" else _label.pdf_pages(parts)
    if (problem := write_whole(args, data, stop)) is not None:
        say(sys.stderr, f"{args.parser.prog}: error: {problem}")
        return EXIT_FAILED
    failures = f", {failed} failed" if failed else ""
    return finish(args, stop, f"{len(parts)} labels written to {args.output}{failures}", failed)


def template_files(args, template, records, format: str, dpi, options: dict, stop: Stop) -> int:
    """One file per row in `args.directory`, named as the plain batch names them."""
    try:
        os.makedirs(args.directory, exist_ok=True)
    except OSError as error:
        args.parser.error(f"cannot make the folder {shown(args.directory)}: {error.strerror or error}")
    namer = Namer(format, None, args.directory)
    read = written = failed = 0
    try:
        for line, record, message in records:
            if stop.requested:
                break
            read += 1
            named = record is not None and args.name_column is not None
            row = Row(line, name=record[args.name_column].strip() if named else None, error=message)
            namer.name(row)
            if row.error is None:
                try:
                    data = label_of(template, record, format, dpi, options)
                    _output.write_file(os.path.join(args.directory, row.name),
                                       data.encode("utf-8") if isinstance(data, str) else data,
                                       overwrite=args.force, durable=False, follow_links=False, into_special=False)
                    written += 1
                    continue
                except (tavlo.TavloError, ValueError, TypeError) as error:
                    row.error = str(error)
                except FileExistsError:
                    row.error = f"{shown(row.name)} exists (use --force to overwrite)"
                except OSError as error:
                    row.error = f"cannot write {shown(row.name)}: {error.strerror or error}"
            failed += 1
            report(f"line {line}: {row.error}")
    except Interrupted:
        pass
    if written and not stop.requested:
        try:
            _output.sync_file_system(args.directory)
        except OSError as error:
            report(f"cannot flush {shown(args.directory)} to disk: {error.strerror or error}")
            failed += 1
    failures = f", {failed} failed" if failed else ""
    text = f"{written} of {read} files written to {args.directory}{failures}"
    if stop.requested:
        stop.reported = True
        say(sys.stderr, f"interrupted: {text}")
        return stop.exit_status
    return finish(args, stop, text, failed)


__all__ = ["PRESETS", "add_template_arguments", "run_sheet", "run_template"]
