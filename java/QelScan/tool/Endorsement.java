package QelScan.tool;

import picocli.CommandLine.Option;

/**
 * Where and how an endorsement text is printed on the back of the next
 * document (QelBatchPrintString). The scanner library checks the ranges.
 */
final class Endorsement {

    @Option(names = "--x", paramLabel = "X", defaultValue = "0",
            description = "Left edge of the text, in pixels of the 200-dpi image (virtual scanner: 0 to 1199; "
                    + "0 = its default, 40).")
    int x;

    @Option(names = "--y", paramLabel = "Y", defaultValue = "0",
            description = "Top edge of the text (virtual scanner: 0 to 549; 0 = its default, 70).")
    int y;

    @Option(names = "--scale", paramLabel = "S", defaultValue = "0",
            description = "Size of the print (virtual scanner: 1 to 4 times its 5 x 7 dot font; 0 = 3).")
    int scale;

    @Option(names = "--direction", paramLabel = "DEGREES", defaultValue = "0",
            description = "Direction, degrees clockwise (virtual scanner: 0, 90, 180 or 270; 0 = upright).")
    int direction;
}
