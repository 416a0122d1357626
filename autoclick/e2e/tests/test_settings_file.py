"""File > Open and Save: the dialogs, the file's bytes, short and marked files, files that cannot
be read or written, and the commands without the dialogs' library."""
import os

import pytest

from clickora_e2e.product import design_settings_bytes, settings_bytes, text

APP = text("kApplicationTitle")
OPEN = text("kOpenTitle")
SAVE = text("kSaveTitle")


def expect_fields(app, *values):
    app.expect(**dict(zip(("Text4", "Text5", "Text6", "Text7", "Text8"), map(str, values))))


def file_bytes(path):
    try:
        with open(path, "rb") as saved:
            return saved.read()
    except FileNotFoundError:
        return None


def wait_file(app, path, content, description):
    app.poll(description, lambda: file_bytes(path) == content, 10,
             last=lambda: f"{path} holds {file_bytes(path)!r}")


def write(path, content):
    with open(path, "wb") as out:
        out.write(content)


def test_save_open(e2e):
    app = e2e.start_app()
    saved = os.path.join(e2e.dir, "saved.kpf")
    other = os.path.join(e2e.dir, "other.kpf")
    app.menu("Savena")
    dialog = app.wait_dialog(SAVE)
    assert dialog.has_text(text("kSaveProposedName")), f"the save dialog shows {dialog.texts()}"
    app.answer_file_dialog(SAVE, e2e.program_path(saved))
    # The five design values, each line ended by CR LF.
    wait_file(app, saved, design_settings_bytes(), "the saved file")
    assert len(file_bytes(saved)) == 19

    write(other, settings_bytes([123, 456, 7, 8, 9]))
    app.menu("openna")
    dialog = app.wait_dialog(OPEN)
    assert dialog.has_text(text("kOpenProposedName")), f"the open dialog shows {dialog.texts()}"
    app.answer_file_dialog(OPEN, e2e.program_path(other))
    app.wait_for("the fields of other.kpf", 10, Text6="7")
    expect_fields(app, 123, 456, 7, 8, 9)

    app.menu("openna")
    app.answer_file_dialog(OPEN, e2e.program_path(saved))
    app.wait_for("the fields of saved.kpf", 10, Text4="500")
    expect_fields(app, 500, 500, 5, 1, 1)


def test_open_cancel(app):
    app.type_into("Text4", "321")
    app.type_into("Text8", "2")
    app.menu("openna")
    app.wait_dialog(OPEN)
    app.answer_message(OPEN, "Escape")
    app.holds("the fields kept after the cancelled open",
              lambda: app.text("Text4") == "321", 0.5)
    expect_fields(app, 321, 500, 5, 1, 2)
    assert app.alive(), "the program ended"


def test_settings_short(e2e):
    app = e2e.start_app()
    app.type_into("Text8", "3")
    short = os.path.join(e2e.dir, "short.kpf")
    write(short, b"11\r\n22\r\n")
    app.menu("openna")
    app.answer_file_dialog(OPEN, e2e.program_path(short))
    app.wait_for("the fields of short.kpf", 10, Text5="22")
    # Only the two fields the file has values for change.
    expect_fields(app, 11, 22, 5, 1, 3)
    # A byte-order mark at the start of the file is no part of X.
    marked = os.path.join(e2e.dir, "marked.kpf")
    write(marked, b"\xef\xbb\xbf77\r\n88\r\n9\r\n")
    app.menu("openna")
    app.answer_file_dialog(OPEN, e2e.program_path(marked))
    app.wait_for("the fields of marked.kpf", 10, Text6="9")
    expect_fields(app, 77, 88, 9, 1, 3)


def test_save_cancel(e2e):
    # Save proposes the file just opened; cancelled, it writes nothing and changes nothing.
    app = e2e.start_app()
    opened = os.path.join(e2e.dir, "opened.kpf")
    write(opened, design_settings_bytes())
    app.type_into("Text4", "9")
    app.menu("openna")
    app.answer_file_dialog(OPEN, e2e.program_path(opened))
    app.wait_for("the fields of opened.kpf", 10, Text4="500")
    os.remove(opened)
    app.menu("Savena")
    app.wait_dialog(SAVE)
    app.answer_message(SAVE, "Escape")
    app.holds("no file after the cancelled save", lambda: file_bytes(opened) is None, 0.5)
    expect_fields(app, 500, 500, 5, 1, 1)


def test_long_fields(e2e):
    # Texts longer than the toolkits' default limit, and longer than what Text6 (8) and Text8 (5)
    # take from the keyboard: the program's own texts are never cut, and are saved back whole.
    app = e2e.start_app()
    long_x = "7" * 40000
    content = settings_bytes([long_x, 500, 1234567890, 1, 12345678])
    long_file = os.path.join(e2e.dir, "long.kpf")
    write(long_file, content)
    app.menu("openna")
    app.answer_file_dialog(OPEN, e2e.program_path(long_file))
    app.poll("the whole X in Text4", lambda: app.text("Text4") == long_x, 10,
             last=lambda: f"Text4 holds {len(app.text('Text4'))} of {len(long_x)} characters")
    app.expect(Text6="1234567890", Text8="12345678")
    saved = os.path.join(e2e.dir, "long-saved.kpf")
    app.menu("Savena")
    app.answer_file_dialog(SAVE, e2e.program_path(saved))
    wait_file(app, saved, content, "the long fields saved back whole")


def expect_failure_message(app, head, path):
    """The message box names the failure and the path exactly once; OK closes it."""
    message = app.wait_dialog(APP)
    whole = "\n".join(message.texts())
    assert head in whole, f"the message is not {head!r}: {message.texts()}"
    assert whole.count(path) == 1, f"the message does not name {path} exactly once: {whole!r}"
    app.answer_message(APP)


