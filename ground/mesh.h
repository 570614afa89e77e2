#ifndef KGW_MESH_H
#define KGW_MESH_H

#include <QPointF>
#include <QVector>

namespace Kgw {

// How finely a mesh resolves the ground and how far it reaches.
struct MeshOptions {
    // Cells between two neighbouring electrodes, and the size of the cells next to them. Four
    // keep a two-layer ground within 1 % of its closed form (two leave 2.4 %, mostly in the
    // horizontal gradients near the electrodes).
    int cellsPerSpacing = 4;
    // Each cell outside the line, and below the dense layer, this many times its neighbour.
    double growth = 1.3;
    // How deep the cells stay as small as at the electrodes, in the smallest electrode distance;
    // below, cells grow by `growth`. The potential varies fastest near the surface electrodes,
    // and a fixed depth keeps the mesh of a long line growing with its length only.
    double denseDepth = 4;
    // How far the sides and the bottom stand from the electrodes, in line lengths. The mixed
    // boundary condition lets them sit this close without drawing the potential down.
    double padding = 3;

    // Cells per spacing from 1 to 16, growth from 1 to 3, the rest not negative and finite.
    bool isValid() const;
};

// A rectilinear mesh of a vertical section under a line of surface electrodes: x along the line,
// z down from the surface at 0, both in metres. Cell (column, row) spans xNodes[column] to
// xNodes[column + 1] and zNodes[row] to zNodes[row + 1]; cells are numbered row by row from the
// surface, cell = row × columns() + column, the order of every per-cell vector.
class Mesh
{
public:
    // A mesh with nodes at the given x (increasing) and z (increasing, from 0).
    Mesh(QVector<double> xNodes, QVector<double> zNodes);

    // A node at every electrode, options.cellsPerSpacing equal cells between neighbours, the
    // same cells down to the dense depth, then cells growing outwards and downwards to the
    // boundaries. The electrodes' x need not be sorted nor distinct; the mesh is symmetric
    // whenever the electrodes are. Empty for fewer than two distinct positions or invalid
    // options.
    static Mesh forElectrodes(const QVector<double> &electrodeX, const MeshOptions &options = {});

    bool isEmpty() const { return m_x.size() < 2 || m_z.size() < 2; }
    const QVector<double> &xNodes() const { return m_x; }
    const QVector<double> &zNodes() const { return m_z; }
    int columns() const { return m_x.size() - 1; }
    int rows() const { return m_z.size() - 1; }
    int cellCount() const { return columns() * rows(); }
    int column(int cell) const { return cell % columns(); }
    int row(int cell) const { return cell / columns(); }
    QPointF cellCentre(int cell) const;

    // The surface node closest to x: where an electrode at x injects and reads.
    int surfaceNode(double x) const;

private:
    QVector<double> m_x;
    QVector<double> m_z;
};

} // namespace Kgw

#endif
