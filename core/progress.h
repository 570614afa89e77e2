#ifndef KGW_PROGRESS_H
#define KGW_PROGRESS_H

#include <functional>

namespace Kgw {

// Called now and then during long work with the share done, 0 to 1.
using ProgressFunction = std::function<void(double)>;

// A progress function may throw this to stop the work, as a window does when its user cancels.
// Long work is exception-safe: it waits for whatever it runs beside, holds no lock, and leaves
// nothing behind but what the caller owns.
struct Cancelled {
};

// Reports the progress of one part of some work, from..to of the whole, to `progress`.
inline ProgressFunction progressRange(const ProgressFunction &progress, double from, double to)
{
    if (!progress)
        return ProgressFunction();
    return [progress, from, to](double share) { progress(from + (to - from) * share); };
}

} // namespace Kgw

#endif
