#include "arguments.h"
#include "channeloptions.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "modeloptions.h"
#include "report.h"
#include "textutil.h"

#include "arrays.h"
#include "injection.h"

#include <QtMath>

namespace Cli {

namespace {

using Kgw::GenerateOptions;

QString description()
{
    return QStringLiteral(
        "Writes the standard arrays for the cable as an electrode list, one \"A B M N\" "
        "line per configuration, to standard output (or to -o LIST, or as a sequence "
        "file with --kgw). The configuration count goes to standard error.\n"
        "ARRAY is a name or its alias; give several to list them one after another. "
        "A configuration that repeats an earlier one (also with A and B, or M and N, "
        "swapped) is left out.\n\n"
        "  ARRAY (alias)        A    B           M         N           loops\n"
        "  wenner-alpha  (wa)   i    i+3a        i+a       i+2a        a\n"
        "  wenner-beta   (wb)   i+a  i           i+2a      i+3a        a\n"
        "  wenner-gamma  (wg)   i    i+2a        i+a       i+3a        a\n"
        "  schlumberger  (slm)  i    i+(2n+1)a   i+na      i+(n+1)a    a, n\n"
        "  dipole-dipole (dd)   i+a  i           i+(n+1)a  i+(n+2)a    a, n\n"
        "  pole-dipole   (pd)   i    0           i+na      i+(n+1)a    a, n\n"
        "  pole-pole     (pp)   i    0           i+n       0           n\n"
        "  gradient      (gr)   i    i+(s+2)a    i+ka      i+(k+1)a    a; k = 1..s, "
        "s = n-max\n\n"
        "a runs outermost, then n, then i (from 1 while every electrode stays on the "
        "cable), then k. 0 is a remote electrode. Where an array does not fit, it "
        "simply gives fewer configurations.\n"
        "With --k-max, configurations too weak to measure are left out, with --max-dipole "
        "those whose potential dipole is longer than the instrument reads, and with --exclude "
        "those that use a dead electrode.\n"
        "--channel-layout chained lists the potential dipoles of each current pair together, "
        "as the chain they form (N of one is M of the next): it applies to dipole-dipole, "
        "pole-dipole and gradient, and is refused for the other arrays, which read one dipole "
        "per current pair.\n"
        "--reciprocals PERCENT adds that share of reciprocals M N A B after the list, those of "
        "the potential dipoles most rows share first, so that each new current pair serves "
        "many of them in one injection.\n"
        "Exit status: 0 when the list was written, 1 when no configuration fits or "
        "writing failed, 2 for a usage error.");
}

} // namespace

int runGenerate(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("generate"), description());
    QCommandLineParser &parser = commandLine.parser();
    namespace Options = Kgw::Options;
    commandLine.add(
        Options::Electrodes, "Electrodes in use, at positions 1 to E: {range} ({default}).");
    commandLine.add(Options::AMax);
    commandLine.add(Options::NMax);
    commandLine.add(Options::Reciprocals);
    commandLine.add(Options::FactorLimit,
        "Leave out configurations whose |K| at the spacing exceeds METRES: too weak a signal to "
        "measure well. Default: no limit.");
    ChannelOptions channelOptions(
        commandLine, QStringLiteral("For dipole-dipole, pole-dipole and gradient only."), false);
    commandLine.add(
        Options::Exclude, nullptr, QStringLiteral("configurations that use one are left out."));
    commandLine.addConfigurationsOutput();
    commandLine.addSpacingOption(
        QStringLiteral("Cable spacing in metres for --k-max (default 5) and --kgw (needed)"),
        false);
    parser.addPositionalArgument(QStringLiteral("ARRAY"),
        QStringLiteral("Array name or alias: %1.").arg(Kgw::allowedArrayNames()),
        QStringLiteral("ARRAY..."));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const std::optional<int> electrodeCount = commandLine.whole(Options::Electrodes);
    const std::optional<int> aLimit
        = electrodeCount ? commandLine.whole(Options::AMax) : std::nullopt;
    const std::optional<int> nLimit = aLimit ? commandLine.whole(Options::NMax) : std::nullopt;
    const std::optional<int> reciprocalShare
        = nLimit ? commandLine.whole(Options::Reciprocals) : std::nullopt;
    const std::optional<Kgw::ChannelRules> rules
        = reciprocalShare ? channelOptions.read() : std::nullopt;
    if (!rules)
        return ExitUsage;
    GenerateOptions options;
    options.electrodes = *electrodeCount;
    options.aMax = *aLimit;
    options.nMax = *nLimit;
    options.chained = rules->layout == Kgw::ChannelLayout::Chained;

