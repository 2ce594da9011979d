"""`tavlo batch` beyond one file per row: labels on sheets (--sheet), templates filled from CSV (--template),
resuming a batch (--skip-existing), and files flushed one by one (--fsync)."""

from __future__ import annotations

import csv
import io
import shutil
import subprocess
import sys
from pathlib import Path

import pytest
import support

tavlo = pytest.importorskip("tavlo")
np = pytest.importorskip("numpy")
zxingcpp = pytest.importorskip("zxingcpp")

TAVLO = [sys.executable, "-m", "tavlo"]
EXAMPLE = Path(__file__).resolve().parents[1] / "examples" / "sscc.toml"


def run(*args, input: bytes | None = None) -> subprocess.CompletedProcess:
    return subprocess.run([*TAVLO, *map(str, args)], input=input, capture_output=True, timeout=300)


def pdf_pages(pdf: Path, dpi: int, tmp_path: Path) -> list[np.ndarray]:
    """The PDF's pages in grey, rasterised by pdftoppm."""
    tool = shutil.which("pdftoppm")
    if not tool:
        pytest.skip("pdftoppm (Debian package poppler-utils) is not installed: the PDF cannot be read back")
    from PIL import Image

    subprocess.run([tool, "-r", str(dpi), "-gray", "-png", str(pdf), str(tmp_path / "page")], check=True)
    pages = []
    for path in sorted(tmp_path.glob("page-*.png")):
        with Image.open(path) as image:
            pages.append(np.asarray(image.convert("L")))
    return pages


def texts_in_cells(page: np.ndarray, sheet, dpi: int, format) -> list[str | None]:
    """What zxing-cpp reads in each cell of `sheet` on `page` (rasterised at `dpi`), cell by cell."""
    found = []
    for x, y, width, height in sheet.cells(dpi):
        results = zxingcpp.read_barcodes(page[y:y + height, x:x + width], formats=format)
        found.append(results[0].text if len(results) == 1 else None)
    return found


# ---- sheets --------------------------------------------------------------------------------------------

def test_a_sheet_of_24_labels_reads_back_cell_by_cell(tmp_path):
    rows = [f"Box {n:03d}" for n in range(27)]
    lines = "\n".join(rows[:5] + ["é not ASCII"] + rows[5:]) + "\n"  # line 6 fails and takes no cell
    result = run("batch", "code128", "-", "--sheet", "a4-3x8", "-o", tmp_path / "labels.pdf", input=lines.encode())
    assert result.returncode == 1
    assert result.stderr.decode().startswith("line 6: ")
    assert result.stdout.decode() == f"27 labels on 2 pages of a4-3x8 written to {tmp_path / 'labels.pdf'}, 1 failed\n"
    pages = pdf_pages(tmp_path / "labels.pdf", 300, tmp_path)
    assert [page.shape for page in pages] == [(3508, 2480)] * 2  # A4 at 300 dpi
    sheet = tavlo.Sheet.preset("a4-3x8")
    assert texts_in_cells(pages[0], sheet, 300, zxingcpp.BarcodeFormat.Code128) == rows[:24]
    assert texts_in_cells(pages[1], sheet, 300, zxingcpp.BarcodeFormat.Code128) == rows[24:] + [None] * 21


def test_a_sheet_of_qr_codes_from_a_csv_column(tmp_path):
    (tmp_path / "items.csv").write_text("sku,url\n" + "".join(f"S{n},https://example.com/{n}\n" for n in range(10)))
    result = run("batch", "qr", tmp_path / "items.csv", "--data-column", "url", "--sheet", "letter-2x5",
                 "-o", tmp_path / "sheet.pdf", "--x-dim", "0.5mm")
    assert (result.returncode, result.stderr) == (0, b"")
    page, = pdf_pages(tmp_path / "sheet.pdf", 200, tmp_path)
    found = texts_in_cells(page, tavlo.Sheet.preset("letter-2x5"), 200, zxingcpp.BarcodeFormat.QRCode)
    assert found == [f"https://example.com/{n}" for n in range(10)]


