#include "adaptivedesign.h"
#include "geometry.h"
#include "groundfile.h"
#include "inversion.h"
#include "inversionadvice.h"
#include "simulation.h"
#include "synthetictest.h"

#include <QtTest>

#include <cmath>

namespace {

constexpr int Electrodes = 16;

// Wenner alpha a = 1..4 and dipole-dipole a = 1, n = 1..6 on the cable, electrode 1 at x = 0.
QVector<Kgw::LineQuadruple> cableRows()
{
    QVector<Kgw::LineQuadruple> rows;
    for (int a = 1; a <= 4; ++a)
        for (int i = 1; i + 3 * a <= Electrodes; ++i)
            rows.append(Kgw::LineQuadruple(i, i + 3 * a, i + a, i + 2 * a));
    for (int n = 1; n <= 6; ++n)
        for (int i = 1; i + n + 2 <= Electrodes; ++i)
            rows.append(Kgw::LineQuadruple(i + 1, i, i + n + 1, i + n + 2));
    return rows;
}

// Every fourth arrangement of four electrodes of the cable whose readings over a uniform ground
// are not too small to measure: far more of them than the standard arrays hold are small
// differences of large terms, whose sign a ground unlike the start model can turn.
QVector<Kgw::LineQuadruple> scatteredRows()
{
    QVector<Kgw::LineQuadruple> rows;
    int count = 0;
    for (int a = 1; a <= Electrodes; ++a)
        for (int b = 1; b <= Electrodes; ++b)
            for (int m = 1; m <= Electrodes; ++m)
                for (int n = m + 1; n <= Electrodes; ++n) {
                    const Kgw::LineQuadruple q(a, b, m, n);
                    if (a < b && m != a && m != b && n != a && n != b && count++ % 4 == 0
                        && std::abs(Kgw::geometricFactor(q, 1)) < 300)
                        rows.append(q);
                }
    return rows;
}

// Noise-free readings over the ground, each given the relative error.
Kgw::InversionData simulated(
    const Kgw::Ground &ground, double error, const QVector<Kgw::LineQuadruple> &rows = cableRows())
{
    Kgw::SimulationOptions options;
    options.noise.relativeError = error;
    options.floorVolts = 0;
    const Kgw::Simulation s = Kgw::simulate(ground, rows, Electrodes, 1, options);
    Kgw::DataColumns data;
    data[Kgw::DataColumn::R] = s.r;
    data[Kgw::DataColumn::Err] = s.err;
    return Kgw::inversionData(rows, data, {}, 1);
}

} // namespace

class TestInversion : public QObject
{
    Q_OBJECT

private slots:
    void data_data();
    void data();
    void uniformGroundInvertsToItself();
    void converges_data();
    void converges();
    void readingsCrossZero();
    void roughness_data();
    void roughness();
    void modelReadsBackAsAGrid();
    void score_data();
    void score();
    void syntheticTest();
    void severalListsSideBySide();
    void advice_data();
    void advice();
    void adaptiveDesign_data();
    void adaptiveDesign();
};

