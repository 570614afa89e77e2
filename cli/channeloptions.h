#ifndef KGW_CLI_CHANNELOPTIONS_H
#define KGW_CLI_CHANNELOPTIONS_H

#include "commandline.h"

#include "injection.h"

#include <QString>

#include <optional>

namespace Cli {

// --channel-layout free|chained, --max-dipole SPACINGS and, where a command groups
// measurements, --allow-enclosing: how the instrument reads one injection.
class ChannelOptions
{
public:
    // `layoutNote` follows the layouts in the help, to say what the layout does for the command.
    ChannelOptions(CommandLine &commandLine, const QString &layoutNote, bool groups);

    bool layoutGiven() const { return m_commandLine.isSet(Kgw::Options::ChannelLayout); }
    bool maxDipoleGiven() const { return m_commandLine.isSet(Kgw::Options::MaxDipole); }
    bool anyGiven() const
    {
        return layoutGiven() || maxDipoleGiven()
            || (m_groups && m_commandLine.isSet(Kgw::Options::AllowEnclosing));
    }
    // The rules given; nothing after a usage error.
    std::optional<Kgw::ChannelRules> read();

private:
    CommandLine &m_commandLine;
    bool m_groups;
};

} // namespace Cli

#endif
