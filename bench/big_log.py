"""The case of a past log read beside a live run: a log of at least 1 GB is opened in the chart
during a run at 100 ms, and the run is compared with a twin run without the open."""
import os

import measure

GIB = 1 << 30
PREAMBLE = ("Test started,\"Monday, December 07, 2026 06:12:25\"\r\nQuery used,\"{q}\"\r\n"
            "Point,Time(ms),Laser Current,Laser Voltage,TEC Sensor T\r\n")


def make_big_log(path, size=GIB + (64 << 20)):
    """One run of over 1 GiB, so the chart shows it without asking which; written once and kept
    for the next bench run."""
    if os.path.exists(path) and os.path.getsize(path) >= size:
        return
    with open(path + ".part", "w", newline="") as f:
        written = 0
        f.write(PREAMBLE.format(q="las:ldi?;ldv?;tec:t?"))
        point = 0
        while written < size:
            block = "".join(f"{p},{(p - 1) * 100},150.{p % 997:03d},1.850,25.00{p % 7}\r\n"
                            for p in range(point + 1, point + 100_001))
            f.write(block)
            written += len(block)
            point += 100_000
    os.replace(path + ".part", path)


def rss_mib(pid):
    text = measure.read_text(f"/proc/{pid}/status") or ""
    for line in text.splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024
    return 0.0


def reading_seconds(rows, opened_at):
    """From the open to the last row whose CPU step stood well above the run's usual one."""
    steps = [(t_b, b[0] - a[0]) for (_, _, _, _, a), (t_b, _, _, _, b) in zip(rows, rows[1:])
             if a[0] is not None and b[0] is not None]
    usual = measure.median([cpu for _, cpu in steps[-20:]])
    busy = [t for t, cpu in steps if t > opened_at and cpu > 3 * usual + 0.002]
    return (max(busy) - opened_at) if busy else 0.0


def missing_grid_points(rows, interval_ms, start=None, end=None):
    """Grid points with no poll between two rows logged one after the other, for the pairs whose
    first row came within [start, end) (monotonic seconds)."""
    pairs = zip(rows, rows[1:])
    return sum(max(0, round((b[2] - a[2]) / interval_ms) - 1) for a, b in pairs
               if (start is None or a[0] >= start) and (end is None or a[0] < end))


def report(open_run, twin, big_log, interval_ms):
    def deviation(run):
        return [abs(v - interval_ms) for v in run["interval"]]
    size_gib = os.path.getsize(big_log) / GIB
    rows, opened = open_run["rows"], open_run["opened_at"]
    reading = missing_grid_points(rows, interval_ms, opened, opened + open_run["read_s"])
    # From the last row before the chart was asked for to the file dialog's close: the window
    # and the dialog opening.
    before = [row[0] for row in rows if row[0] <= open_run["asked_at"]]
    dialog = missing_grid_points(rows, interval_ms, before[-1] if before else None, opened)
    print(f"A {size_gib:.2f} GiB log opened in the chart during a run at {interval_ms} ms: read in "
          f"{open_run['read_s']:.1f} s; grid points missing while it was read: {reading}; in the whole run "
          f"{missing_grid_points(rows, interval_ms)} ({dialog} while the chart and its file dialog opened; without the open: "
          f"{missing_grid_points(twin['rows'], interval_ms)}); |deviation| p95 {measure.p95(deviation(open_run)):.2f}"
          f" ms against {measure.p95(deviation(twin)):.2f} ms without the open; peak memory "
          f"{open_run['peak_mib']:.1f} MiB (largest RSS seen while reading {open_run['rss_peak']:.1f} MiB) against "
          f"{twin['peak_mib']:.1f} MiB without it.")


def open_in_driver(driver, path):
    driver.stdin.write(f"open {path}\n")
    driver.stdin.flush()
    answer = driver.stdout.readline().strip()
    if answer != "opened":
        raise RuntimeError(f"driver: {answer or 'the log was not opened'}")


def sampler(logger, state):
    """Per row: the logger's CPU and the wineserver's, as run_wine expects; the RSS on the side."""
    def sample():
        state["rss_peak"] = max(state.get("rss_peak", 0.0), rss_mib(logger))
        return measure.cpu_seconds(logger), None
    return sample
