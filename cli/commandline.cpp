#include "commandline.h"

#include "console.h"
#include "picture.h"
#include "report.h"
#include "spacing.h"

namespace Cli {

CommandLine::CommandLine(Console &console, const QString &command, const QString &description)
    : m_console(console)
    , m_command(command)
    , m_help({ QStringLiteral("h"), QStringLiteral("help") },
          QStringLiteral("Displays help on this command."))
    , m_listOutput({ QStringLiteral("o"), QStringLiteral("output") },
          QStringLiteral("Write the electrode list to LIST instead of standard output (- is "
                         "standard output)."),
          QStringLiteral("LIST"))
    , m_sequenceOutput(QStringLiteral("kgw"),
          QStringLiteral("Write the sequence file FILE instead of an electrode list (- is "
                         "standard output)."),
          QStringLiteral("FILE"))
{
    m_parser.setApplicationDescription(description);
    m_parser.addOption(m_help);
}

void CommandLine::add(const Kgw::Option &option, const char *ownHelp, const QString &ownUse,
    const QString &ownDefault)
{
    m_parser.addOption(QCommandLineOption(QLatin1String(option.name),
        option.helpText(Kgw::Syntax::CommandLine, ownHelp, ownUse, ownDefault),
        option.kind == Kgw::OptionKind::Flag ? QString() : QLatin1String(option.valueName)));
}

bool CommandLine::isSet(const Kgw::Option &option) const
{
    return m_parser.isSet(QLatin1String(option.name));
}

QString CommandLine::text(const Kgw::Option &option) const
{
    return isSet(option) ? m_parser.value(QLatin1String(option.name)) : option.defaultValueText();
}

bool CommandLine::read(const Kgw::Option &option, std::optional<double> *value)
{
    value->reset();
    if (!isSet(option) && option.emptyIsNone)
        return true;
    const QString given = text(option);
    if (!accepts(option, given))
        return false;
    *value = option.read(given, Kgw::Syntax::CommandLine);
    return true;
}

bool CommandLine::accepts(const Kgw::Option &option, const QString &given)
{
    const QString refusal = option.refusal(given, Kgw::Syntax::CommandLine);
    if (refusal.isEmpty())
        return true;
    usageError(refusal);
    return false;
}

std::optional<double> CommandLine::number(const Kgw::Option &option)
{
    std::optional<double> value;
    if (!read(option, &value))
        return std::nullopt;
    return value;
}

std::optional<int> CommandLine::whole(const Kgw::Option &option)
{
    if (const std::optional<double> value = number(option))
        return int(*value);
    return std::nullopt;
}

void CommandLine::addSpacingOption(const QString &use, bool defaulted)
{
    add(Kgw::Options::Spacing, defaulted ? nullptr : "{use}: {range}.", use);
}

bool CommandLine::spacingKnown(bool inputGaveIt, const QString &needs, const QString &input)
{
    if (inputGaveIt || spacingGiven())
        return true;
    usageError(QStringLiteral("%1 needs the cable's spacing, and %2: give --spacing METRES")
                   .arg(needs,
                       input.isEmpty() ? QStringLiteral("none was given")
                                       : QStringLiteral("%1 records none").arg(input)));
    return false;
}

std::optional<int> CommandLine::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments))
        return usageError(m_parser.errorText());
    if (m_parser.isSet(m_help)) {
        m_console.out() << helpText(m_parser, QStringLiteral("kgw ") + m_command);
        return ExitSuccess;
    }
    return std::nullopt;
}

QString CommandLine::spacingUsed(double metres, bool inputGaveIt)
{
    const QString text = Cli::metres(metres) + QStringLiteral(" m");
    if (!inputGaveIt && !spacingGiven() && !m_defaultSpacingReported) {
        m_defaultSpacingReported = true;
        m_console.diagnostic(QStringLiteral("kgw ") + m_command, 0,
            QStringLiteral("no spacing given: took the default of %1; give --spacing METRES if "
                           "the cable's is another")
                .arg(text));
    }
    return text;
}

void CommandLine::addConfigurationsOutput()
{
    m_parser.addOption(m_listOutput);
    m_parser.addOption(m_sequenceOutput);
}

std::optional<ConfigurationsTarget> CommandLine::configurationsOutput(bool inputMayGiveSpacing)
{
    const bool toList = m_parser.isSet(m_listOutput);
    const bool toSequence = m_parser.isSet(m_sequenceOutput);
    if (toList && toSequence) {
        usageError(QStringLiteral("-o and --kgw exclude each other: give one output"));
        return std::nullopt;
    }
    ConfigurationsTarget target;
    target.asSequence = toSequence;
    target.name = toSequence ? m_parser.value(m_sequenceOutput)
        : toList             ? m_parser.value(m_listOutput)
                             : QStringLiteral("-");
    if (!inputMayGiveSpacing && !sequenceSpacingKnown(target, false))
        return std::nullopt;
    return target;
}

bool CommandLine::sequenceSpacingKnown(const ConfigurationsTarget &target, bool inputGaveIt)
{
    if (!target.asSequence || inputGaveIt || spacingGiven())
        return true;
    usageError(QStringLiteral("--kgw writes a sequence file, which records the cable's spacing, "
                              "and none was given: give --spacing METRES"));
    return false;
}

bool CommandLine::pictureNameAccepted(const QString &fileName)
{
    if (Kgw::isSupportedPicture(fileName))
        return true;
    usageError(
        QStringLiteral("--picture takes a name ending in %1")
            .arg(Kgw::canWriteSvg() ? QStringLiteral(".png or .svg") : QStringLiteral(".png")));
    return false;
}

int CommandLine::usageError(const QString &message)
{
    return m_console.usageError(m_command, message);
}

QString helpText(const QCommandLineParser &parser, const QString &usage)
{
    // The parser names the executable's path; the command reads better.
    QString text = parser.helpText();
    const int usageEnd = text.indexOf(QLatin1String(" [options]"));
    if (text.startsWith(QLatin1String("Usage: ")) && usageEnd > 0)
        text.replace(0, usageEnd, QStringLiteral("Usage: ") + usage);
    return text;
}

} // namespace Cli
