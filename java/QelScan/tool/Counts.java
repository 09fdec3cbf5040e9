package QelScan.tool;

import picocli.CommandLine.ITypeConverter;
import picocli.CommandLine.TypeConversionException;

/**
 * Counts of the command line with their lower bound, checked while it is
 * parsed: picocli reports one out of range as any other value it cannot
 * take, with the command's usage and exit status 2.
 */
final class Counts {

    private Counts() {
    }

    /** {@code --count} of scan and endorse: documents, at least one. */
    static final class Documents implements ITypeConverter<Integer> {
        @Override
        public Integer convert(String value) {
            return atLeast("--count", 1, value);
        }
    }

    /** {@code --last} of trace show: entries, none or more. */
    static final class Entries implements ITypeConverter<Integer> {
        @Override
        public Integer convert(String value) {
            return atLeast("--last", 0, value);
        }
    }

    private static int atLeast(String option, int minimum, String value) {
        int number;
        try {
            number = Integer.parseInt(value);
        } catch (NumberFormatException e) {
            // As picocli says it of any other whole number.
            throw new TypeConversionException("'" + value + "' is not an int");
        }
        if (number < minimum) {
            throw new TypeConversionException(option + " takes " + minimum + " or more, not " + number);
        }
        return number;
    }
}
