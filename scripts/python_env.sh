# Sourced by the set-up scripts: finds CPython 3.13 (or the newest CPython 3.10+ there is) and makes a venv.
#   make_venv DIR  ->  creates DIR if needed and sets $VENV_PYTHON

find_python() {
    local candidate
    for candidate in python3.13 /usr/bin/python3.13 "$HOME"/.pyenv/versions/3.13*/bin/python3.13 \
                     /usr/local/bin/python3.13; do
        if command -v "$candidate" >/dev/null 2>&1 && "$candidate" -c 'import sys' >/dev/null 2>&1; then
            echo "$candidate"; return 0
        fi
    done
    for candidate in python3.14 python3.12 python3.11 python3.10 python3; do
        if command -v "$candidate" >/dev/null 2>&1 && "$candidate" -c 'import sys; assert sys.version_info >= (3, 10)' >/dev/null 2>&1; then
            echo "warning: no python3.13 found, using $candidate" >&2
            echo "$candidate"; return 0
        fi
    done
    echo "error: no Python 3.10 or newer found" >&2
    return 1
}

ensure_zlib_headers() {
    if [ ! -e /usr/include/zlib.h ] && command -v apt-get >/dev/null 2>&1; then
        apt-get update -qq && apt-get install -y -qq zlib1g-dev >/dev/null
    fi
}

# The raster tools the label tests read PDF, SVG and EPS back with (Debian packages); the tests skip, saying
# which package is missing, where they cannot be installed.
ensure_raster_tools() {
    if { ! command -v pdftoppm || ! command -v rsvg-convert || ! command -v gs || ! command -v qpdf; } >/dev/null 2>&1 && command -v apt-get >/dev/null 2>&1; then
        { apt-get install -y -qq poppler-utils librsvg2-bin ghostscript qpdf || { apt-get update -qq && apt-get install -y -qq poppler-utils librsvg2-bin ghostscript qpdf; }; } >/dev/null 2>&1 ||
            echo "note: could not install poppler-utils, librsvg2-bin, ghostscript and qpdf; PDF, SVG and EPS read-back tests and the PDF check will skip" >&2
    fi
}

make_venv() {
    local dir=$1 python
    python=$(find_python) || return 1
    if [ ! -x "$dir/bin/python" ]; then
        "$python" -m venv "$dir" || return 1
    fi
    VENV_PYTHON="$(cd "$dir" && pwd)/bin/python"
}

# pip, quiet, without the notes this machine's pip configuration prints about absent local indexes.
pip_install() {
    "$VENV_PYTHON" -m pip install -q --disable-pip-version-check "$@" 2> >(grep -v "is ignored: it is neither" >&2)
}
