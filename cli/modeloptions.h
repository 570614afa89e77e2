#ifndef KGW_CLI_MODELOPTIONS_H
#define KGW_CLI_MODELOPTIONS_H

#include "commandline.h"
#include "input.h"

#include "design.h"
#include "quadruple.h"
#include "surveymodel.h"

#include <QCommandLineOption>
#include <QString>
#include <QVector>

#include <memory>

namespace Cli {

class Console;

// The ground and current the crew expects, and the least voltage worth reading.
struct FieldValues {
    double resistivityOhmMetres = 0;
    double currentAmperes = 0;
    double minVoltage = 0; // volts; 0 when not given
};

// --resistivity OHMM, --current MA and --min-voltage MV, which state the expected voltage
// rho I / |K| of a configuration in the crew's units.
class FieldOptions
{
public:
    // `minVoltageUse` says what the command does with a configuration below the least voltage.
    explicit FieldOptions(const QString &minVoltageUse);
    void addTo(QCommandLineParser &parser) const;
    const QCommandLineOption &resistivity() const { return m_resistivity; }
    const QCommandLineOption &current() const { return m_current; }
    const QCommandLineOption &minVoltage() const { return m_minVoltage; }
    // The values given, or their defaults; nothing after a usage error.
    std::optional<FieldValues> read(CommandLine &commandLine) const;

private:
    QCommandLineOption m_resistivity;
    QCommandLineOption m_current;
    QCommandLineOption m_minVoltage;
};

// --exclude LIST, the dead or missing electrodes of the cable.
class ExcludeOption
{
public:
    // `use` says what the command does with a configuration that uses one.
    explicit ExcludeOption(const QString &use);
    const QCommandLineOption &option() const { return m_option; }
    // The electrodes, none when not given; nothing after a usage error.
    std::optional<Kgw::ElectrodeSet> read(CommandLine &commandLine) const;

private:
    QCommandLineOption m_option;
};

// A command that drops nothing silently refuses an input that uses an excluded electrode,
// naming the first line that does. True when it did.
bool refuseExcluded(Console &console, const Input &input, const Kgw::ElectrodeSet &excluded);

// --k-max METRES, the weak-signal limit on |K|; infinite when not given.
class FactorLimitOption
{
public:
    explicit FactorLimitOption(const QString &description);
    const QCommandLineOption &option() const { return m_option; }
    // The limit in metres, infinite when not given; nothing after a usage error.
    std::optional<double> read(CommandLine &commandLine) const;

private:
    QCommandLineOption m_option;
};

// --target X0:X1,Z0:Z1, a region of the ground in metres.
class TargetOption
{
public:
    explicit TargetOption(const QString &description);
    const QCommandLineOption &option() const { return m_option; }
    // False after a usage error; *region stays empty when the option is not given.
    bool read(CommandLine &commandLine, std::optional<Kgw::TargetRegion> *region) const;

private:
    QCommandLineOption m_option;
};

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
    std::unique_ptr<Kgw::SurveyModel> read(Console &console, const QVector<Input> &inputs,
        Kgw::SurveyModel::Scope scope, const Kgw::ProgressFunction &progress, int *status);
    // The first of these options given on the command line, "--k-max" say; empty for none.
    QString firstGiven() const;
    // Whether the spacing read was that of a sequence file rather than --spacing or its default.
    bool spacingFromInputs() const { return m_spacingFromInputs; }
    // Electrodes the model gives no row to; set before read().
    void exclude(const Kgw::ElectrodeSet &electrodes) { m_resolution.excluded = electrodes; }

private:
    std::optional<int> readOptions(Console &console, const QVector<Input> &inputs);
    std::optional<double> readNumber(
        const QCommandLineOption &option, double low, double high, bool lowIncluded);

    CommandLine &m_commandLine;
    FactorLimitOption m_factorLimit;
    QCommandLineOption m_electrodesOption;
    QCommandLineOption m_cellsPerSpacing;
    QCommandLineOption m_firstLayer;
    QCommandLineOption m_growth;
    QCommandLineOption m_depth;
    QCommandLineOption m_error;
    QCommandLineOption m_floor;
    FieldOptions m_field;
    QCommandLineOption m_cancellationError;
    QCommandLineOption m_damping;
    double m_spacing = 0;
    int m_defaultElectrodes = 0;
    bool m_spacingFromInputs = false;
    int m_electrodes = 0;
    Kgw::GridOptions m_grid;
    Kgw::ResolutionOptions m_resolution;
};

} // namespace Cli

#endif
