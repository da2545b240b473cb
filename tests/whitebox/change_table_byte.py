#!/usr/bin/env python3
"""Copies a table file with one bit changed:

    change_table_byte.py TABLES OUTPUT tyboxes ROUND POSITION VALUE BYTE
        bit 0 of byte BYTE (0: the least significant) of the word Tyboxes[ROUND][POSITION][VALUE]
    change_table_byte.py TABLES OUTPUT xor ROUND TABLE P Q
        bit 4 of Xor[ROUND][TABLE][P][Q], which makes it more than a 4-bit value
    change_table_byte.py TABLES OUTPUT offset OFFSET
        bit 0 of the byte at OFFSET of the file, whichever table holds it
"""
import sys

TABLE_FILE_SIZE = 749568
TYBOXES_OFFSET = 13 * 96 * 16 * 16  # after the Xor tables; words are little-endian

tables_path, output_path, region = sys.argv[1:4]
indices = [int(a) for a in sys.argv[4:8]]
if region == 'tyboxes':
    round_, position, value, byte = indices
    assert 0 <= round_ < 13 and 0 <= position < 16 and 0 <= value < 256 and 0 <= byte < 4
    offset = TYBOXES_OFFSET + 4 * ((round_ * 16 + position) * 256 + value) + byte
    mask = 0x01
elif region == 'xor':
    round_, table, p, q = indices
    assert 0 <= round_ < 13 and 0 <= table < 96 and 0 <= p < 16 and 0 <= q < 16
    offset = ((round_ * 96 + table) * 16 + p) * 16 + q
    mask = 0x10
elif region == 'offset':
    offset, = indices
    assert 0 <= offset < TABLE_FILE_SIZE
    mask = 0x01
else:
    sys.exit(f'unknown region {region!r}')
tables = bytearray(open(tables_path, 'rb').read())
assert len(tables) == TABLE_FILE_SIZE, f'{tables_path} is {len(tables)} bytes'
tables[offset] ^= mask
open(output_path, 'wb').write(tables)
print(f'changed byte {offset} ({region} {indices}) to {tables[offset]:#04x}')
