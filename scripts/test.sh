#!/usr/bin/env bash
# Builds and installs tavlo into .venv-test with the test tools, then runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/python_env.sh
ensure_zlib_headers
ensure_raster_tools
make_venv .venv-test
pip_install pytest hypothesis zxing-cpp numpy pillow segno
pip_install .
cd tests  # import the installed module, never a stray build
exec "$VENV_PYTHON" -m pytest -q -p no:cacheprovider "$@" .
