#!/usr/bin/env python3
"""The test environment of the Windows programs, made in one place: a virtual X server on a free
display and a 64-bit Wine prefix (its WINE* variables, wineboot, the crash dialog off, the Thai font
link, the virtual desktop the end-to-end tests run in, the control's registration).

Used as a module (the end-to-end tests, the start-up benchmark) and as a command:

  testenv.py setup STATE          fresh prefix in STATE/prefix (or $WINEPREFIX), Xvfb on a free display
  testenv.py run STATE CMD...     runs CMD (bounded by a timeout) with DISPLAY of that Xvfb
  testenv.py teardown STATE       ends the wineserver and the Xvfb that setup started
  testenv.py prepare PREFIX [--register OCX] [-- CMD...]
                                  makes PREFIX ready for tapvane.exe on the current display and
                                  runs CMD there (exec, the Wine variables set)

Only the standard library: scripts and benchmarks run it without the test packages.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SCREEN = "1024x768x24"
DESKTOP_NAME = "clickora-e2e"
DESKTOP_SIZE = "1024x768"
# Programs that open their windows in the virtual desktop of the end-to-end tests.
DESKTOP_PROGRAMS = ("tapvane.exe", "click_target.exe", "probe.exe", "hh.exe",
                    "stop_key_holder.exe")
# Thai captions are set in Tahoma; with only the TLWG fonts present they render through Loma.
THAI_LINKED_FACES = ("Tahoma", "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif")
THAI_FONT = "Loma.ttf,Loma"


# A session bus address that nothing answers: with none at all, Wine's start-up would have libdbus
# autolaunch a session bus daemon of its own, which outlives every test.
NO_SESSION_BUS = "unix:path=/nonexistent/clickora-no-session-bus"


def wine_variables(prefix):
    """The Wine variables of every run: a 64-bit prefix, quiet, no .NET or Gecko installers, and no
    session bus."""
    return {"WINEPREFIX": prefix, "WINEARCH": "win64", "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=", "DBUS_SESSION_BUS_ADDRESS": NO_SESSION_BUS}


def stop_process(process, timeout=30):
    """Ends PROCESS if it still runs: asked to end, then killed if it has not within TIMEOUT
    seconds."""
    if process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class XServer:
    """An Xvfb of its own on the first free display from FIRST up."""

    def __init__(self, display, process=None, pid=None):
        self.display = display
        self.process = process
        self.pid = pid if pid is not None else (process.pid if process else None)

    @classmethod
    def start(cls, first=90, last=400, log_path=os.devnull, extra=()):
        """EXTRA: more options of the server ("-extension", "XTEST" leaves XTEST out)."""
        for number in range(first, last):
            if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}"):
                continue
            with open(log_path, "ab") as log:
                # A session of its own: Xvfb must not hold ctest's output pipes or signals.
                process = subprocess.Popen(
                    ["Xvfb", f":{number}", "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset",
                     *extra],
                    stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and process.poll() is None:
                if subprocess.run(["xdpyinfo", "-display", f":{number}"], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=5).returncode == 0:
                    return cls(f":{number}", process)
                time.sleep(0.1)
            # Lost the display to another server starting at the same moment: take the next one.
            if process.poll() is None:
                process.kill()
            process.wait()
        raise RuntimeError(f"testenv: no free X display for Xvfb from :{first} to :{last - 1}")

    def stop(self):
        if self.process is not None:
            if self.process.poll() is None:
                self.process.terminate()
                self.process.wait(timeout=10)
            return
        # Known by its id only (setup and teardown are different processes): never another
        # process that took the id over.
        if self.pid and _comm(self.pid) == "Xvfb":
            try:
                os.kill(self.pid, 15)
            except ProcessLookupError:
                pass


def _comm(pid):
    try:
        with open(f"/proc/{pid}/comm") as comm:
            return comm.read().strip()
    except OSError:
        return ""


def _reg_file(entries):
    """A .reg file (UTF-16, as regedit writes them) of entries (key, name, kind, value)."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    by_key = {}
    for key, name, kind, value in entries:
        by_key.setdefault(key, []).append((name, kind, value))
    for key, values in by_key.items():
        lines.append(f"[{key}]")
        for name, kind, value in values:
            quoted = '"' + name.replace("\\", "\\\\").replace('"', '\\"') + '"'
            if kind == "dword":
                lines.append(f"{quoted}=dword:{value:08x}")
            elif kind == "multi_sz":
                data = ("\0".join(value) + "\0\0").encode("utf-16-le")
                lines.append(f"{quoted}=hex(7):" + ",".join(f"{b:02x}" for b in data))
            else:
                lines.append(quoted + '="' + value.replace("\\", "\\\\").replace('"', '\\"') + '"')
        lines.append("")
    return ("\ufeff" + "\r\n".join(lines) + "\r\n").encode("utf-16-le")


