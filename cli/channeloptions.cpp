#include "channeloptions.h"

#include "quadruple.h"

namespace Cli {

ChannelOptions::ChannelOptions(CommandLine &commandLine, const QString &layoutNote, bool groups)
    : m_commandLine(commandLine)
    , m_layout(QStringLiteral("channel-layout"),
          QStringLiteral("How the instrument wires the potential dipoles of one injection: free "
                         "(each on two electrodes of its own) or chained (N of one dipole is M of "
                         "the next). %1 Default: free.")
              .arg(layoutNote),
          QStringLiteral("LAYOUT"), QStringLiteral("free"))
    , m_maxDipole(QStringLiteral("max-dipole"), QStringLiteral("SPACINGS"),
          QStringLiteral("The longest potential dipole |M - N| the instrument reads, in electrode "
                         "spacings; a remote M or N is longer than any"),
          1, Kgw::CablePositions - 1, QStringLiteral("no limit"))
    , m_allowEnclosing(QStringLiteral("allow-enclosing"),
          QStringLiteral("Let a potential dipole with a current electrode between M and N share "
                         "an injection with others; by default it is read alone, as its large "
                         "potential would set the gain of every channel read with it."))
    , m_groups(groups)
{
    QCommandLineParser &parser = commandLine.parser();
    parser.addOption(m_layout);
    parser.addOption(m_maxDipole.option());
    if (groups)
        parser.addOption(m_allowEnclosing);
}

std::optional<Kgw::ChannelRules> ChannelOptions::read()
{
    Kgw::ChannelRules rules;
    const QString layout = m_commandLine.parser().value(m_layout);
    const std::optional<Kgw::ChannelLayout> found = Kgw::findChannelLayout(layout);
    if (!found) {
        m_commandLine.usageError(
            QStringLiteral("unknown --channel-layout '%1': give free or chained").arg(layout));
        return std::nullopt;
    }
    rules.layout = *found;
    if (maxDipoleGiven()) {
        const std::optional<int> spacings = m_commandLine.value(m_maxDipole);
        if (!spacings)
            return std::nullopt;
        rules.maxDipole = *spacings;
    }
    rules.allowEnclosing = m_groups && m_commandLine.parser().isSet(m_allowEnclosing);
    return rules;
}

} // namespace Cli
