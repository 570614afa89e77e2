#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "progress.h"
#include "report.h"
#include "testoptions.h"

#include "groundsection.h"
#include "options.h"
#include "picture.h"
#include "synthetictest.h"
#include "testpicture.h"
#include "textutil.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Cli {

namespace {

QString rmsCell(double rms)
{
    return std::isfinite(rms) ? QString::number(rms, 'f', 3) : QStringLiteral("-");
}

} // namespace

int runTest(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("test"),
        QStringLiteral(
            "Tells how well each LIST images a known ground: it simulates the list's readings "
            "over the ground of a ground file with Gaussian noise (the same seed for every "
            "list), inverts them as kgw invert does, and compares the image with the ground. "
            "The figures are the RMS of log10(image / truth) over the section from the first "
            "electrode to the last and down to the shallowest of the lists' deepest median "
            "depths, on square cells half a spacing wide, and over the cells of the ground's "
            "bodies (where it differs from the background) within it; lower is better. The "
            "electrodes stand on a flat surface at x = (k - 1) * spacing, and every list must "
            "be on the same line.\n"
            "Exit status: 0 when every list was tested, 1 when an input is refused, a test "
            "fails or writing failed, 2 for a usage error."));
    const QCommandLineOption groundOption(QStringLiteral("ground"),
        QStringLiteral("The true ground, from the ground file FILE (required)."),
        QStringLiteral("FILE"));
    const QCommandLineOption picture(QStringLiteral("picture"),
        QStringLiteral("Also draw the true ground and each list's image, on one colour scale, "
                       "to P (.png or .svg)."),
        QStringLiteral("P"));
    commandLine.parser().addOption(groundOption);
    commandLine.parser().addOption(picture);
    commandLine.addSpacingOption(
        QStringLiteral("Cable spacing in metres, when the lists record none"), false);
    TestOptions testOptions(commandLine);
    InputReader reader(commandLine, InputReader::TakesSequences, Kgw::ExchangeExtent::WholeLine);
    commandLine.parser().addPositionalArgument(QStringLiteral("LIST"),
        QStringLiteral("Electrode lists, sequence files (*.KGW) or, with --from, unified data or "
                       "CSV files, also of a whole line."),
        QStringLiteral("LIST..."));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    QCommandLineParser &parser = commandLine.parser();
    const QStringList inputs = parser.positionalArguments();
    if (inputs.isEmpty())
        return commandLine.usageError(QStringLiteral("give at least one list"));
    if (!parser.isSet(groundOption))
        return commandLine.usageError(QStringLiteral("--ground FILE is required"));
    const std::optional<Kgw::SyntheticTestOptions> options = testOptions.read();
    if (!options)
        return ExitUsage;
    const QString pictureFile = parser.value(picture);
    if (parser.isSet(picture) && !commandLine.pictureNameAccepted(pictureFile))
        return ExitUsage;
    if (!reader.accept())
        return ExitUsage;

    const QString groundFile = parser.value(groundOption);
    if (parser.isSet(picture)) {
        for (const QString &input : inputs + QStringList { groundFile }) {
            if (!outputAllowed(console, input, pictureFile))
                return ExitRefused;
        }
    }

    // Every list is read and checked before any is tested, so that a refusal comes at once.
    QStringList names;
    QVector<QVector<Kgw::LineQuadruple>> rows;
    int electrodes = 0;
    double spacing = 0;
    for (const QString &input : inputs) {
        const std::optional<Input> read = reader.read(console, input, true);
        if (!read)
            return ExitRefused;
        const QString name = inputName(input);
        if (const std::optional<int> status = refuseUnsimulable(commandLine, console, *read))
            return *status;
        rows.append(read->lineRows());
        if (rows.constLast().isEmpty())
            return refuse(console, name, QStringLiteral("no configuration to test"));
        const int own = read->isLine() ? read->lineElectrodes : Kgw::CablePositions;
        // Images of different lines cover different sections, and their figures would not
        // compare.
        if (!names.isEmpty() && (own != electrodes || read->spacingMetres != spacing))
            return refuse(console, name,
                QStringLiteral("the lists are compared on one line: %1 has %2 at %3 m, %4 %5 at "
                               "%6 m")
                    .arg(name, Kgw::counted(own, QStringLiteral("electrode")),
                        metres(read->spacingMetres), names.constFirst(),
                        Kgw::counted(electrodes, QStringLiteral("electrode")), metres(spacing)));
        electrodes = own;
        spacing = read->spacingMetres;
        names.append(name);
    }
    const double length = (electrodes - 1) * spacing;
    const std::optional<Kgw::Ground> ground = readGroundArgument(console, groundFile,
        QRectF(0, 0, length, length / 3), QStringLiteral("the section under the electrodes"));
    if (!ground)
        return ExitRefused;
    QVector<Kgw::SyntheticTest> tests;
    {
        Progress progress(console, QStringLiteral("test"));
        tests = Kgw::runSyntheticTests(
            *ground, rows, electrodes, spacing, *options, progress.function());
    }
    // Scored no deeper than every list sees, so that none is blamed for what it cannot reach.
    double depth = std::numeric_limits<double>::infinity();
    for (int j = 0; j < names.size(); ++j) {
        if (!tests.at(j).error.isEmpty())
            return refuse(console, names.at(j), tests.at(j).error);
        depth = std::min(depth, tests.at(j).investigationDepth);
    }

    int width = QStringLiteral("list").size();
    for (const QString &name : names)
        width = std::max(width, name.size());
    QTextStream &out = console.out();
    out << "ground: " << inputName(groundFile) << ", noise "
        << QString::number(options->noiseShare * 100, 'g', 6) << " %, seed " << options->seed
        << ", spacing " << commandLine.spacingUsed(spacing, true) << '\n';
    out << "RMS of log10(image / truth) over x " << metres(0) << " to " << metres(length)
        << " m, z 0 to " << metres(depth) << " m, and over the bodies there\n";
    out << QStringLiteral("list").leftJustified(width + 2)
        << "rows    section  bodies   chi2      iterations  time/s\n";

    QVector<Kgw::TestImage> images;
    for (int j = 0; j < names.size(); ++j) {
        const Kgw::SyntheticTest &test = tests.at(j);
        const Kgw::Ground image = Kgw::modelGround(test.inversion);
        const Kgw::ImageScore score = Kgw::scoreImage(*ground, image, electrodes, spacing, depth);
        const Kgw::InversionStep &last = test.inversion.steps.constLast();
        out << names.at(j).leftJustified(width + 2)
            << QString::number(rows.at(j).size()).leftJustified(8)
            << rmsCell(score.section).leftJustified(9) << rmsCell(score.bodies).leftJustified(9)
            << QString::number(last.chiSquared, 'g', 4).leftJustified(10)
            << QString::number(last.iteration).leftJustified(12)
            << QString::number(test.seconds, 'f', 1) << '\n';
        if (parser.isSet(picture)) {
            const Kgw::SectionPlot plot
                = Kgw::modelSectionPlot(test.data, test.inversion, names.at(j));
            images.append({ names.at(j), plot, score.section, score.bodies });
        }
    }
    if (parser.isSet(picture)) {
        const Kgw::WriteResult written = Kgw::writeTestPicture(pictureFile,
            Kgw::groundSectionPlot(*ground, electrodes, spacing, inputName(groundFile)), images,
            depth);
        if (!written.ok()) {
            console.ioFailure(pictureFile, written.message, written.errorString);
            return ExitRefused;
        }
    }
    return ExitSuccess;
}

} // namespace Cli
