#!/usr/bin/env bash
# Starts the integration tests' Dovecot in <dir> afresh, with the users and mail they expect.
set -euo pipefail
dir=$1
dovecot=$(dirname "$0")/../../scripts/dovecot.sh
bash "$dovecot" stop "$dir"
rm -rf "$dir"
mkdir -p "$dir"
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
bash "$dovecot" start "$dir" >/dev/null
