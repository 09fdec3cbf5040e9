package QelScan;

import java.util.List;

/** The virtual scanner's default stack, as its README lists it, in feeding order. */
final class VirtualStack {

    static final List<String> CODE_LINES = List.of(
            "U001001U T249239726T 4820173659U $0000012500$",
            "U001002U T111992489T 7031845526U $0000004999$",
            "U001003U T108363351T 5590012874U",
            "U001004U T278667440T 0034417752U $0000250000$",
            "T253715045T 61820394U 1005",
            "U001006U T029941302T 9164028837U $0000000100$",
            "U001007U T323366719T 2207781463U $0001234567$",
            "T025696240T 3308816524U 1008 $0000007525$",
            "U001009U T027827541T 7745012396U",
            "U001010U T258974399T 1188230475U $0000098000$",
            "U001011U T035284529T 6620-45781U $0000001999$",
            "U001012U T275125383T 5039967218U $0000300000$");

    private VirtualStack() {
    }
}
