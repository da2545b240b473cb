#!/usr/bin/env python3
"""Builds the launcher with an Authenticode signature from a throwaway self-signed certificate and
checks that
  - the password of the certificate's PKCS#12 file appears nowhere in the configure output, the
    verbose build log or the build folder;
  - osslsigncode verify accepts the signature with that certificate as the trusted CA, and refuses
    it with another certificate, as it refuses the unsigned executable;
  - under wine (--wine), the signed executable prints the same transcript and exits with the same
    status as the unsigned one (both compared by the transcript checker RUNNER with the expected
    transcript EXPECTED, whose catalogue placeholders come from the catalogue text TEXT).

usage: check_signing.py --cmake CMAKE --source DIR --work DIR --settings FILE --generator NAME
                        --artifact PATH --openssl OPENSSL --osslsigncode OSSLSIGNCODE
                        --unsigned EXE
                        [--wine WINE --runner RUNNER --expect EXPECTED --catalogue TEXT]
"""
import argparse
import os
import secrets
import subprocess
import sys

import nested_build


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, **kwargs)


def make_certificate(openssl, folder, name, password_file):
    """A self-signed code-signing certificate `name`.pem and, with password_file, `name`.p12."""
    key, certificate = os.path.join(folder, name + '.key'), os.path.join(folder, name + '.pem')
    result = run([openssl, 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', key,
                  '-out', certificate, '-days', '2', '-subj', '/CN=launcher test signer ' + name,
                  '-addext', 'keyUsage=critical,digitalSignature',
                  '-addext', 'extendedKeyUsage=codeSigning'])
    if result.returncode != 0:
        raise RuntimeError(result.stdout.decode('utf-8', 'replace'))
    if password_file is None:
        return certificate, None
    pkcs12 = os.path.join(folder, name + '.p12')
    result = run([openssl, 'pkcs12', '-export', '-inkey', key, '-in', certificate,
                  '-out', pkcs12, '-passout', 'file:' + password_file])
    if result.returncode != 0:
        raise RuntimeError(result.stdout.decode('utf-8', 'replace'))
    return certificate, pkcs12


def files_naming(folder, needle):
    found = []
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            if os.path.islink(path) or not os.path.isfile(path):
                continue
            with open(path, 'rb') as f:
                if needle in f.read():
                    found.append(path)
    return found


def parse_options():
    parser = argparse.ArgumentParser()
    for option in ('--cmake', '--source', '--work', '--settings', '--generator', '--artifact',
                   '--openssl', '--osslsigncode', '--unsigned'):
        parser.add_argument(option, required=True)
    parser.add_argument('--wine')
    parser.add_argument('--runner')
    parser.add_argument('--expect')
    parser.add_argument('--catalogue')
    return parser.parse_args()


def make_secrets(openssl, work):
    """A fresh password in a file, the signer's certificate and PKCS#12 file under it, and an
    unrelated certificate: (password, password_file, certificate, pkcs12, stranger)."""
    secrets_folder = nested_build.fresh_folder(os.path.join(work, 'secrets'))
    password = secrets.token_urlsafe(24)
    password_file = os.path.join(secrets_folder, 'password.txt')
    with open(password_file, 'w') as f:
        f.write(password + '\n')
    certificate, pkcs12 = make_certificate(openssl, secrets_folder, 'signer', password_file)
    stranger, _ = make_certificate(openssl, secrets_folder, 'stranger', None)
    return password, password_file, certificate, pkcs12, stranger


def password_failures(log, build, password, password_file):
    """What shows the password, or shows no signing step given its file."""
    failures = []
    if b'Signing launcher ' not in log or password_file.encode() not in log:
        failures.append('the verbose build log shows no signing step given the password file')
    if password.encode() in log:
        failures.append('the password appears in the configure or build output')
    for path in files_naming(build, password.encode()):
        failures.append('the password appears in %s' % path)
    return failures


def signature_failures(osslsigncode, signed, unsigned, certificate, stranger):
    """osslsigncode must accept `signed` with its CA alone, as SHA-256, and never `unsigned`."""
    def verify(exe, ca):
        result = run([osslsigncode, 'verify', '-in', exe, '-CAfile', ca])
        return result.returncode == 0 and b'Signature verification: ok' in result.stdout, result

    failures = []
    accepted, result = verify(signed, certificate)
    if not accepted:
        failures.append('osslsigncode verify refuses the signed executable:\n%s'
                        % result.stdout.decode('utf-8', 'replace'))
    elif b'Message digest algorithm  : SHA256' not in result.stdout:
        failures.append('the signature does not use SHA-256:\n%s'
                        % result.stdout.decode('utf-8', 'replace'))
    if verify(signed, stranger)[0]:
        failures.append('osslsigncode verify accepts the signature with an unrelated CA')
    if verify(unsigned, certificate)[0]:
        failures.append('osslsigncode verify accepts the unsigned executable %s' % unsigned)
    return failures


def wine_failures(options, work, signed):
    """Each of the unsigned and the signed executable must give the expected transcript."""
    failures = []
    cwd = nested_build.fresh_folder(os.path.join(work, 'application-folder'))
    for exe in (options.unsigned, signed):
        result = run([sys.executable, options.runner, '--wine', options.wine, '--exe', exe,
                      '--cwd', cwd, '--expect', options.expect, '--catalogue', options.catalogue,
                      '--status', '0', '--', 'tarn'])
        if result.returncode != 0:
            failures.append('%s under wine:\n%s' % (exe, result.stdout.decode('utf-8',
                                                                               'replace')))
    return failures


def main():
    options = parse_options()
    work = nested_build.fresh_folder(os.path.abspath(options.work))
    password, password_file, certificate, pkcs12, stranger = make_secrets(options.openssl, work)

    build = os.path.join(work, 'build')
    try:
        log = nested_build.configure_and_build(
            options.cmake, options.source, build, options.settings, options.generator, 'launcher',
            extra=['-DLAUNCHER_SIGN_PKCS12=' + pkcs12, '-DLAUNCHER_SIGN_PASSWORD_FILE=' +
                   password_file], verbose=True)
    except nested_build.BuildFailed as failure:
        print(failure)
        return 1
    with open(os.path.join(work, 'build.log'), 'wb') as f:
        f.write(log)
    signed = os.path.join(build, options.artifact)
    failures = password_failures(log, build, password, password_file)
    failures += signature_failures(options.osslsigncode, signed, options.unsigned, certificate,
                                   stranger)
    if options.wine:
        failures += wine_failures(options, work, signed)
    if failures:
        print('\n'.join(failures))
        return 1
    print('%s: signed (SHA-256), verified against its CA, refused with another; password in no '
          'log or file%s' % (signed, '; same transcript as the unsigned executable under wine'
                             if options.wine else ''))
    return 0


if __name__ == '__main__':
    sys.exit(main())
