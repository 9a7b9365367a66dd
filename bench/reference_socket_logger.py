#!/usr/bin/python3
"""A data logger as a lab user would write it for a network instrument, with Python's sockets,
for comparison with the program.

Usage: reference_socket_logger.py HOST:PORT LOGFILE INTERVAL_MS COMMAND
Connects once, sends COMMAND + LF every INTERVAL_MS, reads the reply line (1 s at most), and
appends "point,elapsed_ms,reply" to LOGFILE. Runs until interrupted (Ctrl-C or SIGINT).
"""
import socket
import sys
import time


def main():
    address, log_path, interval_ms, command = sys.argv[1:5]
    host, port = address.rsplit(":", 1)
    interval = int(interval_ms) / 1000
    query = command.encode("latin-1") + b"\n"
    with socket.create_connection((host, int(port))) as connection:
        connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        connection.settimeout(1)
        lines = connection.makefile("rb")
        point = 0
        start = next_poll = time.monotonic()
        while True:
            now = time.monotonic()
            connection.sendall(query)
            try:
                reply = lines.readline().rstrip(b"\r\n")
            except socket.timeout:
                reply = b""
            point += 1
            with open(log_path, "a", encoding="latin-1") as log:
                log.write(f"{point},{round((now - start) * 1000)},{reply.decode('latin-1')}\n")
            # A fixed schedule: a slow exchange delays one poll, not all later ones.
            next_poll += interval
            time.sleep(max(0.0, next_poll - time.monotonic()))


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        pass
