#!/bin/sh
# Creates the Wine prefix named by WINEPREFIX (32-bit) unless it exists, and
# waits until Wine has finished setting it up.
set -eu
: "${WINEPREFIX:?}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 </dev/null || true
fi
wineserver -w
test -f "$WINEPREFIX/system.reg"
