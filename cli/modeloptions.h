#ifndef KGW_CLI_MODELOPTIONS_H
#define KGW_CLI_MODELOPTIONS_H

#include "commandline.h"
#include "input.h"

#include "design.h"
#include "designrun.h"
#include "groundrows.h"
#include "options.h"
#include "quadruple.h"
#include "surveymodel.h"

#include <QString>
#include <QVector>

#include <memory>

namespace Cli {

class Console;

// --resistivity OHMM, --current MA and --min-voltage MV, which state the expected voltage
// rho I / |K| of a configuration in the crew's units. `minVoltageUse` says what the command does
// with a configuration below the least voltage.
void addFieldOptions(CommandLine &commandLine, const QString &minVoltageUse);
// Their values given, or their defaults; false after a usage error.
bool readFieldOptions(CommandLine &commandLine, Kgw::SurveySettings *survey);

// --exclude LIST, added with the command's use of it (on the cable, or along a line with
// Options::LineExclude): the electrodes, none when not given; nothing after a usage error.
std::optional<Kgw::ElectrodeSet> readExcluded(
    CommandLine &commandLine, const Kgw::Option &option = Kgw::Options::Exclude);

// A command that drops nothing silently refuses an input that uses an excluded electrode,
// naming the first line that does. True when it did.
bool refuseExcluded(Console &console, const Input &input, const Kgw::ElectrodeSet &excluded);

// --k-max METRES, the weak-signal limit on |K|: infinite when not given; nothing after a usage
// error.
std::optional<double> readFactorLimit(CommandLine &commandLine);

// --target X0:X1,Z0:Z1, a region of the ground in metres. False after a usage error; *region
// stays empty when the option is not given.
bool readTarget(CommandLine &commandLine, std::optional<Kgw::TargetRegion> *region);

// The options a design starts from and chooses by, --base-share, --base, --target and
// --max-cancellation, into the request; its size, channels and rules are the command's. False
// after a usage error.
bool readDesignChoices(CommandLine &commandLine, Kgw::DesignRequest *request);

// The arrays named on the command line, each one that the channel layout takes; nothing after a
// usage error.
std::optional<QVector<Kgw::ArrayKind>> readArrayNames(
    CommandLine &commandLine, const QStringList &names, Kgw::ChannelLayout layout);

// The ground of the ground file under the survey's grid; nothing, with the refusal reported, when
// the file is refused. Shapes outside the grid are said, not refused.
std::optional<Kgw::Ground> readSectionGround(
    Console &console, const QString &file, const Kgw::SurveyModel &survey);
// The same, modelled for the sequences judged over it; nothing, with the refusal reported, when
// its model is refused too.
std::unique_ptr<Kgw::GroundModel> readGroundModel(
    Console &console, const QString &file, const Kgw::SurveyModel &survey);

// The cable, grid, noise and damping options that resolution and the section pictures share.
class ModelOptions
{
public:
    // Without inputs to take the cable from, defaultElectrodes (above 0) is the cable. Without
    // --grid-depth the layers reach (E - 1) spacings / depthDivisor (GridOptions).
    explicit ModelOptions(CommandLine &commandLine, int defaultElectrodes = 0,
        double depthDivisor = Kgw::GridOptions::DefaultDepthDivisor);

    // Reads the options for these inputs: the spacing (--spacing, else that of the sequence
    // files, which must agree), the electrodes (--electrodes, else the highest one used) and the
    // rest, and builds the survey model of that cable for `scope`. Returns nothing, with *status
    // the exit status, when the command ends here after a usage error or a refusal it reported.
    // An input of a whole line gives the model of the line, measured by the cable of its
    // spreads, or else of --electrodes or 48.
    std::unique_ptr<Kgw::SurveyModel> read(Console &console, const QVector<Input> &inputs,
        Kgw::SurveyModel::Scope scope, const Kgw::ProgressFunction &progress, int *status);
    // Reads the options as read() does without building a model, for a command that builds its
    // own models of the cable from gridOptions() and resolutionOptions(). False, with *status
    // the exit status, after a usage error or a refusal it reported.
    bool readWithoutModel(Console &console, const QVector<Input> &inputs, int *status);
    const Kgw::GridOptions &gridOptions() const { return m_grid; }
    const Kgw::ResolutionOptions &resolutionOptions() const { return m_resolution; }
    // The first of these options given on the command line, "--k-max" say, other than
    // `except`, which a command takes on its own; empty for none.
    QString firstGiven(const Kgw::Option *except = nullptr) const;
    // The cable's electrodes (the line's positions) and the spacing that read() found.
    int electrodes() const { return m_electrodes; }
    double spacing() const { return m_spacing; }
    // Whether the spacing read was that of a sequence file rather than --spacing or its default.
    bool spacingFromInputs() const { return m_spacingFromInputs; }
    // Electrodes the model gives no row to; set before read().
    void exclude(const Kgw::ElectrodeSet &electrodes) { m_excluded = electrodes; }

private:
    std::optional<int> readOptions(Console &console, const QVector<Input> &inputs);
    // The line and the cable that measures it, for an input of a whole line.
    std::optional<int> readLine(const Input &input);

    CommandLine &m_commandLine;
    double m_spacing = 0;
    int m_defaultElectrodes = 0;
    bool m_spacingFromInputs = false;
    int m_electrodes = 0;
    int m_spread = 0; // the cable's electrodes along a line; 0 for a cable
    Kgw::GridOptions m_grid;
    Kgw::ElectrodeSet m_excluded;
    Kgw::ResolutionOptions m_resolution;
};

} // namespace Cli

#endif