@pytest.mark.backends("wine")
def test_settings_errors(e2e):
    app = e2e.start_app()
    app.type_into("Text4", "444")
    # Unreadable: another program holds the file and shares it with nobody.
    locked = os.path.join(e2e.dir, "locked.kpf")
    write(locked, settings_bytes([1, 2, 3, 4, 5]))
    holder = e2e.hold_file(locked, 90000)
    app.menu("openna")
    app.answer_file_dialog(OPEN, e2e.program_path(locked))
    expect_failure_message(app, text("kCannotOpenFileHead"), e2e.program_path(locked))
    expect_fields(app, 444, 500, 5, 1, 1)
    e2e.end(holder)

    # Read-only target: the save is refused and the file stays as it was.
    read_only = os.path.join(e2e.dir, "readonly.kpf")
    kept = settings_bytes([9, 8, 7, 6, 5])
    write(read_only, kept)
    os.chmod(read_only, 0o444)
    app.menu("Savena")
    app.enter_in_file_dialog(SAVE, e2e.program_path(read_only))
    # The dialog asks before it names an existing file; yes.
    app.poll("the question about replacing", lambda: app.count_windows(SAVE) == 2, 10)
    app.keys("y")
    app.wait_dialog_gone(SAVE)
    expect_failure_message(app, text("kCannotSaveFileHead"), e2e.program_path(read_only))
    assert file_bytes(read_only) == kept, f"the read-only file changed: {file_bytes(read_only)!r}"
    expect_fields(app, 444, 500, 5, 1, 1)
    assert app.alive(), "the program ended"


@pytest.mark.backends("wine")
def test_settings_dialogs(e2e):
    app = e2e.start_app()
    folder = os.path.dirname(e2e.backend.config["tapvane"])
    name = f"e2e-dialogs-{os.getpid()}"
    path = os.path.join(folder, name + text("kSettingsExtension"))
    e2e.undo.append(lambda: os.path.exists(path) and os.unlink(path))
    # Save: the title, the filter's description with its blank, a bare name lands in the program
    # folder with the extension added.
    app.menu("Savena")
    dialog = app.wait_dialog(SAVE)
    save_filter = text("kSaveFilter").split("|")[0]
    assert dialog.has_text(save_filter), f"the save dialog does not show {save_filter!r}: {dialog.texts()}"
    app.answer_file_dialog(SAVE, name)
    wait_file(app, path, design_settings_bytes(), "the file saved in the program folder")

    # Save over it: asked first; no keeps the file, yes replaces it.
    app.type_into("Text4", "999")
    app.menu("Savena")
    app.enter_in_file_dialog(SAVE, e2e.program_path(path))
    app.poll("the question about replacing", lambda: app.count_windows(SAVE) == 2, 10)
    app.keys("n")
    app.poll("the question answered", lambda: app.count_windows(SAVE) == 1, 10)
    assert file_bytes(path) == design_settings_bytes(), f"the file changed after no: {file_bytes(path)!r}"
    app.activate(SAVE)
    app.keys("Return")
    app.poll("the question asked again", lambda: app.count_windows(SAVE) == 2, 10)
    app.keys("y")
    app.wait_dialog_gone(SAVE)
    wait_file(app, path, settings_bytes([999, 500, 5, 1, 1]), "the file replaced")

    # Open: the title, the filter's description; a name that does not exist is refused by the
    # dialog and changes nothing.
    app.type_into("Text4", "1")
    app.menu("openna")
    dialog = app.wait_dialog(OPEN)
    open_filter = text("kOpenFilter").split("|")[0]
    assert dialog.has_text(open_filter), f"the open dialog does not show {open_filter!r}: {dialog.texts()}"
    app.enter_in_file_dialog(OPEN, f"no-such-settings-{os.getpid()}")
    # NOTE: Wine's refusal is a message box without a title, above the dialog that stays.
    app.poll("the refusal of a missing file", lambda: app.count_windows(kind="#32770") == 2, 10)
    assert app.count_windows(OPEN) == 1, "the open dialog closed on a missing name"
    app.keys("Return")
    app.poll("the refusal closed", lambda: app.count_windows(kind="#32770") == 1, 10)
    app.answer_message(OPEN, "Escape")
    app.holds("no message after the refused name", lambda: app.dialog(APP) is None, 0.5)
    expect_fields(app, 1, 500, 5, 1, 1)
    # A name without a folder is looked up in the program folder.
    # NOTE: Wine's open dialog does not add the default extension to a name it cannot find
    # (Windows does), so the name is typed whole here; the save above has shown it added.
    app.menu("openna")
    app.answer_file_dialog(OPEN, name + text("kSettingsExtension"))
    app.wait_for("the fields of the file in the program folder", 10, Text4="999")


@pytest.mark.backends("wine")
def test_dialogs_missing(e2e):
    # The file dialogs' library is loaded when File > Open or Save first asks for it, not at
    # start-up. With it missing the program still starts; each command then says that the dialog
    # cannot be shown, and the window, its fields and the read-out go on.
    overrides = e2e.prefix.env()["WINEDLLOVERRIDES"]
    app = e2e.start_app(env={"WINEDLLOVERRIDES": f"{overrides};comdlg32=d"})
    app.type_into("Text4", "321")
    for item in ("openna", "Savena"):
        app.menu(item)
        message = app.wait_dialog(APP)
        assert message.has_text(text("kFileDialogFailedMessage")), \
            f"the message of {item} is {message.texts()}"
        app.answer_message(APP)
        assert app.alive(), f"the program ended after {item}"
    app.expect(Text4="321")
    before = app.text("Text1")
    app.poll("the time read-out to move on", lambda: app.text("Text1") != before, 5)
