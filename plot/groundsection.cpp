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

namespace {

// The ground over groundSectionArea(), each cell the resistivity a mesh cell there would take;
// *low and *high the least and the most of them and the background.
Section groundSection(
    const Ground &ground, int electrodes, double spacing, double *low, double *high)
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
    *low = ground.background();
    *high = *low;
    section.values.reserve(Columns * layers);
    for (int c = 0; c < Columns; ++c) {
        for (int l = 0; l < layers; ++l) {
            const double rho = ground.cellResistivity(section.xEdges.at(c),
                section.xEdges.at(c + 1), section.zEdges.at(l), section.zEdges.at(l + 1));
            section.values.append(rho);
            *low = std::min(*low, rho);
            *high = std::max(*high, rho);
        }
    }
    return section;
}

QString quantity()
{
    return QStringLiteral("resistivity (\u03a9m), log scale");
}

} // namespace

SectionPlot groundSectionPlot(
    const Ground &ground, int electrodes, double spacing, const QString &name)
{
    double low = 0;
    double high = 0;
    SectionPlot plot(groundSection(ground, electrodes, spacing, &low, &high),
        SectionPlot::Logarithmic,
        QStringLiteral("%1 \u2014 ground, spacing %2 m").arg(name, metres(spacing)), quantity(),
        QStringLiteral("background %1 \u03a9m, %2; each cell the geometric mean of the "
                       "resistivity over it")
            .arg(ground.background(), 0, 'g', 6)
            .arg(counted(ground.shapeCount(), QStringLiteral("shape"))));
    // From the lowest to the highest resistivity shown; a ground of one resistivity sits in the
    // middle of a decade around it rather than at the top of four below it.
    plot.spanValues(low, high);
    return plot;
}

SectionPlot modelSectionPlot(
    const InversionData &data, const InversionResult &result, const QString &name)
{
    double low = 0;
    double high = 0;
    Section section
        = groundSection(modelGround(result), data.electrodes, data.spacingMetres, &low, &high);
    section.investigationDepth = deepestMedianDepth(data);
    section.investigationName = QStringLiteral("depth of investigation");
    section.investigationRule
        = QStringLiteral("the deepest median depth (Edwards) of the readings");
    const InversionStep &last = result.steps.constLast();
    SectionPlot plot(section, SectionPlot::Logarithmic,
        QStringLiteral("%1 \u2014 inverted model, spacing %2 m")
            .arg(name, metres(data.spacingMetres)),
        quantity(),
        QStringLiteral("\u03c7\u00b2 %1 after %2 (%3), from %4 \u03a9m; %5")
            .arg(last.chiSquared, 0, 'g', 3)
            .arg(counted(last.iteration, QStringLiteral("iteration")), result.stop)
            .arg(result.startRho, 0, 'g', 4)
            .arg(counted(data.rows.size(), QStringLiteral("reading"))));
    plot.spanValues(low, high);
    return plot;
}

} // namespace Kgw
