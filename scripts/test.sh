#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: natively (ASan/UBSan) and
# cross-built for Windows under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

echo "== native build (debug, ASan/UBSan)"
cmake --preset debug >/dev/null
cmake --build --preset debug -j"$jobs"
echo "== native tests"
ctest --preset debug

echo "== Windows build (MinGW-w64)"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"$jobs"
echo "== Windows tests under Wine"
ctest --preset mingw
