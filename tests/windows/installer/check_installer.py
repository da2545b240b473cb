#!/usr/bin/env python3
"""The installer's life under wine, in a new wine prefix, as an administrator and an end user meet it:
  1. `msiexec /i PACKAGE /qn` puts every staged file, byte for byte, in Program Files\\<product>;
  2. the Start-menu folder <product> holds the two shortcuts, each with launcher.exe as target, its
     argument, the installation folder as working directory and launcher.exe's icon;
  3. the tarn shortcut, started through the shell as Explorer starts it (no standard handles),
     runs the installed launcher.exe tarn in that folder: its whole trace, which then goes to the
     debugger, is the stand-in JVM's run of tarn to the end of main;
  4. `msiexec /i UPGRADE /qn` replaces it with the next version's files, one entry remaining, and
     the older PACKAGE then refuses to install over it;
  5. `msiexec /x UPGRADE /qn` leaves no file, no shortcut and no entry behind (wine leaves emptied
     folders of the installation folder; Windows removes them).
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

from launcher_testing.transcript import Transcript, windows_path

TIMEOUT_SECONDS = 300
EXPECTED = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'expected',
                        'stand-in-jvm-exit.txt')
DEBUG_LINE = re.compile(r'OutputDebugStringA "(.*)"$')


class Prefix:
    def __init__(self, options):
        self.options = options
        self.path = os.path.join(options.work, 'prefix')
        shutil.rmtree(options.work, ignore_errors=True)
        os.makedirs(options.work)
        self.env = dict(os.environ, WINEPREFIX=self.path, LAUNCHER_WINE32_PREFIX=self.path,
                        # No menu entries of the shortcuts in this machine's own desktop.
                        WINEDLLOVERRIDES='winemenubuilder.exe=d')
        self.drive = os.path.join(self.path, 'drive_c')

    def run(self, *arguments, debug=None):
        env = dict(self.env, LAUNCHER_WINEDEBUG=debug) if debug else self.env
        result = subprocess.run([self.options.wine] + list(arguments), env=env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=TIMEOUT_SECONDS)
        subprocess.run([shutil.which('wineserver') or '/usr/lib/wine/wineserver', '-w'],
                       env=self.env, timeout=TIMEOUT_SECONDS)
        return result

    def entries(self):
        """The Add/Remove Programs entries of the product: their registry keys."""
        found = []
        for view in ('Software', 'Software\\Wow6432Node'):
            listed = self.run('reg', 'query', 'HKLM\\%s\\Microsoft\\Windows\\CurrentVersion\\'
                              'Uninstall' % view, '/s').stdout.decode('utf-8', 'replace')
            key = None
            for line in listed.splitlines():
                if line.startswith('HKEY_'):
                    key = line.strip()
                elif line.split() == ['DisplayName', 'REG_SZ'] + self.options.product.split():
                    found.append(key)
        return found


def tree(folder):
    """{relative path: bytes or None for a folder} of everything below `folder`."""
    found = {}
    for parent, folders, files in os.walk(folder):
        for name in folders:
            found[os.path.relpath(os.path.join(parent, name), folder)] = None
        for name in files:
            with open(os.path.join(parent, name), 'rb') as f:
                found[os.path.relpath(os.path.join(parent, name), folder)] = f.read()
    return found


def compare_trees(what, installed, staged):
    a, b = tree(installed), tree(staged)
    missing = sorted(set(b) - set(a))
    extra = sorted(set(a) - set(b))
    changed = sorted(name for name in set(a) & set(b) if a[name] != b[name])
    if missing or extra or changed:
        return ['%s: missing %s, not staged %s, different %s' % (what, missing, extra, changed)]
    return []


def shortcut(path):
    """lnkinfo's fields of a shortcut file: {name: value}."""
    text = subprocess.run(['lnkinfo', path], stdout=subprocess.PIPE, text=True, check=True).stdout
    # Newer lnkinfo versions print each backslash of a path twice.
    return {key.strip(): value.strip().replace('\\\\', '\\') for key, value in
            (line.split(':', 1) for line in text.splitlines() if ':' in line)}


def debugger_text(errors):
    """What the programs wrote with OutputDebugStringA, as wine's debugstr channel reports it."""
    text = b''
    for line in errors.decode('latin-1').splitlines():
        match = DEBUG_LINE.search(line)
        if match:
            text += match.group(1).encode('latin-1').decode('unicode_escape').encode('latin-1')
    return text


