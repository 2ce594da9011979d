"""Case generators for the command line (one symbol and `batch`, run in this process) and for the package's
files and objects (save to odd targets, to_pil, pickling). Every run is held to the command line's rules:
an exit status of 0, 1 or 2 (never an exception out of main()), no traceback, no file but whole ones, no
temporary left, no node that was not a regular file replaced, and a batch's count equal to its files."""

from __future__ import annotations

import contextlib
import io
import os
import pickle
import shutil
import stat
import tempfile

import tavlo
from checks import CheckFailed, expect
from choices import Choices
from hostile import ASCII, CODE39, DIGITS, SPECIAL, text
from steps import Case, Step, shown
from tavlo import cli

KINDS = [kind.command for kind in cli.KINDS]
VALUES = {
    "--dpi": ["300", "203", "0", "1", "4294967296", "-3", "1e3", "x"],
    "-x": ["0.33mm", "1dots", "99999999999dots", "1e308", "13mil", "0", "-1mm", "nan", "3furlongs", ""],
    "-w": ["5mm", "3mm", "1in", "0mm", "1e9mm", "2"],
    "--height": ["3mm", "0.5in", "1dots", "0", "inf"],
    "-q": ["0", "4", "99999999999", "-1", "x"],
    "--bar-width-reduction": ["1dot", "0", "1", "0.1mm"],
    "--fg": ["#000", "black", "transparent", "#00000000", "blue-ish"],
    "--bg": ["white", "transparent", "#ff000080", "#12345"],
    "--max-pixels": ["100", "50000000", "0"],
    "-f": ["png", "svg", "pdf", "gif"],
}
SWITCHES = ["--no-text", "--text", "--optimize"]
ENDINGS = {"png": b"IEND\xaeB`\x82", "svg": b"</svg>", "pdf": b"%%EOF"}  # each file's last bytes


def hostile_data(choices: Choices) -> str:
    alphabet = choices.pick([DIGITS, CODE39, ASCII, "".join(SPECIAL)])
    value = text(choices, alphabet, 300)
    return value if isinstance(value, str) else str(value)


def arguments(choices: Choices) -> list[str]:
    chosen = []
    for _ in range(choices.below(4)):
        if choices.chance(0.2):
            chosen.append(choices.pick(SWITCHES))
        else:
            flag = choices.pick(list(VALUES))
            chosen += [flag, choices.pick(VALUES[flag])]
    return chosen


def run_main(argv: list[str]) -> tuple[int, str, str]:
    """main()'s exit status, standard output and error, usage errors included."""
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        try:
            status = cli.main(argv)
        except SystemExit as exit:  # argparse's usage errors and --help
            status = exit.code if isinstance(exit.code, int) else 2
    return status, out.getvalue(), err.getvalue()


def whole_files(folder: str) -> list[str]:
    """The folder's names, each file the old contents a case put there (b"old") or a whole new file."""
    names = sorted(os.listdir(folder))
    expect(not [name for name in names if name.startswith(".")], f"temporaries left: {names}")
    for name in names:
        path = os.path.join(folder, name)
        if stat.S_ISREG(os.lstat(path).st_mode):
            with open(path, "rb") as file:
                data = file.read()
            expect(data == b"old" or data.rstrip().endswith(tuple(ENDINGS.values())), f"{name} is not whole")
    return names


def held_to_the_rules(result: tuple[int, str, str]) -> None:
    status, _, stderr = result
    expect(status in (0, 1, 2), f"exit status {status!r}")
    expect("Traceback" not in stderr, f"a traceback: {shown(stderr, 400)}")


