#ifndef KGW_CLI_ARGUMENTS_H
#define KGW_CLI_ARGUMENTS_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include "quadruple.h"

#include <optional>

namespace Kgw {
struct FileContent;
struct ListResult;
struct Quadruple;
struct SequenceResult;
struct WriteResult;
} // namespace Kgw

namespace Cli {

class Console;

// Files named on the command line: "-" names standard input, or standard output where an
// output is named.
bool isStandardStream(const QString &argument);
// The names diagnostics give an input and an output.
QString inputName(const QString &argument);
QString outputName(const QString &argument);

// Keeps the bytes of every argument that decoding in the locale's encoding altered, so that a
// file of such a name can still be read. Called once, with main's arguments.
void keepArgumentBytes(int argc, char *argv[]);

Kgw::ListResult readListArgument(const QString &argument);
Kgw::SequenceResult readSequenceArgument(const QString &argument);

// A sequence file is told from an electrode list by its name, as the window names it.
bool isSequenceFileName(const QString &argument);

// One input of a command that takes electrode lists and sequence files alike, read.
struct SequenceInput {
    QString argument;
    QVector<Kgw::Quadruple> quadruples;
    double spacing = 0; // a sequence file's own; 0 for a list
};

// Reads a list or a sequence file, reporting a refusal the way convert or inspect does. A
// sequence file at a spacing the window never writes is refused too: every position and depth
// taken from it would be wrong.
std::optional<SequenceInput> readSequenceInput(Console &console, const QString &argument);

// Whether `output` may be written for `input` (empty when there is none): never over the input
// itself, and never under a name other than the one given. Reports a refusal.
bool outputAllowed(Console &console, const QString &input, const QString &output);

Kgw::WriteResult saveArgument(
    Console &console, const QString &argument, const Kgw::FileContent &content);
Kgw::WriteResult writeSequenceArgument(Console &console, const QString &argument,
    const QVector<Kgw::Quadruple> &quadruples, double spacingMetres);

} // namespace Cli

#endif
