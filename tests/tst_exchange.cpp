#include "exchange.h"
#include "testsupport.h"

#include <QBuffer>
#include <QtTest>

using Kgw::ExchangeExtent;
using Kgw::ExchangeResult;

namespace {

ExchangeResult read(const QByteArray &bytes, int spacingMillimetres = 0,
    ExchangeExtent extent = ExchangeExtent::Cable)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    if (spacingMillimetres < 0)
        return Kgw::readCsv(&buffer, extent);
    return Kgw::readUnifiedData(&buffer,
        spacingMillimetres > 0 ? std::optional<qint32>(spacingMillimetres) : std::nullopt, extent);
}

// Line rows as "a b m n", separated by semicolons.
QString textOf(const QVector<Kgw::LineQuadruple> &rows)
{
    QStringList text;
    for (const Kgw::LineQuadruple &q : rows)
        text << QStringLiteral("%1 %2 %3 %4").arg(q.a).arg(q.b).arg(q.m).arg(q.n);
    return text.join(QLatin1Char(';'));
}

// A unified data file of a level line at 1 m, after the head, with the data given.
QByteArray lineFile(const QByteArray &head, int electrodes, const QByteArray &data)
{
    QByteArray file = head + QByteArray::number(electrodes) + "\n# x z\n";
    for (int k = 1; k <= electrodes; ++k)
        file += QByteArray::number(k - 1) + " 0\n";
    return file + data;
}

// The data columns a file held, as "name: value value; …" in the fewest digits that tell the
// doubles apart.
QString textOf(const Kgw::DataColumns &data)
{
    static const char *const names[] = { "k", "r", "rhoa", "err", "u", "i", "ip" };
    QStringList columns;
    for (int c = 0; c < Kgw::DataColumnCount; ++c) {
        if (!data.has(Kgw::DataColumn(c)))
            continue;
        QStringList values;
        for (const double v : data[Kgw::DataColumn(c)])
            values << QString::number(v, 'g', QLocale::FloatingPointShortest);
        columns << QLatin1String(names[c]) + QStringLiteral(": ") + values.join(QLatin1Char(' '));
    }
    return columns.join(QStringLiteral("; "));
}

QByteArray bytesOf(const Kgw::FileContent &content)
{
    QByteArray bytes;
    for (int i = 0; i < content.pieceCount; ++i)
        bytes += content.piece(i);
    return bytes;
}

} // namespace

class tst_Exchange : public QObject
{
    Q_OBJECT

private slots:
    void writes_data();
    void writes();
    void readsUnified_data();
    void readsUnified();
    void readsFieldFiles_data();
    void readsFieldFiles();
    void readsWhatItWrites_data();
    void readsWhatItWrites();
    void readsWholeLines_data();
    void readsWholeLines();
    void writesWholeLines_data();
    void writesWholeLines();
    void readsCsv_data();
    void readsCsv();
    void readsDataColumns_data();
    void readsDataColumns();
    void dataColumnsRoundTrip_data();
    void dataColumnsRoundTrip();
    void apparentResistivities_data();
    void apparentResistivities();
    void topography_data();
    void topography();
    void topographyOfElectrodesUsed_data();
    void topographyOfElectrodesUsed();
};

void tst_Exchange::writes_data()
{
    QTest::addColumn<bool>("unified");
    QTest::addColumn<QVector<double>>("heights");
    QTest::addColumn<QByteArray>("expected");

    QByteArray positions;
    for (const char *x :
        { "0", "2.5", "5", "7.5", "10", "12.5", "15", "17.5", "20", "22.5", "25", "27.5", "30",
            "32.5", "35", "37.5", "40", "42.5", "45", "47.5", "50", "52.5", "55", "57.5", "60",
            "62.5", "65", "67.5", "70", "72.5", "75", "77.5", "80", "82.5", "85", "87.5", "90",
            "92.5", "95", "97.5", "100", "102.5", "105", "107.5", "110", "112.5", "115", "117.5" })
        positions += QByteArray(x) + " 0\n";
    // K = 2πa for Wenner, 2π / (1/AM - 1/AN) for pole-dipole; none for a repeated electrode,
    // infinite where G = 0.
    const QByteArray data = "4\n# a b m n k\n1 4 2 3 15.70796327\n1 0 2 3 31.41592654\n5 5 6 7 "
                            "nan\n2 0 1 3 inf\n";
    QTest::newRow("unified") << true << QVector<double>() << "48\n# x z\n" + positions + data;
    // Rising 1.5 m over 2.5 m of tape, electrode 2 stands 2 m on; the rest keep its height.
    QByteArray sloped = "0 0\n";
    for (int k = 2; k <= 48; ++k)
        sloped += QByteArray::number(2 + 2.5 * (k - 2)) + " 1.5\n";
    QTest::newRow("unified with heights")
        << true << QVector<double> { 0, 1.5 } << "48\n# x z\n" + sloped + data;
    QTest::newRow("csv") << false << QVector<double> { 1 }
                         << QByteArray("a,b,m,n\n1,4,2,3\n1,0,2,3\n5,5,6,7\n2,0,1,3\n");
}

