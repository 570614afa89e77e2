#ifndef KGW_OPTIONS_H
#define KGW_OPTIONS_H

#include "arrays.h"
#include "design.h"
#include "findings.h"
#include "geometry.h"
#include "injection.h"
#include "inversion.h"
#include "modelgrid.h"
#include "quadruple.h"
#include "spacing.h"
#include "surveymodel.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <limits>
#include <optional>

namespace Kgw {

// How an option's text is read.
enum class OptionKind {
    Whole, // digits only, at most nine
    Decimal, // a number
    Spacing, // metres with at most three decimals, as a sequence file records them
    Seconds, // seconds with at most three decimals
    Electrodes, // "7,23-24"
    Region, // "X0:X1,Z0:Z1" in metres
    Arrays, // array names or aliases separated by commas
    Choice, // one of the words in `choices`
    Flag, // on or off
};

// Where a text comes from. On kgw's command line a number is written as C writes it, an
// exponent allowed. In the window's boxes a comma and a full stop are both the decimal point, in
// every locale, and nothing else may stand between the digits: no sign, blank or exponent.
enum class Syntax { CommandLine, Box };

// One setting that kgw takes on its command line and the KGW design window offers in a box, as
// KDE's generated settings describe theirs: its name, what it takes, its default, the unit the
// crew gives it in and how that converts to the model's, its help, the window's label and where
// the window keeps it. Both front ends build their options and boxes, read and refuse values, and
// keep them from this one description, so that they never disagree.
//
// The texts may hold {range}, {default} and {use}, which helpText() fills in.
struct Option {
    const char *name = nullptr; // on the command line, without "--"; null for the window's own
    const char *valueName = nullptr; // "PERCENT"
    OptionKind kind = OptionKind::Decimal;
    double low = 0;
    double high = std::numeric_limits<double>::infinity(); // always included
    bool lowIncluded = true;
    // Left empty, or not given, it means none (no limit, not known, automatic): the model takes
    // what `defaultWords` says. Otherwise an empty box is a mistake and a missing option takes
    // the default.
    bool emptyIsNone = false;
    double defaultValue = 0;
    // The default where it is no fixed number: "half a spacing"; for a text kind, the text.
    const char *defaultWords = nullptr;
    // kgw has no default for it and must be given it; the window starts from defaultValue.
    bool required = false;
    const char *unit = nullptr; // as the window's label shows it: "%"
    // The model's value of the crew's: per cent to a share, millivolts to volts. Null where
    // they are the same.
    double (*toModel)(double) = nullptr;
    const char *help = nullptr;
    const char *use = nullptr; // {use} in help where a command says nothing else
    // What a refusal offers instead, "a positive number of metres"; by default the range's words.
    const char *allowed = nullptr;
    const char *choices = nullptr; // "free|chained"
    // What a box shows for each choice, or for none where a whole number may be none.
    const char *shownAs = nullptr;
    const char *label = nullptr; // the window's, with its mnemonic
    const char *key = nullptr; // where the window keeps it between runs; null where it doesn't

    static constexpr Option whole(
        const char *name, const char *valueName, int low, int high, int defaultValue)
    {
        Option option;
        option.name = name;
        option.valueName = valueName;
        option.kind = OptionKind::Whole;
        option.low = low;
        option.high = high;
        option.defaultValue = defaultValue;
        return option;
    }
    static constexpr Option decimal(const char *name, const char *valueName, double low,
        bool lowIncluded, double high, double defaultValue)
    {
        Option option = whole(name, valueName, 0, 0, 0);
        option.kind = OptionKind::Decimal;
        option.low = low;
        option.lowIncluded = lowIncluded;
        option.high = high;
        option.defaultValue = defaultValue;
        return option;
    }
    static constexpr Option text(const char *name, const char *valueName, OptionKind kind,
        const char *defaultWords = nullptr)
    {
        Option option = whole(name, valueName, 0, 0, 0);
        option.kind = kind;
        option.defaultWords = defaultWords;
        return option;
    }
    static constexpr Option flag(const char *name, bool defaultValue = false)
    {
        Option option = whole(name, nullptr, 0, 1, defaultValue ? 1 : 0);
        option.kind = OptionKind::Flag;
        return option;
    }

