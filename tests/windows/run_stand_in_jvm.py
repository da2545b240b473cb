#!/usr/bin/env python3
"""Runs the real launcher.exe in a fresh application folder whose JVM is the stand-in DLL, and
compares the launcher's whole standard output byte for byte, and its exit status, with what is
expected.

The folder is laid out as an installation is (launcher.exe, jre\\bin\\client\\jvm.dll, jre\\lib\\ext,
lib, ext, bin). Beside the stand-in it writes stand-in-jvm.txt, which only the stand-in reads: the
options, classes and natives' answers the stand-in must see, all taken from the sources of truth
at test time (the catalogue text, the distribution key file, and AES-256-CFB computed by OpenSSL
under the build's key), and how the stand-in's main ends:
  --status N             main ends the process with status N, as System.exit does
  --keep-alive-lines N   main returns; the run is stopped once N keep-alive lines have appeared
  --terminate N          main writes lines of its own before each native call and a last one,
                         then kills the process (TerminateProcess) with status N
  --refusals             main also calls the cipher natives on what they must refuse (a capacity
                         past 2^31-1, an undefined memory region, a result malloc cannot allocate)
  --detached STARTER     with --status or --terminate: launcher.exe is started by the program
                         STARTER (start_without_console) without any standard handle, so only its
                         exit status is compared

The expected transcript's placeholders are those of launcher_testing.transcript, the catalogue's
filled from the catalogue text given with --catalogue.
"""
import argparse
import hashlib
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

from launcher_testing.catalogue import CatalogueEntry
from launcher_testing.transcript import Transcript, windows_path

TIMEOUT_SECONDS = 120
# Long enough for the batch evaluation of CFB decryption, and ending in a partial block.
PLAINTEXT_LENGTH = 8192 + 5


def pseudo_random_bytes(label, length):
    out = b''
    counter = 0
    while len(out) < length:
        out += hashlib.sha256(b'%s %d' % (label, counter)).digest()
        counter += 1
    return out[:length]


