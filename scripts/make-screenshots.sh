#!/usr/bin/env bash
# Takes the README's pictures from the real program under Wine, with the demo mailboxes on a
# private Dovecot: the main window with its counts, the tray menu, a new-message dialog, the
# attendance list, the edit dialog and the About box, each cut out of the screen along the
# window's own rectangle.
#
# Usage: make-screenshots.sh [--check <reference dir>] [<postwacht.exe> <pwdriver.exe> <output dir>]
#   Without arguments it renews docs/ from build/mingw. With --check it compares afterwards
#   with the pictures in the reference directory: each must be there, with the size the window
#   has now, and differ from the new one in few pixels only.
# Uses the test run's Xvfb (PW_DISPLAY_FILE), else $DISPLAY, else a private Xvfb; and
# WINEPREFIX, else the prefix of the build tree that holds postwacht.exe.
set -euo pipefail
scripts=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$scripts")
check=
if [ "${1:-}" = --check ]; then
  check=$2
  shift 2
fi
exe=${1:-$top/build/mingw/postwacht.exe}
driver=${2:-$top/build/mingw/tests/smoke/pwdriver.exe}
out=${3:-$top/docs}
wine_run=$scripts/wine-run.sh
key='HKCU\Software\VB and VBA Program Settings\Mail Postwacht'
# The pictures, each with the window it shows.
names=(main-window new-mail tray-menu attendance account-edit about)

if [ -z "${WINEPREFIX:-}" ]; then
  d=$(cd "$(dirname "$exe")" && pwd)
  while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  export WINEPREFIX=$d/wineprefix
fi
work=$(dirname "$WINEPREFIX")/screenshot-work
mkdir -p "$out" "$work"
imap=$work/imap

private=0 pid=
if [ -n "${PW_DISPLAY_FILE:-}" ] && [ -s "$PW_DISPLAY_FILE" ]; then
  export DISPLAY=$(cat "$PW_DISPLAY_FILE")
elif [ -z "${DISPLAY:-}" ]; then
  private=1
  "$scripts/xvfb-ctl.sh" start "$work/xvfb"
  export DISPLAY=$(cat "$work/xvfb/display")
fi
cleanup() {
  set +e
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  "$scripts/dovecot.sh" stop "$imap" >/dev/null 2>&1
  if [ "$private" = 1 ]; then
    "$scripts/wineserver-ctl.sh" stop "$WINEPREFIX"
    "$scripts/xvfb-ctl.sh" stop "$work/xvfb"
  fi
}
trap cleanup EXIT

fail() { echo "screenshots: FAIL: $*" >&2; exit 1; }
drive() { "$wine_run" "$driver" "$@"; }
# wait_for <line> <seconds> <command words...>: polls the driver until its output holds line.
wait_for() {
  local line=$1 seconds=$2 tries=0 text
  shift 2
  until text=$(drive "$@") && grep -qxF -- "$line" <<<"$text"; do
    tries=$((tries + 1))
    [ "$tries" -lt "$seconds" ] || fail "expected '$line' within $seconds s in:"$'\n'"$text"
    sleep 1
  done
}
# crop <name> <x,y,w,h>: that part of the screen as <name>.png; the size is noted for --check.
crop() {
  local x y w h
  IFS=, read -r x y w h <<<"$2"
  [ "$w" -gt 0 ] && [ "$h" -gt 0 ] || fail "$1: the window has no size"
  sleep 0.5
  /usr/bin/import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage \
    "$out/$1.png" || fail "no screenshot $1"
  echo "$1 $w $h" >>"$work/sizes"
}
# shot <name> <caption> [static text]: brings that window to the front and takes it.
shot() {
  local rect
  rect=$(drive front "$2" "${3:-}" | sed -n 's/^rect=//p') || fail "no window '$2' for $1"
  crop "$1" "$rect"
}
# crop_two <name> <x,y,w,h> <x,y,w,h>: two windows as one picture, transparent between them.
crop_two() {
  local ax ay aw ah bx by bw bh
  IFS=, read -r ax ay aw ah <<<"$2"
  IFS=, read -r bx by bw bh <<<"$3"
  local l=$((ax < bx ? ax : bx)) t=$((ay < by ? ay : by))
  local r=$((ax + aw > bx + bw ? ax + aw : bx + bw)) b=$((ay + ah > by + bh ? ay + ah : by + bh))
  sleep 0.5
  /usr/bin/import -display "$DISPLAY" -window root "$work/screen.png" || fail "no screenshot $1"
  convert -size "$((r - l))x$((b - t))" xc:none \
    \( "$work/screen.png" -crop "${aw}x${ah}+${ax}+${ay}" +repage \) -geometry "+$((ax - l))+$((ay - t))" -composite \
    \( "$work/screen.png" -crop "${bw}x${bh}+${bx}+${by}" +repage \) -geometry "+$((bx - l))+$((by - t))" -composite \
    "$out/$1.png" || fail "no picture $1"
  echo "$1 $((r - l)) $((b - t))" >>"$work/sizes"
}

