#include "commandline.h"

#include "console.h"
#include "report.h"
#include "spacing.h"

#include <QLocale>
#include <QRegularExpression>
#include <QtMath>

namespace Cli {

IntegerOption::IntegerOption(const QString &name, const QString &valueName, const QString &what,
    int min, int max, int defaultValue, const QString &note)
    : m_option(name,
        QStringLiteral("%1: %2 to %3 (default %4).%5")
            .arg(what)
            .arg(min)
            .arg(max)
            .arg(defaultValue)
            .arg(note.isEmpty() ? QString() : QLatin1Char(' ') + note),
        valueName, QString::number(defaultValue))
    , m_min(min)
    , m_max(max)
{ }

IntegerOption::IntegerOption(const QString &name, const QString &valueName, const QString &what,
    int min, int max, const QString &defaultText)
    : m_option(name,
        QStringLiteral("%1: %2 to %3 (default: %4).").arg(what).arg(min).arg(max).arg(defaultText),
        valueName)
    , m_min(min)
    , m_max(max)
{ }

CommandLine::CommandLine(Console &console, const QString &command, const QString &description)
    : m_console(console)
    , m_command(command)
    , m_help({ QStringLiteral("h"), QStringLiteral("help") },
          QStringLiteral("Displays help on this command."))
    , m_spacing(QStringLiteral("spacing"),
          QStringLiteral("Cable spacing in metres: %1 (default 5).").arg(Kgw::spacingRangeText()),
          QStringLiteral("METRES"), QStringLiteral("5"))
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

void CommandLine::addSpacingOption(const QString &use, bool defaulted)
{
    if (!use.isEmpty()) {
        m_spacing.setDescription(QStringLiteral("%1: %2%3.")
                                     .arg(use, Kgw::spacingRangeText(),
                                         defaulted ? QStringLiteral(" (default 5)") : QString()));
    }
    m_parser.addOption(m_spacing);
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

std::optional<double> CommandLine::spacing()
{
    const QString text = m_parser.value(m_spacing);
    const std::optional<double> metres = Kgw::parseSpacing(text);
    if (!metres)
        usageError(
            QStringLiteral("invalid spacing '%1': give %2").arg(text, Kgw::spacingRangeText()));
    return metres;
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

std::optional<int> CommandLine::value(const IntegerOption &option)
{
    // Digits only: a sign, blanks or an exponent are more likely typos than intent. Nine digits
    // always fit an int.
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}\\z"));
    const QString text = m_parser.value(option.option());
    const int value = text.toInt();
    if (digits.match(text).hasMatch() && value >= option.min() && value <= option.max())
        return value;
    usageError(QStringLiteral("invalid --%1 '%2': give a whole number from %3 to %4")
                   .arg(option.option().names().constFirst(), text)
                   .arg(option.min())
                   .arg(option.max()));
    return std::nullopt;
}

std::optional<double> CommandLine::number(const QCommandLineOption &option, double low, double high,
    bool lowIncluded, const QString &allowed)
{
    const QString text = m_parser.value(option);
    bool ok = false;
    const double number = QLocale::c().toDouble(text, &ok);
    if (ok && qIsFinite(number) && (lowIncluded ? number >= low : number > low) && number <= high)
        return number;
    usageError(QStringLiteral("invalid --%1 '%2': give %3")
                   .arg(option.names().constFirst(), text, allowed));
    return std::nullopt;
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
