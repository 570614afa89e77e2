#include "modelgrid.h"

#include "line.h"
#include "quadruple.h"

#include <cmath>

namespace Kgw {

ModelGrid::ModelGrid(
    int electrodes, double spacingMetres, const GridOptions &options, int spreadElectrodes)
{
    const int spread = spreadElectrodes > 0 ? spreadElectrodes : electrodes;
    if (spreadElectrodes <= 0 && (electrodes < 2 || electrodes > CablePositions)) {
        m_error = QStringLiteral("a cable has 2 to %1 electrodes").arg(CablePositions);
        return;
    }
    if (spread < 2 || spread > CablePositions || spread > electrodes
        || electrodes > MaxLinePositions) {
        m_error
            = QStringLiteral("a line has up to %1 electrodes, measured with a cable of 2 to %2, "
                             "no longer than the line")
                  .arg(MaxLinePositions)
                  .arg(CablePositions);
        return;
    }
    if (!std::isfinite(spacingMetres) || spacingMetres <= 0) {
        m_error = QStringLiteral("the spacing must be a positive number of metres");
        return;
    }
    if (options.cellsPerSpacing < 1 || options.cellsPerSpacing > GridOptions::MaxCellsPerSpacing) {
        m_error = QStringLiteral("cells per spacing must be 1 to %1")
                      .arg(GridOptions::MaxCellsPerSpacing);
        return;
    }
    if (options.marginSpacings < 0 || options.marginSpacings > GridOptions::MaxMarginSpacings) {
        m_error = QStringLiteral("the margin must be 0 to %1 spacings")
                      .arg(GridOptions::MaxMarginSpacings);
        return;
    }
    if (!(options.growth >= 1 && options.growth <= GridOptions::MaxGrowth)) {
        m_error = QStringLiteral("the layer growth must be 1 to %1").arg(GridOptions::MaxGrowth);
        return;
    }
    const double first
        = options.firstLayerMetres > 0 ? options.firstLayerMetres : spacingMetres / 2;
    const double depth = options.depthMetres > 0
        ? options.depthMetres
        : (spread - 1) * spacingMetres / options.depthDivisor;
    if (!std::isfinite(first) || !(depth > 0) || !std::isfinite(depth)
        || options.firstLayerMetres < 0 || options.depthMetres < 0) {
        m_error = QStringLiteral("layer thickness and depth must be positive numbers of metres");
        return;
    }

    m_zEdges.append(0);
    double thickness = first;
    // The last layer may end a little below the depth asked for rather than be a sliver.
    while (m_zEdges.constLast() < depth * (1 - 1e-9)) {
        if (m_zEdges.size() > GridOptions::MaxLayers) {
            m_error = QStringLiteral("more than %1 layers would be needed to reach %2 m")
                          .arg(GridOptions::MaxLayers)
                          .arg(depth);
            m_zEdges.clear();
            return;
        }
        m_zEdges.append(m_zEdges.constLast() + thickness);
        thickness *= options.growth;
    }

    const int r = options.cellsPerSpacing;
    const int columns = r * (electrodes - 1 + 2 * options.marginSpacings);
    const double width = spacingMetres / r;
    const double left = -options.marginSpacings * spacingMetres;
    m_xEdges.reserve(columns + 1);
    for (int i = 0; i <= columns; ++i)
        m_xEdges.append(left + i * width);

    m_electrodes = electrodes;
    m_spread = spread;
    m_spacing = spacingMetres;
    m_cellsPerSpacing = r;
    m_marginSpacings = options.marginSpacings;
    m_layers = m_zEdges.size() - 1;
    m_error.clear();
}

double ModelGrid::cellArea(int cell) const
{
    const int c = columnOf(cell);
    const int l = layerOf(cell);
    return (m_xEdges.at(c + 1) - m_xEdges.at(c)) * (m_zEdges.at(l + 1) - m_zEdges.at(l));
}

int ModelGrid::electrodeEdge(int electrode) const
{
    return m_cellsPerSpacing * (m_marginSpacings + electrode - 1);
}

} // namespace Kgw
