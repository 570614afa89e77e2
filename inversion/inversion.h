#ifndef KGW_INVERSION_H
#define KGW_INVERSION_H

#include "ground.h"
#include "inversiondata.h"
#include "mesh.h"
#include "modelgrid.h"
#include "progress.h"

#include <Eigen/Core>

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
    double rmsPercent = 0; // RMS of ln r_data − ln r_model, in percent
    double lambda = 0; // the trade-off the step was taken with; 0 for the start
    double seconds = 0; // since the inversion started
};

struct InversionResult {
    QString error; // why nothing could be inverted; empty when it could
    // The parameter cells: columns every half spacing from a spacing before the first electrode
    // to one past the last, layers growing with depth to 1.5 times the deepest median depth of
    // investigation of the data. The forward mesh's cells beyond them keep the start value.
    ModelGrid grid;
    Eigen::VectorXd rho; // ohm m, one a grid cell in its order
    double startRho = 0; // the median apparent resistivity
    QVector<InversionStep> steps;
    Eigen::VectorXd predicted; // ln |r| the model reads at each row of the data
    bool converged = false; // χ² ≤ 1
    enum Ending { ChiSquaredReached, IterationLimit, NoLowerMisfit };
    Ending ending = ChiSquaredReached;
    QString stop; // why it stopped, as a user reads it
};

// Gauss–Newton on m = ln ρ of the grid's cells, from the start model ρ = median ρa:
// minimises ‖W_d (d − f(m))‖² + λ ‖W_m m‖², d = ln |r|, W_d = 1/err, W_m the first differences
// between neighbouring cells along the line and, times zWeight, down it; no reference model,
// so that a uniform ground costs nothing. Each step solves the normal equations
// (Jᵀ W_d² J + λ W_mᵀ W_m) δ = Jᵀ W_d² (d − f) − λ W_mᵀ W_m m by conjugate gradients on the
// explicit matrix, J = ∂ ln r/∂ m the forward model's Jacobian on the mesh times the mapping of
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
