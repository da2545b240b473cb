"""Runs of a program that hosts a JVM (the VM host's test program, or a launcher executable), and
checks on what they print: the exit status, the trace on stdout line by line, and the verdict of
the Java test classes, which write only to stderr.
"""
import collections
import os
import re
import subprocess
import threading
import time

PARAMS_LINE = re.compile(r"Params :  options : (0x[0-9a-fA-F]+|\(nil\))")
ENCRYPT_TRACE = "  encrypt in cpp"
KEY_TRACE = "getting encrypted distribution key in cpp"
RUN_TIMEOUT_SECONDS = 90
LAUNCHED = ["after dlopenafter dlsymafter createjavavm  Launched JVM"]
REGISTERED = "after initializevmbefore findclassafter findclass  RegisterNatives"
MAIN_FOUND = [REGISTERED, "  Initialized Main Method"]


class Run:
    """One finished run."""

    def __init__(self, command, status, stdout, stderr):
        self.command = command
        self.status = status
        self.stdout = stdout
        self.stderr = stderr
        self.lines = stdout.split("\n")
        if self.lines and self.lines[-1] == "":
            self.lines.pop()  # the text ended with a line end
        self.stderr_lines = stderr.split("\n")
        self.ended = None  # seconds from start to exit
        self.arrivals = []  # (seconds from start, stdout received so far)

    def seconds_until(self, text):
        """When `text` had arrived on stdout, in seconds from the start; None if it never did."""
        return next((when for when, received in self.arrivals if text in received), None)


class Checks:
    """Runs programs and collects the expectations they fail."""

    def __init__(self, args):
        self.args = args
        self.failures = []
        self.runs = []

    def fail(self, message):
        self.failures.append(message)

    def expect(self, condition, message):
        if not condition:
            self.fail(message)

    def run_command(self, command, cwd, kill_after=None):
        """Runs `command` in `cwd` to its end and records the run; with `kill_after`, kills it
        (SIGKILL) as soon as that text has arrived on stdout."""
        started = time.monotonic()
        process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        chunks = []  # (seconds since start, stdout bytes so far) as the bytes arrive
        stderr_chunks = []

        def read_stdout():
            received = b""
            while chunk := os.read(process.stdout.fileno(), 65536):
                received += chunk
                chunks.append((time.monotonic() - started, received))
                if kill_after is not None and kill_after.encode() in received:
                    process.kill()

        readers = [threading.Thread(target=read_stdout),
                   threading.Thread(target=lambda: stderr_chunks.append(process.stderr.read()))]
        for reader in readers:
            reader.start()
        try:
            status = process.wait(timeout=RUN_TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            status = None
            self.fail(f"still running after {RUN_TIMEOUT_SECONDS} s")
        ended = time.monotonic() - started
        for reader in readers:
            reader.join()
        stdout = chunks[-1][1] if chunks else b""
        run = Run(command, status, stdout.decode(errors="replace"),
                  b"".join(stderr_chunks).decode(errors="replace"))
        run.ended = ended
        run.arrivals = [(when, data.decode(errors="replace")) for when, data in chunks]
        self.runs.append(run)
        # Checked JNI reports misuse as "WARNING ..." on either stream; no run may show one.
        for name, text in (("stdout", run.stdout), ("stderr", run.stderr)):
            for line in text.split("\n"):
                self.expect("WARNING" not in line, f"{name} has a warning: {line!r}")
        return run

    def expect_status(self, run, status):
        self.expect(run.status == status, f"exit status {run.status}, expected {status}")

    def expect_blocks(self, run, blocks, at_end=False):
        """Each block is a list of line matchers (str: equal; pattern: full match) for consecutive
        stdout lines. The first block starts at the first line; later blocks follow in order with
        anything between. With at_end, the last block ends at the last line."""
        cursor = 0
        for index, block in enumerate(blocks):
            if index == 0:
                starts = [0]
            elif at_end and index == len(blocks) - 1:
                starts = [len(run.lines) - len(block)]
            else:
                starts = range(cursor, len(run.lines) - len(block) + 1)
            found = next((s for s in starts if s >= cursor and _block_at(run.lines, s, block)),
                         None)
            if found is None:
                where = "at the start" if index == 0 else ("at the end" if at_end else "next")
                self.fail(f"stdout lacks {where} the consecutive lines {_describe(block)}")
                return
            cursor = found + len(block)
        if at_end and len(blocks) == 1:
            self.expect(cursor == len(run.lines), f"stdout has more than {_describe(blocks[0])}")

    def expect_stderr_line(self, run, pattern):
        self.expect(any(re.search(pattern, line) for line in run.stderr_lines),
                    f"stderr has no line matching {pattern!r}")

    def expect_verdict(self, run, name):
        """The Java side's verdict: all its checks passed and it exited 0."""
        self.expect_status(run, 0)
        self.expect(not any(line.startswith("FAIL ") for line in run.stderr_lines),
                    "the Java side reported failed checks")
        self.expect_stderr_line(run, rf"^VERDICT {name} ok \(\d+ checks\)$")

    def java_call_counts(self, run):
        for line in run.stderr_lines:
            match = re.fullmatch(r"CALLS encrypt=(\d+) decrypt=(\d+) key=(\d+)", line)
            if match:
                return tuple(int(g) for g in match.groups())
        self.fail("stderr has no CALLS line")
        return (0, 0, 0)

    def report(self, name):
        if not self.failures:
            print(f"scenario {name}: passed")
            return 0
        print(f"scenario {name}: FAILED")
        for failure in self.failures:
            print("  - " + failure)
        for run in self.runs:
            print("---- command: " + " ".join(run.command))
            print(f"---- exit status: {run.status}")
            print("---- stdout:\n" + run.stdout)
            print("---- stderr:\n" + run.stderr)
        return 1


def _matches(matcher, line):
    if isinstance(matcher, str):
        return line == matcher
    return matcher.fullmatch(line) is not None


def _block_at(lines, start, block):
    if start < 0 or start + len(block) > len(lines):
        return False
    return all(_matches(m, lines[start + k]) for k, m in enumerate(block))


def _describe(block):
    return "[" + ", ".join(repr(m if isinstance(m, str) else m.pattern) for m in block) + "]"


def start_block(jvm, options):
    """The trace from the first line until the JVM library is loaded: no other code runs yet."""
    block = [f"Initializing Java in CPP :  {jvm}", PARAMS_LINE, f"  coptions: {len(options)}"]
    if options:
        block.append(f"before optionsoption {options[0]}")
        block += [f"option {option}" for option in options[1:]]
        block.append(f"after optionsLoaded JVM from {jvm}")
    else:
        block.append(f"before optionsafter optionsLoaded JVM from {jvm}")
    return block


def expect_native_lines_after_main(s, run, expected_errors):
    """After the start trace, stdout holds exactly one trace line per encrypt and per key call
    (counts from the Java side) and exactly the expected error lines, in any order."""
    encrypt_calls, _, key_calls = s.java_call_counts(run)
    expected = collections.Counter({ENCRYPT_TRACE: encrypt_calls, KEY_TRACE: key_calls})
    expected.update(expected_errors)
    expected = +expected
    try:
        after = run.lines.index("  Initialized Main Method") + 1
    except ValueError:
        s.fail("stdout has no '  Initialized Main Method' line")
        return
    actual = collections.Counter(run.lines[after:])
    s.expect(actual == expected,
             f"native lines after main: expected {dict(expected)}, got {dict(actual)}")
