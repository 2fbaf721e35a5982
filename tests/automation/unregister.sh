#!/bin/sh
# Unregisters the server after the client tests: regsvr32 /u DLL, and in a
# 64-bit prefix the 32-bit DLL named by NELVO_UNREGISTER_32 as well.
set -eu
if [ -n "${NELVO_UNREGISTER_32:-}" ]; then
    wine 'C:\windows\syswow64\regsvr32.exe' /u /s "$(winepath -w "$NELVO_UNREGISTER_32")" </dev/null >/dev/null 2>&1
fi
"${NELVO_WINE_HOST:-wine}" regsvr32 /u /s "$(winepath -w "$1")" </dev/null >/dev/null 2>&1
