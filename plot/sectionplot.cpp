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
        m_scale.fitLargest(largest);
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
    return ColourScale::rangeError(scale, low, high);
}

void SectionPlot::setRange(double low, double high)
{
    m_scale.setRange(low, high);
}

std::pair<double, double> SectionPlot::valueSpan() const
{
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    for (const double v : m_section.values) {
        if (std::isfinite(v) && (m_scale.kind() != Logarithmic || v > 0)) {
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    }
    if (lowest > highest)
        return { std::numeric_limits<double>::quiet_NaN(),
            std::numeric_limits<double>::quiet_NaN() };
    return { lowest, highest };
}

void SectionPlot::markDepth(double depth, const QString &name, const QString &rule)
{
    m_section.investigationDepth = depth;
    m_section.investigationName = name;
    m_section.investigationRule = rule;
}

QSize SectionPlot::size() const
{
    return QSize(
        Width, int(std::ceil(PlotTop + m_plotHeight + BelowPlot + legendLines() * LegendHeight)));
}

QColor SectionPlot::colourOf(double value) const
{
    return m_scale.colourOf(value);
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
    m_scale.draw(painter, QRectF(BarLeft, PlotTop, BarWidth, m_plotHeight), Width - 24, m_quantity);
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
