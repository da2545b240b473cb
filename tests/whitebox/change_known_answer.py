#!/usr/bin/env python3
"""Copies a known-answers file with the last ciphertext byte of one vector changed (bit 0 flipped),
or without one vector, everything else byte for byte:

    change_known_answer.py ANSWERS OUTPUT INDEX [drop]
        INDEX counts the vector lines from 1; the vector must have a ciphertext unless dropped
"""
import sys

answers_path, output_path, index = sys.argv[1], sys.argv[2], int(sys.argv[3])
drop = sys.argv[4:] == ['drop']
lines = open(answers_path, 'rb').read().split(b'\n')
vectors = [i for i, line in enumerate(lines) if line.startswith(b'cfb ')]
assert 1 <= index <= len(vectors), f'{answers_path} has {len(vectors)} vectors'
number = vectors[index - 1]
if drop:
    del lines[number]
    open(output_path, 'wb').write(b'\n'.join(lines))
    sys.exit(print(f'vector {index} (line {number + 1}) dropped'))
fields = lines[number].split(b' ')
assert len(fields) == 4 and fields[3] != b'-', f'vector {index} has no ciphertext'
last = int(fields[3][-2:], 16) ^ 0x01
fields[3] = fields[3][:-2] + b'%02x' % last
lines[number] = b' '.join(fields)
open(output_path, 'wb').write(b'\n'.join(lines))
print(f'vector {index} (line {number + 1}): last ciphertext byte now {last:02x}')
