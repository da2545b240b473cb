#!/usr/bin/env python3
"""Checks that a file that is not an icon is refused as LAUNCHER_ICON, with the whole message:
each kind of damage, and a PNG image, through the check itself (cmake -P cmake/IconFile.cmake),
and one through a configure of the project, which must stop. The default icon must pass the same
check without a warning; an icon that lacks recommended sizes passes with a warning naming them.

usage: check_icon_refusals.py --cmake CMAKE --source DIR --work DIR --icon GOOD.ico
                              --settings FILE --generator NAME
"""
import argparse
import os
import re
import struct
import subprocess
import sys

import nested_build


def entry(size, offset):
    return struct.pack('<BBBBHHII', 16, 16, 0, 0, 1, 32, size, offset)


# (file name, contents or None for a missing file, expected message after the path)
CASES = [
    ('missing.ico', None, 'does not exist, expected an icon file (.ico)'),
    ('text.ico', b'This is not an icon.\n',
     'is not an icon file: its header has reserved 26708 and type 29545, expected reserved 0 '
     'and type 1'),
    ('short.ico', b'\0\0\1\0', 'is not an icon file: 4 bytes, too short for an icon directory '
                               '(6 bytes)'),
    ('cursor.cur', struct.pack('<HHH', 0, 2, 1) + entry(4, 22) + b'abcd',
     'is not an icon file: its header has reserved 0 and type 2, expected reserved 0 and '
     'type 1'),
    ('empty.ico', struct.pack('<HHH', 0, 1, 0),
     'is not an icon file: its directory lists no image'),
    ('cut-directory.ico', struct.pack('<HHH', 0, 1, 2) + entry(4, 38),
     'is not an icon file: its directory of 2 images needs 38 bytes, the file has 22'),
    ('image-past-end.ico', struct.pack('<HHH', 0, 1, 1) + entry(5, 22) + b'abcd',
     'is not an icon file: image 1 of 1 (5 bytes at offset 22) does not lie between the end of '
     'its directory (byte 22) and the end of the file (byte 26)'),
    ('image-in-directory.ico', struct.pack('<HHH', 0, 1, 2) + entry(4, 38) + entry(4, 30) +
     b'abcd',
     'is not an icon file: image 2 of 2 (4 bytes at offset 30) does not lie between the end of '
     'its directory (byte 38) and the end of the file (byte 42)'),
    ('empty-image.ico', struct.pack('<HHH', 0, 1, 1) + entry(0, 22),
     'is not an icon file: image 1 of 1 (0 bytes at offset 22) does not lie between the end of '
     'its directory (byte 22) and the end of the file (byte 22)'),
    ('designer.ico', b'\x89PNG\r\n\x1a\n' + bytes(24),
     'is a PNG image, not an icon file (.ico). Make one from 16, 32, 48 and 256-pixel PNG images '
     'with ImageMagick: convert 16.png 32.png 48.png 256.png product.ico (docs/deployment.md, '
     'Icon)'),
]


def error_message(output):
    """The text of the first CMake error, its lines joined by single spaces."""
    match = re.search(r'CMake Error at [^\n]*\(message\):\n(.*?)(?:\nCall Stack|\n\n\n|$)',
                      output, re.DOTALL)
    return ' '.join(match.group(1).split()) if match else None


def main():
    parser = argparse.ArgumentParser()
    for option in ('--cmake', '--source', '--work', '--icon', '--settings', '--generator'):
        parser.add_argument(option, required=True)
    options = parser.parse_args()
    work = nested_build.fresh_folder(os.path.abspath(options.work))
    check = os.path.join(options.source, 'cmake', 'IconFile.cmake')
    failures = []

    def run_check(path):
        return subprocess.run([options.cmake, '-DICON=' + path, '-P', check],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)

    result = run_check(options.icon)
    if result.returncode != 0 or 'Warning' in result.stdout:
        failures.append('the default icon is refused or warned about:\n' + result.stdout)
    only_16 = os.path.join(work, 'only-16.ico')
    with open(only_16, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1) + entry(4, 22) + b'abcd')
    result = run_check(only_16)
    warning = ("ICON: '%s' has no image of 32, 48, 256 pixels; Windows will scale another image "
               "to those sizes (docs/deployment.md, Icon)" % only_16)
    if (result.returncode != 0 or 'CMake Warning' not in result.stdout
            or warning not in ' '.join(result.stdout.split())):
        failures.append('an icon of 16 pixels only: status %d, expected 0 and the warning\n  %r\n'
                        'got\n%s' % (result.returncode, warning, result.stdout))
    for name, contents, reason in CASES:
        path = os.path.join(work, name)
        if contents is not None:
            with open(path, 'wb') as f:
                f.write(contents)
        result = run_check(path)
        wanted = "ICON: '%s' %s" % (path, reason)
        message = error_message(result.stdout)
        if result.returncode == 0 or message != wanted:
            failures.append('%s: status %d, message\n  %r\nexpected\n  %r'
                            % (name, result.returncode, message, wanted))

    # The configure step itself stops on a bad LAUNCHER_ICON, before generating anything.
    text = os.path.join(work, 'text.ico')
    build = os.path.join(work, 'configure')
    result = subprocess.run([options.cmake, '-S', options.source, '-B', build, '-G',
                             options.generator, '-C', options.settings,
                             '-DLAUNCHER_BUILD_TESTS=OFF', '-DLAUNCHER_ICON=' + text],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    wanted = "LAUNCHER_ICON: '%s' %s" % (text, CASES[1][2])
    message = error_message(result.stdout)
    if result.returncode == 0 or message != wanted:
        failures.append('configure with LAUNCHER_ICON=%s: status %d, message\n  %r\nexpected\n  %r'
                        % (text, result.returncode, message, wanted))
    if os.path.exists(os.path.join(build, 'Makefile')) or os.path.exists(
            os.path.join(build, 'build.ninja')):
        failures.append('configure with a bad LAUNCHER_ICON still generated a build system')

    if failures:
        print('\n'.join(failures))
        return 1
    print('the default icon passes, one of 16 pixels only passes with a warning; %d kinds of '
          'damage and a configure with a text file are refused with their messages' % len(CASES))
    return 0


if __name__ == '__main__':
    sys.exit(main())