    const std::optional<ConfigurationsTarget> target = commandLine.configurationsOutput();
    if (!target)
        return ExitUsage;
    const std::optional<double> limit = readFactorLimit(commandLine);
    if (!limit)
        return ExitUsage;
    const std::optional<double> spacing = commandLine.spacing();
    if (!spacing)
        return ExitUsage;
    const std::optional<Kgw::ElectrodeSet> excluded = readExcluded(commandLine);
    if (!excluded)
        return ExitUsage;

    const QStringList names = parser.positionalArguments();
    if (names.isEmpty())
        return commandLine.usageError(
            QStringLiteral("no array given: give one or more of %1").arg(Kgw::allowedArrayNames()));
    const std::optional<QVector<Kgw::ArrayKind>> kinds
        = readArrayNames(commandLine, names, rules->layout);
    if (!kinds)
        return ExitUsage;

    Kgw::ArrayListRequest request;
    request.kinds = *kinds;
    request.options = options;
    request.spacingMetres = *spacing;
    request.factorLimitMetres = *limit;
    request.excluded = *excluded;
    request.rules = *rules;
    request.reciprocalShare = *reciprocalShare;
    const Kgw::ArrayList list = Kgw::makeArrayList(request);
    QString emptied;
    switch (list.emptied) {
    case Kgw::ArrayList::NotEmptied:
        break;
    case Kgw::ArrayList::ByFactorLimit:
        emptied = QStringLiteral("every configuration has |K| above --k-max %1 m; nothing written")
                      .arg(metres(*limit));
        break;
    case Kgw::ArrayList::ByExcluded:
        emptied = QStringLiteral("every configuration uses an electrode of "
                                 "--exclude %1; nothing written")
                      .arg(excluded->text());
        break;
    case Kgw::ArrayList::ByMaxDipole:
        emptied = QStringLiteral("every configuration has a potential "
                                 "dipole longer than --max-dipole %1; "
                                 "nothing written")
                      .arg(rules->maxDipole);
        break;
    case Kgw::ArrayList::NothingFits:
        emptied = QStringLiteral("no configuration fits on %1 electrodes with --a-max %2 and "
                                 "--n-max %3; nothing written")
                      .arg(options.electrodes)
                      .arg(options.aMax)
                      .arg(options.nMax);
        break;
    }
    if (!emptied.isEmpty()) {
        console.diagnostic(QStringLiteral("kgw generate"), 0, emptied);
        return ExitRefused;
    }
    const QVector<Kgw::Quadruple> &configurations = list.configurations;

    if (!outputAllowed(console, QString(), target->name))
        return ExitRefused;
    if (!writeConfigurationsArgument(
            console, target->name, configurations, target->asSequence, *spacing))
        return ExitRefused;
    QString count = Kgw::counted(configurations.size(), QStringLiteral("configuration"));
    if (qIsFinite(*limit))
        count += QStringLiteral(", %1 with |K| above --k-max left out").arg(list.overFactorLimit);
    if (channelOptions.maxDipoleGiven())
        count += QStringLiteral(", %1 with a potential dipole longer than --max-dipole left out")
                     .arg(list.overMaxDipole);
    if (!excluded->isEmpty())
        count
            += QStringLiteral(", %1 using an excluded electrode left out").arg(list.usingExcluded);
    count += reciprocalShortfall(list.reciprocalsAdded, list.reciprocalsAsked);
    if (target->asSequence || qIsFinite(*limit))
        count += QStringLiteral(", spacing ") + commandLine.spacingUsed(*spacing);
    console.diagnostic(outputName(target->name), 0, count);
    return ExitSuccess;
}

} // namespace Cli
