#include "arrays.h"
#include "line.h"
#include "rollalong.h"
#include "savefile.h"

#include "testsupport.h"

#include <QDir>
#include <QtTest>

using Kgw::LineQuadruple;
using Kgw::Quadruple;

namespace {

// A 12-position line measured with a 6-electrode cable, at 2.5 m.
Kgw::LinePlanRequest smallLine(int move)
{
    Kgw::LinePlanRequest request;
    request.linePositions = 12;
    request.electrodes = 6;
    request.move = move;
    request.spacingMetres = 2.5;
    request.options.aMax = 1;
    return request;
}

template <typename Row>
QString rowsText(const QVector<Row> &rows)
{
    QStringList texts;
    for (const Row &q : rows)
        texts << QStringLiteral("%1 %2 %3 %4").arg(q.a).arg(q.b).arg(q.m).arg(q.n);
    return texts.join(QStringLiteral(", "));
}

// "first at x: rows" per spread, in cable positions.
QString spreadsText(const Kgw::RollAlongPlan &plan)
{
    QStringList texts;
    for (const Kgw::SpreadPlan &spread : plan.spreads)
        texts << QStringLiteral("%1 at %2 m: %3")
                     .arg(spread.firstPosition)
                     .arg(spread.x)
                     .arg(rowsText(spread.rows));
    return texts.join(QStringLiteral(" | "));
}

QVector<LineQuadruple> lineRows(const QString &text)
{
    QVector<LineQuadruple> rows;
    for (const QString &row : text.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
        const QStringList e = row.split(QLatin1Char(' '));
        rows.append(LineQuadruple(e[0].toInt(), e[1].toInt(), e[2].toInt(), e[3].toInt()));
    }
    return rows;
}

QString indicesText(const QVector<int> &indices)
{
    QStringList texts;
    for (const int i : indices)
        texts << QString::number(i);
    return texts.join(QStringLiteral(", "));
}

} // namespace

class TestRollAlong : public QObject
{
    Q_OBJECT

private slots:
    void arrays_data();
    void arrays();
    void givenRows_data();
    void givenRows();
    void refusals_data();
    void refusals();
    void planText();
    void staleSpreadFiles();
    void filesReplaceNothingUntilAllAreWritten();
};

// Wenner-alpha of a = 1 on the line is i, i+3, i+1, i+2 for i = 1 to 9; dipole-dipole of a = 1
// is i+1, i, i+2, i+3 (n = 1, i to 9) then i+1, i, i+3, i+4 (n = 2, i to 8).
void TestRollAlong::arrays_data()
{
    QTest::addColumn<QString>("array");
    QTest::addColumn<int>("nMax");
    QTest::addColumn<int>("move");
    QTest::addColumn<QString>("excluded");
    QTest::addColumn<int>("reciprocals");
    QTest::addColumn<QString>("spreads");
    QTest::addColumn<QString>("lost");
    QTest::addColumn<int>("fullPattern"); // the readings each spread holds, summed

    const QString wenner = QStringLiteral("1 4 2 3, 2 5 3 4, 3 6 4 5");
    // Spreads 1-6, 3-8, 5-10, 7-12: a row spanning i to i+3 falls to the first that reaches it.
    QTest::newRow("wa, move 2") << "wa" << 1 << 2 << QString() << 0
                                << "1 at 0 m: " + wenner
            + " | 3 at 5 m: 2 5 3 4, 3 6 4 5 | 5 at 10 m: 2 5 3 4, 3 6 4 5 | 7 at 15 m: 2 5 3 4, "
              "3 6 4 5" << QString()
                                << 12;
    QTest::newRow("wa, move 3") << "wa" << 1 << 3 << QString() << 0
                                << "1 at 0 m: " + wenner + " | 4 at 7.5 m: " + wenner
            + " | 7 at 15 m: " + wenner
                                << QString() << 9;
    // Spreads 1-6 and 7-12: what spans both is lost.
    QTest::newRow("wa, move 6") << "wa" << 1 << 6 << QString() << 0
                                << "1 at 0 m: " + wenner + " | 7 at 15 m: " + wenner
                                << "4 7 5 6, 5 8 6 7, 6 9 7 8" << 6;
    // Spreads 1-6, 5-10, 7-12: the last move is 2.
    QTest::newRow("wa, move 4, the last one shorter")
        << "wa" << 1 << 4 << QString() << 0
        << "1 at 0 m: " + wenner + " | 5 at 10 m: " + wenner + " | 7 at 15 m: 2 5 3 4, 3 6 4 5"
        << "4 7 5 6" << 9;
    // Spreads 1-6, 4-9, 7-12; rows of i = 2 to 5 use line position 5.
    QTest::newRow("wa, move 3, line position 5 dead")
        << "wa" << 1 << 3 << "5" << 0
        << "1 at 0 m: 1 4 2 3 | 4 at 7.5 m: 3 6 4 5 | 7 at 15 m: " + wenner << QString() << 5;
    // n = 2 spans five positions: i = 3 and 6 lie across two spreads.
    const QString dipoles = QStringLiteral("2 1 3 4, 3 2 4 5, 4 3 5 6, 2 1 4 5, 3 2 5 6");
    QTest::newRow("dd, move 3") << "dd" << 2 << 3 << QString() << 0
                                << "1 at 0 m: " + dipoles + " | 4 at 7.5 m: " + dipoles
            + " | 7 at 15 m: " + dipoles
                                << "4 3 6 7, 7 6 9 10" << 15;
    // Each spread adds the reciprocals of its own rows, which no other spread holds.
    const QString withReciprocals = wenner + QStringLiteral(", 2 3 1 4, 3 4 2 5, 4 5 3 6");
    QTest::newRow("wa, move 3, every reciprocal") << "wa" << 1 << 3 << QString() << 100
                                                  << "1 at 0 m: " + withReciprocals
            + " | 4 at 7.5 m: " + withReciprocals + " | 7 at 15 m: " + withReciprocals
                                                  << QString() << 18;
}

