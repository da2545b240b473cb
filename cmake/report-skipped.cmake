# A test that cannot run here: prints "skipped: <REASON>" and succeeds. The test's own arguments,
# which follow this script on the command line, are ignored. Usage: cmake -DREASON=... -P <this>
message("skipped: ${REASON}")
