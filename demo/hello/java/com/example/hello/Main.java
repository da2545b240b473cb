package com.example.hello;

import java.nio.ByteBuffer;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;

/** Calls each native once, then ends the process with System.exit. */
public final class Main {
    private Main() {}

    public static void main(String[] args) {
        System.out.println("hello: main started");
        byte[] key = Crypto.externGetEncryptedDistributionKey();
        System.out.println("hello: encrypted distribution key of " + key.length + " bytes");

        ByteBuffer iv = ByteBuffer.allocateDirect(16); // 16 zero bytes
        byte[] text = "thirty-two bytes of plain text..".getBytes(StandardCharsets.US_ASCII);
        byte[] sealed = Crypto.externEncrypt(iv, direct(text));
        byte[] opened = Crypto.externDecrypt(iv, direct(sealed));
        boolean roundTrip = !Arrays.equals(sealed, text) && Arrays.equals(opened, text);
        System.out.println("hello: round trip " + (roundTrip ? "ok" : "FAILED"));

        byte[] refused = Crypto.externEncrypt(iv, direct(new byte[15]));
        System.out.println("hello: 15 bytes to encrypt give " + Arrays.toString(refused));
        System.exit(roundTrip && refused == null ? 0 : 1);
    }

    /** A direct buffer holding {@code bytes}: the natives read its whole capacity. */
    private static ByteBuffer direct(byte[] bytes) {
        ByteBuffer buffer = ByteBuffer.allocateDirect(bytes.length);
        buffer.put(bytes);
        return buffer;
    }
}
