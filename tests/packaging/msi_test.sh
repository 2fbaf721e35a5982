#!/bin/sh
# The Windows Installer package of this build (make-msi.sh, as `bash
# tools/dev.sh package` makes it) in a fresh prefix of its own bitness, as
# an administrator rolls it out: x64 in a 64-bit prefix, x86 in a 32-bit one.
# - Before it, a per-user registration with register.cmd of the archive.
# - msiexec /i /qn: the files, one entry in Programs and Features with
#   version, publisher and size; the class registration of both views
#   equal to what regsvr32 of the same DLLs writes (taken first, in this
#   prefix, and removed again); a repair; the VBScript and JScript clients
#   in every script host against nelvo-data; the installed nelvo-data.exe.
# - A package of the next version, built here: a major upgrade, one entry,
#   objects of both bitnesses created; the older one refused over it.
# - msiexec /x /qn: every class registration as before (the per-user one
#   untouched), no file, no entry left.
# - x64 only: the x86 package refuses 64-bit Windows, installing nothing.
# What Wine 8's Windows Installer cannot show: it writes EstimatedSize 0
# (Windows costs it), so the size checked is the package's ARPSIZE (value
# Size); it refuses `msiexec /fam` (status 69), so the repair runs through
# REINSTALL/REINSTALLMODE; it keeps one TypeLib and program-identifier key
# for both views, so a shared key written in the wrong view would not show;
# and it creates no object from the user's classes, so the clients show
# that the machine's registration works, not which DLL a user with both
# registrations gets (on Windows, the user's).
#   msi_test.sh BUILD-DIR SOURCE-DIR VERSION x64|x86 MAKE_TEST_FILES.exe [WIN32-BUILD-DIR]
set -eu
build=$1 src=$2 version=$3 arch=$4 make_files=$5 w32=${6:-}
: "${NELVO_WINE_HOST:?}"
. "$(dirname "$0")/checks.sh"
if [ "$arch" = x64 ]; then WINEARCH=win64; else WINEARCH=win32; fi
export WINEPREFIX="$work/prefix" WINEARCH
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
automation=$src/tests/automation
next=$(echo "$version" | awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }')

check "make-msi.sh builds the $version and $next packages" sh -c '
    sh "$1" "$2" "$3/old.msi" && sh "$1" "$4" "$3/new.msi"' - "$build/packaging/make-msi.sh" "$version" "$work" "$next"

sh "$automation/wine_prefix.sh"
if [ "$arch" = x64 ]; then
    . "$automation/registry_views.sh"
    bitnesses="64 32"
    hosts="AMD64|host64 x86|host32"
else
    . "$automation/registry_views.sh"
    # One view, one set of programs: the prefix's own.
    host32() { program=$1 && shift && wine "$program" "$@"; }
    listing() {
        { view machine32 host32 'HKLM\Software\Classes'; view user host32 'HKCU\Software'; } |
            LC_ALL=C sort >"$1"
    }
    classes() { { export_key host32 'HKLM\Software\Classes'; export_key host32 'HKCU\Software\Classes'; } >"$1"; }
    bitnesses=32
    hosts="x86|host32"
fi
own=$(echo "$bitnesses" | cut -d' ' -f1)
machine_lines() { grep '^machine' "$1" || true; }
user_lines() { grep '^user' "$1" || true; }

# The build's DLLs, as regsvr32 registers them.
dll32=$(winepath -w "${w32:-$build}/src/automation/Nelvo_data.dll")
# (No 64-bit DLL in a 32-bit prefix: a path no listing holds.)
if [ "$arch" = x64 ]; then dll64=$(winepath -w "$build/src/automation/Nelvo_data.dll"); else dll64='C:\none'; fi
# Where the package puts them.
if [ "$arch" = x64 ]; then
    programs="$WINEPREFIX/drive_c/Program Files/Nelvo_data"
    programs32="$WINEPREFIX/drive_c/Program Files (x86)/Nelvo_data"
    installed64='C:\Program Files\Nelvo_data\x64\Nelvo_data.dll'
    installed32='C:\Program Files (x86)\Nelvo_data\x86\Nelvo_data.dll'
else
    programs="$WINEPREFIX/drive_c/Program Files/Nelvo_data"
    programs32=$programs
    installed32='C:\Program Files\Nelvo_data\x86\Nelvo_data.dll'
fi

# As on a used Windows: the script hosts have registered their own type
# libraries, the user's classes have these keys, and so has the machine's
# Windows Installer (which never removes them).
for bits in $bitnesses; do
    quiet host$bits cscript //nologo "$(winepath -w "$src/tests/examples/bitness.js")"
done
keys="CLSID Interface TypeLib"
[ "$arch" = x64 ] && keys="$keys Wow6432Node\\CLSID Wow6432Node\\Interface"
for key in $keys; do
    quiet host$own reg add "HKCU\\Software\\Classes\\$key" /f
done
for key in Features Products UpgradeCodes; do
    quiet host$own reg add "HKLM\\Software\\Classes\\Installer\\$key" /f
