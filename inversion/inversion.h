#ifndef KGW_INVERSION_H
#define KGW_INVERSION_H

#include "ground.h"
#include "inversiondata.h"
#include "mesh.h"
#include "modelgrid.h"
#include "progress.h"

#include <Eigen/Core>
#include <Eigen/SparseCore>

#include <QString>
#include <QVector>

#include <functional>

namespace Kgw {

struct InversionOptions {
    static constexpr int DefaultMaxIterations = 15;
    // Far beyond any the cooling needs to reach χ² = 1.
    static constexpr int MostIterations = 100;
    static constexpr double DefaultZWeight = 1;
    // How much more a change between a cell and the one below it costs than one between
    // neighbours along the line: above 1 for a layered image, below 1 for upright bodies.
    double zWeight = DefaultZWeight;
    int maxIterations = DefaultMaxIterations;
    // Each iteration's λ is the last one's over this: slow enough that each Gauss–Newton step
    // stays near the linearisation it was taken on, fast enough to reach χ² = 1 in a few.
    double cooling = 2;
    MeshOptions mesh;
};

// One accepted Gauss–Newton iteration (0 the start model), as the table prints it.
struct InversionStep {
    int iteration = 0;
    double chiSquared = 0; // ‖W_d (d − f)‖² / N
    double rmsPercent = 0; // RMS of (r_model − r_data) / r_data, in percent
    double lambda = 0; // the trade-off the step was taken with; 0 for the start
    double seconds = 0; // since the inversion started
};

struct InversionResult {
    QString error; // why nothing could be inverted; empty when it could
    // The parameter cells: columns every half spacing from a spacing before the first electrode
    // to one past the last, layers growing with depth to 1.5 times the deepest median depth of
    // investigation of the data. The outer columns and the bottom layer stand for the ground
    // beyond them, to the forward mesh's boundaries.
    ModelGrid grid;
    Eigen::VectorXd rho; // ohm m, one a grid cell in its order
    double startRho = 0; // the median apparent resistivity
    QVector<InversionStep> steps;
    // W_d (d − f) of each row at the final model: the mean of their squares is χ².
    Eigen::VectorXd residuals;
    enum Ending { ChiSquaredReached, IterationLimit, NoLowerMisfit };
    Ending ending = ChiSquaredReached;
    bool converged() const { return error.isEmpty() && ending == ChiSquaredReached; } // χ² ≤ 1
    QString stop; // why it stopped, as a user reads it
};

// W_m, whose ‖W_m m‖² is the roughness ∫ (∂m/∂x)² + zWeight² (∂m/∂z)² over the section, as first
// differences between neighbouring cells, one row per pair: a difference Δm across a face of
// length l between centres d apart is a gradient Δm / d over an area of about l d, so it weighs
// sqrt(l / d). The layers grow with depth, and unweighted differences smoothed the thin top
// layers far more than the deep ones along the line, and the other way down it; weighed so,
// the images of the validation's grounds came closer to them.
Eigen::SparseMatrix<double> roughening(const ModelGrid &grid, double zWeight);

// Gauss–Newton on m = ln ρ of the grid's cells, from the start model ρ = median ρa:
// minimises ‖W_d (d − f(m))‖² + λ ‖W_m m‖², d = asinh(r / (err |r_data|)), which is ln |r|
// but for a constant away from zero, W_d about 1/err, W_m the first differences
// between neighbouring cells along the line and, times zWeight, down it; no reference model,
// so that a uniform ground costs nothing. Each step solves the normal equations
// (Jᵀ W_d² J + λ W_mᵀ W_m) δ = Jᵀ W_d² (d − f) − λ W_mᵀ W_m m by conjugate gradients on the
// explicit matrix, J = ∂ d/∂ m from the forward model's Jacobian on the mesh times the mapping of
// parameters to mesh cells. λ starts at the ratio of the two matrices' traces and cools by
// `cooling` each iteration; the step is halved until the misfit falls, so it never rises, and
// the inversion stops at χ² ≤ 1, at maxIterations, or when no step lowers the misfit.
// `step` hears of each accepted iteration, the start model first.
InversionResult invert(const InversionData &data, const InversionOptions &options = {},
    const std::function<void(const InversionStep &)> &step = {},
    const ProgressFunction &progress = {});

// The model's cells as "x z rho" lines of their centres, x along the line from electrode 1 and
// z depth, as the ground file's grid reads them.
QByteArray modelXyz(const ModelGrid &grid, const Eigen::VectorXd &rho);
// The model as a ground of those cells, for a ground section to draw and a forward model to
// read, painted over the start model.
Ground modelGround(const InversionResult &result);

} // namespace Kgw

#endif
