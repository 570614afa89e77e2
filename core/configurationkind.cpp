#include "configurationkind.h"

#include "geometry.h"

#include <algorithm>

namespace Kgw {

ConfigurationKind configurationKind(const Quadruple &q)
{
    return configurationKind(toLinePositions(q));
}

ConfigurationKind configurationKind(const LineQuadruple &q)
{
    if (hasRepeatedElectrode(q))
        return ConfigurationKind::Other;

    // A list never makes A or M remote, but a sequence from elsewhere might; a remote electrode
    // counts the same in either place of its pair.
    const int remoteCurrent = (q.a == 0) + (q.b == 0);
    const int remotePotential = (q.m == 0) + (q.n == 0);
    if (remoteCurrent > 1 || remotePotential > 1)
        return ConfigurationKind::Other;
    if (remoteCurrent + remotePotential == 2)
        return ConfigurationKind::PolePole;
    if (remoteCurrent + remotePotential == 1)
        return ConfigurationKind::PoleDipole;

    const int currentLow = std::min(q.a, q.b);
    const int currentHigh = std::max(q.a, q.b);
    const int potentialLow = std::min(q.m, q.n);
    const int potentialHigh = std::max(q.m, q.n);
    if (currentHigh < potentialLow || potentialHigh < currentLow)
        return ConfigurationKind::DipoleDipole;
    if (currentLow < potentialLow && potentialHigh < currentHigh)
        return ConfigurationKind::Nested;
    return ConfigurationKind::Other;
}

QString configurationKindName(ConfigurationKind kind)
{
    switch (kind) {
    case ConfigurationKind::PolePole:
        return QStringLiteral("pole-pole");
    case ConfigurationKind::PoleDipole:
        return QStringLiteral("pole-dipole");
    case ConfigurationKind::DipoleDipole:
        return QStringLiteral("dipole-dipole");
    case ConfigurationKind::Nested:
        return QStringLiteral("nested");
    case ConfigurationKind::Other:
        break;
    }
    return QStringLiteral("other");
}

} // namespace Kgw
