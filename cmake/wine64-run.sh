#!/bin/sh
# Runs a 64-bit Windows program under wine64 with wine's own diagnostics silenced, so that the
# program's standard output and error are exactly its own.
# LAUNCHER_WINEDEBUG, where set, replaces that silence (a test that reads wine's report of the
# program's debugger output sets it to -all,+debugstr).
WINEDEBUG=${LAUNCHER_WINEDEBUG:--all}
export WINEDEBUG
exec /usr/lib/wine/wine64 "$@"
