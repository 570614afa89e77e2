#include "geometry.h"

#include <QtMath>

#include <cstdlib>

namespace Kgw {

namespace {

bool isValid(const Quadruple &q)
{
    for (const int e : { q.a, q.b, q.m, q.n }) {
        if (e < 0 || e > CablePositions)
            return false;
    }
    return true;
}

bool same(int left, int right)
{
    return left != 0 && left == right;
}

// G in whole electrode steps as an exact fraction. Distances are at most 47 steps, so the
// product of four of them stays far inside 64 bits.
struct StepFraction {
    qint64 numerator = 0;
    qint64 denominator = 1;
};

StepFraction stepSum(const Quadruple &q)
{
    struct Term {
        int current;
        int potential;
        int sign;
    };
    const Term terms[] = { { q.a, q.m, 1 }, { q.a, q.n, -1 }, { q.b, q.m, -1 }, { q.b, q.n, 1 } };
    StepFraction sum;
    for (const Term &t : terms) {
        if (t.current == 0 || t.potential == 0)
            continue;
        const qint64 distance = std::abs(t.current - t.potential);
        sum.numerator = sum.numerator * distance + t.sign * sum.denominator;
        sum.denominator *= distance;
    }
    return sum;
}

double pairPosition(int first, int second, double spacingMetres)
{
    if (first == 0 && second == 0)
        return qQNaN();
    if (first == 0)
        return electrodePosition(second, spacingMetres);
    if (second == 0)
        return electrodePosition(first, spacingMetres);
    return (electrodePosition(first, spacingMetres) + electrodePosition(second, spacingMetres)) / 2;
}

} // namespace

double electrodePosition(int electrode, double spacingMetres)
{
    if (electrode < 1 || electrode > CablePositions)
        return qQNaN();
    return (electrode - 1) * spacingMetres;
}

bool hasRepeatedElectrode(const Quadruple &q)
{
    return same(q.a, q.b) || same(q.m, q.n) || same(q.a, q.m) || same(q.a, q.n) || same(q.b, q.m)
        || same(q.b, q.n);
}

double geometricSum(const Quadruple &q, double spacingMetres)
{
    if (!isValid(q) || hasRepeatedElectrode(q))
        return qQNaN();
    const StepFraction g = stepSum(q);
    return double(g.numerator) / (double(g.denominator) * spacingMetres);
}

bool measuresNoSignal(const Quadruple &q)
{
    return isValid(q) && !hasRepeatedElectrode(q) && stepSum(q).numerator == 0;
}

double geometricFactor(const Quadruple &q, double spacingMetres)
{
    if (!isValid(q) || hasRepeatedElectrode(q))
        return qQNaN();
    const StepFraction g = stepSum(q);
    if (g.numerator == 0)
        return qInf();
    return 2 * M_PI * double(g.denominator) * spacingMetres / double(g.numerator);
}

double pseudoPosition(const Quadruple &q, double spacingMetres)
{
    if (!isValid(q))
        return qQNaN();
    return (pairPosition(q.a, q.b, spacingMetres) + pairPosition(q.m, q.n, spacingMetres)) / 2;
}

} // namespace Kgw
