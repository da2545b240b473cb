package launchertest;

import static javax.crypto.Cipher.DECRYPT_MODE;
import static javax.crypto.Cipher.ENCRYPT_MODE;

import java.util.Random;

/**
 * The natives against the platform's own AES/CFB/NoPadding under the same key: random IVs, random
 * data, lengths from 0 to 4 KiB (multiples of 16 for encryption, any length for decryption).
 */
public final class CipherAgreementMain {
  private static final int ROUNDS = 300;

  public static void main(String[] args) {
    Harness h = new Harness("cipher_agreement");
    Random random = Harness.seededRandom();
    for (int round = 0; round < ROUNDS && h.failures() == 0; ++round) {
      byte[] iv = Harness.randomBytes(random, 16);
      byte[] plain = Harness.randomBytes(random, 16 * random.nextInt(257));
      h.checkBytes("encrypt of " + plain.length + " bytes, iv " + Harness.hex(iv),
          Harness.javaxCfb(ENCRYPT_MODE, iv, plain),
          Harness.encrypt(Harness.direct(iv), Harness.direct(plain)));
      byte[] cipher = Harness.randomBytes(random, random.nextInt(4097));
      h.checkBytes("decrypt of " + cipher.length + " bytes, iv " + Harness.hex(iv),
          Harness.javaxCfb(DECRYPT_MODE, iv, cipher),
          Harness.decrypt(Harness.direct(iv), Harness.direct(cipher)));
    }
    h.finish();
  }
}
