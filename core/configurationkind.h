#ifndef KGW_CONFIGURATIONKIND_H
#define KGW_CONFIGURATIONKIND_H

#include "line.h"
#include "quadruple.h"

#include <QString>

namespace Kgw {

// The broad family a quadruple belongs to, for telling them apart in a picture.
enum class ConfigurationKind {
    PolePole, // one current and one potential electrode remote
    PoleDipole, // one electrode of the four remote
    DipoleDipole, // the current and the potential span don't overlap
    Nested, // both potential electrodes between the current ones
    Other,
};

constexpr int ConfigurationKindCount = 5;

ConfigurationKind configurationKind(const Quadruple &q);
ConfigurationKind configurationKind(const LineQuadruple &q);

// "pole-pole", "pole-dipole", "dipole-dipole", "nested" or "other".
QString configurationKindName(ConfigurationKind kind);

} // namespace Kgw

#endif