void TestRollAlong::arrays()
{
    QFETCH(QString, array);
    QFETCH(int, nMax);
    QFETCH(int, move);
    QFETCH(QString, excluded);
    QFETCH(int, reciprocals);
    QFETCH(QString, spreads);
    QFETCH(QString, lost);
    QFETCH(int, fullPattern);

    Kgw::LinePlanRequest request = smallLine(move);
    request.kinds = { *Kgw::findArrayKind(array) };
    request.options.nMax = nMax;
    request.reciprocalShare = reciprocals;
    QString error;
    if (!excluded.isEmpty())
        request.excluded = *Kgw::parseElectrodeSet(excluded, &error, Kgw::MaxLinePositions);
    const Kgw::RollAlongPlan plan = Kgw::planArrays(request);
    QVERIFY2(plan.ok(), qPrintable(plan.error));
    QCOMPARE(spreadsText(plan), spreads);
    QCOMPARE(rowsText(plan.lost), lost);
    QCOMPARE(plan.fullPatternReadings(), fullPattern);
}

void TestRollAlong::givenRows_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("reciprocals");
    QTest::addColumn<QString>("spreads");
    QTest::addColumn<QString>("repeats"); // indices among the rows given
    QTest::addColumn<QString>("lost");

    // Spreads 1-6, 4-9, 7-12.
    QTest::newRow("a reversal is a repeat, a reciprocal is measured")
        << "1 4 2 3, 4 1 3 2, 2 3 1 4, 7 10 8 9" << 0
        << "1 at 0 m: 1 4 2 3, 2 3 1 4 | 4 at 7.5 m:  | 7 at 15 m: 1 4 2 3"
        << "1" << QString();
    QTest::newRow("with reciprocals asked for, a reciprocal given is a repeat")
        << "1 4 2 3, 4 1 3 2, 2 3 1 4, 7 10 8 9" << 100
        << "1 at 0 m: 1 4 2 3, 2 3 1 4 | 4 at 7.5 m:  | 7 at 15 m: 1 4 2 3, 2 3 1 4"
        << "1, 2" << QString();
    QTest::newRow("a row across two spreads and one past the cable, after a repeat")
        << "1 2 3 4, 2 1 3 4, 3 4 7 8, 1 0 8 0, 12 0 7 0" << 0
        << "1 at 0 m: 1 2 3 4 | 4 at 7.5 m:  | 7 at 15 m: 6 0 1 0"
        << "1"
        << "2, 3";
}

void TestRollAlong::givenRows()
{
    QFETCH(QString, rows);
    QFETCH(int, reciprocals);
    QFETCH(QString, spreads);
    QFETCH(QString, repeats);
    QFETCH(QString, lost);

    Kgw::LinePlanRequest request = smallLine(3);
    request.reciprocalShare = reciprocals;
    const Kgw::RollAlongPlan plan = Kgw::planRows(lineRows(rows), request);
    QVERIFY2(plan.ok(), qPrintable(plan.error));
    QCOMPARE(spreadsText(plan), spreads);
    QCOMPARE(indicesText(plan.repeatIndices), repeats);
    QCOMPARE(indicesText(plan.lostIndices), lost);
}

void TestRollAlong::refusals_data()
{
    QTest::addColumn<QString>("array"); // empty for rows given
    QTest::addColumn<int>("nMax");
    QTest::addColumn<QString>("excluded");
    QTest::addColumn<double>("factorLimit");
    QTest::addColumn<QString>("error");

    const double none = qInf();
    QTest::newRow("the line's last position excluded") << "wa" << 1 << "12" << none << QString();
    QTest::newRow("a position past the line excluded")
        << "wa" << 1 << "13" << none
        << "Excluded electrode 13 lies beyond the line of 12 electrodes";
    // Wenner-alpha of a = 1 has K = 2 pi a = 15.7 m at 2.5 m.
    QTest::newRow("the |K| limit leaves nothing")
        << "wa" << 1 << QString() << 15.7
        << "Every configuration is left out by the limits: 9 with |K| above the limit, 0 using an "
           "excluded electrode, 0 with a potential dipole above the longest";
    QTest::newRow("the |K| limit just above") << "wa" << 1 << QString() << 15.71 << QString();
    // Gradient's current pair spans s + 2 = 8 positions, more than the cable's 6: 4 places of
    // its 6 dipoles.
    QTest::newRow("no spread holds any")
        << "gr" << 6 << QString() << none
        << "No spread holds any of the 24 configurations: each is longer than the cable of 6 or "
           "lies across two spreads";
    QTest::newRow("a row past the line")
        << QString() << 1 << QString() << none
        << "A configuration uses electrode 13, beyond the line of 12 electrodes";
}