void TestInversion::data_data()
{
    QTest::addColumn<QByteArray>("rows"); // after the electrodes, from the data count on
    QTest::addColumn<QString>("error");
    QTest::addColumn<qint64>("errorLine");
    QTest::addColumn<int>("kept");
    QTest::addColumn<QString>("dropped"); // "reason count line", one a reason, by "; "

    // A uniform 100 ohm m reads r = 100 / K; K of 1 4 2 3 at 1 m is 2π, of 1 4 3 2 is -2π.
    QTest::newRow("kept, the sign following K's")
        << QByteArray("2\n# a b m n r err\n1 4 2 3 15.9 0.03\n1 4 3 2 -15.9 0.03\n") << QString()
        << qint64(0) << 2 << QString();
    QTest::newRow("rhoa alone") << QByteArray("1\n# a b m n rhoa err\n1 4 2 3 100 1e-9\n")
                                << QString() << qint64(0) << 1 << QString();
    QTest::newRow("no err column") << QByteArray("1\n# a b m n r\n1 4 2 3 15.9\n")
                                   << "no err column" << qint64(0) << 0 << QString();
    QTest::newRow("no r or rhoa") << QByteArray("1\n# a b m n err\n1 4 2 3 0.03\n")
                                  << "no r or rhoa column" << qint64(0) << 0 << QString();
    QTest::newRow("an err of 0 refused at its line")
        << QByteArray("2\n# a b m n r err\n1 4 2 3 15.9 0.03\n2 5 3 4 15.9 0\n")
        << "an err of 0 or below" << qint64(11) << 0 << QString();
    QTest::newRow("repeated electrode dropped")
        << QByteArray("2\n# a b m n r err\n1 1 2 3 15.9 0.03\n1 4 2 3 15.9 0.03\n") << QString()
        << qint64(0) << 1 << "repeat an electrode or give no signal 1 10";
    QTest::newRow("zero reading dropped")
        << QByteArray("3\n# a b m n r err\n1 4 2 3 15.9 0.03\n2 5 3 4 0 0.03\n3 6 4 5 0 0.03\n")
        << QString() << qint64(0) << 1 << "read zero 2 11";
    QTest::newRow("one row's sign reversed")
        << QByteArray("3\n# a b m n r err\n1 4 2 3 15.9 0.03\n2 5 3 4 -15.9 0.03\n"
                      "3 6 4 5 15.9 0.03\n")
        << QString() << qint64(0) << 2
        << "have the opposite sign to a uniform ground's, as swapped wires give 1 11";
    QTest::newRow("rhoa below 0") << QByteArray("1\n# a b m n rhoa err\n1 4 2 3 -100 0.03\n")
                                  << "no reading left" << qint64(0) << 0
                                  << "have the opposite sign to a uniform ground's, as "
                                     "swapped wires give 1 10";
}

void TestInversion::data()
{
    QFETCH(QByteArray, rows);
    QFETCH(QString, error);
    QFETCH(qint64, errorLine);
    QFETCH(int, kept);
    QFETCH(QString, dropped);
    QByteArray file = "6\n0 0\n1 0\n2 0\n3 0\n4 0\n5 0\n" + rows;
    QBuffer buffer(&file);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const Kgw::ExchangeResult read
        = Kgw::readUnifiedData(&buffer, std::nullopt, Kgw::ExchangeExtent::WholeLine);
    QVERIFY2(read.ok(), qPrintable(read.message));
    const Kgw::InversionData data
        = Kgw::inversionData(read.lineQuadruples, read.data, read.lineNumbers, 1);
    QVERIFY2(error.isEmpty() ? data.error.isEmpty() : data.error.startsWith(error),
        qPrintable(data.error));
    QCOMPARE(data.errorLine, errorLine);
    QCOMPARE(data.rows.size(), kept);
    QStringList droppedText;
    for (const Kgw::DroppedRows &d : data.dropped)
        droppedText.append(QStringLiteral("%1 %2 %3").arg(d.reason).arg(d.count).arg(d.firstLine));
    QCOMPARE(droppedText.join(QStringLiteral("; ")), dropped);
    if (kept > 0)
        QVERIFY(std::abs(data.rhoa[0] / 100 - 1) < 0.01);
}

// The median apparent resistivity of a uniform ground is its own, and the start model fits.
void TestInversion::uniformGroundInvertsToItself()
{
    const Kgw::InversionResult result = Kgw::invert(simulated(Kgw::Ground(100), 0.03));
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QVERIFY(result.converged());
    QCOMPARE(result.steps.size(), 1);
    QVERIFY(result.steps.constFirst().chiSquared <= 1);
    for (int cell = 0; cell < result.rho.size(); ++cell)
        QVERIFY2(std::abs(result.rho[cell] / 100 - 1) < 0.01, qPrintable(QString::number(cell)));
}

void TestInversion::converges_data()
{
    QTest::addColumn<double>("cooling");
    QTest::addColumn<bool>("image"); // whether the top layer is judged
    // Cooled gently, every full step lowers the misfit; cooled at once, steps overshoot, and the
    // line search must cut them.
    QTest::newRow("cooled by 2") << 2.0 << true;
    QTest::newRow("cooled by 1000") << 1000.0 << false;
}

