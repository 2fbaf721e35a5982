#!/bin/sh
# The Windows archive as `bash tools/dev.sh package` makes it: CPack of this
# 64-bit build, x86\ from the 32-bit build. Its files; then unpacked into a
# fresh 64-bit Wine prefix, into a folder named as a browser names a second
# download ("... (1)"), and its scripts run there through Wine's cmd:
# - register.cmd per user, from the 64-bit cmd and from the 32-bit one
#   (which reaches System32 through Sysnative): the keys equal the listing
#   regsvr32 /n /i:user gives for both DLLs (Wine 8 creates no object from
#   the user's classes, so the keys tell);
# - register.cmd /machine, then the guide's examples as the archive holds
#   them with the 64-bit and the 32-bit script host and the C++ example of
#   each bitness, and the archive's nelvo-data.exe, against nelvo-data;
# - a DLL missing or damaged: register.cmd fails, saying so, and undoes
#   what it had registered.
# After every unregister.cmd or failure the class registrations of both
# views and of the user equal those before.
#   windows_archive_test.sh BUILD-DIR SOURCE-DIR VERSION OBJDUMP RECORDS32.exe RECORDS64.exe
set -eu
build=$1 src=$2 version=$3 objdump=$4 records32=$5 records64=$6
: "${NELVO_WINE_HOST:?}"
. "$(dirname "$0")/checks.sh"
# A prefix of its own, as a user's Windows: nothing registered or left
# behind by other tests.
export WINEPREFIX="$work/prefix" WINEARCH=win64
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
listings=$src/tests/automation/registry

cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1 || cat "$work/cpack.log"
zip=$work/packages/nelvo-data-$version-windows.zip
check "the archive is named after version $version" test -f "$zip"

sh "$src/tests/automation/wine_prefix.sh"
tree="$WINEPREFIX/drive_c/users/Public/Downloads/nelvo-data-$version-windows (1)"
mkdir -p "$tree"
(cd "$tree" && cmake -E tar xf "$zip")

