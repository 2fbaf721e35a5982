#!/bin/sh
# Creates the Wine prefix named by WINEPREFIX, of the architecture WINEARCH,
# unless it exists, then keeps one wineserver and Wine's background services running for the
# tests, started here with their output detached: a background process
# started by a test would hold the test's pipes open.
set -eu
: "${WINEPREFIX:?}" "${WINEARCH:?}"
wineserver -k 2>/dev/null || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w
fi
grep -q "^#arch=$WINEARCH" "$WINEPREFIX/system.reg"
wineserver -p </dev/null >/dev/null 2>&1
"${NELVO_WINE_HOST:-wine}" cmd /c exit </dev/null >/dev/null 2>&1
