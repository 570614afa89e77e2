#include "configurationkind.h"
#include "depth.h"
#include "geometry.h"
#include "line.h"

#include "testsupport.h"

#include <QtTest>

using Kgw::LineQuadruple;
using Kgw::Quadruple;

Q_DECLARE_METATYPE(Kgw::LineQuadruple)
Q_DECLARE_METATYPE(Kgw::Quadruple)
Q_DECLARE_METATYPE(Kgw::Reciprocals)

namespace {

QString firstPositions(const Kgw::SpreadLayout &layout)
{
    QStringList firsts;
    for (int k = 1; k <= layout.count(); ++k)
        firsts << QString::number(layout.firstPosition(k));
    return firsts.join(QLatin1Char(' '));
}

} // namespace

class tst_Line : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void firstHolding_data();
    void firstHolding();
    void keys_data();
    void keys();
    void conversions_data();
    void conversions();
    void geometryOfShiftedRows_data();
    void geometryOfShiftedRows();
    void geometryOfLongRows_data();
    void geometryOfLongRows();
    void reachEnvelope_data();
    void reachEnvelope();
};

void tst_Line::layout_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("cable");
    QTest::addColumn<int>("move");
    QTest::addColumn<QString>("firsts"); // the first line position of each spread
    QTest::addColumn<int>("lastMove");
    QTest::addColumn<QString>("error");

    QTest::newRow("move 2") << 12 << 6 << 2 << "1 3 5 7" << 2 << QString();
    QTest::newRow("move 3") << 12 << 6 << 3 << "1 4 7" << 3 << QString();
    QTest::newRow("move of the whole cable") << 12 << 6 << 6 << "1 7" << 6 << QString();
    QTest::newRow("move 4, the last one 2") << 12 << 6 << 4 << "1 5 7" << 2 << QString();
    QTest::newRow("a line of one spread") << 6 << 6 << 2 << "1" << 0 << QString();
    QTest::newRow("the shortest cable") << 12 << 4 << 4 << "1 5 9" << 4 << QString();
    QTest::newRow("the longest line")
        << 1000 << 48 << 48
        << "1 49 97 145 193 241 289 337 385 433 481 529 577 625 673 721 769 817 865 913 953" << 40
        << QString();

    QTest::newRow("move past the cable")
        << 12 << 6 << 7 << QString() << 0
        << "A move of 7 electrodes leaves a gap between spreads: the cable of 6 moves by 6 at most";
    QTest::newRow("no move") << 12 << 6 << 0 << QString() << 0
                             << "A move of 0 electrodes leaves the cable where it is: move it by "
                                "at least 1";
    QTest::newRow("a line shorter than the cable")
        << 5 << 6 << 2 << QString() << 0
        << "A line of 5 electrodes is shorter than the cable of 6: measure it with 5 of the "
           "cable's electrodes";
    QTest::newRow("a line too long") << 1001 << 48 << 24 << QString() << 0
                                     << "A line of 1001 electrodes is longer than the 1000 a plan "
                                        "takes";
    QTest::newRow("a cable too short")
        << 12 << 3 << 1 << QString() << 0 << "Cable electrodes are out of range [4, 48] (3)";
    QTest::newRow("a cable too long")
        << 100 << 49 << 1 << QString() << 0 << "Cable electrodes are out of range [4, 48] (49)";
}

void tst_Line::layout()
{
    QFETCH(int, line);
    QFETCH(int, cable);
    QFETCH(int, move);
    QFETCH(QString, firsts);
    QFETCH(int, lastMove);
    QFETCH(QString, error);

    QString problem;
    const std::optional<Kgw::SpreadLayout> layout
        = Kgw::SpreadLayout::plan(line, cable, move, &problem);
    QCOMPARE(problem, error);
    QCOMPARE(layout ? firstPositions(*layout) : QString(), firsts);
    QCOMPARE(layout ? layout->lastMove() : 0, lastMove);
}

