#include "coverageplot.h"
#include "depth.h"
#include "groundsection.h"
#include "modelsections.h"
#include "picture.h"
#include "sectionplot.h"
#include "testpicture.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>

using Kgw::ConfigurationKind;
using Kgw::CoveragePlot;
using Kgw::CoveragePoint;
using Kgw::Quadruple;
using Kgw::WriteResult;

Q_DECLARE_METATYPE(Kgw::LineQuadruple)

namespace {

QVector<CoveragePoint> pointsOf(const QVector<Quadruple> &quadruples, double spacing)
{
    return Kgw::coveragePoints(quadruples, spacing);
}

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every piece of text in an SVG, read as XML; empty with ok false if it isn't well-formed.
QStringList svgTexts(const QByteArray &svg, bool *ok)
{
    QXmlStreamReader xml(svg);
    QStringList texts;
    bool sawSvg = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("svg"))
            sawSvg = true;
        if (xml.isCharacters() && !xml.isWhitespace())
            texts << xml.text().toString();
    }
    *ok = !xml.hasError() && sawSvg;
    return texts;
}

// The section as the picture shows it.
QImage drawn(const Kgw::SectionPlot &plot)
{
    QImage image(plot.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    plot.draw(&painter);
    painter.end();
    return image;
}

bool near(QRgb pixel, const QColor &colour, int tolerance)
{
    return std::abs(qRed(pixel) - colour.red()) <= tolerance
        && std::abs(qGreen(pixel) - colour.green()) <= tolerance
        && std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// A line of width 1 may fall between two pixels.
bool lineAt(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 170 || qGray(image.pixel(x - 1, y)) < 170
        || qGray(image.pixel(x, y - 1)) < 170;
}

} // namespace

class TestPlot : public QObject
{
    Q_OBJECT

private slots:
    void writesBothFormats_data();
    void writesBothFormats();
    void pngShowsMarkersByKind();
    void svgIsWellFormedWithTitle();
    void emptySequenceStillHasAxes();
    void countsWhatItCannotPlace();
    void sameInputSameBytes_data();
    void sameInputSameBytes();
    void refusesOtherExtensions_data();
    void refusesOtherExtensions();
    void reportsUncreatableFile();
    void replacesAnEarlierPlot();
    void sectionColours_data();
    void sectionColours();
    void valueColours_data();
    void valueColours();
    void sectionSvgIsWellFormed();
    void sectionRange_data();
    void sectionRange();
    void sectionMarks();
    void invertedModel();
    void resolutionBeyondTheCable();
    void tickLabels_data();
    void tickLabels();
    void lineColoursEachSpread_data();
    void lineColoursEachSpread();
    void pixelToMetres_data();
    void pixelToMetres();
    void testPicture_data();
    void testPicture();
};

void TestPlot::writesBothFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << "out.png" << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("PNG") << "OUT.PNG" << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("svg") << "out.svg" << QByteArray("<?xml");
    QTest::newRow("Svg") << "out.Svg" << QByteArray("<?xml");
}

void TestPlot::writesBothFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const CoveragePlot plot(
        pointsOf({ Quadruple { 1, 4, 2, 3 }, Quadruple { 2, 1, 3, 4 } }, 5), "wenner.txt", 5);
    const WriteResult result = plot.write(dir.filePath(name));
    QVERIFY2(result.ok(), qPrintable(result.errorString));
    QVERIFY(contents(dir.filePath(name)).startsWith(magic));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { name });
}

