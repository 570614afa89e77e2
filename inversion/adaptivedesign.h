#ifndef KGW_ADAPTIVEDESIGN_H
#define KGW_ADAPTIVEDESIGN_H

#include "designrun.h"
#include "synthetictest.h"

namespace Kgw {

// An adaptive survey on synthetic data: a first survey of standard arrays over a known ground,
// and the rest of the design made over its image.
struct AdaptiveDesign {
    QString error; // empty when made
    // The first survey: its readings over the ground with noise, and their image.
    SyntheticTest first;
    // The design, whose base is the first survey's rows, made and judged over the image.
    DesignRun run;

    bool ok() const { return error.isEmpty(); }
};

// Simulates the first `firstCount` of the standard arrays (as the design's base takes them)
// over `truth` with the options' noise, inverts them, and designs the request's other
// measurements over that image, the first survey's rows as the base: what a crew gets that
// measures a standard survey, inverts it in the field and then measures the rest. The request's
// base share and ground are replaced. `progress` gets 0..1 and may throw Cancelled.
AdaptiveDesign adaptiveDesign(const ResolutionModel &model, const Ground &truth,
    DesignRequest request, int firstCount, const SyntheticTestOptions &options = {},
    const ProgressFunction &progress = {});

} // namespace Kgw

#endif
