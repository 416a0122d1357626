"""The release artifacts as files (dist/ holds exactly them, each exactly its files, stripped, with
the version, importing only the system's known DLLs, DependentLoadFlags the system folder, the
installer's stub restricting its library search; SHA256SUMS matches), and tried under Wine: the installer (an earlier version, then this one,
installed silently; the files, the shortcut, the control's keys and the uninstall entry; the script
host creates the control; a 3-click run; the silent uninstall leaves nothing behind) and the
portable folder (nothing registered; a 3-click run; without horolon.ocx the program says why and
exits with status 3)."""
import hashlib
import os
import re
import struct
import subprocess
import zipfile

import pe_check
import pytest

from clickora_e2e.product import text
from clickora_e2e.runs import POINT, run_clicks

INSTALL_DIR_WIN = r"C:\Program Files\Clickora"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Clickora"


def artifacts(config):
    dist, version = config["dist"], config["version"]
    paths = {"setup": f"clickora-{version}-setup.exe", "zip64": f"clickora-{version}-windows-x64.zip",
             "zip86": f"clickora-{version}-windows-x86.zip"}
    paths = {key: os.path.join(dist, name) for key, name in paths.items()}
    missing = [p for p in paths.values() if not os.path.exists(p)]
    assert not missing, f"no artifacts {missing} (run scripts/package)"
    return paths


def control_keys(config):
    """Every key of the control, in the machine's and the user's classes and the 32-bit view."""
    clsid, libid = config["horolon_clsid"], config["horolon_libid"]
    return [rf"HKCR\CLSID\{{{clsid}}}", r"HKCR\Horolib.LongTimer", rf"HKCR\TypeLib\{{{libid}}}",
            rf"HKCU\Software\Classes\CLSID\{{{clsid}}}", r"HKCU\Software\Classes\Horolib.LongTimer",
            rf"HKLM\Software\Classes\WOW6432Node\CLSID\{{{clsid}}}"]


def expect_no_control_keys(prefix, config, when):
    held = [key for key in control_keys(config) if prefix.has_key(key)]
    assert not held, f"{when}: the registry holds {held}"


def expect_value(prefix, key, name, want):
    actual = prefix.value(key, name)
    assert actual == want, f"{key} {name} is {actual!r}, expected {want!r}"


def three_click_run(e2e, exe):
    """A run of 3 clicks at POINT lands on the click target; the program is then closed."""
    e2e.backend.config["tapvane"] = exe
    target = run_clicks(e2e, 3, "0.02", False)
    counts = (target.count("down", *POINT), target.count("up", *POINT))
    assert counts == (3, 3), f"presses and releases at {POINT}: {counts}; {target.describe()}"
    assert len(target.events()) == 6, f"the target got clicks elsewhere: {target.describe()}"
    app = e2e.app
    app.close()
    status = app.wait_ended(15)
    assert status == 0, f"the program ended with status {status}"
    # The target goes too: left open, it would keep the focus from the next window of the desktop.
    e2e.end(target.process)


def install_silently(prefix, setup, *args):
    """/D= must come last."""
    result = prefix.wine(setup, "/S", *args, timeout=180, attempts=1, check=False)
    assert result.returncode == 0, f"{os.path.basename(setup)} /S ended with status {result.returncode}"