    // A number read by the rule of that kind, with the range of this one.
    constexpr Option readAs(OptionKind numberKind) const
    {
        Option option = *this;
        option.kind = numberKind;
        return option;
    }
    constexpr Option helped(const char *text, const char *useText = nullptr) const
    {
        Option option = *this;
        option.help = text;
        option.use = useText;
        return option;
    }
    constexpr Option inUnit(const char *name, double (*conversion)(double) = nullptr) const
    {
        Option option = *this;
        option.unit = name;
        option.toModel = conversion;
        return option;
    }
    // Empty or not given means none; the help names what that is.
    constexpr Option noneWhenEmpty(const char *words) const
    {
        Option option = *this;
        option.emptyIsNone = true;
        option.defaultWords = words;
        return option;
    }
    constexpr Option defaultInWords(const char *words) const
    {
        Option option = *this;
        option.defaultWords = words;
        return option;
    }
    // Positions from 1 to `highest` for an option of electrodes: the cable's or a line's.
    constexpr Option positionsUpTo(int highest) const
    {
        Option option = *this;
        option.high = highest;
        return option;
    }
    constexpr Option mustBeGiven() const
    {
        Option option = *this;
        option.required = true;
        return option;
    }
    constexpr Option allowing(const char *words) const
    {
        Option option = *this;
        option.allowed = words;
        return option;
    }
    constexpr Option choosing(const char *words, int defaultIndex = 0) const
    {
        Option option = *this;
        option.kind = OptionKind::Choice;
        option.choices = words;
        option.defaultValue = defaultIndex;
        return option;
    }
    constexpr Option showing(const char *texts) const
    {
        Option option = *this;
        option.shownAs = texts;
        return option;
    }
    constexpr Option shown(const char *labelText, const char *settingsKey) const
    {
        Option option = *this;
        option.label = labelText;
        option.key = settingsKey;
        return option;
    }

    double modelValue(double value) const { return toModel ? toModel(value) : value; }
    bool isNumeric() const
    {
        return kind == OptionKind::Whole || kind == OptionKind::Decimal
            || kind == OptionKind::Spacing || kind == OptionKind::Seconds;
    }
    // Whether a number is within the range.
    bool accepts(double value) const;
    // "1 to 48", "above 0 up to 100", "at least 1", "above 0"; the spacing and seconds say
    // their decimals too.
    QString rangeText(Syntax syntax = Syntax::CommandLine) const;
    // "default 3", "default: no limit".
    QString defaultText(Syntax syntax = Syntax::CommandLine) const;
    // The help, {range}, {default} and {use} filled in. A command that says more than the
    // description's help gives its own text, and its own use or default words.
    QString helpText(Syntax syntax = Syntax::CommandLine, const char *ownHelp = nullptr,
        const QString &ownUse = QString(), const QString &ownDefault = QString()) const;
    // What a refusal offers: "a whole number from 1 to 48".
    QString allowedText(Syntax syntax = Syntax::CommandLine) const;
    // The text a box shows and the window keeps for the default: "" for none.
    QString defaultValueText() const;
    QStringList choiceList() const;
    // What the window shows for each choice, translated.
    QStringList shownChoices() const;

    // Reads a number of a numeric kind, or the choice's index or the flag's 0 or 1; nothing when
    // the text breaks the option's rule. Not for an empty text that means none.
    std::optional<double> read(const QString &text, Syntax syntax) const;
    // Empty when the text is allowed, else what the crew is told: on the command line
    // "invalid --error '0': give a number from 0 (excluded) up to 100", in a box a sentence
    // that says what to give. An empty box is allowed where it means none.
    QString refusal(const QString &text, Syntax syntax) const;
};

// A number as short as it is exact, never with an exponent, as a help text and a box show it.
QString plainNumber(double value);

// Array names as the window keeps and shows them, "wa,dd", in the order given.
QString arrayNamesText(const QVector<ArrayKind> &kinds);
// Names or aliases separated by commas, each array once; nothing, with *unknown the first name
// that is none, for anything else. In a box, blanks between commas are passed over.
std::optional<QVector<ArrayKind>> parseArrayNames(
    const QString &text, Syntax syntax = Syntax::CommandLine, QString *unknown = nullptr);

namespace Options {

// The cable and the ground.
inline constexpr Option Electrodes
    = Option::whole("electrodes", "E", GenerateOptions::MinElectrodes,
        GenerateOptions::MaxElectrodes, GenerateOptions::DefaultElectrodes)
          .helped(
              QT_TRANSLATE_NOOP("Kgw::Options", "Electrodes of the cable, {range} ({default})."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "&Electrodes:"), "cable/electrodes");
// The cable that check and convert hold a list to: electrode 1 alone is a cable too.
inline constexpr Option CableInUse
    = Option::whole("electrodes", "E", 1, CablePositions, CablePositions)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
                      "Electrodes of the cable in use, at positions "
                      "1 to E; {use}: {range} ({default})."),
              QT_TRANSLATE_NOOP("Kgw::Options", "lines that use a higher one are reported"));
