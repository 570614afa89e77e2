#include "designsettings.h"

#include "spacing.h"

#include <QSettings>

#include <limits>

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 17);
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

// Reads a stored value back only when it is one the window could have stored.
template <typename T>
void readBounded(QSettings *store, const QString &key, T low, T high, T *value)
{
    if (!store->contains(key))
        return;
    bool ok = false;
    const double read = store->value(key).toDouble(&ok);
    if (ok && read >= low && read <= high)
        *value = T(read);
}

} // namespace

Kgw::ResolutionOptions CableSettings::resolutionOptions() const
{
    Kgw::ResolutionOptions options;
    options.factorLimit = factorLimit();
    options.noise.relativeError = errorPercent / 100;
    options.resistivityOhmMetres = resistivityOhmMetres;
    options.currentAmperes = currentMilliamperes / 1000;
    options.minVoltage = minVoltageMillivolts / 1000;
    options.noise.floorPerMetre = Kgw::NoiseModel::floorPerMetreAt(
        floorMicrovolts * 1e-6, resistivityOhmMetres, options.currentAmperes);
    options.excluded = excluded;
    return options;
}

Kgw::CheckOptions CableSettings::checkOptions() const
{
    Kgw::CheckOptions options;
    options.factorLimitMetres = factorLimit();
    options.resistivityOhmMetres = resistivityOhmMetres;
    options.currentAmperes = currentMilliamperes / 1000;
    options.minVoltage = minVoltageMillivolts / 1000;
    options.excluded = excluded;
    options.cableElectrodes = electrodes;
    return options;
}

double CableSettings::factorLimit() const
{
    return factorLimitMetres > 0 ? factorLimitMetres : std::numeric_limits<double>::infinity();
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
    request.excluded = cable.excluded;
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
    options.gap
        = order.gap == OrderSettings::AutomaticGap ? Kgw::defaultPolarisationGap(count) : order.gap;
    options.channels = instrument.channels;
    options.rules = instrument.rules;
    return options;
}

QString DesignSettings::modelKey() const
{
    return QStringList { QString::number(cable.electrodes), number(cable.spacingMetres),
        cable.excluded.text(), number(cable.resistivityOhmMetres),
        number(cable.currentMilliamperes), number(cable.floorMicrovolts),
        number(cable.errorPercent), number(cable.factorLimitMetres),
        number(cable.minVoltageMillivolts) }
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
        parts << arrayNamesText(sequence.arrays) << QString::number(sequence.aMax)
              << QString::number(sequence.nMax)
              << QString::number(instrument.rules.layout == Kgw::ChannelLayout::Chained ? 1 : 0)
              << QString::number(instrument.rules.maxDipole);
        break;
    case SequenceSource::Design:
        parts << QString::number(instrument.channels) << rulesText(instrument.rules)
              << QString::number(sequence.measurements) << targetText(sequence.target)
              << QString::number(sequence.baseShare) << arrayNamesText(sequence.baseArrays)
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
    return QStringList { QString::number(order.enabled ? 1 : 0), QString::number(order.gap),
        QString::number(instrument.channels), rulesText(instrument.rules) }
        .join(QLatin1Char('|'));
}

