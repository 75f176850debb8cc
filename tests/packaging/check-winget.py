#!/usr/bin/env python3
"""The winget manifest the package step wrote, field by field against the 1.6 schema's rules
(no validator is available offline) and against the MSI it describes."""
import hashlib
import re
import subprocess
import sys
from pathlib import Path

import yaml

folder, msi, version = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
errors = []


def check(ok, text):
    if not ok:
        errors.append(text)


def load(name):
    path = folder / name
    text = path.read_text(encoding="utf-8")
    check("@" not in re.sub(r"#.*", "", text), f"{name}: a placeholder is left")
    return yaml.safe_load(text)


package = "Postwacht.Postwacht"
files = {
    "version": load(f"{package}.yaml"),
    "installer": load(f"{package}.installer.yaml"),
    "defaultLocale": load(f"{package}.locale.de-DE.yaml"),
}
# The keys of the schema's manifests that this one uses or may use; anything else is a typo.
allowed = {
    "version": {"PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType",
                "ManifestVersion"},
    "installer": {"PackageIdentifier", "PackageVersion", "InstallerType", "InstallerSwitches",
                  "UpgradeBehavior", "ProductCode", "AppsAndFeaturesEntries", "Installers",
                  "ManifestType", "ManifestVersion", "Scope", "InstallerLocale"},
    "defaultLocale": {"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher",
                      "PackageName", "License", "ShortDescription", "Description", "Tags",
                      "Author", "PublisherUrl", "LicenseUrl", "Copyright", "Moniker",
                      "ManifestType", "ManifestVersion"},
}
identifier = re.compile(r'^[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}(\.[^\.\s\\/:\*\?"<>\|\x01-\x1f]{1,32}){1,7}$')
for kind, m in files.items():
    check(isinstance(m, dict), f"{kind}: no mapping")
    check(set(m) <= allowed[kind], f"{kind}: unknown keys {sorted(set(m) - allowed[kind])}")
    check(m.get("ManifestType") == kind, f"{kind}: ManifestType {m.get('ManifestType')}")
    mv = tuple(int(x) for x in str(m.get("ManifestVersion", "0")).split("."))
    check(mv >= (1, 6, 0), f"{kind}: ManifestVersion {m.get('ManifestVersion')} below 1.6.0")
    check(m.get("PackageIdentifier") == package and identifier.match(package),
          f"{kind}: PackageIdentifier {m.get('PackageIdentifier')}")
    check(str(m.get("PackageVersion")) == version, f"{kind}: PackageVersion {m.get('PackageVersion')}")

locale = files["defaultLocale"]
check(files["version"].get("DefaultLocale") == locale.get("PackageLocale") == "de-DE",
      "DefaultLocale and PackageLocale differ")
for key, low, high in (("Publisher", 2, 256), ("PackageName", 2, 256), ("License", 3, 512),
                       ("ShortDescription", 3, 256)):
    value = str(locale.get(key, ""))
    check(low <= len(value) <= high, f"defaultLocale: {key} {value!r}")

properties = dict(line.split("\t", 1) for line in subprocess.run(
    ["msiinfo", "export", str(msi), "Property"], check=True, capture_output=True,
    text=True).stdout.replace("\r", "").splitlines() if "\t" in line)
sha = hashlib.sha256(msi.read_bytes()).hexdigest().upper()

inst = files["installer"]
check(inst.get("InstallerType") == "msi", f"InstallerType {inst.get('InstallerType')}")
check(inst.get("ProductCode") == properties.get("ProductCode"),
      f"ProductCode {inst.get('ProductCode')} is not the MSI's {properties.get('ProductCode')}")
entries = inst.get("AppsAndFeaturesEntries") or [{}]
check(entries[0].get("UpgradeCode") == properties.get("UpgradeCode"), "UpgradeCode is not the MSI's")
check(entries[0].get("ProductCode") == properties.get("ProductCode"), "entry's ProductCode")
switches = inst.get("InstallerSwitches", {})
check("/quiet" in switches.get("Silent", "") or "/qn" in switches.get("Silent", ""),
      f"Silent {switches.get('Silent')}")
check("/passive" in switches.get("SilentWithProgress", ""), "SilentWithProgress")
scopes = {}
for i in inst.get("Installers", []):
    scopes[i.get("Scope")] = i
    check(i.get("Architecture") == "x64", f"Architecture {i.get('Architecture')}")
    check(re.match(r"^https://[^\s]+/postwacht-" + re.escape(version) + r"-x64\.msi$",
                   str(i.get("InstallerUrl"))), f"InstallerUrl {i.get('InstallerUrl')}")
    check(i.get("InstallerSha256") == sha, f"{i.get('Scope')}: InstallerSha256 is not the MSI's")
check(set(scopes) == {"user", "machine"}, f"scopes {sorted(map(str, scopes))}")
machine = scopes.get("machine", {})
check("ALLUSERS=1" in machine.get("InstallerSwitches", {}).get("Custom", ""),
      "the machine installer does not pass ALLUSERS=1")
check("ALLUSERS" not in str(scopes.get("user", {}).get("InstallerSwitches", "")),
      "the user installer passes ALLUSERS")

if errors:
    print("\n".join(errors))
    sys.exit(1)
print(f"winget {package} {version}: ProductCode {properties['ProductCode']}, SHA-256 {sha[:12]}...")
