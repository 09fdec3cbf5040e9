package QelScan.tool;

import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.ParentCommand;

/** Full scans of the documents in the feeder. */
@Command(name = "scan", sortOptions = false,
        description = {"Scans documents until N are scanned or the feeder is empty. Each gives four images in "
                + "DIR, named by its number NNNN: black-and-white NNNN-front.tif and NNNN-back.tif, grayscale "
                + "NNNN-front.jpg and NNNN-back.jpg. DIR/index.html is a page that shows them.",
            "Prints one line per document (code line, image quality, contrast, image sizes) and a summary. "
                    + "Only the virtual scanner's 'no document' (-102) ends the run as an empty feeder; any other "
                    + "failure ends it with its message. With --to files the bridge itself prints the four file "
                    + "names before each scan."})
final class ScanCommand extends ToolCommand implements Callable<Integer> {

    @ParentCommand
    Main main;

    @Option(names = "--count", paramLabel = "N", converter = Counts.Documents.class,
            description = "Scan at most N documents (default: until the feeder is empty).")
    Integer count;

    @Mixin
    ScanOptions options;

    @Option(names = "--endorse", paramLabel = "TEXT",
            description = "Print TEXT on the back of every document (placed by the options below).")
    String endorse;

    @Mixin
    Endorsement placement;

    @Override
    public Integer call() throws Failure {
        if (endorse == null && (placement.x != 0 || placement.y != 0 || placement.scale != 0
                || placement.direction != 0)) {
            throw new ParameterException(line, "--x, --y, --scale and --direction place the text "
                    + "of --endorse: name it");
        }
        return new Batch(options, count, endorse == null ? null : placement, endorse, line.getOut(),
                main.progress).run();
    }
}
