#!/usr/bin/env python3
"""Runs the application folder's staging on folders that can never start, and on ones that can, and
compares its whole output and exit status with what each case must give:
  - no runtime: both catalogues' jvm_path names no file (and an earlier staged folder is removed);
  - a jvm.dll of the other machine type, and one that is not a DLL at all;
  - a jvm.dll whose own DLL is missing, refused, then only warned about with --allow-unstartable;
  - a Java 17 release, which refuses the catalogues' -Djava.ext.dirs;
  - a runtime without a release file: staged, with a warning, every file in place.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys

REFUSED = ('The application folder cannot start (LAUNCHER_CHECK_APPLICATION_STARTS=OFF lets it '
           'pass); nothing was staged:\n')


def make_runtime(folder, jvm, dependency=None, release='JAVA_VERSION="1.8.0_402"\n'):
    os.makedirs(os.path.join(folder, 'bin', 'client'))
    shutil.copy(jvm, os.path.join(folder, 'bin', 'client', 'jvm.dll'))
    if dependency:
        shutil.copy(dependency, os.path.join(folder, 'bin'))
    if release is not None:
        with open(os.path.join(folder, 'release'), 'w') as f:
            f.write(release)
    return folder


def main():
    parser = argparse.ArgumentParser()
    for name in ('--stage', '--launcher', '--catalogue-dir', '--jvm', '--dependency',
                 '--wrong-arch-jvm', '--work'):
        parser.add_argument(name, required=True)
    o = parser.parse_args()
    shutil.rmtree(o.work, ignore_errors=True)
    os.makedirs(o.work)
    tarn, lum = (os.path.join(o.catalogue_dir, name) for name in ('tarn.json', 'lum.json'))
    output = os.path.join(o.work, 'application')
    dependency_name = os.path.basename(o.dependency)
    with open(tarn) as f:
        ext_dirs = [option for option in json.load(f)['options']
                    if option.startswith('-Djava.ext.dirs=')]
    with open(lum) as f:
        ext_dirs += [option for option in json.load(f)['options']
                     if option.startswith('-Djava.ext.dirs=')]
    failures = []

    def run(name, arguments, status, stderr, staged=None):
        result = subprocess.run([sys.executable, o.stage, '--launcher', o.launcher,
                                 '--catalogue', tarn, '--catalogue', lum, '--output', output]
                                + arguments, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                text=True)
        if result.returncode != status or result.stderr != stderr:
            failures.append('%s: status %d, standard error\n%s\nexpected status %d and\n%s'
                            % (name, result.returncode, result.stderr, status, stderr))
        if staged is None and os.path.exists(output):
            failures.append('%s: %s is left behind' % (name, output))
        if staged is not None:
            found = sorted(os.path.relpath(os.path.join(parent, file), output)
                           for parent, _, files in os.walk(output) for file in files)
            if found != sorted(staged):
                failures.append('%s: staged %s, expected %s' % (name, found, sorted(staged)))

    jvm_in_runtime = os.path.join('bin', 'client', 'jvm.dll')
    plain = make_runtime(os.path.join(o.work, 'no-release'), o.jvm, o.dependency, release=None)
    run('no release file', ['--runtime', plain], 0,
        'warning: %s: no release file, so the catalogues\' options are not checked against its '
        'Java release\n' % plain,
        staged=['launcher.exe', 'jre/bin/client/jvm.dll', 'jre/bin/' + dependency_name])

    lines = ['  %s: jvm_path .\\jre\\bin\\client\\jvm.dll names no file in the application '
             'folder; stage a Java runtime that has it (LAUNCHER_APPLICATION_RUNTIME) or correct '
             'jvm_path\n' % catalogue for catalogue in (tarn, lum)]
    run('no runtime, after a staged folder', [], 1, REFUSED + ''.join(lines))

    wrong = make_runtime(os.path.join(o.work, 'wrong-arch'), o.wrong_arch_jvm)
    with open(o.launcher, 'rb') as f:
        launcher_is_32_bit = b'PE\0\0\x4c\x01' in f.read(4096)
    ours, other = ('x86 (32-bit)', 'x86-64 (64-bit)')[::1 if launcher_is_32_bit else -1]
    run('a jvm.dll of the other machine type', ['--runtime', wrong], 1, REFUSED +
        '  %s: a DLL for %s, but launcher.exe is for %s; stage a runtime built for %s\n'
        % (os.path.join(wrong, jvm_in_runtime), other, ours, ours))

    text = os.path.join(o.work, 'not-a-dll.txt')
    with open(text, 'w') as f:
        f.write('This is not a library.\n')
    not_dll = make_runtime(os.path.join(o.work, 'not-a-dll'), text)
    run('a jvm.dll that is no DLL', ['--runtime', not_dll], 1, REFUSED +
        '  %s: is not a Windows DLL (no MZ header); stage a Java runtime for Windows\n'
        % os.path.join(not_dll, jvm_in_runtime))

    lacking = make_runtime(os.path.join(o.work, 'lacking-dependency'), o.jvm)
    line = ('  %s: imports %s, which lies neither beside jvm.dll, nor in %s, nor in the application '
            'folder; copy the Java runtime whole, with the DLLs of its bin folder\n'
            % (os.path.join(lacking, jvm_in_runtime), dependency_name,
               os.path.join(lacking, 'bin')))
    run('a jvm.dll whose own DLL is missing', ['--runtime', lacking], 1, REFUSED + line)
    run('the same, allowed', ['--runtime', lacking, '--allow-unstartable'], 0,
        'The application folder cannot start (allowed by LAUNCHER_CHECK_APPLICATION_STARTS=OFF):\n'
        + line, staged=['launcher.exe', 'jre/bin/client/jvm.dll', 'jre/release'])

    newer = make_runtime(os.path.join(o.work, 'java-17'), o.jvm, o.dependency,
                         release='IMPLEMENTOR="x"\nJAVA_VERSION="17.0.2"\n')
    run('a Java 17 runtime', ['--runtime', newer], 1, REFUSED + ''.join(
        '  %s: JAVA_VERSION="17.0.2" is Java 17, which refuses the option %s of %s (extension '
        'folders are gone; list the jars in -Djava.class.path); stage a Java 8 runtime or change '
        'the catalogue\n' % (os.path.join(newer, 'release'), option, catalogue)
        for option, catalogue in zip(ext_dirs, (tarn, lum))))

    for failure in failures:
        print(failure)
    if not failures:
        print('every case gave its whole message and status')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
