#!/usr/bin/env python3
"""Runs a launcher executable (`launcher APP`) whose catalogue starts the Swing program
launchertest/DesktopMain on a private Xvfb screen, and checks the whole run.

Sequence, each step waiting for the one before (every wait bounded):
  1. Xvfb starts on a display it picks itself (-displayfd); a screenshot of the empty screen.
  2. The launcher starts with DISPLAY set. Its Java program opens a window, calls the natives on the
     Event Dispatch Thread and, once its panel is on the screen, prints where the panel is.
  3. Two keep-alive lines of the launcher follow that line on stdout: the initial thread keeps the
     process alive while the window is open.
  4. A screenshot of the whole screen, taken from outside the process by ImageMagick's `import`,
     must show the panel's colour over the whole panel where the empty screen has none of it.
  5. "exit" on the program's stdin; the EDT then ends the process with System.exit(7).
Then: the exit status, the trace of a start that reached main, one native trace line per call the
Java side counted, and the Java side's verdict. Xvfb is stopped whatever happens.

The screenshots are written as PNG files into --output-dir, with the run's stdout and stderr.

    run_desktop.py --launcher PATH --app tarn|lum --xvfb PATH --import PATH --convert PATH
                   --output-dir DIR
"""

import argparse
import ctypes
import os
import re
import select
import signal
import subprocess
import sys
import threading
import time

from launcher_testing.vm_host import ENCRYPT_TRACE, KEY_TRACE, LAUNCHED, MAIN_FOUND, Checks, Run

EXIT_STATUS = 7  # DesktopMain.EXIT_STATUS
SCREEN = (1024, 768)
XVFB_START_SECONDS = 30
SCREENSHOT_SECONDS = 30
WINDOW_SECONDS = 120  # from the launcher's start until the window is on the screen
KEEP_ALIVE_SECONDS = 30  # for two keep-alive lines after that
EXIT_SECONDS = 30  # from the exit request until the process has ended
STOP_SECONDS = 10

SHOWN = re.compile(r"desktop: window shown at (\d+),(\d+) size (\d+)x(\d+) colour ([0-9A-F]{6})\n")
ALIVE = re.compile(r"Main Thread is alive \((\d+)\)\n")


def die_with_parent():
    """In the child: SIGTERM when the driver dies, so that neither Xvfb nor a launcher whose
    window keeps it alive outlives a driver killed by a timeout."""
    libc = ctypes.CDLL(None, use_errno=True)
    PR_SET_PDEATHSIG = 1
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def stop(process):
    """Ends `process` (SIGTERM, then SIGKILL) and reaps it."""
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout=STOP_SECONDS)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class Output:
    """A child's stdout and stderr as they arrive, with waits for what they hold."""

    def __init__(self, process):
        self.process = process
        self.text = {"stdout": "", "stderr": ""}
        self.changed = threading.Condition()
        self.readers = [threading.Thread(target=self._read, args=(name, stream))
                        for name, stream in (("stdout", process.stdout),
                                             ("stderr", process.stderr))]
        for reader in self.readers:
            reader.start()

    def _read(self, name, stream):
        while chunk := os.read(stream.fileno(), 65536):
            with self.changed:
                self.text[name] += chunk.decode(errors="replace")
                self.changed.notify_all()
        with self.changed:
            self.changed.notify_all()

    def wait_for(self, predicate, seconds):
        """The first true value of predicate(stdout) within `seconds`, or None when the time ran
        out or the process ended without it."""
        deadline = time.monotonic() + seconds
        with self.changed:
            while True:
                value = predicate(self.text["stdout"])
                if value:
                    return value
                remaining = deadline - time.monotonic()
                if remaining <= 0 or (self.process.poll() is not None
                                      and not any(r.is_alive() for r in self.readers)):
                    return None
                self.changed.wait(min(remaining, 0.5))

    def finish(self):
        for reader in self.readers:
            reader.join()
        return self.text["stdout"], self.text["stderr"]


# ---- screenshots ------------------------------------------------------------------------------

# One line of ImageMagick's histogram at 8 bits per sample: "<count>: (<samples>) #RRGGBB <name>".
HISTOGRAM_LINE = re.compile(r"^ *(\d+): \([^)]*\) #([0-9A-F]{6})\b", re.MULTILINE)


