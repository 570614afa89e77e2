#ifndef KGW_ROLLALONGRUN_H
#define KGW_ROLLALONGRUN_H

#include "designrun.h"
#include "modelgrid.h"
#include "rollalong.h"
#include "surveymodel.h"

#include <QVector>

namespace Kgw {

// What kgw rollalong and the design window plan a line with.
struct RollAlongRequest {
    enum Source {
        Arrays, // the standard arrays along the whole line (line.kinds and their options)
        Design, // a design per spread
        Rows // rows given in line positions, such as a whole line's file to split
    };
    Source source = Arrays;
    LinePlanRequest line;
    QVector<LineQuadruple> rows; // for Rows
    // For Design: N per spread (design.options.measurements) and the design's options, on the
    // model of the cable that `grid` and `model` describe. The instrument's channels and rules
    // and the reciprocal share are the line's; so are the excluded electrodes, on each spread.
    DesignRequest design;
    GridOptions grid;
    ResolutionOptions model;
};

// The plan of the request, or its refusal with the reason (RollAlongPlan::error).
//
// A design of N per spread is made spread after spread, along the line. What earlier spreads
// measured inside a spread's cable counts as measured there: it stands first in the base of the
// spread's design, so that the design builds on it and its N configurations include it, and it
// is not measured again. The spread measures what its design adds, also where an earlier spread
// would hold it, and the reciprocals asked for of that. A spread whose cable earlier spreads
// measured in full measures nothing.
//
// `progress` gets 0..1 of the whole plan and may throw Cancelled, as makeDesign takes it.
RollAlongPlan makeRollAlong(
    const RollAlongRequest &request, const ProgressFunction &progress = ProgressFunction());

} // namespace Kgw

#endif