done
listing "$work/empty"

# ---- what regsvr32 writes for the build's DLLs, per machine ----
for bits in $bitnesses; do eval "quiet host$bits regsvr32 /s \"\$dll$bits\""; done
listing "$work/regsvr32"
for bits in $bitnesses; do eval "quiet host$bits regsvr32 /s /u \"\$dll$bits\""; done
listing "$work/unregistered"
check "regsvr32 of the build's DLLs registers the class, and /u removes it again" sh -c '
    [ -n "$(grep "^machine" "$1")" ] && cmp -s "$2" "$3"' - "$work/regsvr32" "$work/empty" "$work/unregistered"

# ---- a user's registration from the archive, made before ----
zip=$work/zip
mkdir -p "$zip/x86"
cp "$src/packaging/windows/register.cmd" "$src/packaging/windows/unregister.cmd" "$zip/"
cp "${w32:-$build}/src/automation/Nelvo_data.dll" "$zip/x86/"
[ "$arch" = x64 ] && mkdir "$zip/x64" && cp "$build/src/automation/Nelvo_data.dll" "$zip/x64/"
cmd_script() { (cd "$zip" && quiet host$own cmd /c "$@"); }
check "register.cmd registers the archive's DLLs for the user" cmd_script register.cmd
listing "$work/user"
check "... under the user's classes only" sh -c '[ -n "$(grep "^user" "$1")" ] && [ -z "$(grep "^machine" "$1")" ]' \
    - "$work/user"
classes "$work/before"

# ---- install ----
# Each run's log is kept, and shown at the end if anything failed.
runs=0
msiexec() {
    runs=$((runs + 1))
    quiet host$own msiexec "$@" /l*v "$(winepath -w "$work/msiexec-$runs.log")"
}
fails() { ! "$@"; }
check "msiexec /i nelvo-data-$version-$arch.msi /qn: status 0" msiexec /i "$(winepath -w "$work/old.msi")" /qn

# The registry as regsvr32 left it, with the installed DLLs' paths.
installed_listing() {
    dll32=$installed32
    [ "$arch" = x64 ] && dll64=$installed64
    listing "$work/$1"
    machine_lines "$work/$1" >"$work/$1.machine"
    machine_lines "$work/regsvr32" >"$work/regsvr32.machine"
    diff -u "$work/regsvr32.machine" "$work/$1.machine" && user_lines "$work/$1" | cmp -s - "$2"
}
user_lines "$work/user" >"$work/user.lines"
check "... the class registration of every view equals regsvr32's of the DLLs; the user's as it was" \
    installed_listing installed "$work/user.lines"

files() {
    { [ -d "$programs" ] && (cd "$programs" && find . -type f); [ "$arch" = x64 ] && [ -d "$programs32" ] &&
        (cd "$programs32" && find . -type f | sed 's|^\.|(x86)|'); } | LC_ALL=C sort | tr '\n' ' '
}
if [ "$arch" = x64 ]; then
    want="(x86)/x86/Nelvo_data.dll (x86)/x86/Nelvo_data.tlb ./nelvo-data.exe ./x64/Nelvo_data.dll ./x64/Nelvo_data.tlb "
else
    want="./nelvo-data.exe ./x86/Nelvo_data.dll ./x86/Nelvo_data.tlb "
fi
check "... the files: $want" test "$(files)" = "$want"
cmp_installed() { cmp -s "$1" "$2"; }
if [ "$arch" = x64 ]; then
    check "... x64\\ holds the 64-bit build's DLL, the 32-bit folder's x86\\ the 32-bit one" sh -c '
        cmp -s "$1/src/automation/Nelvo_data.dll" "$2/x64/Nelvo_data.dll" &&
        cmp -s "$3/src/automation/Nelvo_data.dll" "$4/x86/Nelvo_data.dll" &&
        cmp -s "$1/tools/nelvo-data.exe" "$2/nelvo-data.exe"' - "$build" "$programs" "$w32" "$programs32"
fi

