#ifndef DESIGNSETTINGS_H
#define DESIGNSETTINGS_H

#include "optionvalues.h"

#include "arrays.h"
#include "design.h"
#include "designrun.h"
#include "electrodeset.h"
#include "findings.h"
#include "ground.h"
#include "injection.h"
#include "ordering.h"
#include "rollalongrun.h"
#include "surveymodel.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <memory>
#include <optional>

// What the window works with, read from the boxes' texts by the descriptions kgw reads its
// options by, so that the same settings give the same list in both. The defaults are the
// descriptions'.

// The cable as it lies and the ground and instrument the crew expects.
struct CableSettings {
    int electrodes = int(Kgw::Options::Electrodes.defaultValue);
    double spacingMetres = Kgw::Options::Spacing.defaultValue;
    Kgw::SurveySettings survey;

    Kgw::ResolutionOptions resolutionOptions() const { return survey.resolutionOptions(); }
    Kgw::CheckOptions checkOptions() const;
    double factorLimit() const { return resolutionOptions().factorLimit; }
};

// What one injection of the instrument reads, and how long it takes.
struct InstrumentSettings {
    int channels = int(Kgw::Options::Channels.defaultValue);
    Kgw::ChannelRules rules;
    std::optional<double> secondsPerInjection; // none when not known: no field time is shown
};

// In the order of the source box's choices.
enum class SequenceSource { StandardArrays, Design, OpenedList };

struct SequenceSettings {
    SequenceSource source = SequenceSource::StandardArrays;
    // kgw generate's arrays and steps; the arrays in the order kgw lists them.
    QVector<Kgw::ArrayKind> arrays;
    int aMax = int(Kgw::Options::AMax.defaultValue);
    int nMax = int(Kgw::Options::NMax.defaultValue);
    // kgw design's.
    int measurements = int(Kgw::Options::Measurements.defaultValue);
    std::optional<Kgw::TargetRegion> target;
    int baseShare = int(Kgw::Options::BaseShare.defaultValue);
    QVector<Kgw::ArrayKind> baseArrays;
    double maxCancellation = Kgw::Options::MaxCancellation.defaultValue;
    // Both take a share of reciprocals.
    int reciprocalShare = int(Kgw::Options::Reciprocals.defaultValue);

    SequenceSettings();
};

struct OrderSettings {
    bool enabled = false;
    std::optional<int> gap; // measurements; none for kgw order's own choice
};

// A line longer than the cable, measured in spreads as kgw rollalong plans it.
struct LineSettings {
    std::optional<int> positions; // none: the window works on one cable
    int move = int(Kgw::Options::Move.defaultValue);
};

// The ground the list is seen over. Without one the window is the uniform half-space of the
// cable's resistivity, as kgw's figures are; with one, what the list reads over it is simulated,
// and its sections are those of that ground, as kgw plot --ground draws them. The figures that
// compare lists (the mean resolution beside the standard arrays') stay the uniform ground's.
struct GroundSettings {
    std::shared_ptr<const Kgw::Ground> ground; // none: uniform
    QString name; // what titles call it: its file's name, or that it was drawn
    quint64 id = 0; // new for every ground set, so that what is worked out over it knows it
    // The half-space a block drawn on no ground lies in, and the resistivity of a drawn block.
    double background = Kgw::Options::GroundBackground.defaultValue;
    double blockResistivity = Kgw::Options::BlockResistivity.defaultValue;
};

struct DesignSettings {
    CableSettings cable;
    InstrumentSettings instrument;
    SequenceSettings sequence;
    OrderSettings order;
    LineSettings line;
    GroundSettings ground;

    // The settings the boxes' texts give; texts that break a rule give the default.
    static DesignSettings from(const Kgw::OptionValues &values);

    Kgw::ArrayListRequest arrayListRequest() const;
    Kgw::DesignRequest designRequest() const;
    Kgw::OrderOptions orderOptions(int count) const;
    // The line of the standard arrays or of a design per spread, as kgw rollalong plans it with
    // the same options; each spread's list is ordered for the field where the list is.
    Kgw::RollAlongRequest rollAlongRequest() const;

    // What each result depends on, as text that differs whenever one of its inputs does: a result
    // made under another key is out of date.
    QString modelKey() const;
    QString sequenceKey() const;
    QString orderKey() const;
    QString lineKey() const;
    // What the readings over the ground depend on besides the list; empty without a ground.
    QString groundKey() const;
};

// Every option the window keeps, whose box it shows.
QVector<const Kgw::Option *> windowOptions();

// What is wrong with each box whose text breaks its rule, or a rule between boxes, as the box
// should say it; empty when the settings can be used. Only the boxes of the sequence chosen
// count: the arrays for standard arrays, the design's for a design. With a line set, the line
// must be one the cable can be rolled along.
QHash<const Kgw::Option *, QString> settingsProblems(const Kgw::OptionValues &values);

#endif