void tst_Exchange::writes()
{
    QFETCH(bool, unified);
    QFETCH(QVector<double>, heights);
    QFETCH(QByteArray, expected);

    const QVector<Kgw::Quadruple> quadruples
        = quadruplesFromHex("01040203010002030505060702000103");
    const Kgw::FileContent content
        = Kgw::exchangeContent(unified ? Kgw::ExchangeFormat::Unified : Kgw::ExchangeFormat::Csv,
            quadruples, 2.5, heights);
    QCOMPARE(bytesOf(content), expected);
    QCOMPARE(content.size, qint64(expected.size()));
}

void tst_Exchange::readsUnified_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("spacing"); // given, in millimetres; 0 when none is
    QTest::addColumn<QString>("message"); // the refusal, else the warning; empty for neither
    QTest::addColumn<int>("lineNumber"); // of the message, else of the last quadruple
    QTest::addColumn<QByteArray>("quadruples");
    QTest::addColumn<int>("implied"); // the spacing read, in millimetres

    QTest::newRow("as written") << QByteArray("3\n# x z\n0 0\n2.5 0\n5 0\n2\n# a b m n k\n"
                                              "1 3 2 0 nan\n2 0 3 0 7.85\n")
                                << 0 << QString() << 9 << QByteArray("0103020002000300") << 2500;
    QTest::newRow("x y z, comments, a topography block")
        << QByteArray(
               "# by hand\n2 # electrodes\n#x y z\n0 0 0\n1 0 0\n\n1\n1 0 2 0\n2\n0 3\n1 3\n")
        << 0 << QString() << 8 << QByteArray("01000200") << 1000;
    QTest::newRow("named in any order, pole-pole")
        << QByteArray("2\n# z x\n0 0\n0 5\n1\n# m a\n2 1\n") << 0 << QString() << 7
        << QByteArray("01000200") << 5000;
    // Only the comment straight after the count names columns; a later one names nothing.
    QTest::newRow("names only straight after the count")
        << QByteArray("2\n0 0\n1 0\n1\n# one datum\n# n m b a\n1 0 2 0\n") << 0 << QString() << 7
        << QByteArray("01000200") << 1000;
    QTest::newRow("spacing given") << QByteArray("2\n0 0\n0.001 0\n1\n1 0 2 0\n") << 1 << QString()
                                   << 5 << QByteArray("01000200") << 1;
    QTest::newRow("no electrode count")
        << QByteArray("# x z\n0 0\n") << 0 << "Missing electrode count" << 2 << QByteArray() << 0;
    // Only a reader of whole lines takes it as one.
    QTest::newRow("a roll-along record is a comment")
        << QByteArray("# roll-along: of no form\n2\n0 0\n1 0\n1\n1 0 2 0\n") << 0 << QString() << 6
        << QByteArray("01000200") << 1000;
    QTest::newRow("a line longer than the cable")
        << QByteArray("64\n") << 0
        << "A line of 64 electrodes is longer than the cable of 48: it is measured in spreads; "
           "split the file into spreads of at most 48 electrodes"
        << 1 << QByteArray() << 0;
    // The cable's spacing is measured along the ground: 2 m of tape over a rise of 1.2 m in 1.6.
    QTest::newRow("along a slope") << QByteArray("3\n# x z\n0 10\n1.6 8.8\n3.2 7.6\n1\n1 0 2 0\n")
                                   << 0 << QString() << 7 << QByteArray("01000200") << 2000;
    QTest::newRow("levelled, x y z")
        << QByteArray("3\n# x y z\n0 0 108.8\n5 0 108.8\n10 0 108.8\n1\n1 0 2 0\n") << 0
        << QString() << 7 << QByteArray("01000200") << 5000;
    QTest::newRow("surveyed coordinates")
        << QByteArray("2\n# x y z\n500000 5000000 0\n500001.2 5000001.6 0\n1\n1 0 2 0\n") << 0
        << QString() << 6 << QByteArray("01000200") << 2000;
    // Within 0.1 % of the spacing of 2 m, 2 mm; up the slope 1.2 in 1.6, 2.00199 m is
    // 1.000995 times its 2 m.
    QTest::newRow("long, just within") << QByteArray("3\n0 0\n2 0\n3.601592 1.201194\n1\n1 0 2 0\n")
                                       << 0 << QString() << 6 << QByteArray("01000200") << 2000;
    QTest::newRow("long, just beyond")
        << QByteArray("3\n0 0\n2 0\n4.00201 0\n") << 0
        << "Electrode 3 lies 2.00201 m from electrode 2, not the cable's spacing of 2 m (to "
           "within 0.1 %)"
        << 4 << QByteArray() << 0;
    QTest::newRow("short, just beyond")
        << QByteArray("3\n0 0\n2 0\n3.99799 0\n") << 0
        << "Electrode 3 lies 1.99799 m from electrode 2, not the cable's spacing of 2 m (to "
           "within 0.1 %)"
        << 4 << QByteArray() << 0;
    QTest::newRow("not at the spacing given")
        << QByteArray("2\n0 0\n2.5 0\n") << 2000
        << "Electrode 2 lies 2.5 m from electrode 1, not the cable's spacing of 2 m (to within "
           "0.1 %)"
        << 3 << QByteArray() << 0;
    QTest::newRow("no spacing the cable takes")
        << QByteArray("2\n0 0\n200 0\n") << 0
        << "Electrode 2 lies 200 m from electrode 1: a cable spacing outside 0.001 to 100 "
           "metres, with at most three decimals"
        << 3 << QByteArray() << 0;
    QTest::newRow("coordinate beyond any ground")
        << QByteArray("2\n0 0\n0 -10000001\n") << 0
        << "Electrode 2 z is out of range [-10000000, 10000000] m (-10000001)" << 3 << QByteArray()
        << 0;
    QTest::newRow("no data count") << QByteArray("2\n0 0\n1 0\n1 2 3 0\n") << 0
                                   << "Missing data count" << 4 << QByteArray() << 0;
    QTest::newRow("electrode outside the list")
        << QByteArray("2\n0 0\n1 0\n1\n1 0 3 0\n") << 0 << "M electrode is out of range [1, 2] (3)"
        << 5 << QByteArray() << 0;
    QTest::newRow("fewer data than counted")
        << QByteArray("2\n0 0\n1 0\n2\n1 0 2 0\n") << 0 << "File ends after 1 of 2 data" << 6
        << QByteArray() << 0;
    QTest::newRow("more data than counted")
        << QByteArray("2\n0 0\n1 0\n2\n1 0 2 0\n2 0 1 0\n1 0 2 0\n# more\n2 0 1 0\n1\n0 0\n") << 0
        << "Data count is 2, but 2 more data rows follow; they were not read" << 7
        << QByteArray("0100020002000100") << 1000;
    QTest::newRow("not a whole number")
        << QByteArray("2\n0 0\n1 0\n1\n1 0 2.0 0\n") << 0 << "M electrode is not a number (2.0)"
        << 5 << QByteArray() << 0;
    QTest::newRow("value missing") << QByteArray("2\n0 0\n1 0\n1\n# a b m n\n1 0 2\n") << 0
                                   << "N electrode is missing" << 6 << QByteArray() << 0;
}

