#!/usr/bin/env bash
# Installs what is missing, checks the format, then builds and runs every test: natively
# (ASan/UBSan) and cross-built for Windows under Wine; a native clang build only compiles.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

echo "== format check"
bash scripts/format-check.sh

echo "== native build (debug, ASan/UBSan)"
cmake --preset debug >/dev/null
cmake --build --preset debug -j"$jobs"
echo "== native tests"
ctest --preset debug

echo "== native build with clang (build only: its warnings are errors too)"
cmake --preset clang >/dev/null
cmake --build --preset clang -j"$jobs"

echo "== Windows build (MinGW-w64)"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"$jobs"
echo "== Windows tests under Wine"
ctest --preset mingw
