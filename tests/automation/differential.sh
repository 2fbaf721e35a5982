#!/bin/sh
# The same answers from every front end: for every kind, on whole files,
# on files cut inside their last record and on a missing file, the count
# and records 1 to 4, 1000, 0 (a failure) and 2147483647, from
#   the DLL (dll_text.exe, through COM),
#   the Windows build of the tool (nelvo-data.exe show/count under Wine),
#   the native tool (the portable class on Linux; NELVO_REFERENCE_TOOL),
# byte for byte. A missing file is the one deliberate difference: the DLL
# reads it as empty, as its callers rely on, while both tools refuse it as
# a misspelt name ("File not found (error 53)").
#   differential.sh DLL_TEXT.exe NELVO-DATA.exe WORK-DIR
set -eu
dll_text=$1 tool=$2 work=$3
: "${WINEPREFIX:?}"
data="$WINEPREFIX/drive_c/hostile-data"
rm -rf "$work"
mkdir -p "$work/dll"

# KIND FILE RECNO triples, paths relative to the data directory.
set --
for entry in user:personal.13 user:personal.14 jda:jda.dat bda:bda.dat zuschlag:zuschlag.dat \
    sozvers:sozvers.dat urlaub:urlaub.dat kalender:kalender.dat tarif:tarif.dat; do
    kind=${entry%%:*} file=${entry#*:}
    for f in "$file" "cut\\$file"; do
        for n in count 1 2 3 4 1000 0 2147483647; do set -- "$@" "$kind" "$f" "$n"; done
    done
    set -- "$@" "$kind" "missing-$kind.dat" count "$kind" "missing-$kind.dat" 2
done

# The tool's answer as dll_text writes it: the output, or on failure the
# end of its message, "DESCRIPTION (error N)".
failure_of() { tr -d '\r' <"$1" | sed -n 's/^.*: \(.*(error [0-9]*)\)$/\1/p'; }
tool_answer() { # RUNNER KIND FILE RECNO
    runner=$1 kind=$2 file=$3 n=$4
    if [ "$n" = count ]; then set -- count "$kind" "$file"; else set -- show "$kind" "$file" "$n"; fi
    if [ "$runner" = native ]; then
        "$NELVO_REFERENCE_TOOL" "$@" 2>"$work/err" || failure_of "$work/err"
    else
        wine "$tool" "$@" </dev/null 2>"$work/err" || failure_of "$work/err"
    fi
}

(cd "$data" && wine "$dll_text" "$(winepath -w "$work/dll")" "$@" </dev/null)

runners=wine
if [ -n "${NELVO_REFERENCE_TOOL:-}" ]; then
    runners="wine native"
else
    echo "NELVO_REFERENCE_TOOL is not set: the native tool is left out"
fi
cases=0 failures=0 errors=0
i=1
while [ $# -gt 0 ]; do
    kind=$1 file=$2 n=$3
    shift 3
    grep -q '(error [0-9]*)$' "$work/dll/$i.txt" && errors=$((errors + 1))
    for runner in $runners; do
        unix_file=$(printf '%s' "$file" | tr '\\' /)
        [ "$runner" = native ] && f=$unix_file || f=$file
        (cd "$data" && tool_answer "$runner" "$kind" "$f" "$n") >"$work/$i.$runner"
        expected="$work/dll/$i.txt"
        case $file in missing-*)
            echo "File not found (error 53)" >"$work/$i.expected"
            expected="$work/$i.expected"
            ;;
        esac
        if ! cmp -s "$work/$i.$runner" "$expected"; then
            echo "FAILED: $kind $file $n: the $runner tool differs from $expected ($work/$i.$runner)"
            failures=$((failures + 1))
        fi
    done
    cases=$((cases + 1)) i=$((i + 1))
done
echo "$cases cases ($errors failing alike) compared across DLL and tool ($runners): $failures differ"
[ "$failures" -eq 0 ] && [ "$errors" -gt 0 ]
