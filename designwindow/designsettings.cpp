#include "designsettings.h"

#include <QCoreApplication>

namespace Options = Kgw::Options;

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 17);
}

QString number(const std::optional<double> &value)
{
    return value ? number(*value) : QString();
}

QString targetText(const std::optional<Kgw::TargetRegion> &target)
{
    return target ? Kgw::targetRegionText(*target) : QString();
}

QString rulesText(const Kgw::ChannelRules &rules)
{
    return QStringLiteral("%1 %2 %3")
        .arg(rules.layout == Kgw::ChannelLayout::Chained ? 1 : 0)
        .arg(rules.maxDipole)
        .arg(rules.allowEnclosing ? 1 : 0);
}

QString tr(const char *text)
{
    return QCoreApplication::translate("DesignSettings", text);
}

QVector<Kgw::ArrayKind> defaultArrays()
{
    return Kgw::parseArrayNames(Options::Arrays.defaultValueText())
        .value_or(QVector<Kgw::ArrayKind>());
}

} // namespace

SequenceSettings::SequenceSettings()
    : arrays(defaultArrays())
{ }

Kgw::CheckOptions CableSettings::checkOptions() const
{
    Kgw::CheckOptions options = survey.checkOptions();
    options.cableElectrodes = electrodes;
    return options;
}

DesignSettings DesignSettings::from(const Kgw::OptionValues &values)
{
    DesignSettings settings;
    CableSettings &cable = settings.cable;
    cable.electrodes = values.whole(Options::Electrodes);
    cable.spacingMetres = values.number(Options::Spacing);
    Kgw::SurveySettings &survey = cable.survey;
    survey.excluded = values.electrodes(Options::Exclude);
    survey.resistivity = values.number(Options::Resistivity);
    survey.current = values.number(Options::Current);
    survey.floor = values.number(Options::Floor);
    survey.error = values.number(Options::Error);
    survey.factorLimit = values.optionalNumber(Options::FactorLimit);
    survey.minVoltage = values.optionalNumber(Options::MinVoltage);

    InstrumentSettings &instrument = settings.instrument;
    instrument.channels = values.whole(Options::Channels);
    instrument.rules.layout = Kgw::ChannelLayout(values.whole(Options::ChannelLayout));
    instrument.rules.maxDipole = int(values.optionalNumber(Options::MaxDipole).value_or(0));
    instrument.rules.allowEnclosing = values.flag(Options::AllowEnclosing).value_or(false);
    instrument.secondsPerInjection = values.optionalNumber(Options::SecondsPerInjection);

    SequenceSettings &sequence = settings.sequence;
    sequence.source = SequenceSource(values.whole(Options::Source));
    sequence.arrays = values.arrays(Options::Arrays);
    sequence.aMax = values.whole(Options::AMax);
    sequence.nMax = values.whole(Options::NMax);
    sequence.measurements = values.whole(Options::Measurements);
    sequence.target = values.region(Options::Target);
    sequence.baseShare = values.whole(Options::BaseShare);
    sequence.baseArrays = values.arrays(Options::Base);
    sequence.maxCancellation = values.number(Options::MaxCancellation);
    sequence.reciprocalShare = values.whole(Options::Reciprocals);

    settings.order.enabled
        = values.flag(Options::Order).value_or(Kgw::ordersByDefault(instrument.channels));
    if (const std::optional<double> gap = values.optionalNumber(Options::Gap))
        settings.order.gap = int(*gap);
    if (const std::optional<double> positions = values.optionalNumber(Options::LineElectrodes))
        settings.line.positions = int(*positions);
    settings.line.move = values.whole(Options::Move);
    settings.ground.background = values.number(Options::GroundBackground);
    settings.ground.blockResistivity = values.number(Options::BlockResistivity);
    return settings;
}

