#!/usr/bin/env python3
"""Runs a launcher executable (`launcher APP`) whose catalogue starts launchertest/
LauncherAgreementMain, and checks the whole run.

The Java side writes only to stderr (its checks, a CALLS line and a VERDICT line) and ends the
process with System.exit; stdout holds the launcher's own trace. Checked: the exit status, the
trace of a start that reached main, exactly one native trace line per call the Java side counted
and one refusal line per length from 1 to 100 that is not a multiple of 16, the Java side's
verdict, no keep-alive line and no checked-JNI warning.

    run_launcher_agreement.py --launcher PATH --app tarn|lum
"""

import argparse
import os
import sys

from launcher_testing.vm_host import LAUNCHED, MAIN_FOUND, Checks, expect_native_lines_after_main


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--app", required=True, choices=["tarn", "lum"])
    args = parser.parse_args()

    s = Checks(args)
    run = s.run_command([args.launcher, args.app], os.getcwd())
    s.expect_verdict(run, f"launcher_agreement_{args.app}")
    s.expect_blocks(run, [[args.launcher], [f"Entry:: {args.app}"],
                          [f"Start java application {args.app}"], LAUNCHED, MAIN_FOUND])
    refusals = {f"    Error - plaintext length ({n}) is not a multiple of 16": 1
                for n in range(1, 101) if n % 16}
    expect_native_lines_after_main(s, run, refusals)
    s.expect("Main Thread is alive" not in run.stdout,
             "main returned to the launcher instead of ending the VM")
    return s.report(f"launcher {args.app}")


if __name__ == "__main__":
    sys.exit(main())
