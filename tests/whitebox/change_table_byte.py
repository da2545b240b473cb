#!/usr/bin/env python3
"""Copies a table file with one bit changed in its Tyboxes region: bit 0 of byte BYTE (0: the
least significant) of the word Tyboxes[ROUND][POSITION][VALUE].

    change_table_byte.py TABLES OUTPUT ROUND POSITION VALUE BYTE
"""
import sys

TABLE_FILE_SIZE = 749568
TYBOXES_OFFSET = 13 * 96 * 16 * 16  # after the Xor tables; words are little-endian

tables_path, output_path = sys.argv[1:3]
round_, position, value, byte = (int(a) for a in sys.argv[3:7])
assert 0 <= round_ < 13 and 0 <= position < 16 and 0 <= value < 256 and 0 <= byte < 4
tables = bytearray(open(tables_path, 'rb').read())
assert len(tables) == TABLE_FILE_SIZE, f'{tables_path} is {len(tables)} bytes'
offset = TYBOXES_OFFSET + 4 * ((round_ * 16 + position) * 256 + value) + byte
tables[offset] ^= 0x01
open(output_path, 'wb').write(tables)
print(f'changed byte {offset}: Tyboxes[{round_}][{position}][{value}], byte {byte}')