void TestPlot::pngShowsMarkersByKind()
{
    const double spacing = 2.5;
    const QVector<Quadruple> quadruples = {
        Quadruple { 5, 14, 8, 11 }, // nested
        Quadruple { 21, 20, 22, 23 }, // dipole-dipole
        Quadruple { 40, 0, 44, 0 }, // pole-pole
        Quadruple { 30, 0, 33, 34 }, // pole-dipole
        Quadruple { 10, 12, 11, 13 }, // other
    };
    const QVector<CoveragePoint> points = pointsOf(quadruples, spacing);
    const CoveragePlot plot(points, "kinds.txt", spacing);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath("kinds.png");
    QVERIFY(plot.write(fileName).ok());

    const QImage image(fileName);
    QCOMPARE(image.size(), CoveragePlot::size());
    for (const CoveragePoint &p : points) {
        const QPoint at = plot.frame().toPicture(p.x, p.z).toPoint();
        QVERIFY(plot.frame().area().contains(at));
        // A few markers are nearly opaque, so the centre is close to the kind's colour.
        QVERIFY2(near(image.pixel(at), CoveragePlot::kindColour(p.kind), 40),
            qPrintable(Kgw::configurationKindName(p.kind)));
    }

    // Deeper quadruples lie lower.
    QVERIFY(
        plot.frame().toPicture(0, points[0].z).y() > plot.frame().toPicture(0, points[1].z).y());
    // Well away from every marker the plot is background.
    const QPointF empty = plot.frame().toPicture(40 * spacing, plot.depthAxisMaximum() * 0.7);
    QVERIFY(qGray(image.pixel(empty.toPoint() + QPoint(3, 3))) > 200);

    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    }
    QVERIFY(colours.size() > 20);
}

void TestPlot::svgIsWellFormedWithTitle()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Characters that XML must escape, in the one text the user chooses.
    const QString name = QStringLiteral("line <3> & \"east\".txt");
    const CoveragePlot plot(
        pointsOf({ Quadruple { 1, 0, 2, 0 }, Quadruple { 3, 3, 1, 2 } }, 1), name, 1);
    const QString fileName = dir.filePath("plot.svg");
    QVERIFY(plot.write(fileName).ok());

    bool ok = false;
    const QStringList texts = svgTexts(contents(fileName), &ok);
    QVERIFY(ok);
    const QString title
        = QStringLiteral("line <3> & \"east\".txt \u2014 2 quadruples, spacing 1.000 m");
    QCOMPARE(plot.title(), title);
    QVERIFY(texts.count(title) >= 1);
    QVERIFY(texts.contains("pole-pole"));
    QVERIFY(texts.contains("depth z (m)"));
    QVERIFY(texts.contains(
        "1 quadruple has no depth (no signal or a repeated electrode) and is not shown."));

    const CoveragePlot control({}, QStringLiteral("bell\x07.txt"), 1);
    QVERIFY(control.write(fileName).ok());
    svgTexts(contents(fileName), &ok);
    QVERIFY(ok);
    QVERIFY(control.title().startsWith(QStringLiteral("bell\ufffd.txt")));
}

void TestPlot::emptySequenceStillHasAxes()
{
    const CoveragePlot plot({}, "empty.KGW", 5);
    QCOMPARE(plot.quadrupleCount(), 0);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(plot.write(dir.filePath("empty.png")).ok());
    QVERIFY(plot.write(dir.filePath("empty.svg")).ok());

    const QImage image(dir.filePath("empty.png"));
    QCOMPARE(image.size(), CoveragePlot::size());
    const QRect area = plot.frame().area().toRect();
    int frame = 0;
    for (int y = area.top() + 10; y < area.bottom() - 10; ++y)
        frame += lineAt(image, area.left(), y) ? 1 : 0;
    QVERIFY(frame > (area.height() - 20) * 9 / 10);
    int ticks = 0;
    for (int x = area.left(); x <= area.right(); ++x)
        ticks += lineAt(image, x, area.bottom() + 3) && !lineAt(image, x - 2, area.bottom() + 3)
            ? 1
            : 0;
    QVERIFY(ticks >= 5);
    // No marker of any kind inside.
    for (int y = area.top() + 2; y < area.bottom() - 2; y += 3) {
        for (int x = area.left() + 2; x < area.right() - 2; x += 3) {
            const QColor c = image.pixelColor(x, y);
            QVERIFY(c.saturation() < 40);
        }
    }

    bool ok = false;
    const QStringList texts = svgTexts(contents(dir.filePath("empty.svg")), &ok);
    QVERIFY(ok);
    QVERIFY(texts.contains("x (m)"));
    QVERIFY(texts.contains("0"));
}

