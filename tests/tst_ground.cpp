#include "groundfile.h"
#include "testsupport.h"

#include <QtTest>

#include <cmath>

using Kgw::Ground;
using Kgw::GroundFileResult;

namespace {

// The ground of the text, its grid file model.xyz beside it where one is given.
GroundFileResult readIn(const QTemporaryDir &dir, const QByteArray &ground, const QByteArray &grid)
{
    if (!grid.isNull())
        writeBytes(dir, QStringLiteral("model.xyz"), grid);
    writeBytes(dir, QStringLiteral("g.ground"), ground);
    return Kgw::readGroundFile(dir.filePath(QStringLiteral("g.ground")));
}

// A 2 × 2 grid of cells 2 m square from x = 0 and z = 0, one point missing at (3, 3).
const QByteArray ThreeOfFour = "# x z rho\n1 1 5\n3 1 6\n1 3 7\n";

// The example, its polygon with its resistivity before four points.
const QByteArray Example = "# anything after # is a comment\n"
                           "background 100\n"
                           "layer 0 2.5 300\n"
                           "block 20 26 3 6 10\n"
                           "polygon 40 10 1 20 1 26 6 12 6  # a trapezoid\n"
                           "layer 8 inf 50\n"
                           "grid model.xyz\n";

} // namespace

class tst_Ground : public QObject
{
    Q_OBJECT

private slots:
    void refusesBadFiles_data();
    void refusesBadFiles();
    void paintsInOrder_data();
    void paintsInOrder();
    void cellResistivity_data();
    void cellResistivity();
    void shapesOutside_data();
    void shapesOutside();
    void writesGroundFile_data();
    void writesGroundFile();
};

void tst_Ground::refusesBadFiles_data()
{
    QTest::addColumn<QByteArray>("ground");
    QTest::addColumn<QByteArray>("grid");
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QString>("message");

    const QString g = QStringLiteral("g.ground");
    const QString m = QStringLiteral("model.xyz");
    const QByteArray none;
    QTest::newRow("unknown keyword")
        << QByteArray("background 100\nlens 1 2 3\n") << none << g << 2LL
        << "Unknown keyword lens: expected background, layer, "
           "block, polygon or grid";
    QTest::newRow("rho 0") << QByteArray("background 0\n") << none << g << 1LL
                           << "rho must be finite and above 0 ohm m (0)";
    QTest::newRow("rho infinite") << QByteArray("background 100\nblock 0 1 0 1 inf\n") << none << g
                                  << 2LL << "rho must be finite and above 0 ohm m (inf)";
    QTest::newRow("not a number") << QByteArray("background 100\nblock 0 1 0 a 10\n") << none << g
                                  << 2LL << "z1 is not a number (a)";
    QTest::newRow("count") << QByteArray("background 100\n\nblock 0 1 0 1\n") << none << g << 3LL
                           << "block takes x0, x1, z0, z1 and rho: 5 numbers, found 4";
    QTest::newRow("x0 = x1") << QByteArray("background 100\nblock 5 5 0 1 10\n") << none << g << 2LL
                             << "x0 must be less than x1 (5 is not below 5)";
    QTest::newRow("z0 = z1") << QByteArray("background 100\nblock 4 5 1 1 10\n") << none << g << 2LL
                             << "z0 must be less than z1 (1 is not below 1)";
    QTest::newRow("top = bottom") << QByteArray("background 100\nlayer 2 2 300\n") << none << g
                                  << 2LL << "top must lie above bottom (2 is not below 2)";
    QTest::newRow("polygon of 2 points")
        << QByteArray("background 100\npolygon 10 0 0 1 1\n") << none << g << 2LL
        << "polygon takes rho and then the x z pairs of at "
           "least 3 points: found 4 numbers after rho";
    QTest::newRow("polygon, half a pair")
        << QByteArray("background 100\npolygon 15 30 10 1 20 1 26 6 12 6\n") << none << g << 2LL
        << "polygon takes rho and then the x z pairs of at least 3 points: found 9 numbers "
           "after rho";
    const QString crosses = QStringLiteral(
        "The polygon's outline crosses or touches itself, or turns back on itself");
    QTest::newRow("bow tie") << QByteArray("background 100\npolygon 10 0 0 4 4 4 0 0 4\n") << none
                             << g << 2LL << crosses;
    QTest::newRow("touching at a vertex")
        << QByteArray("background 100\npolygon 10 0 0 2 2 4 0 4 4 2 2 0 4\n") << none << g << 2LL
        << crosses;
    QTest::newRow("turning back") << QByteArray("background 100\npolygon 10 0 0 2 0 1 0\n") << none
                                  << g << 2LL << crosses;
    QTest::newRow("background twice") << QByteArray("background 100\nbackground 50\n") << none << g
                                      << 2LL << "Background is given twice, first on line 1";
    QTest::newRow("no background")
        << QByteArray("layer 0 1 10\n") << none << g << 0LL
        << "No background resistivity: the file needs a line \"background RHO\"";
    QTest::newRow("grid missing") << QByteArray("background 100\ngrid nowhere.xyz\n") << none << g
                                  << 2LL << "Failed to load grid file nowhere.xyz";
    QTest::newRow("grid row") << QByteArray("background 100\ngrid model.xyz\n")
                              << QByteArray("1 1 5\n3 1\n") << m << 2LL
                              << "Expected an \"x z rho\" row of numbers, found 2 words";
    QTest::newRow("grid point twice")
        << QByteArray("background 100\ngrid model.xyz\n") << QByteArray("1 1 5\n\n1 1 6\n") << m
        << 3LL << "Point x = 1, z = 1 is given twice, first on line 1";
    QTest::newRow("grid of one column")
        << QByteArray("background 100\ngrid model.xyz\n") << QByteArray("1 1 5\n1 3 6\n") << g
        << 2LL
        << "The grid of model.xyz needs at least two distinct x and two distinct z, found 1 "
           "and 2";
}

