#include "rollalongrun.h"

#include "design.h"
#include "resolution.h"

#include <QHash>

#include <memory>

namespace Kgw {

namespace {

// The model of the cable with a spread's excluded electrodes; spreads without any, or with the
// same ones, share one.
struct SpreadModel {
    std::unique_ptr<SurveyModel> survey;
    std::unique_ptr<ResolutionModel> resolution;
};

RollAlongPlan designPerSpread(const RollAlongRequest &request, const ProgressFunction &progress)
{
    RollAlongPlan plan;
    const std::optional<SpreadLayout> layout = planSpreads(request.line, &plan.error);
    if (!layout)
        return plan;
    plan.layout = layout;
    const int electrodes = layout->electrodes();
    const ModelGrid grid(electrodes, request.line.spacingMetres, request.grid);
    QHash<QString, std::shared_ptr<SpreadModel>> models;
    // Every reading measured so far, and the configurations they are: a design counts a
    // reciprocal as the configuration itself.
    QVector<LineQuadruple> measured;
    LineConfigurationSet measuredSet(Reciprocals::Same);
    QVector<int> designed; // configurations of each spread's design, measured there or before

    for (int k = 1; k <= layout->count(); ++k) {
        const int first = layout->firstPosition(k);
        const auto part = [&](double from, double to) {
            return progressRange(
                progress, (k - 1 + from) / layout->count(), (k - 1 + to) / layout->count());
        };
        ResolutionOptions options = request.model;
        options.excluded = request.line.excluded.onSpread(first, electrodes);
        std::shared_ptr<SpreadModel> &model = models[options.excluded.text()];
        const bool built = !model;
        if (built) {
            model = std::make_shared<SpreadModel>();
            model->survey = std::make_unique<SurveyModel>(
                grid, options, SurveyModel::Resolution, part(0, 0.15));
            model->resolution = std::make_unique<ResolutionModel>(*model->survey, part(0.15, 0.3));
        }
        const QString spreadName = QStringLiteral("Spread %1: ").arg(k);
        if (!model->resolution->isValid()) {
            plan.error = spreadName + model->resolution->error();
            return plan;
        }

        DesignOptions design = request.design.options;
        design.channels = request.line.channels;
        design.rules = request.line.rules;
        for (const LineQuadruple &q : measured) {
            if (const std::optional<Quadruple> onSpread = toCablePositions(q, first, electrodes))
                design.base.append(*onSpread);
        }
        design.base += designBase(*model->survey, request.design);
        const DesignResult result
            = designSequence(*model->resolution, design, part(built ? 0.3 : 0, 1));
        if (!result.ok()) {
            plan.error = spreadName + result.error;
            return plan;
        }
        QVector<Quadruple> chosen;
        for (const Quadruple &q : result.configurations) {
            if (!measuredSet.contains(toLinePositions(q, first)))
                chosen.append(q);
        }
        const SpreadPlan spread = finishSpread(*layout, k, chosen, request.line, true);
        for (const Quadruple &q : spread.rows) {
            measured.append(toLinePositions(q, first));
            measuredSet.insert(measured.constLast());
        }
        plan.spreads.append(spread);
        designed.append(result.configurations.size());
    }
    finishPlan(&plan);
    // Measured alone, each spread would measure its whole design.
    for (SpreadPlan &spread : plan.spreads) {
        const int configurations = designed.at(spread.spread - 1);
        spread.fullPattern
            = configurations + percentOf(configurations, request.line.reciprocalShare);
    }
    return plan;
}

} // namespace

RollAlongPlan makeRollAlong(const RollAlongRequest &request, const ProgressFunction &progress)
{
    RollAlongPlan plan;
    switch (request.source) {
    case RollAlongRequest::Arrays:
        plan = planArrays(request.line);
        break;
    case RollAlongRequest::Rows:
        plan = planRows(request.rows, request.line);
        break;
    case RollAlongRequest::Design:
        return designPerSpread(request, progress);
    }
    if (progress)
        progress(1);
    return plan;
}

} // namespace Kgw
