"""The benchmark's report: the table of the program beside the reference logger, and a line for
each scenario that only the program runs."""
import os

import big_log
import measure


def fmt(value, digits):
    return "-" if value is None else f"{value:.{digits}f}"


def table(lines):
    """lines: (label, wine values, python values, digits); values are a list or one number."""
    head = f"{'':46} {'Wine: VelmarDataLogger.exe':>24}   {'Python 3 + pyserial':>22}"
    sub = f"{'':46} {'median':>11} {'p95':>11}   {'median':>10} {'p95':>10}"
    out = [head, sub, "-" * len(sub)]
    for label, wine, py, digits in lines:
        cells = []
        for values, width in ((wine, 11), (py, 10)):
            if isinstance(values, list):
                middle, high = fmt(measure.median(values), digits), fmt(measure.p95(values), digits)
            else:
                middle, high = fmt(values, digits), ""
            cells.append(f"{middle:>{width}} {high:>{width}}")
        out.append(f"{label:46} {cells[0]}   {cells[1]}")
    return "\n".join(out)


def busy(rates):
    """The processes that used at least 0.1 ms of CPU per second, busiest first."""
    return ", ".join(f"{name} {rate:.1f}" for name, rate in sorted(rates.items(), key=lambda kv: -kv[1])
                     if rate >= 0.1) or "none"


def tcp_report(results):
    """The same exchange over TCP: the program against itself over COM, and a Python socket loop."""
    def figures(run, label):
        cpu = run["cpu"]
        deviation = [abs(v - 100) for v in run["interval"]]
        text = (f"{label}: CPU per poll {measure.median(cpu):.2f} / {measure.p95(cpu):.2f} ms")
        if run.get("server"):
            both = [a + b for a, b in zip(cpu, run["server"])]
            text += f" (with its wineserver requests {measure.median(both):.2f} / {measure.p95(both):.2f})"
        overhead = run["overhead"]
        return (text + f", |deviation from 100 ms| {measure.median(deviation):.2f} / {measure.p95(deviation):.2f} ms, "
                f"last reply byte -> row {fmt(measure.median(overhead), 2)} / {fmt(measure.p95(overhead), 2)} ms")

    print("The same instrument over TCP on 127.0.0.1, answering at 100 ms (median / p95):")
    print("  " + figures(results["wine", "tcp", 100], "logger over TCP"))
    print("  " + figures(results["wine", "answer", 100], "logger over COM"))
    print("  " + figures(results["python", "tcp", 100], "Python socket loop"))


