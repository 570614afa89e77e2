#include "listtest.h"

#include <QtTest>

#include <cmath>

using Kgw::Quadruple;

Q_DECLARE_METATYPE(Quadruple)

namespace {

constexpr int Electrodes = 10;
constexpr double Spacing = 2;

// Wenner-alpha of spacing a at every position on the cable: each reaches 0.519 a deep
// (Edwards 1977).
QVector<Quadruple> wenner(int a)
{
    QVector<Quadruple> rows;
    for (int i = 1; i + 3 * a <= Electrodes; ++i)
        rows.append(Quadruple(i, i + 3 * a, i + a, i + 2 * a));
    return rows;
}

} // namespace

class TestListTest : public QObject
{
    Q_OBJECT

private slots:
    void figures_data();
    void figures();
    void scoredToTheShallowerList_data();
    void scoredToTheShallowerList();
    void listWithoutReadingsRefused();
};

void TestListTest::figures_data()
{
    QTest::addColumn<double>("bodies");
    QTest::addColumn<QVector<double>>("chiSquared"); // per accepted iteration, the start first
    QTest::addColumn<QString>("expected");

    QTest::newRow("bodies")
        << 0.413 << QVector<double> { 9, 3, 1.5, 0.96 }
        << "RMS 0.172 over the section, 0.413 over the bodies, \u03c7\u00b2 0.96 "
           "after 3 iterations";
    QTest::newRow("one iteration") << 0.0 << QVector<double> { 2, 0.5 }
                                   << "RMS 0.172 over the section, 0.000 over the bodies, "
                                      "\u03c7\u00b2 0.50 after 1 iteration";
    QTest::newRow("no bodies: a layered ground")
        << std::nan("") << QVector<double> { 0.9 }
        << "RMS 0.172 over the section, \u03c7\u00b2 0.90 after 0 iterations";
}

void TestListTest::figures()
{
    QFETCH(double, bodies);
    QFETCH(QVector<double>, chiSquared);
    QFETCH(QString, expected);

    ListImage image;
    image.score.section = 0.172;
    image.score.bodies = bodies;
    for (const double chi : chiSquared) {
        Kgw::InversionStep step;
        step.chiSquared = chi;
        image.test.inversion.steps.append(step);
    }
    QCOMPARE(imageFigures(image), expected);
}

void TestListTest::scoredToTheShallowerList_data()
{
    QTest::addColumn<QVector<Quadruple>>("list");
    QTest::addColumn<QVector<Quadruple>>("standard");

    // A reading that repeats an electrode is left out, as it is of the list's readings.
    const QVector<Quadruple> shallow = wenner(1) << Quadruple(1, 1, 2, 3);
    const QVector<Quadruple> deep = wenner(1) + wenner(2);
    QTest::newRow("the list shallower") << shallow << deep;
    QTest::newRow("the standard arrays shallower") << deep << shallow;
}

void TestListTest::scoredToTheShallowerList()
{
    QFETCH(QVector<Quadruple>, list);
    QFETCH(QVector<Quadruple>, standard);

    const Kgw::Ground ground(100);
    const ListTest test = runListTest(ground, QStringLiteral("uniform"), list,
        QStringLiteral("design"), standard, Electrodes, Spacing, {});
    QVERIFY2(test.error.isEmpty(), qPrintable(test.error));
    QVERIFY(qAbs(test.depthMetres - 0.519 * Spacing) < 0.001 * Spacing);
    QCOMPARE(test.list.rows + test.standard.rows, 2 * wenner(1).size() + wenner(2).size());
    // The truth and both images on one scale: a value has one colour in all three.
    QCOMPARE(test.panels.size(), 3);
    for (const double rho : { 90.0, 110.0 }) {
        QCOMPARE(test.panels.at(1).colourOf(rho), test.panels.at(0).colourOf(rho));
        QCOMPARE(test.panels.at(2).colourOf(rho), test.panels.at(0).colourOf(rho));
    }
}

void TestListTest::listWithoutReadingsRefused()
{
    const ListTest test = runListTest(Kgw::Ground(100), QStringLiteral("uniform"),
        { Quadruple(1, 2, 2, 3) }, QStringLiteral("design"), wenner(1), Electrodes, Spacing, {});
    QCOMPARE(test.error,
        QStringLiteral("design could not be tested: none of its configurations gives a reading"));
    QVERIFY(test.panels.isEmpty());
}

QTEST_MAIN(TestListTest)
#include "tst_listtest.moc"
