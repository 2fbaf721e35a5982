#!/usr/bin/python3
# The Python module against the ways around it, as ratios (not gated):
#   P11  to_pandas of 100,000 personnel records (1920 layout) vs
#        pandas.read_csv of the tool's CSV export of the same file
#   P12  to_numpy of every numeric column of 100,000 sozvers records vs
#        numpy.fromfile with the structured dtype and a contiguous copy of
#        each of those fields
#   memory  peak RSS of iter_pandas over 1 GB vs over a file of a few
#        chunks, same kind and chunk size
# The input files are the samples repeated, in a temporary directory.
#   PYTHONPATH=build/native/tools/python bench/python_bench.py build/native/tools/nelvo-data [samples]
import json
import os
import pathlib
import subprocess
import sys
import tempfile
import time

import numpy as np
import pandas as pd

import nelvo_data as nd

tool = sys.argv[1]
samples = pathlib.Path(sys.argv[2] if len(sys.argv) > 2 else "samples")


def best(fn, runs=3):
    times = []
    for _ in range(runs):
        t = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t)
    return min(times)


def repeated(src, records, length, out):
    data = src.read_bytes()
    n = len(data) // length
    out.write_bytes((data * (records // n + 1))[: records * length])
    return out


STRUCT = {"int16": "<i2", "int32": "<i4", "flag": "<i2", "single": "<f4", "currency": "<i8"}

PEAK = r"""
import json, sys
import nelvo_data as nd
for df in nd.open(sys.argv[1], "sozvers").iter_pandas(chunksize=100_000):
    pass
# VmHWM: this process's own peak (ru_maxrss would count the parent's at fork).
print(next(int(l.split()[1]) for l in open("/proc/self/status") if l.startswith("VmHWM:")))
"""

with tempfile.TemporaryDirectory() as tmp:
    tmp = pathlib.Path(tmp)
    results = {}

    # P11
    personnel = repeated(samples / "personal.13", 100_000, 1920, tmp / "personal.13")
    csv = tmp / "personal.csv"
    subprocess.run([tool, "export", "user", str(personnel), "--layout", "1920", "--format", "csv",
                    "--decimal-separator", ".", "-o", str(csv)],
                   check=True)
    ours = best(lambda: nd.open(personnel, "user", layout="1920").to_pandas(currency="float"))
    theirs = best(lambda: pd.read_csv(csv, index_col="record"), runs=2)
    results["P11"] = {"to_pandas_s": ours, "read_csv_s": theirs, "speedup": theirs / ours, "goal": ">= 10"}

    # P12
    sozvers = repeated(samples / "sozvers.dat", 100_000, 624, tmp / "sozvers.dat")
    f = nd.open(sozvers, "sozvers")
    numeric = [c for c in f.fields if c.stored != "text"]
    names = [c.column for c in numeric]
    dtype = np.dtype({"names": names, "formats": [STRUCT[c.stored] for c in numeric],
                      "offsets": [c.offset for c in numeric], "itemsize": f.record_length})
    ours = best(lambda: f.to_numpy(names, currency="scaled"), runs=5)

    def numpy_way():
        a = np.fromfile(sozvers, dtype=dtype)
        return {n: np.ascontiguousarray(a[n]) for n in names}

    theirs = best(numpy_way, runs=5)
    float_money = best(lambda: f.to_numpy(names, currency="float"), runs=5)
    results["P12"] = {"to_numpy_s": ours, "to_numpy_float_money_s": float_money, "fromfile_copy_s": theirs,
                      "ratio": ours / theirs, "goal": "<= 1.5"}

    # memory
    small = tmp / "small.dat"
    large = tmp / "large.dat"
    with open(small, "wb") as out:
        out.truncate(624 * 300_000)
    with open(large, "wb") as out:
        out.truncate(1024**3)

    def peak(path):
        r = subprocess.run([sys.executable, "-c", PEAK, str(path)], capture_output=True, text=True, check=True)
        return int(r.stdout) / 1024

    s, l = peak(small), peak(large)
    results["memory"] = {"few_chunks_mb": s, "one_gb_mb": l, "ratio": l / s, "goal": "<= 1.3"}

print(json.dumps(results, indent=2))