void tst_Exchange::readsUnified()
{
    QFETCH(QByteArray, content);
    QFETCH(int, spacing);
    QFETCH(QString, message);
    QFETCH(int, lineNumber);
    QFETCH(QByteArray, quadruples);
    QFETCH(int, implied);

    const ExchangeResult result = read(content, spacing);
    QCOMPARE(result.ok() ? result.warning : result.message, message);
    QCOMPARE(!result.ok()              ? result.lineNumber
            : result.warning.isEmpty() ? result.lineNumbers.constLast()
                                       : result.warningLineNumber,
        qint64(lineNumber));
    QCOMPARE(hexOf(result.quadruples), quadruples);
    QCOMPARE(result.spacingMillimetres, implied);
}

// Files as a survey gives them, made by tests/data/make-field-files.py.
void tst_Exchange::readsFieldFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("spacing"); // in millimetres
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("lastLine");
    QTest::addColumn<QVector<double>>("heights"); // of electrodes 1, 3 and the last

    QTest::newRow("48 electrodes down a hillside at 2 m")
        << "slope48.dat" << 2000 << 24 << qint64(76) << QVector<double> { 0, -0.23, -6.31 };
    QTest::newRow("Wenner line levelled at 108.8 m")
        << "levelled-wenner.dat" << 5000 << 54 << qint64(82)
        << QVector<double> { 108.8, 108.8, 108.8 };
}

void tst_Exchange::readsFieldFiles()
{
    QFETCH(QString, file);
    QFETCH(int, spacing);
    QFETCH(int, count);
    QFETCH(qint64, lastLine);
    QFETCH(QVector<double>, heights);

    const ExchangeResult result = Kgw::readExchangeFile(
        QStringLiteral(KGW_TEST_DATA_DIR "/") + file, Kgw::ExchangeFormat::Unified, std::nullopt);
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.spacingMillimetres, spacing);
    QCOMPARE(result.quadruples.size(), count);
    QCOMPARE(result.lineNumbers.constLast(), lastLine);
    QCOMPARE((QVector<double> {
                 result.heights.constFirst(), result.heights.at(2), result.heights.constLast() }),
        heights);

    // Read as a whole line, a cable's file is the line of one spread.
    const ExchangeResult line = Kgw::readExchangeFile(QStringLiteral(KGW_TEST_DATA_DIR "/") + file,
        Kgw::ExchangeFormat::Unified, std::nullopt, ExchangeExtent::WholeLine);
    QVERIFY2(line.ok(), qPrintable(line.message));
    QVERIFY(line.quadruples.isEmpty());
    QVector<Kgw::LineQuadruple> rows;
    for (const Kgw::Quadruple &q : result.quadruples)
        rows.append(Kgw::toLinePositions(q));
    QCOMPARE(line.lineQuadruples, rows);
    QCOMPARE(line.lineNumbers, result.lineNumbers);
    QCOMPARE(line.heights, result.heights);
    QCOMPARE(line.spacingMillimetres, result.spacingMillimetres);
}

// Electrodes laid on a ground, written, read back and written again give the same file, at
// every spacing the cable takes.
void tst_Exchange::readsWhatItWrites_data()
{
    QTest::addColumn<QByteArray>("ground");
    QTest::addColumn<double>("spacing");

    QTest::newRow("down a hillside at 2 m")
        << QByteArray("0 0\n2 0\n40 -12\n60 -3\n120 5\n") << 2.0;
    QTest::newRow("a kink at 1 mm")
        << QByteArray("0 0\n0.0005 0\n0.0008 0.0006\n1 0.0006\n") << 0.001;
    QTest::newRow("steep and rough at 100 m")
        << QByteArray("0 0\n150 400\n300 -100\n6000 0\n") << 100.0;
    QTest::newRow("level at 108.8 m") << QByteArray("0 108.8\n300 108.8\n") << 5.0;
}

