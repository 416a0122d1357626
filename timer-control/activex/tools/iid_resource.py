#!/usr/bin/env python3
"""Writes an interface-ID resource: a 32-bit little-endian length (16), then the 16-byte GUID.

    iid_resource.py GUID OUT.bin
"""
import struct
import sys
import uuid

if len(sys.argv) != 3:
    print(__doc__, file=sys.stderr)
    sys.exit(2)
guid = uuid.UUID(sys.argv[1])
with open(sys.argv[2], "wb") as out:
    out.write(struct.pack("<I", 16) + guid.bytes_le)
