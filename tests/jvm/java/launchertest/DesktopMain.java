package launchertest;

import static javax.crypto.Cipher.DECRYPT_MODE;
import static javax.crypto.Cipher.ENCRYPT_MODE;

import java.awt.AWTException;
import java.awt.BorderLayout;
import java.awt.Color;
import java.awt.Dimension;
import java.awt.GraphicsEnvironment;
import java.awt.Point;
import java.awt.Rectangle;
import java.awt.Robot;
import java.awt.Toolkit;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import java.awt.image.BufferedImage;
import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.util.Random;
import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.JPanel;
import javax.swing.SwingUtilities;
import javax.swing.Timer;

/**
 * A desktop application as the launcher hosts it. {@code main} only schedules the window on the
 * Event Dispatch Thread and returns, so the launcher's initial thread goes on to its keep-alive
 * loop while the window is open. Once the window is open, the EDT calls the three natives on direct
 * buffers and checks them against the platform's AES/CFB under the build's key and against the
 * distribution key file the build embeds.
 *
 * <p>Protocol with the test driver: when the window's panel is on the screen (read back from the
 * X server), one line on stdout: {@code desktop: window shown at X,Y size WxH colour RRGGBB}, the
 * panel's rectangle in screen pixels and the colour that fills it. Checks, call counts and the
 * verdict go to stderr. A line {@code exit} on stdin makes the EDT end the process with {@code
 * System.exit(EXIT_STATUS)} when every check passed and with 1 otherwise; stdin closing without
 * it (the driver is gone) ends the process with 3 from the reading thread.
 */
public final class DesktopMain {
  /** The status the EDT ends the process with when every check passed. */
  static final int EXIT_STATUS = 7;
  /** Fills the panel; neither black nor white, so no bare X screen shows it. */
  static final Color PANEL_COLOUR = new Color(0x2F, 0x7D, 0xB8);

  private static final int READBACK_INTERVAL_MS = 50;

  private final String name;
  private final Harness h;
  private int checks;
  private int encryptCalls;
  private int decryptCalls;
  private int keyCalls;
  private JFrame frame;
  private JPanel panel;
  private JLabel status;

  private DesktopMain(String app) {
    name = "desktop_" + app;
    h = new Harness(name);
  }

  public static void main(String[] args) {
    String app = System.getProperty("launcher.test.app");
    DesktopMain desktop = new DesktopMain(app);
    desktop.check("main is called with a null argument array", args == null);
    desktop.check("the runtime is not headless", !GraphicsEnvironment.isHeadless());
    SwingUtilities.invokeLater(() -> desktop.showWindow(app));
    Thread reader = new Thread(desktop::awaitExitRequest, "exit-request");
    reader.setDaemon(true);
    reader.start();
  }

  private void showWindow(String app) {
    frame = new JFrame("launcher " + app + " - desktop application");
    frame.setDefaultCloseOperation(JFrame.DO_NOTHING_ON_CLOSE);
    panel = new JPanel();
    panel.setBackground(PANEL_COLOUR);
    panel.setOpaque(true);
    panel.setPreferredSize(new Dimension(480, 260));
    status = new JLabel("calling the natives on the event dispatch thread ...");
    frame.getContentPane().add(panel, BorderLayout.CENTER);
    frame.getContentPane().add(status, BorderLayout.SOUTH);
    frame.addWindowListener(new WindowAdapter() {
      @Override
      public void windowOpened(WindowEvent e) {
        runNatives();
        status.setText("natives on the EDT: " + (h.failures() == 0 ? "all " + checks
            + " checks passed" : h.failures() + " of " + checks + " checks FAILED"));
        announceWhenOnScreen();
      }
    });
    frame.pack();
    // No location of its own: without a window manager the X server puts the window at the top
    // left corner, where AWT also believes it is. A location set beforehand has been seen to be
    // where the window appeared while AWT went on reporting 0,0 for it.
    frame.setVisible(true);
  }

