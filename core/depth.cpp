#include "depth.h"

#include "geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

namespace Kgw {

namespace {

// The depth is the first crossing of one half found on a fine geometric grid, from 1e-6 of the
// nearest pair distance in steps of 2^(1/32), refined by halving; a coarser grid could miss a
// crossing or find another. Stretches of the grid where the share provably stays below one half
// are skipped whole, so the crossing takes a few dozen evaluations rather than hundreds.
constexpr double GridStart = 1e-6;
const double GridStep = std::pow(2.0, 1.0 / 32);

// |G| >= 1 / 999^4 in 1/steps along a line, so the search never goes beyond 8 × 999^4 steps.
const double GridEnd = 8 * std::pow(double(MaxLinePositions), 4) * 1.01;

// The grid for each nearest pair distance, 1 to MaxLinePositions - 1 steps, made when a row first
// needs it: a cable uses 47 of them, and a line seldom many more. Each grid only grows past the
// end a shorter line needs, so a cable row's depth does not depend on how long lines may be.
const std::vector<double> &searchGrid(int nearest)
{
    static std::array<std::once_flag, MaxLinePositions> made;
    static std::array<std::vector<double>, MaxLinePositions> grids;
    std::call_once(made[size_t(nearest)], [nearest] {
        std::vector<double> &grid = grids[size_t(nearest)];
        double z = GridStart * nearest;
        grid.push_back(z);
        while (z < GridEnd) {
            z *= GridStep;
            grid.push_back(z);
        }
    });
    return grids[size_t(nearest)];
}

struct Pairs {
    SignalPair pairs[4];
    int count = 0;
    double g = 0;
    // Per pair: r², and a = sign / G, the pair's weight in C(z)/G; and how far rounding can
    // move C(z)/G - 1/2 as computed.
    double r2[4] = {};
    double a[4] = {};
    double noise = 0;

    void prepare()
    {
        double size = 1;
        for (int i = 0; i < count; ++i) {
            const double r = pairs[i].steps;
            r2[i] = r * r;
            a[i] = pairs[i].sign / g;
            size += std::abs(a[i]) / r;
        }
        noise = 64 * std::numeric_limits<double>::epsilon() * size;
    }

    // C(z)/G - 1/2 in the arithmetic that decides the depth where the sign is in doubt.
    double excess(double z) const
    {
        double c = 0;
        for (int i = 0; i < count; ++i) {
            const double r = pairs[i].steps;
            c += pairs[i].sign * (1 / r - 1 / std::sqrt(r * r + 4 * z * z));
        }
        return c / g - 0.5;
    }

    // The same, 1/2 - sum a / sqrt(r² + 4z²) since sum a / r = 1, with its derivative.
    double quickExcess(double z, double *slope = nullptr) const
    {
        double value = 0.5;
        double derivative = 0;
        for (int i = 0; i < count; ++i) {
            const double t = r2[i] + 4 * z * z;
            const double inverse = 1 / std::sqrt(t);
            value -= a[i] * inverse;
            derivative += a[i] * 4 * z * inverse / t;
        }
        if (slope)
            *slope = derivative;
        return value;
    }

    // Whether C(z)/G - 1/2, as excess() computes it, is below 0 at z.
    bool below(double z) const
    {
        const double quick = quickExcess(z);
        if (std::abs(quick) > 2 * noise)
            return quick < 0;
        return excess(z) < 0;
    }

    // Whether the excess stays below 0 for all z in [low, high]. Each pair's share
    // 1/r - 1/sqrt(r² + 4z²) grows with z, so the excess is at most the growing terms taken at
    // high plus the falling ones at low.
    bool staysBelow(double low, double high) const
    {
        double bound = 0.5;
        for (int i = 0; i < count; ++i) {
            const double z = a[i] > 0 ? high : low;
            bound -= a[i] / std::sqrt(r2[i] + 4 * z * z);
        }
        return bound < -2 * noise;
    }

    // A lower bound of the slope of the excess on [low, high]. Each pair's slope
    // 4z / (r² + 4z²)^1.5 rises up to z = r / sqrt(8) and falls beyond.
    double leastSlope(double low, double high) const
    {
        const auto slope = [](double r2, double z) {
            const double t = r2 + 4 * z * z;
            return 4 * z / (t * std::sqrt(t));
        };
        double bound = 0;
        for (int i = 0; i < count; ++i) {
            const double peak = std::clamp(std::sqrt(r2[i] / 8), low, high);
            bound += a[i] > 0 ? a[i] * std::min(slope(r2[i], low), slope(r2[i], high))
                              : a[i] * slope(r2[i], peak);
        }
        return bound;
    }

