#!/usr/bin/env bash
# Builds tavlo into .venv-bench with the libraries it is compared against, then runs every benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/python_env.sh
ensure_zlib_headers
make_venv .venv-bench
pip_install zxing-cpp pillow numpy segno qrcode python-barcode zint-bindings pystrich
pip_install .
for script in bench/*.py; do
    echo "== $script"
    "$VENV_PYTHON" "$script"
done
