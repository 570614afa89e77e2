#ifndef KGW_GROUNDSECTION_H
#define KGW_GROUNDSECTION_H

#include "ground.h"
#include "inversion.h"
#include "sectionplot.h"

#include <QRectF>
#include <QString>

namespace Kgw {

// The part of the ground a picture of it shows under a cable of `electrodes` (or a line of that
// many positions) at `spacing`: a spacing beyond either end, and as deep as the model's sections
// reach, so that it lines up with them.
QRectF groundSectionArea(int electrodes, double spacing);

// The ground's resistivity over that area on a logarithmic scale, the electrodes along the top;
// `name` is what the title calls the ground. Each cell shows the resistivity a mesh cell there
// would take, so that an edge shows as the model sees it.
SectionPlot groundSectionPlot(
    const Ground &ground, int electrodes, double spacing, const QString &name);

// The model an inversion of the data found, over the same area and scale as the ground's
// picture, so that the two compare; the dashed line the depth the data see
// (deepestMedianDepth()), the caption its fit. `name` is what the title calls the model.
SectionPlot modelSectionPlot(
    const InversionData &data, const InversionResult &result, const QString &name);

} // namespace Kgw

#endif
