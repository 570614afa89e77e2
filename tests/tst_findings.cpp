#include "findings.h"

#include "testsupport.h"

#include <QtMath>
#include <QtTest>

namespace {

// "A B M N; A B M N; ..." into quadruples.
QVector<Kgw::Quadruple> body(const QString &quadruples)
{
    QVector<Kgw::Quadruple> result;
    for (const QString &text : quadruples.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList f = text.simplified().split(QLatin1Char(' '));
        result.append({ f.at(0).toInt(), f.at(1).toInt(), f.at(2).toInt(), f.at(3).toInt() });
    }
    return result;
}

} // namespace

class TestFindings : public QObject
{
    Q_OBJECT

private slots:
    void findings_data();
    void findings();
    void summary();
    void weakSignal();
    void beyondCable_data();
    void beyondCable();
    void fieldLimits_data();
    void fieldLimits();
    void voltagesInRange_data();
    void voltagesInRange();
    void electrodeRanges_data();
    void electrodeRanges();
    void lineRows_data();
    void lineRows();
};

void TestFindings::findings_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("problems");

    QTest::newRow("clean wenner line") << "1 4 2 3; 2 5 3 4; 1 7 3 5" << QStringList() << false;
    QTest::newRow("A = B") << "1 4 2 3; 5 5 6 7"
                           << QStringList { "2: Repeated electrode: A and B are both 5" } << true;
    QTest::newRow("two repeats on one line")
        << "3 3 6 6"
        << QStringList { "1: Repeated electrode: A and B are both 3; M and N are both 6" } << true;
    QTest::newRow("current used as potential")
        << "1 4 4 3" << QStringList { "1: Repeated electrode: B and M are both 4" } << true;
    QTest::newRow("remote twice is no repeat") << "1 0 2 0" << QStringList() << false;
    QTest::newRow("no signal") << "1 3 2 0"
                               << QStringList { "1: No signal: G = 0, so the geometric factor is "
                                                "infinite" }
                               << true;
    QTest::newRow("exact duplicate")
        << "1 4 2 3; 2 5 3 4; 1 4 2 3" << QStringList { "3: Duplicate of line 1" } << true;
    QTest::newRow("A and B swapped")
        << "1 4 2 3; 4 1 2 3" << QStringList { "2: Duplicate of line 1" } << true;
    QTest::newRow("M and N swapped")
        << "1 4 2 3; 1 4 3 2" << QStringList { "2: Duplicate of line 1" } << true;
    QTest::newRow("names the first of several")
        << "1 4 2 3; 4 1 3 2; 1 4 2 3"
        << QStringList { "2: Duplicate of line 1", "3: Duplicate of line 1" } << true;
    QTest::newRow("reciprocal is information only")
        << "1 4 2 3; 2 3 1 4" << QStringList { "2: Reciprocal of line 1" } << false;
    QTest::newRow("reciprocal with swaps")
        << "1 4 2 3; 3 2 4 1" << QStringList { "2: Reciprocal of line 1" } << false;
    QTest::newRow("reciprocal of a pole-dipole")
        << "1 0 2 3; 2 3 1 0" << QStringList { "2: Reciprocal of line 1" } << false;
    QTest::newRow("a duplicate of a reciprocal names only the duplicate")
        << "1 4 2 3; 2 3 1 4; 2 3 1 4"
        << QStringList { "2: Reciprocal of line 1", "3: Duplicate of line 2" } << true;
    QTest::newRow("electrodes beyond the cable, by the same rules")
        << "60 61 62 63; 61 60 63 62; 62 63 60 61"
        << QStringList { "2: Duplicate of line 1", "3: Reciprocal of line 1" } << true;
    QTest::newRow("a repeat and a duplicate")
        << "5 5 6 7; 5 5 7 6"
        << QStringList { "1: Repeated electrode: A and B are both 5",
               "2: Repeated electrode: A and B are both 5", "2: Duplicate of line 1" }
        << true;
}

void TestFindings::findings()
{
    QFETCH(QString, list);
    QFETCH(QStringList, expected);
    QFETCH(bool, problems);

    const Kgw::CheckReport report = Kgw::checkQuadruples(body(list), 5);
    QStringList found;
    for (const Kgw::Finding &finding : report.findings)
        found << QStringLiteral("%1: %2").arg(finding.lineNumber()).arg(finding.message());
    QCOMPARE(found, expected);
    QCOMPARE(report.hasProblems(), problems);
}

