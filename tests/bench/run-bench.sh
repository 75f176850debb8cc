#!/usr/bin/env bash
# Runs the IMAP benchmark against a Dovecot of its own, started and stopped here: N accounts
# (konto01/geheim01 ...) with a few messages each, plain IMAP, STARTTLS and implicit TLS with a
# test CA that the benchmark trusts through SSL_CERT_FILE.
# Usage: run-bench.sh <bench-binary> [--seen M] [--accounts N] [--rounds R] [--delay-ms D]
#                     [--security Keine|STARTTLS|SSL/TLS|all]
# --seen M gives every account M seen messages (default: 5 plus its number), e.g. 200000 for a
# large mailbox; everything else goes to the benchmark.
#
# Or whole check runs (postwacht_run_bench natively and, cross-built, under Wine), each behind
# the bench's delaying proxy, D ms each way and the sign-in held S ms more:
#   run-bench.sh --runs <bench-binary> [--native EXE] [--wine EXE] [--proxy D:S]...
#                [--mailboxes 10,40,100] [--concurrent 1,6] [--rounds R] [--floor]
# --floor adds the bench's raw floor (and Imap1 alone) at each D for comparison.
set -euo pipefail
dovecot=$(dirname "$0")/../../scripts/dovecot.sh
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
runs=
if [ "${1:-}" = --runs ]; then
  runs=1
  shift
fi
bench=$1
shift
accounts=10
seen=
args=()
native= wine= proxies=() mailboxes=10,40,100 concurrent=1,6 rounds=3 floor=
while [ $# -gt 0 ]; do
  case $1 in
    --seen) seen=$2; shift 2 ;;
    --accounts) accounts=$2; args+=("$1" "$2"); shift 2 ;;
    --native) native=$2; shift 2 ;;
    --wine) wine=$2; shift 2 ;;
    --proxy) proxies+=("$2"); shift 2 ;;
    --mailboxes) mailboxes=$2; shift 2 ;;
    --concurrent) concurrent=$2; shift 2 ;;
    --rounds) rounds=$2; args+=("$1" "$2"); shift 2 ;;
    --floor) floor=1; shift ;;
    *) args+=("$1"); shift ;;
  esac
done
if [ -n "$runs" ]; then
  accounts=$(tr , '\n' <<<"$mailboxes" | sort -n | tail -1)
  seen=${seen:-5}
  [ ${#proxies[@]} -gt 0 ] || proxies=(15:400)
fi
dir=$(mktemp -d /tmp/postwacht-bench.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do
    kill "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
  [ -z "$wine" ] || "$scripts/wineserver-ctl.sh" stop "$WINEPREFIX" >/dev/null 2>&1 || true
  bash "$dovecot" stop "$dir"
  bash "$dovecot" wipe "$dir"
}
trap cleanup EXIT
trap 'exit 1' TERM INT
bash "$dovecot" make-cert "$dir"
for i in $(seq 1 "$accounts"); do
  n=$(printf %02d "$i")
  bash "$dovecot" adduser "$dir" "konto$n" "geheim$n"
  bash "$dovecot" deliver "$dir" "konto$n" $((i % 4))
  bash "$dovecot" deliver "$dir" "konto$n" "${seen:-$((5 + i))}" seen
done
port=$(bash "$dovecot" start "$dir")
export SSL_CERT_FILE=$dir/tls/ca.pem PW_DOVECOT_PORT=$port PW_DOVECOT_IMAPS_PORT=$(cat "$dir/imaps-port")
if [ -z "$runs" ]; then
  "$bench" --accounts "$accounts" "${args[@]}"
  exit
fi

if [ -n "$wine" ]; then
  wine=$(realpath "$wine")
  d=$(dirname "$wine")
  while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  export WINEPREFIX=${WINEPREFIX:-$d/wineprefix}
  "$scripts/wineserver-ctl.sh" start "$WINEPREFIX"
fi
for proxy in "${proxies[@]}"; do
  delay=${proxy%%:*} signin=${proxy#*:}
  "$bench" --proxy "$delay" --sign-in-ms "$signin" --port "$port" >"$dir/proxy.port" 2>"$dir/proxy.log" &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$dir/proxy.port" ] && break; sleep 0.1; done
  at=$(cat "$dir/proxy.port")
  echo "== $delay ms each way, sign-in held $signin ms more"
  set -- --port "$at" --mailboxes "$mailboxes" --concurrent "$concurrent" --rounds "$rounds"
  [ -z "$native" ] || "$native" "$@" --label native
  [ -z "$wine" ] || "$scripts/wine-run.sh" "$wine" "$@" --label Wine
  if [ -n "$floor" ]; then
    "$bench" --accounts "$accounts" --rounds "$rounds" --security Keine --delay-ms "$delay" |
      sed -n '/^Keine/p' | tail -1 | sed 's/^/Imap1 alone | raw floor: /'
  fi
  kill "${pids[-1]}"
  wait "${pids[-1]}" 2>/dev/null || true
  unset 'pids[-1]'
  rm -f "$dir/proxy.port"
done
