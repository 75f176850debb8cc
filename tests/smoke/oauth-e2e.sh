#!/usr/bin/env bash
# End to end with OAuth2 sign-in: the tests' identity provider and a Dovecot that checks its
# tokens (tests/oauth), the stand-in browser as Wine's http handler, and the real postwacht.exe
# under Wine. The first run signs in once in the browser and fills the tree for three mailboxes
# (one the user's own, two by Full Access); a restart needs no sign-in; an access token that
# runs out early is renewed without a word; a revoked sign-in brings the browser up once, and,
# cancelled, leaves no message box however many mailboxes and runs; the registry holds no token.
# Usage: oauth-e2e.sh <postwacht.exe> <pwdriver.exe> <standin_browser.exe> <artefact directory>
set -euo pipefail
exe=$1 driver=$2 browser=$3 out=$4
here=$(cd "$(dirname "$0")" && pwd)
scripts=$here/../../scripts
oauth=$here/../oauth
wine_run=$scripts/wine-run.sh
key='HKCU\Software\VB and VBA Program Settings\Mail Postwacht'
mkdir -p "$out"
rm -f "$out"/*.log "$out"/*.reg
if [ -n "${PW_DISPLAY_FILE:-}" ] && [ -s "$PW_DISPLAY_FILE" ]; then export DISPLAY=$(cat "$PW_DISPLAY_FILE"); fi
[ -n "${DISPLAY:-}" ] || { echo "oauth-e2e: no X display" >&2; exit 1; }

rig=$out/rig
browser_log=$out/browser.log
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  "$oauth/browser.sh" unregister "$WINEPREFIX" >/dev/null 2>&1 || true
  "$oauth/rig.sh" stop "$rig" >/dev/null 2>&1 || true
}
trap cleanup EXIT

fail() { echo "oauth-e2e: FAIL: $*" >&2; exit 1; }
drive() { "$wine_run" "$driver" "$@"; }
expect() { grep -qxF -- "$1" <<<"$2" || fail "expected '$1' in:"$'\n'"$2"; }
confirm_attendance() { drive click Anwesenheitsliste 2002 >/dev/null || true; }
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
counter() { python3 "$oauth/client.py" "$provider" state | python3 -c "import json,sys; print(json.load(sys.stdin)['counters']['$1'])"; }
prompts() { grep -c '^start' "$browser_log" 2>/dev/null || true; }
no_boxes() {
  for title in "Mailpostwacht unerwarteter Fehler!" "Postfach nicht zugänglich"; do
    expect "windows=0" "$(drive windows "$title")"
  done
}
start_program() {
  "$wine_run" "$exe" >>"$out/postwacht.log" 2>&1 &
  pid=$!
  drive find 30000 >/dev/null || fail "the main window did not appear"
}
quit() {
  drive command 103
  drive answer "Beenden!" "kuf" 10000 >/dev/null
  drive wait-gone 15000 || fail "the program did not end"
  wait "$pid" || true
  pid=
}
full_tree() {
  wait_for "status=Suchlauf beendet ..." 90 info
  expect "nodes=9" "$out_text"
  for name in Anna Zentrale Empfang; do expect "node=1|-|$name" "$out_text"; done
  expect "node=2|-|Nachrichten gesamt (3)" "$out_text"
}

echo "== rig: provider, Dovecot, the stand-in browser"
read -r provider imap < <("$oauth/rig.sh" start "$rig")
"$wine_run" reg delete "$key" /f >/dev/null 2>&1 || true
"$oauth/rig.sh" registry "$WINEPREFIX" "$rig"
"$oauth/browser.sh" register "$WINEPREFIX" "$browser" "$browser_log" follow

echo "== the first run signs in once and fills the tree for three mailboxes"
start_program
full_tree
[ "$(prompts)" = 1 ] || fail "expected one sign-in in the browser, saw $(prompts)"
[ "$(counter sign_ins)" = 1 ] || fail "expected one code redeemed"
grep -q 'Sie können dieses Fenster jetzt schließen' "$browser_log" || fail "no closing page"
no_boxes

echo "== the registry holds no token in clear"
"$wine_run" reg export "$key" "$(WINEPREFIX=$WINEPREFIX winepath -w "$out/settings.reg")" /y >/dev/null
iconv -f UTF-16 -t UTF-8 "$out/settings.reg" >"$out/settings.txt"
grep -q '"OAuth2-Anmeldedaten"="' "$out/settings.txt" || fail "no stored sign-in"
python3 "$oauth/client.py" "$provider" issued >"$out/issued.json" 2>/dev/null ||
  curl -s "http://127.0.0.1:$provider/test/issued" >"$out/issued.json"
python3 - "$out/issued.json" "$out/settings.txt" <<'PY' || fail "a token stands in the registry"
import json, sys
def strings(v):
    if isinstance(v, str):
        yield v
    elif isinstance(v, (dict, list)):
        for x in (v.values() if isinstance(v, dict) else v):
            yield from strings(x)
tokens = [s for s in strings(json.load(open(sys.argv[1]))) if len(s) >= 16]
text = open(sys.argv[2]).read()
assert tokens, "the provider named no tokens"
sys.exit(1 if any(t in text for t in tokens) else 0)
PY

echo "== a restart needs no sign-in"
quit
start_program
full_tree
[ "$(prompts)" = 1 ] || fail "the restart asked for a sign-in"
[ "$(counter sign_ins)" = 1 ] || fail "the restart redeemed a code"
refreshes=$(counter refreshes)
[ "$refreshes" -ge 1 ] || fail "the restart did not renew with the stored token"

echo "== an access token that runs out early is renewed silently"
python3 "$oauth/client.py" "$provider" expire '{"what": "access"}' >/dev/null
drive command 101
sleep 2
full_tree
[ "$(counter refreshes)" -gt "$refreshes" ] || fail "no renewal"
[ "$(prompts)" = 1 ] || fail "the renewal asked for a sign-in"
no_boxes

echo "== a revoked sign-in prompts once; cancelled, no box for any mailbox"
"$oauth/browser.sh" register "$WINEPREFIX" "$browser" "$browser_log" ignore
python3 "$oauth/client.py" "$provider" revoke '{}' >/dev/null
drive command 101
wait_for "windows=1" 30 windows "Anmeldung"
drive click "Anmeldung" 2 >/dev/null
wait_for "status=Suchlauf beendet ..." 30 info
expect "nodes=0" "$out_text"
drive command 101
sleep 3
wait_for "status=Suchlauf beendet ..." 30 info
[ "$(prompts)" = 2 ] || fail "expected exactly one more prompt, saw $(prompts) in all"
no_boxes
quit
echo "oauth-e2e: passed"
