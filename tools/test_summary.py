#!/usr/bin/env python3
"""Summarises the test command's stages from CTest's JUnit files.

Usage: test_summary.py STAGE=STATUS[:JUNIT_FILE] ... | STAGE=skipped:REASON ...
  STATUS is the stage's exit status. A stage given without a JUnit file is not a CTest stage; one
  whose file is missing (its configure or build failed) has no test results. Both are reported by
  status. A stage that could not be run here at all is given as skipped, with its reason.

Prints one line per stage: passed, failed and skipped, then, under it, one line per group of skipped
tests: how many, and the reason they gave. Ends with the totals as "N passed, N failed, N skipped".
Exits 1 iff a stage failed or a test failed.
"""
import re
import sys
import xml.etree.ElementTree as ElementTree

# The reason a skipped test gave: a line "skipped: <reason>" from a test that cannot run here, or
# GoogleTest's "<file>:<line>: Skipped" followed by the message of GTEST_SKIP().
SKIP_LINE = re.compile(r'^skipped: (.+)$', re.MULTILINE)
GTEST_SKIP = re.compile(r': Skipped\n(.+)$', re.MULTILINE)


def skip_reason(output):
    for pattern in (SKIP_LINE, GTEST_SKIP):
        match = pattern.search(output)
        if match:
            return match.group(1).strip()
    return 'no reason given'


def read_results(path):
    """(passed, failed, {reason: count}) of one JUnit file."""
    passed, failed, skipped = 0, 0, {}
    for case in ElementTree.parse(path).getroot().iter('testcase'):
        output = case.findtext('system-out') or ''
        if case.find('skipped') is not None or case.get('status') in ('notrun', 'disabled'):
            reason = skip_reason(output)
            skipped[reason] = skipped.get(reason, 0) + 1
        elif case.find('failure') is not None or case.get('status') == 'fail':
            failed += 1
        else:
            passed += 1
    return passed, failed, skipped


def main(arguments):
    totals = [0, 0, 0]
    anything_failed = False
    for argument in arguments:
        stage, _, rest = argument.partition('=')
        status, _, junit = rest.partition(':')
        line = '%-14s ' % stage
        if status == 'skipped':
            print(line + 'skipped')
            print('    skipped: %s' % junit)
            continue
        if junit:
            try:
                passed, failed, skipped = read_results(junit)
            except (OSError, ElementTree.ParseError):
                junit = ''
        if junit:
            count = sum(skipped.values())
            totals[0] += passed
            totals[1] += failed
            totals[2] += count
            line += '%d passed, %d failed, %d skipped' % (passed, failed, count)
            anything_failed |= failed > 0
        elif ':' in rest:
            skipped = {}
            line += 'no test results'
        else:
            skipped = {}
            line += 'passed' if status == '0' else 'not a CTest stage'
        if status != '0':
            line += ' - stage FAILED (status %s)' % status
            anything_failed = True
        print(line)
        for reason, count in sorted(skipped.items(), key=lambda item: -item[1]):
            print('    %d skipped: %s' % (count, reason))
    print('tests: %d passed, %d failed, %d skipped' % tuple(totals))
    return 1 if anything_failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