void tst_Exchange::readsWhatItWrites()
{
    QFETCH(QByteArray, ground);
    QFETCH(double, spacing);

    QBuffer buffer(&ground);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    const std::optional<QVector<double>> heights
        = Kgw::electrodeHeights(Kgw::readTopography(&buffer), spacing, 48, &error);
    QVERIFY2(heights, qPrintable(error));
    const QVector<Kgw::Quadruple> quadruples = quadruplesFromHex("0104020301300203");
    const QByteArray written = bytesOf(Kgw::unifiedDataContent(quadruples, spacing, *heights));

    const ExchangeResult result = read(written);
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.spacingMillimetres, qRound(spacing * 1000));
    QCOMPARE(hexOf(result.quadruples), QByteArray("0104020301300203"));
    QCOMPARE(bytesOf(Kgw::unifiedDataContent(
                 result.quadruples, result.spacingMillimetres / 1000.0, result.heights)),
        written);
}

void tst_Exchange::readsWholeLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("csv");
    QTest::addColumn<QString>("message"); // the refusal; empty when accepted
    QTest::addColumn<int>("lineNumber"); // of the refusal, or of the last row
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("layout"); // the spreads recorded, "E S"

    const QByteArray spreads = "# roll-along: spreads of 48 electrodes, moved by 8\n";
    const QByteArray data = "2\n# a b m n k\n1 0 64 0 395.8406744\n17 20 18 19 6.283185307\n";
    QTest::newRow("64 electrodes in spreads")
        << lineFile(spreads, 64, data) << false << QString() << 71 << "1 0 64 0;17 20 18 19"
        << "48 8";
    QTest::newRow("no spreads recorded") << lineFile(QByteArray(), 64, data) << false << QString()
                                         << 70 << "1 0 64 0;17 20 18 19" << QString();
    QTest::newRow("the record only on the first line")
        << lineFile("# by hand\n# roll-along: of no form\n", 64, data) << false << QString() << 72
        << "1 0 64 0;17 20 18 19" << QString();
    QTest::newRow("the longest line") << lineFile(QByteArray(), 1000, "1\n1 0 1000 0\n") << false
                                      << QString() << 1004 << "1 0 1000 0" << QString();
    QTest::newRow("a line too long")
        << lineFile(QByteArray(), 1001, "1\n1 0 2 0\n") << false
        << "Electrode count is out of range [1, 1000] (1001)" << 1 << QString() << QString();
    QTest::newRow("past the line's electrodes")
        << lineFile(spreads, 64, "1\n1 0 65 0\n") << false
        << "M electrode is out of range [1, 64] (65)" << 69 << QString() << QString();
    QByteArray stray = lineFile(spreads, 64, data);
    stray.replace("\n49 0\n", "\n50 0\n");
    QTest::newRow("off the spacing past the cable")
        << stray << false
        << "Electrode 50 lies 2 m from electrode 49, not the cable's spacing of 1 m (to within 0.1 "
           "%)"
        << 53 << QString() << QString();
    QTest::newRow("spreads that leave gaps")
        << lineFile("# roll-along: spreads of 48 electrodes, moved by 49\n", 64, data) << false
        << "A move of 49 electrodes leaves a gap between spreads: the cable of 48 moves by 48 at "
           "most"
        << 1 << QString() << QString();
    QTest::newRow("spreads longer than the line")
        << lineFile("# roll-along: spreads of 48 electrodes, moved by 8\n", 40, "1\n1 0 2 0\n")
        << false
        << "A line of 40 electrodes is shorter than the cable of 48: measure it with 40 of the "
           "cable's electrodes"
        << 1 << QString() << QString();
    QTest::newRow("a record of no form")
        << lineFile("# roll-along: spreads of 48 electrodes, moved by 08\n", 64, data) << false
        << "Expected \"# roll-along: spreads of E electrodes, moved by S\"" << 1 << QString()
        << QString();
    QTest::newRow("csv") << QByteArray("a,b,m,n\n1,0,1000,0\n") << true << QString() << 2
                         << "1 0 1000 0" << QString();
    QTest::newRow("csv past the line")
        << QByteArray("a,b,m,n\n1,0,1001,0\n") << true
        << "M electrode is out of range [1, 1000] (1001)" << 2 << QString() << QString();
}

void tst_Exchange::readsWholeLines()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, csv);
    QFETCH(QString, message);
    QFETCH(int, lineNumber);
    QFETCH(QString, rows);
    QFETCH(QString, layout);

    const ExchangeResult result = read(content, csv ? -1 : 0, ExchangeExtent::WholeLine);
    QCOMPARE(result.message, message);
    QCOMPARE(result.ok() ? result.lineNumbers.constLast() : result.lineNumber, qint64(lineNumber));
    QVERIFY(result.quadruples.isEmpty());
    QCOMPARE(textOf(result.lineQuadruples), rows);
    QCOMPARE(result.layout
            ? QStringLiteral("%1 %2").arg(result.layout->electrodes()).arg(result.layout->move())
            : QString(),
        layout);
}

