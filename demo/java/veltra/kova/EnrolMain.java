package veltra.kova;

import veltra.kova.demo.CryptoTour;

/** Demo stand-in for the main application. */
public final class EnrolMain {
    public static void main(String[] args) {
        CryptoTour.run("tarn");
    }
}
