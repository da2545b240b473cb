package veltra.lum;

import veltra.kova.demo.CryptoTour;

/** Demo stand-in for the administration application. */
public final class EnrolAdminMain {
    public static void main(String[] args) {
        CryptoTour.run("lum");
    }
}
