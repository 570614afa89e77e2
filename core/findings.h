#ifndef KGW_FINDINGS_H
#define KGW_FINDINGS_H

#include "electrodeset.h"
#include "geometry.h"
#include "line.h"
#include "quadruple.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <limits>
#include <optional>

namespace Kgw {

// Something the converter accepts but a field crew would want to know about one quadruple.
struct Finding {
    enum Kind {
        ExcludedElectrode, // an electrode the check was told is dead or missing
        // These two are the quadruples that isUnmeasurable (geometry.h) tells, by its rules.
        RepeatedElectrode, // an electrode used twice in one quadruple
        NoSignal, // G = 0, so the geometric factor is infinite
        WeakSignal, // |K| above the limit the check was given
        LowVoltage, // an expected voltage below the minimum the check was given
        Duplicate, // the configuration of an earlier quadruple, pairs swapped or not
        Reciprocal, // the earlier quadruple with current and potential pairs exchanged
        BeyondCable, // an electrode above those of the shorter cable the check was given
        // A row of a whole line that none of the spreads it is measured in holds: longer than
        // the cable, or across the end of each spread that reaches it.
        BeyondSpreads
    };
    static constexpr int KindCount = 9;

    Kind kind = RepeatedElectrode;
    int index = 0; // 0-based quadruple, which is the list's line number less one
    int earlierIndex = -1; // the earlier quadruple of a Duplicate or a Reciprocal
    // |K| and the limit it is above, for a WeakSignal; the expected voltage and the minimum it
    // is below, in volts, for a LowVoltage; the first excluded electrode used, for an
    // ExcludedElectrode; the cable's electrode count for a BeyondCable and the spreads' for a
    // BeyondSpreads. Numbers rather than text, and no more of them, so that a finding copies as
    // 32 plain bytes: a long report holds millions. The kinds that name the quadruple in their
    // message, RepeatedElectrode, BeyondCable and BeyondSpreads, have no factor, and keep the
    // quadruple's electrodes (in line positions, A B M N) in its place.
    union {
        double factor = 0;
        qint16 electrodes[4];
    };
    double factorLimit = 0;

    // The quadruple of a finding that names it, in line positions (a cable row as
    // toLinePositions() gives it).
    LineQuadruple quadruple() const
    {
        return LineQuadruple(electrodes[0], electrodes[1], electrodes[2], electrodes[3]);
    }
    void setQuadruple(const LineQuadruple &q)
    {
        electrodes[0] = q.a;
        electrodes[1] = q.b;
        electrodes[2] = q.m;
        electrodes[3] = q.n;
    }

    int lineNumber() const { return index + 1; }
    // Names an earlier quadruple by its line in a list, or, for a file with other lines between,
    // by the line `lineNumbers` gives each quadruple.
    QString message(const QVector<qint64> &lineNumbers = QVector<qint64>()) const;
};

struct CheckReport {
    int quadruples = 0;
    QVector<Finding> findings; // in quadruple order, and for one quadruple in Kind order
    QVector<int> electrodes; // the electrodes used, ascending; 0 when a remote one is
    double largestAbsoluteFactor = 0; // the largest finite |K| in metres; NaN when none is finite
    int counts[Finding::KindCount] = {};
    // Finite K below 0: many instruments record those readings as negative voltages.
    int negativeFactors = 0;
    // The least and the greatest expected voltage in volts, at the check's ground and current;
    // NaN when no factor is finite.
    double smallestVoltage = 0;
    double largestVoltage = 0;

    int count(Finding::Kind kind) const { return counts[kind]; }
    // A reciprocal is information only; every other finding is a problem.
    bool hasProblems() const;
    // Whether the expected voltages are numbers in millivolts, neither 0 nor beyond what a double
    // holds, as no real ground and current make them; also when there are none.
    bool voltagesInRange() const;
};

static_assert(sizeof(Finding) == 32, "a finding copies as 32 plain bytes");

// Reviews the quadruples of a list without changing what is accepted. A configuration whose
// |K| exceeds factorLimitMetres is a weak signal; by default none is.
CheckReport checkQuadruples(const QVector<Quadruple> &quadruples, double spacingMetres,
    double factorLimitMetres = std::numeric_limits<double>::infinity());

// What a check is told of the field: the weak-signal limits and the electrodes not to use.
struct CheckOptions {
    double factorLimitMetres = std::numeric_limits<double>::infinity();
    // The expected voltage rho I / |K| is counted at this ground and current; below minVoltage
    // (volts) a reading is too weak. 100 ohm m and 100 mA are common ground and a common
    // instrument.
    double resistivityOhmMetres = DefaultResistivityOhmMetres;
    double currentAmperes = DefaultCurrentAmperes;
    double minVoltage = 0;
    ElectrodeSet excluded;
    // One that uses an electrode above this, where a shorter cable is in use, can't be measured
    // on it; by default every electrode counts as on the cable.
    int cableElectrodes = std::numeric_limits<int>::max();
    // The spreads a whole line is measured in, for the rows of one: a row that none of them
    // holds is BeyondSpreads. Without them no row is.
    std::optional<SpreadLayout> layout;
};

CheckReport checkQuadruples(
    const QVector<Quadruple> &quadruples, double spacingMetres, const CheckOptions &options);
// The rows of a whole line, in line positions, by the same rules: a duplicate or a reciprocal is
// one in line positions, the excluded electrodes are line positions too, and the electrodes used
// run up to the line's highest.
CheckReport checkQuadruples(
    const QVector<LineQuadruple> &rows, double spacingMetres, const CheckOptions &options);

// Only the BeyondCable findings of a check with that cable, without the rest of its work.
QVector<Finding> beyondCableFindings(const QVector<Quadruple> &quadruples, int cableElectrodes);

// The electrodes as ranges, "1-4, 7", with ", remote" when 0 is among them.
QString electrodeRangesText(const QVector<int> &electrodes);

} // namespace Kgw

// A report that outgrows its room moves its findings in one piece.
Q_DECLARE_TYPEINFO(Kgw::Finding, Q_MOVABLE_TYPE);

#endif
