package QelScan.capture;

/** Which image of a document: its side and how it was captured. */
public enum ImageKind {

    /** The front in black and white (a bilevel TIFF from the virtual scanner). */
    FRONT_BLACK_AND_WHITE("front"),
    /** The back in black and white. */
    BACK_BLACK_AND_WHITE("back"),
    /** The front in gray (a JPEG from the virtual scanner's full scans). */
    FRONT_GRAY("front"),
    /** The back in gray. */
    BACK_GRAY("back"),
    /** The front under ultraviolet light. */
    UV("uv"),
    /** A long document's front, in black and white. */
    LONG("long");

    private final String side;

    ImageKind(String side) {
        this.side = side;
    }

    /**
     * The word that names this image in file names: {@code front}, {@code back}, {@code uv} or {@code long}.
     *
     * @return the word
     */
    public String side() {
        return side;
    }
}
