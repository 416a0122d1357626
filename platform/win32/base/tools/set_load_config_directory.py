#!/usr/bin/env python3
"""Points a linked PE image's load-configuration directory at its _load_config_used:
set_load_config_directory.py NM IMAGE

NOTE: GNU ld of binutils 2.40 (Debian 12's MinGW-w64) links the structure but leaves the data
directory empty, so Windows would never read it. NM is the toolchain's nm, which gives the
structure's address; the directory's size is the structure's own first field. An image whose
directory already points there is left as it is; the check sum, where the image has one, is
computed again. Exits 1, naming the reason, when the image has no such structure or its directory
points elsewhere.
"""
import struct
import subprocess
import sys

LOAD_CONFIG = 10  # IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG


def symbol_address(nm: str, image: str) -> int | None:
    listing = subprocess.run([nm, image], check=True, capture_output=True, text=True).stdout
    for line in listing.splitlines():
        fields = line.split()
        # i386 symbols carry a leading underscore of their own.
        if len(fields) == 3 and fields[2] in ("_load_config_used", "__load_config_used"):
            return int(fields[0], 16)
    return None


def check_sum(data: bytes, sum_at: int) -> int:
    total = 0
    padded = data + b"\0" * (len(data) % 2)
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    # The check-sum field itself counts as zero.
    for (word,) in struct.iter_unpack("<H", data[sum_at:sum_at + 4]):
        total -= word
        if total < 0:
            total += 0xFFFF
    total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(data)


def main() -> int:
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    nm, image = sys.argv[1:]
    with open(image, "rb") as f:
        data = bytearray(f.read())
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        print(f"{image}: not a PE image", file=sys.stderr)
        return 1
    (sections, ) = struct.unpack_from("<H", data, pe + 6)
    (optional_size, ) = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    (magic, ) = struct.unpack_from("<H", data, optional)
    wide = magic == 0x20B
    image_base = struct.unpack_from("<Q" if wide else "<I", data, optional + (24 if wide else 28))[0]
    directories = optional + (112 if wide else 96)
    (directory_count, ) = struct.unpack_from("<I", data, directories - 4)
    if directory_count <= LOAD_CONFIG:
        print(f"{image}: no room for a load-configuration directory", file=sys.stderr)
        return 1

    address = symbol_address(nm, image)
    if address is None:
        print(f"{image}: no _load_config_used (symbols stripped, or not linked in)", file=sys.stderr)
        return 1
    rva = address - image_base
    offset = None
    table = optional + optional_size
    for i in range(sections):
        size, start, raw_size, raw_at = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        if start <= rva and rva + 4 <= start + min(size, raw_size):
            offset = raw_at + rva - start
    if offset is None:
        print(f"{image}: _load_config_used lies in no section's file data", file=sys.stderr)
        return 1
    (size, ) = struct.unpack_from("<I", data, offset)

    entry = directories + 8 * LOAD_CONFIG
    present = struct.unpack_from("<II", data, entry)
    if present == (rva, size):
        return 0
    if present != (0, 0):
        print(f"{image}: the load-configuration directory points at {present[0]:#x}, not at "
              f"_load_config_used ({rva:#x})", file=sys.stderr)
        return 1
    struct.pack_into("<II", data, entry, rva, size)
    sum_at = optional + 64
    if struct.unpack_from("<I", data, sum_at)[0] != 0:
        struct.pack_into("<I", data, sum_at, check_sum(bytes(data), sum_at))
    with open(image, "r+b") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
