"""Getting symbols out of Python: save() to paths and file objects, all or nothing; data URIs; Pillow images."""

from __future__ import annotations

import base64
import io
import os
import signal
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

tavlo = pytest.importorskip("tavlo")
from tavlo import _output  # noqa: E402

QR = tavlo.QrCode("https://example.com")
CODE128 = tavlo.Code128("Parcel 123")

RENDERED = {
    "png": lambda symbol, **options: symbol.png(**options),
    "svg": lambda symbol, **options: symbol.svg(**options).encode("utf-8"),
    "pdf": lambda symbol, **options: symbol.pdf(**options),
}


class Failing:
    """A symbol whose rendering fails, as a bad option or an interrupt would make it."""

    def __init__(self, error: BaseException):
        self.error = error

    def png(self, **options):
        raise self.error

    svg = pdf = png


def leftovers(folder: Path) -> list[str]:
    return sorted(path.name for path in folder.iterdir())


# ---- save() to a path ----------------------------------------------------------------------------------

@pytest.mark.parametrize("format", ["png", "svg", "pdf"])
@pytest.mark.parametrize("as_path", [str, Path], ids=["str", "PathLike"])
def test_save_to_a_path_takes_the_format_from_the_suffix(tmp_path, format, as_path):
    target = tmp_path / f"label.{format}"
    _output.save(CODE128, as_path(target))
    assert target.read_bytes() == RENDERED[format](CODE128)
    assert leftovers(tmp_path) == [target.name]


def test_suffix_is_case_insensitive_and_an_explicit_format_wins(tmp_path):
    _output.save(QR, tmp_path / "upper.PNG")
    _output.save(QR, tmp_path / "label.img", format="svg")
    _output.save(QR, tmp_path / "named.png", format=".PDF")
    assert (tmp_path / "upper.PNG").read_bytes() == QR.png()
    assert (tmp_path / "label.img").read_bytes() == QR.svg().encode()
    assert (tmp_path / "named.png").read_bytes() == QR.pdf()


def test_rendering_options_reach_the_symbol(tmp_path):
    options = dict(dpi=600, x_dim="0.5mm", quiet_zone=2, foreground="#123456", background=None)
    _output.save(QR, tmp_path / "qr.png", **options)
    assert (tmp_path / "qr.png").read_bytes() == QR.png(**options)


@pytest.mark.parametrize(
    "target, format, message",
    [
        ("label.jpg", None, "unknown format '.jpg' of 'label.jpg': use one of png, svg, pdf, eps, zpl"),
        ("label", None, "cannot tell the format of 'label' without a suffix: name it .png, .svg, .pdf, .eps or .zpl, "
                        "or pass format="),
        ("label.png", "gif", "unknown format 'gif': use one of png, svg, pdf, eps, zpl"),
        (io.BytesIO(), None, "cannot tell the format of a file object: pass format= one of png, svg, pdf, eps, zpl"),
    ],
)
def test_unknown_formats_are_refused_before_anything_is_written(tmp_path, monkeypatch, target, format, message):
    monkeypatch.chdir(tmp_path)
    with pytest.raises(ValueError) as raised:
        _output.save(QR, target, format=format)
    assert str(raised.value) == message
    assert leftovers(tmp_path) == []


def test_new_files_get_the_ordinary_mode(tmp_path):
    _output.save(QR, tmp_path / "qr.png")
    mask = os.umask(0o022)
    os.umask(mask)
    assert (tmp_path / "qr.png").stat().st_mode & 0o777 == 0o666 & ~mask


# ---- save() to a file object ---------------------------------------------------------------------------

def test_save_to_binary_file_objects(tmp_path):
    buffer = io.BytesIO()
    _output.save(QR, buffer, format="svg")
    assert buffer.getvalue() == QR.svg().encode()
    with open(tmp_path / "qr.pdf", "wb") as handle:  # the format from the open file's name
        _output.save(QR, handle)
    assert (tmp_path / "qr.pdf").read_bytes() == QR.pdf()


def test_text_file_objects_and_other_targets_are_refused(tmp_path):
    with open(tmp_path / "qr.svg", "w") as handle, pytest.raises(TypeError) as raised:
        _output.save(QR, handle)
    assert str(raised.value) == "save() needs a binary file object: open the file with mode 'wb'"
    with pytest.raises(TypeError) as raised:
        _output.save(QR, 42, format="png")
    assert str(raised.value) == "save() needs a path or a binary file object, not int"


# ---- whole or not at all -------------------------------------------------------------------------------

