#!/usr/bin/env python3
"""Checks that the product executable is what Windows XP and later load as a GUI program:
PE32 for i386, GUI subsystem version 5.01, importing only DLLs that the loader cannot take from
the program's own folder, and the common-controls registration that Windows XP needs for the
dialog."""
import struct
import sys

# The program runs from the user's Downloads folder, where any web page can leave a file, and the
# loader looks in the program's folder first for every imported DLL that it does not already
# know. So the import table may name only DLLs that Windows XP SP3 and Windows 7 SP1 both take
# from the system folder whatever lies beside the program. Every other DLL is loaded at run time
# by its full path in the system folder (the ICMP functions, Windows Sockets, the version
# functions, the known-folder query).
IMPORTABLE_DLLS = {
    # Listed under KnownDLLs on both systems: mapped from the system folder at boot, never
    # searched for.
    "kernel32.dll": "KnownDLL on XP SP3 and 7 SP1 (the program's own code and the C runtime)",
    "user32.dll": "KnownDLL on XP SP3 and 7 SP1 (the dialog, message boxes, the CBT hook)",
    "gdi32.dll": "KnownDLL on XP SP3 and 7 SP1 (the dialog's fonts)",
    "advapi32.dll": "KnownDLL on XP SP3 and 7 SP1 (CryptoAPI, the key container's ACL)",
    "comdlg32.dll": "KnownDLL on XP SP3 and 7 SP1 (the Save dialog)",
    "shell32.dll": "KnownDLL on XP SP3 and 7 SP1 (folders, opening the package and the page)",
    "ole32.dll": "KnownDLL on XP SP3 and 7 SP1 (CoTaskMemFree)",
    "wininet.dll": "KnownDLL on XP SP3 and 7 SP1 (the HTTP transfer)",
    # The C runtime of the MinGW-w64 start-up code and of printf-style formatting. Its start-up code
# (kernel32's LoadLibraryA) loads nothing new: it asks for libgcc_s_dw2-1.dll only when that is
# already loaded, to hold it.
    "msvcrt.dll": "KnownDLL on 7 SP1; on XP SP3 not listed but imported by the listed comdlg32, "
                  "ole32 and shell32, so the session manager maps it as a known DLL with them",
    # Not a KnownDLL, but the embedded manifest binds the name to the Common Controls 6 assembly,
    # which the loader takes from the system's assembly store; an application with a manifest
    # also ignores .local redirection. MANIFEST_MARKS below checks that the manifest is there.
    "comctl32.dll": "side-by-side Common Controls 6 through the embedded manifest "
                    "(InitCommonControlsEx)",
}

MANIFEST_MARKS = (b'name="Microsoft.Windows.Common-Controls"', b'version="6.0.0.0"')

# Imports the program cannot do without, by DLL.
REQUIRED_IMPORTS = {"comctl32.dll": "InitCommonControlsEx"}


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

    def text(rva):
        start = offset(rva)
        return image[start:image.index(b"\0", start)].decode("ascii")

    imports = {}
    at = offset(import_rva)
    while True:
        entry = struct.unpack_from("<IIIII", image, at)
        if entry == (0, 0, 0, 0, 0):
            break
        functions = []
        thunk = offset(entry[0] or entry[4])
        while True:
            value = struct.unpack_from("<I", image, thunk)[0]
            if value == 0:
                break
            if not value & 0x80000000:
                functions.append(text(value + 2))
            thunk += 4
        imports[text(entry[3]).lower()] = functions
        at += 20
    foreign = [n for n in imports if n not in IMPORTABLE_DLLS]
    if foreign:
        fail(f"imports DLLs that Windows may take from the program's folder: "
             f"{', '.join(foreign)}")
    for dll, function in REQUIRED_IMPORTS.items():
        if function not in imports.get(dll, []):
            fail(f"does not import {function} from {dll}")
    if "comctl32.dll" in imports and not all(mark in image for mark in MANIFEST_MARKS):
        fail("imports comctl32.dll without a manifest that binds it to Common Controls 6")
    print(f"check-pe: PE32 i386 GUI 5.01, imports {', '.join(sorted(imports))}")


if __name__ == "__main__":
    main(sys.argv[1])
