"""What the application folder's checks need of a Windows executable or DLL (the PE format): its
machine type and the names of the DLLs it imports at load time. Delay-loaded DLLs are left out:
a missing one does not stop the image from loading.
"""
import struct

MACHINES = {0x014c: 'x86 (32-bit)', 0x8664: 'x86-64 (64-bit)', 0xaa64: 'ARM64',
            0x01c4: 'ARM (32-bit)'}
IMPORT_DIRECTORY = 1


class NotAnImage(Exception):
    """The file is not a PE image, or one whose headers point outside it."""


class Image:
    """REQUIRES: `data` is the whole file. Raises NotAnImage for anything that is not a well-formed
    PE image as far as the machine type and the import table go."""

    def __init__(self, data):
        self._data = data
        if data[:2] != b'MZ':
            raise NotAnImage('no MZ header')
        (pe,) = self._unpack('<I', 0x3c)
        if data[pe:pe + 4] != b'PE\0\0':
            raise NotAnImage('no PE signature')
        self.machine, sections, _, _, _, optional_size, _ = self._unpack('<HHIIIHH', pe + 4)
        optional = pe + 24
        (magic,) = self._unpack('<H', optional)
        if magic == 0x10b:
            directories = optional + 96
        elif magic == 0x20b:
            directories = optional + 112
        else:
            raise NotAnImage('unknown optional header magic 0x%x' % magic)
        (count,) = self._unpack('<I', directories - 4)
        self._sections = [self._unpack('<IIII', optional + optional_size + 40 * i + 8)
                          for i in range(sections)]
        self._import_rva = 0
        if count > IMPORT_DIRECTORY:
            (self._import_rva,) = self._unpack('<I', directories + 8 * IMPORT_DIRECTORY)

    def machine_name(self):
        return MACHINES.get(self.machine, 'machine type 0x%04x' % self.machine)

    def imports(self):
        """The imported DLLs' names, as the image spells them, in table order."""
        names = []
        if not self._import_rva:
            return names
        entry = self._offset(self._import_rva)
        while True:
            thunks, _, _, name_rva, first_thunk = self._unpack('<IIIII', entry)
            if not (thunks or name_rva or first_thunk):
                return names
            start = self._offset(name_rva)
            end = self._data.find(b'\0', start)
            if end < 0:
                raise NotAnImage('an imported name runs past the end of the file')
            names.append(self._data[start:end].decode('ascii', 'replace'))
            entry += 20

    def _offset(self, rva):
        for virtual_size, virtual_address, raw_size, raw_offset in self._sections:
            if virtual_address <= rva < virtual_address + max(virtual_size, raw_size):
                return raw_offset + rva - virtual_address
        raise NotAnImage('address 0x%x lies in no section' % rva)

    def _unpack(self, layout, offset):
        size = struct.calcsize(layout)
        if offset < 0 or offset + size > len(self._data):
            raise NotAnImage('the headers point past the end of the file')
        return struct.unpack_from(layout, self._data, offset)
