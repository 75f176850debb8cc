#!/usr/bin/env bash
# Runs the given test program against scripts/busy-server.py on loopback, with its port in
# PW_BUSY_PORT; the server logs beside the build and is stopped by PID however the run ends.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
dir="$1"
shift
mkdir -p "$dir"
python3 "$here/../../scripts/busy-server.py" >"$dir/busy.port" 2>"$dir/busy.log" &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [[ -s "$dir/busy.port" ]] && break
  sleep 0.1
done
PW_BUSY_PORT="$(head -1 "$dir/busy.port")"
export PW_BUSY_PORT
# Wine hands the variable on to the program as it is.
"$@" --gtest_filter='BusyServer.*'