// A 50 ohm m layer 2 m thick over 200 ohm m, noise-free and given 0.5 % errors, so that
// χ² = 1 asks for a close fit: the misfit falls at every accepted
// step, and the top cells under the middle of the line come to 50 within a few per cent, as
// their geometric mean: one by one they alternate about it from column to column.
void TestInversion::converges()
{
    QFETCH(double, cooling);
    QFETCH(bool, image);
    Kgw::Ground ground(200);
    ground.addLayer(0, 2, 50);
    Kgw::InversionOptions options;
    options.cooling = cooling;
    const Kgw::InversionResult result = Kgw::invert(simulated(ground, 0.005), options);
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QVERIFY(result.steps.size() > 1);
    for (int i = 1; i < result.steps.size(); ++i)
        QVERIFY2(result.steps.at(i).chiSquared < result.steps.at(i - 1).chiSquared,
            qPrintable(QString::number(i)));
    QVERIFY(result.steps.constLast().chiSquared < 1);
    if (!image)
        return;
    const Kgw::ModelGrid &grid = result.grid;
    double logSum = 0;
    int count = 0;
    for (int column = 0; column < grid.columns(); ++column) {
        const double x = (grid.xEdges().at(column) + grid.xEdges().at(column + 1)) / 2;
        if (x > 4 && x < 11) {
            logSum += std::log(result.rho[grid.cell(column, 0)]);
            ++count;
        }
    }
    const double mean = std::exp(logSum / count);
    QVERIFY2(std::abs(mean / 50 - 1) < 0.05, qPrintable(QString::number(mean)));
}

// A conductive block under a resistive cover turns some scattered readings' signs on the way
// from the start model to the ground; the inversion must bring them back through zero.
void TestInversion::readingsCrossZero()
{
    Kgw::Ground ground(300);
    ground.addBlock(3, 9, 1, 4, 10);
    const Kgw::InversionData data = simulated(ground, 0.03, scatteredRows());
    QVERIFY(data.rows.size() > 100);
    const Kgw::InversionResult result = Kgw::invert(data);
    QVERIFY2(result.converged(), qPrintable(QString::number(result.steps.constLast().chiSquared)));
}

void TestInversion::roughness_data()
{
    QTest::addColumn<bool>("alongX"); // m = x, else m = z, at the cells' centres
    QTest::addColumn<double>("zWeight");
    QTest::newRow("m = x") << true << 3.0;
    QTest::newRow("m = z") << false << 1.0;
    QTest::newRow("m = z, weighed down") << false << 3.0;
}

// A model rising by 1 per metre has a roughness of the area its gradient spans: from the first
// cell centre to the last along the gradient, across the whole grid, times zWeight² down it.
void TestInversion::roughness()
{
    QFETCH(bool, alongX);
    QFETCH(double, zWeight);
    const Kgw::ModelGrid grid(6, 2.0);
    const QVector<double> &x = grid.xEdges();
    const QVector<double> &z = grid.zEdges();
    const auto centre
        = [](const QVector<double> &edges, int i) { return (edges.at(i) + edges.at(i + 1)) / 2; };
    Eigen::VectorXd m(grid.cellCount());
    for (int cell = 0; cell < grid.cellCount(); ++cell)
        m[cell] = alongX ? centre(x, grid.columnOf(cell)) : centre(z, grid.layerOf(cell));
    const double expected = alongX
        ? (centre(x, grid.columns() - 1) - centre(x, 0)) * (z.last() - z.first())
        : zWeight * zWeight * (centre(z, grid.layers() - 1) - centre(z, 0))
            * (x.last() - x.first());
    const double roughness = (Kgw::roughening(grid, zWeight) * m).squaredNorm();
    QVERIFY2(std::abs(roughness / expected - 1) < 1e-12,
        qPrintable(QStringLiteral("%1, not %2").arg(roughness).arg(expected)));
}