void tst_Ground::refusesBadFiles()
{
    QFETCH(QByteArray, ground);
    QFETCH(QByteArray, grid);
    QFETCH(QString, file);
    QFETCH(qint64, line);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const GroundFileResult result = readIn(dir, ground, grid);
    QVERIFY(!result.ok());
    QVERIFY(!result.ground);
    QCOMPARE(result.message, message);
    QCOMPARE(QFileInfo(result.fileName).fileName(), file);
    QCOMPARE(result.lineNumber, line);
}

void tst_Ground::paintsInOrder_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("z");
    QTest::addColumn<double>("rho");

    QTest::newRow("in the top layer") << -50.0 << 1.0 << 300.0;
    QTest::newRow("at the layer's bottom") << -50.0 << 2.5 << 100.0;
    QTest::newRow("the polygon over the block") << 23.0 << 4.0 << 40.0;
    QTest::newRow("the block beside the polygon's slant") << 25.0 << 5.0 << 10.0;
    QTest::newRow("the polygon over the top layer") << 15.0 << 2.0 << 40.0;
    QTest::newRow("a layer without a bottom") << 0.0 << 1e6 << 50.0;
    QTest::newRow("grid cell") << 0.5 << 0.5 << 5.0;
    QTest::newRow("grid cell from its top left edge") << 2.0 << 0.0 << 6.0;
    QTest::newRow("grid cell, halfway to a neighbour") << 1.0 << 3.99 << 7.0;
    QTest::newRow("missing grid point shows the layer") << 3.0 << 2.4 << 300.0;
    QTest::newRow("past the grid's outer edge") << 4.0 << 1.0 << 300.0;
}

void tst_Ground::paintsInOrder()
{
    QFETCH(double, x);
    QFETCH(double, z);
    QFETCH(double, rho);
    QTemporaryDir dir;
    const GroundFileResult result = readIn(dir, Example, ThreeOfFour);
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.shapeLines, (QVector<qint64> { 3, 4, 5, 6, 7 }));
    QCOMPARE(result.ground->resistivityAt(x, z), rho);
}

void tst_Ground::cellResistivity_data()
{
    QTest::addColumn<QByteArray>("ground");
    QTest::addColumn<QRectF>("cell"); // x0, z0, width, depth
    QTest::addColumn<double>("rho");
    QTest::addColumn<double>("tolerance"); // relative

    const QByteArray block = "background 100\nblock 1 5 -1 3 10\n";
    QTest::newRow("half in a block") << block << QRectF(0, 0, 2, 1) << std::sqrt(1000.0) << 1e-12;
    QTest::newRow("a layer of the background's rho changes nothing")
        << QByteArray("background 100\nlayer 0 inf 100\nblock 1 5 -1 3 10\n") << QRectF(0, 0, 2, 1)
        << std::sqrt(1000.0) << 1e-12;
    QTest::newRow("a quarter in a layer")
        << QByteArray("background 100\nlayer 0 1 10000\n") << QRectF(7, 0, 3, 4)
        << std::pow(10.0, 0.25 * 4 + 0.75 * 2) << 1e-12;
    QTest::newRow("four grid cells")
        << QByteArray("background 100\ngrid model.xyz\n") << QRectF(0, 0, 4, 4)
        << std::pow(5.0 * 6 * 7 * 100, 0.25) << 1e-12;
    // Sampling finds the area of a slanted edge's side to within 1/16 of the cell.
    QTest::newRow("half in a triangle") << QByteArray("background 100\npolygon 10 0 0 2 0 0 2\n")
                                        << QRectF(0, 0, 2, 2) << std::sqrt(1000.0) << 0.08;
}

