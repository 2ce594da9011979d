"""The `tavlo` command line end to end, each run a real subprocess as a user or a script would start it."""

from __future__ import annotations

import fcntl
import io
import os
import pty
import re
import signal
import struct
import subprocess
import sys
import termios
import threading
import time
from pathlib import Path

import pytest

tavlo = pytest.importorskip("tavlo")

TAVLO = [sys.executable, "-m", "tavlo"]

# command, data, the package's class and argument, zxing-cpp's format and the text it reads back
KINDS = [
    ("ean8", "1234567", tavlo.Ean8("1234567"), "EAN8", "12345670"),
    ("upca", "03600029145", tavlo.UpcA("03600029145"), "UPCA", "036000291452"),
    ("code39", "TAVLO-39", tavlo.Code39("TAVLO-39"), "Code39", "TAVLO-39"),
    ("itf", "1234567890", tavlo.Itf("1234567890"), "ITF", "1234567890"),
    ("code128", "Parcel 123", tavlo.Code128("Parcel 123"), "Code128", "Parcel 123"),
    ("qr", "https://example.com", tavlo.QrCode("https://example.com"), "QRCode", "https://example.com"),
    ("datamatrix", "Hello, tavlo!", tavlo.DataMatrix("Hello, tavlo!"), "DataMatrix", "Hello, tavlo!"),
    ("gs1-datamatrix", "(01)09501101530003(17)250101", tavlo.Gs1DataMatrix("(01)09501101530003(17)250101"),
     "DataMatrix", "(01)09501101530003(17)250101"),
]
KIND_IDS = [kind[0] for kind in KINDS]


def run(*args, input: bytes | None = None, cwd=None) -> subprocess.CompletedProcess:
    return subprocess.run([*TAVLO, *map(str, args)], input=input, capture_output=True, cwd=cwd, timeout=120)


def decoded_text(png: bytes, format: str) -> str:
    np = pytest.importorskip("numpy")
    zxingcpp = pytest.importorskip("zxingcpp")
    from PIL import Image

    with Image.open(io.BytesIO(png)) as image:
        pixels = np.asarray(image.convert("L"))
    results = zxingcpp.read_barcodes(pixels, formats=getattr(zxingcpp.BarcodeFormat, format))
    assert len(results) == 1, f"expected one {format}, zxing-cpp found {len(results)}"
    text = results[0].text
    return text[-12:] if format == "UPCA" else text  # read back in its EAN-13 form, a 0 in front


def error_of(make, data: str) -> str:
    """The package's own message for bad data: the command line passes it on word for word."""
    with pytest.raises(tavlo.TavloError) as raised:
        make(data)
    return str(raised.value)


def assert_usage_error(result, message: str, prog: str) -> None:
    stderr = result.stderr.decode()
    assert result.returncode == 2, stderr
    assert stderr.startswith("usage: ")
    assert stderr.endswith(f"{prog}: error: {message}\n")
    assert "Traceback" not in stderr


# ---- one symbol ----------------------------------------------------------------------------------------

@pytest.mark.parametrize("command, data, symbol, format, text", KINDS, ids=KIND_IDS)
def test_every_kind_writes_a_png_that_reads_back(tmp_path, command, data, symbol, format, text):
    result = run(command, data, "-o", tmp_path / "label.png", "--dpi", 203)
    assert (result.returncode, result.stdout, result.stderr) == (0, b"", b"")
    png = (tmp_path / "label.png").read_bytes()
    assert png == symbol.png(dpi=203)
    assert decoded_text(png, format) == text


@pytest.mark.parametrize("command, data, symbol, format, text", KINDS, ids=KIND_IDS)
def test_every_kind_writes_every_format_to_standard_output(command, data, symbol, format, text):
    assert run(command, data, "-o", "-").stdout == symbol.png()
    assert run(command, data, "--format", "svg").stdout == symbol.svg().encode()
    assert run(command, data, "-o", "-", "-f", "pdf").stdout == symbol.pdf()


