#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "report.h"
#include "textutil.h"

#include "electrodelist.h"
#include "sequencewriter.h"

namespace Cli {

int runConvert(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("convert"),
        QStringLiteral(
            "Converts electrode lists into KGW sequence files by the rules of the KGW "
            "make window.\nEach LIST is written beside it as LIST.KGW; a list that is "
            "refused writes nothing and the others are still converted.\nExit status: 0 "
            "when every list was written, 1 when any was refused, 2 for a usage error."));
    commandLine.addSpacingOption();
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("Write the sequence file to OUT instead, - for standard output (one LIST "
                       "only; needed for -)."),
        QStringLiteral("OUT"));
    commandLine.parser().addOption(output);
    commandLine.parser().addPositionalArgument(QStringLiteral("LIST"),
        QStringLiteral("Electrode list; - reads it from standard input."),
        QStringLiteral("LIST..."));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const std::optional<double> spacing = commandLine.spacing();
    if (!spacing)
        return ExitUsage;
    const QStringList lists = commandLine.parser().positionalArguments();
    const bool hasOutput = commandLine.parser().isSet(output);
    if (lists.isEmpty())
        return commandLine.usageError(QStringLiteral("no electrode list given"));
    if (hasOutput && lists.size() > 1)
        return commandLine.usageError(QStringLiteral("-o names one output; give one LIST"));
    if (!hasOutput && lists.contains(QStringLiteral("-")))
        return commandLine.usageError(QStringLiteral("a list from standard input needs -o OUT"));

    int status = ExitSuccess;
    for (const QString &list : lists) {
        const QString target
            = hasOutput ? commandLine.parser().value(output) : Kgw::sequenceFileName(list);
        if (!outputAllowed(console, list, target)) {
            status = ExitRefused;
            continue;
        }
        const Kgw::ListResult read = readListArgument(list);
        if (!read.ok()) {
            reportRefusedList(console, list, read);
            status = ExitRefused;
            continue;
        }
        const Kgw::WriteResult written
            = writeSequenceArgument(console, target, read.quadruples, *spacing);
        if (!written.ok()) {
            console.ioFailure(outputName(target), written.message, written.errorString);
            status = ExitRefused;
            continue;
        }
        const QString count = Kgw::counted(read.count(), QStringLiteral("quadruple"));
        // Where standard output carries the file, the count must not end up inside it.
        if (isStandardStream(target))
            console.diagnostic(outputName(target), 0, count);
        else
            console.out() << target << ": " << count << '\n';
    }
    return status;
}

} // namespace Cli
