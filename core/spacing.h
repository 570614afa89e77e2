#ifndef KGW_SPACING_H
#define KGW_SPACING_H

#include <QString>

#include <optional>

namespace Kgw {

// The cable spacings that the window offers, and so the ones a sequence is written with:
// 0.001 to 100 m in whole millimetres.
constexpr qint32 MinimumSpacingMillimetres = 1;
constexpr qint32 MaximumSpacingMillimetres = 100000;

// What KGW make's box starts with, and what a command takes where neither the crew nor an input
// file gave a spacing.
constexpr double DefaultSpacingMetres = 5;

inline bool isSpacingInRange(qint32 millimetres)
{
    return millimetres >= MinimumSpacingMillimetres && millimetres <= MaximumSpacingMillimetres;
}

// Reads a spacing in metres written as a plain decimal number with at most three decimals
// ("5", "2.5", ".25", "0.001"), the way the window's spin box takes it. Returns nothing for
// anything else or anything out of range. The text is taken exactly: no rounding, no exponent,
// no sign, no surrounding blanks.
std::optional<double> parseSpacing(const QString &text);

// The allowed values, as a usage message can name them.
QString spacingRangeText();

} // namespace Kgw

#endif
