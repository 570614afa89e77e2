#include "options.h"

#include <QLocale>
#include <QRegularExpression>
#include <QtMath>

namespace Kgw {

namespace {

// The window's words are translated; kgw's are its own.
QString words(const char *text, Syntax syntax)
{
    if (!text)
        return QString();
    return syntax == Syntax::Box ? QCoreApplication::translate("Kgw::Options", text)
                                 : QString::fromUtf8(text);
}

QString translated(const char *text)
{
    return QCoreApplication::translate("Kgw::Options", text);
}

// A number as a box takes it: a comma and a full stop are both the decimal point and nothing
// else may stand between the digits.
std::optional<double> boxDecimal(const QString &text)
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

// A box's text as the command line would have it: trimmed, its decimal comma a full stop.
QString commandLineText(QString text)
{
    text = text.trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text;
}

} // namespace

QString plainNumber(double value)
{
    QString text = QString::number(value, 'g', 10);
    if (!text.contains(QLatin1Char('e')))
        return text;
    // A box refuses an exponent; the shortest exact decimals then.
    text = QString::number(value, 'f', 17);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

bool Option::accepts(double value) const
{
    return (lowIncluded ? value >= low : value > low) && value <= high;
}

QStringList Option::choiceList() const
{
    return QString::fromLatin1(choices).split(QLatin1Char('|'));
}

QStringList Option::shownChoices() const
{
    return shownAs ? translated(shownAs).split(QLatin1Char('|')) : choiceList();
}

QString Option::rangeText(Syntax syntax) const
{
    const QString from = plainNumber(low);
    const QString to = plainNumber(high);
    switch (kind) {
    case OptionKind::Whole:
        return words("%1 to %2", syntax).arg(from, to);
    case OptionKind::Spacing:
        return words(qPrintable(spacingRangeText()), syntax);
    case OptionKind::Seconds:
        return words("above %1 and up to %2, with at most three decimals", syntax).arg(from, to);
    case OptionKind::Decimal:
        if (qIsInf(high))
            return (lowIncluded ? words("at least %1", syntax) : words("above %1", syntax))
                .arg(from);
        return (lowIncluded ? words("%1 to %2", syntax) : words("above %1 up to %2", syntax))
            .arg(from, to);
    case OptionKind::Arrays:
        return allowedArrayNames();
    case OptionKind::Choice:
        return choiceList().join(words(" or ", syntax));
    case OptionKind::Electrodes:
    case OptionKind::Region:
    case OptionKind::Flag:
        break;
    }
    return QString();
}

QString Option::defaultText(Syntax syntax) const
{
    if (required)
        return words("default: none, it must be given", syntax);
    if (emptyIsNone || !isNumeric())
        return words("default: %1", syntax).arg(words(defaultWords, syntax));
    return words("default %1", syntax).arg(plainNumber(defaultValue));
}

QString Option::helpText(
    Syntax syntax, const char *ownHelp, const QString &ownUse, const QString &ownDefault) const
{
    QString text = words(ownHelp ? ownHelp : help, syntax);
    text.replace(QLatin1String("{range}"), rangeText(syntax));
    text.replace(QLatin1String("{default}"),
        ownDefault.isEmpty() ? defaultText(syntax) : words("default: %1", syntax).arg(ownDefault));
    text.replace(QLatin1String("{use}"), ownUse.isEmpty() ? words(use, syntax) : ownUse);
    return text;
}

QString Option::allowedText(Syntax syntax) const
{
    if (allowed)
        return words(allowed, syntax);
    const QString from = plainNumber(low);
    switch (kind) {
    case OptionKind::Whole:
        return words("a whole number from %1 to %2", syntax).arg(from, plainNumber(high));
    case OptionKind::Spacing:
        return rangeText(syntax);
    case OptionKind::Seconds:
        return words("seconds %1", syntax).arg(rangeText(syntax));
    case OptionKind::Decimal:
        if (qIsInf(high)) {
            if (lowIncluded)
                return words("a number of at least %1", syntax).arg(from);
            return low == 0 ? words("a positive number", syntax)
                            : words("a number above %1", syntax).arg(from);
        }
        return words("a number from %1%2 up to %3", syntax)
            .arg(from, lowIncluded ? QString() : words(" (excluded)", syntax), plainNumber(high));
    case OptionKind::Arrays:
        return words("one of %1", syntax).arg(allowedArrayNames());
    case OptionKind::Choice:
        return rangeText(syntax);
    case OptionKind::Electrodes:
    case OptionKind::Region:
    case OptionKind::Flag:
        break;
    }
    return QString();
}

QString Option::defaultValueText() const
{
    switch (kind) {
    case OptionKind::Choice:
        return choiceList().value(int(defaultValue));
    case OptionKind::Flag:
        return emptyIsNone      ? QString()
            : defaultValue != 0 ? QStringLiteral("true")
                                : QStringLiteral("false");
    case OptionKind::Electrodes:
    case OptionKind::Region:
    case OptionKind::Arrays:
        return emptyIsNone ? QString() : QString::fromLatin1(defaultWords);
    case OptionKind::Whole:
    case OptionKind::Decimal:
    case OptionKind::Spacing:
    case OptionKind::Seconds:
        break;
    }
    return emptyIsNone ? QString() : plainNumber(defaultValue);
}

std::optional<double> Option::read(const QString &given, Syntax syntax) const
{
    const QString text = syntax == Syntax::Box ? given.trimmed() : given;
    std::optional<double> value;
    switch (kind) {
    case OptionKind::Whole: {
        // Digits only: a sign, blanks or an exponent are more likely typos than intent. Nine
        // digits always fit an int.
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}\\z"));
        if (digits.match(text).hasMatch())
            value = text.toInt();
        break;
    }
    case OptionKind::Decimal:
        if (syntax == Syntax::Box) {
            value = boxDecimal(text);
        } else {
            bool ok = false;
            const double number = QLocale::c().toDouble(text, &ok);
            if (ok && qIsFinite(number))
                value = number;
        }
        break;
    case OptionKind::Spacing:
        // Whole millimetres, compared exactly: parseSpacing has the rule.
        return parseSpacing(syntax == Syntax::Box ? commandLineText(text) : text);
    case OptionKind::Seconds: {
        static const QRegularExpression plainDecimal(
            QStringLiteral("^(?=\\.?[0-9])[0-9]{0,4}(\\.[0-9]{1,3})?\\z"));
        const QString plain = syntax == Syntax::Box ? commandLineText(text) : text;
        if (plainDecimal.match(plain).hasMatch())
            value = plain.toDouble();
        break;
    }
    case OptionKind::Choice: {
        const int index = choiceList().indexOf(text.toLower());
        if (index >= 0)
            return index;
        return std::nullopt;
    }
    case OptionKind::Flag:
        if (text == QLatin1String("true") || text == QLatin1String("1"))
            return 1;
        if (text == QLatin1String("false") || text == QLatin1String("0"))
            return 0;
        return std::nullopt;
    case OptionKind::Electrodes:
    case OptionKind::Region:
    case OptionKind::Arrays:
        return std::nullopt;
    }
    if (value && accepts(*value))
        return value;
    return std::nullopt;
}

QString Option::refusal(const QString &text, Syntax syntax) const
{
    const bool box = syntax == Syntax::Box;
    // In a box, nothing typed is none; on the command line an option given is given a value.
    if (emptyIsNone && box && text.trimmed().isEmpty())
        return QString();
    const QString option = QStringLiteral("--") + QLatin1String(name);
    // What a box asks for when it may also be left empty.
    const QString orNothing = emptyIsNone
        ? translated(", or nothing for %1").arg(words(defaultWords, syntax))
        : QString();
    switch (kind) {
    case OptionKind::Electrodes: {
        QString error;
        if (parseElectrodeSet(text, &error, int(high)))
            return QString();
        return box ? translated("Give %1%2: %3").arg(allowedText(syntax), orNothing, error)
                   : QStringLiteral("invalid %1: %2").arg(option, error);
    }
    case OptionKind::Region:
        if (parseTargetRegion(text))
            return QString();
        return box
            ? translated("Give %1%2.").arg(allowedText(syntax), orNothing)
            : QStringLiteral("invalid %1 '%2': give %3").arg(option, text, allowedText(syntax));
    case OptionKind::Arrays: {
        QString unknown;
        const std::optional<QVector<ArrayKind>> kinds = parseArrayNames(text, syntax, &unknown);
        if (kinds && (emptyIsNone || !kinds->isEmpty()))
            return QString();
        if (box) {
            return kinds ? translated("Tick at least one array.")
                         : translated("Unknown array '%1': give names separated by commas, of %2")
                               .arg(unknown, allowedArrayNames());
        }
        return QStringLiteral("unknown array '%1' for %2: give %3")
            .arg(unknown, option, allowedText(syntax));
    }
    case OptionKind::Choice:
        if (read(text, syntax))
            return QString();
        return box
            ? translated("Give %1.").arg(allowedText(syntax))
            : QStringLiteral("unknown %1 '%2': give %3").arg(option, text, allowedText(syntax));
    case OptionKind::Flag:
        return read(text, syntax) ? QString() : translated("Give true or false.");
    case OptionKind::Whole:
    case OptionKind::Decimal:
    case OptionKind::Spacing:
    case OptionKind::Seconds:
        break;
    }
    if (read(text, syntax))
        return QString();
    if (box) {
        return kind == OptionKind::Whole
            ? translated("Give %1%2.").arg(allowedText(syntax), orNothing)
            : translated("Give %1%2; a comma or a full stop is the decimal point.")
                  .arg(allowedText(syntax), orNothing);
    }
    // The spacing's refusal has always named it so.
    if (kind == OptionKind::Spacing)
        return QStringLiteral("invalid spacing '%1': give %2").arg(text, allowedText(syntax));
    return QStringLiteral("invalid %1 '%2': give %3").arg(option, text, allowedText(syntax));
}

QString arrayNamesText(const QVector<ArrayKind> &kinds)
{
    QStringList names;
    for (const ArrayKind kind : kinds) {
        for (const ArrayKindName &name : arrayKindNames()) {
            if (name.kind == kind)
                names.append(name.alias);
        }
    }
    return names.join(QLatin1Char(','));
}

std::optional<QVector<ArrayKind>> parseArrayNames(
    const QString &text, Syntax syntax, QString *unknown)
{
    QVector<ArrayKind> kinds;
    if (syntax == Syntax::Box && text.trimmed().isEmpty())
        return kinds;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QString name = part.trimmed();
        if (name.isEmpty() && syntax == Syntax::Box)
            continue;
        const std::optional<ArrayKind> kind = findArrayKind(name);
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

namespace Options {

const QVector<const Option *> &all()
{
    static const QVector<const Option *> options { &Electrodes, &CableInUse, &Spacing, &Exclude,
        &Resistivity, &Current, &Floor, &Error, &FactorLimit, &MinVoltage, &CellsPerSpacing,
        &FirstLayer, &LayerGrowth, &GridDepth, &CancellationError, &Damping, &Channels,
        &ChannelLayout, &MaxDipole, &AllowEnclosing, &SecondsPerInjection, &GapSeconds, &Source,
        &Arrays, &AMax, &NMax, &Measurements, &Target, &BaseShare, &Base, &MaxCancellation,
        &Reciprocals, &Order, &Gap, &GroundBackground, &BlockResistivity, &LineElectrodes, &Move,
        &LineExclude, &DesignPerSpread, &Noise, &NoiseFloor, &Seed, &ZWeight, &MaxIterations,
        &Adaptive };
    return options;
}

} // namespace Options

QString designBaseProblem(int baseShare, const QVector<ArrayKind> &baseArrays, Syntax syntax)
{
    if (baseShare > 0 || !baseArrays.isEmpty())
        return QString();
    return syntax == Syntax::Box
        ? translated("With a base share of 0 %, name an array to start from.")
        : QStringLiteral("--%1 0 needs --%2 %3: the design starts from at least one configuration")
              .arg(QLatin1String(Options::BaseShare.name), QLatin1String(Options::Base.name),
                  QLatin1String(Options::Base.valueName));
}

QString chainedArrayProblem(
    ArrayKind kind, ChannelLayout layout, Syntax syntax, const QString &asGiven)
{
    if (layout != ChannelLayout::Chained || formsChains(kind))
        return QString();
    return syntax == Syntax::Box
        ? translated("A chained layout takes only dipole-dipole, pole-dipole and gradient, whose "
                     "dipoles of one current pair form a chain.")
        : QStringLiteral("--%1 chained applies only to dipole-dipole, pole-dipole and gradient, "
                         "whose dipoles of one current pair form a chain; not to '%2'")
              .arg(QLatin1String(Options::ChannelLayout.name), asGiven);
}

bool ordersByDefault(int channels)
{
    return channels > 1;
}

ResolutionOptions SurveySettings::resolutionOptions() const
{
    ResolutionOptions options;
    options.factorLimit = factorLimit ? *factorLimit : std::numeric_limits<double>::infinity();
    options.noise.relativeError = Options::Error.modelValue(error);
    options.noise.cancellationError = Options::CancellationError.modelValue(cancellationError);
    options.resistivityOhmMetres = resistivity;
    options.currentAmperes = Options::Current.modelValue(current);
    options.minVoltage = minVoltage ? Options::MinVoltage.modelValue(*minVoltage) : 0;
    options.noise.floorPerMetre = NoiseModel::floorPerMetreAt(
        Options::Floor.modelValue(floor), resistivity, options.currentAmperes);
    options.excluded = excluded;
    options.damping = damping;
    return options;
}

CheckOptions SurveySettings::checkOptions() const
{
    const ResolutionOptions model = resolutionOptions();
    CheckOptions options;
    options.factorLimitMetres = model.factorLimit;
    options.resistivityOhmMetres = model.resistivityOhmMetres;
    options.currentAmperes = model.currentAmperes;
    options.minVoltage = model.minVoltage;
    options.excluded = excluded;
    return options;
}

} // namespace Kgw
