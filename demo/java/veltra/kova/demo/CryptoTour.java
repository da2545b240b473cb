package veltra.kova.demo;

import java.nio.ByteBuffer;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;

import veltra.kova.security.impl.DistributionKeyProviderImpl;

/** What both demo applications do: use each native method once and show the bytes. */
public final class CryptoTour {
    private CryptoTour() {}

    public static void run(String app) {
        say(app, "main started inside the launcher's JVM");
        byte[] key = DistributionKeyProviderImpl.externGetEncryptedDistributionKey();
        say(app, "encrypted distribution key (" + key.length + " bytes): " + hex(key));

        byte[] message = Arrays.copyOf(
                ("Hello from the " + app + " demo!").getBytes(StandardCharsets.UTF_8), 32);
        ByteBuffer iv = ByteBuffer.allocateDirect(16);
        for (int i = 0; i < 16; i++) iv.put(i, (byte) i);
        say(app, "plaintext  " + hex(message));

        byte[] ciphertext = DistributionKeyProviderImpl.externEncrypt(iv, direct(message));
        say(app, "ciphertext " + hex(ciphertext));
        byte[] decrypted = DistributionKeyProviderImpl.externDecrypt(iv, direct(ciphertext));
        say(app, "decrypted  " + hex(decrypted));
        say(app, "round trip " + (Arrays.equals(message, decrypted) ? "ok" : "FAILED"));
        say(app, "exiting the VM");
        System.exit(Arrays.equals(message, decrypted) ? 0 : 1);
    }

    private static ByteBuffer direct(byte[] bytes) {
        ByteBuffer buffer = ByteBuffer.allocateDirect(bytes.length);
        buffer.put(bytes).flip();
        return buffer;
    }

    private static void say(String app, String line) {
        System.out.println("[" + app + " demo] " + line);
        System.out.flush();
    }

    private static String hex(byte[] bytes) {
        StringBuilder text = new StringBuilder();
        for (byte b : bytes) text.append(String.format("%02x", b & 0xff));
        return text.toString();
    }
}
