#ifndef KGW_MODELGRID_H
#define KGW_MODELGRID_H

#include <QString>
#include <QVector>

namespace Kgw {

// How the ground under the cable is cut into cells. Columns are equally wide so that moving a
// pair of electrodes along the cable moves its sensitivity by whole columns; layers grow with
// depth because what the cable sees gets coarser the deeper it looks.
struct GridOptions {
    static constexpr int DefaultCellsPerSpacing = 2;
    static constexpr int MaxCellsPerSpacing = 16;
    static constexpr int DefaultMarginSpacings = 1;
    static constexpr int MaxMarginSpacings = 100;
    static constexpr double DefaultGrowth = 1.1;
    static constexpr double MaxGrowth = 2;
    static constexpr int MaxLayers = 400;

    // Cells are spacing / cellsPerSpacing wide, so that every electrode stands on a cell edge.
    int cellsPerSpacing = DefaultCellsPerSpacing;
    // The grid reaches this many spacings beyond the first and the last electrode.
    int marginSpacings = DefaultMarginSpacings;
    // The top layer's thickness in metres; 0 means half a spacing.
    double firstLayerMetres = 0;
    // Each layer is this many times as thick as the one above it.
    double growth = DefaultGrowth;
    // Layers are added until they reach this depth in metres; 0 means (E - 1) spacings /
    // depthDivisor, by default / 5: about where all configurations of the cable together stop
    // resolving a cell to 1 %, which is as deep as a design's figures look. A grid to / 3 made
    // designs of 500 image worse under an inversion.
    static constexpr double DefaultDepthDivisor = 5;
    // A section drawn to the default depth puts the depth a sequence is resolved to at its bottom,
    // where it says nothing; to / 3 it shows where the cable stops resolving beneath it.
    static constexpr double SectionDepthDivisor = 3;
    double depthDivisor = DefaultDepthDivisor;
    double depthMetres = 0;
};

// The cells of a 2-D model under a straight cable of electrodes 1 to E, electrode k at
// x = (k - 1) × spacing on the surface z = 0, z growing downwards; or under a line of positions
// 1 to L measured in spreads of a cable of E electrodes. Cells are numbered column by column, top
// to bottom within a column.
class ModelGrid
{
public:
    ModelGrid() = default;
    // An invalid grid, with error() saying why, when the options make no sense. With
    // spreadElectrodes (2 to CablePositions, and at most `electrodes`), the grid lies under a line
    // of `electrodes` positions (up to MaxLinePositions) that a cable of spreadElectrodes
    // measures: its columns run along the whole line, but its layers reach only as deep as the
    // cable's (its default depth is the cable's), since no spread looks deeper than one cable.
    ModelGrid(int electrodes, double spacingMetres, const GridOptions &options = GridOptions(),
        int spreadElectrodes = 0);

    bool isValid() const { return m_error.isEmpty() && m_layers > 0; }
    QString error() const { return m_error; }

    // The cable's electrodes, or the line's positions.
    int electrodes() const { return m_electrodes; }
    // The electrodes of the cable that measures: electrodes() for a cable, fewer for a line.
    // No configuration spans more of them, so no pair of electrodes is further apart than
    // spread() - 1 steps.
    int spread() const { return m_spread; }
    bool isLine() const { return m_spread < m_electrodes; }
    double spacing() const { return m_spacing; }
    int cellsPerSpacing() const { return m_cellsPerSpacing; }
    int columns() const { return m_xEdges.size() - 1; }
    int layers() const { return m_layers; }
    int cellCount() const { return columns() * m_layers; }
    int cell(int column, int layer) const { return column * m_layers + layer; }
    int columnOf(int cell) const { return cell / m_layers; }
    int layerOf(int cell) const { return cell % m_layers; }

    // columns() + 1 and layers() + 1 edges, ascending, in metres.
    const QVector<double> &xEdges() const { return m_xEdges; }
    const QVector<double> &zEdges() const { return m_zEdges; }
    double cellArea(int cell) const;

    // The x edge that electrode k (1..E) stands on.
    int electrodeEdge(int electrode) const;

private:
    QString m_error = QStringLiteral("no grid");
    int m_electrodes = 0;
    int m_spread = 0;
    double m_spacing = 0;
    int m_cellsPerSpacing = 0;
    int m_marginSpacings = 0;
    int m_layers = 0;
    QVector<double> m_xEdges;
    QVector<double> m_zEdges;
};

} // namespace Kgw

#endif
