#!/usr/bin/env bash
# Runs the test that signs in and then has its server session killed: the test asks for the
# kill through a file, this script kills the session processes and says so through another.
# Usage: kill-mid-session.sh <dir> <program> [args...]
set -euo pipefail
dir=$1
shift
handshake=$dir/kill
rm -f "$handshake.request" "$handshake.done"
PW_KILL_HANDSHAKE=$(cd "$dir" && pwd)/kill
export PW_KILL_HANDSHAKE
bash "$(dirname "$0")/run-with-dovecot.sh" "$dir" "$@" --gtest_filter='DovecotKilled.*' &
test_pid=$!
for _ in $(seq 600); do
  [ -f "$handshake.request" ] && break
  kill -0 "$test_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -f "$handshake.request" ]; then
  bash "$(dirname "$0")/../../scripts/dovecot.sh" kill-sessions "$dir"
  touch "$handshake.done"
fi
wait "$test_pid"
