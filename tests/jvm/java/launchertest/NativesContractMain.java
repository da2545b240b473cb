package launchertest;

import static javax.crypto.Cipher.DECRYPT_MODE;
import static javax.crypto.Cipher.ENCRYPT_MODE;

import java.io.IOException;
import java.nio.ByteBuffer;
import java.util.Arrays;
import java.util.Random;

/**
 * The natives' contract as seen from Java: lengths, buffer kinds, what is ignored, and the refusals
 * that return null. The refusals' stdout lines are counted by the checker (see run_scenario.py).
 */
public final class NativesContractMain {
  private static final Random random = new Random(20261207);

  private static byte[] bytes(int n) {
    byte[] b = Harness.randomBytes(random, n);
    return b;
  }

  public static void main(String[] args) throws IOException {
    Harness h = new Harness("natives_contract");
    byte[] iv = bytes(16);
    ByteBuffer ivBuffer = Harness.direct(iv);

    byte[] plain32 = bytes(32);
    byte[] cipher32 = Harness.encrypt(ivBuffer, Harness.direct(plain32));
    h.checkBytes("32 bytes encrypt to AES-CFB of 32 bytes",
        Harness.javaxCfb(ENCRYPT_MODE, iv, plain32), cipher32);

    // Refused lengths and buffer kinds: null and no exception.
    h.checkNull("encrypt of 20 bytes", Harness.encrypt(ivBuffer, Harness.direct(bytes(20))));
    h.checkNull("encrypt of a heap buffer", Harness.encrypt(ivBuffer, ByteBuffer.wrap(plain32)));
    h.checkNull("encrypt of a null buffer", Harness.encrypt(ivBuffer, null));
    h.checkNull("encrypt with a heap iv",
        Harness.encrypt(ByteBuffer.wrap(iv), Harness.direct(plain32)));
    h.checkNull("encrypt with an 8-byte iv",
        Harness.encrypt(ByteBuffer.allocateDirect(8), Harness.direct(plain32)));
    h.checkNull("decrypt of a heap buffer", Harness.decrypt(ivBuffer, ByteBuffer.wrap(cipher32)));
    h.checkNull("decrypt of a null buffer", Harness.decrypt(ivBuffer, null));
    h.checkNull("decrypt with a heap iv",
        Harness.decrypt(ByteBuffer.wrap(iv), Harness.direct(cipher32)));
    h.checkNull("decrypt with an 8-byte iv",
        Harness.decrypt(ByteBuffer.allocateDirect(8), Harness.direct(cipher32)));

    // The iv at its boundary: one byte short of a block is refused by both natives; a block is
    // used whole.
    byte[] iv16 = bytes(16);
    ByteBuffer iv15 = Harness.direct(Arrays.copyOf(iv16, 15));
    h.checkNull("encrypt with a 15-byte iv", Harness.encrypt(iv15, Harness.direct(plain32)));
    h.checkNull("decrypt with a 15-byte iv", Harness.decrypt(iv15, Harness.direct(cipher32)));
    h.checkBytes("encrypt with a 16-byte iv", Harness.javaxCfb(ENCRYPT_MODE, iv16, plain32),
        Harness.encrypt(Harness.direct(iv16), Harness.direct(plain32)));
    h.checkBytes("decrypt with a 16-byte iv", Harness.javaxCfb(DECRYPT_MODE, iv16, cipher32),
        Harness.decrypt(Harness.direct(iv16), Harness.direct(cipher32)));

    // Empty buffers give empty arrays, not null.
    h.checkBytes("encrypt of capacity 0", new byte[0],
        Harness.encrypt(ivBuffer, ByteBuffer.allocateDirect(0)));
    h.checkBytes("decrypt of capacity 0", new byte[0],
        Harness.decrypt(ivBuffer, ByteBuffer.allocateDirect(0)));

    // Decryption takes any length.
    byte[] cipher20 = bytes(20);
    h.checkBytes("decrypt of 20 bytes", Harness.javaxCfb(DECRYPT_MODE, iv, cipher20),
        Harness.decrypt(ivBuffer, Harness.direct(cipher20)));

    byte[] plain48 = bytes(48);
    byte[] cipher48 = Harness.encrypt(ivBuffer, Harness.direct(plain48));
    h.checkBytes("decrypt(encrypt(d)) = d", plain48,
        Harness.decrypt(ivBuffer, Harness.direct(cipher48)));

    byte[] first = Harness.encrypt(ivBuffer, Harness.direct(plain48));
    byte[] second = Harness.encrypt(ivBuffer, Harness.direct(plain48));
    h.checkBytes("same iv and data give the same bytes", first, second);
    h.check("each call returns a new array", first != second);

    // Position and limit of both buffers are ignored: the whole capacity is used from index 0.
    ByteBuffer shifted = Harness.direct(plain32);
    shifted.position(5).limit(20);
    ByteBuffer shiftedIv = Harness.direct(iv);
    shiftedIv.position(4).limit(9);
    h.checkBytes("encrypt ignores position and limit", cipher32,
        Harness.encrypt(shiftedIv, shifted));
    ByteBuffer shiftedCipher = Harness.direct(cipher20);
    shiftedCipher.position(3).limit(7);
    h.checkBytes("decrypt ignores position and limit", Harness.javaxCfb(DECRYPT_MODE, iv, cipher20),
        Harness.decrypt(ivBuffer, shiftedCipher));

    // Inputs are only read; a longer iv contributes its first 16 bytes; iv and data may be one
    // buffer.
    ByteBuffer data = Harness.direct(plain32);
    Harness.encrypt(ivBuffer, data);
    byte[] after = new byte[32];
    data.get(0, after);
    byte[] ivAfter = new byte[16];
    ivBuffer.get(0, ivAfter);
    h.checkBytes("data buffer unchanged", plain32, after);
    h.checkBytes("iv buffer unchanged", iv, ivAfter);
    byte[] longIv = bytes(32);
    h.checkBytes("a 32-byte iv uses its first 16 bytes",
        Harness.javaxCfb(ENCRYPT_MODE, longIv, plain32),
        Harness.encrypt(Harness.direct(longIv), Harness.direct(plain32)));
    ByteBuffer both = Harness.direct(longIv);
    h.checkBytes("iv and data in one buffer", Harness.javaxCfb(DECRYPT_MODE, longIv, longIv),
        Harness.decrypt(both, both));

    // The distribution key: the configured 48 bytes, a fresh copy on every call.
    byte[] expectedKey = Harness.expectedDistributionKey();
    byte[] key = Harness.distributionKey();
    h.checkBytes("distribution key equals the configured file", expectedKey, key);
    key[0] ^= 1;
    h.checkBytes("distribution key unaffected by changing a returned copy", expectedKey,
        Harness.distributionKey());
    h.checkBytes("distribution key the same on a third call", expectedKey,
        Harness.distributionKey());

    h.finish();
  }
}