// A whole line written in line positions, read back and written again gives the same file.
void tst_Exchange::writesWholeLines_data()
{
    QTest::addColumn<int>("move"); // of the spreads recorded; 0 for none
    QTest::addColumn<QVector<double>>("heights");
    QTest::addColumn<QByteArray>("expected");

    // K = 2πa, 2π AM for pole-pole, 2π / (2/4 - 2/7) for Schlumberger; 12 electrodes at 2.5 m.
    const QByteArray data = "4\n# a b m n k\n1 4 2 3 15.70796327\n7 0 12 0 78.53981634\n"
                            "1 12 5 8 73.30382858\n1 0 12 0 172.7875959\n";
    const QByteArray level = "12\n# x z\n0 0\n2.5 0\n5 0\n7.5 0\n10 0\n12.5 0\n15 0\n17.5 "
                             "0\n20 0\n22.5 0\n25 0\n27.5 0\n";
    QTest::newRow("in spreads of 6 moved by 3")
        << 3 << QVector<double>()
        << "# roll-along: spreads of 6 electrodes, moved by 3\n" + level + data;
    QTest::newRow("no spreads") << 0 << QVector<double>() << level + data;
    // Rising 1.5 m over 2.5 m of tape, electrode 2 stands 2 m on; the rest keep its height.
    QTest::newRow("up a step")
        << 6 << QVector<double> { 0, 1.5 }
        << "# roll-along: spreads of 6 electrodes, moved by 6\n12\n# x z\n0 0\n2 1.5\n4.5 "
           "1.5\n7 1.5\n9.5 1.5\n12 1.5\n14.5 1.5\n17 1.5\n19.5 1.5\n22 1.5\n24.5 1.5\n27 "
           "1.5\n"
            + data;
}

void tst_Exchange::writesWholeLines()
{
    QFETCH(int, move);
    QFETCH(QVector<double>, heights);
    QFETCH(QByteArray, expected);

    QString error;
    const std::optional<Kgw::SpreadLayout> layout
        = move > 0 ? Kgw::SpreadLayout::plan(12, 6, move, &error) : std::nullopt;
    const QVector<Kgw::LineQuadruple> rows { { 1, 4, 2, 3 }, { 7, 0, 12, 0 }, { 1, 12, 5, 8 },
        { 1, 0, 12, 0 } };
    const QByteArray written = bytesOf(Kgw::unifiedLineContent(rows, 12, 2.5, heights, layout));
    QCOMPARE(written, expected);

    const ExchangeResult result = read(written, 0, ExchangeExtent::WholeLine);
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.lineQuadruples, rows);
    QCOMPARE(result.heights.size(), 12);
    QCOMPARE(bytesOf(Kgw::unifiedLineContent(result.lineQuadruples, result.heights.size(),
                 result.spacingMillimetres / 1000.0, result.heights, result.layout)),
        written);
}

void tst_Exchange::readsDataColumns_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("csv");
    QTest::addColumn<QString>("message"); // the refusal; empty when accepted
    QTest::addColumn<int>("lineNumber"); // of the refusal, or of the last row
    QTest::addColumn<QString>("data");

    const QByteArray head = "2\n0 0\n1 0\n";
    QTest::newRow("as a simulation writes them")
        << head + "1\n# a b m n k r rhoa err\n1 0 2 0 6.283185307 15.9 99.9 0.03\n"
        << false << QString() << 6 << "k: 6.283185307; r: 15.9; rhoa: 99.9; err: 0.03";
    QTest::newRow("measured, in capitals and another order, other columns not read")
        << head + "2\n# RhoA Valid A M Err\n120 1 1 2 0.05\n80.5 0 2 1 0.1\n"
        << false << QString() << 7 << "rhoa: 120 80.5; err: 0.05 0.1";
    // Without a unit the packages hold volts and amperes.
    QTest::newRow("u and i in volts and amperes, err in percent")
        << head + "1\n# a m u i err/%\n1 2 0.125 0.5 3\n"
        << false << QString() << 6 << "err: 0.03; u: 125; i: 500";
    QTest::newRow("u and i named in millivolts and milliamperes")
        << head + "1\n# a m u/V i/mA ip\n1 2 0.125 500 4.5\n"
        << false << QString() << 6 << "u: 125; i: 500; ip: 4.5";
    QTest::newRow("unnamed, no data columns") << head + "1\n1 0 2 0 120 0.05\n"
                                              << false << QString() << 5 << QString();
    QTest::newRow("k of a row that measures nothing")
        << head + "2\n# a b m n k\n1 0 1 0 nan\n2 0 1 0 inf\n"
        << false << QString() << 7 << "k: nan inf";
    QTest::newRow("the largest double") << head + "1\n# a m r\n1 2 1.7976931348623157e308\n"
                                        << false << QString() << 6 << "r: 1.7976931348623157e+308";
    QTest::newRow("beyond the largest double")
        << head + "1\n# a m r\n1 2 1.8e308\n"
        << false << "r is not a finite number (1.8e308)" << 6 << QString();
    QTest::newRow("not a number") << head + "2\n# a m rhoa\n1 2 120\n1 2 12O\n"
                                  << false << "rhoa is not a finite number (12O)" << 7 << QString();
    QTest::newRow("nan") << head + "1\n# a m err\n1 2 nan\n"
                         << false << "err is not a finite number (nan)" << 6 << QString();
    QTest::newRow("value missing") << head + "1\n# a m rhoa err\n1 2 120\n"
                                   << false << "err is missing" << 6 << QString();
    QTest::newRow("csv by its header") << QByteArray("A,B,M,N,Rhoa,Err,Note\n1,4,2,3,100,0.05,x\n")
                                       << true << QString() << 2 << "rhoa: 100; err: 0.05";
    QTest::newRow("csv field empty")
        << QByteArray("a,b,m,n,r\n1,4,2,3,\n") << true << "r is missing" << 2 << QString();
}

