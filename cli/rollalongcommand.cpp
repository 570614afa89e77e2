#include "arguments.h"
#include "channeloptions.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "modeloptions.h"
#include "progress.h"
#include "report.h"
#include "textutil.h"

#include "exchange.h"
#include "rollalong.h"
#include "rollalongrun.h"

#include <QtMath>

namespace Cli {

namespace {

namespace Options = Kgw::Options;

QString description()
{
    return QStringLiteral(
        "Plans a line longer than the cable, measured in spreads: spread k covers line "
        "positions 1 + (k - 1) S to (k - 1) S + E, the last one ends at the line's end (the move "
        "onto it may be shorter). Every configuration is measured once, on the first spread that "
        "holds all four of its electrodes; A and B or M and N swapped, and with --reciprocals a "
        "reciprocal, count as the same configuration. One that no spread holds (longer than the "
        "cable, or across two spreads) is lost, and counted.\n"
        "The configurations are the arrays given, with kgw generate's names and options, laid "
        "along the whole line (--exclude in line positions); or, with --design N, a design of N "
        "per spread, made spread after spread: what earlier spreads measured on a spread's cable "
        "counts among its N, stands first in the base of its design, which builds on it, and is "
        "not measured again; the spread measures what its design adds. --base-share, --base, "
        "--target (in metres along each spread, its electrode 1 at 0), --max-cancellation and "
        "the model options apply to --design only, --a-max and --n-max to arrays only; a split "
        "file's rows are planned as given, without them or --k-max and --exclude.\n"
        "--split FILE takes the rows of a unified data file (or with --from csv a CSV) of the "
        "whole line instead, in line positions, each on the first spread that holds it; rows no "
        "spread holds and repeated rows are named.\n"
        "Writes PREFIX-1.txt, PREFIX-2.txt, ... (with --kgw PREFIX-1.KGW, ...), each spread's "
        "list in cable positions 1 to E as kgw generate and kgw convert write them, and "
        "PREFIX.dat, the whole line's rows in line positions (x = (i - 1) × spacing) as a "
        "unified data file that records the spreads. A spread that measures nothing gets no "
        "file. The files replace earlier ones only once all are written; spread files of the "
        "prefix that the plan would not write (left from a plan of more spreads, or of the other "
        "kind) are refused, so that none looks current beside the plan: remove them or give "
        "another PREFIX.\n"
        "Prints the plan: per spread its first line position and x, its configurations, its "
        "injections with --channels C and its field time with --seconds-per-injection, as kgw "
        "order counts them; then the totals, the configurations lost, and the saving against "
        "every spread measuring all it holds (with --design, its whole design). With more than one "
        "channel each spread's list is "
        "ordered for the field as kgw order orders it.\n"
        "Exit status: 0 when the plan was written, 1 when it is refused or writing failed, 2 "
        "for a usage error.");
}

// The options that arrays or a design read and another way of planning does not, where they
// would be passed over without a word. A split file's rows are planned as given: none of them
// applies to it.
struct PlannedBy {
    const Kgw::Option *option;
    bool arrays;
    bool design;
};
const PlannedBy plannedBy[] { { &Options::AMax, true, false }, { &Options::NMax, true, false },
    { &Options::FactorLimit, true, true }, { &Options::LineExclude, true, true },
    { &Options::BaseShare, false, true }, { &Options::Base, false, true },
    { &Options::Target, false, true }, { &Options::MaxCancellation, false, true },
    { &Options::CellsPerSpacing, false, true }, { &Options::FirstLayer, false, true },
    { &Options::LayerGrowth, false, true }, { &Options::GridDepth, false, true },
    { &Options::Error, false, true }, { &Options::Floor, false, true },
    { &Options::Resistivity, false, true }, { &Options::Current, false, true },
    { &Options::MinVoltage, false, true }, { &Options::CancellationError, false, true },
    { &Options::Damping, false, true } };

// Names the rows of a split file that are not measured as given.
void reportSplitRows(Console &console, const Input &input, const Kgw::RollAlongPlan &plan)
{
    const QString name = inputName(input.argument);
    for (const int i : plan.repeatIndices)
        console.diagnostic(name, input.lineNumber(i),
            QStringLiteral("Repeats an earlier row (A and B or M and N swapped count too); "
                           "measured once"));
    for (const int i : plan.lostIndices) {
        const Kgw::ElectrodeSpan span = Kgw::electrodeSpan(input.lineQuadruples.at(i));
        console.diagnostic(name, input.lineNumber(i),
            QStringLiteral("No spread holds electrodes %1 to %2; not measured")
                .arg(span.lowest)
                .arg(span.highest));
    }
}

} // namespace

int runRollAlong(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("rollalong"), description());
    QCommandLineParser &parser = commandLine.parser();
    commandLine.add(Options::LineElectrodes, nullptr, QString(),
        QStringLiteral("none, it must be given; with --split, the file's electrode count, or a "
                       "CSV's highest electrode"));
    commandLine.add(Options::Move);
    commandLine.add(Options::DesignPerSpread);
    commandLine.add(Options::AMax);
    commandLine.add(Options::NMax);
    commandLine.add(Options::Channels);
    commandLine.add(Options::SecondsPerInjection);
    commandLine.add(Options::Reciprocals, nullptr, QStringLiteral("spread's list"));
    ChannelOptions channelOptions(commandLine,
        QStringLiteral("Chained, arrays are listed and a design chosen along chains."), true);
    commandLine.add(Options::BaseShare);
    commandLine.add(Options::Base);
    commandLine.add(Options::Target);
    commandLine.add(Options::MaxCancellation);
    commandLine.add(Options::LineExclude);
    const QCommandLineOption split(QStringLiteral("split"),
        QStringLiteral("Plan the rows of FILE, a unified data file (or CSV) of the whole line, "
                       "in place of arrays or a design."),
        QStringLiteral("FILE"));
    parser.addOption(split);
    const QCommandLineOption prefix({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("Write PREFIX-1.txt, PREFIX-2.txt, ... and PREFIX.dat (needed)."),
        QStringLiteral("PREFIX"));
    parser.addOption(prefix);
    const QCommandLineOption sequenceFiles(QStringLiteral("kgw"),
        QStringLiteral("Write each spread as a sequence file PREFIX-k.KGW instead of a list."));
    parser.addOption(sequenceFiles);
    commandLine.addSpacingOption(QStringLiteral("Spacing of the line's electrodes in metres, "
                                                "needed unless --split's file records one"),
        false);
    ModelOptions model(commandLine, int(Options::Electrodes.defaultValue));
    InputReader reader(commandLine, InputReader::ListsOnly, Kgw::ExchangeExtent::WholeLine);
    reader.setDefaultFormat(Kgw::ExchangeFormat::Unified);
    parser.addPositionalArgument(QStringLiteral("ARRAY"),
        QStringLiteral("Array name or alias: %1.").arg(Kgw::allowedArrayNames()),
        QStringLiteral("[ARRAY...]"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const bool splitting = parser.isSet(split);
    const bool designing = commandLine.isSet(Options::DesignPerSpread);
    const QStringList names = parser.positionalArguments();
    if (splitting && (designing || !names.isEmpty()))
        return commandLine.usageError(
            QStringLiteral("--split plans the rows of its file: give no ARRAY and no --design"));
    if (!splitting && designing == !names.isEmpty())
        return commandLine.usageError(designing
                ? QStringLiteral("ARRAY and --design exclude each other: give one")
                : QStringLiteral("give the arrays to lay along the line (%1), --design N or "
                                 "--split FILE")
                      .arg(Kgw::allowedArrayNames()));
    if (!splitting && parser.isSet(QStringLiteral("from")))
        return commandLine.usageError(QStringLiteral("--from applies to --split's file"));
    for (const PlannedBy &entry : plannedBy) {
        const bool read = designing ? entry.design : !splitting && entry.arrays;
        if (read || !commandLine.isSet(*entry.option))
            continue;
        const QString readers = !entry.design ? QStringLiteral("arrays only")
            : entry.arrays                    ? QStringLiteral("arrays and --design")
                                              : QStringLiteral("--design only");
        return commandLine.usageError(
            QStringLiteral("--%1 applies to %2").arg(QLatin1String(entry.option->name), readers));
    }
    if (!parser.isSet(prefix))
        return commandLine.usageError(
            QStringLiteral("give -o PREFIX: the plan writes PREFIX-1.txt, PREFIX-2.txt, ... "
                           "and PREFIX.dat"));
    const QString output = parser.value(prefix);
    if (output.isEmpty() || isStandardStream(output))
        return commandLine.usageError(
            QStringLiteral("a plan writes a file per spread: give -o PREFIX, a name to number"));
    if (!commandLine.isSet(Options::Move))
        return commandLine.usageError(QStringLiteral("give the cable's move: --move S"));
    if (!splitting && !commandLine.isSet(Options::LineElectrodes))
        return commandLine.usageError(
            QStringLiteral("give the line's length: --line-electrodes L"));

    Kgw::RollAlongRequest request;
    Kgw::LinePlanRequest &line = request.line;
    std::optional<double> lineLength;
    std::optional<double> secondsPerInjection;
    const std::optional<int> move = commandLine.whole(Options::Move);
    const std::optional<int> electrodes
        = move ? commandLine.whole(Options::Electrodes) : std::nullopt;
    const std::optional<int> aMax = electrodes ? commandLine.whole(Options::AMax) : std::nullopt;
    const std::optional<int> nMax = aMax ? commandLine.whole(Options::NMax) : std::nullopt;
    const std::optional<int> channels = nMax ? commandLine.whole(Options::Channels) : std::nullopt;
    const std::optional<int> reciprocalShare
        = channels ? commandLine.whole(Options::Reciprocals) : std::nullopt;
    if (!reciprocalShare
        || (commandLine.isSet(Options::LineElectrodes)
            && !commandLine.read(Options::LineElectrodes, &lineLength))
        || !commandLine.read(Options::SecondsPerInjection, &secondsPerInjection))
        return ExitUsage;
    const std::optional<Kgw::ChannelRules> rules = channelOptions.read();
    const std::optional<double> factorLimit = rules ? readFactorLimit(commandLine) : std::nullopt;
    const std::optional<Kgw::ElectrodeSet> excluded
        = factorLimit ? readExcluded(commandLine, Options::LineExclude) : std::nullopt;
    if (!excluded || !reader.accept())
        return ExitUsage;
    line.linePositions = int(lineLength.value_or(0));
    line.electrodes = *electrodes;
    line.move = *move;
    line.options.aMax = *aMax;
    line.options.nMax = *nMax;
    line.options.chained = rules->layout == Kgw::ChannelLayout::Chained;
    line.channels = *channels;
    line.rules = *rules;
    line.orderForField = Kgw::ordersByDefault(*channels);
    line.reciprocalShare = *reciprocalShare;
    line.secondsPerInjection = secondsPerInjection.value_or(0);
    line.factorLimitMetres = *factorLimit;
    line.excluded = *excluded;
    const std::optional<QVector<Kgw::ArrayKind>> kinds
        = readArrayNames(commandLine, names, rules->layout);
    if (!kinds)
        return ExitUsage;
    line.kinds = *kinds;

    std::optional<Input> input;
    if (splitting) {
        const QString file = parser.value(split);
        input = reader.read(console, file);
        if (!input)
            return ExitRefused;
        // A unified file counts its electrodes; a CSV does not.
        const int fileLength = input->heights.size();
        if (fileLength > 0 && lineLength && line.linePositions != fileLength)
            return commandLine.usageError(
                QStringLiteral("--line-electrodes %1 differs from the %2 electrodes of %3")
                    .arg(line.linePositions)
                    .arg(fileLength)
                    .arg(inputName(file)));
        if (fileLength > 0) {
            line.linePositions = fileLength;
        } else if (!lineLength) {
            for (const Kgw::LineQuadruple &q : input->lineQuadruples)
                line.linePositions = std::max(line.linePositions, Kgw::electrodeSpan(q).highest);
        }
        request.source = Kgw::RollAlongRequest::Rows;
        request.rows = input->lineQuadruples;
    } else {
        request.source = designing ? Kgw::RollAlongRequest::Design : Kgw::RollAlongRequest::Arrays;
    }
    if (!commandLine.spacingKnown(input && input->ownSpacing,
            QStringLiteral("the plan's line file PREFIX.dat"),
            input ? inputName(input->argument) : QString()))
        return ExitUsage;
    line.spacingMetres = input && input->ownSpacing ? input->spacingMetres : *commandLine.spacing();
    QString impossible;
    if (!Kgw::planSpreads(line, &impossible))
        return commandLine.usageError(impossible);

    if (designing) {
        std::optional<double> count;
        if (!commandLine.read(Options::DesignPerSpread, &count)
            || !readDesignChoices(commandLine, &request.design))
            return ExitUsage;
        request.design.options.measurements = int(*count);
        int status = ExitSuccess;
        if (!model.readWithoutModel(console, {}, &status))
            return status;
        request.grid = model.gridOptions();
        request.model = model.resolutionOptions();
    }

    Kgw::RollAlongPlan plan;
    {
        Progress progress(console, QStringLiteral("rollalong"));
        plan = Kgw::makeRollAlong(request, progress.function());
    }
    const QString name = QStringLiteral("kgw rollalong");
    if (!plan.ok()) {
        if (input)
            reportSplitRows(console, *input, plan);
        return refuse(console, name, plan.error);
    }

    const bool asSequences = parser.isSet(sequenceFiles);
    const QStringList stale = Kgw::staleSpreadFiles(output, plan, asSequences);
    for (const QString &file : stale)
        console.diagnostic(file, 0,
            QStringLiteral("Left from an earlier plan, and this one would not replace it: remove "
                           "it or give another -o PREFIX; nothing written"));
    if (!stale.isEmpty())
        return ExitRefused;
    const QVector<Kgw::NamedContent> files = Kgw::planFiles(
        plan, output, asSequences, line.spacingMetres, input ? input->heights : QVector<double>());
    for (const Kgw::NamedContent &file : files) {
        if (!outputAllowed(console, input ? input->argument : QString(), file.fileName))
            return ExitRefused;
    }
    if (input)
        reportSplitRows(console, *input, plan);
    int failed = 0;
    Kgw::WriteResult written = Kgw::saveFiles(files, &failed);
    if (!written.ok()) {
        const bool lineFile = failed == files.size() - 1;
        const QString kind = lineFile ? QStringLiteral("unified data file")
            : asSequences             ? QStringLiteral("KGW file")
                                      : QStringLiteral("electrode list");
        written.describe(
            QStringLiteral("Failed to create ") + kind, QStringLiteral("Failed to write ") + kind);
        console.ioFailure(files.at(failed).fileName, written.message, written.errorString);
        return ExitRefused;
    }

    console.out() << Kgw::planText(plan, line, secondsPerInjection.has_value(), designing);
    QString left;
    if (plan.overFactorLimit > 0)
        left += QStringLiteral(", %1 with |K| above --k-max").arg(plan.overFactorLimit);
    if (plan.usingExcluded > 0)
        left += QStringLiteral(", %1 using an excluded electrode").arg(plan.usingExcluded);
    if (plan.overMaxDipole > 0)
        left += QStringLiteral(", %1 with a potential dipole longer than --max-dipole")
                    .arg(plan.overMaxDipole);
    if (!left.isEmpty())
        console.diagnostic(name, 0, QStringLiteral("left out") + left);
    console.diagnostic(output, 0,
        QStringLiteral("%1 and %2 written, %3, spacing %4")
            .arg(Kgw::counted(files.size() - 1, QStringLiteral("spread file")),
                Kgw::lineFileName(output),
                Kgw::counted(plan.readings(), QStringLiteral("configuration")),
                commandLine.spacingUsed(line.spacingMetres, input && input->ownSpacing)));
    return ExitSuccess;
}

} // namespace Cli
