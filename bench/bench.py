"""Runs the program under Wine and the pyserial reference logger against one simulated
instrument, one after the other, and prints their figures side by side. run-bench.sh sets up
the build, the Wine prefix and its server before calling this."""
import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import time

import big_log
import measure
import report

COMBO_QUERY = "las:ldi?;ldv?;mdi?;out?;eve?;cond?;tec:ite?;v?;t?;r?;out?;eve?;cond?;err?"
COMBO_TITLES = ["Laser Current", "Laser Voltage", "Laser Photodiode", "Laser Output", "Laser Event",
                "Laser Condition", "TEC Current", "TEC Voltage", "TEC Sensor T", "TEC Sensor R", "TEC Output",
                "TEC Event", "TEC Condition", "Errors"]
# A band around every column that the simulated values stay in: the alarm check runs in full.
ALL_LIMITS = " ".join(f'/limit "{title}=-1e9..1e9/3"' for title in COMBO_TITLES)
PORT = 12
HERE = os.path.dirname(os.path.abspath(__file__))


class Simulator:
    """The instrument on COM12 (or, with link None, on a TCP port of 127.0.0.1), steered and read
    out over its control port."""

    def __init__(self, sim, link, work, delay_ms):
        name = "sim" if link else "sim-tcp"
        port_file = os.path.join(work, f"{name}.port")
        self.errors = open(os.path.join(work, f"{name}.log"), "w")
        line = ["--link", link] if link else ["--tcp", "0"]
        self.proc = subprocess.Popen(
            [sim, *line, "--control", "0", "--port-file", port_file, "--delay", str(delay_ms)],
            stdout=subprocess.DEVNULL, stderr=self.errors)
        for _ in range(200):
            if os.path.exists(port_file) and (not link or os.path.lexists(link)):
                break
            time.sleep(0.025)
        with open(port_file) as f:
            self.sock = socket.create_connection(("127.0.0.1", int(f.read())))
        self.lines = self.sock.makefile("rb")
        self.link = link
        self.start = int(self.ask("start-time")) / 1e6
        self.address = None if link else f"127.0.0.1:{self.ask('tcp-port')}"

    def ask(self, command):
        self.sock.sendall(command.encode() + b"\n")
        answer = self.lines.readline().decode().strip()
        if not answer.startswith("ok"):
            raise RuntimeError(f"simulator: {command}: {answer}")
        return answer[3:]

    def timed_bytes(self, command):
        """[(monotonic seconds, byte)] from record-times-us / sent-times-us."""
        items = []
        for item in self.ask(command).split():
            us, byte = item.split(":")
            items.append((self.start + int(us) / 1e6, int(byte, 16)))
        return items

    def close(self):
        try:
            self.ask("quit")
        except (OSError, RuntimeError):
            pass
        self.proc.wait(timeout=10)
        self.errors.close()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def make_certificates(work):
    """A CA and a broker certificate for 127.0.0.1 signed by it, made by Debian's openssl."""
    folder = os.path.join(work, "tls")
    os.makedirs(folder, exist_ok=True)
    run = lambda *command: subprocess.run(["openssl", *command], cwd=folder, check=True,
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-days", "2",
        "-subj", "/CN=Velmar Bench CA", "-keyout", "ca.key", "-out", "ca.pem")
    run("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-subj", "/CN=127.0.0.1",
        "-keyout", "broker.key", "-out", "broker.csr")
    with open(os.path.join(folder, "broker.ext"), "w") as f:
        f.write("subjectAltName=IP:127.0.0.1\n")
    run("x509", "-req", "-in", "broker.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-days", "2",
        "-extfile", "broker.ext", "-out", "broker.pem")
    return {name: os.path.join(folder, name) for name in ("ca.pem", "broker.pem", "broker.key")}


