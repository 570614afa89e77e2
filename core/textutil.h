#ifndef KGW_TEXTUTIL_H
#define KGW_TEXTUTIL_H

#include <QString>

namespace Kgw {

// Quoted input is cut so that a message stays readable however long the input is.
constexpr int FieldQuoteLength = 20;
constexpr int LineQuoteLength = 80;

// Returns text cut to at most maxLength characters plus "…" when it is longer. A surrogate
// pair is never split.
QString elided(const QString &text, int maxLength);

// Returns text fit to quote in a message: a control character would show as a box or upset a
// terminal, so white space among them becomes a space and every other one U+FFFD.
QString printable(const QString &text);

// A word of input fit to quote in a message: printable, and cut to FieldQuoteLength.
QString quotedWord(const QString &word);

// "1 quadruple", "2 quadruples": how reports count things. `noun` takes an s for the plural.
QString counted(int count, const QString &noun);

// x, z and K as reports and pictures print them: metres with three decimals, "inf" or "nan".
QString metres(double value);

// A voltage in volts as reports print it in millivolts: three decimals from 0.1 mV up, as a crew
// reads an instrument, and four significant digits where those would show nothing ("0.000") or
// hundreds of digits.
QString millivolts(double volts);

// A limit in volts, in millivolts as given: three decimals where they hold it exactly, else as
// many digits as it takes, so that a report's label agrees with what it counts.
QString millivoltLimit(double volts);

// A time as a field crew reads it off a watch: "1:02:03" for 3723 seconds, to the whole second.
QString clockTime(double seconds);

} // namespace Kgw

#endif