Kgw::ArrayListRequest DesignSettings::arrayListRequest() const
{
    Kgw::ArrayListRequest request;
    request.kinds = sequence.arrays;
    request.options.electrodes = cable.electrodes;
    request.options.aMax = sequence.aMax;
    request.options.nMax = sequence.nMax;
    request.options.chained = instrument.rules.layout == Kgw::ChannelLayout::Chained;
    request.spacingMetres = cable.spacingMetres;
    request.factorLimitMetres = cable.factorLimit();
    request.excluded = cable.survey.excluded;
    request.rules = instrument.rules;
    // kgw generate never lets a dipole enclose a current electrode in its reciprocals' groups.
    request.rules.allowEnclosing = false;
    request.reciprocalShare = sequence.reciprocalShare;
    return request;
}

Kgw::DesignRequest DesignSettings::designRequest() const
{
    Kgw::DesignRequest request;
    request.options.measurements = sequence.measurements;
    request.options.channels = instrument.channels;
    request.options.rules = instrument.rules;
    request.options.maxCancellation = sequence.maxCancellation;
    if (sequence.target) {
        request.options.targeted = true;
        request.options.target = *sequence.target;
    }
    request.baseShare = sequence.baseShare;
    request.baseArrays = sequence.baseArrays;
    request.reciprocalShare = sequence.reciprocalShare;
    return request;
}

Kgw::OrderOptions DesignSettings::orderOptions(int count) const
{
    Kgw::OrderOptions options;
    options.gap = order.gap.value_or(Kgw::defaultPolarisationGap(count));
    options.channels = instrument.channels;
    options.rules = instrument.rules;
    return options;
}

Kgw::RollAlongRequest DesignSettings::rollAlongRequest() const
{
    Kgw::RollAlongRequest request;
    request.source = sequence.source == SequenceSource::Design ? Kgw::RollAlongRequest::Design
                                                               : Kgw::RollAlongRequest::Arrays;
    Kgw::LinePlanRequest &plan = request.line;
    plan.linePositions = line.positions.value_or(0);
    plan.electrodes = cable.electrodes;
    plan.move = line.move;
    plan.spacingMetres = cable.spacingMetres;
    plan.kinds = sequence.arrays;
    plan.options.aMax = sequence.aMax;
    plan.options.nMax = sequence.nMax;
    plan.options.chained = instrument.rules.layout == Kgw::ChannelLayout::Chained;
    plan.factorLimitMetres = cable.factorLimit();
    plan.channels = instrument.channels;
    plan.rules = instrument.rules;
    plan.orderForField = order.enabled;
    plan.reciprocalShare = sequence.reciprocalShare;
    plan.secondsPerInjection = instrument.secondsPerInjection.value_or(0);
    request.design = designRequest();
    request.model = cable.resolutionOptions();
    return request;
}

QString DesignSettings::modelKey() const
{
    const Kgw::SurveySettings &survey = cable.survey;
    return QStringList { QString::number(cable.electrodes), number(cable.spacingMetres),
        survey.excluded.text(), number(survey.resistivity), number(survey.current),
        number(survey.floor), number(survey.error), number(survey.cancellationError),
        number(survey.damping), number(survey.factorLimit), number(survey.minVoltage) }
        .join(QLatin1Char('|'));
}

QString DesignSettings::sequenceKey() const
{
    // A design is made on the model; the arrays only need the cable, but the figures of either
    // need the model, so both follow it.
    QStringList parts { modelKey(), QString::number(int(sequence.source)),
        QString::number(sequence.reciprocalShare) };
    switch (sequence.source) {
    case SequenceSource::StandardArrays:
        // Of the instrument, only a chained layout and the dipole limit shape the arrays.
        parts << Kgw::arrayNamesText(sequence.arrays) << QString::number(sequence.aMax)
              << QString::number(sequence.nMax)
              << QString::number(instrument.rules.layout == Kgw::ChannelLayout::Chained ? 1 : 0)
              << QString::number(instrument.rules.maxDipole);
        break;
    case SequenceSource::Design:
        parts << QString::number(instrument.channels) << rulesText(instrument.rules)
              << QString::number(sequence.measurements) << targetText(sequence.target)
              << QString::number(sequence.baseShare) << Kgw::arrayNamesText(sequence.baseArrays)
              << number(sequence.maxCancellation);
        break;
    case SequenceSource::OpenedList:
        break;
    }
    return parts.join(QLatin1Char('|'));
}

