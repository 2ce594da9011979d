#!/usr/bin/env bash
# Builds and runs the core's C++ tests, installs tavlo into .venv-test with the test tools, then runs the
# whole pytest suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/python_env.sh
ensure_zlib_headers
make_venv .venv-test
pip_install pytest hypothesis zxing-cpp numpy pillow
# The core's own C++ tests, then the extension, both with the core's invariant checks (TAVLO_ASSERT) on.
cmake -S . -B build/core-tests -DTAVLO_PYTHON=OFF -DTAVLO_TESTS=ON -DTAVLO_ASSERTIONS=ON >/dev/null
cmake --build build/core-tests -j 2 >/dev/null
ctest --test-dir build/core-tests --output-on-failure
pip_install -C cmake.define.TAVLO_ASSERTIONS=ON .
cd tests  # import the installed module, never a stray build
exec "$VENV_PYTHON" -m pytest -q -p no:cacheprovider "$@" .