void tst_Ground::cellResistivity()
{
    QFETCH(QByteArray, ground);
    QFETCH(QRectF, cell);
    QFETCH(double, rho);
    QFETCH(double, tolerance);
    QTemporaryDir dir;
    const GroundFileResult result = readIn(dir, ground, ThreeOfFour);
    QVERIFY2(result.ok(), qPrintable(result.message));
    const double got
        = result.ground->cellResistivity(cell.left(), cell.right(), cell.top(), cell.bottom());
    QVERIFY2(std::abs(got / rho - 1) <= tolerance,
        qPrintable(QStringLiteral("%1, expected %2").arg(got, 0, 'g', 17).arg(rho, 0, 'g', 17)));
}

void tst_Ground::shapesOutside_data()
{
    QTest::addColumn<QByteArray>("shape");
    QTest::addColumn<bool>("outside");

    // The section of the test: x from -5 to 240, z from 0 to 80.
    QTest::newRow("a block within") << QByteArray("block 230 250 70 90 10") << false;
    QTest::newRow("a block touching the right edge") << QByteArray("block 240 250 0 9 10") << true;
    QTest::newRow("a layer below") << QByteArray("layer 80 inf 10") << true;
    QTest::newRow("a layer reaching in") << QByteArray("layer 79 inf 10") << false;
    QTest::newRow("a polygon before the line") << QByteArray("polygon 10 -9 0 -5 0 -7 3") << true;
}

void tst_Ground::shapesOutside()
{
    QFETCH(QByteArray, shape);
    QFETCH(bool, outside);
    const GroundFileResult result = Kgw::parseGround(
        QString::fromLatin1("background 100\n" + shape + '\n'), QStringLiteral("g.ground"));
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.ground->shapesOutside(QRectF(QPointF(-5, 0), QPointF(240, 80))),
        outside ? QVector<int> { 0 } : QVector<int>());
}

void tst_Ground::writesGroundFile_data()
{
    QTest::addColumn<QByteArray>("ground");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("background only")
        << QByteArray("# uniform\nbackground   1e2\n") << QByteArray("background 100\n");
    QTest::newRow("layer with inf bottom") << QByteArray("layer 2.5 INF 0.1\nbackground 100\n")
                                           << QByteArray("background 100\nlayer 2.5 inf 0.1\n");
    QTest::newRow("block") << QByteArray("background 100\nblock 20 26.25 3 6 10 # body\n")
                           << QByteArray("background 100\nblock 20 26.25 3 6 10\n");
    QTest::newRow("polygon, painted over a block")
        << QByteArray("background 50\nblock -5 5 0 1 7\npolygon 40 10 1 20 1 26 6 12 6\n")
        << QByteArray("background 50\nblock -5 5 0 1 7\npolygon 40 10 1 20 1 26 6 12 6\n");
    // Cells reach halfway to the neighbouring centres and as far beyond the outer ones; the
    // missing point (3, 3) paints nothing.
    QTest::newRow("grid as blocks") << QByteArray("background 100\ngrid model.xyz\n")
                                    << QByteArray("background 100\nblock 0 2 0 2 5\n"
                                                  "block 0 2 2 4 7\nblock 2 4 0 2 6\n");
}

void tst_Ground::writesGroundFile()
{
    QFETCH(QByteArray, ground);
    QFETCH(QByteArray, written);
    QTemporaryDir dir;
    const GroundFileResult read = readIn(dir, ground, ThreeOfFour);
    QVERIFY2(read.ok(), qPrintable(read.message));
    const QString out = dir.filePath(QStringLiteral("out.ground"));
    QVERIFY(Kgw::saveFile(out, Kgw::groundFileContent(*read.ground)).ok());
    QCOMPARE(readBytes(out), written);
    // What it wrote reads back as the same ground, which writes the same bytes again.
    const GroundFileResult again = Kgw::readGroundFile(out);
    QVERIFY2(again.ok(), qPrintable(again.message));
    QVERIFY(Kgw::saveFile(out, Kgw::groundFileContent(*again.ground)).ok());
    QCOMPARE(readBytes(out), written);
}

QTEST_GUILESS_MAIN(tst_Ground)
#include "tst_ground.moc"
