#ifndef KGW_CLI_INPUT_H
#define KGW_CLI_INPUT_H

#include "quadruple.h"

#include <QCommandLineOption>
#include <QStringList>
#include <QVector>

#include <optional>

namespace Kgw {
enum class ExchangeFormat;
} // namespace Kgw

namespace Cli {

class CommandLine;
class Console;

// The configurations of one input, with the spacing that goes with them.
struct Input {
    QString argument; // as named on the command line
    QVector<Kgw::Quadruple> quadruples;
    double spacingMetres = 0; // a sequence or unified data file's own, else --spacing
    bool ownSpacing = false; // the file gave the spacing
    bool sequenceFile = false; // read from a sequence file, which has no lines
    QVector<qint64> lineNumbers; // each quadruple's line where other lines come between
    QVector<double> heights; // a unified data file's electrode heights, to be written again
    // The quadruples that repeat an electrode or give no signal, as a list or an exchange file
    // counts them while it is read; a sequence file's are not counted.
    int unmeasurable = 0;

    qint64 lineNumber(int index) const
    {
        return lineNumbers.isEmpty() ? index + 1 : lineNumbers.at(index);
    }
};

// How a command reads its inputs: as electrode lists; as sequence files, told by their *.KGW
// names, where the command takes them; or, with --from, in an exchange format. A file that
// records a spacing must agree with --spacing where both are given.
class InputReader
{
public:
    enum Sequences { ListsOnly, TakesSequences };

    // Adds --from; the command adds --spacing itself.
    InputReader(CommandLine &commandLine, Sequences sequences);

    // After parsing, checks --from and --spacing. Reports a usage error and returns false.
    bool accept();

    // Reads an input, or reports its refusal as its reader words it and returns nothing. With
    // `needsSpacing`, a sequence file at a spacing the window never writes is refused, since
    // every position taken from it would be wrong.
    std::optional<Input> read(
        Console &console, const QString &argument, bool needsSpacing = false) const;

private:
    bool isSequence(const QString &argument) const;

    CommandLine &m_commandLine;
    Sequences m_sequences;
    QCommandLineOption m_from;
    std::optional<Kgw::ExchangeFormat> m_format;
    double m_spacing = 0;
};

} // namespace Cli

#endif