@pytest.mark.parametrize(
    "arguments, message",
    [
        (["--sheet", "a4-3x8"], "argument --sheet and -o/--output go together: --sheet a4-3x8 -o labels.pdf"),
        (["-o", "x.pdf"], "argument --sheet and -o/--output go together: --sheet a4-3x8 -o labels.pdf"),
        (["--sheet", "a4-9x9", "-o", "x.pdf"], "argument --sheet: invalid choice: 'a4-9x9' (choose from "),
        (["--sheet", "a4-3x8", "-o", "x.eps"], "a sheet is written as pdf, png, svg, zpl, not eps"),
    ],
)
def test_sheet_usage_errors(tmp_path, arguments, message):
    result = run("batch", "ean8", "-", *arguments, input=b"1234567\n")
    assert result.returncode == 2
    assert f"tavlo batch ean8: error: {message}" in result.stderr.decode()


def test_a_sheet_in_zpl_is_refused_clearly_where_sheets_have_no_zpl(tmp_path):
    result = run("batch", "ean8", "-", "--sheet", "a4-3x8", "-o", tmp_path / "labels.zpl", input=b"1234567\n")
    if callable(getattr(tavlo.Sheet, "zpl", None)):
        assert result.returncode == 0 and (tmp_path / "labels.zpl").read_bytes().startswith(b"^XA")
    else:
        assert result.returncode == 2
        assert result.stderr.decode().endswith("tavlo batch ean8: error: ZPL of a sheet needs tavlo.Sheet.zpl(), "
                                               "which this tavlo does not have: use -f pdf, png or svg\n")
        assert not (tmp_path / "labels.zpl").exists()


def test_more_labels_than_a_png_page_holds_is_a_usage_error(tmp_path):
    result = run("batch", "ean8", "-", "--sheet", "a4-2x7", "-o", tmp_path / "sheet.png",
                 input=b"1234567\n" * 15)
    assert result.returncode == 2
    assert "15 labels need 2 sheets of 14: a PNG holds one page, a PDF holds them all" in result.stderr.decode()
    assert not (tmp_path / "sheet.png").exists()


# ---- templates -----------------------------------------------------------------------------------------

def logistic_csv(count: int, seed: int = 24) -> tuple[str, list[dict[str, str]]]:
    """A seeded CSV of the columns examples/sscc.toml reads, and its rows."""
    text = support.logistic_csv(count, seed)
    return text, list(csv.DictReader(io.StringIO(text)))


def gs1_texts(row: dict[str, str]) -> set[str]:
    return {f"(01){row['gtin']}(15){row['best_before']}(10){row['batch']}", f"(00){row['sscc']}"}


def read_code128(pixels: np.ndarray) -> set[str]:
    return {r.text for r in zxingcpp.read_barcodes(pixels, formats=zxingcpp.BarcodeFormat.Code128)}


def test_a_template_filled_from_csv_makes_one_pdf_of_every_row(tmp_path):
    text, rows = logistic_csv(20)
    lines = text.splitlines(keepends=True)
    lines.insert(4, "Depot X,123,456,1,L1,240101\n")  # line 5: an SSCC of 3 digits
    (tmp_path / "pallets.csv").write_text("".join(lines))
    result = run("batch", "--template", EXAMPLE, tmp_path / "pallets.csv", "-o", tmp_path / "labels.pdf")
    assert result.returncode == 1
    assert result.stderr.decode().startswith("line 5: ")
    assert result.stdout.decode() == f"20 labels written to {tmp_path / 'labels.pdf'}, 1 failed\n"
    pages = pdf_pages(tmp_path / "labels.pdf", 150, tmp_path)
    assert len(pages) == 20
    for n, (page, row) in enumerate(zip(pages, rows)):
        assert read_code128(page) == gs1_texts(row), f"page {n + 1}: {row}"


def test_a_template_filled_from_csv_makes_one_file_per_row(tmp_path):
    text, rows = logistic_csv(6, seed=3)
    result = run("batch", "--template", EXAMPLE, "-", "-d", tmp_path / "out", "-f", "png", "--dpi", 150,
                 "--name-column", "sscc", input=text.encode())
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout.decode() == f"6 of 6 files written to {tmp_path / 'out'}\n"
    assert sorted(p.name for p in (tmp_path / "out").iterdir()) == sorted(f"{row['sscc']}.png" for row in rows)
    from PIL import Image

    for row in rows:
        with Image.open(tmp_path / "out" / f"{row['sscc']}.png") as image:
            assert read_code128(np.asarray(image.convert("L"))) == gs1_texts(row), row


