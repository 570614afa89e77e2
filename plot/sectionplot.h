#ifndef KGW_SECTIONPLOT_H
#define KGW_SECTIONPLOT_H

#include "colourscale.h"
#include "picture.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVector>

#include <limits>
#include <utility>

class QPainter;

namespace Kgw {

// One value per cell of a 2-D grid under a cable, as the model works them out.
struct Section {
    QVector<double> xEdges; // metres, ascending
    QVector<double> zEdges; // metres, ascending from the surface at 0
    QVector<double> values; // per cell, column by column, top to bottom within a column
    QVector<bool> masked; // per cell, as values; true where the value means nothing, drawn grey
    QString maskedMeaning; // what the grey cells are, for the legend
    int electrodes = 0; // electrode k at x = (k - 1) × spacing
    double spacing = 0;
    // A region of the ground to outline, x from left() to right() and z from top() to bottom()
    // in metres; none when empty.
    QRectF target;
    // A depth in metres that tells how deep the sequence sees, drawn as a dashed line across;
    // NaN for none. The legend gives its name ("depth of investigation") and, in words, the rule
    // that gave it.
    double investigationDepth = std::numeric_limits<double>::quiet_NaN();
    QString investigationName;
    QString investigationRule;
};

// A picture of a section: the cells coloured by their value, the electrodes along the top, the
// depth in metres and a colour bar. It is drawn at true scale where that fits, the way a crew
// sees the ground, and the same way for PNG and SVG.
//
// Text needs a QGuiApplication; without a display, create it with the "offscreen" platform.
class SectionPlot
{
public:
    using Scale = ColourScale::Kind;
    static constexpr Scale Logarithmic = ColourScale::Logarithmic;
    static constexpr Scale Unit = ColourScale::Unit;

    SectionPlot(const Section &section, Scale scale, const QString &title, const QString &quantity,
        const QString &caption = QString());

    // Why the colour bar cannot span low to high on this scale; empty when it can.
    static QString rangeError(Scale scale, double low, double high);
    // Fixes the colour bar to span low to high, so that pictures of several sequences compare;
    // values beyond it take the colour of its end. Ignored when rangeError() refuses the range.
    void setRange(double low, double high);
    // Spans the lowest to the highest value, as ColourScale::spanValues() does.
    void spanValues(double lowest, double highest) { m_scale.spanValues(lowest, highest); }
    // The lowest and the highest finite value of the cells, on the logarithmic scale of those
    // above 0 only; NaN for both where there is none.
    std::pair<double, double> valueSpan() const;

    // For a picture that shows the section among others, each headed by what tells it apart.
    void setTitle(const QString &title) { m_title = withoutControls(title); }
    void setCaption(const QString &caption) { m_caption = caption; }
    // Draws `depth` dashed across, as Section::investigationDepth, with its name and rule.
    void markDepth(double depth, const QString &name, const QString &rule);

    QSize size() const;
    // What it shows of which sequence, as its heading says.
    const QString &title() const { return m_title; }
    // Where the ground lands in the picture.
    const PlotFrame &frame() const { return m_frame; }
    // The colour of a value, as the colour bar shows it.
    QColor colourOf(double value) const;

    void draw(QPainter *painter) const;
    // Renders to a PNG or SVG file by its extension, as writePicture() does.
    WriteResult write(const QString &fileName) const;

private:
    void drawCells(QPainter *painter) const;
    void drawAxes(QPainter *painter) const;
    void drawColourBar(QPainter *painter) const;
    void drawTexts(QPainter *painter) const;
    void drawMarks(QPainter *painter) const;
    void drawLegend(QPainter *painter, double baseline) const;
    bool hasMaskedCells() const;
    int legendLines() const;

    Section m_section;
    ColourScale m_scale;
    QString m_title;
    QString m_quantity;
    QString m_caption;
    double m_plotHeight = 0;
    PlotFrame m_frame;
};

} // namespace Kgw

#endif
