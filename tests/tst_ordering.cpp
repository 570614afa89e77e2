#include "ordering.h"
#include "testsupport.h"

#include <QtTest>

#include <algorithm>

namespace {

// The quadruples as hex in a fixed order, so that two permutations of them compare equal.
QByteArray sortedHex(QVector<Kgw::Quadruple> quadruples)
{
    std::sort(
        quadruples.begin(), quadruples.end(), [](const Kgw::Quadruple &l, const Kgw::Quadruple &r) {
            return hexOf({ l }) < hexOf({ r });
        });
    return hexOf(quadruples);
}

} // namespace

class tst_Ordering : public QObject
{
    Q_OBJECT

private slots:
    void defaultGap();
    void gapBreaks_data();
    void gapBreaks();
    void injectionCount_data();
    void injectionCount();
    void order_data();
    void order();
    void groupCap();
    void gapInInjections_data();
    void gapInInjections();
    void injectionsFor_data();
    void injectionsFor();
};

void tst_Ordering::defaultGap()
{
    QCOMPARE(Kgw::defaultPolarisationGap(9), 0);
    QCOMPARE(Kgw::defaultPolarisationGap(250), 25);
    QCOMPARE(Kgw::defaultPolarisationGap(5188), 32);
}

void tst_Ordering::gapBreaks_data()
{
    QTest::addColumn<QByteArray>("sequence"); // hex, A B M N per quadruple
    QTest::addColumn<int>("gap");
    QTest::addColumn<int>("breaks");

    QTest::newRow("apart") << QByteArray("0102030405060708") << 1 << 0;
    QTest::newRow("M on the last A") << QByteArray("0102030403040102") << 1 << 1;
    QTest::newRow("just past the gap") << QByteArray("010203040506070803040102") << 1 << 0;
    QTest::newRow("just within the gap") << QByteArray("010203040506070803040102") << 2 << 1;
    // N was never a current electrode, so only the rule on M can count this one.
    QTest::newRow("M alone just within the gap")
        << QByteArray("010203040506070803040109") << 2 << 1;
    QTest::newRow("N on an earlier B") << QByteArray("0102030405060702") << 1 << 1;
    QTest::newRow("remote electrodes never meet") << QByteArray("0100030002000400") << 5 << 0;
    QTest::newRow("no gap") << QByteArray("0102030403040102") << 0 << 0;
}

void tst_Ordering::gapBreaks()
{
    QFETCH(QByteArray, sequence);
    QFETCH(int, gap);
    QFETCH(int, breaks);

    QCOMPARE(Kgw::gapBreaks(quadruplesFromHex(sequence), gap), breaks);
}

void tst_Ordering::injectionCount_data()
{
    QTest::addColumn<QByteArray>("sequence");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("injections");

    QTest::newRow("one channel") << QByteArray("010203040102050601020708") << 1 << 3;
    QTest::newRow("shared pair, two channels") << QByteArray("010203040102050601020708") << 2 << 2;
    QTest::newRow("swapped pair is another") << QByteArray("0102030402010304") << 4 << 2;
    QTest::newRow("pair apart") << QByteArray("010203040506070801020708") << 4 << 3;
}

void tst_Ordering::injectionCount()
{
    QFETCH(QByteArray, sequence);
    QFETCH(int, channels);
    QFETCH(int, injections);

    QCOMPARE(Kgw::injectionCount(quadruplesFromHex(sequence), channels), injections);
}

void tst_Ordering::order_data()
{
    QTest::addColumn<QByteArray>("sequence");
    QTest::addColumn<int>("gap");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("breaks"); // after ordering
    QTest::addColumn<int>("injections"); // after ordering, with the channels

    // 7 8 1 2 must come first: 1 2 3 4 blocks it, and 3 4 5 6 blocks 1 2 3 4.
    QTest::newRow("gap met") << QByteArray("010203040304050607080102") << 2 << 1 << 0 << 3;
    // Each is the other's reciprocal: whichever comes second breaks the gap.
    QTest::newRow("gap can't be met") << QByteArray("0102030403040102") << 1 << 1 << 1 << 2;
    QTest::newRow("channels group shared pairs")
        << QByteArray("01020304050607080102070805060304") << 0 << 2 << 0 << 2;
    // Grouped, 1 2 3 4 and 1 2 7 8 must follow 5 6 1 2, not precede it.
    QTest::newRow("gap between groups")
        << QByteArray("010203040506010201020708") << 1 << 2 << 0 << 2;
}

void tst_Ordering::order()
{
    QFETCH(QByteArray, sequence);
    QFETCH(int, gap);
    QFETCH(int, channels);
    QFETCH(int, breaks);
    QFETCH(int, injections);

    const QVector<Kgw::Quadruple> input = quadruplesFromHex(sequence);
    Kgw::OrderOptions options;
    options.gap = gap;
    options.channels = channels;
    const QVector<Kgw::Quadruple> ordered = Kgw::orderSequence(input, options);
    QCOMPARE(sortedHex(ordered), sortedHex(input));
    QCOMPARE(Kgw::gapBreaks(ordered, gap), breaks);
    QCOMPARE(Kgw::injectionCount(ordered, channels), injections);
    QCOMPARE(hexOf(Kgw::orderSequence(input, options)), hexOf(ordered));
}

void tst_Ordering::groupCap()
{
    // Three measurements of the pair 1 2 with two channels: the third starts a group of its own,
    // which without a gap keeps its place after 5 6 7 8.
    const QVector<Kgw::Quadruple> input = quadruplesFromHex("01020304050607080102090a01020b0c");
    Kgw::OrderOptions options;
    options.channels = 2;
    QCOMPARE(
        hexOf(Kgw::orderSequence(input, options)), QByteArray("010203040102090a0506070801020b0c"));
}

void tst_Ordering::gapInInjections_data()
{
    QTest::addColumn<QByteArray>("sequence");
    QTest::addColumn<int>("gap"); // injections
    QTest::addColumn<int>("breaks");

    // With two channels the first two rows are one injection, so 1 2 rests for two injections
    // when it comes back, three measurements on.
    const QByteArray sequence("01020304010205060708090a0b0c0102");
    QTest::newRow("just within the gap") << sequence << 2 << 1;
    QTest::newRow("just past the gap") << sequence << 1 << 0;
    QTest::newRow("no gap") << sequence << 0 << 0;
}

void tst_Ordering::gapInInjections()
{
    QFETCH(QByteArray, sequence);
    QFETCH(int, gap);
    QFETCH(int, breaks);

    QCOMPARE(Kgw::gapBreaksInInjections(quadruplesFromHex(sequence), gap, 2, {}), breaks);
}

void tst_Ordering::injectionsFor_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("perInjection");
    QTest::addColumn<int>("injections");

    QTest::newRow("whole") << 10.0 << 2.5 << 4;
    QTest::newRow("a millisecond more") << 10.001 << 2.5 << 5;
}

void tst_Ordering::injectionsFor()
{
    QFETCH(double, seconds);
    QFETCH(double, perInjection);
    QFETCH(int, injections);

    QCOMPARE(Kgw::injectionsFor(seconds, perInjection), injections);
}

QTEST_GUILESS_MAIN(tst_Ordering)
#include "tst_ordering.moc"
