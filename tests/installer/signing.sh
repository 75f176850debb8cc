#!/usr/bin/env bash
# Packs with a throwaway self-signed code-signing certificate: the exe inside the zip and the MSI
# must both carry a signature that osslsigncode verifies against that certificate (the MSI's exe
# too); a wrong password fails the packing and leaves no package; no certificate, no signature.
# Usage: signing.sh <postwacht.exe> <version> <work directory>
set -euo pipefail
exe=$(realpath "$1") version=$2 work=$3
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
fail() { echo "signing: FAIL: $*" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/out"
cd "$work"

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Postwacht Test" \
  -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" >/dev/null 2>&1 \
  || fail "no test certificate"
openssl pkcs12 -export -inkey key.pem -in cert.pem -out sign.pfx -passout pass:'Ge heim"1' \
  || fail "no PFX"

# Wrong password: packing fails and leaves nothing half-signed behind.
if PW_SIGN_PFX=$work/sign.pfx PW_SIGN_PASSWORD=falsch bash "$scripts/package.sh" "$exe" "$version" out \
  >/dev/null 2>&1; then
  fail "packing with a wrong password succeeded"
fi
[ -z "$(ls out)" ] || fail "a failed signing left $(ls out)"

PW_SIGN_PFX=$work/sign.pfx PW_SIGN_PASSWORD='Ge heim"1' bash "$scripts/package.sh" "$exe" "$version" out >/dev/null
msi=out/postwacht-$version-x64.msi
unzip -q -o "out/postwacht-$version-x64.zip" postwacht.exe -d unpacked
for file in unpacked/postwacht.exe "$msi"; do
  osslsigncode verify -CAfile cert.pem -in "$file" >"$(basename "$file").verify" 2>&1 \
    || { cat "$(basename "$file").verify" >&2; fail "$file does not verify"; }
done
# The MSI carries the signed exe too.
msiextract -C extracted "$msi" >/dev/null
signed=$(find extracted -iname postwacht.exe | head -1)
[ -n "$signed" ] || fail "no postwacht.exe in the MSI"
osslsigncode verify -CAfile cert.pem -in "$signed" >/dev/null 2>&1 || fail "the exe inside the MSI is unsigned"
# Unsigned without a certificate, as before.
bash "$scripts/package.sh" "$exe" "$version" plain >/dev/null
unzip -q -o "plain/postwacht-$version-x64.zip" postwacht.exe -d plainexe
if osslsigncode verify -CAfile cert.pem -in plainexe/postwacht.exe >/dev/null 2>&1; then
  fail "packing without a certificate signed"
fi
echo "signing: exe and MSI signed and verified"