def print_report(args, results, background, query, reference_script):
    def both(key, mode, interval):
        return [results[kind, mode, interval][key] for kind in ("wine", "python")]

    def pooled(key, runs):
        return [sum((results[kind, m, i][key] for m, i in runs), []) for kind in ("wine", "python")]

    def summed(mode, interval):
        wine = results["wine", mode, interval]
        return [[a + b for a, b in zip(wine["cpu"], wine["server"])], results["python", mode, interval]["cpu"]]

    answering = [("answer", 100), ("answer", 1000)]
    everything = answering + [("silent", 100)]
    lines = [
        ("exchange overhead: last reply byte -> row, ms", *pooled("overhead", answering), 2),
        ("query line arrival, first -> last byte, ms", *pooled("transfer", answering), 2),
        ("whole poll: first query byte -> row, ms", *pooled("duration", answering), 2),
        ("silent: last query byte -> row (deadline), ms", *both("silent_wait", "silent", 100), 1),
        ("CPU per poll, answering, 100 ms: logger, ms", *both("cpu", "answer", 100), 2),
        ("  logger + its wineserver requests, ms", *summed("answer", 100), 2),
        ("CPU per poll, answering, 1000 ms: logger, ms", *both("cpu", "answer", 1000), 2),
        ("  logger + its wineserver requests, ms", *summed("answer", 1000), 2),
        ("CPU per poll, silent: logger, ms", *both("cpu", "silent", 100), 2),
        ("  logger + its wineserver requests, ms", *summed("silent", 100), 2),
        ("poll interval at 100 ms, ms", *both("interval", "answer", 100), 2),
        ("  |deviation from 100 ms|, ms", *[[abs(v - 100) for v in x] for x in both("interval", "answer", 100)], 2),
        ("poll interval at 1000 ms, ms", *both("interval", "answer", 1000), 2),
        ("  |deviation from 1000 ms|, ms", *[[abs(v - 1000) for v in x] for x in both("interval", "answer", 1000)], 2),
        ("peak memory (VmHWM, largest of 3 runs), MiB", *[max(results[k, m, i]["peak_mib"] for m, i in everything)
                                                          for k in ("wine", "python")], 1),
        ("file size (exe / script), KiB", os.path.getsize(args.exe) / 1024,
         os.path.getsize(reference_script) / 1024, 1),
        ("launch -> ready, ms (3 launches)", *[[results[k, m, i]["launch_ms"] for m, i in everything]
                                              for k in ("wine", "python")], 0),
    ]
    reply_bytes = measure.median(pooled("reply_bytes", answering)[1])
    print()
    print(f"Query {len(query) + 1} bytes (Combo preset), reply {reply_bytes:.0f} bytes after {args.delay} ms, "
          f"115200 baud; {os.cpu_count()} CPUs, load {os.getloadavg()[0]:.2f}, Linux {os.uname().release}")
    print(table(lines))
    seconds = sum(results["wine", m, i]["others_s"] for m, i in everything)
    during = {}
    for m, i in everything:
        for name, cpu in results["wine", m, i]["others_cpu"].items():
            during[name] = during.get(name, 0.0) + cpu * 1e3 / seconds
    idle_server = {name: rate for name, rate in background.items() if name.startswith("wineserver")}
    idle_others = {name: rate for name, rate in background.items() if name not in idle_server}
    def pooled_rounds(prefix, key):
        return sum((results["wine", f"{prefix}{r}", 100][key] for r in range(1, args.chart_rounds + 1)), [])

    if args.chart_rounds > 0:
        chart_cpu, plain_cpu = pooled_rounds("chart", "cpu"), pooled_rounds("closed", "cpu")
        chart_dev = [abs(v - 100) for v in pooled_rounds("chart", "interval")]
        plain_dev = [abs(v - 100) for v in pooled_rounds("closed", "interval")]
        peak = max(results["wine", f"chart{r}", 100]["peak_mib"] for r in range(1, args.chart_rounds + 1))
        # Each pair met the same load: its own ratio says most about the chart.
        ratios = [measure.median(results["wine", f"chart{r}", 100]["cpu"]) /
                  measure.median(results["wine", f"closed{r}", 100]["cpu"]) for r in range(1, args.chart_rounds + 1)]
        print(f"With the live chart open, answering at 100 ms, {args.chart_rounds} runs each right after one with it "
              f"closed (logger only, median / p95): CPU per poll {measure.median(chart_cpu):.2f} / "
              f"{measure.p95(chart_cpu):.2f} ms (closed: {measure.median(plain_cpu):.2f} / "
              f"{measure.p95(plain_cpu):.2f}); the pairs' ratios "
              f"{', '.join(f'{100 * (r - 1):+.0f} %' for r in ratios)}, median {100 * (sorted(ratios)[len(ratios) // 2] - 1):+.0f} %; "
              f"|deviation from 100 ms| {measure.median(chart_dev):.2f} / {measure.p95(chart_dev):.2f} ms (closed: "
              f"{measure.median(plain_dev):.2f} / {measure.p95(plain_dev):.2f}); peak memory {peak:.1f} MiB.")
    for mode, interval, what, without in (("mqtt", 100, "Publishing to a broker on loopback", "off"),
                                          ("mqtt", 1000, "Publishing to a broker on loopback", "off")):
        run, plain = results["wine", mode, interval], results["wine", "answer", interval]
        print(f"{what}, answering at {interval} ms (logger only, median / p95): CPU per poll "
              f"{measure.median(run['cpu']):.2f} / {measure.p95(run['cpu']):.2f} ms ({without}: "
              f"{measure.median(plain['cpu']):.2f} / {measure.p95(plain['cpu']):.2f}); |deviation from {interval} ms| "
              f"{measure.median([abs(v - interval) for v in run['interval']]):.2f} / "
              f"{measure.p95([abs(v - interval) for v in run['interval']]):.2f} ms ({without}: "
              f"{measure.median([abs(v - interval) for v in plain['interval']]):.2f} / "
              f"{measure.p95([abs(v - interval) for v in plain['interval']]):.2f}); peak memory {run['peak_mib']:.1f} MiB.")
    if args.tls_rounds > 0:
        # The network thread's work comes once a second, in a few polls: the mean over a run holds
        # it, the median of the polls does not.
        rounds = range(1, args.tls_rounds + 1)
        mean = lambda values: sum(values) / len(values)
        tls = [results["wine", f"mqtttls{r}", 100] for r in rounds]
        clear = [results["wine", f"mqttclear{r}", 100] for r in rounds]
        tls_cpu, clear_cpu = sum((run["cpu"] for run in tls), []), sum((run["cpu"] for run in clear), [])
        ratios = sorted(mean(t["cpu"]) / mean(c["cpu"]) for t, c in zip(tls, clear))
        print(f"Publishing over TLS to a broker on loopback, answering at 100 ms, {args.tls_rounds} runs each right "
              f"after one publishing in clear (logger only, mean / median / p95): CPU per poll {mean(tls_cpu):.2f} / "
              f"{measure.median(tls_cpu):.2f} / {measure.p95(tls_cpu):.2f} ms (in clear: {mean(clear_cpu):.2f} / "
              f"{measure.median(clear_cpu):.2f} / {measure.p95(clear_cpu):.2f}); the pairs' ratios of means "
              f"{', '.join(f'{100 * (r - 1):+.1f} %' for r in ratios)}, median {100 * (ratios[len(ratios) // 2] - 1):+.1f} %; "
              f"peak memory {max(run['peak_mib'] for run in tls):.1f} MiB (in clear: "
              f"{max(run['peak_mib'] for run in clear):.1f}).")
    print(f"Wine background, CPU ms per second: {busy(idle_server)} with no logger running (taken off the"
          f" wineserver share above);\nthe prefix's other processes, not counted above: {busy(during)} during"
          f" the runs, {busy(idle_others)} with no logger running.")
    tcp_report(results)
    limits, plain = results["wine", "limits", 100], results["wine", "answer", 100]
    print(f"With limits on all 14 columns, answering at 100 ms (logger only, median / p95): CPU per poll "
          f"{measure.median(limits['cpu']):.2f} / {measure.p95(limits['cpu']):.2f} ms (without: "
          f"{measure.median(plain['cpu']):.2f} / {measure.p95(plain['cpu']):.2f}).")
    if ("wine", "open", 100) in results:
        big_log.report(results["wine", "open", 100], results["wine", "twin", 100],
                       os.path.join(os.path.dirname(args.work), "big.csv"), 100)
    unmatched = sum(r["unmatched"] for r in results.values())
    if unmatched:
        print(f"WARNING: {unmatched} logged replies matched no reply the simulator sent.")
