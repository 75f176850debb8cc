#!/usr/bin/env bash
# The installer end to end under Wine's msiexec, silent as an administrator rolls it out:
# an older package per user with the server -> files, Start-menu shortcut, Run value and
# uninstall entry; the Run value's command starts the program; a second start leaves one
# program with one tray icon and brings its window up; the Restart Manager's close ends it
# without the exit password; this version upgrades the older one keeping settings and accounts;
# the older one over it is refused with the German message; uninstall removes the program and
# keeps settings and accounts. Last a per-machine install without autostart: Program Files and
# the server as machine defaults under HKLM.
# Usage: install-walk.sh <postwacht.exe> <pwdriver.exe> <postwacht-<version>-x64.msi> <work dir>
set -euo pipefail
exe=$1 driver=$2 msi=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
scripts=$here/../../scripts
wine_run=$scripts/wine-run.sh
user_key='HKCU\Software\VB and VBA Program Settings\Mail Postwacht'
machine_key='HKLM\SOFTWARE\Postwacht'
run_key='Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall'
version=$(basename "$msi" | sed -n 's/^postwacht-\(.*\)-x64\.msi$/\1/p')
rm -rf "$work"
mkdir -p "$work"
if [ -n "${PW_DISPLAY_FILE:-}" ] && [ -s "$PW_DISPLAY_FILE" ]; then export DISPLAY=$(cat "$PW_DISPLAY_FILE"); fi
[ -n "${DISPLAY:-}" ] || { echo "installer: no X display" >&2; exit 1; }

fail() { echo "installer: FAIL: $*" >&2; exit 1; }
drive() { "$wine_run" "$driver" "$@"; }
expect() { grep -qxF -- "$1" <<<"$2" || fail "expected '$1' in:"$'\n'"$2"; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# msiexec <log name> <arguments...>: its exit code; the verbose log stays in the work folder.
msiexec() {
  local log=$1
  shift
  "$wine_run" msiexec "$@" /qn /l*v "$(winpath "$work/$log.log")" >/dev/null 2>&1
}
reg_value() {
  "$wine_run" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^  */, ""); print }'
}
# The same for a value name with blanks: reg separates its columns by four blanks.
reg_named() {
  "$wine_run" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -F '    ' -v v="$2" '$2 == v { print $4 }'
}
has_key() { "$wine_run" reg query "$1" >/dev/null 2>&1; }
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk '$1 == "ProductCode" { print $2 }'; }
# Wine keeps the uninstall entries of both scopes under HKLM; Windows keeps per-user ones in HKCU.
uninstall_entry() {
  local root
  for root in HKCU HKLM; do
    if has_key "$root\\$uninstall_key\\$1"; then echo "$root\\$uninstall_key\\$1"; return; fi
  done
}
unix_of() { "$wine_run" winepath -u "$1" 2>/dev/null | tr -d '\r'; }

pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  msiexec cleanup-new /x "$(winpath "$msi")" || true
  msiexec cleanup-machine /x "$(winpath "$msi")" ALLUSERS=1 || true
  [ -f "${old:-}" ] && { msiexec cleanup-old /x "$(winpath "$old")" || true; }
  "$wine_run" reg delete "$user_key" /f >/dev/null 2>&1 || true
  "$wine_run" reg delete "$machine_key" /f >/dev/null 2>&1 || true
}
trap cleanup EXIT

echo "== an older package of the same program, to upgrade from"
bash "$scripts/package.sh" "$exe" 0.0.1 "$work/old" >/dev/null
old=$work/old/postwacht-0.0.1-x64.msi
old_code=$(product_code "$old")
new_code=$(product_code "$msi")
cleanup
pids=()

echo "== settings and an account from before"
"$wine_run" reg add "$user_key\\Benutzer\\Zentrale" /v NT-USER /t REG_SZ /d zentrale /f >/dev/null
"$wine_run" reg add "$user_key\\Timer" /v Timer1 /t REG_SZ /d 60000 /f >/dev/null