void DesignSettings::save(QSettings *store) const
{
    store->setValue(QStringLiteral("cable/electrodes"), cable.electrodes);
    store->setValue(QStringLiteral("cable/spacing"), cable.spacingMetres);
    store->setValue(QStringLiteral("cable/excluded"), cable.excluded.text());
    store->setValue(QStringLiteral("cable/resistivity"), cable.resistivityOhmMetres);
    store->setValue(QStringLiteral("cable/current"), cable.currentMilliamperes);
    store->setValue(QStringLiteral("cable/floor"), cable.floorMicrovolts);
    store->setValue(QStringLiteral("cable/error"), cable.errorPercent);
    store->setValue(QStringLiteral("cable/kMax"), cable.factorLimitMetres);
    store->setValue(QStringLiteral("cable/minVoltage"), cable.minVoltageMillivolts);
    store->setValue(QStringLiteral("instrument/channels"), instrument.channels);
    store->setValue(QStringLiteral("instrument/chained"),
        instrument.rules.layout == Kgw::ChannelLayout::Chained);
    store->setValue(QStringLiteral("instrument/maxDipole"), instrument.rules.maxDipole);
    store->setValue(QStringLiteral("instrument/allowEnclosing"), instrument.rules.allowEnclosing);
    store->setValue(
        QStringLiteral("instrument/secondsPerInjection"), instrument.secondsPerInjection);
    // An opened list is not kept, so a restart begins with what can be made again.
    store->setValue(
        QStringLiteral("sequence/source"), sequence.source == SequenceSource::Design ? 1 : 0);
    store->setValue(QStringLiteral("sequence/arrays"), arrayNamesText(sequence.arrays));
    store->setValue(QStringLiteral("sequence/aMax"), sequence.aMax);
    store->setValue(QStringLiteral("sequence/nMax"), sequence.nMax);
    store->setValue(QStringLiteral("sequence/measurements"), sequence.measurements);
    store->setValue(QStringLiteral("sequence/target"), targetText(sequence.target));
    store->setValue(QStringLiteral("sequence/baseShare"), sequence.baseShare);
    store->setValue(QStringLiteral("sequence/baseArrays"), arrayNamesText(sequence.baseArrays));
    store->setValue(QStringLiteral("sequence/maxCancellation"), sequence.maxCancellation);
    store->setValue(QStringLiteral("sequence/reciprocals"), sequence.reciprocalShare);
    store->setValue(QStringLiteral("order/enabled"), order.enabled);
    store->setValue(QStringLiteral("order/gap"), order.gap);
}

void DesignSettings::load(QSettings *store)
{
    constexpr double Huge = 1e300;
    readBounded(
        store, QStringLiteral("cable/electrodes"), 4, Kgw::CablePositions, &cable.electrodes);
    double spacing = cable.spacingMetres;
    readBounded(store, QStringLiteral("cable/spacing"), 0.001, 100.0, &spacing);
    if (Kgw::parseSpacing(decimalText(spacing)))
        cable.spacingMetres = spacing;
    QString unused;
    if (const std::optional<Kgw::ElectrodeSet> excluded = Kgw::parseElectrodeSet(
            store->value(QStringLiteral("cable/excluded")).toString(), &unused))
        cable.excluded = *excluded;
    readBounded(
        store, QStringLiteral("cable/resistivity"), 1e-300, Huge, &cable.resistivityOhmMetres);
    readBounded(store, QStringLiteral("cable/current"), 1e-300, Huge, &cable.currentMilliamperes);
    readBounded(store, QStringLiteral("cable/floor"), 0.0, 1e6, &cable.floorMicrovolts);
    readBounded(store, QStringLiteral("cable/error"), 1e-300, 100.0, &cable.errorPercent);
    readBounded(store, QStringLiteral("cable/kMax"), 0.0, Huge, &cable.factorLimitMetres);
    readBounded(store, QStringLiteral("cable/minVoltage"), 0.0, Huge, &cable.minVoltageMillivolts);
    readBounded(store, QStringLiteral("instrument/channels"), 1, Kgw::MaxChannels,
        &instrument.channels);
    if (store->value(QStringLiteral("instrument/chained")).toBool())
        instrument.rules.layout = Kgw::ChannelLayout::Chained;
    readBounded(store, QStringLiteral("instrument/maxDipole"), 0, Kgw::CablePositions - 1,
        &instrument.rules.maxDipole);
    instrument.rules.allowEnclosing
        = store->value(QStringLiteral("instrument/allowEnclosing")).toBool();
    readBounded(store, QStringLiteral("instrument/secondsPerInjection"), 0.0, 3600.0,
        &instrument.secondsPerInjection);
    if (store->value(QStringLiteral("sequence/source")).toInt() == 1)
        sequence.source = SequenceSource::Design;
    if (store->contains(QStringLiteral("sequence/arrays")))
        sequence.arrays
            = parseArrayNames(store->value(QStringLiteral("sequence/arrays")).toString())
                  .value_or(sequence.arrays);
    readBounded(store, QStringLiteral("sequence/aMax"), Kgw::GenerateOptions::MinAMax,
        Kgw::GenerateOptions::MaxAMax, &sequence.aMax);
    readBounded(store, QStringLiteral("sequence/nMax"), Kgw::GenerateOptions::MinNMax,
        Kgw::GenerateOptions::MaxNMax, &sequence.nMax);
    readBounded(store, QStringLiteral("sequence/measurements"), 1, Kgw::MaxSequenceQuadruples,
        &sequence.measurements);
    sequence.target
        = Kgw::parseTargetRegion(store->value(QStringLiteral("sequence/target")).toString());
    readBounded(store, QStringLiteral("sequence/baseShare"), 0, 100, &sequence.baseShare);
    sequence.baseArrays
        = parseArrayNames(store->value(QStringLiteral("sequence/baseArrays")).toString())
              .value_or(QVector<Kgw::ArrayKind>());
    if (sequence.baseShare == 0 && sequence.baseArrays.isEmpty())
        sequence.baseShare = Kgw::DesignOptions::DefaultBaseShare;
    readBounded(
        store, QStringLiteral("sequence/maxCancellation"), 1.0, Huge, &sequence.maxCancellation);
    readBounded(store, QStringLiteral("sequence/reciprocals"), 0, 100, &sequence.reciprocalShare);
    order.enabled = store->value(QStringLiteral("order/enabled")).toBool();
    readBounded(store, QStringLiteral("order/gap"), OrderSettings::AutomaticGap,
        Kgw::MaxSequenceQuadruples, &order.gap);
}

