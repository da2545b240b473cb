"""Expected transcripts of launcher runs, compared byte for byte with a run's standard output.

An expected transcript (a file in a suite's expected/ folder) holds the launcher's fixed trace text
as it is, and placeholders where the text is the same in every run or comes from elsewhere:
  {OPENING}       the first lines of every run: the program path, then "Starting launcher" and the
                  front end's first line, which share a line
  {PROGRAM}       the program path exactly as the launcher prints it (argv[0]; under wine, the
                  Windows form of the path, see windows_path)
  {POINTER}       the value of a %p directive, which differs from run to run
and, taken from the catalogue text of the entry the run starts (tarn.json, lum.json):
  {APP}           the entry's name, its file's name without .json
  {JVM_PATH}      its jvm_path
  {OPTION_COUNT}  how many options it has
  {OPTIONS}       a line "option <option>" for each of its options, in order
Every other byte must appear in the output as it is, and nothing else may. A catalogue value is
taken as plain bytes, even where it looks like a placeholder.
"""
import os
import re

from launcher_testing.catalogue import CatalogueEntry

OPENING = b'{PROGRAM}\nStarting launcherAbsolute value of -3 according to C: 3'
POINTER_PATTERN = rb'(?:(?:0x)?[0-9a-fA-F]+|\(nil\))'
PLACEHOLDER = re.compile(rb'\{(PROGRAM|POINTER|APP|JVM_PATH|OPTION_COUNT|OPTIONS)\}')
# Placeholders whose value is known only when the output is compared.
RUN_DEPENDENT = (b'PROGRAM', b'POINTER')


def windows_path(path):
    """`path` as a Windows program under wine sees it: Z: and the absolute path, backslashes."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def catalogue_values(catalogue):
    entry = CatalogueEntry(catalogue)
    return {b'APP': os.fsencode(entry.name),
            b'JVM_PATH': entry.jvm_path,
            b'OPTION_COUNT': b'%d' % len(entry.options),
            b'OPTIONS': b''.join(b'option ' + option + b'\n' for option in entry.options)}


class Transcript:
    """The expected transcript in file `path`, its catalogue placeholders filled from the catalogue
    text `catalogue`: a list of pieces, bytes that must appear as they are and, between them, the
    names (str) of the run-dependent placeholders 'PROGRAM' and 'POINTER'."""

    def __init__(self, path, catalogue=None):
        with open(path, 'rb') as f:
            template = f.read().replace(b'{OPENING}', OPENING)
        values = catalogue_values(catalogue) if catalogue else {}
        self.pieces = []
        parts = PLACEHOLDER.split(template)  # text, name, text, name, ..., text
        for index, part in enumerate(parts):
            if index % 2 == 0:
                self.pieces.append(part)
            elif part in RUN_DEPENDENT:
                self.pieces.append(part.decode())
            elif part in values:
                self.pieces.append(values[part])
            else:
                raise SystemExit('%s uses {%s}, which comes from a catalogue text: none was given'
                                 % (path, part.decode()))

    def text(self):
        """The transcript as shown in a failure report: run-dependent placeholders unfilled."""
        return b''.join(p if isinstance(p, bytes) else b'{%s}' % p.encode() for p in self.pieces)

    def matches(self, output, program):
        """Whether `output` is this transcript, {PROGRAM} being `program` (bytes)."""
        pattern = b''.join(re.escape(p) if isinstance(p, bytes)
                           else re.escape(program) if p == 'PROGRAM' else POINTER_PATTERN
                           for p in self.pieces)
        return re.fullmatch(pattern, output, re.DOTALL) is not None

    def differences(self, output, program):
        """A failure message, in a list, unless `output` is this transcript."""
        if self.matches(output, program):
            return []
        return ['standard output differs\n--- expected\n%r\n--- actual\n%r'
                % (self.text(), output)]

    def fixed_lines(self):
        """The transcript's lines, None for each line that holds a run-dependent placeholder."""
        lines = [[]]
        for piece in self.pieces:
            if not isinstance(piece, bytes):
                lines[-1].append(None)
                continue
            first, *rest = piece.split(b'\n')
            lines[-1].append(first)
            lines += [[line] for line in rest]
        return [None if None in line else b''.join(line) for line in lines]
