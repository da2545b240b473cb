#!/bin/sh
# Tells how this machine runs 32-bit x86 programs, as one line of two words: <linux> <windows>.
#   linux    native    the kernel executes 32-bit Linux programs
#            emulated  only qemu-i386 (Debian's qemu-user) runs them: good for unit tests, not for a
#                      32-bit JVM
#            none      nothing here runs them
#   windows  native    32-bit wine runs (it needs native 32-bit execution: emulated wine is far too
#                      slow to test with)
#            none      otherwise
# Usage: probe-32bit-execution.sh [auto|native|emulated|none]
# The argument (else LAUNCHER_32BIT_EXECUTION, else auto) forces an answer: native means both
# native, emulated means Linux emulated and Windows none, none means none for both. A forced answer
# this machine cannot give fails at once with the reason and status 2, before anything is built.
set -u

mode=${1:-${LAUNCHER_32BIT_EXECUTION:-auto}}
case "$mode" in
  auto | "" | native | emulated | none) ;;
  *)
    echo "probe-32bit-execution.sh: unknown mode '$mode' (auto, native, emulated or none)" >&2
    exit 2
    ;;
esac

work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
probe="$work/probe32"
qemu=$(command -v qemu-i386 || true)
wine32=/usr/lib/wine/wine

# A 32-bit program that only exits; built with the -m32 compiler every 32-bit build uses.
printf 'int main(void) { return 0; }\n' >"$work/probe.c"
have_probe=false
if ${CC:-cc} -m32 -o "$probe" "$work/probe.c" >/dev/null 2>&1; then
  have_probe=true
fi

runs_natively() { $have_probe && "$probe" >/dev/null 2>&1; }
runs_emulated() { $have_probe && [ -n "$qemu" ] && "$qemu" "$probe" >/dev/null 2>&1; }
wine32_runs() { [ -x "$wine32" ] && "$wine32" --version >/dev/null 2>&1; }

refuse() {
  echo "probe-32bit-execution.sh: LAUNCHER_32BIT_EXECUTION=$mode cannot be had here: $*" >&2
  exit 2
}

case "$mode" in
  native)
    $have_probe || refuse "no -m32 compiler to probe with (Debian: g++-multilib)"
    runs_natively || refuse "this kernel does not execute 32-bit x86 programs"
    wine32_runs || refuse "$wine32 does not run (Debian: wine32:i386)"
    echo "native native"
    ;;
  emulated)
    $have_probe || refuse "no -m32 compiler to probe with (Debian: g++-multilib)"
    [ -n "$qemu" ] || refuse "no qemu-i386 (Debian: qemu-user)"
    runs_emulated || refuse "qemu-i386 does not run a 32-bit program"
    echo "emulated none"
    ;;
  none)
    echo "none none"
    ;;
  *)
    if runs_natively; then
      if wine32_runs; then echo "native native"; else echo "native none"; fi
    elif runs_emulated; then
      echo "emulated none"
    else
      echo "none none"
    fi
    ;;
esac
