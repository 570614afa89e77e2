#ifndef KGW_WAVENUMBERS_H
#define KGW_WAVENUMBERS_H

#include <QVector>

namespace Kgw {

// A point of the inverse Fourier transform along the strike: ∫₀^∞ f(k) dk ≈ Σ weight × f(k).
struct Wavenumber {
    double k = 0; // 1/m
    double weight = 0; // 1/m
};

// The wavenumbers that transform the potentials of electrodes between the smallest and the
// largest of their distances back to the line (Kemna 2000): with r_min and r_max half the
// smallest and twice the largest distance and k₀ = 1/(2 r_min), Gauss–Legendre points in
// k = k₀t² below k₀ (the substitution takes the logarithmic singularity of the transformed
// potential at k = 0) and Gauss–Laguerre points above, scaled so that e^(−k r) of the closest
// pair is the Laguerre weight. max(⌊6 log₁₀(r_max/r_min)⌋, 4) + 4 points: 17 for 48 electrodes
// at equal spacing. Empty unless 0 < smallest ≤ largest.
QVector<Wavenumber> wavenumbers(double smallestDistance, double largestDistance);

} // namespace Kgw

#endif