class Screenshot:
    """A screenshot in a PNG file, its pixels read by ImageMagick's convert at 8 bits per sample
    (the screen's own depth, so that no colour is rounded into another)."""

    def __init__(self, convert, path):
        self.convert, self.path = convert, path
        size = self._convert("info:-", "-format", "%w %h")
        self.width, self.height = (int(v) for v in size.split())

    def _convert(self, output, *operations):
        """What convert writes to `output` from the image after `operations`."""
        command = [self.convert, self.path, *operations, "-depth", "8", output]
        return subprocess.run(command, check=True, capture_output=True, text=True,
                              timeout=SCREENSHOT_SECONDS, stdin=subprocess.DEVNULL).stdout

    def count(self, colour, box=None):
        """Pixels equal to `colour` (3 bytes) in `box` (x, y, w, h; default the whole image)."""
        x, y, w, h = box or (0, 0, self.width, self.height)
        histogram = self._convert("histogram:info:-", "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                                  "-format", "%c")
        counts = [(int(m.group(1)), bytes.fromhex(m.group(2)))
                  for m in HISTOGRAM_LINE.finditer(histogram)]
        # Every pixel of the box must be in a line read, or a colour could hide in one not read.
        if sum(n for n, _ in counts) != w * h:
            raise ValueError(f"the histogram of {w}x{h} pixels at {x},{y} of {self.path} is not "
                             f"of {w * h} pixels:\n{histogram}")
        return sum(n for n, rgb in counts if rgb == colour)


def screenshot(args, display, png_path):
    """The whole screen of `display`, taken by ImageMagick's import into `png_path` (8-bit RGB)."""
    subprocess.run([args.import_program, "-display", display, "-window", "root", "-silent",
                    "png24:" + png_path],
                   check=True, timeout=SCREENSHOT_SECONDS, stdin=subprocess.DEVNULL)
    return Screenshot(args.convert, png_path)


# ---- the run ----------------------------------------------------------------------------------

def start_xvfb(xvfb, log_path):
    """Xvfb on a display it chooses among the free ones; returns (process, ":N")."""
    read_end, write_end = os.pipe()
    with open(log_path, "wb") as log:
        process = subprocess.Popen(
            [xvfb, "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
             "-nolisten", "tcp"],
            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
            pass_fds=(write_end,), preexec_fn=die_with_parent)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + XVFB_START_SECONDS
    try:
        # Xvfb writes the display number and a line end once it accepts connections.
        while not number.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([read_end], [], [], remaining)[0]:
                raise RuntimeError(f"Xvfb gave no display number within {XVFB_START_SECONDS} s")
            chunk = os.read(read_end, 64)
            if not chunk:
                raise RuntimeError("Xvfb ended without giving a display number")
            number += chunk
    except BaseException:
        stop(process)
        raise
    finally:
        os.close(read_end)
    return process, ":" + number.decode().strip()


def keep_alive_after(position):
    """A predicate: the keep-alive counts of stdout after `position`, once there are two."""
    def two_lines(stdout):
        counts = [int(m.group(1)) for m in ALIVE.finditer(stdout, position)]
        return counts if len(counts) >= 2 else None
    return two_lines


def run_desktop(s, args, display):
    out = args.output_dir
    empty = screenshot(args, display, os.path.join(out, "empty-screen.png"))
    s.expect((empty.width, empty.height) == SCREEN,
             f"the empty screen is {empty.width}x{empty.height}, not {SCREEN[0]}x{SCREEN[1]}")

    command = [args.launcher, args.app]
    environment = dict(os.environ, DISPLAY=display)
    process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=environment,
                               preexec_fn=die_with_parent)
    output = Output(process)
    status = None
    try:
        shown = output.wait_for(SHOWN.search, WINDOW_SECONDS)
        if shown is None:
            s.fail(f"no window on the screen within {WINDOW_SECONDS} s of the start "
                   f"(no 'desktop: window shown' line on stdout)")
        else:
            alive = output.wait_for(keep_alive_after(shown.end()), KEEP_ALIVE_SECONDS)
            s.expect(alive is not None,
                     f"fewer than two keep-alive lines within {KEEP_ALIVE_SECONDS} s while the "
                     f"window was open")
            s.expect(process.poll() is None, "the process ended before the screenshot")
            check_screenshot(s, args, display, empty, shown)
        if process.poll() is None:
            try:
                process.stdin.write(b"exit\n")
                process.stdin.flush()
            except BrokenPipeError:
                pass  # the process has just ended; its status tells
            try:
                status = process.wait(timeout=EXIT_SECONDS)
            except subprocess.TimeoutExpired:
                s.fail(f"the process still ran {EXIT_SECONDS} s after the exit request: the "
                       f"event dispatch thread did not end it")
        else:
            status = process.returncode
    finally:
        stop(process)
        stdout, stderr = output.finish()
        process.stdin.close()
    with open(os.path.join(out, "stdout.txt"), "w") as f:
        f.write(stdout)
    with open(os.path.join(out, "stderr.txt"), "w") as f:
        f.write(stderr)
    run = Run(command, status, stdout, stderr)
    s.runs.append(run)
    check_run(s, args, run)


