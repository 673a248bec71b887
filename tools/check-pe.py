#!/usr/bin/env python3
"""Checks that the product executable is what Windows XP and later load as a GUI program:
PE32 for i386, GUI subsystem version 5.01, importing system DLLs only."""
import struct
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "comctl32.dll", "shell32.dll",
    "ole32.dll", "advapi32.dll", "wininet.dll", "ws2_32.dll", "wsock32.dll", "version.dll",
    "msvcrt.dll", "shlwapi.dll",
}


def fail(message):
    print(f"check-pe: {message}")
    sys.exit(1)


def main(path):
    image = open(path, "rb").read()
    if image[:2] != b"MZ":
        fail("not an MZ executable")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        fail("no PE signature")
    machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", image, pe + 4)
    if machine != 0x14C:
        fail(f"machine 0x{machine:X}, expected i386 (0x14C)")
    opt = pe + 24
    if struct.unpack_from("<H", image, opt)[0] != 0x10B:
        fail("not a PE32 optional header")
    major, minor = struct.unpack_from("<HH", image, opt + 48)
    subsystem = struct.unpack_from("<H", image, opt + 68)[0]
    if subsystem != 2:
        fail(f"subsystem {subsystem}, expected the Windows GUI (2)")
    if (major, minor) != (5, 1):
        fail(f"subsystem version {major}.{minor}, expected 5.01")
    import_rva = struct.unpack_from("<I", image, opt + 96 + 8)[0]

    table = opt + optional_size
    spans = [struct.unpack_from("<IIII", image, table + 40 * i + 8) for i in range(sections)]

    def offset(rva):
        for size, address, _, raw in spans:
            if address <= rva < address + size:
                return raw + rva - address
        fail(f"rva 0x{rva:X} outside every section")

    names = []
    at = offset(import_rva)
    while True:
        entry = struct.unpack_from("<IIIII", image, at)
        if entry == (0, 0, 0, 0, 0):
            break
        start = offset(entry[3])
        names.append(image[start:image.index(b"\0", start)].decode("ascii").lower())
        at += 20
    foreign = [n for n in names if n not in SYSTEM_DLLS]
    if foreign:
        fail(f"imports non-system DLLs: {', '.join(foreign)}")
    print(f"check-pe: PE32 i386 GUI 5.01, imports {', '.join(sorted(names))}")


if __name__ == "__main__":
    main(sys.argv[1])