  /** The natives, called on the EDT, against javax.crypto and the configured key file. */
  private void runNatives() {
    check("the natives run on the event dispatch thread", SwingUtilities.isEventDispatchThread());
    Random random = Harness.seededRandom();
    for (int n : new int[] {0, 16, 48, 1024}) {
      byte[] iv = Harness.randomBytes(random, 16);
      byte[] plain = Harness.randomBytes(random, n);
      String what = n + " bytes, iv " + Harness.hex(iv);
      byte[] expected = Harness.javaxCfb(ENCRYPT_MODE, iv, plain);
      checkBytes("encrypt of " + what, expected, encrypt(iv, plain));
      checkBytes("decrypt of javax.crypto's ciphertext of " + what, plain, decrypt(iv, expected));
    }
    byte[] iv = Harness.randomBytes(random, 16);
    byte[] cipher = Harness.randomBytes(random, 37);
    checkBytes("decrypt of 37 random bytes, iv " + Harness.hex(iv),
        Harness.javaxCfb(DECRYPT_MODE, iv, cipher), decrypt(iv, cipher));
    byte[] refused = encrypt(iv, new byte[20]);
    check("encrypt of 20 bytes is refused with null", refused == null);
    try {
      byte[] expectedKey = Harness.expectedDistributionKey();
      check("the configured distribution key has 48 bytes", expectedKey.length == 48);
      checkBytes("distribution key", expectedKey, distributionKey());
      checkBytes("distribution key, second call", expectedKey, distributionKey());
    } catch (IOException e) {
      check("the configured distribution key file is readable: " + e, false);
    }
  }

  /**
   * Paints the window and reads the panel's pixels back from the screen until they show its
   * colour, then tells the driver where the panel is. The readback is what makes the driver's
   * screenshot, taken after the line, show the painted window rather than one still being mapped.
   */
  private void announceWhenOnScreen() {
    Robot robot;
    try {
      robot = new Robot();
    } catch (AWTException e) {
      check("a Robot reads the screen back: " + e, false);
      announce();
      return;
    }
    Timer timer = new Timer(READBACK_INTERVAL_MS, null);
    timer.addActionListener(e -> {
      frame.getRootPane().paintImmediately(frame.getRootPane().getBounds());
      Toolkit.getDefaultToolkit().sync();
      if (panelOnScreen(robot)) {
        timer.stop();
        announce();
      }
    });
    timer.setInitialDelay(0);
    timer.start();
  }

  private boolean panelOnScreen(Robot robot) {
    BufferedImage shot = robot.createScreenCapture(panelRectangle());
    for (int y = 0; y < shot.getHeight(); ++y) {
      for (int x = 0; x < shot.getWidth(); ++x) {
        if ((shot.getRGB(x, y) & 0xFFFFFF) != (PANEL_COLOUR.getRGB() & 0xFFFFFF)) {
          return false;
        }
      }
    }
    return true;
  }

  private Rectangle panelRectangle() {
    Point at = panel.getLocationOnScreen();
    return new Rectangle(at.x, at.y, panel.getWidth(), panel.getHeight());
  }

  private void announce() {
    Rectangle r = panelRectangle();
    System.out.println("desktop: window shown at " + r.x + "," + r.y + " size " + r.width + "x"
        + r.height + " colour " + String.format("%06X", PANEL_COLOUR.getRGB() & 0xFFFFFF));
    System.out.flush();
  }

  /** On a stdin line "exit": the verdict and System.exit on the EDT. */
  private void awaitExitRequest() {
    try (BufferedReader in = new BufferedReader(
        new InputStreamReader(System.in, StandardCharsets.UTF_8))) {
      String line;
      while ((line = in.readLine()) != null) {
        if (line.equals("exit")) {
          SwingUtilities.invokeLater(this::exitFromEventDispatchThread);
          return;
        }
      }
    } catch (IOException e) {
      System.err.println("reading stdin failed: " + e);
    }
    System.err.println("desktop: stdin closed without an exit request");
    System.exit(3);
  }

  private void exitFromEventDispatchThread() {
    check("System.exit is called on the event dispatch thread",
        SwingUtilities.isEventDispatchThread());
    System.err.println("CALLS encrypt=" + encryptCalls + " decrypt=" + decryptCalls + " key="
        + keyCalls);
    int failed = h.failures();
    System.err.println("VERDICT " + name + (failed == 0 ? " ok" : " failed " + failed + " of")
        + " (" + checks + " checks)");
    int exitStatus = failed == 0 ? EXIT_STATUS : 1;
    System.err.println("desktop: System.exit(" + exitStatus + ") on "
        + Thread.currentThread().getName());
    System.exit(exitStatus);
  }

  private byte[] encrypt(byte[] iv, byte[] data) {
    ++encryptCalls;
    return Natives.externEncrypt(Harness.direct(iv), Harness.direct(data));
  }

  private byte[] decrypt(byte[] iv, byte[] data) {
    ++decryptCalls;
    return Natives.externDecrypt(Harness.direct(iv), Harness.direct(data));
  }

  private byte[] distributionKey() {
    ++keyCalls;
    return Natives.externGetEncryptedDistributionKey();
  }

  private synchronized void check(String what, boolean ok) {
    ++checks;
    h.check(what, ok);
  }

  private synchronized void checkBytes(String what, byte[] expected, byte[] actual) {
    ++checks;
    h.checkBytes(what, expected, actual);
  }
}
