"""The command line and files under faults: odd targets, hostile input and names, closed streams, limits.
No traceback, nothing replaced that was not a regular file, nothing lost, memory bounded."""

from __future__ import annotations

import io
import os
import re
import signal
import stat
import subprocess
import sys
import threading
import time
from pathlib import Path

import pytest

tavlo = pytest.importorskip("tavlo")
from tavlo import _batch_input, _output, cli  # noqa: E402
from test_cli import default_signals  # noqa: E402

TAVLO = [sys.executable, "-m", "tavlo"]


def run(*args, input: bytes | None = None, cwd=None, **settings) -> subprocess.CompletedProcess:
    settings.setdefault("capture_output", True)
    return subprocess.run([*TAVLO, *map(str, args)], input=input, cwd=cwd, timeout=120, **settings)


def no_traceback(result) -> str:
    stderr = result.stderr.decode()
    assert "Traceback" not in stderr, stderr
    return stderr


# ---- option values judged for the kind at hand ---------------------------------------------------------

@pytest.mark.parametrize(
    "command, data, arguments, options",
    [
        ("qr", "hi", ["-w", "5mm"], dict(width="5mm")),
        ("datamatrix", "hi", ["-w", "3mm"], dict(width="3mm")),
        ("qr", "hi", ["-x", "1dots", "--height", "3mm"], dict(x_dim="1dots", height="3mm")),
        ("qr", "hi", ["-x", "99999999999dots"], dict(x_dim="99999999999dots")),
        ("qr", "hi", ["-x", "1e308"], dict(x_dim=1e308)),
        ("ean8", "1234567", ["-w", "5mm"], dict(width="5mm")),
    ],
    ids=lambda value: " ".join(value) if isinstance(value, list) else None,
)
def test_sizes_are_judged_by_the_symbol_at_hand(tmp_path, command, data, arguments, options):
    symbol = {"qr": tavlo.QrCode, "datamatrix": tavlo.DataMatrix, "ean8": tavlo.Ean8}[command](data)
    result = run(command, data, *arguments, "-o", tmp_path / "out.png")
    no_traceback(result)
    try:
        expected = symbol.png(**options)
    except tavlo.TavloError as error:
        assert (result.returncode, result.stderr.decode()) == (1, f"tavlo {command}: error: {error}\n")
        assert not (tmp_path / "out.png").exists()
    else:
        assert result.returncode == 0
        assert (tmp_path / "out.png").read_bytes() == expected
    batch = run("batch", command, "-", "-d", tmp_path / "batch", *arguments, input=f"{data}\n".encode())
    no_traceback(batch)
    assert batch.returncode == result.returncode


# ---- where output goes -----------------------------------------------------------------------------------

def make_node(path: Path, kind: str) -> None:
    try:
        if kind == "fifo":
            os.mkfifo(path)
        else:
            os.mknod(path, 0o666 | stat.S_IFCHR, os.makedev(1, {"null": 3, "full": 7}[kind]))
    except PermissionError:
        pytest.skip(f"cannot make a {kind} node here")


def test_a_character_device_is_written_into_never_replaced(tmp_path):
    make_node(tmp_path / "null", "null")
    result = run("qr", "hi", "-f", "png", "-o", tmp_path / "null")
    assert (result.returncode, no_traceback(result)) == (0, "")
    assert stat.S_ISCHR(os.lstat(tmp_path / "null").st_mode)
    assert sorted(os.listdir(tmp_path)) == ["null"]


def test_a_fifo_is_written_into_never_replaced(tmp_path):
    fifo = tmp_path / "fifo"
    make_node(fifo, "fifo")
    received: list[bytes] = []
    reader = threading.Thread(target=lambda: received.append(fifo.read_bytes()))
    reader.start()
    result = run("qr", "hi", "-f", "png", "-o", fifo)
    reader.join(timeout=60)
    assert (result.returncode, no_traceback(result)) == (0, "")
    assert received == [tavlo.QrCode("hi").png()]
    assert stat.S_ISFIFO(os.lstat(fifo).st_mode)


def test_dev_stdout_and_process_substitution_are_written_into(tmp_path):
    # A link of our own to the descriptor, as /dev/stdout is: the machine's /dev is never written to (code
    # that replaced the node would replace /dev/stdout itself, as root).
    (tmp_path / "stdout").symlink_to("/proc/self/fd/1")
    result = run("qr", "hi", "-f", "png", "-o", tmp_path / "stdout")
    assert (result.returncode, result.stdout) == (0, tavlo.QrCode("hi").png())
    assert os.readlink(tmp_path / "stdout") == "/proc/self/fd/1"
    script = f'{" ".join(map(str, TAVLO))} qr hi -f svg -o >(cat > "$1"); status=$?; wait $!; exit $status'
    substituted = subprocess.run(["bash", "-c", script, "bash", tmp_path / "out.svg"], capture_output=True,
                                 timeout=120)
    assert (substituted.returncode, no_traceback(substituted)) == (0, "")
    assert (tmp_path / "out.svg").read_text() == tavlo.QrCode("hi").svg()


