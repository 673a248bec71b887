"""What the benchmark scripts share: the files they measure on, the programs they run under
Wine, their alternating runs and the medians of those."""

import os
import statistics
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MEBIBYTE = 1 << 20
# Runs of each side per figure; the median of three is not moved by one disturbed run.
RUNS = 3


def provide_random_file(path, size):
    """Random bytes, so that nothing on the way can shorten them; written once per size."""
    if os.path.isfile(path) and os.path.getsize(path) == size:
        return
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path + ".new", "wb") as data:
        for _ in range(size // MEBIBYTE):
            data.write(os.urandom(MEBIBYTE))
    os.replace(path + ".new", path)


def run_under_wine(program, *arguments):
    """The standard output of one run of the Windows program."""
    return subprocess.run([os.path.join(ROOT, "tools", "wine-run"), program, *arguments],
                          check=True, capture_output=True, text=True).stdout


def run_alternately(*measurements):
    """RUNS results of each measurement, taken in turns, so that a change of the machine's load
    falls on both sides alike."""
    results = [[] for _ in measurements]
    for _ in range(RUNS):
        for measure, taken in zip(measurements, results):
            taken.append(measure())
    return results


def median(runs, column=None):
    """The median of the runs, or of one column of runs that give several figures."""
    return statistics.median(runs if column is None else (run[column] for run in runs))