def test_installer(fresh_wine, config):
    e2e = fresh_wine.case("installer")
    prefix = fresh_wine.prefix
    paths = artifacts(config)
    drive_c = os.path.join(prefix.path, "drive_c")
    install_dir = os.path.join(drive_c, "Program Files", "Clickora")
    menu_folder = os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu",
                               "Programs", "Clickora")
    try:
        # An earlier version, made from this release's own files under an older number and
        # installed into another folder: the new installer must remove it.
        stage, older = os.path.join(e2e.dir, "older"), os.path.join(e2e.dir, "clickora-0.9.0-setup.exe")
        with zipfile.ZipFile(paths["zip64"]) as zip64:
            zip64.extractall(os.path.join(stage, "x64"))
        with zipfile.ZipFile(paths["zip86"]) as zip86:
            zip86.extract("horolon.ocx", os.path.join(stage, "x86"))
        source = config["source_dir"]
        made = subprocess.run(
            ["makensis", "-INPUTCHARSET", "UTF8", "-V1", "-DVERSION=0.9.0",
             f"-DSTAGE64={stage}/x64", f"-DSTAGE32={stage}/x86",
             f"-DICON={source}/autoclick/assets/tapvane.ico", f"-DOUTFILE={older}",
             f"{source}/packaging/installer.nsi"], capture_output=True, text=True, timeout=300)
        assert made.returncode == 0, f"cannot build the earlier installer: {made.stdout[-600:]}"
        install_silently(prefix, older, r"/D=C:\Clickora-0.9")
        expect_value(prefix, UNINSTALL_KEY, "DisplayVersion", "0.9.0")
        assert os.path.isfile(os.path.join(drive_c, "Clickora-0.9", "tapvane.exe")), \
            r"the earlier version is not in C:\Clickora-0.9"

        install_silently(prefix, paths["setup"])
        assert not os.path.exists(os.path.join(drive_c, "Clickora-0.9")), \
            "the earlier version's folder is left"
        listed = sorted(os.path.relpath(os.path.join(d, f), install_dir)
                        for d, _, files in os.walk(install_dir) for f in files)
        assert listed == ["horolon.ocx", "manual.chm", "tapvane.exe", "uninstall.exe",
                          "x86/horolon.ocx"], f"the install folder holds {listed}"
        with zipfile.ZipFile(paths["zip64"]) as zip64, \
                open(os.path.join(install_dir, "tapvane.exe"), "rb") as installed:
            assert installed.read() == zip64.read("tapvane.exe"), \
                "the installed tapvane.exe is not the released one"
        shortcut = os.path.join(menu_folder, "tapvane.lnk")
        assert os.path.isfile(shortcut), "no Start-menu shortcut"
        with open(shortcut, "rb") as link:
            data = link.read()
        assert b"tapvane.exe" in data or "tapvane.exe".encode("utf-16-le") in data, \
            "the shortcut does not point at tapvane.exe"

        clsid = config["horolon_clsid"]
        clsid_key = rf"HKCR\CLSID\{{{clsid}}}"
        expect_value(prefix, clsid_key + r"\InprocServer32", "(Default)",
                     INSTALL_DIR_WIN + r"\horolon.ocx")
        expect_value(prefix, clsid_key + r"\InprocServer32", "ThreadingModel", "Apartment")
        expect_value(prefix, r"HKCR\Horolib.LongTimer\CLSID", "(Default)", f"{{{clsid}}}")
        assert prefix.has_key(rf"HKCR\TypeLib\{{{config['horolon_libid']}}}\6.0"), \
            "the type library is not registered"

        for name, want in (("DisplayName", "Clickora"), ("DisplayVersion", config["version"]),
                           ("Publisher", "Clickora"),
                           ("UninstallString", f'"{INSTALL_DIR_WIN}\\uninstall.exe"'),
                           ("InstallLocation", INSTALL_DIR_WIN)):
            expect_value(prefix, UNINSTALL_KEY, name, want)
        size_kb = int(prefix.value(UNINSTALL_KEY, "EstimatedSize"), 0)
        files_kb = sum(os.path.getsize(os.path.join(d, f))
                       for d, _, files in os.walk(install_dir) for f in files) // 1024
        assert files_kb - 8 <= size_kb <= files_kb + 8, \
            f"EstimatedSize is {size_kb} KB, the files take {files_kb} KB"
        entries = [v for v in prefix.values(UNINSTALL_KEY.rsplit("\\", 1)[0], recursive=True)
                   if v[1] == "DisplayName" and v[3] == "Clickora"]
        assert len(entries) == 1, f"{len(entries)} Clickora entries in the installed programs"

        # The script host finds the control by its ProgID.
        script = os.path.join(e2e.dir, "create.vbs")
        with open(script, "w", newline="\r\n") as vbs:
            vbs.write('Set t = CreateObject("Horolib.LongTimer")\nt.Interval = 2.5\n'
                      't.Enabled = True\nWScript.Echo "created interval " & t.Interval & '
                      '" enabled " & t.Enabled\n')
        created = prefix.wine("cscript", "//nologo", prefix.winepath(script), timeout=60,
                              attempts=1, check=False)
        said = created.stdout.decode(errors="replace") + created.stderr.decode(errors="replace")
        assert "created interval 2.5 enabled True" in said, \
            f"cscript could not create Horolib.LongTimer: {said[:300]!r}"

        three_click_run(e2e, os.path.join(install_dir, "tapvane.exe"))

        # The uninstaller copies itself away and returns at once; its work is waited for.
        started = prefix.wine(os.path.join(install_dir, "uninstall.exe"), "/S", timeout=60,
                              attempts=1, check=False)
        assert started.returncode == 0, "the uninstaller did not start"
        e2e.app.poll("the uninstaller to finish", lambda: not os.path.exists(install_dir) and
                     not prefix.has_key(UNINSTALL_KEY), 90)
        assert not os.path.exists(menu_folder), "the Start-menu folder is left"
        expect_no_control_keys(prefix, config, "after the uninstall")
    finally:
        e2e.finish()


