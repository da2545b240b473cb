#!/usr/bin/env python3
"""Runs a launcher executable (`launcher APP`) whose catalogue starts launchertest/
LauncherAgreementMain, and checks the whole run.

The Java side writes only to stderr (its checks, a CALLS line and a VERDICT line) and ends the
process with System.exit; stdout holds the launcher's own trace. Checked: the exit status, the
trace of a start that reached main, exactly one native trace line per call the Java side counted
and one refusal line per length from 1 to 100 that is not a multiple of 16, the Java side's
verdict, no keep-alive line and no checked-JNI warning.

    run_launcher.py --launcher PATH --app tarn|lum
"""

import argparse
import collections
import re
import subprocess
import sys

TIMEOUT_SECONDS = 90


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--app", required=True, choices=["tarn", "lum"])
    args = parser.parse_args()

    command = [args.launcher, args.app]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            timeout=TIMEOUT_SECONDS)
    stdout = result.stdout.decode(errors="replace")
    stderr = result.stderr.decode(errors="replace")
    lines = stdout.split("\n")
    failures = []

    if result.returncode != 0:
        failures.append(f"exit status {result.returncode}, expected 0")
    start = [args.launcher, f"Entry:: {args.app}", f"Start java application {args.app}",
             "after dlopenafter dlsymafter createjavavm  Launched JVM",
             "after initializevmbefore findclassafter findclass  RegisterNatives",
             "  Initialized Main Method"]
    position = 0
    for piece in start:
        found = stdout.find(piece, position)
        if found < 0:
            failures.append(f"stdout lacks, in order: {piece!r}")
            break
        position = found + len(piece)

    calls = re.search(r"^CALLS encrypt=(\d+) decrypt=(\d+) key=(\d+)$", stderr, re.MULTILINE)
    if not calls:
        failures.append("stderr has no CALLS line")
    elif "  Initialized Main Method" in lines:
        encrypt_calls, _, key_calls = (int(g) for g in calls.groups())
        expected = collections.Counter({"  encrypt in cpp": encrypt_calls,
                                        "getting encrypted distribution key in cpp": key_calls})
        for n in range(1, 101):
            if n % 16:
                expected[f"    Error - plaintext length ({n}) is not a multiple of 16"] += 1
        after_main = lines[lines.index("  Initialized Main Method") + 1:]
        actual = collections.Counter(line for line in after_main if line)
        if actual != expected:
            failures.append(f"native lines after main: missing {dict(expected - actual)}, "
                            f"unexpected {dict(actual - expected)}")

    verdict = f"launcher_agreement_{args.app}"
    if not re.search(rf"^VERDICT {verdict} ok \(\d+ checks\)$", stderr, re.MULTILINE):
        failures.append(f"stderr has no 'VERDICT {verdict} ok' line")
    if re.search(r"^FAIL ", stderr, re.MULTILINE):
        failures.append("the Java side reported failed checks")
    if "Main Thread is alive" in stdout:
        failures.append("main returned to the launcher instead of ending the VM")
    for name, text in (("stdout", stdout), ("stderr", stderr)):
        for line in text.split("\n"):
            if "WARNING" in line:
                failures.append(f"{name} has a warning: {line!r}")

    if failures:
        print(f"launcher {args.app}: FAILED")
        for failure in failures:
            print("  - " + failure)
        print("---- command: " + " ".join(command))
        print("---- stdout:\n" + stdout)
        print("---- stderr:\n" + stderr)
        return 1
    print(f"launcher {args.app}: natives agree with javax.crypto, distribution key as configured")
    return 0


if __name__ == "__main__":
    sys.exit(main())