def symbol_case(choices: Choices) -> Case:
    kind, data, extra = choices.pick(KINDS), hostile_data(choices), arguments(choices)
    target = choices.pick(["out.png", "out.svg", "out.pdf", "no-suffix", "link.png", "private.png"])

    def call():
        with tempfile.TemporaryDirectory() as folder:
            if target == "link.png":
                os.symlink("private.png", os.path.join(folder, "link.png"))
            if target in ("link.png", "private.png"):
                with open(os.path.join(folder, "private.png"), "wb") as file:
                    file.write(b"old")
                os.chmod(os.path.join(folder, "private.png"), 0o600)
            result = run_main([kind, data, "-o", os.path.join(folder, target), *extra])
            held_to_the_rules(result)
            names = whole_files(folder)
            if target in ("link.png", "private.png"):
                expect(stat.S_IMODE(os.stat(os.path.join(folder, "private.png")).st_mode) == 0o600, "mode lost")
            if target == "link.png":
                expect(os.path.islink(os.path.join(folder, "link.png")), "the link was replaced")
            return result[0], result[2].replace(folder, "<folder>"), names

    return Case("cli", Step(f"tavlo {kind} {shown(data)} -o {target} {' '.join(extra)}", call))


def batch_case(choices: Choices) -> Case:
    kind, extra = choices.pick(KINDS), arguments(choices)
    rows = [hostile_data(choices) for _ in range(choices.between(0, 12))]
    as_csv = choices.chance(0.5)
    if as_csv:
        names = [choices.pick(["a", "A", "a.png", "../x", "", "\x1b[1m", "n" * choices.between(200, 300)])
                 for _ in rows]
        content = "name,data\n" + "".join(f'"{n}","{r.replace(chr(34), chr(34) * 2)}"\n' for n, r in zip(names, rows))
    else:
        content = "".join(row.replace("\n", " ") + "\n" for row in rows)
    raw = content.encode("utf-8", "surrogatepass")
    if choices.chance(0.2):
        raw += b"\xff\xfe bad utf-8\n"
    jobs = str(choices.between(1, 3))

    def call():
        with tempfile.TemporaryDirectory() as folder:
            source = os.path.join(folder, "rows.csv" if as_csv else "rows.txt")
            with open(source, "wb") as file:
                file.write(raw)
            out = os.path.join(folder, "out")
            columns = ["--name-column", "name", "--data-column", "data"] if as_csv else []
            result = run_main(["batch", kind, source, "-d", out, "--jobs", jobs, *columns, *extra])
            held_to_the_rules(result)
            names = whole_files(out) if os.path.isdir(out) else []
            status, stdout, _ = result
            if status in (0, 1):
                expect(stdout.startswith(f"{len(names)} of "), f"count {shown(stdout)} for {len(names)} files")
            shutil.rmtree(out, ignore_errors=True)
            return status, result[2].replace(folder, "<folder>"), len(names)

    return Case("batch", Step(f"tavlo batch {kind} <{len(rows)} rows, csv={as_csv}> {' '.join(extra)}", call))


def objects_case(choices: Choices) -> Case:
    """save() to a file object and a path, to_pil(), and pickling, of one symbol."""
    kind = choices.pick(cli.KINDS)
    data = hostile_data(choices)
    dpi = choices.pick([72, 203, 300, 600])

    def call():
        symbol = kind.make(data, {})
        expect(pickle.loads(pickle.dumps(symbol)) == symbol, "unpickled symbol differs")
        buffer = io.BytesIO()
        symbol.save(buffer, format="png", dpi=dpi)
        with tempfile.TemporaryDirectory() as folder:
            symbol.save(os.path.join(folder, "label.png"), dpi=dpi)
            with open(os.path.join(folder, "label.png"), "rb") as file:
                expect(file.read() == buffer.getvalue(), "save() to a path and to a file object differ")
            whole_files(folder)
        try:
            image = symbol.to_pil(dpi=dpi)
        except ImportError:
            return len(buffer.getvalue())
        expect(image.size == tuple(symbol.layout(dpi=dpi)[3:5]), "to_pil() size is not the layout's")
        return len(buffer.getvalue())

    return Case("objects", Step(f"tavlo.{kind.class_name}({shown(data)}) save/to_pil/pickle at {dpi} dpi", call))


GENERATORS = {"cli": symbol_case, "batch": batch_case, "objects": objects_case}
__all__ = ["GENERATORS", "CheckFailed"]
