#!/usr/bin/env bash
# Smoke test of the real program: starts postwacht.exe under Wine on the run's X server, drives
# it with pwdriver.exe (main window, tray icon, tray clicks and menu, close box, exit password,
# session end with the exit prompt open, Task Manager close), keeps screenshots, and checks the
# settings in Wine's registry and that every run ends cleanly.
# Usage: smoke.sh <postwacht.exe> <pwdriver.exe> <artefact directory>
set -euo pipefail
exe=$1 driver=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine-run.sh
key='HKCU\Software\VB and VBA Program Settings\Mail Postwacht'
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.log
if [ -n "${PW_DISPLAY_FILE:-}" ] && [ -s "$PW_DISPLAY_FILE" ]; then export DISPLAY=$(cat "$PW_DISPLAY_FILE"); fi
[ -n "${DISPLAY:-}" ] || { echo "smoke: no X display" >&2; exit 1; }

pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

fail() { echo "smoke: FAIL: $*" >&2; exit 1; }
drive() { "$wine_run" "$driver" "$@"; }
# expect <key=value> <text>: the driver's output holds that line.
expect() { grep -qxF -- "$1" <<<"$2" || fail "expected '$1' in:"$'\n'"$2"; }
# wait_info <key=value> <seconds>: polls the driver's info until it shows that line; leaves it in $info.
wait_info() {
  local tries=0
  until info=$(drive info) && grep -qxF -- "$1" <<<"$info"; do
    tries=$((tries + 1))
    [ "$tries" -lt "$2" ] || fail "expected '$1' within $2 s in:"$'\n'"$info"
    sleep 1
  done
}
shot() { /usr/bin/import -display "$DISPLAY" -window root "$out/$1.png" || fail "no screenshot $1"; }

start() {
  "$wine_run" "$exe" >"$out/postwacht-$1.log" 2>&1 &
  pid=$!
  drive find 30000 >/dev/null || fail "the main window did not appear ($1)"
}
# ended <name>: the program has gone and its process ended with exit code 0.
ended() {
  drive wait-gone 15000 || fail "the program did not end ($1)"
  local code=0
  wait "$pid" || code=$?
  pid=
  [ "$code" -eq 0 ] || fail "the program ended with exit code $code ($1)"
}
reg_value() {
  "$wine_run" reg query "$key\\$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { print $3 }'
}

# Settings from an earlier run: a window position in twips (15 twips per pixel at 96 DPI).
"$wine_run" reg delete "$key" /f >/dev/null 2>&1 || true
"$wine_run" reg add "$key\\Pos" /v Left /t REG_SZ /d 1500 /f >/dev/null
"$wine_run" reg add "$key\\Pos" /v Top /t REG_SZ /d 900 /f >/dev/null

echo "== start, the window and the tray icon"
start first
wait_info "status=Suchlauf beendet ..." 30
expect "caption=e-mail @ Velkor?" "$info"
expect "visible=1" "$info"
expect "minimizebox=1" "$info"
expect "maximizebox=0" "$info"
expect "sizable=1" "$info"
expect "taskbar=0" "$info"
expect "tray=1" "$info"
expect "status=Suchlauf beendet ..." "$info"
expect "traychildren=1" "$(drive tray-window)"
# Wine keeps a menu in its own process; where another process can read it, check it too.
if grep -q '^menu=' <<<"$info"; then
  expect "menu=&Daten" "$info"
  expect "menu.1=&Hinzufügen	Strg+N" "$info"
fi
dpi=$(sed -n 's/^dpi=//p' <<<"$info")
if [ "$dpi" = 96 ]; then
  expect "left_px=100" "$info"
  expect "top_px=60" "$info"
  expect "width_px=338" "$info"
  expect "height_px=236" "$info"
fi
shot shown

echo "== the close box hides the window into the tray"
drive syscmd-close
drive wait-visible 0 10000 || fail "the close box did not hide the window"
info=$(drive info)
expect "tray=1" "$info"
expect "iconic=1" "$info"
drive mouse-move 20 20
sleep 0.5
drive wait-visible 0 100 || fail "a mouse move acted as a tray click"

echo "== a tray click brings it back, a right click shows the tray menu"
drive tray 514
drive wait-visible 1 10000 || fail "the tray click did not restore the window"
drive tray 517
menu=$(drive wait-popup 10000) || fail "the right click showed no tray menu"
shot tray-menu
drive close-popup
if grep -q '^popup=' <<<"$menu"; then
  expect "popup=Anzeigen" "$menu"
  expect "popup=neu einlesen!" "$menu"
fi

echo "== moving the window: the next paint saves the position"
drive move 200 120
sleep 0.5
if [ "$dpi" = 96 ]; then
  [ "$(reg_value Pos Left)" = 3000 ] || fail "Pos/Left is '$(reg_value Pos Left)', not 3000"
  [ "$(reg_value Pos Top)" = 1800 ] || fail "Pos/Top is '$(reg_value Pos Top)', not 1800"
fi

echo "== Beenden with a wrong password keeps it running, with kuf it ends"
drive command 103
drive answer "Beenden!" "KUF" 10000 | tee /dev/stderr | grep -qxF "prompt=Geben Sie das Beendigungspasswort ein!" \
  || fail "the exit prompt did not ask for the password"
sleep 1
drive find 100 >/dev/null || fail "a wrong password ended the program"
drive command 133
drive answer "Beenden!" "kuf" 10000 >/dev/null
ended password
grep -qE '^(traywindow=0|traychildren=0)$' <<<"$(drive tray-window)" || fail "the tray icon stayed"
left=$(reg_value Pos Left)
[ -n "$left" ] || fail "no Pos/Left in the registry after the run"

echo "== the next start opens where the window was painted last"
start second
if [ "$dpi" = 96 ]; then
  info=$(drive info)
  expect "left_px=200" "$info"
  expect "top_px=120" "$info"
fi
echo "== Windows shutdown or log-off ends it without a prompt, even with the exit prompt open"
drive command 103
drive front "Beenden!" >/dev/null || fail "the exit prompt did not come up"
drive endsession | grep -qxF "queryendsession=1" || fail "the program held up the session end"
ended session-end

echo "== a close from outside the window (the Task Manager) ends it without a prompt"
start third
drive close
ended task-manager

echo "smoke: all checks passed; screenshots in $out"
