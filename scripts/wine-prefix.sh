#!/usr/bin/env bash
# Creates the Wine prefix once (wineboot takes a while), safe against parallel callers.
set -euo pipefail
prefix=$1
[ -f "$prefix/.postwacht-ready" ] && exit 0
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
touch "$prefix/.postwacht-ready"
