#include "ground.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Kgw {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();

// Points per side with which a part of a cell that a polygon's edge may cross is sampled: a
// straight edge then misplaces at most about 1/16 of that part's area, and most far less.
constexpr int PolygonSamples = 16;

// The sorted distinct values, and the edges of the cells around them: halfway between
// neighbours, and as far beyond the outermost as the neighbour inside is.
QVector<double> cellEdges(QVector<double> centres, QVector<double> *distinct)
{
    std::sort(centres.begin(), centres.end());
    centres.erase(std::unique(centres.begin(), centres.end()), centres.end());
    *distinct = centres;
    const int n = centres.size();
    QVector<double> edges(n + 1);
    for (int k = 1; k < n; ++k)
        edges[k] = (centres.at(k - 1) + centres.at(k)) / 2;
    edges[0] = centres.at(0) - (edges.at(1) - centres.at(0));
    edges[n] = centres.at(n - 1) + (centres.at(n - 1) - edges.at(n - 1));
    return edges;
}

int indexOf(const QVector<double> &sorted, double value)
{
    return int(std::lower_bound(sorted.cbegin(), sorted.cend(), value) - sorted.cbegin());
}

// The cell of the edges that holds the value, [edge k, edge k + 1); -1 for none.
int cellOf(const QVector<double> &edges, double value)
{
    const int k = int(std::upper_bound(edges.cbegin(), edges.cend(), value) - edges.cbegin()) - 1;
    return k >= 0 && k + 1 < edges.size() ? k : -1;
}

// Twice the signed area of the triangle a b c: above 0 where c lies left of a to b.
double cross(const QPointF &a, const QPointF &b, const QPointF &c)
{
    return (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
}

// Whether c, on the line through a and b, lies within their segment.
bool withinSegment(const QPointF &a, const QPointF &b, const QPointF &c)
{
    return std::min(a.x(), b.x()) <= c.x() && c.x() <= std::max(a.x(), b.x())
        && std::min(a.y(), b.y()) <= c.y() && c.y() <= std::max(a.y(), b.y());
}

// Whether the closed segments share a point, touching included.
bool segmentsMeet(const QPointF &a, const QPointF &b, const QPointF &c, const QPointF &d)
{
    const double d1 = cross(c, d, a);
    const double d2 = cross(c, d, b);
    const double d3 = cross(a, b, c);
    const double d4 = cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    return (d1 == 0 && withinSegment(c, d, a)) || (d2 == 0 && withinSegment(c, d, b))
        || (d3 == 0 && withinSegment(a, b, c)) || (d4 == 0 && withinSegment(a, b, d));
}

// The values strictly between low and high among the sorted ones, appended.
void appendWithin(const QVector<double> &sorted, double low, double high, QVector<double> *cuts)
{
    auto it = std::upper_bound(sorted.cbegin(), sorted.cend(), low);
    for (; it != sorted.cend() && *it < high; ++it)
        cuts->append(*it);
}

void appendWithin(double value, double low, double high, QVector<double> *cuts)
{
    if (value > low && value < high)
        cuts->append(value);
}

// The edges of the pieces that the cuts divide low to high into.
QVector<double> pieces(double low, double high, QVector<double> cuts)
{
    cuts.append(low);
    cuts.append(high);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

} // namespace

bool isSimplePolygon(const QVector<QPointF> &outline)
{
    const int n = outline.size();
    if (n < 3)
        return false;
    for (int i = 0; i < n; ++i) {
        const QPointF &a = outline.at(i);
        const QPointF &b = outline.at((i + 1) % n);
        if (a == b)
            return false;
        // The next edge starts where this one ends: it must not turn straight back over it.
        const QPointF &c = outline.at((i + 2) % n);
        const QPointF ab = b - a;
        const QPointF bc = c - b;
        if (cross(a, b, c) == 0 && QPointF::dotProduct(ab, bc) < 0)
            return false;
        // Every other edge, save the one before, must keep clear of this one.
        for (int j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1)
                continue;
            if (segmentsMeet(a, b, outline.at(j), outline.at((j + 1) % n)))
                return false;
        }
    }
    return true;
}

bool Ground::Shape::holds(double x, double z) const
{
    if (!(x >= x0 && x < x1 && z >= z0 && z < z1))
        return false;
    switch (kind) {
    case ShapeKind::Layer:
    case ShapeKind::Block:
        return true;
    case ShapeKind::Polygon: {
        // Counts the edges that a ray from the point towards +x crosses, each edge holding its
        // lower end only, so that a ray through a vertex counts it once.
        bool inside = false;
        const int n = outline.size();
        for (int i = 0, j = n - 1; i < n; j = i++) {
            const QPointF &a = outline.at(i);
            const QPointF &b = outline.at(j);
            if ((a.y() > z) != (b.y() > z)
                && x < a.x() + (z - a.y()) * (b.x() - a.x()) / (b.y() - a.y()))
                inside = !inside;
        }
        return inside;
    }
    case ShapeKind::Grid:
        return !std::isnan(rhoAt(x, z));
    }
    return false;
}

double Ground::Shape::rhoAt(double x, double z) const
{
    if (kind != ShapeKind::Grid)
        return holds(x, z) ? rho : NoValue;
    const int column = cellOf(xEdges, x);
    const int row = cellOf(zEdges, z);
    if (column < 0 || row < 0)
        return NoValue;
    return cells.at(column * (zEdges.size() - 1) + row);
}

Ground::Ground(double background)
    : m_background(background)
{
    Q_ASSERT(background > 0 && std::isfinite(background));
}

