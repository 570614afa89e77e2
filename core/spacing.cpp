#include "spacing.h"

#include <QRegularExpression>
#include <QtMath>

namespace Kgw {

std::optional<double> parseSpacing(const QString &text)
{
    // With at most three decimals the text is a whole number of millimetres, so the bounds are
    // compared exactly.
    static const QRegularExpression plainDecimal(
        QStringLiteral("^(?=\\.?[0-9])[0-9]*(\\.[0-9]{1,3})?\\z"));
    if (!plainDecimal.match(text).hasMatch())
        return std::nullopt;
    const double metres = text.toDouble();
    // Checked before rounding, as a long enough run of digits reads as infinity.
    if (!(metres <= MaximumSpacingMillimetres / 1000.0))
        return std::nullopt;
    const qint32 millimetres = qint32(qRound64(metres * 1000));
    if (!isSpacingInRange(millimetres))
        return std::nullopt;
    return millimetres / 1000.0;
}

QString spacingRangeText()
{
    return QStringLiteral("0.001 to 100 metres, with at most three decimals");
}

} // namespace Kgw
