#include "designrun.h"

#include "geometry.h"
#include "groundrows.h"
#include "injection.h"

#include <future>

namespace Kgw {

StandardComparison compareWithStandardArrays(const ResolutionModel &model,
    const QVector<Quadruple> &sequence, const ProgressFunction &progress,
    const ProgressFunction &besideProgress)
{
    StandardComparison comparison;
    comparison.standard = standardArrays(model.survey(), sequence.size());
    // The two figures are independent, and a second core would idle otherwise. The future is
    // made after what its side reads, so that a throw from this side waits in the future's
    // destructor for a side that reads only what still stands.
    std::future<SequenceResolution> arraysLater = std::async(
        std::launch::async, [&] { return model.evaluate(comparison.standard, besideProgress); });
    comparison.sequence = model.evaluate(sequence, progress);
    comparison.arrays = arraysLater.get();
    return comparison;
}

namespace {

// The same over a ground, one after the other: the two would share the ground's model, and with
// its pairs worked out by the design, their rows take little time.
StandardComparison compareOverGround(const ResolutionModel &model, GroundModel &ground,
    const QVector<Quadruple> &sequence, const ProgressFunction &progress)
{
    StandardComparison comparison;
    comparison.standard = standardArrays(model.survey(), sequence.size());
    comparison.sequence = model.evaluate(ground.rows(sequence), progressRange(progress, 0, 0.5));
    comparison.arrays
        = model.evaluate(ground.rows(comparison.standard), progressRange(progress, 0.5, 1));
    return comparison;
}

} // namespace

QVector<Quadruple> designBase(const SurveyModel &survey, const DesignRequest &request)
{
    GenerateOptions smallest;
    smallest.electrodes = survey.grid().electrodes();
    smallest.aMax = 1;
    smallest.nMax = 1;
    const int count = request.baseCount >= 0
        ? request.baseCount
        : percentOf(request.options.measurements, request.baseShare);
    QVector<Quadruple> base = standardBase(survey, request.options, count);
    for (const Quadruple &q : generateConfigurations(request.baseArrays, smallest)) {
        if (!base.contains(q))
            base.append(q);
    }
    return base;
}

DesignRun makeDesign(
    const ResolutionModel &model, const DesignRequest &request, const ProgressFunction &progress)
{
    DesignRun run;
    DesignOptions options = request.options;
    options.base = designBase(model.survey(), request);
    // Over a ground, its pairs take most of the time.
    const double designEnd = request.ground ? 0.9 : 0.75;
    run.design = request.ground
        ? designSequence(model, request.ground->pairs(progressRange(progress, 0, 0.6)), options,
            progressRange(progress, 0.6, designEnd))
        : designSequence(model, options, progressRange(progress, 0, designEnd));
    if (!run.design.ok()) {
        run.error = run.design.error;
        return run;
    }
    const ProgressFunction comparing = progressRange(progress, designEnd, 1);
    StandardComparison comparison = request.ground
        ? compareOverGround(model, *request.ground, run.design.configurations, comparing)
        : compareWithStandardArrays(model, run.design.configurations, comparing);
    run.standard = std::move(comparison.standard);
    run.designed = std::move(comparison.sequence);
    run.arrays = std::move(comparison.arrays);
    if (!run.designed.ok() || !run.arrays.ok()) {
        run.error = run.designed.ok() ? run.arrays.error : run.designed.error;
        return run;
    }

    run.written = run.design.configurations;
    run.reciprocalsAsked = percentOf(run.design.configurations.size(), request.reciprocalShare);
    run.reciprocals = groupedReciprocals(
        run.design.configurations, run.reciprocalsAsked, options.channels, options.rules);
    run.written += run.reciprocals;
    // A reading and its M-N swap carry the same information, so the design is free to write the
    // one an instrument records as a positive voltage.
    turnToPositiveFactor(&run.written, options.rules.layout);
    return run;
}

} // namespace Kgw
