#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; skips what is present.
# Recommended packages are left out, so Wine's drawing needs are named here: fonts-wine (Tahoma,
# MS Sans Serif, and Marlett for the title-bar buttons) and fonts-liberation (the metric twins of
# Arial, Times New Roman and Courier New). x11vnc lets a user watch the demo on a private Xvfb;
# locales brings the locale sources the test under another ANSI code page compiles. wixl and
# msitools build the MSI (and read its ProductCode back for the winget manifest), zip the portable
# package, osslsigncode signs both (and its test checks); python3-yaml reads the winget manifest in
# its test.
set -euo pipefail
packages=(
  cmake make g++ googletest libgtest-dev clang clang-format libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-wine fonts-liberation xvfb xdotool x11-utils x11vnc imagemagick
  dovecot-imapd dovecot-auth-lua openssl libssl-dev python3 locales libcurl4-openssl-dev
  nlohmann-json3-dev wixl msitools zip unzip osslsigncode python3-yaml
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -o DPkg::Lock::Timeout=300 >/dev/null
$SUDO apt-get install -y -o DPkg::Lock::Timeout=300 --no-install-recommends "${missing[@]}"