    // The first index in [first, last) at which the excess is not below 0; last when none.
    int firstCrossing(const std::vector<double> &grid, int first, int last) const
    {
        constexpr int Small = 4;
        if (last - first <= Small) {
            for (int k = first; k < last; ++k) {
                if (!below(grid[size_t(k)]))
                    return k;
            }
            return last;
        }
        if (staysBelow(grid[size_t(first)], grid[size_t(last - 1)]))
            return last;
        const int middle = first + (last - first) / 2;
        const int found = firstCrossing(grid, first, middle);
        return found < middle ? found : firstCrossing(grid, middle, last);
    }
};

// Halves [below, above] until it is 1e-9 of above wide. Where the excess provably rises through
// the bracket, Newton's method finds the root first, and each halving only compares its
// midpoint with it, unless the two are too close to tell apart; the halvings end where
// evaluating every midpoint would have ended them.
double bisect(const Pairs &p, double below, double above)
{
    double root = std::numeric_limits<double>::quiet_NaN();
    double window = 0;
    const double slope = p.leastSlope(below, above);
    if (slope > 0) {
        double low = below;
        double high = above;
        double z = below + (above - below) / 2;
        for (int i = 0; i < 60; ++i) {
            double derivative = 0;
            const double value = p.quickExcess(z, &derivative);
            if (value < 0)
                low = z;
            else
                high = z;
            double next = z - value / derivative;
            if (!(next > low && next < high))
                next = low + (high - low) / 2;
            const bool settled = std::abs(next - z) <= 1e-15 * z + p.noise / slope;
            z = next;
            if (settled) {
                root = z;
                break;
            }
        }
        // Rounding blurs the excess by noise, and so the root by noise / slope.
        window = 4 * p.noise / slope + 1e-14 * above;
    }

    for (int i = 0; i < 200 && above - below > 1e-9 * above; ++i) {
        const double middle = below + (above - below) / 2;
        const bool negative = std::abs(middle - root) > window ? middle < root : p.below(middle);
        below = negative ? middle : below;
        above = negative ? above : middle;
    }
    return above;
}

// The depth in electrode steps for the pairs of one shape of quadruple.
double depthInSteps(const Pairs &p, int nearest)
{
    // C(z)/G >= 1 - 2/(|G| z), because |sum s/sqrt(r^2 + 4z^2)| <= 4/(2z); so the share has
    // passed 3/4 by 8/|G| and the crossing lies below that. C(z)/G need not rise steadily, so
    // the first crossing on the grid is wanted rather than any root of the whole range.
    const double top = 8 / std::abs(p.g);
    const std::vector<double> &grid = searchGrid(nearest);
    // The march stops at the first grid point at or past top, which it replaces by top.
    const int capped = int(std::lower_bound(grid.begin(), grid.end(), top) - grid.begin());
    const int k = p.firstCrossing(grid, 0, capped);
    const double below = k > 0 ? grid[size_t(k - 1)] : 0;
    const double above = k < capped || capped == 0 ? grid[size_t(k)] : top;
    return bisect(p, below, above);
}

// Quadruples of one shape, which arrays repeat all along the cable, share their depth; even
// random quadruples of a 48-electrode cable come in only about 170,000 shapes.
struct CacheEntry {
    quint64 key = 0; // 0: empty
    double steps = 0;
};
constexpr int CacheBits = 17;
// A shape's key holds each pair's distance and sign in this many bits, and its pair count.
constexpr int PairBits = 11;
static_assert(MaxLinePositions <= 1 << (PairBits - 1), "a pair's distance fits its key");

// The depth of q, whose geometric factor at the spacing is `factor`: the cable and the line
// decide differently which electrodes have a geometry, and both by their factor.
double depthOf(const LineQuadruple &q, double factor, double spacingMetres)
{
    const double noDepth = std::numeric_limits<double>::quiet_NaN();
    if (!std::isfinite(spacingMetres) || spacingMetres <= 0)
        return noDepth;
    // K is infinite for no signal and undefined off the cable or with a repeated electrode:
    // exactly the quadruples without a depth.
    if (!std::isfinite(factor))
        return noDepth;

    // Distances in electrode steps, so that the search is the same for every spacing and the
    // depth scales exactly with it.
    Pairs p;
    p.count = signalPairs(q, p.pairs);
    int nearest = MaxLinePositions;
    quint64 key = quint64(p.count);
    for (int i = 0; i < p.count; ++i) {
        const double r = p.pairs[i].steps;
        p.g += p.pairs[i].sign / r;
        nearest = std::min(nearest, p.pairs[i].steps);
        key = key << PairBits | quint64(p.pairs[i].steps) << 1 | (p.pairs[i].sign > 0 ? 1 : 0);
    }

    thread_local std::unique_ptr<CacheEntry[]> cache;
    if (!cache)
        cache.reset(new CacheEntry[size_t(1) << CacheBits]);
    CacheEntry &entry = cache[(key * 0x9e3779b97f4a7c15u) >> (64 - CacheBits)];
    if (entry.key != key) {
        p.prepare();
        entry.key = key;
        entry.steps = depthInSteps(p, nearest);
    }
    return entry.steps * spacingMetres;
}

} // namespace

double medianDepth(const Quadruple &q, double spacingMetres)
{
    return depthOf(toLinePositions(q), geometricFactor(q, spacingMetres), spacingMetres);
}

double medianDepth(const LineQuadruple &q, double spacingMetres)
{
    return depthOf(q, geometricFactor(q, spacingMetres), spacingMetres);
}

} // namespace Kgw
