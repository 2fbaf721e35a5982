#!/bin/sh
# The data files that the stress, bad-input and differential clients read
# (C:\hostile-data), and the check that they were only read: after the
# clients, every file has its bytes and modification time, and no file or
# directory was added beside them.
#   data_fixture.sh make MAKE_TEST_FILES.exe
#   data_fixture.sh check
#   data_fixture.sh state DIR    what check compares, for any directory
set -eu
: "${WINEPREFIX:?}"
root="$WINEPREFIX/drive_c/hostile-data"

# Every file and directory with its size and modification time, and every
# file's checksum.
state() {
    (cd "${1:-$root}" && find . -printf '%p %y %s %T@\n' | LC_ALL=C sort &&
        find . -type f -exec sha256sum {} + | LC_ALL=C sort)
}

case $1 in
make)
    rm -rf "$root" "$root.state"
    wine "$2" 'C:\hostile-data' </dev/null >/dev/null
    # Every kind again, cut to 80 %: the last record only partly there.
    mkdir "$root/cut"
    for f in "$root"/*; do
        [ -f "$f" ] || continue
        size=$(stat -c %s "$f")
        head -c $((size - size / 5)) "$f" >"$root/cut/${f##*/}"
    done
    # Modification times a rewrite could not hit by chance.
    find "$root" -type f -exec touch -d '2001-02-03 04:05:06.789' {} +
    state >"$root.state"
    ;;
check)
    if ! state | diff "$root.state" - >"$root.diff"; then
        echo "data files changed, or files were created beside them:"
        cat "$root.diff"
        exit 1
    fi
    echo "$(grep -c ' f ' "$root.state") data files unchanged, nothing created"
    ;;
state)
    state "$2"
    ;;
*)
    echo "usage: data_fixture.sh make MAKE_TEST_FILES.exe | check | state DIR" >&2
    exit 2
    ;;
esac
