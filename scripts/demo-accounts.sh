#!/usr/bin/env bash
# Seeds a Dovecot directory (scripts/dovecot.sh) and a Wine prefix with the demo mailboxes:
# users with mail, some of it seen, some new, and the matching accounts in Postwacht's registry.
#
# Usage: demo-accounts.sh server <dovecot-dir>           a fresh server (new certificate) with
#                                                       the users and their mail; prints its port
#        demo-accounts.sh users <dovecot-dir>            add the users and their mail
#        demo-accounts.sh registry <wineprefix> <port> [timer-ms]
#                                                       write server and accounts for postwacht.exe
# With DEMO_SICHERHEIT set ("STARTTLS" or "SSL/TLS") the server is "localhost" and is reached
# with that security; DEMO_ZERTIFIKAT, if set, is the pinned certificate's SHA-256 fingerprint.
# Otherwise DEMO_HOST, if set, is the server's host name instead of 127.0.0.1.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# display name | IMAP user | password | seen messages | new messages
accounts=(
  "Büro Anna|anna|demo-anna|9|3"
  "Bernd|bernd|demo-bernd|5|0"
  "Zentrale|zentrale|demo-zentrale|2|1"
)

# The stored form of a password: every code of the ANSI code page with its two lowest bits
# inverted. The demo passwords are ASCII, so the shell can do it byte by byte.
scramble() {
  local text=$1 out="" i c
  for ((i = 0; i < ${#text}; i++)); do
    printf -v c '%d' "'${text:i:1}"
    printf -v c '%02x' $((c ^ 3))
    out+=$(printf "\\x$c")
  done
  printf '%s' "$out"
}

# message <file> <from> <subject> <date>: a message with these headers as a mail program wrote
# them (encoded words included).
message() {
  printf 'From: %s\r\nTo: zentrale@example.org\r\nSubject: %s\r\nDate: %s\r\n' "$2" "$3" "$4" >"$1"
  printf 'Message-ID: <%s@example.org>\r\nMIME-Version: 1.0\r\n\r\nDemo\r\n' "$(basename "$1")" >>"$1"
}

# The Zentrale's mail comes from two senders, their names and subjects encoded: the new-message
# dialog of the README shows them.
zentrale_mail() {
  local dir=$1 work
  work=$(mktemp -d)
  message "$work/1" '=?UTF-8?Q?Steuerberatung_Wei=C3=9F?= <kanzlei@weiss.example>' \
    '=?UTF-8?Q?Unterlagen_f=C3=BCr_2025?=' 'Mon, 7 Dec 2026 08:12:00 +0100'
  message "$work/2" '"Steuerberatung Weiß" <kanzlei@weiss.example>' 'Termin am Donnerstag' \
    'Tue, 8 Dec 2026 10:40:00 +0100'
  message "$work/3" '=?ISO-8859-1?Q?Finanzamt_M=FCnchen?= <poststelle@finanzamt.example>' \
    '=?UTF-8?B?SWhyIFN0ZXVlcmJlc2NoZWlkIDIwMjU=?=' 'Thu, 10 Dec 2026 09:05:00 +0100'
  # A STATUS after each makes the server number them in this order (it takes no \Recent mark).
  local i
  for i in 1 2 3; do
    "$here/dovecot.sh" deliver-message "$dir" zentrale "$work/$i" "$([ "$i" = 3 ] || echo seen)"
    exec 3<>"/dev/tcp/127.0.0.1/$(cat "$dir/port")"
    printf 's1 LOGIN zentrale demo-zentrale\r\ns2 STATUS INBOX (UIDNEXT)\r\ns3 LOGOUT\r\n' >&3
    timeout 10 cat <&3 >/dev/null || true
    exec 3<&-
  done
  rm -rf "$work"
}

reg_escape() { local s=${1//\\/\\\\}; printf '%s' "${s//\"/\\\"}"; }

case ${1:-} in
  server)
    dir=$2
    "$here/dovecot.sh" wipe "$dir"
    "$here/dovecot.sh" make-cert "$dir"
    port=$("$here/dovecot.sh" start "$dir")
    "$0" users "$dir"
    echo "$port"
    ;;
  users)
    dir=$2
    for a in "${accounts[@]}"; do
      IFS='|' read -r _ user password seen new <<<"$a"
      "$here/dovecot.sh" adduser "$dir" "$user" "$password"
      if [ "$user" = zentrale ]; then
        zentrale_mail "$dir"
        continue
      fi
      [ "$seen" -gt 0 ] && "$here/dovecot.sh" deliver "$dir" "$user" "$seen" seen
      [ "$new" -gt 0 ] && "$here/dovecot.sh" deliver "$dir" "$user" "$new"
    done
    ;;
  registry)
    prefix=$2 port=$3 timer=${4:-60000}
    if [ -n "${DEMO_COUNT:-}" ]; then
      accounts=()
      for ((i = 1; i <= DEMO_COUNT; i++)); do
        printf -v n '%02d' "$i"
        accounts+=("Konto $n|konto$n|demo-konto|0|0")
      done
    fi
    base='HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Mail Postwacht'
    reg=$(mktemp --suffix=.reg)
    {
      printf 'Windows Registry Editor Version 5.00\r\n\r\n'
      if [ -n "${DEMO_SICHERHEIT:-}" ]; then
        printf '[%s\\Server]\r\n"Host"="localhost"\r\n"Port"="%s"\r\n' "$base" "$port"
        printf '"Sicherheit"="%s"\r\n"Zertifikat-SHA256"="%s"\r\n\r\n' "$DEMO_SICHERHEIT" \
          "${DEMO_ZERTIFIKAT:-}"
      else
        printf '[%s\\Server]\r\n"Host"="%s"\r\n"Port"="%s"\r\n\r\n' "$base" "${DEMO_HOST:-127.0.0.1}" "$port"
      fi
      printf '[%s\\Timer]\r\n"Timer1"="%s"\r\n\r\n' "$base" "$timer"
      for a in "${accounts[@]}"; do
        IFS='|' read -r name user password _ _ <<<"$a"
        printf '[%s\\Benutzer\\%s]\r\n' "$base" "$name"
        printf '"NT-USER"="%s"\r\n' "$(reg_escape "$user")"
        printf '"PW"="%s"\r\n' "$(reg_escape "$(scramble "$password")")"
        printf '"Mail-Client-OL"="Wahr"\r\n"Mail-Client-TE"="Falsch"\r\n'
        printf '"Mail-Client-TE-Name"=""\r\n\r\n'
      done
    } | iconv -f UTF-8 -t UTF-16 >"$reg"
    WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=${PW_WINE_LOCALE:-C} \
      wine regedit /S "$(WINEPREFIX=$prefix winepath -w "$reg" 2>/dev/null)"
    rm -f "$reg"
    ;;
  *)
    sed -n '5,13p' "$0" >&2
    exit 2
    ;;
esac
