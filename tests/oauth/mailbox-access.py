#!/usr/bin/env python3
"""Dovecot's checkpassword passdb for mailboxes reached by delegation: Dovecot hands the OAuth2
access token over as the password, and the identity provider says whether it may open this
mailbox. Usage (by Dovecot): mailbox-access.py <provider-url> <reply-program> [args...]."""

import json
import os
import sys
import urllib.parse
import urllib.request


def main():
    provider, reply = sys.argv[1], sys.argv[2:]
    with os.fdopen(3, "rb") as f:
        fields = f.read().split(b"\0")
    if len(fields) < 2:
        return 2
    mailbox = fields[0].decode("utf-8", "replace")
    token = fields[1].decode("utf-8", "replace")
    body = urllib.parse.urlencode({"token": token, "mailbox": mailbox}).encode()
    try:
        with urllib.request.urlopen(provider + "/mailbox-access", body, timeout=10) as answer:
            verdict = json.load(answer)
    except (OSError, ValueError):
        return 111  # the provider out of reach: a temporary failure, not a wrong password
    if not verdict.get("allowed") or not reply:
        return 1
    os.environ["USER"] = mailbox
    os.execv(reply[0], reply)


if __name__ == "__main__":
    sys.exit(main())
