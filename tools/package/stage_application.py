#!/usr/bin/env python3
"""Stages the application folder that launcher.exe runs in, after refusing one that can never start.

Usage: stage_application.py --launcher EXE [--runtime DIR] [--files DIR] --catalogue JSON...
                            --output DIR [--allow-unstartable]

The folder is launcher.exe, the Java runtime DIR as jre\\, and the content of --files as it is.
Before anything is staged, it is refused, one line per fault with the file, what is wrong and what
to do, when:
  - a catalogue's jvm_path names no file in it (a path outside the folder is only warned about:
    what another machine holds cannot be seen here);
  - that jvm.dll is no DLL, or one of another machine type than launcher.exe;
  - a DLL it imports (or one of those imports, in turn), other than Windows' own, lies neither
    beside it, nor in the runtime's bin folder, nor in the application folder;
  - the runtime's release file names a Java release that refuses one of the catalogue's options.
A runtime without a release file is warned about. --allow-unstartable turns the refusals into
warnings. Exit status 0 iff the folder was staged; a refused folder leaves no earlier folder behind
at --output, so nothing stale can be packaged.
"""
import argparse
import json
import os
import re
import shutil
import sys

from pe_image import Image, NotAnImage

# DLLs that every Windows has in its system folder, which a Java runtime imports and never ships.
WINDOWS_DLLS = {
    'advapi32.dll', 'bcrypt.dll', 'comctl32.dll', 'comdlg32.dll', 'crypt32.dll', 'dbghelp.dll',
    'dnsapi.dll', 'dwmapi.dll', 'gdi32.dll', 'gdiplus.dll', 'imm32.dll', 'iphlpapi.dll',
    'kernel32.dll', 'kernelbase.dll', 'mpr.dll', 'msimg32.dll', 'msvcrt.dll', 'mswsock.dll',
    'netapi32.dll', 'ntdll.dll', 'ole32.dll', 'oleaut32.dll', 'opengl32.dll', 'powrprof.dll',
    'psapi.dll', 'rpcrt4.dll', 'secur32.dll', 'setupapi.dll', 'shell32.dll', 'shlwapi.dll',
    'ucrtbase.dll', 'user32.dll', 'userenv.dll', 'uxtheme.dll', 'version.dll', 'winhttp.dll',
    'wininet.dll', 'winmm.dll', 'winspool.drv', 'ws2_32.dll', 'wsock32.dll', 'wtsapi32.dll',
}
# Windows' API sets (api-ms-win-crt-runtime-l1-1-0.dll...) resolve inside the system.
WINDOWS_API_SET = re.compile(r'^(api|ext)-ms-', re.IGNORECASE)
# Options that Java 9 and later refuse, so that JNI_CreateJavaVM fails, and what to use instead.
REFUSED_FROM_JAVA_9 = [
    ('-Djava.ext.dirs=', 'extension folders are gone; list the jars in -Djava.class.path'),
    ('-Djava.endorsed.dirs=', 'endorsed folders are gone; use upgradeable modules'),
    ('-Xbootclasspath/p:', 'use --patch-module'),
]
RELEASE_VERSION = re.compile(r'^JAVA_VERSION="([^"]*)"', re.MULTILINE)


class Folder:
    """The folder to stage: relative path (with /) -> source file, looked up as Windows does,
    whatever the case. Folders are kept too, so that empty ones are staged."""

    def __init__(self):
        self.files = {}
        self.folders = set()
        self._by_lower = {}
        self.conflicts = []

    def add_file(self, relative, source):
        key = relative.lower()
        if key in self._by_lower:
            self.conflicts.append((relative, self.files[self._by_lower[key]], source))
            return
        self._by_lower[key] = relative
        self.files[relative] = source

    def add_tree(self, prefix, top):
        for parent, folders, files in os.walk(top):
            folders.sort()
            below = os.path.relpath(parent, top).replace(os.sep, '/')
            below = '' if below == '.' else below
            base = '/'.join(part for part in (prefix, below) if part)
            if base:
                self.folders.add(base)
            for name in sorted(files):
                self.add_file('/'.join(part for part in (base, name) if part),
                              os.path.join(parent, name))

    def find(self, relative):
        """The staged path of `relative` as Windows would resolve it, or None."""
        return self._by_lower.get(relative.lower())


