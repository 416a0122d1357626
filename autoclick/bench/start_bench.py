#!/usr/bin/env python3
"""Start-up and read-out benchmark of tapvane against its floor programs.

start_bench.py --platform wine --tapvane EXE --horolon OCX --floor EXE [--floor-cc6 EXE]
               --work DIR [--runs N] [--cpu-seconds S] [--display :N] [--loaddll]
start_bench.py --platform native --tapvane BIN --floor BIN --work DIR [--runs N] ...

Under Wine (a prefix of its own, DIR/prefix) or natively, on an X server of its own (a fresh Xvfb,
or --display), the programs are started in turn N times, the order swapped every round. For each
start it measures the time from launch to the map of the program's window (an X MapNotify with
the window's title, seen by an Xlib client that listens on the root window), then, after a second
to settle, the read-out's CPU over S seconds (utime + stime of the program's process), its
wake-ups a second (context switches of all its threads) and its private memory (Private_Dirty of
smaps_rollup). Then, under a window manager (openbox) started on the same display, each program
is started again, minimized (xdotool), and its CPU and wake-ups measured while minimized. It
prints every run, the medians and the ratios tapvane / floor beside the goals. --floor-cc6 adds a
second yardstick under Wine, the floor with the common controls of version 6. --loaddll lists the
DLLs each Wine program has loaded once its window shows, and those tapvane loads beyond the floor.

A benchmark, not a test: it never fails on a figure. The machine's other load shows in the
figures; the medians and the swapped order keep it from favouring either program.
"""
import argparse
import ctypes
import ctypes.util
import os
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import time

# The test environment of the Windows programs, made in one place (Xvfb, the Wine prefix).
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from clickora_e2e import testenv  # noqa: E402

