#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "modeloptions.h"
#include "progress.h"
#include "report.h"
#include "textutil.h"

#include "design.h"
#include "geometry.h"
#include "resolution.h"

#include <QFileInfo>

namespace Cli {

namespace {

QString description()
{
    return QStringLiteral(
        "Tells what the ground under the line is resolved by each sequence: the model "
        "resolution R = (GᵀWG + lambda CᵀC)^-1 GᵀWG of a 2-D grid of cells under the cable, on "
        "a homogeneous ground. Prints, per INPUT, side by side:\n"
        "  configurations        quadruples in the input\n"
        "  no signal or repeat   quadruples without a sensitivity (G = 0 or an electrode twice)\n"
        "  over the |K| limit    quadruples left out by --k-max or --min-voltage\n"
        "  median cancellation   how many times the parts of a reading exceed it (1: they "
        "add; see kgw design --max-cancellation); readings that are small differences of "
        "large parts move far in a heterogeneous ground, and an inversion fits them slowly\n"
        "  mean R_jj             the mean over the cells, 0 (nothing) to 1 (fully resolved)\n"
        "  mean relative         the mean over the cells of R_jj / R_jj of the comprehensive "
        "set, every configuration the cable can measure\n"
        "  relative in target    the same over the cells of --target, if given\n"
        "Both R figures are linear: they tell what the data could resolve of a uniform ground, "
        "or with --ground of that ground, not how well an inversion recovers a real one. Over a "
        "ground, lambda and the comprehensive set compared with stay those of the uniform "
        "ground, so that sequences, and a ground and none, are judged on one footing.\n"
        "W weighs each configuration by 1 / sigma², sigma = error + cancellation error × (C - 1) + "
        "floor / V (V = rho I / |K|, the voltage expected at --resistivity and --current), C its "
        "signal cancellation. "
        "The grid: cells spacing / N wide, from one spacing before electrode 1 to one past "
        "electrode E; layers from half a spacing thick, growing by --layer-growth, down to "
        "(E - 1) spacings / 5.\n"
        "INPUT is an electrode list, or a sequence file (*.KGW) with its own spacing.\n"
        "Exit status: 0 when every input was judged, 1 when an input is refused, 2 for a usage "
        "error.");
}

} // namespace

int runResolution(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("resolution"), description());
    commandLine.addSpacingOption(
        QStringLiteral("Cable spacing in metres, unless sequence files give theirs"));
    ModelOptions model(commandLine);
    commandLine.add(Kgw::Options::Target,
        "Also give the mean relative resolution of the cells whose centre lies between X0 and X1 "
        "along the cable (electrode 1 at 0) and Z0 and Z1 deep, in metres.");
    commandLine.add(Kgw::Options::Exclude, nullptr,
        QStringLiteral(
            "an input that uses one is refused, and the comprehensive set leaves them out."));
    const QCommandLineOption groundOption(QStringLiteral("ground"),
        QStringLiteral("Judge the sequences over the ground of the ground file FILE rather than a "
                       "uniform one: their sensitivities from its forward model."),
        QStringLiteral("FILE"));
    commandLine.parser().addOption(groundOption);
    InputReader reader(commandLine, InputReader::TakesSequences);
    commandLine.parser().addPositionalArgument(QStringLiteral("INPUT"),
        QStringLiteral("Electrode list or sequence file; - reads a list from standard input. "
                       "Several are compared side by side."),
        QStringLiteral("INPUT..."));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const QStringList names = commandLine.parser().positionalArguments();
    if (names.isEmpty())
        return commandLine.usageError(QStringLiteral("give one or more inputs"));
    if (names.count(QStringLiteral("-")) > 1)
        return commandLine.usageError(QStringLiteral("standard input can be read only once"));
    std::optional<Kgw::TargetRegion> region;
    if (!readTarget(commandLine, &region))
        return ExitUsage;
    if (!reader.accept())
        return ExitUsage;
    const std::optional<Kgw::ElectrodeSet> excluded = readExcluded(commandLine);
    if (!excluded)
        return ExitUsage;
    model.exclude(*excluded);
    QVector<Input> inputs;
    for (const QString &name : names) {
        // Without a true spacing every figure would be of another cable.
        const std::optional<Input> input = reader.read(console, name, true);
        if (!input || refuseExcluded(console, *input, *excluded))
            return ExitRefused;
        inputs.append(*input);
    }
    Progress progress(console, QStringLiteral("resolution"));
    // The comprehensive set is most of the work; the inputs share the rest.
    const double tableShare = 0.1;
    const double comprehensiveShare = 0.6;
    int status = ExitSuccess;
    const std::unique_ptr<Kgw::SurveyModel> survey = model.read(
        console, inputs, Kgw::SurveyModel::Resolution, progress.function(0, tableShare), &status);
    if (!survey)
        return status;
    // A ground file refused before the comprehensive set's long work.
    const QString groundFile = commandLine.parser().value(groundOption);
    std::unique_ptr<Kgw::GroundModel> ground;
    if (!groundFile.isEmpty()) {
        ground = readGroundModel(console, groundFile, *survey);
        if (!ground)
            return ExitRefused;
    }
    const Kgw::ModelGrid &grid = survey->grid();
    const Kgw::ResolutionModel resolution(
        *survey, progress.function(tableShare, comprehensiveShare));
    if (!resolution.isValid())
        return refuse(console, QStringLiteral("kgw resolution"), resolution.error());
    const int targetCells = region ? Kgw::comparedCellsIn(resolution, *region) : 0;
    if (region && targetCells == 0)
        return refuse(
            console, QStringLiteral("kgw resolution"), Kgw::targetError(resolution, *region));
    QVector<Kgw::SequenceResolution> results;
    for (int i = 0; i < inputs.size(); ++i) {
        const double from = comprehensiveShare + (1 - comprehensiveShare) * i / inputs.size();
        const double to = comprehensiveShare + (1 - comprehensiveShare) * (i + 1) / inputs.size();
        const QVector<Kgw::Quadruple> &sequence = inputs.at(i).quadruples;
        results.append(ground ? resolution.evaluate(
                           ground->rows(sequence, progress.function(from, (from + to) / 2)),
                           progress.function((from + to) / 2, to))
                              : resolution.evaluate(sequence, progress.function(from, to)));
        if (!results.constLast().ok())
            return refuse(console, inputName(inputs.at(i).argument), results.constLast().error);
    }

