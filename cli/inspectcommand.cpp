#include "arguments.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "input.h"
#include "report.h"

#include "depth.h"
#include "geometry.h"
#include "quadruple.h"
#include "sequencereader.h"

#include <QFile>

namespace Cli {

namespace {

// Beyond this many, differing header bytes are counted rather than listed: a file from
// another source may differ in most of them.
constexpr int ListedHeaderDifferences = 16;

// Reports header bytes, a spacing and a count that this program would not write. Returns true
// when there were any.
bool reportHeaderDifferences(
    Console &console, const QString &name, const Kgw::SequenceResult &sequence)
{
    const QVector<Kgw::HeaderDifference> &differences = sequence.headerDifferences;
    for (int i = 0; i < differences.size() && i < ListedHeaderDifferences; ++i)
        console.diagnostic(name, 0, Kgw::headerDifferenceMessage(differences.at(i)));
    if (differences.size() > ListedHeaderDifferences) {
        console.diagnostic(name, 0,
            QStringLiteral("%1 more header bytes differ")
                .arg(differences.size() - ListedHeaderDifferences));
    }
    bool warned = !differences.isEmpty();
    for (const QString &warning : { sequence.spacingWarning(), sequence.countWarning() }) {
        if (!warning.isEmpty()) {
            console.diagnostic(name, 0, warning);
            warned = true;
        }
    }
    return warned;
}

// A row as inspect prints it: A B M N, then, with the geometry, x z K.
template <typename Row>
void printRow(QTextStream &out, const Row &q, double spacing, bool geometry)
{
    out << q.a << ' ' << q.b << ' ' << q.m << ' ' << q.n;
    if (geometry) {
        out << ' ' << metres(Kgw::pseudoPosition(q, spacing)) << ' '
            << metres(Kgw::medianDepth(q, spacing)) << ' '
            << metres(Kgw::geometricFactor(q, spacing));
    }
}

// A unified data or CSV file: its rows as a sequence file's are listed, and for a whole line its
// length, its spreads and the spread that holds each row.
int inspectExchange(
    CommandLine &commandLine, Console &console, const InputReader &reader, bool list, bool geometry)
{
    const QString argument = commandLine.parser().positionalArguments().first();
    const std::optional<Input> input = reader.read(console, argument, geometry);
    if (!input)
        return ExitRefused;
    QTextStream &out = console.out();
    const double spacing = input->spacingMetres;
    const int count = input->isLine() ? input->lineQuadruples.size() : input->quadruples.size();
    const std::optional<Kgw::SpreadLayout> &layout = input->layout;
    if (geometry) {
        out << "# A B M N x z K\n";
    } else if (!list) {
        out << "quadruples: " << count << '\n'
            << "spacing: " << commandLine.spacingUsed(spacing, input->ownSpacing) << '\n';
        if (input->isLine())
            out << "line: " << lineText(input->lineElectrodes, layout) << '\n';
        for (int k = 1; layout && k <= layout->count(); ++k) {
            const int first = layout->firstPosition(k);
            const int last = first + layout->electrodes() - 1;
            out << "spread " << k << ": positions " << first << '-' << last << ", x "
                << metres((first - 1) * spacing) << " to " << metres((last - 1) * spacing)
                << " m\n";
        }
        if (layout)
            out << "# A B M N spread\n";
    }
    for (int i = 0; i < count; ++i) {
        if (input->isLine()) {
            const Kgw::LineQuadruple &q = input->lineQuadruples.at(i);
            printRow(out, q, spacing, geometry);
            if (layout && !list && !geometry)
                out << ' ' << layout->firstHolding(q);
        } else {
            printRow(out, input->quadruples.at(i), spacing, geometry);
        }
        out << '\n';
    }
    return ExitSuccess;
}

} // namespace

int runInspect(const QStringList &arguments, Console &console)
{
    CommandLine commandLine(console, QStringLiteral("inspect"),
        QStringLiteral("Reads a KGW sequence file back and lists its quadruples as A B M N, the "
                       "column order of an electrode list.\n"
                       "With --from, FILE is a unified data or CSV file, listed the same way; one "
                       "of more than 48 electrodes, or one that records the spreads it was "
                       "planned in (kgw rollalong's PREFIX.dat), is a whole line: its rows are in "
                       "line positions, and the listing names the line's spreads and, for each "
                       "row, the first spread that holds it (0 for none).\n"
                       "Exit status: 0 for a file as KGW make writes it, 1 when it is refused or "
                       "its header differs, 2 for a usage error."));
    commandLine.addSpacingOption(QStringLiteral("With --from, "));
    const QCommandLineOption listOnly(QStringLiteral("list"),
        QStringLiteral("Print only the quadruples: an electrode list that converts back to the "
                       "same file at the same spacing."));
    const QCommandLineOption geometry(QStringLiteral("geometry"),
        QStringLiteral("Print A B M N x z K per quadruple: pseudo-position, median depth and "
                       "geometric factor in metres."));
    commandLine.parser().addOption(listOnly);
    commandLine.parser().addOption(geometry);
    InputReader reader(commandLine, InputReader::ListsOnly, Kgw::ExchangeExtent::WholeLine);
    commandLine.parser().addPositionalArgument(QStringLiteral("FILE"),
        QStringLiteral("Sequence file; - reads it from standard input."), QStringLiteral("FILE"));
    if (const std::optional<int> status = commandLine.parse(arguments))
        return *status;

    const QStringList files = commandLine.parser().positionalArguments();
    if (files.size() != 1)
        return commandLine.usageError(QStringLiteral("give exactly one sequence file"));
    if (commandLine.parser().isSet(listOnly) && commandLine.parser().isSet(geometry))
        return commandLine.usageError(QStringLiteral("--list and --geometry exclude each other"));
    const bool exchange = commandLine.parser().isSet(QStringLiteral("from"));
    if (!exchange && commandLine.spacingGiven())
        return commandLine.usageError(
            QStringLiteral("--spacing applies only with --from: a sequence file records its own"));
    if (exchange) {
        if (!reader.accept())
            return ExitUsage;
        return inspectExchange(commandLine, console, reader, commandLine.parser().isSet(listOnly),
            commandLine.parser().isSet(geometry));
    }

    const QString name = inputName(files.first());
    const Kgw::SequenceResult sequence = readSequenceArgument(files.first());
    if (!sequence.ok()) {
        console.ioFailure(name, sequence.message, sequence.errorString);
        return ExitRefused;
    }
    const int status = reportHeaderDifferences(console, name, sequence) ? ExitRefused : ExitSuccess;

    QTextStream &out = console.out();
    const double spacing = sequence.spacingMetres();
    const int count = sequence.quadruples.size();
    if (commandLine.parser().isSet(geometry)) {
        out << "# A B M N x z K\n";
    } else if (!commandLine.parser().isSet(listOnly)) {
        out << "quadruples: " << count << '\n' << "spacing: " << metres(spacing) << " m\n";
    }
    for (int i = 0; i < count; ++i) {
        const Kgw::Quadruple &q = sequence.quadruples.at(i);
        out << q.a << ' ' << q.b << ' ' << q.m << ' ' << q.n;
        if (commandLine.parser().isSet(geometry)) {
            out << ' ' << metres(Kgw::pseudoPosition(q, spacing)) << ' '
                << metres(Kgw::medianDepth(q, spacing)) << ' '
                << metres(Kgw::geometricFactor(q, spacing));
        }
        out << '\n';
    }
    return status;
}

} // namespace Cli
