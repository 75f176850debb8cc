#!/usr/bin/env bash
# Makes the stand-in browser the handler of http and https URLs in a Wine prefix, or gives them
# back to Wine's own winebrowser. Wine's ShellExecuteW opens a URL with the class key of its
# scheme, HKCR\<scheme>\shell\open\command (the UserChoice ProgIds of a Windows 10 prefix
# name those same keys), so that is where the stand-in goes.
#
# Usage: browser.sh register <prefix> <standin_browser.exe> <log> [follow|ignore]
#        browser.sh unregister <prefix>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

usage() { sed -n '7,8p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

# A string of a .reg file: backslashes and quotes escaped.
reg_string() { local s=${1//\\/\\\\}; printf '"%s"' "${s//\"/\\\"}"; }

apply() {
  local prefix=$1 command=$2 reg scheme
  reg=$(mktemp --suffix=.reg)
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    for scheme in http https; do
      printf '[HKEY_CLASSES_ROOT\\%s\\shell\\open\\command]\r\n@=%s\r\n\r\n' "$scheme" \
        "$(reg_string "$command")"
    done
  } | iconv -f UTF-8 -t UTF-16 >"$reg"
  WINEPREFIX=$prefix "$here/../../scripts/wine-run.sh" regedit /S \
    "$(WINEPREFIX=$prefix winepath -w "$reg" 2>/dev/null)" </dev/null
  rm -f "$reg"
}

windows_path() { WINEPREFIX=$1 winepath -w "$2" 2>/dev/null; }

case ${1:-} in
  register)
    [ $# -ge 4 ] || usage
    prefix=$2 mode=${5:-follow}
    case $mode in follow | ignore) ;; *) usage ;; esac
    mkdir -p "$(dirname "$4")"
    apply "$prefix" "\"$(windows_path "$prefix" "$3")\" --log \"$(windows_path "$prefix" "$4")\" --mode $mode \"%1\""
    ;;
  unregister)
    [ $# -eq 2 ] || usage
    apply "$2" '"C:\windows\system32\winebrowser.exe" "%1"'
    ;;
  *) usage ;;
esac