class WinePrefix:
    """A 64-bit Wine prefix and the settings the programs rely on."""

    def __init__(self, path, display=None):
        self.path = os.path.abspath(path)
        self.display = display

    def env(self, **extra):
        env = dict(os.environ, **wine_variables(self.path))
        if self.display:
            env["DISPLAY"] = self.display
        env.update(extra)
        return env

    def wine(self, *args, timeout=120, attempts=3, check=True, **kwargs):
        """Runs a Wine program to its end.
        NOTE: a short Wine tool now and then fails to start on a busy machine; it is tried again."""
        result = None
        for _ in range(attempts):
            try:
                result = subprocess.run(["wine", *args], env=self.env(), stdin=subprocess.DEVNULL,
                                        capture_output=True, timeout=timeout, **kwargs)
            except subprocess.TimeoutExpired:
                continue
            if result.returncode == 0:
                return result
            time.sleep(0.5)
        if check:
            detail = result.stderr.decode(errors="replace")[-400:] if result else "timed out"
            raise RuntimeError(f"testenv: wine {' '.join(args)} failed: {detail}")
        return result

    def keep_server(self, seconds=None):
        """A persistent wineserver: later Wine starts skip the start of a Wine session."""
        option = f"-p{seconds}" if seconds else "-p"
        subprocess.run(["wineserver", option], env=self.env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30, check=False)

    def boot(self):
        """Creates the prefix when it has none yet."""
        if os.path.exists(os.path.join(self.path, "system.reg")):
            return
        os.makedirs(os.path.dirname(self.path), exist_ok=True)
        self.wine("wineboot", "-i", timeout=300, attempts=1)

    def import_registry(self, entries):
        """Writes registry values, all in one Wine start."""
        with tempfile.NamedTemporaryFile(suffix=".reg", delete=False) as reg:
            reg.write(_reg_file(entries))
        try:
            self.wine("reg", "import", reg.name, timeout=60)
        finally:
            os.unlink(reg.name)

    def configure(self, desktop=True):
        """Crash dialog off, Thai font link and (with DESKTOP) the tests' virtual desktop. Stamped
        in the prefix: made once per prefix."""
        stamp = os.path.join(self.path, "clickora-testenv-prepared")
        want = f"{desktop} {DESKTOP_NAME} {DESKTOP_SIZE}"
        try:
            with open(stamp) as done:
                if done.read().strip() == want:
                    return
        except OSError:
            pass
        fontlink = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink"
        entries = [(r"HKEY_CURRENT_USER\Software\Wine\WineDbg", "ShowCrashDialog", "dword", 0)]
        entries += [(fontlink, face, "multi_sz", [THAI_FONT]) for face in THAI_LINKED_FACES]
        if desktop:
            # NOTE: without a window manager Wine windows get no frame and never take the focus,
            # so the programs run in a Wine virtual desktop, named for the tests and chosen per
            # program, which keeps them apart from anything else in the prefix.
            entries += [(rf"HKEY_CURRENT_USER\Software\Wine\AppDefaults\{program}\Explorer",
                         "Desktop", "sz", DESKTOP_NAME) for program in DESKTOP_PROGRAMS]
            entries.append((r"HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops", DESKTOP_NAME,
                            "sz", DESKTOP_SIZE))
        self.import_registry(entries)
        with open(stamp, "w") as done:
            done.write(want + "\n")

    def register(self, ocx):
        self.wine("regsvr32", "/s", ocx, timeout=120)

    def unregister(self, ocx):
        return self.wine("regsvr32", "/u", "/s", ocx, timeout=120, check=False).returncode

    def reg_query(self, key, value=None):
        """The data of a value (or True for a key that exists), None when missing."""
        args = ["reg", "query", key] + (["/v", value] if value else [])
        result = self.wine(*args, timeout=60, attempts=1, check=False)
        if result.returncode != 0:
            return None
        if value is None:
            return True
        for line in result.stdout.decode(errors="replace").splitlines():
            parts = line.split()
            if len(parts) >= 3 and parts[0] == value:
                return parts[2]
        return None

    def has_key(self, key):
        return self.wine("reg", "query", key, timeout=60, attempts=1, check=False).returncode == 0

    def values(self, key, recursive=False):
        """The values of KEY as (key, name, type, data), "(Default)" naming the default value."""
        args = ["reg", "query", key] + (["/s"] if recursive else [])
        result = self.wine(*args, timeout=60, attempts=1, check=False)
        found, current = [], key
        for line in result.stdout.decode(errors="replace").splitlines():
            line = line.rstrip("\r")
            if line.startswith("HKEY_"):
                current = line
                continue
            match = re.match(r"^\s+(.+?)\s{4}(REG_\w+)\s{4}(.*)$", line)
            if match:
                found.append((current, *match.groups()))
        return found

    def value(self, key, name):
        return next((data for _, n, _, data in self.values(key) if n == name), None)

    def set_dword(self, key, name, value):
        self.wine("reg", "add", key, "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f",
                  timeout=60)

    def delete_value(self, key, name):
        self.wine("reg", "delete", key, "/v", name, "/f", timeout=60, check=False)

    def winepath(self, path):
        """The Windows path of a Unix path: the prefix's Z: drive maps the root."""
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    def kill_server(self):
        if os.path.isdir(self.path):
            subprocess.run(["wineserver", "-k"], env=self.env(), stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30,
                           check=False)


