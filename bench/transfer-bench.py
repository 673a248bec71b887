#!/usr/bin/env python3
"""Throughput and memory of the package transfer against curl: both fetch the same file from
nginx on loopback into a file, three times each per package size, and the medians are printed.

  bench/transfer-bench.py [BUILD_DIR]

BUILD_DIR is the x86_64 build tree (default build/x86_64) with bench/transfer_bench.exe. Run it
where the test services run (tools/test-services start BUILD_DIR: nginx on 127.0.0.1:8080
serving BUILD_DIR/services/nginx-root); the packages are written there.
"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from runs import MEBIBYTE, ROOT, RUNS, median, provide_random_file, run_alternately, \
    run_under_wine  # noqa: E402

SIZES = (16 * MEBIBYTE, 256 * MEBIBYTE)
SERVER = "http://127.0.0.1:8080/bench/"


def package_name(size):
    return f"transfer-{size // MEBIBYTE}M.bin"


def provide_package(folder, size):
    """The package of this size in the server's folder."""
    provide_random_file(os.path.join(folder, package_name(size)), size)


def run_ours(build, size):
    """Seconds, peak working set, peak pagefile usage and reads of one transfer."""
    program = os.path.join(build, "bench", "transfer_bench.exe")
    output = run_under_wine(program, SERVER + package_name(size), str(size))
    seconds, working_set, pagefile, reads = output.split()
    return float(seconds), int(working_set), int(pagefile), int(reads)


def run_curl(build, size):
    """curl's own time from the start of the connection to the last byte written."""
    target = os.path.join(build, "bench", "curl-transfer.bin")
    try:
        output = subprocess.run(["curl", "-s", "-f", "-o", target, "-w", "%{time_total}",
                                 SERVER + package_name(size)],
                                check=True, capture_output=True, text=True).stdout
        if os.path.getsize(target) != size:
            sys.exit(f"curl fetched {os.path.getsize(target)} of {size} bytes")
    finally:
        if os.path.exists(target):
            os.remove(target)
    return float(output)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                            os.path.join(ROOT, "build", "x86_64"))
    folder = os.path.join(build, "services", "nginx-root", "bench")
    print("expected: ratio (ours / curl) at least 0.9; the same peak memory for both sizes")
    print(f"{'package':>8} {'ours MiB/s':>11} {'curl MiB/s':>11} {'ratio':>6} "
          f"{'peak working set':>17} {'peak pagefile':>14} {'reads':>7}")
    for size in SIZES:
        provide_package(folder, size)
        ours, curl = run_alternately(lambda: run_ours(build, size), lambda: run_curl(build, size))
        our_rate = size / MEBIBYTE / median(ours, 0)
        curl_rate = size / MEBIBYTE / median(curl)
        working_set = median(ours, 1) / MEBIBYTE
        pagefile = median(ours, 2) / MEBIBYTE
        reads = median(ours, 3)
        print(f"{size // MEBIBYTE:>4} MiB {our_rate:>11.1f} {curl_rate:>11.1f} "
              f"{our_rate / curl_rate:>6.2f} {working_set:>13.1f} MiB {pagefile:>10.1f} MiB "
              f"{reads:>7.0f}", flush=True)


if __name__ == "__main__":
    main()
