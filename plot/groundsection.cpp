#include "groundsection.h"

#include "modelgrid.h"
#include "textutil.h"

#include <algorithm>
#include <cmath>

namespace Kgw {

namespace {

// About two pixels a cell across the picture: finer shows nothing more, and each cell costs a
// mean over its area.
constexpr int Columns = 460;
constexpr int MaxLayers = 280;

} // namespace

QRectF groundSectionArea(int electrodes, double spacing)
{
    const double margin = GridOptions::DefaultMarginSpacings * spacing;
    const double length = (electrodes - 1) * spacing;
    return QRectF(
        QPointF(-margin, 0), QPointF(length + margin, length / GridOptions::SectionDepthDivisor));
}

SectionPlot groundSectionPlot(
    const Ground &ground, int electrodes, double spacing, const QString &name)
{
    const QRectF area = groundSectionArea(electrodes, spacing);
    Section section;
    section.electrodes = electrodes;
    section.spacing = spacing;
    // Square cells, so that a slanted edge looks the same at any angle.
    const double size = area.width() / Columns;
    const int layers = std::clamp(int(std::ceil(area.height() / size)), 1, MaxLayers);
    for (int c = 0; c <= Columns; ++c)
        section.xEdges.append(area.left() + c * area.width() / Columns);
    for (int l = 0; l <= layers; ++l)
        section.zEdges.append(l * area.height() / layers);
    double low = ground.background();
    double high = low;
    section.values.reserve(Columns * layers);
    for (int c = 0; c < Columns; ++c) {
        for (int l = 0; l < layers; ++l) {
            const double rho = ground.cellResistivity(section.xEdges.at(c),
                section.xEdges.at(c + 1), section.zEdges.at(l), section.zEdges.at(l + 1));
            section.values.append(rho);
            low = std::min(low, rho);
            high = std::max(high, rho);
        }
    }
    SectionPlot plot(section, SectionPlot::Logarithmic,
        QStringLiteral("%1 \u2014 ground, spacing %2 m").arg(name, metres(spacing)),
        QStringLiteral("resistivity (\u03a9m), log scale"),
        QStringLiteral("background %1 \u03a9m, %2; each cell the geometric mean of the "
                       "resistivity over it")
            .arg(ground.background(), 0, 'g', 6)
            .arg(counted(ground.shapeCount(), QStringLiteral("shape"))));
    // From the lowest to the highest resistivity shown; a ground of one resistivity sits in the
    // middle of a decade around it rather than at the top of four below it.
    plot.spanValues(low, high);
    return plot;
}

} // namespace Kgw