void TestInversion::modelReadsBackAsAGrid()
{
    const Kgw::ModelGrid grid(6, 2.0);
    QVERIFY(grid.isValid());
    Eigen::VectorXd rho(grid.cellCount());
    for (int cell = 0; cell < grid.cellCount(); ++cell)
        rho[cell] = 10 + 0.5 * cell;
    QTemporaryDir dir;
    QFile xyz(dir.filePath(QStringLiteral("m.xyz")));
    QVERIFY(xyz.open(QIODevice::WriteOnly));
    xyz.write(Kgw::modelXyz(grid, rho));
    xyz.close();
    QFile groundFile(dir.filePath(QStringLiteral("m.ground")));
    QVERIFY(groundFile.open(QIODevice::WriteOnly));
    groundFile.write("background 1\ngrid m.xyz\n");
    groundFile.close();
    const Kgw::GroundFileResult read = Kgw::readGroundFile(groundFile.fileName());
    QVERIFY2(read.ok(), qPrintable(read.message));
    for (int cell = 0; cell < grid.cellCount(); ++cell) {
        const int c = grid.columnOf(cell);
        const int l = grid.layerOf(cell);
        const double x = (grid.xEdges().at(c) + grid.xEdges().at(c + 1)) / 2;
        const double z = (grid.zEdges().at(l) + grid.zEdges().at(l + 1)) / 2;
        QCOMPARE(read.ground->resistivityAt(x, z), rho[cell]);
    }
}

void TestInversion::score_data()
{
    QTest::addColumn<double>("depth");
    QTest::addColumn<double>("imageRho"); // a uniform image; 0 for the truth itself
    QTest::addColumn<double>("section");
    QTest::addColumn<double>("bodies"); // -1 for none

    // The truth is a 1000 ohm m block, x 20-24 m and z 2-4 m, in 100 ohm m, under 48
    // electrodes 1 m apart: 8 × 4 of the 94 × 16 half-metre cells down to 8 m.
    QTest::newRow("the truth scores 0") << 8.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("the background misses the block by a decade")
        << 8.0 << 100.0 << std::sqrt(32.0 / 1504) << 1.0;
    QTest::newRow("a layer short of 8 m") << 7.99 << 100.0 << std::sqrt(32.0 / 1410) << 1.0;
    QTest::newRow("above the block, no body") << 2.0 << 100.0 << 0.0 << -1.0;
    QTest::newRow("ten times too high") << 2.0 << 1000.0 << 1.0 << -1.0;
}

void TestInversion::score()
{
    QFETCH(double, depth);
    QFETCH(double, imageRho);
    QFETCH(double, section);
    QFETCH(double, bodies);
    Kgw::Ground truth(100);
    truth.addBlock(20, 24, 2, 4, 1000);
    const Kgw::ImageScore score
        = Kgw::scoreImage(truth, imageRho > 0 ? Kgw::Ground(imageRho) : truth, 48, 1, depth);
    QVERIFY2(std::abs(score.section - section) < 1e-12, qPrintable(QString::number(score.section)));
    if (bodies < 0)
        QVERIFY(std::isnan(score.bodies));
    else
        QVERIFY2(
            std::abs(score.bodies - bodies) < 1e-12, qPrintable(QString::number(score.bodies)));
}

// A uniform ground's readings with 3 % noise give it back within 5 %, and a test without noise has
// no errors to weigh its readings by.
void TestInversion::syntheticTest()
{
    const Kgw::SyntheticTest test
        = Kgw::runSyntheticTest(Kgw::Ground(100), cableRows(), Electrodes, 1);
    QVERIFY2(test.error.isEmpty(), qPrintable(test.error));
    QVERIFY(test.inversion.steps.constLast().chiSquared <= 1);
    QVERIFY(test.investigationDepth > 0);
    const Kgw::ImageScore score = Kgw::scoreImage(
        Kgw::Ground(100), Kgw::modelGround(test.inversion), Electrodes, 1, test.investigationDepth);
    QVERIFY2(score.section < 0.02, qPrintable(QString::number(score.section)));

    Kgw::SyntheticTestOptions quiet;
    quiet.noiseShare = 0;
    QVERIFY(!Kgw::runSyntheticTest(Kgw::Ground(100), cableRows(), Electrodes, 1, quiet)
                 .error.isEmpty());
}

