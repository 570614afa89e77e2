#include "coverageplot.h"

#include "depth.h"
#include "geometry.h"
#include "quadruple.h"
#include "textutil.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>
#include <vector>

namespace Kgw {

namespace {

constexpr int Width = 1200;
constexpr int Height = 720;
constexpr double PlotLeft = 90;
constexpr double PlotTop = 90;
constexpr double PlotRight = Width - 210;
constexpr double PlotBottom = Height - 96;

const QColor &Ink = PictureInk;
const QColor Grid(0xe4, 0xe4, 0xe4);
// The ground no spread reaches: a grey that every marker colour stands out on.
const QColor Unreached(0, 0, 0, 20);
// A legend row's height, and how many fit beside the plot.
constexpr double LegendRow = 22;
constexpr int LegendRows = int((PlotBottom - PlotTop - 34) / LegendRow);

// Many quadruples share a place, so markers get smaller and fainter as their number grows
// and piles of them show as deeper colour.
double markerRadius(int count)
{
    const double excess = std::log10(std::max(count, 20) / 20.0);
    return std::max(1.6, 5.0 - 1.15 * excess);
}

double markerOpacity(int count)
{
    const double excess = std::log10(std::max(count, 150) / 150.0);
    return std::max(0.5, 0.9 - 0.2 * excess);
}

bool placed(const CoveragePoint &p)
{
    return std::isfinite(p.x) && std::isfinite(p.z) && p.z >= 0;
}

// A quadruple's marker: a dot, or below the axis an arrow pointing further down, standing on
// the bottom edge.
void drawMarker(QPainter *painter, const QPointF &at, double radius, bool belowAxis)
{
    if (!belowAxis) {
        painter->drawEllipse(at, radius, radius);
        return;
    }
    const double half = std::max(radius, 3.0);
    const QPointF arrow[3]
        = { at + QPointF(-half, -2 * half), at + QPointF(half, -2 * half), at + QPointF(0, -0.5) };
    painter->drawPolygon(arrow, 3);
}

// A value a logarithmic scale shows.
bool valued(const CoveragePoint &p)
{
    return std::isfinite(p.value) && p.value > 0;
}

// The colour bar in place of the legend, as a section's stands beside it.
constexpr double BarLeft = Width - 150;
constexpr double BarWidth = 24;

} // namespace

CoveragePlot::CoveragePlot(
    const QVector<CoveragePoint> &points, const QString &fileName, double spacingMetres)
    : CoveragePlot(points, fileName, spacingMetres, CoverageLine())
{ }

CoveragePlot::CoveragePlot(const QVector<CoveragePoint> &points, const QString &fileName,
    double spacingMetres, const CoverageLine &line)
    : m_points(points)
    , m_fileName(fileName)
    , m_spacing(spacingMetres)
    , m_line(line)
{
    const double spacing = std::isfinite(spacingMetres) && spacingMetres > 0 ? spacingMetres : 1;
    // Electrode k stands at (k - 1) spacings, so the cable is 47 spacings long; a line is
    // measured by a cable of the spreads' length.
    const int positions = m_line.positions > 0 ? m_line.positions : CablePositions;
    const int cableSteps = (m_line.layout ? m_line.layout->electrodes() : CablePositions) - 1;
    m_xMin = -0.5 * spacing;
    m_xMax = (positions - 1 + 0.5) * spacing;
    m_groupCounts.fill(0, m_line.layout ? m_line.layout->count() + 1 : ConfigurationKindCount);
    double deepest = 0;
    double depthRatio = 0;
    for (const CoveragePoint &p : m_points) {
        if (!placed(p)) {
            ++m_unplaced;
            continue;
        }
        ++m_groupCounts[groupOf(p)];
        m_xMin = std::min(m_xMin, p.x);
        m_xMax = std::max(m_xMax, p.x);
        deepest = std::max(deepest, p.z);
        if (p.spread > 0 && std::isfinite(p.depthRatio))
            depthRatio = std::max(depthRatio, p.depthRatio);
    }
    if (m_line.layout && depthRatio > 0)
        m_reach = m_line.layout->reachEnvelope(spacing, depthRatio);
    // Without any depth, show the depths a sequence on this cable could reach. A quadruple
    // that barely measures a signal can reach far below anything the cable resolves; it must
    // not squash the others into a line, so the axis stops at the cable's length.
    if (!(deepest > 0))
        deepest = 0.25 * cableSteps * spacing;
    const double deepestShown = cableSteps * spacing;
    const bool capped = deepest > deepestShown;
    deepest = std::min(deepest, deepestShown);

    m_xStep = niceStep(m_xMax - m_xMin, 10);
    const double margin = capped ? 1 : 1.08;
    m_zStep = niceStep(deepest * margin, 6);
    m_zMax = std::ceil(deepest * margin / m_zStep - 1e-9) * m_zStep;
    for (const CoveragePoint &p : m_points) {
        if (placed(p) && p.z > m_zMax)
            ++m_belowAxis;
    }
    m_frame = PlotFrame(
        QRectF(QPointF(PlotLeft, PlotTop), QPointF(PlotRight, PlotBottom)), m_xMin, m_xMax, m_zMax);
}

QSize CoveragePlot::size()
{
    return QSize(Width, Height);
}

QColor CoveragePlot::kindColour(ConfigurationKind kind)
{
    // Told apart also by readers with the common colour-vision deficiencies.
    switch (kind) {
    case ConfigurationKind::PolePole:
        return QColor(0xcc, 0x79, 0xa7);
    case ConfigurationKind::PoleDipole:
        return QColor(0x00, 0x72, 0xb2);
    case ConfigurationKind::DipoleDipole:
        return QColor(0x00, 0x9e, 0x73);
    case ConfigurationKind::Nested:
        return QColor(0xd5, 0x5e, 0x00);
    case ConfigurationKind::Other:
        break;
    }
    return QColor(0x80, 0x80, 0x80);
}

QColor CoveragePlot::spreadColour(int spread)
{
    if (spread <= 0)
        return kindColour(ConfigurationKind::Other);
    // Apart for the common colour-vision deficiencies, and never the same for two neighbours.
    static const QColor colours[]
        = { QColor(0x00, 0x72, 0xb2), QColor(0xe6, 0x9f, 0x00), QColor(0x00, 0x9e, 0x73),
              QColor(0xcc, 0x79, 0xa7), QColor(0xd5, 0x5e, 0x00), QColor(0x56, 0xb4, 0xe9) };
    return colours[(spread - 1) % int(std::size(colours))];
}

int CoveragePlot::groupOf(const CoveragePoint &point) const
{
    return m_line.layout ? point.spread : int(point.kind);
}

QColor CoveragePlot::groupColour(int group) const
{
    return m_line.layout ? spreadColour(group) : kindColour(ConfigurationKind(group));
}

QColor CoveragePlot::colourOf(const CoveragePoint &point) const
{
    return m_valueScale ? m_valueScale->colourOf(point.value) : groupColour(groupOf(point));
}

void CoveragePlot::colourByValue(const QString &quantity)
{
    m_quantity = quantity;
    m_unvalued = 0;
    double lowest = std::numeric_limits<double>::infinity();
    double highest = 0;
    for (const CoveragePoint &p : m_points) {
        if (!placed(p))
            continue;
        if (!valued(p)) {
            ++m_unvalued;
            continue;
        }
        lowest = std::min(lowest, p.value);
        highest = std::max(highest, p.value);
    }
    m_valueScale.emplace(ColourScale::Logarithmic);
    if (highest > 0)
        m_valueScale->spanValues(lowest, highest);
}

QString CoveragePlot::groupName(int group) const
{
    if (!m_line.layout)
        return configurationKindName(ConfigurationKind(group));
    if (group == 0)
        return QStringLiteral("no spread");
    const int first = m_line.layout->firstPosition(group);
    return QStringLiteral("%1: %2\u2013%3")
        .arg(group)
        .arg(first)
        .arg(first + m_line.layout->electrodes() - 1);
}

QString CoveragePlot::title() const
{
    if (m_line.positions > 0) {
        const QString spreads = m_line.layout ? QStringLiteral(", spreads of %1 moved by %2")
                                                    .arg(m_line.layout->electrodes())
                                                    .arg(m_line.layout->move())
                                              : QString();
        return QStringLiteral("%1 \u2014 %2 along %3 electrodes%4, spacing %5 m")
            .arg(
                withoutControls(m_fileName), counted(quadrupleCount(), QStringLiteral("quadruple")))
            .arg(m_line.positions)
            .arg(spreads)
            .arg(m_spacing, 0, 'f', 3);
    }
    return QStringLiteral("%1 \u2014 %2, spacing %3 m")
        .arg(withoutControls(m_fileName), counted(quadrupleCount(), QStringLiteral("quadruple")))
        .arg(m_spacing, 0, 'f', 3);
}

void CoveragePlot::draw(QPainter *painter) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    painter->fillRect(QRectF(0, 0, Width, Height), Qt::white);
    drawFrame(painter);
    drawReach(painter);
    if (m_valueScale)
        drawValueMarkers(painter);
    else
        drawMarkers(painter);
    m_frame.drawElectrodes(painter, m_line.positions > 0 ? m_line.positions : CablePositions,
        std::isfinite(m_spacing) && m_spacing > 0 ? m_spacing : 1);
    drawLegend(painter);
    drawTexts(painter);
    painter->restore();
}

