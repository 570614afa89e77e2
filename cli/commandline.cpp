#include "commandline.h"

#include "console.h"
#include "electrodelist.h"
#include "savefile.h"
#include "sequencefile.h"
#include "sequencereader.h"
#include "spacing.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QtMath>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#endif
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace Cli {

CommandLine::CommandLine(Console &console, const QString &command, const QString &description)
    : m_console(console)
    , m_command(command)
    , m_help({ QStringLiteral("h"), QStringLiteral("help") },
          QStringLiteral("Displays help on this command."))
    , m_spacing(QStringLiteral("spacing"),
          QStringLiteral("Cable spacing in metres: %1 (default 5).").arg(Kgw::spacingRangeText()),
          QStringLiteral("METRES"), QStringLiteral("5"))
{
    m_parser.setApplicationDescription(description);
    m_parser.addOption(m_help);
}

void CommandLine::addSpacingOption(const QString &use)
{
    if (!use.isEmpty()) {
        m_spacing.setDescription(
            QStringLiteral("%1: %2 (default 5).").arg(use, Kgw::spacingRangeText()));
    }
    m_parser.addOption(m_spacing);
}

bool CommandLine::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments)) {
        m_exitStatus = usageError(m_parser.errorText());
        return false;
    }
    if (m_parser.isSet(m_help)) {
        // The parser names the executable's path; the command reads better.
        QString text = m_parser.helpText();
        const int usageEnd = text.indexOf(QLatin1String(" [options]"));
        if (text.startsWith(QLatin1String("Usage: ")) && usageEnd > 0)
            text.replace(0, usageEnd, QStringLiteral("Usage: kgw ") + m_command);
        m_console.out() << text;
        m_exitStatus = ExitSuccess;
        return false;
    }
    return true;
}

bool CommandLine::spacing(double *metres)
{
    const QString text = m_parser.value(m_spacing);
    if (Kgw::parseSpacing(text, metres))
        return true;
    m_exitStatus = usageError(
        QStringLiteral("invalid spacing '%1': give %2").arg(text, Kgw::spacingRangeText()));
    return false;
}

int CommandLine::usageError(const QString &message)
{
    m_exitStatus = m_console.usageError(m_command, message);
    return m_exitStatus;
}

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

bool IntegerOption::read(CommandLine &commandLine, int *value) const
{
    const QString text = commandLine.parser().value(m_option);
    // Digits only: a sign, blanks or an exponent are more likely typos than intent.
    bool digits = !text.isEmpty() && text.size() <= 9;
    int result = 0;
    for (const QChar c : text) {
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (digits)
            result = result * 10 + c.digitValue();
    }
    if (digits && result >= m_min && result <= m_max) {
        *value = result;
        return true;
    }
    commandLine.usageError(QStringLiteral("invalid --%1 '%2': give a whole number from %3 to %4")
                               .arg(m_option.names().constFirst(), text)
                               .arg(m_min)
                               .arg(m_max));
    return false;
}

bool readNumberOption(CommandLine &commandLine, const QCommandLineOption &option, double low,
    double high, bool lowIncluded, const QString &allowed, double *value)
{
    const QString text = commandLine.parser().value(option);
    bool ok = false;
    const double number = QLocale::c().toDouble(text, &ok);
    if (ok && qIsFinite(number) && (lowIncluded ? number >= low : number > low) && number <= high) {
        *value = number;
        return true;
    }
    commandLine.usageError(QStringLiteral("invalid --%1 '%2': give %3")
                               .arg(option.names().constFirst(), text, allowed));
    return false;
}

bool isStandardStream(const QString &argument)
{
    return argument == QLatin1String("-");
}

QString inputName(const QString &argument)
{
    return isStandardStream(argument) ? QStringLiteral("<stdin>") : argument;
}

QString outputName(const QString &argument)
{
    return isStandardStream(argument) ? QStringLiteral("<stdout>") : argument;
}

namespace {

// Arguments that decoding in the locale's encoding altered, by the text they were decoded to,
// with their bytes; empty bytes where two different names decode alike. Qt decodes
// QCoreApplication::arguments() and encodes a file name to open with the same codec, which
// replaces bytes that are not valid in it by U+FFFD, so such a name would open another file.
QHash<QString, QByteArray> &alteredArguments()
{
    static QHash<QString, QByteArray> arguments;
    return arguments;
}

void keepIfAltered(const QByteArray &bytes)
{
    const QString text = QFile::decodeName(bytes);
    if (QFile::encodeName(text) == bytes)
        return;
    QHash<QString, QByteArray> &altered = alteredArguments();
    const auto known = altered.constFind(text);
    altered.insert(text, known == altered.constEnd() || *known == bytes ? bytes : QByteArray());
}

} // namespace

