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
    void figures();
    void scoredToTheShallowerList_data();
    void scoredToTheShallowerList();
};

void TestListTest::figures()
{
    // A ground of layers only has no bodies to score, and the start model no iteration.
    ListImage image;
    image.score.section = 0.172;
    image.test.inversion.steps.append(Kgw::InversionStep());
    image.test.inversion.steps.last().chiSquared = 0.9;
    QCOMPARE(imageFigures(image),
        QStringLiteral("RMS 0.172 over the section, \u03c7\u00b2 0.90 after 0 iterations"));
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

    const ListTest test = runListTest(Kgw::Ground(100), QStringLiteral("uniform"), list,
        QStringLiteral("design"), standard, Electrodes, Spacing, {});
    QVERIFY2(test.error.isEmpty(), qPrintable(test.error));
    QVERIFY(qAbs(test.depthMetres - 0.519 * Spacing) < 0.001 * Spacing);
    QCOMPARE(test.list.rows + test.standard.rows, 2 * wenner(1).size() + wenner(2).size());
    // The truth and both images on one scale: a value has one colour in all three.
    QCOMPARE(test.panels.size(), 3);
    QCOMPARE(test.panels.at(1).colourOf(90), test.panels.at(0).colourOf(90));
    QCOMPARE(test.panels.at(2).colourOf(110), test.panels.at(0).colourOf(110));
}

QTEST_MAIN(TestListTest)
#include "tst_listtest.moc"
