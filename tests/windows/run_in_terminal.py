#!/usr/bin/env python3
"""Runs a Windows program under wine in a pseudo-terminal, as a user's terminal would, and checks
that given lines appear on the terminal in order.

    run_in_terminal.py --wine WINE --expect FILE [--catalogue TEXT]
                       [--status-report FILE --status N] -- PROGRAM ARGS...

FILE is an expected transcript (launcher_testing.transcript), its catalogue placeholders filled
from the catalogue text TEXT; its lines that hold {PROGRAM} or {POINTER} may be anything. Wine's
console draws with terminal control sequences and CR LF line ends; both are removed before the
comparison. With --status-report, the file that start_without_console wrote must say
"exit status N".
"""
import argparse
import fcntl
import os
import pty
import re
import struct
import sys
import termios
import time

from launcher_testing.transcript import Transcript

CONTROL = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b[()][A-Za-z0-9]|\x1b[=>]")


def run_in_pty(command, timeout):
    pid, fd = pty.fork()
    if pid == 0:
        os.environ["WINEDEBUG"] = "-all"
        os.execv(command[0], command)
    # Wide enough that no trace line wraps.
    fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", 200, 400, 0, 0))
    output = b""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            data = os.read(fd, 65536)
        except OSError:  # the terminal closed: every process on it has ended
            break
        if not data:
            break
        output += data
    _, status = os.waitpid(pid, 0)
    return output, status


def screen_lines(output):
    text = CONTROL.sub(b"", output).replace(b"\r", b"")
    return [line.rstrip() for line in text.decode("utf-8", "replace").split("\n")]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--expect", required=True)
    parser.add_argument("--catalogue")
    parser.add_argument("--status-report")
    parser.add_argument("--status", type=int)
    parser.add_argument("command", nargs="+")
    options = parser.parse_args()

    output, _ = run_in_pty([options.wine] + options.command, timeout=120)
    lines = screen_lines(output)
    expected = [None if line is None else line.decode("utf-8").rstrip()
                for line in Transcript(options.expect, options.catalogue).fixed_lines()]
    failures = []
    cursor = 0
    for wanted in expected:
        if not wanted:  # a line that differs from run to run, or an empty one
            continue
        found = next((i for i in range(cursor, len(lines)) if lines[i] == wanted), None)
        if found is None:
            failures.append(f"the terminal lacks, after line {cursor}, the line {wanted!r}")
            break
        cursor = found + 1
    if options.status_report:
        with open(options.status_report, encoding="utf-8") as f:
            report = f.read().split("\n")[0]
        if report != f"exit status {options.status}":
            failures.append(f"{report!r}, expected exit status {options.status}")
    if failures:
        print("\n".join(failures))
        print("--- terminal\n" + "\n".join(lines))
        return 1
    print(f"{len(expected)} expected lines seen on the terminal")
    return 0


if __name__ == "__main__":
    sys.exit(main())