inline constexpr Option Spacing
    = Option::decimal("spacing", "METRES", MinimumSpacingMillimetres / 1000.0, true,
        MaximumSpacingMillimetres / 1000.0, DefaultSpacingMetres)
          .readAs(OptionKind::Spacing)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options", "{use}: {range} ({default})."),
              QT_TRANSLATE_NOOP("Kgw::Options", "Cable spacing in metres"))
          .inUnit("m")
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "S&pacing (m):"), "cable/spacing");
inline constexpr Option Exclude
    = Option::text("exclude", "LIST", OptionKind::Electrodes)
          .positionsUpTo(CablePositions)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "no dead electrode"))
          .helped(
              QT_TRANSLATE_NOOP("Kgw::Options", "Dead or missing electrodes, as 7,23-24: {use}"),
              QT_TRANSLATE_NOOP("Kgw::Options", "configurations that use one are left out."))
          .allowing(QT_TRANSLATE_NOOP("Kgw::Options", "electrodes as 7,23-24"))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "E&xcluded:"), "cable/excluded");
inline constexpr Option Resistivity
    = Option::decimal("resistivity", "OHMM", 0, false, std::numeric_limits<double>::infinity(),
        DefaultResistivityOhmMetres)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Resistivity of the ground the crew expects, in ohm m, {range} ({default}): a "
              "configuration is expected to read rho I / |K|."))
          .inUnit("\u03a9m")
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "&Resistivity (\u03a9m):"), "cable/resistivity");
inline constexpr Option Current
    = Option::decimal("current", "MA", 0, false, std::numeric_limits<double>::infinity(),
        DefaultCurrentAmperes * 1000)
          .helped(QT_TRANSLATE_NOOP(
              "Kgw::Options", "Current the instrument injects, in mA, {range} ({default})."))
          .inUnit("mA", [](double milliamperes) { return milliamperes / 1000; })
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "C&urrent (mA):"), "cable/current");
// The floor's default is NoiseModel's, counted at the default ground and current.
inline constexpr Option Floor
    = Option::decimal("floor", "MICROVOLTS", 0, true, 1e6,
        NoiseModel::DefaultFloorPerMetre *DefaultResistivityOhmMetres *DefaultCurrentAmperes * 1e6)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Voltage floor of the instrument, {range}: it adds floor / V to the relative "
              "error, V = rho I / |K| the voltage expected at --resistivity and --current "
              "({default})."))
          .inUnit("\u00b5V", [](double microvolts) { return microvolts * 1e-6; })
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "&Voltage floor (\u00b5V):"), "cable/floor");
inline constexpr Option Error
    = Option::decimal("error", "PERCENT", 0, false, 100, NoiseModel::DefaultRelativeError * 100)
          .helped(QT_TRANSLATE_NOOP(
              "Kgw::Options", "Relative error of a measurement, {range} ({default})."))
          .inUnit("%", [](double percent) { return percent / 100; })
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Relative error (%):"), "cable/error");
inline constexpr Option FactorLimit
    = Option::decimal("k-max", "METRES", 0, false, std::numeric_limits<double>::infinity(), 0)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "no limit"))
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Leave out configurations whose |K| exceeds METRES: too weak a signal to "
              "measure. They leave the comprehensive set as well. Default: no limit."))
          .allowing(QT_TRANSLATE_NOOP("Kgw::Options", "a positive number of metres"))
          .inUnit("m")
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "|K| limit (m):"), "cable/kMax");
inline constexpr Option MinVoltage
    = Option::decimal("min-voltage", "MV", 0, true, std::numeric_limits<double>::infinity(), 0)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "no minimum"))
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
                      "{use} configurations whose expected voltage rho I / |K| is below MV "
                      "millivolts. Default: no minimum."),
              QT_TRANSLATE_NOOP("Kgw::Options", "Leave out"))
          .allowing(QT_TRANSLATE_NOOP("Kgw::Options", "a number of millivolts, 0 or more"))
          .inUnit("mV", [](double millivolts) { return millivolts / 1000; })
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Least voltage (mV):"), "cable/minVoltage");

