#ifndef KGW_SOLVERPARTS_H
#define KGW_SOLVERPARTS_H

// What the forward model and its Jacobian share, and the running of jobs side by side that a
// synthetic test of several lists borrows.

#include "line.h"
#include "progress.h"

#include <functional>

namespace Kgw {

// Runs job(j, thread) for j from 0 to count - 1 on `threads` threads, numbered from 0, the
// caller's among them, which also reports progress after each job it finishes; a thread runs
// one job at a time, so that jobs may share what belongs to their thread. An exception, from a
// job or from progress, stops the rest, waits for the running ones, and reaches the caller.
void runInParallel(int count, int threads, const std::function<void(int, int)> &job,
    const ProgressFunction &progress);

// The coefficient β of the mixed boundary condition ∂U/∂n + βU = 0 of Dey and Morrison (1979)
// at `distance` from the source, the boundary's outward normal at an angle of cosine `cosine` to
// the direction from the source: k K₁(kr)/K₀(kr) cos θ, the condition that the transformed
// potential of a point source in a uniform ground, K₀(kr), meets exactly.
double mixedBoundaryCoefficient(double k, double distance, double cosine);

// A row's pole terms: the current electrode, the potential electrode (0-based) and the sign of
// the term in the transfer resistance, +1 for AM and BN, −1 for AN and BM.
struct PoleTerm {
    int current;
    int potential;
    int sign;
};

// The terms of a row of 1-based positions among `electrodes`, remote electrodes left out:
// how many of the four are filled, or -1 when a position lies outside 0..electrodes or a
// potential electrode is also a current electrode.
int poleTerms(const LineQuadruple &q, int electrodes, PoleTerm terms[4]);

} // namespace Kgw

#endif
