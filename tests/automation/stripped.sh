#!/bin/sh
# What ships carries no debug information, and names its separate debug
# file, which holds it.
#   stripped.sh OBJDUMP FILE...
set -eu
objdump=$1
shift
failures=0
for f in "$@"; do
    name=$(basename "$f")
    if "$objdump" -h "$f" | grep -q '\.debug_'; then
        echo "FAILED: $name carries debug information"; failures=$((failures + 1))
    elif ! "$objdump" -h "$f.debug" 2>/dev/null | grep -q '\.debug_info'; then
        echo "FAILED: $name.debug holds no debug information"; failures=$((failures + 1))
    elif ! "$objdump" -s -j .gnu_debuglink "$f" | grep -q "$(printf '%s' "$name.debug" | cut -c1-8)"; then
        echo "FAILED: $name does not name $name.debug"; failures=$((failures + 1))
    else
        echo "ok: $name stripped, debug information in $name.debug"
    fi
done
exit "$failures"
