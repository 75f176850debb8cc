#!/usr/bin/env python3
# A name server that never answers: binds UDP and TCP port 53 on the loopback address given and
# reads nothing, so every query waits out the resolver's time-out. Prints "ready" once bound.
import socket
import sys
import time

address = sys.argv[1]
udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
udp.bind((address, 53))
tcp = socket.socket()
tcp.bind((address, 53))
tcp.listen(1)
print("ready", flush=True)
while True:
    time.sleep(3600)
