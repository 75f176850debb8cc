#!/usr/bin/env bash
# Installs what is missing, builds postwacht.exe, starts a demo IMAP server with demo mailboxes
# (some mail seen, some new; STARTTLS with a certificate of its own, which the demo settings
# pin), puts the demo accounts into a Wine prefix of its own and runs the
# program under Wine: on $DISPLAY when there is one, otherwise on a private Xvfb for a while.
# A screenshot is saved to build/demo/screenshot.png. Everything it started is stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
bash scripts/install-deps.sh

echo "== building postwacht.exe"
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target postwacht -j"$(nproc)"

demo=$top/build/demo
mkdir -p "$demo"
export WINEPREFIX=$demo/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=${PW_WINE_LOCALE:-C}
imap=$demo/imap
xvfb_pid=
cleanup() {
  set +e
  scripts/dovecot.sh stop "$imap" >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT INT TERM

echo "== demo IMAP server"
scripts/dovecot.sh wipe "$imap"
scripts/dovecot.sh make-cert "$imap"
port=$(scripts/dovecot.sh start "$imap")
scripts/demo-accounts.sh users "$imap"
echo "   listening on 127.0.0.1:$port, STARTTLS (log: $imap/dovecot.log)"

private=0
if [ -z "${DISPLAY:-}" ]; then
  private=1
  mkdir -p "$demo/xvfb"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$demo/xvfb/display" \
    >"$demo/xvfb/xvfb.log" 2>&1 </dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$demo/xvfb/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(tr -dc 0-9 <"$demo/xvfb/display")"
  echo "   no display: using a private Xvfb on $DISPLAY"
fi

echo "== Wine prefix and demo accounts"
scripts/wine-prefix.sh "$WINEPREFIX"
DEMO_SICHERHEIT=STARTTLS DEMO_ZERTIFIKAT=$(cat "$imap/tls/cert.sha256") \
  scripts/demo-accounts.sh registry "$WINEPREFIX" "$port" 20000

echo "== postwacht.exe (exit password: kuf)"
wine build/mingw/postwacht.exe >"$demo/postwacht.log" 2>&1 &
app=$!
sleep 12
/usr/bin/import -display "$DISPLAY" -window root "$demo/screenshot.png" 2>/dev/null \
  && echo "   screenshot: $demo/screenshot.png"
# A message arrives for Bernd: the next timed check (every 20 s while in the tray) announces it.
scripts/dovecot.sh deliver "$imap" bernd 1 >/dev/null
if [ "$private" = 1 ]; then
  sleep 20
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
else
  echo "   running; quit through Daten > Beenden (password kuf), or press Ctrl+C"
  wait "$app" || true
fi
