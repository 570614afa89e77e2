#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "modeloptions.h"
#include "progress.h"
#include "report.h"

#include "coverageplot.h"
#include "groundfile.h"
#include "groundsection.h"
#include "modelsections.h"
#include "picture.h"
#include "resolution.h"
#include "sectionplot.h"
#include "textutil.h"

#include <QFileInfo>
#include <QLocale>
#include <QRectF>

#include <utility>

namespace Cli {

namespace {

// "LOW:HIGH", two numbers; nothing when the text is not.
std::optional<std::pair<double, double>> parseRange(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return std::nullopt;
    bool lowOk = false;
    bool highOk = false;
    const double low = QLocale::c().toDouble(parts.at(0).trimmed(), &lowOk);
    const double high = QLocale::c().toDouble(parts.at(1).trimmed(), &highOk);
    if (!lowOk || !highOk)
        return std::nullopt;
    return std::make_pair(low, high);
}

// The model's picture of one sequence: its cumulative sensitivity or its resolution, over the
// ground of groundFile where one is given; nothing, with *status the exit status, when the model
// refuses. A target is judged as resolution judges it, so that what one outlines the other counts.
std::optional<Kgw::SectionPlot> sectionPlot(Console &console, const Input &input,
    ModelOptions &options, bool resolution, const std::optional<Kgw::TargetRegion> &region,
    const QString &groundFile, int *status)
{
    const QRectF target = region
        ? QRectF(QPointF(region->x0, region->z0), QPointF(region->x1, region->z1))
        : QRectF();
    Progress progress(console, QStringLiteral("plot"));
    const bool overGround = !groundFile.isEmpty();
    const std::unique_ptr<Kgw::SurveyModel> survey = options.read(console, { input },
        resolution ? Kgw::SurveyModel::Resolution : Kgw::SurveyModel::Sensitivity,
        progress.function(0, resolution || overGround ? 0.1 : 1), status);
    if (!survey)
        return std::nullopt;
    const QString name = QFileInfo(inputName(input.argument)).fileName();
    const QString groundName = QFileInfo(groundFile).fileName();
    std::unique_ptr<Kgw::GroundModel> ground;
    if (overGround) {
        ground = readGroundModel(console, groundFile, *survey);
        if (!ground) {
            *status = ExitRefused;
            return std::nullopt;
        }
    }
    // The ground's rows, the most of the work where there is a ground.
    const auto groundRows = [&](double from, double to) {
        return input.isLine() ? ground->rows(input.lineQuadruples, progress.function(from, to))
                              : ground->rows(input.quadruples, progress.function(from, to));
    };
    if (!resolution) {
        const QString error = region ? Kgw::targetError(survey->grid(), *region) : QString();
        if (!error.isEmpty()) {
            *status = refuse(console, QStringLiteral("kgw plot"), error);
            return std::nullopt;
        }
        if (!ground) {
            return input.isLine()
                ? Kgw::sensitivitySectionPlot(*survey, input.lineQuadruples, name, target)
                : Kgw::sensitivitySectionPlot(*survey, input.quadruples, name, target);
        }
        const Kgw::GroundRows rows = groundRows(0.1, 1);
        return input.isLine()
            ? Kgw::sensitivitySectionPlot(rows, input.lineQuadruples, name, groundName, target)
            : Kgw::sensitivitySectionPlot(rows, input.quadruples, name, groundName, target);
    }

    const Kgw::ResolutionModel model(*survey, progress.function(0.1, ground ? 0.4 : 0.8));
    const QString error
        = model.isValid() && region ? Kgw::targetError(model, *region) : model.error();
    if (!error.isEmpty()) {
        *status = refuse(console, QStringLiteral("kgw plot"), error);
        return std::nullopt;
    }
    const Kgw::SequenceResolution result = ground
        ? model.evaluate(groundRows(0.4, 0.9), progress.function(0.9, 1))
        : input.isLine() ? model.evaluateLine(input.lineQuadruples, progress.function(0.8, 1))
                         : model.evaluate(input.quadruples, progress.function(0.8, 1));
    if (!result.ok() || result.used() == 0) {
        *status = refuse(console, inputName(input.argument),
            result.ok() ? QStringLiteral("none of its configurations gives a reading to draw a "
                                         "section of: %1")
                              .arg(Kgw::withoutRowsText(result, survey->options()))
                        : result.error);
        return std::nullopt;
    }
    return Kgw::resolutionSectionPlot(model, result, name, target, groundName);
}

// --range and --target, which only a section takes; the exit status when they end the command.
std::optional<int> readSectionMarks(CommandLine &commandLine, bool section,
    const QCommandLineOption &range, Kgw::SectionPlot::Scale scale,
    std::optional<std::pair<double, double>> *colourRange, std::optional<Kgw::TargetRegion> *region)
{
    const QString rangeName = QStringLiteral("--") + range.names().constFirst();
    const QString targetName = QStringLiteral("--") + QLatin1String(Kgw::Options::Target.name);
    for (const QString &option : { rangeName, targetName }) {
        if (!section && commandLine.parser().isSet(option.mid(2)))
            return commandLine.usageError(
                QStringLiteral("%1 applies only to --sensitivity and --resolution").arg(option));
    }
    if (commandLine.parser().isSet(range)) {
        const QString text = commandLine.parser().value(range);
        *colourRange = parseRange(text);
        const QString error = *colourRange
            ? Kgw::SectionPlot::rangeError(scale, (*colourRange)->first, (*colourRange)->second)
            : QStringLiteral("give LOW:HIGH");
        if (!error.isEmpty())
            return commandLine.usageError(
                QStringLiteral("invalid --range '%1': %2").arg(text, error));
    }
    if (!readTarget(commandLine, region))
        return ExitUsage;
    return std::nullopt;
}

// Draws the ground of the file under the cable or line; the exit status. A shape that lies
// outside the section is drawn nowhere, so a crew hears of it.
int plotGround(Console &console, const QString &groundFile, int electrodes, double spacing,
    const QString &outFile)
{
    const std::optional<Kgw::Ground> ground = readGroundArgument(console, groundFile,
        Kgw::groundSectionArea(electrodes, spacing), QStringLiteral("the section drawn"));
    if (!ground)
        return ExitRefused;
    const Kgw::WriteResult written
        = Kgw::groundSectionPlot(*ground, electrodes, spacing, QFileInfo(groundFile).fileName())
              .write(outFile);
    if (!written.ok()) {
        console.ioFailure(outFile, written.message, written.errorString);
        return ExitRefused;
    }
    return ExitSuccess;
}

// kgw plot --ground: the cable or line that the ground is drawn under is that of the input, or
// of --electrodes, or else the whole cable; the exit status.
int plotGroundSection(Console &console, CommandLine &commandLine, const InputReader &reader,
    ModelOptions &model, const QStringList &inputs, const QString &groundFile,
    const QString &outFile)
{
    if (!outputAllowed(console, groundFile, outFile))
        return ExitRefused;
    QVector<Input> read;
    for (const QString &input : inputs) {
        if (!outputAllowed(console, input, outFile))
            return ExitRefused;
        const std::optional<Input> sequence = reader.read(console, input, true);
        if (!sequence)
            return ExitRefused;
        read.append(*sequence);
    }
    int status = ExitSuccess;
    if (!model.readWithoutModel(console, read, &status))
        return status;
    const int electrodes = read.isEmpty() && !commandLine.isSet(Kgw::Options::Electrodes)
        ? Kgw::CablePositions
        : model.electrodes();
    status = plotGround(console, groundFile, electrodes, model.spacing(), outFile);
    if (status != ExitSuccess)
        return status;
    console.out() << outFile << ": the ground of " << inputName(groundFile) << " under "
                  << Kgw::counted(electrodes, QStringLiteral("electrode")) << ", spacing "
                  << commandLine.spacingUsed(model.spacing(), model.spacingFromInputs()) << '\n';
    return ExitSuccess;
}

// The coverage plot of an input, along the whole line where it is one; with values, each row
// coloured by its own.
Kgw::CoveragePlot coveragePlot(
    const Input &input, const std::optional<QVector<double>> &values = std::nullopt)
{
    const double spacing = input.spacingMetres;
    QVector<Kgw::CoveragePoint> points = input.isLine()
        ? Kgw::coveragePoints(input.lineQuadruples, spacing, input.layout)
        : Kgw::coveragePoints(input.quadruples, spacing);
    const Kgw::CoverageLine line = input.isLine()
        ? Kgw::CoverageLine { input.lineElectrodes, input.layout }
        : Kgw::CoverageLine();
    for (int i = 0; values && i < points.size(); ++i)
        points[i].value = values->at(i);
    Kgw::CoveragePlot plot(points, QFileInfo(inputName(input.argument)).fileName(), spacing, line);
    if (values)
        plot.colourByValue(QStringLiteral("apparent resistivity (\u03a9m)"));
    return plot;
}

} // namespace

int runPlot(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("plot"),
        QStringLiteral(
            "Draws a pseudosection coverage plot (--coverage, the default): one marker per "
            "quadruple at its pseudo-position and median depth of investigation, coloured by kind "
            "of configuration.\n"
            "With --from, a file of more than 48 electrodes, or one that records the spreads it "
            "was planned in (kgw rollalong's PREFIX.dat), is drawn as a whole line in line "
            "positions: each spread's configurations in a colour of their own, and the ground "
            "deeper than any spread reaches shaded; its sections run along the whole line, as "
            "deep as one spread sees.\n"
            "With --sensitivity or --resolution it draws a section of the ground under the cable "
            "instead, as kgw resolution models it: the cumulative sensitivity of the sequence "
            "(on a logarithmic scale) or its model resolution per cell, as R_jj over the best R_jj "
            "the cable can reach (0 to 1). The model "
            "options apply only to these.\n"
            "Each section draws a dashed line across and says in its legend what it is: on the "
            "resolution, the depth of investigation, below which most cells under the cable get "
            "less than %1 of the resolution of all configurations; on the sensitivity, the "
            "deepest median depth of investigation of its configurations. The resolution greys "
            "the cells beyond the cable's ends and those that all configurations together resolve "
            "less than 0.01.\n"
            "The sections reach (E - 1) spacings / 3 deep, deeper than kgw resolution's grid, so "
            "that they show where the cable stops resolving; the figures in their caption are "
            "those of their own grid.\n"
            "With --data it draws the apparent-resistivity pseudosection of a data file instead: "
            "each row's marker where the coverage plot places it, coloured on a logarithmic scale "
            "by its rhoa, or k × r where the file gives only r.\n"
            "INPUT is an electrode list, a sequence file (*.KGW) with its own spacing, or with "
            "--from a file in that format.\n"
            "Exit status: 0 when the plot is written, 1 when the input is refused or the plot "
            "can't be written, 2 for a usage error.")
            .arg(Kgw::InvestigationLevel));
    commandLine.addSpacingOption();
    const QCommandLineOption output(QStringLiteral("o"),
        QStringLiteral("The picture to write: a name ending in .svg or .png."),
        QStringLiteral("OUT"));
    const QCommandLineOption coverage(QStringLiteral("coverage"),
        QStringLiteral("Draw the pseudosection coverage plot (the default)."));
    const QCommandLineOption sensitivity(QStringLiteral("sensitivity"),
        QStringLiteral("Draw the cumulative sensitivity section: sum of |J| over the sequence."));
    const QCommandLineOption resolution(QStringLiteral("resolution"),
        QStringLiteral(
            "Draw the model resolution section: R_jj over that of the comprehensive set."));
    commandLine.parser().addOption(output);
    commandLine.parser().addOption(coverage);
    commandLine.parser().addOption(sensitivity);
    commandLine.parser().addOption(resolution);
    const QCommandLineOption range(QStringLiteral("range"),
        QStringLiteral("Fix the colour scale of the section from LOW to HIGH, so that pictures "
                       "of several sequences compare; above 0 for the sensitivity's logarithmic "
                       "scale. Default: four decades below the largest sensitivity, or 0 to 1 "
                       "for the resolution."),
        QStringLiteral("LOW:HIGH"));
    commandLine.parser().addOption(range);
    const QCommandLineOption ground(QStringLiteral("ground"),
        QStringLiteral("Draw the ground of the ground file FILE instead: its resistivity under the "
                       "cable of INPUT, of --electrodes or of 48, on a logarithmic scale. INPUT "
                       "may then be left out. With --sensitivity or --resolution, draw that "
                       "section over this ground instead of a uniform one: the sensitivities "
                       "are its own, from its forward model; lambda and the comprehensive set "
                       "the resolution compares with stay those of the uniform ground."),
        QStringLiteral("FILE"));
    commandLine.parser().addOption(ground);
    const QCommandLineOption data(QStringLiteral("data"),
        QStringLiteral("Draw the apparent-resistivity pseudosection of the data file FILE, read as "
                       "--from gives (unified by default), in place of INPUT."),
        QStringLiteral("FILE"));
    commandLine.parser().addOption(data);
    commandLine.add(Kgw::Options::Target,
        "Outline on the section the region between X0 and X1 along the cable (electrode 1 at 0) "
        "and Z0 and Z1 deep, in metres.");
    // Deeper than the figures' grid, so that the sections show where the cable stops resolving.
    ModelOptions model(commandLine, 0, Kgw::GridOptions::SectionDepthDivisor);
    InputReader reader(commandLine, InputReader::TakesSequences, Kgw::ExchangeExtent::WholeLine);
    commandLine.parser().addPositionalArgument(QStringLiteral("INPUT"),
        QStringLiteral("Electrode list or sequence file; - reads a list from standard input."),
        QStringLiteral("INPUT"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const QStringList inputs = commandLine.parser().positionalArguments();
    const bool groundSection = commandLine.parser().isSet(ground);
    const bool dataSection = commandLine.parser().isSet(data);
    if (dataSection && !inputs.isEmpty())
        return commandLine.usageError(QStringLiteral("--data names the input: give no INPUT"));
    const bool sensitivitySection = commandLine.parser().isSet(sensitivity);
    const bool resolutionSection = commandLine.parser().isSet(resolution);
    // The ground alone, drawn under a cable that may come from --electrodes.
    const bool groundAlone = groundSection && !sensitivitySection && !resolutionSection;
    if (inputs.size() != 1 && !(groundAlone && inputs.isEmpty()) && !dataSection)
        return commandLine.usageError(QStringLiteral("give exactly one input"));
    const QString outFile = commandLine.parser().value(output);
    if (outFile.isEmpty())
        return commandLine.usageError(QStringLiteral("-o OUT is required"));
    if (!Kgw::isSupportedPicture(outFile))
        return commandLine.usageError(Kgw::canWriteSvg()
                ? QStringLiteral("OUT must end in .svg or .png")
                : QStringLiteral("OUT must end in .png: this kgw was built without Qt SVG"));
    if (sensitivitySection && resolutionSection)
        return commandLine.usageError(
            QStringLiteral("--sensitivity and --resolution exclude each other"));
    if (commandLine.parser().isSet(coverage) && (sensitivitySection || resolutionSection))
        return commandLine.usageError(QStringLiteral("--coverage and --%1 exclude each other")
                                          .arg(sensitivitySection ? QStringLiteral("sensitivity")
                                                                  : QStringLiteral("resolution")));
    if (groundSection && commandLine.parser().isSet(coverage))
        return commandLine.usageError(
            QStringLiteral("--ground draws the ground, or with --sensitivity or --resolution a "
                           "section over it: give no --coverage with it"));
    if (dataSection
        && (groundSection || sensitivitySection || resolutionSection
            || commandLine.parser().isSet(coverage)))
        return commandLine.usageError(
            QStringLiteral("--data draws the data alone: give no --coverage, --sensitivity, "
                           "--resolution or --ground with it"));
    const QString modelOption = model.firstGiven(groundAlone ? &Kgw::Options::Electrodes : nullptr);
    if (!sensitivitySection && !resolutionSection && !modelOption.isEmpty())
        return commandLine.usageError(
            QStringLiteral("%1 applies only to --sensitivity and --resolution").arg(modelOption));
    std::optional<std::pair<double, double>> colourRange;
    std::optional<Kgw::TargetRegion> region;
    if (const std::optional<int> status
        = readSectionMarks(commandLine, sensitivitySection || resolutionSection, range,
            sensitivitySection ? Kgw::SectionPlot::Logarithmic : Kgw::SectionPlot::Unit,
            &colourRange, &region))
        return *status;
    if (dataSection)
        reader.setDefaultFormat(Kgw::ExchangeFormat::Unified);
    if (!reader.accept())
        return ExitUsage;
    const QString groundFile = groundSection ? commandLine.parser().value(ground) : QString();
    if (groundAlone)
        return plotGroundSection(console, commandLine, reader, model, inputs, groundFile, outFile);
    const QString input = dataSection ? commandLine.parser().value(data) : inputs.first();
    if (!outputAllowed(console, input, outFile)
        || (groundSection && !outputAllowed(console, groundFile, outFile)))
        return ExitRefused;

    // Without a true spacing every position and depth on the plot would be wrong.
    const std::optional<Input> sequence = reader.read(console, input, true);
    if (!sequence)
        return ExitRefused;

    Kgw::WriteResult written;
    if (sensitivitySection || resolutionSection) {
        int status = ExitSuccess;
        std::optional<Kgw::SectionPlot> plot = sectionPlot(
            console, *sequence, model, resolutionSection, region, groundFile, &status);
        if (!plot)
            return status;
        if (colourRange)
            plot->setRange(colourRange->first, colourRange->second);
        written = plot->write(outFile);
    } else if (dataSection) {
        const std::optional<QVector<double>> rhoa = sequence->isLine()
            ? Kgw::apparentResistivities(
                sequence->data, sequence->lineQuadruples, sequence->spacingMetres)
            : Kgw::apparentResistivities(
                sequence->data, sequence->quadruples, sequence->spacingMetres);
        if (!rhoa) {
            console.diagnostic(inputName(input), 0,
                QStringLiteral("The file has neither a rhoa nor an r column: it holds no "
                               "apparent resistivity to draw"));
            return ExitRefused;
        }
        written = coveragePlot(*sequence, rhoa).write(outFile);
    } else {
        written = coveragePlot(*sequence).write(outFile);
    }
    if (!written.ok()) {
        console.ioFailure(outFile, written.message, written.errorString);
        return ExitRefused;
    }
    const QString spacingText
        = commandLine.spacingUsed(sequence->spacingMetres, sequence->ownSpacing);
    console.out() << outFile << ": "
                  << Kgw::counted(sequence->isLine() ? sequence->lineQuadruples.size()
                                                     : sequence->quadruples.size(),
                         QStringLiteral("quadruple"))
                  << (sequence->isLine()
                             ? QStringLiteral(" along %1 electrodes").arg(sequence->lineElectrodes)
                             : QString())
                  << ", spacing " << spacingText
                  << (groundSection ? QStringLiteral(", over the ground of %1").arg(groundFile)
                                    : QString())
                  << '\n';
    return ExitSuccess;
}

} // namespace Cli
