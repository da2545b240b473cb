#!/usr/bin/env python3
"""Runs a launcher executable and compares its standard output byte for byte with an expected
transcript, and its exit status with the expected one.

The transcript's placeholders are those of launcher_testing.transcript; those of the catalogue are
filled from the catalogue text given with --catalogue. Arguments may contain \\xNN escapes, to pass
bytes that are not UTF-8; the argument {EMPTY} stands for an empty argument (which CTest would
drop).
"""
import argparse
import os
import re
import subprocess
import sys

from launcher_testing.transcript import Transcript, windows_path


def decode_argument(text):
    if text == '{EMPTY}':
        return b''
    return re.sub(rb'\\x([0-9a-fA-F]{2})', lambda m: bytes([int(m.group(1), 16)]),
                  text.encode('utf-8'))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--exe', required=True)
    parser.add_argument('--expect', required=True, help='file holding the expected transcript')
    parser.add_argument('--catalogue', help='the catalogue text of the entry the run starts')
    parser.add_argument('--status', type=int, required=True, help='expected exit status')
    parser.add_argument('--wine', help='wine launcher script; runs the program under it')
    parser.add_argument('--emulator', help='runs the program under it (qemu-i386); the program '
                        'sees its path unchanged')
    parser.add_argument('--cwd', default=None)
    parser.add_argument('--expect-stderr', help='regular expression the whole standard error must '
                        'match')
    parser.add_argument('args', nargs='*')
    options = parser.parse_args()

    expected = Transcript(options.expect, options.catalogue)
    exe = os.path.abspath(options.exe)
    command = [exe.encode()] + [decode_argument(a) for a in options.args]
    program = exe.encode()
    if options.wine:
        command = [options.wine.encode()] + command
        program = os.fsencode(windows_path(exe))
    elif options.emulator:
        command = [options.emulator.encode()] + command
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            cwd=options.cwd, timeout=120)

    failures = expected.differences(result.stdout, program)
    if options.expect_stderr is not None and not re.fullmatch(
            options.expect_stderr.encode(), result.stderr, re.DOTALL):
        failures.append('standard error does not match %r' % options.expect_stderr)
    if result.returncode != options.status:
        failures.append('exit status %d, expected %d' % (result.returncode, options.status))
    if failures:
        print('\n'.join(failures))
        print('--- standard error\n%s' % result.stderr.decode('utf-8', 'replace'))
        return 1
    print('output and exit status %d as expected' % result.returncode)
    return 0


if __name__ == '__main__':
    sys.exit(main())