void TestFindings::summary()
{
    const Kgw::CheckReport report
        = Kgw::checkQuadruples(body("1 4 2 3; 1 0 2 3; 1 3 2 0; 7 7 8 9; 4 1 2 3; 2 3 1 4"), 5);
    QCOMPARE(report.quadruples, 6);
    QCOMPARE(report.count(Kgw::Finding::RepeatedElectrode), 1);
    QCOMPARE(report.count(Kgw::Finding::NoSignal), 1);
    QCOMPARE(report.count(Kgw::Finding::Duplicate), 1);
    QCOMPARE(report.count(Kgw::Finding::Reciprocal), 1);
    QCOMPARE(report.electrodes, (QVector<int> { 0, 1, 2, 3, 4, 7, 8, 9 }));
    // The pole-dipole's 2π·2·5; neither the infinite nor the missing factor counts.
    QVERIFY(qAbs(report.largestAbsoluteFactor - 20 * Pi) < 1e-9);
    // 4 1 2 3 is 1 4 2 3 with A and B swapped; at 100 ohm m and 100 mA, 10 V m / 20 pi m and
    // 10 V m / 10 pi m.
    QCOMPARE(report.negativeFactors, 1);
    QCOMPARE(report.smallestVoltage, 1 / (2 * Pi));
    QCOMPARE(report.largestVoltage, 1 / Pi);

    QVERIFY(qIsNaN(Kgw::checkQuadruples(body("1 3 2 0"), 5).largestAbsoluteFactor));
}

// Dipole-dipole a = 5 m, n = 7: K = pi n (n + 1) (n + 2) a = 2520 pi m; Wenner a = 5 m: 10 pi m.
void TestFindings::weakSignal()
{
    const Kgw::CheckReport report
        = Kgw::checkQuadruples(body("1 4 2 3; 2 1 9 10; 1 3 2 0; 2 1 9 10"), 5, 1000);
    QStringList found;
    for (const Kgw::Finding &finding : report.findings)
        found << QStringLiteral("%1: %2").arg(finding.lineNumber()).arg(finding.message());
    QCOMPARE(found,
        (QStringList { "2: Weak signal: |K| = 7916.813 m is above the limit of 1000.000 m",
            "3: No signal: G = 0, so the geometric factor is infinite",
            "4: Weak signal: |K| = 7916.813 m is above the limit of 1000.000 m",
            "4: Duplicate of line 2" }));
    QCOMPARE(report.count(Kgw::Finding::WeakSignal), 2);
    QVERIFY(report.hasProblems());
}

void TestFindings::beyondCable_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QVector<int>>("lines"); // beyond a cable of 24

    QTest::newRow("highest electrode on the cable") << "1 0 24 0; 24 21 22 23" << QVector<int>();
    QTest::newRow("one past it, in any column")
        << "25 0 24 0; 1 25 2 3; 1 0 25 0; 1 2 3 25; 1 0 2 0" << QVector<int> { 1, 2, 3, 4 };
}

void TestFindings::beyondCable()
{
    QFETCH(QString, list);
    QFETCH(QVector<int>, lines);

    Kgw::CheckOptions cableOf24;
    cableOf24.cableElectrodes = 24;

    const Kgw::CheckReport report = Kgw::checkQuadruples(body(list), 5, cableOf24);
    QVector<int> found;
    for (const Kgw::Finding &finding : report.findings) {
        QCOMPARE(finding.message(),
            QStringLiteral("Beyond the cable: electrode 25, with 24 electrodes in use"));
        found << finding.lineNumber();
    }
    QCOMPARE(found, lines);
    QCOMPARE(report.count(Kgw::Finding::BeyondCable), lines.size());
    QCOMPARE(report.hasProblems(), !lines.isEmpty());
}

// At 5 m, Wenner a = 5 m has K = 10 pi m; pole-dipole 1 0 2 3 20 pi m; dipole-dipole 3 1 5 7
// (a = 10 m, n = 1) 60 pi m; dipole-dipole a = 5 m, n = 7 2520 pi m. A limit prints as given.
void TestFindings::fieldLimits_data()
{
    QTest::addColumn<double>("rhoTimesCurrent"); // ohm m A
    QTest::addColumn<double>("minVoltage");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("expected");

    // At 100 ohm m and 100 mA the Wenner reads 10 V m / 10 pi m = 318.310 mV, exactly the
    // minimum; the pole-dipole half of it.
    QTest::newRow("at and below the minimum")
        << 10.0 << 10 / (10 * Pi) << "1 4 2 3; 7 10 8 9; 1 0 2 3"
        << QStringList { "2: Excluded electrode: 9 is used",
               "3: Low voltage: 159.155 mV expected, below the minimum of 318.3098862 mV" };
    // At 0.1 ohm m and 1 mA the readings are 1.59 uV, 0.531 uV and 12.6 nV: a minimum of 0.5 uV
    // keeps the second, which three decimals of millivolts would have called 0.001 mV.
    QTest::newRow("a minimum finer than three decimals")
        << 1e-4 << 5e-7 << "1 0 2 3; 3 1 5 7; 3 2 10 11"
        << QStringList { "3: Low voltage: 1.263e-05 mV expected, below the minimum of 0.0005 mV" };
}

void TestFindings::fieldLimits()
{
    QFETCH(double, rhoTimesCurrent);
    QFETCH(double, minVoltage);
    QFETCH(QString, list);
    QFETCH(QStringList, expected);

    Kgw::CheckOptions options;
    options.resistivityOhmMetres = rhoTimesCurrent / options.currentAmperes;
    options.minVoltage = minVoltage;
    options.excluded.insert(9);
    const Kgw::CheckReport report = Kgw::checkQuadruples(body(list), 5, options);
    QStringList found;
    for (const Kgw::Finding &finding : report.findings)
        found << QStringLiteral("%1: %2").arg(finding.lineNumber()).arg(finding.message());
    QCOMPARE(found, expected);
    QVERIFY(report.hasProblems());
}

