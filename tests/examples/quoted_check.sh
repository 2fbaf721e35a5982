#!/bin/sh
# The caller's guide cannot drift from its examples or from what the tool
# prints: in docs/*.md, the code block after "<!-- quote: FILE -->" must be
# FILE's text and the block after "<!-- output: ARGS -->" what
# `nelvo-data ARGS` prints in samples/ (German decimal separator). Every
# file under examples/ is quoted. The scripts cscript and the VBA editor
# read are in Windows-1252 (a UTF-8 file misspells "Zuschlägedatensatz_holen"
# there), the VBA module has CR LF line ends, and a PowerShell script with
# non-ASCII text starts with a byte order mark.
#   quoted_check.sh SOURCE-DIR NELVO-DATA
set -eu
src=$1 tool=$2
case $tool in /*) ;; *) tool=$PWD/$tool ;; esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    printf 'FAILED: %s\n' "$*"
    failures=$((failures + 1))
}

# FILE's text as UTF-8 with LF line ends.
as_text() {
    case $1 in
    *.vbs | *.js | *.bas) iconv -f CP1252 -t UTF-8 "$1" ;;
    *) sed '1s/^\xEF\xBB\xBF//' "$1" ;;
    esac | tr -d '\r'
}

# Every marked block into $work/block-N, listed in $work/manifest as
# "N KIND WHERE ARG", where WHERE is DOC:LINE.
(cd "$src" && awk -v dir="$work" '
    FNR == 1 { pending = 0 }
    inside && /^```$/ { inside = 0; close(file); next }
    inside { print > file; next }
    pending && FNR == pending + 1 {
        if ($0 ~ /^```/) { inside = 1; next }
        print n, "missing", FILENAME ":" pending, "-" > (dir "/manifest")
    }
    /^<!-- (quote|output): .* -->$/ {
        kind = $2; sub(/:$/, "", kind)
        arg = $0; sub(/^<!-- [a-z]+: /, "", arg); sub(/ -->$/, "", arg)
        n++; file = dir "/block-" n; printf "" > file
        print n, kind, FILENAME ":" FNR, arg > (dir "/manifest")
        pending = FNR
    }
' docs/*.md)
touch "$work/manifest"

while read -r n kind where arg; do
    case $kind in
    quote)
        if [ ! -f "$src/$arg" ]; then
            fail "$where quotes $arg, which does not exist"
        elif ! as_text "$src/$arg" | cmp -s - "$work/block-$n"; then
            fail "$where: the quoted block differs from $arg"
            as_text "$src/$arg" | diff - "$work/block-$n" | head -n 10 || true
        fi
        ;;
    output)
        # shellcheck disable=SC2086 # ARG is the tool's argument list
        if ! (cd "$src/samples" && "$tool" --decimal-separator , $arg) >"$work/output-$n"; then
            fail "$where: nelvo-data $arg failed"
        elif ! tr -d '\r' <"$work/output-$n" | awk 1 | cmp -s - "$work/block-$n"; then
            fail "$where: the block differs from the output of nelvo-data $arg"
            tr -d '\r' <"$work/output-$n" | awk 1 | diff - "$work/block-$n" | head -n 10 || true
        fi
        ;;
    *) fail "$where: a marker without a code block after it" ;;
    esac
done <"$work/manifest"

for file in $(cd "$src" && find examples -type f ! -name .gitattributes | sort); do
    grep -q " quote [^ ]* $file\$" "$work/manifest" || fail "$file is quoted nowhere in docs/"
    bytes="$src/$file"
    non_ascii=0
    LC_ALL=C grep -q "$(printf '[\200-\377]')" "$bytes" && non_ascii=1
    case $file in
    *.vbs | *.js | *.bas)
        if [ "$non_ascii" = 1 ] && iconv -f UTF-8 -t UTF-8 "$bytes" >/dev/null 2>&1; then
            fail "$file is saved as UTF-8; the script hosts and the VBA editor read Windows-1252"
        fi
        ;;
    *.ps1)
        if [ "$non_ascii" = 1 ] && [ "$(head -c 3 "$bytes" | od -An -tx1 | tr -d ' ')" != efbbbf ]; then
            fail "$file has non-ASCII text but no byte order mark; Windows PowerShell would misread it"
        fi
        ;;
    esac
    case $file in
    *.bas)
        if [ "$(tr -cd '\n' <"$bytes" | wc -c)" != "$(grep -c "$(printf '\r')\$" "$bytes")" ]; then
            fail "$file: the VBA editor imports modules with CR LF line ends"
        fi
        ;;
    esac
done

echo "$(wc -l <"$work/manifest") quoted blocks, $failures failed"
exit "$failures"
