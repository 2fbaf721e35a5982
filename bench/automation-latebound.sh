#!/usr/bin/env bash
# One late-bound record call against the bare file calls it needs, under
# Wine, for each bitness: VBScript calling userdatensatz_holen by name
# (ROUNDS calls, cycling through a personnel file's records) against
# CreateFileW + GetFileSizeEx + ReadFile + CloseHandle of the same file in
# a program of the same bitness. Both sides time their own loop; the median
# of REPS runs each, taken in turn, gives the ratio.
#   bash bench/automation-latebound.sh [ROUNDS]      (default 5000; REPS=5)
# Needs build/win32 and build/win64 (cmake --build --preset win32 / win64);
# runs in the win64 build's prefix, where both DLLs are registered for the
# run and unregistered afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5000}
reps=${REPS:-5}
export WINEPREFIX=$PWD/build/win64/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine64=/usr/lib/wine/wine64
[[ -f build/win32/src/automation/Nelvo_data.dll && -f build/win64/src/automation/Nelvo_data.dll ]] || {
    echo "build the win32 and win64 presets first" >&2
    exit 2
}
[[ -f $WINEPREFIX/system.reg ]] || { wineboot -i >/dev/null 2>&1 || true; wineserver -w; }
wineserver -p </dev/null >/dev/null 2>&1 || true  # one may be running already
dll32=$(winepath -w build/win32/src/automation/Nelvo_data.dll)
dll64=$(winepath -w build/win64/src/automation/Nelvo_data.dll)
work=$(mktemp -d)
cleanup() {
    rm -rf "$work"
    wine 'C:\windows\syswow64\regsvr32.exe' /s /u "$dll32" </dev/null >/dev/null 2>&1 || true
    "$wine64" regsvr32 /s /u "$dll64" </dev/null >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
wine 'C:\windows\syswow64\regsvr32.exe' /s "$dll32" </dev/null >/dev/null 2>&1
"$wine64" regsvr32 /s "$dll64" </dev/null >/dev/null 2>&1
rm -rf "$WINEPREFIX/drive_c/nelvo-bench"
wine build/win64/tests/automation/make_test_files.exe 'C:\nelvo-bench' </dev/null >/dev/null
file='C:\nelvo-bench\personal.13'
script=$(winepath -w bench/automation/latebound.vbs)

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %16s %16s %8s\n' bitness "VBScript call" "bare file calls" ratio
for bits in 32 64; do
    if [[ $bits == 32 ]]; then cscript=(wine 'C:\windows\syswow64\cscript.exe'); else cscript=("$wine64" cscript); fi
    baseline=build/win$bits/bench/automation/file_read_baseline.exe
    # Alternating, so that a busy spell of the machine hits both sides.
    : >"$work/b" && : >"$work/v"
    for _ in $(seq "$reps"); do
        wine "$baseline" "$file" "$rounds" 1920 </dev/null >>"$work/b"
        "${cscript[@]}" //nologo "$script" "$file" "$rounds" </dev/null | tr -d '\r' | tr , . >>"$work/v"
    done
    b=$(median <"$work/b")
    v=$(median <"$work/v")
    awk -v bits="$bits" -v v="$v" -v b="$b" \
        'BEGIN { printf "%-8s %13.1f us %13.1f us %7.2fx\n", bits "-bit", v * 1e6, b * 1e6, v / b }'
done