def test_a_full_device_is_an_error_message(tmp_path):
    make_node(tmp_path / "full", "full")
    result = run("qr", "hi", "-f", "png", "-o", tmp_path / "full")
    assert result.returncode == 1
    assert no_traceback(result).endswith("No space left on device\n")
    with open(tmp_path / "full", "wb") as full:
        to_full = run("qr", "hi", "-f", "png", stdout=full, stderr=subprocess.PIPE, capture_output=False)
    assert to_full.returncode == 1
    assert no_traceback(to_full) == "tavlo qr: error: cannot write standard output: No space left on device\n"


def test_a_symbolic_link_is_followed_and_kept(tmp_path):
    (tmp_path / "real.png").write_bytes(b"old")
    (tmp_path / "link.png").symlink_to("real.png")
    assert run("qr", "hi", "-o", tmp_path / "link.png").returncode == 0
    assert os.readlink(tmp_path / "link.png") == "real.png"
    assert (tmp_path / "real.png").read_bytes() == tavlo.QrCode("hi").png()
    (tmp_path / "dangling.png").symlink_to("missing.png")
    refused = run("qr", "hi", "-o", tmp_path / "dangling.png")
    assert refused.returncode == 1
    assert no_traceback(refused).endswith("is a symbolic link to nothing\n")
    assert sorted(os.listdir(tmp_path)) == ["dangling.png", "link.png", "real.png"]


def test_overwriting_keeps_the_mode_and_the_hard_links(tmp_path):
    private = tmp_path / "private.png"
    private.write_bytes(b"old")
    private.chmod(0o600)
    assert run("qr", "hi", "-o", private).returncode == 0
    assert stat.S_IMODE(private.stat().st_mode) == 0o600
    assert private.read_bytes() == tavlo.QrCode("hi").png()
    os.link(private, tmp_path / "other-name.png")
    assert run("qr", "there", "-o", private).returncode == 0
    assert (tmp_path / "other-name.png").read_bytes() == tavlo.QrCode("there").png()
    assert private.stat().st_ino == (tmp_path / "other-name.png").stat().st_ino


def test_a_closed_standard_output_is_an_error_message(tmp_path):
    closed = subprocess.run(["bash", "-c", f'{" ".join(TAVLO)} qr x -f png >&-'], capture_output=True, timeout=120)
    assert closed.returncode == 1
    assert no_traceback(closed) == "tavlo qr: error: standard output is closed: give -o FILE\n"
    script = f'{" ".join(TAVLO)} batch ean8 - -d "$1" >&-'
    batch = subprocess.run(["bash", "-c", script, "bash", tmp_path / "out"], input=b"1234567\n",
                           capture_output=True, timeout=120)
    assert batch.returncode == 1
    assert no_traceback(batch).startswith("tavlo batch ean8: error: cannot write the summary to standard output")
    assert os.listdir(tmp_path / "out") == ["1.png"]


# ---- batch: names, input, interrupts -------------------------------------------------------------------

def test_names_are_escaped_and_long_names_fit(tmp_path):
    out = tmp_path / "out"
    out.mkdir()
    (out / "taken.png").write_bytes(b"kept")
    long_name = "n" * (255 - len(".png"))
    rows = f'name,data\n"taken",1\n"\x1b[31mred\nline",2\n{long_name},3\n'
    result = run("batch", "code39", "-", "--csv", "--name-column", "name", "--data-column", "data", "-d", out,
                 input=rows.encode())
    assert result.returncode == 1
    assert no_traceback(result) == "line 2: taken.png exists (use --force to overwrite)\n"
    assert sorted(os.listdir(out)) == sorted(["taken.png", "\x1b[31mred\nline.png", f"{long_name}.png"])
    (out / "\x1b[31mred\nline.png").write_bytes(b"kept")
    again = run("batch", "code39", "-", "--csv", "--name-column", "name", "--data-column", "data", "-d", out,
                input=rows.encode())
    assert "line 3: '\\x1b[31mred\\nline.png' exists (use --force to overwrite)\n" in no_traceback(again)