@pytest.mark.parametrize(
    "arguments, options",
    [
        (["--dpi", "600", "--x-dim", "0.5mm"], dict(dpi=600, x_dim="0.5mm")),
        (["-x", "13mil"], dict(x_dim="13mil")),
        (["-x", "0.013in", "--height", "0.5in"], dict(x_dim="0.013in", height="0.5in")),
        (["-x", "4dots", "-q", "2"], dict(x_dim="4dots", quiet_zone=2)),
        (["-x", "0.33"], dict(x_dim=0.33)),
        (["--width", "30mm", "--dpi", "203"], dict(width="30mm", dpi=203)),
        (["--bar-width-reduction", "1dot", "--fg", "#00f", "--bg", "transparent"],
         dict(bar_width_reduction="1dot", foreground="#00f", background="transparent")),
        (["--optimize", "-x", "3dots"], dict(optimize=True, x_dim="3dots")),
    ],
    ids=lambda value: " ".join(value) if isinstance(value, list) else None,
)
def test_options_reach_the_rendering(tmp_path, arguments, options):
    assert run("code128", "Parcel 123", "-o", tmp_path / "label.png", *arguments).returncode == 0
    assert (tmp_path / "label.png").read_bytes() == tavlo.Code128("Parcel 123").png(**options)


def test_optimize_applies_to_png_and_leaves_vector_formats_alone(tmp_path):
    assert run("qr", "tavlo", "-o", tmp_path / "qr.svg", "--optimize").returncode == 0
    assert (tmp_path / "qr.svg").read_text() == tavlo.QrCode("tavlo").svg()


def test_format_from_the_suffix_or_the_option(tmp_path):
    qr = tavlo.QrCode("https://example.com")
    assert run("qr", "https://example.com", "-o", tmp_path / "qr.SVG").returncode == 0
    assert run("qr", "https://example.com", "-o", tmp_path / "qr.label", "--format", "pdf").returncode == 0
    assert (tmp_path / "qr.SVG").read_bytes() == qr.svg().encode()
    assert (tmp_path / "qr.label").read_bytes() == qr.pdf()


def test_data_matrix_shape(tmp_path):
    result = run("datamatrix", "12345", "--shape", "rectangular", "-o", "-")
    assert result.stdout == tavlo.DataMatrix("12345", shape="rectangular").png()


def test_the_console_script_and_python_m_agree():
    script = Path(sys.executable).with_name("tavlo")
    if not script.exists():
        pytest.skip(f"no console script beside {sys.executable}")
    made = subprocess.run([script, "ean8", "1234567"], capture_output=True, timeout=60)
    assert made.returncode == 0 and made.stdout == run("ean8", "1234567").stdout


def test_bad_data_is_an_error_message_with_status_1(tmp_path):
    result = run("ean8", "12345678", "-o", tmp_path / "label.png")
    assert (result.returncode, result.stdout) == (1, b"")
    assert result.stderr.decode() == f"tavlo ean8: error: {error_of(tavlo.Ean8, '12345678')}\n"
    assert list(tmp_path.iterdir()) == []


@pytest.mark.parametrize(
    "arguments, prog, message",
    [
        (["ean8", "1234567", "-o", "label.jpg"], "tavlo ean8",
         "unknown format '.jpg' of 'label.jpg': use one of png, svg, pdf, eps, zpl"),
        (["ean8", "1234567", "-o", "label"], "tavlo ean8",
         "cannot tell the format of 'label' without a suffix: name it .png, .svg, .pdf, .eps or .zpl, or pass format="),
        (["qr", "x", "--x-dim", "3furlongs"], "tavlo qr", "argument -x/--x-dim: invalid length '3furlongs': "
         "expected a number with a unit: mm, in, mil or dots (for example '0.33mm')"),
        (["qr", "x", "--height", "0mm"], "tavlo qr", "argument --height: a length must be more than zero"),
        (["qr", "x", "--bar-width-reduction", "1"], "tavlo qr",
         "argument --bar-width-reduction: '1' needs a unit, e.g. '1dot' or '1mm'"),
        (["qr", "x", "-x", "1mm", "-w", "30mm"], "tavlo qr", "argument -w/--width: not allowed with argument "
         "-x/--x-dim"),
        (["qr", "x", "--dpi", "0"], "tavlo qr",
         "argument --dpi: invalid value '0': a whole number, at least 1 and at most 4294967295"),
        (["qr", "x", "-q", "99999999999"], "tavlo qr",
         "argument -q/--quiet-zone: invalid value '99999999999': a whole number, at least 0 and at most 4294967295"),
        (["qr", "x", "--fg", "blue-ish"], "tavlo qr", "argument --fg/--foreground: invalid colour 'blue-ish': "
         "expected '#rrggbb', '#rrggbbaa', '#rgb', 'black', 'white' or 'transparent'"),
        (["qr", "x", "--format", "gif"], "tavlo qr",
         "argument -f/--format: invalid choice: 'gif' (choose from 'png', 'svg', 'pdf', 'eps', 'zpl')"),
        (["qr"], "tavlo qr", "the following arguments are required: data"),
        (["maxicode", "x"], "tavlo", "argument COMMAND: invalid choice: 'maxicode' (choose from 'ean8', 'upca', "
         "'ean13', 'upce', 'isbn', 'issn', 'ismn', 'code39', 'itf', 'code93', 'codabar', 'code128', 'gs1-128', "
         "'itf14', 'qr', 'microqr', 'rmqr', 'datamatrix', 'gs1-datamatrix', 'gs1-qr', 'databar', 'databar-limited', "
         "'databar-expanded', 'pdf417', 'micropdf417', 'aztec', 'aztec-rune', 'batch', 'gs1')"),
        ([], "tavlo", "the following arguments are required: COMMAND"),
    ],
    ids=lambda value: " ".join(value) if isinstance(value, list) else None,
)
def test_usage_errors_in_argparse_form(tmp_path, arguments, prog, message):
    result = run(*arguments, cwd=tmp_path)
    assert_usage_error(result, message, prog)
    assert list(tmp_path.iterdir()) == []


