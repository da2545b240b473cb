package launchertest;

/**
 * Returns from main at once and ends the process 3.5 s later from another thread, so the host's
 * keep-alive lines can be observed. Prints only to stderr: stdout belongs to the host's trace.
 */
public final class TraceMain {
  public static void main(String[] args) {
    System.err.println("TraceMain.main called, args " + (args == null ? "null" : args.length));
    Harness.exitLater(3500, 0);
  }
}
