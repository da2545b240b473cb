#!/usr/bin/env python3
"""Builds the Windows Installer package of a staged application folder with wixl.

Usage: make_installer.py --folder DIR --product NAME --manufacturer NAME --version X.Y[.Z]
                         --upgrade-code GUID --arch x86|x64 --output FILE.msi [--wixl WIXL]

The package installs per machine, the whole folder into Program Files\\<product> (Program Files
(x86) for an x86 package on 64-bit Windows), and makes a Start-menu folder <product> with two
shortcuts, both started in the installation folder with launcher.exe's icon:
  <product>                 launcher.exe tarn
  <product> Administration  launcher.exe lum
A package of a higher version with the same upgrade code replaces an installed one (one entry in
Add/Remove Programs); a lower one refuses to install over a higher one.

Every identifier in the package is derived from the upgrade code, the version and the folder's
relative paths, so the same inputs give the same tables: the product code from the upgrade code,
the version and the architecture; each component's code from the upgrade code and its path, so
that an upgrade replaces a file in place. wixl alone draws the package code (the summary
information's revision number) and stamps the creation time, so two builds differ there only.
The WiX source is written beside the package, as FILE.wxs.
"""
import argparse
import hashlib
import os
import re
import subprocess
import sys
import uuid
from xml.sax.saxutils import quoteattr

SHORTCUTS = (('', 'tarn'), (' Administration', 'lum'))
# Windows refuses these in file names, which the product's name becomes (its folders, shortcuts).
NOT_IN_A_FILE_NAME = re.compile(r'[\\/:*?"<>|\x00-\x1f]')
MSI_VERSION = re.compile(r'^(\d+)\.(\d+)(?:\.(\d+))?$')


def refuse(message):
    print('make_installer.py: ' + message, file=sys.stderr)
    sys.exit(2)


def check(options):
    for what, name in (('product', options.product), ('manufacturer', options.manufacturer)):
        if not name.strip():
            refuse('the %s name is empty' % what)
    if NOT_IN_A_FILE_NAME.search(options.product) or options.product.strip() != options.product:
        refuse('the product name %r cannot be a Windows folder name: leave out \\ / : * ? " < > | '
               'and spaces at its ends' % options.product)
    match = MSI_VERSION.match(options.version)
    limits = (255, 255, 65535)
    if not match or any(int(part or 0) > limit for part, limit in zip(match.groups(), limits)):
        refuse('the version %r is not one Windows Installer compares: MAJOR.MINOR[.BUILD], at most '
               '255.255.65535' % options.version)
    try:
        options.upgrade_code = uuid.UUID(options.upgrade_code)
    except ValueError:
        refuse('the upgrade code %r is not a GUID; make one once with uuidgen and keep it for '
               'every version of the product' % options.upgrade_code)
    if not os.path.isfile(os.path.join(options.folder, 'launcher.exe')):
        refuse('%s holds no launcher.exe: stage the application folder first' % options.folder)


def guid(options, name):
    return str(uuid.uuid5(options.upgrade_code, name)).upper()


def identifier(kind, relative):
    """An MSI identifier for a path: at most 72 characters, and the same for the same path."""
    return '%s%s' % (kind, hashlib.sha256(relative.lower().encode('utf-8')).hexdigest()[:32])


