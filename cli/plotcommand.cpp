#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "report.h"
#include "textutil.h"

#include "coverageplot.h"
#include "electrodelist.h"
#include "sequencereader.h"

#include <QFileInfo>

namespace Cli {

namespace {

// A sequence file is told from an electrode list by its name, as the window names it.
bool isSequenceFileName(const QString &argument)
{
    return argument.endsWith(QLatin1String(".KGW"), Qt::CaseInsensitive);
}

} // namespace

int runPlot(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("plot"),
        QStringLiteral(
            "Draws a pseudosection coverage plot: one marker per quadruple at its pseudo-position "
            "and median depth of investigation, coloured by kind of configuration.\n"
            "INPUT is an electrode list, or a sequence file (*.KGW) with its own spacing.\n"
            "Exit status: 0 when the plot is written, 1 when the input is refused or the plot "
            "can't be written, 2 for a usage error."));
    commandLine.addSpacingOption();
    const QCommandLineOption output(QStringLiteral("o"),
        QStringLiteral("The picture to write: a name ending in .svg or .png."),
        QStringLiteral("OUT"));
    commandLine.parser().addOption(output);
    commandLine.parser().addPositionalArgument(QStringLiteral("INPUT"),
        QStringLiteral("Electrode list or sequence file; - reads a list from standard input."),
        QStringLiteral("INPUT"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const QStringList inputs = commandLine.parser().positionalArguments();
    if (inputs.size() != 1)
        return commandLine.usageError(QStringLiteral("give exactly one input"));
    const QString outFile = commandLine.parser().value(output);
    if (outFile.isEmpty())
        return commandLine.usageError(QStringLiteral("-o OUT is required"));
    if (!Kgw::CoveragePlot::isSupportedOutput(outFile))
        return commandLine.usageError(Kgw::CoveragePlot::canWriteSvg()
                ? QStringLiteral("OUT must end in .svg or .png")
                : QStringLiteral("OUT must end in .png: this kgw was built without Qt SVG"));
    const QString input = inputs.first();
    const bool sequenceInput = isSequenceFileName(input);
    if (sequenceInput && commandLine.parser().isSet(QStringLiteral("spacing")))
        return commandLine.usageError(
            QStringLiteral("--spacing is for electrode lists; a sequence file has its own"));

    if (!outputAllowed(console, input, outFile))
        return ExitRefused;

    QVector<Kgw::Quadruple> quadruples;
    double spacing = 0;
    if (sequenceInput) {
        const Kgw::SequenceResult sequence = readSequenceArgument(input);
        if (!sequence.ok()) {
            console.ioFailure(inputName(input), sequence.message, sequence.errorString);
            return ExitRefused;
        }
        // Without a true spacing every position and depth on the plot would be wrong.
        const QString warning = sequence.spacingWarning();
        if (!warning.isEmpty()) {
            console.diagnostic(inputName(input), 0, warning);
            return ExitRefused;
        }
        quadruples = sequence.quadruples;
        spacing = sequence.spacingMetres();
    } else {
        const std::optional<double> listSpacing = commandLine.spacing();
        if (!listSpacing)
            return ExitUsage;
        spacing = *listSpacing;
        const Kgw::ListResult list = readListArgument(input);
        if (!list.ok()) {
            reportRefusedList(console, input, list);
            return ExitRefused;
        }
        quadruples = list.quadruples;
    }

    const Kgw::CoveragePlot plot(
        Kgw::coveragePoints(quadruples, spacing), QFileInfo(inputName(input)).fileName(), spacing);
    const Kgw::WriteResult written = plot.write(outFile);
    if (!written.ok()) {
        console.ioFailure(outFile, written.message, written.errorString);
        return ExitRefused;
    }
    console.out() << outFile << ": "
                  << Kgw::counted(plot.quadrupleCount(), QStringLiteral("quadruple")) << '\n';
    return ExitSuccess;
}

} // namespace Cli
