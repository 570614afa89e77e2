#ifndef DESIGNSETTINGS_H
#define DESIGNSETTINGS_H

#include "arrays.h"
#include "design.h"
#include "designrun.h"
#include "electrodeset.h"
#include "findings.h"
#include "injection.h"
#include "ordering.h"
#include "surveymodel.h"

#include <QString>
#include <QVector>

#include <optional>

class QSettings;

// Every value the window offers is one kgw takes on its command line, with kgw's default, so that
// the same settings give the same list in both.

// The cable as it lies and the ground and instrument the crew expects.
struct CableSettings {
    int electrodes = Kgw::CablePositions;
    double spacingMetres = 5;
    Kgw::ElectrodeSet excluded;
    double resistivityOhmMetres = 100;
    double currentMilliamperes = 100;
    double floorMicrovolts = 100;
    double errorPercent = 3;
    double factorLimitMetres = 0; // 0 for no limit
    double minVoltageMillivolts = 0; // 0 for none

    Kgw::ResolutionOptions resolutionOptions() const;
    Kgw::CheckOptions checkOptions() const;
    double factorLimit() const;
};

// What one injection of the instrument reads, and how long it takes.
struct InstrumentSettings {
    int channels = 1;
    Kgw::ChannelRules rules;
    double secondsPerInjection = 0; // 0 when not known: no field time is shown
};

enum class SequenceSource { StandardArrays, Design, OpenedList };

struct SequenceSettings {
    SequenceSource source = SequenceSource::StandardArrays;
    // kgw generate's arrays and steps; the arrays in the order kgw lists them.
    QVector<Kgw::ArrayKind> arrays = { Kgw::ArrayKind::WennerAlpha, Kgw::ArrayKind::DipoleDipole };
    int aMax = Kgw::GenerateOptions::DefaultAMax;
    int nMax = Kgw::GenerateOptions::DefaultNMax;
    // kgw design's.
    int measurements = 1000;
    std::optional<Kgw::TargetRegion> target;
    int baseShare = Kgw::DesignOptions::DefaultBaseShare;
    QVector<Kgw::ArrayKind> baseArrays;
    double maxCancellation = Kgw::DesignOptions::DefaultMaxCancellation;
    // Both take a share of reciprocals.
    int reciprocalShare = 0;
};

struct OrderSettings {
    static constexpr int AutomaticGap = -1;

    bool enabled = false;
    int gap = AutomaticGap; // measurements; automatic as kgw order chooses it
};

struct DesignSettings {
    CableSettings cable;
    InstrumentSettings instrument;
    SequenceSettings sequence;
    OrderSettings order;

    Kgw::ArrayListRequest arrayListRequest() const;
    Kgw::DesignRequest designRequest() const;
    Kgw::OrderOptions orderOptions(int count) const;

    // What each result depends on, as text that differs whenever one of its inputs does: a result
    // made under another key is out of date.
    QString modelKey() const;
    QString sequenceKey() const;
    QString orderKey() const;

    // Kept between runs; anything missing or out of range in the store leaves its default.
    void save(QSettings *store) const;
    void load(QSettings *store);
};

// Array names as the window keeps and shows them, "wa,dd", in the order given.
QString arrayNamesText(const QVector<Kgw::ArrayKind> &kinds);
// Names or aliases separated by commas, each array once; nothing, with *unknown the first name
// that is none, for anything else.
std::optional<QVector<Kgw::ArrayKind>> parseArrayNames(
    const QString &text, QString *unknown = nullptr);

// A number as the window's boxes take it: a comma and a full stop are both the decimal point and
// nothing else may separate digits, so "1,5" is 1.5 in every locale; no sign, blank or exponent.
std::optional<double> parseDecimal(const QString &text);

// The allowed values of one box that takes a number.
struct NumberRule {
    double low = 0;
    double high = 0;
    bool lowIncluded = true;
    // An empty box means the value `emptyValue` (no limit, say) rather than a mistake.
    bool emptyAllowed = false;
    double emptyValue = 0;
};

// Empty with *value set when the text is allowed, else what the box should say is wrong.
QString checkNumber(const QString &text, const NumberRule &rule, double *value);
// The spacing box's own rule: whole millimetres from 0.001 to 100 m.
QString checkSpacing(const QString &text, double *value);

// How the window writes a number back into a box: as short as exact.
QString decimalText(double value);

#endif
