#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "textutil.h"

#include "coverageplot.h"

#include <QFileInfo>

namespace Cli {

int runPlot(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("plot"),
        QStringLiteral(
            "Draws a pseudosection coverage plot: one marker per quadruple at its pseudo-position "
            "and median depth of investigation, coloured by kind of configuration.\n"
            "INPUT is an electrode list, a sequence file (*.KGW) with its own spacing, or with "
            "--from a file in that format.\n"
            "Exit status: 0 when the plot is written, 1 when the input is refused or the plot "
            "can't be written, 2 for a usage error."));
    commandLine.addSpacingOption();
    const QCommandLineOption output(QStringLiteral("o"),
        QStringLiteral("The picture to write: a name ending in .svg or .png."),
        QStringLiteral("OUT"));
    commandLine.parser().addOption(output);
    InputReader reader(commandLine, InputReader::TakesSequences);
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
    if (!reader.accept(inputs))
        return ExitUsage;
    const QString input = inputs.first();
    if (!outputAllowed(console, input, outFile))
        return ExitRefused;

    // Without a true spacing every position and depth on the plot would be wrong.
    const std::optional<Input> read = reader.read(console, input, true);
    if (!read)
        return ExitRefused;
    const Kgw::CoveragePlot plot(Kgw::coveragePoints(read->quadruples, read->spacingMetres),
        QFileInfo(inputName(input)).fileName(), read->spacingMetres);
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
