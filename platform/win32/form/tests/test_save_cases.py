"""Save cases that need the file system prepared from outside Wine, run in the Wine test
environment against clickora_win32_form_tests.exe, whose "replace" mode saves as the program does:
  - through a symbolic link (Wine makes none itself): the file it names gets the text, the link
    stays a link (a link to no file yet is replaced by the file, as on Windows);
  - a folder where only the file is writable (chattr +i: no file may be made, renamed or removed in
    it, for root too): the file is written in place, its inode kept;
  - a forced write failure (a file size limit), through a temporary file and in place: the old file
    is whole and nothing is left beside it.
The folders lie in the build tree, where chattr works, rather than on a temporary file system."""
import json
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "..",
                                "autoclick", "e2e"))

from clickora_e2e import testenv  # noqa: E402

OLD_TEXT = "640\r\n480\r\n10\r\n1\r\n1\r\n"
LONG_TEXT = "written in place, longer than the old text"


@pytest.fixture(scope="module")
def config():
    with open(os.environ["CLICKORA_E2E_CONFIG"]) as config:
        return json.load(config)


@pytest.fixture
def work(config):
    os.makedirs(config["work"], exist_ok=True)
    folder = tempfile.mkdtemp(prefix="save-cases-", dir=config["work"])
    yield folder
    subprocess.run(["chattr", "-i", os.path.join(folder, "locked")], stderr=subprocess.DEVNULL,
                   check=False)
    shutil.rmtree(folder)


def limit_file_size():
    """Writes beyond 1 KiB refused, SIGXFSZ ignored so that the write fails instead."""
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (1024, 1024))


def replace(config, path, text, count=1, limited=False):
    """The program's save of TEXT (COUNT times) to PATH; its answer ("replaced", "refused: ...")."""
    prefix = testenv.WinePrefix(os.environ["WINEPREFIX"], os.environ.get("DISPLAY"))
    extra = {}
    if limited:
        # NOTE: a wineserver started under the size limit crashes at once: one is started without
        # it first, for the limited program to connect to.
        prefix.keep_server(30)
        extra = dict(preexec_fn=limit_file_size, restore_signals=False)
    result = prefix.wine(config["tests_exe"], "replace", "Z:" + path.replace("/", "\\"), text,
                         str(count), attempts=1, check=False, **extra)
    answer = result.stdout.decode(errors="replace").replace("\r", "").rstrip("\n")
    print(f"  save {text[:12]}... x{count} to {path}{' with a size limit' if limited else ''}: {answer}")
    return answer


def contents(path):
    with open(path, newline="") as file:
        return file.read().rstrip("\n")


def names_in(folder):
    return sorted(os.listdir(folder))


def write_old_file(folder):
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "settings.kpf")
    with open(path, "w", newline="") as file:
        file.write(OLD_TEXT)
    return path


@pytest.mark.parametrize("kind", ["relative", "absolute"])
def test_save_through_symbolic_link(config, work, kind):
    real = write_old_file(os.path.join(work, "real"))
    links = os.path.join(work, "links")
    os.makedirs(links)
    link = os.path.join(links, f"{kind}.kpf")
    os.symlink("../real/settings.kpf" if kind == "relative" else real, link)
    text = f"through the {kind} link"
    answer = replace(config, link, text)
    assert answer == "replaced", f"a save through the {kind} link answered {answer!r}"
    assert contents(real) == text, f"the {kind} link's file holds {contents(real)!r}"
    assert os.path.islink(link), f"the {kind} link is no longer a link"
    left = (names_in(os.path.join(work, "real")), names_in(links))
    assert left == (["settings.kpf"], [f"{kind}.kpf"]), f"a temporary file is left: {left}"


def test_save_in_folder_where_only_the_file_is_writable(config, work):
    locked = os.path.join(work, "locked")
    path = write_old_file(locked)
    inode = os.stat(path).st_ino
    lock = subprocess.run(["chattr", "+i", locked], capture_output=True, text=True, check=False)
    assert lock.returncode == 0, (
        f"cannot make a folder unchangeable (chattr +i: {lock.stderr.strip()}); needs "
        "CAP_LINUX_IMMUTABLE on ext4, xfs or btrfs")
    with pytest.raises(OSError):
        open(os.path.join(locked, "x"), "w").close()  # nothing can be made in the locked folder

    answer = replace(config, path, LONG_TEXT)
    assert answer == "replaced", f"a save in the locked folder answered {answer!r}"
    assert contents(path) == LONG_TEXT, f"the file holds {contents(path)!r}"
    assert os.stat(path).st_ino == inode, "the file did not keep its inode"

    answer = replace(config, path, "0123456789abcdef", 256, limited=True)
    assert answer.split(":")[0] == "refused", f"a save in place that the size limit stops: {answer!r}"
    assert contents(path) == LONG_TEXT, f"after the failed save in place the file holds {contents(path)!r}"
    assert names_in(locked) == ["settings.kpf"], f"left beside it: {names_in(locked)}"


def test_failed_write_keeps_old_file(config, work):
    plain = os.path.join(work, "plain")
    path = write_old_file(plain)
    answer = replace(config, path, "0123456789abcdef", 256, limited=True)
    assert answer.split(":")[0] == "refused", f"a save that the size limit stops: {answer!r}"
    assert contents(path) == OLD_TEXT.rstrip("\n"), f"after the failed save the file holds {contents(path)!r}"
    assert names_in(plain) == ["settings.kpf"], f"a temporary file is left: {names_in(plain)}"


def test_save_through_link_to_no_file_yet(config, work):
    """As on Windows, the link is replaced by the file."""
    links = os.path.join(work, "links")
    os.makedirs(links)
    link = os.path.join(links, "dangling.kpf")
    os.symlink("../real/settings.kpf", link)
    answer = replace(config, link, "through a link to no file")
    assert answer == "replaced", f"a save through a link to no file answered {answer!r}"
    assert not os.path.islink(link) and contents(link) == "through a link to no file", (
        f"the link is {'still a link' if os.path.islink(link) else 'a file holding ' + repr(contents(link))}")
    assert names_in(links) == ["dangling.kpf"], f"a temporary file is left: {names_in(links)}"
