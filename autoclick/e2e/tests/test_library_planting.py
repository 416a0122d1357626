"""Library planting: a portable folder unzipped where a web page can drop files of its own. A DLL
placed beside tapvane.exe under the name of a library that the program loads must never be loaded,
whatever the user does: the manual (F1), the file dialogs, a click run (the control's clock).

Windows looks in the program's folder first for a library loaded by a bare name; Wine prefers its
own builtin libraries, so here it is told to prefer native copies of every library concerned
(WINEDLLOVERRIDES name=n,b), which gives Windows' order. The libraries concerned are the ones
the program loads after its window shows, read from Wine's loader trace of the same actions."""
import os
import re
import shutil

import pytest

from clickora_e2e.app import Failure, log
from clickora_e2e.product import run_caption, text

HELP_TITLE = "Clickora Manual"
# Loaded when a command first needs them; the load rules of the images keep the imports, loaded
# at start-up, to the system's known libraries (pe_load_rules).
MUST_BE_LOADED_LATER = {"hhctrl.ocx", "comdlg32.dll"}
# Loaded by the program's own code at its clock's first call, which may come before the window
# shows: planted too.
LOADED_BY_THE_CLOCK = "winmm.dll"
LOADED = re.compile(r'trace:loaddll:\w+ Loaded L"([^"]+)" at [0-9A-Fa-f]+: (native|builtin)')


def portable_folder(e2e, config):
    """tapvane.exe, horolon.ocx and manual.chm in a folder of their own, nothing registered: the
    program takes the control from its folder."""
    prefix = e2e.backend.prefix
    assert prefix.unregister(config["horolon"]) == 0, "the control could not be unregistered"
    e2e.undo.append(lambda: prefix.register(config["horolon"]))
    folder = os.path.join(e2e.dir, "Downloads", "clickora")
    os.makedirs(folder)
    for path in (config["tapvane"], config["horolon"],
                 os.path.join(os.path.dirname(config["tapvane"]), "manual.chm")):
        shutil.copy(path, folder)
    return folder


def use_the_program(app):
    """What loads libraries after start-up: F1 (the manual), File > Open and File > Save, each
    dialog cancelled, and a click run of one click (the control's clock)."""
    app.activate_window()
    with app.step("F1"):
        app.keys("F1")
        app.wait_dialog(HELP_TITLE, 30)
        app.close(HELP_TITLE)
        app.wait_dialog_gone(HELP_TITLE)
    for item, title in (("openna", "kOpenTitle"), ("Savena", "kSaveTitle")):
        app.menu(item)
        app.wait_dialog(text(title))
        app.activate(text(title))
        app.keys("Escape")
        app.wait_dialog_gone(text(title))
    app.set_fields(Text4=1000, Text5=20, Text6=1, Text8="0.001")
    app.click("Command4")
    app.wait_for("the run of one click", 30, Command4=run_caption("kFinishedHead", 1))


def loaded_libraries(trace_path):
    """The Windows path of each library in the loader trace, in load order."""
    with open(trace_path, errors="replace") as trace:
        return [path.replace("\\\\", "\\") for path, _ in LOADED.findall(trace.read())]


def file_name(path):
    return path.rsplit("\\", 1)[-1].lower()


@pytest.mark.backends("wine")
def test_no_library_loads_from_the_program_folder(e2e, config):
    folder = portable_folder(e2e, config)
    exe = os.path.join(folder, "tapvane.exe")
    windows_folder = e2e.backend.prefix.winepath(folder).lower()

    # The libraries the program loads after its window shows, and from where.
    app = e2e.start_app(exe=exe, env={"WINEDEBUG": "+loaddll"})
    trace_path = os.path.join(e2e.dir, "tapvane.out")
    at_start = len(loaded_libraries(trace_path))
    use_the_program(app)
    app.close()
    app.wait_ended()
    libraries = loaded_libraries(trace_path)
    for index, path in enumerate(libraries):
        log.info("%s %s", "after start-up:" if index >= at_start else "at start-up:  ", path)
    later = {file_name(path) for path in libraries[at_start:]} - {"horolon.ocx"}
    assert MUST_BE_LOADED_LATER <= later, f"the trace names {sorted(later)} after start-up"
    loaded = {file_name(path) for path in libraries}
    assert LOADED_BY_THE_CLOCK in loaded, f"no {LOADED_BY_THE_CLOCK} among {sorted(loaded)}"
    later.add(LOADED_BY_THE_CLOCK)
    from_folder = {file_name(path) for path in libraries if path.lower().startswith(windows_folder)}
    assert from_folder == {"tapvane.exe", "horolon.ocx"}, f"loaded from the folder: {from_folder}"

    # The same again with each of them planted beside the program, native copies preferred.
    for name in later:
        shutil.copy(config["planted_library"], os.path.join(folder, name))
    overrides = "mscoree,mshtml=;" + ",".join(sorted(later)) + "=n,b"
    app = e2e.start_app(exe=exe, env={"WINEDLLOVERRIDES": overrides})
    try:
        use_the_program(app)
    except Failure as failure:
        markers = [n for n in os.listdir(folder) if n.endswith(".loaded")]
        raise Failure(f"{failure} (markers of planted libraries: {markers})") from failure
    app.close()
    app.wait_ended()
    markers = {name: open(os.path.join(folder, name)).read().strip()
               for name in os.listdir(folder) if name.endswith(".loaded")}
    assert not markers, f"planted libraries were loaded from the program's folder: {markers}"
