#include "electrodeset.h"

#include "textutil.h"

#include <QStringList>

#include <algorithm>

namespace Kgw {

namespace {

// A whole number written with digits only, so that "+7" or "7.0" is not taken for a position; at
// most three digits, or as many as the highest position has.
std::optional<int> position(const QString &text, int positions)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > std::max(3, int(QString::number(positions).size())))
        return std::nullopt;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const int value = trimmed.toInt();
    if (value < 1 || value > positions)
        return std::nullopt;
    return value;
}

} // namespace

bool ElectrodeSet::isEmpty() const
{
    return std::all_of(m_bits.cbegin(), m_bits.cend(), [](quint64 word) { return word == 0; });
}

void ElectrodeSet::insert(int electrode)
{
    if (electrode >= 1 && electrode <= MaxLinePositions)
        m_bits[size_t(electrode) / 64] |= quint64(1) << electrode % 64;
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

std::optional<ElectrodeSet> parseElectrodeSet(const QString &text, QString *error, int positions)
{
    ElectrodeSet set;
    const auto fail = [&](const QString &part) {
        *error = QStringLiteral("'%1' is not an electrode from 1 to %2 or a range FIRST-LAST of "
                                "them, FIRST below LAST")
                     .arg(printable(elided(part.trimmed(), FieldQuoteLength)))
                     .arg(positions);
        return std::nullopt;
    };
    if (text.trimmed().isEmpty()) {
        *error = QStringLiteral("no electrode given");
        return std::nullopt;
    }
    for (const QString &part : text.split(QLatin1Char(','))) {
        const int dash = part.indexOf(QLatin1Char('-'));
        const std::optional<int> first = position(dash < 0 ? part : part.left(dash), positions);
        const std::optional<int> last = dash < 0 ? first : position(part.mid(dash + 1), positions);
        if (!first || !last || (dash >= 0 && *first >= *last))
            return fail(part);
        for (int e = *first; e <= *last; ++e)
            set.insert(e);
    }
    return set;
}

} // namespace Kgw
