#include "inversion.h"

#include "forward.h"
#include "groundrows.h"

#include <Eigen/IterativeLinearSolvers>
#include <Eigen/SparseCore>

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace Kgw {

namespace {

// The forward model of the parameters: m on the grid's cells, the outer columns and the bottom
// layer reaching to the mesh's boundaries, each mesh cell taking the area-weighted mean of ln ρ
// over it. Held at the start value instead, the ground beyond the line's ends and below the
// grid kept long readings from fitting a ground that differs there, as a dipping contact does.
class ParameterModel
{
public:
    ParameterModel(const InversionData &data, const ModelGrid &grid, const MeshOptions &options)
        : m_data(data)
    {
        for (int i = 0; i < data.electrodes; ++i)
            m_electrodeX.append(i * data.spacingMetres);
        m_mesh = Mesh::forElectrodes(m_electrodeX, options);
        if (m_mesh.isEmpty())
            return;
        m_shareT = meshToGrid(m_mesh, grid, GridReach::Stretched).transpose();
    }

    bool isEmpty() const { return m_mesh.isEmpty(); }

    // r of every row for the model m, or an error.
    QString forward(const Eigen::VectorXd &m, Eigen::VectorXd *f)
    {
        const Eigen::VectorXd rho = (m_shareT * m).array().exp();
        ForwardOptions options;
        options.uniformPoles = m_uniformPoles;
        m_model = std::make_unique<ForwardModel>(m_mesh, rho, m_electrodeX, options);
        if (!m_model->error().isEmpty())
            return m_model->error();
        if (m_uniformPoles.size() == 0)
            m_uniformPoles = m_model->uniformPoles();
        *f = m_model->transferResistances(m_data.rows);
        if (!f->allFinite())
            return QStringLiteral("the model reads no signal at a row");
        return {};
    }

    // ∂ ln r / ∂ m at the model forward() was last given.
    Eigen::MatrixXd jacobian() { return m_model->jacobian(m_data.rows) * m_shareT; }

private:
    const InversionData &m_data;
    QVector<double> m_electrodeX;
    Mesh m_mesh { {}, {} };
    Eigen::SparseMatrix<double> m_shareT; // mesh cells × grid cells
    Eigen::MatrixXd m_uniformPoles;
    std::unique_ptr<ForwardModel> m_model;
};

} // namespace

Eigen::SparseMatrix<double> roughening(const ModelGrid &grid, double zWeight)
{
    const QVector<double> &x = grid.xEdges();
    const QVector<double> &z = grid.zEdges();
    std::vector<Eigen::Triplet<double>> entries;
    int row = 0;
    const auto difference = [&](int from, int to, double weight) {
        entries.emplace_back(row, from, -weight);
        entries.emplace_back(row++, to, weight);
    };
    for (int column = 0; column < grid.columns(); ++column) {
        for (int layer = 0; layer < grid.layers(); ++layer) {
            const int cell = grid.cell(column, layer);
            const double width = x.at(column + 1) - x.at(column);
            const double height = z.at(layer + 1) - z.at(layer);
            if (column + 1 < grid.columns())
                difference(cell, grid.cell(column + 1, layer),
                    std::sqrt(height / ((x.at(column + 2) - x.at(column)) / 2)));
            if (layer + 1 < grid.layers())
                difference(cell, grid.cell(column, layer + 1),
                    zWeight * std::sqrt(width / ((z.at(layer + 2) - z.at(layer)) / 2)));
        }
    }
    Eigen::SparseMatrix<double> w(row, grid.cellCount());
    w.setFromTriplets(entries.begin(), entries.end());
    return w;
}

InversionResult invert(const InversionData &data, const InversionOptions &options,
    const std::function<void(const InversionStep &)> &step, const ProgressFunction &progress)
{
    QElapsedTimer timer;
    timer.start();
    InversionResult result;
    if (!data.isValid()) {
        result.error = data.error.isEmpty() ? QStringLiteral("no data") : data.error;
        return result;
    }
    const int n = data.rows.size();
    result.startRho = median(data.rhoa);

    GridOptions gridOptions;
    gridOptions.cellsPerSpacing = 2;
    gridOptions.depthMetres = 1.5 * std::max(deepestMedianDepth(data), data.spacingMetres);
    result.grid = ModelGrid(data.electrodes, data.spacingMetres, gridOptions,
        data.electrodes > CablePositions ? CablePositions : 0);
    if (!result.grid.isValid()) {
        result.error = result.grid.error();
        return result;
    }
    const double startLog = std::log(result.startRho);
    ParameterModel model(data, result.grid, options.mesh);
    if (model.isEmpty()) {
        result.error = QStringLiteral("no mesh for %1 electrodes at %2 m")
                           .arg(data.electrodes)
                           .arg(data.spacingMetres);
        return result;
    }

    // Each reading is fitted as asinh(r / s), s = err |r_data| its standard deviation: like
    // ln |r| wherever r is well away from zero, so that a reading weighs by its relative error
    // over decades of resistance, but rising through zero, where ln |r| has a pole. A model that
    // reads a row with the wrong sign is then pulled back through zero; fitting ln |r|, it was
    // pulled the other way, to a reading of the right size and the wrong sign, and stuck there.
    const Eigen::ArrayXd scale = data.err.array() * data.r.array().abs();
    const auto fitted
        = [&](const Eigen::VectorXd &r) -> Eigen::ArrayXd { return (r.array() / scale).asinh(); };
    const Eigen::ArrayXd observed = fitted(data.r);
    // The standard deviation of asinh(r / s) at the data, s / sqrt(r² + s²).
    const Eigen::ArrayXd weight = (1 + data.err.array().square()).sqrt() / data.err.array();
    const Eigen::SparseMatrix<double> wm = roughening(result.grid, options.zWeight);
    const Eigen::SparseMatrix<double> roughness = wm.transpose() * wm;
    const auto chiSquared = [&](const Eigen::VectorXd &f) {
        return ((observed - fitted(f)) * weight).square().sum() / n;
    };
    const auto record = [&](int iteration, const Eigen::VectorXd &f, double lambda) {
        InversionStep s;
        s.iteration = iteration;
        s.chiSquared = chiSquared(f);
        s.rmsPercent = 100 * std::sqrt(((f - data.r).array() / data.r.array()).square().sum() / n);
        s.lambda = lambda;
        s.seconds = timer.nsecsElapsed() / 1e9;
        result.steps.append(s);
        if (step)
            step(s);
    };

    Eigen::VectorXd m = Eigen::VectorXd::Constant(result.grid.cellCount(), startLog);
    Eigen::VectorXd f;
    const auto finish = [&](InversionResult::Ending ending, const QString &stop) {
        result.rho = m.array().exp();
        result.residuals = (observed - fitted(f)) * weight;
        result.ending = ending;
        result.stop = stop;
        return result;
    };
    if (const QString e = model.forward(m, &f); !e.isEmpty()) {
        result.error = e;
        return result;
    }
    record(0, f, 0);
    double lambda = 0;
    for (int iteration = 1;; ++iteration) {
        if (result.steps.constLast().chiSquared <= 1) {
            return finish(
                InversionResult::ChiSquaredReached, QStringLiteral("chi-squared reached 1"));
        }
        if (iteration > options.maxIterations)
            return finish(InversionResult::IterationLimit, QStringLiteral("the iteration limit"));
        if (progress)
            progress(double(iteration - 1) / options.maxIterations);

        // d asinh(r / s) / dm = r / sqrt(r² + s²) · ∂ ln r / ∂m.
        const Eigen::ArrayXd slope = f.array() / (f.array().square() + scale.square()).sqrt();
        const Eigen::MatrixXd jw = (weight * slope).matrix().asDiagonal() * model.jacobian();
        Eigen::MatrixXd normal = jw.transpose() * jw;
        if (iteration == 1) {
            const double roughTrace = roughness.diagonal().sum();
            lambda = roughTrace > 0 ? normal.trace() / roughTrace : 1;
        } else {
            lambda /= options.cooling;
        }
        normal += lambda * Eigen::MatrixXd(roughness);
        const Eigen::VectorXd gradient = jw.transpose() * (weight * (observed - fitted(f))).matrix()
            - lambda * (roughness * m);
        Eigen::ConjugateGradient<Eigen::MatrixXd, Eigen::Lower | Eigen::Upper> cg;
        cg.setTolerance(1e-4);
        cg.setMaxIterations(500);
        cg.compute(normal);
        const Eigen::VectorXd delta = cg.solve(gradient);

        // Halve the step until the misfit falls.
        const double before = result.steps.constLast().chiSquared;
        bool accepted = false;
        for (double length = 1; length > 1.0 / 64; length /= 2) {
            const Eigen::VectorXd trial = m + length * delta;
            Eigen::VectorXd trialF;
            if (!model.forward(trial, &trialF).isEmpty())
                continue;
            if (chiSquared(trialF) < before) {
                m = trial;
                f = trialF;
                accepted = true;
                break;
            }
        }
        if (!accepted) {
            // The last trial is the model the next Jacobian would be taken at; put m back.
            model.forward(m, &f);
            return finish(
                InversionResult::NoLowerMisfit, QStringLiteral("no step lowers the misfit"));
        }
        record(iteration, f, lambda);
    }
}

namespace {

// Each cell's centre and resistivity, in the grid's order.
QVector<GroundGridPoint> modelPoints(const ModelGrid &grid, const Eigen::VectorXd &rho)
{
    QVector<GroundGridPoint> points;
    points.reserve(grid.cellCount());
    const QVector<double> &x = grid.xEdges();
    const QVector<double> &z = grid.zEdges();
    for (int cell = 0; cell < grid.cellCount(); ++cell) {
        const int c = grid.columnOf(cell);
        const int l = grid.layerOf(cell);
        points.append({ (x.at(c) + x.at(c + 1)) / 2, (z.at(l) + z.at(l + 1)) / 2, rho[cell] });
    }
    return points;
}

} // namespace

QByteArray modelXyz(const ModelGrid &grid, const Eigen::VectorXd &rho)
{
    QByteArray text("# x z rho\n");
    for (const GroundGridPoint &p : modelPoints(grid, rho))
        text += QByteArray::number(p.x, 'g', 10) + ' ' + QByteArray::number(p.z, 'g', 10) + ' '
            + QByteArray::number(p.rho, 'g', 6) + '\n';
    return text;
}

Ground modelGround(const InversionResult &result)
{
    Ground ground(result.startRho);
    ground.addGrid(modelPoints(result.grid, result.rho));
    return ground;
}

} // namespace Kgw
