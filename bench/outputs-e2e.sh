#!/usr/bin/env bash
# The database and workbook outputs end to end, every number a ratio
# against a baseline of the same run, on a personnel file of RECORDS
# (default 100,000) 1920-byte records:
#   1. export --format sqlite into a new database against sqlite3's .import
#      of the tool's own CSV of the file into an empty table (goal: at
#      least 2x faster);
#   2. export --format xlsx against a bare libxlsxwriter program writing the
#      same typed cells in constant-memory mode (goal: at most 1.3x), and
#      against export --format csv for information;
#   3. peak memory (max RSS) of both exports, the whole file against a
#      one-record file (goal: at most 1.5x).
# The files are made under /tmp and deleted afterwards.
#   bash bench/outputs-e2e.sh [BUILD_DIR] [RECORDS]
set -euo pipefail
build=${1:-build/native}
records=${2:-100000}
tool=$build/tools/nelvo-data
make=$build/tools/make-samples
baseline=$build/bench/nelvo_xlsx_baseline
for b in "$tool" "$make" "$baseline"; do [[ -x $b ]] || { echo "missing $b: build the native preset" >&2; exit 2; }; done
command -v sqlite3 >/dev/null || { echo "needs sqlite3" >&2; exit 2; }

# No "." in the directory: the personnel layout rule reads the first one.
dir=$(mktemp -d /tmp/nelvo-outputs-XXXXXX)
trap 'rm -rf "$dir"' EXIT
big=$dir/big.13
one=$dir/one.13
"$make" --kind user --records "$records" "$big"
"$make" --kind user --records 1 "$one"
"$tool" export user "$big" --format csv -o "$dir/big.csv"
echo "== $records personnel records ($(( $(stat -c %s "$big") / 1000000 )) MB; CSV $(( $(stat -c %s "$dir/big.csv") / 1000000 )) MB) in $dir"
echo "load average: $(cut -d" " -f1-3 /proc/loadavg)"

# Each measure and its baseline run in turn, so a change of the machine's
# load between them falls on both: NAME COMMAND pairs, repeated $runs times
# after one warm-up round. Wall and CPU seconds go to $dir/times.
runs=5
in_turn() {
    local round name
    for round in $(seq 0 "$runs"); do
        for ((i = 1; i < $#; i += 2)); do
            name=${!i}
            local next=$((i + 1))
            rm -f "$dir"/t.db "$dir"/i.db
            if ((round == 0)); then
                bash -c "${!next}" >/dev/null 2>&1
            else
                /usr/bin/time -f "$name %e %U %S" -a -o "$dir/times" bash -c "${!next}" >/dev/null 2>&1
            fi
        done
    done
}
in_turn sqlite "$tool export --format sqlite -o $dir/t.db user=$big --no-progress" \
    import "sqlite3 $dir/i.db '.import --csv $dir/big.csv t'"
echo "load average: $(cut -d" " -f1-3 /proc/loadavg)"
runs=3
in_turn xlsx "$tool export --format xlsx -o $dir/t.xlsx user=$big --no-progress" \
    bare "$baseline user $big $dir/b.xlsx" \
    csv "$tool export user $big --format csv -o $dir/t.csv --no-progress"
echo "load average: $(cut -d" " -f1-3 /proc/loadavg)"

rss() {  # max RSS in kB of exporting $2 as $1 into a new file
    rm -f "$dir/m.$1"
    /usr/bin/time -v "$tool" export --format "$1" -o "$dir/m.$1" "user=$2" --no-progress 2>&1 >/dev/null |
        sed -n 's/.*Maximum resident set size (kbytes): //p'
}
rss_sqlite_one=$(rss sqlite "$one")
rss_sqlite_big=$(rss sqlite "$big")
rss_xlsx_one=$(rss xlsx "$one")
rss_xlsx_big=$(rss xlsx "$big")

python3 - "$dir/times" "$rss_sqlite_one" "$rss_sqlite_big" "$rss_xlsx_one" "$rss_xlsx_big" <<'PY'
import statistics, sys
wall, cpu = {}, {}
for line in open(sys.argv[1]):
    name, e, u, s = line.split()
    wall.setdefault(name, []).append(float(e))
    cpu.setdefault(name, []).append(float(u) + float(s))
s1, sb, x1, xb = (int(v) for v in sys.argv[2:6])
def med(n): return statistics.median(wall[n])
print()
print("| Measure | Result | Goal |")
print("|---|---|---|")
print(f"| sqlite3 .import of the CSV / export --format sqlite | {med('import') / med('sqlite'):.2f}x faster "
      f"({med('sqlite'):.2f} s against {med('import'):.2f} s) | >= 2x |")
print(f"| export --format xlsx / bare libxlsxwriter | {med('xlsx') / med('bare'):.2f}x "
      f"({med('xlsx'):.1f} s against {med('bare'):.1f} s) | <= 1.3x |")
print(f"| export --format xlsx / export --format csv | {med('xlsx') / med('csv'):.1f}x "
      f"({med('csv'):.2f} s) | (information) |")
print(f"| peak RSS sqlite, whole file / one record | {sb / s1:.2f}x ({sb} kB / {s1} kB) | <= 1.5x |")
print(f"| peak RSS xlsx, whole file / one record | {xb / x1:.2f}x ({xb} kB / {x1} kB) | <= 1.5x |")
print("(medians of the runs; user + system CPU: " +
      ", ".join(f"{n} {statistics.median(cpu[n]):.2f} s" for n in ("sqlite", "import", "xlsx", "bare", "csv")) + ")")
PY
