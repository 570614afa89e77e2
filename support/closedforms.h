#ifndef KGW_CLOSEDFORMS_H
#define KGW_CLOSEDFORMS_H

// Closed-form grounds that the forward model is measured against, by the tests and the
// benchmark alike.

#include <QVector>

#include <cmath>

// Electrode k at x = k - 1 m, as kgw lays a cable at 1 m spacing.
inline QVector<double> cableAtOneMetre(int electrodes)
{
    QVector<double> x;
    for (int i = 0; i < electrodes; ++i)
        x.append(i);
    return x;
}

// The potential at distance r of a unit current at the surface of a layer of ρ1 and thickness
// h over a half-space of ρ2 (the image series: Telford, Geldart and Sheriff, Applied
// Geophysics, 2nd ed., 8.3.5).
inline double twoLayerPotential(double r, double rho1, double rho2, double h)
{
    const double kappa = (rho2 - rho1) / (rho2 + rho1);
    double sum = 1 / r;
    double power = 1;
    for (int n = 1; n < 100000 && std::abs(power) > 1e-15; ++n) {
        power *= kappa;
        sum += 2 * power / std::hypot(r, 2 * n * h);
    }
    return rho1 / (2 * 3.14159265358979323846) * sum;
}

#endif
