#ifndef KGW_COVERAGEPLOT_H
#define KGW_COVERAGEPLOT_H

#include "colourscale.h"
#include "configurationkind.h"
#include "line.h"
#include "picture.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVector>

#include <limits>
#include <optional>

class QPainter;

namespace Kgw {

// One quadruple as the plot shows it.
struct CoveragePoint {
    double x = 0; // pseudo-position in metres
    double z = std::numeric_limits<double>::quiet_NaN(); // median depth in metres; NaN for none
    ConfigurationKind kind = ConfigurationKind::Other;
    // On a line planned in spreads, the first spread that holds the row (1 on); 0 for none.
    int spread = 0;
    // How deep the row looks for its width: z over twice the distance from x to the nearer of
    // its outermost electrodes, the depthRatio of SpreadLayout::reachEnvelope() that it needs;
    // NaN without a depth.
    double depthRatio = std::numeric_limits<double>::quiet_NaN();
    // What the marker is coloured by where the plot colours by value (colourByValue()).
    double value = std::numeric_limits<double>::quiet_NaN();
};

// The points of a sequence: each quadruple at its pseudo-position and median depth.
QVector<CoveragePoint> coveragePoints(const QVector<Quadruple> &quadruples, double spacingMetres);
// The same for the rows of a whole line, each with the spread of the layout that holds it.
QVector<CoveragePoint> coveragePoints(const QVector<LineQuadruple> &rows, double spacingMetres,
    const std::optional<SpreadLayout> &layout);

// The line a plot of a whole line's rows is drawn along: its positions, and the spreads it was
// planned in, where the file records them.
struct CoverageLine {
    int positions = 0;
    std::optional<SpreadLayout> layout;
};

// A pseudosection coverage plot of one sequence: where along the cable and how deep each
// quadruple measures, coloured by kind of configuration. It is drawn the same way for every
// output, so the picture in a PNG and in an SVG agree.
//
// Text needs a QGuiApplication; without a display, create it with the "offscreen" platform
// (QT_QPA_PLATFORM=offscreen).
//
// Along a whole line, the electrodes along the top are those of the line, numbered as often as
// they can be read; with the spreads of a plan, each spread's rows take a colour of their own
// (spreadColour()) instead of their kind's, and the ground deeper than any spread's
// configurations reach (SpreadLayout::reachEnvelope(), with the largest depthRatio of the rows a
// spread holds) is shaded below a dashed line where it lies above the bottom of the plot.
class CoveragePlot
{
public:
    // fileName is shown in the title as given; the quadruple count is points.size().
    CoveragePlot(
        const QVector<CoveragePoint> &points, const QString &fileName, double spacingMetres);
    CoveragePlot(const QVector<CoveragePoint> &points, const QString &fileName,
        double spacingMetres, const CoverageLine &line);

    // Colours each marker by its point's value, on a logarithmic scale from the lowest positive
    // value to the highest, with a colour bar naming `quantity` in place of the legend: a
    // pseudosection of measured or modelled data. A point without a positive value is not drawn.
    void colourByValue(const QString &quantity);
    // Placed points without a positive value, where the plot colours by value.
    int unvaluedCount() const { return m_unvalued; }

    // The size of the picture in pixels (the SVG's view box too).
    static QSize size();

    static QColor kindColour(ConfigurationKind kind);
    // The colour of spread k's rows (1 on), which neighbouring spreads never share, or of rows
    // no spread holds (0).
    static QColor spreadColour(int spread);
    // The colour a point is drawn in; where the plot colours by value, its value's.
    QColor colourOf(const CoveragePoint &point) const;

    QString title() const;
    int quadrupleCount() const { return m_points.size(); }
    // Quadruples without a finite depth or position, which the plot cannot place.
    int unplacedCount() const { return m_unplaced; }
    // Quadruples deeper than the depth axis reaches, drawn on its bottom edge.
    int belowAxisCount() const { return m_belowAxis; }

    double depthAxisMaximum() const { return m_zMax; }
    // Below it, no spread's configurations reach, as a line through the plot in metres; empty
    // without the spreads of a plan.
    const QVector<QPointF> &reachLine() const { return m_reach; }
    // Where a point in metres lands in the picture.
    const PlotFrame &frame() const { return m_frame; }

    void draw(QPainter *painter) const;

    // Renders to a PNG or SVG file by its extension. An existing file is replaced only by a
    // complete new one; nothing is written when the extension is wrong or rendering fails.
    WriteResult write(const QString &fileName) const;

private:
    void drawFrame(QPainter *painter) const;
    void drawMarkers(QPainter *painter) const;
    void drawValueMarkers(QPainter *painter) const;
    void drawReach(QPainter *painter) const;
    void drawLegend(QPainter *painter) const;
    void drawTexts(QPainter *painter) const;
    // The colour group of a point: its kind, or on a planned line its spread.
    int groupOf(const CoveragePoint &point) const;
    QColor groupColour(int group) const;
    QString groupName(int group) const;

    QVector<CoveragePoint> m_points;
    QString m_fileName;
    double m_spacing = 0;
    CoverageLine m_line; // positions 0 for the cable
    int m_unplaced = 0;
    int m_belowAxis = 0;
    std::optional<ColourScale> m_valueScale;
    QString m_quantity;
    int m_unvalued = 0;
    QVector<int> m_groupCounts;
    QVector<QPointF> m_reach;
    double m_xMin = 0;
    double m_xMax = 1;
    double m_xStep = 1;
    double m_zMax = 1;
    double m_zStep = 1;
    PlotFrame m_frame;
};

} // namespace Kgw

#endif
