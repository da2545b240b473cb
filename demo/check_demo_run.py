#!/usr/bin/env python3
"""Runs the demo launcher (`launcher APP` in the current directory) and checks the whole chain.

    check_demo_run.py LAUNCHER APP [--key-unknown]

The demo compares the natives' ciphertext with javax.crypto's under the build's key and must say
that they match; with --key-unknown (a build that embeds a supplied table set) it must say instead
that it could not compare.

The launcher's trace (C stdio, flushed at its pause points) and the Java application's lines (the
JVM's own stream) share standard output but reach it independently, so each is checked in its own
order.
"""
import re
import subprocess
import sys

exe, app = sys.argv[1], sys.argv[2]
key_known = sys.argv[3:] != ['--key-unknown']
result = subprocess.run([exe, app], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=50)
out = result.stdout.decode('utf-8', 'replace')
# A Java line may start in the middle of a trace line whose end the launcher has not flushed yet.
java_line = re.escape('[%s demo] ' % app) + r'([^\n]*)\n'
java = re.findall(java_line, out)
trace = re.sub(java_line, '', out)

expected_trace = [
    exe + '\nStarting launcherAbsolute value of -3 according to C: 3\nEntry:: %s\n\n' % app,
    'Start java application %s\nInitializing Java in CPP :  ' % app,
    '\nbefore optionsoption -Djava.class.path=classes\n',
    'after optionsLoaded JVM from ',
    'after dlopenafter dlsymafter createjavavm  Launched JVM\n',
    'after initializevmbefore findclassafter findclass  RegisterNatives\n',
    '  Initialized Main Method\n',
    'getting encrypted distribution key in cpp\n',
    '  encrypt in cpp\n',
]
expected_java = ['main started inside the launcher\'s JVM', 'encrypted distribution key (48 bytes): ',
                 'plaintext  ', 'ciphertext ']
if key_known:
    expected_java += ['javax.crypto ', 'natives match javax.crypto AES-256-CFB']
else:
    expected_java += ['natives not compared with javax.crypto: this build does not know its key']
expected_java += ['decrypted  ', 'round trip ok', 'exiting the VM']

failures = []
position = 0
for piece in expected_trace:
    found = trace.find(piece, position)
    if found < 0:
        failures.append('trace lacks, in order: %r' % piece)
    else:
        position = found + len(piece)
if len(java) != len(expected_java) or any(
        not line.startswith(start) for line, start in zip(java, expected_java)):
    failures.append('Java lines differ: %r' % java)
if key_known:
    shown = dict(line.split(' ', 1) for line in java if line.startswith(('ciphertext ', 'javax.crypto ')))
    if shown.get('ciphertext', '').strip() != shown.get('javax.crypto', '-').strip():
        failures.append('the natives\' ciphertext and javax.crypto\'s differ: %r' % shown)
if 'Main Thread is alive' in out:
    failures.append('main returned to the launcher instead of exiting the VM')
if result.returncode != 0:
    failures.append('exit status %d' % result.returncode)
if failures:
    print('\n'.join(failures))
    print('--- stdout\n' + out + '\n--- stderr\n' + result.stderr.decode('utf-8', 'replace'))
    sys.exit(1)
print('demo %s ran end to end' % app)
