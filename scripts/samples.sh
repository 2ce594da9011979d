#!/usr/bin/env bash
# Builds and installs tavlo into .venv, then writes PNG and SVG samples of every symbology to samples-out/
# with an index.html that shows them.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/python_env.sh
ensure_zlib_headers
make_venv .venv
pip_install .
"$VENV_PYTHON" scripts/make_samples.py samples-out