def test_no_binary_image_on_a_terminal():
    leader, follower = pty.openpty()
    try:
        result = subprocess.run([*TAVLO, "qr", "x"], stdout=follower, stderr=subprocess.PIPE, timeout=60)
    finally:
        os.close(follower)
        os.close(leader)
    assert result.returncode == 2
    assert result.stderr.decode().endswith("tavlo qr: error: not writing PNG to a terminal: give -o FILE, "
                                           "or redirect standard output\n")


# ---- batch ---------------------------------------------------------------------------------------------

def listing(folder: Path) -> list[str]:
    return sorted(path.name for path in folder.iterdir())


def test_batch_writes_the_good_rows_and_reports_the_bad_ones(tmp_path):
    lines = "1234567\n12345678\n\n7654321\r\n1234\n"
    result = run("batch", "ean8", "-", "-d", tmp_path / "out", "--dpi", 203, input=lines.encode())
    assert result.returncode == 1
    assert result.stderr.decode() == (f"line 2: {error_of(tavlo.Ean8, '12345678')}\n"
                                      f"line 5: {error_of(tavlo.Ean8, '1234')}\n")
    assert result.stdout.decode() == f"2 of 4 files written to {tmp_path / 'out'}, 2 failed\n"
    assert listing(tmp_path / "out") == ["1.png", "4.png"]
    assert (tmp_path / "out" / "4.png").read_bytes() == tavlo.Ean8("7654321").png(dpi=203)


def test_batch_names_files_by_line_so_they_sort_in_input_order(tmp_path):
    payloads = "".join(f"https://example.com/{n}\n" for n in range(1, 12))
    (tmp_path / "urls.txt").write_text(payloads)
    result = run("batch", "qr", tmp_path / "urls.txt", "-d", tmp_path / "out", "-f", "svg", "--jobs", 3)
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout.decode() == f"11 of 11 files written to {tmp_path / 'out'}\n"
    assert listing(tmp_path / "out") == [f"{n:02d}.svg" for n in range(1, 12)]
    assert (tmp_path / "out" / "07.svg").read_text() == tavlo.QrCode("https://example.com/7").svg()


def test_batch_reads_csv_columns_by_header_or_by_number(tmp_path):
    (tmp_path / "items.csv").write_text('sku,title,gtin\nA-1,"Tea, green",9501101530003\n'
                                        'B-2,"Coffee\n(ground)",03600029145\nC-3,Bad,123\n')
    result = run("batch", "code128", tmp_path / "items.csv", "-d", tmp_path / "by-name", "--data-column",
                 "title", "--name-column", "sku")
    assert (result.returncode, result.stderr) == (0, b"")
    assert listing(tmp_path / "by-name") == ["A-1.png", "B-2.png", "C-3.png"]
    assert (tmp_path / "by-name" / "B-2.png").read_bytes() == tavlo.Code128("Coffee\n(ground)").png()

    result = run("batch", "upca", "-", "--no-header", "--data-column", "3", "-d", tmp_path / "by-number",
                 input=(tmp_path / "items.csv").read_bytes())
    assert result.returncode == 1
    assert result.stderr.decode() == (f"line 1: {error_of(tavlo.UpcA, 'gtin')}\n"
                                      f"line 2: {error_of(tavlo.UpcA, '9501101530003')}\n"
                                      f"line 5: {error_of(tavlo.UpcA, '123')}\n")
    assert listing(tmp_path / "by-number") == ["3.png"]  # the row that starts on line 3 spans two lines
    assert decoded_text((tmp_path / "by-number" / "3.png").read_bytes(), "UPCA") == "036000291452"


