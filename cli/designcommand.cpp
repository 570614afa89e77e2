#include "arguments.h"
#include "channeloptions.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "modeloptions.h"
#include "progress.h"
#include "report.h"
#include "testoptions.h"
#include "textutil.h"

#include "adaptivedesign.h"
#include "arrays.h"
#include "design.h"
#include "designrun.h"
#include "geometry.h"
#include "injection.h"

namespace Cli {

namespace {

QString description()
{
    return QStringLiteral(
        "Designs a sequence of N configurations that resolves the ground under the cable as "
        "well as it can (\"Compare R\"): starting from a base set (by default the first third of "
        "the standard arrays), it adds in rounds the "
        "four-electrode configurations (every choice of four electrodes in its three "
        "arrangements, no remote electrode) that add the most to the mean relative resolution, "
        "as kgw resolution reports it, each round about 5 % of N. A configuration strongly "
        "correlated with one taken in the same round waits for a later one.\n"
        "W weighs each configuration by 1 / sigma², sigma = error + cancellation error × (C - 1) + "
        "floor / V (V = rho I / |K|, the voltage expected at --resistivity and --current), C its "
        "signal cancellation, so a "
        "weak or cancelling signal counts for little; --k-max and --max-cancellation leave "
        "such configurations out altogether.\n"
        "Writes the design as an electrode list to standard output (or to -o LIST, or as a "
        "sequence file with --kgw): the base set first, then the configurations in the order "
        "they were chosen, each with K > 0 (M and N swapped where needed, so that no reading "
        "comes out as a negative voltage; a chained layout keeps the direction its chain gives "
        "each dipole). Standard error shows the median signal cancellation "
        "and the mean relative resolution of the design and of the standard arrays kgw generate "
        "gives (dipole-dipole, then Wenner-alpha) cut to the same count. The figure is linear: how "
        "well a real inversion images the ground with the design is for an inversion to tell "
        "(bench/yardstick.sh in the source). Under SimPEG's (three grounds, seeds 1 and 2, 3 % "
        "noise), designs of 1000 at 1 m imaged the section x 0-47 m, z 0-8 m with a mean RMS "
        "log10 error of 0.150 against the standard arrays' 0.181 (0.83 x; a dipping contact "
        "about twice as well), but compact bodies less sharply: a 10 ohm m block at 0.441 and "
        "0.396 against 0.376 and 0.375, and on three further grounds the standard arrays imaged "
        "the compact bodies better. Neither --ground, --adaptive nor any variant measured made "
        "the design image every body as well as the standard arrays; for a compact target, "
        "measure those (docs/validation.md in the source has every figure).\n"
        "With --channels above 1, a candidate whose potential dipole encloses a current "
        "electrode is taken as its reciprocal, or left out when that encloses one too, unless "
        "--allow-enclosing; --max-dipole does the same for longer dipoles at any channel count, "
        "and --channel-layout chained chooses each group as a chain.\n"
        "--ground FILE designs over the ground of a ground file (blocks, layers and polygons, "
        "or a grid MODEL.xyz as kgw invert writes it), such as the image of a first survey: the "
        "configurations' sensitivities and signal cancellation come from its forward model, and "
        "both figures are of that ground; lambda and the comprehensive set stay those of the "
        "uniform ground, as with kgw resolution --ground.\n"
        "--adaptive N0 takes the ground file as the true ground and does the whole loop of an "
        "adaptive survey on synthetic data: the first N0 standard arrays are simulated over it "
        "and inverted as kgw test does, and the rest of the design is made over that image. "
        "Under SimPEG, --adaptive 500 of 1000 imaged the bodies at 0.87-1.06 x the standard "
        "arrays' 1000.\n"
        "--reciprocals PERCENT adds that share of reciprocals after the design, those whose new "
        "current pair most rows share first, in groups of up to C.\n"
        "Exit status: 0 when the design was written, 1 when no design can be made or writing "
        "failed, 2 for a usage error.");
}

} // namespace

int runDesign(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("design"), description());
    QCommandLineParser &parser = commandLine.parser();
    namespace Options = Kgw::Options;
    commandLine.add(Options::Measurements);
    commandLine.add(Options::Channels,
        "Potential dipoles the instrument measures for one current injection; above 1, "
        "configurations are chosen in groups of up to C that share A and B, listed together: "
        "{range} ({default}).");
    commandLine.add(Options::BaseShare);
    commandLine.add(Options::Base);
    commandLine.add(Options::Target);
    commandLine.add(Options::Reciprocals, nullptr, QStringLiteral("design"));
    ChannelOptions channelOptions(commandLine,
        QStringLiteral("Chained, each group of --channels is chosen along a chain."), true);
    commandLine.add(Options::MaxCancellation);
    commandLine.addConfigurationsOutput();
    commandLine.addSpacingOption(
        QStringLiteral("Cable spacing in metres of the model (default 5) and --kgw (needed)"),
        false);
    ModelOptions model(commandLine, int(Kgw::Options::Electrodes.defaultValue));
    const QCommandLineOption groundOption(QStringLiteral("ground"),
        QStringLiteral("Design over the ground of the ground file FILE rather than a uniform one."),
        QStringLiteral("FILE"));
    parser.addOption(groundOption);
    commandLine.add(Options::Adaptive);
    TestOptions testOptions(commandLine);
    commandLine.add(Options::Exclude, nullptr,
        QStringLiteral(
            "no configuration that uses one is chosen, nor counted in the comprehensive set."));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    if (!parser.positionalArguments().isEmpty())
        return commandLine.usageError(QStringLiteral("unexpected argument '%1'")
                                          .arg(parser.positionalArguments().constFirst()));
    if (!commandLine.isSet(Options::Measurements))
        return commandLine.usageError(
            QStringLiteral("give the size of the design: --measurements N"));
    const std::optional<int> count = commandLine.whole(Options::Measurements);
    const std::optional<int> channelCount
        = count ? commandLine.whole(Options::Channels) : std::nullopt;
    const std::optional<int> reciprocalShare
        = channelCount ? commandLine.whole(Options::Reciprocals) : std::nullopt;
    const std::optional<Kgw::ChannelRules> rules
        = reciprocalShare ? channelOptions.read() : std::nullopt;
    Kgw::DesignRequest request;
    if (!rules || !readDesignChoices(commandLine, &request))
        return ExitUsage;
    const bool adaptive = commandLine.isSet(Options::Adaptive);
    const std::optional<int> firstCount
        = adaptive ? commandLine.whole(Options::Adaptive) : std::optional<int>(0);
    const std::optional<Kgw::SyntheticTestOptions> synthetic
        = adaptive ? testOptions.read() : Kgw::SyntheticTestOptions();
    if (!firstCount || !synthetic)
        return ExitUsage;
    if (adaptive && !parser.isSet(groundOption))
        return commandLine.usageError(
            QStringLiteral("--adaptive needs the true ground: --ground FILE"));
    for (const Kgw::Option *option :
        { &Options::Noise, &Options::Seed, &Options::ZWeight, &Options::MaxIterations }) {
        if (!adaptive && commandLine.isSet(*option))
            return commandLine.usageError(
                QStringLiteral("--%1 is for --adaptive").arg(QLatin1String(option->name)));
    }
    Kgw::DesignOptions &options = request.options;
    options.rules = *rules;
    options.measurements = *count;
    options.channels = *channelCount;
    request.reciprocalShare = *reciprocalShare;
    const std::optional<ConfigurationsTarget> destination = commandLine.configurationsOutput();
    if (!destination)
        return ExitUsage;
    const std::optional<Kgw::ElectrodeSet> excluded = readExcluded(commandLine);
    if (!excluded)
        return ExitUsage;
    model.exclude(*excluded);
    if (!outputAllowed(console, QString(), destination->name))
        return ExitRefused;

