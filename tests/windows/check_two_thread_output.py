#!/usr/bin/env python3
"""Runs two_thread_output under wine with its standard output a pipe of this process, and checks
that every text of each of its two threads arrived whole and in its thread's order: the output is a
sequence of whole texts, each thread's cells numbered on without a gap.

The pipe is one of the host system, which takes a write whole only up to PIPE_BUF bytes: a larger
text goes in pieces, between which another thread's write gets in unless the writer holds a lock
across the whole text. (A pipe made by CreatePipe under wine takes each WriteFile whole, so it
would not show the fault.)
"""
import argparse
import subprocess
import sys


def first_fault(output, texts, cells):
    """What is first wrong with `output`, or None."""
    next_cell = {b'A'[0]: 0, b'B'[0]: 0}
    current = None  # the letter whose text is under way, or None between texts
    for at in range(0, len(output), 8):
        cell = output[at:at + 8]
        letter = cell[0]
        if letter not in next_cell or cell != b'%c%06x\n' % (letter, next_cell[letter] & 0xffffff):
            return 'byte %d: cell %r out of place' % (at, cell)
        if current is not None and letter != current:
            return 'byte %d: a text of %c begins inside a text of %c' % (at, letter, current)
        next_cell[letter] += 1
        current = None if next_cell[letter] % cells == 0 else letter
    counts = list(next_cell.values())
    if counts != [texts * cells] * 2:
        return 'received %d bytes: %d cells of A and %d of B, expected %d of each' % (
            len(output), counts[0], counts[1], texts * cells)
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--wine', required=True, help='wine launcher script')
    parser.add_argument('--exe', required=True)
    parser.add_argument('--texts', type=int, required=True, help='texts per thread')
    parser.add_argument('--cells', type=int, required=True, help='8-byte cells per text')
    options = parser.parse_args()

    result = subprocess.run(
        [options.wine, options.exe, str(options.texts), str(options.cells)],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    fault = first_fault(result.stdout, options.texts, options.cells)
    if result.returncode != 0:
        fault = 'exit status %d: %s' % (result.returncode, result.stderr.decode(errors='replace'))
    if fault:
        print(fault)
        return 1
    print('%d texts of %d bytes from each of two threads arrived whole' % (
        options.texts, 8 * options.cells))
    return 0


if __name__ == '__main__':
    sys.exit(main())
