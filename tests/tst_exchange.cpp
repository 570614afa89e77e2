#include "exchange.h"
#include "testsupport.h"

#include <QBuffer>
#include <QtTest>

using Kgw::ExchangeResult;

namespace {

ExchangeResult read(const QByteArray &bytes, int spacingMillimetres = 0)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    if (spacingMillimetres < 0)
        return Kgw::readCsv(&buffer);
    return Kgw::readUnifiedData(
        &buffer, spacingMillimetres > 0 ? std::optional<qint32>(spacingMillimetres) : std::nullopt);
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
    void readsCsv_data();
    void readsCsv();
    void topography_data();
    void topography();
    void topographyOfElectrodesUsed_data();
    void topographyOfElectrodesUsed();
};

void tst_Exchange::writes_data()
{
    QTest::addColumn<bool>("unified");
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
    QTest::newRow("unified") << true
                             << "48\n# x z\n" + positions
            + "4\n# a b m n k\n1 4 2 3 15.70796327\n1 0 2 3 31.41592654\n5 5 6 7 nan\n"
              "2 0 1 3 inf\n";
    QTest::newRow("csv") << false << QByteArray("a,b,m,n\n1,4,2,3\n1,0,2,3\n5,5,6,7\n2,0,1,3\n");
}

void tst_Exchange::writes()
{
    QFETCH(bool, unified);
    QFETCH(QByteArray, expected);

    const QVector<Kgw::Quadruple> quadruples
        = quadruplesFromHex("01040203010002030505060702000103");
    const Kgw::FileContent content = Kgw::exchangeContent(
        unified ? Kgw::ExchangeFormat::Unified : Kgw::ExchangeFormat::Csv, quadruples, 2.5);
    QByteArray bytes;
    for (int i = 0; i < content.pieceCount; ++i)
        bytes += content.piece(i);
    QCOMPARE(bytes, expected);
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
    QTest::newRow("more electrodes than the cable")
        << QByteArray("49\n") << 0 << "Electrode count is out of range [1, 48] (49)" << 1
        << QByteArray() << 0;
    QTest::newRow("off the grid")
        << QByteArray("3\n0 0\n2.5 0\n5.001 0\n") << 0
        << "Electrode 3 at x = 5.001 is off the cable's grid (x = 5 at a spacing of 2.5 m)" << 4
        << QByteArray() << 0;
    QTest::newRow("off the surface")
        << QByteArray("2\n# x z\n0 0\n2.5 0.01\n") << 0
        << "Electrode 2 at z = 0.01 is off the cable's grid (z = 0)" << 4 << QByteArray() << 0;
    QTest::newRow("not at the spacing given")
        << QByteArray("2\n0 0\n2.5 0\n") << 2000
        << "Electrode 2 at x = 2.5 is off the cable's grid (x = 2 at a spacing of 2 m)" << 3
        << QByteArray() << 0;
    QTest::newRow("no spacing the cable takes")
        << QByteArray("2\n0 0\n200 0\n") << 0
        << "Electrode 2 at x = 200 gives a cable spacing outside 0.001 to 100 metres, with at "
           "most three decimals"
        << 3 << QByteArray() << 0;
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

// A topography read, laid under the cable at 1 m and written with the sequence.
void tst_Exchange::topography_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message"); // a refusal, or why the electrodes are not covered
    QTest::addColumn<int>("lineNumber");
    QTest::addColumn<QByteArray>("first"); // the lines of electrodes 1 to 3
    QTest::addColumn<QByteArray>("last"); // and of electrode 48, at 47 m

    QTest::newRow("pairs, blank lines and comments")
        << QByteArray("# x z\n0 100\n\n1 99.999 # peg 2\r\n47 99.953") << QString() << 0
        << QByteArray("0 100\n1 99.999\n2 99.998\n") << QByteArray("47 99.953\n");
    // From (2.5, 4) the ground falls 2 m in 1: electrode 48 lies at 4 - 2 × 44.5.
    QTest::newRow("points at and between electrodes, past both ends")
        << QByteArray("-5 0\n0 0\n2 4\n2.5 4\n60 -111\n") << QString() << 0
        << QByteArray("0 0\n1 2\n2 4\n") << QByteArray("47 -85\n");
    QTest::newRow("x just increases, heights round to 0")
        << QByteArray("0 -0.0004\n46.999 0\n47 0\n") << QString() << 0
        << QByteArray("0 0\n1 0\n2 0\n") << QByteArray("47 0\n");
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
    QTest::newRow("short of the last electrode") << QByteArray("0 10\n46.999 57\n")
                                                 << "The topography does not cover the electrodes "
                                                    "used, at x = 0 to 47 m: it runs from x = 0 "
                                                    "to 46.999 m"
                                                 << 0 << QByteArray() << QByteArray();
    QTest::newRow("starting past the first electrode")
        << QByteArray("0.001 10\n50 57\n")
        << "The topography does not cover the electrodes used, at x = 0 to 47 m: it runs from x = "
           "0.001 to 50 m"
        << 0 << QByteArray() << QByteArray();
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

// A list on electrodes 1 to 4 at 1 m needs heights from x = 0 to 3 m; the cable's other
// electrodes keep the last point's.
void tst_Exchange::topographyOfElectrodesUsed_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("heights"); // of electrodes 1, 2, 3, 4, 5 and 48

    QTest::newRow("up to the last electrode used")
        << QByteArray("0 10\n3 13\n") << QString() << QByteArray("10 11 12 13 13 13");
    QTest::newRow("short of it") << QByteArray("0 10\n2.999 13\n")
                                 << "The topography does not cover the electrodes used, at x = 0 "
                                    "to 3 m: it runs from x = 0 to 2.999 m"
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
