# Sourced by the packaging tests: a scratch directory $work removed on exit,
# and check DESCRIPTION COMMAND... counting failures; end with `finish`.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
    desc=$1
    shift
    if "$@"; then echo "ok: $desc"; else echo "FAILED: $desc"; failures=$((failures + 1)); fi
}
finish() {
    echo "$failures failed"
    exit "$failures"
}
