#!/usr/bin/env python3
"""A raw IMAP sign-in with XOAUTH2 or OAUTHBEARER, the initial response inside the AUTHENTICATE
command (RFC 4959), as the program sends it; prints the transcript. For the rig's self-test and
for checks by hand:  imapsasl.py <port> XOAUTH2|OAUTHBEARER <user> <access-token>"""

import base64
import socket
import sys


def initial_response(mechanism, user, token, host="127.0.0.1", port=143):
    if mechanism == "XOAUTH2":
        text = "user=%s\x01auth=Bearer %s\x01\x01" % (user, token)
    else:  # RFC 7628 3.1: gs2 header with the authorization identity, then key/value pairs
        text = "n,a=%s,\x01host=%s\x01port=%d\x01auth=Bearer %s\x01\x01" % (
            user.replace("=", "=3D").replace(",", "=2C"), host, port, token)
    return base64.b64encode(text.encode("utf-8")).decode("ascii")


def authenticate(port, mechanism, user, token, timeout=10):
    """Returns (signed_in, transcript). A server challenge after a failure is answered as the
    mechanism asks: OAUTHBEARER with the single byte 0x01 (RFC 7628 3.2.3), XOAUTH2 with an empty
    line, as Google and Microsoft document it."""
    transcript = []
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        reader = s.makefile("rb")

        def line():
            text = reader.readline().decode("utf-8", "replace").rstrip("\r\n")
            transcript.append("S: " + text)
            return text

        def send(text):
            transcript.append("C: " + (text if len(text) < 120 else text[:100] + "..."))
            s.sendall(text.encode("ascii") + b"\r\n")

        line()  # greeting
        send("a1 AUTHENTICATE %s %s" % (mechanism, initial_response(mechanism, user, token,
                                                                    port=port)))
        while True:
            text = line()
            if text.startswith("+"):
                challenge = text[1:].strip()
                transcript.append("   challenge: %s" % base64.b64decode(challenge or "")
                                  .decode("utf-8", "replace"))
                send("AQ==" if mechanism == "OAUTHBEARER" else "")
            elif text.startswith("a1 ") or text == "":
                break
        signed_in = text.startswith("a1 OK")
        if signed_in:
            send("a2 LOGOUT")
            while line().startswith("*"):
                pass
    return signed_in, transcript


if __name__ == "__main__":
    ok, lines = authenticate(int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4])
    print("\n".join(lines))
    sys.exit(0 if ok else 1)
