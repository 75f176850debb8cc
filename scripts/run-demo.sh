#!/usr/bin/env bash
# Installs what is missing, builds postwacht.exe, starts a demo IMAP server with demo mailboxes
# (some mail seen, some new; STARTTLS with a certificate of its own, which the demo settings
# pin), puts the demo accounts into a Wine prefix of its own and runs the program under Wine
# until the user quits it (Daten > Beenden, exit password kuf) or presses Ctrl+C: on $DISPLAY
# when there is one, otherwise on a private Xvfb that a VNC viewer can watch and work
# (x11vnc, on 127.0.0.1 only). Once the first check has filled the tree, a screenshot with the
# main window in front is saved to build/demo/screenshot.png. Everything it started is stopped
# at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bash scripts/install-deps.sh

echo "== building postwacht.exe"
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target postwacht pwdriver -j"$(nproc)"

demo=$top/build/demo
mkdir -p "$demo"
export WINEPREFIX=$demo/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=${PW_WINE_LOCALE:-C}
imap=$demo/imap
xvfb=$demo/xvfb
app= vnc= private=0
cleanup() {
  set +e
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$vnc" ] && kill "$vnc" 2>/dev/null
  scripts/dovecot.sh stop "$imap" >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  [ "$private" = 1 ] && scripts/xvfb-ctl.sh stop "$xvfb"
  echo "== demo stopped; build/demo stays for the next run (remove it with: rm -rf build/demo)"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

drive() { scripts/wine-run.sh build/mingw/tests/smoke/pwdriver.exe "$@"; }

cat <<'TEXT'
== Postwacht demo
   Three demo mailboxes on a private IMAP server (user / password):
     Büro Anna   anna / demo-anna          12 messages, 3 unread
     Bernd       bernd / demo-bernd         5 messages, all read
     Zentrale    zentrale / demo-zentrale   3 messages, 1 unread
   The first check fills the tree and opens a "Neue Nachricht!" dialog for each mailbox (to the
   server every message is new until a session has seen it). The window goes to the tray after
   a minute and then checks every 20 s: a message the demo delivers to Bernd is announced by
   the tray tip, the blinking tray icon and a further dialog.
TEXT

echo "== demo IMAP server"
port=$(scripts/demo-accounts.sh server "$imap")
echo "   listening on 127.0.0.1:$port, STARTTLS (log: $imap/dovecot.log)"

if [ -z "${DISPLAY:-}" ]; then
  private=1
  scripts/xvfb-ctl.sh start "$xvfb"
  export DISPLAY=$(cat "$xvfb/display")
  # Watching needs a viewer that can also work the program (the exit password), so a VNC
  # server rather than screenshots; without a password it listens on 127.0.0.1 only.
  x11vnc -display "$DISPLAY" -localhost -nopw -forever -shared -noxdamage \
    >"$demo/x11vnc.log" 2>&1 </dev/null &
  vnc=$!
  vnc_port=
  for _ in $(seq 100); do
    vnc_port=$(sed -n 's/^PORT=//p' "$demo/x11vnc.log" | head -n1)
    [ -n "$vnc_port" ] && break
    kill -0 "$vnc" 2>/dev/null || break
    sleep 0.1
  done
  echo "   no display: a private Xvfb on $DISPLAY"
  if [ -n "$vnc_port" ]; then
    echo "   watch it with a VNC viewer on this machine: vncviewer 127.0.0.1::$vnc_port"
    echo "   (from another machine: ssh -L $vnc_port:127.0.0.1:$vnc_port <this machine>, then the same)"
  else
    echo "   x11vnc did not start (see $demo/x11vnc.log); the screenshot below still comes"
  fi
fi

echo "== Wine prefix and demo accounts"
scripts/wine-prefix.sh "$WINEPREFIX"
DEMO_SICHERHEIT=STARTTLS DEMO_ZERTIFIKAT=$(cat "$imap/tls/cert.sha256") \
  scripts/demo-accounts.sh registry "$WINEPREFIX" "$port" 20000

echo "== postwacht.exe (exit password: kuf)"
wine build/mingw/postwacht.exe >"$demo/postwacht.log" 2>&1 &
app=$!
drive find 60000 >/dev/null || echo "   the main window did not appear (see $demo/postwacht.log)"
for _ in $(seq 60); do
  drive info 2>/dev/null | grep -qxF "status=Suchlauf beendet ..." && break
  sleep 1
done
# The new-message dialogs open over the main window; the screenshot shows the tree.
drive expand >/dev/null 2>&1 || true
drive front "e-mail @ Velkor?" >/dev/null 2>&1 || true
sleep 1
/usr/bin/import -display "$DISPLAY" -window root "$demo/screenshot.png" 2>/dev/null \
  && echo "   screenshot: $demo/screenshot.png"
# A message arrives for Bernd: the next timed check (every 20 s while in the tray) announces it.
scripts/dovecot.sh deliver "$imap" bernd 1 >/dev/null
echo "   running; quit through Daten > Beenden (password kuf), or press Ctrl+C"
wait "$app" || true
app=