def test_csv_and_text_errors_fail_their_row_alone(tmp_path):
    big = "9" * 200_000
    rows = b"1234567\n" + big.encode() + b"\n\xff\xfe\n7654321\n"
    for arguments in (["--no-header"], []):
        out = tmp_path / f"out{len(arguments)}"
        result = run("batch", "ean8", "-", "-d", out, *(arguments and ["--csv", *arguments]), input=rows)
        stderr = no_traceback(result).splitlines()
        assert result.returncode == 1
        assert [line.split(":")[0] for line in stderr] == ["line 2", "line 3"]
        assert sorted(os.listdir(out)) == ["1.png", "4.png"]


def test_memory_stays_bounded_on_a_huge_line(tmp_path):
    script = ("import resource, sys\nfrom tavlo import cli\nstatus = cli.main(sys.argv[1:])\n"
              "print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss, file=sys.stderr)\nsys.exit(status)")

    def peak_kb(name: str, lines: list[bytes], repeat: int = 1) -> tuple[int, list[str]]:
        with open(tmp_path / name, "wb") as file:  # written a piece at a time: no copy in this process
            for line in lines:
                for _ in range(repeat if line.startswith(b"1111") else 1):
                    file.write(line)
        with open(tmp_path / name, "rb") as stdin:
            result = subprocess.run([sys.executable, "-c", script, "batch", "ean8", "-", "-d", tmp_path / name[:-4]],
                                    stdin=stdin, capture_output=True, timeout=300)
        stderr = no_traceback(result).splitlines()
        return int(stderr[-1]), stderr[:-1]

    small, _ = peak_kb("small.txt", [b"1111\n", b"1234567\n"])
    huge, messages = peak_kb("huge.txt", [b"1111" * (1 << 20), b"\n1234567\n"], repeat=64)  # 256 MB on one line
    assert messages == [f"line 1: longer than {_batch_input.LINE_LIMIT} bytes"]
    assert huge - small < 32 * 1024  # kB: a few times the line limit, never the line
    assert os.listdir(tmp_path / "huge") == ["2.png"]


def test_an_endless_input_is_written_as_it_comes_and_stops_on_ctrl_c(tmp_path):
    out = tmp_path / "out"
    batch = subprocess.Popen([*TAVLO, "batch", "qr", "-", "-d", out, "--jobs", "2"], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0,
                             preexec_fn=default_signals)
    stop = threading.Event()

    def endless():
        try:
            while not stop.is_set():
                batch.stdin.write(b"https://example.com\n" * 100)
        except (BrokenPipeError, ValueError):
            pass
        finally:
            try:
                batch.stdin.close()
            except BrokenPipeError:
                pass

    writer = threading.Thread(target=endless)
    writer.start()
    try:
        while not out.exists() or len(os.listdir(out)) < 30:  # files written while the input goes on
            assert batch.poll() is None
            time.sleep(0.01)
        batch.send_signal(signal.SIGINT)
        stderr = batch.stderr.read()  # to its end, when the batch exits
        batch.wait(timeout=120)
    finally:
        stop.set()
        writer.join(timeout=60)
    assert batch.returncode == 130
    assert stderr.decode().startswith(f"interrupted: {len(os.listdir(out))} of ")


def _in_process(monkeypatch, capsys, *argv):
    try:
        status = cli.main([str(arg) for arg in argv])
    except SystemExit as exit:  # a usage error
        status = exit.code
    captured = capsys.readouterr()
    return status, captured.out, captured.err


def test_names_differing_in_case_collide_where_the_folder_folds_case(tmp_path, monkeypatch, capsys):
    monkeypatch.setattr(_batch_input, "folds_case", lambda folder: True)
    (tmp_path / "rows.csv").write_text("name,data\nLabel,1\nlabel,2\nLABEL.PNG,3\nother,4\n")
    status, out, err = _in_process(monkeypatch, capsys, "batch", "code39", tmp_path / "rows.csv", "--name-column",
                                   "name", "--data-column", "data", "-d", tmp_path / "out", "--force", "--jobs", 4)
    assert status == 1
    assert err.splitlines() == ["line 3: file name 'label.png' is also the one of line 2",
                                "line 4: file name 'LABEL.PNG' is also the one of line 2"]
    assert out == f"2 of 4 files written to {tmp_path / 'out'}, 2 failed\n"


def test_the_case_probe_tells_this_file_system(tmp_path):
    probe = tmp_path / "Probe"
    probe.write_text("")
    assert _batch_input.folds_case(str(tmp_path)) == (tmp_path / "probe").exists()
    assert os.listdir(tmp_path) == ["Probe"]