void CoveragePlot::drawFrame(QPainter *painter) const
{
    const QRectF area = m_frame.area();
    const QFont labelFont = pictureFont(12);
    const QFontMetricsF metrics(labelFont, painter->device());
    painter->setFont(labelFont);

    const double firstX = std::ceil(m_xMin / m_xStep - 1e-9) * m_xStep;
    for (int i = 0;; ++i) {
        const double x = firstX + i * m_xStep;
        if (x > m_xMax + 1e-9 * m_xStep)
            break;
        const double px = m_frame.toPicture(x, 0).x();
        painter->setPen(QPen(Grid, 1));
        painter->drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
        painter->setPen(QPen(Ink, 1));
        painter->drawLine(QPointF(px, area.bottom()), QPointF(px, area.bottom() + 5));
        const QString text = tickLabel(x, m_xStep);
        painter->drawText(
            QPointF(px - metrics.horizontalAdvance(text) / 2, area.bottom() + 8 + metrics.ascent()),
            text);
    }

    for (int i = 0;; ++i) {
        const double z = i * m_zStep;
        if (z > m_zMax + 1e-9 * m_zStep)
            break;
        const double py = m_frame.toPicture(0, z).y();
        if (i > 0) {
            painter->setPen(QPen(Grid, 1));
            painter->drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
        }
        painter->setPen(QPen(Ink, 1));
        painter->drawLine(QPointF(area.left() - 5, py), QPointF(area.left(), py));
        const QString text = tickLabel(z, m_zStep);
        painter->drawText(QPointF(area.left() - 8 - metrics.horizontalAdvance(text),
                              py + metrics.ascent() / 2 - 1),
            text);
    }

    painter->setPen(QPen(Ink, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(area);

    m_frame.drawAxisTitles(painter);
}

void CoveragePlot::drawMarkers(QPainter *painter) const
{
    const int shown = quadrupleCount() - m_unplaced;
    const double radius = markerRadius(shown);
    const double opacity = markerOpacity(shown);

    // Markers at the same spot and of the same colour are drawn once, as opaque as the pile of
    // them would be; the SVG stays small and looks the same.
    struct Spot {
        int group;
        bool belowAxis;
        qint64 x;
        qint64 y;
        bool operator<(const Spot &o) const
        {
            return std::tie(group, belowAxis, x, y) < std::tie(o.group, o.belowAxis, o.x, o.y);
        }
    };
    std::map<Spot, int> piles;
    for (const CoveragePoint &p : m_points) {
        if (!placed(p))
            continue;
        const bool belowAxis = p.z > m_zMax;
        const QPointF at = m_frame.toPicture(p.x, belowAxis ? m_zMax : p.z);
        ++piles[Spot { groupOf(p), belowAxis, qRound64(at.x() * 4), qRound64(at.y() * 4) }];
    }

    // The rarer colours go on top, so that a few odd quadruples are not buried by the rest.
    std::vector<int> order(size_t(m_groupCounts.size()));
    for (int i = 0; i < m_groupCounts.size(); ++i)
        order[size_t(i)] = i;
    std::stable_sort(order.begin(), order.end(),
        [this](int l, int r) { return m_groupCounts.at(l) > m_groupCounts.at(r); });

    painter->save();
    painter->setClipRect(m_frame.area());
    for (int group : order) {
        const QColor base = groupColour(group);
        // Piles of one size share their colour, so the brush changes seldom and the SVG
        // groups them instead of restating the style for every marker.
        std::vector<std::pair<int, Spot>> spots;
        const qint64 lowest = std::numeric_limits<qint64>::min();
        for (auto it = piles.lower_bound(Spot { group, false, lowest, lowest });
             it != piles.end() && it->first.group == group; ++it) {
            spots.emplace_back(it->first.belowAxis ? 0 : it->second, it->first);
        }
        std::stable_sort(spots.begin(), spots.end(),
            [](const auto &l, const auto &r) { return l.first < r.first; });

        int current = -1;
        for (const auto &[pile, spot] : spots) {
            if (pile != current) {
                current = pile;
                // The few quadruples off the axis stay in full colour, to be noticed.
                QColor fill = base;
                fill.setAlphaF(pile == 0 ? 1.0 : 1 - std::pow(1 - opacity, pile));
                painter->setBrush(fill);
                if (shown <= 2000) {
                    QColor edge = base.darker(150);
                    edge.setAlphaF(fill.alphaF());
                    painter->setPen(QPen(edge, 0.8));
                } else {
                    painter->setPen(Qt::NoPen);
                }
            }
            drawMarker(painter, QPointF(spot.x / 4.0, spot.y / 4.0), radius, spot.belowAxis);
        }
    }
    painter->restore();
}

// Each marker in its value's colour, with an edge that keeps neighbours of one colour apart.
void CoveragePlot::drawValueMarkers(QPainter *painter) const
{
    const int shown = quadrupleCount() - m_unplaced - m_unvalued;
    const double radius = markerRadius(shown);
    painter->save();
    painter->setClipRect(m_frame.area());
    for (const CoveragePoint &p : m_points) {
        if (!placed(p) || !valued(p))
            continue;
        const QColor colour = colourOf(p);
        painter->setBrush(colour);
        painter->setPen(shown <= 2000 ? QPen(colour.darker(150), 0.8) : QPen(Qt::NoPen));
        const bool belowAxis = p.z > m_zMax;
        drawMarker(painter, m_frame.toPicture(p.x, belowAxis ? m_zMax : p.z), radius, belowAxis);
    }
    painter->restore();
}

// Where no spread reaches: the ground below the line shaded and the line dashed, under the
// markers, of which the deepest-looking lie on it.
void CoveragePlot::drawReach(QPainter *painter) const
{
    if (m_reach.isEmpty())
        return;
    QPainterPath line;
    line.moveTo(m_frame.toPicture(m_xMin, 0));
    for (const QPointF &p : m_reach)
        line.lineTo(m_frame.toPicture(p.x(), p.y()));
    line.lineTo(m_frame.toPicture(m_xMax, 0));
    QPainterPath below = line;
    below.lineTo(m_frame.toPicture(m_xMax, m_zMax));
    below.lineTo(m_frame.toPicture(m_xMin, m_zMax));
    below.closeSubpath();
    painter->save();
    painter->setClipRect(m_frame.area());
    painter->setPen(Qt::NoPen);
    painter->setBrush(Unreached);
    painter->drawPath(below);
    QPen pen(Ink, 1.2);
    pen.setDashPattern({ 5, 3 });
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(line);
    painter->restore();
}

void CoveragePlot::drawLegend(QPainter *painter) const
{
    if (m_valueScale) {
        m_valueScale->draw(painter, QRectF(BarLeft, PlotTop, BarWidth, PlotBottom - PlotTop),
            Width - 24, m_quantity + QStringLiteral(", log scale"));
        return;
    }
    const QFont entryFont = pictureFont(12);
    const QFontMetricsF metrics(entryFont, painter->device());
    const double left = PlotRight + 22;
    const double right = Width - 16;
    // Spreads in their order, then the rows none holds, as far as there is room: the colours
    // repeat along the line.
    QVector<int> groups;
    for (int group = m_line.layout ? 1 : 0; group < m_groupCounts.size(); ++group)
        groups << group;
    if (m_line.layout && m_groupCounts.at(0) > 0)
        groups << 0;
    const int more = groups.size() > LegendRows ? groups.size() - (LegendRows - 1) : 0;
    const int rows = more > 0 ? LegendRows : groups.size();
    const QRectF box(left, PlotTop, right - left, 34 + LegendRow * rows);

    painter->setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 1));
    painter->setBrush(Qt::white);
    painter->drawRect(box);

    painter->setFont(pictureFont(12, true));
    painter->setPen(Ink);
    painter->drawText(QPointF(left + 10, PlotTop + 8 + metrics.ascent()),
        m_line.layout ? QStringLiteral("spread") : QStringLiteral("kind"));

    painter->setFont(entryFont);
    for (int row = 0; row < rows; ++row) {
        const double centre = PlotTop + 34 + LegendRow * row + LegendRow / 2;
        const double baseline = centre + metrics.ascent() / 2 - 1;
        if (more > 0 && row == rows - 1) {
            painter->setPen(Ink);
            painter->drawText(QPointF(left + 28, baseline),
                QStringLiteral("\u2026 %1 more spread%2")
                    .arg(more)
                    .arg(QLatin1String(more == 1 ? "" : "s")));
            break;
        }
        const int group = groups.at(row);
        const QColor colour = groupColour(group);
        painter->setPen(QPen(colour.darker(150), 0.8));
        painter->setBrush(colour);
        painter->drawEllipse(QPointF(left + 16, centre), 5, 5);
        painter->setPen(Ink);
        painter->drawText(QPointF(left + 28, baseline), groupName(group));
        const QString count = QString::number(m_groupCounts.at(group));
        painter->drawText(QPointF(right - 10 - metrics.horizontalAdvance(count), baseline), count);
    }
}

