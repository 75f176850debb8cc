#!/usr/bin/env bash
# Builds the Windows packages from a built postwacht.exe: postwacht-<version>-x64.msi (wixl, from
# packaging/postwacht.wxs), the portable postwacht-<version>-x64.zip (the exe and LIESMICH.txt)
# and the winget manifest for the MSI in winget/ (from packaging/winget/).
# With PW_SIGN_PFX set the exe is signed before it goes into both, and the MSI after it is built
# (scripts/sign.sh); without, both stay unsigned.
# Usage: package.sh <postwacht.exe> <version a.b.c> <output directory>
set -euo pipefail
exe=$1 version=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "package: $*" >&2; exit 1; }
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "version '$version' is not major.minor.revision"
[ -f "$exe" ] || fail "no $exe"
for tool in wixl msibuild msiinfo sha256sum zip; do command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps.sh)"; done
mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$stage/postwacht.exe"
cp "$root/src/win32/resources/main.ico" "$stage/postwacht.ico"
if [ -n "${PW_SIGN_PFX:-}" ]; then bash "$root/scripts/sign.sh" "$stage/postwacht.exe"; fi

name=postwacht-$version-x64
# wixl resolves sources against the working folder and reports what it ignores on stderr.
(cd "$stage" && wixl -a x64 -D Version="$version" -o "$stage/$name.msi" "$root/packaging/postwacht.wxs") \
  >"$stage/wixl.log" 2>&1 || { cat "$stage/wixl.log" >&2; fail "wixl failed"; }

# What wixl cannot express, set in the tables (Component.Attributes: 4 registry key path,
# 16 permanent, 256 64-bit).
query() { msibuild "$stage/$name.msi" -q "$1" || fail "msibuild: $1"; }
condition() { query "UPDATE Component SET Condition='$2', Attributes=$3 WHERE Component='$1'"; }
condition Autostart 'AUTOSTART<>"0"' 260
condition UserHost 'SERVER AND NOT ALLUSERS' 276
condition UserPort 'PORT AND NOT ALLUSERS' 276
condition UserSecurity 'SECURITY AND NOT ALLUSERS' 276
condition UserFingerprint 'FINGERPRINT AND NOT ALLUSERS' 276
condition MachineHost 'SERVER AND ALLUSERS' 276
condition MachinePort 'PORT AND ALLUSERS' 276
condition MachineSecurity 'SECURITY AND ALLUSERS' 276
condition MachineFingerprint 'FINGERPRINT AND ALLUSERS' 276
condition UserShowSender 'SHOWSENDER="0" AND NOT ALLUSERS' 276
condition MachineShowSender 'SHOWSENDER="0" AND ALLUSERS' 276
# Root -1 is HKMU (HKLM per machine, HKCU per user); wixl writes 4, which is no root at all.
query "UPDATE Registry SET Root=-1 WHERE Component_='Autostart'"
# A plain shortcut to the file, not an advertised one to the feature.
query "UPDATE Shortcut SET Target='[#PostwachtExe]' WHERE Shortcut='StartMenu'"
# Type 51 (set a property) runs immediately; the folder must be known before costing.
query "UPDATE CustomAction SET Type=51 WHERE Action='PerUserFolder'"
# Public properties given on the command line reach the elevated part of a per-machine install.
query "UPDATE Property SET Value='WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;AUTOSTART;SERVER;PORT;SECURITY;FINGERPRINT;SHOWSENDER' WHERE Property='SecureCustomProperties'"

if [ -n "${PW_SIGN_PFX:-}" ]; then bash "$root/scripts/sign.sh" "$stage/$name.msi"; fi

# The winget manifest (the three-file form) for the MSI as it leaves the house, signed or not:
# its ProductCode and UpgradeCode read back from the built package. PW_RELEASE_URL is the folder
# the MSI is published in.
property() {
  msiinfo export "$stage/$name.msi" Property | tr -d '\r' | awk -F'\t' -v p="$1" '$1 == p { print $2 }'
}
product_code=$(property ProductCode)
upgrade_code=$(property UpgradeCode)
[[ $product_code =~ ^\{[0-9A-F-]{36}\}$ ]] || fail "no ProductCode in $name.msi ('$product_code')"
sha=$(sha256sum "$stage/$name.msi" | cut -d' ' -f1 | tr a-f A-F)
url=${PW_RELEASE_URL:-https://download.postwacht.example/$version}/$name.msi
mkdir -p "$stage/winget"
for template in "$root"/packaging/winget/*.yaml.in; do
  sed -e "s|@VERSION@|$version|g" -e "s|@PRODUCTCODE@|$product_code|g" \
      -e "s|@UPGRADECODE@|$upgrade_code|g" -e "s|@SHA256@|$sha|g" -e "s|@URL@|$url|g" \
      "$template" >"$stage/winget/$(basename "$template" .in)"
done

# The text beside the exe in the zip, with Windows line ends for Notepad.
sed 's/$/\r/' "$root/packaging/LIESMICH.txt" >"$stage/LIESMICH.txt"
rm -f "$stage/$name.zip"
(cd "$stage" && zip -q -X "$name.zip" postwacht.exe LIESMICH.txt)

mv -f "$stage/$name.msi" "$stage/$name.zip" "$out/"
rm -rf "$out/winget"
mv "$stage/winget" "$out/winget"
echo "$out/$name.msi"
echo "$out/$name.zip"
echo "$out/winget"
