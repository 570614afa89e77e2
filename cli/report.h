#ifndef KGW_CLI_REPORT_H
#define KGW_CLI_REPORT_H

#include "ground.h"
#include "line.h"
#include "textutil.h"

#include <QRectF>
#include <QString>

#include <optional>

namespace Kgw {
struct GroundFileResult;
struct ListResult;
} // namespace Kgw

namespace Cli {

class Console;

// Reports a list that the converter refuses, the way `convert` does.
void reportRefusedList(Console &console, const QString &argument, const Kgw::ListResult &list);

// Reports a ground file that is refused, at the line of the ground or grid file at fault.
void reportRefusedGround(Console &console, const Kgw::GroundFileResult &ground);
// Reads a ground file, or reports its refusal and returns nothing. A shape that does not reach
// into `area` (`areaWords`, "the section drawn") is allowed, and said, as a crew would want to
// hear of a body placed where no reading sees it.
std::optional<Kgw::Ground> readGroundArgument(
    Console &console, const QString &file, const QRectF &area, const QString &areaWords);

// Says where an accepted list ended at an empty line with more after it, which no command reads.
void reportLinesAfterEnd(Console &console, const QString &argument, const Kgw::ListResult &list);

// x, z and K as the tables print them, as the pictures do.
using Kgw::metres;

// A figure of the model, as its reports print it: three decimals.
QString figure(double value);

// ", 3 of the 7 reciprocals asked for: the others repeat a row or break --max-dipole" where a
// --reciprocals share could not be met in full; empty where it was.
QString reciprocalShortfall(int added, int asked);

// A whole line as reports name it: "120 electrodes, 4 spreads of 48 moved by 24", with ", the
// last by 12" where that move is shorter.
QString lineText(int electrodes, const std::optional<Kgw::SpreadLayout> &layout);

// Reports why the model refused, as a sentence, and returns the exit status of a refusal.
int refuse(Console &console, const QString &file, const QString &reason);

} // namespace Cli

#endif
