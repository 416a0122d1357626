"""What the tests expect of tapvane, read from the program's own sources: every text of
autoclick/core/include/autoclick/texts.h and the design of frmMousePos (the window's place and
size, and each control's kind, place, size and start text) from frm_mouse_pos_design.cpp."""
import dataclasses
import functools
import os
import re

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
TEXTS_H = os.path.join(SOURCE_DIR, "autoclick", "core", "include", "autoclick", "texts.h")
DESIGN_CPP = os.path.join(SOURCE_DIR, "autoclick", "core", "src", "frm_mouse_pos_design.cpp")
TWIPS_PER_INCH = 1440

_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"'}


def _unescape_c(literal):
    return re.sub(r"\\(.)", lambda m: _ESCAPES[m.group(1)], literal)


def _c_string(expression):
    """The value of adjacent C string literals ("a" "b")."""
    return "".join(_unescape_c(part) for part in re.findall(r'"((?:[^"\\]|\\.)*)"', expression))


@functools.lru_cache(maxsize=None)
def texts():
    """The texts as {"kStartCaption": "Start", ...}."""
    with open(TEXTS_H, encoding="utf-8") as source:
        code = re.sub(r"//[^\n]*", "", source.read())
    found = {}
    for name, value in re.findall(r"constexpr std::string_view (k\w+)\s*=\s*([^;]*);", code):
        if '"' in value:
            found[name] = _c_string(value)
    return found


def text(name):
    return texts()[name]


@dataclasses.dataclass(frozen=True)
class ControlDesign:
    name: str
    kind: str  # TextBox, OptionButton, CommandButton, Label
    left: int  # twips, from the client area's top left
    top: int
    width: int
    height: int
    text: str
    visible: bool
    enabled: bool
    max_length: int

    def pixels(self, dpi=96):
        """(x, y, width, height) at DPI, as the window lays the control out."""
        return tuple(v * dpi // TWIPS_PER_INCH for v in (self.left, self.top, self.width,
                                                          self.height))


@dataclasses.dataclass(frozen=True)
class FormDesign:
    left: int
    top: int
    client_width: int
    client_height: int
    controls: tuple  # front to back, as the window numbers them
    tab_order: tuple
    initial_focus: str

    def control(self, name):
        for control in self.controls:
            if control.name == name:
                return control
        raise KeyError(name)

    def name_of_index(self, index):
        return self.controls[index].name if 0 <= index < len(self.controls) else None


def _field(block, name, default=None):
    match = re.search(r"\." + name + r"\s*=\s*([^,}]+(?:\([^)]*\))?)", block)
    return match.group(1).strip() if match else default


def _text_value(expression):
    if expression is None:
        return ""
    match = re.fullmatch(r"Text\(texts::(k\w+)\)", expression)
    if match:
        return text(match.group(1))
    return _c_string(expression)


@functools.lru_cache(maxsize=None)
def design():
    with open(DESIGN_CPP, encoding="utf-8") as source:
        code = re.sub(r"//[^\n]*", "", source.read())
    controls_code = code[code.index("std::vector<ControlDesign> Controls()"):]
    controls_code = controls_code[:controls_code.index("platform::FormDesign FrmMousePosDesign")]
    controls = []
    for block in re.findall(r"\{(\.name = \"\w+\",.*?)\}(?=,\s*(?:\{|\}))", controls_code, re.S):
        kind = _field(block, "kind")
        kind = kind.rsplit("::", 1)[-1] if kind else "kLabel"
        kind = {"kTextBox": "TextBox", "kOptionButton": "OptionButton", "kLabel": "Label",
                "kCommandButton": "CommandButton"}[kind]
        controls.append(ControlDesign(
            name=_c_string(_field(block, "name")), kind=kind,
            left=int(_field(block, "left")), top=int(_field(block, "top")),
            width=int(_field(block, "width")), height=int(_field(block, "height")),
            text=_text_value(_field(block, "text")),
            visible=_field(block, "visible", "true") == "true",
            enabled=_field(block, "enabled", "true") == "true",
            max_length=int(_field(block, "max_length", "0"))))
    form_code = code[code.index("platform::FormDesign FrmMousePosDesign"):]
    tab_order = re.search(r"\.tab_order\s*=\s*\{([^}]*)\}", form_code).group(1)
    return FormDesign(
        left=int(_field(form_code, "left")), top=int(_field(form_code, "top")),
        client_width=int(_field(form_code, "client_width")),
        client_height=int(_field(form_code, "client_height")),
        controls=tuple(controls),
        tab_order=tuple(re.findall(r'"(\w+)"', tab_order)),
        initial_focus=_c_string(_field(form_code, "initial_focus")))


# The five fields a settings file holds, in its order.
SETTINGS_FIELDS = ("Text4", "Text5", "Text6", "Text7", "Text8")


def settings_bytes(values):
    """A settings file of the five values as the program writes it: each line ended by CR LF."""
    return b"".join(str(v).encode("ascii") + b"\r\n" for v in values)


def design_settings_bytes():
    """The file the design values make (19 bytes)."""
    return settings_bytes(design().control(name).text for name in SETTINGS_FIELDS)


def readout(x, y):
    return f"{text('kReadoutX')}{x}{text('kReadoutY')}{y}"


def run_caption(head, count):
    """A caption of a run: the head, two blanks, the count, two blanks and the tail."""
    return f"{text(head)}  {count}  {text('kCaptionTail')}"


@functools.lru_cache(maxsize=None)
def outer_size_twips():
    """(width, height) of the window's outer rectangle, which the program keeps (frm_mouse_pos.h)."""
    path = os.path.join(SOURCE_DIR, "autoclick", "core", "include", "autoclick", "frm_mouse_pos.h")
    with open(path, encoding="utf-8") as source:
        code = source.read()
    value = lambda name: int(re.search(name + r"\s*=\s*(\d+)", code).group(1))  # noqa: E731
    return value("kOuterWidthTwips"), value("kOuterHeightTwips")


@dataclasses.dataclass(frozen=True)
class Menu:
    name: str
    caption: str
    items: tuple  # ((name, caption), ...), top to bottom


@functools.lru_cache(maxsize=None)
def menus():
    """The menu bar, left to right."""
    with open(DESIGN_CPP, encoding="utf-8") as source:
        code = re.sub(r"//[^\n]*", "", source.read())
    code = code[code.index(".menus ="):]
    found = []
    pattern = (r"\.name = \"(\w+)\",\s*\.caption = (Text\(texts::k\w+\)),\s*"
               r"\.items = \{(.*?)\}\}")
    for name, caption, items in re.findall(pattern, code, re.S):
        found.append(Menu(name, _text_value(caption), tuple(
            (item, _text_value(item_caption)) for item, item_caption in
            re.findall(r"\.name = \"(\w+)\", \.caption = (Text\(texts::k\w+\))", items))))
    return tuple(found)


def menu_of_item(item):
    """(menu, index of the item in it) of a menu item's design name."""
    for menu in menus():
        for index, (name, _) in enumerate(menu.items):
            if name == item:
                return menu, index
    raise KeyError(item)


@functools.lru_cache(maxsize=None)
def manual_missing_head():
    """The head of the message that the manual is missing, as the Windows runtime words it."""
    path = os.path.join(SOURCE_DIR, "platform", "win32", "form", "src", "program_services.cpp")
    with open(path, encoding="utf-8") as source:
        code = source.read()
    # The message for a manual that is not there: the one followed by the path and a reason.
    return _c_string(re.search(r'ShowMessage\(("[^"]*") \+ Narrow\(help_file_\) \+ ": "',
                               code).group(1))
