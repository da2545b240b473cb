package launchertest;

import java.nio.ByteBuffer;

/**
 * Run with a Java heap smaller than the buffer: the natives cannot create their result array, so
 * Java sees the VM's OutOfMemoryError when the native returns, and the process carries on.
 */
public final class ArrayAllocationFailureMain {
  private static final int SIZE = 8 << 20;

  public static void main(String[] args) {
    Harness h = new Harness("array_allocation_failure");
    ByteBuffer iv = ByteBuffer.allocateDirect(16);
    ByteBuffer data = ByteBuffer.allocateDirect(SIZE);
    h.check("encrypt throws OutOfMemoryError", throwsOutOfMemory(() -> Harness.encrypt(iv, data)));
    h.check("decrypt throws OutOfMemoryError", throwsOutOfMemory(() -> Harness.decrypt(iv, data)));
    h.check("natives work again afterwards",
        Harness.encrypt(iv, ByteBuffer.allocateDirect(32)).length == 32);
    h.finish();
  }

  private static boolean throwsOutOfMemory(Runnable call) {
    try {
      call.run();
      return false;
    } catch (OutOfMemoryError expected) {
      System.err.println("caught " + expected);
      return true;
    }
  }
}
