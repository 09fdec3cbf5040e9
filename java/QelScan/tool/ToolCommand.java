package QelScan.tool;

import picocli.CommandLine;

/**
 * A command of the tool. It prints through the writers of its own
 * {@code CommandLine} and reports a wrong command line against it, so that
 * its own usage follows the message. {@link Main#run} hands every command
 * its line before the arguments are parsed.
 */
abstract class ToolCommand {

    /** This command's place in the tool's hierarchy of command lines. */
    CommandLine line;

    /** Gives {@code line}'s command and every subcommand below it their own line. */
    static void attach(CommandLine line) {
        if (line.getCommand() instanceof ToolCommand) {
            ((ToolCommand) line.getCommand()).line = line;
        }
        line.getSubcommands().values().forEach(ToolCommand::attach);
    }
}
