"""The committed OCR-B table is exactly what the generator makes from Debian's fonts-ocr-b."""

import importlib.util
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[1]
FONT = Path("/usr/share/fonts/opentype/ocr-b/OCRB.otf")


@pytest.mark.skipif(not FONT.exists(), reason="fonts-ocr-b is not installed")
@pytest.mark.skipif(importlib.util.find_spec("fontTools") is None, reason="fontTools is not installed")
def test_regenerating_the_glyph_table_gives_the_committed_file():
    result = subprocess.run(
        [sys.executable, str(ROOT / "scripts" / "gen_ocrb_glyphs.py"), "--check"], capture_output=True, text=True
    )
    assert result.returncode == 0, result.stdout + result.stderr
    assert result.stdout.strip() == "up to date"
