#ifndef KGW_DESIGN_H
#define KGW_DESIGN_H

#include "injection.h"
#include "resolution.h"

#include <QString>
#include <QVector>

#include <optional>

namespace Kgw {

struct GroundPairs;

// A region of the ground in metres, x along the cable and z downwards. A cell counts as inside
// when its centre is.
struct TargetRegion {
    double x0 = 0;
    double x1 = 0;
    double z0 = 0;
    double z1 = 0;

    bool contains(double x, double z) const { return x >= x0 && x <= x1 && z >= z0 && z <= z1; }
    bool containsCell(const ModelGrid &grid, int cell) const;
};

// "X0:X1,Z0:Z1" in metres, spaces allowed around it; nothing unless X0 < X1 and 0 <= Z0 < Z1,
// as a region of the ground under the cable must be.
std::optional<TargetRegion> parseTargetRegion(const QString &text);
// The region as parseTargetRegion() reads it back.
QString targetRegionText(const TargetRegion &target);

// The cells of the target that the model compares; a mean over none would say nothing.
int comparedCellsIn(const ResolutionModel &model, const TargetRegion &target);
// Why the target cannot be judged, or outlined on a section of the model: it holds no cell that
// the model compares. Empty when it holds one.
QString targetError(const ResolutionModel &model, const TargetRegion &target);
// The same for a section without a resolution: the target holds no cell of the grid.
QString targetError(const ModelGrid &grid, const TargetRegion &target);

// The mean of R_jj / R_jj of the comprehensive set over the cells of the target that the model
// compares; 0 when there are none.
double meanRelativeIn(
    const ResolutionModel &model, const SequenceResolution &sequence, const TargetRegion &target);

// What a design is measured against: dipole-dipole then Wenner-alpha, as kgw generate gives
// them for the cable, within the |K| limit and cut to `count`.
QVector<Quadruple> standardArrays(const SurveyModel &survey, int count);

struct DesignOptions {
    // Each round adds this share of the measurements asked for (or of all there are, when
    // fewer). Smaller rounds follow the
    // resolution more closely; larger ones need fewer updates. 5 % is where the design stopped
    // gaining from smaller rounds.
    static constexpr double DefaultBatchShare = 0.05;

    // The standard arrays' smallest readings give the near-surface the dense, even coverage that
    // compact bodies need, which readings chosen one by one for the whole section spread
    // thinner; with a third of the measurements taken from them, an inversion imaged both compact
    // bodies and a dipping contact well.
    static constexpr int DefaultBaseShare = 33;

    // Configurations in the design, the base set included.
    int measurements = 0;
    // Potential dipoles measured at once for one current pair; above 1, candidates are added
    // in groups that share A and B.
    int channels = 1;
    // Where the design starts; the rows of it that the resolution model leaves out (over the
    // limits, no signal) or that break the channel rules are dropped, and so are those past the
    // measurements.
    QVector<Quadruple> base;
    // Where the resolution gain counts; none means the whole grid.
    bool targeted = false;
    TargetRegion target;
    double batchShare = DefaultBatchShare;
    // Candidates whose signal cancels more than this (signalCancellation) are not chosen. The
    // linear resolution rewards them most, and a real inversion can use them least: a ground
    // that moves one part of such a reading by a few per cent moves the reading by many times
    // that, so the data stop being near-linear in the ground, and an inversion of a design made
    // of them converged slowly or not at all. Dipole-dipole reaches 4 at n = 3. The base is kept
    // as given, the standard arrays' dipole-dipole up to n + 1 = 7: held to the limit too, the
    // default design imaged no better under an inversion.
    static constexpr double DefaultMaxCancellation = 4;
    double maxCancellation = DefaultMaxCancellation;
    // What one injection can read. A candidate beyond the dipole limit, or above one channel one
    // whose dipole encloses a current electrode, is taken the other way round (as its
    // reciprocal) when that fits, and otherwise left out; with one channel every candidate is an
    // injection of its own, so enclosing costs nothing. Chained, a group is a chain, its dipoles
    // turned (M and N swapped, the same reading) to run along it.
    ChannelRules rules;
};

// The configuration as the design may take it under the channel rules: as it is, turned round
// to its reciprocal when only that fits (a long or enclosing potential dipole becomes the
// current pair), or nothing when neither fits.
std::optional<Quadruple> fittedToChannels(const Quadruple &q, const DesignOptions &options);

// The first `count` of the standard arrays, each fitted to the channel rules as above; a design
// starts from them.
QVector<Quadruple> standardBase(const SurveyModel &survey, const DesignOptions &options, int count);

struct DesignResult {
    QString error; // empty when the design was made
    // The base rows kept, then the chosen ones in the order they were taken; with channels,
    // those of one current pair next to one another.
    QVector<Quadruple> configurations;
    int baseCount = 0;
    // Configurations of the base left out: with no room for them in the measurements asked for,
    // or without a reading within the limits or against the channel rules.
    int baseWithoutRoom = 0;
    int baseUnfit = 0;
    int candidates = 0; // four-electrode configurations that could be chosen
    int rounds = 0;
    // The groups of one current pair the rounds chose, each for one injection of the channels.
    // A current pair may come back in a later round, its group next to its last one: the
    // instrument then reads the two as the channels allow, in no more injections.
    int groups = 0;
    // Seconds spent preparing the pair-level tables of the base set, and in the rounds.
    double preparationSeconds = 0;
    double selectionSeconds = 0;

    bool ok() const { return error.isEmpty(); }
};

// "Compare R" on the pair level. A candidate row g is K / sigma times a signed sum of four
// pole-pole pair vectors t_p, so the two numbers its score needs,
//   g·A^-1·gᵀ = Σ s_p s_q (Tᵀ A^-1 T)_pq   and   Σ_j v_j z_j (g_j - y_j) = Σ s_p s_q Q_pq
// (z = A^-1 gᵀ, y = GᵀWG z, v_j the cell weights over R_jj of the comprehensive set), are
// quadratic forms in two pairs × pairs tables. A round scores every candidate from those tables,
// takes a batch, and updates both tables by the batch's low-rank change of A^-1: nothing is
// solved per candidate, and nothing is factorised after the start.
DesignResult designSequence(const ResolutionModel &model, const DesignOptions &options,
    const ProgressFunction &progress = ProgressFunction());
// The same over a ground: its pair vectors take the place of the uniform ground's, and a row's
// scale K / sigma becomes 1 / (r sigma), r the row's transfer resistance over the ground. The
// cells are weighed, and lambda set, as over the uniform ground, so that a design over a ground
// and one over none aim at the same figure (ResolutionModel::evaluate() of GroundRows).
DesignResult designSequence(const ResolutionModel &model, const GroundPairs &ground,
    const DesignOptions &options, const ProgressFunction &progress = ProgressFunction());

} // namespace Kgw

#endif
