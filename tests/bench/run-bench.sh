#!/usr/bin/env bash
# Runs the IMAP benchmark against a Dovecot of its own, started and stopped here: N accounts
# (konto01/geheim01 ...) with a few messages each, plain IMAP, STARTTLS and implicit TLS with a
# test CA that the benchmark trusts through SSL_CERT_FILE.
# Usage: run-bench.sh <bench-binary> [--seen M] [--accounts N] [--rounds R] [--delay-ms D]
#                     [--security Keine|STARTTLS|SSL/TLS|all]
# --seen M gives every account M seen messages (default: 5 plus its number), e.g. 200000 for a
# large mailbox; everything else goes to the benchmark.
set -euo pipefail
bench=$1
shift
accounts=10
seen=
args=()
while [ $# -gt 0 ]; do
  case $1 in
    --seen) seen=$2; shift 2 ;;
    --accounts) accounts=$2; args+=("$1" "$2"); shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done
dovecot=$(dirname "$0")/../../scripts/dovecot.sh
dir=$(mktemp -d /tmp/postwacht-bench.XXXXXX)
trap 'bash "$dovecot" stop "$dir"; bash "$dovecot" wipe "$dir"' EXIT
bash "$dovecot" make-cert "$dir"
for i in $(seq 1 "$accounts"); do
  n=$(printf %02d "$i")
  bash "$dovecot" adduser "$dir" "konto$n" "geheim$n"
  bash "$dovecot" deliver "$dir" "konto$n" $((i % 4))
  bash "$dovecot" deliver "$dir" "konto$n" "${seen:-$((5 + i))}" seen
done
port=$(bash "$dovecot" start "$dir")
SSL_CERT_FILE=$dir/tls/ca.pem PW_DOVECOT_PORT=$port PW_DOVECOT_IMAPS_PORT=$(cat "$dir/imaps-port") \
  "$bench" --accounts "$accounts" "${args[@]}"
