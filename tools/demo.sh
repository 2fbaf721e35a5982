#!/usr/bin/env bash
# Shows the tool on the committed sample files (synthetic data, made by
# tools/make-samples): each kind's layout size, its count, the first lines
# of its record text and its first record as JSON; everything exported to
# OUTPUT-DIR (build/demo) in text, JSON and CSV, and all files together into
# an SQLite database (with a query joining them) and an Excel workbook; last
# a short pandas session with the Python module (NELVO_PYTHON_PATH: where
# nelvo_data is, when it is not installed).
#   tools/demo.sh [NELVO-DATA] [SAMPLES-DIR] [OUTPUT-DIR]
set -euo pipefail
tool=${1:-nelvo-data}
samples=${2:-samples}
out=${3:-build/demo}
mkdir -p "$out"

# kind and file; the personnel file's extension 13 selects the 1920-byte layout.
files=(
    "user personal.13" "user personal.dat" "bda bda.dat" "jda jda.dat" "zuschlag zuschlag.dat"
    "sozvers sozvers.dat" "urlaub urlaub.dat" "kalender kalender.dat" "tarif tarif.dat"
)
for entry in "${files[@]}"; do
    read -r kind file <<<"$entry"
    # Relative paths without "./": the layout rule reads the first "." of the path.
    path="$samples/$file"
    name=${file//./-}
    echo "== $kind $path: $("$tool" count "$kind" "$path") records"
    "$tool" export "$kind" "$path" -o "$out/$name.txt"
    "$tool" export "$kind" "$path" -o "$out/$name.json" --format json
    "$tool" export "$kind" "$path" -o "$out/$name.csv" --format csv
    echo "-- record text (first 3 lines of $(wc -l <"$out/$name.txt")):"
    head -n 3 "$out/$name.txt" | cut -c1-160
    echo "-- JSON (first record, first 300 characters):"
    "$tool" export "$kind" "$path" --format jsonl --to 1 | cut -c1-300
    echo
done
# All nine files in one database and one workbook: typed values, a table
# (a sheet) per layout, records of one person joined by record number.
inputs=()
for entry in "${files[@]}"; do
    read -r kind file <<<"$entry"
    inputs+=("$kind=$samples/$file")
done
"$tool" export --format sqlite -o "$out/samples.db" "${inputs[@]}"
"$tool" export --format xlsx -o "$out/samples.xlsx" "${inputs[@]}"
echo "== $out/samples.db: personnel records with their leave sheets, by record number"
sqlite3 -header -column "$out/samples.db" "
    SELECT p.record, p.ztext0 AS name, p.ZPersNr AS personnel_no,
           u.dimanspruchnormal AS leave_days, u.dimvorjahr AS carried_over, u.dimgeburtstag AS born
    FROM personnel_1920 p JOIN urlaub u ON u.record = p.record
    WHERE p.file = (SELECT id FROM files WHERE path = '$samples/personal.13')
      AND u.file = (SELECT id FROM files WHERE path = '$samples/urlaub.dat')
    ORDER BY p.record LIMIT 5"
echo "-- amounts are numbers: the sum of the social insurance amounts HE per file"
sqlite3 -header -column "$out/samples.db" "
    SELECT f.path, count(*) AS records, sum(s.HE) AS sum_HE, typeof(sum(s.HE)) AS type
    FROM sozvers s JOIN files f ON f.id = s.file GROUP BY f.path"
echo

echo "== tarife $samples/tarif.dat 1 3"
"$tool" tarife "$samples/tarif.dat" 1 3
echo "== check sozvers $samples/sozvers.dat"
"$tool" check sozvers "$samples/sozvers.dat"
echo
echo "Exports of every sample in text, JSON and CSV, and all of them in samples.db and samples.xlsx: $out"
ls "$out"

# The same join in pandas, typed values straight from the files: Debian's
# python3, with the module from the build or installed.
echo
echo "== Python: personnel records with their leave sheets in pandas"
PYTHONPATH=${NELVO_PYTHON_PATH:+$NELVO_PYTHON_PATH:}${PYTHONPATH:-} /usr/bin/python3 - "$samples" <<'PY'
import sys
import nelvo_data as nd

samples = sys.argv[1]
people = nd.read(f"{samples}/personal.13", "user", columns=["ztext0", "ZPersNr"], layout="1920")
leave = nd.read(f"{samples}/urlaub.dat", "urlaub", columns=["dimanspruchnormal", "dimvorjahr", "dimgeburtstag"])
joined = people.join(leave, how="inner").rename(columns={"ztext0": "name", "ZPersNr": "personnel_no"})
print(joined.head().to_string())
print(joined.dtypes.to_string())
social = nd.read(f"{samples}/sozvers.dat", "sozvers", columns=["HE"], currency="decimal")
print("sum of HE, exact:", social["HE"].sum())
PY
