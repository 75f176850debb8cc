#!/usr/bin/env python3
# A small IMAP server on 127.0.0.1 for the tests of the server's limits: every mailbox holds
# three messages, each LOGIN takes a while, and users named "throttle..." are told once to back
# off for 500 ms, as Exchange Online does. It counts the connections open at once; LOGIN "stats"
# answers with the counts. Prints its port, then serves until it is stopped.
import socket
import sys
import threading
import time

LOGIN_DELAY = 0.15
BACKOFF = 0.5

lock = threading.Lock()
state = {"open": 0, "max": 0, "logins": 0, "early": 0, "until": 0.0, "throttled": set()}


def words(line):
    out, cur, quoted = [], "", False
    for ch in line:
        if ch == '"':
            quoted = not quoted
        elif ch == " " and not quoted:
            out.append(cur)
            cur = ""
        else:
            cur += ch
    out.append(cur)
    return out


def answer(tag, command, args):
    if command == "CAPABILITY":
        return "* CAPABILITY IMAP4rev1\r\n%s OK done\r\n" % tag
    if command == "LOGIN":
        user = args[0] if args else ""
        if user == "stats":
            with lock:
                return "%s NO max=%d logins=%d early=%d\r\n" % (
                    tag, state["max"], state["logins"], state["early"])
        # Early is a LOGIN that arrives inside a pause already announced; one sent before the
        # throttling answer went out is not.
        with lock:
            if time.monotonic() < state["until"]:
                state["early"] += 1
        time.sleep(LOGIN_DELAY)
        with lock:
            now = time.monotonic()
            if user.startswith("throttle") and user not in state["throttled"]:
                state["throttled"].add(user)
                state["until"] = now + BACKOFF
                return ("%s NO Request is throttled. Suggested Backoff Time: %d milliseconds\r\n"
                        % (tag, int(BACKOFF * 1000)))
            state["logins"] += 1
        return "%s OK LOGIN done\r\n" % tag
    if command in ("SELECT", "EXAMINE"):
        return ("* 3 EXISTS\r\n* 0 RECENT\r\n* OK [UIDVALIDITY 7] v\r\n* OK [UIDNEXT 4] n\r\n"
                "%s OK [READ-WRITE] done\r\n" % tag)
    if command == "SEARCH":
        return "* SEARCH%s\r\n%s OK done\r\n" % (" 1" if "SEEN" in args else "", tag)
    if command == "UID":
        return "* SEARCH\r\n%s OK done\r\n" % tag
    if command == "LOGOUT":
        return "* BYE bye\r\n%s OK done\r\n" % tag
    return "%s OK done\r\n" % tag


def serve(conn):
    # A client that closed its connection right after its LOGOUT may have opened the next one
    # before this server read the LOGOUT: the other connections read theirs first.
    time.sleep(0.03)
    with lock:
        state["open"] += 1
        state["max"] = max(state["max"], state["open"])
    counted = True

    def uncount():
        nonlocal counted
        if counted:
            counted = False
            with lock:
                state["open"] -= 1

    try:
        conn.sendall(b"* OK [CAPABILITY IMAP4rev1] busy-server ready\r\n")
        data = b""
        while True:
            chunk = conn.recv(4096)
            if not chunk:
                break
            data += chunk
            while b"\r\n" in data:
                line, data = data.split(b"\r\n", 1)
                parts = words(line.decode("utf-8", "replace"))
                if len(parts) < 2:
                    continue
                tag, command = parts[0], parts[1].upper()
                if command == "LOGOUT":
                    uncount()  # the client does not wait for the answer
                conn.sendall(answer(tag, command, parts[2:]).encode())
                if command == "LOGOUT":
                    return
    except OSError:
        pass
    finally:
        uncount()
        conn.close()


s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 0))
s.listen(64)
print(s.getsockname()[1], flush=True)
while True:
    c, _ = s.accept()
    threading.Thread(target=serve, args=(c,), daemon=True).start()
