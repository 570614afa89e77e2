#ifndef KGW_MODELSECTIONS_H
#define KGW_MODELSECTIONS_H

#include "groundrows.h"
#include "resolution.h"
#include "sectionplot.h"

#include <QRectF>
#include <QString>
#include <QVector>

namespace Kgw {

// The model's pictures of one sequence, the same wherever they are drawn. `name` is what the
// title calls the sequence; `target` is a region of the ground to outline, in metres (none when
// empty).

// The cumulative sensitivity of the sequence, per square spacing of cell, on a logarithmic scale.
SectionPlot sensitivitySectionPlot(const SurveyModel &survey, const QVector<Quadruple> &sequence,
    const QString &name, const QRectF &target = QRectF());
// The same of a line's rows, on the survey of the line.
SectionPlot sensitivitySectionPlot(const SurveyModel &survey,
    const QVector<LineQuadruple> &sequence, const QString &name, const QRectF &target = QRectF());

// The same over a ground, from the sequence's rows over it (GroundModel::rows() of the sequence);
// `groundName` names the ground in the title.
SectionPlot sensitivitySectionPlot(const GroundRows &rows, const QVector<Quadruple> &sequence,
    const QString &name, const QString &groundName, const QRectF &target = QRectF());
SectionPlot sensitivitySectionPlot(const GroundRows &rows, const QVector<LineQuadruple> &sequence,
    const QString &name, const QString &groundName, const QRectF &target = QRectF());

// The resolution of a sequence relative to the comprehensive set's. The result must be ok() and
// have used() > 0: without a row there is no section to draw. With a groundName, the result is
// over that ground (ResolutionModel::evaluate() of its rows), and the title says so.
SectionPlot resolutionSectionPlot(const ResolutionModel &model, const SequenceResolution &result,
    const QString &name, const QRectF &target = QRectF(), const QString &groundName = QString());

} // namespace Kgw

#endif
