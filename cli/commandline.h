#ifndef KGW_CLI_COMMANDLINE_H
#define KGW_CLI_COMMANDLINE_H

#include "options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <optional>

namespace Cli {

class Console;

// Where a command that makes configurations writes them: an electrode list on standard output,
// -o LIST, or a sequence file with --kgw FILE ("-" is standard output for either).
struct ConfigurationsTarget {
    QString name;
    bool asSequence = false;
};

// A command's parser with the conventions every command shares: its own --help, usage errors
// with exit status 2, and the --spacing option. Every value that fails to parse is reported as a
// usage error here, so that a command only has to return ExitUsage.
class CommandLine
{
public:
    CommandLine(Console &console, const QString &command, const QString &description);

    QCommandLineParser &parser() { return m_parser; }

    // Adds the option as the settings table describes it, with the command's own help where it
    // says more than the table's (`ownHelp`, which may hold {range} and {default}), or its own
    // use or default in the table's help.
    void add(const Kgw::Option &option, const char *ownHelp = nullptr,
        const QString &ownUse = QString(), const QString &ownDefault = QString());
    bool isSet(const Kgw::Option &option) const;
    // The text given, or the default's.
    QString text(const Kgw::Option &option) const;
    // The number given, else the default; none where the option has none. False after a usage
    // error, the option's refusal.
    bool read(const Kgw::Option &option, std::optional<double> *value);
    // Whether the option takes the text; reports its refusal as a usage error where not.
    bool accepts(const Kgw::Option &option, const QString &given);
    // The same for an option with a default; nothing after a usage error.
    std::optional<double> number(const Kgw::Option &option);
    std::optional<int> whole(const Kgw::Option &option);

    // Adds --spacing METRES, defaulting to 5 unless `defaulted` is false, where the command takes
    // no spacing that nobody gave. A command that uses it only now and then says when in `use`,
    // which stands before the allowed values in the help.
    void addSpacingOption(const QString &use = QString(), bool defaulted = true);
    // Whether --spacing was given at all, not merely defaulted.
    bool spacingGiven() const { return isSet(Kgw::Options::Spacing); }
    // The spacing a command recorded or used, as its confirmation names it: "1.000 m". A wrong
    // spacing puts every position off, so where it is the default, as neither --spacing nor an
    // input (`inputGaveIt`) gave one, this says so on standard error, once. Call it before
    // writing the line its text goes into: the note flushes standard output.
    QString spacingUsed(double metres, bool inputGaveIt = false);

    // Parses and handles --help. Returns the exit status when the command ends here: after the
    // help, or after a usage error.
    std::optional<int> parse(const QStringList &arguments);

    // A wrong spacing puts every position off, so a command that cannot work without one takes
    // none it was not given: true when --spacing or its input (`inputGaveIt`) gave it, else a
    // usage error that names what `needs` it and the `input` that records none (none given
    // where empty).
    bool spacingKnown(bool inputGaveIt, const QString &needs, const QString &input = QString());

    // The --spacing value; nothing after a usage error.
    std::optional<double> spacing() { return number(Kgw::Options::Spacing); }

    // Adds -o LIST and --kgw FILE.
    void addConfigurationsOutput();
    // The output they name; nothing after a usage error: when both are given, or, unless
    // `inputMayGiveSpacing`, when --kgw is given without --spacing (see sequenceSpacingKnown).
    std::optional<ConfigurationsTarget> configurationsOutput(bool inputMayGiveSpacing = false);
    // A sequence file records the spacing the field data will be located with, so --kgw is
    // written only at one that was given: by --spacing, or by an input that records one
    // (`inputGaveIt`). Otherwise reports a usage error and returns false. A command whose input
    // may give the spacing calls this once it has read the input, before writing anything.
    bool sequenceSpacingKnown(const ConfigurationsTarget &target, bool inputGaveIt);

    // Whether a picture can be drawn to `fileName`, as --picture names it: by its extension, and
    // .svg only where this kgw has Qt SVG. Otherwise reports a usage error and returns false.
    bool pictureNameAccepted(const QString &fileName);

    // Reports a usage error of this command and returns its exit status.
    int usageError(const QString &message);

private:
    Console &m_console;
    QString m_command;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_listOutput;
    QCommandLineOption m_sequenceOutput;
    bool m_defaultSpacingReported = false;
};

// The parser's help with "Usage: kgw COMMAND" in place of the executable's path.
QString helpText(const QCommandLineParser &parser, const QString &usage);

} // namespace Cli

#endif
