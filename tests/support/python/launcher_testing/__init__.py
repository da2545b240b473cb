"""Helpers shared by the test runners under tests/, found through PYTHONPATH (CTest sets it for
the tests that use them; see tests/support/CMakeLists.txt).

  catalogue   a catalogue text read as the launcher reads it
  transcript  expected transcripts of launcher runs and their byte-exact comparison
"""
