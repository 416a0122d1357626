"""The release artifacts tried under Wine: the installer (an earlier version, then this one,
installed silently; the files, the shortcut, the control's keys and the uninstall entry; the script
host creates the control; a 3-click run; the silent uninstall leaves nothing behind) and the
portable folder (nothing registered; a 3-click run; without horolon.ocx the program says why and
exits with status 3)."""
import os
import subprocess
import zipfile

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
