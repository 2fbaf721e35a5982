# iter_pandas over a sparse file of gigabytes holds one chunk at a time:
# its peak memory is that of a file of a few chunks, not of the file.
import json
import os
import subprocess
import sys

import nelvo_data as nd

PEAK = r"""
import json, sys
import nelvo_data as nd
f = nd.open(sys.argv[1], "tarif")
records = 0
for df in f.iter_pandas(chunksize=100_000):
    records += len(df)
    assert df.index[0] == records - len(df) + 1
# VmHWM: this process's own peak (ru_maxrss would count the parent's at fork).
peak = next(int(l.split()[1]) for l in open("/proc/self/status") if l.startswith("VmHWM:"))
print(json.dumps({"records": records, "peak_kb": peak}))
"""


def peak(path):
    out = subprocess.run([sys.executable, "-c", PEAK, str(path)], capture_output=True, text=True, check=True)
    return json.loads(out.stdout)


def test_iter_pandas_over_gigabytes_in_bounded_memory(tmp_path):
    small = tmp_path / "small.dat"
    large = tmp_path / "large.dat"
    with open(small, "wb") as f:
        f.truncate(108 * 300_000)
    with open(large, "wb") as f:
        f.truncate(2 * 1024**3)  # sparse: no disk, no memory
    s, l = peak(small), peak(large)
    assert s["records"] == 300_000
    assert l["records"] == len(nd.open(large, "tarif")) == round(2 * 1024**3 / 108)
    assert l["peak_kb"] <= 1.3 * s["peak_kb"], (s, l)
