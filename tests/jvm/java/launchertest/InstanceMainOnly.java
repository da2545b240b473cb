package launchertest;

/** Has a main(String[]), but not a static one, and a static main of another signature. */
public final class InstanceMainOnly {
  public void main(String[] args) {
    System.err.println("InstanceMainOnly.main must not run");
  }

  public static void main(String arg) {
    System.err.println("InstanceMainOnly.main(String) must not run");
  }
}