void TestPlot::countsWhatItCannotPlace()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QVector<CoveragePoint> points = {
        { 10, 2, ConfigurationKind::Nested },
        { 10, nan, ConfigurationKind::Other },
        { nan, 3, ConfigurationKind::Other },
        { 20, 5000, ConfigurationKind::Other }, // far below the 47 m cable
        { 30, 40, ConfigurationKind::PolePole },
    };
    const CoveragePlot plot(points, "odd.txt", 1);
    QCOMPARE(plot.quadrupleCount(), 5);
    QCOMPARE(plot.unplacedCount(), 2);
    QCOMPARE(plot.belowAxisCount(), 1);
    QVERIFY(plot.depthAxisMaximum() >= 40);
    QVERIFY(plot.depthAxisMaximum() < 100);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(plot.write(dir.filePath("odd.svg")).ok());
    bool ok = false;
    const QStringList texts = svgTexts(contents(dir.filePath("odd.svg")), &ok);
    QVERIFY(ok);
    QVERIFY(texts.contains(
        "2 quadruples have no depth (no signal or a repeated electrode) and are not shown."));
    QVERIFY(texts.filter("1 quadruple deeper than").size() == 1);
}

void TestPlot::sameInputSameBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("png") << "a.png";
    QTest::newRow("svg") << "a.svg";
}

void TestPlot::sameInputSameBytes()
{
    QFETCH(QString, name);
    QVector<Quadruple> quadruples;
    for (int n = 1; n <= 6; ++n) {
        for (int a = 1; a + n + 2 <= 48; ++a)
            quadruples.append(Quadruple { a + 1, a, a + n + 1, a + n + 2 });
    }
    const CoveragePlot plot(pointsOf(quadruples, 5), "dd.txt", 5);
    QTemporaryDir first;
    QTemporaryDir second;
    QVERIFY(first.isValid() && second.isValid());
    QVERIFY(plot.write(first.filePath(name)).ok());
    QVERIFY(plot.write(second.filePath(name)).ok());
    const QByteArray bytes = contents(first.filePath(name));
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(contents(second.filePath(name)), bytes);
}

void TestPlot::refusesOtherExtensions_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("jpg") << "plot.jpg";
    QTest::newRow("none") << "plot";
    QTest::newRow("svg inside") << "plot.svg.txt";
    QTest::newRow("no dot") << "plotsvg";
    QTest::newRow("trailing dot") << "plot.png.";
}

void TestPlot::refusesOtherExtensions()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath(name);
    const CoveragePlot plot(pointsOf({ Quadruple { 1, 4, 2, 3 } }, 5), "w.txt", 5);
    QVERIFY(!Kgw::isSupportedPicture(fileName));
    WriteResult result = plot.write(fileName);
    QCOMPARE(result.status, WriteResult::Refused);
    QVERIFY(!result.errorString.isEmpty());
    QVERIFY(!QFile::exists(fileName));

    // Nor is a file of that name touched.
    QFile earlier(fileName);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("keep");
    earlier.close();
    result = plot.write(fileName);
    QCOMPARE(result.status, WriteResult::Refused);
    QCOMPARE(contents(fileName), QByteArray("keep"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

void TestPlot::reportsUncreatableFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath("missing/plot.png");
    const WriteResult result = CoveragePlot({}, "x.txt", 5).write(fileName);
    QCOMPARE(result.status, WriteResult::CreateFailed);
    QVERIFY(!result.errorString.isEmpty());
    QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

void TestPlot::replacesAnEarlierPlot()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath("plot.png");
    QFile earlier(fileName);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write(QByteArray(1 << 20, 'x'));
    earlier.close();

    QVERIFY(CoveragePlot({}, "x.txt", 5).write(fileName).ok());
    QCOMPARE(QImage(fileName).size(), CoveragePlot::size());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "plot.png" });
}

