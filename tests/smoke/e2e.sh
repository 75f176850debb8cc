#!/usr/bin/env bash
# End to end: a real Dovecot with the demo mailboxes, the demo accounts in Wine's registry, and
# the real postwacht.exe under Wine and Xvfb. Checks the tree that the check run fills, the
# new-message windows, that a message delivered between two runs is announced once, also when
# another mail client selected the mailbox first; then
# the same server over TLS: refused while its certificate is unknown or another one is pinned,
# with one message box however many accounts and runs fail, counted once the right one is
# pinned; last a server that never answers: the window keeps answering, the run costs one
# time-out, and "Beenden" in the middle of it ends the program.
# Usage: e2e.sh <postwacht.exe> <pwdriver.exe> <artefact directory>
set -euo pipefail
exe=$1 driver=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
scripts=$here/../../scripts
wine_run=$scripts/wine-run.sh
key='HKCU\Software\VB and VBA Program Settings\Mail Postwacht'
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.log
if [ -n "${PW_DISPLAY_FILE:-}" ] && [ -s "$PW_DISPLAY_FILE" ]; then export DISPLAY=$(cat "$PW_DISPLAY_FILE"); fi
[ -n "${DISPLAY:-}" ] || { echo "e2e: no X display" >&2; exit 1; }

imap=$out/imap
pid=
silent_pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  if [ -n "$silent_pid" ]; then
    kill "$silent_pid" 2>/dev/null || true
    wait "$silent_pid" 2>/dev/null || true
  fi
  "$scripts/dovecot.sh" stop "$imap" >/dev/null 2>&1 || true
}
trap cleanup EXIT

fail() { echo "e2e: FAIL: $*" >&2; exit 1; }
drive() { "$wine_run" "$driver" "$@"; }
# dialogs <name> <text>: how many new-message dialogs for <name>, with or without message lines.
dialogs() { grep -cE "^window=\|Neue Nachricht für\|$1(\||\$)" <<<"$2" || true; }
expect_dialog() { [ "$(dialogs "$1" "$2")" -ge 1 ] || fail "no dialog for $1 in:"$'\n'"$2"; }
expect() { grep -qxF -- "$1" <<<"$2" || fail "expected '$1' in:"$'\n'"$2"; }
shot() { /usr/bin/import -display "$DISPLAY" -window root "$out/$1.png" || fail "no screenshot $1"; }
# The attendance list comes up by itself around 07:45 and 17:18; the test confirms it.
confirm_attendance() { drive click Anwesenheitsliste 2002 >/dev/null || true; }
# wait_for <command words...> -- <line> <seconds>: polls the driver until its output holds line.
wait_for() {
  local line=$1 seconds=$2 tries=0
  shift 2
  until out_text=$(drive "$@") && grep -qxF -- "$line" <<<"$out_text"; do
    tries=$((tries + 1))
    [ "$tries" -lt "$seconds" ] || fail "expected '$line' within $seconds s in:"$'\n'"$out_text"
    confirm_attendance
    sleep 1
  done
}

echo "== demo server and accounts"
port=$("$scripts/demo-accounts.sh" server "$imap")
"$wine_run" reg delete "$key" /f >/dev/null 2>&1 || true
"$scripts/demo-accounts.sh" registry "$WINEPREFIX" "$port" 60000

echo "== the first check fills the tree and announces the new mail"
"$wine_run" "$exe" >"$out/postwacht.log" 2>&1 &
pid=$!
drive find 30000 >/dev/null || fail "the main window did not appear"
wait_for "status=Suchlauf beendet ..." 60 info
info=$out_text
for line in "node=1|-|Bernd" "node=2|-|Nachrichten ungelesen (0)" "node=2|-|Nachrichten gesamt (5)" \
            "node=1|-|Büro Anna" "node=2|-|Nachrichten ungelesen (3)" "node=2|-|Nachrichten gesamt (12)" \
            "node=1|-|Zentrale" "node=2|-|Nachrichten ungelesen (1)" "node=2|-|Nachrichten gesamt (3)" \
            "nodes=9"; do
  expect "$line" "$info"
done
# Every message the server has not shown to any session yet is recent, seen or not.
wait_for "windows=3" 20 windows "Neue Nachricht!"
expect_dialog Bernd "$out_text"
expect_dialog "Büro Anna" "$out_text"
# Below the name the newest messages: their senders and subjects decoded, the newest first.
expect "window=|Neue Nachricht für|Zentrale|Finanzamt München – Ihr Steuerbescheid 2025|Steuerberatung Weiß – Termin am Donnerstag|Steuerberatung Weiß – Unterlagen für 2025" "$out_text"
shot first-check

