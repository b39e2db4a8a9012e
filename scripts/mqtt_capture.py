#!/usr/bin/env python3
"""Subscribes to every topic of a loopback broker and writes each message as 'topic<TAB>payload' lines
until it is ended by SIGTERM. Plain MQTT 3.1.1 over a socket: the scripts need no client package."""
import signal
import socket
import sys


def remaining_length(n):
    out = bytearray()
    while True:
        b = n % 128
        n //= 128
        out.append(b | (0x80 if n else 0))
        if not n:
            return bytes(out)


def packet(kind, body):
    return bytes([kind]) + remaining_length(len(body)) + body


def text(s):
    b = s.encode()
    return len(b).to_bytes(2, "big") + b


def read_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise EOFError
        data += chunk
    return data


def main():
    port, out_path = int(sys.argv[1]), sys.argv[2]
    sock = socket.create_connection(("127.0.0.1", port))
    sock.sendall(packet(0x10, text("MQTT") + bytes([4, 2, 0, 60]) + text("capture")))
    sock.sendall(packet(0x82, (1).to_bytes(2, "big") + text("#") + bytes([0])))
    out = open(out_path, "w", encoding="utf-8", errors="replace")
    signal.signal(signal.SIGTERM, lambda *_: (out.flush(), sys.exit(0)))
    try:
        while True:
            head = read_exact(sock, 1)[0]
            mult, length = 1, 0
            while True:
                b = read_exact(sock, 1)[0]
                length += (b & 0x7F) * mult
                mult *= 128
                if not b & 0x80:
                    break
            body = read_exact(sock, length)
            if head >> 4 == 3:
                tlen = int.from_bytes(body[:2], "big")
                topic = body[2:2 + tlen].decode()
                skip = 2 + tlen + (2 if (head >> 1) & 3 else 0)
                out.write(topic + "\t" + body[skip:].decode(errors="replace") + "\n")
                out.flush()
    except EOFError:
        pass


if __name__ == "__main__":
    main()