def test_batch_refuses_unsafe_and_repeated_file_names(tmp_path):
    rows = "name,data\n../escape,1\nsub/dir,2\nsame,3\nSAME.png,4\nsame,5\n,6\nok,7\n"
    result = run("batch", "code39", "-", "--csv", "--name-column", "name", "--data-column", "data",
                 "-d", tmp_path / "out", input=rows.encode())
    assert result.returncode == 1
    assert result.stderr.decode().splitlines() == [
        "line 2: file name '../escape' is not a plain file name",
        "line 3: file name 'sub/dir' is not a plain file name",
        "line 6: file name 'same.png' is also the one of line 4",
        "line 7: file name '' is not a plain file name",
    ]
    assert listing(tmp_path / "out") == ["SAME.png", "ok.png", "same.png"]


@pytest.mark.parametrize(
    "arguments, message",
    [
        (["--data-column", "price"], "no column 'price': the header has 'sku', 'gtin'"),
        (["--no-header", "--data-column", "0"], "no column '0'"),
    ],
)
def test_batch_csv_column_errors_are_usage_errors(tmp_path, arguments, message):
    (tmp_path / "items.csv").write_text("sku,gtin\nA,1234567\n")
    result = run("batch", "ean8", tmp_path / "items.csv", *arguments, "-d", tmp_path / "out")
    assert_usage_error(result, message, "tavlo batch ean8")


def test_batch_usage_errors(tmp_path):
    assert_usage_error(run("batch", "ean8", tmp_path / "missing.txt"),
                       f"cannot read {tmp_path / 'missing.txt'}: No such file or directory", "tavlo batch ean8")
    assert_usage_error(run("batch", "ean8", "-", "--jobs", "0", input=b""),
                       "argument -j/--jobs: invalid value '0': a whole number, at least 1 and at most 4294967295",
                       "tavlo batch ean8")
    assert_usage_error(run("batch", "-"), "argument KIND: invalid choice: '-' (choose from 'ean8', 'upca', "
                       "'ean13', 'upce', 'isbn', 'issn', 'ismn', 'code39', 'itf', 'code93', 'codabar', 'code128', "
                       "'gs1-128', 'itf14', 'qr', 'microqr', 'rmqr', 'datamatrix', 'gs1-datamatrix', 'gs1-qr', "
                       "'databar', 'databar-limited', 'databar-expanded', 'pdf417', 'micropdf417', 'aztec', "
                       "'aztec-rune')", "tavlo batch")


def test_batch_keeps_existing_files_unless_forced(tmp_path):
    out = tmp_path / "out"
    out.mkdir()
    (out / "2.png").write_bytes(b"printed yesterday")
    payloads = b"1234567\n7654321\n"
    result = run("batch", "ean8", "-", "-d", out, input=payloads)
    assert result.returncode == 1
    assert result.stderr.decode() == "line 2: 2.png exists (use --force to overwrite)\n"
    assert result.stdout.decode() == f"1 of 2 files written to {out}, 1 failed\n"
    assert (out / "2.png").read_bytes() == b"printed yesterday"

    result = run("batch", "ean8", "-", "-d", out, "--force", input=payloads)
    assert (result.returncode, result.stderr) == (0, b"")
    assert (out / "2.png").read_bytes() == tavlo.Ean8("7654321").png()
    assert listing(out) == ["1.png", "2.png"]


