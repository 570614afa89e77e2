#include "modeloptions.h"

#include "arguments.h"
#include "console.h"
#include "report.h"

#include "electrodelist.h"
#include "sequencereader.h"

#include <algorithm>

namespace Cli {

namespace {

// The noise floor is given as a voltage; the weight it puts on |K| needs the ground's
// resistivity and the current, by default 100 ohm m and 100 mA.
constexpr double DefaultResistivity = 100;
constexpr double DefaultMilliamperes = 100;
constexpr double AssumedRhoTimesCurrent = DefaultResistivity * (DefaultMilliamperes / 1000);
constexpr double DefaultFloorMicrovolts
    = Kgw::NoiseModel::DefaultFloorPerMetre * AssumedRhoTimesCurrent * 1e6;

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

FieldOptions::FieldOptions(const QString &minVoltageUse)
    : m_resistivity(QStringLiteral("resistivity"),
        QStringLiteral("Resistivity of the ground the crew expects, in ohm m, above 0 "
                       "(default %1): a configuration is expected to read rho I / |K|.")
            .arg(number(DefaultResistivity)),
        QStringLiteral("OHMM"), number(DefaultResistivity))
    , m_current(QStringLiteral("current"),
          QStringLiteral("Current the instrument injects, in mA, above 0 (default %1).")
              .arg(number(DefaultMilliamperes)),
          QStringLiteral("MA"), number(DefaultMilliamperes))
    , m_minVoltage(QStringLiteral("min-voltage"),
          QStringLiteral("%1 configurations whose expected voltage rho I / |K| is below MV "
                         "millivolts. Default: no minimum.")
              .arg(minVoltageUse),
          QStringLiteral("MV"))
{ }

void FieldOptions::addTo(QCommandLineParser &parser) const
{
    parser.addOption(m_resistivity);
    parser.addOption(m_current);
    parser.addOption(m_minVoltage);
}

std::optional<FieldValues> FieldOptions::read(CommandLine &commandLine) const
{
    FieldValues values;
    const QString positive = QStringLiteral("a positive number");
    const std::optional<double> resistivity
        = commandLine.number(m_resistivity, 0, qInf(), false, positive);
    const std::optional<double> milliamperes
        = resistivity ? commandLine.number(m_current, 0, qInf(), false, positive) : std::nullopt;
    if (!milliamperes)
        return std::nullopt;
    values.resistivityOhmMetres = *resistivity;
    values.currentAmperes = *milliamperes / 1000;
    if (commandLine.parser().isSet(m_minVoltage)) {
        const std::optional<double> millivolts = commandLine.number(
            m_minVoltage, 0, qInf(), true, QStringLiteral("a number of millivolts, 0 or more"));
        if (!millivolts)
            return std::nullopt;
        values.minVoltage = *millivolts / 1000;
    }
    return values;
}

ExcludeOption::ExcludeOption(const QString &use)
    : m_option(QStringLiteral("exclude"),
        QStringLiteral("Dead or missing electrodes, as 7,23-24: %1").arg(use),
        QStringLiteral("LIST"))
{ }

std::optional<Kgw::ElectrodeSet> ExcludeOption::read(CommandLine &commandLine) const
{
    if (!commandLine.parser().isSet(m_option))
        return Kgw::ElectrodeSet();
    QString error;
    const std::optional<Kgw::ElectrodeSet> electrodes
        = Kgw::parseElectrodeSet(commandLine.parser().value(m_option), &error);
    if (!electrodes)
        commandLine.usageError(QStringLiteral("invalid --exclude: %1").arg(error));
    return electrodes;
}

bool refuseExcluded(Console &console, const Input &input, const Kgw::ElectrodeSet &excluded)
{
    for (int i = 0; i < input.quadruples.size(); ++i) {
        const int electrode = excluded.firstUsedBy(input.quadruples.at(i));
        if (electrode == 0)
            continue;
        const bool lines = !input.sequenceFile;
        console.diagnostic(inputName(input.argument), lines ? input.lineNumber(i) : 0,
            QStringLiteral("%1electrode %2 is excluded (--exclude); leave it out of the list "
                           "first")
                .arg(lines ? QString() : QStringLiteral("quadruple %1: ").arg(i + 1))
                .arg(electrode));
        return true;
    }
    return false;
}

FactorLimitOption::FactorLimitOption(const QString &description)
    : m_option(QStringLiteral("k-max"), description, QStringLiteral("METRES"))
{ }

std::optional<double> FactorLimitOption::read(CommandLine &commandLine) const
{
    if (!commandLine.parser().isSet(m_option))
        return qInf();
    return commandLine.number(
        m_option, 0, qInf(), false, QStringLiteral("a positive number of metres"));
}

TargetOption::TargetOption(const QString &description)
    : m_option(QStringLiteral("target"), description, QStringLiteral("X0:X1,Z0:Z1"))
{ }

bool TargetOption::read(CommandLine &commandLine, std::optional<Kgw::TargetRegion> *region) const
{
    region->reset();
    if (!commandLine.parser().isSet(m_option))
        return true;
    const QString text = commandLine.parser().value(m_option);
    *region = Kgw::parseTargetRegion(text);
    if (*region)
        return true;
    commandLine.usageError(QStringLiteral("invalid --target '%1': give X0:X1,Z0:Z1 in metres, "
                                          "X0 < X1 and 0 <= Z0 < Z1")
                               .arg(text));
    return false;
}

ModelOptions::ModelOptions(CommandLine &commandLine, int defaultElectrodes, double depthDivisor)
    : m_commandLine(commandLine)
    , m_factorLimit(QStringLiteral(
          "Leave out configurations whose |K| exceeds METRES: too weak a signal to measure. "
          "They leave the comprehensive set as well. Default: no limit."))
    , m_electrodesOption(QStringLiteral("electrodes"),
          defaultElectrodes > 0
              ? QStringLiteral("Electrodes of the cable, 4 to %1 (default %2).")
                    .arg(Kgw::CablePositions)
                    .arg(defaultElectrodes)
              : QStringLiteral("Electrodes of the cable, 4 to %1 (default: the highest one the "
                               "inputs use, at least 4).")
                    .arg(Kgw::CablePositions),
          QStringLiteral("E"))
    , m_cellsPerSpacing(QStringLiteral("cells-per-spacing"),
          QStringLiteral("Model cells per electrode spacing, 1 to %1 (default %2).")
              .arg(Kgw::GridOptions::MaxCellsPerSpacing)
              .arg(Kgw::GridOptions::DefaultCellsPerSpacing),
          QStringLiteral("N"), QString::number(Kgw::GridOptions::DefaultCellsPerSpacing))
    , m_firstLayer(QStringLiteral("first-layer"),
          QStringLiteral("Thickness of the top layer of cells (default: half a spacing)."),
          QStringLiteral("METRES"))
    , m_growth(QStringLiteral("layer-growth"),
          QStringLiteral("Each layer is this many times as thick as the one above, 1 to %1 "
                         "(default %2).")
              .arg(Kgw::GridOptions::MaxGrowth)
              .arg(Kgw::GridOptions::DefaultGrowth),
          QStringLiteral("FACTOR"), number(Kgw::GridOptions::DefaultGrowth))
    , m_depth(QStringLiteral("grid-depth"),
          QStringLiteral("Depth the layers reach (default: (E - 1) spacings / %1).")
              .arg(depthDivisor),
          QStringLiteral("METRES"))
    , m_error(QStringLiteral("error"),
          QStringLiteral("Relative error of a measurement, above 0 up to 100 (default %1).")
              .arg(number(Kgw::NoiseModel::DefaultRelativeError * 100)),
          QStringLiteral("PERCENT"), number(Kgw::NoiseModel::DefaultRelativeError * 100))
    , m_floor(QStringLiteral("floor"),
          QStringLiteral("Voltage floor of the instrument, 0 to 1000000: it adds floor / V to the "
                         "relative error, V = rho I / |K| the voltage expected at --resistivity "
                         "and --current (default %1).")
              .arg(number(DefaultFloorMicrovolts)),
          QStringLiteral("MICROVOLTS"), number(DefaultFloorMicrovolts))
    , m_field(QStringLiteral("Leave out"))
    , m_cancellationError(QStringLiteral("cancellation-error"),
          QStringLiteral("Error a ground that is not uniform adds to a reading, per unit of its "
                         "signal cancellation beyond 1 (see kgw design --max-cancellation), 0 to "
                         "100 (default %1).")
              .arg(number(Kgw::NoiseModel::DefaultCancellationError * 100)),
          QStringLiteral("PERCENT"), number(Kgw::NoiseModel::DefaultCancellationError * 100))
    , m_damping(QStringLiteral("damping"),
          QStringLiteral("lambda = DAMPING × trace(GᵀWG) / trace(CᵀC) of the comprehensive set, "
                         "above 0 up to 1000000 (default %1).")
              .arg(number(Kgw::ResolutionOptions::DefaultDamping)),
          QStringLiteral("DAMPING"), number(Kgw::ResolutionOptions::DefaultDamping))
    , m_defaultElectrodes(defaultElectrodes)
{
    m_grid.depthDivisor = depthDivisor;
    QCommandLineParser &parser = commandLine.parser();
    parser.addOption(m_factorLimit.option());
    parser.addOption(m_electrodesOption);
    parser.addOption(m_cellsPerSpacing);
    parser.addOption(m_firstLayer);
    parser.addOption(m_growth);
    parser.addOption(m_depth);
    parser.addOption(m_error);
    parser.addOption(m_floor);
    m_field.addTo(parser);
    parser.addOption(m_cancellationError);
    parser.addOption(m_damping);
}

std::optional<double> ModelOptions::readNumber(
    const QCommandLineOption &option, double low, double high, bool lowIncluded)
{
    const QString allowed = high > 1e300
        ? QStringLiteral("a positive number")
        : QStringLiteral("a number from %1%2 up to %3")
              .arg(number(low), lowIncluded ? QString() : QStringLiteral(" (excluded)"))
              .arg(number(high));
    return m_commandLine.number(option, low, high, lowIncluded, allowed);
}

QString ModelOptions::firstGiven() const
{
    const QCommandLineParser &parser = m_commandLine.parser();
    for (const QCommandLineOption *option :
        { &m_factorLimit.option(), &m_electrodesOption, &m_cellsPerSpacing, &m_firstLayer,
            &m_growth, &m_depth, &m_error, &m_floor, &m_field.resistivity(), &m_field.current(),
            &m_field.minVoltage(), &m_cancellationError, &m_damping }) {
        if (parser.isSet(*option))
            return QStringLiteral("--") + option->names().constFirst();
    }
    return QString();
}

std::unique_ptr<Kgw::SurveyModel> ModelOptions::read(Console &console, const QVector<Input> &inputs,
    Kgw::SurveyModel::Scope scope, const Kgw::ProgressFunction &progress, int *status)
{
    if (const std::optional<int> refused = readOptions(console, inputs)) {
        *status = *refused;
        return nullptr;
    }
    const Kgw::ModelGrid grid(m_electrodes, m_spacing, m_grid);
    auto model = std::make_unique<Kgw::SurveyModel>(grid, m_resolution, scope, progress);
    if (model->isValid())
        return model;
    *status = grid.isValid()
        ? m_commandLine.usageError(model->error()
            + QStringLiteral("; give fewer --cells-per-spacing, a thicker --first-layer or a "
                             "shallower --grid-depth"))
        : m_commandLine.usageError(QStringLiteral("no model grid: %1").arg(grid.error()));
    return nullptr;
}

std::optional<int> ModelOptions::readOptions(Console &console, const QVector<Input> &inputs)
{
    QCommandLineParser &parser = m_commandLine.parser();

    const std::optional<double> limit = m_factorLimit.read(m_commandLine);
    if (!limit)
        return ExitUsage;
    m_resolution.factorLimit = *limit;
    const IntegerOption cells(QStringLiteral("cells-per-spacing"), QString(), QString(), 1,
        Kgw::GridOptions::MaxCellsPerSpacing, Kgw::GridOptions::DefaultCellsPerSpacing);
    const std::optional<int> cellsPerSpacing = m_commandLine.value(cells);
    if (!cellsPerSpacing)
        return ExitUsage;
    m_grid.cellsPerSpacing = *cellsPerSpacing;
    const auto readInto = [&](const QCommandLineOption &option, double low, double high,
                              bool lowIncluded, double *value) {
        const std::optional<double> read = readNumber(option, low, high, lowIncluded);
        if (read)
            *value = *read;
        return read.has_value();
    };
    if (parser.isSet(m_firstLayer)
        && !readInto(m_firstLayer, 0, qInf(), false, &m_grid.firstLayerMetres))
        return ExitUsage;
    if (!readInto(m_growth, 1, Kgw::GridOptions::MaxGrowth, true, &m_grid.growth))
        return ExitUsage;
    if (parser.isSet(m_depth) && !readInto(m_depth, 0, qInf(), false, &m_grid.depthMetres))
        return ExitUsage;
    double percent = 0;
    double microvolts = 0;
    if (!readInto(m_error, 0, 100, false, &percent) || !readInto(m_floor, 0, 1e6, true, &microvolts)
        || !readInto(m_damping, 0, 1e6, false, &m_resolution.damping))
        return ExitUsage;
    m_resolution.noise.relativeError = percent / 100;
    double cancellationPercent = 0;
    if (!readInto(m_cancellationError, 0, 100, true, &cancellationPercent))
        return ExitUsage;
    m_resolution.noise.cancellationError = cancellationPercent / 100;
    const std::optional<FieldValues> field = m_field.read(m_commandLine);
    if (!field)
        return ExitUsage;
    m_resolution.resistivityOhmMetres = field->resistivityOhmMetres;
    m_resolution.currentAmperes = field->currentAmperes;
    m_resolution.minVoltage = field->minVoltage;
    m_resolution.noise.floorPerMetre = Kgw::NoiseModel::floorPerMetreAt(
        microvolts * 1e-6, field->resistivityOhmMetres, field->currentAmperes);

    // One cable for every input, so that they are compared on the same footing.
    const bool spacingGiven = m_commandLine.spacingGiven();
    const std::optional<double> spacing = m_commandLine.spacing();
    if (!spacing)
        return ExitUsage;
    m_spacing = *spacing;
    const Input *reference = nullptr;
    for (const Input &input : inputs) {
        if (!input.ownSpacing)
            continue;
        if (!spacingGiven && !reference)
            m_spacing = input.spacingMetres;
        if (input.spacingMetres != m_spacing) {
            console.diagnostic(inputName(input.argument), 0,
                QStringLiteral("Spacing %1 m differs from the %2 m of %3; compare sequences on "
                               "one cable")
                    .arg(metres(input.spacingMetres), metres(m_spacing),
                        reference ? inputName(reference->argument) : QStringLiteral("--spacing")));
            return ExitRefused;
        }
        reference = reference ? reference : &input;
    }
    m_spacingFromInputs = !spacingGiven && reference;

    int highest = std::max(4, m_defaultElectrodes);
    for (const Input &input : inputs) {
        for (const Kgw::Quadruple &q : input.quadruples)
            highest = std::max<int>({ highest, q.a, q.b, q.m, q.n });
    }
    m_electrodes = highest;
    if (parser.isSet(m_electrodesOption)) {
        const IntegerOption electrodes(
            QStringLiteral("electrodes"), QString(), QString(), 4, Kgw::CablePositions, QString());
        const std::optional<int> given = m_commandLine.value(electrodes);
        if (!given)
            return ExitUsage;
        m_electrodes = *given;
        for (const Input &input : inputs) {
            for (int i = 0; i < input.quadruples.size(); ++i) {
                const Kgw::Quadruple &q = input.quadruples.at(i);
                const int beyond = std::max<int>({ q.a, q.b, q.m, q.n });
                if (beyond <= m_electrodes)
                    continue;
                const bool lines = !input.sequenceFile;
                console.diagnostic(inputName(input.argument), lines ? input.lineNumber(i) : 0,
                    QStringLiteral("%1electrode %2 is beyond the cable of %3 electrodes")
                        .arg(lines ? QString() : QStringLiteral("quadruple %1: ").arg(i + 1))
                        .arg(beyond)
                        .arg(m_electrodes));
                return ExitRefused;
            }
        }
    }

    return std::nullopt;
}

} // namespace Cli
