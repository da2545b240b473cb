#!/bin/sh
# Runs a 64-bit Windows program under wine64 with wine's own diagnostics silenced, so that the
# program's standard output and error are exactly its own.
WINEDEBUG=-all
export WINEDEBUG
exec /usr/lib/wine/wine64 "$@"