def windows_relative(path):
    """`path` (a catalogue's jvm_path) relative to the application folder, with /, or None when
    it names a place outside the folder (absolute, on a drive, a share, or through ..)."""
    if re.match(r'^([A-Za-z]:|[\\/])', path):
        return None
    parts = [part for part in re.split(r'[\\/]+', path) if part not in ('', '.')]
    if not parts or '..' in parts:
        return None
    return '/'.join(parts)


def catalogue_entry(path):
    """(jvm_path, options) of a catalogue text; each value a string or an array of bytes."""
    def text(value):
        if isinstance(value, list):
            return bytes(value).decode('utf-8', 'replace')
        return value
    with open(path, encoding='utf-8') as f:
        record = json.load(f)
    return text(record['jvm_path']), [text(option) for option in record['options']]


def java_feature_release(version):
    """8 for "1.8.0_402", 17 for "17.0.2"; None for what names no release."""
    match = re.match(r'^(?:1\.)?(\d+)', version)
    return int(match.group(1)) if match else None


class Checker:
    def __init__(self, options, folder):
        self.options = options
        self.folder = folder
        self.faults = []
        self.warnings = []
        with open(options.launcher, 'rb') as f:
            self.launcher = Image(f.read())

    def fault(self, file, problem):
        self.faults.append('%s: %s' % (file, problem))

    def check(self):
        for relative, first, second in self.folder.conflicts:
            self.fault(second, 'stages as %s, which %s already is; leave it out of one of the '
                       'folders' % (relative.replace('/', '\\'), first))
        jvms = []
        for catalogue in self.options.catalogue:
            jvm_path, _ = catalogue_entry(catalogue)
            relative = windows_relative(jvm_path)
            if relative is None:
                self.warnings.append('%s: jvm_path %s lies outside the application folder, so it '
                                     'is not checked here' % (catalogue, jvm_path))
                continue
            staged = self.folder.find(relative)
            if staged is None:
                self.fault(catalogue, 'jvm_path %s names no file in the application folder; '
                           'stage a Java runtime that has it (LAUNCHER_APPLICATION_RUNTIME) or '
                           'correct jvm_path' % jvm_path)
            elif staged not in jvms:
                jvms.append(staged)
        for staged in jvms:
            self.check_jvm(staged)
        self.check_release()

    def check_jvm(self, staged):
        source = self.folder.files[staged]
        image = self.image(source, 'a Java runtime for Windows')
        if image is None:
            return
        if image.machine != self.launcher.machine:
            self.fault(source, 'a DLL for %s, but launcher.exe is for %s; stage a runtime built for '
                       '%s' % (image.machine_name(), self.launcher.machine_name(),
                               self.launcher.machine_name()))
            return
        jvm_folder = os.path.dirname(staged)
        search = [jvm_folder, os.path.dirname(jvm_folder), '']
        seen = set()
        pending = [(staged, image)]
        while pending:
            importer, importer_image = pending.pop(0)
            for name in importer_image.imports():
                if name.lower() in WINDOWS_DLLS or WINDOWS_API_SET.match(name):
                    continue
                found = next((hit for hit in (self.folder.find('/'.join(
                    part for part in (folder, name) if part)) for folder in search) if hit), None)
                if found is None:
                    self.fault(self.folder.files[importer],
                               'imports %s, which lies neither beside %s, nor in %s, nor in the '
                               'application folder; copy the Java runtime whole, with the DLLs of '
                               'its bin folder'
                               % (name, staged.rsplit('/', 1)[-1],
                                  self.source_folder(os.path.dirname(jvm_folder))))
                elif found.lower() not in seen:
                    seen.add(found.lower())
                    found_image = self.image(self.folder.files[found], 'a DLL')
                    if found_image is not None:
                        pending.append((found, found_image))

    def image(self, source, what):
        with open(source, 'rb') as f:
            data = f.read()
        try:
            return Image(data)
        except NotAnImage as reason:
            self.fault(source, 'is not a Windows DLL (%s); stage %s' % (reason, what))
            return None

    def source_folder(self, staged_folder):
        if staged_folder == 'jre' or staged_folder.startswith('jre/'):
            if self.options.runtime:
                return os.path.join(self.options.runtime, staged_folder[4:]).rstrip('/')
        return os.path.join(self.options.files or '', staged_folder).rstrip('/')

    def check_release(self):
        if not self.options.runtime:
            return
        release = os.path.join(self.options.runtime, 'release')
        if not os.path.isfile(release):
            self.warnings.append('%s: no release file, so the catalogues\' options are not checked '
                                 'against its Java release' % self.options.runtime)
            return
        with open(release, encoding='utf-8', errors='replace') as f:
            match = RELEASE_VERSION.search(f.read())
        feature = java_feature_release(match.group(1)) if match else None
        if feature is None:
            self.warnings.append('%s: names no JAVA_VERSION, so the catalogues\' options are not '
                                 'checked against its Java release' % release)
            return
        if feature < 9:
            return
        for catalogue in self.options.catalogue:
            _, options = catalogue_entry(catalogue)
            for prefix, instead in REFUSED_FROM_JAVA_9:
                for option in options:
                    if option.startswith(prefix):
                        self.fault(release, 'JAVA_VERSION="%s" is Java %d, which refuses the '
                                   'option %s of %s (%s); stage a Java 8 runtime or change the '
                                   'catalogue' % (match.group(1), feature, option, catalogue,
                                                  instead))


