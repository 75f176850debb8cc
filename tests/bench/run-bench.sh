#!/usr/bin/env bash
# Runs the IMAP benchmark against a Dovecot of its own, started and stopped here.
# Usage: run-bench.sh <bench-binary> [benchmark options, e.g. --cycles 500 --delay-ms 5]
set -euo pipefail
bench=$1
shift
dovecot=$(dirname "$0")/../../scripts/dovecot.sh
dir=$(mktemp -d /tmp/postwacht-bench.XXXXXX)
trap 'bash "$dovecot" stop "$dir"; rm -rf "$dir"' EXIT
bash "$dovecot" adduser "$dir" anna geheim
bash "$dovecot" deliver "$dir" anna 3
bash "$dovecot" deliver "$dir" anna 9 seen
PW_DOVECOT_PORT=$(bash "$dovecot" start "$dir") "$bench" "$@"
