# Sourced by the tests of the 64-bit prefix that register both DLLs: the
# programs of each bitness and the registry as each bitness sees it.
# Needs $work (a scratch directory) and, for `listing`, $dll32 and $dll64
# (the DLLs' Windows paths); NELVO_WINE_HOST is the 64-bit loader.

# regsvr32, reg, cmd and cscript of each bitness: the 32-bit ones from syswow64.
host32() { program=$1 && shift && wine "C:\\windows\\syswow64\\$program.exe" "$@"; }
host64() { program=$1 && shift && "$NELVO_WINE_HOST" "C:\\windows\\system32\\$program.exe" "$@"; }
quiet() { "$@" </dev/null >/dev/null 2>&1; }

# export HOST ROOT: the key ROOT as HOST's reg sees it, as UTF-8 text without
# CRs; nothing when it does not exist.
export_key() {
    rm -f "$work/export.reg"
    quiet $1 reg export "$2" "$(winepath -w "$work/export.reg")" /y || true
    [ -f "$work/export.reg" ] || return 0
    iconv -f UTF-16LE -t UTF-8 "$work/export.reg" | tr -d '\r'
}

# What a bitness sees of our identity values under one root, one line per
# value: "VIEW KEY NAME=DATA", paths of the DLLs as <DLL32> and <DLL64>, key
# names in lower case (the registry ignores case).
view() { # view NAME HOST ROOT
    export_key "$2" "$3" |
        awk -v view="$1" '
            /^\[/ { key = tolower(substr($0, 2, length($0) - 2)); next }
            /^(@|")/ && key ~ /ef40c567-0fe9-4738-a305-1fe715f7b229|3d357c7b-40ec-461e-836d-f25aebedf3c1|332453d0-d359-4ad9-8a2c-82d12cc6ccaa|nelvo_data\.getuser_data/ {
                print view " " key " " $0
            }' |
        sed "s|$(printf '%s' "$dll32" | sed 's/\\/\\\\\\\\/g')|<DLL32>|; s|$(printf '%s' "$dll64" | sed 's/\\/\\\\\\\\/g')|<DLL64>|"
}

# listing FILE: our identity values in both views of the machine's classes
# and in the user's, sorted (the form of tests/automation/registry/*.txt).
listing() {
    {
        view machine64 host64 'HKLM\Software\Classes'
        view machine32 host32 'HKLM\Software\Classes'
        view user host64 'HKCU\Software'
    } | LC_ALL=C sort >"$1"
}

# classes FILE: every class registration, ours or not: the machine's
# classes in both views and the user's.
classes() {
    {
        export_key host64 'HKLM\Software\Classes'
        export_key host32 'HKLM\Software\Classes'
        export_key host64 'HKCU\Software\Classes'
    } >"$1"
}
