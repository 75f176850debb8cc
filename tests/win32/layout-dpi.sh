#!/usr/bin/env bash
# Runs the window layout tests again at 120 and 144 DPI: sets the prefix's LogPixels for the
# run and puts back what was there afterwards, also on failure.
# Usage: layout-dpi.sh <postwacht_tests.exe>
set -euo pipefail
tests=$1
wine_run=$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run.sh
key='HKCU\Control Panel\Desktop'
before=$("$wine_run" reg query "$key" /v LogPixels 2>/dev/null | tr -d '\r' |
  awk '$1 == "LogPixels" { print $3 }' || true)
restore() {
  if [ -n "$before" ]; then
    "$wine_run" reg add "$key" /v LogPixels /t REG_DWORD /d "$((before))" /f >/dev/null 2>&1 || true
  else
    "$wine_run" reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
  fi
}
trap restore EXIT
for dpi in 120 144; do
  echo "== $dpi DPI"
  "$wine_run" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  PW_LAYOUT_DPI=$dpi "$wine_run" "$tests" --gtest_filter='WindowLayoutTest.*' --gtest_brief=1
done
