#include "geometry.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

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
    SignalPair pairs[4];
    const int count = signalPairs(q, pairs);
    StepFraction sum;
    for (int i = 0; i < count; ++i) {
        sum.numerator = sum.numerator * pairs[i].steps + pairs[i].sign * sum.denominator;
        sum.denominator *= pairs[i].steps;
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

int signalPairs(const Quadruple &q, SignalPair pairs[4])
{
    const struct {
        int current;
        int potential;
        int sign;
    } all[4] = { { q.a, q.m, 1 }, { q.a, q.n, -1 }, { q.b, q.m, -1 }, { q.b, q.n, 1 } };
    int count = 0;
    for (const auto &p : all) {
        if (p.current == 0 || p.potential == 0)
            continue;
        pairs[count].steps = std::abs(p.current - p.potential);
        pairs[count].sign = p.sign;
        ++count;
    }
    return count;
}

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
    return 2 * Pi * double(g.denominator) * spacingMetres / double(g.numerator);
}

double signalCancellation(const Quadruple &q)
{
    if (!isValid(q) || hasRepeatedElectrode(q))
        return qQNaN();
    if (measuresNoSignal(q))
        return qInf();
    // In whole steps over a common denominator, so that the one division at the end gives a
    // whole ratio exactly: a limit of 4 then takes dipole-dipole n = 3 and rounding has no say.
    const int steps[4]
        = { std::abs(q.a - q.m), std::abs(q.a - q.n), std::abs(q.b - q.m), std::abs(q.b - q.n) };
    const bool remote[4] = { q.a == 0 || q.m == 0, q.a == 0 || q.n == 0, q.b == 0 || q.m == 0,
        q.b == 0 || q.n == 0 };
    qint64 denominator = 1;
    for (int i = 0; i < 4; ++i)
        denominator *= remote[i] ? 1 : steps[i];
    qint64 inverse[4];
    for (int i = 0; i < 4; ++i)
        inverse[i] = remote[i] ? 0 : denominator / steps[i];
    const qint64 am = inverse[0];
    const qint64 an = inverse[1];
    const qint64 bm = inverse[2];
    const qint64 bn = inverse[3];
    const qint64 byCurrent = std::abs(am - an) + std::abs(bm - bn);
    const qint64 byPotential = std::abs(am - bm) + std::abs(an - bn);
    return double(std::max(byCurrent, byPotential)) / double(std::abs(am - an - bm + bn));
}

double medianCancellation(const QVector<Quadruple> &sequence)
{
    std::vector<double> values;
    values.reserve(size_t(sequence.size()));
    for (const Quadruple &q : sequence) {
        const double c = signalCancellation(q);
        if (qIsFinite(c))
            values.push_back(c);
    }
    if (values.empty())
        return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

bool exceedsFactorLimit(const Quadruple &q, double spacingMetres, double limitMetres)
{
    const double k = std::abs(geometricFactor(q, spacingMetres));
    return qIsFinite(k) && k > limitMetres;
}

double expectedVoltage(double factorMetres, double resistivityOhmMetres, double currentAmperes)
{
    return resistivityOhmMetres * currentAmperes / std::abs(factorMetres);
}

Quadruple withPositiveFactor(const Quadruple &q)
{
    // The sign needs no spacing: K is the step fraction times a positive length.
    if (!(geometricFactor(q, 1) < 0))
        return q;
    if (q.n != 0)
        return Quadruple(q.a, q.b, q.n, q.m);
    return Quadruple(q.b, q.a, q.m, q.n);
}

double pseudoPosition(const Quadruple &q, double spacingMetres)
{
    if (!isValid(q))
        return qQNaN();
    return (pairPosition(q.a, q.b, spacingMetres) + pairPosition(q.m, q.n, spacingMetres)) / 2;
}

} // namespace Kgw