void tst_Exchange::readsDataColumns()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, csv);
    QFETCH(QString, message);
    QFETCH(int, lineNumber);
    QFETCH(QString, data);

    const ExchangeResult result = read(content, csv ? -1 : 0);
    QCOMPARE(result.message, message);
    QCOMPARE(result.ok() ? result.lineNumbers.constLast() : result.lineNumber, qint64(lineNumber));
    QCOMPARE(textOf(result.data), data);
}

void tst_Exchange::dataColumnsRoundTrip_data()
{
    QTest::addColumn<bool>("unified");
    QTest::addColumn<bool>("withK");
    QTest::addColumn<QByteArray>("rows"); // the written file from its header of the rows on

    // Each value needs all the digits written to come back as the same double.
    QTest::newRow("unified") << true << false
                             << QByteArray("2\n# a b m n k r rhoa err u/mV i/mA\n"
                                           "1 4 2 3 15.70796327 0.30000000000000004 6.02e+23 "
                                           "0.03 1234.5 100\n"
                                           "1 0 2 3 31.41592654 0.3333333333333333 1e-300 "
                                           "0.05 -0.001 0.5\n");
    QTest::newRow("csv") << false << true
                         << QByteArray(
                                "a,b,m,n,k,r,rhoa,err,u/mV,i/mA\n"
                                "1,4,2,3,-15.5,0.30000000000000004,6.02e+23,0.03,1234.5,100\n"
                                "1,0,2,3,31,0.3333333333333333,1e-300,0.05,-0.001,0.5\n");
}

void tst_Exchange::dataColumnsRoundTrip()
{
    QFETCH(bool, unified);
    QFETCH(bool, withK);
    QFETCH(QByteArray, rows);

    const QVector<Kgw::Quadruple> quadruples = quadruplesFromHex("0104020301000203");
    Kgw::DataColumns data;
    if (withK)
        data[Kgw::DataColumn::K] = { -15.5, 31 };
    data[Kgw::DataColumn::R] = { 0.1 + 0.2, 1.0 / 3 };
    data[Kgw::DataColumn::Rhoa] = { 6.02e23, 1e-300 };
    data[Kgw::DataColumn::Err] = { 0.03, 0.05 };
    data[Kgw::DataColumn::U] = { 1234.5, -0.001 };
    data[Kgw::DataColumn::I] = { 100, 0.5 };
    const auto format = unified ? Kgw::ExchangeFormat::Unified : Kgw::ExchangeFormat::Csv;
    const QByteArray bytes
        = bytesOf(Kgw::exchangeContent(format, quadruples, 2.5, QVector<double>(), data));
    QCOMPARE(bytes.mid(unified ? bytes.indexOf("\n2\n# a") + 1 : 0), rows);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const ExchangeResult result = Kgw::readExchange(&buffer, format, std::nullopt);
    QVERIFY2(result.ok(), qPrintable(result.message));
    for (int c = 0; c < Kgw::DataColumnCount; ++c) {
        if (data.has(Kgw::DataColumn(c)))
            QCOMPARE(result.data.values[size_t(c)], data.values[size_t(c)]);
    }
}

void tst_Exchange::apparentResistivities_data()
{
    QTest::addColumn<QString>("columns"); // the data columns given: "k r rhoa"
    QTest::addColumn<QVector<double>>("expected"); // empty for none

    // Wenner at a = 2.5 m has K = 2πa.
    QTest::newRow("rhoa given") << "k r rhoa" << QVector<double> { 75 };
    QTest::newRow("k·r") << "k r" << QVector<double> { 20 };
    QTest::newRow("r alone, k of the geometry") << "r" << QVector<double> { 2 * M_PI * 2.5 * 2 };
    QTest::newRow("neither") << "k err" << QVector<double>();
}

void tst_Exchange::apparentResistivities()
{
    QFETCH(QString, columns);
    QFETCH(QVector<double>, expected);

    Kgw::DataColumns data;
    const QStringList names = columns.split(QLatin1Char(' '));
    if (names.contains(QLatin1String("k")))
        data[Kgw::DataColumn::K] = { 10 };
    if (names.contains(QLatin1String("r")))
        data[Kgw::DataColumn::R] = { 2 };
    if (names.contains(QLatin1String("rhoa")))
        data[Kgw::DataColumn::Rhoa] = { 75 };
    if (names.contains(QLatin1String("err")))
        data[Kgw::DataColumn::Err] = { 0.03 };
    const std::optional<QVector<double>> rhoa
        = Kgw::apparentResistivities(data, quadruplesFromHex("01040203"), 2.5);
    QCOMPARE(rhoa.value_or(QVector<double>()), expected);
    QCOMPARE(bool(rhoa), !expected.isEmpty());
}