def check_screenshot(s, args, display, empty, shown):
    x, y, w, h = (int(shown.group(k)) for k in range(1, 5))
    colour = bytes.fromhex(shown.group(5))
    path = os.path.join(args.output_dir, "window.png")
    image = screenshot(args, display, path)
    print(f"screenshot of the window: {path}")
    print(f"screenshot of the empty screen: {os.path.join(args.output_dir, 'empty-screen.png')}")
    if not (w > 0 and h > 0 and x >= 0 and y >= 0 and x + w <= image.width
            and y + h <= image.height):
        s.fail(f"the panel {w}x{h} at {x},{y} is not on the {image.width}x{image.height} screen")
        return
    painted = image.count(colour, (x, y, w, h))
    s.expect(painted == w * h,
             f"the screenshot shows the panel's colour {colour.hex()} on {painted} of its "
             f"{w * h} pixels")
    background = empty.count(colour)
    s.expect(background == 0,
             f"the empty screen already shows the panel's colour on {background} pixels")


def check_run(s, args, run):
    s.expect_status(run, EXIT_STATUS)
    s.expect(not any(line.startswith("FAIL ") for line in run.stderr_lines),
             "the Java side reported failed checks")
    s.expect_stderr_line(run, rf"^VERDICT desktop_{args.app} ok \(\d+ checks\)$")
    s.expect_stderr_line(run, rf"^desktop: System\.exit\({EXIT_STATUS}\) on AWT-EventQueue-\d+$")
    for name, text in (("stdout", run.stdout), ("stderr", run.stderr)):
        for line in text.split("\n"):
            s.expect("WARNING" not in line, f"{name} has a warning: {line!r}")
    s.expect_blocks(run, [[args.launcher], [f"Entry:: {args.app}"],
                          [f"Start java application {args.app}"], LAUNCHED, MAIN_FOUND])
    # The EDT's calls may be traced while the initial thread's keep-alive lines, written in two
    # parts, are under way: each native trace line is counted where it stands in the text.
    encrypt_calls, _, key_calls = s.java_call_counts(run)
    for text, calls in ((ENCRYPT_TRACE, encrypt_calls), (KEY_TRACE, key_calls)):
        found = run.stdout.count(text + "\n")
        s.expect(found == calls and calls > 0,
                 f"{found} lines {text!r} for {calls} calls from the Java side")
    refusal = "    Error - plaintext length (20) is not a multiple of 16\n"
    s.expect(run.stdout.count(refusal) == 1, f"stdout does not hold {refusal!r} once")
    counts = [int(m.group(1)) for m in ALIVE.finditer(run.stdout)]
    s.expect(counts == list(range(len(counts))), f"keep-alive counts {counts}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--app", required=True, choices=["tarn", "lum"])
    parser.add_argument("--xvfb", required=True)
    parser.add_argument("--import", dest="import_program", required=True)
    parser.add_argument("--convert", required=True)
    parser.add_argument("--output-dir", required=True)
    args = parser.parse_args()
    args.output_dir = os.path.abspath(args.output_dir)
    os.makedirs(args.output_dir, exist_ok=True)
    for old in ("window.png", "empty-screen.png", "stdout.txt", "stderr.txt"):
        if os.path.exists(os.path.join(args.output_dir, old)):
            os.remove(os.path.join(args.output_dir, old))

    s = Checks(args)
    xvfb, display = start_xvfb(args.xvfb, os.path.join(args.output_dir, "xvfb.log"))
    try:
        print(f"Xvfb on display {display}")
        run_desktop(s, args, display)
    finally:
        stop(xvfb)
    return s.report(f"desktop {args.app}")


if __name__ == "__main__":
    sys.exit(main())