// Lists tested side by side come back in their order, each as it is tested alone; a progress
// that cancels stops them all.
void TestInversion::severalListsSideBySide()
{
    const QVector<Kgw::LineQuadruple> all = cableRows();
    const QVector<QVector<Kgw::LineQuadruple>> lists { all.mid(0, 30), all, all.mid(30) };
    const Kgw::Ground ground(100);
    const QVector<Kgw::SyntheticTest> tests = Kgw::runSyntheticTests(ground, lists, Electrodes, 1);
    QCOMPARE(tests.size(), lists.size());
    for (int j = 0; j < lists.size(); ++j) {
        const Kgw::SyntheticTest alone = Kgw::runSyntheticTest(ground, lists.at(j), Electrodes, 1);
        QVERIFY(tests.at(j).error.isEmpty());
        QCOMPARE(tests.at(j).inversion.rho.size(), alone.inversion.rho.size());
        QCOMPARE(tests.at(j).inversion.rho, alone.inversion.rho);
    }
    QVERIFY_EXCEPTION_THROWN(Kgw::runSyntheticTests(ground, lists, Electrodes, 1, {},
                                 [](double) { throw Kgw::Cancelled(); }),
        Kgw::Cancelled);
}

void TestInversion::advice_data()
{
    QTest::addColumn<double>("err"); // every row's
    QTest::addColumn<double>("misfit"); // every row's relative misfit but the outliers'
    QTest::addColumn<QVector<double>>("outliers"); // at rows 5, 13, 21 …, lines 106, 114, 122 …
    QTest::addColumn<int>("ending");
    QTest::addColumn<double>("before"); // χ² of the last iteration but one
    QTest::addColumn<double>("chiSquared");
    QTest::addColumn<QStringList>("advice"); // each sentence's start
    const int limit = Kgw::InversionResult::IterationLimit;
    const int reached = Kgw::InversionResult::ChiSquaredReached;
    const int noStep = Kgw::InversionResult::NoLowerMisfit;

    QTest::newRow("a fit at 1.5") << 0.03 << 0.05 << QVector<double>() << limit << 3.0 << 1.5
                                  << QStringList();
    QTest::newRow("still falling at the limit")
        << 0.03 << 0.02 << QVector<double>() << limit << 1.7 << 1.52
        << QStringList { "It stopped at the iteration limit of 4 with chi-squared still falling "
                         "(1.7 to 1.52 in the last iteration): give it more iterations, "
                         "--max-iter 8." };
    QTest::newRow("falling by a tenth: no longer")
        << 0.03 << 0.02 << QVector<double>() << limit << 2.0 << 1.8 << QStringList();
    QTest::newRow("two readings carry it")
        << 0.03 << 0.05 << QVector<double> { 0.5, 0.45 } << reached << 9.0 << 1.6
        << QStringList { "Half of the misfit comes from 2 of 40 readings, the worst at line 106, "
                         "114: check or remove them" };
    // Each 0.17 holds 32.1 of χ² × 40, the rest 2.78: four hold 128.4 of 228.4, a tenth of the
    // rows; five 160.5 of 257.7, and it takes all five.
    QTest::newRow("four readings carry it")
        << 0.03 << 0.05 << QVector<double>(4, 0.17) << reached << 9.0 << 1.6
        << QStringList { "Half of the misfit comes from 4 of 40 readings" };
    QTest::newRow("five readings are many")
        << 0.03 << 0.05 << QVector<double>(5, 0.17) << reached << 9.0 << 1.6
        << QStringList { "The errors (median 3.0 %) are smaller than the misfit a smooth model "
                         "reaches across the data (RMS 7.6 %): the err column is too small; give "
                         "errors of at least 7.7 %." };
    QTest::newRow("errors as large as the misfit")
        << 0.25 << 0.25 << QVector<double>() << reached << 9.0 << 1.6 << QStringList();
    QTest::newRow("no step lowers two readings")
        << 0.03 << 0.05 << QVector<double> { 0.5, 0.45 } << noStep << 9.0 << 1.6
        << QStringList { "Half of the misfit comes from 2 of 40 readings" };
    QTest::newRow("no step lowers errors too small")
        << 0.03 << 0.0449 << QVector<double>() << noStep << 9.0 << 1.6
        << QStringList { "The errors (median 3.0 %)" };
    QTest::newRow("no step lowers it") << 0.03 << 0.02 << QVector<double>() << noStep << 9.0 << 1.6
                                       << QStringList { "No step lowered the misfit" };
}

