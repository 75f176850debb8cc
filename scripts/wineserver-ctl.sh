#!/usr/bin/env bash
# Starts one persistent wineserver for a test run, or stops it again.
set -euo pipefail
cmd=$1 prefix=$2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=${PW_WINE_LOCALE:-C}
# A test run's private X server names its display in a file (scripts/xvfb-ctl.sh).
if [ -n "${PW_DISPLAY_FILE:-}" ] && [ -s "$PW_DISPLAY_FILE" ]; then export DISPLAY=$(cat "$PW_DISPLAY_FILE"); fi
case $cmd in
  start)
    "$(dirname "$0")/wine-prefix.sh" "$prefix"
    wineserver -p >"$prefix.server.log" 2>&1 </dev/null
    wine cmd /c exit >>"$prefix.server.log" 2>&1 </dev/null || true
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    ;;
esac
