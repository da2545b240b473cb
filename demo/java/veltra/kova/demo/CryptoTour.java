package veltra.kova.demo;

import java.nio.ByteBuffer;
import java.nio.charset.StandardCharsets;
import java.security.GeneralSecurityException;
import java.util.Arrays;
import java.util.HexFormat;
import javax.crypto.Cipher;

import launchersupport.JceAes;
import veltra.kova.security.impl.DistributionKeyProviderImpl;

/**
 * What both demo applications do: use each native method once, show the bytes, and compare the
 * natives' ciphertext with the platform's own AES-256/CFB under the build's key (the system
 * property launcher.demo.key, set by the demo's catalogue; empty when the build does not know it).
 */
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
        boolean agrees = compareWithJavaxCrypto(app, iv, message, ciphertext);
        byte[] decrypted = DistributionKeyProviderImpl.externDecrypt(iv, direct(ciphertext));
        say(app, "decrypted  " + hex(decrypted));
        boolean roundTrip = Arrays.equals(message, decrypted);
        say(app, "round trip " + (roundTrip ? "ok" : "FAILED"));
        say(app, "exiting the VM");
        System.exit(roundTrip && agrees ? 0 : 1);
    }

    /** False iff the build's key is known and javax.crypto gives another ciphertext. */
    private static boolean compareWithJavaxCrypto(
            String app, ByteBuffer iv, byte[] message, byte[] ciphertext) {
        String keyHex = System.getProperty("launcher.demo.key", "");
        if (keyHex.isEmpty()) {
            say(app, "natives not compared with javax.crypto: this build does not know its key");
            return true;
        }
        byte[] ivBytes = new byte[16];
        iv.get(0, ivBytes);
        byte[] expected;
        try {
            expected = JceAes.cfb(Cipher.ENCRYPT_MODE, HexFormat.of().parseHex(keyHex), ivBytes,
                    message);
        } catch (GeneralSecurityException | IllegalArgumentException e) {
            say(app, "javax.crypto could not encrypt: " + e);
            return false;
        }
        say(app, "javax.crypto " + hex(expected));
        boolean agrees = Arrays.equals(expected, ciphertext);
        say(app, agrees ? "natives match javax.crypto AES-256-CFB"
                        : "natives DIFFER from javax.crypto AES-256-CFB");
        return agrees;
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
        return bytes == null ? "null" : HexFormat.of().formatHex(bytes);
    }
}
