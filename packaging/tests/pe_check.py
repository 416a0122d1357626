#!/usr/bin/env python3
"""Checks shipped Windows binaries: pe_check.py MACHINE VERSION_TEXT FILE...

MACHINE is x64 or x86. Each FILE must be a PE image of that machine, stripped (no COFF symbols,
no debug sections), and its version block's FileVersion and ProductVersion must read
VERSION_TEXT. Prints one line per problem and exits 1 if there was any.
"""
import struct
import sys

MACHINES = {"x64": 0x8664, "x86": 0x14C}


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


def problems(path: str, machine: int, version: str) -> list[str]:
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
    if len(sys.argv) < 4 or sys.argv[1] not in MACHINES:
        print(__doc__, file=sys.stderr)
        return 2
    found = [p for path in sys.argv[3:] for p in problems(path, MACHINES[sys.argv[1]], sys.argv[2])]
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