@pytest.mark.parametrize("error", [tavlo.TavloError("Invalid data"), KeyboardInterrupt(), MemoryError()],
                         ids=lambda error: type(error).__name__)
def test_a_failed_rendering_leaves_the_old_file_alone(tmp_path, error):
    target = tmp_path / "label.png"
    target.write_bytes(b"old label")
    with pytest.raises(type(error)):
        _output.save(Failing(error), target)
    assert target.read_bytes() == b"old label"
    assert leftovers(tmp_path) == ["label.png"]


@pytest.mark.parametrize("step", ["write", "fsync", "replace"])
@pytest.mark.parametrize("error", [KeyboardInterrupt, OSError], ids=["KeyboardInterrupt", "OSError"])
def test_an_interrupted_write_leaves_no_partial_file(tmp_path, monkeypatch, step, error):
    def interrupt(*args):
        raise error()

    monkeypatch.setattr(_output.os, step, interrupt)
    with pytest.raises(error):
        _output.save(QR, tmp_path / "new.png")
    monkeypatch.undo()
    (tmp_path / "old.png").write_bytes(b"old label")
    monkeypatch.setattr(_output.os, step, interrupt)
    with pytest.raises(error):
        _output.save(QR, tmp_path / "old.png")
    monkeypatch.undo()
    assert leftovers(tmp_path) == ["old.png"]
    assert (tmp_path / "old.png").read_bytes() == b"old label"


def test_a_killed_writer_leaves_the_old_file_whole(tmp_path):
    # The writer is killed after its bytes are in the temporary file and before the rename: the worst moment.
    target = tmp_path / "label.png"
    target.write_bytes(b"old label")
    script = textwrap.dedent(f"""
        import os, sys, time
        import tavlo
        from tavlo import _output
        def stall(fd):
            print("written", flush=True)
            time.sleep(60)
        os.fsync = stall
        _output.save(tavlo.QrCode("https://example.com"), {str(target)!r})
    """)
    writer = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True)
    try:
        assert writer.stdout.readline() == "written\n"
        temporary = [name for name in leftovers(tmp_path) if name != "label.png"]
        assert len(temporary) == 1 and temporary[0].startswith(".label.png.")
        assert (tmp_path / temporary[0]).read_bytes() == QR.png()
    finally:
        writer.send_signal(signal.SIGKILL)
        writer.wait()
    assert target.read_bytes() == b"old label"


def test_write_file_without_overwrite_keeps_an_existing_file(tmp_path):
    target = tmp_path / "label.png"
    target.write_bytes(b"old label")
    with pytest.raises(FileExistsError):
        _output.write_file(target, b"new label", overwrite=False)
    assert target.read_bytes() == b"old label"
    _output.write_file(tmp_path / "fresh.png", b"new label", overwrite=False)
    assert leftovers(tmp_path) == ["fresh.png", "label.png"]
    assert (tmp_path / "fresh.png").read_bytes() == b"new label"


# ---- data URIs and Pillow ------------------------------------------------------------------------------

@pytest.mark.parametrize("format, media_type", [("png", "image/png"), ("svg", "image/svg+xml"),
                                                ("pdf", "application/pdf")])
def test_data_uri(format, media_type):
    uri = _output.data_uri(CODE128, format, dpi=203)
    prefix = f"data:{media_type};base64,"
    assert uri.startswith(prefix)
    assert base64.b64decode(uri[len(prefix):], validate=True) == RENDERED[format](CODE128, dpi=203)


def test_data_uri_defaults_to_png_and_refuses_unknown_formats():
    assert _output.data_uri(QR) == "data:image/png;base64," + base64.b64encode(QR.png()).decode()
    with pytest.raises(ValueError, match="unknown format 'jpeg': use one of png, svg, pdf, eps, zpl"):
        _output.data_uri(QR, "jpeg")


def test_to_pil_is_the_png_as_an_image():
    image_module = pytest.importorskip("PIL.Image")
    image = _output.to_pil(QR, dpi=600, x_dim="4dots")
    reference = image_module.open(io.BytesIO(QR.png(dpi=600, x_dim="4dots")))
    assert image.size == reference.size
    assert image.mode == reference.mode
    assert image.tobytes() == reference.tobytes()
    assert round(image.info["dpi"][0]) == 600


def test_to_pil_without_pillow_says_how_to_get_it(monkeypatch):
    monkeypatch.setitem(sys.modules, "PIL", None)
    with pytest.raises(ImportError) as raised:
        _output.to_pil(QR)
    assert str(raised.value) == "to_pil() needs Pillow: pip install 'tavlo[pil]' (or pip install pillow)"
