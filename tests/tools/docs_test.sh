#!/usr/bin/env bash
# The generated manual page renders without a single groff warning, and the
# generated bash completion offers what the command line takes.
#   docs_test.sh MAN-PAGE BASH-COMPLETION
set -uo pipefail
page=$1
completion=$2
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# ---- manual page
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[[ -z $warnings ]] || fail "man --warnings: $warnings"
text=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for want in "NAME" "SYNOPSIS" "nelvo-data export KIND FILE" "--decimal-separator SEP" "--version" \
    "-f, --format FORMAT" "kalender" "jsonl" "EXIT STATUS" "nelvo-data identify FILE..." "--layout BYTES" \
    "--guard-formulas" "130, 143"; do
    grep -qF -- "$want" <<<"$text" || fail "manual page lacks '$want'"
done
grep -qF -- "--chunk-bytes" <<<"$text" && fail "manual page shows the hidden --chunk-bytes"

# ---- bash completion, without the bash-completion package
# shellcheck source=/dev/null
source "$completion" || fail "cannot source $completion"
# offers WORD... -- EXPECTED...: the completion of the words, the last being completed.
offers() {
    local words=() expected=()
    while [[ $1 != -- ]]; do words+=("$1"); shift; done
    shift
    expected=("$@")
    COMP_WORDS=(nelvo-data "${words[@]}")
    COMP_CWORD=${#words[@]}
    COMPREPLY=()
    _nelvo_data
    local got="${COMPREPLY[*]}" want="${expected[*]}"
    [[ $got == "$want" ]] || fail "nelvo-data ${words[*]}<TAB>: got '$got', want '$want'"
}
kinds=(user bda jda zuschlag sozvers urlaub kalender tarif)
offers "" -- count show tarife tarifsatz export layout schema check dump identify
offers ex -- export
offers export "" -- "${kinds[@]}"
offers --decimal-separator , export "" -- "${kinds[@]}"
offers check k -- kalender
offers export bda f.dat --format "" -- text json jsonl csv
offers export bda f.dat -f j -- json jsonl
offers schema bda --format "" -- json jsonl
offers count user f.13 --layout "" -- 1920 1513
offers export --gu -- --guard-formulas
offers export --from 3 bda f.dat --no -- --no-progress
offers check --max-warnings 5 "" -- "${kinds[@]}"
offers export --chunk-bytes 7 "" -- "${kinds[@]}"
offers show bda f.dat "" --
offers dump --st -- 
offers check --st -- --strict
scratch=$(mktemp -d)
touch "$scratch/bda.dat" "$scratch/other.txt"
(cd "$scratch" && offers export bda b -- bda.dat && offers export bda x.dat -o o -- other.txt &&
    offers identify bda.dat o -- other.txt && exit $failures) ||
    failures=$((failures + $?))
rm -rf "$scratch"

((failures == 0)) && echo "manual page and completion: all checks passed"
exit $((failures > 0))
