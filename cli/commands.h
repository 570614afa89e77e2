#ifndef KGW_CLI_COMMANDS_H
#define KGW_CLI_COMMANDS_H

#include <QStringList>
#include <QVector>

namespace Cli {

class Console;

// One `kgw` command. `arguments` starts with the command's own name, as QCommandLineParser
// expects a program name first; the result is the exit status.
struct Command {
    const char *name;
    const char *summary;
    int (*run)(const QStringList &arguments, Console &console);
    // Drawing text needs a QGuiApplication; the rest make do with a QCoreApplication.
    bool draws = false;
};

// Every command, in the order `kgw --help` lists them. A new command is one source file with its
// run function plus one entry in this table.
const QVector<Command> &commands();

// The command of that name, or null.
const Command *findCommand(const QString &name);

int runConvert(const QStringList &arguments, Console &console);
int runInspect(const QStringList &arguments, Console &console);
int runCheck(const QStringList &arguments, Console &console);
int runGenerate(const QStringList &arguments, Console &console);
int runPlot(const QStringList &arguments, Console &console);
int runResolution(const QStringList &arguments, Console &console);
int runOrder(const QStringList &arguments, Console &console);
int runExport(const QStringList &arguments, Console &console);
int runDesign(const QStringList &arguments, Console &console);
int runRollAlong(const QStringList &arguments, Console &console);
int runSimulate(const QStringList &arguments, Console &console);
int runInvert(const QStringList &arguments, Console &console);
int runTest(const QStringList &arguments, Console &console);

} // namespace Cli

#endif
