#!/usr/bin/env bash
# Shows the tool on a small tariff file made on the spot.
set -euo pipefail
tool=${1:-nelvo-data}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# Three tariff records of 27 little-endian 32-bit integers each.
python3 - "$dir/tarif.dat" <<'PY'
import struct, sys
with open(sys.argv[1], "wb") as f:
    for r in range(1, 4):
        f.write(struct.pack("<27i", *[r * 100 + k for k in range(27)]))
PY
echo "== nelvo-data count tarif tarif.dat"
"$tool" count tarif "$dir/tarif.dat"
echo "== nelvo-data tarife tarif.dat 1 10"
"$tool" tarife "$dir/tarif.dat" 1 10
echo "== nelvo-data tarifsatz tarif.dat 2"
"$tool" tarifsatz "$dir/tarif.dat" 2
echo
