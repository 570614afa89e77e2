#include "electrodeset.h"
#include "geometry.h"

#include "testsupport.h"

#include <QtMath>
#include <QtTest>

Q_DECLARE_METATYPE(Kgw::Quadruple)

namespace {

Kgw::Quadruple quadruple(int a, int b, int m, int n)
{
    Kgw::Quadruple q;
    q.a = a;
    q.b = b;
    q.m = m;
    q.n = n;
    return q;
}

} // namespace

class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void standardArrays_data();
    void standardArrays();
    void factorWithoutSignalOrWithRepeats_data();
    void factorWithoutSignalOrWithRepeats();
    void pseudoPosition_data();
    void pseudoPosition();
    void signalCancellation_data();
    void signalCancellation();
    void positiveFactor_data();
    void positiveFactor();
    void electrodeSet_data();
    void electrodeSet();
};

void TestGeometry::standardArrays_data()
{
    QTest::addColumn<Kgw::Quadruple>("q");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<double>("expected");

    // Textbook factors, with a the electrode step times the spacing in metres.
    for (const double spacing : { 1.0, 2.5, 5.0 }) {
        for (int step = 1; step <= 3; ++step) {
            const double a = step * spacing;
            for (const int i : { 1, 9 }) {
                QTest::addRow("wenner a=%d s=%g i=%d", step, spacing, i)
                    << quadruple(i, i + 3 * step, i + step, i + 2 * step) << spacing << 2 * Pi * a;
                for (int n = 1; n <= 4; ++n) {
                    QTest::addRow("schlumberger a=%d n=%d s=%g i=%d", step, n, spacing, i)
                        << quadruple(i, i + (2 * n + 1) * step, i + n * step, i + (n + 1) * step)
                        << spacing << Pi * n * (n + 1) * a;
                    QTest::addRow("dipole-dipole a=%d n=%d s=%g i=%d", step, n, spacing, i)
                        << quadruple(i + step, i, i + (n + 1) * step, i + (n + 2) * step) << spacing
                        << Pi * n * (n + 1) * (n + 2) * a;
                    QTest::addRow("pole-dipole a=%d n=%d s=%g i=%d", step, n, spacing, i)
                        << quadruple(i, 0, i + n * step, i + (n + 1) * step) << spacing
                        << 2 * Pi * n * (n + 1) * a;
                }
            }
        }
    }
    QTest::newRow("pole-pole") << quadruple(3, 0, 7, 0) << 2.0 << 2 * Pi * 8;
    // Swapping the potential electrodes turns the sign, not the size.
    QTest::newRow("wenner reversed") << quadruple(1, 4, 3, 2) << 5.0 << -2 * Pi * 5;
}

void TestGeometry::standardArrays()
{
    QFETCH(Kgw::Quadruple, q);
    QFETCH(double, spacing);
    QFETCH(double, expected);

    const double k = Kgw::geometricFactor(q, spacing);
    QVERIFY2(qAbs(k - expected) <= 1e-9 * qAbs(expected),
        qPrintable(QStringLiteral("K = %1, expected %2").arg(k, 0, 'g', 17).arg(expected)));
    QVERIFY(!Kgw::measuresNoSignal(q));
}

void TestGeometry::factorWithoutSignalOrWithRepeats_data()
{
    QTest::addColumn<Kgw::Quadruple>("q");
    QTest::addColumn<bool>("repeated");
    QTest::addColumn<bool>("noSignal");

    QTest::newRow("M midway between A and B") << quadruple(1, 3, 2, 0) << false << true;
    QTest::newRow("M and N mirrored about a pole") << quadruple(5, 0, 3, 7) << false << true;
    QTest::newRow("M midway, B to the left") << quadruple(20, 10, 15, 0) << false << true;
    QTest::newRow("mirrored about the current pair") << quadruple(10, 12, 8, 14) << false << false;
    QTest::newRow("nearly but not quite symmetric") << quadruple(10, 12, 8, 15) << false << false;
    QTest::newRow("A = B") << quadruple(4, 4, 1, 2) << true << false;
    QTest::newRow("M = N") << quadruple(1, 2, 6, 6) << true << false;
    QTest::newRow("A = M") << quadruple(3, 5, 3, 6) << true << false;
    QTest::newRow("B = N") << quadruple(1, 5, 3, 5) << true << false;
    QTest::newRow("both remote is no repeat") << quadruple(1, 0, 2, 0) << false << false;
}

void TestGeometry::factorWithoutSignalOrWithRepeats()
{
    QFETCH(Kgw::Quadruple, q);
    QFETCH(bool, repeated);
    QFETCH(bool, noSignal);

    QCOMPARE(Kgw::hasRepeatedElectrode(q), repeated);
    QCOMPARE(Kgw::measuresNoSignal(q), noSignal);
    QCOMPARE(Kgw::isUnmeasurable(q), repeated || noSignal);
    const double k = Kgw::geometricFactor(q, 5);
    if (repeated)
        QVERIFY(qIsNaN(k));
    else if (noSignal)
        QVERIFY(qIsInf(k) && k > 0);
    else
        QVERIFY(qIsFinite(k));
}

