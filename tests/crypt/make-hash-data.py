#!/usr/bin/env python3
"""Writes the files the hashing tests read, and their SHA-1 digests as sha1sum gives them.

    make-hash-data.py FOLDER

FOLDER receives empty.bin, abc.bin, one-mib.bin, two-and-a-half-mib.bin and SHA1SUMS.
"""
import pathlib
import random
import subprocess
import sys

MIB = 1024 * 1024


def main():
    folder = pathlib.Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    # Same bytes on every run, none of them a repeating pattern a block boundary could hide in.
    noise = random.Random(20261210)
    files = {
        "empty.bin": b"",
        "abc.bin": b"abc",
        "one-mib.bin": noise.randbytes(MIB),
        "two-and-a-half-mib.bin": noise.randbytes(5 * MIB // 2),
    }
    for name, data in files.items():
        (folder / name).write_bytes(data)
    sums = subprocess.run(["sha1sum", *files], cwd=folder, check=True, capture_output=True,
                          text=True).stdout
    (folder / "SHA1SUMS").write_text(sums)


if __name__ == "__main__":
    main()
