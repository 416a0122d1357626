"""The Debian package installed on this machine: dpkg -i puts its files in place, the installed
tapvane (started from a folder of no importance, on a virtual X server of its own) finds its
library and its manual from its own place, and dpkg -r leaves nothing behind.

Refuses at once without root (dpkg -i needs it), without the package (scripts/package-deb builds
it), and when clickora is installed already, so that an installation of the user's is never
touched."""
import glob
import io
import json
import os
import re
import subprocess
import sys
import tarfile
import time

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))

from clickora_e2e import x11  # noqa: E402
from clickora_e2e.product import SOURCE_DIR  # noqa: E402

TAPVANE = "/usr/bin/tapvane"
INSTALLED_FILES = ("/usr/bin/tapvane", "/usr/lib/*/clickora/libhorolon.so",
                   "/usr/share/clickora/manual/index.html",
                   "/usr/share/applications/org.clickora.tapvane.desktop",
                   "/usr/share/doc/clickora/copyright")
# Folders of the package's own; the folders the system has anyway stay.
OWN_FOLDERS = ("/usr/lib/*/clickora", "/usr/share/clickora", "/usr/share/doc/clickora")
HELP_WINDOWS = r"^(Clickora - |หน้าต่างโปรแกรม)"
LOCK_WAIT = 120


def package_status():
    result = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "clickora"], capture_output=True,
                            text=True, check=False)
    return result.stdout.strip() if result.returncode == 0 else ""


def dpkg(*args):
    """dpkg with ARGS; its output when it fails.
    NOTE: the machine's other package tools hold dpkg's lock now and then: dpkg is tried again
    while the lock is what stops it."""
    deadline = time.monotonic() + LOCK_WAIT
    while True:
        result = subprocess.run(["dpkg", *args], capture_output=True, text=True, check=False)
        if result.returncode == 0:
            return None
        output = result.stdout + result.stderr
        if "lock" not in output or time.monotonic() > deadline:
            return output.strip()
        time.sleep(1)


def package_paths(deb):
    """Every path the package holds, as installed ("/usr/bin/tapvane")."""
    tar = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], capture_output=True, check=True).stdout
    with tarfile.open(fileobj=io.BytesIO(tar)) as archive:
        return [member.name.lstrip(".").rstrip("/") for member in archive.getmembers()
                if member.name.lstrip(".").rstrip("/")]


def manual_title():
    with open(os.path.join(SOURCE_DIR, "autoclick", "help", "html", "index.html"),
              encoding="utf-8") as html:
        return re.search(r"<title>(.*?)</title>", html.read()).group(1)


@pytest.fixture
def config():
    with open(os.environ["CLICKORA_E2E_CONFIG"]) as config:
        return json.load(config)


@pytest.fixture
def installed(config):
    """The package installed; removed again at the end whatever happened (the test checks its own
    removal and then clears "installed")."""
    deb = config["deb"]
    if os.geteuid() != 0:
        pytest.fail("needs root for dpkg -i")
    if not os.path.isfile(deb):
        pytest.fail(f"no package {deb}: scripts/package-deb builds it")
    if "installed" in package_status().split():
        pytest.fail("clickora is installed on this machine already: remove it first (apt remove clickora)")
    state = {"installed": True, "paths": package_paths(deb)}
    try:
        failure = dpkg("-i", deb)
        assert failure is None, f"dpkg -i: {failure}"
        yield state
    finally:
        if state["installed"]:
            failure = dpkg("-r", "clickora")
            if failure:
                print(f"dpkg -r failed: {failure}")


@pytest.fixture
def case(config):
    backend = x11.X11Backend(config)
    made = backend.case("package_install")
    try:
        yield made
    finally:
        made.finish()
        backend.close()


def test_package_installs_runs_and_removes(installed, case):
    missing = [path for path in INSTALLED_FILES if not glob.glob(path)]
    assert not missing, f"the package did not install {missing}"

    # From a folder of no importance (the case's): the program finds its library and manual from
    # its own place.
    app = case.start_app(TAPVANE)
    app.keys("F1")
    app.poll("F1 in the installed program to open the help window",
             lambda: app.xdotool("search", "--onlyvisible", "--name", HELP_WINDOWS).split(), 5)
    title = manual_title()
    app.poll("the manual's first page", lambda: app.help_page() == {
        "Title": title, "Heading": title, "Page": "index.html"}, 5,
        last=lambda: f"the help shows {app.help_page()}")
    app.keys("Escape")
    app.poll("Esc to put the help window away",
             lambda: not app.xdotool("search", "--onlyvisible", "--name", HELP_WINDOWS).split(), 5)
    case.end(app.process)

    installed["installed"] = False
    failure = dpkg("-r", "clickora")
    assert failure is None, f"dpkg -r: {failure}"
    status = package_status()
    assert not status or status.endswith("not-installed"), f"after dpkg -r the package is {status!r}"
    left = [path for path in installed["paths"] if os.path.isfile(path) or os.path.islink(path)]
    left += [folder for pattern in OWN_FOLDERS for folder in glob.glob(pattern)]
    assert not left, f"left behind: {left}"
