#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "textutil.h"

#include "exchange.h"
#include "savefile.h"

#include <algorithm>

namespace Cli {

namespace {

// The electrodes' heights from a topography file, or its refusal reported.
bool readHeights(Console &console, const QString &argument, double spacingMetres, int lastUsed,
    QVector<double> *heights)
{
    const Kgw::TopographyResult topography = readTopographyArgument(argument);
    switch (topography.status) {
    case Kgw::TopographyResult::Ok:
        break;
    case Kgw::TopographyResult::OpenFailed:
    case Kgw::TopographyResult::ReadFailed:
        console.ioFailure(inputName(argument), topography.message, topography.errorString);
        return false;
    default:
        console.diagnostic(inputName(argument), topography.lineNumber, topography.message);
        return false;
    }
    QString error;
    const std::optional<QVector<double>> found
        = Kgw::electrodeHeights(topography, spacingMetres, lastUsed, &error);
    if (!found) {
        console.diagnostic(inputName(argument), 0, error);
        return false;
    }
    *heights = *found;
    return true;
}

} // namespace

int runExport(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("export"),
        QStringLiteral(
            "Writes the configurations of INPUT for other programs, to standard output or to "
            "-o OUT:\n"
            "  unified  the unified data format of the open inversion packages, for forward "
            "modelling: the cable's 48 electrodes at x = (k - 1) * spacing, z = 0, or at the "
            "heights of a unified INPUT, then \"a b m n k\" per configuration, 0 for a remote "
            "electrode and k the geometric factor in metres;\n"
            "  csv      a header a,b,m,n and a row per configuration.\n"
            "With --topography, the electrodes are laid along that ground instead, each the "
            "spacing from the one before in a straight line, as a tape between them measures it; "
            "the geometric factors k stay those of a flat ground, as does any model kgw "
            "computes.\n"
            "Both read back with --from on convert, check, plot, resolution and order, the "
            "unified format with its heights. The count goes to standard error.\n"
            "Exit status: 0 when the file was written, 1 when the input is refused or writing "
            "failed, 2 for a usage error."));
    const QCommandLineOption format(QStringLiteral("format"),
        QStringLiteral("The format to write: unified or csv."), QStringLiteral("FORMAT"));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("Write to OUT instead of standard output (- is standard output)."),
        QStringLiteral("OUT"));
    commandLine.parser().addOption(format);
    commandLine.parser().addOption(output);
    const QCommandLineOption topography(QStringLiteral("topography"),
        QStringLiteral(
            "The ground to lay the electrodes of the unified format on, from FILE: one \"x z\" "
            "pair per line, x in metres along the line from electrode 1, measured level and "
            "increasing, and z the height there, covering every electrode the input uses (- is "
            "standard input)."),
        QStringLiteral("FILE"));
    commandLine.parser().addOption(topography);
    commandLine.addSpacingOption(
        QStringLiteral("Cable spacing in metres of the unified format, when INPUT records none; "
                       "one it records must agree"));
    InputReader reader(commandLine, InputReader::TakesSequences);
    commandLine.parser().addPositionalArgument(QStringLiteral("INPUT"),
        QStringLiteral("Electrode list or sequence file (*.KGW); - reads a list from standard "
                       "input."),
        QStringLiteral("INPUT"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const QStringList inputs = commandLine.parser().positionalArguments();
    if (inputs.size() != 1)
        return commandLine.usageError(QStringLiteral("give exactly one input"));
    const std::optional<Kgw::ExchangeFormat> exchangeFormat
        = Kgw::findExchangeFormat(commandLine.parser().value(format));
    if (!exchangeFormat)
        return commandLine.usageError(QStringLiteral("--format FORMAT is required: give %1")
                                          .arg(Kgw::allowedExchangeFormats()));
    const bool withHeights = commandLine.parser().isSet(topography);
    if (withHeights && *exchangeFormat != Kgw::ExchangeFormat::Unified)
        return commandLine.usageError(
            QStringLiteral("--topography applies only to --format unified"));
    if (withHeights && isStandardStream(inputs.first())
        && isStandardStream(commandLine.parser().value(topography)))
        return commandLine.usageError(QStringLiteral("standard input can be read only once"));
    if (!reader.accept())
        return ExitUsage;

    const QString input = inputs.first();
    const QString target = commandLine.parser().isSet(output) ? commandLine.parser().value(output)
                                                              : QStringLiteral("-");
    if (!outputAllowed(console, input, target)
        || (withHeights && !outputAllowed(console, commandLine.parser().value(topography), target)))
        return ExitRefused;
    const bool unified = *exchangeFormat == Kgw::ExchangeFormat::Unified;
    const std::optional<Input> read = reader.read(console, input, unified);
    if (!read)
        return ExitRefused;
    int lastUsed = 1;
    for (const Kgw::Quadruple &q : read->quadruples)
        lastUsed = std::max({ lastUsed, int(q.a), int(q.b), int(q.m), int(q.n) });
    QVector<double> heights = read->heights;
    if (withHeights
        && !readHeights(console, commandLine.parser().value(topography), read->spacingMetres,
            lastUsed, &heights))
        return ExitRefused;
    if (!writeTextArgument(console, target,
            Kgw::exchangeContent(*exchangeFormat, read->quadruples, read->spacingMetres, heights),
            unified ? QStringLiteral("unified data file") : QStringLiteral("CSV file")))
        return ExitRefused;
    QString count = Kgw::counted(read->quadruples.size(), QStringLiteral("configuration"));
    if (unified)
        count += QStringLiteral(", spacing ")
            + commandLine.spacingUsed(read->spacingMetres, read->ownSpacing);
    console.diagnostic(outputName(target), 0, count);
    return ExitSuccess;
}

} // namespace Cli
