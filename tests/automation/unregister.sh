#!/bin/sh
# Unregisters the server after the client tests: regsvr32 /u DLL
set -eu
wine regsvr32 /u /s "$(winepath -w "$1")" </dev/null >/dev/null 2>&1
