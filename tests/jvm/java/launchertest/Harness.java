package launchertest;

import java.nio.ByteBuffer;
import java.util.Arrays;
import java.util.HexFormat;
import java.util.Random;
import java.util.concurrent.atomic.AtomicInteger;
import launchersupport.JceAes;

/**
 * Checks run inside the hosted VM. Everything goes to stderr (stdout carries the host's trace): a
 * "FAIL ..." line per failed check, a "CALLS ..." line with how often each native was called, and
 * one closing "VERDICT <name> ok|failed ..." line; the process then exits with 0 iff all passed.
 */
final class Harness {
  private static final AtomicInteger encryptCalls = new AtomicInteger();
  private static final AtomicInteger decryptCalls = new AtomicInteger();
  private static final AtomicInteger keyCalls = new AtomicInteger();

  private final String name;
  private final AtomicInteger checks = new AtomicInteger();
  private final AtomicInteger failures = new AtomicInteger();

  Harness(String name) {
    this.name = name;
  }

  static byte[] encrypt(ByteBuffer iv, ByteBuffer data) {
    encryptCalls.incrementAndGet();
    return Natives.externEncrypt(iv, data);
  }

  static byte[] decrypt(ByteBuffer iv, ByteBuffer data) {
    decryptCalls.incrementAndGet();
    return Natives.externDecrypt(iv, data);
  }

  static byte[] distributionKey() {
    keyCalls.incrementAndGet();
    return Natives.externGetEncryptedDistributionKey();
  }

  void check(String what, boolean ok) {
    checks.incrementAndGet();
    if (!ok) {
      failures.incrementAndGet();
      System.err.println("FAIL " + name + ": " + what);
    }
  }

  void checkBytes(String what, byte[] expected, byte[] actual) {
    boolean ok = Arrays.equals(expected, actual);
    check(what + (ok ? "" : " (expected " + hex(expected) + ", got " + hex(actual) + ")"), ok);
  }

  void checkNull(String what, byte[] actual) {
    check(what + (actual == null ? "" : " (got " + hex(actual) + ")"), actual == null);
  }

  int failures() {
    return failures.get();
  }

  /** Prints the call counts and the verdict, then ends the process. */
  void finish() {
    System.err.println("CALLS encrypt=" + encryptCalls.get() + " decrypt=" + decryptCalls.get()
        + " key=" + keyCalls.get());
    int failed = failures.get();
    System.err.println("VERDICT " + name + (failed == 0 ? " ok" : " failed " + failed + " of")
        + " (" + checks.get() + " checks)");
    System.exit(failed == 0 ? 0 : 1);
  }

  /** A direct buffer holding `bytes`, position 0, limit = capacity. */
  static ByteBuffer direct(byte[] bytes) {
    ByteBuffer buffer = ByteBuffer.allocateDirect(bytes.length);
    buffer.put(bytes).clear();
    return buffer;
  }

  /** The AES-256 key folded into the host's table set (system property launcher.test.key). */
  static byte[] key() {
    return HexFormat.of().parseHex(System.getProperty("launcher.test.key"));
  }

  /** AES-256/CFB-128 under key() by the platform's provider: the independent reference. */
  static byte[] javaxCfb(int mode, byte[] iv, byte[] data) {
    try {
      return JceAes.cfb(mode, key(), iv, data);
    } catch (java.security.GeneralSecurityException e) {
      throw new IllegalStateException(e);
    }
  }

  /** The key file the launcher embeds (system property launcher.test.distribution_key). */
  static byte[] expectedDistributionKey() throws java.io.IOException {
    return java.nio.file.Files.readAllBytes(
        java.nio.file.Path.of(System.getProperty("launcher.test.distribution_key")));
  }

  /**
   * A random source for test data, seeded from -Dlauncher.test.seed when given, else afresh; the
   * seed goes to stderr so that a failing run can be repeated.
   */
  static Random seededRandom() {
    long seed = Long.getLong("launcher.test.seed", System.nanoTime());
    System.err.println("seed " + seed);
    return new Random(seed);
  }

  static byte[] randomBytes(Random random, int count) {
    byte[] bytes = new byte[count];
    random.nextBytes(bytes);
    return bytes;
  }

  static String hex(byte[] bytes) {
    return bytes == null ? "null" : HexFormat.of().formatHex(bytes);
  }

  /** Ends the process with `status` after `millis` ms, from a daemon thread. */
  static void exitLater(long millis, int status) {
    Thread exiter = new Thread(() -> {
      try {
        Thread.sleep(millis);
      } catch (InterruptedException e) {
        Thread.currentThread().interrupt();
      }
      System.exit(status);
    }, "exit-later");
    exiter.setDaemon(true);
    exiter.start();
  }
}
