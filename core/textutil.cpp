#include "textutil.h"

#include <QtNumeric>

#include <cmath>

namespace Kgw {

QString elided(const QString &text, int maxLength)
{
    if (text.size() <= maxLength)
        return text;
    int cut = maxLength;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

QString printable(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c.category() == QChar::Other_Control)
            c = c.isSpace() ? QChar(QLatin1Char(' ')) : QChar(QChar::ReplacementCharacter);
    }
    return result;
}

QString quotedWord(const QString &word)
{
    return elided(printable(word), FieldQuoteLength);
}

QString counted(int count, const QString &noun)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(noun).arg(
        count == 1 ? QString() : QStringLiteral("s"));
}

QString metres(double value)
{
    if (qIsNaN(value))
        return QStringLiteral("nan");
    if (qIsInf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return QString::number(value, 'f', 3);
}

QString millivolts(double volts)
{
    const double value = volts * 1000;
    if (std::abs(value) >= 0.1 && std::abs(value) < 1e9)
        return QString::number(value, 'f', 3);
    return QString::number(value, 'g', 4);
}

QString millivoltLimit(double volts)
{
    const double value = volts * 1000;
    const QString decimals = QString::number(value, 'f', 3);
    // Ten digits are more than anyone types, and hide the rounding of the conversion to volts.
    const QString given = QString::number(value, 'g', 10);
    return given.toDouble() == decimals.toDouble() ? decimals : given;
}

QString clockTime(double seconds)
{
    const qint64 whole = qRound64(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

} // namespace Kgw