// The model's grid, noise and smoothing, which only kgw offers.
inline constexpr Option CellsPerSpacing
    = Option::whole("cells-per-spacing", "N", 1, GridOptions::MaxCellsPerSpacing,
        GridOptions::DefaultCellsPerSpacing)
          .helped(QT_TRANSLATE_NOOP(
              "Kgw::Options", "Model cells per electrode spacing, {range} ({default})."));
inline constexpr Option FirstLayer
    = Option::decimal("first-layer", "METRES", 0, false, std::numeric_limits<double>::infinity(), 0)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "half a spacing"))
          .helped(QT_TRANSLATE_NOOP(
              "Kgw::Options", "Thickness of the top layer of cells ({default})."));
inline constexpr Option LayerGrowth
    = Option::decimal(
        "layer-growth", "FACTOR", 1, true, GridOptions::MaxGrowth, GridOptions::DefaultGrowth)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Each layer is this many times as thick as the one above, {range} ({default})."));
inline constexpr Option GridDepth
    = Option::decimal("grid-depth", "METRES", 0, false, std::numeric_limits<double>::infinity(), 0)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "(E - 1) spacings / 5"))
          .helped(QT_TRANSLATE_NOOP("Kgw::Options", "Depth the layers reach ({default})."));
inline constexpr Option CancellationError
    = Option::decimal(
        "cancellation-error", "PERCENT", 0, true, 100, NoiseModel::DefaultCancellationError * 100)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Error a ground that is not uniform adds to a reading, per unit of its signal "
              "cancellation beyond 1 (see kgw design --max-cancellation), {range} "
              "({default})."))
          .inUnit("%", [](double percent) { return percent / 100; });
inline constexpr Option Damping
    = Option::decimal("damping", "DAMPING", 0, false, 1e6, ResolutionOptions::DefaultDamping)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "lambda = DAMPING \u00d7 trace(G\u1d40WG) / trace(C\u1d40C) of the "
              "comprehensive set, {range} ({default})."));

// The instrument.
inline constexpr Option Channels
    = Option::whole("channels", "C", 1, MaxChannels, 1)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Potential dipoles the instrument reads per current injection: {range} "
              "({default})."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Cha&nnels:"), "instrument/channels");
// Its choices are those of Kgw::ChannelLayout, in its order.
inline constexpr Option ChannelLayout
    = Option::text("channel-layout", "LAYOUT", OptionKind::Choice)
          .choosing("free|chained")
          .helped(
              QT_TRANSLATE_NOOP("Kgw::Options",
                  "How the instrument wires the potential dipoles of one injection: free (each on "
                  "two electrodes of its own) or chained (N of one dipole is M of the next). "
                  "{use} Default: free."),
              QT_TRANSLATE_NOOP(
                  "Kgw::Options", "Chained, only dipoles that chain are read at once."))
          .allowing(QT_TRANSLATE_NOOP("Kgw::Options", "free or chained"))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Channel layout:"), "instrument/layout");
inline constexpr Option MaxDipole
    = Option::whole("max-dipole", "SPACINGS", 1, CablePositions - 1, 0)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "no limit"))
          .inUnit("spacings")
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "The longest potential dipole |M - N| the instrument reads, in electrode "
              "spacings; a remote M or N is longer than any: {range} ({default})."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Longest dipole:"), "instrument/maxDipole");
