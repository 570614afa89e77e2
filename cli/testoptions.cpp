#include "testoptions.h"

#include "commandline.h"

#include "options.h"

namespace Cli {

namespace O = Kgw::Options;

TestOptions::TestOptions(CommandLine &commandLine)
    : m_commandLine(commandLine)
{
    const QString defaultNoise
        = QString::number(Kgw::SyntheticTestOptions::DefaultNoiseShare * 100, 'g', 6);
    commandLine.add(O::Noise,
        "Gaussian noise added to each reading, with a standard deviation of PERCENT of it, "
        "which is also the error each reading is weighed by: a number above 0 up to 100 "
        "({default}).",
        QString(), defaultNoise);
    commandLine.add(O::Seed);
    commandLine.add(O::ZWeight);
    commandLine.add(O::MaxIterations);
}

std::optional<Kgw::SyntheticTestOptions> TestOptions::read()
{
    const std::optional<double> noise = m_commandLine.isSet(O::Noise)
        ? m_commandLine.number(O::Noise)
        : Kgw::SyntheticTestOptions::DefaultNoiseShare * 100;
    const std::optional<int> seed = m_commandLine.whole(O::Seed);
    const std::optional<double> zWeight = m_commandLine.number(O::ZWeight);
    const std::optional<int> maxIterations = m_commandLine.whole(O::MaxIterations);
    if (!noise || !seed || !zWeight || !maxIterations)
        return std::nullopt;
    // Readings without noise would have no error to weigh them by.
    if (*noise == 0) {
        m_commandLine.usageError(QStringLiteral("--noise must be above 0 for a test"));
        return std::nullopt;
    }
    Kgw::SyntheticTestOptions options;
    options.noiseShare = O::Noise.modelValue(*noise);
    options.seed = quint32(*seed);
    options.inversion.zWeight = *zWeight;
    options.inversion.maxIterations = *maxIterations;
    return options;
}

} // namespace Cli