echo "== the older package per user, silently, with the server"
msiexec install-old /i "$(winpath "$old")" SERVER=127.0.0.1 PORT=1 SECURITY=Keine \
  || fail "the per-user install failed (see $work/install-old.log)"
local_programs=$(unix_of "$("$wine_run" cmd /c echo %LOCALAPPDATA% | tr -d '\r')")/Programs/Postwacht
start_menu=$(unix_of "$("$wine_run" cmd /c echo %APPDATA% | tr -d '\r')")/Microsoft/Windows/Start\ Menu/Programs
[ -f "$local_programs/postwacht.exe" ] || fail "no $local_programs/postwacht.exe"
[ -f "$start_menu/Postwacht.lnk" ] || fail "no Start-menu shortcut in $start_menu"
run=$(reg_value "HKCU\\$run_key" Postwacht)
[ -n "$run" ] || fail "no Run value"
[ "$(reg_value "$user_key\\Server" Host)" = 127.0.0.1 ] || fail "SERVER not written to the user's Server key"
[ "$(reg_value "$user_key\\Server" Port)" = 1 ] || fail "PORT not written"
[ "$(reg_value "$user_key\\Server" Sicherheit)" = Keine ] || fail "SECURITY not written"
entry=$(uninstall_entry "$old_code")
[ -n "$entry" ] || fail "no uninstall entry $old_code"
[ "$(reg_value "$entry" DisplayName)" = Postwacht ] || fail "uninstall entry without its name"
[ "$(reg_value "$entry" Publisher)" = Postwacht ] || fail "uninstall entry without its publisher"
[ "$(reg_value "$entry" DisplayVersion)" = 0.0.1 ] || fail "uninstall entry without its version"

