#!/usr/bin/env python3
"""Asks the identity provider whether an access token may open a mailbox reached by delegation;
run by the rig's Lua passdb (mailbox-access.lua). Exit status: 0 allowed, 1 refused, 111 the
provider out of reach. Usage: mailbox-access.py <provider-url> <mailbox> <token>"""

import json
import sys
import urllib.parse
import urllib.request


def main(provider, mailbox, token):
    body = urllib.parse.urlencode({"token": token, "mailbox": mailbox}).encode()
    try:
        with urllib.request.urlopen(provider + "/mailbox-access", body, timeout=10) as answer:
            verdict = json.load(answer)
    except (OSError, ValueError) as e:
        print("%s: provider out of reach: %s" % (mailbox, e))
        return 111
    print("%s: %s" % (mailbox, "allowed" if verdict.get("allowed") else verdict.get("reason")))
    return 0 if verdict.get("allowed") else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]) if len(sys.argv) == 4 else 2)