@pytest.mark.parametrize(
    "csv_text, arguments, message",
    [
        ("sender,sscc\nA,1\n", [], "the template reads the columns 'batch', 'best_before', 'count', 'gtin', which "
         "the header ('sender', 'sscc') does not have"),
        (None, ["--name-column", "id"], "no column 'id': the header has 'sender', 'sscc', 'gtin', 'count', "
         "'batch', 'best_before'"),
        (None, ["-o", "x.png"], "-o writes every label into one file, a PDF (or ZPL), not PNG: give -d DIR for a "
         "file per row"),
    ],
)
def test_template_usage_errors(tmp_path, csv_text, arguments, message):
    data = csv_text if csv_text is not None else logistic_csv(1)[0]
    result = run("batch", "--template", EXAMPLE, "-", "-d", tmp_path / "out", *arguments, input=data.encode())
    assert result.returncode == 2
    assert result.stderr.decode().endswith(f"tavlo batch: error: {message}\n")


def test_a_template_that_cannot_be_read_is_a_usage_error(tmp_path):
    (tmp_path / "bad.toml").write_text("[label]\nwidth = 10\n")
    result = run("batch", "--template", tmp_path / "bad.toml", "-", input=b"a\n1\n")
    assert result.returncode == 2
    assert result.stderr.decode().endswith("a template needs a [label] table with its width and height\n")


def test_a_template_in_zpl_is_refused_clearly_where_templates_have_no_zpl(tmp_path):
    if callable(getattr(tavlo.Template, "zpl", None)):
        pytest.skip("this tavlo's templates have zpl()")
    result = run("batch", "--template", EXAMPLE, "-", "-f", "zpl", "-d", tmp_path, input=logistic_csv(1)[0].encode())
    assert result.returncode == 2
    assert result.stderr.decode().endswith("tavlo batch: error: ZPL of a template needs tavlo.Template.zpl(), which "
                                           "this tavlo does not have: use -f pdf, png or svg\n")


# ---- resuming, flushing --------------------------------------------------------------------------------

def test_skip_existing_resumes_a_batch_after_its_bad_rows_are_fixed(tmp_path):
    out = tmp_path / "out"
    first = run("batch", "ean8", "-", "-d", out, input=b"1234567\n12345\n7654321\n")
    assert (first.returncode, first.stdout.decode()) == (1, f"2 of 3 files written to {out}, 1 failed\n")
    (out / "1.png").write_bytes(b"kept")
    again = run("batch", "ean8", "-", "-d", out, "--skip-existing", input=b"1234567\n1234565\n7654321\n")
    assert (again.returncode, again.stderr) == (0, b"")
    assert again.stdout.decode() == f"1 of 3 files written to {out}, 2 skipped (their files exist)\n"
    assert (out / "1.png").read_bytes() == b"kept"
    assert (out / "2.png").read_bytes() == tavlo.Ean8("1234565").png()
    refused = run("batch", "ean8", "-", "-d", out, "--skip-existing", "--force", input=b"1234567\n")
    assert refused.returncode == 2
    assert "argument --skip-existing: not allowed with argument --force" in refused.stderr.decode()


def test_fsync_flushes_every_file(tmp_path):
    script = ("import os, sys\nfrom tavlo import cli\ncalls = []\nreal = os.fsync\n"
              "os.fsync = lambda fd: (calls.append(fd), real(fd))[1]\nstatus = cli.main(sys.argv[1:])\n"
              "print(len(calls), file=sys.stderr)\nsys.exit(status)")
    rows = b"".join(b"https://example.com/%d\n" % n for n in range(40))
    for arguments, flushes in (([], 0), (["--fsync"], 40)):
        result = subprocess.run([sys.executable, "-c", script, "batch", "qr", "-", "-d", tmp_path / str(flushes),
                                 *arguments], input=rows, capture_output=True, timeout=120)
        assert result.returncode == 0, result.stderr.decode()
        assert int(result.stderr.decode().split()[-1]) == flushes
        assert len(list((tmp_path / str(flushes)).iterdir())) == 40
