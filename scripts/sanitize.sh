#!/usr/bin/env bash
# Builds tavlo with clang++ under AddressSanitizer and UndefinedBehaviorSanitizer into .venv-asan and runs the
# core's C++ tests and the whole pytest suite there; any report ends the run with a failure.
#   bash scripts/sanitize.sh [pytest arguments]      suite under the sanitizers
#   SANITIZE_ONLY_BUILD=1 bash scripts/sanitize.sh   build only (scripts/fuzz.sh uses it)
# Installs Debian's clang (and its sanitizer runtimes) through apt-get when no usable clang++ is found.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/python_env.sh
source scripts/clang_env.sh
ensure_zlib_headers
if ! find_clang; then
    echo "sanitize: no clang++ 19 or newer and none could be installed; sanitizer run skipped" >&2
    exit 0
fi
echo "sanitize: $CLANGXX, runtime $ASAN_RUNTIME"

# -O1 keeps the suite fast enough; frame pointers give whole stacks. The libstdc++ assertions add bounds
# checks to operator[] of vector, span and string_view, which ASan alone misses inside one allocation.
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
flags="$flags -D_GLIBCXX_ASSERTIONS"

cmake -S . -B build/asan-core -DTAVLO_PYTHON=OFF -DTAVLO_TESTS=ON -DTAVLO_ASSERTIONS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER="$CLANGXX" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build build/asan-core -j2 >/dev/null

make_venv .venv-asan
pip_install scikit-build-core
pip_install --no-build-isolation ".[test]" -Cbuild-dir=build/asan \
    -Ccmake.build-type=RelWithDebInfo -Ccmake.define.TAVLO_ASSERTIONS=ON -Ccmake.define.CMAKE_CXX_COMPILER="$CLANGXX" \
    -Ccmake.define.CMAKE_CXX_FLAGS="$flags" -Ccmake.define.CMAKE_MODULE_LINKER_FLAGS="$flags -shared-libsan" \
    -Ccmake.define.CMAKE_SHARED_LINKER_FLAGS="$flags -shared-libsan"
[ -n "${SANITIZE_ONLY_BUILD:-}" ] && exit 0

export ASAN_OPTIONS UBSAN_OPTIONS
(cd build/asan-core && ctest --output-on-failure)
cd tests
# The generated corpora at a tenth: the sanitized encoders are several times slower, and the whole corpora
# already ran in the g++ suite.
export TAVLO_CORPUS_SCALE=${TAVLO_CORPUS_SCALE:-0.1}
run_sanitized "$VENV_PYTHON" -m pytest -q -p no:cacheprovider "$@" .
