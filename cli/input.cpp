#include "input.h"

#include "arguments.h"
#include "commandline.h"
#include "console.h"
#include "report.h"

#include "electrodelist.h"
#include "sequencereader.h"
#include "sequencewriter.h"

#include <algorithm>

namespace Cli {

QVector<Kgw::LineQuadruple> Input::lineRows() const
{
    if (isLine())
        return lineQuadruples;
    QVector<Kgw::LineQuadruple> rows;
    rows.reserve(quadruples.size());
    for (const Kgw::Quadruple &q : quadruples)
        rows.append(Kgw::LineQuadruple(q.a, q.b, q.m, q.n));
    return rows;
}

InputReader::InputReader(CommandLine &commandLine, Sequences sequences, Kgw::ExchangeExtent extent)
    : m_commandLine(commandLine)
    , m_sequences(sequences)
    , m_extent(extent)
    , m_from(QStringLiteral("from"),
          QStringLiteral("Read the input as FORMAT: unified (the unified data format of the open "
                         "inversion packages) or csv (a header naming columns a, b, m and n)."),
          QStringLiteral("FORMAT"))
{
    commandLine.parser().addOption(m_from);
}

bool InputReader::accept()
{
    const QCommandLineParser &parser = m_commandLine.parser();
    if (parser.isSet(m_from)) {
        m_format = Kgw::findExchangeFormat(parser.value(m_from));
        if (!m_format) {
            m_commandLine.usageError(QStringLiteral("unknown format '%1': give %2")
                                         .arg(parser.value(m_from), Kgw::allowedExchangeFormats()));
            return false;
        }
    } else {
        m_format = m_defaultFormat;
    }
    const std::optional<double> spacing = m_commandLine.spacing();
    m_spacing = spacing.value_or(0);
    return spacing.has_value();
}

bool InputReader::isSequence(const QString &argument) const
{
    return !m_format && m_sequences != ListsOnly
        && argument.endsWith(QLatin1String(".KGW"), Qt::CaseInsensitive);
}

namespace {

// A file read whole is a line when it is longer than the cable, or records the spreads it was
// planned in; any other is the cable's, as a cable's reader reads it.
void takeLine(const Kgw::ExchangeResult &file, Input *input)
{
    int positions = file.heights.size();
    if (file.heights.isEmpty()) {
        for (const Kgw::LineQuadruple &q : file.lineQuadruples)
            positions = std::max<int>({ positions, q.a, q.b, q.m, q.n });
    }
    // Planning a line takes any file's rows in line positions, a cable's too.
    input->lineQuadruples = file.lineQuadruples;
    if (positions > Kgw::CablePositions || file.layout) {
        input->lineElectrodes = positions;
        input->layout = file.layout;
        return;
    }
    input->quadruples.reserve(file.lineQuadruples.size());
    for (const Kgw::LineQuadruple &q : file.lineQuadruples)
        input->quadruples.append(Kgw::Quadruple(q.a, q.b, q.m, q.n));
}

} // namespace

std::optional<Input> InputReader::read(
    Console &console, const QString &argument, bool needsSpacing) const
{
    Input input;
    input.argument = argument;
    input.spacingMetres = m_spacing;
    if (m_format) {
        // A unified data file's positions are checked against a spacing given, else they give it.
        const std::optional<qint32> given = m_commandLine.spacingGiven()
            ? std::optional<qint32>(Kgw::spacingToMillimetres(m_spacing))
            : std::nullopt;
        const Kgw::ExchangeResult file = readExchangeArgument(argument, *m_format, given, m_extent);
        if (!file.ok()) {
            reportRefusedList(console, argument, file);
            return std::nullopt;
        }
        if (!file.warning.isEmpty())
            console.diagnostic(inputName(argument), file.warningLineNumber, file.warning);
        const auto [lowest, highest]
            = std::minmax_element(file.heights.cbegin(), file.heights.cend());
        if (lowest != file.heights.cend() && *lowest != *highest) {
            console.diagnostic(inputName(argument), 0,
                QStringLiteral("electrodes at heights from %1 to %2 m: geometric factors and "
                               "models are those of a flat ground")
                    .arg(*lowest)
                    .arg(*highest));
        }
        input.quadruples = file.quadruples;
        input.unmeasurable = file.unmeasurable;
        if (m_extent == Kgw::ExchangeExtent::WholeLine)
            takeLine(file, &input);
        input.lineNumbers = file.lineNumbers;
        input.heights = file.heights;
        input.data = file.data;
        if (file.spacingMillimetres > 0) {
            input.spacingMetres = file.spacingMillimetres / 1000.0;
            input.ownSpacing = true;
        }
    } else if (isSequence(argument)) {
        const Kgw::SequenceResult sequence = readSequenceArgument(argument);
        if (!sequence.ok()) {
            console.ioFailure(inputName(argument), sequence.message, sequence.errorString);
            return std::nullopt;
        }
        const QString warning = sequence.spacingWarning();
        if (needsSpacing && !warning.isEmpty()) {
            console.diagnostic(inputName(argument), 0, warning);
            return std::nullopt;
        }
        if (m_commandLine.spacingGiven()
            && sequence.spacingMillimetres != Kgw::spacingToMillimetres(m_spacing)) {
            console.diagnostic(inputName(argument), 0,
                QStringLiteral("Spacing %1 m differs from --spacing %2 m; give the file's or none")
                    .arg(metres(sequence.spacingMetres()), metres(m_spacing)));
            return std::nullopt;
        }
        input.quadruples = sequence.quadruples;
        input.spacingMetres = sequence.spacingMetres();
        input.ownSpacing = true;
        input.sequenceFile = true;
    } else {
        const Kgw::ListResult list = readListArgument(argument);
        if (!list.ok()) {
            reportRefusedList(console, argument, list);
            return std::nullopt;
        }
        input.quadruples = list.quadruples;
        input.unmeasurable = list.unmeasurable;
        reportLinesAfterEnd(console, argument, list);
    }
    return input;
}

std::optional<int> refuseUnsimulable(CommandLine &commandLine, Console &console, const Input &input)
{
    if (!commandLine.spacingKnown(
            input.ownSpacing, QStringLiteral("each reading"), inputName(input.argument)))
        return ExitUsage;
    if (input.unmeasurable > 0)
        return refuse(console, inputName(input.argument),
            QStringLiteral("configurations that repeat an electrode or give no signal, which no "
                           "instrument reads: %1; kgw check names them")
                .arg(input.unmeasurable));
    return std::nullopt;
}

} // namespace Cli