echo "== demo mailboxes"
rm -f "$work/sizes"
port=$("$scripts/demo-accounts.sh" server "$imap")
"$wine_run" reg delete "$key" /f >/dev/null 2>&1 || true
"$scripts/demo-accounts.sh" registry "$WINEPREFIX" "$port" 60000
# The main window at 400, 300 pixels (at 96 DPI), clear of Wine's tray window in the top left
# corner and of the tray menu beside it.
"$wine_run" reg add "$key\\Pos" /v Left /t REG_SZ /d 6000 /f >/dev/null
"$wine_run" reg add "$key\\Pos" /v Top /t REG_SZ /d 4500 /f >/dev/null

echo "== the program after its first check"
# TS_JN=J: no balloons, which Wine shows beside its tray in the top left corner, over the
# dialogs, and no blinking, so the tray icon looks the same in every picture.
TS_JN=J "$wine_run" "$exe" >"$work/postwacht.log" 2>&1 &
pid=$!
drive find 30000 >/dev/null || fail "the main window did not appear"
wait_for "status=Suchlauf beendet ..." 60 info
wait_for "windows=3" 20 windows "Neue Nachricht!"
drive expand
shot main-window "e-mail @ Velkor?"
shot new-mail "Neue Nachricht!" Zentrale
# Their OK buttons: the dialogs no longer stand behind the tray menu, and the icon stops blinking.
for _ in 1 2 3; do drive click "Neue Nachricht!" 2 >/dev/null; done
wait_for "windows=0" 10 windows "Neue Nachricht!"

echo "== the tray menu"
tray=$(drive front "Wine System Tray" 2>/dev/null | sed -n 's/^rect=//p' || true)
if [ -n "$tray" ]; then
  IFS=, read -r tx ty tw th <<<"$tray"
  drive cursor $((tx + tw / 2)) $((ty + th / 2))
else
  drive cursor 300 300
fi
drive tray 517
drive wait-popup 10000 >/dev/null || fail "the right click showed no tray menu"
menu=$(drive popup-rect | sed -n 's/^rect=//p')
if [ -n "$tray" ]; then crop_two tray-menu "$tray" "$menu"; else crop tray-menu "$menu"; fi
drive close-popup

echo "== the attendance list, the edit dialog and the About box"
drive command 102
shot attendance Anwesenheitsliste
drive click Anwesenheitsliste 2002 >/dev/null
drive command 111
wait_for "windows=1" 10 windows "Mailboxen Bearbeiten"
# The second name of the list, as a click on it chooses it: its fields fill.
drive choose "Mailboxen Bearbeiten" 1001 1
shot account-edit "Mailboxen Bearbeiten"
drive click "Mailboxen Bearbeiten" 2 >/dev/null
drive command 121
shot about "Info zu Postwacht"
drive click "Info zu Postwacht" 1 >/dev/null

echo "== quit with the exit password"
drive command 103
drive answer "Beenden!" "kuf" 10000 >/dev/null
drive wait-gone 15000 || fail "the program did not end"
wait "$pid" || true
pid=

for name in "${names[@]}"; do
  grep -q "^$name " "$work/sizes" || fail "no picture of $name"
done
echo "screenshots: ${#names[@]} pictures in $out"
[ -n "$check" ] || exit 0

echo "== compared with $check"
problems=0
while read -r name w h; do
  ref=$check/$name.png
  if [ ! -f "$ref" ]; then
    echo "screenshots: $ref is missing" >&2
    problems=1
    continue
  fi
  size=$(identify -format '%w %h' "$ref")
  if [ "$size" != "$w $h" ]; then
    echo "screenshots: $ref is ${size/ /x}, the window is now ${w}x$h" >&2
    problems=1
    continue
  fi
  # Pixels that differ by more than rounding. Wine draws the same pixels every time; a caret or
  # a focus frame that comes and goes is allowed for, a changed word is not.
  differ=$(compare -metric AE -fuzz 8% "$ref" "$out/$name.png" null: 2>&1 || true)
  differ=${differ%%.*}
  allowed=$((w * h / 200 > 100 ? w * h / 200 : 100))
  echo "   $name: ${w}x$h, $differ pixels differ (allowed $allowed)"
  if ! [ "$differ" -le "$allowed" ] 2>/dev/null; then
    echo "screenshots: $ref no longer shows what the program shows" >&2
    problems=1
  fi
done <"$work/sizes"
[ "$problems" = 0 ] || fail "renew the pictures with scripts/make-screenshots.sh and commit docs/"
echo "screenshots: docs match the program"
