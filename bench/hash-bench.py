#!/usr/bin/env python3
"""Speed of the verification hash against sha1sum: HashFile with an observer that never pauses
and sha1sum both hash the same 256 MiB file, three times each, and the medians are printed.

  bench/hash-bench.py [BUILD_DIR]

BUILD_DIR is the x86_64 build tree (default build/x86_64) with bench/hash_bench.exe; the file
is written there once.
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from runs import MEBIBYTE, ROOT, RUNS, median, provide_random_file, run_alternately, \
    run_under_wine  # noqa: E402

SIZE = 256 * MEBIBYTE


def provide_file(path):
    """Random bytes, written once."""
    provide_random_file(path, SIZE)


def run_ours(build, path):
    """Seconds of HashFile, its notifications and the digest."""
    program = os.path.join(build, "bench", "hash_bench.exe")
    output = run_under_wine(program, "Z:" + path.replace("/", "\\"))
    seconds, notifications, digest = output.split()
    return float(seconds), int(notifications), digest


def run_sha1sum(path):
    """Seconds of the whole sha1sum process and its digest."""
    start = time.perf_counter()
    output = subprocess.run(["sha1sum", path], check=True, capture_output=True,
                            text=True).stdout
    return time.perf_counter() - start, output.split()[0]


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                            os.path.join(ROOT, "build", "x86_64"))
    path = os.path.join(build, "bench", "hash-256M.bin")
    provide_file(path)
    ours, theirs = run_alternately(lambda: run_ours(build, path), lambda: run_sha1sum(path))
    digests = {run[2] for run in ours} | {run[1] for run in theirs}
    if len(digests) != 1:
        sys.exit(f"the digests differ: {sorted(digests)}")
    our_seconds = median(ours, 0)
    their_seconds = median(theirs, 0)
    blocks = SIZE // MEBIBYTE
    print(f"file: {SIZE // MEBIBYTE} MiB, {blocks} blocks, "
          f"{ours[0][1]} notifications per run, digest {digests.pop()}")
    print(f"{'':>10} {'median s':>9} {'MiB/s':>8}   runs")
    for name, seconds, runs in (("HashFile", our_seconds, [run[0] for run in ours]),
                                ("sha1sum", their_seconds, [run[0] for run in theirs])):
        print(f"{name:>10} {seconds:>9.3f} {SIZE / MEBIBYTE / seconds:>8.1f}   "
              + " ".join(f"{run:.3f}" for run in runs))
    print(f"ratio (HashFile time / sha1sum time): {our_seconds / their_seconds:.2f}")
    print(f"with the observer's 40 ms pause per block the same file takes at least "
          f"{blocks * 0.040:.2f} s (25 blocks per second)")


if __name__ == "__main__":
    main()
