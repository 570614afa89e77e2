#ifndef KGW_CLI_COMMANDLINE_H
#define KGW_CLI_COMMANDLINE_H

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QVector>

namespace Kgw {
struct ListResult;
struct SaveResult;
struct SequenceResult;
struct WriteResult;
} // namespace Kgw

namespace Cli {

class Console;

// A command's parser with the conventions every command shares: its own --help, usage errors
// with exit status 2, and the --spacing option.
class CommandLine
{
public:
    CommandLine(Console &console, const QString &command, const QString &description);

    QCommandLineParser &parser() { return m_parser; }
    const QCommandLineParser &parser() const { return m_parser; }

    // Adds --spacing METRES, defaulting to 5. A command that uses it only now and then says when
    // in `use`, which stands before the allowed values in the help.
    void addSpacingOption(const QString &use = QString());
    // Whether --spacing was given at all, not merely defaulted.
    bool spacingGiven() const { return m_parser.isSet(m_spacing); }

    // Parses and handles --help. Returns false when the command is to end with exitStatus().
    bool parse(const QStringList &arguments);
    int exitStatus() const { return m_exitStatus; }

    // The --spacing value, or a usage error. Returns false after reporting it.
    bool spacing(double *metres);

    // Reports a usage error of this command and returns its exit status.
    int usageError(const QString &message);

private:
    Console &m_console;
    QString m_command;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_spacing;
    int m_exitStatus = 0;
};

// A whole number within its limits, or a usage error that names them.
class IntegerOption
{
public:
    // `note` follows the limits in the help.
    IntegerOption(const QString &name, const QString &valueName, const QString &what, int min,
        int max, int defaultValue, const QString &note = QString());
    // Without a fixed default: `defaultText` says what applies when the option is not given.
    IntegerOption(const QString &name, const QString &valueName, const QString &what, int min,
        int max, const QString &defaultText);

    const QCommandLineOption &option() const { return m_option; }

    // The value, or a usage error. Returns false after reporting it.
    bool read(CommandLine &commandLine, int *value) const;

private:
    QCommandLineOption m_option;
    int m_min;
    int m_max;
};

// A decimal number (an exponent allowed) within low..high, or a usage error that names the
// range as `allowed` says it. Returns false after reporting it.
bool readNumberOption(CommandLine &commandLine, const QCommandLineOption &option, double low,
    double high, bool lowIncluded, const QString &allowed, double *value);

// "-" names standard input, or standard output where an output is named.
bool isStandardStream(const QString &argument);
// The names diagnostics give an input and an output.
QString inputName(const QString &argument);
QString outputName(const QString &argument);

// Keeps the bytes of every argument that decoding in the locale's encoding altered, so that a
// file of such a name can still be read. Called once, with main's arguments.
void keepArgumentBytes(int argc, char *argv[]);

// Reads an electrode list named on the command line, "-" for standard input.
Kgw::ListResult readListArgument(const QString &argument);

// Reads a sequence file named on the command line, "-" for standard input.
Kgw::SequenceResult readSequenceArgument(const QString &argument);

// Whether `output` may be written for `input` (empty when there is none): never over the input
// itself, and never under a name other than the one given. Reports a refusal.
bool outputAllowed(Console &console, const QString &input, const QString &output);

// Writes a file named on the command line, "-" for standard output.
Kgw::SaveResult saveArgument(
    Console &console, const QString &argument, const QVector<QByteArray> &pieces);
Kgw::WriteResult writeSequenceArgument(
    Console &console, const QString &argument, const QByteArray &body, double spacingMetres);

// Reports a list that the converter refuses, the way `convert` does.
void reportRefusedList(Console &console, const QString &argument, const Kgw::ListResult &list);

// "1 quadruple", "2 quadruples": how reports count things.
QString counted(int count, const QString &noun);

// x, z and K as the tables print them: metres with three decimals, "inf" or "nan".
QString metres(double value);

} // namespace Cli

#endif
