#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "depth.h"
#include "input.h"
#include "modeloptions.h"
#include "report.h"

#include "electrodeset.h"
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

// The text of --exclude where the input may be a whole line, whose positions are known once it is
// read: with --from, and electrodes within the longest line. Empty otherwise.
QString exclusionsOfALine(CommandLine &commandLine)
{
    if (!commandLine.isSet(Kgw::Options::Exclude)
        || !commandLine.parser().isSet(QStringLiteral("from")))
        return QString();
    const QString text = commandLine.text(Kgw::Options::Exclude);
    QString unused;
    return Kgw::parseElectrodeSet(text, &unused, Kgw::MaxLinePositions) ? text : QString();
}

} // namespace

int runCheck(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("check"),
        QStringLiteral(
            "Reads an electrode list by the converter's rules, or a sequence file (*.KGW) at its "
            "own spacing, then reports what a field crew would want to know:\n"
            "repeated electrodes, configurations with no signal (G = 0), with a weak one (|K| "
            "above --k-max), duplicates (A/B or M/N swapped count) and reciprocals; with "
            "--exclude, lines that use a dead electrode, and with --min-voltage, those expected "
            "to read too low a voltage.\n"
            "The summary also counts the configurations with K < 0, which many instruments "
            "record as negative voltages (kgw order --positive-k turns them), and gives the "
            "range of the voltages rho I / |K| expected at --resistivity and --current.\n"
            "Findings name the line of INPUT, in a sequence file the quadruple, counted from 1. "
            "With --from, INPUT is read in that format instead; a file of more than 48 electrodes, "
            "or one that records the spreads it was planned in, is checked as a whole line, in "
            "line positions (--exclude too), and its rows that none of the spreads holds are "
            "reported.\n"
            "Exit status: 0 when only reciprocals or nothing were found, 1 when the "
            "input is refused or any other finding was made, 2 for a usage error."));
    commandLine.addSpacingOption();
    const QCommandLineOption factors(QStringLiteral("geometric-factors"),
        QStringLiteral("Also print the geometric factor K of every line, in metres."));
    commandLine.parser().addOption(factors);
    commandLine.add(Kgw::Options::FactorLimit,
        "Report configurations whose |K| exceeds METRES: too weak a signal to measure well. "
        "Default: no limit.");
    commandLine.add(Kgw::Options::CableInUse);
    addFieldOptions(commandLine, QStringLiteral("Report"));
    commandLine.add(
        Kgw::Options::Exclude, nullptr, QStringLiteral("lines that use one are reported."));
    InputReader reader(commandLine, InputReader::TakesSequences, Kgw::ExchangeExtent::WholeLine);
    commandLine.parser().addPositionalArgument(QStringLiteral("INPUT"),
        QStringLiteral("Electrode list or sequence file (*.KGW); - reads a list from standard "
                       "input."),
        QStringLiteral("INPUT"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const QStringList inputs = commandLine.parser().positionalArguments();
    if (inputs.size() != 1)
        return commandLine.usageError(QStringLiteral("give exactly one input"));
    if (!reader.accept())
        return ExitUsage;
    Kgw::SurveySettings survey;
    const std::optional<double> limit = readFactorLimit(commandLine);
    const std::optional<int> cable
        = limit ? commandLine.whole(Kgw::Options::CableInUse) : std::nullopt;
    if (!cable || !readFieldOptions(commandLine, &survey))
        return ExitUsage;
    // A whole line's positions run to its length, which is known once it is read.
    const QString lineExclusions = exclusionsOfALine(commandLine);
    std::optional<Kgw::ElectrodeSet> excluded
        = lineExclusions.isEmpty() ? readExcluded(commandLine) : Kgw::ElectrodeSet();
    if (!excluded)
        return ExitUsage;
    if (qIsFinite(*limit))
        survey.factorLimit = *limit;

    const QString &list = inputs.first();
    // K and the voltages are worked out at the spacing.
    const std::optional<Input> read = reader.read(console, list, true);
    if (!read)
        return ExitRefused;
    if (!lineExclusions.isEmpty()) {
        QString error;
        excluded = read->isLine()
            ? Kgw::parseElectrodeSet(lineExclusions, &error, read->lineElectrodes)
            : readExcluded(commandLine);
        if (!excluded)
            return error.isEmpty() ? ExitUsage
                                   : commandLine.usageError(
                                       QStringLiteral("invalid --%1: %2")
                                           .arg(QLatin1String(Kgw::Options::Exclude.name), error));
    }
    if (read->isLine() && commandLine.isSet(Kgw::Options::CableInUse))
        return commandLine.usageError(
            QStringLiteral("--%1 names the cable of a list; %2 is a whole line of %3 electrodes")
                .arg(QLatin1String(Kgw::Options::CableInUse.name), inputName(list))
                .arg(read->lineElectrodes));
    survey.excluded = *excluded;
    Kgw::CheckOptions options = survey.checkOptions();
    // A line's rows are held by its spreads, not by one cable.
    if (!read->isLine())
        options.cableElectrodes = *cable;
    options.layout = read->layout;

    const double spacing = read->spacingMetres;
    const Kgw::CheckReport report = read->isLine()
        ? Kgw::checkQuadruples(read->lineQuadruples, spacing, options)
        : Kgw::checkQuadruples(read->quadruples, spacing, options);
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
        const auto print = [&](int i, const auto &q) {
            out << read->lineNumber(i) << ' ' << q.a << ' ' << q.b << ' ' << q.m << ' ' << q.n
                << ' ' << metres(Kgw::geometricFactor(q, spacing)) << ' '
                << metres(Kgw::medianDepth(q, spacing)) << '\n';
        };
        for (int i = 0; i < report.quadruples; ++i) {
            if (read->isLine())
                print(i, read->lineQuadruples.at(i));
            else
                print(i, read->quadruples.at(i));
        }
    }

    // Before any of the summary, so that the note never lands inside one of its lines.
    const QString spacingText = commandLine.spacingUsed(spacing, read->ownSpacing);
    out << "quadruples: " << report.quadruples << '\n' << "spacing: " << spacingText << '\n';
    if (read->isLine())
        out << "line: " << lineText(read->lineElectrodes, read->layout) << '\n';
    out << "electrodes: " << Kgw::electrodeRangesText(report.electrodes) << '\n'
        << "repeated electrodes: " << report.count(Kgw::Finding::RepeatedElectrode) << '\n'
        << "no signal: " << report.count(Kgw::Finding::NoSignal) << '\n';
    if (qIsFinite(*limit))
        out << "weak signal: " << report.count(Kgw::Finding::WeakSignal) << '\n';
    if (commandLine.isSet(Kgw::Options::CableInUse))
        out << "beyond the cable: " << report.count(Kgw::Finding::BeyondCable) << '\n';
    if (read->layout)
        out << "beyond the spreads: " << report.count(Kgw::Finding::BeyondSpreads) << '\n';
    out << "duplicates: " << report.count(Kgw::Finding::Duplicate) << '\n'
        << "reciprocals: " << report.count(Kgw::Finding::Reciprocal) << '\n'
        << "largest |K|: "
        << (qIsNaN(report.largestAbsoluteFactor)
                   ? QStringLiteral("none")
                   : metres(report.largestAbsoluteFactor) + QStringLiteral(" m"))
        << '\n';
    printFieldSummary(out, report, options, commandLine.isSet(Kgw::Options::MinVoltage));
    return report.hasProblems() ? ExitRefused : ExitSuccess;
}

} // namespace Cli
