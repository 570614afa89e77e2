#include "groundfile.h"

#include "exchange.h"
#include "iodevice.h"
#include "linereader.h"
#include "textutil.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QPair>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace Kgw {

namespace {

// Why a line fails, or nothing.
using Problem = std::optional<QString>;

Problem resistivity(const QString &word, double *value)
{
    bool ok = false;
    *value = QLocale::c().toDouble(word, &ok);
    if (!ok)
        return QStringLiteral("rho is not a number (%1)").arg(quotedWord(word));
    if (!(*value > 0) || !std::isfinite(*value))
        return QStringLiteral("rho must be finite and above 0 ohm m (%1)").arg(quotedWord(word));
    return std::nullopt;
}

Problem wrongCount(const QString &keyword, const QString &takes, int wanted, int found)
{
    return QStringLiteral("%1 takes %2: %3, found %4")
        .arg(keyword, takes, counted(wanted, QStringLiteral("number")))
        .arg(found);
}

// A grid file's rows of cell centres.
struct GridRows {
    GroundFileResult failure; // status Ok when the rows are read
    QVector<GroundGridPoint> points;
};

GridRows readGridRows(const QString &path)
{
    GridRows grid;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        grid.failure
            = loadFailure<GroundFileResult>(GroundFileResult::OpenFailed, file.errorString());
        grid.failure.message = QStringLiteral("Failed to load grid file");
        return grid;
    }
    LineReader lines(&file);
    const auto refuse = [&](const QString &message) {
        grid.failure.status = GroundFileResult::BadLine;
        grid.failure.message = message;
        grid.failure.fileName = path;
        grid.failure.lineNumber = lines.lineNumber();
        return grid;
    };
    // A point given twice would paint one cell twice over, and a crew would not know which holds.
    QHash<QPair<double, double>, qint64> seen;
    while (const std::optional<QString> line = lines.next()) {
        const QStringList words = wordsOf(*line);
        if (words.isEmpty())
            continue;
        if (words.size() != 3)
            return refuse(QStringLiteral("Expected an \"x z rho\" row of numbers, found %1")
                              .arg(counted(words.size(), QStringLiteral("word"))));
        GroundGridPoint p;
        Problem problem = coordinateProblem(QStringLiteral("x"), words.at(0), &p.x);
        problem = problem ? problem : coordinateProblem(QStringLiteral("z"), words.at(1), &p.z);
        problem = problem ? problem : resistivity(words.at(2), &p.rho);
        if (problem)
            return refuse(*problem);
        const qint64 first = seen.value(qMakePair(p.x, p.z), 0);
        if (first > 0)
            return refuse(QStringLiteral("Point x = %1, z = %2 is given twice, first on line %3")
                              .arg(p.x)
                              .arg(p.z)
                              .arg(first));
        seen.insert(qMakePair(p.x, p.z), lines.lineNumber());
        grid.points.append(p);
    }
    if (lines.failed()) {
        grid.failure
            = loadFailure<GroundFileResult>(GroundFileResult::ReadFailed, lines.errorString());
        grid.failure.fileName = path;
    } else if (lines.tooLong()) {
        refuse(QStringLiteral("Line is longer than %1 characters").arg(MaxLineLength));
    }
    return grid;
}

// How many distinct values the points hold along one axis.
template <typename Get>
qint64 distinct(const QVector<GroundGridPoint> &points, Get get)
{
    QVector<double> values;
    values.reserve(points.size());
    for (const GroundGridPoint &p : points)
        values.append(get(p));
    std::sort(values.begin(), values.end());
    return std::unique(values.begin(), values.end()) - values.begin();
}

class GroundReader
{
public:
    GroundReader(QIODevice *device, const QString &fileName)
        : m_lines(device)
        , m_fileName(fileName)
    { }

    GroundFileResult read();

private:
    Problem readLine(const QString &keyword, const QStringList &words, const QString &line);
    Problem readGrid(const QString &line);
    GroundFileResult refusal(const QString &message) const;

    LineReader m_lines;
    QString m_fileName;
    double m_background = 0;
    qint64 m_backgroundLine = 0;
    // The shapes as read, added to the ground once its background is known.
    QVector<std::function<void(Ground &)>> m_shapes;
    QVector<qint64> m_shapeLines;
    // Set where the fault lies in a grid file rather than on the ground file's line.
    std::optional<GroundFileResult> m_gridFailure;
};

GroundFileResult GroundReader::refusal(const QString &message) const
{
    GroundFileResult result;
    result.status = GroundFileResult::BadLine;
    result.message = message;
    result.fileName = m_fileName;
    result.lineNumber = m_lines.lineNumber();
    return result;
}

