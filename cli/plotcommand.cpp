#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "modeloptions.h"
#include "progress.h"
#include "report.h"

#include "coverageplot.h"
#include "picture.h"
#include "resolution.h"
#include "sectionplot.h"
#include "textutil.h"

#include <QFileInfo>

namespace Cli {

namespace {

// The model's picture of one sequence: its cumulative sensitivity or its resolution; nothing,
// with *status the exit status, when the model refuses.
std::optional<Kgw::SectionPlot> sectionPlot(
    Console &console, const Input &input, ModelOptions &options, bool resolution, int *status)
{
    Progress progress(console, QStringLiteral("plot"));
    const std::unique_ptr<Kgw::SurveyModel> survey = options.read(console, { input },
        resolution ? Kgw::SurveyModel::Resolution : Kgw::SurveyModel::Sensitivity,
        progress.function(0, resolution ? 0.1 : 1), status);
    if (!survey)
        return std::nullopt;
    const Kgw::ModelGrid &grid = survey->grid();
    Kgw::Section section;
    section.xEdges = grid.xEdges();
    section.zEdges = grid.zEdges();
    section.electrodes = grid.electrodes();
    section.spacing = grid.spacing();

    const QString name = QFileInfo(inputName(input.argument)).fileName();
    const QString gridText = QStringLiteral("%1 × %2 cells").arg(grid.columns()).arg(grid.layers());
    if (!resolution) {
        // Per square spacing of cell, so that the picture doesn't depend on the cells' sizes.
        section.values = Kgw::cumulativeSensitivity(*survey, input.quadruples);
        const double unit = grid.spacing() * grid.spacing();
        int used = 0;
        for (const Kgw::Quadruple &q : input.quadruples)
            used += survey->row(q, nullptr) == Kgw::SurveyModel::HasRow ? 1 : 0;
        for (int c = 0; c < section.values.size(); ++c)
            section.values[c] /= grid.cellArea(c) / unit;
        return Kgw::SectionPlot(section, Kgw::SectionPlot::Logarithmic,
            QStringLiteral("%1 \u2014 cumulative sensitivity, spacing %2 m")
                .arg(name, metres(grid.spacing())),
            QStringLiteral("\u03a3 |J| per spacing\u00b2 of cell"),
            QStringLiteral("%1 of %2 configurations used; %3")
                .arg(used)
                .arg(input.quadruples.size())
                .arg(gridText));
    }

    const Kgw::ResolutionModel model(*survey, progress.function(0.1, 0.8));
    if (!model.isValid()) {
        *status = refuse(console, QStringLiteral("kgw plot"), model.error());
        return std::nullopt;
    }
    const Kgw::SequenceResolution result
        = model.evaluate(input.quadruples, progress.function(0.8, 1));
    if (!result.ok() || result.used() == 0) {
        *status = refuse(console, inputName(input.argument),
            result.ok() ? QStringLiteral("none of its configurations has a sensitivity within "
                                         "the |K| limit, so there is no section to draw")
                        : result.error);
        return std::nullopt;
    }
    // Relative to the best the cable can do, as the mean relative resolution counts it: a
    // single sequence's own R_jj stays far below 1 at any damping that tells designs apart.
    section.values = result.relative;
    section.masked.resize(section.values.size());
    for (int c = 0; c < section.masked.size(); ++c)
        section.masked[c] = !model.isCompared(c);
    return Kgw::SectionPlot(section, Kgw::SectionPlot::Unit,
        QStringLiteral("%1 \u2014 model resolution, spacing %2 m")
            .arg(name, metres(grid.spacing())),
        QStringLiteral("R_jj / R_jj of the comprehensive set"),
        QStringLiteral("%1 of %2 configurations used; mean R_jj %3, %4 of the comprehensive "
                       "set's; \u03bb = %5; %6; grey: its R_jj below %7")
            .arg(result.used())
            .arg(result.configurations)
            .arg(result.meanResolution, 0, 'f', 3)
            .arg(result.meanRelative, 0, 'f', 3)
            .arg(model.lambda(), 0, 'g', 4)
            .arg(gridText)
            .arg(Kgw::ResolutionModel::MinComparedResolution));
}

} // namespace

int runPlot(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("plot"),
        QStringLiteral(
            "Draws a pseudosection coverage plot: one marker per quadruple at its pseudo-position "
            "and median depth of investigation, coloured by kind of configuration.\n"
            "With --sensitivity or --resolution it draws a section of the ground under the cable "
            "instead, as kgw resolution models it: the cumulative sensitivity of the sequence "
            "(on a logarithmic scale) or its model resolution per cell, as R_jj over the best R_jj "
            "the cable can reach (0 to 1). The model "
            "options apply only to these.\n"
            "INPUT is an electrode list, a sequence file (*.KGW) with its own spacing, or with "
            "--from a file in that format.\n"
            "Exit status: 0 when the plot is written, 1 when the input is refused or the plot "
            "can't be written, 2 for a usage error."));
    commandLine.addSpacingOption();
    const QCommandLineOption output(QStringLiteral("o"),
        QStringLiteral("The picture to write: a name ending in .svg or .png."),
        QStringLiteral("OUT"));
    const QCommandLineOption sensitivity(QStringLiteral("sensitivity"),
        QStringLiteral("Draw the cumulative sensitivity section: sum of |J| over the sequence."));
    const QCommandLineOption resolution(QStringLiteral("resolution"),
        QStringLiteral(
            "Draw the model resolution section: R_jj over that of the comprehensive set."));
    commandLine.parser().addOption(output);
    commandLine.parser().addOption(sensitivity);
    commandLine.parser().addOption(resolution);
    ModelOptions model(commandLine);
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
    if (!Kgw::isSupportedPicture(outFile))
        return commandLine.usageError(Kgw::canWriteSvg()
                ? QStringLiteral("OUT must end in .svg or .png")
                : QStringLiteral("OUT must end in .png: this kgw was built without Qt SVG"));
    const bool sensitivitySection = commandLine.parser().isSet(sensitivity);
    const bool resolutionSection = commandLine.parser().isSet(resolution);
    if (sensitivitySection && resolutionSection)
        return commandLine.usageError(
            QStringLiteral("--sensitivity and --resolution exclude each other"));
    const QString modelOption = model.firstGiven();
    if (!sensitivitySection && !resolutionSection && !modelOption.isEmpty())
        return commandLine.usageError(
            QStringLiteral("%1 applies only to --sensitivity and --resolution").arg(modelOption));
    if (!reader.accept(inputs))
        return ExitUsage;
    const QString input = inputs.first();
    if (!outputAllowed(console, input, outFile))
        return ExitRefused;

    // Without a true spacing every position and depth on the plot would be wrong.
    const std::optional<Input> sequence = reader.read(console, input, true);
    if (!sequence)
        return ExitRefused;

    Kgw::WriteResult written;
    if (sensitivitySection || resolutionSection) {
        int status = ExitSuccess;
        const std::optional<Kgw::SectionPlot> plot
            = sectionPlot(console, *sequence, model, resolutionSection, &status);
        if (!plot)
            return status;
        written = plot->write(outFile);
    } else {
        const double spacing = sequence->spacingMetres;
        const Kgw::CoveragePlot plot(Kgw::coveragePoints(sequence->quadruples, spacing),
            QFileInfo(inputName(input)).fileName(), spacing);
        written = plot.write(outFile);
    }
    if (!written.ok()) {
        console.ioFailure(outFile, written.message, written.errorString);
        return ExitRefused;
    }
    console.out() << outFile << ": "
                  << Kgw::counted(sequence->quadruples.size(), QStringLiteral("quadruple"))
                  << ", spacing "
                  << commandLine.spacingUsed(sequence->spacingMetres, sequence->ownSpacing) << '\n';
    return ExitSuccess;
}

} // namespace Cli
