#ifndef KGW_CLI_MODELOPTIONS_H
#define KGW_CLI_MODELOPTIONS_H

#include "commandline.h"
#include "input.h"

#include "quadruple.h"
#include "resolution.h"

#include <QCommandLineOption>
#include <QString>
#include <QVector>

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

// The cable, grid, noise and damping options that resolution and the section pictures share.
class ModelOptions
{
public:
    // Without inputs to take the cable from, defaultElectrodes (above 0) is the cable.
    explicit ModelOptions(CommandLine &commandLine, int defaultElectrodes = 0);

    // Reads the options for these inputs: the spacing (--spacing, else that of the sequence
    // files, which must agree), the electrodes (--electrodes, else the highest one used) and the
    // rest, for a grid small enough for a resolution where one is wanted. Returns the exit
    // status when the command ends here, after a usage error or a refusal it reported.
    std::optional<int> read(Console &console, const QVector<Input> &inputs, bool forResolution);
    // The first of these options given on the command line, "--k-max" say; empty for none.
    QString firstGiven() const;

    double spacing() const { return m_spacing; }
    int electrodes() const { return m_electrodes; }
    const Kgw::GridOptions &grid() const { return m_grid; }
    const Kgw::ResolutionOptions &resolution() const { return m_resolution; }

private:
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
    QCommandLineOption m_damping;
    double m_spacing = 0;
    int m_defaultElectrodes = 0;
    int m_electrodes = 0;
    Kgw::GridOptions m_grid;
    Kgw::ResolutionOptions m_resolution;
};

// Shows how far long work has got on standard error, when that is a terminal and the work has
// taken more than a second; clears the line when destroyed.
class Progress
{
public:
    Progress(Console &console, const QString &what);
    ~Progress();
    Kgw::ProgressFunction function(double from = 0, double to = 1);

private:
    Console &m_console;
    QString m_what;
    qint64 m_started = 0;
    int m_shown = -1;
};

} // namespace Cli

#endif
