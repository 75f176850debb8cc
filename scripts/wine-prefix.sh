#!/usr/bin/env bash
# Creates the Wine prefix once (wineboot takes a while), safe against parallel callers.
set -euo pipefail
prefix=$1
# Debian's Wine does not read its own font folder (fonts-wine) by itself: without Tahoma and
# Marlett in the prefix it draws the title-bar buttons as letters and labels in a wider font.
link_fonts() {
  local fonts=$prefix/drive_c/windows/Fonts f
  [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ] || return 0
  [ -e "$fonts/marlett.ttf" ] && [ -e "$fonts/tahoma.ttf" ] && return 0
  for f in /usr/share/wine/fonts/*; do ln -sf "$f" "$fonts/"; done
}
if [ -f "$prefix/.postwacht-ready" ]; then
  link_fonts
  exit 0
fi
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.postwacht-ready" ] && exit 0
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=${PW_WINE_LOCALE:-C}
wineboot -i >"$prefix.boot.log" 2>&1 || true
# Without a window manager every destroyed window stalls ~2 s unless Wine manages nothing.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$prefix.boot.log" 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >>"$prefix.boot.log" 2>&1
wineserver -w
link_fonts
touch "$prefix/.postwacht-ready"
