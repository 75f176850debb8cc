#!/usr/bin/env bash
# The benchmarks in one command: builds them (release, no sanitizers; the check-run bench also
# cross-built for Wine) and runs them against a private Dovecot.
#   bench.sh [options]          Imap1 beside the raw floor, e.g. --accounts 20 --rounds 7 --delay-ms 10
#   bench.sh --slow-sign-in     whole check runs of 10, 40 and 100 mailboxes, "Gleichzeitig" 1 and
#                               6, 15 ms each way and the sign-in held 400 ms more
#   bench.sh --per-account      whole check runs of 20 mailboxes one at a time at 0, 10 and 30 ms
#                               each way, beside Imap1 alone and the raw floor
# The two run modes take --mailboxes, --concurrent, --rounds, --proxy D:S and --no-wine.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=
case ${1:-} in
  --slow-sign-in | --per-account) mode=$1; shift ;;
esac
cmake --preset release >/dev/null
if [ -z "$mode" ]; then
  cmake --build --preset release --target postwacht_imap_bench -j2 >/dev/null
  exec bash tests/bench/run-bench.sh build/release/tests/bench/postwacht_imap_bench "$@"
fi
wine=1 proxied=
args=()
for a in "$@"; do
  [ "$a" != --proxy ] || proxied=1
  if [ "$a" = --no-wine ]; then wine=; else args+=("$a"); fi
done
cmake --build --preset release --target postwacht_imap_bench postwacht_run_bench -j2 >/dev/null
set -- --native build/release/tests/bench/postwacht_run_bench
if [ -n "$wine" ]; then
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target postwacht_run_bench -j2 >/dev/null
  set -- "$@" --wine build/mingw/tests/bench/postwacht_run_bench.exe
fi
if [ "$mode" = --per-account ]; then
  set -- "$@" --mailboxes 20 --concurrent 1 --floor
  [ -n "$proxied" ] || set -- "$@" --proxy 0:0 --proxy 10:0 --proxy 30:0
else
  set -- "$@" --mailboxes 10,40,100 --concurrent 1,6
  [ -n "$proxied" ] || set -- "$@" --proxy 15:400
fi
# The options given win over the defaults above.
exec bash tests/bench/run-bench.sh --runs build/release/tests/bench/postwacht_imap_bench "$@" \
  ${args[@]+"${args[@]}"}
