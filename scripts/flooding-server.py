#!/usr/bin/env python3
# An IMAP server that never stops sending: prints its port, then serves every connection until
# the client goes or the server is stopped. It greets and accepts any LOGIN; then, by the mode
# given as its argument:
#   exists  "* 1 EXISTS" without end, as fast as the client takes it;
#   slow    the same at about 1.3 MB/s, so that a call's time-out comes before any size bound;
#   search  answers SELECT with 100000 messages and every SEARCH with "* SEARCH" lines without
#           end, so that one search's answer grows past every bound.
import socket
import sys
import threading
import time

MODE = sys.argv[1] if len(sys.argv) > 1 else "exists"
EXISTS = b"* 1 EXISTS\r\n" * 4096
SEARCH = (b"* SEARCH " + b" ".join(str(n).encode() for n in range(1, 2001)) + b"\r\n") * 8


def lines(c):
    pending = b""
    while True:
        while b"\r\n" not in pending:
            got = c.recv(4096)
            if not got:
                return
            pending += got
        line, pending = pending.split(b"\r\n", 1)
        yield line


def serve(c):
    try:
        c.sendall(b"* OK [CAPABILITY IMAP4rev1] ready\r\n")
        for line in lines(c):
            tag, _, command = line.partition(b" ")
            command = command.upper()
            if command.startswith(b"LOGIN"):
                c.sendall(tag + b" OK logged in\r\n")
                if MODE == "exists":
                    while True:
                        c.sendall(EXISTS)
                if MODE == "slow":
                    while True:
                        c.sendall(EXISTS[:65536])
                        time.sleep(0.05)
            elif command.startswith(b"SELECT"):
                c.sendall(b"* 100000 EXISTS\r\n" + tag + b" OK [READ-WRITE] selected\r\n")
            elif b"SEARCH" in command:
                while True:
                    c.sendall(SEARCH)
            else:
                c.sendall(tag + b" OK done\r\n")
    except OSError:
        pass
    finally:
        c.close()


s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(16)
print(s.getsockname()[1], flush=True)
while True:
    conn = s.accept()[0]
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
