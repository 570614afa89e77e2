#ifndef KGW_CLI_DEPTHCOLUMN_H
#define KGW_CLI_DEPTHCOLUMN_H

#include "quadruple.h"

#include <QtNumeric>

namespace Cli {

// The z column of the geometry tables. The median depth of investigation is not computed yet;
// this is the one place to call Kgw::medianDepth(quadruple, spacingMetres) once it exists.
inline double depthColumn(const Kgw::Quadruple &quadruple, double spacingMetres)
{
    Q_UNUSED(quadruple)
    Q_UNUSED(spacingMetres)
    return qQNaN();
}

} // namespace Cli

#endif
