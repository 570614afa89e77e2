#include "modeloptions.h"

#include "arguments.h"
#include "console.h"
#include "report.h"

#include "electrodelist.h"
#include "sequencereader.h"

#include <QRectF>

#include <algorithm>

namespace Cli {

namespace Options = Kgw::Options;

namespace {

// The options ModelOptions adds, in the order its help lists them.
const Kgw::Option *const modelOptions[] { &Options::FactorLimit, &Options::Electrodes,
    &Options::CellsPerSpacing, &Options::FirstLayer, &Options::LayerGrowth, &Options::GridDepth,
    &Options::Error, &Options::Floor, &Options::Resistivity, &Options::Current,
    &Options::MinVoltage, &Options::CancellationError, &Options::Damping };

} // namespace

void addFieldOptions(CommandLine &commandLine, const QString &minVoltageUse)
{
    commandLine.add(Options::Resistivity);
    commandLine.add(Options::Current);
    commandLine.add(Options::MinVoltage, nullptr, minVoltageUse);
}

bool readFieldOptions(CommandLine &commandLine, Kgw::SurveySettings *survey)
{
    const std::optional<double> resistivity = commandLine.number(Options::Resistivity);
    const std::optional<double> milliamperes
        = resistivity ? commandLine.number(Options::Current) : std::nullopt;
    if (!milliamperes || !commandLine.read(Options::MinVoltage, &survey->minVoltage))
        return false;
    survey->resistivity = *resistivity;
    survey->current = *milliamperes;
    return true;
}

std::optional<Kgw::ElectrodeSet> readExcluded(CommandLine &commandLine, const Kgw::Option &option)
{
    if (!commandLine.isSet(option))
        return Kgw::ElectrodeSet();
    const QString text = commandLine.text(option);
    if (!commandLine.accepts(option, text))
        return std::nullopt;
    QString unused;
    return Kgw::parseElectrodeSet(text, &unused, int(option.high));
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

std::optional<double> readFactorLimit(CommandLine &commandLine)
{
    std::optional<double> limit;
    if (!commandLine.read(Options::FactorLimit, &limit))
        return std::nullopt;
    return limit.value_or(qInf());
}

bool readTarget(CommandLine &commandLine, std::optional<Kgw::TargetRegion> *region)
{
    region->reset();
    if (!commandLine.isSet(Options::Target))
        return true;
    const QString text = commandLine.text(Options::Target);
    if (!commandLine.accepts(Options::Target, text))
        return false;
    *region = Kgw::parseTargetRegion(text);
    return true;
}

bool readDesignChoices(CommandLine &commandLine, Kgw::DesignRequest *request)
{
    const std::optional<int> share = commandLine.whole(Options::BaseShare);
    if (!share)
        return false;
    request->baseShare = *share;
    if (commandLine.isSet(Options::Base)) {
        const QString names
            = commandLine.parser().values(QLatin1String(Options::Base.name)).join(QLatin1Char(','));
        if (!commandLine.accepts(Options::Base, names))
            return false;
        request->baseArrays = *Kgw::parseArrayNames(names);
    }
    const QString noBase
        = Kgw::designBaseProblem(*share, request->baseArrays, Kgw::Syntax::CommandLine);
    if (!noBase.isEmpty()) {
        commandLine.usageError(noBase);
        return false;
    }
    std::optional<Kgw::TargetRegion> region;
    if (!readTarget(commandLine, &region))
        return false;
    request->options.targeted = region.has_value();
    request->options.target = region.value_or(Kgw::TargetRegion());
    const std::optional<double> limit = commandLine.number(Options::MaxCancellation);
    if (!limit)
        return false;
    request->options.maxCancellation = *limit;
    return true;
}

std::optional<QVector<Kgw::ArrayKind>> readArrayNames(
    CommandLine &commandLine, const QStringList &names, Kgw::ChannelLayout layout)
{
    QVector<Kgw::ArrayKind> kinds;
    for (const QString &name : names) {
        const std::optional<Kgw::ArrayKind> kind = Kgw::findArrayKind(name);
        if (!kind) {
            commandLine.usageError(QStringLiteral("unknown array '%1': give one of %2")
                                       .arg(name, Kgw::allowedArrayNames()));
            return std::nullopt;
        }
        const QString unchained
            = Kgw::chainedArrayProblem(*kind, layout, Kgw::Syntax::CommandLine, name);
        if (!unchained.isEmpty()) {
            commandLine.usageError(unchained);
            return std::nullopt;
        }
        kinds.append(*kind);
    }
    return kinds;
}

std::optional<Kgw::Ground> readSectionGround(
    Console &console, const QString &file, const Kgw::SurveyModel &survey)
{
    const Kgw::ModelGrid &grid = survey.grid();
    const QRectF area(QPointF(grid.xEdges().constFirst(), 0),
        QPointF(grid.xEdges().constLast(), grid.zEdges().constLast()));
    return readGroundArgument(console, file, area, QStringLiteral("the section's grid"));
}

std::unique_ptr<Kgw::GroundModel> readGroundModel(
    Console &console, const QString &file, const Kgw::SurveyModel &survey)
{
    const std::optional<Kgw::Ground> ground = readSectionGround(console, file, survey);
    if (!ground)
        return nullptr;
    auto model = std::make_unique<Kgw::GroundModel>(survey, *ground);
    if (!model->error().isEmpty()) {
        refuse(console, file, model->error());
        return nullptr;
    }
    return model;
}

ModelOptions::ModelOptions(CommandLine &commandLine, int defaultElectrodes, double depthDivisor)
    : m_commandLine(commandLine)
    , m_defaultElectrodes(defaultElectrodes)
{
    m_grid.depthDivisor = depthDivisor;
    for (const Kgw::Option *option : modelOptions) {
        if (option == &Options::Electrodes && defaultElectrodes <= 0)
            commandLine.add(*option, nullptr, QString(),
                QStringLiteral("the highest one the inputs use, at least %1")
                    .arg(Options::Electrodes.low));
        else if (option == &Options::GridDepth
            && depthDivisor != Kgw::GridOptions::DefaultDepthDivisor)
            commandLine.add(*option, nullptr, QString(),
                QStringLiteral("(E - 1) spacings / %1").arg(depthDivisor));
        else if (option == &Options::MinVoltage)
            commandLine.add(*option, nullptr, QStringLiteral("Leave out"));
        else
            commandLine.add(*option);
    }
}

QString ModelOptions::firstGiven(const Kgw::Option *except) const
{
    for (const Kgw::Option *option : modelOptions) {
        if (option != except && m_commandLine.isSet(*option))
            return QStringLiteral("--") + QLatin1String(option->name);
    }
    return QString();
}

std::unique_ptr<Kgw::SurveyModel> ModelOptions::read(Console &console, const QVector<Input> &inputs,
    Kgw::SurveyModel::Scope scope, const Kgw::ProgressFunction &progress, int *status)
{
    if (!readWithoutModel(console, inputs, status))
        return nullptr;
    const Kgw::ModelGrid grid(m_electrodes, m_spacing, m_grid, m_spread);
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

bool ModelOptions::readWithoutModel(Console &console, const QVector<Input> &inputs, int *status)
{
    const std::optional<int> refused = readOptions(console, inputs);
    if (refused)
        *status = *refused;
    return !refused;
}

std::optional<int> ModelOptions::readOptions(Console &console, const QVector<Input> &inputs)
{
    Kgw::SurveySettings survey;
    std::optional<double> firstLayer;
    std::optional<double> depth;
    const std::optional<double> limit = readFactorLimit(m_commandLine);
    const std::optional<int> cellsPerSpacing
        = limit ? m_commandLine.whole(Options::CellsPerSpacing) : std::nullopt;
    if (!cellsPerSpacing || !m_commandLine.read(Options::FirstLayer, &firstLayer))
        return ExitUsage;
    const std::optional<double> growth = m_commandLine.number(Options::LayerGrowth);
    if (!growth || !m_commandLine.read(Options::GridDepth, &depth))
        return ExitUsage;
    const std::optional<double> error = m_commandLine.number(Options::Error);
    const std::optional<double> floor = error ? m_commandLine.number(Options::Floor) : std::nullopt;
    const std::optional<double> damping
        = floor ? m_commandLine.number(Options::Damping) : std::nullopt;
    const std::optional<double> cancellation
        = damping ? m_commandLine.number(Options::CancellationError) : std::nullopt;
    if (!cancellation || !readFieldOptions(m_commandLine, &survey))
        return ExitUsage;
    m_grid.cellsPerSpacing = *cellsPerSpacing;
    if (firstLayer)
        m_grid.firstLayerMetres = *firstLayer;
    m_grid.growth = *growth;
    if (depth)
        m_grid.depthMetres = *depth;
    if (qIsFinite(*limit))
        survey.factorLimit = *limit;
    survey.error = *error;
    survey.floor = *floor;
    survey.damping = *damping;
    survey.cancellationError = *cancellation;
    survey.excluded = m_excluded;
    m_resolution = survey.resolutionOptions();

    // One cable for every input, so that they are compared on the same footing. Each that
    // records a spacing was read in agreement with --spacing, where that is given.
    const std::optional<double> spacing = m_commandLine.spacing();
    if (!spacing)
        return ExitUsage;
    m_spacing = *spacing;
    const Input *reference = nullptr;
    for (const Input &input : inputs) {
        if (!input.ownSpacing)
            continue;
        if (!reference)
            m_spacing = input.spacingMetres;
        if (input.spacingMetres != m_spacing) {
            console.diagnostic(inputName(input.argument), 0,
                QStringLiteral("Spacing %1 m differs from the %2 m of %3; compare sequences on "
                               "one cable")
                    .arg(metres(input.spacingMetres), metres(m_spacing),
                        inputName(reference->argument)));
            return ExitRefused;
        }
        reference = reference ? reference : &input;
    }
    m_spacingFromInputs = !m_commandLine.spacingGiven() && reference;

    for (const Input &input : inputs) {
        if (input.isLine())
            return readLine(input);
    }
    int highest = std::max(int(Options::Electrodes.low), m_defaultElectrodes);
    for (const Input &input : inputs) {
        for (const Kgw::Quadruple &q : input.quadruples)
            highest = std::max<int>({ highest, q.a, q.b, q.m, q.n });
    }
    m_electrodes = highest;
    if (m_commandLine.isSet(Options::Electrodes)) {
        const std::optional<int> given = m_commandLine.whole(Options::Electrodes);
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

std::optional<int> ModelOptions::readLine(const Input &input)
{
    m_electrodes = input.lineElectrodes;
    m_spread = input.layout ? input.layout->electrodes() : Kgw::CablePositions;
    if (m_commandLine.isSet(Options::Electrodes)) {
        const std::optional<int> given = m_commandLine.whole(Options::Electrodes);
        if (!given)
            return ExitUsage;
        if (input.layout && *given != m_spread)
            return m_commandLine.usageError(
                QStringLiteral("--electrodes %1 differs from the spreads of %2 electrodes that %3 "
                               "records; give that or none")
                    .arg(*given)
                    .arg(m_spread)
                    .arg(inputName(input.argument)));
        m_spread = *given;
    }
    m_spread = std::min(m_spread, m_electrodes);
    return std::nullopt;
}

} // namespace Cli
