package launchertest;

import static javax.crypto.Cipher.ENCRYPT_MODE;


/** The natives registered on a class that declares them as instance methods. */
public final class InstanceNativesMain {
  public static void main(String[] args) throws Exception {
    Harness h = new Harness("instance_natives");
    InstanceNatives natives = new InstanceNatives();
    byte[] iv = new byte[16];
    byte[] plain = new byte[64];
    for (int i = 0; i < plain.length; ++i) {
      plain[i] = (byte) (i * 7);
    }
    iv[3] = 9;
    byte[] cipher = natives.externEncrypt(Harness.direct(iv), Harness.direct(plain));
    h.checkBytes("instance encrypt", Harness.javaxCfb(ENCRYPT_MODE, iv, plain), cipher);
    h.checkBytes("instance decrypt", plain,
        natives.externDecrypt(Harness.direct(iv), Harness.direct(cipher)));
    h.checkBytes("instance distribution key",
        Harness.expectedDistributionKey(),
        natives.externGetEncryptedDistributionKey());
    h.finish();
  }
}
