#ifndef KGW_FINDINGS_H
#define KGW_FINDINGS_H

#include "quadruple.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <limits>

namespace Kgw {

// Something the converter accepts but a field crew would want to know about one quadruple.
struct Finding {
    enum Kind {
        RepeatedElectrode, // an electrode used twice in one quadruple
        NoSignal, // G = 0, so the geometric factor is infinite
        WeakSignal, // |K| above the limit the check was given
        Duplicate, // the configuration of an earlier quadruple, pairs swapped or not
        Reciprocal, // the earlier quadruple with current and potential pairs exchanged
        BeyondCable // an electrode above those of the shorter cable the check was given
    };
    static constexpr int KindCount = 6;

    Kind kind = RepeatedElectrode;
    int index = 0; // 0-based quadruple, which is the list's line number less one
    int earlierIndex = -1; // the earlier quadruple of a Duplicate or a Reciprocal
    Quadruple quadruple; // the quadruple of a RepeatedElectrode or a BeyondCable, for its message
    // |K| and the limit it is above, for a WeakSignal; the cable's electrode count for a
    // BeyondCable. Numbers rather than text, so that a finding copies as plain bytes: a long
    // report holds millions.
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

    int count(Finding::Kind kind) const { return counts[kind]; }
    // A reciprocal is information only; every other finding is a problem.
    bool hasProblems() const;
};

// Reviews the quadruples of a list without changing what is accepted. A configuration whose
// |K| exceeds factorLimitMetres is a weak signal; by default none is. One that uses an electrode
// above cableElectrodes, where a shorter cable is in use, can't be measured on it; by default
// every electrode counts as on the cable.
CheckReport checkQuadruples(const QVector<Quadruple> &quadruples, double spacingMetres,
    double factorLimitMetres = std::numeric_limits<double>::infinity(),
    int cableElectrodes = std::numeric_limits<int>::max());

// How many quadruples the report found that no instrument reads a signal from: those that
// repeat an electrode or have G = 0. A sequence file may hold them all the same.
int unmeasurableCount(const CheckReport &report);

// The electrodes as ranges, "1-4, 7", with ", remote" when 0 is among them.
QString electrodeRangesText(const QVector<int> &electrodes);

} // namespace Kgw

// A report that outgrows its room moves its findings in one piece.
Q_DECLARE_TYPEINFO(Kgw::Finding, Q_MOVABLE_TYPE);

#endif
