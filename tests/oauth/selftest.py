#!/usr/bin/env python3
"""The OAuth2 rig checks itself: the provider's refusals, one sign-in, and Dovecot letting the
token in (own and delegated mailbox, both mechanisms) until it is expired or revoked.
Usage: selftest.py <dir>  (starts the rig in <dir> and stops it again, also on failure)"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import client  # noqa: E402
import imapsasl  # noqa: E402

RIG = os.path.join(os.path.dirname(os.path.abspath(__file__)), "rig.sh")
OWN, DELEGATED, FOREIGN = "anna@buero.example", "zentrale@buero.example", "chef@buero.example"
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def imap(port, token, cases, what):
    """cases: (mailbox, whether the token opens it), each tried with both mechanisms."""
    for mechanism in ("XOAUTH2", "OAUTHBEARER"):
        for mailbox, allowed in cases:
            signed_in, transcript = imapsasl.authenticate(port, mechanism, mailbox, token)
            # A refusal must come as an error challenge and then NO, never as a bare NO.
            refused_properly = any(t.startswith("S: +") for t in transcript) and \
                transcript[-1].startswith("S: a1 NO [AUTHENTICATIONFAILED]")
            check(signed_in if allowed else (not signed_in and refused_properly),
                  "%s: %s into %s %s" % (what, mechanism, mailbox,
                                         "signs in" if allowed else "is refused"))
            if signed_in != allowed:
                print("\n".join(transcript))


def main(directory):
    ports = subprocess.run([RIG, "start", directory], check=True, capture_output=True,
                           text=True).stdout.split()
    provider, imap_port = client.Provider(int(ports[0])), int(ports[1])

    # The provider's refusals, one per check it makes.
    status, _, _ = provider.request("GET", "/organizations/oauth2/v2.0/authorize?client_id=x")
    check(status == 400, "authorize: an unknown client gets a page, no redirect")
    status, _, _ = provider.authorize(redirect_uri="https://example.org/")
    check(status == 400, "authorize: a redirect off the loopback gets a page, no redirect")
    status, back, _ = provider.authorize(code_challenge_method="plain", state="s1")
    check(status == 302 and back == {"error": "invalid_request", "state": "s1",
                                     "error_description": back.get("error_description")},
          "authorize: PKCE without S256 goes back as invalid_request with the state")
    _, back, _ = provider.authorize()
    status, answer = provider.token(grant_type="authorization_code", code=back["code"],
                                    redirect_uri=client.REDIRECT, code_verifier="x" * 43)
    check((status, answer.get("error")) == (400, "invalid_grant"),
          "token: a verifier that does not match is invalid_grant")
    for form, expected in (({"client_id": "x", "grant_type": "refresh_token", "refresh_token": "r"},
                            (401, "invalid_client")),
                           ({"grant_type": "password"}, (400, "unsupported_grant_type")),
                           ({"grant_type": "refresh_token"}, (400, "invalid_request"))):
        status, answer = provider.token(**form)
        check((status, answer.get("error")) == expected, "token: %s gives %s" % (form, expected))

    # One sign-in; state comes back as sent.
    status, back, verifier = provider.authorize(state="zustand-42")
    check(back.get("state") == "zustand-42", "authorize: state echoed")
    _, first = provider.token(grant_type="authorization_code", code=back["code"],
                              redirect_uri=client.REDIRECT, code_verifier=verifier)
    check("refresh_token" in first, "token: the code with its verifier gives tokens")
    imap(imap_port, first["access_token"], ((OWN, True), (DELEGATED, True), (FOREIGN, False)),
         "fresh token")

    # Rotation: the new refresh token works, the old one is spent.
    _, second = provider.token(grant_type="refresh_token", refresh_token=first["refresh_token"])
    status, answer = provider.token(grant_type="refresh_token",
                                    refresh_token=first["refresh_token"])
    check(answer.get("error") == "invalid_grant", "refresh: a rotated refresh token is spent")

    # An expired access token is refused; a refresh brings a working one.
    provider.control("expire", {"what": "access"})
    imap(imap_port, second["access_token"], ((OWN, False), (DELEGATED, False)), "expired token")
    status, third = provider.token(grant_type="refresh_token",
                                   refresh_token=second["refresh_token"])
    check(status == 200, "refresh: after expiry")
    imap(imap_port, third["access_token"], ((OWN, True),), "renewed token")

    # Revoked: the refresh token and the access token both die.
    provider.control("revoke", {"user": OWN})
    status, answer = provider.token(grant_type="refresh_token",
                                    refresh_token=third["refresh_token"])
    check(answer.get("error") == "invalid_grant", "refresh: a revoked refresh token")
    imap(imap_port, third["access_token"], ((OWN, False), (DELEGATED, False)), "revoked token")

    counters = provider.control("state")["counters"]
    check((counters["sign_ins"], counters["refreshes"]) == (1, 2),
          "counters: one code redeemed, two refreshes (%s)" % counters)


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except Exception as e:  # a crash of the walk is a failure, with the rig still stopped
        failures.append(repr(e))
        print("FAIL", repr(e))
    finally:
        subprocess.run([RIG, "stop", sys.argv[1]])
    sys.exit(1 if failures else 0)
