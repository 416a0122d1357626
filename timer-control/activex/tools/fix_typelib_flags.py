#!/usr/bin/env python3
"""Sets the type flags of chosen type descriptions in a compiled (MSFT format) type library.

widl cannot express every flag the control's library needs (it refuses nonextensible on a
dispinterface), so the build compiles the IDL and then writes the exact flags here:

    fix_typelib_flags.py IN.tlb OUT.tlb [lcid=LCID] GUID=FLAGS [GUID=FLAGS ...]
    fix_typelib_flags.py --dump IN.tlb

lcid= sets the library's registration locale (the first header locale, which TLIBATTR reports
and RegisterTypeLib registers under) and keeps the second, the locale of the library's names.
Every GUID given must name a type description of the library, or nothing is written.
"""
import struct
import sys
import uuid

HEADER_SIZE = 0x54
HEADER_LCID = 0x0C
HELPDLL_FLAG = 0x100
SEGMENT_COUNT = 15
SEG_TYPEINFO, SEG_GUID = 0, 5
TYPEINFO_FLAGS = 0x30
TYPEINFO_POSGUID = 0x2C


def parse(data):
    if data[:4] != b"MSFT":
        raise ValueError("not an MSFT type library")
    varflags, = struct.unpack_from("<i", data, 0x14)
    count, = struct.unpack_from("<i", data, 0x20)
    pos = HEADER_SIZE + (4 if varflags & HELPDLL_FLAG else 0)
    offsets = struct.unpack_from("<%di" % count, data, pos)
    pos += 4 * count
    segments = [struct.unpack_from("<4i", data, pos + 16 * i) for i in range(SEGMENT_COUNT)]
    typeinfo_base = segments[SEG_TYPEINFO][0]
    guid_base = segments[SEG_GUID][0]
    entries = []
    for offset in offsets:
        at = typeinfo_base + offset
        kind, = struct.unpack_from("<i", data, at)
        posguid, flags = struct.unpack_from("<ii", data, at + TYPEINFO_POSGUID)
        guid = uuid.UUID(bytes_le=bytes(data[guid_base + posguid:guid_base + posguid + 16]))
        entries.append((guid, kind & 0xF, flags, at + TYPEINFO_FLAGS))
    return entries


def main(argv):
    if len(argv) == 3 and argv[1] == "--dump":
        print("lcid=0x%X names lcid=0x%X" % struct.unpack_from("<ii", open(argv[2], "rb").read(), HEADER_LCID))
        for guid, kind, flags, _ in parse(open(argv[2], "rb").read()):
            print("%s kind=%d flags=0x%X" % (str(guid).upper(), kind, flags))
        return 0
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    data = bytearray(open(argv[1], "rb").read())
    wanted = {}
    for item in argv[3:]:
        guid, flags = item.split("=")
        if guid == "lcid":
            struct.pack_into("<i", data, HEADER_LCID, int(flags, 0))
            continue
        wanted[uuid.UUID(guid)] = int(flags, 0)
    found = set()
    for guid, _, _, flags_at in parse(data):
        if guid in wanted:
            struct.pack_into("<i", data, flags_at, wanted[guid])
            found.add(guid)
    missing = set(wanted) - found
    if missing:
        print("no type description with GUID %s" % ", ".join(map(str, missing)), file=sys.stderr)
        return 1
    open(argv[2], "wb").write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
