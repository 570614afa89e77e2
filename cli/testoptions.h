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

private:
    CommandLine &m_commandLine;
};

} // namespace Cli

#endif