def stage(folder, output):
    """Copies the folder to `output` through a sibling, so that `output` is whole or absent."""
    partial = output + '.partial'
    shutil.rmtree(partial, ignore_errors=True)
    os.makedirs(partial)
    for relative in sorted(folder.folders):
        os.makedirs(os.path.join(partial, relative), exist_ok=True)
    for relative, source in sorted(folder.files.items()):
        target = os.path.join(partial, relative)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(source, target)
    shutil.rmtree(output, ignore_errors=True)
    os.rename(partial, output)


def parse_options():
    parser = argparse.ArgumentParser()
    parser.add_argument('--launcher', required=True)
    parser.add_argument('--runtime', default='')
    parser.add_argument('--files', default='')
    parser.add_argument('--catalogue', action='append', required=True)
    parser.add_argument('--output', required=True)
    parser.add_argument('--allow-unstartable', action='store_true')
    return parser.parse_args()


def main():
    options = parse_options()
    folder = Folder()
    folder.add_file('launcher.exe', options.launcher)
    for option, value in (('--runtime', options.runtime), ('--files', options.files)):
        if value and not os.path.isdir(value):
            print('%s %s: no such folder' % (option, value), file=sys.stderr)
            return 2
    if options.runtime:
        folder.add_tree('jre', options.runtime)
    if options.files:
        folder.add_tree('', options.files)
    checker = Checker(options, folder)
    checker.check()
    for line in checker.warnings:
        print('warning: ' + line, file=sys.stderr)
    if checker.faults and options.allow_unstartable:
        print('The application folder cannot start (allowed by '
              'LAUNCHER_CHECK_APPLICATION_STARTS=OFF):', file=sys.stderr)
        for line in checker.faults:
            print('  ' + line, file=sys.stderr)
    elif checker.faults:
        shutil.rmtree(options.output, ignore_errors=True)
        print('The application folder cannot start (LAUNCHER_CHECK_APPLICATION_STARTS=OFF lets it '
              'pass); nothing was staged:', file=sys.stderr)
        for line in checker.faults:
            print('  ' + line, file=sys.stderr)
        return 1
    stage(folder, options.output)
    print('Staged %d files in %s' % (len(folder.files), options.output))
    return 0


if __name__ == '__main__':
    sys.exit(main())
