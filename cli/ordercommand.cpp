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

#include <QRegularExpression>

#include <algorithm>

namespace Cli {

namespace {

// The longest injection cycle worth planning with: an hour.
constexpr double MaxSecondsPerInjection = 3600;

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

// Seconds as the --spacing value is written: a plain decimal number with at most three
// decimals, above 0 and up to an hour.
std::optional<double> parseSeconds(const QString &text)
{
    static const QRegularExpression plainDecimal(
        QStringLiteral("^(?=\\.?[0-9])[0-9]{0,4}(\\.[0-9]{1,3})?\\z"));
    const double seconds = text.toDouble();
    if (plainDecimal.match(text).hasMatch() && seconds > 0 && seconds <= MaxSecondsPerInjection)
        return seconds;
    return std::nullopt;
}

} // namespace

int runOrder(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("order"), description());
    QCommandLineParser &parser = commandLine.parser();
    const IntegerOption gap(QStringLiteral("gap"), QStringLiteral("D"),
        QStringLiteral("Measurements that must pass before an electrode used as A or B is M or N"),
        0, Kgw::MaxSequenceQuadruples, QStringLiteral("min(32, 10 % of the sequence)"));
    const IntegerOption channels(QStringLiteral("channels"), QStringLiteral("C"),
        QStringLiteral("Potential dipoles the instrument reads per current injection"), 1,
        Kgw::CablePositions, 1);
    const QCommandLineOption seconds(QStringLiteral("seconds-per-injection"),
        QStringLiteral("Report the field time at S seconds per injection: above 0 and up to "
                       "3600, with at most three decimals."),
        QStringLiteral("S"));
    parser.addOption(gap.option());
    parser.addOption(channels.option());
    parser.addOption(seconds);
    const QCommandLineOption gapSeconds(QStringLiteral("gap-seconds"),
        QStringLiteral("Seconds that must pass before an electrode used as A or B is M or N: "
                       "above 0 and up to 3600, with at most three decimals; needs "
                       "--seconds-per-injection, and counts injections, not measurements."),
        QStringLiteral("S"));
    parser.addOption(gapSeconds);
    ChannelOptions channelOptions(commandLine,
        QStringLiteral("With chained, only measurements whose dipoles chain share an injection."),
        true);
    const QCommandLineOption positive(
        QStringLiteral("positive-k"), QStringLiteral("Write every configuration with K > 0."));
    parser.addOption(positive);
    const ExcludeOption exclude(
        QStringLiteral("an input that uses one is refused, as nothing is dropped."));
    parser.addOption(exclude.option());
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

    const std::optional<int> gapValue
        = parser.isSet(gap.option()) ? commandLine.value(gap) : std::optional<int>(-1);
    const std::optional<int> channelCount = gapValue ? commandLine.value(channels) : std::nullopt;
    if (!channelCount)
        return ExitUsage;
    std::optional<double> secondsPerInjection;
    if (parser.isSet(seconds)) {
        secondsPerInjection = parseSeconds(parser.value(seconds));
        if (!secondsPerInjection)
            return commandLine.usageError(
                QStringLiteral("invalid --seconds-per-injection '%1': give seconds above 0 and "
                               "up to 3600, with at most three decimals")
                    .arg(parser.value(seconds)));
    }
    const std::optional<Kgw::ChannelRules> rules = channelOptions.read();
    if (!rules)
        return ExitUsage;
    if (*channelCount <= 1 && channelOptions.anyGiven())
        return commandLine.usageError(
            QStringLiteral("--channel-layout, --max-dipole and --allow-enclosing shape the "
                           "injections of several channels: give --channels C above 1"));
    std::optional<double> gapSecondsValue;
    if (parser.isSet(gapSeconds)) {
        if (parser.isSet(gap.option()))
            return commandLine.usageError(
                QStringLiteral("--gap and --gap-seconds exclude each other: give one"));
        if (!secondsPerInjection)
            return commandLine.usageError(QStringLiteral(
                "--gap-seconds needs --seconds-per-injection T to count the injections"));
        gapSecondsValue = parseSeconds(parser.value(gapSeconds));
        if (!gapSecondsValue)
            return commandLine.usageError(
                QStringLiteral("invalid --gap-seconds '%1': give seconds above 0 and up to "
                               "3600, with at most three decimals")
                    .arg(parser.value(gapSeconds)));
    }
    const QStringList inputs = parser.positionalArguments();
    if (inputs.size() != 1)
        return commandLine.usageError(QStringLiteral("give exactly one input"));
    const std::optional<ConfigurationsTarget> target = commandLine.configurationsOutput(true);
    if (!target)
        return ExitUsage;
    if (!reader.accept())
        return ExitUsage;
    const std::optional<Kgw::ElectrodeSet> excluded = exclude.read(commandLine);
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
    options.gap = *gapValue >= 0 ? *gapValue : Kgw::defaultPolarisationGap(toOrder.size());
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
                .arg(parser.value(gapSeconds), parser.value(seconds),
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
    if (parser.isSet(channels.option())) {
        console.diagnostic(name, 0,
            QStringLiteral("with %1: %2 before, %3 after")
                .arg(Kgw::counted(options.channels, QStringLiteral("channel")),
                    Kgw::counted(injectionsBefore, QStringLiteral("injection")))
                .arg(injectionsAfter));
    }
    if (secondsPerInjection) {
        console.diagnostic(name, 0,
            QStringLiteral("at %1 s per injection: field time %2 before, %3 after")
                .arg(parser.value(seconds), Kgw::clockTime(*secondsPerInjection * injectionsBefore),
                    Kgw::clockTime(*secondsPerInjection * injectionsAfter)));
    }
    return ExitSuccess;
}

} // namespace Cli
