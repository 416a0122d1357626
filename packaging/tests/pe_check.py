#!/usr/bin/env python3
"""Checks shipped Windows binaries: pe_check.py MACHINE VERSION_TEXT FILE...
                                 or: pe_check.py --load-rules MACHINE FILE...
                                 or: pe_check.py --imports MACHINE FILE...

MACHINE is x64 or x86. Each FILE must be a PE image of that machine, stripped (no COFF symbols,
no debug sections), and its version block's FileVersion and ProductVersion must read
VERSION_TEXT. Both forms check the load rules: the image imports (directly or delay-loaded) only
the system's known DLLs of known_dlls.txt beside this script, which Windows takes from its own
folder whatever the search order, and comctl32.dll only where the image's manifest binds the
common controls side by side; and its load configuration sets DependentLoadFlags to the system
folder alone (LOAD_LIBRARY_SEARCH_SYSTEM32). --imports checks the imports only (the installer,
whose stub is not ours to link). Prints one line per problem and exits 1 if there was any.
"""
import os
import struct
import sys

MACHINES = {"x64": 0x8664, "x86": 0x14C}
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
KNOWN_DLLS_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "known_dlls.txt")
# Found side by side through the manifest (WinSxS) before the program's folder is searched.
SIDE_BY_SIDE = {"comctl32.dll": b'name="Microsoft.Windows.Common-Controls"'}


def known_dlls() -> set[str]:
    with open(KNOWN_DLLS_FILE, encoding="utf-8") as f:
        return {line.strip().lower() for line in f if line.strip() and not line.startswith("#")}


class Image:
    """The headers of a PE image, enough to follow its data directories."""

    def __init__(self, data: bytes):
        self.data = data
        (pe,) = struct.unpack_from("<I", data, 0x3C)
        (self.machine, count) = struct.unpack_from("<HH", data, pe + 4)
        (optional_size,) = struct.unpack_from("<H", data, pe + 20)
        optional = pe + 24
        self.wide = struct.unpack_from("<H", data, optional)[0] == 0x20B
        self.directories = optional + (112 if self.wide else 96)
        (self.directory_count,) = struct.unpack_from("<I", data, self.directories - 4)
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(count)]

    def directory(self, index: int) -> tuple[int, int]:
        if index >= self.directory_count:
            return 0, 0
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def offset(self, rva: int) -> int | None:
        for size, start, raw_size, raw_at in self.sections:
            if start <= rva < start + min(max(size, 1), raw_size):
                return raw_at + rva - start
        return None

    def text(self, rva: int) -> str:
        at = self.offset(rva)
        if at is None:
            return "?"
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def imported_dlls(self) -> list[str]:
        """The DLLs of the import table and of the delay-load table, lower case."""
        names = []
        # (directory, size of one descriptor, offset of the name's RVA in it)
        for index, size, name_at in ((1, 20, 12), (13, 32, 4)):
            rva, _ = self.directory(index)
            at = self.offset(rva) if rva else None
            while at is not None and any(self.data[at:at + size]):
                (name,) = struct.unpack_from("<I", self.data, at + name_at)
                names.append(self.text(name).lower())
                at += size
        return names

    def dependent_load_flags(self) -> int | None:
        """DependentLoadFlags of the load configuration, or None where the image has none."""
        rva, size = self.directory(10)
        field = 0x4E if self.wide else 0x36
        at = self.offset(rva) if rva else None
        if at is None or size < field + 2 or struct.unpack_from("<I", self.data, at)[0] < field + 2:
            return None
        return struct.unpack_from("<H", self.data, at + field)[0]


def load_rule_problems(path: str, data: bytes, known: set[str], flags_too=True) -> list[str]:
    image = Image(data)
    out = []
    for dll in image.imported_dlls():
        if dll in known:
            continue
        if dll in SIDE_BY_SIDE and SIDE_BY_SIDE[dll] in data:
            continue
        out.append(f"{path}: imports {dll}, which is not one of the system's known DLLs "
                   "(load it at run time by full path)")
    flags = image.dependent_load_flags()
    if flags_too and flags != LOAD_LIBRARY_SEARCH_SYSTEM32:
        shown = "no load configuration" if flags is None else f"DependentLoadFlags {flags:#x}"
        out.append(f"{path}: {shown}, expected DependentLoadFlags "
                   f"{LOAD_LIBRARY_SEARCH_SYSTEM32:#x} (the system folder only)")
    return out


def version_string(data: bytes, name: str) -> str | None:
    key = (name + "\0").encode("utf-16-le")
    at = data.find(key)
    if at < 0:
        return None
    at += len(key)
    while data[at:at + 2] == b"\0\0":  # padding to the value's 32-bit boundary
        at += 2
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le")


def problems(path: str, machine: int, version: str | None, flags_too=True) -> list[str]:
    """What is wrong with the image; version None checks the machine and load rules only."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        return [f"{path}: not a PE image"]
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        return [f"{path}: not a PE image"]
    found, sections = struct.unpack_from("<HH", data, pe + 4)
    symbols_at, symbols = struct.unpack_from("<II", data, pe + 12)
    (optional,) = struct.unpack_from("<H", data, pe + 20)
    out = []
    if found != machine:
        out.append(f"{path}: machine 0x{found:x}, expected 0x{machine:x}")
        return out
    out += load_rule_problems(path, data, known_dlls(), flags_too)
    if version is None:
        return out
    if symbols:
        out.append(f"{path}: not stripped ({symbols} symbols)")
    # Names longer than eight characters (".eh_frame" of i686 images) live in the string table
    # after the symbols, written "/offset" in the section header.
    strings = symbols_at + 18 * symbols
    table = pe + 24 + optional
    for i in range(sections):
        name = data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and symbols_at and name[1:].isdigit():
            start = strings + int(name[1:])
            name = data[start:data.index(b"\0", start)].decode("latin-1")
        if name.startswith(".debug") or name.startswith("/"):
            out.append(f"{path}: debug section {name}")
    for key in ("FileVersion", "ProductVersion"):
        value = version_string(data, key)
        if value != version:
            out.append(f"{path}: {key} is {value!r}, expected {version!r}")
    return out


def main() -> int:
    args = sys.argv[1:]
    load_rules_only = args[:1] in (["--load-rules"], ["--imports"])
    flags_too = args[:1] != ["--imports"]
    if load_rules_only:
        args = args[1:]
    if len(args) < (2 if load_rules_only else 3) or args[0] not in MACHINES:
        print(__doc__, file=sys.stderr)
        return 2
    version = None if load_rules_only else args[1]
    files = args[1:] if load_rules_only else args[2:]
    found = [p for path in files for p in problems(path, MACHINES[args[0]], version, flags_too)]
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