// Each cell is painted in the colour bar's colour for its value: viridis (as published with
// matplotlib) from 0 to 1, or over the four decades below the largest value.
void TestPlot::sectionColours_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QColor>("colour");

    const int log = Kgw::SectionPlot::Logarithmic;
    const int unit = Kgw::SectionPlot::Unit;
    QTest::newRow("0") << unit << 0.0 << QColor(68, 1, 84);
    QTest::newRow("0.5") << unit << 0.5 << QColor(33, 144, 141);
    QTest::newRow("1") << unit << 1.0 << QColor(253, 231, 37);
    QTest::newRow("largest") << log << 1000.0 << QColor(253, 231, 37);
    QTest::newRow("two decades below") << log << 10.0 << QColor(33, 144, 141);
    QTest::newRow("four decades below") << log << 0.1 << QColor(68, 1, 84);
    QTest::newRow("further below") << log << 0.001 << QColor(68, 1, 84);
}

void TestPlot::sectionColours()
{
    QFETCH(int, scale);
    QFETCH(double, value);
    QFETCH(QColor, colour);

    // Two columns of two layers; the value to look at fills the bottom left cell, which at true
    // scale covers more of the picture's left half than anything but the white around it.
    Kgw::Section section;
    section.xEdges = { -5, 0, 5 };
    section.zEdges = { 0, 1, 3 };
    section.values = { 1000, value, 1, 1 };
    section.electrodes = 2;
    section.spacing = 5;
    const Kgw::SectionPlot plot(section, Kgw::SectionPlot::Scale(scale), "s.txt", "J");
    QImage image(plot.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    plot.draw(&painter);
    painter.end();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width() / 2; ++x)
            ++counts[image.pixel(x, y)];
    }
    counts.remove(qRgb(255, 255, 255));
    QRgb commonest = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(commonest))
            commonest = it.key();
    }
    QVERIFY2(near(commonest, colour, 1), qPrintable(QColor(commonest).name()));
}

void TestPlot::valueColours_data()
{
    QTest::addColumn<QVector<double>>("values"); // of points at one place
    QTest::addColumn<double>("value"); // whose colour to look at
    QTest::addColumn<QColor>("colour"); // viridis' at 0, ½ and 1
    QTest::addColumn<int>("unvalued");

    const double nan = std::nan("");
    const QVector<double> spread { 10, 1000, 0, -5, nan };
    QTest::newRow("lowest") << spread << 10.0 << QColor(68, 1, 84) << 3;
    QTest::newRow("midway on the log scale") << spread << 100.0 << QColor(33, 144, 141) << 3;
    QTest::newRow("highest") << spread << 1000.0 << QColor(253, 231, 37) << 3;
    QTest::newRow("one value, in the middle of a decade")
        << QVector<double> { 50, 50 } << 50.0 << QColor(33, 144, 141) << 0;
}

void TestPlot::valueColours()
{
    QFETCH(QVector<double>, values);
    QFETCH(double, value);
    QFETCH(QColor, colour);
    QFETCH(int, unvalued);

    QVector<CoveragePoint> points;
    for (const double v : values) {
        CoveragePoint p { 10, 2, ConfigurationKind::DipoleDipole };
        p.value = v;
        points.append(p);
    }
    CoveragePlot plot(points, QStringLiteral("d.dat"), 1);
    plot.colourByValue(QStringLiteral("apparent resistivity"));
    CoveragePoint probe { 10, 2, ConfigurationKind::DipoleDipole };
    probe.value = value;
    QCOMPARE(plot.colourOf(probe), colour);
    QCOMPARE(plot.unvaluedCount(), unvalued);
}