GroundFileResult GroundReader::read()
{
    while (const std::optional<QString> line = m_lines.next()) {
        QStringList words = wordsOf(*line);
        if (words.isEmpty())
            continue;
        const QString keyword = words.takeFirst().toLower();
        if (const Problem problem = readLine(keyword, words, *line))
            return m_gridFailure ? *m_gridFailure : refusal(*problem);
    }
    if (m_lines.failed()) {
        GroundFileResult failed
            = loadFailure<GroundFileResult>(GroundFileResult::ReadFailed, m_lines.errorString());
        failed.fileName = m_fileName;
        return failed;
    }
    if (m_lines.tooLong())
        return refusal(QStringLiteral("Line is longer than %1 characters").arg(MaxLineLength));
    if (m_backgroundLine == 0) {
        GroundFileResult result = refusal(
            QStringLiteral("No background resistivity: the file needs a line \"background RHO\""));
        result.lineNumber = 0;
        return result;
    }
    GroundFileResult result;
    result.fileName = m_fileName;
    result.ground.emplace(m_background);
    for (const auto &add : m_shapes)
        add(*result.ground);
    result.shapeLines = m_shapeLines;
    return result;
}

Problem GroundReader::readLine(
    const QString &keyword, const QStringList &words, const QString &line)
{
    const int count = words.size();
    double v[5];
    if (keyword == QLatin1String("background")) {
        if (count != 1)
            return wrongCount(keyword, QStringLiteral("rho"), 1, count);
        if (m_backgroundLine > 0)
            return QStringLiteral("Background is given twice, first on line %1")
                .arg(m_backgroundLine);
        if (const Problem problem = resistivity(words.at(0), &m_background))
            return problem;
        m_backgroundLine = m_lines.lineNumber();
        return std::nullopt;
    }
    if (keyword == QLatin1String("layer")) {
        if (count != 3)
            return wrongCount(keyword, QStringLiteral("top, bottom and rho"), 3, count);
        Problem problem = coordinateProblem(QStringLiteral("top"), words.at(0), &v[0]);
        if (words.at(1).compare(QLatin1String("inf"), Qt::CaseInsensitive) == 0)
            v[1] = std::numeric_limits<double>::infinity();
        else
            problem = problem ? problem
                              : coordinateProblem(QStringLiteral("bottom"), words.at(1), &v[1]);
        problem = problem ? problem : resistivity(words.at(2), &v[2]);
        if (problem)
            return problem;
        if (v[0] >= v[1])
            return QStringLiteral("top must lie above bottom (%1 is not below %2)")
                .arg(quotedWord(words.at(1)), quotedWord(words.at(0)));
        m_shapes.append([=](Ground &g) { g.addLayer(v[0], v[1], v[2]); });
    } else if (keyword == QLatin1String("block")) {
        if (count != 5)
            return wrongCount(keyword, QStringLiteral("x0, x1, z0, z1 and rho"), 5, count);
        static const char *const names[4] = { "x0", "x1", "z0", "z1" };
        for (int i = 0; i < 4; ++i) {
            if (const Problem problem
                = coordinateProblem(QLatin1String(names[i]), words.at(i), &v[i]))
                return problem;
        }
        if (const Problem problem = resistivity(words.at(4), &v[4]))
            return problem;
        for (int i = 0; i < 4; i += 2) {
            if (v[i] >= v[i + 1])
                return QStringLiteral("%1 must be less than %2 (%3 is not below %4)")
                    .arg(QLatin1String(names[i]), QLatin1String(names[i + 1]),
                        quotedWord(words.at(i)), quotedWord(words.at(i + 1)));
        }
        m_shapes.append([=](Ground &g) { g.addBlock(v[0], v[1], v[2], v[3], v[4]); });
    } else if (keyword == QLatin1String("polygon")) {
        if (count < 7 || count % 2 == 0)
            return QStringLiteral("polygon takes rho and then the x z pairs of at least 3 points: "
                                  "found %1 after rho")
                .arg(counted(std::max(count - 1, 0), QStringLiteral("number")));
        if (const Problem problem = resistivity(words.at(0), &v[0]))
            return problem;
        QVector<QPointF> outline;
        for (int i = 1; i < count; i += 2) {
            double x;
            double z;
            Problem problem = coordinateProblem(QStringLiteral("x"), words.at(i), &x);
            problem
                = problem ? problem : coordinateProblem(QStringLiteral("z"), words.at(i + 1), &z);
            if (problem)
                return problem;
            outline.append(QPointF(x, z));
        }
        if (!isSimplePolygon(outline))
            return QStringLiteral("The polygon's outline crosses or touches itself, or turns back "
                                  "on itself");
        const double rho = v[0];
        m_shapes.append([=](Ground &g) { g.addPolygon(outline, rho); });
    } else if (keyword == QLatin1String("grid")) {
        if (const Problem problem = readGrid(line))
            return problem;
    } else {
        return QStringLiteral("Unknown keyword %1: expected background, layer, block, polygon or "
                              "grid")
            .arg(quotedWord(keyword));
    }
    m_shapeLines.append(m_lines.lineNumber());
    return std::nullopt;
}

