#include "depth.h"

#include "geometry.h"

#include <cmath>
#include <limits>

namespace Kgw {

double medianDepth(const Quadruple &q, double spacingMetres)
{
    const double noDepth = std::numeric_limits<double>::quiet_NaN();
    if (!std::isfinite(spacingMetres) || spacingMetres <= 0)
        return noDepth;
    // K is infinite for no signal and undefined off the cable or with a repeated electrode:
    // exactly the quadruples without a depth.
    if (!std::isfinite(geometricFactor(q, spacingMetres)))
        return noDepth;

    // Distances in electrode steps, so that the search below is the same for every spacing and
    // the depth scales exactly with it.
    SignalPair pairs[4];
    const int count = signalPairs(q, pairs);
    double g = 0;
    double nearest = std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        const double r = pairs[i].steps;
        g += pairs[i].sign / r;
        nearest = std::min(nearest, r);
    }
    // C(z)/G - 1/2; the search looks for its first change of sign.
    const auto excess = [&](double z) {
        double c = 0;
        for (int i = 0; i < count; ++i) {
            const double r = pairs[i].steps;
            c += pairs[i].sign * (1 / r - 1 / std::sqrt(r * r + 4 * z * z));
        }
        return c / g - 0.5;
    };

    // C(z)/G >= 1 - 2/(|G| z), because |sum s/sqrt(r^2 + 4z^2)| <= 4/(2z); so the share has
    // passed 3/4 by 8/|G| and the crossing lies below that. C(z)/G need not rise steadily, so
    // march up on a fine geometric grid to find the first crossing rather than bisect the whole
    // range, which could land on a later one.
    const double top = 8 / std::abs(g);
    const double step = std::pow(2.0, 1.0 / 32);
    double below = 0;
    double above = 1e-6 * nearest;
    while (excess(above) < 0 && above < top) {
        below = above;
        above = std::min(above * step, top);
    }

    for (int i = 0; i < 200 && above - below > 1e-9 * above; ++i) {
        const double middle = below + (above - below) / 2;
        if (excess(middle) < 0)
            below = middle;
        else
            above = middle;
    }
    return above * spacingMetres;
}

} // namespace Kgw
