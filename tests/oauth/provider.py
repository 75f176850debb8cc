#!/usr/bin/env python3
"""The tests' own OAuth2 identity provider: authorization code with PKCE, refresh with rotation,
token introspection for Dovecot, a mailbox-access check for delegated mailboxes, and a control
endpoint for the tests. Standard library only; loopback only. See tests/oauth/README.md."""

import argparse
import base64
import hashlib
import http.server
import json
import os
import re
import secrets
import signal
import socketserver
import sys
import threading
import time
import urllib.parse

# The layout of Microsoft's endpoints, so that only the host of the program's default URLs changes.
AUTHORIZE = re.compile(r"^/([^/]+)/oauth2/v2\.0/authorize$")
TOKEN = re.compile(r"^/([^/]+)/oauth2/v2\.0/token$")
# RFC 7636 4.1: 43 to 128 characters of the unreserved set.
VERIFIER = re.compile(r"^[A-Za-z0-9\-._~]{43,128}$")
CHALLENGE = re.compile(r"^[A-Za-z0-9\-_]{43}$")
CODE_LIFETIME = 600
SECRET_IN_QUERY = re.compile(r"([?&](?:code|token|access_token|refresh_token)=)[^&\s]*")

# Microsoft's AADSTS numbers for the answers the program may see, so that its traces look familiar.
ERROR_CODES = {
    "invalid_request": 900144,
    "invalid_client": 700016,
    "invalid_grant": 70000,
    "unsupported_grant_type": 70003,
    "invalid_scope": 70011,
    "unauthorized_client": 700025,
    "temporarily_unavailable": 90033,
    "server_error": 90033,
}


def b64url(data):
    return base64.urlsafe_b64encode(data).rstrip(b"=").decode("ascii")


class OAuthError(Exception):
    def __init__(self, error, description, status=400, code=None):
        super().__init__(description)
        self.error, self.description, self.status = error, description, status
        self.code = code or ERROR_CODES.get(error, 0)


