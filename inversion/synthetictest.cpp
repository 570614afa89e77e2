#include "synthetictest.h"

#include "simulation.h"
#include "solverparts.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

namespace Kgw {

namespace {

// The simulation is a small share of a test: most of the time goes to the inversion's Jacobians.
constexpr double SimulationShare = 0.1;

} // namespace

SyntheticTest runSyntheticTest(const Ground &ground, const QVector<LineQuadruple> &rows,
    int electrodes, double spacingMetres, const SyntheticTestOptions &options,
    const std::function<void(const InversionStep &)> &step, const ProgressFunction &progress)
{
    QElapsedTimer timer;
    timer.start();
    SyntheticTest test;
    if (!(options.noiseShare > 0)) {
        // Without noise the readings would have no error to weigh them by.
        test.error = QStringLiteral("a synthetic test needs noise above 0");
        return test;
    }
    SimulationOptions simulation;
    simulation.noiseShare = options.noiseShare;
    simulation.noise.relativeError = options.noiseShare;
    simulation.floorVolts = 0;
    simulation.seed = options.seed;
    simulation.mesh = options.inversion.mesh;
    const Simulation s = simulate(ground, rows, electrodes, spacingMetres, simulation,
        progressRange(progress, 0, SimulationShare));
    if (!s.error.isEmpty()) {
        test.error = s.error;
        return test;
    }
    DataColumns columns;
    columns[DataColumn::R] = s.r;
    columns[DataColumn::Err] = s.err;
    test.data = inversionData(rows, columns, {}, spacingMetres);
    if (!test.data.error.isEmpty()) {
        test.error = test.data.error;
        return test;
    }
    if (const double deepest = deepestMedianDepth(test.data); deepest > 0)
        test.investigationDepth = deepest;
    test.inversion
        = invert(test.data, options.inversion, step, progressRange(progress, SimulationShare, 1));
    test.error = test.inversion.error;
    test.seconds = timer.nsecsElapsed() / 1e9;
    return test;
}

QVector<SyntheticTest> runSyntheticTests(const Ground &ground,
    const QVector<QVector<LineQuadruple>> &lists, int electrodes, double spacingMetres,
    const SyntheticTestOptions &options, const ProgressFunction &progress)
{
    const int count = lists.size();
    QVector<SyntheticTest> tests(count);
    SyntheticTest *results = tests.data(); // detached here, not by the threads
    const std::unique_ptr<std::atomic<double>[]> shares(new std::atomic<double>[size_t(count)]);
    for (int j = 0; j < count; ++j)
        shares[size_t(j)] = 0;
    std::atomic<bool> cancelled { false };
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, 2);
    runInParallel(count, threads,
        [&](int j, int thread) {
            const ProgressFunction share = [&, j, thread](double done) {
                shares[size_t(j)] = done;
                if (cancelled)
                    throw Cancelled();
                if (thread != 0 || !progress)
                    return;
                double sum = 0;
                for (int k = 0; k < count; ++k)
                    sum += shares[size_t(k)];
                try {
                    progress(sum / count);
                } catch (...) {
                    cancelled = true;
                    throw;
                }
            };
            results[j] = runSyntheticTest(
                ground, lists.at(j), electrodes, spacingMetres, options, {}, share);
        },
        {});
    return tests;
}

ImageScore scoreImage(const Ground &truth, const Ground &image, int electrodes,
    double spacingMetres, double depthMetres)
{
    const double size = spacingMetres / 2;
    const int columns = int(std::lround((electrodes - 1) * spacingMetres / size));
    const int layers = int(std::floor(depthMetres / size + 1e-9));
    double sectionSum = 0;
    double bodySum = 0;
    int sectionCells = 0;
    int bodyCells = 0;
    for (int c = 0; c < columns; ++c) {
        const double x0 = c * size;
        for (int l = 0; l < layers; ++l) {
            const double z0 = l * size;
            const double x = x0 + size / 2;
            const double z = z0 + size / 2;
            const double e = std::log10(
                image.resistivityAt(x, z) / truth.cellResistivity(x0, x0 + size, z0, z0 + size));
            sectionSum += e * e;
            ++sectionCells;
            if (truth.resistivityAt(x, z) != truth.background()) {
                bodySum += e * e;
                ++bodyCells;
            }
        }
    }
    ImageScore score;
    if (sectionCells > 0)
        score.section = std::sqrt(sectionSum / sectionCells);
    if (bodyCells > 0)
        score.bodies = std::sqrt(bodySum / bodyCells);
    return score;
}

} // namespace Kgw
