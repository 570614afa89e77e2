#include "console.h"

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#endif

namespace Cli {

namespace {

void openStandard(QFile *file, QTextStream *stream, FILE *handle)
{
    file->open(handle, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    stream->setDevice(file);
    stream->setCodec("UTF-8");
}

} // namespace

Console::Console()
{
    openStandard(&m_outFile, &m_out, stdout);
    openStandard(&m_errFile, &m_err, stderr);
    m_errorIsTerminal = isatty(fileno(stderr));
}

void Console::progress(const QString &text)
{
    // Carriage return and "erase to the end of the line", so the next text replaces this one.
    m_err << '\r' << text << "\x1b[K";
    m_err.flush();
}

void Console::diagnostic(const QString &file, qint64 lineNumber, const QString &message)
{
    m_out.flush();
    m_err << file;
    if (lineNumber > 0)
        m_err << ':' << lineNumber;
    m_err << ": " << message << '\n';
    m_err.flush();
}

void Console::ioFailure(const QString &file, const QString &message, const QString &reason)
{
    diagnostic(file, 0, reason.isEmpty() ? message : message + QStringLiteral(": ") + reason);
}

int Console::usageError(const QString &command, const QString &message)
{
    const QString program
        = command.isEmpty() ? QStringLiteral("kgw") : QStringLiteral("kgw ") + command;
    m_out.flush();
    m_err << program << ": " << message << '\n'
          << "Try '" << program << " --help' for more information.\n";
    m_err.flush();
    return ExitUsage;
}

int Console::finish(int status)
{
    m_out.flush();
    if (m_out.status() == QTextStream::Ok && m_outFile.error() == QFileDevice::NoError)
        return status;
    m_err << "kgw: failed to write standard output: " << m_outFile.errorString() << '\n';
    m_err.flush();
    return status == ExitSuccess ? ExitRefused : status;
}

} // namespace Cli
