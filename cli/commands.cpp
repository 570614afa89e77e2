#include "commands.h"

namespace Cli {

const QVector<Command> &commands()
{
    static const QVector<Command> table {
        { "convert", "Convert electrode lists into KGW sequence files", runConvert },
        { "inspect", "Read a KGW sequence file back", runInspect },
        { "check", "Report what a field crew would want to know about an electrode list",
            runCheck },
        { "generate", "Write the standard arrays for the cable as an electrode list", runGenerate },
        { "plot", "Draw the coverage, sensitivity or resolution of a list or a sequence file",
            runPlot, true },
        { "resolution", "Tell what the ground under the line is resolved by sequences",
            runResolution },
        { "order", "Reorder a sequence for polarisation and multichannel injections", runOrder },
        { "export", "Write a list or a sequence file for the open inversion packages, or as CSV",
            runExport },
        { "design", "Design a sequence that resolves the ground as well as it can", runDesign },
        { "simulate", "Write what a sequence reads over a ground, as unified data", runSimulate },
        { "invert", "Invert data for the resistivity of the section under the line", runInvert,
            true },
        { "test", "Tell how well lists image a known ground, simulated and inverted", runTest,
            true },
        { "rollalong", "Plan a line longer than the cable in spreads, or split one into them",
            runRollAlong },
    };
    return table;
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : commands()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

} // namespace Cli
