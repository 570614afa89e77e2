#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "progress.h"
#include "report.h"

#include "exchange.h"
#include "groundsection.h"
#include "inversion.h"
#include "inversionadvice.h"
#include "picture.h"
#include "textutil.h"

#include <QFileInfo>

namespace Cli {

int runInvert(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("invert"),
        QStringLiteral(
            "Inverts the readings of DATA for the resistivity of the section under the line, "
            "and writes it as \"x z rho\" cell centres, which a ground file's grid reads. DATA "
            "is unified data or, with --from csv, a CSV, with r or rhoa and err per reading; "
            "the electrodes stand on a flat surface at x = (k - 1) * spacing. Gauss-Newton on "
            "the log-resistivity of cells half a spacing wide, from the median apparent "
            "resistivity, smoothed by first differences, each reading weighed by its error; "
            "it stops at chi-squared 1 or --max-iter. It prints a line per iteration. Readings "
            "that repeat an electrode, read zero or have the opposite sign to a uniform "
            "ground's are left out, counted with their first line; a file without err, or with "
            "an err of 0, is refused.\n"
            "Exit status: 0 when the model was written, 1 when an input is refused, the "
            "inversion fails or writing failed, 2 for a usage error."));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("Write the model to MODEL (required)."), QStringLiteral("MODEL"));
    const QCommandLineOption picture(QStringLiteral("picture"),
        QStringLiteral("Also draw the model, with the electrodes and the readings' depth of "
                       "investigation, to P (.png or .svg)."),
        QStringLiteral("P"));
    for (const QCommandLineOption &option : { output, picture })
        commandLine.parser().addOption(option);
    commandLine.add(Kgw::Options::ZWeight);
    commandLine.add(Kgw::Options::MaxIterations);
    commandLine.addSpacingOption(
        QStringLiteral("Cable spacing in metres, when DATA records none"), false);
    InputReader reader(commandLine, InputReader::ListsOnly, Kgw::ExchangeExtent::WholeLine);
    reader.setDefaultFormat(Kgw::ExchangeFormat::Unified);
    commandLine.parser().addPositionalArgument(QStringLiteral("DATA"),
        QStringLiteral("Unified data file, or with --from csv a CSV."), QStringLiteral("DATA"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    QCommandLineParser &parser = commandLine.parser();
    const QStringList inputs = parser.positionalArguments();
    if (inputs.size() != 1)
        return commandLine.usageError(QStringLiteral("give exactly one data file"));
    if (!parser.isSet(output))
        return commandLine.usageError(QStringLiteral("-o MODEL is required"));
    const std::optional<double> zWeight = commandLine.number(Kgw::Options::ZWeight);
    const std::optional<int> maxIterations = commandLine.whole(Kgw::Options::MaxIterations);
    if (!zWeight || !maxIterations)
        return ExitUsage;
    Kgw::InversionOptions options;
    options.zWeight = *zWeight;
    options.maxIterations = *maxIterations;
    const QString pictureFile = parser.value(picture);
    if (parser.isSet(picture) && !commandLine.pictureNameAccepted(pictureFile))
        return ExitUsage;
    if (!reader.accept())
        return ExitUsage;

    const QString input = inputs.first();
    const QString target = parser.value(output);
    if (!outputAllowed(console, input, target)
        || (parser.isSet(picture) && !outputAllowed(console, input, pictureFile)))
        return ExitRefused;
    const std::optional<Input> read = reader.read(console, input, true);
    if (!read)
        return ExitRefused;
    if (!commandLine.spacingKnown(read->ownSpacing, QStringLiteral("the model"), inputName(input)))
        return ExitUsage;
    const QVector<Kgw::LineQuadruple> rows = read->lineRows();
    QVector<qint64> lines;
    for (int i = 0; i < rows.size(); ++i)
        lines.append(read->lineNumber(i));
    const Kgw::InversionData data
        = Kgw::inversionData(rows, read->data, lines, read->spacingMetres);
    if (!data.error.isEmpty()) {
        console.diagnostic(
            inputName(input), data.errorLine, data.error.left(1).toUpper() + data.error.mid(1));
        return ExitRefused;
    }
    for (const Kgw::DroppedRows &dropped : data.dropped)
        console.diagnostic(inputName(input), dropped.firstLine,
            QStringLiteral("Left out %1 that %2")
                .arg(Kgw::counted(dropped.count, QStringLiteral("reading")), dropped.reason));

    QTextStream &out = console.out();
    out << inputName(input) << ": " << Kgw::counted(data.rows.size(), QStringLiteral("reading"))
        << " on " << Kgw::counted(data.electrodes, QStringLiteral("electrode")) << ", spacing "
        << commandLine.spacingUsed(data.spacingMetres, read->ownSpacing) << '\n';
    out << "iteration  chi2        rms/%     lambda      time/s\n";
    out.flush();
    Kgw::InversionResult result;
    {
        Progress progress(console, QStringLiteral("invert"));
        result = Kgw::invert(
            data, options,
            [&](const Kgw::InversionStep &s) {
                out << QString::number(s.iteration).leftJustified(11)
                    << QString::number(s.chiSquared, 'g', 4).leftJustified(12)
                    << QString::number(s.rmsPercent, 'f', 2).leftJustified(10)
                    << QString::number(s.lambda, 'g', 3).leftJustified(12)
                    << QString::number(s.seconds, 'f', 1) << '\n';
                out.flush();
            },
            progress.function());
    }
    if (!result.error.isEmpty())
        return refuse(console, inputName(input), result.error);
    const QByteArray xyz = Kgw::modelXyz(result.grid, result.rho);
    if (!writeTextArgument(
            console, target, Kgw::FileContent::of({ xyz }), QStringLiteral("model file")))
        return ExitRefused;
    if (parser.isSet(picture)) {
        const Kgw::WriteResult written
            = Kgw::modelSectionPlot(data, result, QFileInfo(target).fileName()).write(pictureFile);
        if (!written.ok()) {
            console.ioFailure(pictureFile, written.message, written.errorString);
            return ExitRefused;
        }
    }
    out << target << ": " << Kgw::counted(result.grid.cellCount(), QStringLiteral("cell"))
        << " from " << QString::number(result.startRho, 'g', 4) << " ohm m, chi2 "
        << QString::number(result.steps.constLast().chiSquared, 'g', 4) << " after "
        << Kgw::counted(result.steps.constLast().iteration, QStringLiteral("iteration")) << ": "
        << result.stop << '\n';
    for (const QString &sentence : Kgw::inversionAdvice(data, result))
        out << sentence << '\n';
    return ExitSuccess;
}

} // namespace Cli
