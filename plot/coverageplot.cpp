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

// Electrode k stands at (k - 1) spacings, so the cable is 47 spacings long.
constexpr int CableSteps = CablePositions - 1;

const QColor &Ink = PictureInk;
const QColor Grid(0xe4, 0xe4, 0xe4);

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

} // namespace

CoveragePlot::CoveragePlot(
    const QVector<CoveragePoint> &points, const QString &fileName, double spacingMetres)
    : m_points(points)
    , m_fileName(fileName)
    , m_spacing(spacingMetres)
{
    const double spacing = std::isfinite(spacingMetres) && spacingMetres > 0 ? spacingMetres : 1;
    m_xMin = -0.5 * spacing;
    m_xMax = (CableSteps + 0.5) * spacing;
    double deepest = 0;
    for (const CoveragePoint &p : m_points) {
        if (!placed(p)) {
            ++m_unplaced;
            continue;
        }
        ++m_kindCounts[int(p.kind)];
        m_xMin = std::min(m_xMin, p.x);
        m_xMax = std::max(m_xMax, p.x);
        deepest = std::max(deepest, p.z);
    }
    // Without any depth, show the depths a sequence on this cable could reach. A quadruple
    // that barely measures a signal can reach far below anything the cable resolves; it must
    // not squash the others into a line, so the axis stops at the cable's length.
    if (!(deepest > 0))
        deepest = 0.25 * CableSteps * spacing;
    const double deepestShown = CableSteps * spacing;
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

QString CoveragePlot::title() const
{
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
    drawMarkers(painter);
    m_frame.drawElectrodes(
        painter, CablePositions, std::isfinite(m_spacing) && m_spacing > 0 ? m_spacing : 1);
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

    // Markers at the same spot and of the same kind are drawn once, as opaque as the pile of
    // them would be; the SVG stays small and looks the same.
    struct Spot {
        int kind;
        bool belowAxis;
        qint64 x;
        qint64 y;
        bool operator<(const Spot &o) const
        {
            return std::tie(kind, belowAxis, x, y) < std::tie(o.kind, o.belowAxis, o.x, o.y);
        }
    };
    std::map<Spot, int> piles;
    for (const CoveragePoint &p : m_points) {
        if (!placed(p))
            continue;
        const bool belowAxis = p.z > m_zMax;
        const QPointF at = m_frame.toPicture(p.x, belowAxis ? m_zMax : p.z);
        ++piles[Spot { int(p.kind), belowAxis, qRound64(at.x() * 4), qRound64(at.y() * 4) }];
    }

    // The rarer kinds go on top, so that a few odd quadruples are not buried by the rest.
    std::array<int, ConfigurationKindCount> order;
    for (int i = 0; i < ConfigurationKindCount; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
        [this](int l, int r) { return m_kindCounts[l] > m_kindCounts[r]; });

    painter->save();
    painter->setClipRect(m_frame.area());
    for (int kind : order) {
        const QColor base = kindColour(ConfigurationKind(kind));
        // Piles of one size share their colour, so the brush changes seldom and the SVG
        // groups them instead of restating the style for every marker.
        std::vector<std::pair<int, Spot>> spots;
        const qint64 lowest = std::numeric_limits<qint64>::min();
        for (auto it = piles.lower_bound(Spot { kind, false, lowest, lowest });
             it != piles.end() && it->first.kind == kind; ++it) {
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
            const QPointF at(spot.x / 4.0, spot.y / 4.0);
            if (!spot.belowAxis) {
                painter->drawEllipse(at, radius, radius);
                continue;
            }
            // Pointing further down, standing on the bottom edge.
            const double half = std::max(radius, 3.0);
            const QPointF arrow[3] = { at + QPointF(-half, -2 * half),
                at + QPointF(half, -2 * half), at + QPointF(0, -0.5) };
            painter->drawPolygon(arrow, 3);
        }
    }
    painter->restore();
}

void CoveragePlot::drawLegend(QPainter *painter) const
{
    const QFont entryFont = pictureFont(12);
    const QFontMetricsF metrics(entryFont, painter->device());
    const double left = PlotRight + 22;
    const double right = Width - 16;
    const double rowHeight = 22;
    const QRectF box(left, PlotTop, right - left, 34 + rowHeight * ConfigurationKindCount);

    painter->setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 1));
    painter->setBrush(Qt::white);
    painter->drawRect(box);

    painter->setFont(pictureFont(12, true));
    painter->setPen(Ink);
    painter->drawText(QPointF(left + 10, PlotTop + 8 + metrics.ascent()), QStringLiteral("kind"));

    painter->setFont(entryFont);
    for (int kind = 0; kind < ConfigurationKindCount; ++kind) {
        const double centre = PlotTop + 34 + rowHeight * kind + rowHeight / 2;
        const QColor colour = kindColour(ConfigurationKind(kind));
        painter->setPen(QPen(colour.darker(150), 0.8));
        painter->setBrush(colour);
        painter->drawEllipse(QPointF(left + 16, centre), 5, 5);
        painter->setPen(Ink);
        const double baseline = centre + metrics.ascent() / 2 - 1;
        painter->drawText(
            QPointF(left + 28, baseline), configurationKindName(ConfigurationKind(kind)));
        const QString count = QString::number(m_kindCounts[kind]);
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
    if (m_belowAxis > 0) {
        captions << QStringLiteral("%1 deeper than %2 m %3 drawn as \u25bc on the bottom edge.")
                        .arg(counted(m_belowAxis, QStringLiteral("quadruple")))
                        .arg(tickLabel(m_zMax, m_zStep))
                        .arg(m_belowAxis == 1 ? QStringLiteral("is") : QStringLiteral("are"));
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
        QStringLiteral("Pseudosection coverage: median depth of investigation of each quadruple"),
        [this](QPainter *painter) { draw(painter); });
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