# Ratios tapvane / floor, and the wake-ups a second of a minimized tapvane with no run.
GOALS = {
    "wine": {"start_ms": 1.15, "cpu_pct": 1.0, "private_mb": 1.3, "min_wakeups": 1.0},
    "native": {"cpu_pct": 1.1, "min_wakeups": 2.0},
}
VISIBLE = ("start_ms", "cpu_pct", "wakeups", "private_mb")
MINIMIZED = ("min_cpu_pct", "min_wakeups")
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong),
                ("window", ctypes.c_ulong), ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class MapWatcher:
    """Waits for a top-level window of a given title to be mapped, without polling."""

    def __init__(self, display):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XPending.argtypes = [ctypes.c_void_p]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
        self.x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                      ctypes.POINTER(ctypes.c_char_p)]
        self.x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            sys.exit(f"start_bench: cannot open the X display {display}")
        self.x.XSelectInput(self.dpy, self.x.XDefaultRootWindow(self.dpy),
                            SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XSync(self.dpy, 1)  # drop what came before the launch

    def drain(self):
        self.x.XSync(self.dpy, 1)

    def wait_for(self, title, deadline):
        event = XEvent()
        fd = self.x.XConnectionNumber(self.dpy)
        while time.monotonic() < deadline:
            while self.x.XPending(self.dpy):
                self.x.XNextEvent(self.dpy, ctypes.byref(event))
                if event.type != MAP_NOTIFY:
                    continue
                name = ctypes.c_char_p()
                if self.x.XFetchName(self.dpy, event.xmap.window, ctypes.byref(name)) and \
                        name.value == title.encode():
                    return time.monotonic()
            select.select([fd], [], [], max(0.0, deadline - time.monotonic()))
        return None


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


def context_switches(pid):
    """Voluntary and involuntary switches of every thread: each is a wake-up of the process."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except OSError:
            pass  # a thread that ended meanwhile
    return total


def cpu_seconds_used(pid):
    """CPU time of every thread in nanoseconds (schedstat), finer than the clock ticks of stat."""
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                    total += int(f.read().split()[0])
            except OSError:
                pass
        return total / 1e9
    except OSError:
        return cpu_ticks(pid) / CLOCK_TICKS


def measure_load(pid, seconds):
    before, switches, t0 = cpu_seconds_used(pid), context_switches(pid), time.monotonic()
    time.sleep(seconds)
    after, switches_after, t1 = cpu_seconds_used(pid), context_switches(pid), time.monotonic()
    return 100.0 * (after - before) / (t1 - t0), (switches_after - switches) / (t1 - t0)


def private_dirty_kb(pid):
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith("Private_Dirty:"):
                return int(line.split()[1])
    return 0


def loaded_dlls(log_path):
    names = []
    with open(log_path, errors="replace") as f:
        for line in f:
            found = re.search(r'Loaded L"([^"]*)"', line)
            if found:
                name = found.group(1).rsplit("\\", 1)[-1].lower()
                if name not in names:
                    names.append(name)
    return names


def launch(env, program, log_path=None):
    exe, _title, wine_program = program
    run_env = dict(env)
    if log_path:
        run_env["WINEDEBUG"] = "+loaddll"
    err = open(log_path, "w") if log_path else subprocess.DEVNULL
    # `wine` ends in an exec of the loader, so the child's pid is the program's own process.
    argv = ["wine", os.path.basename(exe)] if wine_program else [exe]
    proc = subprocess.Popen(argv, cwd=os.path.dirname(exe), env=run_env,
                            stdout=subprocess.DEVNULL, stderr=err)
    return proc, err


def stop(proc, err):
    proc.send_signal(signal.SIGTERM)
    proc.wait(timeout=30)
    if err is not subprocess.DEVNULL:
        err.close()


def run_once(env, program, watcher, cpu_seconds, log_path=None):
    title = program[1]
    watcher.drain()
    start = time.monotonic()
    proc, err = launch(env, program, log_path)
    try:
        shown = watcher.wait_for(title, start + 60)
        if shown is None:
            sys.exit(f"start_bench: {title!r} did not show within 60 s")
        time.sleep(1.0)
        cpu, wakeups = measure_load(proc.pid, cpu_seconds)
        if proc.poll() is not None:
            sys.exit(f"start_bench: {title!r} ended while measured (status {proc.returncode})")
        return {"start_ms": (shown - start) * 1000.0, "cpu_pct": cpu, "wakeups": wakeups,
                "private_mb": private_dirty_kb(proc.pid) / 1024.0}
    finally:
        stop(proc, err)


def run_minimized(env, program, cpu_seconds):
    """Under the window manager: the program started, its window minimized, then measured."""
    title = program[1]
    proc, err = launch(env, program)
    try:
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                f"^{re.escape(title)}$"], env=env, capture_output=True,
                               text=True, timeout=60, check=False)
        windows = found.stdout.split()
        if not windows:
            sys.exit(f"start_bench: {title!r} did not show under the window manager")
        time.sleep(1.0)
        for window in windows:
            subprocess.run(["xdotool", "windowminimize", "--sync", window], env=env,
                           timeout=30, check=False)
        time.sleep(1.0)
        cpu, wakeups = measure_load(proc.pid, cpu_seconds)
        # An ended program would read as one that never wakes.
        if proc.poll() is not None:
            sys.exit(f"start_bench: {title!r} ended while minimized (status {proc.returncode})")
        return {"min_cpu_pct": cpu, "min_wakeups": wakeups}
    finally:
        stop(proc, err)


def prepare_native(args, display):
    env = dict(os.environ, DISPLAY=display)
    env.pop("WAYLAND_DISPLAY", None)
    return env, {"floor": (args.floor, "readout floor", False),
                 "tapvane": (args.tapvane, "Clickora", False)}


def prepare(args, display):
    programs = os.path.join(args.work, "programs")
    os.makedirs(programs, exist_ok=True)
    # The portable layout: horolon.ocx beside the program, found without registration.
    for path in (args.tapvane, args.horolon, args.floor, args.floor_cc6):
        if path:
            shutil.copy2(path, programs)
    prefix = testenv.WinePrefix(os.path.join(args.work, "prefix"), display)
    if not os.path.exists(os.path.join(prefix.path, "system.reg")):
        print("start_bench: preparing the Wine prefix", prefix.path, flush=True)
    prefix.boot()
    # No virtual desktop: each program's own window is mapped on the X server, as a user's is.
    prefix.configure(desktop=False)
    # A wineserver kept alive for the whole benchmark: each start then measures the program, not
    # the start of a Wine session.
    prefix.keep_server(600)
    env = prefix.env()
    chosen = {"floor": (os.path.join(programs, os.path.basename(args.floor)), "readout floor",
                        True)}
    if args.floor_cc6:
        chosen["floor_cc6"] = (os.path.join(programs, os.path.basename(args.floor_cc6)),
                               "readout floor", True)
    chosen["tapvane"] = (os.path.join(programs, os.path.basename(args.tapvane)), "Clickora",
                         True)
    return env, chosen


def report(platform, results, runs):
    goals = GOALS[platform]
    names = list(results)
    keys = VISIBLE + MINIMIZED
    heads = {"start_ms": "start ms", "cpu_pct": "CPU %", "wakeups": "wake/s",
             "private_mb": "priv MB", "min_cpu_pct": "min CPU %", "min_wakeups": "min wake/s"}
    where = "under Wine" if platform == "wine" else "native Linux (Qt/X11)"
    print(f"\n== {where}: visible (no window manager), then minimized (openbox) ==")
    print("run  program    " + "".join(f"{heads[k]:>11}" for k in keys))
    for index in range(runs):
        for name in names:
            r = results[name][index]
            print(f"{index + 1:3}  {name:10} " + "".join(f"{r[k]:11.2f}" for k in keys))
    medians = {name: {k: statistics.median(r[k] for r in results[name]) for k in keys}
               for name in names}
    print(f"\nmedians of {runs}      " + "".join(f"{heads[k]:>11}" for k in keys))
    for name in names:
        print(f"  {name:18}" + "".join(f"{medians[name][k]:11.2f}" for k in keys))

    def ratio(floor, key):
        return medians["tapvane"][key] / medians[floor][key] if medians[floor][key] else float("inf")

    for floor in [n for n in names if n != "tapvane"]:
        print(f"  tapvane / {floor:8}" + "".join(f"{ratio(floor, k):9.2f} x" for k in keys))
    goal_row, met_row = "", ""
    for key in keys:
        if key not in goals:
            goal_row += f"{'':>11}"
            met_row += f"{'':>11}"
            continue
        if key == "min_wakeups":  # an absolute figure, not a ratio
            goal_row += f"{'<= ' + format(goals[key], 'g') + ' /s':>11}"
            met = medians["tapvane"][key] <= goals[key]
        else:
            goal_row += f"{'<= ' + format(goals[key], 'g') + ' x':>11}"
            met = ratio("floor", key) <= goals[key]
        met_row += f"{'yes' if met else 'no':>11}"
    print("  goal              " + goal_row)
    print("  within goal       " + met_row)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--platform", choices=("wine", "native"), default="wine")
    parser.add_argument("--tapvane", required=True)
    parser.add_argument("--horolon", help="horolon.ocx, put beside tapvane.exe (Wine)")
    parser.add_argument("--floor", required=True)
    parser.add_argument("--floor-cc6", help="the floor with the common controls of version 6")
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--cpu-seconds", type=float, default=5.0)
    parser.add_argument("--display", help="an X display of your own; a fresh Xvfb by default")
    parser.add_argument("--loaddll", action="store_true")
    args = parser.parse_args()
    args.work = os.path.abspath(args.work)  # Wine takes only an absolute prefix
    args.tapvane, args.floor = os.path.abspath(args.tapvane), os.path.abspath(args.floor)

    xvfb = None
    display = args.display
    if not display:
        xvfb = testenv.XServer.start(first=100)
        display = xvfb.display
    env = None
    wine_env = None
    window_manager = None
    try:
        if args.platform == "wine":
            env, programs = prepare(args, display)
            wine_env = env
        else:
            env, programs = prepare_native(args, display)
        watcher = MapWatcher(display)
        for name in programs:  # warm-up starts, not counted: the file cache
            run_once(env, programs[name], watcher, 0.2)
        if args.loaddll and wine_env:
            lists = {}
            for name in programs:
                log = os.path.join(args.work, f"{name}-loaddll.txt")
                run_once(env, programs[name], watcher, 0.2, log)
                lists[name] = loaded_dlls(log)
                print(f"{name}: {len(lists[name])} modules at start: {' '.join(lists[name])}")
            extra = [n for n in lists["tapvane"] if n not in lists["floor"]]
            print(f"tapvane beyond the floor: {' '.join(extra)}")
        results = {name: [] for name in programs}
        for index in range(args.runs):
            order = list(programs) if index % 2 == 0 else list(reversed(programs))
            for name in order:
                results[name].append(run_once(env, programs[name], watcher, args.cpu_seconds))
            print(f"start_bench: round {index + 1} of {args.runs} done", flush=True)
        window_manager = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL)
        time.sleep(1.0)
        for index in range(args.runs):
            order = list(programs) if index % 2 == 0 else list(reversed(programs))
            for name in order:
                results[name][index].update(run_minimized(env, programs[name], args.cpu_seconds))
            print(f"start_bench: minimized round {index + 1} of {args.runs} done", flush=True)
        report(args.platform, results, args.runs)
    finally:
        if window_manager:
            window_manager.terminate()
            window_manager.wait()
        if wine_env:
            subprocess.run(["wineserver", "-k"], env=wine_env, check=False)
        if xvfb:
            xvfb.stop()


if __name__ == "__main__":
    main()
