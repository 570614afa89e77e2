#include "simulation.h"

#include <QtTest>

#include <cmath>

namespace {

// The mean and standard deviation of what the noise made of each reading: (noisy - clean) /
// scale.
QPair<double, double> deviations(const QVector<double> &noisy, double clean, double scale)
{
    double sum = 0;
    double squares = 0;
    for (const double value : noisy) {
        const double d = (value - clean) / scale;
        sum += d;
        squares += d * d;
    }
    const double mean = sum / noisy.size();
    return { mean, std::sqrt(squares / noisy.size() - mean * mean) };
}

} // namespace

class TestSimulation : public QObject
{
    Q_OBJECT

private slots:
    void cleanReadings_data();
    void cleanReadings();
    void noise_data();
    void noise();
    void seedRepeats();
    void voltageRange_data();
    void voltageRange();
};

// Wenner-alpha at a = 1 m over 100 ohm m with 100 mA: r = rho / (2 pi a) = 15.9155 ohm, 1.59155
// V, so the default floor of 100 µV adds 6.283e-5 to the 3 % error.
void TestSimulation::cleanReadings_data()
{
    QTest::addColumn<double>("background");
    QTest::addColumn<double>("floorVolts");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("err");
    QTest::newRow("100 ohm m") << 100.0 << 1e-4 << 100 / (2 * M_PI) << 0.03 + 1e-4 / 1.5915494;
    QTest::newRow("twice the ground, twice the reading, half the floor's share")
        << 200.0 << 1e-4 << 200 / (2 * M_PI) << 0.03 + 1e-4 / 3.1830989;
    QTest::newRow("no floor") << 100.0 << 0.0 << 100 / (2 * M_PI) << 0.03;
}

void TestSimulation::cleanReadings()
{
    QFETCH(double, background);
    QFETCH(double, floorVolts);
    QFETCH(double, r);
    QFETCH(double, err);
    Kgw::SimulationOptions options;
    options.floorVolts = floorVolts;
    const Kgw::Simulation s = Kgw::simulate(
        Kgw::Ground(background), { Kgw::LineQuadruple(5, 8, 6, 7) }, 12, 1.0, options);
    QVERIFY2(s.error.isEmpty(), qPrintable(s.error));
    QVERIFY(std::abs(s.r.at(0) / r - 1) < 5e-3);
    QVERIFY(std::abs(s.rhoa.at(0) / background - 1) < 5e-3);
    QVERIFY(std::abs(s.u.at(0) / (r * 0.1) - 1) < 5e-3);
    QVERIFY(std::abs(s.err.at(0) / err - 1) < 5e-3);
}

// Two thousand readings of one configuration spread as the noise asked for: a share of the
// reading, volts regardless of it, or both, each about a mean of 0.
void TestSimulation::noise_data()
{
    QTest::addColumn<double>("share");
    QTest::addColumn<double>("floorVolts");
    QTest::newRow("5 %") << 0.05 << 0.0;
    QTest::newRow("1 mV") << 0.0 << 1e-3;
    QTest::newRow("none") << 0.0 << 0.0;
}

void TestSimulation::noise()
{
    QFETCH(double, share);
    QFETCH(double, floorVolts);
    const Kgw::LineQuadruple row(5, 8, 6, 7);
    const QVector<Kgw::LineQuadruple> rows(2000, row);
    Kgw::SimulationOptions options;
    const Kgw::Simulation clean = Kgw::simulate(Kgw::Ground(100), { row }, 12, 1.0, options);
    options.noiseShare = share;
    options.noiseFloorVolts = floorVolts;
    const Kgw::Simulation s = Kgw::simulate(Kgw::Ground(100), rows, 12, 1.0, options);
    const double u = clean.u.at(0);
    // The voltage's spread, share × u and the floor added in quadrature.
    const double expected = std::hypot(share * u, floorVolts);
    if (expected == 0) {
        QCOMPARE(s.u, QVector<double>(rows.size(), u));
        return;
    }
    const QPair<double, double> d = deviations(s.u, u, expected);
    QVERIFY2(std::abs(d.first) < 0.1, qPrintable(QString::number(d.first)));
    QVERIFY2(std::abs(d.second - 1) < 0.1, qPrintable(QString::number(d.second)));
    // The error given is the check's, whatever noise was added.
    QCOMPARE(s.err.at(0), clean.err.at(0));
}

void TestSimulation::seedRepeats()
{
    const QVector<Kgw::LineQuadruple> rows(10, Kgw::LineQuadruple(1, 4, 2, 3));
    Kgw::SimulationOptions options;
    options.noiseShare = 0.03;
    const Kgw::Simulation first = Kgw::simulate(Kgw::Ground(100), rows, 12, 1.0, options);
    QCOMPARE(Kgw::simulate(Kgw::Ground(100), rows, 12, 1.0, options).r, first.r);
    options.seed = 2;
    QVERIFY(Kgw::simulate(Kgw::Ground(100), rows, 12, 1.0, options).r != first.r);
}

void TestSimulation::voltageRange_data()
{
    QTest::addColumn<QVector<double>>("volts");
    QTest::addColumn<double>("milliamperes");
    QTest::addColumn<QString>("text");
    QTest::newRow("by size, whatever the sign")
        << QVector<double> { 0.1, -0.0054, 1.592 } << 100.0 << "voltage: 5.4 to 1592 mV at 100 mA";
    QTest::newRow("four figures") << QVector<double> { 0.0123456, 12.34567 } << 2.5
                                  << "voltage: 12.35 to 1.235e+04 mV at 2.5 mA";
}

void TestSimulation::voltageRange()
{
    QFETCH(QVector<double>, volts);
    QFETCH(double, milliamperes);
    QFETCH(QString, text);
    QCOMPARE(Kgw::voltageRangeText(volts, milliamperes), text);
}

QTEST_GUILESS_MAIN(TestSimulation)
#include "tst_simulation.moc"
