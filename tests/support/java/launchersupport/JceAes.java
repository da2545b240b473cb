package launchersupport;

import java.io.IOException;
import java.security.AlgorithmParameters;
import java.security.GeneralSecurityException;
import javax.crypto.Cipher;
import javax.crypto.SecretKey;

/**
 * Key and IV objects for the platform's own AES (the JCE provider), built from raw bytes: the
 * independent reference that the launcher's natives are compared and timed against.
 */
public final class JceAes {
  private JceAes() {}

  /** An AES key holding {@code raw} (16, 24 or 32 bytes) in the provider's RAW encoding. */
  public static SecretKey key(byte[] raw) {
    return new RawKey(raw.clone());
  }

  /** The 16-byte IV at {@code iv[offset]} as AES parameters. */
  public static AlgorithmParameters iv(byte[] iv, int offset) throws GeneralSecurityException {
    // The parameters' standard encoding is an ASN.1 DER OCTET STRING: tag 0x04, length 16, bytes.
    byte[] encoded = new byte[18];
    encoded[0] = 0x04;
    encoded[1] = 16;
    System.arraycopy(iv, offset, encoded, 2, 16);
    AlgorithmParameters parameters = AlgorithmParameters.getInstance("AES");
    try {
      parameters.init(encoded);
    } catch (IOException e) {
      throw new GeneralSecurityException("AES parameters rejected a 16-byte IV", e);
    }
    return parameters;
  }

  /**
   * AES/CFB-128 of {@code data} by the platform's provider, under {@code key} from the 16-byte IV
   * {@code iv}; {@code mode} is {@link Cipher#ENCRYPT_MODE} or {@link Cipher#DECRYPT_MODE}.
   */
  public static byte[] cfb(int mode, byte[] key, byte[] iv, byte[] data)
      throws GeneralSecurityException {
    Cipher cipher = Cipher.getInstance("AES/CFB/NoPadding");
    cipher.init(mode, key(key), iv(iv, 0));
    return cipher.doFinal(data);
  }

  private record RawKey(byte[] bytes) implements SecretKey {
    private static final long serialVersionUID = 1L;

    @Override
    public String getAlgorithm() {
      return "AES";
    }

    @Override
    public String getFormat() {
      return "RAW";
    }

    @Override
    public byte[] getEncoded() {
      return bytes.clone();
    }
  }
}