    Progress progress(console, QStringLiteral("design"));
    int status = ExitSuccess;
    const std::unique_ptr<Kgw::SurveyModel> survey = model.read(
        console, {}, Kgw::SurveyModel::Resolution, progress.function(0, 0.05), &status);
    if (!survey)
        return status;
    // A ground file refused before the comprehensive set's long work.
    const QString groundFile = parser.value(groundOption);
    std::unique_ptr<Kgw::GroundModel> ground;
    std::optional<Kgw::Ground> truth;
    if (adaptive) {
        truth = readSectionGround(console, groundFile, *survey);
        if (!truth)
            return ExitRefused;
    } else if (!groundFile.isEmpty()) {
        ground = readGroundModel(console, groundFile, *survey);
        if (!ground)
            return ExitRefused;
        request.ground = ground.get();
    }
    const Kgw::ModelGrid &grid = survey->grid();
    const QString name = QStringLiteral("kgw design");
    const Kgw::ResolutionModel resolution(*survey, progress.function(0.05, 0.4));
    if (!resolution.isValid())
        return refuse(console, name, resolution.error());

    Kgw::AdaptiveDesign loop;
    if (adaptive) {
        loop = Kgw::adaptiveDesign(
            resolution, *truth, request, *firstCount, *synthetic, progress.function(0.4, 1));
        if (!loop.ok())
            return refuse(console, name, loop.error);
    } else {
        loop.run = Kgw::makeDesign(resolution, request, progress.function(0.4, 1));
        if (!loop.run.ok())
            return refuse(console, name, loop.run.error);
    }
    const Kgw::DesignRun &run = loop.run;
    const Kgw::DesignResult &design = run.design;
    if (!writeConfigurationsArgument(
            console, destination->name, run.written, destination->asSequence, grid.spacing()))
        return ExitRefused;

