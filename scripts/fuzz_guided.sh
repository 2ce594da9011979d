#!/usr/bin/env bash
# Coverage-guided fuzzing: atheris (libFuzzer) drives fuzz/atheris_tavlo.py against a clang build instrumented
# for coverage, ASan and UBSan, in .venv-atheris. The first run builds atheris from source against clang's
# libFuzzer (several minutes), so CI leaves this out; the seeded fuzzer of scripts/fuzz.sh runs there instead.
#   bash scripts/fuzz_guided.sh -max_total_time=600 -rss_limit_mb=4096     (libFuzzer options)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/python_env.sh
source scripts/clang_env.sh
find_clang || { echo "fuzz_guided: no usable clang++" >&2; exit 1; }
clang=${CLANGXX/clang++/clang}

make_venv .venv-atheris
site=$("$VENV_PYTHON" -c 'import sysconfig; print(sysconfig.get_path("purelib"))')
if [ ! -e "$site/asan_with_fuzzer.so" ]; then
    CLANG_BIN=$clang CC=$clang CXX=$CLANGXX pip_install --force-reinstall --no-binary atheris atheris
fi
# The sanitizer runtime comes from atheris's preloaded library, so the module links none of its own; that
# library lacks UBSan's C++ part, hence no vptr check (the core has no virtual classes).
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize=vptr -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
pip_install scikit-build-core pillow
pip_install --no-build-isolation --force-reinstall --no-deps . -Cbuild-dir=build/atheris \
    -Ccmake.build-type=RelWithDebInfo -Ccmake.define.CMAKE_CXX_COMPILER="$CLANGXX" \
    -Ccmake.define.CMAKE_CXX_FLAGS="$flags" -Ccmake.define.CMAKE_MODULE_LINKER_FLAGS="$flags"

mkdir -p build/atheris-corpus
LD_PRELOAD="$site/asan_with_fuzzer.so" PYTHONMALLOC=malloc ASAN_OPTIONS="$ASAN_OPTIONS" \
    UBSAN_OPTIONS="$UBSAN_OPTIONS" "$VENV_PYTHON" fuzz/atheris_tavlo.py build/atheris-corpus "$@"