class Provider:
    """All state, behind one lock; the handler threads only call its methods."""

    def __init__(self, args):
        self.lock = threading.Lock()
        self.clients = set(args.client_id)
        self.redirect_uris = {without_port(u) for u in args.redirect_uri}
        self.tenant = args.tenant
        self.user = args.user
        self.consent = "allow"
        self.access_lifetime = args.access_lifetime
        self.token_length = args.token_length
        self.grants = {}
        for grant in args.grant:
            user, _, boxes = grant.partition("=")
            self.grants.setdefault(user.lower(), set()).update(
                b.strip().lower() for b in boxes.split(",") if b.strip())
        self.codes = {}
        self.access = {}
        self.refresh = {}
        self.issued = []  # every access and refresh token ever handed out, for leak checks
        self.failures = []  # [endpoint, status, remaining]
        self.last_authorize = {}
        self.counters = dict.fromkeys(
            ["authorize", "sign_ins", "refreshes", "token_errors", "introspections",
             "introspections_active", "mailbox_checks", "mailbox_allowed"], 0)

    def count(self, name):
        with self.lock:
            self.counters[name] += 1

    # --- the parts a test may inject -------------------------------------------------------

    def take_failure(self, endpoint):
        """(status, delay) of the next injected failure at this endpoint, or None."""
        with self.lock:
            for failure in self.failures:
                if failure[0] == endpoint and failure[2] > 0:
                    failure[2] -= 1
                    return failure[1], failure[3]
        return None

    # --- authorize ------------------------------------------------------------------------

    def authorize(self, tenant, query):
        """Returns (status, headers, body). Errors that cannot be trusted to the redirect URI are
        shown as a page (RFC 6749 4.1.2.1); the others go back to the client with its state."""
        with self.lock:
            self.counters["authorize"] += 1
            self.last_authorize = dict(query, tenant=tenant)
        if self.tenant and tenant != self.tenant:
            return page(400, "AADSTS90002: Tenant '%s' not found." % tenant)
        client_id = query.get("client_id")
        if not client_id or client_id not in self.clients:
            return page(400, "AADSTS700016: Application with identifier '%s' was not found."
                        % client_id)
        redirect_uri = query.get("redirect_uri", "")
        if not is_loopback_redirect(redirect_uri):
            return page(400, "AADSTS50011: The redirect URI '%s' is not a loopback URI."
                        % redirect_uri)
        if self.redirect_uris and without_port(redirect_uri) not in self.redirect_uris:
            return page(400, "AADSTS50011: The redirect URI '%s' does not match the redirect "
                        "URIs configured for the application." % redirect_uri)
        state = query.get("state")

        def back(params):
            if state is not None:
                params["state"] = state
            sep = "&" if urllib.parse.urlsplit(redirect_uri).query else "?"
            location = redirect_uri + sep + urllib.parse.urlencode(params)
            return 302, {"Location": location}, b""

        def error(code, description):
            return back({"error": code, "error_description": description})

        if query.get("response_type") != "code":
            return error("unsupported_response_type", "response_type must be 'code'.")
        if not query.get("scope"):
            return error("invalid_request", "The request must contain the parameter 'scope'.")
        challenge = query.get("code_challenge", "")
        if query.get("code_challenge_method") != "S256" or not CHALLENGE.match(challenge):
            return error("invalid_request", "A code_challenge with code_challenge_method "
                         "'S256' is required (RFC 7636).")
        with self.lock:
            consent, user = self.consent, self.user
            if consent != "allow":
                return error(consent, "The user or the administrator has not consented.")
            code = secrets.token_urlsafe(32)
            self.codes[code] = {
                "client_id": client_id, "redirect_uri": redirect_uri, "challenge": challenge,
                "user": user, "scope": query["scope"], "expires": time.time() + CODE_LIFETIME,
                "used": False, "issued": []}
        return back({"code": code})

    # --- token ----------------------------------------------------------------------------

    def token(self, tenant, form):
        if self.tenant and tenant != self.tenant:
            raise OAuthError("invalid_request", "AADSTS90002: Tenant '%s' not found." % tenant)
        grant_type = form.get("grant_type")
        client_id = form.get("client_id")
        if not grant_type or not client_id:
            raise OAuthError("invalid_request", "grant_type and client_id are required.")
        if client_id not in self.clients:
            raise OAuthError("invalid_client", "Application with identifier '%s' was not found."
                             % client_id, status=401)
        if grant_type == "authorization_code":
            return self.redeem_code(client_id, form)
        if grant_type == "refresh_token":
            return self.redeem_refresh(client_id, form)
        raise OAuthError("unsupported_grant_type", "grant_type '%s' is not supported."
                         % grant_type)

    def redeem_code(self, client_id, form):
        code, verifier = form.get("code"), form.get("code_verifier")
        if not code or not form.get("redirect_uri"):
            raise OAuthError("invalid_request", "code and redirect_uri are required.")
        if verifier is not None and not VERIFIER.match(verifier):
            raise OAuthError("invalid_request", "The code_verifier is malformed (RFC 7636 4.1).")
        with self.lock:
            entry = self.codes.get(code)
            if entry is None:
                raise OAuthError("invalid_grant", "The authorization code is unknown.",
                                 code=70008)
            if entry["used"]:
                # RFC 6749 4.1.2: a code used twice takes back what it gave the first time.
                for token in entry["issued"]:
                    self.access.pop(token, None)
                    self.refresh.pop(token, None)
                raise OAuthError("invalid_grant", "The authorization code was already redeemed.",
                                 code=54005)
            entry["used"] = True
            if entry["expires"] < time.time():
                raise OAuthError("invalid_grant", "The authorization code has expired.",
                                 code=70008)
            if entry["client_id"] != client_id:
                raise OAuthError("invalid_grant", "The code was issued to another client.")
            if entry["redirect_uri"] != form["redirect_uri"]:
                raise OAuthError("invalid_grant", "redirect_uri differs from the authorize "
                                 "request's.", code=50011)
            if verifier is None:
                raise OAuthError("invalid_grant", "The code_verifier is missing.", code=50148)
            if b64url(hashlib.sha256(verifier.encode("ascii")).digest()) != entry["challenge"]:
                raise OAuthError("invalid_grant", "The code_verifier does not match the "
                                 "code_challenge.", code=501481)
            self.counters["sign_ins"] += 1
            answer = self.issue(client_id, entry["user"], entry["scope"])
            entry["issued"] = [answer["access_token"], answer.get("refresh_token")]
            return answer

    def redeem_refresh(self, client_id, form):
        token = form.get("refresh_token")
        if not token:
            raise OAuthError("invalid_request", "refresh_token is required.")
        with self.lock:
            entry = self.refresh.get(token)
            if entry is None:
                raise OAuthError("invalid_grant", "The refresh token is unknown, rotated or "
                                 "revoked.", code=700082)
            if entry["client_id"] != client_id:
                raise OAuthError("invalid_grant", "The refresh token was issued to another "
                                 "client.")
            if entry.get("expired"):
                raise OAuthError("invalid_grant", "The refresh token has expired due to "
                                 "inactivity.", code=700082)
            scope = form.get("scope") or entry["scope"]
            if not set(scope.split()) <= set(entry["scope"].split()):
                raise OAuthError("invalid_scope", "The scope asked for exceeds the granted one.")
            # Rotation: the old refresh token is spent.
            del self.refresh[token]
            self.counters["refreshes"] += 1
            return self.issue(client_id, entry["user"], entry["scope"])

    def issue(self, client_id, user, scope):
        """Called with the lock held."""
        scopes = scope.split()
        access = "at." + secrets.token_urlsafe(self.token_length)[:self.token_length]
        expires = time.time() + self.access_lifetime
        self.issued.append(access)
        self.access[access] = {"user": user, "client_id": client_id, "scope": scope,
                               "exp": expires}
        answer = {
            "token_type": "Bearer",
            "scope": " ".join(s for s in scopes if s != "offline_access"),
            "expires_in": self.access_lifetime,
            "ext_expires_in": self.access_lifetime,
            "access_token": access,
        }
        if "offline_access" in scopes:
            refresh = "rt." + secrets.token_urlsafe(48)
            self.refresh[refresh] = {"user": user, "client_id": client_id, "scope": scope}
            self.issued.append(refresh)
            answer["refresh_token"] = refresh
        if "openid" in scopes:
            answer["id_token"] = id_token(user, client_id)
        return answer

    # --- for Dovecot ----------------------------------------------------------------------

    def introspect(self, token):
        """RFC 7662: active with the token's user, or just inactive."""
        with self.lock:
            self.counters["introspections"] += 1
            entry = self.access.get(token)
            if entry is None or entry["exp"] <= time.time():
                return {"active": False}
            self.counters["introspections_active"] += 1
            return {"active": True, "username": entry["user"], "email": entry["user"],
                    "sub": entry["user"], "client_id": entry["client_id"],
                    "scope": entry["scope"], "token_type": "Bearer", "exp": int(entry["exp"])}

    def mailbox_access(self, token, mailbox):
        """Whether this token may open this mailbox: its own, or one it holds Full Access to."""
        mailbox = (mailbox or "").lower()
        with self.lock:
            self.counters["mailbox_checks"] += 1
            entry = self.access.get(token)
            if entry is None or entry["exp"] <= time.time():
                return {"allowed": False, "reason": "token inactive"}
            user = entry["user"].lower()
            if mailbox != user and mailbox not in self.grants.get(user, ()):
                return {"allowed": False, "user": entry["user"], "reason": "no access"}
            self.counters["mailbox_allowed"] += 1
            return {"allowed": True, "user": entry["user"]}

    # --- the tests' control ----------------------------------------------------------------

    def control(self, action, body):
        with self.lock:
            if action == "state":
                return {"counters": dict(self.counters), "user": self.user,
                        "consent": self.consent, "access_lifetime": self.access_lifetime,
                        "last_authorize": self.last_authorize,
                        "refresh_tokens": len(self.refresh),
                        "grants": {u: sorted(b) for u, b in self.grants.items()}}
            if action == "issued":
                return {"tokens": list(self.issued)}
            if action == "config":
                if "user" in body:
                    self.user = body["user"]
                if "consent" in body:
                    self.consent = body["consent"]
                if "access_lifetime" in body:
                    self.access_lifetime = int(body["access_lifetime"])
                for user, boxes in body.get("grants", {}).items():
                    self.grants[user.lower()] = {b.lower() for b in boxes}
                return {"ok": True}
            user = body.get("user")

            def mine(entry):
                return user is None or entry["user"].lower() == user.lower()

            if action == "revoke":
                # Consent withdrawn or a password reset: refresh and access tokens die at once.
                n = len([t for t, e in self.refresh.items() if mine(e)])
                self.refresh = {t: e for t, e in self.refresh.items() if not mine(e)}
                self.access = {t: e for t, e in self.access.items() if not mine(e)}
                return {"revoked": n}
            if action == "expire":
                what = body.get("what", "access")
                n = 0
                if what in ("access", "all"):
                    for entry in self.access.values():
                        if mine(entry):
                            entry["exp"] = time.time() - 1
                            n += 1
                if what in ("refresh", "all"):
                    for entry in self.refresh.values():
                        if mine(entry):
                            entry["expired"] = True
                            n += 1
                return {"expired": n}
            if action == "fail":
                self.failures.append([body.get("endpoint", "token"), int(body.get("status", 503)),
                                      int(body.get("count", 1)), float(body.get("delay", 0))])
                return {"ok": True}
            if action == "reset":
                self.codes.clear()
                self.access.clear()
                self.refresh.clear()
                self.failures.clear()
                self.issued.clear()
                self.counters = dict.fromkeys(self.counters, 0)
                return {"ok": True}
        raise OAuthError("invalid_request", "unknown control action '%s'" % action, status=404)


