#!/bin/sh
# Runs the VBScript and JScript clients against the registered server, under
# the locale in LC_ALL, on data files made for the test. The expected texts
# come from the portable library through nelvo-data: the native tool when
# NELVO_REFERENCE_TOOL names it, else the Windows build under Wine.
#   script_clients.sh MAKE_TEST_FILES.exe NELVO-DATA.exe SOURCE-DIR NAME [ARCH]
# ARCH (x86 or AMD64; default: the prefix's own) is the script host's
# bitness, which each script reports: cscript from system32 under the
# loader NELVO_WINE_HOST, or the 32-bit one from syswow64 for x86 in a
# 64-bit prefix.
set -eu
make_files=$1 tool=$2 src=$3 name=$(basename "$4")
: "${WINEPREFIX:?}" "${WINEARCH:?}"
if [ "$WINEARCH" = win64 ]; then own=AMD64; else own=x86; fi
arch=${5:-$own}
if [ "$arch" = "$own" ]; then
    cscript() { "${NELVO_WINE_HOST:-wine}" 'C:\windows\system32\cscript.exe' "$@"; }
else
    cscript() { wine 'C:\windows\syswow64\cscript.exe' "$@"; }
fi
# Under drive C:, so that no "." of the build tree's path reaches the
# personnel layout rule.
root="$WINEPREFIX/drive_c/$name"
winroot="C:\\$name"
rm -rf "$root"
mkdir -p "$root/expected"

wine "$make_files" "$winroot\\data" </dev/null >/dev/null 2>"$root/make.err"
# The tool and the scripts only read the data: checked at the end.
sh "$src/data_fixture.sh" state "$root/data" >"$root/data.state"

reference() { # reference ARGS... (run in the data directory)
    if [ -n "${NELVO_REFERENCE_TOOL:-}" ]; then
        (cd "$root/data" && "$NELVO_REFERENCE_TOOL" "$@")
    else
        (cd "$root/data" && wine "$tool" "$@" </dev/null 2>/dev/null)
    fi
}
utf16() { printf '\377\376'; iconv -f UTF-8 -t UTF-16LE; }

for entry in user:personal.13 user:personal.14 jda:jda.dat bda:bda.dat zuschlag:zuschlag.dat \
    sozvers:sozvers.dat urlaub:urlaub.dat kalender:kalender.dat tarif:tarif.dat; do
    kind=${entry%%:*} file=${entry#*:}
    count=$(reference count "$kind" "$file" | tr -d '\r\n')
    printf '%s\n' "$count" | utf16 >"$root/expected/$file.count"
    n=1
    while [ "$n" -le $((count + 1)) ]; do
        reference show "$kind" "$file" "$n" | utf16 >"$root/expected/$file.$n.txt"
        n=$((n + 1))
    done
done
reference tarife tarif.dat 2 10 | utf16 >"$root/expected/tarife-2-10.txt"

# The locale reached the reference: German settings write decimal commas.
case "${LC_ALL:-}" in
de_*) iconv -f UTF-16LE -t UTF-8 "$root/expected/sozvers.dat.1.txt" | grep -q '[0-9],[0-9]' ;;
en_*) iconv -f UTF-16LE -t UTF-8 "$root/expected/sozvers.dat.1.txt" | grep -q '[0-9]\.[0-9]' ;;
esac

# Wine's cscript reads scripts in the ANSI code page only.
iconv -f UTF-8 -t CP1252 "$src/client.vbs" >"$root/client.vbs"
iconv -f UTF-8 -t CP1252 "$src/client.js" >"$root/client.js"

# The scripts' strings go straight back to a heap that poisons freed blocks
# and reports a block freed twice (no string cache: OANOCACHE).
export OANOCACHE=1 WINEDEBUG=warn+heap
failures=0
for script in client.vbs client.js; do
    # Console output is in the OEM code page and a script error ends
    # silently with status 0: demand the summary line.
    status=0
    cscript //nologo "$winroot\\$script" "$winroot\\data" "$winroot\\expected" \
        </dev/null >"$root/$script.out" 2>&1 || status=$?
    iconv -f CP850 -t UTF-8 "$root/$script.out" | tr -d '\r' >"$root/$script.txt" || cp "$root/$script.out" "$root/$script.txt"
    sed "s/^/$script: /" "$root/$script.txt"
    if grep -q ':warn:heap:' "$root/$script.txt"; then
        echo "$script: the heap reports a misuse (a block freed twice?)"
        failures=$((failures + 1))
    fi
    if [ "$status" -ne 0 ] || ! grep -q '^[0-9][0-9]* passed, 0 failed$' "$root/$script.txt" ||
        ! grep -qx "process: $arch" "$root/$script.txt"; then
        echo "$script: FAILED (status $status)"
        failures=$((failures + 1))
    fi
done
if ! sh "$src/data_fixture.sh" state "$root/data" | diff "$root/data.state" -; then
    echo "data files changed, or files were created beside them"
    failures=$((failures + 1))
fi
exit "$failures"
