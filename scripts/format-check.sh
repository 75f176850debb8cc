#!/usr/bin/env bash
# Reports the C++ files that differ from what clang-format makes of them with the repository's
# .clang-format, and fails when there is any.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "format check: clang-format not found" >&2
  exit 1
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find src tests -name '*.cpp' -o -name '*.h' | sort)
fi
# One run over all files: each difference is reported as "<file>:<line>:<column>: warning: ...".
mapfile -t differ < <(clang-format --style=file --dry-run "${files[@]}" 2>&1 |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: .*-Wclang-format-violations.*/\1/p' | sort -u)
echo "format check: ${#differ[@]} of ${#files[@]} files differ from clang-format"
for f in "${differ[@]}"; do echo "  $f"; done
[ ${#differ[@]} -eq 0 ]