// Wenner a = 5 m, K = 10 pi m, at 100 mA reads rho / 100 pi V, 3.18 rho mV: beyond a double
// (1.8e308) at rho = 1e308, and below its smallest normal number (2.2e-308) at 1e-310.
void TestFindings::voltagesInRange_data()
{
    QTest::addColumn<double>("resistivity");
    QTest::addColumn<bool>("inRange");
    QTest::newRow("100 ohm m") << 100.0 << true;
    QTest::newRow("1e305 ohm m") << 1e305 << true;
    QTest::newRow("1e308 ohm m") << 1e308 << false;
    QTest::newRow("1e-300 ohm m") << 1e-300 << true;
    QTest::newRow("1e-310 ohm m") << 1e-310 << false;
}

void TestFindings::voltagesInRange()
{
    QFETCH(double, resistivity);
    QFETCH(bool, inRange);
    Kgw::CheckOptions options;
    options.resistivityOhmMetres = resistivity;
    QCOMPARE(Kgw::checkQuadruples(body("1 4 2 3"), 5, options).voltagesInRange(), inRange);
    QVERIFY(Kgw::checkQuadruples(body("1 1 2 3"), 5, options).voltagesInRange());
}

void TestFindings::electrodeRanges_data()
{
    QTest::addColumn<QVector<int>>("electrodes");
    QTest::addColumn<QString>("text");

    QTest::newRow("none") << QVector<int>() << "none";
    QTest::newRow("one") << QVector<int> { 7 } << "7";
    QTest::newRow("ranges") << QVector<int> { 1, 2, 3, 4, 7, 9, 10 } << "1-4, 7, 9-10";
    QTest::newRow("remote") << QVector<int> { 0, 1, 2, 48 } << "1-2, 48, remote";
}

void TestFindings::electrodeRanges()
{
    QFETCH(QVector<int>, electrodes);
    QFETCH(QString, text);
    QCOMPARE(Kgw::electrodeRangesText(electrodes), text);
}

// The rows of a whole line go by the cable's rules, in line positions, past what a cable row's
// byte holds; and a row that none of the line's spreads holds is one to know about.
void TestFindings::lineRows_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("excluded"); // on a line of 1000
    QTest::addColumn<int>("move"); // of a cable of 6 along 12 positions; 0 for no layout
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("electrodes");

    QTest::newRow("a repeat past a byte") << "200 200 201 202" << QString() << 0
                                          << QStringList { "1: Repeated electrode: A and B are "
                                                           "both 200" }
                                          << "200-202";
    QTest::newRow("duplicate and reciprocal in line positions")
        << "300 303 301 302; 303 300 302 301; 301 302 300 303" << QString() << 0
        << QStringList { "2: Duplicate of line 1", "3: Reciprocal of line 1" } << "300-303";
    QTest::newRow("positions 256 apart are other configurations")
        << "1 4 2 3; 257 260 258 259" << QString() << 0 << QStringList() << "1-4, 257-260";
    QTest::newRow("an excluded line position")
        << "130 133 131 132; 1 4 2 3"
        << "131, 999" << 0 << QStringList { "1: Excluded electrode: 131 is used" }
        << "1-4, 130-133";
    QTest::newRow("straddling two spreads of a move of 3")
        << "5 6 7 8; 3 4 7 8; 1 0 12 0" << QString() << 3
        << QStringList { "2: Beyond the spreads: no spread of 6 electrodes holds line positions "
                         "3 to 8",
               "3: Beyond the spreads: no spread of 6 electrodes holds line positions 1 to 12" }
        << "1, 3-8, 12, remote";
}

void TestFindings::lineRows()
{
    QFETCH(QString, list);
    QFETCH(QString, excluded);
    QFETCH(int, move);
    QFETCH(QStringList, expected);
    QFETCH(QString, electrodes);

    QVector<Kgw::LineQuadruple> rows;
    for (const QString &text : list.split(QLatin1Char(';'))) {
        const QStringList f = text.simplified().split(QLatin1Char(' '));
        rows.append({ f.at(0).toInt(), f.at(1).toInt(), f.at(2).toInt(), f.at(3).toInt() });
    }
    Kgw::CheckOptions options;
    QString error;
    if (!excluded.isEmpty())
        options.excluded = *Kgw::parseElectrodeSet(excluded, &error, Kgw::MaxLinePositions);
    if (move > 0)
        options.layout = Kgw::SpreadLayout::plan(12, 6, move, &error);
    const Kgw::CheckReport report = Kgw::checkQuadruples(rows, 5, options);
    QStringList found;
    for (const Kgw::Finding &finding : report.findings)
        found << QStringLiteral("%1: %2").arg(finding.lineNumber()).arg(finding.message());
    QCOMPARE(found, expected);
    QCOMPARE(Kgw::electrodeRangesText(report.electrodes), electrodes);
}

QTEST_GUILESS_MAIN(TestFindings)
#include "tst_findings.moc"