QString arrayNamesText(const QVector<Kgw::ArrayKind> &kinds)
{
    QStringList names;
    for (const Kgw::ArrayKind kind : kinds) {
        for (const Kgw::ArrayKindName &name : Kgw::arrayKindNames()) {
            if (name.kind == kind)
                names.append(name.alias);
        }
    }
    return names.join(QLatin1Char(','));
}

std::optional<QVector<Kgw::ArrayKind>> parseArrayNames(const QString &text, QString *unknown)
{
    QVector<Kgw::ArrayKind> kinds;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        const std::optional<Kgw::ArrayKind> kind = Kgw::findArrayKind(name);
        if (!kind) {
            if (unknown)
                *unknown = name;
            return std::nullopt;
        }
        if (!kinds.contains(*kind))
            kinds.append(*kind);
    }
    return kinds;
}

std::optional<double> parseDecimal(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    QString plain = text;
    int points = 0;
    for (QChar &c : plain) {
        if (c == QLatin1Char(',') || c == QLatin1Char('.')) {
            c = QLatin1Char('.');
            ++points;
        } else if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    if (points > 1 || plain == QLatin1String("."))
        return std::nullopt;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !qIsFinite(value))
        return std::nullopt;
    return value;
}

QString checkNumber(const QString &text, const NumberRule &rule, double *value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() && rule.emptyAllowed) {
        *value = rule.emptyValue;
        return QString();
    }
    const std::optional<double> read = parseDecimal(trimmed);
    const bool inRange
        = read && (rule.lowIncluded ? *read >= rule.low : *read > rule.low) && *read <= rule.high;
    if (inRange) {
        *value = *read;
        return QString();
    }
    QString allowed = rule.high > 1e300
        ? (rule.lowIncluded ? QStringLiteral("a number of %1 or more").arg(decimalText(rule.low))
                            : QStringLiteral("a number above %1").arg(decimalText(rule.low)))
        : QStringLiteral("a number from %1%2 up to %3")
              .arg(decimalText(rule.low),
                  rule.lowIncluded ? QString()
                                   : QStringLiteral(" (not "
                                                    "included)"))
              .arg(decimalText(rule.high));
    if (rule.emptyAllowed)
        allowed += QStringLiteral(", or nothing");
    return QStringLiteral("Give %1; a comma or a full stop is the decimal point.").arg(allowed);
}

QString checkSpacing(const QString &text, double *value)
{
    QString plain = text.trimmed();
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    const std::optional<double> spacing = Kgw::parseSpacing(plain);
    if (!spacing)
        return QStringLiteral("Give the spacing, %1; a comma or a full stop is the decimal point.")
            .arg(Kgw::spacingRangeText());
    *value = *spacing;
    return QString();
}

QString decimalText(double value)
{
    // Never with an exponent, which the boxes refuse.
    QString text = QString::number(value, 'f', 9);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}
