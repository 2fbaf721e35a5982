#!/bin/sh
# Side-by-side registration in a 64-bit prefix: the 32-bit and the 64-bit
# DLL registered per machine in either order, unregistered in either order,
# then per user (regsvr32 /n /i:user). After every step the registry, as
# both bitnesses see it, is compared with an expected listing, and the
# class of each bitness still registered is created by a client of that
# bitness. Leaves both DLLs registered per machine for the client tests.
#   registration_matrix.sh DLL32 DLL64 DLL_TEXT32.exe DLL_TEXT64.exe EXPECTED-DIR
# With LISTINGS_OUT=DIR it also writes each listing it saw there, to review
# and adopt after a deliberate change of the registration.
set -eu
: "${WINEPREFIX:?}" "${NELVO_WINE_HOST:?}"
dll32=$(winepath -w "$1") dll64=$(winepath -w "$2") text32=$3 text64=$4 expected=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 steps=0

. "$(dirname "$0")/registry_views.sh"
snapshot() { listing "$work/now"; }

# Creates the class from a client of that bitness (the count of a file that
# does not exist is 0).
creatable() { # creatable 32|64
    if [ "$1" = 32 ]; then client=$text32; else client=$text64; fi
    rm -rf "$work/out" && mkdir "$work/out"
    quiet wine "$client" "$(winepath -w "$work/out")" tarif 'C:\no-such-file.dat' count &&
        [ "$(cat "$work/out/1.txt")" = 0 ]
}

step() { # step DESCRIPTION EXPECTED-LISTING [32|64 must be creatable]...
    desc=$1 listing=$2
    shift 2
    steps=$((steps + 1))
    snapshot
    [ -n "${LISTINGS_OUT:-}" ] && cp "$work/now" "$LISTINGS_OUT/$listing"
    ok=1
    if ! diff -u "$expected/$listing" "$work/now" >"$work/diff"; then
        ok=0
        cat "$work/diff"
    fi
    for bits in "$@"; do
        if ! creatable "$bits"; then
            ok=0
            echo "the $bits-bit class cannot be created"
        fi
    done
    if [ $ok = 1 ]; then echo "ok: $desc ($listing)"; else echo "FAILED: $desc ($listing)"; failures=$((failures + 1)); fi
}
run() { # run DESCRIPTION COMMAND...: the command must succeed
    desc=$1
    shift
    if ! quiet "$@"; then echo "FAILED: $desc: exit status not 0"; failures=$((failures + 1)); fi
}

reg32() { run "$*" host32 regsvr32 /s "$@" "$dll32"; }
reg64() { run "$*" host64 regsvr32 /s "$@" "$dll64"; }

# A clean start, whatever an earlier run left.
for scope in "" "/n /i:user"; do
    quiet host32 regsvr32 /s /u $scope "$dll32" || true
    quiet host64 regsvr32 /s /u $scope "$dll64" || true
done
step "nothing registered" none.txt

reg32;            step "32-bit per machine" machine-32.txt 32
reg64;            step "then 64-bit" machine-both.txt 32 64
reg64;            step "64-bit again" machine-both.txt 32 64
reg32 /u;         step "32-bit removed, 64-bit kept" machine-64.txt 64
reg32 /u;         step "32-bit removed again" machine-64.txt 64
reg32;            step "32-bit back" machine-both.txt 32 64
reg64 /u;         step "64-bit removed, 32-bit kept" machine-32.txt 32
reg32 /u;         step "both removed" none.txt
reg64;            step "64-bit per machine" machine-64.txt 64
reg32;            step "then 32-bit: the same as the other order" machine-both.txt 32 64
reg64 /u;         step "64-bit removed first" machine-32.txt 32
reg32 /u;         step "then 32-bit" none.txt

# Per user: Wine creates no object from per-user classes, so the keys tell.
reg64 /n /i:user;    step "64-bit per user" user-64.txt
reg32 /n /i:user;    step "then 32-bit per user" user-both.txt
reg32 /n /i:user;    step "32-bit per user again" user-both.txt
reg64 /u /n /i:user; step "64-bit per-user removed, 32-bit kept" user-32.txt
reg32 /u /n /i:user; step "both per-user registrations removed" none.txt

# For the clients.
reg32
reg64
step "both per machine, for the clients" machine-both.txt 32 64
echo "$steps steps, $failures failed"
exit "$failures"