inline constexpr Option AllowEnclosing
    = Option::flag("allow-enclosing")
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Let a potential dipole with a current electrode between M and N share an "
              "injection with others; by default it is read alone, as its large potential "
              "would set the gain of every channel read with it."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Dipoles may enclose a current electrode"),
              "instrument/allowEnclosing");
// The longest injection cycle worth planning with is an hour.
inline constexpr Option SecondsPerInjection
    = Option::decimal("seconds-per-injection", "S", 0, false, 3600, 0)
          .readAs(OptionKind::Seconds)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "no field time"))
          .helped(QT_TRANSLATE_NOOP(
              "Kgw::Options", "Report the field time at S seconds per injection: {range}."))
          .inUnit("s")
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Seconds per injection:"),
              "instrument/secondsPerInjection");
inline constexpr Option GapSeconds
    = Option::decimal("gap-seconds", "S", 0, false, 3600, 0)
          .readAs(OptionKind::Seconds)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "none"))
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Seconds that must pass before an electrode used as A or B is M or N: {range}; "
              "needs --seconds-per-injection, and counts injections, not measurements."));

// The sequence.
inline constexpr Option Source
    = Option::text(nullptr, nullptr, OptionKind::Choice)
          .choosing("arrays|design|list")
          .showing(QT_TRANSLATE_NOOP("Kgw::Options", "Standard arrays|Design|Opened list"))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "&Sequence:"), "sequence/source");
inline constexpr Option Arrays
    = Option::text(nullptr, "ARRAY", OptionKind::Arrays, "wa,dd")
          .helped(
              QT_TRANSLATE_NOOP("Kgw::Options", "The standard arrays, listed one after another."))
          .allowing(QT_TRANSLATE_NOOP("Kgw::Options", "at least one array"))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Arrays:"), "sequence/arrays");
inline constexpr Option AMax
    = Option::whole("a-max", "A", GenerateOptions::MinAMax, GenerateOptions::MaxAMax,
        GenerateOptions::DefaultAMax)
          .helped(QT_TRANSLATE_NOOP(
              "Kgw::Options", "Largest spacing a, in electrode steps: {range} ({default})."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Largest a:"), "sequence/aMax");
inline constexpr Option NMax
    = Option::whole("n-max", "N", GenerateOptions::MinNMax, GenerateOptions::MaxNMax,
        GenerateOptions::DefaultNMax)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Largest separation factor n: {range} ({default}). For gradient, the number s "
              "of potential dipoles per current pair."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Largest n:"), "sequence/nMax");
// The window starts a design from a thousand measurements; kgw must be told.
inline constexpr Option Measurements
    = Option::whole("measurements", "N", 1, MaxSequenceQuadruples, 1000)
          .mustBeGiven()
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Configurations in the design, the base set included: {range} ({default})."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Measure&ments:"), "sequence/measurements");
inline constexpr Option Target
    = Option::text("target", "X0:X1,Z0:Z1", OptionKind::Region)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "the whole section"))
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Count the resolution only in the cells whose centre lies between X0 and X1 "
              "along the cable (electrode 1 at 0) and Z0 and Z1 deep, in metres. Default: "
              "the whole section."))
          .allowing(
              QT_TRANSLATE_NOOP("Kgw::Options", "X0:X1,Z0:Z1 in metres, X0 < X1 and 0 <= Z0 < Z1"))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "&Target:"), "sequence/target");
inline constexpr Option BaseShare
    = Option::whole("base-share", "PERCENT", 0, 100, DesignOptions::DefaultBaseShare)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Share of the measurements taken from the standard arrays (the list the design "
              "is compared with) before the design chooses the rest: {range} ({default})."))
          .inUnit("%")
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Base share:"), "sequence/baseShare");
inline constexpr Option Base
    = Option::text("base", "ARRAY", OptionKind::Arrays)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "none"))
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "An array the design starts from too, at its smallest spacing (a = n = 1); "
              "repeat it or separate names by commas for several: {range}."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Base arrays:"), "sequence/baseArrays");
