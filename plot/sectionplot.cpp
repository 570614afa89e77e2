#include "sectionplot.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace Kgw {

namespace {

constexpr int Width = 1200;
constexpr double PlotLeft = 90;
constexpr double PlotTop = 90;
constexpr double PlotRight = Width - 190;
constexpr double BelowPlot = 96;
constexpr double BarLeft = Width - 150;
constexpr double BarWidth = 24;
// A cable is far longer than the depth it sees; a section thinner than this is stretched in
// depth, and one taller squeezed.
constexpr double MinPlotHeight = 220;
constexpr double MaxPlotHeight = 560;
constexpr int Decades = 4;
// The narrowest colour bar, relative to its bounds: its labels then need up to 8 digits.
constexpr double MinRelativeRange = 1e-6;
// A line of legend below the caption.
constexpr double LegendHeight = 22;
constexpr double LegendSample = 28;

const QColor &Ink = PictureInk;
// Apart from every colour of the scale, whose greys are all tinted.
const QColor MaskedCell(0xb0, 0xb0, 0xb0);
// White on a dark edge: viridis has neither, so the marks stand out on every colour of it.
const QColor MarkColour = Qt::white;

// A mark along the path: a dark edge, then white, dashed or solid.
void drawMark(QPainter *painter, const QPainterPath &path, bool dashed)
{
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(Ink, 4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter->drawPath(path);
    QPen pen(MarkColour, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (dashed)
        pen.setDashPattern({ 4, 2 });
    painter->setPen(pen);
    painter->drawPath(path);
}

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

SectionPlot::SectionPlot(const Section &section, Scale scale, const QString &title,
    const QString &quantity, const QString &caption)
    : m_section(section)
    , m_scale(scale)
    , m_title(title)
    , m_quantity(quantity)
    , m_caption(caption)
{
    m_title = withoutControls(m_title);
    if (scale == Logarithmic) {
        double largest = 0;
        for (const double v : m_section.values) {
            if (std::isfinite(v))
                largest = std::max(largest, v);
        }
        m_high = largest;
        m_low = largest / std::pow(10.0, Decades);
        m_decades = Decades;
    }
    const double width = m_section.xEdges.isEmpty()
        ? 1
        : m_section.xEdges.constLast() - m_section.xEdges.constFirst();
    const double depth = m_section.zEdges.isEmpty() ? 1 : m_section.zEdges.constLast();
    m_plotHeight = std::clamp((PlotRight - PlotLeft) * depth / width, MinPlotHeight, MaxPlotHeight);
    if (!m_section.xEdges.isEmpty() && !m_section.zEdges.isEmpty()) {
        m_frame = PlotFrame(QRectF(PlotLeft, PlotTop, PlotRight - PlotLeft, m_plotHeight),
            m_section.xEdges.constFirst(), m_section.xEdges.constLast(),
            m_section.zEdges.constLast());
    }
}

QString SectionPlot::rangeError(Scale scale, double low, double high)
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
    if (scale == Logarithmic && low <= 0)
        return QStringLiteral("the sensitivity's logarithmic scale needs bounds above 0");
    return QString();
}

void SectionPlot::setRange(double low, double high)
{
    if (!rangeError(m_scale, low, high).isEmpty())
        return;
    m_low = low;
    m_high = high;
    // Apart, as a bound near the smallest double would overflow the ratio.
    m_decades = m_scale == Logarithmic ? std::log10(high) - std::log10(low) : 0;
    m_fixedRange = true;
}

QSize SectionPlot::size() const
{
    return QSize(
        Width, int(std::ceil(PlotTop + m_plotHeight + BelowPlot + legendLines() * LegendHeight)));
}

QColor SectionPlot::colourOf(double value) const
{
    if (!std::isfinite(value))
        return viridis(0);
    if (m_scale == Unit)
        return viridis((value - m_low) / (m_high - m_low));
    if (!(m_high > 0) || value <= m_low)
        return viridis(0);
    return viridis((std::log10(value) - std::log10(m_low)) / m_decades);
}

void SectionPlot::draw(QPainter *painter) const
{
    painter->save();
    painter->fillRect(QRectF(QPointF(0, 0), QSizeF(size())), Qt::white);
    if (m_section.xEdges.size() >= 2 && m_section.zEdges.size() >= 2) {
        drawCells(painter);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::TextAntialiasing);
        drawAxes(painter);
        drawMarks(painter);
        m_frame.drawElectrodes(painter, m_section.electrodes, m_section.spacing);
    }
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    drawColourBar(painter);
    drawTexts(painter);
    painter->restore();
}

void SectionPlot::drawCells(QPainter *painter) const
{
    // On whole pixels and without antialiasing, so that neighbours share their edges exactly
    // and no seam shows between them.
    const int layers = m_section.zEdges.size() - 1;
    painter->setPen(Qt::NoPen);
    for (int c = 0; c + 1 < m_section.xEdges.size(); ++c) {
        const int left = qRound(m_frame.toPicture(m_section.xEdges.at(c), 0).x());
        const int right = qRound(m_frame.toPicture(m_section.xEdges.at(c + 1), 0).x());
        for (int l = 0; l < layers; ++l) {
            const int cell = c * layers + l;
            if (cell >= m_section.values.size())
                return;
            const int top = qRound(m_frame.toPicture(0, m_section.zEdges.at(l)).y());
            const int bottom = qRound(m_frame.toPicture(0, m_section.zEdges.at(l + 1)).y());
            const bool masked = cell < m_section.masked.size() && m_section.masked.at(cell);
            painter->setBrush(masked ? MaskedCell : colourOf(m_section.values.at(cell)));
            painter->drawRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
        }
    }
}

void SectionPlot::drawAxes(QPainter *painter) const
{
    const QRectF area = m_frame.area();
    const QFont labelFont = pictureFont(12);
    const QFontMetricsF metrics(labelFont, painter->device());
    painter->setFont(labelFont);
    painter->setPen(QPen(Ink, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(area);

    const double left = m_section.xEdges.constFirst();
    const double right = m_section.xEdges.constLast();
    const double xStep = niceStep(right - left, 10);
    for (double x = std::ceil(left / xStep - 1e-9) * xStep; x <= right + 1e-9 * xStep; x += xStep) {
        const double px = m_frame.toPicture(x, 0).x();
        painter->drawLine(QPointF(px, area.bottom()), QPointF(px, area.bottom() + 5));
        const QString text = tickLabel(x, xStep);
        painter->drawText(
            QPointF(px - metrics.horizontalAdvance(text) / 2, area.bottom() + 8 + metrics.ascent()),
            text);
    }
    const double depth = m_section.zEdges.constLast();
    const double zStep = niceStep(depth, std::max(2, int(m_plotHeight / 70)));
    for (double z = 0; z <= depth + 1e-9 * zStep; z += zStep) {
        const double py = m_frame.toPicture(left, z).y();
        painter->drawLine(QPointF(area.left() - 5, py), QPointF(area.left(), py));
        const QString text = tickLabel(z, zStep);
        painter->drawText(QPointF(area.left() - 8 - metrics.horizontalAdvance(text),
                              py + metrics.ascent() / 2 - 1),
            text);
    }

    m_frame.drawAxisTitles(painter);
}

void SectionPlot::drawColourBar(QPainter *painter) const
{
    const double top = PlotTop;
    const double bottom = PlotTop + m_plotHeight;
    constexpr int Steps = 128;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::NoPen);
    for (int i = 0; i < Steps; ++i) {
        const double y0 = bottom - (i + 1) * (bottom - top) / Steps;
        painter->setBrush(viridis((i + 0.5) / Steps));
        painter->drawRect(QRectF(BarLeft, y0, BarWidth, (bottom - top) / Steps + 0.5));
    }
    painter->restore();
    painter->setPen(QPen(Ink, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(BarLeft, top, BarWidth, bottom - top));

    const QFont labelFont = pictureFont(12);
    const QFontMetricsF metrics(labelFont, painter->device());
    painter->setFont(labelFont);
    const auto tick = [&](double share, const QString &text) {
        const double y = bottom - share * (bottom - top);
        painter->drawLine(QPointF(BarLeft + BarWidth, y), QPointF(BarLeft + BarWidth + 5, y));
        painter->drawText(QPointF(BarLeft + BarWidth + 8, y + metrics.ascent() / 2 - 1), text);
    };
    if (m_scale == Unit && !m_fixedRange) {
        for (int i = 0; i <= 5; ++i)
            tick(i / 5.0, QString::number(i / 5.0, 'f', 1));
    } else if (m_scale == Unit) {
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
    painter->translate(Width - 24, (top + bottom) / 2 + metrics.horizontalAdvance(m_quantity) / 2);
    painter->rotate(-90);
    painter->drawText(QPointF(0, metrics.ascent() / 2), m_quantity);
    painter->restore();
}

void SectionPlot::drawTexts(QPainter *painter) const
{
    const QFont titleFont = pictureFont(17, true);
    const QFontMetricsF titleMetrics(titleFont, painter->device());
    painter->setFont(titleFont);
    painter->setPen(Ink);
    painter->drawText(QPointF(16, 14 + titleMetrics.ascent()),
        titleMetrics.elidedText(m_title, Qt::ElideMiddle, Width - 2 * 16));

    const QFont captionFont = pictureFont(12);
    const QFontMetricsF metrics(captionFont, painter->device());
    painter->setFont(captionFont);
    const double baseline = size().height() - 12 - metrics.descent();
    painter->drawText(QPointF(PlotLeft, baseline),
        metrics.elidedText(m_caption, Qt::ElideRight, Width - PlotLeft - 16));
    drawLegend(painter, baseline - legendLines() * LegendHeight);
}

bool SectionPlot::hasMaskedCells() const
{
    return !m_section.maskedMeaning.isEmpty()
        && std::find(m_section.masked.cbegin(), m_section.masked.cend(), true)
        != m_section.masked.cend();
}

// A line for each mark and for the grey cells, so that each says in words what it is.
int SectionPlot::legendLines() const
{
    return (m_section.target.isEmpty() ? 0 : 1)
        + (std::isfinite(m_section.investigationDepth) ? 1 : 0) + (hasMaskedCells() ? 1 : 0);
}

void SectionPlot::drawMarks(QPainter *painter) const
{
    painter->save();
    painter->setClipRect(m_frame.area());
    if (!m_section.target.isEmpty()) {
        const QRectF &t = m_section.target;
        QPainterPath outline;
        outline.addRect(
            QRectF(m_frame.toPicture(t.left(), t.top()), m_frame.toPicture(t.right(), t.bottom())));
        drawMark(painter, outline, false);
    }
    const double depth = m_section.investigationDepth;
    if (std::isfinite(depth) && depth <= m_section.zEdges.constLast()) {
        QPainterPath line;
        line.moveTo(m_frame.toPicture(m_section.xEdges.constFirst(), depth));
        line.lineTo(m_frame.toPicture(m_section.xEdges.constLast(), depth));
        drawMark(painter, line, true);
    }
    painter->restore();
}

void SectionPlot::drawLegend(QPainter *painter, double baseline) const
{
    const QFont font = pictureFont(12);
    const QFontMetricsF metrics(font, painter->device());
    painter->setFont(font);
    const auto entry = [&](const auto &drawSample, const QString &text) {
        const double middle = baseline - metrics.ascent() / 2 + 1;
        drawSample(PlotLeft, middle);
        painter->setPen(Ink);
        const double x = PlotLeft + LegendSample + 8;
        painter->drawText(QPointF(x, baseline),
            metrics.elidedText(withoutControls(text), Qt::ElideRight, Width - 16 - x));
        baseline += LegendHeight;
    };
    const double depth = m_section.investigationDepth;
    if (std::isfinite(depth)) {
        QString text
            = QStringLiteral("%1 %2 m").arg(m_section.investigationName).arg(depth, 0, 'f', 1);
        const double bottom = m_section.zEdges.value(m_section.zEdges.size() - 1, 0);
        if (depth > bottom)
            text += QStringLiteral(", below the section");
        else if (depth == bottom)
            text += QStringLiteral(", the section's bottom");
        if (!m_section.investigationRule.isEmpty())
            text += QStringLiteral(": ") + m_section.investigationRule;
        entry(
            [&](double x, double middle) {
                QPainterPath line;
                line.moveTo(x, middle);
                line.lineTo(x + LegendSample, middle);
                drawMark(painter, line, true);
            },
            text);
    }
    if (!m_section.target.isEmpty()) {
        const QRectF &t = m_section.target;
        entry(
            [&](double x, double middle) {
                QPainterPath box;
                box.addRect(QRectF(x + 4, middle - 6, LegendSample - 8, 12));
                drawMark(painter, box, false);
            },
            QStringLiteral("target x %1 to %2 m, depth %3 to %4 m")
                .arg(t.left(), 0, 'g', 6)
                .arg(t.right(), 0, 'g', 6)
                .arg(t.top(), 0, 'g', 6)
                .arg(t.bottom(), 0, 'g', 6));
    }
    if (hasMaskedCells()) {
        entry(
            [&](double x, double middle) {
                painter->setPen(QPen(Ink, 1));
                painter->setBrush(MaskedCell);
                painter->drawRect(QRectF(x + 4, middle - 6, LegendSample - 8, 12));
            },
            QStringLiteral("grey: ") + m_section.maskedMeaning);
    }
}

WriteResult SectionPlot::write(const QString &fileName) const
{
    return writePicture(
        fileName, size(), m_title, m_quantity, [this](QPainter *painter) { draw(painter); });
}

} // namespace Kgw
