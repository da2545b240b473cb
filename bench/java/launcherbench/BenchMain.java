package launcherbench;

import java.nio.ByteBuffer;
import java.security.GeneralSecurityException;
import java.util.HexFormat;
import javax.crypto.Cipher;
import javax.crypto.SecretKey;
import launchersupport.JceAes;

/**
 * The Java side of jni_bench. main marks the VM ready and then blocks, so the benchmark host can
 * attach its own thread and time the static methods below, each one call as an application would
 * make it: a fresh IV from a direct buffer, the whole data buffer, a new result array.
 */
public final class BenchMain {
  public static volatile boolean ready;

  private static final SecretKey key =
      JceAes.key(HexFormat.of().parseHex(System.getProperty("launcher.test.key")));
  private static final Cipher cipher = newCipher();

  private BenchMain() {}

  public static void main(String[] args) throws InterruptedException {
    ready = true;
    Object never = new Object();
    synchronized (never) {
      while (true) {
        never.wait();
      }
    }
  }

  static int callOverhead() {
    return 0;
  }

  static int nativeEncrypt(ByteBuffer iv, ByteBuffer data) {
    return BenchNatives.externEncrypt(iv, data).length;
  }

  static int nativeDecrypt(ByteBuffer iv, ByteBuffer data) {
    return BenchNatives.externDecrypt(iv, data).length;
  }

  static int javaxEncrypt(ByteBuffer iv, ByteBuffer data) throws GeneralSecurityException {
    return javax(Cipher.ENCRYPT_MODE, iv, data);
  }

  static int javaxDecrypt(ByteBuffer iv, ByteBuffer data) throws GeneralSecurityException {
    return javax(Cipher.DECRYPT_MODE, iv, data);
  }

  private static int javax(int mode, ByteBuffer iv, ByteBuffer data)
      throws GeneralSecurityException {
    byte[] ivBytes = new byte[16];
    iv.get(0, ivBytes);
    cipher.init(mode, key, JceAes.iv(ivBytes, 0));
    byte[] out = new byte[data.capacity()];
    cipher.doFinal(data.duplicate().clear(), ByteBuffer.wrap(out));
    return out.length;
  }

  private static Cipher newCipher() {
    try {
      return Cipher.getInstance("AES/CFB/NoPadding");
    } catch (GeneralSecurityException e) {
      throw new IllegalStateException(e);
    }
  }
}