def test_the_batch_flushes_its_own_file_system_only(tmp_path, monkeypatch, capsys):
    flushed = []
    monkeypatch.setattr(os, "sync", lambda: pytest.fail("os.sync() flushes every file system"))
    monkeypatch.setattr(_output, "sync_file_system", flushed.append)
    status, _, _ = _in_process(monkeypatch, capsys, "batch", "ean8", tmp_path / "rows.txt", "-d", tmp_path / "o")
    assert (status, flushed) == (2, [])  # no input: a usage error, nothing flushed
    (tmp_path / "rows.txt").write_text("1234567\n")
    status, _, _ = _in_process(monkeypatch, capsys, "batch", "ean8", tmp_path / "rows.txt", "-d", tmp_path / "o")
    assert (status, flushed) == (0, [str(tmp_path / "o")])


def test_sync_file_system_runs(tmp_path):
    _output.sync_file_system(tmp_path)


# ---- the package's keywords ----------------------------------------------------------------------------

@pytest.mark.parametrize(
    "options, error, message",
    [
        (dict(x_dim=10**400), tavlo.TavloValueError, "argument 'x_dim': "),
        (dict(dpi=True), tavlo.TavloTypeError, "argument 'dpi': 'bool' object is not an instance of 'int'"),
        (dict(quiet_zone=True), tavlo.TavloTypeError, "argument 'quiet_zone': 'bool' object"),
        (dict(foreground="transparent"), tavlo.TavloValueError,
         "argument 'foreground': the foreground may not be fully transparent"),
        (dict(foreground="#00000000"), tavlo.TavloValueError, "argument 'foreground': "),
        (dict(max_pixels=0), tavlo.TavloValueError, "argument 'max_pixels': "),
        (dict(max_pixels=1.5), tavlo.TavloTypeError, "argument 'max_pixels': "),
        (dict(x_dim="3furlongs"), tavlo.TavloValueError, "argument 'x_dim': invalid length"),
        (dict(dpi="300"), tavlo.TavloTypeError, "argument 'dpi': "),
    ],
)
def test_every_bad_keyword_is_a_tavlo_error_and_a_value_or_type_error(options, error, message):
    base = ValueError if error is tavlo.TavloValueError else TypeError
    for render in ("png", "svg", "pdf", "layout"):
        with pytest.raises(error) as raised:
            getattr(tavlo.QrCode("x"), render)(**options)
        assert isinstance(raised.value, (tavlo.TavloError, base))
        assert str(raised.value).startswith(message)


@pytest.mark.parametrize(
    "make, error, message",
    [
        (lambda: tavlo.DataMatrix("x", shape="round"), tavlo.TavloValueError, "invalid shape 'round'"),
        (lambda: tavlo.DataMatrix("x", shape=1), tavlo.TavloTypeError, "argument 'shape': 'int' object"),
        (lambda: tavlo.Itf14("1234567890123", bearer="x"), tavlo.TavloValueError, "bearer must be"),
        (lambda: tavlo.QrCode("x", eci=10**7), tavlo.TavloValueError, "eci must be a whole number in 0 to 999999"),
        (lambda: tavlo.Pdf417("x", columns=31), tavlo.TavloValueError,
         "Encoding error: option 'columns' must be a whole number from 1 to 30, not '31'"),
        (lambda: tavlo.DataBar("0950110153000", stacked="x"), tavlo.TavloValueError, "stacked must be"),
        (lambda: tavlo.Ean13("978030640615", addon=12), tavlo.TavloTypeError, "argument 'addon': 'int'"),
        (lambda: tavlo.Aztec("x", layers="3"), tavlo.TavloTypeError, "argument 'layers': 'str'"),
        (lambda: tavlo.QrCode("x").save(io.BytesIO(), format="gif"), tavlo.TavloValueError, "unknown format 'gif'"),
    ],
)
def test_a_symbols_own_arguments_are_refused_as_tavlo_errors(make, error, message):
    with pytest.raises(error, match=re.escape(message)) as raised:
        make()
    assert isinstance(raised.value, tavlo.TavloError)


def test_max_pixels_refuses_before_allocating_and_none_lifts_it():
    qr = tavlo.QrCode("x")
    with pytest.raises(tavlo.TavloError, match=r"pixels, more than max_pixels=50000000$"):
        qr.png(dpi=10**6)  # 5.7 GB once: now refused in the planner
    with pytest.raises(tavlo.TavloError, match="more than max_pixels=100$"):
        qr.png(max_pixels=100)
    assert qr.layout(dpi=10**5, max_pixels=None).width_dots > 50_000
    assert qr.png(max_pixels=None) == qr.png()


def test_to_pil_opens_large_labels_without_pillows_bomb_check(monkeypatch):
    Image = pytest.importorskip("PIL.Image")
    monkeypatch.setattr(Image, "MAX_IMAGE_PIXELS", 1000)  # as if the label were huge
    image = tavlo.QrCode("x").to_pil(dpi=600)
    assert image.width * image.height > 2 * 1000
    assert Image.MAX_IMAGE_PIXELS == 1000
