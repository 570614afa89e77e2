#ifndef KGW_CLI_ARGUMENTS_H
#define KGW_CLI_ARGUMENTS_H

#include "quadruple.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

namespace Kgw {
enum class ExchangeExtent;
enum class ExchangeFormat;
struct ExchangeResult;
struct FileContent;
struct ListResult;
struct SequenceResult;
struct TopographyResult;
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
Kgw::ExchangeResult readExchangeArgument(const QString &argument, Kgw::ExchangeFormat format,
    std::optional<qint32> spacingMillimetres, Kgw::ExchangeExtent extent);
Kgw::TopographyResult readTopographyArgument(const QString &argument);

// Whether `output` may be written for `input` (empty when there is none): never over the input
// itself, and never under a name other than the one given. Reports a refusal.
bool outputAllowed(Console &console, const QString &input, const QString &output);

Kgw::WriteResult saveArgument(
    Console &console, const QString &argument, const Kgw::FileContent &content);
// Writes configurations as a sequence file at the spacing, or else as an electrode list, and
// reports a failure. Returns whether they were written.
bool writeConfigurationsArgument(Console &console, const QString &argument,
    const QVector<Kgw::Quadruple> &configurations, bool asSequence, double spacingMetres);

// Writes a text file, such as an electrode list, and reports a failure to create or write the
// `kind` of file. Returns whether it was written.
bool writeTextArgument(Console &console, const QString &argument, const Kgw::FileContent &content,
    const QString &kind);
Kgw::WriteResult writeSequenceArgument(Console &console, const QString &argument,
    const QVector<Kgw::Quadruple> &quadruples, double spacingMetres);

} // namespace Cli

#endif
