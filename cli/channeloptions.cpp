#include "channeloptions.h"

namespace Cli {

ChannelOptions::ChannelOptions(CommandLine &commandLine, const QString &layoutNote, bool groups)
    : m_commandLine(commandLine)
    , m_groups(groups)
{
    commandLine.add(Kgw::Options::ChannelLayout, nullptr, layoutNote);
    commandLine.add(Kgw::Options::MaxDipole);
    if (groups)
        commandLine.add(Kgw::Options::AllowEnclosing);
}

std::optional<Kgw::ChannelRules> ChannelOptions::read()
{
    Kgw::ChannelRules rules;
    const std::optional<int> layout = m_commandLine.whole(Kgw::Options::ChannelLayout);
    std::optional<double> spacings;
    if (!layout || !m_commandLine.read(Kgw::Options::MaxDipole, &spacings))
        return std::nullopt;
    rules.layout = Kgw::ChannelLayout(*layout);
    rules.maxDipole = int(spacings.value_or(0));
    rules.allowEnclosing = m_groups && m_commandLine.isSet(Kgw::Options::AllowEnclosing);
    return rules;
}

} // namespace Cli
