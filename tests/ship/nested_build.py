"""Configures and builds this project in a folder of its own, with the settings of the build that
runs the test (an initial-cache file written by tests/ship/CMakeLists.txt)."""
import os
import shutil
import subprocess


class BuildFailed(Exception):
    pass


def fresh_folder(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def configure_and_build(cmake, source, build, settings, generator, target, extra=(), verbose=False):
    """Configures `source` in `build` and builds `target` with two jobs. Returns the configure and
    build output (standard output and error together). Raises BuildFailed with the output."""
    configure = [cmake, '-S', source, '-B', build, '-G', generator, '-C', settings,
                 '-DLAUNCHER_BUILD_TESTS=OFF', '-DLAUNCHER_BUILD_BENCHMARKS=OFF'] + list(extra)
    build_command = [cmake, '--build', build, '--target', target, '-j2'] + (['-v'] if verbose
                                                                             else [])
    log = b''
    for command in (configure, build_command):
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        log += result.stdout
        if result.returncode != 0:
            raise BuildFailed('%s failed (%d):\n%s' % (' '.join(command), result.returncode,
                                                        result.stdout.decode('utf-8', 'replace')))
    return log
