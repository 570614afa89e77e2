#include "adaptivedesign.h"

#include "groundrows.h"

namespace Kgw {

namespace {

// The first survey's inversion and the image's pair vectors take about as long as each other;
// the design over them takes less.
constexpr double FirstSurveyShare = 0.4;

} // namespace

AdaptiveDesign adaptiveDesign(const ResolutionModel &model, const Ground &truth,
    DesignRequest request, int firstCount, const SyntheticTestOptions &options,
    const ProgressFunction &progress)
{
    AdaptiveDesign adaptive;
    const SurveyModel &survey = model.survey();
    const ModelGrid &grid = survey.grid();
    if (firstCount < 1 || firstCount >= request.options.measurements) {
        adaptive.error = QStringLiteral("the first survey must hold at least 1 and fewer than "
                                        "the %1 measurements of the design")
                             .arg(request.options.measurements);
        return adaptive;
    }
    request.baseCount = firstCount;
    const QVector<Quadruple> first = designBase(survey, request);
    QVector<LineQuadruple> rows;
    rows.reserve(first.size());
    for (const Quadruple &q : first)
        rows.append(toLinePositions(q));
    adaptive.first = runSyntheticTest(truth, rows, grid.electrodes(), grid.spacing(), options, {},
        progressRange(progress, 0, FirstSurveyShare));
    if (!adaptive.first.error.isEmpty()) {
        adaptive.error = adaptive.first.error;
        return adaptive;
    }
    GroundModel image(survey, modelGround(adaptive.first.inversion), options.inversion.mesh);
    if (!image.error().isEmpty()) {
        adaptive.error = image.error();
        return adaptive;
    }
    request.ground = &image;
    adaptive.run = makeDesign(model, request, progressRange(progress, FirstSurveyShare, 1));
    adaptive.error = adaptive.run.error;
    return adaptive;
}

} // namespace Kgw