Problem GroundReader::readGrid(const QString &line)
{
    // The name is the rest of the line, so that it may hold blanks.
    const QString text = line.section(QLatin1Char('#'), 0, 0).trimmed();
    int blank = 0;
    while (blank < text.size() && !text.at(blank).isSpace())
        ++blank;
    const QString name = text.mid(blank).trimmed();
    if (name.isEmpty())
        return QStringLiteral("grid takes the name of a file of \"x z rho\" rows");
    // Cleaned, so that messages name a grid beside a ground file in the working folder as the
    // crew wrote it.
    const QString path = QDir::cleanPath(QFileInfo(m_fileName).dir().filePath(name));
    GridRows rows = readGridRows(path);
    if (rows.failure.status == GroundFileResult::OpenFailed) {
        rows.failure.fileName = m_fileName;
        rows.failure.lineNumber = m_lines.lineNumber();
        rows.failure.message += QStringLiteral(" %1").arg(quotedWord(name));
    }
    if (!rows.failure.ok()) {
        m_gridFailure = rows.failure;
        return rows.failure.message;
    }
    const qint64 columns = distinct(rows.points, [](const GroundGridPoint &p) { return p.x; });
    const qint64 layers = distinct(rows.points, [](const GroundGridPoint &p) { return p.z; });
    if (columns < 2 || layers < 2)
        return QStringLiteral("The grid of %1 needs at least two distinct x and two distinct z, "
                              "found %2 and %3")
            .arg(quotedWord(name))
            .arg(columns)
            .arg(layers);
    if (columns * layers > MaxGroundGridCells)
        return QStringLiteral("The points of %1 lie on no rectangular grid: %2 distinct x by %3 "
                              "distinct z")
            .arg(quotedWord(name))
            .arg(columns)
            .arg(layers);
    const QVector<GroundGridPoint> points = rows.points;
    m_shapes.append([points](Ground &g) { g.addGrid(points); });
    return std::nullopt;
}

} // namespace

QString groundKeyword(Ground::ShapeKind kind)
{
    switch (kind) {
    case Ground::ShapeKind::Layer:
        return QStringLiteral("layer");
    case Ground::ShapeKind::Block:
        return QStringLiteral("block");
    case Ground::ShapeKind::Polygon:
        return QStringLiteral("polygon");
    case Ground::ShapeKind::Grid:
        break;
    }
    return QStringLiteral("grid");
}

FileContent groundFileContent(const Ground &ground)
{
    // The shortest text that reads back as the same double, so nothing drifts on a round trip;
    // an infinite layer bottom comes out as "inf", as the reader takes it.
    const auto number = [](double value) {
        return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
    };
    const auto block = [&](double x0, double x1, double z0, double z1, double rho) {
        return "block " + number(x0) + ' ' + number(x1) + ' ' + number(z0) + ' ' + number(z1) + ' '
            + number(rho) + '\n';
    };
    QVector<QByteArray> lines { "background " + number(ground.background()) + '\n' };
    for (int i = 0; i < ground.shapeCount(); ++i) {
        const Ground::Shape &s = ground.shape(i);
        switch (s.kind) {
        case Ground::ShapeKind::Layer:
            lines.append("layer " + number(s.z0) + ' ' + number(s.z1) + ' ' + number(s.rho) + '\n');
            break;
        case Ground::ShapeKind::Block:
            lines.append(block(s.x0, s.x1, s.z0, s.z1, s.rho));
            break;
        case Ground::ShapeKind::Polygon: {
            QByteArray line = "polygon " + number(s.rho);
            for (const QPointF &p : s.outline)
                line += ' ' + number(p.x()) + ' ' + number(p.y());
            lines.append(line + '\n');
            break;
        }
        case Ground::ShapeKind::Grid: {
            const int layers = s.zEdges.size() - 1;
            for (int c = 0; c + 1 < s.xEdges.size(); ++c) {
                for (int l = 0; l < layers; ++l) {
                    const double rho = s.cells.at(c * layers + l);
                    if (!std::isnan(rho))
                        lines.append(block(s.xEdges.at(c), s.xEdges.at(c + 1), s.zEdges.at(l),
                            s.zEdges.at(l + 1), rho));
                }
            }
            break;
        }
        }
    }
    return FileContent::of(lines);
}

GroundFileResult readGround(QIODevice *device, const QString &fileName)
{
    return GroundReader(device, fileName).read();
}

GroundFileResult readGroundFile(const QString &fileName)
{
    GroundFileResult result = readFile<GroundFileResult>(
        fileName, [&](QIODevice *device) { return readGround(device, fileName); });
    if (result.fileName.isEmpty())
        result.fileName = fileName;
    return result;
}

GroundFileResult parseGround(const QString &text, const QString &fileName)
{
    QByteArray bytes = text.toUtf8();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readGround(&buffer, fileName);
}

} // namespace Kgw
