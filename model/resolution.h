#ifndef KGW_RESOLUTION_H
#define KGW_RESOLUTION_H

#include "sensitivity.h"

#include <QVector>

#include <limits>
#include <memory>
#include <vector>

namespace Kgw {

// How uncertain a measured apparent resistivity is, relative to its value: a share of it, plus
// what a fixed voltage floor adds. The measured voltage is rho I / K, so the floor weighs more
// the larger |K|: sigma = relativeError + floorPerMetre × |K|, floorPerMetre being the voltage
// floor over rho I. The defaults, 3 % and 100 µV at 100 Ωm and 100 mA (1e-5 per metre), are
// a common field instrument on common ground.
struct NoiseModel {
    static constexpr double DefaultRelativeError = 0.03;
    static constexpr double DefaultFloorPerMetre = 1e-5;

    double relativeError = DefaultRelativeError;
    double floorPerMetre = DefaultFloorPerMetre;

    double sigma(double factorMetres) const;
};

struct ResolutionOptions {
    // lambda = damping × trace(GᵀWG) / trace(CᵀC) of the comprehensive set: fixed by the cable,
    // so every sequence on it is judged on the same footing. With much weaker smoothing the
    // relative resolution of any sequence that sees a cell at all comes close to 1 there, and
    // the figure no longer tells a good design from a poor one.
    static constexpr double DefaultDamping = 3e-2;

    NoiseModel noise;
    // Configurations whose |K| exceeds this many metres are left out, also from the
    // comprehensive set.
    double factorLimit = std::numeric_limits<double>::infinity();
    double damping = DefaultDamping;
};

// Every choice of four electrodes i < j < k < l of 1..E in its three arrangements that are not
// reciprocals of one another, (A, B, M, N) = (i, l, j, k), (i, j, k, l), (i, k, j, l): 3 C(E, 4)
// configurations.
QVector<Quadruple> comprehensiveConfigurations(int electrodes);

// Per cell, the cells it is differenced with in the smoothness C: the one beside it on either
// side and the one above and below.
std::vector<std::vector<int>> cellNeighbours(const ModelGrid &grid);

// What a sequence resolves.
struct SequenceResolution {
    int configurations = 0;
    int withoutRow = 0; // repeated electrode, no signal, or an electrode beyond the cable
    int overLimit = 0; // |K| above the limit
    QVector<double> resolution; // R_jj per cell, in the grid's order
    // R_jj / R_jj of the comprehensive set per cell; 0 where that set resolves nothing.
    QVector<double> relative;
    double meanResolution = 0;
    // The mean of R_jj / R_jj of the comprehensive set, over the cells that set resolves at all
    // (R_jj > 0).
    double meanRelative = 0;

    int used() const { return configurations - withoutRow - overLimit; }
};

// The model resolution R = (GᵀWG + lambda CᵀC)^-1 GᵀWG of sequences on one cable, G the
// sensitivity rows, W = diag(1 / sigma²) and C the first differences between cells side by side
// and one above the other. Constructing it works out the comprehensive set, which fixes lambda
// and the resolution every sequence is compared with.
class ResolutionModel
{
public:
    // Its matrices are cells × cells, and the work grows with the cube: beyond this many cells a
    // grid would take minutes and gigabytes.
    static constexpr int MaxCells = 4000;

    ResolutionModel(const PairTable &table, const ResolutionOptions &options,
        const ProgressFunction &progress = ProgressFunction());
    ~ResolutionModel();

    // False, with error() saying why, when the grid has more than MaxCells cells or the
    // comprehensive set has no configuration within the limit, which leaves nothing to compare
    // with.
    bool isValid() const;
    QString error() const;

    const PairTable &table() const;
    const ResolutionOptions &options() const;
    double lambda() const;
    const SequenceResolution &comprehensive() const;

    SequenceResolution evaluate(const QVector<Quadruple> &sequence,
        const ProgressFunction &progress = ProgressFunction()) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Whether the quadruple has a sensitivity row that the limit keeps: |K| finite and at most
// factorLimit metres.
bool withinFactorLimit(const PairTable &table, const Quadruple &q, double factorLimit);

// Σ |J| over the rows of the sequence that have one and stay within the limit, per cell.
QVector<double> cumulativeSensitivity(
    const PairTable &table, const QVector<Quadruple> &sequence, double factorLimit);

} // namespace Kgw

#endif
