#ifndef KGW_CLI_CONSOLE_H
#define KGW_CLI_CONSOLE_H

#include <QFile>
#include <QString>
#include <QTextStream>

namespace Cli {

enum ExitStatus {
    ExitSuccess = 0,
    ExitRefused = 1, // an input was refused, a write failed or a check found problems
    ExitUsage = 2
};

// Standard output for results and standard error for diagnostics, both UTF-8. Results are
// flushed before every diagnostic so that the two stay in order on a terminal.
class Console
{
public:
    Console();

    QTextStream &out() { return m_out; }

    // "<file>:<line>: <message>", or "<file>: <message>" when lineNumber is 0, so that editors
    // can jump to the line.
    void diagnostic(const QString &file, qint64 lineNumber, const QString &message);

    // A diagnostic for a failed read or write, with the system's reason.
    void ioFailure(const QString &file, const QString &message, const QString &reason);

    // Reports a usage error of `command` (empty for kgw itself) and returns ExitUsage.
    int usageError(const QString &command, const QString &message);

    // Whether standard error is a terminal, where a progress line can be redrawn in place.
    bool errorIsTerminal() const { return m_errorIsTerminal; }
    // Redraws the progress line on standard error; an empty text clears it.
    void progress(const QString &text);

    // Flushes the results. A result that could not be written turns success into failure.
    int finish(int status);

private:
    QFile m_outFile;
    QFile m_errFile;
    QTextStream m_out;
    QTextStream m_err;
    bool m_errorIsTerminal = false;
};

} // namespace Cli

#endif
