"""A catalogue text (tarn.json, lum.json) read independently of the launcher's decoder, as the
source of what a run of that entry must show: its JVM path, classes and options.

The text is either an object with the members jvm_path, main_class, encrypt_class and options, or
an array of those four values in that order. A byte string is a JSON string, whose bytes (raw
control characters and bytes that are not UTF-8 included) are kept as written, or an array of byte
values.
"""
import json
import os


class CatalogueEntry:
    """One entry: its name (the file's name without .json) and its members as bytes."""

    def __init__(self, path):
        with open(path, 'rb') as f:
            # surrogateescape carries bytes that are not UTF-8 through the JSON reader unchanged;
            # strict=False keeps raw control characters, as the launcher's decoder does.
            record = json.loads(f.read().decode('utf-8', 'surrogateescape'), strict=False)
        if isinstance(record, list):
            record = dict(zip(('jvm_path', 'main_class', 'encrypt_class', 'options'), record))
        self.name = os.path.splitext(os.path.basename(path))[0]
        self.jvm_path = byte_string(record['jvm_path'])
        self.main_class = byte_string(record['main_class'])
        self.encrypt_class = byte_string(record['encrypt_class'])
        self.options = [byte_string(option) for option in record['options']]


def byte_string(value):
    """A catalogue byte string as bytes: a JSON string, or an array of byte values."""
    if isinstance(value, list):
        return bytes(value)
    return value.encode('utf-8', 'surrogateescape')
