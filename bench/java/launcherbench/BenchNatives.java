package launcherbench;

import java.nio.ByteBuffer;

/** The class the benchmark host registers the launcher's natives on. */
public final class BenchNatives {
  private BenchNatives() {}

  public static native byte[] externEncrypt(ByteBuffer iv, ByteBuffer data);

  public static native byte[] externDecrypt(ByteBuffer iv, ByteBuffer data);

  public static native byte[] externGetEncryptedDistributionKey();
}