# Programs and Features, both views: "VERSION|PUBLISHER|SIZE" of every
# entry named Nelvo_data (the size in KiB).
products() {
    for bits in $bitnesses; do
        export_key host$bits 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
    done | awk -F= '
        function flush() { if (name == "Nelvo_data") print version "|" publisher "|" size; name = version = publisher = size = "" }
        { gsub(/"/, "") }
        /^\[/ { flush(); next }
        $1 == "DisplayName" { name = $2 }
        $1 == "DisplayVersion" { version = $2 }
        $1 == "Publisher" { publisher = $2 }
        $1 == "Size" { size = $2 }
        END { flush() }' | LC_ALL=C sort -u
}
one_product() { # one_product VERSION
    products >"$work/products"
    cat "$work/products"
    size=$(find "$programs" "$programs32" -type f -printf '%p %s\n' | sort -u |
        awk '{ n += $NF } END { printf "%d", (n + 1023) / 1024 }')
    [ "$(wc -l <"$work/products")" = 1 ] && [ "$(cat "$work/products")" = "$1|Nelvo_data|$size" ]
}
check "... one entry in Programs and Features: version $version, publisher Nelvo_data, a size" one_product "$version"

# A repair brings back a lost file and a deleted key.
rm "$programs32/x86/Nelvo_data.dll"
quiet host32 reg delete 'HKLM\Software\Classes\CLSID\{EF40C567-0FE9-4738-A305-1FE715F7B229}\InprocServer32' /f
# (Wine 8's msiexec refuses /fam with status 69; the properties it stands
# for work.)
check "a repair (REINSTALL=ALL REINSTALLMODE=amus) after x86\\Nelvo_data.dll and its class's InprocServer32 were deleted: status 0" \
    msiexec /i "$(winepath -w "$work/old.msi")" REINSTALL=ALL REINSTALLMODE=amus /qn
check "... both back" sh -c '[ "$1" = "$2" ] && cmp -s "$3/src/automation/Nelvo_data.dll" "$4/x86/Nelvo_data.dll"' - \
    "$(files)" "$want" "${w32:-$build}" "$programs32"
check "... the registration as regsvr32's" installed_listing repaired "$work/user.lines"

# ---- the clients, in every script host ----
for h in $hosts; do
    script_arch=${h%%|*}
    status=0
    sh "$automation/script_clients.sh" "$make_files" "$programs/nelvo-data.exe" "$automation" "msi-$script_arch" \
        "$script_arch" >"$work/scripts-$script_arch.log" 2>&1 || status=$?
    check "VBScript and JScript in the $script_arch script host give nelvo-data's texts" test "$status" = 0
    [ "$status" = 0 ] || cat "$work/scripts-$script_arch.log"
done

sample=$(winepath -w "$src/samples/sozvers.dat")
if [ -n "${NELVO_REFERENCE_TOOL:-}" ]; then
    "$NELVO_REFERENCE_TOOL" export sozvers "$src/samples/sozvers.dat" --format csv >"$work/csv.want" 2>&1 || true
else
    wine "$build/tools/nelvo-data.exe" export sozvers "$sample" --format csv </dev/null >"$work/csv.want" 2>&1 || true
fi
wine "$programs/nelvo-data.exe" export sozvers "$sample" --format csv </dev/null >"$work/csv.got" 2>&1 || true
check "the installed nelvo-data.exe exports a sample as nelvo-data does" cmp -s "$work/csv.want" "$work/csv.got"

# ---- a major upgrade ----
check "msiexec /i of version $next over it: status 0" msiexec /i "$(winepath -w "$work/new.msi")" /qn
check "... one entry in Programs and Features, version $next" one_product "$next"
check "... the registration as before" installed_listing upgraded "$work/user.lines"
check "... the files too" test "$(files)" = "$want"
count=$(($(stat -c %s "$src/samples/bda.dat") / 730))
creatable() { # creatable HOST
    $1 cscript //nologo "$(winepath -w "$src/tests/packaging/create_object.vbs")" "$(winepath -w "$src/samples/bda.dat")" \
        </dev/null 2>/dev/null | tr -d '\r' | grep -qx "$count"
}
for bits in $bitnesses; do
    check "... the $bits-bit script host creates the class by its ProgID" creatable host$bits
done
check "msiexec /i of version $version over $next: refused" fails msiexec /i "$(winepath -w "$work/old.msi")" /qn
check "... $next still installed, once" one_product "$next"

# ---- removal ----
check "msiexec /x /qn: status 0" msiexec /x "$(winepath -w "$work/new.msi")" /qn
classes "$work/after"
check "... every class registration as before the install, the user's too" sh -c '
    diff "$1" "$2" | head -n 20; cmp -s "$1" "$2"' - "$work/before" "$work/after"
left() { find "$programs" "$programs32" 2>/dev/null; [ ! -e "$programs" ] && [ ! -e "$programs32" ]; }
check "... no file, no folder left" left
check "... no entry in Programs and Features" test -z "$(products)"
check "unregister.cmd then removes the user's registration" cmd_script unregister.cmd
listing "$work/end"
check "... leaving nothing" cmp -s "$work/empty" "$work/end"

# ---- the 32-bit package on 64-bit Windows ----
if [ "$arch" = x64 ]; then
    classes "$work/before-x86"
    sh "$w32/packaging/make-msi.sh" "$version" "$work/x86.msi"
    check "msiexec /i of the x86 package in a 64-bit prefix: refused" fails msiexec /i "$(winepath -w "$work/x86.msi")" /qn
    classes "$work/after-x86"
    check "... nothing installed" sh -c '[ -z "$1" ] && [ ! -e "$2" ] && cmp -s "$3" "$4"' - "$(products)" \
        "$programs32" "$work/before-x86" "$work/after-x86"
fi
if [ "$failures" != 0 ]; then
    for log in "$work"/msiexec-*.log; do
        echo "== $log" && grep -E 'Return value|^Action ended|[Ee]rror' "$log" | tail -n 15
    done
fi
finish
