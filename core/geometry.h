#ifndef KGW_GEOMETRY_H
#define KGW_GEOMETRY_H

#include "line.h"
#include "quadruple.h"

#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Kgw {

// M_PI is POSIX, not C++, and MSVC hides it; the core and the model take π from here.
constexpr double Pi = 3.14159265358979323846;

// Where electrodes stand and what a quadruple measures, for electrodes on a straight line at
// equal spacing. A remote electrode (0) has no position, and every term that involves it is left
// out. Electrodes outside 0..CablePositions have no geometry: every value is NaN.
//
// A line row has the same geometry as the cable row it becomes on any spread, shifted by the
// spread's start, and one formula serves both; its electrodes may lie anywhere in
// 0..MaxLinePositions, so that rows longer than the cable, which no spread measures, still have a
// K and a place in a picture.

// Electrode k stands at (k - 1) × spacing; NaN for a remote electrode.
double electrodePosition(int electrode, double spacingMetres);

// A current-potential pair that carries signal, its distance in electrode steps and its sign in
// G: +1 for AM and BN, -1 for AN and BM.
struct SignalPair {
    int steps = 0;
    int sign = 0;
};

// The pairs AM, AN, BM and BN in that order, leaving out those with a remote electrode.
// Returns how many of the four entries are filled. A cable row gives its pairs as
// toLinePositions(q).
int signalPairs(const LineQuadruple &q, SignalPair pairs[4]);

// A = B, M = N, or a current electrode also used as a potential electrode. Remote electrodes
// never count.
bool hasRepeatedElectrode(const Quadruple &q);
bool hasRepeatedElectrode(const LineQuadruple &q);

// G is exactly 0: the configuration measures no signal. Decided in whole electrode steps, so
// symmetric configurations are not missed to rounding. False with a repeated electrode.
bool measuresNoSignal(const Quadruple &q);
bool measuresNoSignal(const LineQuadruple &q);

// No instrument reads a signal from it: it repeats an electrode or measures no signal. A sequence
// file may hold such quadruples all the same.
bool isUnmeasurable(const Quadruple &q);
bool isUnmeasurable(const LineQuadruple &q);

// How much of the signal cancels: G = ΔA - ΔB, the part of current electrode A
// (1/r_AM - 1/r_AN) less that of B, and also G = ΔM - ΔN by the potential electrodes; this is
// the larger of (|ΔA| + |ΔB|) / |G| and (|ΔM| + |ΔN|) / |G|. 1 where the parts add, as for
// Wenner and Schlumberger; large where G is a small difference of large parts, and then a
// ground that changes one part by a few per cent changes the reading many times as much.
// +inf without signal, NaN with a repeated electrode.
double signalCancellation(const Quadruple &q);
double signalCancellation(const LineQuadruple &q);
// The same of a reading's four pole-pole parts r_AM, r_AN, r_BM and r_BN (0 for a remote
// electrode's), over whatever ground gave them; exact in whole numbers.
template <typename Part>
double cancellationOfParts(Part am, Part an, Part bm, Part bn)
{
    const Part byCurrent = std::abs(am - an) + std::abs(bm - bn);
    const Part byPotential = std::abs(am - bm) + std::abs(an - bn);
    return double(std::max(byCurrent, byPotential)) / double(std::abs(am - an - bm + bn));
}
// The median of it over the configurations that measure a signal; 0 for none.
double medianCancellation(const QVector<Quadruple> &sequence);

// K = 2π / G in metres, with G = 1/r_AM - 1/r_AN - 1/r_BM + 1/r_BN: +inf when G = 0, NaN with
// a repeated electrode.
double geometricFactor(const Quadruple &q, double spacingMetres);
double geometricFactor(const LineQuadruple &q, double spacingMetres);

// A signal too weak to measure well: |K| above the limit in metres. Only a finite K counts;
// a quadruple without signal or with a repeated electrode is a fault of another kind.
bool exceedsFactorLimit(const Quadruple &q, double spacingMetres, double limitMetres);
bool exceedsFactorLimit(const LineQuadruple &q, double spacingMetres, double limitMetres);

// The ground and current a voltage is expected at when the crew names none: common ground and a
// common instrument.
constexpr double DefaultResistivityOhmMetres = 100;
constexpr double DefaultCurrentAmperes = 0.1;

// The voltage rho I / |K| in volts that a configuration of geometric factor K measures over a
// uniform ground of that resistivity (ohm m) with that current (amperes). 0 without signal
// (K infinite), NaN with a repeated electrode.
double expectedVoltage(double factorMetres, double resistivityOhmMetres, double currentAmperes);

// The quadruple with its sign turned so that K > 0, as many instruments record a negative
// voltage otherwise: M and N swapped, or A and B when N is remote (a remote electrode may stand
// only as B or N, and either swap turns the sign). A quadruple without signal or with a
// repeated electrode has no sign to turn and comes back as it is.
Quadruple withPositiveFactor(const Quadruple &q);

// The mean of the midpoints of A–B and M–N; a pair with a remote electrode counts as the position
// of its other electrode.
double pseudoPosition(const Quadruple &q, double spacingMetres);
double pseudoPosition(const LineQuadruple &q, double spacingMetres);

} // namespace Kgw

#endif
