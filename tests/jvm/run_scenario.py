#!/usr/bin/env python3
"""Runs the VM host test program in one scenario and checks what it prints.

A scenario starts jvm_test_host (a thin caller of initialize_java_app) with a main class, an
encrypt class and VM options, captures stdout and stderr separately, and checks the exit status,
the host's stdout trace line by line, and the verdict the Java side printed on stderr. The Java
test classes write only to stderr, so stdout holds the host's trace and whatever the runtime itself
prints there.

    run_scenario.py SCENARIO --host PATH --jvm PATH --vm client|server --bits 32|64
                    --classes DIR --key HEX --distribution-key FILE --not-a-jvm PATH
                    [--other-architecture-jvm PATH]

This file is the one list of scenarios: `run_scenario.py --list [--other-architecture-jvm PATH]`
prints the names of those that can run, one a line, and the build registers a test for each.
"""

import argparse
import os
import re
import sys

from launcher_testing.vm_host import (ENCRYPT_TRACE, KEY_TRACE, LAUNCHED, MAIN_FOUND, REGISTERED,
                                      Checks, expect_native_lines_after_main, start_block)

ALIVE_LINE = re.compile(r"(?:exiting after calling main method)?Main Thread is alive \((\d+)\)")


class HostScenario(Checks):
    """Runs the host and collects the expectations its runs fail."""

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


# ---- scenarios --------------------------------------------------------------------------------

SCENARIOS = {}


def scenario(function):
    SCENARIOS[function.__name__] = function
    return function


def needs_other_architecture_jvm(function):
    """A scenario that can run only where a JVM library of the other word size exists."""
    function.needs_other_architecture_jvm = True
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
@needs_other_architecture_jvm
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


def runnable_scenarios(other_architecture_jvm):
    """The scenarios in the order written, less those that need what is not given."""
    return [name for name, function in SCENARIOS.items()
            if other_architecture_jvm
            or not getattr(function, "needs_other_architecture_jvm", False)]


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", action="store_true",
                        help="print the names of the scenarios that can run, and run none")
    running = "--list" not in sys.argv[1:]  # a run needs everything; a listing only the JVMs
    parser.add_argument("scenario", nargs=None if running else "?", choices=sorted(SCENARIOS))
    for option in ("--host", "--jvm", "--classes", "--key", "--distribution-key", "--not-a-jvm"):
        parser.add_argument(option, required=running)
    parser.add_argument("--vm", required=running, choices=["client", "server"])
    parser.add_argument("--bits", required=running, choices=["32", "64"])
    parser.add_argument("--other-architecture-jvm", default="",
                        help="a JVM library this host's processes cannot load (optional)")
    args = parser.parse_args()
    if running:
        for name in ("host", "jvm", "classes", "distribution_key", "not_a_jvm"):
            setattr(args, name, os.path.abspath(getattr(args, name)))  # the host runs in `classes`
    return args


def main():
    args = parse_args()
    if args.list:
        print("\n".join(runnable_scenarios(args.other_architecture_jvm)))
        return 0
    s = HostScenario(args)
    SCENARIOS[args.scenario](s)
    if not s.runs:
        s.fail("the scenario ran nothing")
    return s.report(args.scenario)


if __name__ == "__main__":
    sys.exit(main())