def test_batch_progress_bar_only_on_a_terminal(tmp_path):
    pytest.importorskip("tqdm")  # the command's own interpreter: an install made without dependencies lacks it
    (tmp_path / "digits.txt").write_bytes(b"".join(b"%d\n" % n for n in range(10, 30)))
    quiet = run("batch", "itf", tmp_path / "digits.txt", "-d", tmp_path / "quiet")
    assert (quiet.returncode, quiet.stderr) == (0, b"")
    leader, follower = pty.openpty()
    fcntl.ioctl(follower, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 100, 0, 0))  # rows, columns
    seen: list[bytes] = []
    reader = threading.Thread(target=_read_terminal, args=(leader, seen))
    reader.start()
    try:
        shown = subprocess.run([*TAVLO, "batch", "itf", tmp_path / "digits.txt", "-d", tmp_path / "shown"],
                               stdout=subprocess.PIPE, stderr=follower, timeout=60)
    finally:
        os.close(follower)
        reader.join(timeout=60)
        os.close(leader)
    assert shown.returncode == 0
    terminal = b"".join(seen).decode(errors="replace")
    assert "0/20 [" in terminal and "file/s]" in terminal  # a file's lines are counted first: a known total
    assert listing(tmp_path / "shown") == listing(tmp_path / "quiet")


def _read_terminal(fd: int, seen: list[bytes]) -> None:
    while True:
        try:
            chunk = os.read(fd, 65536)
        except OSError:  # the terminal's other end closed
            return
        if not chunk:
            return
        seen.append(chunk)


def _whole_pngs(folder: Path) -> list[str]:
    """The files under their final names, each checked to be a whole PNG."""
    names = [name for name in listing(folder) if not name.startswith(".")]
    for name in names:
        assert (folder / name).read_bytes().endswith(b"IEND\xaeB`\x82"), f"{name} is not a whole PNG"
    return names


@pytest.mark.parametrize("stops", [[signal.SIGINT], [signal.SIGINT, signal.SIGINT], [signal.SIGTERM],
                                   [signal.SIGKILL]], ids=["Ctrl-C", "Ctrl-C twice", "SIGTERM", "killed"])
