#!/usr/bin/env bash
# Benchmark (prints figures, asserts nothing): the real postwacht.exe under Wine against a server
# that accepts connections and never answers, and against a healthy Dovecot for comparison.
#  1. the main window's longest stall during a run of 5 accounts, while another process sends it
#     WM_NULL by SendMessageTimeout every 100 ms;
#  2. the length of a run of 20 accounts against the silent server;
#  3. the length of runs of the 3 demo accounts against Dovecot.
# Starts its own Xvfb, Wine prefix and servers in a scratch directory and stops them by PID.
# Usage: responsiveness.sh <postwacht.exe> <pwdriver.exe> [scratch directory]
set -euo pipefail
exe=$(realpath "$1") driver=$(realpath "$2")
dir=${3:-$(mktemp -d /tmp/postwacht-responsiveness.XXXXXX)}
mkdir -p "$dir"
dir=$(realpath "$dir")
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
export WINEPREFIX=$dir/wineprefix PW_DISPLAY_FILE=$dir/xvfb/display
key='HKCU\Software\VB and VBA Program Settings\Mail Postwacht'

pid= silent_pid=
cleanup() {
  for p in $pid $silent_pid; do
    kill "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
  "$scripts/dovecot.sh" stop "$dir/imap" >/dev/null 2>&1 || true
  "$scripts/wineserver-ctl.sh" stop "$WINEPREFIX" >/dev/null 2>&1 || true
  "$scripts/xvfb-ctl.sh" stop "$dir/xvfb" >/dev/null 2>&1 || true
}
trap cleanup EXIT
trap 'exit 1' TERM INT

"$scripts/xvfb-ctl.sh" start "$dir/xvfb"
"$scripts/wineserver-ctl.sh" start "$WINEPREFIX"
drive() { "$scripts/wine-run.sh" "$driver" "$@"; }
value() { sed -n "s/^$1=//p"; }

python3 "$scripts/silent-server.py" >"$dir/silent.port" 2>"$dir/silent.log" &
silent_pid=$!
for _ in $(seq 50); do [ -s "$dir/silent.port" ] && break; sleep 0.1; done
silent=$(cat "$dir/silent.port")

# start <accounts> <port>: the program with that many accounts, its first run finished.
start() {
  "$scripts/wine-run.sh" reg delete "$key" /f >/dev/null 2>&1 || true
  if [ "$1" = demo ]; then
    "$scripts/demo-accounts.sh" registry "$WINEPREFIX" "$2" 60000
  else
    DEMO_COUNT=$1 "$scripts/demo-accounts.sh" registry "$WINEPREFIX" "$2" 60000
  fi
  "$scripts/wine-run.sh" "$exe" >"$dir/postwacht-$1.log" 2>&1 &
  pid=$!
  drive find 30000 >/dev/null
}
stop() {
  drive command 103
  # A program that is still stuck in its run may not take the answer: then it is ended.
  if drive answer "Beenden!" "kuf" 600000 >/dev/null && drive wait-gone 600000; then
    wait "$pid" 2>/dev/null || true
  else
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  pid=
}

echo "== 5 accounts, silent server: longest stall of the main window during a run"
start 5 "$silent"
drive time-run 900000 >/dev/null  # the start-up run
drive command 101
probe=$(drive probe 15000)
echo "longest stall: $(value stall <<<"$probe") ms over $(value probes <<<"$probe") probes"
drive time-run 900000 >/dev/null || true
stop

echo "== 20 accounts, silent server: length of a run"
start 20 "$silent"
drive time-run 900000 >/dev/null  # the start-up run
echo "run of 20 accounts: $(drive time-run 900000 | value run_ms) ms"
stop

echo "== 3 demo accounts, healthy Dovecot: length of a run"
"$scripts/dovecot.sh" wipe "$dir/imap" >/dev/null
port=$("$scripts/dovecot.sh" start "$dir/imap")
"$scripts/demo-accounts.sh" users "$dir/imap"
start demo "$port"
drive time-run 60000 >/dev/null
runs=()
for _ in 1 2 3 4 5 6 7 8 9 10; do runs+=("$(drive time-run 60000 | value run_ms)"); done
echo "runs of 3 accounts: ${runs[*]} ms"
stop
