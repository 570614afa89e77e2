#ifndef KGW_CLI_INPUT_H
#define KGW_CLI_INPUT_H

#include "exchange.h"
#include "line.h"
#include "quadruple.h"

#include <QCommandLineOption>
#include <QStringList>
#include <QVector>

#include <optional>

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
    Kgw::DataColumns data; // an exchange file's data columns, a value per row
    // The quadruples that repeat an electrode or give no signal, as a list or an exchange file
    // counts them while it is read; a sequence file's are not counted.
    int unmeasurable = 0;
    // Read with the whole line as the extent, every file gives its rows here in line positions.
    // One of more electrodes than the cable's, or one that records the spreads it was planned
    // in, is a line: it gives the line's length and its spreads, and no quadruples; any other
    // is read as a cable's as well.
    QVector<Kgw::LineQuadruple> lineQuadruples;
    int lineElectrodes = 0;
    std::optional<Kgw::SpreadLayout> layout;

    bool isLine() const { return lineElectrodes > 0; }
    // The rows in line positions, whether read as a line or as a cable's.
    QVector<Kgw::LineQuadruple> lineRows() const;

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

    // Adds --from; the command adds --spacing itself. With the whole line as the extent, a
    // unified data or CSV file is read as a whole line (see Input).
    InputReader(CommandLine &commandLine, Sequences sequences,
        Kgw::ExchangeExtent extent = Kgw::ExchangeExtent::Cable);

    // The format an input is read in where --from is not given, for a command that takes only
    // exchange files; by default such an input is an electrode list.
    void setDefaultFormat(Kgw::ExchangeFormat format) { m_defaultFormat = format; }

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
    Kgw::ExchangeExtent m_extent;
    QCommandLineOption m_from;
    std::optional<Kgw::ExchangeFormat> m_format;
    std::optional<Kgw::ExchangeFormat> m_defaultFormat;
    double m_spacing = 0;
};

// Whether the readings of a read input can be worked out over a ground: the positions need a
// spacing someone gave, and no instrument reads a row that repeats an electrode or gives no
// signal. Reports why not and returns the exit status; nothing where they can.
std::optional<int> refuseUnsimulable(
    CommandLine &commandLine, Console &console, const Input &input);

} // namespace Cli

#endif
