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
    // Without inputs to take the cable from, defaultElectrodes (above 0) is the cable.
    explicit ModelOptions(CommandLine &commandLine, int defaultElectrodes = 0);

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