# The command line: the CTest fixture of the Wine tests and scripts/run.

def _state_files(state):
    return os.path.join(state, "display"), os.path.join(state, "xvfb.pid")


def _prefix_of(state):
    return os.environ.get("WINEPREFIX") or os.path.join(state, "prefix")


def _stop_all(state):
    display_file, pid_file = _state_files(state)
    WinePrefix(_prefix_of(state)).kill_server()
    try:
        with open(pid_file) as pid:
            XServer(None, pid=int(pid.read().strip() or 0)).stop()
    except (OSError, ValueError):
        pass
    for path in (pid_file, display_file):
        if os.path.exists(path):
            os.unlink(path)


def setup(state):
    os.makedirs(state, exist_ok=True)
    _stop_all(state)
    prefix = WinePrefix(_prefix_of(state))
    shutil.rmtree(prefix.path, ignore_errors=True)
    server = XServer.start(log_path=os.path.join(state, "xvfb.log"))
    display_file, pid_file = _state_files(state)
    with open(pid_file, "w") as out:
        out.write(f"{server.pid}\n")
    with open(display_file, "w") as out:
        out.write(server.display + "\n")
    prefix.display = server.display
    try:
        prefix.keep_server()
        prefix.boot()
        prefix.configure()
    except (RuntimeError, subprocess.TimeoutExpired) as error:
        print(f"testenv: {error}", file=sys.stderr)
        _stop_all(state)
        return 1
    print(f"testenv: prefix {prefix.path} ready, display {server.display}")
    return 0


def run(state, command):
    display_file, _ = _state_files(state)
    if not os.path.exists(display_file):
        print(f"testenv: no Wine environment in {state} (the setup test did not run or failed)",
              file=sys.stderr)
        return 1
    with open(display_file) as display:
        os.environ["DISPLAY"] = display.read().strip()
    os.environ.update(wine_variables(_prefix_of(state)))
    limit = os.environ.get("CLICKORA_WINE_TIMEOUT", "300")
    os.execvp("timeout", ["timeout", "--kill-after=10", limit, *command])
    return 1


def teardown(state):
    _stop_all(state)
    if os.environ.get("CLICKORA_WINE_KEEP_PREFIX", "0") == "0":
        shutil.rmtree(_prefix_of(state), ignore_errors=True)
    print("testenv: stopped")
    return 0


def prepare(prefix_path, register=None, command=None):
    prefix = WinePrefix(prefix_path, os.environ.get("DISPLAY"))
    if not os.path.exists(os.path.join(prefix.path, "system.reg")):
        print(f"testenv: preparing the Wine prefix {prefix.path}", flush=True)
    prefix.boot()
    # The program's own windows on the user's desktop: no virtual desktop.
    prefix.configure(desktop=False)
    if register:
        prefix.register(register)
    if command:
        os.execvpe(command[0], command, prefix.env())
    return 0


def main(argv):
    command = []
    if "--" in argv:
        command = argv[argv.index("--") + 1:]
        argv = argv[:argv.index("--")]
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="action", required=True)
    for action in ("setup", "teardown"):
        sub.add_parser(action).add_argument("state")
    run_parser = sub.add_parser("run")
    run_parser.add_argument("state")
    run_parser.add_argument("command", nargs=argparse.REMAINDER)
    prepare_parser = sub.add_parser("prepare")
    prepare_parser.add_argument("prefix")
    prepare_parser.add_argument("--register", metavar="OCX")
    args = parser.parse_args(argv)
    if args.action == "setup":
        return setup(os.path.abspath(args.state))
    if args.action == "teardown":
        return teardown(os.path.abspath(args.state))
    if args.action == "run":
        return run(os.path.abspath(args.state), args.command)
    return prepare(args.prefix, args.register, command)


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except RuntimeError as error:
        sys.exit(str(error))
