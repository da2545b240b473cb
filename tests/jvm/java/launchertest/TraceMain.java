package launchertest;

/**
 * Returns from main at once and ends the process 3.5 s later from another thread, so the host's
 * keep-alive lines can be observed, and names the VM it runs in. Prints only to stderr: stdout
 * belongs to the host's trace.
 */
public final class TraceMain {
  public static void main(String[] args) {
    System.err.println("TraceMain.main called, args " + (args == null ? "null" : args.length));
    System.err.println("TraceMain runs in " + System.getProperty("java.vm.name") + ", "
        + System.getProperty("sun.arch.data.model") + "-bit");
    Harness.exitLater(3500, 0);
  }
}
