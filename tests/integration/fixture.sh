#!/usr/bin/env bash
# Starts the integration tests' two Dovecots afresh, with the users and mail they expect: a
# plain one in <dir> (no TLS at all) and one with TLS in <dir>/tls-server (STARTTLS, implicit
# TLS, a certificate from a test CA for localhost and 127.0.0.2, listening on 127.0.0.1 and
# 127.0.0.2; plaintext login only over TLS or from the listener's own address), and a plain one
# in <dir>/no-esearch that does not announce ESEARCH.
# "fixture.sh stop <dir>" stops all three.
set -euo pipefail
dovecot=$(dirname "$0")/../../scripts/dovecot.sh
if [ "$1" = stop ]; then
  bash "$dovecot" stop "$2/no-esearch"
  bash "$dovecot" stop "$2/tls-server"
  bash "$dovecot" stop "$2"
  exit 0
fi
dir=$1
bash "$dovecot" stop "$dir/no-esearch"
bash "$dovecot" stop "$dir/tls-server"
bash "$dovecot" stop "$dir"
bash "$dovecot" wipe "$dir"
bash "$dovecot" adduser "$dir" anna geheim
bash "$dovecot" deliver "$dir" anna 3
bash "$dovecot" deliver "$dir" anna 9 seen
bash "$dovecot" adduser "$dir" 'jörg.müller' 'pa"ss\wört ß'
bash "$dovecot" deliver "$dir" 'jörg.müller' 1
bash "$dovecot" adduser "$dir" otto otto
bash "$dovecot" deliver "$dir" otto 2 seen
bash "$dovecot" adduser "$dir" karl karl
bash "$dovecot" deliver "$dir" karl 1
bash "$dovecot" adduser "$dir" big riesig
bash "$dovecot" deliver "$dir" big 39990 seen
bash "$dovecot" deliver "$dir" big 10
bash "$dovecot" adduser "$dir" paula paula
bash "$dovecot" deliver "$dir" paula 2 seen
bash "$dovecot" adduser "$dir" pumpe pumpe
bash "$dovecot" deliver "$dir" pumpe 3 seen
bash "$dovecot" deliver "$dir" pumpe 1
bash "$dovecot" start "$dir" >/dev/null

tls=$dir/tls-server
bash "$dovecot" make-cert "$tls"
echo "127.0.0.1, 127.0.0.2" >"$tls/listen"
bash "$dovecot" adduser "$tls" anna geheim
bash "$dovecot" deliver "$tls" anna 2
bash "$dovecot" deliver "$tls" anna 5 seen
bash "$dovecot" start "$tls" >/dev/null

# Dovecot's own list after the login, less ESEARCH (and the extensions built on it).
old=$dir/no-esearch
mkdir -p "$old"
echo "imap_capability = IMAP4rev1 SASL-IR LOGIN-REFERRALS ID ENABLE IDLE SORT THREAD=REFERENCES MULTIAPPEND UNSELECT CHILDREN NAMESPACE UIDPLUS LIST-EXTENDED I18NLEVEL=1 LITERAL+ NOTIFY SPECIAL-USE" >"$old/extra.conf"
bash "$dovecot" adduser "$old" anna geheim
bash "$dovecot" deliver "$old" anna 3
bash "$dovecot" deliver "$old" anna 9 seen
bash "$dovecot" adduser "$old" big riesig
bash "$dovecot" deliver "$old" big 39990 seen
bash "$dovecot" deliver "$old" big 10
bash "$dovecot" adduser "$old" paula paula
bash "$dovecot" deliver "$old" paula 2 seen
bash "$dovecot" start "$old" >/dev/null
