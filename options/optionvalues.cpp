#include "optionvalues.h"

#include <QSettings>

namespace Kgw {

QString OptionValues::text(const Option &option) const
{
    const auto given = m_texts.constFind(&option);
    return given != m_texts.constEnd() ? *given : option.defaultValueText();
}

void OptionValues::setText(const Option &option, const QString &text)
{
    m_texts.insert(&option, text);
}

QString OptionValues::refusal(const Option &option) const
{
    return option.refusal(text(option), Syntax::Box);
}

std::optional<double> OptionValues::optionalNumber(const Option &option) const
{
    const QString given = text(option);
    if (option.emptyIsNone && given.trimmed().isEmpty())
        return std::nullopt;
    if (const std::optional<double> value = option.read(given, Syntax::Box))
        return value;
    return option.emptyIsNone ? std::nullopt : std::optional<double>(option.defaultValue);
}

double OptionValues::number(const Option &option) const
{
    return optionalNumber(option).value_or(option.defaultValue);
}

std::optional<bool> OptionValues::flag(const Option &option) const
{
    if (const std::optional<double> value = optionalNumber(option))
        return *value != 0;
    return std::nullopt;
}

ElectrodeSet OptionValues::electrodes(const Option &option) const
{
    QString error;
    return parseElectrodeSet(text(option), &error, int(option.high)).value_or(ElectrodeSet());
}

std::optional<TargetRegion> OptionValues::region(const Option &option) const
{
    return parseTargetRegion(text(option));
}

QVector<ArrayKind> OptionValues::arrays(const Option &option) const
{
    return parseArrayNames(text(option), Syntax::Box)
        .value_or(
            parseArrayNames(option.defaultValueText(), Syntax::Box).value_or(QVector<ArrayKind>()));
}

void OptionValues::save(QSettings *store) const
{
    for (const Option *option : Options::all()) {
        if (!option->key)
            continue;
        const QString key = QLatin1String(option->key);
        if (isGiven(*option))
            store->setValue(key, text(*option));
        else
            store->remove(key);
    }
}

void OptionValues::load(QSettings *store)
{
    m_texts.clear();
    for (const Option *option : Options::all()) {
        if (!option->key)
            continue;
        const QString key = QLatin1String(option->key);
        if (!store->contains(key))
            continue;
        const QString stored = store->value(key).toString();
        if (option->refusal(stored, Syntax::Box).isEmpty())
            m_texts.insert(option, stored);
    }
}

} // namespace Kgw
