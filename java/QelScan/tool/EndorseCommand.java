package QelScan.tool;

import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Option;
import picocli.CommandLine.Parameters;
import picocli.CommandLine.ParentCommand;

/**
 * An endorsement and the document that receives it. The print job lives in
 * the session, which ends with the process, so queueing it without scanning
 * would print nothing: the next document is scanned at once.
 */
@Command(name = "endorse", sortOptions = false,
        description = {"Prints TEXT on the back of the next document (QelBatchPrintString) and scans that "
                + "document as 'scan' does, into DIR.",
            "The print job belongs to the scanner session, which ends when qelscan does, so the document is "
                    + "scanned at once. X, Y, S and DEGREES go to the scanner library unchanged and it checks "
                    + "them; the ranges given are the virtual scanner's."})
final class EndorseCommand extends ToolCommand implements Callable<Integer> {

    @ParentCommand
    Main main;

    @Parameters(index = "0", paramLabel = "TEXT",
            description = "The text, 1 to 255 bytes in this system's charset; a line feed starts a new line.")
    String text;

    @Mixin
    Endorsement placement;

    @Option(names = "--count", paramLabel = "N", defaultValue = "1", converter = Counts.Documents.class,
            description = "Endorse and scan N documents (default: ${DEFAULT-VALUE}).")
    int count;

    @Mixin
    ScanOptions options;

    @Override
    public Integer call() throws Failure {
        return new Batch(options, count, placement, text, line.getOut(), main.progress).run();
    }
}
