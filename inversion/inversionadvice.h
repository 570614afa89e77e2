#ifndef KGW_INVERSIONADVICE_H
#define KGW_INVERSIONADVICE_H

#include "inversion.h"
#include "inversiondata.h"

#include <QStringList>

namespace Kgw {

// Above this final χ² a model does not fit its data well enough to be read without a reason:
// measured data carry errors the err column only estimates, so a little above 1 is a fit.
inline constexpr double AdviceChiSquared = 1.5;
// The last iteration's χ² below this share of the one before: the misfit was still falling.
inline constexpr double StillFalling = 0.9;
// Half of the misfit held by at most this share of the readings: a few bad ones carry it. A
// misfit spread as noise is, Gaussian, has half of it in an eighth of the readings; a model
// bends towards a few bad ones and spreads their misfit to their neighbours, to a tenth.
inline constexpr double FewReadingsShare = 0.1;
// The lines of at most this many of the worst readings are named.
inline constexpr int WorstNamed = 5;

// Why an inversion that ended above AdviceChiSquared fits its data no better, and what to
// change, as sentences a crew reads; none when it fits. From the result alone:
// - it stopped at the iteration limit while χ² was still falling: more iterations;
// - half of χ² comes from at most FewReadingsShare of the readings: name how many and the file
//   lines of the worst, to check or remove (a broken wire, a bad contact);
// - otherwise, where the RMS misfit exceeds the median error, the misfit a smooth model reaches
//   everywhere is larger than the errors claim: larger errors, of at least that misfit;
// - no step lowered the misfit, and neither of the last two explains why: the data hold what
//   no section under a flat line reads.
QStringList inversionAdvice(const InversionData &data, const InversionResult &result);

} // namespace Kgw

#endif
