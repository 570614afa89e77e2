#include "simulation.h"

#include "forward.h"
#include "geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace Kgw {

namespace {

// Standard normal numbers from the seed alone: Box and Muller on the 32-bit Mersenne twister,
// whose output the C++ standard fixes, so that a seed gives the same noise with every library,
// as std::normal_distribution does not promise.
class GaussianNoise
{
public:
    explicit GaussianNoise(quint32 seed)
        : m_engine(seed)
    { }
    double next()
    {
        if (m_spare) {
            m_spare = false;
            return m_second;
        }
        const double u1 = uniform();
        const double u2 = uniform();
        const double radius = std::sqrt(-2 * std::log(u1));
        m_second = radius * std::sin(2 * M_PI * u2);
        m_spare = true;
        return radius * std::cos(2 * M_PI * u2);
    }

private:
    // In (0, 1), never 0, whose logarithm is unbounded.
    double uniform() { return (double(m_engine()) + 0.5) / 4294967296.0; }

    std::mt19937 m_engine;
    bool m_spare = false;
    double m_second = 0;
};

} // namespace

Eigen::VectorXd cellResistivities(const Ground &ground, const Mesh &mesh)
{
    Eigen::VectorXd rho(mesh.cellCount());
    const QVector<double> &x = mesh.xNodes();
    const QVector<double> &z = mesh.zNodes();
    for (int cell = 0; cell < mesh.cellCount(); ++cell) {
        const int c = mesh.column(cell);
        const int r = mesh.row(cell);
        rho[cell] = ground.cellResistivity(x.at(c), x.at(c + 1), z.at(r), z.at(r + 1));
    }
    return rho;
}

QString voltageRangeText(const QVector<double> &volts, double currentMilliamperes)
{
    double lowest = std::numeric_limits<double>::infinity();
    double highest = 0;
    for (const double u : volts) {
        lowest = std::min(lowest, std::abs(u));
        highest = std::max(highest, std::abs(u));
    }
    // Four figures: a reading's own error is far above the fifth.
    const auto millivolts = [](double v) { return QString::number(v * 1000, 'g', 4); };
    return QStringLiteral("voltage: %1 to %2 mV at %3 mA")
        .arg(
            millivolts(lowest), millivolts(highest), QString::number(currentMilliamperes, 'g', 10));
}

Simulation simulate(const Ground &ground, const QVector<LineQuadruple> &rows, int electrodes,
    double spacingMetres, const SimulationOptions &options, const ProgressFunction &progress)
{
    Simulation result;
    QVector<double> electrodeX(electrodes);
    for (int i = 0; i < electrodes; ++i)
        electrodeX[i] = i * spacingMetres;
    const Mesh mesh = Mesh::forElectrodes(electrodeX, options.mesh);
    if (mesh.isEmpty()) {
        result.error = QStringLiteral("no mesh for %1 electrodes at %2 m")
                           .arg(electrodes)
                           .arg(spacingMetres);
        return result;
    }
    result.cells = mesh.cellCount();
    if (progress)
        progress(0);
    ForwardModel model(mesh, cellResistivities(ground, mesh), electrodeX);
    if (!model.error().isEmpty()) {
        result.error = model.error();
        return result;
    }
    const Eigen::VectorXd r = model.transferResistances(rows, progressRange(progress, 0.02, 1));

    GaussianNoise noise(options.seed);
    const int n = rows.size();
    result.factor.resize(n);
    result.r.resize(n);
    result.rhoa.resize(n);
    result.err.resize(n);
    result.u.resize(n);
    for (int i = 0; i < n; ++i) {
        // Two draws a row whatever the options, so that a row's noise depends on the seed and
        // its place in the list only.
        const double relative = noise.next();
        const double absolute = noise.next();
        const double clean = r[i];
        const double noisy = clean * (1 + options.noiseShare * relative)
            + options.noiseFloorVolts * absolute / options.currentAmperes;
        const double k = geometricFactor(rows.at(i), spacingMetres);
        result.factor[i] = k;
        result.r[i] = noisy;
        result.rhoa[i] = k * noisy;
        result.u[i] = noisy * options.currentAmperes;
        result.err[i] = options.noise.relativeError
            + options.floorVolts / std::abs(clean * options.currentAmperes);
    }
    if (progress)
        progress(1);
    return result;
}

} // namespace Kgw
