#ifndef CLI_TESTOPTIONS_H
#define CLI_TESTOPTIONS_H

#include "synthetictest.h"

#include <optional>

namespace Cli {

class CommandLine;

// The options of a synthetic test, for every command that runs one: --noise, which is also the
// error its readings are weighed by, --seed, --zweight and --max-iter.
class TestOptions
{
public:
    // Adds the options.
    explicit TestOptions(CommandLine &commandLine);

    // The options given; nothing after a usage error, reported.
    std::optional<Kgw::SyntheticTestOptions> read();
    // The noise as given, in per cent, for the command to print; after read().
    double noisePercent() const { return m_noisePercent; }

private:
    CommandLine &m_commandLine;
    double m_noisePercent = 0;
};

} // namespace Cli

#endif