inline constexpr Option MaxCancellation
    = Option::decimal("max-cancellation", "R", 1, true, std::numeric_limits<double>::infinity(),
        DesignOptions::DefaultMaxCancellation)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Leave out candidates whose signal cancels more than R, {range}: (|part of A| + "
              "|part of B|) / |G|, or the same for M and N ({default}). The base set is kept as "
              "given: the standard arrays' dipole-dipole reaches n + 1 = 7."))
          .shown(
              QT_TRANSLATE_NOOP("Kgw::Options", "Most cancellation:"), "sequence/maxCancellation");
inline constexpr Option Reciprocals
    = Option::whole("reciprocals", "PERCENT", 0, 100, 0)
          .helped(
              QT_TRANSLATE_NOOP("Kgw::Options",
                  "After the whole {use}, add reciprocals M N A B of this share of it, grouped by "
                  "their current pair: {range} ({default}). 100 adds the reciprocal of every "
                  "configuration."),
              QT_TRANSLATE_NOOP("Kgw::Options", "list"))
          .inUnit("%")
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Reciprocals:"), "sequence/reciprocals");

// The order for the field.
inline constexpr Option Order
    = Option::flag(nullptr)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "with more than one channel"))
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Group the measurements of one current pair into "
              "injections and keep a gap before an electrode that "
              "carried current measures again."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "&Order for the field"), "order/enabled");
inline constexpr Option Gap
    = Option::whole("gap", "D", 0, MaxSequenceQuadruples, 0)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "min(32, 10 % of the sequence)"))
          .showing(QT_TRANSLATE_NOOP("Kgw::Options", "automatic"))
          .inUnit("measurements")
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Measurements that must pass before an electrode used as A or B is M or N: "
              "{range} ({default})."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "&Gap:"), "order/gap");

// The ground KGW design draws a block in: the half-space a block drawn from nothing lies in, and
// the block's own resistivity.
inline constexpr Option GroundBackground
    = Option::decimal(nullptr, nullptr, 0, false, std::numeric_limits<double>::infinity(),
        DefaultResistivityOhmMetres)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Resistivity of the half-space a block is drawn in, in ohm m, {range} ({default})."))
          .inUnit("\u03a9m")
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Back&ground (\u03a9m):"), "ground/background");
inline constexpr Option BlockResistivity
    = Option::decimal(nullptr, nullptr, 0, false, std::numeric_limits<double>::infinity(), 10)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Resistivity of a block dragged on the Ground view, in ohm m, {range} ({default})."))
          .inUnit("\u03a9m")
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "B&lock (\u03a9m):"), "ground/block");

// A line longer than the cable, measured in spreads (roll-along). kgw must be told the line and
// the move (kgw rollalong says so in its own words); the window's box starts empty, "off", and
// the window then works on one cable as it always did.
inline constexpr Option LineElectrodes
    = Option::whole("line-electrodes", "L", GenerateOptions::MinElectrodes, MaxLinePositions, 0)
          .noneWhenEmpty(QT_TRANSLATE_NOOP("Kgw::Options", "off, the cable alone"))
          .showing(QT_TRANSLATE_NOOP("Kgw::Options", "off"))
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Electrode positions along the whole line, at least the cable's: {range} "
              "({default})."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "&Line electrodes:"), "line/positions");
inline constexpr Option Move
    = Option::whole("move", "S", 1, CablePositions, CablePositions / 2)
          .mustBeGiven()
          .inUnit("electrodes")
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Electrodes the cable moves along the line from one spread to the next, at most "
              "the cable's: {range} ({default}). The last move is shorter where the line ends "
              "sooner."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Move &by:"), "line/move");
// Dead or missing electrodes of a line are named by their line positions.
inline constexpr Option LineExclude
    = Exclude.positionsUpTo(MaxLinePositions)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
                      "Dead or missing electrodes in line positions, as 7,23-24: {use}"),
              QT_TRANSLATE_NOOP("Kgw::Options", "configurations that use one are left out."))
          .allowing(QT_TRANSLATE_NOOP("Kgw::Options", "line positions as 7,23-24"))
          .shown(nullptr, nullptr);
inline constexpr Option DesignPerSpread
    = Option::whole("design", "N", 1, MaxSequenceQuadruples, 1000)
          .mustBeGiven()
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "A design of N configurations on each spread, in place of arrays: {range}. What "
              "earlier spreads measured on the spread's cable counts among its N and is not "
              "measured again; the design builds on it."));

