#include "depth.h"

#include <cmath>
#include <limits>

namespace Kgw {

namespace {

struct Pair {
    double r = 0; // in electrode steps
    double sign = 0;
};

// The pairs that carry signal, with their distances in electrode steps, so that the search
// below is the same for every spacing and the depth scales exactly with it.
int signalPairs(const Quadruple &q, Pair pairs[4])
{
    const struct {
        int current;
        int potential;
        double sign;
    } all[4] = { { q.a, q.m, +1 }, { q.a, q.n, -1 }, { q.b, q.m, -1 }, { q.b, q.n, +1 } };
    int count = 0;
    for (const auto &p : all) {
        if (p.current == 0 || p.potential == 0)
            continue;
        pairs[count].r = std::abs(p.current - p.potential);
        pairs[count].sign = p.sign;
        ++count;
    }
    return count;
}

bool onCableOrRemote(int electrode)
{
    return electrode >= 0 && electrode <= CablePositions;
}

bool repeatsAnElectrode(const Quadruple &q)
{
    const int e[4] = { q.a, q.b, q.m, q.n };
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            if (e[i] != 0 && e[i] == e[j])
                return true;
        }
    }
    return false;
}

} // namespace

double medianDepth(const Quadruple &q, double spacingMetres)
{
    const double noDepth = std::numeric_limits<double>::quiet_NaN();
    if (!std::isfinite(spacingMetres) || spacingMetres <= 0)
        return noDepth;
    if (!onCableOrRemote(q.a) || !onCableOrRemote(q.b) || !onCableOrRemote(q.m)
        || !onCableOrRemote(q.n) || repeatsAnElectrode(q))
        return noDepth;

    Pair pairs[4];
    const int count = signalPairs(q, pairs);
    double g = 0;
    double magnitude = 0;
    double nearest = std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        g += pairs[i].sign / pairs[i].r;
        magnitude += 1 / pairs[i].r;
        nearest = std::min(nearest, pairs[i].r);
    }
    // Terms that cancel leave rounding noise, not a signal.
    if (count == 0 || std::abs(g) <= 1e-12 * magnitude)
        return noDepth;

    // C(z)/G - 1/2; the search looks for its first change of sign.
    const auto excess = [&](double z) {
        double c = 0;
        for (int i = 0; i < count; ++i) {
            const double r = pairs[i].r;
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
