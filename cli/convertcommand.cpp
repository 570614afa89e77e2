#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "textutil.h"

#include "findings.h"

#include "sequencewriter.h"

namespace Cli {

namespace {

// Reports each line that uses an electrode beyond the cable in use, by the check's own rule, so
// that convert and check never disagree on a line. Returns whether any does.
bool reportBeyondCable(Console &console, const Input &input, int cableElectrodes)
{
    // Every reader keeps to the whole cable already.
    if (cableElectrodes >= Kgw::CablePositions)
        return false;
    const QVector<Kgw::Finding> findings
        = Kgw::beyondCableFindings(input.quadruples, cableElectrodes);
    for (const Kgw::Finding &finding : findings) {
        console.diagnostic(inputName(input.argument), input.lineNumber(finding.index),
            finding.message(input.lineNumbers));
    }
    return !findings.isEmpty();
}

} // namespace

int runConvert(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("convert"),
        QStringLiteral(
            "Converts electrode lists into KGW sequence files by the rules of the KGW "
            "make window.\nEach LIST is written beside it as LIST.KGW; a list that is "
            "refused writes nothing and the others are still converted.\nWith --from, each LIST "
            "is read in that format instead; a unified data file gives its own spacing unless "
            "--spacing is given, which its electrodes must then lie at.\nExit status: 0 "
            "when every list was written, 1 when any was refused, 2 for a usage error."));
    commandLine.addSpacingOption();
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("Write the sequence file to OUT instead, - for standard output (one LIST "
                       "only; needed for -)."),
        QStringLiteral("OUT"));
    commandLine.parser().addOption(output);
    commandLine.add(Kgw::Options::CableInUse, nullptr,
        QStringLiteral("a list with a line that uses a higher one is refused"));
    InputReader reader(commandLine, InputReader::ListsOnly);
    commandLine.parser().addPositionalArgument(QStringLiteral("LIST"),
        QStringLiteral("Electrode list; - reads it from standard input."),
        QStringLiteral("LIST..."));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const QStringList lists = commandLine.parser().positionalArguments();
    const bool hasOutput = commandLine.parser().isSet(output);
    if (lists.isEmpty())
        return commandLine.usageError(QStringLiteral("no electrode list given"));
    if (hasOutput && lists.size() > 1)
        return commandLine.usageError(QStringLiteral("-o names one output; give one LIST"));
    if (!hasOutput && lists.contains(QStringLiteral("-")))
        return commandLine.usageError(QStringLiteral("a list from standard input needs -o OUT"));
    if (!reader.accept())
        return ExitUsage;
    const std::optional<int> cable = commandLine.whole(Kgw::Options::CableInUse);
    if (!cable)
        return ExitUsage;

    int status = ExitSuccess;
    for (const QString &list : lists) {
        const QString target
            = hasOutput ? commandLine.parser().value(output) : Kgw::sequenceFileName(list);
        if (!outputAllowed(console, list, target)) {
            status = ExitRefused;
            continue;
        }
        const std::optional<Input> read = reader.read(console, list);
        if (!read) {
            status = ExitRefused;
            continue;
        }
        if (reportBeyondCable(console, *read, *cable)) {
            status = ExitRefused;
            continue;
        }
        const Kgw::WriteResult written
            = writeSequenceArgument(console, target, read->quadruples, read->spacingMetres);
        if (!written.ok()) {
            console.ioFailure(outputName(target), written.message, written.errorString);
            status = ExitRefused;
            continue;
        }
        const QString count = Kgw::counted(read->quadruples.size(), QStringLiteral("quadruple"))
            + QStringLiteral(", spacing ")
            + commandLine.spacingUsed(read->spacingMetres, read->ownSpacing);
        // Where standard output carries the file, the count must not end up inside it.
        if (isStandardStream(target))
            console.diagnostic(outputName(target), 0, count);
        else
            console.out() << target << ": " << count << '\n';
        if (read->unmeasurable > 0) {
            console.diagnostic(inputName(list), 0,
                QStringLiteral("quadruples written that repeat an electrode or give no signal: %1; "
                               "kgw check names their lines")
                    .arg(read->unmeasurable));
        }
    }
    return status;
}

} // namespace Cli