def test_portable(fresh_wine, config):
    e2e = fresh_wine.case("portable")
    prefix = fresh_wine.prefix
    paths = artifacts(config)
    folder = os.path.join(prefix.path, "drive_c", "Portable Clickora")
    try:
        expect_no_control_keys(prefix, config, "in the fresh prefix")
        with zipfile.ZipFile(paths["zip64"]) as zip64:
            zip64.extractall(folder)
        three_click_run(e2e, os.path.join(folder, "tapvane.exe"))
        expect_no_control_keys(prefix, config, "after the portable run")

        os.unlink(os.path.join(folder, "horolon.ocx"))
        app = e2e.start_unwindowed(os.path.join(folder, "tapvane.exe"))
        message = app.wait_dialog(text("kApplicationTitle"), 30)
        assert any("Horolib.LongTimer" in line for line in message.texts()), \
            f"the message does not name Horolib.LongTimer: {message.texts()}"
        # NOTE: a message box that opens on a desktop where windows have come and gone may not be
        # active, so OK is clicked rather than Return typed.
        app.press_ok(text("kApplicationTitle"))
        status = app.wait_ended(15)
        assert status == 3, f"without horolon.ocx the program ended with status {status}, expected 3"
        expect_no_control_keys(prefix, config, "after the start without the control")
    finally:
        e2e.finish()


PORTABLE_FILES = ["horolon.ocx", "manual.chm", "readme.txt", "tapvane.exe"]
# The installer's payload: the x64 files and the x86 control. ($PLUGINSDIR is the installer's own,
# uninstall.exe is made at installation.)
INSTALLER_FILES = ["horolon.ocx", "manual.chm", "tapvane.exe", "x86/horolon.ocx"]


def control_version(version):
    """The control's version strings: major.minor with two digits of minor."""
    major, minor = version.split(".")[:2]
    return f"{int(major)}.{int(minor):02d}"


def expected_dist(config):
    version = config["version"]
    names = ["SHA256SUMS", f"clickora-{version}-setup.exe", f"clickora-{version}-windows-x64.zip",
             f"clickora-{version}-windows-x86.zip"]
    if os.access(os.path.join(config["source_dir"], "scripts", "package-deb"), os.X_OK):
        names.append(f"clickora_{version}_amd64.deb")
    return sorted(names)


def unzipped(config, arch):
    """The portable zip of ARCH, unpacked into the work folder; its folder."""
    folder = os.path.join(config["work"], "artifacts", arch)
    with zipfile.ZipFile(artifacts(config)["zip64" if arch == "x64" else "zip86"]) as archive:
        archive.extractall(folder)
    return folder