// The noise a synthetic survey adds to each reading, drawn from --seed.
inline constexpr Option Noise
    = Option::decimal("noise", "PERCENT", 0, true, 100, 0)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Gaussian noise added to each reading, with a standard deviation of PERCENT of "
              "it: {range} ({default}, no noise). It is also the relative error given, unless "
              "--error says otherwise."))
          .inUnit("%", [](double percent) { return percent / 100; })
          .shown(nullptr, nullptr);
inline constexpr Option NoiseFloor
    = Option::decimal("noise-floor", "MICROVOLTS", 0, true, 1e6, 0)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Gaussian noise added to each voltage regardless of its size, with a standard "
              "deviation of MICROVOLTS: {range} ({default}). It is also the voltage floor of "
              "the error given, unless --floor says otherwise."))
          .inUnit("\u00b5V", [](double microvolts) { return microvolts * 1e-6; })
          .shown(nullptr, nullptr);
inline constexpr Option Seed
    = Option::whole("seed", "N", 0, 999999999, 1)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Seed of the noise: the same seed gives the same noise, {range} ({default})."))
          .shown(nullptr, nullptr);

// The inversion of measured or simulated readings, which kgw invert, kgw test and the window's
// Test view share.
inline constexpr Option ZWeight
    = Option::decimal("zweight", "W", 0, false, 100, InversionOptions::DefaultZWeight)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "How much more a change with depth costs than one along the line: above 1 for "
              "layers, below 1 for upright bodies, {range} ({default})."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Depth &weight:"), "inversion/zWeight");
inline constexpr Option MaxIterations
    = Option::whole("max-iter", "N", 1, InversionOptions::MostIterations,
        InversionOptions::DefaultMaxIterations)
          .helped(
              QT_TRANSLATE_NOOP("Kgw::Options", "Stop after N iterations, {range} ({default})."))
          .shown(QT_TRANSLATE_NOOP("Kgw::Options", "Iterations:"), "inversion/maxIterations");

// A design on a first survey's image, the whole loop on synthetic data.
inline constexpr Option Adaptive
    = Option::whole("adaptive", "N0", 1, MaxSequenceQuadruples, 500)
          .helped(QT_TRANSLATE_NOOP("Kgw::Options",
              "Design adaptively on synthetic data: the first N0 of the standard arrays are "
              "simulated over the --ground, taken as the true ground, with --noise and --seed, "
              "and inverted as kgw test does; the other measurements are designed over that "
              "image, the N0 as the base. N0: {range}, fewer than --measurements."))
          .shown(nullptr, nullptr);

// Every option above, in the order the window shows them.
const QVector<const Option *> &all();

} // namespace Options

// Rules between options, kept here once for both front ends. Each returns what the crew is told
// in that front end's words, empty when the values keep the rule.

// The design starts from at least one configuration: with no share of the standard arrays, it
// needs an array to start from.
QString designBaseProblem(int baseShare, const QVector<ArrayKind> &baseArrays, Syntax syntax);
// A chained layout lists the dipoles of one current pair as a chain, which only dipole-dipole,
// pole-dipole and gradient form.
// `asGiven` is the array's name as the crew gave it.
QString chainedArrayProblem(
    ArrayKind kind, ChannelLayout layout, Syntax syntax, const QString &asGiven = QString());
// Whether a list is ordered for the field when the crew has not said: with more than one
// channel, where grouping saves injections.
bool ordersByDefault(int channels);

// The ground, the instrument's noise and the limits as the crew gives them, in the options'
// units, and what the model and the check take from them.
struct SurveySettings {
    double resistivity = Options::Resistivity.defaultValue; // ohm m
    double current = Options::Current.defaultValue; // mA
    double floor = Options::Floor.defaultValue; // microvolts
    double error = Options::Error.defaultValue; // per cent
    double cancellationError = Options::CancellationError.defaultValue; // per cent
    double damping = Options::Damping.defaultValue;
    std::optional<double> factorLimit; // metres; none for no limit
    std::optional<double> minVoltage; // millivolts; none for no minimum
    ElectrodeSet excluded;

    ResolutionOptions resolutionOptions() const;
    CheckOptions checkOptions() const;
};

} // namespace Kgw

#endif