void tst_Exchange::readsCsv_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message"); // empty when accepted
    QTest::addColumn<int>("lineNumber"); // of the refusal, or of the last quadruple
    QTest::addColumn<QByteArray>("quadruples");

    QTest::newRow("as written") << QByteArray("a,b,m,n\n1,4,2,3\n1,0,2,0\n") << QString() << 3
                                << QByteArray("0104020301000200");
    QTest::newRow("any case and order, other columns, quotes, blank lines, CRLF")
        << QByteArray("Id,N,m,B,A\r\n\"x,y\",3,\"2\",4,1\r\n\r\n8, 0 ,2,0,1\r\n") << QString() << 4
        << QByteArray("0104020301000200");
    // The header's CR is the last character of the first 64 KiB read, and its LF the first of
    // the next, so the row after is line 2 only if the two are taken as one line end.
    const QByteArray header = "a,b,m,n,";
    QTest::newRow("CRLF split between reads")
        << header + QByteArray(65535 - 8, 'x') + "\r\n1,0,2,0\r\n"
        << QString() << 2 << QByteArray("01000200");
    // A line is refused exactly past its 65536 characters, wherever the reads fall.
    QTest::newRow("longest line") << header + QByteArray(65536 - 8, 'x') + "\n1,0,2,0\n"
                                  << QString() << 2 << QByteArray("01000200");
    QTest::newRow("line too long") << header + QByteArray(65537 - 8, 'x') + "\n1,0,2,0\n"
                                   << "Line is longer than 65536 characters" << 1 << QByteArray();
    QTest::newRow("semicolons") << QByteArray("a;b;m;n\n1;4;2;3\n") << QString() << 2
                                << QByteArray("01040203");
    QTest::newRow("column missing")
        << QByteArray("a,b,m\n1,2,3\n") << "Header has no column n" << 1 << QByteArray();
    QTest::newRow("column twice") << QByteArray("a,b,m,n,A\n") << "Header names column a twice" << 1
                                  << QByteArray();
    QTest::newRow("field missing")
        << QByteArray("a,b,m,n\n1,4,2\n") << "N electrode is missing" << 2 << QByteArray();
    QTest::newRow("not a whole number") << QByteArray("a,b,m,n\n1,4,2,3\n1,4,x,3\n")
                                        << "M electrode is not a number (x)" << 3 << QByteArray();
    QTest::newRow("electrode rule") << QByteArray("a,b,m,n\n0,4,2,3\n")
                                    << "A electrode can not be remote (0)" << 2 << QByteArray();
    QTest::newRow("no rows") << QByteArray("a,b,m,n\n") << "File holds no configurations" << 0
                             << QByteArray();
    // Quoted whole, a field holds quotes as "", the separator and line ends.
    QTest::newRow("quotes and the separator quoted")
        << QByteArray("\"a\", b ,m,n,note\n \"1\" ,4,2,3,\"say \"\"hi\"\", then go\"\n")
        << QString() << 2 << QByteArray("01040203");
    QTest::newRow("a quoted field over two lines")
        << QByteArray("a,b,m,n,note\n1,4,2,3,\"two\r\nlines\"\n1,0,2,0,\n") << QString() << 4
        << QByteArray("0104020301000200");
    QTest::newRow("text after the closing quote")
        << QByteArray("a,b,m,n\n\"1\"2,3,4,5\n") << "Field 1 goes on after its closing quote" << 2
        << QByteArray();
    QTest::newRow("a quote in an unquoted field")
        << QByteArray("a,b,m,n\n1,2,3,4\"\n") << "Field 4 holds a quote, but is not quoted whole"
        << 2 << QByteArray();
    QTest::newRow("a quote never closed")
        << QByteArray("a,b,m,n\n1,4,2,3\n1,2,3,\"4\n1,4,2,3\n")
        << "Field 4 opens a quote that is never closed" << 3 << QByteArray();
    // Past 65536 characters with its line ends, where a quote is missing, a record is not read
    // on to the end of the file.
    QTest::newRow("a record just too long")
        << "a,b,m,n,x\n1,4,2,3,\"" + QByteArray(65526, 'x') + "\n\"\n"
        << "Field 5 runs on past 65536 characters: is its closing quote missing?" << 2
        << QByteArray();
    QTest::newRow("the longest record") << "a,b,m,n,x\n1,4,2,3,\"" + QByteArray(65525, 'x')
            + "\n\"\n" << QString() << 2 << QByteArray("01040203");
}

void tst_Exchange::readsCsv()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QFETCH(int, lineNumber);
    QFETCH(QByteArray, quadruples);

    const ExchangeResult result = read(content, -1);
    QCOMPARE(result.message, message);
    QCOMPARE(result.ok() ? result.lineNumbers.constLast() : result.lineNumber, qint64(lineNumber));
    QCOMPARE(hexOf(result.quadruples), quadruples);
}

