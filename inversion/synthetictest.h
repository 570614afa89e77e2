#ifndef KGW_SYNTHETICTEST_H
#define KGW_SYNTHETICTEST_H

#include "ground.h"
#include "inversion.h"
#include "line.h"
#include "progress.h"

#include <QString>
#include <QVector>

#include <functional>
#include <limits>

namespace Kgw {

struct SyntheticTestOptions {
    static constexpr double DefaultNoiseShare = 0.03;
    static constexpr quint32 DefaultSeed = 1;
    // Gaussian noise, a share of each reading, which is also the error each reading is given;
    // the same seed for every list, so that lists are judged on the same footing.
    double noiseShare = DefaultNoiseShare;
    quint32 seed = DefaultSeed;
    InversionOptions inversion;
};

// How far an image is from the ground it was made of: the RMS of log10(ρ_image / ρ_true) over
// the section and over the ground's bodies. NaN where there is no cell to judge.
struct ImageScore {
    double section = std::numeric_limits<double>::quiet_NaN();
    double bodies = std::numeric_limits<double>::quiet_NaN();
};

// A synthetic test of one list: its readings over a known ground with noise, inverted.
struct SyntheticTest {
    QString error; // why the list could not be tested; empty when it could
    InversionData data; // the simulated readings, as inverted
    InversionResult inversion;
    // The deepest median depth of investigation of the list's rows: how deep it sees.
    double investigationDepth = std::numeric_limits<double>::quiet_NaN();
    double seconds = 0; // simulation and inversion together
};

// Simulates the rows (positions 1..electrodes on a flat line at the spacing, every row
// measurable) over the ground, adds the noise, and inverts the result. `progress` gets 0..1
// and may throw Cancelled between iterations; `step` hears of each accepted iteration.
SyntheticTest runSyntheticTest(const Ground &ground, const QVector<LineQuadruple> &rows,
    int electrodes, double spacingMetres, const SyntheticTestOptions &options = {},
    const std::function<void(const InversionStep &)> &step = {},
    const ProgressFunction &progress = {});

// Tests each of several lists on one line, as runSyntheticTest() does, two at a time where there
// are two cores: one list's dense algebra runs on one core, and would leave the other idle
// between the forward model's runs; more at once would only add memory, some 200 MB a test of
// 1000 rows. The tests come back in the lists' order. `progress` gets 0..1 of them all on the
// caller's thread and may throw Cancelled, which stops every test at its next iteration.
QVector<SyntheticTest> runSyntheticTests(const Ground &ground,
    const QVector<QVector<LineQuadruple>> &lists, int electrodes, double spacingMetres,
    const SyntheticTestOptions &options = {}, const ProgressFunction &progress = {});

// Scores an image against the true ground on square cells half a spacing wide, x from the
// first electrode to the last and z from the surface to `depthMetres`: each cell's true value is
// the ground's geometric mean over it, its image value the image's at its centre. A cell belongs
// to the bodies where the true ground at its centre is not the background.
ImageScore scoreImage(const Ground &truth, const Ground &image, int electrodes,
    double spacingMetres, double depthMetres);

} // namespace Kgw

#endif
