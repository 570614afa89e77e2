#include "colourscale.h"

#include "picture.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace Kgw {

namespace {

constexpr int Decades = 4;
// The narrowest colour bar, relative to its bounds: its labels then need up to 8 digits.
constexpr double MinRelativeRange = 1e-6;

const QColor &Ink = PictureInk;

// Viridis: even in lightness, and read alike by the common colour-vision deficiencies.
QColor viridis(double t)
{
    static const std::array<QColor, 9> stops = { QColor(68, 1, 84), QColor(71, 44, 122),
        QColor(59, 81, 139), QColor(44, 113, 142), QColor(33, 144, 141), QColor(39, 173, 129),
        QColor(92, 200, 99), QColor(170, 220, 50), QColor(253, 231, 37) };
    t = (std::isnan(t) ? 0 : std::clamp(t, 0.0, 1.0)) * (stops.size() - 1);
    const int i = std::min(int(t), int(stops.size()) - 2);
    const double f = t - i;
    const QColor &a = stops[size_t(i)];
    const QColor &b = stops[size_t(i + 1)];
    return QColor(qRound(a.red() + f * (b.red() - a.red())),
        qRound(a.green() + f * (b.green() - a.green())),
        qRound(a.blue() + f * (b.blue() - a.blue())));
}

// "10⁻³": powers of ten as a reader expects them on a logarithmic bar.
QString powerOfTen(int exponent)
{
    static const char16_t digits[] = u"⁰¹²³⁴⁵⁶⁷⁸⁹";
    QString text = QStringLiteral("10");
    if (exponent < 0)
        text += QChar(0x207b);
    for (const QChar c : QString::number(std::abs(exponent)))
        text += QChar(digits[c.digitValue()]);
    return text;
}

} // namespace

QString ColourScale::rangeError(Kind kind, double low, double high)
{
    if (!std::isfinite(low) || !std::isfinite(high))
        return QStringLiteral("give finite numbers");
    if (low >= high)
        return QStringLiteral("LOW must be below HIGH");
    // The bar steps through the range, and labels its steps with as many digits as tell them
    // apart: neither may run beyond a number or beyond the picture.
    if (!std::isfinite(high - low))
        return QStringLiteral("LOW and HIGH are too far apart to draw");
    if (high - low < MinRelativeRange * std::max(std::abs(low), std::abs(high)))
        return QStringLiteral("LOW and HIGH are too close to tell apart on a colour bar");
    if (kind == Logarithmic && low <= 0)
        return QStringLiteral("the sensitivity's logarithmic scale needs bounds above 0");
    return QString();
}

void ColourScale::setRange(double low, double high)
{
    if (!rangeError(m_kind, low, high).isEmpty())
        return;
    m_low = low;
    m_high = high;
    // Apart, as a bound near the smallest double would overflow the ratio.
    m_decades = m_kind == Logarithmic ? std::log10(high) - std::log10(low) : 0;
    m_fixedRange = true;
}

void ColourScale::fitLargest(double largest)
{
    if (m_kind != Logarithmic || m_fixedRange)
        return;
    m_high = largest;
    m_low = largest / std::pow(10.0, Decades);
    m_decades = Decades;
}

void ColourScale::spanValues(double lowest, double highest)
{
    if (!rangeError(Logarithmic, lowest, highest).isEmpty()) {
        lowest /= std::sqrt(10.0);
        highest *= std::sqrt(10.0);
    }
    setRange(lowest, highest);
}

QColor ColourScale::colourOf(double value) const
{
    if (!std::isfinite(value))
        return viridis(0);
    if (m_kind == Unit)
        return viridis((value - m_low) / (m_high - m_low));
    if (!(m_high > 0) || value <= m_low)
        return viridis(0);
    return viridis((std::log10(value) - std::log10(m_low)) / m_decades);
}

void ColourScale::draw(
    QPainter *painter, const QRectF &barArea, double quantityX, const QString &quantity) const
{
    const double top = barArea.top();
    const double bottom = barArea.bottom();
    const double left = barArea.left();
    const double width = barArea.width();
    constexpr int Steps = 128;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::NoPen);
    for (int i = 0; i < Steps; ++i) {
        const double y0 = bottom - (i + 1) * (bottom - top) / Steps;
        painter->setBrush(viridis((i + 0.5) / Steps));
        painter->drawRect(QRectF(left, y0, width, (bottom - top) / Steps + 0.5));
    }
    painter->restore();
    painter->setPen(QPen(Ink, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(left, top, width, bottom - top));

    const QFont labelFont = pictureFont(12);
    const QFontMetricsF metrics(labelFont, painter->device());
    painter->setFont(labelFont);
    const auto tick = [&](double share, const QString &text) {
        const double y = bottom - share * (bottom - top);
        painter->drawLine(QPointF(left + width, y), QPointF(left + width + 5, y));
        painter->drawText(QPointF(left + width + 8, y + metrics.ascent() / 2 - 1), text);
    };
    if (m_kind == Unit && !m_fixedRange) {
        for (int i = 0; i <= 5; ++i)
            tick(i / 5.0, QString::number(i / 5.0, 'f', 1));
    } else if (m_kind == Unit) {
        // Counted, not summed: a range narrow beside its size would never step past its end.
        const double step = niceStep(m_high - m_low, 5);
        const double first = std::ceil(m_low / step - 1e-9) * step;
        for (int i = 0; i <= 10; ++i) {
            const double v = first + i * step;
            if (v > m_high + 1e-9 * step)
                break;
            tick((v - m_low) / (m_high - m_low), tickLabel(v, step));
        }
    } else if (m_high > 0) {
        const double lowest = std::log10(m_low);
        const int first = int(std::ceil(lowest - 1e-9));
        const int last = int(std::floor(std::log10(m_high) + 1e-9));
        // A fixed range may span hundreds of decades; about eight labels still read.
        const int every = std::max(1, (last - first + 8) / 8);
        int powers = 0;
        for (int e = first; e <= last; e += every) {
            tick((e - lowest) / m_decades, powerOfTen(e));
            ++powers;
        }
        // A range within a decade names its ends instead.
        if (powers < 2) {
            tick(0, QString::number(m_low, 'g', 3));
            tick(1, QString::number(m_high, 'g', 3));
        }
    }

    painter->save();
    painter->translate(quantityX, (top + bottom) / 2 + metrics.horizontalAdvance(quantity) / 2);
    painter->rotate(-90);
    painter->drawText(QPointF(0, metrics.ascent() / 2), quantity);
    painter->restore();
}

} // namespace Kgw
