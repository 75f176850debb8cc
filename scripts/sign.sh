#!/usr/bin/env bash
# Signs Windows files (exe, MSI) in place with osslsigncode, from a code-signing certificate in a
# PFX file: PW_SIGN_PFX names it, PW_SIGN_PASSWORD holds its password (may be empty), and
# PW_SIGN_TIMESTAMP (optional) is the URL of a timestamp server, so that the signature outlives
# the certificate. The password goes to osslsigncode through a pipe, never on a command line.
# Usage: PW_SIGN_PFX=... PW_SIGN_PASSWORD=... sign.sh <file>...
set -euo pipefail
fail() { echo "sign: $*" >&2; exit 1; }
[ -n "${PW_SIGN_PFX:-}" ] || fail "PW_SIGN_PFX is not set"
[ -f "$PW_SIGN_PFX" ] || fail "no certificate file $PW_SIGN_PFX"
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (scripts/install-deps.sh)"
[ $# -gt 0 ] || fail "usage: sign.sh <file>..."
timestamp=()
[ -n "${PW_SIGN_TIMESTAMP:-}" ] && timestamp=(-ts "$PW_SIGN_TIMESTAMP")
for file in "$@"; do
  [ -f "$file" ] || fail "no $file"
  osslsigncode sign -pkcs12 "$PW_SIGN_PFX" -readpass <(printf '%s' "${PW_SIGN_PASSWORD:-}") \
    -h sha256 -n Postwacht "${timestamp[@]}" -in "$file" -out "$file.signed" >/dev/null \
    || { rm -f "$file.signed"; fail "signing $file failed"; }
  mv -f "$file.signed" "$file"
done
