#!/usr/bin/env python3
# An IMAP server that greets, accepts any LOGIN and then sends "* 1 EXISTS" without end: prints
# its port, then floods every connection until the client goes or the server is stopped.
import socket
import threading

BURST = b"* 1 EXISTS\r\n" * 4096


def serve(c):
    try:
        c.sendall(b"* OK [CAPABILITY IMAP4rev1] ready\r\n")
        line = b""
        while b"\r\n" not in line:
            got = c.recv(4096)
            if not got:
                return
            line += got
        c.sendall(line.split(b" ", 1)[0] + b" OK logged in\r\n")
        while True:
            c.sendall(BURST)
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
