#ifndef KGW_FINDINGS_H
#define KGW_FINDINGS_H

#include "electrodeset.h"
#include "geometry.h"
#include "quadruple.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <limits>

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
        BeyondCable // an electrode above those of the shorter cable the check was given
    };
    static constexpr int KindCount = 8;

    Kind kind = RepeatedElectrode;
    int index = 0; // 0-based quadruple, which is the list's line number less one
    int earlierIndex = -1; // the earlier quadruple of a Duplicate or a Reciprocal
    Quadruple quadruple; // the quadruple of a RepeatedElectrode or a BeyondCable, for its message
    // |K| and the limit it is above, for a WeakSignal; the expected voltage and the minimum it
    // is below, in volts, for a LowVoltage; the first excluded electrode used, for an
    // ExcludedElectrode; the cable's electrode count for a BeyondCable. Numbers rather than text,
    // and no more of them, so that a finding copies as 32 plain bytes: a long report holds
    // millions.
    double factor = 0;
    double factorLimit = 0;

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
};

CheckReport checkQuadruples(
    const QVector<Quadruple> &quadruples, double spacingMetres, const CheckOptions &options);

// Only the BeyondCable findings of a check with that cable, without the rest of its work.
QVector<Finding> beyondCableFindings(const QVector<Quadruple> &quadruples, int cableElectrodes);

// The electrodes as ranges, "1-4, 7", with ", remote" when 0 is among them.
QString electrodeRangesText(const QVector<int> &electrodes);

} // namespace Kgw

// A report that outgrows its room moves its findings in one piece.
Q_DECLARE_TYPEINFO(Kgw::Finding, Q_MOVABLE_TYPE);

#endif