void TestInversion::advice()
{
    QFETCH(double, err);
    QFETCH(double, misfit);
    QFETCH(QVector<double>, outliers);
    QFETCH(int, ending);
    QFETCH(double, before);
    QFETCH(double, chiSquared);
    QFETCH(QStringList, advice);
    constexpr int Rows = 40;
    Kgw::InversionData data;
    data.rows.fill(Kgw::LineQuadruple(1, 4, 2, 3), Rows);
    data.err = Eigen::VectorXd::Constant(Rows, err);
    for (int i = 0; i < Rows; ++i)
        data.lines.append(101 + i);
    // Each row's relative misfit, and its share of χ² as the square of misfit / err.
    Eigen::VectorXd misfits = Eigen::VectorXd::Constant(Rows, misfit);
    for (int i = 0; i < outliers.size(); ++i)
        misfits[5 + 8 * i] = outliers.at(i);
    Kgw::InversionResult result;
    result.residuals = misfits / err;
    result.ending = Kgw::InversionResult::Ending(ending);
    result.steps
        = { { 3, before }, { 4, chiSquared, 100 * std::sqrt(misfits.squaredNorm() / Rows) } };
    const QStringList given = Kgw::inversionAdvice(data, result);
    QCOMPARE(given.size(), advice.size());
    for (int i = 0; i < advice.size(); ++i)
        QVERIFY2(given.at(i).startsWith(advice.at(i)), qPrintable(given.at(i)));
}

// The first survey is the standard arrays' start, dipole-dipole a = 1 along the cable, and the
// design is built on it; a first survey that leaves nothing to design is refused.
void TestInversion::adaptiveDesign_data()
{
    QTest::addColumn<int>("firstCount");
    QTest::addColumn<bool>("made");
    QTest::newRow("one to design") << 39 << true;
    QTest::newRow("half") << 20 << true;
    QTest::newRow("nothing to design") << 40 << false;
    QTest::newRow("no first survey") << 0 << false;
}

void TestInversion::adaptiveDesign()
{
    QFETCH(int, firstCount);
    QFETCH(bool, made);
    const Kgw::SurveyModel survey(Kgw::ModelGrid(12, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::DesignRequest request;
    request.options.measurements = 40;
    Kgw::Ground truth(100);
    truth.addBlock(4, 7, 0.5, 2, 10);
    const Kgw::AdaptiveDesign adaptive = Kgw::adaptiveDesign(model, truth, request, firstCount);
    QCOMPARE(adaptive.ok(), made);
    if (!made)
        return;
    QCOMPARE(adaptive.first.data.rows.size(), firstCount);
    QVERIFY(adaptive.first.inversion.converged());
    const QVector<Kgw::Quadruple> &design = adaptive.run.design.configurations;
    QCOMPARE(design.size(), 40);
    QCOMPARE(adaptive.run.design.baseCount, firstCount);
    QCOMPARE(design.mid(0, 3),
        (QVector<Kgw::Quadruple> { { 2, 1, 3, 4 }, { 3, 2, 4, 5 }, { 4, 3, 5, 6 } }));
    for (int i = 0; i < firstCount; ++i)
        QCOMPARE(Kgw::toLinePositions(design.at(i)), adaptive.first.data.rows.at(i));
}

QTEST_GUILESS_MAIN(TestInversion)
#include "tst_inversion.moc"