void TestGeometry::pseudoPosition_data()
{
    QTest::addColumn<Kgw::Quadruple>("q");
    QTest::addColumn<double>("x");

    QTest::newRow("wenner") << quadruple(1, 4, 2, 3) << 7.5;
    QTest::newRow("dipole-dipole") << quadruple(2, 1, 3, 4) << 7.5;
    QTest::newRow("pole-dipole") << quadruple(1, 0, 2, 3) << 3.75;
    QTest::newRow("pole-pole") << quadruple(1, 0, 3, 0) << 5.0;
    QTest::newRow("last electrode") << quadruple(48, 0, 48, 0) << 235.0;
    QTest::newRow("outside the cable") << quadruple(49, 0, 1, 0) << qQNaN();
}

void TestGeometry::pseudoPosition()
{
    QFETCH(Kgw::Quadruple, q);
    QFETCH(double, x);

    const double position = Kgw::pseudoPosition(q, 5);
    if (qIsNaN(x))
        QVERIFY(qIsNaN(position));
    else
        QCOMPARE(position, x);
}

void TestGeometry::signalCancellation_data()
{
    QTest::addColumn<Kgw::Quadruple>("q");
    QTest::addColumn<double>("cancellation");

    // Worked by hand in electrode steps: (|ΔA| + |ΔB|) / |G| and (|ΔM| + |ΔN|) / |G|.
    QTest::newRow("Wenner-alpha: the parts add") << quadruple(1, 4, 2, 3) << 1.0;
    QTest::newRow("Schlumberger n = 5") << quadruple(1, 12, 6, 7) << 1.0;
    // ΔA = 1 - 1/2, ΔB = 1/2 - 1/3, G = 1/3.
    QTest::newRow("dipole-dipole n = 1") << quadruple(2, 1, 3, 4) << 2.0;
    // ΔA = 1/6 - 1/7, ΔB = 1/7 - 1/8, G = 1/168.
    QTest::newRow("dipole-dipole n = 6") << quadruple(2, 1, 8, 9) << 7.0;
    // ΔM = 1, ΔN = 1/2 of A alone, G = 1/2.
    QTest::newRow("pole-dipole n = 1") << quadruple(1, 0, 2, 3) << 3.0;
    QTest::newRow("no signal") << quadruple(2, 4, 3, 0) << qInf();
}

void TestGeometry::signalCancellation()
{
    QFETCH(Kgw::Quadruple, q);
    QFETCH(double, cancellation);

    QCOMPARE(Kgw::signalCancellation(q), cancellation);
}

// G by hand, in electrode steps: 1/AM - 1/AN - 1/BM + 1/BN.
void TestGeometry::positiveFactor_data()
{
    QTest::addColumn<Kgw::Quadruple>("q");
    QTest::addColumn<Kgw::Quadruple>("expected");

    // 1 - 1/2 - 1/2 + 1 = 1, and -1 with M and N swapped.
    QTest::newRow("wenner") << quadruple(1, 4, 2, 3) << quadruple(1, 4, 2, 3);
    QTest::newRow("wenner, M and N swapped") << quadruple(1, 4, 3, 2) << quadruple(1, 4, 2, 3);
    // 1/2 - 1 = -1/2, B remote.
    QTest::newRow("pole-dipole") << quadruple(1, 0, 3, 2) << quadruple(1, 0, 2, 3);
    // 1/2 - 1 = -1/2; M may not be remote, so A and B change places.
    QTest::newRow("N remote") << quadruple(1, 2, 3, 0) << quadruple(2, 1, 3, 0);
    // 1 - 1 = 0: no sign to turn.
    QTest::newRow("no signal") << quadruple(1, 3, 2, 0) << quadruple(1, 3, 2, 0);
}

void TestGeometry::positiveFactor()
{
    QFETCH(Kgw::Quadruple, q);
    QFETCH(Kgw::Quadruple, expected);
    QCOMPARE(Kgw::withPositiveFactor(q), expected);
}

void TestGeometry::electrodeSet_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read"); // as text() writes the set; empty when refused
    QTest::addColumn<int>("positions"); // the highest electrode taken

    const auto row = [](const char *text, const char *read, int positions = 48) {
        QTest::addRow("%s of %d", text, positions)
            << QString::fromLatin1(text) << QString::fromLatin1(read) << positions;
    };
    row("7,23-24", "7, 23-24");
    row(" 3 , 1 - 4 ", "1-4");
    row("1", "1");
    row("0", ""); // remote, not on the cable
    row("48", "48");
    row("47-49", "");
    row("23-23", "");
    row("7,,8", "");
    // Line positions, on a line of 1000: four digits, and no further than its end.
    row("1000", "1000", 1000);
    row("130-131, 999", "130-131, 999", 1000);
    row("120-121", "", 120);
    row("00048", "", 1000);
}

void TestGeometry::electrodeSet()
{
    QFETCH(QString, text);
    QFETCH(QString, read);
    QFETCH(int, positions);
    QString error;
    const std::optional<Kgw::ElectrodeSet> set = Kgw::parseElectrodeSet(text, &error, positions);
    QCOMPARE(set ? set->text() : QString(), read);
    QCOMPARE(error.isEmpty(), set.has_value());
}

QTEST_GUILESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
