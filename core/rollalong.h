#ifndef KGW_ROLLALONG_H
#define KGW_ROLLALONG_H

#include "arrays.h"
#include "electrodeset.h"
#include "injection.h"
#include "line.h"
#include "quadruple.h"
#include "savefile.h"
#include "spacing.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>
#include <optional>

namespace Kgw {

// A line longer than the cable planned in spreads (roll-along): which configurations each spread
// measures, so that every configuration of the line is measured once, on the first spread that
// holds it, and what that costs in the field.

// The line, the cable, its moves and what is measured along the line.
struct LinePlanRequest {
    int linePositions = 0;
    int electrodes = CablePositions;
    int move = 0;
    double spacingMetres = DefaultSpacingMetres;
    // The standard arrays laid along the whole line, as kgw generate lays them on the cable;
    // options.electrodes is the line's length and is ignored here.
    QVector<ArrayKind> kinds;
    GenerateOptions options;
    double factorLimitMetres = std::numeric_limits<double>::infinity();
    ElectrodeSet excluded; // in line positions
    // The instrument: what one injection reads, and how many potential dipoles at once.
    int channels = 1;
    ChannelRules rules;
    // Each spread's list ordered for the field, as kgw order orders it with the customary gap.
    bool orderForField = false;
    int reciprocalShare = 0; // percent of each spread's configurations
    double secondsPerInjection = 0; // 0: no field time
};

// What one spread measures.
struct SpreadPlan {
    int spread = 0; // from 1
    int firstPosition = 0; // the line position of cable electrode 1
    double x = 0; // metres along the line of cable electrode 1
    // As written, in cable positions: the spread's configurations and the reciprocals added.
    QVector<Quadruple> rows;
    int reciprocals = 0; // of rows
    int reciprocalsAsked = 0;
    int injections = 0; // with the request's channels, as kgw order counts them
    double fieldSeconds = 0; // injections at the request's seconds per injection
    // The readings of the spread's full pattern: every reading of the plan that it holds,
    // whichever spread measures it; for a design, the spread's whole design and the
    // reciprocals asked for it.
    int fullPattern = 0;
};

struct RollAlongPlan {
    QString error; // why no plan can be made, as the crew reads it; empty when made
    std::optional<SpreadLayout> layout;
    QVector<SpreadPlan> spreads; // every spread of the layout, also one that measures nothing
    // Every spread's rows in line positions, spread after spread: the whole line's file.
    QVector<LineQuadruple> lineRows;
    // Configurations that no spread holds (longer than the cable, or across two spreads), and
    // for given rows their indices among them.
    QVector<LineQuadruple> lost;
    QVector<int> lostIndices;
    // Given rows that repeat an earlier one (A and B or M and N swapped count too), by index.
    QVector<int> repeatIndices;
    // The arrays' configurations left out by the limits, as kgw generate counts them.
    int overFactorLimit = 0;
    int usingExcluded = 0;
    int overMaxDipole = 0;

    bool ok() const { return error.isEmpty(); }
    int readings() const { return lineRows.size(); }
    int fullPatternReadings() const;
    int injections() const;
    double fieldSeconds() const;
};

// The spreads of the request, or nothing with *error saying why no roll-along measures the line
// so (SpreadLayout::plan), or that an excluded electrode lies beyond the line.
std::optional<SpreadLayout> planSpreads(const LinePlanRequest &request, QString *error);

// The request's arrays along the whole line, less those over the limits (counted as kgw
// generate counts them) and, where reciprocals are asked for, those whose reciprocal came
// before; each on the first spread that holds it, the rest lost. Refused with the reason where
// the spreads are impossible, or where the limits leave nothing, or no spread holds anything.
RollAlongPlan planArrays(const LinePlanRequest &request);

// Rows given in line positions, such as a whole line's file, in their order: each once (a
// variant with A and B or M and N swapped, and where reciprocals are asked for a reciprocal, is
// a repeat), on the first spread that holds it; a repeat and a row no spread holds are counted
// by their index. The request's arrays and limits are not used.
RollAlongPlan planRows(const QVector<LineQuadruple> &rows, const LinePlanRequest &request);

// The building blocks of a plan whose spreads choose their rows one after another, as a design
// per spread does.

// A spread of the layout measuring `configurations` (cable positions): the reciprocals asked
// for, every row with K > 0 where `positiveFactor` and the layout is not chained (as kgw
// design writes them), the order for the field where asked, its injections and field time.
SpreadPlan finishSpread(const SpreadLayout &layout, int spread,
    const QVector<Quadruple> &configurations, const LinePlanRequest &request,
    bool positiveFactor = false);
// The plan's line rows and each spread's full pattern, once every spread is finished.
void finishPlan(RollAlongPlan *plan);

// The plan as the crew reads it, a line of text each: the line and its spreads, per spread its
// first line position and x, configurations (and reciprocals where asked for), injections and,
// with `fieldTime`, field time; then the totals, the saving against full spreads (`designed`: each
// spread measuring its whole design), the configurations lost, and a shorter last move.
QString planText(
    const RollAlongPlan &plan, const LinePlanRequest &request, bool fieldTime, bool designed);

// The files of a plan written under PREFIX: PREFIX-k.txt (or PREFIX-k.KGW) for spread k, and
// PREFIX.dat for the whole line.
QString spreadFileName(const QString &prefix, int spread, bool sequenceFile);
QString lineFileName(const QString &prefix);
// Every file of the plan under the prefix, each spread that measures something and then the
// whole line's file in line positions, with the spreads recorded and the electrodes at `heights`
// where given; spread files as electrode lists, or as sequence files at the spacing. Made as
// they are written, from the plan, which must outlive them.
QVector<NamedContent> planFiles(const RollAlongPlan &plan, const QString &prefix,
    bool sequenceFiles, double spacingMetres, const QVector<double> &heights = QVector<double>());

// Spread files under the prefix that the plan would not write: left from an earlier plan of more
// spreads, or of the other kind, they would look current beside it. Sorted by spread.
QStringList staleSpreadFiles(const QString &prefix, const RollAlongPlan &plan, bool sequenceFile);

} // namespace Kgw

#endif