void TestPlot::sectionSvgIsWellFormed()
{
    Kgw::Section section;
    section.xEdges = { -5, 0, 5 };
    section.zEdges = { 0, 1 };
    section.values = { 0.2, 0.9 };
    section.electrodes = 2;
    section.spacing = 5;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("r.svg"));
    const Kgw::SectionPlot plot(section, Kgw::SectionPlot::Unit, "a&b <c>.txt", "R_jj");
    QVERIFY(plot.write(name).ok());
    bool ok = false;
    const QStringList texts = svgTexts(contents(name), &ok);
    QVERIFY(ok);
    QVERIFY(texts.contains(QStringLiteral("a&b <c>.txt")));
    QVERIFY(texts.contains(QStringLiteral("R_jj")));
}

// A fixed colour bar spans LOW to HIGH, LOW below HIGH and, on the logarithmic scale, above 0:
// `value` then takes the middle of viridis.
void TestPlot::sectionRange_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("value"); // NaN where the range is refused

    const int log = Kgw::SectionPlot::Logarithmic;
    const int unit = Kgw::SectionPlot::Unit;
    QTest::newRow("unit") << unit << 0.2 << 0.6 << 0.4;
    QTest::newRow("unit, LOW just below HIGH")
        << unit << std::nextafter(1.0, 0.0) << 1.0 << qQNaN();
    QTest::newRow("unit, LOW = HIGH") << unit << 0.5 << 0.5 << qQNaN();
    // Labels that told such bounds apart would need 17 digits; 8 is the most that fit.
    QTest::newRow("unit, narrow beside its size") << unit << 1e16 << 1e16 + 2 << qQNaN();
    // A millionth of the bounds apart: just wider, and just narrower.
    QTest::newRow("unit, as narrow as labels fit")
        << unit << 1.0 << 1 + std::ldexp(1.0, -19) << 1 + std::ldexp(1.0, -20);
    QTest::newRow("unit, narrower") << unit << 1.0 << 1 + std::ldexp(1.0, -20) << qQNaN();
    QTest::newRow("unit, wider than a number") << unit << -1e308 << 1e308 << qQNaN();
    QTest::newRow("unit, near the smallest number") << unit << 1e-300 << 3e-300 << 2e-300;
    QTest::newRow("log") << log << 1.0 << 100.0 << 10.0;
    QTest::newRow("log, LOW just above 0")
        << log << std::numeric_limits<double>::denorm_min() << 1.0 << 1.0;
    QTest::newRow("log, LOW = 0") << log << 0.0 << 1.0 << qQNaN();
}

void TestPlot::sectionRange()
{
    QFETCH(int, scale);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, value);
    const auto s = Kgw::SectionPlot::Scale(scale);
    QCOMPARE(Kgw::SectionPlot::rangeError(s, low, high).isEmpty(), !std::isnan(value));
    Kgw::Section section;
    section.values = { 1e6 };
    Kgw::SectionPlot plot(section, s, "s.txt", "J");
    plot.setRange(low, high);
    // At the top of the bar where the value is HIGH, else in its middle.
    const QColor colour = value == high ? QColor(253, 231, 37) : QColor(33, 144, 141);
    QVERIFY2(std::isnan(value) || near(plot.colourOf(value).rgb(), colour, 1),
        qPrintable(plot.colourOf(value).name()));
    QImage image(plot.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    plot.draw(&painter);
}

