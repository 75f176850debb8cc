#!/usr/bin/env python3
# A server that accepts connections on 127.0.0.1 and never says a word: prints its port, then
# holds every connection open until it is stopped.
import socket

s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(64)
print(s.getsockname()[1], flush=True)
held = []
while True:
    held.append(s.accept()[0])
