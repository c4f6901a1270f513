#!/usr/bin/env python3
"""Prints the target path a Windows shortcut (.lnk) names.

Usage: scripts/lnk-target.py FILE.lnk
Reads the LinkInfo structure of the shell link format (the local base path
and common path suffix, Unicode when present, else ANSI). Exits 1 when the
file is not a shell link or names no local path.
"""

import struct
import sys

HAS_ID_LIST = 0x01
HAS_LINK_INFO = 0x02
VOLUME_ID_AND_LOCAL_BASE_PATH = 0x01


def ansi_at(data, offset):
    end = data.index(b"\0", offset)
    return data[offset:end].decode("cp1252", "replace")


def unicode_at(data, offset):
    end = offset
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[offset:end].decode("utf-16-le", "replace")


def target(data):
    if len(data) < 76 or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise ValueError("not a shell link")
    flags = struct.unpack_from("<I", data, 20)[0]
    at = 76
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if not flags & HAS_LINK_INFO:
        raise ValueError("the link holds no LinkInfo")
    info = data[at:at + struct.unpack_from("<I", data, at)[0]]
    header_size, info_flags, _volume, base, _network, suffix = struct.unpack_from("<6I", info, 4)
    if not info_flags & VOLUME_ID_AND_LOCAL_BASE_PATH:
        raise ValueError("the link names no local path")
    if header_size >= 0x24:
        base_u, suffix_u = struct.unpack_from("<2I", info, 28)
        if base_u:
            return unicode_at(info, base_u) + (unicode_at(info, suffix_u) if suffix_u else "")
    return ansi_at(info, base) + ansi_at(info, suffix)


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        with open(sys.argv[1], "rb") as link:
            print(target(link.read()))
    except (OSError, ValueError, struct.error, IndexError) as error:
        print(f"{sys.argv[1]}: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