// A topography read, the cable laid on it at 1 m and written with the sequence.
void tst_Exchange::topography_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message"); // a refusal, or why the electrodes are not covered
    QTest::addColumn<int>("lineNumber");
    QTest::addColumn<QByteArray>("first"); // the lines of electrodes 1 to 3
    QTest::addColumn<QByteArray>("last"); // and of electrode 48

    QTest::newRow("level, blank lines and comments")
        << QByteArray("# x z\n0 100\n\n60 100 # peg 61\r\n") << QString() << 0
        << QByteArray("0 100\n1 100\n2 100\n") << QByteArray("47 100\n");
    // Falling 3 in 4, each metre of tape runs 0.8 m on and 0.6 m down.
    QTest::newRow("down a slope, from before electrode 1")
        << QByteArray("-4 3\n40 -30\n") << QString() << 0 << QByteArray("0 0\n0.8 -0.6\n1.6 -1.2\n")
        << QByteArray("37.6 -28.2\n");
    // Level to 0.5 m, then up 2 in 1: (0.8, 0.6) is the first point of it 1 m from the origin,
    // with 0.5 + v, 2v at 5v² + v - 0.75 = 0.
    QTest::newRow("a kink between electrodes")
        << QByteArray("0 0\n0.5 0\n0.8 0.6\n60 0.6\n") << QString() << 0
        << QByteArray("0 0\n0.8 0.6\n1.8 0.6\n") << QByteArray("46.8 0.6\n");
    // 200 m over 20,000 km: each metre of tape rises 10 µm.
    QTest::newRow("coordinates at their limit")
        << QByteArray("-10000000 -100\n10000000 100\n") << QString() << 0
        << QByteArray("0 0\n1 0.00001\n2 0.00002\n") << QByteArray("47 0.00047\n");
    QTest::newRow("heights below 0.05 µm are 0")
        << QByteArray("0 -0.00000004\n60 -0.00000004\n") << QString() << 0
        << QByteArray("0 0\n1 0\n2 0\n") << QByteArray("47 0\n");
    QTest::newRow("ends at the last electrode")
        << QByteArray("0 0\n37.6 -28.2\n") << QString() << 0
        << QByteArray("0 0\n0.8 -0.6\n1.6 -1.2\n") << QByteArray("37.6 -28.2\n");
    QTest::newRow("ends short of it")
        << QByteArray("0 10\n46.999 10\n")
        << "The topography does not cover the electrodes used, 1 to 48: it runs from x = 0 to "
           "46.999 m, which holds electrodes 1 to 47 at a spacing of 1 m"
        << 0 << QByteArray() << QByteArray();
    QTest::newRow("starts past the first electrode")
        << QByteArray("0.001 10\n50 57\n")
        << "The topography does not reach electrode 1 at x = 0: it runs from x = 0.001 to 50 m" << 0
        << QByteArray() << QByteArray();
    QTest::newRow("x repeats") << QByteArray("0 1\n5 2\n5 3\n")
                               << "x = 5 does not increase from x = 5 on line 2" << 3
                               << QByteArray() << QByteArray();
    QTest::newRow("no pair") << QByteArray("# none\n\n") << "File holds no \"x z\" pair" << 0
                             << QByteArray() << QByteArray();
    QTest::newRow("three numbers")
        << QByteArray("0 1\n2 3 4\n") << "Expected an \"x z\" pair of numbers, found 3 words" << 2
        << QByteArray() << QByteArray();
    QTest::newRow("z infinite") << QByteArray("0 inf") << "z is not a number (inf)" << 1
                                << QByteArray() << QByteArray();
    QTest::newRow("x beyond any ground") << QByteArray("-1e308 100\n1e308 90\n")
                                         << "x is out of range [-10000000, 10000000] m (-1e308)"
                                         << 1 << QByteArray() << QByteArray();
    QTest::newRow("z just beyond any ground")
        << QByteArray("0 100\n60 -10000001\n")
        << "z is out of range [-10000000, 10000000] m (-10000001)" << 2 << QByteArray()
        << QByteArray();
}

void tst_Exchange::topography()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QFETCH(int, lineNumber);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, last);

    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    const Kgw::TopographyResult topography = Kgw::readTopography(&buffer);
    QString error = topography.message;
    QCOMPARE(topography.lineNumber, lineNumber);
    const std::optional<QVector<double>> heights
        = topography.ok() ? Kgw::electrodeHeights(topography, 1, 48, &error) : std::nullopt;
    QCOMPARE(error, message);
    if (!heights)
        return;
    const QByteArray head
        = Kgw::unifiedDataContent(quadruplesFromHex("01040203"), 1, *heights).piece(0);
    QVERIFY2(head.startsWith("48\n# x z\n" + first), head.constData());
    QVERIFY2(head.endsWith(last + "1\n# a b m n k\n"), head.constData());
}

// A list on electrodes 1 to 4 at 1 m needs the ground as far as electrode 4, 2.4 m on down a
// slope of 3 in 4; the cable's other electrodes keep the last one's height.
void tst_Exchange::topographyOfElectrodesUsed_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("heights"); // of electrodes 1, 2, 3, 4, 5 and 48

    QTest::newRow("past the last electrode used") << QByteArray("0 10\n2.48 11.86\n") << QString()
                                                  << QByteArray("10 10.6 11.2 11.8 11.8 11.8");
    QTest::newRow("short of it") << QByteArray("0 10\n2.32 11.74\n")
                                 << "The topography does not cover the electrodes used, 1 to 4: it "
                                    "runs from x = 0 to 2.32 m, which holds electrodes 1 to 3 at "
                                    "a spacing of 1 m"
                                 << QByteArray();
}

void tst_Exchange::topographyOfElectrodesUsed()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QFETCH(QByteArray, heights);

    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    const std::optional<QVector<double>> found
        = Kgw::electrodeHeights(Kgw::readTopography(&buffer), 1, 4, &error);
    QCOMPARE(error, message);
    QByteArrayList got;
    if (found) {
        for (const int k : { 1, 2, 3, 4, 5, 48 })
            got << QByteArray::number(found->at(k - 1));
    }
    QCOMPARE(got.join(' '), heights);
}

QTEST_GUILESS_MAIN(tst_Exchange)
#include "tst_exchange.moc"