// The outline and the depth line are white on dark, where no colour of the scale is white. At
// true scale the 10 m of the section take 920 pixels from x = 90, and its 3 m of depth 276 from
// y = 90: 92 pixels a metre.
void TestPlot::sectionMarks()
{
    Kgw::Section section;
    section.xEdges = { -5, 0, 5 };
    section.zEdges = { 0, 1, 3 };
    section.values = { 0.1, 0.5, 0.9, 0.3 };
    section.target = QRectF(QPointF(0, 1), QPointF(2.5, 2)); // x 550 to 780, y 182 to 274
    section.investigationDepth = 2.5; // y 320
    const Kgw::SectionPlot plot(section, Kgw::SectionPlot::Unit, "s.txt", "R");
    QImage image(plot.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    plot.draw(&painter);
    painter.end();
    const auto white = [&](int x, int y) { return qGray(image.pixel(x, y)) > 245; };
    QVERIFY(white(550, 228) && white(665, 274)); // the outline's left edge and bottom
    QVERIFY(!white(665, 228)); // inside it
    bool dashed = false;
    for (int x = 200; x < 212; ++x)
        dashed = dashed || white(x, 320);
    QVERIFY(dashed); // the depth line
}

// An inverted model of 50 ohm m over a cable of 4 electrodes at 1 m, read by Wenner alpha at
// a = 1 m alone, whose median depth is 0.519 a (Edwards 1977): the picture names the model,
// colours it by its cells and dashes the depth the reading sees.
void TestPlot::invertedModel()
{
    Kgw::InversionData data;
    data.rows = { Kgw::LineQuadruple(1, 4, 2, 3) };
    data.spacingMetres = 1;
    data.electrodes = 4;
    Kgw::InversionResult result;
    result.grid = Kgw::ModelGrid(4, 1);
    result.rho = Eigen::VectorXd::Constant(result.grid.cellCount(), 50);
    result.startRho = 200;
    result.steps = { {} };
    const Kgw::SectionPlot plot = Kgw::modelSectionPlot(data, result, "m.xyz");
    QCOMPARE(plot.title(), QStringLiteral("m.xyz \u2014 inverted model, spacing 1.000 m"));
    const QImage image = drawn(plot);
    const auto pixel
        = [&](double x, double z) { return image.pixel(plot.frame().toPicture(x, z).toPoint()); };
    QVERIFY(near(pixel(1.6, 0.2), plot.colourOf(50), 0));
    bool dashed = false;
    for (double x = 0; x < 0.2; x += 0.01)
        dashed = dashed || qGray(pixel(x, 0.519)) > 245;
    QVERIFY(dashed);
}

// No configuration looks down beyond the cable's ends, so the resolution there is the
// smoothing's and is drawn grey, as are the cells that no configuration resolves. Under the
// cable the top cells are resolved.
void TestPlot::resolutionBeyondTheCable()
{
    const Kgw::SurveyModel survey(Kgw::ModelGrid(8, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    const Kgw::SequenceResolution result = model.evaluate(Kgw::fourElectrodeConfigurations(8));
    const Kgw::SectionPlot plot = Kgw::resolutionSectionPlot(model, result, "all.txt");
    const QImage image = drawn(plot);
    const auto pixel
        = [&](double x, double z) { return image.pixel(plot.frame().toPicture(x, z).toPoint()); };
    const QColor grey(0xb0, 0xb0, 0xb0);
    QVERIFY(model.isCompared(0)); // the top cell left of electrode 1
    QVERIFY(near(pixel(-0.75, 0.25), grey, 0));
    QVERIFY(near(pixel(7.75, 0.25), grey, 0));
    QVERIFY(!near(pixel(3.25, 0.25), grey, 40));
}

// As many decimals as the step needs, and far from 1 as many significant digits.
void TestPlot::tickLabels_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("label");

    QTest::newRow("metres") << 15.0 << 5.0 << "15";
    QTest::newRow("no -0") << -1e-17 << 0.2 << "0.0";
    QTest::newRow("seven") << 2e-7 << 1e-7 << "2e-07";
    QTest::newRow("near the smallest number") << 1.2e-300 << 2e-301 << "1.2e-300";
    QTest::newRow("large, fine steps") << 1.0000005e7 << 0.5 << "10000005";
}

void TestPlot::tickLabels()
{
    QFETCH(double, value);
    QFETCH(double, step);
    QFETCH(QString, label);
    QCOMPARE(Kgw::tickLabel(value, step), label);
}

// Along 12 positions at 1 m in spreads of 6 moved by 3 (1-6, 4-9, 7-12), a row takes the colour of
// the first spread that holds it, and one that none holds the colour of no spread.
void TestPlot::lineColoursEachSpread_data()
{
    QTest::addColumn<Kgw::LineQuadruple>("row");
    QTest::addColumn<int>("spread");

    QTest::newRow("the first spread") << Kgw::LineQuadruple(2, 1, 3, 4) << 1;
    QTest::newRow("in the first two, the first") << Kgw::LineQuadruple(5, 4, 6, 3) << 1;
    QTest::newRow("the second, from its first position") << Kgw::LineQuadruple(5, 4, 6, 7) << 2;
    QTest::newRow("the last, to the line's end") << Kgw::LineQuadruple(11, 10, 12, 0) << 3;
    QTest::newRow("across two spreads: none") << Kgw::LineQuadruple(3, 4, 7, 8) << 0;
}

void TestPlot::lineColoursEachSpread()
{
    QFETCH(Kgw::LineQuadruple, row);
    QFETCH(int, spread);

    QString error;
    const std::optional<Kgw::SpreadLayout> layout = Kgw::SpreadLayout::plan(12, 6, 3, &error);
    // Dipole-dipole n = 1 in the first spread: 0.416 a deep (Edwards 1977) for a width of 3 a.
    const QVector<CoveragePoint> points
        = Kgw::coveragePoints({ Kgw::LineQuadruple(2, 1, 3, 4), row }, 1, layout);
    QCOMPARE(points.at(1).spread, spread);
    const CoveragePlot plot(points, "line.dat", 1, { 12, layout });
    QCOMPARE(plot.colourOf(points.at(1)), CoveragePlot::spreadColour(spread));
    QTemporaryDir dir;
    const QString fileName = dir.filePath("line.png");
    QVERIFY(plot.write(fileName).ok());
    const QImage image(fileName);
    const QPoint at = plot.frame().toPicture(points.at(1).x, points.at(1).z).toPoint();
    QVERIFY2(near(image.pixel(at), CoveragePlot::spreadColour(spread), 40),
        qPrintable(QColor(image.pixel(at)).name()));
    // Neighbouring spreads never share a colour, nor share it with the rows no spread holds.
    QVERIFY(CoveragePlot::spreadColour(spread) != CoveragePlot::spreadColour(spread + 1));
    QVERIFY(spread == 0 || CoveragePlot::spreadColour(spread) != CoveragePlot::spreadColour(0));

    // The spreads reach as deep for their width as the deepest-looking row a spread holds: here
    // dipole-dipole's 0.416 / 3, the middle of each spread 5 m wide at 0.416 × 5 / 3 m. A row
    // none holds, however deep it looks, does not deepen what they reach.
    double deepest = 0;
    for (const QPointF &p : plot.reachLine())
        deepest = std::max(deepest, p.y());
    const double expected = spread > 0 && points.at(1).depthRatio > points.at(0).depthRatio
        ? points.at(1).depthRatio * 2 * 2.5
        : 0.416 * 5 / 3;
    QVERIFY2(std::abs(deepest - expected) < 0.001, qPrintable(QString::number(deepest)));
}

void TestPlot::pixelToMetres_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRectF>("room");
    QTest::addColumn<QPointF>("pixel");
    QTest::addColumn<QPointF>("metres");

    // The frame: pixels 100..300 across are x = -10..30 m, pixels 50..150 down are z = 0..20 m,
    // 5 pixels a metre. Fitted twice its size, with room to spare across or down, or below a band.
    const QSize size(400, 200);
    QTest::newRow("same size, top left of the ground")
        << size << QRectF(0, 0, 400, 200) << QPointF(100, 50) << QPointF(-10, 0);
    QTest::newRow("same size, bottom right")
        << size << QRectF(0, 0, 400, 200) << QPointF(300, 150) << QPointF(30, 20);
    QTest::newRow("twice, centred across")
        << size << QRectF(0, 0, 1000, 400) << QPointF(100 + 2 * 150, 2 * 100) << QPointF(0, 10);
    QTest::newRow("twice, centred down")
        << size << QRectF(0, 0, 800, 600) << QPointF(2 * 300, 100 + 2 * 150) << QPointF(30, 20);
    QTest::newRow("half, below a band of 30")
        << size << QRectF(0, 30, 200, 100) << QPointF(50, 30 + 25) << QPointF(-10, 0);
    QTest::newRow("above the ground")
        << size << QRectF(0, 0, 400, 200) << QPointF(200, 0) << QPointF(10, -10);
}

void TestPlot::pixelToMetres()
{
    QFETCH(QSize, size);
    QFETCH(QRectF, room);
    QFETCH(QPointF, pixel);
    QFETCH(QPointF, metres);
    const Kgw::PlotFrame frame(QRectF(100, 50, 200, 100), -10, 30, 20);
    const QTransform placed = Kgw::fitInto(size, room);
    const QPointF found = frame.toGround(placed.inverted().map(pixel));
    QCOMPARE(found, metres);
    // And back to the same pixel.
    QCOMPARE(placed.map(frame.toPicture(metres.x(), metres.y())), pixel);
}

// The truth spans 10 to 100 and the image 1 to 100: on one scale, 1 to 100, the truth's 10 takes
// the middle of viridis, where on its own it would take the bottom.
void TestPlot::testPicture_data()
{
    QTest::addColumn<int>("images");
    QTest::newRow("truth and an image") << 1;
    QTest::newRow("no image refused") << 0;
}

void TestPlot::testPicture()
{
    QFETCH(int, images);
    Kgw::Section section;
    section.xEdges = { -5, 0, 5 };
    section.zEdges = { 0, 3 };
    section.electrodes = 2;
    section.spacing = 5;
    section.values = { 10, 100 };
    const Kgw::SectionPlot truth(section, Kgw::SectionPlot::Logarithmic, "g.ground", "rho");
    section.values = { 1, 100 };
    const Kgw::SectionPlot image(section, Kgw::SectionPlot::Logarithmic, "a.txt", "rho");
    QVector<Kgw::TestImage> panels;
    if (images > 0)
        panels.append({ "a.txt", image, 0.25, qQNaN() });
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("t.png"));
    const WriteResult written = Kgw::writeTestPicture(png, truth, panels, 2.5);
    QCOMPARE(written.ok(), images > 0);
    QCOMPARE(QFile::exists(png), images > 0);
    if (images == 0) {
        QCOMPARE(
            written.errorString, QStringLiteral("there is no image to compare with the ground"));
        return;
    }
    const QImage picture(png);
    const int below = picture.height() / 2; // where the image's panel starts
    const auto pixel = [&](int panel, double x, double z) {
        return picture.pixel(truth.frame().toPicture(x, z).toPoint() + QPoint(0, panel * below));
    };
    const QColor bottom(68, 1, 84), middle(33, 144, 141), top(253, 231, 37);
    QVERIFY2(near(pixel(0, -2.5, 1), middle, 1), qPrintable(QColor(pixel(0, -2.5, 1)).name()));
    QVERIFY(near(pixel(0, 2.5, 1), top, 1));
    QVERIFY(near(pixel(1, -2.5, 1), bottom, 1));
    QVERIFY(near(pixel(1, 2.5, 1), top, 1));
    bool dashed = false; // the depth scored, across the image's panel
    for (double x = -4; x < -3; x += 0.05)
        dashed = dashed || qGray(pixel(1, x, 2.5)) > 245;
    QVERIFY(dashed);
    const QString svg = dir.filePath(QStringLiteral("t.svg"));
    QVERIFY(Kgw::writeTestPicture(svg, truth, panels, 2.5).ok());
    bool ok = false;
    QVERIFY(
        svgTexts(contents(svg), &ok)
            .contains(QStringLiteral(
                "a.txt \u2014 RMS of log10 error 0.250 over the section, none over the bodies")));
}

QTEST_MAIN(TestPlot)

#include "tst_plot.moc"
