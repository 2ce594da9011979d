#!/usr/bin/env bash
# Writes the label pictures the README shows to docs/labels/ with the tavlo command line: .venv's, which
# bash scripts/samples.sh installs, or the one $TAVLO names.
set -euo pipefail
cd "$(dirname "$0")/.."
tavlo=${TAVLO:-.venv/bin/tavlo}
out=docs/labels
mkdir -p "$out"
"$tavlo" ean8 9638507 --dpi 300 -o "$out/ean8.png"
"$tavlo" upca 03600029145 --dpi 300 -o "$out/upca.png"
"$tavlo" gs1-128 "(01)09501101530003(17)250101(10)ABC123" --dpi 300 -x 4dots -o "$out/gs1-128.png"
"$tavlo" itf14 1234567890123 --dpi 300 -x 4dots -o "$out/itf14.png"
