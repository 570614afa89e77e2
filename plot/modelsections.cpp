#include "modelsections.h"

#include "textutil.h"

namespace Kgw {

namespace {

Section gridSection(const ModelGrid &grid, const QRectF &target)
{
    Section section;
    section.xEdges = grid.xEdges();
    section.zEdges = grid.zEdges();
    section.electrodes = grid.electrodes();
    section.spacing = grid.spacing();
    section.target = target;
    return section;
}

QString gridText(const ModelGrid &grid)
{
    return QStringLiteral("%1 × %2 cells").arg(grid.columns()).arg(grid.layers());
}

// "Wenner.txt — cumulative sensitivity over g.ground, spacing 1.000 m".
QString sectionTitle(
    const QString &name, const QString &what, const QString &groundName, const ModelGrid &grid)
{
    return QStringLiteral("%1 \u2014 %2%3, spacing %4 m")
        .arg(name, what, groundName.isEmpty() ? QString() : QStringLiteral(" over ") + groundName,
            metres(grid.spacing()));
}

} // namespace

namespace {

// Over the ground of `rows` where given, else over the uniform one.
template <typename Row>
SectionPlot sensitivityOf(const SurveyModel &survey, const QVector<Row> &sequence,
    const QString &name, const QRectF &target, const GroundRows *rows = nullptr,
    const QString &groundName = QString())
{
    const ModelGrid &grid = survey.grid();
    Section section = gridSection(grid, target);
    // Per square spacing of cell, so that the picture doesn't depend on the cells' sizes.
    section.values = rows ? cumulativeSensitivity(*rows) : cumulativeSensitivity(survey, sequence);
    const double unit = grid.spacing() * grid.spacing();
    int used = 0;
    for (const Row &q : sequence)
        used += survey.row(q, nullptr) == SurveyModel::HasRow ? 1 : 0;
    for (int c = 0; c < section.values.size(); ++c)
        section.values[c] /= grid.cellArea(c) / unit;
    // Without the comprehensive set there is no resolution to judge by, but the depth that
    // half of the deepest reading's signal comes from above is one a crew knows.
    section.investigationDepth = deepestMedianDepth(survey, sequence);
    section.investigationName = QStringLiteral("deepest median depth");
    section.investigationRule
        = QStringLiteral("half the signal of the list's deepest reading comes from above it");
    return SectionPlot(section, SectionPlot::Logarithmic,
        sectionTitle(name, QStringLiteral("cumulative sensitivity"), groundName, grid),
        QStringLiteral("cumulative sensitivity, log scale"),
        QStringLiteral("%1 of %2 configurations used; \u03a3 |J| per spacing\u00b2 of cell; %3")
            .arg(used)
            .arg(sequence.size())
            .arg(gridText(grid)));
}

} // namespace

SectionPlot sensitivitySectionPlot(const SurveyModel &survey, const QVector<Quadruple> &sequence,
    const QString &name, const QRectF &target)
{
    return sensitivityOf(survey, sequence, name, target);
}

SectionPlot sensitivitySectionPlot(const SurveyModel &survey,
    const QVector<LineQuadruple> &sequence, const QString &name, const QRectF &target)
{
    return sensitivityOf(survey, sequence, name, target);
}

SectionPlot sensitivitySectionPlot(const GroundRows &rows, const QVector<Quadruple> &sequence,
    const QString &name, const QString &groundName, const QRectF &target)
{
    return sensitivityOf(rows.survey(), sequence, name, target, &rows, groundName);
}

SectionPlot sensitivitySectionPlot(const GroundRows &rows, const QVector<LineQuadruple> &sequence,
    const QString &name, const QString &groundName, const QRectF &target)
{
    return sensitivityOf(rows.survey(), sequence, name, target, &rows, groundName);
}

SectionPlot resolutionSectionPlot(const ResolutionModel &model, const SequenceResolution &result,
    const QString &name, const QRectF &target, const QString &groundName)
{
    const ModelGrid &grid = model.survey().grid();
    const double cable = (grid.electrodes() - 1) * grid.spacing();
    Section section = gridSection(grid, target);
    // Relative to the best the cable can do, as the mean relative resolution counts it: a
    // single sequence's own R_jj stays far below 1 at any damping that tells designs apart.
    section.values = result.relative;
    // Beyond the cable's ends no configuration looks down: a ratio there is the smoothing's,
    // however high.
    section.masked.resize(section.values.size());
    for (int c = 0; c < section.masked.size(); ++c) {
        const int column = grid.columnOf(c);
        const double x = (grid.xEdges().at(column) + grid.xEdges().at(column + 1)) / 2;
        section.masked[c] = !model.isCompared(c) || x < 0 || x > cable;
    }
    section.maskedMeaning = grid.isLine()
        ? QStringLiteral("beyond the line's ends, or where all configurations of its spreads "
                         "together resolve less than %1")
              .arg(ResolutionModel::MinComparedResolution)
        : QStringLiteral("beyond the cable's ends, or where all configurations "
                         "of the cable together resolve less than %1")
              .arg(ResolutionModel::MinComparedResolution);
    section.investigationDepth
        = resolvedDepth(section.xEdges, section.zEdges, result.relative, cable);
    section.investigationName = QStringLiteral("depth of investigation");
    section.investigationRule
        = QStringLiteral("below it, most cells under the %1 get less than %2 of the resolution "
                         "all configurations give")
              .arg(grid.isLine() ? QStringLiteral("line") : QStringLiteral("cable"))
              .arg(InvestigationLevel);
    return SectionPlot(section, SectionPlot::Unit,
        sectionTitle(name, QStringLiteral("model resolution"), groundName, grid),
        QStringLiteral("resolution, relative to all configurations"),
        QStringLiteral("%1 of %2 configurations used; on these %3: mean relative resolution %4, "
                       "mean R_jj %5, \u03bb = %6")
            .arg(result.used())
            .arg(result.configurations)
            .arg(gridText(grid))
            .arg(result.meanRelative, 0, 'f', 3)
            .arg(result.meanResolution, 0, 'f', 3)
            .arg(model.lambdaText()));
}

} // namespace Kgw