def is_loopback_redirect(uri):
    """RFC 8252 7.3: http on a loopback address, any port; "localhost" is accepted as Microsoft
    does, though the RFC advises the literal."""
    try:
        parts = urllib.parse.urlsplit(uri)
        parts.port  # raises on a malformed port
    except ValueError:
        return False
    return (parts.scheme == "http" and parts.hostname in ("127.0.0.1", "::1", "localhost")
            and not parts.fragment and not parts.username)


def without_port(uri):
    """A loopback redirect URI as registered: any port matches (RFC 8252 7.3)."""
    parts = urllib.parse.urlsplit(uri)
    host = parts.hostname or ""
    return urllib.parse.urlunsplit((parts.scheme, "[%s]" % host if ":" in host else host,
                                    parts.path, parts.query, ""))


def id_token(user, client_id):
    """An unsigned ID token carrying the account's name, as the program may show it."""
    now = int(time.time())
    header = {"typ": "JWT", "alg": "none"}
    claims = {"aud": client_id, "iss": "http://127.0.0.1/test/v2.0", "iat": now, "nbf": now,
              "exp": now + 3600, "preferred_username": user, "name": user.split("@")[0].title(),
              "oid": hashlib.sha1(user.encode()).hexdigest(), "tid": "test"}
    return ".".join(b64url(json.dumps(p).encode()) for p in (header, claims)) + "."


