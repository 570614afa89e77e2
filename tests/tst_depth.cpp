#include "depth.h"
#include "quadruple.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

using Kgw::Quadruple;

Q_DECLARE_METATYPE(Quadruple)

namespace {

// The cumulative share C(z)/G straight from its definition, positions in electrode steps.
double share(const Quadruple &q, double z)
{
    const int current[2] = { q.a, q.b };
    const int potential[2] = { q.m, q.n };
    double c = 0;
    double g = 0;
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            if (current[i] == 0 || potential[j] == 0)
                continue;
            const double sign = i == j ? 1 : -1;
            const double r = std::abs(current[i] - potential[j]);
            c += sign * (1 / r - 1 / std::sqrt(r * r + 4 * z * z));
            g += sign / r;
        }
    }
    return c / g;
}

} // namespace

class TestDepth : public QObject
{
    Q_OBJECT

private slots:
    void standardArrays_data();
    void standardArrays();
    void poleDipoleIsReciprocalOfSchlumberger();
    void scalesWithSpacing_data();
    void scalesWithSpacing();
    void noDepth_data();
    void noDepth();
    void firstCrossingOfAnyQuadruple();
    void sameShapeSameDepth();
};

// Published medians (Edwards 1977, as tabulated in the common texts) in units of a, with the
// half-width of their rounding (two-decimal values are rounded half up). Wenner-gamma is printed
// there as 0.594, a little below what the definition gives.
void TestDepth::standardArrays_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("tolerance");

    QTest::newRow("Wenner-alpha, A M N B") << Quadruple { 1, 4, 2, 3 } << 0.519 << 0.0005;
    QTest::newRow("Wenner-alpha, a = 3") << Quadruple { 10, 19, 13, 16 } << 3 * 0.519 << 0.0015;
    QTest::newRow("Wenner-beta, B A M N") << Quadruple { 2, 1, 3, 4 } << 0.416 << 0.0005;
    QTest::newRow("Wenner-gamma, A M B N") << Quadruple { 1, 3, 2, 4 } << 0.594 << 0.0015;
    QTest::newRow("pole-pole, sqrt(3)/2") << Quadruple { 1, 0, 2, 0 } << std::sqrt(3.0) / 2 << 1e-6;
    QTest::newRow("pole-pole, 47 a")
        << Quadruple { 1, 0, 48, 0 } << 47 * std::sqrt(3.0) / 2 << 47e-6;
    QTest::newRow("pole-pole, M left of A")
        << Quadruple { 30, 0, 25, 0 } << 5 * std::sqrt(3.0) / 2 << 5e-6;

    const double dipoleDipole[] = { 0.416, 0.697, 0.962, 1.220, 1.476, 1.730, 1.983, 2.236 };
    for (int n = 1; n <= 8; ++n) {
        QTest::addRow("dipole-dipole n = %d", n)
            << Quadruple { 2, 1, n + 2, n + 3 } << dipoleDipole[n - 1] << 0.0005;
    }
    // Wenner-Schlumberger: M and N one step apart, n steps inside A and B.
    const double schlumberger[] = { 0.52, 0.93, 1.32, 1.71, 2.09, 2.48 };
    for (int n = 1; n <= 6; ++n) {
        QTest::addRow("Schlumberger n = %d", n)
            << Quadruple { 1, 2 * n + 2, n + 1, n + 2 } << schlumberger[n - 1] << 0.0051;
    }
    for (int n = 1; n <= 6; ++n) {
        QTest::addRow("pole-dipole n = %d", n)
            << Quadruple { 1, 0, n + 1, n + 2 } << schlumberger[n - 1] << 0.0051;
    }
    QTest::newRow("dipole-pole, N remote") << Quadruple { 1, 2, 3, 0 } << 0.519 << 0.0005;
}

void TestDepth::standardArrays()
{
    QFETCH(Quadruple, q);
    QFETCH(double, expected);
    QFETCH(double, tolerance);

    const double z = Kgw::medianDepth(q, 1.0);
    QVERIFY2(std::abs(z - expected) <= tolerance, qPrintable(QString::number(z, 'g', 10)));
}

// The share of a pole-dipole and its Schlumberger counterpart is the same function of z.
void TestDepth::poleDipoleIsReciprocalOfSchlumberger()
{
    for (int n = 1; n <= 20; ++n) {
        const double pole = Kgw::medianDepth(Quadruple { 1, 0, n + 1, n + 2 }, 1.0);
        const double nested = Kgw::medianDepth(Quadruple { 1, 2 * n + 2, n + 1, n + 2 }, 1.0);
        QVERIFY(std::abs(pole - nested) <= 1e-6 * nested);
    }
}

void TestDepth::scalesWithSpacing_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::newRow("Wenner") << Quadruple { 1, 4, 2, 3 };
    QTest::newRow("pole-pole") << Quadruple { 7, 0, 3, 0 };
    QTest::newRow("dipole-dipole") << Quadruple { 40, 41, 20, 19 };
    QTest::newRow("mixed") << Quadruple { 31, 16, 48, 26 };
}