// Spreads of a 6-electrode cable on a 12-position line. With a move of 2 they cover 1-6, 3-8,
// 5-10, 7-12; of 3, 1-6, 4-9, 7-12; of 4, 1-6, 5-10, 7-12; of 6, 1-6, 7-12.
void tst_Line::firstHolding_data()
{
    QTest::addColumn<int>("move");
    QTest::addColumn<LineQuadruple>("row");
    QTest::addColumn<int>("spread"); // 0 for none

    QTest::newRow("in two, the first") << 2 << LineQuadruple(3, 4, 5, 6) << 1;
    QTest::newRow("beyond the first") << 2 << LineQuadruple(4, 5, 7, 8) << 2;
    QTest::newRow("the whole last spread") << 2 << LineQuadruple(7, 12, 8, 11) << 4;
    QTest::newRow("longer than the cable") << 2 << LineQuadruple(1, 0, 7, 0) << 0;
    QTest::newRow("move 3, in the middle one") << 3 << LineQuadruple(5, 6, 7, 8) << 2;
    QTest::newRow("move 3, straddling") << 3 << LineQuadruple(3, 4, 7, 8) << 0;
    QTest::newRow("move 6, straddling") << 6 << LineQuadruple(6, 0, 7, 0) << 0;
    QTest::newRow("move 6, remote electrodes lie in every spread")
        << 6 << LineQuadruple(12, 0, 7, 0) << 2;
    QTest::newRow("move 4, only in the last") << 4 << LineQuadruple(11, 0, 12, 0) << 3;
    QTest::newRow("move 4, in the last two") << 4 << LineQuadruple(7, 10, 8, 9) << 2;
    QTest::newRow("off the line") << 2 << LineQuadruple(12, 0, 13, 0) << 0;
}

void tst_Line::firstHolding()
{
    QFETCH(int, move);
    QFETCH(LineQuadruple, row);
    QFETCH(int, spread);

    QString error;
    const std::optional<Kgw::SpreadLayout> layout = Kgw::SpreadLayout::plan(12, 6, move, &error);
    QVERIFY2(layout, qPrintable(error));
    QCOMPARE(layout->firstHolding(row), spread);
}

void tst_Line::keys_data()
{
    QTest::addColumn<LineQuadruple>("first");
    QTest::addColumn<LineQuadruple>("second");
    QTest::addColumn<Kgw::Reciprocals>("reciprocals");
    QTest::addColumn<bool>("same");

    const LineQuadruple q(100, 400, 200, 300);
    const auto distinct = Kgw::Reciprocals::Distinct;
    const auto same = Kgw::Reciprocals::Same;
    QTest::newRow("B A M N") << q << LineQuadruple(400, 100, 200, 300) << distinct << true;
    QTest::newRow("A B N M") << q << LineQuadruple(100, 400, 300, 200) << distinct << true;
    QTest::newRow("B A N M") << q << LineQuadruple(400, 100, 300, 200) << distinct << true;
    QTest::newRow("a remote B swapped")
        << LineQuadruple(700, 0, 800, 0) << LineQuadruple(0, 700, 800, 0) << distinct << true;
    QTest::newRow("the reciprocal apart")
        << q << LineQuadruple(200, 300, 100, 400) << distinct << false;
    QTest::newRow("the reciprocal alike") << q << LineQuadruple(200, 300, 100, 400) << same << true;
    QTest::newRow("the reciprocal swapped, alike")
        << q << LineQuadruple(300, 200, 400, 100) << same << true;
    QTest::newRow("another row, alike") << q << LineQuadruple(100, 400, 200, 301) << same << false;
    // A byte per electrode would take 300 for 44.
    QTest::newRow("positions a byte apart")
        << LineQuadruple(1, 300, 2, 3) << LineQuadruple(1, 44, 2, 3) << distinct << false;
}

// The set takes the second row only where its key differs.
void tst_Line::keys()
{
    QFETCH(LineQuadruple, first);
    QFETCH(LineQuadruple, second);
    QFETCH(Kgw::Reciprocals, reciprocals);
    QFETCH(bool, same);

    QCOMPARE(
        Kgw::configurationKey(first, reciprocals) == Kgw::configurationKey(second, reciprocals),
        same);
    Kgw::LineConfigurationSet set(reciprocals);
    QVERIFY(set.insert(first));
    QCOMPARE(set.contains(second), same);
    QCOMPARE(set.insert(second), !same);
}