echo "== the Run value's command starts the program"
program=${run//\"/}
"$wine_run" "$program" >"$work/first.log" 2>&1 &
pids+=($!)
drive find 30000 >/dev/null || fail "the Run value's command started no program"

echo "== a second start: one program, one tray icon, the window comes up"
drive syscmd-close
drive wait-visible 0 10000 || fail "the close box did not hide the window"
code=0
timeout 60 "$wine_run" "$program" >"$work/second.log" 2>&1 || code=$?
[ "$code" -eq 0 ] || fail "the second start ended with exit code $code"
drive wait-visible 1 10000 || fail "the second start did not bring the window up"
expect "mains=1" "$(drive count)"
tray=$(drive tray-window)
grep -qxF "traywindow=0" <<<"$tray" || expect "traychildren=1" "$tray"

echo "== the Restart Manager's close ends it without the exit password"
expect "queryendsession=1" "$(drive endsession closeapp)"
drive wait-gone 15000 || fail "the program did not end on ENDSESSION_CLOSEAPP"
code=0
wait "${pids[0]}" || code=$?
pids=()
[ "$code" -eq 0 ] || fail "the program ended with exit code $code"

echo "== this version over the older one: upgraded in place, settings and accounts kept"
msiexec upgrade /i "$(winpath "$msi")" || fail "the upgrade failed (see $work/upgrade.log)"
[ -z "$(uninstall_entry "$old_code")" ] || fail "the older version stayed installed beside"
entry=$(uninstall_entry "$new_code")
[ "$(reg_value "$entry" DisplayVersion)" = "$version" ] || fail "no uninstall entry for $version"
[ -f "$local_programs/postwacht.exe" ] || fail "the upgrade lost the program"
[ -f "$start_menu/Postwacht.lnk" ] || fail "the upgrade lost the shortcut"
[ -n "$(reg_value "HKCU\\$run_key" Postwacht)" ] || fail "the upgrade lost the Run value"
[ "$(reg_value "$user_key\\Server" Host)" = 127.0.0.1 ] || fail "the upgrade lost the server"
[ "$(reg_value "$user_key\\Benutzer\\Zentrale" NT-USER)" = zentrale ] || fail "the upgrade lost the account"

echo "== the older package over this one is refused with the German message"
if msiexec downgrade /i "$(winpath "$old")"; then fail "the downgrade was installed"; fi
# Wine's msiexec neither shows nor logs a launch condition's text: the log shows that the newer
# version was found and the launch conditions stopped the install, the package holds the text.
grep -aq "WIX_DOWNGRADE_DETECTED = $new_code" "$work/downgrade.log" ||
  fail "the downgrade did not see this version (see $work/downgrade.log)"
grep -aq "LaunchConditions. Return value 0" "$work/downgrade.log" ||
  fail "the downgrade was not stopped by its launch condition"
refusal='Eine neuere Version von Postwacht ist bereits installiert. Die Installation wird abgebrochen.'
msiinfo export "$old" LaunchCondition | tr -d '\r' |
  grep -qxF "NOT WIX_DOWNGRADE_DETECTED"$'\t'"$refusal" || fail "the package has no German refusal"
[ -n "$(uninstall_entry "$new_code")" ] || fail "the refused downgrade removed this version"

echo "== uninstall: program, shortcut, Run value and entry go; settings and accounts stay"
msiexec uninstall /x "$(winpath "$msi")" || fail "the uninstall failed"
[ ! -e "$local_programs/postwacht.exe" ] || fail "the program stayed"
[ ! -e "$start_menu/Postwacht.lnk" ] || fail "the shortcut stayed"
[ -z "$(reg_value "HKCU\\$run_key" Postwacht)" ] || fail "the Run value stayed"
[ -z "$(uninstall_entry "$new_code")" ] || fail "the uninstall entry stayed"
[ "$(reg_value "$user_key\\Server" Host)" = 127.0.0.1 ] || fail "the uninstall took the server setting"
[ "$(reg_value "$user_key\\Benutzer\\Zentrale" NT-USER)" = zentrale ] || fail "the uninstall took the account"

echo "== per machine, without autostart: Program Files and the server as machine defaults"
msiexec machine /i "$(winpath "$msi")" ALLUSERS=1 AUTOSTART=0 SERVER=mail.buero.example \
  SECURITY=STARTTLS SHOWSENDER=0 || fail "the per-machine install failed (see $work/machine.log)"
program_files=$(unix_of "$("$wine_run" cmd /c echo %ProgramW6432% | tr -d '\r')")
[ -f "$program_files/Postwacht/postwacht.exe" ] || fail "not in $program_files/Postwacht"
[ "$(reg_value "$machine_key\\Server" Host)" = mail.buero.example ] || fail "no machine default Host"
[ "$(reg_value "$machine_key\\Server" Sicherheit)" = STARTTLS ] || fail "no machine default Sicherheit"
[ -z "$(reg_value "$machine_key\\Server" Port)" ] || fail "a PORT not given was written"
[ "$(reg_named "$machine_key\\Server" "Absender anzeigen")" = Nein ] || fail "SHOWSENDER=0 not written"
[ -z "$(reg_named "$user_key\\Server" "Absender anzeigen")" ] || fail "a SHOWSENDER not given was written"
[ "$(reg_value "$user_key\\Server" Host)" = 127.0.0.1 ] || fail "the per-machine install wrote the user's key"
[ -z "$(reg_value "HKLM\\$run_key" Postwacht)" ] && [ -z "$(reg_value "HKCU\\$run_key" Postwacht)" ] ||
  fail "AUTOSTART=0 still wrote a Run value"
# Windows takes the scope of the installed product; Wine's msiexec needs ALLUSERS=1 told again
# (without it, it reports success and removes nothing).
msiexec machine-uninstall /x "$(winpath "$msi")" ALLUSERS=1 || fail "the per-machine uninstall failed"
[ ! -e "$program_files/Postwacht/postwacht.exe" ] || fail "the per-machine program stayed"
[ "$(reg_value "$machine_key\\Server" Host)" = mail.buero.example ] || fail "the uninstall took the machine defaults"

echo "installer: all checks passed"
