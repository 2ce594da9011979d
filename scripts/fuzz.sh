#!/usr/bin/env bash
# Runs the structured fuzzer against the sanitizer build (made first when .venv-asan lacks it).
#   bash scripts/fuzz.sh                    about a minute from a fresh seed
#   bash scripts/fuzz.sh --seconds 3600     a longer run
#   bash scripts/fuzz.sh --seed S --case N  replays one case under the sanitizers
# A crash inside the extension leaves no Python report, so the case running at that moment is printed here.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/clang_env.sh
if ! find_clang; then
    echo "fuzz: no usable clang++; fuzzing without sanitizers in .venv-test" >&2
    exec .venv-test/bin/python fuzz/fuzz_tavlo.py "$@"
fi
[ -x .venv-asan/bin/python ] && run_sanitized .venv-asan/bin/python -c "import _tavlo" 2>/dev/null ||
    SANITIZE_ONLY_BUILD=1 bash scripts/sanitize.sh

progress=$(mktemp)
trap 'rm -f "$progress"' EXIT
status=0
run_sanitized .venv-asan/bin/python fuzz/fuzz_tavlo.py --progress "$progress" "$@" || status=$?
if [ "$status" -gt 1 ]; then
    echo "fuzz: the process died (status $status) in the case replayed by:" >&2
    echo "  bash scripts/fuzz.sh $(sed "s/^python fuzz\/fuzz_tavlo.py //; s/ *$//" "$progress")" >&2
fi
if [ "$status" -eq 0 ]; then
    # Stop signals at many more moments of a batch than the suite's 200 (tests/batch_signals.py).
    seed=$(sed -n 's/.*--seed \([0-9]*\).*/\1/p' "$progress")
    run_sanitized .venv-asan/bin/python tests/batch_signals.py --seed "${seed:-1}" --runs 1000 || status=$?
fi
exit "$status"
