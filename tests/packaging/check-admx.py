#!/usr/bin/env python3
"""The administrative template against the program: every policy writes a key and value the
program reads as a policy, every such value has a policy, and the ADMX and both ADMLs are
well-formed and complete (every string, presentation and element referenced exists)."""
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

root = Path(sys.argv[1])
NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
errors = []


def fail(text):
    errors.append(text)


def constants(path):
    """The char constants of a header: name -> text."""
    found = {}
    for m in re.finditer(r'inline constexpr char (k\w+)\[\] =\s*"((?:[^"\\]|\\.)*)";',
                         path.read_text(encoding="utf-8")):
        found[m.group(1)] = m.group(2).encode().decode("unicode_escape")
    return found


names = constants(root / "src/common/SettingsNames.h")
# The "Server" and "Timer" values the program reads as settings (GetSetting through the one
# reader), by the constants' names, and the OAuth2 settings by what OAuthConfig asks for.
read = {
    names["kSectionServer"].lower(): {names[k] for k in (
        "kValueHost", "kValuePort", "kValueSecurity", "kValueCertificate",
        "kValueTerminalServer", "kValueConcurrent", "kValueShowSender")},
    names["kSectionTimer"].lower(): {names["kValueTimer1"]},
}
oauth = set(re.findall(r'Value\(read, "([^"]+)"',
                       (root / "src/oauth/OAuthConfig.cpp").read_text(encoding="utf-8")))
if not {"Anmeldung", "OAuth2-Client-ID"} <= oauth:
    fail(f"OAuthConfig.cpp: the OAuth2 settings it reads were not found ({sorted(oauth)})")
read[names["kSectionServer"].lower()] |= oauth
policies_path = names["kPoliciesPath"].lower()

# Every text of the program's sources, for the choices of the enum lists.
literals = set()
for source in (root / "src").rglob("*.[ch]*"):
    literals |= set(re.findall(r'"((?:[^"\\]|\\.)*)"', source.read_text(encoding="utf-8")))


def parse(path):
    try:
        return ET.parse(path).getroot()
    except (ET.ParseError, OSError) as e:
        fail(f"{path}: {e}")
        return None


admx = parse(root / "packaging/Postwacht.admx")
admls = {lang: parse(root / f"packaging/{lang}/Postwacht.adml") for lang in ("de-DE", "en-US")}
if admx is None or None in admls.values():
    print("\n".join(errors))
    sys.exit(1)

strings_used = set()
presentations_used = {}  # presentation id -> element ids of its policy


def ref(text, kind):
    m = re.fullmatch(r"\$\(" + kind + r"\.([A-Za-z0-9_]+)\)", text or "")
    if not m:
        fail(f"ADMX: {text!r} is no $({kind}.id) reference")
        return None
    return m.group(1)


def use_string(text):
    s = ref(text, "string")
    if s:
        strings_used.add(s)


categories = {c.get("name") for c in admx.iterfind("p:categories/p:category", NS)}
supported = {d.get("name") for d in admx.iterfind("p:supportedOn/p:definitions/p:definition", NS)}
for d in admx.iterfind("p:supportedOn/p:definitions/p:definition", NS):
    use_string(d.get("displayName"))
for c in admx.iterfind("p:categories/p:category", NS):
    use_string(c.get("displayName"))
    if c.get("explainText"):
        use_string(c.get("explainText"))
    for parent in c.iterfind("p:parentCategory", NS):
        if parent.get("ref") not in categories:
            fail(f"category {c.get('name')}: parent {parent.get('ref')} does not exist")

covered = set()
policy_names = set()
for policy in admx.iterfind("p:policies/p:policy", NS):
    name = policy.get("name")
    if name in policy_names:
        fail(f"policy {name} twice")
    policy_names.add(name)
    if policy.get("class") not in ("Machine", "User", "Both"):
        fail(f"policy {name}: class {policy.get('class')}")
    use_string(policy.get("displayName"))
    use_string(policy.get("explainText"))
    parent = policy.find("p:parentCategory", NS)
    if parent is None or parent.get("ref") not in categories:
        fail(f"policy {name}: no existing category")
    support = policy.find("p:supportedOn", NS)
    if support is None or support.get("ref") not in supported:
        fail(f"policy {name}: no existing supportedOn")
    elements = list(policy.iterfind("p:elements/*", NS))
    if not elements:
        fail(f"policy {name}: no elements, so it would write no value the program reads")
    presentation = ref(policy.get("presentation"), "presentation")
    if presentation:
        presentations_used[presentation] = (name, {e.get("id") for e in elements})
    for element in elements:
        key = (element.get("key") or policy.get("key") or "").lower()
        value = element.get("valueName") or ""
        section = key[len(policies_path) + 1:] if key.startswith(policies_path + "\\") else None
        if section not in read:
            fail(f"policy {name}: key {key!r} is none the program reads policies from")
            continue
        if value not in read[section]:
            fail(f"policy {name}: {section}\\{value} is no value the program reads")
        covered.add((section, value))
        tag = element.tag.split("}")[1]
        # The program reads strings only: numbers must be stored as text.
        if tag == "decimal" and element.get("storeAsText") != "true":
            fail(f"policy {name}: decimal {value} is not stored as text")
        if tag not in ("text", "decimal", "enum"):
            fail(f"policy {name}: element {tag} writes no string")
        for item in element.iterfind("p:item", NS):
            use_string(item.get("displayName"))
            choice = item.find("p:value/p:string", NS)
            if choice is None or choice.text not in literals:
                fail(f"policy {name}: choice {None if choice is None else choice.text!r} "
                     "is no text of the program")

for section, values in read.items():
    for value in values - {v for s, v in covered if s == section}:
        fail(f"{section}\\{value} is read by the program but has no policy")

for lang, adml in admls.items():
    table = {s.get("id"): s.text for s in adml.iterfind("p:resources/p:stringTable/p:string", NS)}
    for s in sorted(strings_used):
        if not (table.get(s) or "").strip():
            fail(f"{lang}: string {s} missing or empty")
    for s in sorted(set(table) - strings_used):
        fail(f"{lang}: string {s} is used by nothing")
    shown = {p.get("id"): p for p in adml.iterfind("p:resources/p:presentationTable/p:presentation", NS)}
    for pid, (policy, ids) in presentations_used.items():
        p = shown.get(pid)
        if p is None:
            fail(f"{lang}: presentation {pid} of {policy} missing")
            continue
        refs = {c.get("refId") for c in p if c.get("refId")}
        if refs != ids:
            fail(f"{lang}: presentation {pid} shows {sorted(refs)}, the policy has {sorted(ids)}")
    for tag in ("displayName", "description"):
        if adml.find("p:" + tag, NS) is None:
            fail(f"{lang}: no {tag}")

if errors:
    print("\n".join(errors))
    sys.exit(1)
print(f"{len(policy_names)} policies, {len(covered)} values, {len(strings_used)} strings: complete")