echo "== a message delivered between two runs is announced in the next run only"
"$scripts/dovecot.sh" deliver "$imap" bernd 1 >/dev/null
drive command 101
wait_for "windows=4" 30 windows "Neue Nachricht!"
[ "$(dialogs Bernd "$out_text")" = 2 ] || fail "no second dialog for Bernd"
wait_for "status=Suchlauf beendet ..." 30 info
expect "node=2|-|Nachrichten ungelesen (1)" "$out_text"
expect "node=2|-|Nachrichten gesamt (6)" "$out_text"
drive command 101
sleep 3
wait_for "status=Suchlauf beendet ..." 30 info
wait_for "windows=4" 5 windows "Neue Nachricht!"
shot second-check

echo "== a message that another mail client selected first is announced once"
"$scripts/dovecot.sh" deliver "$imap" bernd 1 >/dev/null
# The other client: a plain IMAP session that selects INBOX read-write and takes the \Recent mark.
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'o1 LOGIN bernd demo-bernd\r\no2 SELECT INBOX\r\no3 LOGOUT\r\n' >&3
other=$(timeout 10 cat <&3 || true)
exec 3<&-
grep -q '^o2 OK' <<<"$other" || fail "the other client could not select INBOX:"$'\n'"$other"
grep -q '^\* 1 RECENT' <<<"$other" || fail "the other client did not take the recent mark:"$'\n'"$other"
drive command 101
wait_for "windows=5" 30 windows "Neue Nachricht!"
[ "$(dialogs Bernd "$out_text")" = 3 ] || fail "no third dialog for Bernd"
wait_for "status=Suchlauf beendet ..." 30 info
expect "node=2|-|Nachrichten ungelesen (2)" "$out_text"
expect "node=2|-|Nachrichten gesamt (7)" "$out_text"
drive command 101
sleep 3
wait_for "status=Suchlauf beendet ..." 30 info
wait_for "windows=5" 5 windows "Neue Nachricht!"
shot other-client

echo "== sender and subject: decoded in the next run's dialog, the message still unread"
printf '%s\r\n' 'From: =?UTF-8?B?SsO8cmdlbiBHcm/Dnw==?= <j.gross@example.org>' 'To: bernd@example.org' \
  'Subject: =?UTF-8?Q?R=C3=BCckfrage_zur?=' ' =?UTF-8?Q?_Rechnung?=' 'Date: Fri, 11 Dec 2026 08:00:00 +0100' \
  'Message-ID: <e2e-1@example.org>' '' 'Bitte um Antwort' >"$out/encoded.eml"
"$scripts/dovecot.sh" deliver-message "$imap" bernd "$out/encoded.eml"
drive command 101
wait_for "windows=6" 30 windows "Neue Nachricht!"
expect "window=|Neue Nachricht für|Bernd|Jürgen Groß – Rückfrage zur Rechnung" "$out_text"
wait_for "status=Suchlauf beendet ..." 30 info
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'o1 LOGIN bernd demo-bernd\r\no2 EXAMINE INBOX\r\no3 FETCH * (FLAGS)\r\no4 LOGOUT\r\n' >&3
flags=$(timeout 10 cat <&3 || true)
exec 3<&-
grep -q '^\* [0-9]* FETCH (FLAGS (' <<<"$flags" || fail "no flags of the newest message:"$'\n'"$flags"
! grep -q '^\* [0-9]* FETCH (FLAGS (.*\\Seen' <<<"$flags" || fail "the check marked the message read:"$'\n'"$flags"

echo "== \"Absender anzeigen\" = \"Nein\": the dialog names the mailbox only"
"$wine_run" reg add "$key\\Server" /v "Absender anzeigen" /t REG_SZ /d Nein /f >/dev/null
"$scripts/dovecot.sh" deliver-message "$imap" bernd "$out/encoded.eml"
drive command 101
wait_for "windows=7" 30 windows "Neue Nachricht!"
expect "window=|Neue Nachricht für|Bernd" "$out_text"
wait_for "status=Suchlauf beendet ..." 30 info
"$wine_run" reg delete "$key\\Server" /v "Absender anzeigen" /f >/dev/null

quit() {
  drive command 103
  drive answer "Beenden!" "kuf" 10000 >/dev/null
  drive wait-gone 15000 || fail "the program did not end"
  code=0
  wait "$pid" || code=$?
  pid=
  [ "$code" -eq 0 ] || fail "the program ended with exit code $code"
}

echo "== quit with the exit password"
quit

# expect_fingerprint <text>: the box shows the server's whole fingerprint, over two lines.
expect_fingerprint() {
  grep -qF -- "${fingerprint:0:48}" <<<"$1" && grep -qF -- "${fingerprint:48}" <<<"$1" ||
    fail "expected the whole fingerprint $fingerprint in:"$'\n'"$1"
}
# one_box <number> <screenshot>: the first failing account of the first run shows one box, and
# the run ends.
one_box() {
  wait_for "windows=1" 30 windows "Mailpostwacht unerwarteter Fehler!"
  grep -q "^window=.*|Error#$1: " <<<"$out_text" || fail "expected Error#$1 in:"$'\n'"$out_text"
  expect_fingerprint "$out_text"
  box_text=$out_text
  shot "$2"
  drive click "Mailpostwacht unerwarteter Fehler!" 1 >/dev/null
  wait_for "status=Suchlauf beendet ..." 30 info
  expect "nodes=0" "$out_text"
}

