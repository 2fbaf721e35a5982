#!/bin/sh
# The archive as CPack makes it from the 32-bit build alone, unpacked, and
# its register.cmd and unregister.cmd run through Wine's cmd in the 32-bit
# prefix: 32-bit Windows, where only the 32-bit DLL applies. For all users
# and per user: the exit status and what the script says, the class
# creatable by its ProgID from VBScript (per machine; Wine 8 creates no
# object from the user's classes, so there the keys tell), and the registry
# after unregister.cmd equal to the registry before. Misuse and a missing
# DLL fail with nothing changed. (The whole archive, both DLLs, is tested
# in the 64-bit prefix: windows_archive_test.sh.)
#   register_scripts_test.sh BUILD-DIR SOURCE-DIR VERSION
set -eu
build=$1 src=$2 version=$3
samples=$src/samples
. "$(dirname "$0")/checks.sh"

cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1 || cat "$work/cpack.log"
zip=$work/packages/nelvo-data-$version-windows.zip
check "the archive is named after version $version" test -f "$zip"
tree=$work/archive
mkdir "$tree"
(cd "$tree" && cmake -E tar xf "$zip")
(cd "$tree" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$work/files"
{
    printf '%s\n' register.cmd unregister.cmd x86/Nelvo_data.dll x86/Nelvo_data.tlb
    (cd "$src" && find examples docs -type f ! -name '.*')
} | LC_ALL=C sort >"$work/want"
check "the archive holds the scripts, x86\\ (DLL, type library), examples and docs" cmp -s "$work/want" "$work/files"
check "the scripts have CRLF line ends" awk '!/\r$/ { bad = 1 } END { exit bad }' "$tree/register.cmd" "$tree/unregister.cmd"
dll=$tree/x86/Nelvo_data.dll

# run NAME SCRIPT ARGS...: the script's output (CR removed) in $work/NAME,
# its exit status in $status.
run() {
    name=$1 script=$(winepath -w "$tree/$2")
    shift 2
    if wine cmd /c "$script" "$@" </dev/null >"$work/$name.raw" 2>&1; then status=0; else status=$?; fi
    tr -d '\r' <"$work/$name.raw" >"$work/$name"
}
says() { grep -Fqx "$2" "$work/$1"; }
# The classes of the machine and of the user, as UTF-8 text.
snapshot() {
    for hive in HKLM HKCU; do
        rm -f "$work/$1.$hive.reg"
        if wine reg export "$hive\\Software\\Classes" "$(winepath -w "$work/$1.$hive.reg")" /y </dev/null >/dev/null 2>&1; then
            iconv -f UTF-16LE -t UTF-8 "$work/$1.$hive.reg" | tr -d '\r'
        else
            echo "[no $hive\\Software\\Classes]"
        fi
    done >"$work/$1"
}
unchanged() { snapshot "$1" && diff "$work/before" "$work/$1" | head -n 20 && cmp -s "$work/before" "$work/$1"; }
# The default value of InprocServer32 of the class under HIVE\Software\Classes.
server() {
    wine reg query "$1\\Software\\Classes\\CLSID\\{EF40C567-0FE9-4738-A305-1FE715F7B229}\\InprocServer32" /ve \
        </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'
}
creatable() {
    wine cscript //nologo "$(winepath -w "$(dirname "$0")/create_object.vbs")" "$(winepath -w "$samples/bda.dat")" \
        </dev/null 2>/dev/null | tr -d '\r' >"$work/count"
    test "$(cat "$work/count")" = $(($(stat -c %s "$samples/bda.dat") / 730))
}

# A clean start: no registration of the class left by earlier tests. The
# script host registers its own type library the first time it runs, so
# in a new prefix it runs once before the registry is taken.
wine regsvr32 /s /u "$(winepath -w "$dll")" </dev/null >/dev/null 2>&1 || true
creatable || true
# Every Windows profile has the user's classes with these keys; a new Wine
# prefix does not. Per-user registration creates them when missing and, as
# registrars do, never removes them: made here first, as Windows has them.
for key in CLSID Interface TypeLib; do
    wine reg add "HKCU\\Software\\Classes\\$key" /f </dev/null >/dev/null 2>&1
done
snapshot before
dll_win=$(winepath -w "$dll")

run usage register.cmd /bogus
check "register.cmd /bogus: usage, status 2" sh -c '[ "$1" = 2 ] && grep -q "^usage: register.cmd \[/machine\]$" "$2"' \
    - "$status" "$work/usage"
check "... nothing registered" unchanged after-usage

# ---- for all users ----
run machine register.cmd /machine
check "register.cmd /machine: status 0" test "$status" = 0
check "... says what it registered" says machine 'Registered x86\Nelvo_data.dll (32-bit) for all users.'
check "... and that it is done" says machine 'Nelvo_data.getuser_data is registered for all users.'
check "... the class's server is the archive's DLL" test "$(server HKLM)" = "$dll_win"
check "... VBScript creates the class by its ProgID" creatable
snapshot registered
run machine-again register.cmd /machine
snapshot again
check "register.cmd /machine twice: status 0, the same registry" \
    sh -c '[ "$1" = 0 ] && cmp -s "$2" "$3"' - "$status" "$work/registered" "$work/again"
run unmachine unregister.cmd /machine
check "unregister.cmd /machine: status 0" test "$status" = 0
check "... says what it did" says unmachine 'Unregistered x86\Nelvo_data.dll (32-bit) for all users.'
check "... the registry is as before" unchanged after-machine

# ---- for the current user ----
run user register.cmd
check "register.cmd: status 0" test "$status" = 0
check "... says what it registered" says user 'Registered x86\Nelvo_data.dll (32-bit) for the current user.'
check "... the class's server is under the user's classes only" \
    sh -c '[ "$1" = "$2" ] && [ -z "$3" ]' - "$(server HKCU)" "$dll_win" "$(server HKLM)"
run unuser unregister.cmd
check "unregister.cmd: status 0" test "$status" = 0
check "... says what it did" says unuser 'Unregistered x86\Nelvo_data.dll (32-bit) for the current user.'
check "... the registry is as before" unchanged after-user

# ---- a DLL missing from the archive ----
mv "$dll" "$work/moved.dll"
run missing register.cmd /machine
check "register.cmd with x86\\Nelvo_data.dll missing: status 1" test "$status" = 1
check "... names it" grep -Fqx "register.cmd: \"$dll_win\" is missing." "$work/missing"
run unmissing unregister.cmd /machine
check "unregister.cmd with it missing: status 1" test "$status" = 1
check "... nothing changed" unchanged after-missing

finish
