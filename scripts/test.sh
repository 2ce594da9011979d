#!/usr/bin/env bash
# The whole test run, as CI makes it: the suite on a g++ build in .venv-test, the core's C++ tests, the suite
# again on a clang build under ASan and UBSan, a minute of fuzzing under the sanitizers, and the thread
# tests on a free-threaded CPython where one is installed. The core's invariant checks (TAVLO_ASSERT) are on
# in every build here. Each stage's time is printed at the end.
#   bash scripts/test.sh                 everything
#   bash scripts/test.sh -k code128      the g++ suite alone, with these pytest arguments
#   FUZZ_SECONDS=300 bash scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/python_env.sh
ensure_zlib_headers
ensure_raster_tools

timings=()
timed() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    timings+=("$name $((SECONDS - start)) s")
}

suite() {
    make_venv .venv-test
    pip_install pytest hypothesis zxing-cpp numpy pillow segno zint-bindings reportlab pyarrow python-stdnum  # zint, stdnum: cross-checks in tests only
    # The recipe for many machines is tested on Dask where it installs, and skipped with a message otherwise.
    pip_install pandas "dask[distributed]" || echo "note: could not install dask; its test will skip" >&2
    pip_install -C cmake.define.TAVLO_ASSERTIONS=ON .
    (cd tests && "$VENV_PYTHON" -m pytest -q -p no:cacheprovider "$@" .)  # the installed module, never a stray build
}

core_tests() {
    cmake -S . -B build/core-tests -DTAVLO_PYTHON=OFF -DTAVLO_TESTS=ON -DTAVLO_ASSERTIONS=ON >/dev/null
    cmake --build build/core-tests -j2 >/dev/null
    (cd build/core-tests && ctest --output-on-failure)
}

# Free-threaded interpreters are found, never installed: where there is none, the stage is left out.
free_threaded_python() {
    local candidate
    for candidate in python3.13t python3.14t python3.15t "$HOME"/.pyenv/versions/3.1[3-9]*t/bin/python3.1[3-9]t; do
        if command -v "$candidate" >/dev/null 2>&1 &&
           "$candidate" -c 'import sys, sysconfig; sys.exit(not sysconfig.get_config_var("Py_GIL_DISABLED"))' 2>/dev/null; then
            echo "$candidate"; return 0
        fi
    done
    return 1
}

thread_tests() {
    local python=$1 venv=.venv-free-threaded
    [ -x "$venv/bin/python" ] || "$python" -m venv "$venv"
    VENV_PYTHON="$(cd "$venv" && pwd)/bin/python"
    pip_install scikit-build-core pytest
    pip_install --no-build-isolation . -Cbuild-dir=build/free-threaded
    # The module must leave the GIL off when it loads, then hold up under real parallelism.
    "$VENV_PYTHON" -c 'import sys, _tavlo; sys.exit(sys._is_gil_enabled())'
    (cd tests && "$VENV_PYTHON" -m pytest -q -p no:cacheprovider test_threads.py package/test_package_threads.py)
}

if [ $# -gt 0 ]; then
    suite "$@"
    exit
fi
timed "suite (g++)" suite
timed "core C++ tests (g++)" core_tests
timed "suite under ASan+UBSan (clang++)" bash scripts/sanitize.sh
# The seed comes from the commit, so a run is the same wherever that commit is tested; each new commit
# explores afresh. FUZZ_SEED overrides it.
fuzz_seed=${FUZZ_SEED:-$(( 16#$(git rev-parse --short=7 HEAD 2>/dev/null || echo 1) ))}
timed "fuzzing under ASan+UBSan" bash scripts/fuzz.sh --seconds "${FUZZ_SECONDS:-60}" --seed "$fuzz_seed"
if python=$(free_threaded_python); then
    timed "thread tests ($python)" thread_tests "$python"
fi
printf 'stage time: %s\n' "${timings[@]}"
