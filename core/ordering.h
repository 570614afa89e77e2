#ifndef KGW_ORDERING_H
#define KGW_ORDERING_H

#include "injection.h"
#include "quadruple.h"

#include <QVector>

namespace Kgw {

// An electrode that has just carried current stays polarised for a while, and a potential read
// on it then is spoilt. A sequence therefore keeps an electrode used as A or B out of M and N for
// the next `gap` measurements. The customary gap is min(32, 10 % of the sequence).
int defaultPolarisationGap(int count);

// The measurements that break the gap: an electrode of their M or N was A or B within the
// `gap` measurements before them. A remote electrode (0) never counts. None when gap is 0.
int gapBreaks(const QVector<Quadruple> &sequence, int gap);

// The same with the gap in injections, as injectionOfRows() finds them: an electrode of M or N
// was A or B in its own injection or in the `gap` before it. A gap in time comes to this:
// injections of equal length serve it whole.
int gapBreaksInInjections(
    const QVector<Quadruple> &sequence, int gap, int channels, const ChannelRules &rules);

// The injections that must pass for `seconds` to pass at `secondsPerInjection` each:
// ceil(seconds / secondsPerInjection), exact for times in whole milliseconds, as the command
// line takes them.
int injectionsFor(double seconds, double secondsPerInjection);

struct OrderOptions {
    int gap = 0; // measurements, counted as gapBreaks() counts them
    int channels = 1; // above 1, measurements sharing A and B are grouped, that many at most
    ChannelRules rules; // which of them one injection can read
    bool gapInInjections = false; // the gap counts injections, as gapBreaksInInjections() does
};

// The same measurements in an order that breaks the gap in as few places as the sequence
// allows, as far as a bounded look-ahead finds. With channels, measurements that share A and B
// are grouped first into the injections the rules allow (injectionGroups()), and the groups are
// ordered as wholes, so that the gap is met between groups. Nothing is added or lost, and the same
// input always gives the same order; an order that can't be mended is still returned, for
// gapBreaks() to count.
QVector<Quadruple> orderSequence(const QVector<Quadruple> &sequence, const OrderOptions &options);

} // namespace Kgw

#endif
