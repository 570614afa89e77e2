#include "arguments.h"
#include "channeloptions.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "modeloptions.h"
#include "textutil.h"

#include "arrays.h"
#include "geometry.h"
#include "ordering.h"

#include <algorithm>

namespace Cli {

namespace {

QString description()
{
    return QStringLiteral(
        "Writes the configurations of INPUT in a new order, nothing added or lost: as an "
        "electrode list to standard output (or to -o LIST), or as a sequence file with --kgw.\n"
        "An electrode that has just carried current spoils a potential read on it, so no "
        "electrode used as A or B is used as M or N within the next D measurements (--gap), "
        "where the sequence allows it. With --channels C, measurements that share A and B "
        "stand together, at most C to a group, as one injection serves them on a multichannel "
        "instrument; the gap is then kept between groups. Under --channel-layout and "
        "--max-dipole only measurements that one injection can read so stand together, and a "
        "potential dipole around a current electrode stands alone unless --allow-enclosing.\n"
        "--gap-seconds S keeps current electrodes out of M and N for S seconds instead: for "
        "ceil(S / T) injections at T = --seconds-per-injection.\n"
        "Standard error reports the places that break the gap, the injections (with "
        "--channels) and the field time (with --seconds-per-injection), before and after. The "
        "same input always gives the same order.\n"
        "With --positive-k, every configuration is written with K > 0, M and N (or, with N "
        "remote, A and B) swapped where needed, so that no reading comes out as a negative "
        "voltage.\n"
        "Exit status: 0 when the order was written, also where the gap could not be met "
        "everywhere; 1 when the input is refused or writing failed; 2 for a usage error.");
}

} // namespace

int runOrder(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("order"), description());
    QCommandLineParser &parser = commandLine.parser();
    namespace Options = Kgw::Options;
    commandLine.add(Options::Gap);
    commandLine.add(Options::Channels);
    commandLine.add(Options::SecondsPerInjection);
    commandLine.add(Options::GapSeconds);
    ChannelOptions channelOptions(commandLine,
        QStringLiteral("With chained, only measurements whose dipoles chain share an injection."),
        true);
    const QCommandLineOption positive(
        QStringLiteral("positive-k"), QStringLiteral("Write every configuration with K > 0."));
    parser.addOption(positive);
    commandLine.add(Options::Exclude, nullptr,
        QStringLiteral("an input that uses one is refused, as nothing is dropped."));
    commandLine.addConfigurationsOutput();
    commandLine.addSpacingOption(QStringLiteral("Cable spacing in metres for --kgw, needed "
                                                "unless INPUT records one, which it must agree "
                                                "with"),
        false);
    InputReader reader(commandLine, InputReader::TakesSequences);
    parser.addPositionalArgument(QStringLiteral("INPUT"),
        QStringLiteral("Electrode list or sequence file (*.KGW); - reads a list from standard "
                       "input."),
        QStringLiteral("INPUT"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    std::optional<double> gapValue;
    const std::optional<int> channelCount = commandLine.read(Options::Gap, &gapValue)
        ? commandLine.whole(Options::Channels)
        : std::nullopt;
    std::optional<double> secondsPerInjection;
    if (!channelCount || !commandLine.read(Options::SecondsPerInjection, &secondsPerInjection))
        return ExitUsage;
    const std::optional<Kgw::ChannelRules> rules = channelOptions.read();
    if (!rules)
        return ExitUsage;
    if (*channelCount <= 1 && channelOptions.anyGiven())
        return commandLine.usageError(
            QStringLiteral("--channel-layout, --max-dipole and --allow-enclosing shape the "
                           "injections of several channels: give --channels C above 1"));
    std::optional<double> gapSecondsValue;
    if (commandLine.isSet(Options::GapSeconds)) {
        if (commandLine.isSet(Options::Gap))
            return commandLine.usageError(
                QStringLiteral("--gap and --gap-seconds exclude each other: give one"));
        if (!secondsPerInjection)
            return commandLine.usageError(QStringLiteral(
                "--gap-seconds needs --seconds-per-injection T to count the injections"));
        if (!commandLine.read(Options::GapSeconds, &gapSecondsValue))
            return ExitUsage;
    }
    const QStringList inputs = parser.positionalArguments();
    if (inputs.size() != 1)
        return commandLine.usageError(QStringLiteral("give exactly one input"));
    const std::optional<ConfigurationsTarget> target = commandLine.configurationsOutput(true);
    if (!target)
        return ExitUsage;
    if (!reader.accept())
        return ExitUsage;
    const std::optional<Kgw::ElectrodeSet> excluded = readExcluded(commandLine);
    if (!excluded)
        return ExitUsage;

    const QString input = inputs.first();
    if (!outputAllowed(console, input, target->name))
        return ExitRefused;
    const std::optional<Input> read = reader.read(console, input, target->asSequence);
    if (!read || refuseExcluded(console, *read, *excluded))
        return ExitRefused;
    if (!commandLine.sequenceSpacingKnown(*target, read->ownSpacing))
        return ExitUsage;

    // Turned before the ordering, so that what it groups and spaces is what is written.
    QVector<Kgw::Quadruple> turned;
    if (parser.isSet(positive)) {
        turned.reserve(read->quadruples.size());
        for (const Kgw::Quadruple &q : read->quadruples)
            turned.append(Kgw::withPositiveFactor(q));
    }
    const QVector<Kgw::Quadruple> &toOrder = parser.isSet(positive) ? turned : read->quadruples;
    // The figures "before" are those of the list as it was given, not yet turned.
    const QVector<Kgw::Quadruple> &before = read->quadruples;
    Kgw::OrderOptions options;
    options.gap = gapValue ? int(*gapValue) : Kgw::defaultPolarisationGap(toOrder.size());
    options.channels = *channelCount;
    options.rules = *rules;
    if (gapSecondsValue) {
        options.gap = Kgw::injectionsFor(*gapSecondsValue, *secondsPerInjection);
        options.gapInInjections = true;
    }
    const QVector<Kgw::Quadruple> after = Kgw::orderSequence(toOrder, options);

    if (!writeConfigurationsArgument(
            console, target->name, after, target->asSequence, read->spacingMetres))
        return ExitRefused;

    const QString name = outputName(target->name);
    const auto tooLong = std::count_if(after.cbegin(), after.cend(),
        [&](const Kgw::Quadruple &q) { return !Kgw::withinMaxDipole(q, options.rules.maxDipole); });
    if (tooLong > 0) {
        console.diagnostic(name, 0,
            QStringLiteral("%1 with a potential dipole longer than --max-dipole %2, each in an "
                           "injection of its own: leave them out if the instrument cannot read "
                           "them")
                .arg(Kgw::counted(int(tooLong), QStringLiteral("measurement")))
                .arg(options.rules.maxDipole));
    }
    const auto breaksIn = [&](const QVector<Kgw::Quadruple> &sequence) {
        return options.gapInInjections
            ? Kgw::gapBreaksInInjections(sequence, options.gap, options.channels, options.rules)
            : Kgw::gapBreaks(sequence, options.gap);
    };
    if (gapSecondsValue) {
        console.diagnostic(name, 0,
            QStringLiteral("a gap of %1 s at %2 s per injection: ceil(%1 / %2) = %3")
                .arg(commandLine.text(Options::GapSeconds),
                    commandLine.text(Options::SecondsPerInjection),
                    Kgw::counted(options.gap, QStringLiteral("injection"))));
    }
    const int breaks = breaksIn(after);
    QString count = Kgw::counted(after.size(), QStringLiteral("configuration"));
    if (target->asSequence)
        count += QStringLiteral(", spacing ")
            + commandLine.spacingUsed(read->spacingMetres, read->ownSpacing);
    console.diagnostic(name, 0,
        QStringLiteral("%1; places that break a gap of %2: %3 before, %4 after%5")
            .arg(count,
                options.gapInInjections ? Kgw::counted(options.gap, QStringLiteral("injection"))
                                        : QString::number(options.gap))
            .arg(breaksIn(before))
            .arg(breaks)
            .arg(breaks > 0 ? QStringLiteral(": no order found meets it") : QString()));
    const int injectionsBefore = Kgw::injectionCount(before, options.channels, options.rules);
    const int injectionsAfter = Kgw::injectionCount(after, options.channels, options.rules);
    if (commandLine.isSet(Options::Channels)) {
        console.diagnostic(name, 0,
            QStringLiteral("with %1: %2 before, %3 after")
                .arg(Kgw::counted(options.channels, QStringLiteral("channel")),
                    Kgw::counted(injectionsBefore, QStringLiteral("injection")))
                .arg(injectionsAfter));
    }
    if (secondsPerInjection) {
        console.diagnostic(name, 0,
            QStringLiteral("at %1 s per injection: field time %2 before, %3 after")
                .arg(commandLine.text(Options::SecondsPerInjection),
                    Kgw::clockTime(*secondsPerInjection * injectionsBefore),
                    Kgw::clockTime(*secondsPerInjection * injectionsAfter)));
    }
    return ExitSuccess;
}

} // namespace Cli
