#ifndef KGW_GROUND_H
#define KGW_GROUND_H

#include <QPointF>
#include <QRectF>
#include <QVector>

namespace Kgw {

// One point of a gridded model, as inversion packages export their cells: the cell's centre in
// metres and its resistivity in ohm m.
struct GroundGridPoint {
    double x = 0;
    double z = 0;
    double rho = 0;
};

// The ground under a line, in a vertical section: x along the line from electrode 1 at x = 0, z
// depth positive downwards, metres and ohm m. A half-space of the background resistivity is
// painted over by shapes in the order they are added, a later one over an earlier one where
// they overlap, as a crew describes a ground: the layers first, then the bodies in them.
//
// The shapes must be valid, as the ground file's reader checks them: resistivities above 0 and
// finite, a layer's top above its bottom (which may be infinite), a block's x0 < x1 and z0 < z1,
// a polygon of at least 3 points that does not cross or touch itself, a grid of at least two
// distinct x and two distinct z.
class Ground
{
public:
    enum class ShapeKind { Layer, Block, Polygon, Grid };

    explicit Ground(double background);

    void addLayer(double top, double bottom, double rho);
    void addBlock(double x0, double x1, double z0, double z1, double rho);
    void addPolygon(const QVector<QPointF> &outline, double rho);
    // Each point paints the cell around it, reaching halfway to the neighbouring x and z of the
    // grid, and as far beyond the outermost ones. Points need not fill the grid: where one is
    // missing, the shapes below show through.
    void addGrid(const QVector<GroundGridPoint> &points);

    double background() const { return m_background; }
    // Without a shape the ground is the background half-space, whose figures have a closed
    // form; with shapes it may still be uniform, which isUniform() does not look for.
    bool isUniform() const { return m_shapes.isEmpty(); }
    int shapeCount() const { return m_shapes.size(); }
    ShapeKind shapeKind(int shape) const { return m_shapes.at(shape).kind; }

    // The resistivity at a point: that of the last shape holding it, else the background. A
    // shape holds its top and left edges but not its bottom and right ones, so that two shapes
    // meeting along an edge never both hold it.
    double resistivityAt(double x, double z) const;

    // The resistivity a cell of the rectangle takes: the geometric mean over its area, the
    // mean that an inversion's log-resistivity cells average with, so that a cell half in
    // 10 ohm m and half in 1000 takes 100.
    double cellResistivity(double x0, double x1, double z0, double z1) const;

    // The shapes that do not reach into the area (x from left() to right(), z from top() to
    // bottom()), by their index; touching its edge is not reaching in. A layer reaches along the
    // whole line.
    QVector<int> shapesOutside(const QRectF &area) const;

    // A shape as it was added, so that it can be written back as the crew gave it.
    struct Shape {
        ShapeKind kind = ShapeKind::Block;
        double rho = 0;
        // The extent of the shape; for a layer x runs from -inf to inf.
        double x0 = 0;
        double x1 = 0;
        double z0 = 0;
        double z1 = 0;
        QVector<QPointF> outline; // a polygon's
        // A grid's cell edges, ascending, and a resistivity per cell, x-major; NaN where no
        // point paints the cell.
        QVector<double> xEdges;
        QVector<double> zEdges;
        QVector<double> cells;

        bool holds(double x, double z) const;
        // The resistivity it paints at the point, or NaN where it paints nothing there.
        double rhoAt(double x, double z) const;
    };

    const Shape &shape(int index) const { return m_shapes.at(index); }

private:
    double m_background;
    QVector<Shape> m_shapes;
};

// Whether the outline, closed from its last point back to its first, is a simple polygon: at
// least 3 points, no edge of length 0, and no two edges meeting anywhere but at the point the
// neighbours share. A polygon that touches itself at a single point is not simple.
bool isSimplePolygon(const QVector<QPointF> &outline);

} // namespace Kgw

#endif
