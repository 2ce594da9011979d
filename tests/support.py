"""Shared helpers for the test suite: reference vectors, rasterising geometry, decoding with zxing-cpp."""

from __future__ import annotations

import io
import json
import os
from functools import cache
from pathlib import Path

import numpy as np
import pytest

VECTORS = Path(__file__).resolve().parents[2] / "shared" / "vectors"


def corpus_size(full: int) -> int:
    """How many payloads a generated corpus has: `full`, scaled by TAVLO_CORPUS_SCALE (the sanitizer run, whose
    encoders are several times slower, takes a tenth), never under 20."""
    return max(min(full, 20), round(full * float(os.environ.get("TAVLO_CORPUS_SCALE", "1"))))


@cache
def _load(name: str) -> tuple[dict, ...]:
    path = VECTORS / name
    if not path.exists():
        return ()
    with path.open(encoding="utf-8") as handle:
        return tuple(json.loads(line) for line in handle if line.strip())


def vectors(name: str, **match) -> list[dict]:
    """The lines of a reference vector file whose fields equal `match`; skips when the folder is absent."""
    lines = _load(name)
    if not lines:
        pytest.skip(f"reference vectors not found at {VECTORS / name}")
    return [line for line in lines if all(line.get(k) == v for k, v in match.items())]


def vector_params(name: str, id_field: str | None = None, **match) -> list:
    """pytest parameters for the matching lines; an empty list when the folder is absent (the test skips)."""
    lines = [line for line in _load(name) if all(line.get(k) == v for k, v in match.items())]
    return [
        pytest.param(line, id=f"{i}-{str(line.get(id_field, ''))[:40]}" if id_field else str(i))
        for i, line in enumerate(lines)
    ]


def module_string(geometry) -> str:
    """The module sequence of a LinearGeometry as '0'/'1' text."""
    cells = bytearray(b"0" * geometry.total_modules)
    for bar in geometry.bars:
        cells[bar.x : bar.x + bar.width] = b"1" * bar.width
    return cells.decode()


def matrix_rows(geometry) -> list[str]:
    """The rows of a MatrixGeometry as '0'/'1' texts."""
    return ["".join("1" if dark else "0" for dark in row) for row in geometry.modules]


def linear_image(geometry, quiet: int = 10, scale: int = 3, height: int = 80) -> np.ndarray:
    """A grayscale image (0 dark, 255 light) of a LinearGeometry with a quiet zone."""
    cells = np.full(geometry.total_modules + 2 * quiet, 255, dtype=np.uint8)
    for bar in geometry.bars:
        cells[quiet + bar.x : quiet + bar.x + bar.width] = 0
    return np.tile(np.repeat(cells, scale), (height, 1))


def matrix_image(geometry, quiet: int = 4, scale: int = 4) -> np.ndarray:
    """A grayscale image (0 dark, 255 light) of a MatrixGeometry with a quiet zone on all sides."""
    cells = np.where(np.array(geometry.modules, dtype=bool), 0, 255).astype(np.uint8)
    cells = np.pad(cells, quiet, constant_values=255)
    return np.kron(cells, np.ones((scale, scale), dtype=np.uint8))


def decode(image: np.ndarray, fmt: str):
    """All zxing-cpp results for one barcode format name (for example 'EAN8', 'QRCode', 'DataMatrix')."""
    import zxingcpp

    return zxingcpp.read_barcodes(image, formats=getattr(zxingcpp.BarcodeFormat, fmt))


def decode_one(image: np.ndarray, fmt: str):
    results = decode(image, fmt)
    assert len(results) == 1, f"expected one {fmt} symbol, zxing-cpp found {len(results)}"
    return results[0]


def png_pixels(data: bytes) -> np.ndarray:
    """The RGBA pixels of a PNG file, shape (height, width, 4)."""
    from PIL import Image

    with Image.open(io.BytesIO(data)) as image:
        assert image.mode == "RGBA"
        return np.asarray(image).copy()


def png_chunks(data: bytes) -> list[str]:
    """The chunk types of a PNG file in order."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    chunks, pos = [], 8
    while pos < len(data):
        length = int.from_bytes(data[pos : pos + 4], "big")
        chunks.append(data[pos + 4 : pos + 8].decode("ascii"))
        pos += 12 + length
    return chunks


def gs1_check_digit(digits: str) -> str:
    """The GS1 modulo-10 check digit of `digits`."""
    total = sum(int(d) * (3 if i % 2 == 0 else 1) for i, d in enumerate(reversed(digits)))
    return str(-total % 10)


def logistic_csv(count: int, seed: int) -> str:
    """A seeded CSV of the columns examples/sscc.toml reads: senders with commas, batches of 1 to 6 characters."""
    import csv
    import random

    rng = random.Random(seed)
    out = io.StringIO()
    writer = csv.DictWriter(out, ["sender", "sscc", "gtin", "count", "batch", "best_before"])
    writer.writeheader()
    for n in range(count):
        sscc = "3" + "".join(rng.choice("0123456789") for _ in range(16))
        gtin = "0" + "".join(rng.choice("0123456789") for _ in range(12))
        batch = "".join(rng.choice("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789") for _ in range(rng.randint(1, 6)))
        writer.writerow({"sender": f"Depot {n}, Oslo", "sscc": sscc + gs1_check_digit(sscc),
                         "gtin": gtin + gs1_check_digit(gtin), "count": str(rng.randint(1, 999)), "batch": batch,
                         "best_before": f"{rng.randint(24, 35):02d}{rng.randint(1, 12):02d}{rng.randint(1, 28):02d}"})
    return out.getvalue()
