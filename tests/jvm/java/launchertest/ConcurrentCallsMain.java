package launchertest;

import static javax.crypto.Cipher.DECRYPT_MODE;
import static javax.crypto.Cipher.ENCRYPT_MODE;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Random;
import java.util.concurrent.CountDownLatch;

/** Several threads call all three natives at once; every result must still be right. */
public final class ConcurrentCallsMain {
  private static final int THREADS = 8;
  private static final int CALLS = 100;

  public static void main(String[] args) throws Exception {
    Harness h = new Harness("concurrent_calls");
    byte[] expectedKey = Harness.expectedDistributionKey();
    CountDownLatch start = new CountDownLatch(1);
    List<Thread> threads = new ArrayList<>();
    for (int t = 0; t < THREADS; ++t) {
      Random random = new Random(1000 + t);
      Thread thread = new Thread(() -> {
        try {
          start.await();
        } catch (InterruptedException e) {
          Thread.currentThread().interrupt();
          return;
        }
        for (int i = 0; i < CALLS; ++i) {
          byte[] iv = Harness.randomBytes(random, 16);
          byte[] data = Harness.randomBytes(random, 16 * (1 + random.nextInt(64)));
          byte[] cipher = Harness.encrypt(Harness.direct(iv), Harness.direct(data));
          h.checkBytes("concurrent encrypt", Harness.javaxCfb(ENCRYPT_MODE, iv, data), cipher);
          h.checkBytes("concurrent decrypt", data,
              Harness.decrypt(Harness.direct(iv), Harness.direct(cipher)));
          byte[] partial = Arrays.copyOf(data, data.length - 1 - random.nextInt(15));
          h.checkBytes("concurrent decrypt of a partial block",
              Harness.javaxCfb(DECRYPT_MODE, iv, partial),
              Harness.decrypt(Harness.direct(iv), Harness.direct(partial)));
          h.checkBytes("concurrent distribution key", expectedKey, Harness.distributionKey());
        }
      }, "caller-" + t);
      thread.start();
      threads.add(thread);
    }
    start.countDown();
    for (Thread thread : threads) {
      thread.join();
    }
    h.finish();
  }
}
