#!/usr/bin/env python3
"""Ratios of one nelvo_export_bench run: rendering speed in output bytes per
second against memcpy of the same number of bytes, per kind and format.
    build/native/bench/nelvo_export_bench --benchmark_format=json > run.json
    python3 bench/export-ratios.py run.json
"""
import json
import sys

rates = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    what, kind = b["name"].split("/")[:2]
    rates[(what, kind)] = b["bytes_per_second"]

kinds = sorted({k for _, k in rates}, key=lambda k: list(dict.fromkeys(k for _, k in rates)).index(k))
print("| Kind | memcpy | text | text / memcpy | JSON / memcpy | CSV / memcpy |")
print("|---|---|---|---|---|---|")
for k in kinds:
    m = rates[("Memcpy", k)]
    t, j, c = (rates.get((w, k), 0.0) for w in ("RenderText", "RenderJson", "RenderCsv"))
    print(f"| {k} | {m / 1e9:.1f} GB/s | {t / 1e6:.0f} MB/s | 1/{m / t:.1f} | 1/{m / j:.1f} | 1/{m / c:.1f} |")
