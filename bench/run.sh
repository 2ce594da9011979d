#!/usr/bin/env bash
# Builds tavlo into .venv-bench with the libraries it is compared against (and Debian's zint for
# bench_batch.py), then runs every benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/python_env.sh
ensure_zlib_headers
if ! command -v zint >/dev/null 2>&1 && command -v apt-get >/dev/null 2>&1; then
    { apt-get install -y -qq zint || { apt-get update -qq && apt-get install -y -qq zint; }; } >/dev/null 2>&1 ||
        echo "note: could not install zint; bench_batch.py will skip" >&2
fi
make_venv .venv-bench
pip_install zxing-cpp pillow numpy segno qrcode python-barcode zint-bindings pystrich
pip_install .
for script in bench/*.py; do
    echo "== $script"
    "$VENV_PYTHON" "$script"
done
# The batch again on a RAM disk, where the programs rather than the disk set the pace.
if [ -d /dev/shm ]; then
    echo "== bench/bench_batch.py --dir /dev/shm"
    "$VENV_PYTHON" bench/bench_batch.py --dir /dev/shm
fi
