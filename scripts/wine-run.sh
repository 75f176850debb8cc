#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's own prefix (inside the build tree).
# Used as CMAKE_CROSSCOMPILING_EMULATOR and by the scripts.
set -euo pipefail
exe=$1
if [ -z "${WINEPREFIX:-}" ]; then
  d=$(cd "$(dirname "$exe")" && pwd)
  while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  [ -f "$d/CMakeCache.txt" ] || d=$(cd "$(dirname "$exe")" && pwd)
  export WINEPREFIX="$d/wineprefix"
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# Wine's ANSI code page follows the locale; C gives Windows-1252.
export LC_ALL=${PW_WINE_LOCALE:-C}
# A test run's private X server names its display in a file (scripts/xvfb-ctl.sh).
if [ -n "${PW_DISPLAY_FILE:-}" ] && [ -s "$PW_DISPLAY_FILE" ]; then export DISPLAY=$(cat "$PW_DISPLAY_FILE"); fi
"$(dirname "$0")/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
