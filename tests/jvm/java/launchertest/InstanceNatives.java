package launchertest;

import java.nio.ByteBuffer;

/** The natives declared as instance methods: the receiver is then an object, not the class. */
public final class InstanceNatives {
  public native byte[] externEncrypt(ByteBuffer iv, ByteBuffer data);

  public native byte[] externDecrypt(ByteBuffer iv, ByteBuffer data);

  public native byte[] externGetEncryptedDistributionKey();
}
