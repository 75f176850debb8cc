#!/usr/bin/env bash
# End to end against a bad network: the real postwacht.exe under Wine and Xvfb, driven from
# outside. First a name server that never answers (the program runs in a private mount namespace
# whose /etc/resolv.conf names a silent server of this test's own): the window keeps answering,
# the run of five accounts ends within the resolver's time-out, and no message box comes, over
# two runs. Then servers that answer the LOGIN and never stop sending: slower than the answer's
# bound (the window keeps answering, the run ends at the time-out without a box), faster (one box
# for the malformed reply over two runs), and a search answered without end (the memory stays
# within 64 MB of the program without a flood).
# Prints the figures. Usage: bad-network.sh <postwacht.exe> <pwdriver.exe> <artefact directory>
set -euo pipefail
exe=$1 driver=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
scripts=$here/../../scripts
wine_run=$scripts/wine-run.sh
key='HKCU\Software\VB and VBA Program Settings\Mail Postwacht'
mkdir -p "$out"
rm -f "$out"/*.log "$out"/*.png
if [ -n "${PW_DISPLAY_FILE:-}" ] && [ -s "$PW_DISPLAY_FILE" ]; then export DISPLAY=$(cat "$PW_DISPLAY_FILE"); fi
[ -n "${DISPLAY:-}" ] || { echo "bad-network: no X display" >&2; exit 1; }

pid= dns_pid= flood_pid= idle=0
cleanup() {
  for p in $pid $dns_pid $flood_pid; do
    kill "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
}
trap cleanup EXIT
trap 'exit 1' TERM INT

fail() { echo "bad-network: FAIL: $*" >&2; exit 1; }
drive() { "$wine_run" "$driver" "$@"; }
expect() { grep -qxF -- "$1" <<<"$2" || fail "expected '$1' in:"$'\n'"$2"; }
wait_for() {
  local line=$1 seconds=$2 tries=0
  shift 2
  until out_text=$(drive "$@") && grep -qxF -- "$line" <<<"$out_text"; do
    tries=$((tries + 1))
    [ "$tries" -lt "$seconds" ] || fail "expected '$line' within $seconds s in:"$'\n'"$out_text"
    drive click Anwesenheitsliste 2002 >/dev/null 2>&1 || true
    sleep 1
  done
}
boxes() { drive windows "Mailpostwacht unerwarteter Fehler!" | sed -n 's/^windows=//p'; }
# The peak resident memory (kB) of the Wine process that runs postwacht.exe in this prefix.
peak_kb() {
  local p best=0 kb
  for p in $(pgrep -f 'postwacht\.exe' || true); do
    tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    kb=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$p/status" 2>/dev/null || true)
    [ -n "$kb" ] && [ "$kb" -gt "$best" ] && best=$kb
  done
  echo "$best"
}
quit() {
  drive command 103
  drive answer "Beenden!" "kuf" 10000 >/dev/null
  drive wait-gone 15000 || fail "the program did not end"
  wait "$pid" || true
  pid=
}

echo "== a name server that never answers"
if ! unshare -m true 2>/dev/null; then
  echo "bad-network: no private mount namespace here (unshare -m needs root): part left out"
else
  dns=127.0.53.$((RANDOM % 200 + 20))
  python3 "$scripts/silent-dns.py" "$dns" >"$out/dns.out" 2>"$out/dns.log" &
  dns_pid=$!
  for _ in $(seq 50); do [ -s "$out/dns.out" ] && break; sleep 0.1; done
  [ -s "$out/dns.out" ] || fail "the silent name server did not start"
  printf 'nameserver %s\noptions timeout:2 attempts:1\n' "$dns" >"$out/resolv.conf"
  "$wine_run" reg delete "$key" /f >/dev/null 2>&1 || true
  DEMO_COUNT=5 DEMO_HOST=imap.postwacht.invalid-dns.test \
    "$scripts/demo-accounts.sh" registry "$WINEPREFIX" 143 600000
  started=$(date +%s%N)
  unshare -m bash -c 'mount --bind "$1" /etc/resolv.conf && shift && exec "$@"' _ \
    "$out/resolv.conf" "$wine_run" "$exe" >"$out/postwacht-dns.log" 2>&1 &
  pid=$!
  drive find 30000 >/dev/null || fail "the main window did not appear"
  shown=$(date +%s%N)
  probe=$(drive probe 6000)
  stall=$(sed -n 's/^stall=//p' <<<"$probe")
  wait_for "status=Suchlauf beendet ..." 30 info
  took=$((($(date +%s%N) - started) / 1000000))
  window=$((($(date +%s%N) - shown) / 1000000))
  expect "nodes=0" "$out_text"
  echo "silent resolver: longest stall $stall ms; start and first run of 5 accounts $took ms" \
    "($window ms after the window showed)"
  [ "$stall" -lt 500 ] || fail "the main window did not answer for $stall ms"
  [ "$took" -lt 20000 ] || fail "the run took $took ms"
  run=$(drive time-run 30000) || fail "the second run did not end"
  echo "silent resolver: second run of 5 accounts $(sed -n 's/^run_ms=//p' <<<"$run") ms"
  wait_for "status=Suchlauf beendet ..." 30 info
  n=$(boxes)
  idle=$(peak_kb)
  echo "silent resolver: message boxes after two runs: $n"
  [ "$n" = 0 ] || fail "$n message boxes for a name server out of reach"
  quit
  kill "$dns_pid" 2>/dev/null || true
  wait "$dns_pid" 2>/dev/null || true
  dns_pid=
fi

# flood <mode> <accounts>: starts the flooding server in that mode and the program against it.
flood() {
  python3 "$scripts/flooding-server.py" "$1" >"$out/flood.port" 2>"$out/flood.log" &
  flood_pid=$!
  for _ in $(seq 50); do [ -s "$out/flood.port" ] && break; sleep 0.1; done
  [ -s "$out/flood.port" ] || fail "the flooding server did not start"
  "$wine_run" reg delete "$key" /f >/dev/null 2>&1 || true
  DEMO_COUNT=$2 "$scripts/demo-accounts.sh" registry "$WINEPREFIX" "$(cat "$out/flood.port")" 600000
  "$wine_run" "$exe" >"$out/postwacht-flood-$1.log" 2>&1 &
  pid=$!
  drive find 30000 >/dev/null || fail "the main window did not appear"
}
stop_flood() {
  quit
  kill "$flood_pid" 2>/dev/null || true
  wait "$flood_pid" 2>/dev/null || true
  flood_pid= 
  rm -f "$out/flood.port"
}

echo "== a server that never stops sending, slower than the answer's bound: out of reach"
flood slow 1
probe=$(drive probe 8000)
stall=$(sed -n 's/^stall=//p' <<<"$probe")
wait_for "status=Suchlauf beendet ..." 30 info
n=$(boxes)
echo "flooding server (slow): longest stall $stall ms; message boxes: $n"
[ "$stall" -lt 500 ] || fail "the main window did not answer for $stall ms"
[ "$n" = 0 ] || fail "a message box for a server out of reach"
stop_flood

echo "== a server that never stops sending, past the answer's bound: one box over two runs"
flood exists 5
probe=$(drive probe 2000)
stall=$(sed -n 's/^stall=//p' <<<"$probe")
wait_for "windows=1" 30 windows "Mailpostwacht unerwarteter Fehler!"
grep -q "^window=.*|Error#12110: " <<<"$out_text" || fail "expected Error#12110 in:"$'\n'"$out_text"
drive click "Mailpostwacht unerwarteter Fehler!" 1 >/dev/null
wait_for "status=Suchlauf beendet ..." 30 info
drive command 101
sleep 2
wait_for "status=Suchlauf beendet ..." 30 info
n=$(boxes)
echo "flooding server (fast): longest stall $stall ms; message boxes after two runs: $((n + 1))"
[ "$n" = 0 ] || fail "a second box for the same malformed reply"
stop_flood

echo "== a search answered without end: the memory stays bounded"
flood search 1
wait_for "windows=1" 60 windows "Mailpostwacht unerwarteter Fehler!"
grep -q "^window=.*|Error#12110: " <<<"$out_text" || fail "expected Error#12110 in:"$'\n'"$out_text"
peak=$(peak_kb)
echo "search flood: peak memory $((peak / 1024)) MB; without a flood $((idle / 1024)) MB"
[ "$idle" = 0 ] || [ $((peak - idle)) -lt $((64 * 1024)) ] ||
  fail "the search flood took $(((peak - idle) / 1024)) MB"
drive click "Mailpostwacht unerwarteter Fehler!" 1 >/dev/null
stop_flood
echo "bad-network: all checks passed"
