#!/usr/bin/env python3
"""Copies a table file with one byte of its Tyboxes region changed: the low byte of the word
Tyboxes[0][0][x], x the first IV byte of the first known answer with data.

That entry is one the known answers are certain to read (round 0 sees the IV unencoded, position 0
after ShiftRows is byte 0), so the change must show in their result. A change in an entry that no
vector reads is beyond what any set of known answers can see.

    change_table_byte.py TABLES KNOWN_ANSWERS OUTPUT
"""
import sys

TYBOXES_OFFSET = 13 * 96 * 16 * 16  # after the Xor tables

tables_path, answers_path, output_path = sys.argv[1:4]
tables = bytearray(open(tables_path, 'rb').read())
assert len(tables) == 749568, f'{tables_path} is {len(tables)} bytes'
for line in open(answers_path):
    fields = line.split()
    if fields and fields[0] == 'cfb' and fields[2] != '-':
        first_iv_byte = int(fields[1][:2], 16)
        break
else:
    sys.exit(f'{answers_path} holds no known answer with data')
offset = TYBOXES_OFFSET + 4 * first_iv_byte
tables[offset] ^= 0x01
open(output_path, 'wb').write(tables)
print(f'changed byte {offset} (Tyboxes[0][0][{first_iv_byte}], low byte)')
