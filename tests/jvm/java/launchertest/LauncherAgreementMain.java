package launchertest;

import static javax.crypto.Cipher.DECRYPT_MODE;
import static javax.crypto.Cipher.ENCRYPT_MODE;

import java.io.IOException;
import java.util.Arrays;
import java.util.Random;

/**
 * Started by the launcher executable itself, through its test catalogue: the natives of the table
 * set the build embeds against the platform's AES/CFB/NoPadding under the build's key, at every
 * length from 0 to 100 bytes, and the distribution key against the file the build embeds.
 *
 * <p>externEncrypt takes whole blocks only; at the other lengths it must refuse, and the CFB
 * ciphertext of the plaintext zero-padded to whole blocks must begin with javax.crypto's
 * ciphertext of the plaintext itself (a CFB ciphertext byte depends only on the bytes before it).
 */
public final class LauncherAgreementMain {
  private static final int MAX_LENGTH = 100;

  public static void main(String[] args) throws IOException {
    String app = System.getProperty("launcher.test.app");
    Harness h = new Harness("launcher_agreement_" + app);
    h.check("main is called with a null argument array", args == null);
    Random random = Harness.seededRandom();
    for (int n = 0; n <= MAX_LENGTH; ++n) {
      byte[] iv = Harness.randomBytes(random, 16);
      byte[] plain = Harness.randomBytes(random, n);
      String what = n + " bytes, iv " + Harness.hex(iv);
      byte[] expected = Harness.javaxCfb(ENCRYPT_MODE, iv, plain);
      byte[] encrypted = Harness.encrypt(Harness.direct(iv), Harness.direct(plain));
      if (n % 16 == 0) {
        h.checkBytes("encrypt of " + what, expected, encrypted);
      } else {
        h.checkNull("encrypt of " + what, encrypted);
        byte[] padded = Arrays.copyOf(plain, (n + 15) / 16 * 16);
        byte[] whole = Harness.encrypt(Harness.direct(iv), Harness.direct(padded));
        h.checkBytes("encrypt of " + what + " padded to whole blocks, first " + n + " bytes",
            expected, whole == null ? null : Arrays.copyOf(whole, n));
      }
      h.checkBytes("decrypt of javax.crypto's ciphertext of " + what, plain,
          Harness.decrypt(Harness.direct(iv), Harness.direct(expected)));
      byte[] cipher = Harness.randomBytes(random, n);
      h.checkBytes("decrypt of random " + what, Harness.javaxCfb(DECRYPT_MODE, iv, cipher),
          Harness.decrypt(Harness.direct(iv), Harness.direct(cipher)));
    }
    h.checkBytes("distribution key", Harness.expectedDistributionKey(), Harness.distributionKey());
    h.finish();
  }
}
