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
#   rig.sh registry <wineprefix> <dir>     Postwacht's settings for the rig in <dir>, in the prefix
# With RIG_TLS=1, start and dovecot-start give Dovecot a test certificate (scripts/dovecot.sh
# make-cert): STARTTLS and implicit TLS besides plain IMAP.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dovecot=$here/../../scripts/dovecot.sh

# The system's own python3: a pyenv shim takes seconds to start and lies in a home the auth
# process cannot enter.
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3)

die() { echo "rig.sh: $*" >&2; exit 1; }
usage() { sed -n '6,18p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

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
  "$python" "$here/provider.py" --dir "$dir" "$@" >>"$dir/provider.log" 2>&1 </dev/null &
  pid=$!
  # Up to ten seconds: a loaded two-core runner starts Python slowly.
  for _ in $(seq 200); do
    [ -s "$dir/port" ] && { cat "$dir/port"; return 0; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null || true
  die "the provider did not start, see $dir/provider.log"
}

provider_stop() { stop_pid_file "$1/provider/pid"; }

# A Dovecot of scripts/dovecot.sh whose XOAUTH2 and OAUTHBEARER sign-ins ask the provider: its
# oauth2 passdb (introspection) where the token's user is the mailbox, then the delegation passdb.
# Each mailbox also gets a password ("kennwort-<local part>") for the plain LOGIN.
dovecot_start() {
  local dir=$1/dovecot provider=http://127.0.0.1:$2 mailbox
  shift 2
  bash "$dovecot" stop "$dir"
  bash "$dovecot" wipe "$dir"
  if [ "${RIG_TLS:-0}" = 1 ]; then bash "$dovecot" make-cert "$dir"; fi
  for mailbox in "$@"; do
    bash "$dovecot" adduser "$dir" "$mailbox" "kennwort-${mailbox%%@*}"
    bash "$dovecot" deliver "$dir" "$mailbox" 2 seen
    bash "$dovecot" deliver "$dir" "$mailbox" 1
  done
  dir=$(cd "$dir" && pwd -P)
  # Copied into <dir>: the auth process runs as another user where the source tree may be closed.
  cp "$here/mailbox-access.py" "$dir/mailbox-access.py"
  sed -e "s|@PYTHON@|$python|" -e "s|@SCRIPT@|$dir/mailbox-access.py|" \
    -e "s|@PROVIDER@|$provider|" -e "s|@LOG@|$dir/mailbox-access.log|" \
    "$here/mailbox-access.lua" >"$dir/mailbox-access.lua"
  chmod 644 "$dir/mailbox-access.py" "$dir/mailbox-access.lua"
  # Written by the auth worker, whichever user it runs as.
  : >"$dir/mailbox-access.log"
  chmod 666 "$dir/mailbox-access.log"
  cat >"$dir/oauth2.conf.ext" <<EOF
introspection_mode = post
introspection_url = $provider/introspect
force_introspection = yes
username_attribute = username
active_attribute = active
active_value = true
EOF
  cat >"$dir/extra.conf" <<EOF
auth_mechanisms = plain login xoauth2 oauthbearer
passdb {
  driver = oauth2
  mechanisms = xoauth2 oauthbearer
  args = $dir/oauth2.conf.ext
}
passdb {
  driver = lua
  mechanisms = xoauth2 oauthbearer
  args = file=$dir/mailbox-access.lua blocking=yes
}
EOF
  bash "$dovecot" start "$dir"
}

dovecot_stop() { bash "$dovecot" stop "$1/dovecot"; }

rig_start() {
  local dir=$1 provider_port imap_port grants
  grants=$(IFS=,; echo "${rig_delegated[*]}")
  rig_stop "$dir"
  provider_port=$(provider_start "$dir" --user "$rig_user" --grant "$rig_user=$grants")
  if ! imap_port=$(dovecot_start "$dir" "$provider_port" "$rig_user" "${rig_delegated[@]}" \
    "$rig_foreign"); then
    provider_stop "$dir"
    die "Dovecot did not start, see $dir/dovecot/dovecot.log"
  fi
  echo "$provider_port $imap_port"
}

rig_stop() {
  dovecot_stop "$1"
  provider_stop "$1"
}

# Postwacht's settings in a Wine prefix for the rig in <dir>: OAuth2 against its provider (the
# Microsoft 365 settings with the endpoints pointed at it), its Dovecot (with TLS: "SSL/TLS" on
# "localhost" with the certificate pinned), one account per mailbox of the default rig with an
# empty password; with RIG_FOREIGN=1 also the mailbox Anna may not open. RIG_TIMER sets Timer1.
rig_registry() {
  local prefix=$1 dir=$2 provider reg mailbox host=127.0.0.1 security=Keine pin='' imap_port
  local base='HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Mail Postwacht'
  local mailboxes=("$rig_user" "${rig_delegated[@]}")
  [ "${RIG_FOREIGN:-0}" = 1 ] && mailboxes+=("$rig_foreign")
  provider=http://127.0.0.1:$(cat "$dir/provider/port")/organizations/oauth2/v2.0
  imap_port=$(cat "$dir/dovecot/port")
  if [ -f "$dir/dovecot/imaps-port" ]; then
    host=localhost security=SSL/TLS pin=$(cat "$dir/dovecot/tls/cert.sha256")
    imap_port=$(cat "$dir/dovecot/imaps-port")
  fi
  reg=$(mktemp --suffix=.reg)
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s\\Server]\r\n' "$base"
    printf '"Host"="%s"\r\n"Port"="%s"\r\n"Sicherheit"="%s"\r\n' "$host" "$imap_port" "$security"
    printf '"Zertifikat-SHA256"="%s"\r\n' "$pin"
    printf '"Anmeldung"="OAuth2"\r\n"OAuth2-Anbieter"="Microsoft 365"\r\n'
    printf '"OAuth2-Mandant"="organizations"\r\n"OAuth2-Client-ID"="postwacht-test-client"\r\n'
    printf '"OAuth2-Autorisierung"="%s/authorize"\r\n"OAuth2-Token"="%s/token"\r\n\r\n' \
      "$provider" "$provider"
    printf '[%s\\Timer]\r\n"Timer1"="%s"\r\n\r\n' "$base" "${RIG_TIMER:-60000}"
    for mailbox in "${mailboxes[@]}"; do
      # The display name: the local part with a capital, "Anna", "Zentrale", ...
      printf '[%s\\Benutzer\\%s]\r\n' "$base" "${mailbox^}" | sed 's/@[^]]*\]/]/'
      printf '"NT-USER"="%s"\r\n"PW"=""\r\n"Mail-Client-OL"="Wahr"\r\n' "$mailbox"
      printf '"Mail-Client-TE"="Falsch"\r\n"Mail-Client-TE-Name"=""\r\n\r\n'
    done
  } | iconv -f UTF-8 -t UTF-16 >"$reg"
  WINEPREFIX=$prefix "$here/../../scripts/wine-run.sh" regedit /S \
    "$(WINEPREFIX=$prefix winepath -w "$reg" 2>/dev/null)" </dev/null
  rm -f "$reg"
}

[ $# -ge 2 ] || usage
command=$1
shift
case $command in
  start) [ $# -eq 1 ] || usage; rig_start "$1" ;;
  stop) [ $# -eq 1 ] || usage; rig_stop "$1" ;;
  registry) [ $# -eq 2 ] || usage; rig_registry "$@" ;;
  provider-start) provider_start "$@" ;;
  provider-stop) [ $# -eq 1 ] || usage; provider_stop "$1" ;;
  dovecot-start) [ $# -ge 3 ] || usage; dovecot_start "$@" ;;
  dovecot-stop) [ $# -eq 1 ] || usage; dovecot_stop "$1" ;;
  *) usage ;;
esac
