#!/bin/sh
# nelvo-data.exe on Windows: a path outside the ANSI code page arrives whole
# (wmain), record text goes to a pipe as UTF-8 bytes, the same bytes the
# native tool writes, and to a console through WriteConsoleW, so the console
# shows the same characters (here a terminal that `script` gives Wine).
#   tool_console.sh NELVO-DATA.exe MAKE_TEST_FILES.exe
set -eu
tool=$1 make_files=$2
: "${WINEPREFIX:?}"
root="$WINEPREFIX/drive_c/tool-console"
dir='Łódź Übersicht'
rm -rf "$root"
mkdir -p "$root"
wine "$make_files" 'C:\tool-console' </dev/null >/dev/null
mkdir "$root/$dir"
cp "$root/personal.13" "$root/$dir/personal.13"
winfile="C:\\tool-console\\$dir\\personal.13"
failures=0
check() { # check DESCRIPTION COMMAND...
    if "$@"; then echo "ok: $desc"; else echo "FAILED: $desc"; failures=$((failures + 1)); fi
}

status=0
wine "$tool" show user "$winfile" 1 </dev/null >"$root/pipe.txt" || status=$?
desc="a path outside the ANSI code page"; check test "$status" -eq 0
desc="UTF-8 to a pipe"; check iconv -f UTF-8 -t UTF-8 "$root/pipe.txt" -o /dev/null
desc="umlauts in the record text"; check grep -q 'ö' "$root/pipe.txt"
if [ -n "${NELVO_REFERENCE_TOOL:-}" ]; then
    "$NELVO_REFERENCE_TOOL" show user "$root/$dir/personal.13" 1 >"$root/native.txt"
    desc="the native tool's bytes"; check cmp -s "$root/pipe.txt" "$root/native.txt"
fi

# The console's text without the terminal's control sequences and the CR
# the terminal adds before each LF; a terminal wide enough for every line.
timeout 120 script -qec "stty cols 4000; wine '$tool' show user '$winfile' 1" /dev/null </dev/null \
    >"$root/console.raw" || true
sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$root/console.raw" | tr -d '\r' >"$root/console.txt"
tr -d '\r' <"$root/pipe.txt" >"$root/pipe-lines.txt"
desc="the console shows the same characters"; check cmp -s "$root/pipe-lines.txt" "$root/console.txt"
echo "$failures failed"
exit "$failures"
