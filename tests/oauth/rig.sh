#!/usr/bin/env bash
# Starts and stops the OAuth2 test rig: the tests' identity provider and a Dovecot that signs in
# with its tokens (XOAUTH2, OAUTHBEARER). Everything runs on 127.0.0.1, writes its output into
# files under <dir> and is stopped by PID. See tests/oauth/README.md.
#
# Usage:
#   rig.sh start <dir>                     provider and Dovecot with the default mailboxes;
#                                          prints "<provider-port> <imap-port>"
#   rig.sh stop <dir>                      stops both (safe to call when nothing runs)
#   rig.sh provider-start <dir> [args...]  only the provider, in <dir>/provider; args go to
#                                          provider.py (--port, --user, --grant, ...); prints its port
#   rig.sh provider-stop <dir>
#   rig.sh dovecot-start <dir> <provider-port> <mailbox>...
#                                          only Dovecot, in <dir>/dovecot; prints its port
#   rig.sh dovecot-stop <dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dovecot=$here/../../scripts/dovecot.sh

die() { echo "rig.sh: $*" >&2; exit 1; }
usage() { sed -n '6,15p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

# The default rig: Anna signs in; she holds Full Access to "zentrale" and "empfang", not to
# "chef", whose mailbox her token must not open.
rig_user=anna@buero.example
rig_delegated=(zentrale@buero.example empfang@buero.example)
rig_foreign=chef@buero.example

stop_pid_file() {
  local file=$1 pid
  [ -f "$file" ] || return 0
  pid=$(cat "$file")
  if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$file"
}

provider_start() {
  local dir=$1/provider pid
  shift
  mkdir -p "$dir"
  stop_pid_file "$dir/pid"
  rm -f "$dir/port"
  python3 "$here/provider.py" --dir "$dir" "$@" >>"$dir/provider.log" 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 100); do
    [ -s "$dir/port" ] && { cat "$dir/port"; return 0; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null || true
  die "the provider did not start, see $dir/provider.log"
}

provider_stop() { stop_pid_file "$1/provider/pid"; }

[ $# -ge 2 ] || usage
command=$1
shift
case $command in
  provider-start) provider_start "$@" ;;
  provider-stop) [ $# -eq 1 ] || usage; provider_stop "$1" ;;
  *) usage ;;
esac