void CoveragePlot::drawTexts(QPainter *painter) const
{
    const QFont titleFont = pictureFont(17, true);
    const QFontMetricsF titleMetrics(titleFont, painter->device());
    painter->setFont(titleFont);
    painter->setPen(Ink);
    // A long file name is cut in the middle rather than run off the picture.
    const QString text = titleMetrics.elidedText(title(), Qt::ElideMiddle, Width - 2 * 16);
    painter->drawText(QPointF(16, 14 + titleMetrics.ascent()), text);

    QStringList captions;
    if (m_unplaced == 1) {
        captions << QStringLiteral("1 quadruple has no depth (no signal or a repeated electrode) "
                                   "and is not shown.");
    } else if (m_unplaced > 1) {
        captions << QStringLiteral("%1 quadruples have no depth (no signal or a repeated "
                                   "electrode) and are not shown.")
                        .arg(m_unplaced);
    }
    if (m_unvalued > 0) {
        captions << QStringLiteral("%1 without a value above 0 %2 not shown.")
                        .arg(counted(m_unvalued, QStringLiteral("quadruple")))
                        .arg(m_unvalued == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    }
    if (m_belowAxis > 0) {
        captions << QStringLiteral("%1 deeper than %2 m %3 drawn as \u25bc on the bottom edge.")
                        .arg(counted(m_belowAxis, QStringLiteral("quadruple")))
                        .arg(tickLabel(m_zMax, m_zStep))
                        .arg(m_belowAxis == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    }
    if (!m_reach.isEmpty()) {
        captions << QStringLiteral("Shaded below the dashed line: deeper than any spread of %1 "
                                   "electrodes reaches with these configurations.")
                        .arg(m_line.layout->electrodes());
    }
    const QFont captionFont = pictureFont(12);
    const QFontMetricsF metrics(captionFont, painter->device());
    painter->setFont(captionFont);
    double baseline = Height - 12 - metrics.descent() - (captions.size() - 1) * 17;
    for (const QString &caption : captions) {
        painter->drawText(QPointF(PlotLeft, baseline), caption);
        baseline += 17;
    }
}

WriteResult CoveragePlot::write(const QString &fileName) const
{
    return writePicture(fileName, size(), title(),
        m_valueScale
            ? QStringLiteral("Pseudosection of %1 at the median depth of investigation of each "
                             "quadruple")
                  .arg(m_quantity)
            : QStringLiteral("Pseudosection coverage: median depth of investigation of each "
                             "quadruple"),
        [this](QPainter *painter) { draw(painter); });
}

QVector<CoveragePoint> coveragePoints(const QVector<LineQuadruple> &rows, double spacingMetres,
    const std::optional<SpreadLayout> &layout)
{
    QVector<CoveragePoint> points;
    points.reserve(rows.size());
    for (const LineQuadruple &q : rows) {
        CoveragePoint p { pseudoPosition(q, spacingMetres), medianDepth(q, spacingMetres),
            configurationKind(q), layout ? layout->firstHolding(q) : 0 };
        const ElectrodeSpan span = electrodeSpan(q);
        const double nearer = std::min(
            p.x - (span.lowest - 1) * spacingMetres, (span.highest - 1) * spacingMetres - p.x);
        if (std::isfinite(p.z) && nearer > 0)
            p.depthRatio = p.z / (2 * nearer);
        points.append(p);
    }
    return points;
}

QVector<CoveragePoint> coveragePoints(const QVector<Quadruple> &quadruples, double spacingMetres)
{
    QVector<CoveragePoint> points;
    points.reserve(quadruples.size());
    for (const Quadruple &q : quadruples) {
        points.append({ pseudoPosition(q, spacingMetres), medianDepth(q, spacingMetres),
            configurationKind(q) });
    }
    return points;
}

} // namespace Kgw