def check_shortcuts(prefix, product, installed_windows, launcher):
    failures = []
    menus = [os.path.join(parent, name) for parent, folders, _ in os.walk(prefix.drive)
             for name in folders if name == product and parent.endswith('Programs')]
    if len(menus) != 1:
        return ['Start-menu folders named %s: %s' % (product, menus)], None
    names = sorted(os.listdir(menus[0]))
    if names != sorted([product + '.lnk', product + ' Administration.lnk']):
        failures.append('the Start-menu folder holds %s' % names)
    for name, argument in ((product, 'tarn'), (product + ' Administration', 'lum')):
        path = os.path.join(menus[0], name + '.lnk')
        if not os.path.exists(path):
            continue
        fields = shortcut(path)
        expected = {'Local path': installed_windows + '\\launcher.exe',
                    'Working directory': installed_windows + '\\',
                    'Command line arguments': argument}
        for key, value in expected.items():
            if fields.get(key) != value:
                failures.append('%s: %s is %r, expected %r' % (name, key, fields.get(key), value))
        icon = fields.get('Icon location', '')
        icon_file = os.path.join(prefix.drive, *icon.split('\\')[1:]) if icon[:3] == 'C:\\' else ''
        with open(launcher, 'rb') as f:
            if not os.path.isfile(icon_file) or open(icon_file, 'rb').read() != f.read():
                failures.append('%s: icon %r is not launcher.exe\'s' % (name, icon))
    return failures, menus[0]


def main():
    parser = argparse.ArgumentParser()
    for name in ('--wine', '--product', '--application', '--upgraded-application', '--package',
                 '--upgrade', '--catalogue', '--work'):
        parser.add_argument(name, required=True)
    o = parser.parse_args()
    prefix = Prefix(o)
    installed = os.path.join(prefix.drive, 'Program Files', o.product)
    installed_windows = 'C:\\Program Files\\' + o.product
    failures = []

    def step(name, result, more=()):
        """Records a step's failures; true iff it has none."""
        found = list(more)
        if result.returncode != 0:
            found.append('%s: status %d\n%s' % (name, result.returncode,
                                                result.stderr.decode('utf-8', 'replace')))
        failures.extend(found)
        print('%s: %s' % (name, 'failed' if found else 'as expected'))
        return not found

    if not step('install', prefix.run('msiexec', '/i', windows_path(o.package), '/qn'),
                compare_trees('installed files', installed, o.application)):
        return report(failures)
    more, menu = check_shortcuts(prefix, o.product, installed_windows,
                                 os.path.join(o.application, 'launcher.exe'))
    failures.extend(more)
    print('shortcuts: %s' % ('failed' if more else 'as expected'))
    if menu:
        started = prefix.run('start', '/unix', os.path.join(menu, o.product + '.lnk'),
                             debug='-all,+debugstr')
        trace = debugger_text(started.stderr)
        program = (installed_windows + '\\launcher.exe').encode()
        step('start from the shortcut', started,
             ['the trace in the debugger output: ' + line for line in
              Transcript(EXPECTED, o.catalogue).differences(trace, program)])
    upgraded = prefix.run('msiexec', '/i', windows_path(o.upgrade), '/qn')
    entries = prefix.entries()
    step('upgrade', upgraded, compare_trees('upgraded files', installed, o.upgraded_application)
         + ([] if len(entries) == 1 else ['Add/Remove Programs lists %s' % entries]))
    downgrade = prefix.run('msiexec', '/i', windows_path(o.package), '/qn')
    print('downgrade: %s' % ('refused' if downgrade.returncode != 0 else 'installed'))
    if downgrade.returncode == 0:
        failures.append('the older package installed over the newer one')
    failures.extend(compare_trees('files after the refused downgrade', installed,
                                  o.upgraded_application))
    removed = prefix.run('msiexec', '/x', windows_path(o.upgrade), '/qn')
    # wine's msiexec leaves some emptied folders behind, the installation folder among them, where
    # Windows removes them: only files count.
    left = sorted(name for name, content in tree(installed).items() if content is not None)
    step('uninstall', removed,
         (['left in the installation folder: %s' % left] if left else [])
         + (['the Start-menu folder is left: %s' % menu] if menu and os.path.exists(menu) else [])
         + (['Add/Remove Programs still lists %s' % prefix.entries()] if prefix.entries() else []))
    return report(failures)


def report(failures):
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