class Writer:
    def __init__(self, options):
        self.options = options
        self.lines = []
        self.components = []
        self.win64 = ' Win64="yes"' if options.arch == 'x64' else ''

    def add(self, depth, text):
        self.lines.append('  ' * depth + text)

    def component(self, depth, relative, body):
        component = identifier('c', relative)
        self.components.append(component)
        self.add(depth, '<Component Id="%s" Guid="%s"%s>' % (
            component, guid(self.options, '%s component %s' % (self.options.arch,
                                                                relative.lower())), self.win64))
        for line in body:
            self.add(depth + 1, line)
        self.add(depth, '</Component>')

    def folder(self, depth, relative):
        """The components of `relative` (a folder of the staged tree, '' for its top) and of the
        folders below it; an empty folder gets a component that creates it."""
        path = os.path.join(self.options.folder, relative)
        entries = sorted(os.listdir(path))
        files = [name for name in entries if not os.path.isdir(os.path.join(path, name))]
        folders = [name for name in entries if os.path.isdir(os.path.join(path, name))]
        for name in files:
            file_relative = '/'.join(part for part in (relative, name) if part)
            # wixl takes sources relative to the folder it runs in: the staged folder.
            body = ['<File Id="%s" Name=%s Source=%s KeyPath="yes"/>' % (
                identifier('f', file_relative), quoteattr(name), quoteattr(file_relative))]
            if file_relative == 'launcher.exe':
                # Windows removes the installation folder once empty; wine's msiexec only if told.
                body.append('<RemoveFolder Id="remove_installation_folder" On="uninstall"/>')
            self.component(depth, file_relative, body)
        if not files and not folders:
            self.component(depth, relative + '/', ['<CreateFolder/>'])
        for name in folders:
            sub = '/'.join(part for part in (relative, name) if part)
            self.add(depth, '<Directory Id="%s" Name=%s>' % (identifier('d', sub), quoteattr(name)))
            self.folder(depth + 1, sub)
            self.add(depth, '</Directory>')

    def menu(self, depth):
        """The Start-menu folder's component: its shortcuts, and the folder removed with them. The
        folder itself is its key path, so no registry value is left to record it."""
        lines = ['<CreateFolder/>']
        for suffix, app in SHORTCUTS:
            lines.append('<Shortcut Id="shortcut_%s" Name=%s Target="[INSTALLDIR]launcher.exe" '
                         'Arguments="%s" WorkingDirectory="INSTALLDIR" Icon="launcher.exe"/>'
                         % (app, quoteattr(self.options.product + suffix), app))
        lines.append('<RemoveFolder Id="remove_product_menu" On="uninstall"/>')
        self.component(depth, '<start menu>', lines)

    def source(self):
        o = self.options
        program_files = 'ProgramFiles64Folder' if o.arch == 'x64' else 'ProgramFilesFolder'
        name = quoteattr(o.product)
        self.add(0, '<?xml version="1.0" encoding="utf-8"?>')
        self.add(0, '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">')
        self.add(1, '<Product Id="%s" Name=%s Language="1033" Version="%s" Manufacturer=%s '
                 'UpgradeCode="%s">' % (guid(o, 'product %s %s' % (o.arch, o.version)), name,
                                        o.version, quoteattr(o.manufacturer),
                                        str(o.upgrade_code).upper()))
        self.add(2, '<Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine" '
                 'Description=%s Manufacturer=%s/>' % (quoteattr('%s %s' % (o.product, o.version)),
                                                       quoteattr(o.manufacturer)))
        self.add(2, '<MajorUpgrade DowngradeErrorMessage=%s/>' % quoteattr(
            'A newer version of %s is already installed.' % o.product))
        self.add(2, '<Media Id="1" Cabinet="application.cab" EmbedCab="yes"/>')
        self.add(2, '<Icon Id="launcher.exe" SourceFile="launcher.exe"/>')
        self.add(2, '<Property Id="ARPPRODUCTICON" Value="launcher.exe"/>')
        self.add(2, '<Directory Id="TARGETDIR" Name="SourceDir">')
        self.add(3, '<Directory Id="%s">' % program_files)
        self.add(4, '<Directory Id="INSTALLDIR" Name=%s>' % name)
        self.folder(5, '')
        self.add(4, '</Directory>')
        self.add(3, '</Directory>')
        self.add(3, '<Directory Id="ProgramMenuFolder">')
        self.add(4, '<Directory Id="ProductMenu" Name=%s>' % name)
        self.menu(5)
        self.add(4, '</Directory>')
        self.add(3, '</Directory>')
        self.add(2, '</Directory>')
        self.add(2, '<Feature Id="Application" Level="1">')
        for component in self.components:
            self.add(3, '<ComponentRef Id="%s"/>' % component)
        self.add(2, '</Feature>')
        self.add(1, '</Product>')
        self.add(0, '</Wix>')
        return '\n'.join(self.lines) + '\n'


def parse_options():
    parser = argparse.ArgumentParser()
    parser.add_argument('--folder', required=True)
    parser.add_argument('--product', required=True)
    parser.add_argument('--manufacturer', required=True)
    parser.add_argument('--version', required=True)
    parser.add_argument('--upgrade-code', required=True)
    parser.add_argument('--arch', choices=('x86', 'x64'), required=True)
    parser.add_argument('--output', required=True)
    parser.add_argument('--wixl', default='wixl')
    return parser.parse_args()


def main():
    options = parse_options()
    check(options)
    options.output = os.path.abspath(options.output)
    source = options.output + '.wxs'
    os.makedirs(os.path.dirname(options.output), exist_ok=True)
    with open(source, 'w', encoding='utf-8') as f:
        f.write(Writer(options).source())
    if os.path.exists(options.output):
        os.remove(options.output)
    result = subprocess.run([options.wixl, '-a', options.arch, '-o', options.output, source],
                            cwd=options.folder)
    if result.returncode != 0 or not os.path.isfile(options.output):
        refuse('wixl failed on %s (status %d)' % (source, result.returncode))
    print('Built %s' % options.output)
    return 0


if __name__ == '__main__':
    sys.exit(main())