    const QString spacingText = commandLine.spacingUsed(grid.spacing(), model.spacingFromInputs());
    QTextStream &out = console.out();
    const Kgw::SequenceResolution &best = resolution.comprehensive();
    out << "cable: " << grid.electrodes() << " electrodes, spacing " << spacingText << '\n'
        << "grid: " << grid.columns() << " x " << grid.layers() << " cells, x "
        << metres(grid.xEdges().constFirst()) << " to " << metres(grid.xEdges().constLast())
        << " m, depth to " << metres(grid.zEdges().constLast()) << " m\n"
        << "comprehensive set: "
        << Kgw::counted(best.configurations, QStringLiteral("configuration")) << ", "
        << (best.withoutRow > 0
                   ? QStringLiteral("%1 without a reading (no signal, or an excluded electrode), ")
                         .arg(best.withoutRow)
                   : QString())
        << best.overLimit << " over the |K| limit, mean R_jj " << figure(best.meanResolution)
        << '\n'
        << "lambda: " << resolution.lambdaText() << '\n';
    if (ground)
        out << "ground: " << inputName(groundFile) << ", sensitivities from its forward model on "
            << Kgw::counted(ground->meshCells(), QStringLiteral("cell"))
            << "; lambda and the comprehensive set of a uniform ground\n";
    if (region) {
        out << "target: x " << metres(region->x0) << " to " << metres(region->x1) << " m, depth "
            << metres(region->z0) << " to " << metres(region->z1) << " m, "
            << Kgw::counted(targetCells, QStringLiteral("cell")) << " compared\n";
    }

    QStringList header;
    int width = 10;
    for (const Input &input : inputs) {
        header << QFileInfo(inputName(input.argument)).fileName();
        width = std::max(width, int(header.constLast().size()));
    }
    const int labelWidth = 20;
    const auto line = [&](const QString &label, const QStringList &cells) {
        out << label.leftJustified(labelWidth);
        for (const QString &cell : cells)
            out << ' ' << cell.rightJustified(width);
        out << '\n';
    };
    const auto column = [&](const auto &value) {
        QStringList cells;
        for (const Kgw::SequenceResolution &result : results)
            cells << value(result);
        return cells;
    };
    out << '\n';
    line(QString(), header);
    line(QStringLiteral("configurations"),
        column([](const auto &r) { return QString::number(r.configurations); }));
    line(QStringLiteral("no signal or repeat"),
        column([](const auto &r) { return QString::number(r.withoutRow); }));
    line(QStringLiteral("over the |K| limit"),
        column([](const auto &r) { return QString::number(r.overLimit); }));
    // Readings that are a small difference of large parts: the linear figures count them in
    // full, but a heterogeneous ground moves them far, and an inversion fits them slowly.
    QStringList cancellation;
    for (const Input &input : inputs)
        cancellation << figure(Kgw::medianCancellation(input.quadruples));
    line(QStringLiteral("median cancellation"), cancellation);
    line(QStringLiteral("mean R_jj"),
        column([](const auto &r) { return figure(r.meanResolution); }));
    line(QStringLiteral("mean relative"),
        column([](const auto &r) { return figure(r.meanRelative); }));
    if (region) {
        line(QStringLiteral("relative in target"), column([&](const auto &r) {
            return figure(Kgw::meanRelativeIn(resolution, r, *region));
        }));
    }
    return ExitSuccess;
}

} // namespace Cli
