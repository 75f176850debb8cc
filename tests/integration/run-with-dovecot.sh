#!/usr/bin/env bash
# Runs a test program with the fixture's ports and directories in its environment.
# Usage: run-with-dovecot.sh <dir> <program> [args...]
set -euo pipefail
dir=$1
shift
PW_DOVECOT_PORT=$(cat "$dir/port")
PW_DOVECOT_DIR=$(cd "$dir" && pwd)
PW_DOVECOT_TLS_DIR=$PW_DOVECOT_DIR/tls-server
PW_DOVECOT_TLS_PORT=$(cat "$PW_DOVECOT_TLS_DIR/port")
PW_DOVECOT_IMAPS_PORT=$(cat "$PW_DOVECOT_TLS_DIR/imaps-port")
PW_DOVECOT_NO_ESEARCH_PORT=$(cat "$PW_DOVECOT_DIR/no-esearch/port")
PW_DOVECOT_NO_ESEARCH_DIR=$PW_DOVECOT_DIR/no-esearch
export PW_DOVECOT_NO_ESEARCH_PORT PW_DOVECOT_NO_ESEARCH_DIR
export PW_DOVECOT_PORT PW_DOVECOT_DIR PW_DOVECOT_TLS_DIR PW_DOVECOT_TLS_PORT PW_DOVECOT_IMAPS_PORT
exec "$@"
