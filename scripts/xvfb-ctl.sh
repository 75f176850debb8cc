#!/usr/bin/env bash
# Starts one private Xvfb for a test run on a free display, or stops it again by its PID.
# The display (":N") is written to <dir>/display, the PID to <dir>/pid, the output to <dir>/xvfb.log.
set -euo pipefail
cmd=$1 dir=$2
mkdir -p "$dir"
case $cmd in
  start)
    if [ -f "$dir/pid" ] && kill -0 "$(cat "$dir/pid")" 2>/dev/null; then exit 0; fi
    rm -f "$dir/display" "$dir/pid" "$dir/display.num"
    # -displayfd: the server picks a free display number itself and writes it to fd 3.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display.num" \
      >"$dir/xvfb.log" 2>&1 </dev/null &
    echo $! >"$dir/pid"
    for _ in $(seq 100); do
      if [ -s "$dir/display.num" ]; then
        echo ":$(tr -dc 0-9 <"$dir/display.num")" >"$dir/display"
        exit 0
      fi
      kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
      sleep 0.1
    done
    echo "Xvfb did not start; see $dir/xvfb.log" >&2
    kill "$(cat "$dir/pid")" 2>/dev/null || true
    exit 1
    ;;
  stop)
    if [ -f "$dir/pid" ]; then
      pid=$(cat "$dir/pid")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null || true
      rm -f "$dir/pid"
    fi
    ;;
esac
