#include "mesh.h"

#include <algorithm>
#include <cmath>

namespace Kgw {

namespace {

// Steps that start at first and grow by growth until they reach distance or beyond: the boundary
// stands at least that far out.
QVector<double> gradedSteps(double first, double growth, double distance)
{
    QVector<double> steps;
    double covered = 0;
    double step = first;
    while (covered < distance) {
        steps.append(step);
        covered += step;
        step *= growth;
    }
    return steps;
}

} // namespace

bool MeshOptions::isValid() const
{
    return cellsPerSpacing >= 1 && cellsPerSpacing <= 16 && growth >= 1 && growth <= 3
        && std::isfinite(denseDepth) && denseDepth >= 0 && std::isfinite(padding) && padding >= 0;
}

Mesh::Mesh(QVector<double> xNodes, QVector<double> zNodes)
    : m_x(std::move(xNodes))
    , m_z(std::move(zNodes))
{ }

Mesh Mesh::forElectrodes(const QVector<double> &electrodeX, const MeshOptions &options)
{
    QVector<double> positions = electrodeX;
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    if (positions.size() < 2 || !options.isValid()
        || !std::all_of(
            positions.cbegin(), positions.cend(), [](double x) { return std::isfinite(x); }))
        return Mesh({}, {});

    double smallest = positions.at(1) - positions.at(0);
    for (int i = 2; i < positions.size(); ++i)
        smallest = std::min(smallest, positions.at(i) - positions.at(i - 1));
    const double length = positions.last() - positions.first();
    const double fine = smallest / options.cellsPerSpacing;
    const QVector<double> outward = gradedSteps(fine, options.growth, options.padding * length);

    QVector<double> x;
    double left = positions.first();
    for (double step : outward)
        left -= step;
    x.append(left);
    for (int i = outward.size() - 1; i > 0; --i)
        x.append(x.last() + outward.at(i));
    x.append(positions.first());
    // Between electrodes wider apart than the smallest distance, cells of about the fine size,
    // so that no cell near an electrode is much larger than at the closest pair.
    for (int i = 1; i < positions.size(); ++i) {
        const double from = positions.at(i - 1);
        const double gap = positions.at(i) - from;
        const int cells = std::max(options.cellsPerSpacing, int(std::ceil(gap / fine - 1e-9)));
        for (int c = 1; c < cells; ++c)
            x.append(from + gap * c / cells);
        x.append(positions.at(i));
    }
    for (double step : outward)
        x.append(x.last() + step);

    QVector<double> z { 0 };
    const int denseCells = int(std::ceil(options.denseDepth * smallest / fine - 1e-9));
    for (int i = 1; i <= denseCells; ++i)
        z.append(i * fine);
    const double below = options.padding * length - z.last();
    for (double step : gradedSteps(fine * options.growth, options.growth, below))
        z.append(z.last() + step);
    return Mesh(x, z);
}

QPointF Mesh::cellCentre(int cell) const
{
    const int c = column(cell);
    const int r = row(cell);
    return QPointF((m_x.at(c) + m_x.at(c + 1)) / 2, (m_z.at(r) + m_z.at(r + 1)) / 2);
}

int Mesh::surfaceNode(double x) const
{
    const auto after = std::lower_bound(m_x.cbegin(), m_x.cend(), x);
    if (after == m_x.cbegin())
        return 0;
    if (after == m_x.cend())
        return m_x.size() - 1;
    const int i = int(after - m_x.cbegin());
    return x - m_x.at(i - 1) <= m_x.at(i) - x ? i - 1 : i;
}

} // namespace Kgw
