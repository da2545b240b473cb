#!/usr/bin/env python3
"""Runs the hello application in the current directory, the folder its launcher was built in.

    hello_run.py check LAUNCHER
        runs `LAUNCHER tarn` and checks what the application and the natives print, in order, and
        that System.exit's status is the process's;
    hello_run.py time LAUNCHER JAVA [RUNS]
        prints the median, over RUNS starts (default 5), of the time from starting the process to
        main's first line, for `LAUNCHER tarn` and for `JAVA -cp classes com.example.hello.Main`
        (which stops at the first native call: no launcher registered it).
"""
import re
import statistics
import subprocess
import sys
import time

FIRST_LINE = b'hello: main started\n'


def seconds_to_first_line(command):
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    seen = b''
    while FIRST_LINE not in seen:
        chunk = process.stdout.read1(4096)
        if not chunk:
            process.wait()
            sys.exit('%s ended without printing %r' % (command, FIRST_LINE))
        seen += chunk
    elapsed = time.monotonic() - start
    process.kill()
    process.wait()
    return elapsed


def time_to_main(launcher, java, runs):
    for name, command in (('launcher tarn', [launcher, 'tarn']),
                          ('java -cp classes', [java, '-cp', 'classes', 'com.example.hello.Main'])):
        times = [seconds_to_first_line(command) for _ in range(runs)]
        print('%-17s median %4.0f ms over %d runs (%s)' % (
            name, 1000 * statistics.median(times), runs,
            ' '.join('%.0f' % (1000 * t) for t in times)))


def check(launcher):
    result = subprocess.run([launcher, 'tarn'], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            timeout=50)
    out = result.stdout.decode('utf-8', 'replace')
    java_line = r'hello: ([^\n]*)\n'
    java = re.findall(java_line, out)
    trace = re.sub(java_line, '', out)
    expected_java = ['main started', 'encrypted distribution key of 48 bytes', 'round trip ok',
                     '15 bytes to encrypt give null']
    # What the natives print: one line per key and per encryption, none for a decryption.
    expected_trace = ['  Initialized Main Method\n', 'getting encrypted distribution key in cpp\n',
                      '  encrypt in cpp\n', '  encrypt in cpp\n',
                      '    Error - plaintext length (15) is not a multiple of 16\n']
    failures = []
    if java != expected_java:
        failures.append('application lines differ: %r' % java)
    position = 0
    for piece in expected_trace:
        found = trace.find(piece, position)
        if found < 0:
            failures.append('trace lacks, in order: %r' % piece)
        else:
            position = found + len(piece)
    if trace.count('encrypt in cpp') != 2 or trace.count('in cpp') != 3:
        failures.append('natives printed other lines than one per key and per encryption')
    if result.returncode != 0:
        failures.append('exit status %d' % result.returncode)
    if failures:
        print('\n'.join(failures))
        print('--- stdout\n' + out + '\n--- stderr\n' + result.stderr.decode('utf-8', 'replace'))
        sys.exit(1)
    print('hello ran end to end')


if sys.argv[1:2] == ['check'] and len(sys.argv) == 3:
    check(sys.argv[2])
elif sys.argv[1:2] == ['time'] and len(sys.argv) in (4, 5):
    time_to_main(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) == 5 else 5)
else:
    sys.exit(__doc__)
