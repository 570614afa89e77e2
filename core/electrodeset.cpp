#include "electrodeset.h"

#include "textutil.h"

#include <QStringList>

namespace Kgw {

namespace {

// A whole number written with digits only, so that "+7" or "7.0" is not taken for a position.
std::optional<int> position(const QString &text, int highest)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 4)
        return std::nullopt;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const int value = trimmed.toInt();
    if (value < 1 || value > highest)
        return std::nullopt;
    return value;
}

} // namespace

void ElectrodeSet::insert(int electrode)
{
    if (electrode >= 1 && electrode <= MaxLinePositions)
        m_bits.set(size_t(electrode));
}

int ElectrodeSet::highest() const
{
    for (int e = MaxLinePositions; e >= 1; --e) {
        if (contains(e))
            return e;
    }
    return 0;
}

ElectrodeSet ElectrodeSet::onSpread(int first, int electrodes) const
{
    ElectrodeSet spread;
    for (int e = 1; e <= electrodes; ++e) {
        if (contains(first + e - 1))
            spread.insert(e);
    }
    return spread;
}

QString ElectrodeSet::text() const
{
    QStringList parts;
    for (int first = 1; first <= MaxLinePositions; ++first) {
        if (!contains(first))
            continue;
        int last = first;
        while (contains(last + 1))
            ++last;
        parts << (first == last ? QString::number(first)
                                : QStringLiteral("%1-%2").arg(first).arg(last));
        first = last;
    }
    return parts.join(QStringLiteral(", "));
}

std::optional<ElectrodeSet> parseElectrodeSet(const QString &text, QString *error, int highest)
{
    ElectrodeSet set;
    const auto fail = [&](const QString &part) {
        *error = QStringLiteral("'%1' is not an electrode from 1 to %2 or a range FIRST-LAST of "
                                "them, FIRST below LAST")
                     .arg(printable(elided(part.trimmed(), FieldQuoteLength)))
                     .arg(highest);
        return std::nullopt;
    };
    if (text.trimmed().isEmpty()) {
        *error = QStringLiteral("no electrode given");
        return std::nullopt;
    }
    for (const QString &part : text.split(QLatin1Char(','))) {
        const int dash = part.indexOf(QLatin1Char('-'));
        const std::optional<int> first = position(dash < 0 ? part : part.left(dash), highest);
        const std::optional<int> last = dash < 0 ? first : position(part.mid(dash + 1), highest);
        if (!first || !last || (dash >= 0 && *first >= *last))
            return fail(part);
        for (int e = *first; e <= *last; ++e)
            set.insert(e);
    }
    return set;
}

} // namespace Kgw