def test_a_stopped_batch_leaves_only_whole_files(tmp_path, stops):
    out = tmp_path / "out"
    (tmp_path / "urls.txt").write_text("".join(f"https://example.com/{n}\n" for n in range(20000)))
    batch = subprocess.Popen([*TAVLO, "batch", "qr", tmp_path / "urls.txt", "-d", out, "--jobs", "4"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, preexec_fn=default_signals)
    _wait_for_entries(out, 60, batch)
    for stop in stops:
        batch.send_signal(stop)
    stdout, stderr = batch.communicate(timeout=120)
    names = _whole_pngs(out)
    assert 60 - 4 <= len(names) < 20000  # 60 names seen, at most one temporary per thread among them
    temporary = len(listing(out)) - len(names)
    if stops[0] == signal.SIGKILL:
        assert batch.returncode == -signal.SIGKILL
        assert temporary <= 4  # at most one per thread, left where no reader looks for a label
        return
    assert batch.returncode == 128 + stops[0]
    read = int(re.fullmatch(rf"interrupted: {len(names)} of (\d+) files written to {re.escape(str(out))}\n",
                            stderr.decode())[1])
    assert len(names) <= read <= len(names) + 2 * 4 + 1  # the rows read were written, or dropped unstarted
    assert temporary == 0


def default_signals() -> None:
    """In the child before it starts: SIGINT and SIGTERM as a terminal's shell leaves them, even where this
    suite runs in the background with SIGINT ignored (which the command line respects)."""
    signal.signal(signal.SIGINT, signal.SIG_DFL)
    signal.signal(signal.SIGTERM, signal.SIG_DFL)


def test_an_ignored_sigint_stays_ignored(tmp_path):
    out = tmp_path / "out"
    (tmp_path / "urls.txt").write_text("".join(f"https://example.com/{n}\n" for n in range(300)))

    def ignore_sigint():
        signal.signal(signal.SIGINT, signal.SIG_IGN)

    batch = subprocess.Popen([*TAVLO, "batch", "qr", tmp_path / "urls.txt", "-d", out, "--jobs", "2"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, preexec_fn=ignore_sigint)
    _wait_for_entries(out, 20, batch)
    batch.send_signal(signal.SIGINT)
    stdout, stderr = batch.communicate(timeout=120)
    assert (batch.returncode, stderr, stdout.decode()) == (0, b"", f"300 of 300 files written to {out}\n")


def _wait_for_entries(folder: Path, count: int, process: subprocess.Popen) -> None:
    """Returns once `folder` holds `count` entries: a condition on the batch's progress, not a time."""
    while not folder.exists() or len(os.listdir(folder)) < count:
        assert process.poll() is None, "the batch ended before it was stopped"
        time.sleep(0.01)


def test_one_signal_at_any_moment_stops_the_batch():
    """200 seeded moments from argument parsing to the summary (see batch_signals.py)."""
    result = subprocess.run([sys.executable, Path(__file__).with_name("batch_signals.py"), "--seed", "25",
                             "--runs", "200"], capture_output=True, timeout=600)
    assert result.returncode == 0, result.stdout.decode()[-3000:] + result.stderr.decode()[-3000:]
    assert result.stdout.decode().endswith("200 passed, 0 failed\n")


# ---- the table of kinds --------------------------------------------------------------------------------

def test_help_lists_the_kinds_by_family_from_the_table():
    from tavlo import _label

    listed: dict[str, list[str]] = {}
    for line in run("--help").stdout.decode().splitlines():
        if line.endswith(" symbols:"):
            family = listed.setdefault(line.removesuffix(" symbols:"), [])
        elif line.startswith("  ") and line.strip() and listed and not line.startswith("   "):
            family.append(line.split()[0])
        elif not line.strip() and listed and family:
            family = []  # the blank line that ends a family
    titles = {"gs1": "GS1"}
    expected: dict[str, list[str]] = {}
    classes = set()
    for row in _label.kinds():
        # One command per class, named by its first row: itf14-bars is itf14 --bearer bars, databar-truncated
        # is databar --truncated.
        if row["class_name"] not in classes:
            classes.add(row["class_name"])
            expected.setdefault(titles.get(row["family"], row["family"]), []).append(row["name"])
    assert listed == expected


@pytest.mark.parametrize("command, flags, symbol", [
    ("itf14", ["--bearer", "bars"], tavlo.Itf14("1234567890123", bearer="bars")),
    ("gs1-128", ["--compute-check-digits"], tavlo.Gs1_128("(01)0950110153000", compute_check_digits=True)),
    ("datamatrix", ["--shape", "square"], tavlo.DataMatrix("12345", shape="square")),
])
def test_a_kinds_keywords_are_its_flags(command, flags, symbol):
    data = symbol._input[0]
    assert run(command, data, *flags, "-o", "-").stdout == symbol.png()


def test_gs1_subcommand_dispatches_to_the_gs1_module(monkeypatch, capsys):
    import importlib.machinery
    import types

    from tavlo import cli

    module = types.ModuleType("tavlo.gs1")
    module.__spec__ = importlib.machinery.ModuleSpec("tavlo.gs1", None)
    calls = []
    module.main = lambda argv: calls.append(argv) or 3
    monkeypatch.setitem(sys.modules, "tavlo.gs1", module)
    monkeypatch.setattr(tavlo, "gs1", module, raising=False)
    assert cli.main(["gs1", "check", "(01)09501101530003"]) == 3
    assert calls == [["check", "(01)09501101530003"]]
    assert "  gs1 " in cli.build_parser([]).format_help()


@pytest.mark.parametrize("arguments, symbol", [
    # rMQR's height in modules beside the label's height: the kind's keyword takes the prefix --symbol-.
    (["rmqr", "https://example.com", "--symbol-height", "13", "--height", "10mm"],
     lambda: tavlo.RmQr("https://example.com", height=13).png(height="10mm")),
    (["ean13", "978030640615", "--addon", "12", "--addon-gap", "10"],
     lambda: tavlo.Ean13("978030640615", addon="12", addon_gap=10).png()),
    (["databar", "0950110153000", "--truncated", "false"], lambda: tavlo.DataBar("0950110153000").png()),
    (["datamatrix", "Lot 42", "--structured-append", "1,2,7"],
     lambda: tavlo.DataMatrix("Lot 42", structured_append=(1, 2, 7)).png()),
], ids=lambda value: " ".join(value[:3]) if isinstance(value, list) else None)
def test_kind_keywords_take_their_types_from_the_class(tmp_path, arguments, symbol):
    result = run(*arguments, "-o", str(tmp_path / "label.png"))
    assert result.returncode == 0, result.stderr
    assert (tmp_path / "label.png").read_bytes() == symbol()
