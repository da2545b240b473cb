#!/bin/sh
# Runs a 32-bit Windows program under 32-bit wine with wine's own diagnostics silenced, so that the
# program's standard output and error are exactly its own.
# LAUNCHER_WINEDEBUG, where set, replaces that silence (a test that reads wine's report of the
# program's debugger output sets it to -all,+debugstr).
#
# 32-bit programs get a wine prefix of their own (LAUNCHER_WINE32_PREFIX, by default one under the
# user's home): a prefix that wine64 created alone cannot run them ("could not load kernel32.dll").
# The first run creates and initialises the prefix while holding a lock beside it, so that tests
# started in parallel never see a half-made prefix; later runs only test for the marker file.
WINEDEBUG=${LAUNCHER_WINEDEBUG:--all}
WINEARCH=win32
WINEPREFIX=${LAUNCHER_WINE32_PREFIX:-${HOME:-/tmp}/.local/share/launcher/wine-i686}
export WINEDEBUG WINEARCH WINEPREFIX

ready="$WINEPREFIX/.launcher-prefix-ready"
if [ ! -f "$ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")" || exit 125
  (
    flock 9 || exit 125
    if [ ! -f "$ready" ]; then
      # Also completes a prefix that an interrupted first run left half-made.
      /usr/lib/wine/wine wineboot --init >/dev/null 2>&1 </dev/null
      /usr/lib/wine/wineserver -w
      if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine32-run.sh: could not initialise the wine prefix $WINEPREFIX" >&2
        exit 125
      fi
      touch "$ready"
    fi
  ) 9>"$WINEPREFIX.lock" || exit 125
fi
exec /usr/lib/wine/wine "$@"
