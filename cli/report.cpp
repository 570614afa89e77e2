#include "report.h"

#include "arguments.h"
#include "console.h"
#include "electrodelist.h"
#include "groundfile.h"

#include <QtMath>

namespace Cli {

void reportRefusedList(Console &console, const QString &argument, const Kgw::ListResult &list)
{
    switch (list.status) {
    case Kgw::ListResult::OpenFailed:
    case Kgw::ListResult::ReadFailed:
    case Kgw::ListResult::TooLarge:
        console.ioFailure(inputName(argument), list.message, list.errorString);
        break;
    default:
        console.diagnostic(inputName(argument), list.lineNumber,
            list.hint.isEmpty() ? list.message : list.message + QLatin1Char(' ') + list.hint);
        break;
    }
}

void reportLinesAfterEnd(Console &console, const QString &argument, const Kgw::ListResult &list)
{
    const QString text = list.linesAfterEndText();
    if (!text.isEmpty())
        console.diagnostic(inputName(argument), list.endLineNumber, text);
}

QString figure(double value)
{
    return QString::number(value, 'f', 3);
}

QString reciprocalShortfall(int added, int asked)
{
    if (added >= asked)
        return QString();
    return QStringLiteral(", %1 of the %2 reciprocals asked for: the others repeat a row or break "
                          "--max-dipole")
        .arg(added)
        .arg(asked);
}

void reportRefusedGround(Console &console, const Kgw::GroundFileResult &ground)
{
    const QString reason = ground.errorString.isEmpty()
        ? ground.message
        : ground.message + QStringLiteral(": ") + ground.errorString;
    console.diagnostic(inputName(ground.fileName), ground.lineNumber, reason);
}

std::optional<Kgw::Ground> readGroundArgument(
    Console &console, const QString &file, const QRectF &area, const QString &areaWords)
{
    const Kgw::GroundFileResult read = Kgw::readGroundFile(file);
    if (!read.ok()) {
        reportRefusedGround(console, read);
        return std::nullopt;
    }
    for (const int shape : read.ground->shapesOutside(area)) {
        console.diagnostic(file, read.shapeLines.at(shape),
            QStringLiteral("The %1 lies outside %2, x %3 to %4 m and depth 0 to %5 m")
                .arg(Kgw::groundKeyword(read.ground->shapeKind(shape)), areaWords,
                    Kgw::metres(area.left()), Kgw::metres(area.right()),
                    Kgw::metres(area.bottom())));
    }
    return read.ground;
}

int refuse(Console &console, const QString &file, const QString &reason)
{
    console.diagnostic(file, 0, reason.left(1).toUpper() + reason.mid(1));
    return ExitRefused;
}

QString lineText(int electrodes, const std::optional<Kgw::SpreadLayout> &layout)
{
    QString text = Kgw::counted(electrodes, QStringLiteral("electrode"));
    if (!layout)
        return text;
    text += QStringLiteral(", %1 of %2 moved by %3")
                .arg(Kgw::counted(layout->count(), QStringLiteral("spread")))
                .arg(layout->electrodes())
                .arg(layout->move());
    if (layout->count() > 1 && layout->lastMove() != layout->move())
        text += QStringLiteral(", the last by %1").arg(layout->lastMove());
    return text;
}

} // namespace Cli
