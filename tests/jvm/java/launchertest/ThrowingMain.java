package launchertest;

/** A main that throws after arranging for the process to end 2.5 s later. */
public final class ThrowingMain {
  public static void main(String[] args) {
    Harness.exitLater(2500, 0);
    throw new IllegalStateException("ThrowingMain fails on purpose");
  }
}
