#!/usr/bin/env python3
"""Writes the stand-in JVM's stand-in-jvm.txt for a start of the catalogue's entry whose main, after
the natives' checks, ends the process with status 23: what run_stand_in_jvm.py writes for its runs,
here for an application folder that an installer puts in place."""
import argparse

import run_stand_in_jvm


def main():
    parser = argparse.ArgumentParser()
    for name in ('--catalogue', '--key', '--distribution-key', '--openssl', '--output'):
        parser.add_argument(name, required=True)
    options = parser.parse_args()
    run_stand_in_jvm.check_openssl(options.openssl)
    run_stand_in_jvm.write_expectations(options.output, options, b'exit 23')


if __name__ == '__main__':
    main()