echo "== SSL/TLS with a certificate nobody trusts: one box for the run, not one per account"
tls_port=$(cat "$imap/imaps-port")
fingerprint=$(cat "$imap/tls/cert.sha256")
DEMO_SICHERHEIT=SSL/TLS "$scripts/demo-accounts.sh" registry "$WINEPREFIX" "$tls_port" 60000
"$wine_run" "$exe" >"$out/postwacht-untrusted.log" 2>&1 &
pid=$!
drive find 30000 >/dev/null || fail "the main window did not appear"
one_box 12121 tls-untrusted
grep -qF "Das Zertifikat des Servers ist nicht vertrauenswürdig" <<<"$box_text" ||
  fail "expected the untrusted certificate error in:"$'\n'"$box_text"
wait_for "windows=0" 5 windows "Mailpostwacht unerwarteter Fehler!"
quit

echo "== a wrong pin over two runs and three accounts: one box in total"
wrong=$(printf '00:%.0s' $(seq 31))00
DEMO_SICHERHEIT=SSL/TLS DEMO_ZERTIFIKAT=$wrong \
  "$scripts/demo-accounts.sh" registry "$WINEPREFIX" "$tls_port" 60000
"$wine_run" "$exe" >"$out/postwacht-wrong-pin.log" 2>&1 &
pid=$!
drive find 30000 >/dev/null || fail "the main window did not appear"
one_box 12123 tls-wrong-pin
drive time-run 60000 >/dev/null || fail "the second run did not end"
wait_for "status=Suchlauf beendet ..." 5 info
expect "nodes=0" "$out_text"
sleep 1
wait_for "windows=0" 5 windows "Mailpostwacht unerwarteter Fehler!"
quit

echo "== SSL/TLS with the certificate pinned: the counts as before"
DEMO_SICHERHEIT=SSL/TLS DEMO_ZERTIFIKAT=$fingerprint \
  "$scripts/demo-accounts.sh" registry "$WINEPREFIX" "$tls_port" 60000
"$wine_run" "$exe" >"$out/postwacht-pinned.log" 2>&1 &
pid=$!
drive find 30000 >/dev/null || fail "the main window did not appear"
wait_for "status=Suchlauf beendet ..." 60 info
# Bernd as the walk left him: the two messages with an encoded sender are unread as well.
for line in "node=2|-|Nachrichten ungelesen (4)" "node=2|-|Nachrichten gesamt (9)" \
            "node=2|-|Nachrichten ungelesen (3)" "node=2|-|Nachrichten gesamt (12)" "nodes=9"; do
  expect "$line" "$out_text"
done
wait_for "windows=0" 5 windows "Mailpostwacht unerwarteter Fehler!"
shot tls-pinned
quit

echo "== a server that never answers: the window answers, one time-out per run"
python3 "$scripts/silent-server.py" >"$out/silent.port" 2>"$out/silent.log" &
silent_pid=$!
for _ in $(seq 50); do [ -s "$out/silent.port" ] && break; sleep 0.1; done
[ -s "$out/silent.port" ] || fail "the silent server did not start"
"$wine_run" reg delete "$key" /f >/dev/null 2>&1 || true
DEMO_COUNT=5 "$scripts/demo-accounts.sh" registry "$WINEPREFIX" "$(cat "$out/silent.port")" 60000
started=$(date +%s)
"$wine_run" "$exe" >"$out/postwacht-silent.log" 2>&1 &
pid=$!
drive find 30000 >/dev/null || fail "the main window did not appear"
# The first run waits on the server now; another process checks the window every 100 ms.
probe=$(drive probe 12000)
stall=$(sed -n 's/^stall=//p' <<<"$probe")
echo "longest stall of the main window during the run: $stall ms"
[ "$stall" -lt 2000 ] || fail "the main window did not answer for $stall ms"
wait_for "status=Suchlauf beendet ..." 30 info
expect "nodes=0" "$out_text"
took=$(($(date +%s) - started))
echo "start and first run of 5 accounts against the silent server: $took s"
[ "$took" -lt 40 ] || fail "the run took $took s: more than one time-out"
wait_for "windows=0" 5 windows "Mailpostwacht unerwarteter Fehler!"
shot silent-server

echo "== \"Beenden\" with the password while a call waits: the program ends at once"
drive command 101
sleep 2
drive command 103
drive answer "Beenden!" "kuf" 10000 >/dev/null
drive wait-gone 5000 || fail "the program did not end while its run waited"
code=0
wait "$pid" || code=$?
pid=
[ "$code" -eq 0 ] || fail "the program ended with exit code $code"
echo "e2e: all checks passed; screenshots in $out"
