#ifndef KGW_FORWARD_H
#define KGW_FORWARD_H

#include "line.h"
#include "mesh.h"
#include "progress.h"
#include "wavenumbers.h"

#include <QPair>
#include <QString>
#include <QVector>

#include <Eigen/Core>

#include <functional>
#include <vector>

namespace Kgw {

struct ForwardOptions {
    // Threads that solve wavenumbers and cells side by side; 0 for every core.
    int threads = 0;
    // The pole potentials of a uniform ground of 1 ohm m on the same mesh and electrodes, as
    // uniformPoles() of an earlier model gives them, so that a run of grounds on one mesh (an
    // inversion) works them out once. Worked out when empty.
    Eigen::MatrixXd uniformPoles;
};

// The direct-current response of a ground that varies along a line of surface electrodes and
// with depth, and not across the line (2.5-D).
//
// The potential is Fourier-transformed along the strike; per wavenumber k the transformed
// potential solves −∇·(σ∇U) + k²σU = I/2 δ on the mesh, in bilinear finite elements on its
// rectangles, with no current through the surface and the mixed condition of Dey and Morrison
// (1979) on the sides and the bottom. Each wavenumber's matrix is factorised once (sparse LDLᵀ)
// and gives the pole potential of every electrode by back-substitution; a quadruple is the sum
// of its four pole terms (a remote electrode adds none), summed over the wavenumbers().
//
// Every transfer resistance is then scaled by the ratio of the analytic uniform ground's value
// to the same mesh's: what the mesh gets wrong near the electrodes, and the wavenumber sum gets
// wrong at any distance, cancels between the two. This keeps the mesh's symmetry, so that
// reciprocity holds to rounding, which subtracting an analytic primary field would not.
class ForwardModel
{
public:
    // The electrodes stand on the surface at the given x, each at the surface node nearest to
    // it (Mesh::forElectrodes puts a node at every electrode). cellResistivity in ohm m, one a
    // cell in the mesh's order.
    ForwardModel(const Mesh &mesh, const Eigen::VectorXd &cellResistivity,
        const QVector<double> &electrodeX, const ForwardOptions &options = {});

    // Why the model cannot be worked out, as a user reads it; empty when it can. Nothing else
    // may be asked of a model with an error.
    QString error() const { return m_error; }

    // The transfer resistance in ohm of every row, for a unit current: the rows' electrodes are
    // 1-based positions in electrodeX, 0 a remote electrode. NaN for a row with a position
    // outside them or that reads the potential at a current electrode.
    Eigen::VectorXd transferResistances(
        const QVector<LineQuadruple> &rows, const ProgressFunction &progress = {});

    // ∂ ln r / ∂ ln ρ of every row (rows of the matrix) to every cell (columns), from the pole
    // fields by reciprocity: the sensitivity of the pole potential of A read at M to a cell is
    // (1/π) Σ_k w_k ∫_cell σ (∇U_A·∇U_M + k² U_A U_M), and a row combines its four such terms.
    // Over a mesh that covers the ground, a row's sum is 1: scaling every ρ scales r alike.
    Eigen::MatrixXd jacobian(
        const QVector<LineQuadruple> &rows, const ProgressFunction &progress = {});

    // ∂ r / ∂ ln ρ of the pole-pole readings of electrode pairs (p, q), 1-based positions in
    // electrodeX, p != q, unscaled as poles() are: cells × pairs. A row's is the signed sum of its
    // four pairs' columns, and jacobian() that over r.
    Eigen::MatrixXd poleJacobian(
        const QVector<QPair<int, int>> &pairs, const ProgressFunction &progress = {});

    // The pole potentials (ohm) of this ground on the mesh, unscaled: column a read at row m is
    // the potential at electrode m of a unit current at electrode a.
    Eigen::MatrixXd poles();
    // The pole potentials (ohm) of the uniform ground of 1 ohm m on this mesh, electrode by
    // electrode, to hand to the next model on the same mesh and electrodes.
    Eigen::MatrixXd uniformPoles();

    const QVector<Wavenumber> &wavenumbers() const { return m_wavenumbers; }

private:
    // A side or bottom edge of the mesh, where the mixed condition holds.
    struct Edge {
        int cell;
        int nodes[2];
        double length;
        // For the boundary coefficient k K₁(kr)/K₀(kr) cos θ, with r from the middle of the
        // electrodes to the edge's midpoint and θ between r and the outward normal.
        double distance;
        double cosine;
    };

    // Hands take(cell, gram, scale) every cell of the mesh, from several threads: gram between
    // the fields of the `used` electrodes (0-based) the cell's part of Σ_k w_k ∫ (∇U_A·∇U_M +
    // k² U_A U_M) and of the boundary term, scale σ / π, so that scale × gram(M, A) is the cell's
    // ∂ r_AM / ∂ ln ρ.
    using CellGram = std::function<void(int cell, const Eigen::MatrixXd &gram, double scale)>;
    void cellGrams(
        const std::vector<int> &used, const CellGram &take, const ProgressFunction &progress) const;
    Eigen::MatrixXd solvePoles(
        const Eigen::VectorXd &sigma, bool keepFields, const ProgressFunction &progress);
    void ensurePoles(const ProgressFunction &progress, bool keepFields);

    Mesh m_mesh;
    Eigen::VectorXd m_sigma;
    QVector<double> m_electrodeX;
    QVector<int> m_electrodeNodes;
    QVector<Wavenumber> m_wavenumbers;
    std::vector<Edge> m_edges;
    int m_threads = 1;
    QString m_error;

    Eigen::MatrixXd m_poles;
    Eigen::MatrixXd m_uniformPoles;
    // Per wavenumber the solution of every electrode's unit source: electrodes × nodes.
    std::vector<Eigen::MatrixXd> m_fields;
};

} // namespace Kgw

#endif
