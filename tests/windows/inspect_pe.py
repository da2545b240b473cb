#!/usr/bin/env python3
"""Checks what a Windows launcher executable carries: architecture, GUI subsystem, imports that are
only Windows system DLLs (no JVM, no MinGW runtime DLL), the version block and the DPI manifest.

usage: inspect_pe.py EXE {i386|amd64} [--stripped]
  --stripped  also require that it has no debug sections and no symbol table (a release build)
"""
import sys

import pefile

SYSTEM_DLLS = {'kernel32.dll', 'msvcrt.dll', 'user32.dll', 'advapi32.dll', 'shell32.dll',
               'ws2_32.dll', 'bcrypt.dll', 'ntdll.dll', 'ucrtbase.dll'}


def header_failures(pe, arch):
    """The machine and PE format of `arch`, and the Windows GUI subsystem."""
    failures = []
    machine = {'i386': 0x14c, 'amd64': 0x8664}[arch]
    if pe.FILE_HEADER.Machine != machine:
        failures.append('machine 0x%x, expected 0x%x' % (pe.FILE_HEADER.Machine, machine))
    want_magic = 0x10b if arch == 'i386' else 0x20b  # PE32 or PE32+
    if pe.OPTIONAL_HEADER.Magic != want_magic:
        failures.append('optional header magic 0x%x' % pe.OPTIONAL_HEADER.Magic)
    if pe.OPTIONAL_HEADER.Subsystem != 2:  # IMAGE_SUBSYSTEM_WINDOWS_GUI
        failures.append('subsystem %d, expected 2 (Windows GUI)' % pe.OPTIONAL_HEADER.Subsystem)
    return failures


def import_failures(imports):
    foreign = [dll for dll in imports
               if dll not in SYSTEM_DLLS and not dll.startswith('api-ms-win-')]
    if foreign:
        return ['imports DLLs that are not Windows system DLLs: %s' % foreign]
    return []


def version_failures(pe):
    """The version block's strings and its fixed file and product versions."""
    failures = []
    strings = {}
    for info in getattr(pe, 'FileInfo', []):
        for block in info:
            for table in getattr(block, 'StringTable', []):
                for key, value in table.entries.items():
                    strings[key.decode()] = value.decode()
    for key, value in {'OriginalFilename': 'launcher.exe', 'ProductName': 'launcher',
                       'ProductVersion': '1.0.3', 'FileVersion': '1.0.0.0'}.items():
        if strings.get(key) != value:
            failures.append('version string %s is %r, expected %r' % (key, strings.get(key), value))
    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, 'VS_FIXEDFILEINFO', None) else None
    if fixed is None:
        failures.append('no fixed version information')
    else:
        file_version = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xffff,
                        fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xffff)
        product_version = (fixed.ProductVersionMS >> 16, fixed.ProductVersionMS & 0xffff,
                           fixed.ProductVersionLS >> 16)
        if file_version != (1, 0, 0, 0):
            failures.append('fixed file version %s' % (file_version,))
        if product_version != (1, 0, 3):
            failures.append('fixed product version %s' % (product_version,))
    return failures


def manifest_failures(pe):
    """The application manifest must declare per-monitor DPI awareness."""
    manifest = None
    resources = pe.DIRECTORY_ENTRY_RESOURCE.entries if hasattr(pe, 'DIRECTORY_ENTRY_RESOURCE') else []
    for kind in resources:
        if kind.id == pefile.RESOURCE_TYPE['RT_MANIFEST']:
            data = kind.directory.entries[0].directory.entries[0].data.struct
            manifest = pe.get_data(data.OffsetToData, data.Size).decode('utf-8')
    if manifest is None:
        return ['no application manifest']
    failures = []
    for needle in ('<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">'
                   'true</dpiAware>',
                   '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">'
                   'PerMonitorV2</dpiAwareness>'):
        if needle not in manifest:
            failures.append('manifest lacks %s' % needle)
    return failures


def stripped_failures(pe):
    """No COFF symbol table and no .debug_* section. A section name longer than eight bytes, as
    every .debug_* name is, is written "/N": an offset into the strings after the symbol table."""
    failures = []
    header = pe.FILE_HEADER
    strings = None
    if header.PointerToSymbolTable:
        failures.append('a symbol table of %d entries' % header.NumberOfSymbols)
        strings = header.PointerToSymbolTable + 18 * header.NumberOfSymbols
    for section in pe.sections:
        name = section.Name.rstrip(b'\0').decode('latin-1')
        if name.startswith('/') and strings is not None:
            start = strings + int(name[1:])
            name = pe.__data__[start:pe.__data__.find(b'\0', start)].decode('latin-1')
        if name.startswith('.debug') or name.startswith('/'):
            failures.append('debug section %s (%d bytes)' % (name, section.SizeOfRawData))
    return failures


def main():
    path, arch = sys.argv[1], sys.argv[2]
    stripped = sys.argv[3:] == ['--stripped']
    pe = pefile.PE(path)
    imports = sorted(entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT)
    failures = (header_failures(pe, arch) + import_failures(imports) + version_failures(pe)
                + manifest_failures(pe) + (stripped_failures(pe) if stripped else []))
    if failures:
        print('\n'.join(failures))
        return 1
    print('%s: %s GUI executable importing only %s; version and manifest present%s'
          % (path, arch, ', '.join(imports),
             '; no debug sections, no symbol table' if stripped else ''))
    return 0


if __name__ == '__main__':
    sys.exit(main())
