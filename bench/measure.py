"""What the benchmark reads off the host: CPU and memory of processes from /proc, the moment
each row reaches a log file (inotify), and order statistics. Linux only; every time is
CLOCK_MONOTONIC seconds (time.monotonic), the clock the simulator stamps its bytes with."""
import ctypes
import math
import os
import select
import statistics
import time

IN_MODIFY = 0x00000002


def median(values):
    return statistics.median(values) if values else None


def p95(values):
    """Nearest rank: a value that was actually measured, never an interpolation."""
    if not values:
        return None
    ordered = sorted(values)
    return ordered[max(0, math.ceil(0.95 * len(ordered)) - 1)]


def read_text(path, mode="r"):
    try:
        with open(path, mode) as f:
            return f.read()
    except OSError:
        return None


def cpu_seconds(pid):
    """CPU time of all live threads of a process, from the nanosecond scheduler counters
    (utime/stime in /proc/PID/stat only step every 10 ms)."""
    total = 0
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return None
    for task in tasks:
        text = read_text(f"/proc/{pid}/task/{task}/schedstat")
        if text:
            total += int(text.split()[0])
    return total / 1e9


def cpu_by_name(processes):
    """{program name: CPU seconds} summed over the given {pid: program name}."""
    totals = {}
    for pid, name in processes.items():
        totals[name] = totals.get(name, 0.0) + (cpu_seconds(pid) or 0.0)
    return totals


def subtract(after, before):
    # A thread that ended in between takes its time along; never report less than nothing.
    return {name: max(0.0, after[name] - before.get(name, 0.0)) for name in after}


def background_cpu(prefix, seconds):
    """{program name: CPU ms per second} of the prefix's processes while they sit idle."""
    processes = prefix_processes(prefix)
    before = cpu_by_name(processes)
    time.sleep(seconds)
    return {name: cpu * 1e3 / seconds for name, cpu in subtract(cpu_by_name(processes), before).items()}


def peak_rss_mib(pid):
    text = read_text(f"/proc/{pid}/status") or ""
    for line in text.splitlines():
        if line.startswith("VmHWM:"):
            return int(line.split()[1]) / 1024
    return None


def prefix_processes(prefix):
    """{pid: program name} of the Wine processes of this prefix (the wineserver included):
    Wine's own binaries whose environment names the prefix. Other prefixes on the host, and
    native programs that merely inherited the variable, are left out."""
    wanted = b"WINEPREFIX=" + os.fsencode(prefix)
    found = {}
    for entry in os.listdir("/proc"):
        try:
            if not entry.isdigit() or not os.path.basename(os.readlink(f"/proc/{entry}/exe")).startswith("wine"):
                continue
        except OSError:
            continue
        environ = read_text(f"/proc/{entry}/environ", "rb")
        if environ and wanted in environ.split(b"\0"):
            program = (read_text(f"/proc/{entry}/cmdline", "rb") or b"").split(b"\0")[0]
            # Wine shows a Windows program by its Windows path.
            found[int(entry)] = os.fsdecode(program).replace("\\", "/").rsplit("/", 1)[-1]
    return found


def find_process(processes, name):
    return next((pid for pid, program in processes.items() if program == name), None)


class RowWatcher:
    """Timestamps each data row ("point,elapsed_ms,reply") the moment the write that carries
    it lands in the log file, and takes a CPU sample then."""

    def __init__(self, path):
        self.path = path
        self._libc = ctypes.CDLL(None, use_errno=True)
        self._fd = self._libc.inotify_init1(os.O_CLOEXEC | os.O_NONBLOCK)
        if self._fd < 0:
            raise OSError(ctypes.get_errno(), "inotify_init1")
        # The directory, not the file: the file does not exist until the logger creates it.
        directory = os.path.dirname(path) or "."
        if self._libc.inotify_add_watch(self._fd, os.fsencode(directory), IN_MODIFY) < 0:
            raise OSError(ctypes.get_errno(), "inotify_add_watch")
        self._offset = 0
        self._partial = b""
        self.rows = []  # (time, point, elapsed_ms, reply, cpu sample)

    def close(self):
        os.close(self._fd)

    def wait_rows(self, count, timeout_s, sample=lambda: None):
        deadline = time.monotonic() + timeout_s
        while len(self.rows) < count:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError(f"{len(self.rows)} of {count} rows reached {self.path}")
            if not select.select([self._fd], [], [], left)[0]:
                continue
            now = time.monotonic()
            cpu = sample()
            try:
                while os.read(self._fd, 4096):
                    pass
            except BlockingIOError:
                pass
            self._take_new_lines(now, cpu)
        return self.rows

    def _take_new_lines(self, now, cpu):
        try:
            with open(self.path, "rb") as f:
                f.seek(self._offset)
                data = f.read()
        except FileNotFoundError:
            return
        self._offset += len(data)
        lines = (self._partial + data).split(b"\n")
        self._partial = lines.pop()
        for raw in lines:
            fields = raw.rstrip(b"\r").decode("latin-1").split(",", 2)
            if len(fields) == 3 and fields[0].isdigit():
                self.rows.append((now, int(fields[0]), int(fields[1]), fields[2], cpu))