def aes_256_cfb(openssl, key_hex, iv, data):
    result = subprocess.run(
        [openssl, 'enc', '-aes-256-cfb', '-K', key_hex, '-iv', iv.hex(), '-nosalt'],
        input=data, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    return result.stdout


def check_openssl(openssl):
    """OpenSSL must compute CFB128 as NIST SP 800-38A does (F.3.13, CFB128-AES256, block 1)."""
    key = '603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4'
    iv = bytes.fromhex('000102030405060708090a0b0c0d0e0f')
    plaintext = bytes.fromhex('6bc1bee22e409f96e93d7e117393172a')
    if aes_256_cfb(openssl, key, iv, plaintext).hex() != 'dc7e84bfda79164b7ecd8486985d3860':
        raise SystemExit('%s does not reproduce the SP 800-38A CFB128-AES256 example' % openssl)


def write_expectations(path, options, ending, refusals=False):
    """Writes stand-in-jvm.txt for the entry of options.catalogue; `refusals`: main also calls the
    natives on what they must refuse."""
    app = CatalogueEntry(options.catalogue)
    with open(options.distribution_key, 'rb') as f:
        distribution_key = f.read()
    iv = pseudo_random_bytes(b'stand-in iv', 16)
    plaintext = pseudo_random_bytes(b'stand-in plaintext', PLAINTEXT_LENGTH)
    ciphertext = aes_256_cfb(options.openssl, options.key, iv, plaintext)
    if len(ciphertext) != len(plaintext):
        raise SystemExit('OpenSSL returned %d bytes for %d' % (len(ciphertext), len(plaintext)))
    lines = [b'encrypt_class ' + app.encrypt_class.hex().encode(),
             b'main_class ' + app.main_class.hex().encode()]
    lines += [b'option ' + option.hex().encode() for option in app.options]
    lines += [b'iv ' + iv.hex().encode(),
              b'plaintext ' + plaintext.hex().encode(),
              b'ciphertext ' + ciphertext.hex().encode(),
              b'distribution_key ' + distribution_key.hex().encode(),
              b'end ' + ending]
    if refusals:
        lines.append(b'refusals 1')
    with open(path, 'wb') as f:
        f.write(b'\n'.join(lines) + b'\n')


def make_application_folder(parent, options, ending):
    folder = tempfile.mkdtemp(prefix='app-', dir=parent)
    for sub in ('jre/bin/client', 'jre/lib/ext', 'lib', 'ext', 'bin'):
        os.makedirs(os.path.join(folder, sub))
    shutil.copy(options.exe, os.path.join(folder, 'launcher.exe'))
    client = os.path.join(folder, 'jre', 'bin', 'client')
    shutil.copy(options.jvm, os.path.join(client, 'jvm.dll'))
    write_expectations(os.path.join(client, 'stand-in-jvm.txt'), options, ending,
                       options.refusals)
    return folder


def read_output(process, stop_marker):
    """Standard output until the end, or until `stop_marker` has appeared, after which the process
    is killed and the rest read. Returns (output, stopped)."""
    output = b''
    stopped = False
    deadline = time.monotonic() + TIMEOUT_SECONDS
    fd = process.stdout.fileno()
    while True:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            process.kill()
            raise SystemExit('no end after %d s; output so far:\n%r' % (TIMEOUT_SECONDS, output))
        ready, _, _ = select.select([fd], [], [], remaining)
        if not ready:
            continue
        chunk = os.read(fd, 65536)
        if not chunk:
            return output, stopped
        output += chunk
        if stop_marker is not None and not stopped and stop_marker in output:
            process.kill()
            stopped = True


def compare(output, expected, program, keep_alive_lines):
    """Failure messages; none iff `output` is the expected transcript (followed, for a run stopped
    after its keep-alive lines, only by further keep-alive lines that continue the count)."""
    rest = b''
    if keep_alive_lines is not None:
        marker = b'Main Thread is alive (%d)\n' % (keep_alive_lines - 1)
        end = output.find(marker)
        if end >= 0:
            output, rest = output[:end + len(marker)], output[end + len(marker):]
    failures = expected.differences(output, program)
    counter = keep_alive_lines
    for line in rest.splitlines(keepends=True):
        if line != b'Main Thread is alive (%d)\n' % counter:
            failures.append('after the keep-alive lines: %r' % rest)
            break
        counter += 1
    return failures


def run_detached(options, folder, exe):
    """launcher.exe started without standard handles: only the exit status can be seen."""
    report = os.path.join(folder, 'start-report.txt')
    subprocess.run([options.wine, options.detached, windows_path(report), 'detached',
                    windows_path(exe), options.app], cwd=folder, stdin=subprocess.DEVNULL,
                   timeout=TIMEOUT_SECONDS, check=True)
    with open(report, encoding='utf-8') as f:
        seen = f.read()
    if seen != 'exit status %d\n' % options.status:
        print('started without standard handles: %r, expected exit status %d'
              % (seen, options.status))
        print('application folder kept: %s' % folder)
        return 1
    shutil.rmtree(folder)
    print('without standard handles: exit status %d as expected' % options.status)
    return 0


def parse_options():
    parser = argparse.ArgumentParser()
    parser.add_argument('--wine', required=True)
    parser.add_argument('--exe', required=True, help='launcher.exe')
    parser.add_argument('--jvm', required=True, help='the stand-in JVM DLL')
    parser.add_argument('--catalogue', required=True, help="the application's catalogue text")
    parser.add_argument('--key', required=True, help='AES-256 key of the embedded tables, hex')
    parser.add_argument('--distribution-key', required=True)
    parser.add_argument('--openssl', required=True)
    parser.add_argument('--work-dir', required=True, help='where application folders are made')
    parser.add_argument('--expect', required=True)
    ending = parser.add_mutually_exclusive_group(required=True)
    ending.add_argument('--status', type=int)
    ending.add_argument('--keep-alive-lines', type=int)
    ending.add_argument('--terminate', type=int)
    parser.add_argument('--refusals', action='store_true')
    parser.add_argument('--detached', help='start_without_console.exe')
    parser.add_argument('app')
    return parser.parse_args()


def stand_in_ending(options):
    """How the stand-in's main ends, as stand-in-jvm.txt says it. --terminate also sets the status
    the run must end with."""
    if options.terminate is not None:
        options.status = options.terminate
        return b'terminate %d\napplication_lines 1' % options.terminate
    if options.status is not None:
        return b'exit %d' % options.status
    return b'return'


def run_in_wine(options, folder, exe, exits):
    """launcher.exe run under wine until it ends, or, when it does not exit by itself, until its
    keep-alive lines have appeared: (output, stopped, status, standard error)."""
    with tempfile.TemporaryFile() as stderr:
        process = subprocess.Popen([options.wine, exe, options.app], cwd=folder,
                                   stdout=subprocess.PIPE, stderr=stderr, stdin=subprocess.DEVNULL)
        marker = None if exits else b'Main Thread is alive (%d)\n' % (options.keep_alive_lines - 1)
        output, stopped = read_output(process, marker)
        status = process.wait()
        stderr.seek(0)
        return output, stopped, status, stderr.read().decode('utf-8', 'replace')


def main():
    options = parse_options()
    check_openssl(options.openssl)
    os.makedirs(options.work_dir, exist_ok=True)
    ending = stand_in_ending(options)
    exits = options.status is not None
    folder = make_application_folder(options.work_dir, options, ending)
    exe = os.path.join(folder, 'launcher.exe')
    program = windows_path(exe).encode()
    if options.detached:
        return run_detached(options, folder, exe)
    output, stopped, status, errors = run_in_wine(options, folder, exe, exits)

    expected = Transcript(options.expect, options.catalogue)
    failures = compare(output, expected, program, options.keep_alive_lines)
    if exits and status != options.status:
        failures.append('exit status %d, expected %d' % (status, options.status))
    if not exits and not stopped:
        failures.append('the launcher ended by itself (status %d) before %d keep-alive lines'
                        % (status, options.keep_alive_lines))
    if failures:
        print('\n'.join(failures))
        print('--- standard error\n%s' % errors)
        print('application folder kept: %s' % folder)
        return 1
    shutil.rmtree(folder)
    if exits:
        print('output and exit status %d as expected' % status)
    else:
        print('output as expected; stopped after %d keep-alive lines' % options.keep_alive_lines)
    return 0


if __name__ == '__main__':
    sys.exit(main())
