package veltra.kova.security.impl;

import java.nio.ByteBuffer;

/** The class the launcher binds its native cryptography to. */
public final class DistributionKeyProviderImpl {
    private DistributionKeyProviderImpl() {}

    /** AES-256/CFB encryption of the whole of {@code data} (a direct buffer, multiple of 16 bytes). */
    public static native byte[] externEncrypt(ByteBuffer iv, ByteBuffer data);

    /** AES-256/CFB decryption of the whole of {@code data} (a direct buffer, any length). */
    public static native byte[] externDecrypt(ByteBuffer iv, ByteBuffer data);

    /** The launcher's 48-byte encrypted distribution key. */
    public static native byte[] externGetEncryptedDistributionKey();
}
