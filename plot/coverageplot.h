#ifndef KGW_COVERAGEPLOT_H
#define KGW_COVERAGEPLOT_H

#include "configurationkind.h"
#include "picture.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVector>

#include <limits>

class QPainter;

namespace Kgw {

// One quadruple as the plot shows it.
struct CoveragePoint {
    double x = 0; // pseudo-position in metres
    double z = std::numeric_limits<double>::quiet_NaN(); // median depth in metres; NaN for none
    ConfigurationKind kind = ConfigurationKind::Other;
};

// The points of a sequence: each quadruple at its pseudo-position and median depth.
QVector<CoveragePoint> coveragePoints(const QVector<Quadruple> &quadruples, double spacingMetres);

// A pseudosection coverage plot of one sequence: where along the cable and how deep each
// quadruple measures, coloured by kind of configuration. It is drawn the same way for every
// output, so the picture in a PNG and in an SVG agree.
//
// Text needs a QGuiApplication; without a display, create it with the "offscreen" platform
// (QT_QPA_PLATFORM=offscreen).
class CoveragePlot
{
public:
    // fileName is shown in the title as given; the quadruple count is points.size().
    CoveragePlot(
        const QVector<CoveragePoint> &points, const QString &fileName, double spacingMetres);

    // The size of the picture in pixels (the SVG's view box too).
    static QSize size();

    static QColor kindColour(ConfigurationKind kind);

    QString title() const;
    int quadrupleCount() const { return m_points.size(); }
    // Quadruples without a finite depth or position, which the plot cannot place.
    int unplacedCount() const { return m_unplaced; }
    // Quadruples deeper than the depth axis reaches, drawn on its bottom edge.
    int belowAxisCount() const { return m_belowAxis; }

    double depthAxisMaximum() const { return m_zMax; }
    // Where a point in metres lands in the picture.
    const PlotFrame &frame() const { return m_frame; }

    void draw(QPainter *painter) const;

    // Renders to a PNG or SVG file by its extension. An existing file is replaced only by a
    // complete new one; nothing is written when the extension is wrong or rendering fails.
    WriteResult write(const QString &fileName) const;

private:
    void drawFrame(QPainter *painter) const;
    void drawMarkers(QPainter *painter) const;
    void drawLegend(QPainter *painter) const;
    void drawTexts(QPainter *painter) const;

    QVector<CoveragePoint> m_points;
    QString m_fileName;
    double m_spacing = 0;
    int m_unplaced = 0;
    int m_belowAxis = 0;
    int m_kindCounts[ConfigurationKindCount] = {};
    double m_xMin = 0;
    double m_xMax = 1;
    double m_xStep = 1;
    double m_zMax = 1;
    double m_zStep = 1;
    PlotFrame m_frame;
};

} // namespace Kgw

#endif