void keepArgumentBytes(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        keepIfAltered(argument);
        // The parser also takes a value as "--option=VALUE" and "-oVALUE".
        if (argument.startsWith("--") && argument.contains('='))
            keepIfAltered(argument.mid(argument.indexOf('=') + 1));
        else if (argument.size() > 2 && argument.startsWith('-') && !argument.startsWith("--"))
            keepIfAltered(argument.mid(2));
    }
}

namespace {

// Reads a file named on the command line, or standard input for "-", with the reader's own
// failure for a file that can't be opened.
template <typename Result, typename ReadFile, typename ReadDevice>
Result readArgument(const QString &argument, ReadFile readFile, ReadDevice readDevice)
{
    QFile in;
    if (isStandardStream(argument)) {
        if (!in.open(stdin, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return Result::loadFailure(Result::OpenFailed, in.errorString());
        return readDevice(&in);
    }
#ifdef Q_OS_UNIX
    // QFile opens only by a name it can encode, so such a file is opened by its bytes.
    const QByteArray bytes = alteredArguments().value(argument);
    if (!bytes.isEmpty()) {
        const int handle = open(bytes.constData(), O_RDONLY | O_CLOEXEC);
        if (handle < 0)
            return Result::loadFailure(Result::OpenFailed, qt_error_string(errno));
        in.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        return readDevice(&in);
    }
#endif
    return readFile(argument);
}

// Writes to a file named on the command line, or to standard output for "-".
template <typename Result, typename WriteFile, typename WriteDevice>
Result writeArgument(
    Console &console, const QString &argument, WriteFile writeFile, WriteDevice writeDevice)
{
    if (!isStandardStream(argument))
        return writeFile(argument);
    console.out().flush(); // what was printed before comes first
    // Straight to the descriptor, so that a failure is known before anything is reported as
    // written, rather than in a buffer flushed at exit.
    constexpr int StandardOutput = 1;
#ifdef Q_OS_WIN
    _setmode(StandardOutput, _O_BINARY); // no carriage return added to a sequence file
#endif
    QFile out;
    out.open(
        StandardOutput, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    return writeDevice(&out);
}

} // namespace

Kgw::ListResult readListArgument(const QString &argument)
{
    return readArgument<Kgw::ListResult>(
        argument, [](const QString &name) { return Kgw::readElectrodeList(name); },
        [](QIODevice *device) { return Kgw::readElectrodeList(device); });
}

Kgw::SequenceResult readSequenceArgument(const QString &argument)
{
    return readArgument<Kgw::SequenceResult>(argument, Kgw::readSequenceFile,
        [](QIODevice *device) { return Kgw::readSequence(device); });
}

bool outputAllowed(Console &console, const QString &input, const QString &output)
{
    if (isStandardStream(output))
        return true;
    const QHash<QString, QByteArray> &altered = alteredArguments();
    // A name derived from an altered input, such as LIST.KGW, is altered as well.
    const bool inputAltered = !input.isEmpty() && altered.contains(input);
    if (altered.contains(output) || (inputAltered && output.startsWith(input))) {
        console.diagnostic(output, 0,
            QStringLiteral("Name is not valid in the locale's encoding; nothing written"));
        return false;
    }
    if (!input.isEmpty() && !isStandardStream(input) && Kgw::isSameFile(input, output)) {
        console.diagnostic(output, 0,
            QStringLiteral("Output would overwrite the input %1; nothing written").arg(input));
        return false;
    }
    return true;
}

Kgw::SaveResult saveArgument(
    Console &console, const QString &argument, const QVector<QByteArray> &pieces)
{
    return writeArgument<Kgw::SaveResult>(
        console, argument, [&](const QString &name) { return Kgw::saveFile(name, pieces); },
        [&](QIODevice *device) { return Kgw::saveToDevice(device, pieces); });
}

Kgw::WriteResult writeSequenceArgument(
    Console &console, const QString &argument, const QByteArray &body, double spacingMetres)
{
    return writeArgument<Kgw::WriteResult>(
        console, argument,
        [&](const QString &name) { return Kgw::writeSequenceFile(name, body, spacingMetres); },
        [&](QIODevice *device) { return Kgw::writeSequence(device, body, spacingMetres); });
}

void reportRefusedList(Console &console, const QString &argument, const Kgw::ListResult &list)
{
    switch (list.status) {
    case Kgw::ListResult::OpenFailed:
    case Kgw::ListResult::ReadFailed:
    case Kgw::ListResult::TooLarge:
        console.ioFailure(inputName(argument), list.message, list.errorString);
        break;
    default:
        console.diagnostic(inputName(argument), list.lineNumber,
            list.hint.isEmpty() ? list.message : list.message + QLatin1Char(' ') + list.hint);
        break;
    }
}

QString counted(int count, const QString &noun)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(noun).arg(count == 1 ? "" : "s");
}

QString metres(double value)
{
    if (qIsNaN(value))
        return QStringLiteral("nan");
    if (qIsInf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return QString::number(value, 'f', 3);
}

} // namespace Cli
