"""Helpers shared by the test runners under tests/, found through PYTHONPATH (CTest sets it for
the tests that use them; see tests/support/CMakeLists.txt).

  catalogue   a catalogue text, read independently of the launcher's decoder
  transcript  expected transcripts of launcher runs and their byte-exact comparison
  vm_host     runs of a program that hosts a JVM, and checks on its trace and the Java side's
              verdict
"""
