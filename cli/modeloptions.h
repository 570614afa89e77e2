#ifndef KGW_CLI_MODELOPTIONS_H
#define KGW_CLI_MODELOPTIONS_H

#include "commandline.h"

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
    // The limit, or a usage error. Returns false after reporting it.
    bool read(CommandLine &commandLine, double *metres) const;

private:
    QCommandLineOption m_option;
};

// One input of a command that takes electrode lists and sequence files alike, read.
struct SequenceInput {
    QString argument;
    QVector<Kgw::Quadruple> quadruples;
    double spacing = 0; // a sequence file's own; 0 for a list
};

// A sequence file is told from an electrode list by its name, as the window names it.
bool isSequenceFileName(const QString &argument);

// Reads a list or a sequence file, reporting a refusal the way convert or inspect does.
bool readSequenceInput(Console &console, const QString &argument, SequenceInput *input);

// The cable, grid, noise and damping options that resolution and the section pictures share.
class ModelOptions
{
public:
    explicit ModelOptions(CommandLine &commandLine);

    // Reads the options for these inputs: the spacing (--spacing, else that of the sequence
    // files, which must agree), the electrodes (--electrodes, else the highest one used) and the
    // rest, for a grid small enough for a resolution where one is wanted. Returns false after
    // reporting a usage error or a refusal; exitStatus() says which.
    bool read(Console &console, const QVector<SequenceInput> &inputs, bool forResolution);
    // The first of these options given on the command line, "--k-max" say; empty for none.
    QString firstGiven() const;
    int exitStatus() const { return m_exitStatus; }

    double spacing() const { return m_spacing; }
    int electrodes() const { return m_electrodes; }
    const Kgw::GridOptions &grid() const { return m_grid; }
    const Kgw::ResolutionOptions &resolution() const { return m_resolution; }

private:
    bool readNumber(
        const QCommandLineOption &option, double low, double high, bool lowIncluded, double *value);

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
    int m_exitStatus = 0;
    double m_spacing = 0;
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
