#!/usr/bin/python3
"""A data logger as a lab user would write it with pyserial, for comparison with the program.

Usage: reference_logger.py DEVICE LOGFILE INTERVAL_MS COMMAND
Sends COMMAND + LF every INTERVAL_MS, reads the reply up to CR (1 s at most), and appends
"point,elapsed_ms,reply" to LOGFILE. Runs until interrupted (Ctrl-C or SIGINT).
"""
import sys
import time

import serial


def main():
    device, log_path, interval_ms, command = sys.argv[1:5]
    interval = int(interval_ms) / 1000
    query = command.encode("latin-1") + b"\n"
    with serial.Serial(device, 115200, timeout=1) as port:
        point = 0
        start = next_poll = time.monotonic()
        while True:
            now = time.monotonic()
            port.write(query)
            # The LF that follows each CR arrives at the start of the next reply.
            reply = port.read_until(b"\r").replace(b"\n", b"").rstrip(b"\r")
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