    QString chosen = QStringLiteral("%1 of the base set, %2 chosen from %3 candidates in %4")
                         .arg(design.baseCount)
                         .arg(design.configurations.size() - design.baseCount)
                         .arg(design.candidates)
                         .arg(Kgw::counted(design.rounds, QStringLiteral("round")));
    if (design.configurations.size() < options.measurements)
        chosen += QStringLiteral("; fewer than the %1 asked for, as no more candidates are left")
                      .arg(options.measurements);
    console.diagnostic(name, 0, chosen);
    if (ground)
        console.diagnostic(name, 0,
            QStringLiteral("designed over the ground of %1, sensitivities from its forward model "
                           "on %2; lambda and the comprehensive set of a uniform ground")
                .arg(inputName(groundFile),
                    Kgw::counted(ground->meshCells(), QStringLiteral("cell"))));
    if (adaptive) {
        const Kgw::InversionStep &last = loop.first.inversion.steps.constLast();
        console.diagnostic(name, 0,
            QStringLiteral("adaptive: the first %1 simulated over %2 with %3 % noise (seed %4) "
                           "and inverted to chi2 %5 in %6; the rest designed over that image")
                .arg(Kgw::counted(loop.first.data.rows.size(), QStringLiteral("configuration")),
                    inputName(groundFile), QString::number(synthetic->noiseShare * 100, 'g', 6))
                .arg(synthetic->seed)
                .arg(QString::number(last.chiSquared, 'g', 3),
                    Kgw::counted(last.iteration, QStringLiteral("iteration"))));
    }
    if (design.baseWithoutRoom > 0)
        console.diagnostic(name, 0,
            QStringLiteral("%1 of the base left out: the design holds %2, fewer than the base "
                           "has; give a smaller --base-share or more --measurements")
                .arg(Kgw::counted(design.baseWithoutRoom, QStringLiteral("configuration")))
                .arg(options.measurements));
    if (design.baseUnfit > 0)
        console.diagnostic(name, 0,
            QStringLiteral("%1 of the base left out: without a reading within the limits, or "
                           "against the channel rules")
                .arg(Kgw::counted(design.baseUnfit, QStringLiteral("configuration"))));
    // The limit holds for what the design chose; the base is as the standard arrays give it.
    double baseCancellation = 0;
    for (int i = 0; i < design.baseCount; ++i)
        baseCancellation
            = std::max(baseCancellation, Kgw::signalCancellation(design.configurations.at(i)));
    console.diagnostic(name, 0,
        QStringLiteral("signal cancellation at most %1 in the %2 chosen%3 (median %4, standard "
                       "arrays %5)")
            .arg(options.maxCancellation)
            .arg(design.configurations.size() - design.baseCount)
            .arg(baseCancellation > options.maxCancellation
                    ? QStringLiteral(", up to %1 in the base, kept as given")
                          .arg(baseCancellation, 0, 'g', 4)
                    : QString())
            .arg(figure(Kgw::medianCancellation(design.configurations)),
                figure(Kgw::medianCancellation(run.standard))));
    console.diagnostic(name, 0,
        QStringLiteral("mean relative resolution %1, standard arrays of %2 %3 (linear: what "
                       "the data could resolve of %4, readings that cancel counted for less)")
            .arg(figure(run.designed.meanRelative),
                Kgw::counted(run.standard.size(), QStringLiteral("configuration")),
                figure(run.arrays.meanRelative),
                ground         ? QStringLiteral("that ground")
                    : adaptive ? QStringLiteral("the first survey's image")
                               : QStringLiteral("a uniform ground")));
    if (options.targeted) {
        console.diagnostic(name, 0,
            QStringLiteral("in the target: mean relative resolution %1, standard arrays %2")
                .arg(figure(Kgw::meanRelativeIn(resolution, run.designed, options.target)),
                    figure(Kgw::meanRelativeIn(resolution, run.arrays, options.target))));
    }
    if (options.channels > 1) {
        QString injections = QStringLiteral("with %1: %2 for the design")
                                 .arg(Kgw::counted(options.channels, QStringLiteral("channel")),
                                     Kgw::counted(Kgw::injectionCount(design.configurations,
                                                      options.channels, options.rules),
                                         QStringLiteral("injection")));
        if (*reciprocalShare > 0)
            injections
                += QStringLiteral(", %1 for its %2")
                       .arg(Kgw::injectionCount(run.reciprocals, options.channels, options.rules))
                       .arg(Kgw::counted(run.reciprocals.size(), QStringLiteral("reciprocal")));
        console.diagnostic(name, 0, injections);
    }
    console.diagnostic(outputName(destination->name), 0,
        Kgw::counted(run.written.size(), QStringLiteral("configuration"))
            + reciprocalShortfall(run.reciprocals.size(), run.reciprocalsAsked)
            + QStringLiteral(", spacing ") + commandLine.spacingUsed(grid.spacing()));
    return ExitSuccess;
}

} // namespace Cli
