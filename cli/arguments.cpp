#include "arguments.h"

#include "console.h"

#include "arrays.h"
#include "electrodelist.h"
#include "exchange.h"
#include "iodevice.h"
#include "savefile.h"
#include "sequencereader.h"
#include "sequencewriter.h"

#include <QFile>
#include <QHash>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#endif
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace Cli {

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
            return Kgw::loadFailure<Result>(Result::OpenFailed, in.errorString());
        return readDevice(&in);
    }
#ifdef Q_OS_UNIX
    // QFile opens only by a name it can encode, so such a file is opened by its bytes.
    const QByteArray bytes = alteredArguments().value(argument);
    if (!bytes.isEmpty()) {
        const int handle = open(bytes.constData(), O_RDONLY | O_CLOEXEC);
        if (handle < 0)
            return Kgw::loadFailure<Result>(Result::OpenFailed, qt_error_string(errno));
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

Kgw::ExchangeResult readExchangeArgument(const QString &argument, Kgw::ExchangeFormat format,
    std::optional<qint32> spacingMillimetres, Kgw::ExchangeExtent extent)
{
    return readArgument<Kgw::ExchangeResult>(
        argument,
        [&](const QString &name) {
            return Kgw::readExchangeFile(name, format, spacingMillimetres, extent);
        },
        [&](QIODevice *device) {
            return Kgw::readExchange(device, format, spacingMillimetres, extent);
        });
}

Kgw::TopographyResult readTopographyArgument(const QString &argument)
{
    return readArgument<Kgw::TopographyResult>(argument, Kgw::readTopographyFile,
        [](QIODevice *device) { return Kgw::readTopography(device); });
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

Kgw::WriteResult saveArgument(
    Console &console, const QString &argument, const Kgw::FileContent &content)
{
    return writeArgument<Kgw::WriteResult>(
        console, argument, [&](const QString &name) { return Kgw::saveFile(name, content); },
        [&](QIODevice *device) { return Kgw::saveToDevice(device, content); });
}

bool writeTextArgument(
    Console &console, const QString &argument, const Kgw::FileContent &content, const QString &kind)
{
    Kgw::WriteResult saved = saveArgument(console, argument, content);
    if (saved.ok())
        return true;
    saved.describe(
        QStringLiteral("Failed to create ") + kind, QStringLiteral("Failed to write ") + kind);
    console.ioFailure(outputName(argument), saved.message, saved.errorString);
    return false;
}

Kgw::WriteResult writeSequenceArgument(Console &console, const QString &argument,
    const QVector<Kgw::Quadruple> &quadruples, double spacingMetres)
{
    return writeArgument<Kgw::WriteResult>(
        console, argument,
        [&](const QString &name) {
            return Kgw::writeSequenceFile(name, quadruples, spacingMetres);
        },
        [&](QIODevice *device) { return Kgw::writeSequence(device, quadruples, spacingMetres); });
}

bool writeConfigurationsArgument(Console &console, const QString &argument,
    const QVector<Kgw::Quadruple> &configurations, bool asSequence, double spacingMetres)
{
    if (!asSequence) {
        return writeTextArgument(console, argument,
            Kgw::FileContent::of({ Kgw::electrodeListText(configurations) }),
            QStringLiteral("electrode list"));
    }
    const Kgw::WriteResult written
        = writeSequenceArgument(console, argument, configurations, spacingMetres);
    if (!written.ok())
        console.ioFailure(outputName(argument), written.message, written.errorString);
    return written.ok();
}

} // namespace Cli
