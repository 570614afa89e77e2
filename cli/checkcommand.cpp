#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "depth.h"
#include "input.h"
#include "modeloptions.h"
#include "report.h"

#include "findings.h"
#include "geometry.h"
#include "textutil.h"

namespace Cli {

namespace {

// What the crew's ground, current and cable make of the list.
void printFieldSummary(QTextStream &out, const Kgw::CheckReport &report,
    const Kgw::CheckOptions &options, bool minVoltageGiven)
{
    out << "negative K: " << report.negativeFactors << '\n' << "expected voltage: ";
    if (qIsNaN(report.smallestVoltage))
        out << "none\n";
    else
        out << Kgw::millivolts(report.smallestVoltage) << " to "
            << Kgw::millivolts(report.largestVoltage) << " mV at "
            << QString::number(options.resistivityOhmMetres, 'g', 10) << " ohm m and "
            << QString::number(options.currentAmperes * 1000, 'g', 10) << " mA\n";
    if (minVoltageGiven)
        out << "below " << Kgw::millivoltLimit(options.minVoltage)
            << " mV: " << report.count(Kgw::Finding::LowVoltage) << '\n';
    if (!options.excluded.isEmpty())
        out << "using excluded electrodes (" << options.excluded.text()
            << "): " << report.count(Kgw::Finding::ExcludedElectrode) << '\n';
}

} // namespace

int runCheck(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("check"),
        QStringLiteral(
            "Reads an electrode list by the converter's rules, then reports what a field "
            "crew would want to know:\nrepeated electrodes, configurations with no "
            "signal (G = 0), with a weak one (|K| above --k-max), duplicates (A/B or M/N swapped "
            "count) and reciprocals; with --exclude, lines that use a dead electrode, and with "
            "--min-voltage, those expected to read too low a voltage.\n"
            "The summary also counts the configurations with K < 0, which many instruments "
            "record as negative voltages (kgw order --positive-k turns them), and gives the "
            "range of the voltages rho I / |K| expected at --resistivity and --current.\n"
            "With --from, LIST is read in that format instead, and lines are the file's.\n"
            "Exit status: 0 when only reciprocals or nothing were found, 1 when the "
            "list is refused or any other finding was made, 2 for a usage error."));
    commandLine.addSpacingOption();
    const QCommandLineOption factors(QStringLiteral("geometric-factors"),
        QStringLiteral("Also print the geometric factor K of every line, in metres."));
    commandLine.parser().addOption(factors);
    const FactorLimitOption factorLimit(
        QStringLiteral("Report configurations whose |K| exceeds METRES: too weak a signal to "
                       "measure well. Default: no limit."));
    commandLine.parser().addOption(factorLimit.option());
    const IntegerOption electrodes(QStringLiteral("electrodes"), QStringLiteral("E"),
        QStringLiteral("Electrodes of the cable in use, at positions 1 to E; lines that use a "
                       "higher one are reported"),
        1, Kgw::CablePositions, Kgw::CablePositions);
    commandLine.parser().addOption(electrodes.option());
    const FieldOptions field(QStringLiteral("Report"));
    field.addTo(commandLine.parser());
    const ExcludeOption exclude(QStringLiteral("lines that use one are reported."));
    commandLine.parser().addOption(exclude.option());
    InputReader reader(commandLine, InputReader::ListsOnly);
    commandLine.parser().addPositionalArgument(QStringLiteral("LIST"),
        QStringLiteral("Electrode list; - reads it from standard input."), QStringLiteral("LIST"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const QStringList lists = commandLine.parser().positionalArguments();
    if (lists.size() != 1)
        return commandLine.usageError(QStringLiteral("give exactly one electrode list"));
    if (!reader.accept(lists))
        return ExitUsage;
    const std::optional<double> limit = factorLimit.read(commandLine);
    if (!limit)
        return ExitUsage;
    const std::optional<int> cable = commandLine.value(electrodes);
    if (!cable)
        return ExitUsage;
    const std::optional<FieldValues> fieldValues = field.read(commandLine);
    if (!fieldValues)
        return ExitUsage;
    const std::optional<Kgw::ElectrodeSet> excluded = exclude.read(commandLine);
    if (!excluded)
        return ExitUsage;
    Kgw::CheckOptions options;
    options.factorLimitMetres = *limit;
    options.resistivityOhmMetres = fieldValues->resistivityOhmMetres;
    options.currentAmperes = fieldValues->currentAmperes;
    options.minVoltage = fieldValues->minVoltage;
    options.excluded = *excluded;
    options.cableElectrodes = *cable;

    const QString &list = lists.first();
    const std::optional<Input> read = reader.read(console, list);
    if (!read)
        return ExitRefused;

    const double spacing = read->spacingMetres;
    const Kgw::CheckReport report = Kgw::checkQuadruples(read->quadruples, spacing, options);
    // Such a voltage would print as inf or 0.
    if (!report.voltagesInRange())
        return commandLine.usageError(
            QStringLiteral("the voltages expected at --resistivity %1 ohm m and --current %2 mA "
                           "are beyond what a number holds; give values nearer to a real "
                           "ground's")
                .arg(QString::number(options.resistivityOhmMetres, 'g', 10),
                    QString::number(options.currentAmperes * 1000, 'g', 10)));
    QTextStream &out = console.out();
    for (const Kgw::Finding &finding : report.findings) {
        out << inputName(list) << ':' << read->lineNumber(finding.index) << ": "
            << finding.message(read->lineNumbers) << '\n';
    }

    if (commandLine.parser().isSet(factors)) {
        out << "# line A B M N K z\n";
        for (int i = 0; i < report.quadruples; ++i) {
            const Kgw::Quadruple &q = read->quadruples.at(i);
            out << read->lineNumber(i) << ' ' << q.a << ' ' << q.b << ' ' << q.m << ' ' << q.n
                << ' ' << metres(Kgw::geometricFactor(q, spacing)) << ' '
                << metres(Kgw::medianDepth(q, spacing)) << '\n';
        }
    }

    // Before any of the summary, so that the note never lands inside one of its lines.
    const QString spacingText = commandLine.spacingUsed(spacing, read->ownSpacing);
    out << "quadruples: " << report.quadruples << '\n'
        << "spacing: " << spacingText << '\n'
        << "electrodes: " << Kgw::electrodeRangesText(report.electrodes) << '\n'
        << "repeated electrodes: " << report.count(Kgw::Finding::RepeatedElectrode) << '\n'
        << "no signal: " << report.count(Kgw::Finding::NoSignal) << '\n';
    if (qIsFinite(*limit))
        out << "weak signal: " << report.count(Kgw::Finding::WeakSignal) << '\n';
    if (commandLine.parser().isSet(electrodes.option()))
        out << "beyond the cable: " << report.count(Kgw::Finding::BeyondCable) << '\n';
    out << "duplicates: " << report.count(Kgw::Finding::Duplicate) << '\n'
        << "reciprocals: " << report.count(Kgw::Finding::Reciprocal) << '\n'
        << "largest |K|: "
        << (qIsNaN(report.largestAbsoluteFactor)
                   ? QStringLiteral("none")
                   : metres(report.largestAbsoluteFactor) + QStringLiteral(" m"))
        << '\n';
    printFieldSummary(out, report, options, commandLine.parser().isSet(field.minVoltage()));
    return report.hasProblems() ? ExitRefused : ExitSuccess;
}

} // namespace Cli
