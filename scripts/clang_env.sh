# Sourced by the sanitizer scripts: finds clang++ with its AddressSanitizer runtime and runs the interpreter
# with that runtime loaded.
#   find_clang       ->  sets $CLANGXX and $ASAN_RUNTIME, installing Debian's clang when none is usable
#   run_sanitized CMD...  runs CMD with the runtime preloaded

# clang 19 is the first whose concepts level lets libstdc++ 12 declare std::expected.
find_clang() {
    local candidate
    for attempt in 1 2; do
        for candidate in clang++ clang++-22 clang++-21 clang++-20 clang++-19; do
            command -v "$candidate" >/dev/null 2>&1 || continue
            local major
            major=$("$candidate" -dumpversion 2>/dev/null | cut -d. -f1)
            [ "${major:-0}" -ge 19 ] || continue
            ASAN_RUNTIME=$("$candidate" -print-file-name=libclang_rt.asan-x86_64.so)
            [ -e "$ASAN_RUNTIME" ] || continue
            CLANGXX=$(command -v "$candidate")
            return 0
        done
        [ "$attempt" = 1 ] && install_clang || return 1
    done
    return 1
}

install_clang() {
    command -v apt-get >/dev/null 2>&1 && [ "$(id -u)" = 0 ] || return 1
    echo "sanitize: installing clang-19 and its sanitizer runtimes with apt-get" >&2
    apt-get update -qq >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-19 libclang-rt-19-dev >/dev/null
}

# The interpreter is not instrumented, so the runtime must be loaded first. Leak checking is off: CPython
# keeps interned strings, static types and its allocator arenas until exit, which LeakSanitizer would report
# as leaks of every run. PYTHONMALLOC=malloc sends Python objects through the intercepted malloc so an
# overrun into one is caught as well.
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_sanitized() {
    LD_PRELOAD="$ASAN_RUNTIME" PYTHONMALLOC=malloc ASAN_OPTIONS="$ASAN_OPTIONS" UBSAN_OPTIONS="$UBSAN_OPTIONS" "$@"
}
