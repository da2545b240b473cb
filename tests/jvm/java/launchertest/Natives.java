package launchertest;

import java.nio.ByteBuffer;

/** The class on which the host registers its natives, declared as static methods. */
public final class Natives {
  private Natives() {}

  public static native byte[] externEncrypt(ByteBuffer iv, ByteBuffer data);

  public static native byte[] externDecrypt(ByteBuffer iv, ByteBuffer data);

  public static native byte[] externGetEncryptedDistributionKey();
}
