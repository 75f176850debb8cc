#!/usr/bin/env bash
# Runs a test program with the fixture's port and directory in its environment.
# Usage: run-with-dovecot.sh <dir> <program> [args...]
set -euo pipefail
dir=$1
shift
PW_DOVECOT_PORT=$(cat "$dir/port")
PW_DOVECOT_DIR=$(cd "$dir" && pwd)
export PW_DOVECOT_PORT PW_DOVECOT_DIR
exec "$@"
