#!/usr/bin/env python3
"""A client of the tests' identity provider: signs in as the browser and the program would
together (authorize, follow nothing, redeem the code with PKCE), refreshes, drives the control
endpoint. For the self-test and for checks by hand:
  client.py <provider-port> token            prints a fresh access token
  client.py <provider-port> state            prints the provider's counters and settings
  client.py <provider-port> revoke|expire|config|fail|reset ['<json>']"""

import base64
import hashlib
import http.client
import json
import secrets
import sys
import urllib.parse

CLIENT_ID = "postwacht-test-client"
SCOPE = "https://outlook.office.com/IMAP.AccessAsUser.All offline_access"
REDIRECT = "http://127.0.0.1:49152/"


class Provider:
    def __init__(self, port, tenant="organizations"):
        self.port, self.tenant = port, tenant

    def request(self, method, path, body=None, content_type="application/x-www-form-urlencoded"):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            headers = {"Content-Type": content_type} if body is not None else {}
            conn.request(method, path, body, headers)
            answer = conn.getresponse()
            return answer.status, answer.getheader("Location"), answer.read()
        finally:
            conn.close()

    def authorize_url(self, **params):
        """The authorize URL as the program builds it; returns (path and query, verifier)."""
        verifier = secrets.token_urlsafe(64)
        challenge = base64.urlsafe_b64encode(hashlib.sha256(verifier.encode()).digest())
        query = {"client_id": CLIENT_ID, "response_type": "code", "redirect_uri": REDIRECT,
                 "scope": SCOPE, "state": secrets.token_urlsafe(16),
                 "code_challenge": challenge.rstrip(b"=").decode(),
                 "code_challenge_method": "S256"}
        query.update(params)
        query = {k: v for k, v in query.items() if v is not None}
        return ("/%s/oauth2/v2.0/authorize?%s" % (self.tenant, urllib.parse.urlencode(query)),
                verifier)

    def authorize(self, **params):
        """The authorize request with PKCE; returns (status, redirect parameters, verifier)."""
        path, verifier = self.authorize_url(**params)
        status, location, _ = self.request("GET", path)
        back = dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(location or "").query))
        return status, back, verifier

    def token(self, **form):
        form.setdefault("client_id", CLIENT_ID)
        status, _, body = self.request("POST", "/%s/oauth2/v2.0/token" % self.tenant,
                                       urllib.parse.urlencode(form))
        return status, json.loads(body)

    def sign_in(self):
        """Returns the token answer of a complete sign-in."""
        _, back, verifier = self.authorize()
        status, answer = self.token(grant_type="authorization_code", code=back["code"],
                                    redirect_uri=REDIRECT, code_verifier=verifier)
        if status != 200:
            raise RuntimeError("sign-in failed: %s" % answer)
        return answer

    def control(self, action, body=None):
        if action == "state":
            _, _, text = self.request("GET", "/test/state")
        else:
            _, _, text = self.request("POST", "/test/" + action, json.dumps(body or {}),
                                      "application/json")
        return json.loads(text)


if __name__ == "__main__":
    provider = Provider(int(sys.argv[1]))
    if sys.argv[2] == "token":
        print(provider.sign_in()["access_token"])
    else:
        arg = json.loads(sys.argv[3]) if len(sys.argv) > 3 else {}
        print(json.dumps(provider.control(sys.argv[2], arg), indent=1))