# ---- what it holds ----
(cd "$tree" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$work/files"
{
    printf '%s\n' nelvo-data.exe register.cmd unregister.cmd \
        x64/Nelvo_data.dll x64/Nelvo_data.tlb x86/Nelvo_data.dll x86/Nelvo_data.tlb
    (cd "$src" && find examples docs -type f ! -name '.*')
} | LC_ALL=C sort >"$work/want"
check "the archive holds both DLLs and type libraries, nelvo-data.exe, the scripts, examples and docs, nothing else" \
    sh -c 'diff "$1" "$2"' - "$work/want" "$work/files"
check "... the examples and the guide as in the source tree" \
    sh -c 'diff -r -x ".*" "$1/examples" "$2/examples" && diff -r -x ".*" "$1/docs" "$2/docs"' - "$src" "$tree"
check "... x64\\Nelvo_data.dll and nelvo-data.exe 64-bit, x86\\Nelvo_data.dll 32-bit" sh -c '
    file -b "$1/x64/Nelvo_data.dll" | grep -q "^PE32+ executable (DLL).* x86-64" &&
    file -b "$1/nelvo-data.exe" | grep -q "^PE32+ executable (console) x86-64" &&
    file -b "$1/x86/Nelvo_data.dll" | grep -q "^PE32 executable (DLL).* Intel 80386"' - "$tree"
check "... no debug information in them" sh -c '
    for f in x64/Nelvo_data.dll x86/Nelvo_data.dll nelvo-data.exe; do
        ! "$1" -h "$2/$f" | grep -q "\.debug_" || exit 1
    done' - "$objdump" "$tree"
check "... the scripts have CRLF line ends" awk '!/\r$/ { bad = 1 } END { exit bad }' \
    "$tree/register.cmd" "$tree/unregister.cmd"

dll32=$(winepath -w "$tree/x86/Nelvo_data.dll")
dll64=$(winepath -w "$tree/x64/Nelvo_data.dll")
. "$src/tests/automation/registry_views.sh"

# run BITS NAME SCRIPT ARGS...: the script started in the archive's folder
# by the cmd of that bitness, as a user runs it from a prompt there; its
# output (CR removed) in $work/NAME, its exit status in $status.
run() {
    bits=$1 name=$2
    shift 2
    if (cd "$tree" && host$bits cmd /c "$@" </dev/null >"$work/$name.raw" 2>&1); then status=0; else status=$?; fi
    tr -d '\r' <"$work/$name.raw" >"$work/$name"
}
says() { grep -Fqx "$2" "$work/$1"; }
# The identity values both bitnesses see equal a listing of the registration matrix.
listed() { listing "$work/listed" && diff -u "$listings/$1" "$work/listed"; }
unchanged() { classes "$work/after" && diff "$work/before" "$work/after" | head -n 20 && cmp -s "$work/before" "$work/after"; }

# What a used Windows has and a new prefix lacks: the script hosts register
# their own type libraries the first time they run, and every profile has
# the user's classes with these keys (registration creates them when
# missing and, as registrars do, never removes them).
for bits in 64 32; do
    quiet host$bits cscript //nologo "$(winepath -w "$src/tests/examples/bitness.js")"
done
for key in CLSID Interface TypeLib Wow6432Node\\CLSID Wow6432Node\\Interface; do
    quiet host64 reg add "HKCU\\Software\\Classes\\$key" /f
done
classes "$work/before"
check "a fresh prefix: the class is registered nowhere" listed none.txt

# ---- for the current user ----
for bits in 64 32; do
    run $bits user$bits register.cmd
    check "register.cmd ($bits-bit cmd): status 0" test "$status" = 0
    check "... registered each DLL with the regsvr32 of its bitness, and says so" sh -c '
        grep -Fqx "Registered x64\\Nelvo_data.dll (64-bit) for the current user." "$1" &&
        grep -Fqx "Registered x86\\Nelvo_data.dll (32-bit) for the current user." "$1" &&
        grep -Fqx "Nelvo_data.getuser_data is registered for the current user." "$1"' - "$work/user$bits"
    check "... the keys of both DLLs under the user's classes only" listed user-both.txt
    run $bits unuser$bits unregister.cmd
    check "unregister.cmd ($bits-bit cmd): status 0" test "$status" = 0
    check "... says so" says unuser$bits "Nelvo_data.getuser_data is no longer registered for the current user."
    check "... every class registration as before" unchanged
done
run 64 unagain unregister.cmd
check "unregister.cmd again, with nothing registered: status 0" test "$status" = 0
check "... nothing changed" unchanged

# ---- for all users, and the examples ----
run 64 machine register.cmd /machine
check "register.cmd /machine: status 0" test "$status" = 0
check "... says so" says machine "Nelvo_data.getuser_data is registered for all users."
check "... both DLLs registered for the machine, each in its view" listed machine-both.txt

NELVO_EXAMPLES=$tree/examples sh "$src/tests/examples/run_examples.sh" "$src" "$tree/nelvo-data.exe" archive-examples \
    "AMD64|$NELVO_WINE_HOST|C:\\windows\\system32\\cscript.exe|$records64" \
    "x86|wine|C:\\windows\\syswow64\\cscript.exe|$records32" >"$work/examples.log" 2>&1 && status=0 || status=$?
check "the archive's examples, 64- and 32-bit script hosts and C++, give nelvo-data's output" test "$status" = 0
[ "$status" = 0 ] || cat "$work/examples.log"

# The archive's nelvo-data.exe against the native tool when
# NELVO_REFERENCE_TOOL names it, else against the build's.
sample=$(winepath -w "$src/samples/sozvers.dat")
if [ -n "${NELVO_REFERENCE_TOOL:-}" ]; then
    "$NELVO_REFERENCE_TOOL" export sozvers "$src/samples/sozvers.dat" --format csv >"$work/csv.want" 2>&1 || true
else
    wine "$build/tools/nelvo-data.exe" export sozvers "$sample" --format csv </dev/null >"$work/csv.want" 2>&1 || true
fi
wine "$tree/nelvo-data.exe" export sozvers "$sample" --format csv </dev/null >"$work/csv.got" 2>&1 || true
check "the archive's nelvo-data.exe exports a sample as nelvo-data does" cmp -s "$work/csv.want" "$work/csv.got"
check "... and prints version $version" sh -c 'wine "$1" --version </dev/null | grep -Fq "nelvo-data $2"' \
    - "$tree/nelvo-data.exe" "$version"

run 64 unmachine unregister.cmd /machine
check "unregister.cmd /machine: status 0" test "$status" = 0
check "... says so" says unmachine "Nelvo_data.getuser_data is no longer registered for all users."
check "... every class registration as before" unchanged

# ---- a DLL missing or damaged ----
mv "$tree/x64/Nelvo_data.dll" "$work/x64.dll"
run 64 missing register.cmd
check "register.cmd with x64\\Nelvo_data.dll missing: status 1, naming it" \
    sh -c '[ "$1" = 1 ] && grep -Fqx "register.cmd: \"$2\" is missing." "$3"' - "$status" "$dll64" "$work/missing"
check "... nothing registered" unchanged
mv "$work/x64.dll" "$tree/x64/Nelvo_data.dll"
# A download cut short: x64\ registers, x86\ cannot, and x64\ is undone.
mv "$tree/x86/Nelvo_data.dll" "$work/x86.dll"
head -c 4096 "$work/x86.dll" >"$tree/x86/Nelvo_data.dll"
run 64 damaged register.cmd /machine
check "register.cmd /machine with x86\\Nelvo_data.dll damaged: status 1" test "$status" = 1
check "... says what failed and what it undid" sh -c '
    grep -Fqx "Registered x64\\Nelvo_data.dll (64-bit) for all users." "$1" &&
    grep -q "^register.cmd: regsvr32 could not register x86\\\\Nelvo_data.dll (32-bit) for all users (exit code [1-9][0-9]*)\.$" "$1" &&
    grep -Fqx "Undone: x64\\Nelvo_data.dll (64-bit) is no longer registered for all users." "$1"' - "$work/damaged"
check "... every class registration as before" unchanged
mv "$work/x86.dll" "$tree/x86/Nelvo_data.dll"

finish