class Broker:
    """Debian's mosquitto on 127.0.0.1 and a free port, with a config of its own; with
    certificates, a TLS listener on a second port too."""

    def __init__(self, work, name, tls=None):
        self.port = free_port()
        self.tls_port = free_port() if tls else None
        self.config = os.path.join(work, f"{name}.conf")
        with open(self.config, "w") as f:
            f.write(f"listener {self.port} 127.0.0.1\nallow_anonymous true\nuser root\n")
            if tls:
                f.write(f"listener {self.tls_port} 127.0.0.1\ncafile {tls['ca.pem']}\n"
                        f"certfile {tls['broker.pem']}\nkeyfile {tls['broker.key']}\n")
        self.log = os.path.join(work, f"{name}.log")
        self.proc = None

    def start(self):
        with open(self.log, "a") as log:
            self.proc = subprocess.Popen(["mosquitto", "-c", self.config], stdout=log, stderr=log)
        for _ in range(400):
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.025)
        raise RuntimeError("mosquitto did not start")

    def stop(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(timeout=10)


def drain_rate(args, rows):
    """The drain benchmark's line: it queues rows with no broker, then empties its queue into one."""
    broker = Broker(args.work, "drain-broker")
    bench = subprocess.Popen(["wine", os.path.join(args.windows_dir, "publish", "mqtt_drain_bench.exe"),
                              str(broker.port), str(rows)], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        queued = bench.stdout.readline().strip()
        broker.start()
        bench.stdin.write("\n")
        bench.stdin.flush()
        drained = bench.stdout.readline().strip()
        bench.wait(timeout=60)
    finally:
        if bench.poll() is None:
            bench.kill()
        broker.stop()
    return f"{queued}; {drained}"


def queries(received):
    """(first byte time, LF time) of each query line the simulator received."""
    lines, first = [], None
    for t, byte in received:
        if byte == 0x0A:
            if first is not None:
                lines.append((first, t))
            first = None
        elif first is None and byte != 0x0D:
            first = t
    return lines


def replies(sent):
    """(text, time of the write that carried its CR) of each reply line the simulator wrote."""
    lines, text = [], bytearray()
    for t, byte in sent:
        if byte == 0x0D:
            lines.append((text.decode("latin-1"), t))
            text = bytearray()
        elif byte != 0x0A:
            text.append(byte)
    return lines


def win_path(path):
    return "Z:" + path.replace("/", "\\")


CHART_KEY = r"HKCU\Software\Local AppWizard-Generated Applications\VelmarDataLogger\Chart"


def run_wine(args, log, interval_ms, polls, program_args="", open_log=None, port=str(PORT)):
    # The program reopens a chart that was open when it last closed: each run starts without one.
    subprocess.run(["wine", "reg", "delete", CHART_KEY, "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    watcher = measure.RowWatcher(log)
    driver = subprocess.Popen(
        ["wine", os.path.join(args.windows_dir, "velmar-driver.exe"), win_path(args.exe), port,
         win_path(log), "0", str(interval_ms)] + ([program_args] if program_args else []),
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        ready = driver.stdout.readline().strip()
        if not ready.startswith("dialog ready after"):
            raise RuntimeError(f"driver: {ready or 'no window'}")
        launch_ms = float(ready.split()[3])
        processes = measure.prefix_processes(args.prefix)
        logger = measure.find_process(processes, os.path.basename(args.exe))
        server = next((pid for pid, name in processes.items() if name.startswith("wineserver")), None)
        others = {pid: name for pid, name in processes.items() if pid not in (logger, server)}
        if driver.stdout.readline().strip() != "running":
            raise RuntimeError("driver: the run did not start")
        others_before = measure.cpu_by_name(others)
        sample = lambda: (measure.cpu_seconds(logger), measure.cpu_seconds(server))
        opened_at, state = None, {}
        if open_log:
            sample = big_log.sampler(logger, state)
            watcher.wait_rows(20, 30, sample)
            asked_at = time.monotonic()
            big_log.open_in_driver(driver, win_path(open_log))
            opened_at = time.monotonic()
        rows = watcher.wait_rows(polls, polls * (interval_ms / 1000 + 1.2) + 10, sample)
        others_cpu = measure.subtract(measure.cpu_by_name(others), others_before)
        others_s = rows[-1][0] - rows[0][0]
        peak = measure.peak_rss_mib(logger)
        driver.stdin.write("\n")
        driver.stdin.flush()
        if driver.wait(timeout=30) != 0:
            raise RuntimeError("driver: the logger did not end cleanly")
    finally:
        watcher.close()
        if driver.poll() is None:
            driver.kill()
    result = {"rows": rows, "launch_ms": launch_ms, "peak_mib": peak, "others_cpu": others_cpu, "others_s": others_s}
    if open_log:
        result |= {"read_s": big_log.reading_seconds(rows, opened_at), "rss_peak": state.get("rss_peak", 0.0),
                   "asked_at": asked_at, "opened_at": opened_at}
    return result


def run_python(args, sim, log, interval_ms, polls):
    watcher = measure.RowWatcher(log)
    script = "reference_socket_logger.py" if sim.address else "reference_logger.py"
    device = sim.address or os.path.realpath(sim.link)
    launched = time.monotonic()
    logger = subprocess.Popen([sys.executable, os.path.join(HERE, script), device, log, str(interval_ms), COMBO_QUERY])
    try:
        rows = watcher.wait_rows(polls, polls * (interval_ms / 1000 + 1.2) + 10,
                                 lambda: (measure.cpu_seconds(logger.pid), None))
        peak = measure.peak_rss_mib(logger.pid)
        logger.send_signal(signal.SIGINT)
        logger.wait(timeout=10)
    finally:
        watcher.close()
        if logger.poll() is None:
            logger.kill()
    return {"rows": rows, "launched": launched, "peak_mib": peak}


def analyse(run, received, sent, server_idle):
    """Per-poll figures of one run, in ms. server_idle is the wineserver's CPU ms per second with
    no logger running; it is taken off the server's share, which then holds the logger's requests."""
    rows, asked, answered = run["rows"], queries(received), replies(sent)
    result = {"overhead": [], "duration": [], "silent_wait": [], "cpu": [], "server": [], "unmatched": 0,
              "transfer": [(end - first) * 1e3 for first, end in asked],
              "interval": [(b[0] - a[0]) * 1e3 for a, b in zip(asked, asked[1:])],
              "reply_bytes": [len(text) + 2 for text, _ in answered]}
    if "launched" in run and asked:
        result["launch_ms"] = (asked[0][0] - run["launched"]) * 1e3
    next_reply = 0
    for t_row, point, _, reply, _ in rows:
        if point > len(asked):
            continue
        first, last = asked[point - 1]
        result["duration"].append((t_row - first) * 1e3)
        if not reply:
            result["silent_wait"].append((t_row - last) * 1e3)
            continue
        # By content, so a reply that came too late for its own poll cannot shift the others.
        match = next((i for i in range(next_reply, len(answered)) if answered[i][0] == reply), None)
        if match is None:
            result["unmatched"] += 1
            continue
        result["overhead"].append((t_row - answered[match][1]) * 1e3)
        next_reply = match + 1
    for (t_a, _, _, _, a), (t_b, _, _, _, b) in zip(rows, rows[1:]):
        if a[0] is None or b[0] is None:
            continue
        result["cpu"].append((b[0] - a[0]) * 1e3)
        if a[1] is not None and b[1] is not None:
            result["server"].append((b[1] - a[1]) * 1e3 - server_idle * (t_b - t_a))
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--windows-dir", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--ports", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--delay", type=int, default=20, help="the instrument's reply delay, ms")
    parser.add_argument("--fast", type=int, default=50, help="polls at 100 ms")
    parser.add_argument("--slow", type=int, default=15, help="polls at 1000 ms")
    parser.add_argument("--silent", type=int, default=10, help="polls with no reply")
    parser.add_argument("--open", type=int, default=600, help="polls at 100 ms with a 1 GiB log opened; 0: none")
    parser.add_argument("--drain", type=int, default=100000, help="rows queued for the MQTT drain figure")
    parser.add_argument("--chart-rounds", type=int, default=3,
                        help="pairs of runs at 100 ms, the chart closed then open, for the chart's cost")
    parser.add_argument("--tls-rounds", type=int, default=3,
                        help="pairs of runs at 100 ms publishing in clear then over TLS, for TLS's cost")
    args = parser.parse_args()
    args.exe = os.path.join(args.windows_dir, "VelmarDataLogger.exe")
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)

    sim = Simulator(args.sim, os.path.join(args.ports, f"com{PORT}"), args.work, args.delay)
    # The same instrument on a TCP port: "tcp" runs the program and a Python socket loop on it.
    tcp_sim = Simulator(args.sim, None, args.work, args.delay)
    # "mqtt": publishing every row to a broker on loopback; "limits": all 14 columns limited.
    # "open" opens a log of over 1 GiB in the chart during the run; "twin" is the same run without.
    # Then the logger alone, answering at 100 ms: the chart closed ("closedN"), at once open
    # ("chartN"), so that the two runs of a pair meet the same load on the machine.
    scenarios = [("answer", 100, args.fast), ("answer", 1000, args.slow), ("silent", 100, args.silent),
                 ("tcp", 100, args.fast), ("limits", 100, args.fast), ("mqtt", 100, args.fast),
                 ("mqtt", 1000, args.slow)]
    for round_ in range(1, args.chart_rounds + 1):
        scenarios += [(f"closed{round_}", 100, args.fast), (f"chart{round_}", 100, args.fast)]
    # "mqttclearN" publishes in clear, "mqtttlsN" right after it over TLS, to the same broker.
    for round_ in range(1, args.tls_rounds + 1):
        scenarios += [(f"mqttclear{round_}", 100, args.fast), (f"mqtttls{round_}", 100, args.fast)]
    big = os.path.join(os.path.dirname(args.work), "big.csv")
    if args.open:
        print("  writing the 1 GiB log (once) ...", file=sys.stderr, flush=True)
        big_log.make_big_log(big)
        scenarios += [("twin", 100, args.open), ("open", 100, args.open)]
    results = {}
    certificates = make_certificates(args.work)
    broker = Broker(args.work, "broker", certificates)
    broker.start()
    try:
        # The prefix's services have just started with the port tool; let them settle first.
        time.sleep(1.0)
        background = measure.background_cpu(args.prefix, 3.0)
        server_idle = sum(rate for name, rate in background.items() if name.startswith("wineserver"))
        for mode, interval, polls in scenarios:
            logger_only = mode.startswith(("closed", "chart", "mqtt")) or mode in ("limits", "open", "twin")
            instrument = tcp_sim if mode == "tcp" else sim
            for kind in ("wine",) if logger_only else ("wine", "python"):
                instrument.ask("mode " + ("silent" if mode == "silent" else "normal"))
                instrument.ask("clear")
                log = os.path.join(args.work, f"{kind}-{mode}-{interval}ms.csv")
                print(f"  {kind:6} {mode:6} every {interval:4} ms, {polls} polls ...", file=sys.stderr, flush=True)
                if kind == "wine":
                    extra = {"limits": ALL_LIMITS, "mqtt": f"/mqtt 127.0.0.1:{broker.port}"}.get(mode, "")
                    if mode.startswith("chart"):
                        extra = "/chart"
                    elif mode.startswith("mqttclear"):
                        extra = f"/mqtt 127.0.0.1:{broker.port}"
                    elif mode.startswith("mqtttls"):
                        extra = f"/mqtt mqtts://127.0.0.1:{broker.tls_port} /mqtt-ca {win_path(certificates['ca.pem'])}"
                    port = str(PORT)
                    if mode == "tcp":
                        port = f"tcp://{tcp_sim.address}"
                        extra = f"/port {port}"
                    run = run_wine(args, log, interval, polls, extra, big if mode == "open" else None, port)
                else:
                    run = run_python(args, instrument, log, interval, polls)
                # Let the last exchange finish so its bytes are not counted in the next run.
                time.sleep(1.2 if mode == "silent" else 0.3)
                results[kind, mode, interval] = run | analyse(run, instrument.timed_bytes("record-times-us"),
                                                              instrument.timed_bytes("sent-times-us"), server_idle)
        print(f"  drain  {args.drain} rows queued for a broker that comes back ...", file=sys.stderr, flush=True)
        drained = drain_rate(args, args.drain)
    finally:
        sim.close()
        tcp_sim.close()
        broker.stop()
    report.print_report(args, results, background, COMBO_QUERY, os.path.join(HERE, "reference_logger.py"))
    print(f"MQTT publisher, broker back on loopback: {drained}.")


if __name__ == "__main__":
    main()
