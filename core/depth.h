#ifndef KGW_DEPTH_H
#define KGW_DEPTH_H

#include "line.h"
#include "quadruple.h"

namespace Kgw {

// The median depth of investigation of a quadruple on a homogeneous ground (Edwards 1977): the
// smallest depth z, in metres, above which half of the measured signal originates. It comes
// from the 1-D sensitivity of the current-potential pairs AM, AN, BM and BN, so any quadruple
// has one, including mixed and remote ones; a pair with a remote electrode (0) is left out.
//
// NaN when the quadruple has no depth: it measures no signal (G = 0), uses an electrode twice,
// names a position off the cable, or the spacing is not a positive finite number.
double medianDepth(const Quadruple &q, double spacingMetres);
// The same for a line row, whose electrodes may lie anywhere on the line.
double medianDepth(const LineQuadruple &q, double spacingMetres);

} // namespace Kgw

#endif