void Ground::addLayer(double top, double bottom, double rho)
{
    Q_ASSERT(top < bottom && rho > 0);
    Shape layer;
    layer.kind = ShapeKind::Layer;
    layer.rho = rho;
    layer.x0 = -Infinity;
    layer.x1 = Infinity;
    layer.z0 = top;
    layer.z1 = bottom;
    m_shapes.append(layer);
}

void Ground::addBlock(double x0, double x1, double z0, double z1, double rho)
{
    Q_ASSERT(x0 < x1 && z0 < z1 && rho > 0);
    Shape block;
    block.kind = ShapeKind::Block;
    block.rho = rho;
    block.x0 = x0;
    block.x1 = x1;
    block.z0 = z0;
    block.z1 = z1;
    m_shapes.append(block);
}

void Ground::addPolygon(const QVector<QPointF> &outline, double rho)
{
    Q_ASSERT(isSimplePolygon(outline) && rho > 0);
    Shape polygon;
    polygon.kind = ShapeKind::Polygon;
    polygon.rho = rho;
    polygon.outline = outline;
    polygon.x0 = polygon.z0 = Infinity;
    polygon.x1 = polygon.z1 = -Infinity;
    for (const QPointF &p : outline) {
        polygon.x0 = std::min(polygon.x0, p.x());
        polygon.x1 = std::max(polygon.x1, p.x());
        polygon.z0 = std::min(polygon.z0, p.y());
        polygon.z1 = std::max(polygon.z1, p.y());
    }
    m_shapes.append(polygon);
}

void Ground::addGrid(const QVector<GroundGridPoint> &points)
{
    Shape grid;
    grid.kind = ShapeKind::Grid;
    QVector<double> xs;
    QVector<double> zs;
    for (const GroundGridPoint &p : points) {
        xs.append(p.x);
        zs.append(p.z);
    }
    grid.xEdges = cellEdges(xs, &xs);
    grid.zEdges = cellEdges(zs, &zs);
    Q_ASSERT(xs.size() >= 2 && zs.size() >= 2);
    grid.cells.fill(NoValue, xs.size() * zs.size());
    for (const GroundGridPoint &p : points)
        grid.cells[indexOf(xs, p.x) * zs.size() + indexOf(zs, p.z)] = p.rho;
    grid.x0 = grid.xEdges.constFirst();
    grid.x1 = grid.xEdges.constLast();
    grid.z0 = grid.zEdges.constFirst();
    grid.z1 = grid.zEdges.constLast();
    m_shapes.append(grid);
}

double Ground::resistivityAt(double x, double z) const
{
    for (auto it = m_shapes.crbegin(); it != m_shapes.crend(); ++it) {
        const double rho = it->rhoAt(x, z);
        if (!std::isnan(rho))
            return rho;
    }
    return m_background;
}

double Ground::cellResistivity(double x0, double x1, double z0, double z1) const
{
    if (!(x0 < x1 && z0 < z1))
        return resistivityAt(x0, z0);
    // Every edge of a layer, a block and a grid's cell cuts the rectangle into pieces of one
    // resistivity each, which a point at the centre gives exactly. Only a polygon's slanted
    // edges need sampling, and only in the pieces its bounds reach into.
    QVector<double> xCuts;
    QVector<double> zCuts;
    for (const Shape &shape : m_shapes) {
        if (shape.kind == ShapeKind::Grid) {
            appendWithin(shape.xEdges, x0, x1, &xCuts);
            appendWithin(shape.zEdges, z0, z1, &zCuts);
        } else if (shape.kind != ShapeKind::Polygon) {
            appendWithin(shape.x0, x0, x1, &xCuts);
            appendWithin(shape.x1, x0, x1, &xCuts);
            appendWithin(shape.z0, z0, z1, &zCuts);
            appendWithin(shape.z1, z0, z1, &zCuts);
        }
    }
    const QVector<double> xs = pieces(x0, x1, xCuts);
    const QVector<double> zs = pieces(z0, z1, zCuts);
    double logSum = 0;
    for (int i = 0; i + 1 < xs.size(); ++i) {
        for (int j = 0; j + 1 < zs.size(); ++j) {
            const double left = xs.at(i);
            const double top = zs.at(j);
            const double width = xs.at(i + 1) - left;
            const double height = zs.at(j + 1) - top;
            const bool slanted
                = std::any_of(m_shapes.cbegin(), m_shapes.cend(), [&](const Shape &s) {
                      return s.kind == ShapeKind::Polygon && s.x0 < left + width && s.x1 > left
                          && s.z0 < top + height && s.z1 > top;
                  });
            const int n = slanted ? PolygonSamples : 1;
            double pieceSum = 0;
            for (int a = 0; a < n; ++a) {
                for (int b = 0; b < n; ++b)
                    pieceSum += std::log(
                        resistivityAt(left + (a + 0.5) * width / n, top + (b + 0.5) * height / n));
            }
            logSum += pieceSum / (n * n) * width * height;
        }
    }
    return std::exp(logSum / ((x1 - x0) * (z1 - z0)));
}

QVector<int> Ground::shapesOutside(const QRectF &area) const
{
    QVector<int> outside;
    for (int i = 0; i < m_shapes.size(); ++i) {
        const Shape &s = m_shapes.at(i);
        if (!(s.x0 < area.right() && s.x1 > area.left() && s.z0 < area.bottom()
                && s.z1 > area.top()))
            outside.append(i);
    }
    return outside;
}

} // namespace Kgw
