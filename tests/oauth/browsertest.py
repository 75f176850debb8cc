#!/usr/bin/env python3
"""The stand-in browser under Wine: ShellExecuteW("open", <authorize URL>) starts it, it follows
the provider's redirect to a loopback listener standing in for the program, and that listener
gets a code that redeems with the PKCE verifier.
Usage: browsertest.py <dir> <standin_browser.exe> <shell_open.exe>  (WINEPREFIX set)"""

import http.server
import os
import subprocess
import sys
import threading
import time
import urllib.parse

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import client  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
RIG = os.path.join(HERE, "rig.sh")
BROWSER = os.path.join(HERE, "browser.sh")
WINE_RUN = os.path.join(HERE, "..", "..", "scripts", "wine-run.sh")
CLOSE_PAGE = "Die Anmeldung ist abgeschlossen. Sie können dieses Fenster schließen."


class Redirect(http.server.BaseHTTPRequestHandler):
    """The program's loopback redirect: takes the first request's query, answers a short page."""

    def do_GET(self):
        self.server.query = dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(self.path).query))
        body = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body><p>%s</p>"
                "</body></html>" % CLOSE_PAGE).encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main(directory, browser_exe, shell_open_exe):
    prefix = os.environ["WINEPREFIX"]
    log = os.path.join(directory, "browser.log")
    os.makedirs(directory, exist_ok=True)
    if os.path.exists(log):
        os.remove(log)
    port = int(subprocess.run([RIG, "provider-start", directory], check=True,
                              capture_output=True, text=True).stdout)
    provider = client.Provider(port)
    listener = http.server.HTTPServer(("127.0.0.1", 0), Redirect)
    listener.query = None
    threading.Thread(target=listener.serve_forever, daemon=True).start()
    try:
        subprocess.run([BROWSER, "register", prefix, browser_exe, log, "follow"], check=True)
        redirect = "http://127.0.0.1:%d/" % listener.server_address[1]
        path, verifier = provider.authorize_url(redirect_uri=redirect, state="zustand-wine")
        url = "http://127.0.0.1:%d%s" % (port, path)
        started = subprocess.run([WINE_RUN, shell_open_exe, url], capture_output=True, text=True,
                                 timeout=120)
        print(started.stdout.strip())
        deadline = time.time() + 60
        while time.time() < deadline and not (os.path.exists(log) and
                                              open(log, encoding="utf-8").read().endswith("end\n")):
            time.sleep(0.2)
        record = open(log, encoding="utf-8").read() if os.path.exists(log) else ""
        print(record)
        query = listener.query or {}
        status, answer = provider.token(grant_type="authorization_code", code=query.get("code"),
                                        redirect_uri=redirect, code_verifier=verifier)
        problems = [what for what, good in (
            ("ShellExecuteW failed", started.returncode == 0),
            ("the browser did not record the redirect", " -> 302 " + redirect in record),
            ("the browser did not see the closing page", CLOSE_PAGE in record),
            ("state not echoed", query.get("state") == "zustand-wine"),
            ("the code did not redeem: %s" % answer, status == 200)) if not good]
        for problem in problems:
            print("FAIL", problem)
        return 1 if problems else 0
    finally:
        listener.shutdown()
        subprocess.run([BROWSER, "unregister", prefix])
        subprocess.run([RIG, "provider-stop", directory])


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
