/**
 * Check capture through {@code QelScan.QelScanApi}, in the idioms of Java.
 *
 * <p>{@link QelScan.capture.Session#open()} opens the scanner session, which
 * runs every call on a thread of its own; {@link QelScan.capture.Scanner} is
 * what it does, for test doubles too. Scans deliver immutable
 * {@link QelScan.capture.Document}s with their {@link QelScan.capture.Image}s,
 * and an empty {@code Optional} when the feeder is empty; failures are
 * {@link QelScan.capture.ScannerException}s.
 *
 * <pre>{@code
 * try (Session session = Session.open()) {
 *     session.feed(ScanRequest.full(), Integer.MAX_VALUE, document -> {
 *         document.writeImages(Paths.get("."));
 *         return true;
 *     });
 * }
 * }</pre>
 *
 * <p>The package needs the JDK (8 or later) and a {@code QelScan.QelScanApi}
 * on the class path, with its bridge on {@code java.library.path}.
 */
package QelScan.capture;