QString DesignSettings::orderKey() const
{
    // The seconds per injection only turn injections into field time, which is shown, not
    // worked out.
    return QStringList { QString::number(order.enabled ? 1 : 0),
        order.gap ? QString::number(*order.gap) : QString(), QString::number(instrument.channels),
        rulesText(instrument.rules) }
        .join(QLatin1Char('|'));
}

QString DesignSettings::lineKey() const
{
    return QStringList { sequenceKey(), orderKey(),
        line.positions ? QString::number(*line.positions) : QString(), QString::number(line.move),
        number(instrument.secondsPerInjection) }
        .join(QLatin1Char('|'));
}

QString DesignSettings::groundKey() const
{
    if (!ground.ground)
        return QString();
    const Kgw::SurveySettings &survey = cable.survey;
    return QStringList { QString::number(ground.id), QString::number(cable.electrodes),
        number(cable.spacingMetres), number(survey.current), number(survey.floor),
        number(survey.error) }
        .join(QLatin1Char('|'));
}

QVector<const Kgw::Option *> windowOptions()
{
    QVector<const Kgw::Option *> options;
    for (const Kgw::Option *option : Options::all()) {
        if (option->key)
            options.append(option);
    }
    return options;
}

QHash<const Kgw::Option *, QString> settingsProblems(const Kgw::OptionValues &values)
{
    const auto source = SequenceSource(values.whole(Options::Source));
    const bool arrays = source == SequenceSource::StandardArrays;
    const bool design = source == SequenceSource::Design;
    // The boxes each sequence alone takes, as kgw generate and kgw design take them.
    const QVector<const Kgw::Option *> arraysOnly { &Options::Arrays, &Options::AMax,
        &Options::NMax };
    const QVector<const Kgw::Option *> designOnly { &Options::Measurements, &Options::Target,
        &Options::BaseShare, &Options::Base, &Options::MaxCancellation };

    QHash<const Kgw::Option *, QString> problems;
    for (const Kgw::Option *option : windowOptions()) {
        if ((!arrays && arraysOnly.contains(option)) || (!design && designOnly.contains(option)))
            continue;
        const QString refusal = values.refusal(*option);
        if (!refusal.isEmpty())
            problems.insert(option, refusal);
    }
    const auto layout = Kgw::ChannelLayout(values.whole(Options::ChannelLayout));
    if (arrays && !problems.contains(&Options::Arrays)) {
        for (const Kgw::ArrayKind kind : values.arrays(Options::Arrays)) {
            const QString problem = Kgw::chainedArrayProblem(kind, layout, Kgw::Syntax::Box);
            if (!problem.isEmpty()) {
                problems.insert(&Options::Arrays, problem);
                break;
            }
        }
    }
    if (design && !problems.contains(&Options::Base) && !problems.contains(&Options::BaseShare)) {
        const QString problem = Kgw::designBaseProblem(
            values.whole(Options::BaseShare), values.arrays(Options::Base), Kgw::Syntax::Box);
        if (!problem.isEmpty())
            problems.insert(&Options::Base, problem);
    }
    const std::optional<double> line = values.optionalNumber(Options::LineElectrodes);
    if (line && !problems.contains(&Options::LineElectrodes)) {
        const int electrodes = values.whole(Options::Electrodes);
        const int move = values.whole(Options::Move);
        QString impossible;
        if (source == SequenceSource::OpenedList)
            problems.insert(&Options::LineElectrodes,
                tr("An opened list is measured on one cable; a line is planned of the standard "
                   "arrays or of a design per spread."));
        else if (!Kgw::SpreadLayout::plan(int(*line), electrodes, move, &impossible))
            problems.insert(
                move < 1 || move > electrodes ? &Options::Move : &Options::LineElectrodes,
                impossible);
        // Dead electrodes of a line lie at line positions, which kgw rollalong --exclude takes;
        // the cable's own would move with it from spread to spread.
        if (!values.electrodes(Options::Exclude).isEmpty())
            problems.insert(&Options::Exclude,
                tr("A line is planned without dead electrodes: leave this empty while Line "
                   "electrodes is set, or plan the line with kgw rollalong --exclude."));
    }
    return problems;
}
