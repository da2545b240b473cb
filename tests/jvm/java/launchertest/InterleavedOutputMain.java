package launchertest;

import java.nio.ByteBuffer;

/**
 * Writes its own lines to stdout, the stream of the host's trace, between calls of the natives,
 * then waits to be killed. The stream must show both in the order in which they happened, and a
 * kill must lose none of the trace written before it.
 */
public final class InterleavedOutputMain {
  public static void main(String[] args) throws InterruptedException {
    System.out.println("java: main started");
    byte[] key = Natives.externGetEncryptedDistributionKey();
    System.out.println("java: key of " + key.length + " bytes");
    ByteBuffer iv = ByteBuffer.allocateDirect(16);
    ByteBuffer data = ByteBuffer.allocateDirect(32);
    byte[] ciphertext = Natives.externEncrypt(iv, data);
    System.out.println("java: ciphertext of " + ciphertext.length + " bytes");
    byte[] refused = Natives.externEncrypt(iv, ByteBuffer.allocateDirect(20));
    System.out.println("java: refused " + (refused == null ? "with null" : "without null"));
    System.out.println("java: waiting to be killed");
    Thread.sleep(60_000);
    System.exit(3);  // not reached when the test kills the process
  }
}