def test_artifacts_dist_and_checksums(config):
    dist = config["dist"]
    listed = sorted(os.listdir(dist)) if os.path.isdir(dist) else []
    expected = expected_dist(config)
    assert listed == expected, f"dist/ holds {listed}, expected {expected} (run scripts/package)"
    with open(os.path.join(dist, "SHA256SUMS"), encoding="utf-8") as sums:
        lines = sums.read().splitlines()
    summed = {}
    for line in lines:
        match = re.fullmatch(r"([0-9a-f]{64})  (\S+)", line)
        assert match, f"SHA256SUMS: a line not of sha256sum's form: {line!r}"
        summed[match.group(2)] = match.group(1)
    assert sorted(summed) == [name for name in expected if name != "SHA256SUMS"] and \
        len(lines) == len(summed), f"SHA256SUMS lists {sorted(summed)}, not every artifact once"
    for name, digest in summed.items():
        with open(os.path.join(dist, name), "rb") as artifact:
            actual = hashlib.sha256(artifact.read()).hexdigest()
        assert actual == digest, f"SHA256SUMS does not match {name}"


@pytest.mark.parametrize("arch", ["x64", "x86"])
def test_artifacts_portable_zip(config, arch):
    version = config["version"]
    zip_path = artifacts(config)["zip64" if arch == "x64" else "zip86"]
    with zipfile.ZipFile(zip_path) as archive:
        listed = sorted(archive.namelist())
    assert listed == PORTABLE_FILES, f"{os.path.basename(zip_path)} holds {listed}"
    folder = unzipped(config, arch)
    machine = pe_check.MACHINES[arch]
    problems = pe_check.problems(os.path.join(folder, "tapvane.exe"), machine, f"{version}.0", True)
    problems += pe_check.problems(os.path.join(folder, "horolon.ocx"), machine,
                                  control_version(version), True)
    assert not problems, f"the {arch} binaries: " + "; ".join(problems)
    with open(os.path.join(folder, "readme.txt"), "rb") as readme:
        data = readme.read()
    assert data.startswith(b"\xef\xbb\xbf"), f"readme.txt ({arch}) has no byte-order mark"
    assert f"Clickora {version} for Windows ({arch})".encode() in data, \
        f"readme.txt ({arch}) does not name the version and width"


def test_artifacts_installer(config):
    setup = artifacts(config)["setup"]
    with open(setup, "rb") as installer:
        data = installer.read()
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    assert data[pe:pe + 4] == b"PE\0\0" and struct.unpack_from("<H", data, pe + 4)[0] == 0x8664, \
        "the installer is not a 64-bit program"
    # NSIS 3's stub loads nothing from the folder it runs in: it imports only the system's known
    # DLLs (and the common controls side by side, through its manifest), asks for
    # SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) before it loads anything else and
    # loads the rest by full path from the system folder.
    problems = pe_check.problems(setup, pe_check.MACHINES["x64"], None, False)
    assert not problems, "the installer's imports: " + "; ".join(problems)
    assert b"SetDefaultDllDirectories" in data, \
        "the installer's stub does not restrict its library search (NSIS 3 does)"

    listing = subprocess.run(["7z", "l", "-slt", setup], capture_output=True, text=True, check=True)
    listed = sorted(path for path in re.findall(r"^Path = (.*)$", listing.stdout, re.MULTILINE)
                    if not path.startswith("$PLUGINSDIR/") and path not in ("uninstall.exe", setup))
    assert listed == INSTALLER_FILES, f"the installer holds {listed}"
    unpacked = os.path.join(config["work"], "artifacts", "setup")
    made = subprocess.run(["7z", "x", "-y", f"-o{unpacked}", setup], capture_output=True, text=True,
                          check=False)
    assert made.returncode == 0, f"cannot unpack the installer: {made.stdout[-400:]}"
    # The payload is byte for byte the zips' files.
    zips = {"x64": unzipped(config, "x64"), "x86": unzipped(config, "x86")}
    differ = []
    for name in INSTALLER_FILES:
        arch, file = ("x86", "horolon.ocx") if name.startswith("x86/") else ("x64", name)
        with open(os.path.join(unpacked, name), "rb") as ours, \
                open(os.path.join(zips[arch], file), "rb") as zipped:
            if ours.read() != zipped.read():
                differ.append(f"the installer's {name} is not the {arch} zip's")
    assert not differ, "; ".join(differ)