void TestRollAlong::refusals()
{
    QFETCH(QString, array);
    QFETCH(int, nMax);
    QFETCH(QString, excluded);
    QFETCH(double, factorLimit);
    QFETCH(QString, error);

    Kgw::LinePlanRequest request = smallLine(3);
    request.options.nMax = nMax;
    request.factorLimitMetres = factorLimit;
    QString unused;
    if (!excluded.isEmpty())
        request.excluded = *Kgw::parseElectrodeSet(excluded, &unused, Kgw::MaxLinePositions);
    Kgw::RollAlongPlan plan;
    if (array.isEmpty()) {
        plan = Kgw::planRows(lineRows(QStringLiteral("1 4 2 3, 13 0 12 0")), request);
    } else {
        request.kinds = { *Kgw::findArrayKind(array) };
        plan = Kgw::planArrays(request);
    }
    QCOMPARE(plan.error, error);
}

// The columns only some plans have: reciprocals and field time.
void TestRollAlong::planText()
{
    Kgw::LinePlanRequest request = smallLine(6);
    request.kinds = { Kgw::ArrayKind::WennerAlpha };
    request.reciprocalShare = 100;
    request.secondsPerInjection = 10;
    const Kgw::RollAlongPlan plan = Kgw::planArrays(request);
    QVERIFY2(plan.ok(), qPrintable(plan.error));
    // Spreads 1-6 and 7-12 hold Wenner-alpha at 1, 2, 3 and 7, 8, 9, each with its reciprocal:
    // six readings, one injection each with one channel; 4, 5 and 6 lie across both.
    QCOMPARE(Kgw::planText(plan, request, true, false),
        QStringLiteral(
            "line: 12 electrodes at 2.500 m; a cable of 6 moved by 6: 2 spreads\n"
            "spread  first     x (m)  configurations  reciprocals  injections  field time\n"
            "     1      1     0.000               6            3           6     0:01:00\n"
            "     2      7    15.000               6            3           6     0:01:00\n"
            "total: 12 configurations, 12 injections with 1 channel, field time 0:02:00\n"
            "full spreads: 12 configurations, each spread measuring all it holds; the plan saves "
            "0 (0.0 %)\n"
            "lost: 3 configurations that no spread holds (longer than the cable, or across two "
            "spreads)\n"));
}

void TestRollAlong::staleSpreadFiles()
{
    QTemporaryDir dir;
    for (const char *name : { "p-1.txt", "p-2.txt", "p-2.KGW", "p-3.txt", "p-10.kgw", "p.dat",
             "p-x.txt", "q-3.txt", "p-2.txt.KGW" })
        QVERIFY(writeBytes(dir, QLatin1String(name), "1 4 2 3\n"));
    // Two spreads, the first of which measures nothing.
    Kgw::RollAlongPlan plan;
    plan.spreads.resize(2);
    plan.spreads[0].spread = 1;
    plan.spreads[1].spread = 2;
    plan.spreads[1].rows = { Quadruple(1, 4, 2, 3) };
    const QString prefix = dir.filePath(QStringLiteral("p"));
    QCOMPARE(Kgw::staleSpreadFiles(prefix, plan, false),
        QStringList({ dir.filePath(QStringLiteral("p-1.txt")),
            dir.filePath(QStringLiteral("p-2.KGW")), dir.filePath(QStringLiteral("p-3.txt")),
            dir.filePath(QStringLiteral("p-10.kgw")) }));
}

void TestRollAlong::filesReplaceNothingUntilAllAreWritten()
{
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir, QStringLiteral("p-1.txt"), "earlier\n"));
    const QVector<Kgw::NamedContent> files {
        { dir.filePath(QStringLiteral("p-1.txt")), Kgw::FileContent::of({ "1 4 2 3\n" }) },
        { dir.filePath(QStringLiteral("missing/p.dat")), Kgw::FileContent::of({ "12\n" }) },
    };
    int failed = -1;
    const Kgw::WriteResult result = Kgw::saveFiles(files, &failed);
    QCOMPARE(result.status, Kgw::WriteResult::CreateFailed);
    QCOMPARE(failed, 1);
    QCOMPARE(readBytes(dir, QStringLiteral("p-1.txt")), QByteArray("earlier\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("p-1.txt") });

    QVERIFY(Kgw::saveFiles(files.mid(0, 1)).ok());
    QCOMPARE(readBytes(dir, QStringLiteral("p-1.txt")), QByteArray("1 4 2 3\n"));
}

QTEST_GUILESS_MAIN(TestRollAlong)
#include "tst_rollalong.moc"
