package com.example.hello;

import java.nio.ByteBuffer;

/** The class the launcher registers its natives on: the catalogue's encrypt_class. */
public final class Crypto {
    private Crypto() {}

    public static native byte[] externEncrypt(ByteBuffer iv, ByteBuffer data);

    public static native byte[] externDecrypt(ByteBuffer iv, ByteBuffer data);

    public static native byte[] externGetEncryptedDistributionKey();
}
