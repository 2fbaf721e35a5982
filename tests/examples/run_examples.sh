#!/bin/sh
# Runs the caller's guide's runnable examples (examples/vbscript, jscript and
# cpp) under Wine on the sample files, with every host given, and compares
# what they write with nelvo-data's output for the same files under the
# locale in LC_ALL: the native tool when NELVO_REFERENCE_TOOL names it, else
# the Windows build under Wine. The server must be registered for each host.
#   run_examples.sh SOURCE-DIR NELVO-DATA.exe NAME HOST...
# HOST is ARCH|LOADER|CSCRIPT|RECORDS.exe: the processor architecture the
# host must report (x86 or AMD64), the Wine loader for programs of that
# bitness, that bitness's cscript.exe as Windows names it, and the C++
# example built for it. NELVO_EXAMPLES names another copy of examples/ to
# run (the Windows archive's).
set -eu
src=$1 tool=$2 name=$3
examples=${NELVO_EXAMPLES:-$src/examples}
shift 3
: "${WINEPREFIX:?}"
# Under drive C:, so that no "." of the build tree's path reaches the
# personnel layout rule.
root="$WINEPREFIX/drive_c/$name"
win="C:\\$name"
rm -rf "$root"
mkdir -p "$root/data" "$root/expected" "$root/out"
cp "$src"/samples/* "$root/data/"
# As they are: the scripts are kept in Windows-1252, the code page cscript reads.
cp "$examples"/vbscript/*.vbs "$examples"/jscript/*.js "$src/tests/examples/bitness.js" "$root/"
sh "$src/tests/automation/data_fixture.sh" state "$root/data" >"$root/data.state"

reference() { # ARGS... (run in the data directory)
    if [ -n "${NELVO_REFERENCE_TOOL:-}" ]; then
        (cd "$root/data" && "$NELVO_REFERENCE_TOOL" "$@")
    else
        (cd "$root/data" && wine "$tool" "$@" </dev/null)
    fi
}
# The tool's failure message without its "nelvo-data: FILE: " head.
reference_failure() { reference "$@" 2>&1 >/dev/null | tr -d '\r' | sed -n 's/^.*: \(.*(error [0-9]*)\)$/\1/p'; }

# cscript writes to a pipe in the OEM code page; compared without CRs.
case "${LC_ALL:-}" in
de_*) oem=CP850 ;;
*) oem=CP437 ;;
esac
console() { iconv -f "$oem" -t UTF-8 | tr -d '\r'; }

failures=0
checks=0
fail() {
    printf 'FAILED: %s\n' "$*"
    failures=$((failures + 1))
}
# same WHAT EXPECTED-FILE ACTUAL-FILE
same() {
    checks=$((checks + 1))
    if ! cmp -s "$2" "$3"; then
        fail "$1"
        diff "$2" "$3" | head -n 8 || true
    fi
}
# status WHAT EXPECTED ACTUAL
status() {
    checks=$((checks + 1))
    [ "$2" = "$3" ] || fail "$1: exit status $3, expected $2"
}

# The machine type in a PE file's header: 014c (x86) or 8664 (AMD64).
pe_machine() {
    at=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((at + 4)) -N2 "$1" | tr -d ' '
}

# ---- what nelvo-data gives -------------------------------------------------
files="user:personal.13 user:personal.dat bda:bda.dat jda:jda.dat zuschlag:zuschlag.dat sozvers:sozvers.dat
       urlaub:urlaub.dat kalender:kalender.dat tarif:tarif.dat"
for entry in $files; do
    file=${entry#*:}
    reference export "${entry%%:*}" "$file" >"$root/expected/$file"
    { printf '\377\376' && iconv -f UTF-8 -t UTF-16LE "$root/expected/$file"; } >"$root/expected/$file.utf16"
    reference count "${entry%%:*}" "$file" | tr -d '\r\n' >"$root/expected/$file.count"
done
# The sozvers sample holds amounts: the locale reached the reference.
case "${LC_ALL:-}" in
de_*) grep -q '[0-9],[0-9]' "$root/expected/sozvers.dat" ;;
en_*) grep -q '[0-9]\.[0-9]' "$root/expected/sozvers.dat" ;;
esac

{
    printf '%s holds %s records.\n' "$win\\data\\personal.13" "$(cat "$root/expected/personal.13.count")"
    reference show user personal.13 1 | tr -d '\r'
    echo
} >"$root/expected/first"

missing="$win\\no-such-folder\\bda.dat"
printf '%s: %s\n' "$missing" "$(reference_failure count bda no-such-folder/bda.dat)" >"$root/expected/missing"
printf '%s: %s\n' "$win\\data\\tarif.dat" "$(reference_failure tarife tarif.dat 0 3)" >"$root/expected/tariff-0-3"

tariff_ranges="all 2-5 11-100"
tarif_count=$(cat "$root/expected/tarif.dat.count")
for range in $tariff_ranges; do
    von=1 bis=2147483647
    [ "$range" = all ] || von=${range%-*} bis=${range#*-}
    [ "$tarif_count" -lt "$bis" ] && bis=$tarif_count
    {
        printf 'Records %s to %s of %s:\n' "$von" "$bis" "$win\\data\\tarif.dat"
        reference tarife tarif.dat "$von" "$bis" | tr -d '\r'
        echo
        reference tarifsatz tarif.dat "$von" | tr -d '\r' | tr ';' '\n' | awk '{ printf "Feld(%d) = %s\n", NR - 1, $0 }'
    } >"$root/expected/tariff-$range"
done

# ---- the examples, host by host --------------------------------------------
for host in "$@"; do
    arch=${host%%|*} rest=${host#*|}
    loader=${rest%%|*} rest=${rest#*|}
    cscript=${rest%%|*} records=${rest#*|}
    out="$root/out/$arch"
    mkdir -p "$out"
    printf '== %s: %s %s, %s\n' "$arch" "$loader" "$cscript" "$records"

    # A host of the wrong bitness would load the wrong DLL or none.
    got=$("$loader" "$cscript" //nologo "$win\\bitness.js" </dev/null | tr -d '\r')
    [ "$got" = "$arch" ] || fail "$arch: the script host reports \"$got\""
    case $arch in x86) machine=014c ;; AMD64) machine=8664 ;; *) machine=? ;; esac
    [ "$(pe_machine "$records")" = "$machine" ] || fail "$arch: $records is not a $arch program"

    # script NAME ARGS...: runs a script, its console output into $out/NAME.txt.
    script() {
        log=$1
        shift
        rc=0
        "$loader" "$cscript" //nologo "$@" </dev/null >"$out/$log.raw" 2>&1 || rc=$?
        console <"$out/$log.raw" >"$out/$log.txt"
    }

    script first "$win\\first.vbs" "$win\\data\\personal.13"
    status "$arch first.vbs" 0 "$rc"
    same "$arch first.vbs" "$root/expected/first" "$out/first.txt"

    for entry in $files; do
        kind=${entry%%:*} file=${entry#*:}
        for lang in vbs js; do
            script "export-$lang-$file" "$win\\export.$lang" "$kind" "$win\\data\\$file" "$win\\out\\$arch\\$file.$lang"
            status "$arch export.$lang $file" 0 "$rc"
            same "$arch export.$lang $file: text" "$root/expected/$file.utf16" "$out/$file.$lang"
            printf '%s records of %s written to %s\n' "$(cat "$root/expected/$file.count")" "$win\\data\\$file" \
                "$win\\out\\$arch\\$file.$lang" >"$out/expected-summary"
            same "$arch export.$lang $file: summary" "$out/expected-summary" "$out/export-$lang-$file.txt"
        done
        rc=0
        "$loader" "$records" export "$kind" "$win\\data\\$file" </dev/null >"$out/$file.cpp" 2>"$out/$file.cpp.err" || rc=$?
        status "$arch records export $file" 0 "$rc"
        same "$arch records export $file: text" "$root/expected/$file" "$out/$file.cpp"
    done

    for lang in vbs js; do
        script "missing-$lang" "$win\\export.$lang" bda "$missing" "$win\\out\\$arch\\missing.$lang"
        status "$arch export.$lang on a missing folder" 1 "$rc"
        same "$arch export.$lang on a missing folder: message" "$root/expected/missing" "$out/missing-$lang.txt"
    done
    rc=0
    "$loader" "$records" export bda "$missing" </dev/null >/dev/null 2>"$out/missing-cpp.raw" || rc=$?
    tr -d '\r' <"$out/missing-cpp.raw" >"$out/missing-cpp.txt"
    status "$arch records export on a missing folder" 1 "$rc"
    same "$arch records export on a missing folder: message" "$root/expected/missing" "$out/missing-cpp.txt"

    for range in $tariff_ranges 0-3; do
        set --
        [ "$range" = all ] || set -- "${range%-*}" "${range#*-}"
        expected="$root/expected/tariff-$range" want=0
        [ "$range" = 0-3 ] && want=1
        for lang in vbs js; do
            script "tariff-$lang-$range" "$win\\tariff.$lang" "$win\\data\\tarif.dat" "$@"
            status "$arch tariff.$lang $range" "$want" "$rc"
            same "$arch tariff.$lang $range" "$expected" "$out/tariff-$lang-$range.txt"
        done
        [ $# -eq 2 ] || set -- 1 2147483647
        rc=0
        "$loader" "$records" tariff "$win\\data\\tarif.dat" "$@" </dev/null >"$out/tariff-cpp-$range.raw" 2>&1 || rc=$?
        tr -d '\r' <"$out/tariff-cpp-$range.raw" >"$out/tariff-cpp-$range.txt"
        status "$arch records tariff $range" "$want" "$rc"
        same "$arch records tariff $range" "$expected" "$out/tariff-cpp-$range.txt"
    done
done

if ! sh "$src/tests/automation/data_fixture.sh" state "$root/data" | diff "$root/data.state" -; then
    fail "data files changed, or files were created beside them"
fi
echo "$checks checks, $failures failed"
exit "$failures"
