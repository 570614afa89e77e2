#include "spacing.h"

namespace Kgw {

namespace {

constexpr int Decimals = 3;
// More integer digits than this can't be within range, and would overflow if summed.
constexpr int MaxIntegerDigits = 3;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

bool parseSpacing(const QString &text, double *metres)
{
    const int dot = text.indexOf(QLatin1Char('.'));
    QString whole = dot < 0 ? text : text.left(dot);
    const QString decimals = dot < 0 ? QString() : text.mid(dot + 1);
    if (whole.isEmpty() && decimals.isEmpty())
        return false;
    if (dot >= 0 && (decimals.isEmpty() || decimals.size() > Decimals))
        return false;
    for (const QChar c : whole + decimals) {
        if (!isAsciiDigit(c))
            return false;
    }
    while (whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.size() > MaxIntegerDigits)
        return false;

    // Whole millimetres, so that the bounds are compared exactly.
    qint32 millimetres = 0;
    for (const QChar c : whole)
        millimetres = millimetres * 10 + c.digitValue();
    for (int i = 0; i < Decimals; ++i)
        millimetres = millimetres * 10 + (i < decimals.size() ? decimals.at(i).digitValue() : 0);
    if (!isSpacingInRange(millimetres))
        return false;
    *metres = millimetres / 1000.0;
    return true;
}

QString spacingRangeText()
{
    return QStringLiteral("0.001 to 100 metres, with at most three decimals");
}

} // namespace Kgw
