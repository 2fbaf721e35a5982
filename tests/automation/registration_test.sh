#!/bin/sh
# regsvr32 and regsvr32 /u, twice each, with the registry compared after
# every step; leaves the server registered for the client tests.
#   registration_test.sh PATH-TO-Nelvo_data.dll
set -eu
: "${WINEARCH:?}"
dll=$(winepath -w "$1")
# regsvr32 and reg of the DLL's bitness, which is the prefix's own.
host=${NELVO_WINE_HOST:-wine}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # check DESCRIPTION COMMAND...
    if "$@"; then echo "ok: $desc"; else echo "FAILED: $desc"; failures=$((failures + 1)); fi
}

regsvr() { "$host" regsvr32 /s "$@" </dev/null >/dev/null 2>&1; }
# The classes hive as UTF-8 text (reg export writes UTF-16).
snapshot() {
    "$host" reg export 'HKLM\Software\Classes' "$(winepath -w "$work/$1.reg")" /y </dev/null >/dev/null 2>&1
    iconv -f UTF-16LE -t UTF-8 "$work/$1.reg" | tr -d '\r' >"$work/$1"
}

regsvr /u "$dll" || true
# In a 64-bit prefix the 32-bit DLL may be registered beside it from an
# earlier run; the shared keys would then stay.
if [ -n "${NELVO_UNREGISTER_32:-}" ]; then
    wine 'C:\windows\syswow64\regsvr32.exe' /u /s "$(winepath -w "$NELVO_UNREGISTER_32")" </dev/null >/dev/null 2>&1 || true
fi
snapshot before

desc="register"; check regsvr "$dll"
snapshot first
desc="register again"; check regsvr "$dll"
snapshot second
desc="registering twice leaves the same registry"; check cmp -s "$work/first" "$work/second"

# What registration added, as key names below the classes root.
grep '^\[' "$work/before" | sort >"$work/keys-before"
grep '^\[' "$work/first" | sort >"$work/keys-first"
comm -13 "$work/keys-before" "$work/keys-first" | sed 's/^\[HKEY_LOCAL_MACHINE\\Software\\Classes\\//; s/\]$//' >"$work/added"
cat >"$work/expected" <<KEYS
CLSID\{EF40C567-0FE9-4738-A305-1FE715F7B229}
CLSID\{EF40C567-0FE9-4738-A305-1FE715F7B229}\InprocServer32
CLSID\{EF40C567-0FE9-4738-A305-1FE715F7B229}\ProgID
CLSID\{EF40C567-0FE9-4738-A305-1FE715F7B229}\TypeLib
CLSID\{EF40C567-0FE9-4738-A305-1FE715F7B229}\VERSION
Interface\{3D357C7B-40EC-461E-836D-F25AEBEDF3C1}
Interface\{3D357C7B-40EC-461E-836D-F25AEBEDF3C1}\ProxyStubClsid
Interface\{3D357C7B-40EC-461E-836D-F25AEBEDF3C1}\ProxyStubClsid32
Interface\{3D357C7B-40EC-461E-836D-F25AEBEDF3C1}\TypeLib
Nelvo_data.getuser_data
Nelvo_data.getuser_data\Clsid
TypeLib\{332453D0-D359-4AD9-8A2C-82D12CC6CCAA}
TypeLib\{332453D0-D359-4AD9-8A2C-82D12CC6CCAA}\1.0
TypeLib\{332453D0-D359-4AD9-8A2C-82D12CC6CCAA}\1.0\0
TypeLib\{332453D0-D359-4AD9-8A2C-82D12CC6CCAA}\1.0\0\\${WINEARCH}
TypeLib\{332453D0-D359-4AD9-8A2C-82D12CC6CCAA}\1.0\FLAGS
TypeLib\{332453D0-D359-4AD9-8A2C-82D12CC6CCAA}\1.0\HELPDIR
KEYS
# A 64-bit view also shows the shared type library keys through the 32-bit
# view's link, Classes\Wow6432Node.
if [ "$WINEARCH" = win64 ]; then
    grep '^TypeLib' "$work/expected" | sed 's/^/Wow6432Node\\/' >>"$work/expected"
fi
# Key names compare without regard to case, as the registry does.
tr 'A-Z' 'a-z' <"$work/expected" | sort -o "$work/expected"
tr 'A-Z' 'a-z' <"$work/added" | sort -o "$work/added"
desc="registration adds exactly the class, program id, interface and library keys"
check cmp -s "$work/expected" "$work/added"
diff "$work/expected" "$work/added" || true
desc="registration changes no existing key"
check test -z "$(diff "$work/before" "$work/first" | grep '^<' || true)"

value_after() { # the value line following the key line $1
    awk -v key="[HKEY_LOCAL_MACHINE\\\\Software\\\\Classes\\\\$1]" '$0 == key { getline; print; exit }' "$work/first"
}
dll_escaped=$(printf '%s' "$dll" | sed 's/\\/\\\\/g')
desc="InprocServer32 names the DLL"
check test "$(value_after 'CLSID\\{EF40C567-0FE9-4738-A305-1FE715F7B229}\\InprocServer32')" = "@=\"$dll_escaped\""
desc="apartment threading"; check grep -q '^"ThreadingModel"="Apartment"$' "$work/first"
desc="ProgID -> CLSID"
check test "$(value_after 'Nelvo_data.getuser_data\\Clsid')" = '@="{EF40C567-0FE9-4738-A305-1FE715F7B229}"'
desc="CLSID -> ProgID"
check test "$(value_after 'CLSID\\{EF40C567-0FE9-4738-A305-1FE715F7B229}\\ProgID')" = '@="Nelvo_data.getuser_data"'
desc="VERSION 1.0"
check test "$(value_after 'CLSID\\{EF40C567-0FE9-4738-A305-1FE715F7B229}\\VERSION')" = '@="1.0"'
desc="CLSID -> type library"
check test "$(value_after 'CLSID\\{EF40C567-0FE9-4738-A305-1FE715F7B229}\\TypeLib')" = '@="{332453D0-D359-4AD9-8A2C-82D12CC6CCAA}"'

desc="unregister"; check regsvr /u "$dll"
snapshot third
desc="unregistering restores the registry exactly"; check cmp -s "$work/before" "$work/third"
desc="unregister again"; check regsvr /u "$dll"
snapshot fourth
desc="unregistering twice restores the registry exactly"; check cmp -s "$work/before" "$work/fourth"

desc="register for the clients"; check regsvr "$dll"
echo "$failures failed"
exit "$failures"
