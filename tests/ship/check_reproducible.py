#!/usr/bin/env python3
"""Builds the launcher twice, in two folders of different paths and at different times, with the
settings of the build running the test, and requires byte-identical executables that name neither
build folder nor the source folder.

usage: check_reproducible.py --cmake CMAKE --source DIR --work DIR --settings FILE
                             --generator NAME --artifact PATH [--debug-info]
  --artifact     the executable's path relative to a build folder
  --debug-info   the executable is an ELF file that must carry DWARF (so that the search for
                 folder names covers the debug information)
"""
import argparse
import hashlib
import os
import sys
import time

import nested_build


def differing_offsets(first, second):
    offsets = [i for i, (a, b) in enumerate(zip(first, second)) if a != b]
    return offsets, abs(len(first) - len(second))


def main():
    parser = argparse.ArgumentParser()
    for option in ('--cmake', '--source', '--work', '--settings', '--generator', '--artifact'):
        parser.add_argument(option, required=True)
    parser.add_argument('--debug-info', action='store_true')
    options = parser.parse_args()

    work = nested_build.fresh_folder(os.path.abspath(options.work))
    # Different lengths as well as names, so that a path anywhere in the image would shift it.
    folders = [os.path.join(work, 'one'), os.path.join(work, 'the-second-build-folder')]
    images = []
    for number, folder in enumerate(folders):
        if number:
            time.sleep(2)  # a later second for anything that records the build time
        try:
            nested_build.configure_and_build(options.cmake, options.source, folder,
                                             options.settings, options.generator, 'launcher')
        except nested_build.BuildFailed as failure:
            print(failure)
            return 1
        with open(os.path.join(folder, options.artifact), 'rb') as f:
            images.append(f.read())

    failures = []
    offsets, length_difference = differing_offsets(*images)
    if offsets or length_difference:
        failures.append('the two builds differ: %d bytes of %d, first at offset %s; lengths %d '
                        'and %d' % (len(offsets), min(map(len, images)),
                                    hex(offsets[0]) if offsets else '-', len(images[0]),
                                    len(images[1])))
    for folder, image in zip(folders, images):
        for name in (folder, work, os.path.abspath(options.source)):
            if name.encode() in image:
                failures.append('%s names the folder %s' % (os.path.join(folder, options.artifact),
                                                            name))
        if options.debug_info and not (image.startswith(b'\x7fELF') and b'.debug_info' in image):
            failures.append('%s carries no DWARF (.debug_info)' % folder)
    if failures:
        print('\n'.join(failures))
        return 1
    print('%s: identical in both folders, %d bytes, SHA-256 %s, naming no build or source folder'
          % (options.artifact, len(images[0]), hashlib.sha256(images[0]).hexdigest()))
    return 0


if __name__ == '__main__':
    sys.exit(main())