void TestDepth::scalesWithSpacing()
{
    QFETCH(Quadruple, q);
    const double unit = Kgw::medianDepth(q, 1.0);
    QVERIFY(std::isfinite(unit));
    for (double spacing : { 0.001, 0.5, 2.5, 5.0, 37.125, 100.0 }) {
        const double z = Kgw::medianDepth(q, spacing);
        QVERIFY2(std::abs(z - unit * spacing) <= 1e-9 * z, qPrintable(QString::number(spacing)));
    }
}

void TestDepth::noDepth_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::addColumn<double>("spacing");

    QTest::newRow("A = B") << Quadruple { 3, 3, 1, 2 } << 5.0;
    QTest::newRow("M = N") << Quadruple { 1, 4, 2, 2 } << 5.0;
    QTest::newRow("A = M") << Quadruple { 1, 4, 1, 2 } << 5.0;
    QTest::newRow("B = N") << Quadruple { 1, 4, 2, 4 } << 5.0;
    QTest::newRow("A = N, B remote") << Quadruple { 5, 0, 6, 5 } << 5.0;
    // Equidistant potential electrodes see the same potential.
    QTest::newRow("G = 0, symmetric") << Quadruple { 1, 5, 3, 0 } << 5.0;
    QTest::newRow("G = 0, M and N either side of A") << Quadruple { 5, 0, 3, 7 } << 5.0;
    QTest::newRow("G = 0, M halfway, N remote") << Quadruple { 10, 20, 15, 0 } << 5.0;
    QTest::newRow("no pair left, A and B remote") << Quadruple { 0, 0, 2, 3 } << 5.0;
    QTest::newRow("off the cable") << Quadruple { 1, 49, 2, 3 } << 5.0;
    QTest::newRow("negative electrode") << Quadruple { 1, -2, 2, 3 } << 5.0;
    QTest::newRow("zero spacing") << Quadruple { 1, 4, 2, 3 } << 0.0;
    QTest::newRow("negative spacing") << Quadruple { 1, 4, 2, 3 } << -5.0;
    QTest::newRow("infinite spacing") << Quadruple { 1, 4, 2, 3 } << qInf();
    QTest::newRow("NaN spacing") << Quadruple { 1, 4, 2, 3 } << qQNaN();
}

void TestDepth::noDepth()
{
    QFETCH(Quadruple, q);
    QFETCH(double, spacing);
    QVERIFY(std::isnan(Kgw::medianDepth(q, spacing)));
}

// For every sort of quadruple, the depth is where the share reaches one half, and nowhere
// below it does the share reach one half already, even where it rises above 1 on the way.
void TestDepth::firstCrossingOfAnyQuadruple()
{
    QRandomGenerator random(7);
    int measured = 0;
    for (int i = 0; i < 1500; ++i) {
        Quadruple q = Quadruple { random.bounded(1, 49), random.bounded(0, 49),
            random.bounded(1, 49), random.bounded(0, 49) };
        const double z = Kgw::medianDepth(q, 1.0);
        if (std::isnan(z))
            continue;
        ++measured;
        QVERIFY(z > 0);
        const QByteArray name = QStringLiteral("%1 %2 %3 %4 z=%5")
                                    .arg(q.a)
                                    .arg(q.b)
                                    .arg(q.m)
                                    .arg(q.n)
                                    .arg(z, 0, 'g', 10)
                                    .toUtf8();
        QVERIFY2(share(q, z * (1 + 2e-6)) >= 0.5, name.constData());
        for (double below = z * (1 - 2e-6); below > 1e-3; below /= 1.002)
            QVERIFY2(share(q, below) < 0.5, name.constData());
    }
    QVERIFY(measured > 1000);
}

// On a homogeneous ground the depth depends only on where the electrodes stand relative to one
// another: the same along the whole cable and mirrored, also when other shapes come in between.
void TestDepth::sameShapeSameDepth()
{
    const Quadruple shapes[] = { { 1, 4, 2, 3 }, { 2, 1, 5, 6 }, { 3, 9, 1, 4 }, { 1, 0, 7, 2 } };
    for (const Quadruple &shape : shapes) {
        const double depth = Kgw::medianDepth(shape, 2.5);
        const int span = std::max<int>({ shape.a, shape.b, shape.m, shape.n });
        for (int shift = 0; shift + span <= 48; ++shift) {
            const auto moved = [shift](int e) { return e == 0 ? 0 : e + shift; };
            const auto mirrored = [shift](int e) { return e == 0 ? 0 : 49 - e - shift; };
            QCOMPARE(Kgw::medianDepth(Quadruple { moved(shape.a), moved(shape.b), moved(shape.m),
                                          moved(shape.n) },
                         2.5),
                depth);
            QCOMPARE(Kgw::medianDepth(Quadruple { mirrored(shape.a), mirrored(shape.b),
                                          mirrored(shape.m), mirrored(shape.n) },
                         2.5),
                depth);
            Kgw::medianDepth(Quadruple { 1 + shift % 7, 0, 9 + shift % 5, 12 }, 2.5);
        }
    }
}

QTEST_GUILESS_MAIN(TestDepth)

#include "tst_depth.moc"
