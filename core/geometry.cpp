#include "geometry.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace Kgw {

namespace {

// Every formula serves cable and line rows alike, of which only the positions a row may name
// differ. It is written once, for either row as it is: widening a cable row first would slow the
// review of lists of millions.
template <typename Row>
constexpr int positionsOf();
template <>
constexpr int positionsOf<Quadruple>()
{
    return CablePositions;
}
template <>
constexpr int positionsOf<LineQuadruple>()
{
    return MaxLinePositions;
}

template <typename Row>
bool isValid(const Row &q)
{
    for (const int e : { int(q.a), int(q.b), int(q.m), int(q.n) }) {
        if (e < 0 || e > positionsOf<Row>())
            return false;
    }
    return true;
}

bool same(int left, int right)
{
    return left != 0 && left == right;
}

// G in whole electrode steps as an exact fraction. Distances along a line are below
// MaxLinePositions steps, so the product of four of them stays far inside 64 bits, and inside a
// double's 53 for the division that gives K.
struct StepFraction {
    qint64 numerator = 0;
    qint64 denominator = 1;
};

template <typename Row>
StepFraction stepSum(const Row &q)
{
    // A pair with a remote electrode has sign 0 and a step of 1, which leave the sum as it is: one
    // expression for every quadruple, since a list reader counts every one by this.
    const int current[4] = { q.a, q.a, q.b, q.b };
    const int potential[4] = { q.m, q.n, q.m, q.n };
    const int pairSign[4] = { 1, -1, -1, 1 };
    int steps[4];
    int sign[4];
    for (int i = 0; i < 4; ++i) {
        const bool remote = current[i] == 0 || potential[i] == 0;
        steps[i] = remote ? 1 : std::abs(current[i] - potential[i]);
        sign[i] = remote ? 0 : pairSign[i];
    }
    const qint64 first = qint64(steps[0]) * steps[1];
    const qint64 second = qint64(steps[2]) * steps[3];
    StepFraction sum;
    sum.numerator = (sign[0] * steps[1] + sign[1] * steps[0]) * second
        + (sign[2] * steps[3] + sign[3] * steps[2]) * first;
    sum.denominator = first * second;
    return sum;
}

double position(int electrode, int positions, double spacingMetres)
{
    if (electrode < 1 || electrode > positions)
        return qQNaN();
    return (electrode - 1) * spacingMetres;
}

double pairPosition(int first, int second, int positions, double spacingMetres)
{
    if (first == 0 && second == 0)
        return qQNaN();
    if (first == 0)
        return position(second, positions, spacingMetres);
    if (second == 0)
        return position(first, positions, spacingMetres);
    return (position(first, positions, spacingMetres) + position(second, positions, spacingMetres))
        / 2;
}

template <typename Row>
bool repeats(const Row &q)
{
    // Every pair, without a branch on each, which a list in no order would mispredict.
    const int electrodes[4] = { q.a, q.b, q.m, q.n };
    bool repeated = false;
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j)
            repeated |= same(electrodes[i], electrodes[j]);
    }
    return repeated;
}

// G = 0, for a quadruple without a repeated electrode.
template <typename Row>
bool hasZeroSum(const Row &q)
{
    return isValid(q) && stepSum(q).numerator == 0;
}

template <typename Row>
double factorOf(const Row &q, double spacingMetres)
{
    if (!isValid(q) || repeats(q))
        return qQNaN();
    const StepFraction g = stepSum(q);
    if (g.numerator == 0)
        return qInf();
    return 2 * Pi * double(g.denominator) * spacingMetres / double(g.numerator);
}

bool isBeyond(double factorMetres, double limitMetres)
{
    const double k = std::abs(factorMetres);
    return qIsFinite(k) && k > limitMetres;
}

template <typename Row>
double pseudoPositionOf(const Row &q, double spacingMetres)
{
    if (!isValid(q))
        return qQNaN();
    const int positions = positionsOf<Row>();
    return (pairPosition(q.a, q.b, positions, spacingMetres)
               + pairPosition(q.m, q.n, positions, spacingMetres))
        / 2;
}

template <typename Row>
double cancellationOf(const Row &q)
{
    if (!isValid(q) || repeats(q))
        return qQNaN();
    if (hasZeroSum(q))
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
    return cancellationOfParts(inverse[0], inverse[1], inverse[2], inverse[3]);
}

} // namespace

int signalPairs(const LineQuadruple &q, SignalPair pairs[4])
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
    return position(electrode, CablePositions, spacingMetres);
}

bool hasRepeatedElectrode(const Quadruple &q)
{
    return repeats(q);
}

bool hasRepeatedElectrode(const LineQuadruple &q)
{
    return repeats(q);
}

bool measuresNoSignal(const Quadruple &q)
{
    return !repeats(q) && hasZeroSum(q);
}

bool measuresNoSignal(const LineQuadruple &q)
{
    return !repeats(q) && hasZeroSum(q);
}

bool isUnmeasurable(const Quadruple &q)
{
    return repeats(q) || hasZeroSum(q);
}

bool isUnmeasurable(const LineQuadruple &q)
{
    return repeats(q) || hasZeroSum(q);
}

double geometricFactor(const Quadruple &q, double spacingMetres)
{
    return factorOf(q, spacingMetres);
}

double geometricFactor(const LineQuadruple &q, double spacingMetres)
{
    return factorOf(q, spacingMetres);
}

double signalCancellation(const Quadruple &q)
{
    return cancellationOf(q);
}

double signalCancellation(const LineQuadruple &q)
{
    return cancellationOf(q);
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
    return isBeyond(geometricFactor(q, spacingMetres), limitMetres);
}

bool exceedsFactorLimit(const LineQuadruple &q, double spacingMetres, double limitMetres)
{
    return isBeyond(geometricFactor(q, spacingMetres), limitMetres);
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
    return pseudoPositionOf(q, spacingMetres);
}

double pseudoPosition(const LineQuadruple &q, double spacingMetres)
{
    return pseudoPositionOf(q, spacingMetres);
}

} // namespace Kgw