void tst_Line::conversions_data()
{
    QTest::addColumn<LineQuadruple>("row");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("cable");
    QTest::addColumn<QByteArray>("quadruple"); // as hex, A B M N; empty where off the spread
    QTest::addColumn<int>("lowest");
    QTest::addColumn<int>("highest");

    QTest::newRow("on the first spread")
        << LineQuadruple(1, 4, 2, 3) << 1 << 6 << QByteArray("01040203") << 1 << 4;
    QTest::newRow("remote electrodes stay remote")
        << LineQuadruple(9, 0, 12, 0) << 7 << 6 << QByteArray("03000600") << 9 << 12;
    QTest::newRow("at the spread's last electrode")
        << LineQuadruple(500, 547, 510, 0) << 500 << 48 << QByteArray("01300b00") << 500 << 547;
    QTest::newRow("one past its end")
        << LineQuadruple(500, 548, 510, 0) << 500 << 48 << QByteArray() << 500 << 548;
    QTest::newRow("one before its start")
        << LineQuadruple(10, 0, 9, 0) << 10 << 6 << QByteArray() << 9 << 10;
}

void tst_Line::conversions()
{
    QFETCH(LineQuadruple, row);
    QFETCH(int, first);
    QFETCH(int, cable);
    QFETCH(QByteArray, quadruple);
    QFETCH(int, lowest);
    QFETCH(int, highest);

    const std::optional<Quadruple> onCable = Kgw::toCablePositions(row, first, cable);
    QCOMPARE(onCable ? hexOf({ *onCable }) : QByteArray(), quadruple);
    if (onCable)
        QCOMPARE(Kgw::toLinePositions(*onCable, first), row);
    const Kgw::ElectrodeSpan span = Kgw::electrodeSpan(row);
    QCOMPARE(span.lowest, lowest);
    QCOMPARE(span.highest, highest);
}

// A row measures on the line what its cable twin measures on the cable: shifted by the spread's
// start, only its pseudo-position moves.
void tst_Line::geometryOfShiftedRows_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::addColumn<int>("first");

    for (const int first : { 1, 25, 953 }) {
        QTest::addRow("dipole-dipole from %d", first) << Quadruple(2, 1, 3, 4) << first;
        QTest::addRow("nested from %d", first) << Quadruple(1, 48, 20, 23) << first;
        QTest::addRow("pole-pole from %d", first) << Quadruple(48, 0, 1, 0) << first;
        QTest::addRow("pole-dipole from %d", first) << Quadruple(5, 0, 9, 7) << first;
        QTest::addRow("no signal from %d", first) << Quadruple(1, 5, 3, 0) << first;
        QTest::addRow("repeated from %d", first) << Quadruple(1, 2, 2, 3) << first;
    }
}

void tst_Line::geometryOfShiftedRows()
{
    QFETCH(Quadruple, q);
    QFETCH(int, first);

    const double spacing = 2.5;
    const LineQuadruple row = Kgw::toLinePositions(q, first);
    QCOMPARE(Kgw::geometricFactor(row, spacing), Kgw::geometricFactor(q, spacing));
    QCOMPARE(Kgw::medianDepth(row, spacing), Kgw::medianDepth(q, spacing));
    QCOMPARE(
        Kgw::pseudoPosition(row, spacing), Kgw::pseudoPosition(q, spacing) + (first - 1) * spacing);
    QCOMPARE(Kgw::configurationKind(row), Kgw::configurationKind(q));
    QCOMPARE(Kgw::measuresNoSignal(row), Kgw::measuresNoSignal(q));
    QCOMPARE(Kgw::isUnmeasurable(row), Kgw::isUnmeasurable(q));
    QCOMPARE(Kgw::signalCancellation(row), Kgw::signalCancellation(q));
}

