package launchertest;

/** A class declaring none of the natives: registering them on it fails. */
public final class NoNatives {
  private NoNatives() {}
}
