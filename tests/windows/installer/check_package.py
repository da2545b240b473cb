#!/usr/bin/env python3
"""Checks of the installer package built from one staged application folder:
  same-tables  two builds give the same tables and the same streams (the files' cabinet included);
               their summary information differs in the package code and the times only
  signed       the package signed as the build signs it verifies against the signing certificate,
               is refused against another one, and still holds the same tables
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

PRODUCT = ['--product', 'Tarn Test', '--manufacturer', 'launcher tests', '--version', '1.0.0',
           '--upgrade-code', '0f8d3a6e-2b71-4c59-a0e4-93b1d7c5e268']
# Summary information that wixl makes anew for every package.
DRAWN = ('Revision number (UUID)', 'Created', 'Last saved')


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          check=True, **kwargs).stdout


def build(o, name):
    package = os.path.join(o.work, name, 'package.msi')
    run([sys.executable, o.make, '--folder', o.folder, '--arch', o.arch, '--output', package,
         '--wixl', o.wixl] + PRODUCT)
    return package


def content(o, package):
    """{table or stream name: its text or bytes} of a package."""
    tables = {}
    for table in run([o.msiinfo, 'tables', package]).split():
        tables['table ' + table] = run([o.msiinfo, 'export', package, table])
    folder = package + '.streams'
    os.makedirs(folder, exist_ok=True)
    for stream in run([o.msiinfo, 'streams', package]).splitlines():
        with open(os.path.join(folder, 'stream'), 'wb') as f:
            subprocess.run([o.msiinfo, 'extract', package, stream], stdout=f, check=True)
        with open(os.path.join(folder, 'stream'), 'rb') as f:
            tables['stream ' + stream] = f.read()
    return tables


def summary(o, package):
    return dict(line.split(': ', 1) for line in run([o.msiinfo, 'suminfo', package]).splitlines()
                if ': ' in line)


def same_tables(o):
    first = build(o, 'first')
    time.sleep(1.1)  # so that the creation times differ, as between two builds
    second = build(o, 'second')
    failures = []
    a, b = content(o, first), content(o, second)
    for name in sorted(set(a) | set(b)):
        # The summary information is compared field by field below.
        if 'SummaryInformation' not in name and a.get(name) != b.get(name):
            failures.append('%s differs between two builds' % name)
    if not any(name.startswith('stream ') and len(a[name]) > 1000 for name in a):
        failures.append('no stream holds the files: %s' % sorted(a))
    sa, sb = summary(o, first), summary(o, second)
    differing = sorted(key for key in set(sa) | set(sb) if sa.get(key) != sb.get(key))
    if differing != sorted(DRAWN):
        failures.append('summary information differs in %s, expected %s' % (differing,
                                                                             sorted(DRAWN)))
    return failures, '%d tables and streams equal; summary differs in %s' % (len(a), differing)


def make_certificate(o, name):
    key, certificate = (os.path.join(o.work, name + suffix) for suffix in ('.key', '.pem'))
    run([o.openssl, 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', key, '-out',
         certificate, '-days', '2', '-subj', '/CN=launcher package test ' + name,
         '-addext', 'keyUsage=critical,digitalSignature',
         '-addext', 'extendedKeyUsage=codeSigning'])
    return key, certificate


def signed(o):
    package = build(o, 'signed')
    unsigned = content(o, package)
    key, certificate = make_certificate(o, 'signer')
    _, other = make_certificate(o, 'other')
    password = os.path.join(o.work, 'password')
    with open(password, 'w') as f:
        f.write('package test password\n')
    pkcs12 = os.path.join(o.work, 'signer.p12')
    run([o.openssl, 'pkcs12', '-export', '-inkey', key, '-in', certificate, '-out', pkcs12,
         '-passout', 'file:' + password])
    run([o.cmake, '-DOSSLSIGNCODE=' + o.osslsigncode, '-DPKCS12=' + pkcs12,
         '-DPASSWORD_FILE=' + password, '-DDESCRIPTION=Tarn Test', '-DFILE=' + package,
         '-P', o.sign_script])
    failures = []
    accepted = subprocess.run([o.osslsigncode, 'verify', '-in', package, '-CAfile', certificate],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if accepted.returncode != 0 or 'Succeeded' not in accepted.stdout:
        failures.append('the signature does not verify:\n' + accepted.stdout)
    refused = subprocess.run([o.osslsigncode, 'verify', '-in', package, '-CAfile', other],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if refused.returncode == 0:
        failures.append('the signature verifies against another certificate')
    now = content(o, package)
    for name in sorted(set(unsigned) | set(now)):
        if name.startswith('table ') and unsigned.get(name) != now.get(name):
            failures.append('signing changed %s' % name)
    return failures, 'signed package verifies, and only against its certificate'


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('check', choices=('same-tables', 'signed'))
    for name in ('--make', '--wixl', '--msiinfo', '--folder', '--work', '--arch'):
        parser.add_argument(name, required=True)
    for name in ('--cmake', '--sign-script', '--osslsigncode', '--openssl'):
        parser.add_argument(name)
    o = parser.parse_args()
    o.work = os.path.join(o.work, o.check)
    shutil.rmtree(o.work, ignore_errors=True)
    os.makedirs(o.work)
    failures, summary_line = (same_tables if o.check == 'same-tables' else signed)(o)
    print('\n'.join(failures) if failures else summary_line)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