// Rows no cable measures whole still have a geometry, from the textbook factors, and a depth
// that scales with the array as it does with the spacing.
void tst_Line::geometryOfLongRows_data()
{
    QTest::addColumn<LineQuadruple>("row");
    QTest::addColumn<double>("factor"); // K at 1 m
    QTest::addColumn<double>("x");
    QTest::addColumn<Quadruple>("unit"); // the same array at one step, if there is one
    QTest::addColumn<int>("scale");

    QTest::newRow("Wenner, a = 300")
        << LineQuadruple(1, 901, 301, 601) << 2 * Pi * 300 << 450.0 << Quadruple(1, 4, 2, 3) << 300;
    // K = π AM AN / MN for a symmetric nested array: π 499 · 500, whose steps multiply past
    // 32 bits.
    QTest::newRow("Schlumberger over the line")
        << LineQuadruple(1, 1000, 500, 501) << Pi * 499 * 500 << 499.5 << Quadruple() << 0;
    // Past 64 steps, a distance no longer fits the bits a cable row's shape took.
    QTest::newRow("pole-pole, 65 steps")
        << LineQuadruple(1, 0, 66, 0) << 2 * Pi * 65 << 32.5 << Quadruple(1, 0, 2, 0) << 65;
    QTest::newRow("pole-pole, end to end")
        << LineQuadruple(1, 0, 1000, 0) << 2 * Pi * 999 << 499.5 << Quadruple(1, 0, 2, 0) << 999;
    QTest::newRow("no signal") << LineQuadruple(1, 999, 500, 0) << qInf() << 499.0 << Quadruple()
                               << 0;
    QTest::newRow("a repeated electrode")
        << LineQuadruple(1, 1000, 1000, 2) << qQNaN() << 499.75 << Quadruple() << 0;
    QTest::newRow("off the line") << LineQuadruple(1, 1001, 2, 3) << qQNaN() << qQNaN()
                                  << Quadruple() << 0;
}

void tst_Line::geometryOfLongRows()
{
    QFETCH(LineQuadruple, row);
    QFETCH(double, factor);
    QFETCH(double, x);
    QFETCH(Quadruple, unit);
    QFETCH(int, scale);

    QCOMPARE(Kgw::geometricFactor(row, 1), factor);
    QCOMPARE(Kgw::pseudoPosition(row, 1), x);
    QCOMPARE(Kgw::measuresNoSignal(row), qIsInf(factor));
    if (scale > 0) {
        const double depth = Kgw::medianDepth(row, 1);
        QVERIFY2(qAbs(depth / Kgw::medianDepth(unit, scale) - 1) < 1e-8,
            qPrintable(QString::number(depth)));
    }
}

// A 12-position line, a cable of 6 (5 spacings long), at 1 m and a depth of 1 m for each metre of
// the configuration's width: a triangle 5 m deep in the middle of each spread, and a notch
// (5 - move) m deep halfway between the end of one and the start of the next.
void tst_Line::reachEnvelope_data()
{
    QTest::addColumn<int>("move");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QString>("line"); // x z, x z, ...

    QTest::newRow("move 2") << 2 << 1.0 << 1.0
                            << "0 0, 2.5 5, 3.5 3, 4.5 5, 5.5 3, 6.5 5, 7.5 3, 8.5 5, 11 0";
    QTest::newRow("move 3") << 3 << 1.0 << 1.0 << "0 0, 2.5 5, 4 2, 5.5 5, 7 2, 8.5 5, 11 0";
    QTest::newRow("move 4, the last one 2")
        << 4 << 1.0 << 1.0 << "0 0, 2.5 5, 4.5 1, 6.5 5, 7.5 3, 8.5 5, 11 0";
    QTest::newRow("move 5: spreads that touch")
        << 5 << 1.0 << 1.0 << "0 0, 2.5 5, 5 0, 7.5 5, 8 4, 8.5 5, 11 0";
    QTest::newRow("move 6: a spacing between spreads")
        << 6 << 1.0 << 1.0 << "0 0, 2.5 5, 5 0, 6 0, 8.5 5, 11 0";
    QTest::newRow("move 3, at 2 m, a quarter as deep")
        << 3 << 2.0 << 0.25 << "0 0, 5 2.5, 8 1, 11 2.5, 14 1, 17 2.5, 22 0";
}

void tst_Line::reachEnvelope()
{
    QFETCH(int, move);
    QFETCH(double, spacing);
    QFETCH(double, ratio);
    QFETCH(QString, line);

    QString error;
    const std::optional<Kgw::SpreadLayout> layout = Kgw::SpreadLayout::plan(12, 6, move, &error);
    QVERIFY2(layout, qPrintable(error));
    QStringList points;
    for (const QPointF &p : layout->reachEnvelope(spacing, ratio))
        points << QStringLiteral("%1 %2").arg(p.x()).arg(p.y());
    QCOMPARE(points.join(QStringLiteral(", ")), line);
}

QTEST_GUILESS_MAIN(tst_Line)
#include "tst_line.moc"