def page(status, text):
    body = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Test-Anmeldung</title>"
            "</head><body><p>%s</p></body></html>" % text).encode("utf-8")
    return status, {"Content-Type": "text/html; charset=utf-8"}, body


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "PostwachtTestIdP/1"

    def log_message(self, fmt, *args):
        # Request lines only; a secret a client put into a query string is cut out.
        line = SECRET_IN_QUERY.sub(r"\1...", fmt % args)
        sys.stdout.write("%s %s\n" % (time.strftime("%H:%M:%S"), line))
        sys.stdout.flush()

    def send(self, status, headers, body):
        self.send_response(status)
        for key, value in headers.items():
            self.send_header(key, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_json(self, status, obj, extra=None):
        headers = {"Content-Type": "application/json; charset=utf-8",
                   "Cache-Control": "no-store", "Pragma": "no-cache"}
        headers.update(extra or {})
        self.send(status, headers, json.dumps(obj).encode("utf-8"))

    def send_error_json(self, e, counted=True):
        if counted:
            self.server.provider.count("token_errors")
        extra = {"WWW-Authenticate": 'Bearer error="%s"' % e.error} if e.status == 401 else None
        self.send_json(e.status, {
            "error": e.error, "error_description": "AADSTS%d: %s" % (e.code, e.description),
            "error_codes": [e.code], "timestamp": time.strftime("%Y-%m-%d %H:%M:%SZ",
                                                               time.gmtime()),
            "trace_id": secrets.token_hex(8), "correlation_id": secrets.token_hex(8)}, extra)

    def read_form(self):
        """The body as a form (or JSON for the control endpoint); a repeated parameter is an
        invalid request (RFC 6749 3.1)."""
        length = int(self.headers.get("Content-Length") or 0)
        if length > 1 << 20:
            raise OAuthError("invalid_request", "body too large")
        raw = self.rfile.read(length).decode("utf-8", "replace")
        if self.headers.get("Content-Type", "").startswith("application/json"):
            return json.loads(raw or "{}")
        return single(urllib.parse.parse_qsl(raw, keep_blank_values=True))

    def injected(self, endpoint):
        """Plays an injected failure; True when it took the request's place. Status 0 closes
        the connection without an answer; 200 only delays the normal answer."""
        failure = self.server.provider.take_failure(endpoint)
        if failure is None:
            return False
        status, delay = failure
        time.sleep(delay)
        if status == 200:
            return False
        if status == 0:
            self.close_connection = True
        elif endpoint == "token":
            self.send_error_json(OAuthError("temporarily_unavailable", "Injected failure.",
                                            status=status))
        else:
            self.send(*page(status, "Vorübergehend nicht erreichbar."))
        return True

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        provider = self.server.provider
        try:
            match = AUTHORIZE.match(url.path)
            if match:
                query = single(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
                if self.injected("authorize"):
                    return
                return self.send(*provider.authorize(match.group(1), query))
            if url.path in ("/test/state", "/test/issued"):
                return self.send_json(200, provider.control(url.path[6:], {}))
            if url.path == "/introspect":
                query = single(urllib.parse.parse_qsl(url.query))
                return self.send_json(200, provider.introspect(query.get("token", "")))
            self.send(*page(404, "Nicht gefunden."))
        except OAuthError as e:
            self.send(*page(e.status, e.description))
        except Exception as e:  # a fault of the provider itself: answer, never hang the client
            self.send(*page(500, "server_error: %r" % e))

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        provider = self.server.provider
        try:
            form = self.read_form()
            match = TOKEN.match(url.path)
            if match:
                if self.injected("token"):
                    return
                return self.send_json(200, provider.token(match.group(1), form))
            if url.path == "/introspect":
                token = form.get("token", "")
                auth = self.headers.get("Authorization", "")
                if not token and auth.startswith("Bearer "):
                    token = auth[7:]
                return self.send_json(200, provider.introspect(token))
            if url.path == "/mailbox-access":
                return self.send_json(200, provider.mailbox_access(form.get("token"),
                                                                   form.get("mailbox")))
            if url.path.startswith("/test/"):
                return self.send_json(200, provider.control(url.path[6:], form))
            self.send(*page(404, "Nicht gefunden."))
        except OAuthError as e:
            self.send_error_json(e, counted=TOKEN.match(url.path) is not None)
        except (ValueError, KeyError, TypeError, AttributeError) as e:
            self.send_error_json(OAuthError("invalid_request", "malformed request: %s" % e),
                                 counted=TOKEN.match(url.path) is not None)
        except Exception as e:  # a fault of the provider itself: answer, never hang the client
            self.send_error_json(OAuthError("server_error", repr(e), status=500))


def single(pairs):
    out = {}
    for key, value in pairs:
        if key in out:
            raise OAuthError("invalid_request", "parameter '%s' appears twice" % key)
        out[key] = value
    return out


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--dir", required=True, help="writes port and pid here")
    parser.add_argument("--port", type=int, default=0, help="0: a free one")
    parser.add_argument("--client-id", action="append", default=[],
                        help="a registered public client (repeatable)")
    parser.add_argument("--redirect-uri", action="append", default=[],
                        help="a registered redirect URI, compared without its port (repeatable; "
                             "default: any loopback URI)")
    parser.add_argument("--tenant", default="", help="the only tenant accepted (default: any)")
    parser.add_argument("--user", default="anna@buero.example", help="the consenting user")
    parser.add_argument("--grant", action="append", default=[],
                        help="user=mailbox,mailbox: Full Access for delegated mailboxes")
    parser.add_argument("--access-lifetime", type=int, default=600, help="seconds")
    parser.add_argument("--token-length", type=int, default=1400,
                        help="characters of an access token (Microsoft's run near 1500-2500)")
    args = parser.parse_args()
    if not args.client_id:
        args.client_id = ["postwacht-test-client"]

    server = Server(("127.0.0.1", args.port), Handler)
    server.provider = Provider(args)
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    port = server.server_address[1]
    for name, value in (("pid", os.getpid()), ("port", port)):
        path = os.path.join(args.dir, name)
        with open(path + ".tmp", "w") as f:
            f.write("%d\n" % value)
        os.replace(path + ".tmp", path)
    print("listening on 127.0.0.1:%d" % port, flush=True)
    server.serve_forever()
    server.server_close()


if __name__ == "__main__":
    main()
