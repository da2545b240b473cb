#!/usr/bin/env python3
"""Runs the VM host test program in one scenario and checks what it prints.

A scenario starts jvm_test_host (a thin caller of initialize_java_app) with a main class, an
encrypt class and VM options, captures stdout and stderr separately, and checks the exit status,
the host's stdout trace line by line, and the verdict the Java side printed on stderr. The Java
test classes write only to stderr, so stdout holds the host's trace and whatever the runtime itself
prints there.

    run_scenario.py SCENARIO --host PATH --jvm PATH --vm client|server --bits 32|64
                    --classes DIR --key HEX --distribution-key FILE --not-a-jvm PATH
"""

import argparse
import collections
import os
import re
import subprocess
import sys
import threading
import time

PARAMS_LINE = re.compile(r"Params :  options : (0x[0-9a-fA-F]+|\(nil\))")
ALIVE_LINE = re.compile(r"(?:exiting after calling main method)?Main Thread is alive \((\d+)\)")
ENCRYPT_TRACE = "  encrypt in cpp"
KEY_TRACE = "getting encrypted distribution key in cpp"
HOST_TIMEOUT_SECONDS = 90


class Run:
    """One finished run of the host."""

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


class Scenario:
    """Runs the host and collects failed expectations."""

    def __init__(self, args):
        self.args = args
        self.failures = []
        self.runs = []

    def fail(self, message):
        self.failures.append(message)

    def expect(self, condition, message):
        if not condition:
            self.fail(message)

    def class_path(self):
        return "-Djava.class.path=" + self.args.classes

    def test_properties(self):
        return [
            "-Dlauncher.test.key=" + self.args.key,
            "-Dlauncher.test.distribution_key=" + self.args.distribution_key,
        ]

    def run(self, main_class, encrypt_class, options, jvm=None, kill_after=None):
        """Runs the host in the class directory to its end; with `kill_after`, kills it (SIGKILL)
        as soon as that text has arrived on stdout."""
        command = [self.args.host, jvm or self.args.jvm, main_class, encrypt_class] + options
        return self.run_command(command, self.args.classes, kill_after)

    def run_command(self, command, cwd, kill_after=None):
        """Runs `command` in `cwd` as `run` runs the host, and records the run."""
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
            status = process.wait(timeout=HOST_TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            status = None
            self.fail(f"host still running after {HOST_TIMEOUT_SECONDS} s")
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


LAUNCHED = ["after dlopenafter dlsymafter createjavavm  Launched JVM"]
REGISTERED = "after initializevmbefore findclassafter findclass  RegisterNatives"
MAIN_FOUND = [REGISTERED, "  Initialized Main Method"]


def expect_started(s, run, jvm, options):
    """Trace of a start that reached main."""
    s.expect_blocks(run, [start_block(jvm, options), LAUNCHED, MAIN_FOUND])


def expect_keep_alive(s, run):
    """After main returned: the keep-alive lines count 0, 1, 2, ... and nothing follows them."""
    s.expect_blocks(run, [start_block(run.command[1], run.command[4:]), LAUNCHED,
                          MAIN_FOUND + ["exiting after calling main methodMain Thread is alive (0)",
                                        "Main Thread is alive (1)", "Main Thread is alive (2)"]])
    counts = [int(m.group(1)) for m in map(ALIVE_LINE.fullmatch, run.lines) if m]
    s.expect(counts == list(range(len(counts))), f"keep-alive counts {counts}")
    # The Java side ends the process 2.5 or 3.5 s after main started; at one line a second that
    # leaves room for at most five lines, whatever the scheduling.
    s.expect(len(counts) <= 6, f"{len(counts)} keep-alive lines: not about one a second")
    s.expect(bool(run.lines) and ALIVE_LINE.fullmatch(run.lines[-1]) is not None,
             "stdout does not end with a keep-alive line")


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


# ---- scenarios --------------------------------------------------------------------------------

SCENARIOS = {}


def scenario(function):
    SCENARIOS[function.__name__] = function
    return function


@scenario
def success_trace(s):
    options = [s.class_path(), "-Dlauncher.test.marker=trace", "-Xss2m"]
    run = s.run("launchertest/TraceMain", "launchertest/Natives", options)
    s.expect_status(run, 0)
    expect_keep_alive(s, run)
    s.expect_stderr_line(run, r"^TraceMain\.main called, args null$")
    # The VM the build chose, not merely one that happens to load: its kind and word size.
    s.expect_stderr_line(run, rf"^TraceMain runs in .* {s.args.vm.capitalize()} VM, "
                              rf"{s.args.bits}-bit$")
    # The trace is visible as it happens, not only when the process ends: the first keep-alive
    # line arrives about 3.3 s before the Java side ends the process.
    alive = run.seconds_until("Main Thread is alive (0)")
    s.expect(alive is not None and run.ended is not None and run.ended - alive > 1.5,
             f"first keep-alive line arrived at {alive} s, the process ended at {run.ended} s")


@scenario
def success_trace_checked_jni(s):
    options = [s.class_path(), "-Xcheck:jni"]
    run = s.run("launchertest/TraceMain", "launchertest/Natives", options)
    s.expect_status(run, 0)
    expect_keep_alive(s, run)


@scenario
def zero_options(s):
    # Without options the VM's class path is the working directory, which is the class directory.
    run = s.run("launchertest/TraceMain", "launchertest/Natives", [])
    s.expect_status(run, 0)
    expect_keep_alive(s, run)


@scenario
def relative_library_path(s):
    relative = os.path.relpath(s.args.jvm, s.args.classes)
    run = s.run("launchertest/TraceMain", "launchertest/Natives", [s.class_path()], jvm=relative)
    s.expect_status(run, 0)
    expect_keep_alive(s, run)


def natives_options(s):
    return [s.class_path(), "-Xcheck:jni"] + s.test_properties()


@scenario
def natives_contract(s):
    options = natives_options(s)
    run = s.run("launchertest/NativesContractMain", "launchertest/Natives", options)
    s.expect_verdict(run, "natives_contract")
    expect_started(s, run, s.args.jvm, options)
    expect_native_lines_after_main(s, run, {
        "    Error - plaintext length (20) is not a multiple of 16": 1,
        "    Error - plaintext length (-1) is not a multiple of 16": 2,
        "    Error - iv is not a direct buffer": 2,
        "    Error - iv capacity (8) is less than 16": 2,
        "    Error - iv capacity (15) is less than 16": 2,
        "    Error - data is not a direct buffer": 2,
    })


@scenario
def natives_as_instance_methods(s):
    options = natives_options(s)
    run = s.run("launchertest/InstanceNativesMain", "launchertest/InstanceNatives", options)
    s.expect_verdict(run, "instance_natives")
    expect_started(s, run, s.args.jvm, options)
    s.expect(run.lines.count(ENCRYPT_TRACE) == 1 and run.lines.count(KEY_TRACE) == 1,
             "instance natives: expected one encrypt and one key trace line")


@scenario
def natives_agree_with_javax_crypto(s):
    options = natives_options(s)
    run = s.run("launchertest/CipherAgreementMain", "launchertest/Natives", options)
    s.expect_verdict(run, "cipher_agreement")
    expect_native_lines_after_main(s, run, {})


@scenario
def natives_concurrent_calls(s):
    options = natives_options(s)
    run = s.run("launchertest/ConcurrentCallsMain", "launchertest/Natives", options)
    s.expect_verdict(run, "concurrent_calls")
    expect_native_lines_after_main(s, run, {})


@scenario
def natives_result_array_allocation_fails(s):
    options = natives_options(s) + ["-Xmx6m", "-XX:MaxDirectMemorySize=64m"]
    run = s.run("launchertest/ArrayAllocationFailureMain", "launchertest/Natives", options)
    s.expect_verdict(run, "array_allocation_failure")
    s.expect_stderr_line(run, r"^caught java\.lang\.OutOfMemoryError")
    expect_native_lines_after_main(s, run, {
        "    Error - could not create a Java array of 8388608 bytes": 2,
    })


def expect_not_initialized(s, run, blocks):
    """A start that created no VM: the given trace, then the final line without a line end."""
    s.expect_status(run, 1)
    s.expect_blocks(run, blocks + [["after initializevmJVM not initialized. exiting!"]],
                    at_end=True)
    s.expect(not run.stdout.endswith("\n"), "stdout ends with a line end")


def expect_not_loadable(s, library, reason):
    """A JVM library that cannot be loaded: the usual trace on stdout, and on stderr exactly one
    line with the loader's reason (dlerror's text, which begins with the path)."""
    options = [s.class_path()]
    run = s.run("launchertest/TraceMain", "launchertest/Natives", options, jvm=library)
    block = start_block(library, options)
    block[-1] = f"after optionsUnable to load JVM at {library}, exiting"
    expect_not_initialized(s, run, [block])
    expected = f"Unable to load JVM at {library}: {library}: "
    s.expect(run.stderr.startswith(expected) and run.stderr.count("\n") == 1
             and re.search(reason, run.stderr) is not None,
             f"stderr is not one line {expected!r} with a reason matching {reason!r}: "
             f"{run.stderr!r}")


@scenario
def missing_library(s):
    missing = os.path.join(s.args.classes, "no-such-dir", "libjvm.so")
    expect_not_loadable(s, missing, r"No such file or directory\n$")


@scenario
def file_that_is_not_a_library(s):
    text = os.path.join(s.args.classes, "not-a-library.so")
    with open(text, "w") as f:
        f.write("This is not a library.\n" * 40)
    expect_not_loadable(s, text, r"invalid ELF header\n$")


@scenario
def library_of_the_other_architecture(s):
    if not s.args.other_architecture_jvm:
        s.fail("needs --other-architecture-jvm")
        return
    expect_not_loadable(s, s.args.other_architecture_jvm, r"wrong ELF class: ELFCLASS(32|64)\n$")


@scenario
def library_without_create_java_vm(s):
    library = s.args.not_a_jvm
    options = [s.class_path()]
    run = s.run("launchertest/TraceMain", "launchertest/Natives", options, jvm=library)
    expect_not_initialized(s, run, [start_block(library, options),
                                    [f"after dlopenafter dlsymUnable to find JNI_CreateJavaVM in "
                                     f"{library}, exiting"]])
    s.expect(run.stderr == f"Unable to find JNI_CreateJavaVM in {library}: {library}: "
                           f"undefined symbol: JNI_CreateJavaVM\n",
             f"stderr does not give the loader's reason: {run.stderr!r}")


@scenario
def trace_and_application_output_interleave(s):
    # The Java side writes to the same stdout between native calls and then waits; the host is
    # killed the moment its last line arrives. Every trace line written before that must be there,
    # in the order in which it happened.
    options = [s.class_path()]
    run = s.run("launchertest/InterleavedOutputMain", "launchertest/Natives", options,
                kill_after="java: waiting to be killed\n")
    s.expect_status(run, -9)
    s.expect_blocks(run, [start_block(s.args.jvm, options), LAUNCHED, MAIN_FOUND + [
        "java: main started",
        KEY_TRACE,
        "java: key of 48 bytes",
        ENCRYPT_TRACE,
        "java: ciphertext of 32 bytes",
        ENCRYPT_TRACE,
        "    Error - plaintext length (20) is not a multiple of 16",
        "java: refused with null",
        "java: waiting to be killed"]], at_end=True)


@scenario
def rejected_option(s):
    options = [s.class_path(), "-Xnonsense"]
    run = s.run("launchertest/TraceMain", "launchertest/Natives", options)
    expect_not_initialized(s, run, [
        start_block(s.args.jvm, options),
        ["after dlopenafter dlsymafter createjavavm  Unable to Launch JVM -1"]])
    s.expect_stderr_line(run, r"Unrecognized option: -Xnonsense")


def expect_stopped_after(s, run, options, last_lines):
    """A start with a VM that ended at a class or method lookup: initialize_java_app returned 0.
    These runs go without -Xcheck:jni: no JNI call follows the failure, and the host then exits
    with the VM still up, during which the checker's periodic signal-handler check has been seen
    to print "Warning: SIGSEGV handler modified!" on stdout."""
    s.expect_status(run, 0)
    s.expect_blocks(run, [start_block(s.args.jvm, options), LAUNCHED, last_lines], at_end=True)


@scenario
def missing_encrypt_class(s):
    options = [s.class_path()]
    run = s.run("launchertest/TraceMain", "launchertest/NoSuchNatives", options)
    expect_stopped_after(s, run, options, [
        "after initializevmbefore findclass"
        "Sorry - could not find class launchertest/NoSuchNatives"])
    s.expect_stderr_line(run, r"java\.lang\.NoClassDefFoundError: launchertest/NoSuchNatives")


@scenario
def missing_main_class(s):
    options = [s.class_path()]
    run = s.run("launchertest/NoSuchMain", "launchertest/Natives", options)
    expect_stopped_after(s, run, options, [
        REGISTERED, "Sorry - could not find class launchertest/NoSuchMain"])
    s.expect_stderr_line(run, r"java\.lang\.NoClassDefFoundError: launchertest/NoSuchMain")


@scenario
def class_without_static_main(s):
    options = [s.class_path()]
    run = s.run("launchertest/InstanceMainOnly", "launchertest/Natives", options)
    expect_stopped_after(s, run, options, [
        REGISTERED, "Sorry - could not find main method in class launchertest/InstanceMainOnly"])
    s.expect_stderr_line(run, r"java\.lang\.NoSuchMethodError: .*main")
    s.expect("must not run" not in run.stderr, "a non-static or differently typed main ran")


@scenario
def main_throws(s):
    options = [s.class_path(), "-Xcheck:jni"]
    run = s.run("launchertest/ThrowingMain", "launchertest/Natives", options)
    s.expect_status(run, 0)
    expect_keep_alive(s, run)
    s.expect_stderr_line(run, r'Exception in thread "main" java\.lang\.IllegalStateException: '
                              r"ThrowingMain fails on purpose")


@scenario
def register_natives_fails(s):
    # The natives are missing on the class: reported on stderr, and the application still starts.
    options = [s.class_path(), "-Xcheck:jni"]
    run = s.run("launchertest/TraceMain", "launchertest/NoNatives", options)
    s.expect_status(run, 0)
    expect_keep_alive(s, run)
    s.expect_stderr_line(run, r"java\.lang\.NoSuchMethodError: .*externEncrypt")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--host", required=True)
    parser.add_argument("--jvm", required=True)
    parser.add_argument("--vm", required=True, choices=["client", "server"])
    parser.add_argument("--bits", required=True, choices=["32", "64"])
    parser.add_argument("--classes", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--distribution-key", required=True)
    parser.add_argument("--not-a-jvm", required=True)
    parser.add_argument("--other-architecture-jvm", default="",
                        help="a JVM library this host's processes cannot load (optional)")
    args = parser.parse_args()
    for name in ("host", "jvm", "classes", "distribution_key", "not_a_jvm"):
        setattr(args, name, os.path.abspath(getattr(args, name)))  # the host runs in `classes`
    s = Scenario(args)
    SCENARIOS[args.scenario](s)
    if not s.runs:
        s.fail("the scenario ran nothing")
    return s.report(args.scenario)


if __name__ == "__main__":
    sys.exit(main())
