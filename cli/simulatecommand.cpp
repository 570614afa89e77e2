#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "progress.h"
#include "report.h"

#include "exchange.h"
#include "options.h"
#include "simulation.h"
#include "textutil.h"

#include <algorithm>
#include <cmath>

namespace Cli {

int runSimulate(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("simulate"),
        QStringLiteral(
            "Writes what the instrument would read with the configurations of INPUT over the "
            "ground of a ground file, as unified data: per configuration a b m n, k the "
            "geometric factor (m), r the transfer resistance (ohm), rhoa = k r (ohm m) and err "
            "the relative error, counted as kgw check counts it (--error plus --floor over the "
            "voltage), and with --current the voltage u and the current i. The ground varies "
            "along the line and with depth, not across it, and its surface is flat; the "
            "electrodes stand at x = (k - 1) * spacing. It prints the range of the voltages "
            "and how many fall below --min-voltage. The file reads back with --from unified.\n"
            "Exit status: 0 when the file was written, 1 when an input is refused or writing "
            "failed, 2 for a usage error."));
    const QCommandLineOption groundOption(QStringLiteral("ground"),
        QStringLiteral("The ground, from the ground file FILE (required)."),
        QStringLiteral("FILE"));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("Write the data to DATA (required)."), QStringLiteral("DATA"));
    commandLine.parser().addOption(groundOption);
    commandLine.parser().addOption(output);
    commandLine.addSpacingOption(
        QStringLiteral("Cable spacing in metres, when INPUT records none"), false);
    commandLine.add(Kgw::Options::Current, nullptr, QString(),
        QStringLiteral("100; u and i are written only when it is given"));
    commandLine.add(Kgw::Options::Error);
    commandLine.add(Kgw::Options::Floor);
    commandLine.add(Kgw::Options::MinVoltage, nullptr, QStringLiteral("Count"));
    commandLine.add(Kgw::Options::Noise);
    commandLine.add(Kgw::Options::NoiseFloor);
    commandLine.add(Kgw::Options::Seed);
    InputReader reader(commandLine, InputReader::TakesSequences, Kgw::ExchangeExtent::WholeLine);
    commandLine.parser().addPositionalArgument(QStringLiteral("INPUT"),
        QStringLiteral("Electrode list, sequence file (*.KGW) or, with --from, a unified data or "
                       "CSV file, also of a whole line."),
        QStringLiteral("INPUT"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    QCommandLineParser &parser = commandLine.parser();
    const QStringList inputs = parser.positionalArguments();
    if (inputs.size() != 1)
        return commandLine.usageError(QStringLiteral("give exactly one input"));
    if (!parser.isSet(groundOption))
        return commandLine.usageError(QStringLiteral("--ground FILE is required"));
    if (!parser.isSet(output))
        return commandLine.usageError(QStringLiteral("-o DATA is required"));
    Kgw::SimulationOptions options;
    const std::optional<double> current = commandLine.number(Kgw::Options::Current);
    const std::optional<double> noise = commandLine.number(Kgw::Options::Noise);
    const std::optional<double> noiseFloor = commandLine.number(Kgw::Options::NoiseFloor);
    const std::optional<double> error = commandLine.number(Kgw::Options::Error);
    const std::optional<double> floor = commandLine.number(Kgw::Options::Floor);
    const std::optional<int> seed = commandLine.whole(Kgw::Options::Seed);
    std::optional<double> minVoltage;
    if (!current || !noise || !noiseFloor || !error || !floor || !seed
        || !commandLine.read(Kgw::Options::MinVoltage, &minVoltage) || !reader.accept())
        return ExitUsage;
    namespace O = Kgw::Options;
    options.currentAmperes = O::Current.modelValue(*current);
    options.noiseShare = O::Noise.modelValue(*noise);
    options.noiseFloorVolts = O::NoiseFloor.modelValue(*noiseFloor);
    options.seed = quint32(*seed);
    // The error a synthetic survey is given says how much noise it holds, unless told otherwise.
    options.noise.relativeError = commandLine.isSet(O::Error) || *noise == 0
        ? O::Error.modelValue(*error)
        : options.noiseShare;
    options.floorVolts = commandLine.isSet(O::Floor) || *noiseFloor == 0
        ? O::Floor.modelValue(*floor)
        : options.noiseFloorVolts;
    if (options.noise.relativeError == 0 && options.floorVolts == 0)
        return commandLine.usageError(
            QStringLiteral("every reading would have no error: give --error or --floor above 0"));

    const QString input = inputs.first();
    const QString groundFile = parser.value(groundOption);
    const QString target = parser.value(output);
    if (!outputAllowed(console, input, target) || !outputAllowed(console, groundFile, target))
        return ExitRefused;
    const std::optional<Input> read = reader.read(console, input, true);
    if (!read)
        return ExitRefused;
    if (const std::optional<int> status = refuseUnsimulable(commandLine, console, *read))
        return *status;
    const double spacing = read->spacingMetres;
    const QVector<Kgw::LineQuadruple> rows = read->lineRows();
    if (rows.isEmpty())
        return refuse(console, inputName(input), QStringLiteral("no configuration to simulate"));
    const int electrodes = read->isLine() ? read->lineElectrodes : Kgw::CablePositions;
    const QRectF section(0, 0, (electrodes - 1) * spacing, (electrodes - 1) * spacing / 3);
    const std::optional<Kgw::Ground> ground = readGroundArgument(
        console, groundFile, section, QStringLiteral("the section under the electrodes"));
    if (!ground)
        return ExitRefused;

    Kgw::Simulation simulation;
    {
        Progress progress(console, QStringLiteral("simulate"));
        simulation
            = Kgw::simulate(*ground, rows, electrodes, spacing, options, progress.function());
    }
    if (!simulation.error.isEmpty())
        return refuse(console, inputName(groundFile), simulation.error);

    Kgw::DataColumns data;
    data[Kgw::DataColumn::R] = simulation.r;
    data[Kgw::DataColumn::Rhoa] = simulation.rhoa;
    data[Kgw::DataColumn::Err] = simulation.err;
    if (commandLine.isSet(Kgw::Options::Current)) {
        for (const double u : simulation.u)
            data[Kgw::DataColumn::U].append(u * 1000);
        data[Kgw::DataColumn::I] = QVector<double>(rows.size(), *current);
    }
    const Kgw::FileContent content = read->isLine()
        ? Kgw::unifiedLineContent(rows, electrodes, spacing, {}, read->layout, data)
        : Kgw::unifiedDataContent(read->quadruples, spacing, {}, data);
    if (!writeTextArgument(console, target, content, QStringLiteral("unified data file")))
        return ExitRefused;

    int below = 0;
    for (const double u : simulation.u)
        below += minVoltage && std::abs(u) < O::MinVoltage.modelValue(*minVoltage) ? 1 : 0;
    QTextStream &out = console.out();
    out << target << ": " << Kgw::counted(rows.size(), QStringLiteral("configuration")) << " over "
        << inputName(groundFile) << ", spacing "
        << commandLine.spacingUsed(spacing, read->ownSpacing) << ", on "
        << Kgw::counted(simulation.cells, QStringLiteral("cell")) << '\n';
    out << Kgw::voltageRangeText(simulation.u, *current) << '\n';
    if (minVoltage)
        out << "below " << Kgw::millivoltLimit(O::MinVoltage.modelValue(*minVoltage))
            << " mV: " << below << '\n';
    if (*noise > 0 || *noiseFloor > 0)
        out << "noise: " << QString::number(*noise, 'g', 6) << " % and "
            << QString::number(*noiseFloor, 'g', 6) << " uV, seed " << *seed << '\n';
    return ExitSuccess;
}

} // namespace Cli
