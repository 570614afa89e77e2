#include "electrodelist.h"
#include "syntheticdevice.h"
#include "testsupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

using Kgw::ListResult;

namespace {

ListResult readBytes(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return Kgw::readElectrodeList(&buffer);
}

} // namespace

class tst_ElectrodeList : public QObject
{
    Q_OBJECT

private slots:
    void lists_data();
    void lists();
    void linesAfterEnd_data();
    void linesAfterEnd();
    void encodings_data();
    void encodings();
    void quotesStayShort_data();
    void quotesStayShort();
    void longLines_data();
    void longLines();
    void verdictEndsReading_data();
    void verdictEndsReading();
    void countsUnmeasurable();
    void tooManyQuadruples();
    void missingFile();
    void readFailurePartWay();
};

void tst_ElectrodeList::lists_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("informative");
    QTest::addColumn<QByteArray>("quadruples"); // hex, A B M N per quadruple

    const QString remoteA = "A electrode can not be remote (0)";
    const QString remoteM = "M electrode can not be remote (0)";
    const QString rangeA = "A electrode is out of range [1, 48] (%1)";
    const QString rangeB = "B electrode is out of range [0, 48] (%1)";
    const QString rangeM = "M electrode is out of range [1, 48] (%1)";
    const QString rangeN = "N electrode is out of range [0, 48] (%1)";
    const QString nan = "%1 electrode is not a number (%2)";
    const QString empty = "TXT file is empty";

    // Where the list ends.
    QTest::newRow("no lines") << QByteArray() << empty << QString() << QByteArray();
    QTest::newRow("first line empty")
        << QByteArray("\n1 2 3 4\n") << empty << QString() << QByteArray();
    QTest::newRow("first line empty, CRLF")
        << QByteArray("\r\n1 2 3 4\r\n") << empty << QString() << QByteArray();
    QTest::newRow("stops at empty line")
        << QByteArray("1 2 3 4\n\n0 0 0 0\n") << QString() << QString() << QByteArray("01020304");
    QTest::newRow("no final line break") << QByteArray("1 2 3 4\n5 6 7 8") << QString() << QString()
                                         << QByteArray("0102030405060708");
    QTest::newRow("CRLF, stops at empty line")
        << QByteArray("1 2 3 4\r\n5 6 7 8\r\n\r\n0 0 0 0\r\n") << QString() << QString()
        << QByteArray("0102030405060708");
    QTest::newRow("lone CR ends a line") << QByteArray("1 4 2 3\r2 5 3 4\r1 0 2 60\r")
                                         << rangeN.arg(60) << "Line 3: 1 0 2 60" << QByteArray();
    QTest::newRow("lone CR, missing N stays on its line") << QByteArray(
        "5 0 6\r7 8 9 10\r") << QString() << QString() << QByteArray("050006000708090a");
    QTest::newRow("two lone CRs end the list")
        << QByteArray("1 2 3 4\r\r0 0 0 0\r") << QString() << QString() << QByteArray("01020304");
    QTest::newRow("LF then CR end the list")
        << QByteArray("1 2 3 4\n\r0 0 0 0\n") << QString() << QString() << QByteArray("01020304");
    // The stream hands the text on in pieces of 65536 characters; this CRLF straddles two.
    QTest::newRow("CRLF across pieces") << "1 2 3 4" + QByteArray(65536 - 8, ' ') + "\r\n1 2 3 60\n"
                                        << rangeN.arg(60) << "Line 2: 1 2 3 60" << QByteArray();

    // Fields.
    QTest::newRow("tabs and spaces")
        << QByteArray("\t1  2\t3 4  \n") << QString() << QString() << QByteArray("01020304");
    QTest::newRow("three fields, remote N")
        << QByteArray("5 0 6") << QString() << QString() << QByteArray("05000600");
    QTest::newRow("last position and remotes")
        << QByteArray("48 0 48 0") << QString() << QString() << QByteArray("30003000");
    QTest::newRow("fields after the fourth ignored")
        << QByteArray("1 2 3 4 99 x\n") << QString() << QString() << QByteArray("01020304");
    QTest::newRow("octal") << QByteArray("010 0 1 0") << QString() << QString()
                           << QByteArray("08000100");
    QTest::newRow("hexadecimal") << QByteArray("0x10 0 0X1f 0") << QString() << QString()
                                 << QByteArray("10001f00");
    QTest::newRow("binary") << QByteArray("0b11 0 0B101 0") << QString() << QString()
                            << QByteArray("03000500");
    QTest::newRow("zero then 8 or 9 is decimal")
        << QByteArray("08 09 1 0") << QString() << QString() << QByteArray("08090100");
    QTest::newRow("plus sign") << QByteArray("+7 +0 +1 0") << QString() << QString()
                               << QByteArray("07000100");
    QTest::newRow("lone zero") << QByteArray("1 0 1 0") << QString() << QString()
                               << QByteArray("01000100");

    // The six rules, in their order.
    QTest::newRow("spaces only") << QByteArray("   \n") << remoteA << "Line 1:    " << QByteArray();
    QTest::newRow("remote M before A range")
        << QByteArray("49 3 0 2") << remoteM << "Line 1: 49 3 0 2" << QByteArray();
    QTest::newRow("A too large") << QByteArray("49 3 2 1") << rangeA.arg(49) << "Line 1: 49 3 2 1"
                                 << QByteArray();
    QTest::newRow("A remote") << QByteArray("0 3 2 1") << remoteA << "Line 1: 0 3 2 1"
                              << QByteArray();
    QTest::newRow("M remote") << QByteArray("1 3 0 2") << remoteM << "Line 1: 1 3 0 2"
                              << QByteArray();
    QTest::newRow("M one too large")
        << QByteArray("1 2 49 3") << rangeM.arg(49) << "Line 1: 1 2 49 3" << QByteArray();
    QTest::newRow("N one too large")
        << QByteArray("1 2 3 49") << rangeN.arg(49) << "Line 1: 1 2 3 49" << QByteArray();
    QTest::newRow("A of three digits")
        << QByteArray("100 2 3 4") << rangeA.arg(100) << "Line 1: 100 2 3 4" << QByteArray();
    QTest::newRow("N of three digits")
        << QByteArray("1 2 3 100") << rangeN.arg(100) << "Line 1: 1 2 3 100" << QByteArray();
    QTest::newRow("A negative") << QByteArray("-1 3 2 1") << rangeA.arg(-1) << "Line 1: -1 3 2 1"
                                << QByteArray();
    QTest::newRow("B too large") << QByteArray("1 49 2 3") << rangeB.arg(49) << "Line 1: 1 49 2 3"
                                 << QByteArray();
    QTest::newRow("B negative") << QByteArray("1 -2 2 3") << rangeB.arg(-2) << "Line 1: 1 -2 2 3"
                                << QByteArray();
    QTest::newRow("M too large") << QByteArray("1 2 50 3") << rangeM.arg(50) << "Line 1: 1 2 50 3"
                                 << QByteArray();
    QTest::newRow("N too large") << QByteArray("1 2 3 60") << rangeN.arg(60) << "Line 1: 1 2 3 60"
                                 << QByteArray();
    QTest::newRow("A range before B range")
        << QByteArray("50 -1 2 3") << rangeA.arg(50) << "Line 1: 50 -1 2 3" << QByteArray();
    QTest::newRow("a sign makes it decimal")
        << QByteArray("-010 1 1 1") << rangeA.arg(-10) << "Line 1: -010 1 1 1" << QByteArray();
    QTest::newRow("value in hex, message in decimal")
        << QByteArray("1 0x31 1 1") << rangeB.arg(49) << "Line 1: 1 0x31 1 1" << QByteArray();
    QTest::newRow("bad line after good ones")
        << QByteArray("1 2 3 4\r\n5 6 7 8\r\n1 2 3 99\r\n4 3 2 1\r\n") << rangeN.arg(99)
        << "Line 3: 1 2 3 99" << QByteArray();

    // Numbers beyond 32 bits are out of range, not wrapped around.
    QTest::newRow("A wraps to 1") << QByteArray("4294967297 2 3 4") << rangeA.arg("4294967297")
                                  << "Line 1: 4294967297 2 3 4" << QByteArray();
    QTest::newRow("B wraps to 0") << QByteArray("1 4294967296 2 3") << rangeB.arg("4294967296")
                                  << "Line 1: 1 4294967296 2 3" << QByteArray();
    QTest::newRow("remote M still first")
        << QByteArray("4294967297 2 0 4") << remoteM << "Line 1: 4294967297 2 0 4" << QByteArray();
    QTest::newRow("largest 32-bit value")
        << QByteArray("2147483647 1 1 1") << rangeA.arg(2147483647) << "Line 1: 2147483647 1 1 1"
        << QByteArray();
    QTest::newRow("one past it") << QByteArray("2147483648 1 1 1") << rangeA.arg("2147483648")
                                 << "Line 1: 2147483648 1 1 1" << QByteArray();
    QTest::newRow("smallest 32-bit value")
        << QByteArray("1 -2147483648 1 1") << rangeB.arg(Q_INT64_C(-2147483648))
        << "Line 1: 1 -2147483648 1 1" << QByteArray();
    QTest::newRow("one below it") << QByteArray("1 -2147483649 1 1") << rangeB.arg("-2147483649")
                                  << "Line 1: 1 -2147483649 1 1" << QByteArray();
    QTest::newRow("hex beyond 32 bits")
        << QByteArray("1 2 3 0xFFFFFFFF") << rangeN.arg("0xFFFFFFFF") << "Line 1: 1 2 3 0xFFFFFFFF"
        << QByteArray();
    QTest::newRow("wraps into range, binary")
        << QByteArray("1 0b100000000000000000000000000000001 1 1")
        << rangeB.arg(QString("0b100000000000000000") + QChar(0x2026))
        << "Line 1: 1 0b100000000000000000000000000000001 1 1" << QByteArray();

    // Text that isn't a number is never taken for a remote electrode.
    QTest::newRow("fourth not a number")
        << QByteArray("1 2 3 x") << nan.arg('N').arg("x") << "Line 1: 1 2 3 x" << QByteArray();
    // A field is the whole word, so nothing glued to a number is read as the next field.
    QTest::newRow("decimal point") << QByteArray("1.5 2 3 4") << nan.arg('A').arg("1.5")
                                   << "Line 1: 1.5 2 3 4" << QByteArray();
    QTest::newRow("decimal point in N") << QByteArray("1 2 3 4.5") << nan.arg('N').arg("4.5")
                                        << "Line 1: 1 2 3 4.5" << QByteArray();
    QTest::newRow("commas") << QByteArray("1,2,3,4") << nan.arg('A').arg("1,2,3,4")
                            << "Line 1: 1,2,3,4" << QByteArray();
    QTest::newRow("text glued to the fourth")
        << QByteArray("1 2 3 4abc\n") << nan.arg('N').arg("4abc") << "Line 1: 1 2 3 4abc"
        << QByteArray();
    QTest::newRow("8 is no octal digit") << QByteArray("018 2 3 4") << nan.arg('A').arg("018")
                                         << "Line 1: 018 2 3 4" << QByteArray();
    QTest::newRow("header line") << QByteArray("# A B M N\n1 2 3 4\n") << nan.arg('A').arg("#")
                                 << "Line 1: # A B M N" << QByteArray();
    QTest::newRow("before the remote test")
        << QByteArray("0 x 3 4") << nan.arg('B').arg("x") << "Line 1: 0 x 3 4" << QByteArray();
    QTest::newRow("bare sign") << QByteArray("1 - 2 3") << nan.arg('B').arg("-")
                               << "Line 1: 1 - 2 3" << QByteArray();
    QTest::newRow("sign at line end")
        << QByteArray("1 2 3 +\n") << nan.arg('N').arg("+") << "Line 1: 1 2 3 +" << QByteArray();
    QTest::newRow("hex prefix alone")
        << QByteArray("1 0x 2 3") << nan.arg('B').arg("0x") << "Line 1: 1 0x 2 3" << QByteArray();
    QTest::newRow("binary without binary digits")
        << QByteArray("1 0b2 2 3") << nan.arg('B').arg("0b2") << "Line 1: 1 0b2 2 3"
        << QByteArray();
    QTest::newRow("letter after hex digits") << QByteArray("1 0x1g 2 3") << nan.arg('B').arg("0x1g")
                                             << "Line 1: 1 0x1g 2 3" << QByteArray();
    QTest::newRow("Arabic-Indic digits")
        << QByteArray("\xd9\xa1 2 3 4\n") << QString() << QString() << QByteArray("01020304");

    // Control characters never reach a message as they are.
    QTest::newRow("NUL in a word")
        << QByteArray("1 2\0 3 4", 8) << nan.arg('B').arg(QString("2") + QChar(0xfffd))
        << "Line 1: 1 2" + QString(QChar(0xfffd)) + " 3 4" << QByteArray();
    QTest::newRow("tab in a quoted line")
        << QByteArray("1\t2\t3\t60") << rangeN.arg(60) << "Line 1: 1 2 3 60" << QByteArray();
    QTest::newRow("UTF-16 without a byte-order mark") << QByteArray("1\0 \0"
                                                                    "2\0 \0"
                                                                    "3\0 \0"
                                                                    "4\0\r\0\n\0",
        18) << nan.arg('A').arg(QString("1") + QChar(0xfffd))
                                                      << "Line 1: 1" + QString(QChar(0xfffd)) + " "
            + QChar(0xfffd) + "2" + QChar(0xfffd) + " " + QChar(0xfffd) + "3" + QChar(0xfffd) + " "
            + QChar(0xfffd) + "4" + QChar(0xfffd)
            + "\n(is the file UTF-16 without a byte-order mark?)"
                                                      << QByteArray();
    QTest::newRow("long word cut")
        << QByteArray("1 abcdefghijklmnopqrstuvwxyz 3 4")
        << nan.arg('B').arg(QString("abcdefghijklmnopqrst") + QChar(0x2026))
        << "Line 1: 1 abcdefghijklmnopqrstuvwxyz 3 4" << QByteArray();
    QTest::newRow("word of exactly twenty")
        << QByteArray("1 abcdefghijklmnopqrst 3 4") << nan.arg('B').arg("abcdefghijklmnopqrst")
        << "Line 1: 1 abcdefghijklmnopqrst 3 4" << QByteArray();

    // The line in the informative text.
    const QByteArray longLine = "1 2 3 99 " + QByteArray(100, 'x');
    QTest::newRow("long line cut to 80")
        << longLine << rangeN.arg(99)
        << "Line 1: " + QString::fromLatin1(longLine.left(80)) + QChar(0x2026) << QByteArray();
    const QByteArray line80 = "1 2 3 99" + QByteArray(72, ' ');
    QTest::newRow("line of exactly 80 with CRLF")
        << line80 + "\r\n"
        << rangeN.arg(99) << "Line 1: " + QString::fromLatin1(line80) << QByteArray();
}

void tst_ElectrodeList::lists()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QFETCH(QString, informative);
    QFETCH(QByteArray, quadruples);

    // A line that ends in the text is read another way, as a whole, than one that ends with it:
    // both must give the same verdict.
    for (const QByteArray &text : { content, content + '\n' }) {
        const ListResult result = readBytes(text);
        QCOMPARE(result.message, message);
        QCOMPARE(result.informativeText(), informative);
        QCOMPARE(hexOf(result.quadruples), quadruples);
        QCOMPARE(result.ok(), message.isEmpty());
    }
}

// Lines after the end are counted, over 16 Mi characters at most: a fill of "x\n" lines follows.
void tst_ElectrodeList::linesAfterEnd_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<qint64>("fill");
    QTest::addColumn<QByteArray>("suffix");
    QTest::addColumn<qint64>("endLine");
    QTest::addColumn<QString>("text");

    const QString lines
        = "the list ends at this empty line; %1 non-empty line%2 after it %3 not read";
    QTest::newRow("empty last line, nothing after")
        << QByteArray("1 2 3 4\n\n") << 0LL << QByteArray() << 2LL << QString();
    QTest::newRow("only blank lines after")
        << QByteArray("1 2 3 4\n\n \t\n\r\n") << 0LL << QByteArray("  ") << 2LL << QString();
    QTest::newRow("one more non-empty line") << QByteArray("1 2 3 4\n\n\n 5\n") << 0LL
                                             << QByteArray() << 2LL << lines.arg(1).arg("", "was");
    QTest::newRow("CRLF, last line without an end")
        << QByteArray("1 2 3 4\r\n5 6 7 8\r\n\r\n0 0 0 0\r\n\r\n") << 0LL << QByteArray("x") << 3LL
        << lines.arg(2).arg("s", "were");
    QTest::newRow("exactly the characters counted")
        << QByteArray("1 2 3 4\n\n") << (1LL << 24) << QByteArray() << 2LL
        << lines.arg(1 << 23).arg("s", "were");
    QTest::newRow("one character more")
        << QByteArray("1 2 3 4\n\n") << (1LL << 24) << QByteArray("y") << 2LL
        << lines.arg("at least 8388608").arg("s", "were");
}

void tst_ElectrodeList::linesAfterEnd()
{
    QFETCH(QByteArray, list);
    QFETCH(qint64, fill);
    QFETCH(QByteArray, suffix);
    QFETCH(qint64, endLine);
    QFETCH(QString, text);

    SyntheticDevice device(list, "x\n", fill, suffix);
    QVERIFY(device.open(QIODevice::ReadOnly));
    const ListResult result = Kgw::readElectrodeList(&device);
    QVERIFY(result.ok());
    QCOMPARE(result.endLineNumber, endLine);
    QCOMPARE(result.linesAfterEndText(), text);
}

void tst_ElectrodeList::encodings_data()
{
    QTest::addColumn<QByteArray>("content");
    const QString text = QStringLiteral("1 2 3 4\r\n48 0 10 0\r\n");

    QTest::newRow("ASCII") << text.toLatin1();
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + text.toUtf8();
    QTextCodec *utf16le = QTextCodec::codecForName("UTF-16LE");
    QTextCodec *utf16be = QTextCodec::codecForName("UTF-16BE");
    QTest::newRow("UTF-16LE with BOM") << "\xFF\xFE" + utf16le->fromUnicode(text);
    QTest::newRow("UTF-16BE with BOM") << "\xFE\xFF" + utf16be->fromUnicode(text);
}

void tst_ElectrodeList::encodings()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("list.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const ListResult result = Kgw::readElectrodeList(path);
    QCOMPARE(result.message, QString());
    QCOMPARE(hexOf(result.quadruples), QByteArray("0102030430000a00"));
}

void tst_ElectrodeList::quotesStayShort_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    const QByteArray digits(200000, '7');
    QTest::newRow("huge number") << "1 " + digits + " 2 3"
                                 << "B electrode is out of range [0, 48] (" + QString(20, '7')
            + QChar(0x2026) + ")";
    QTest::newRow("huge word") << "1 2 " + QByteArray(200000, 'z')
                               << "M electrode is not a number (" + QString(20, 'z') + QChar(0x2026)
            + ")";
    QTest::newRow("long run of blanks before a bad field")
        << "1 2 3" + QByteArray(200000, ' ') + "-"
        << "N electrode is not a number (-)";
}

void tst_ElectrodeList::quotesStayShort()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);

    const ListResult result = readBytes(content);
    QCOMPARE(result.message, message);
    QCOMPARE(result.lineNumber, 1);
    QCOMPARE(result.lineText.size(), 81); // 80 characters and the ellipsis
}

// Lines far longer than any buffer: only the first four fields matter, and messages quote
// just the start of the line.
void tst_ElectrodeList::longLines_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<char>("fill");
    QTest::addColumn<QByteArray>("suffix");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("quadruples"); // hex, A B M N per quadruple

    QTest::newRow("blank tail, then a good line")
        << QByteArray("1 2 3 4") << ' ' << QByteArray("\n5 6 7 8\n") << QString()
        << QByteArray("0102030405060708");
    QTest::newRow("no line break at all")
        << QByteArray("1 2 3 4 ") << 'x' << QByteArray() << QString() << QByteArray("01020304");
    QTest::newRow("blanks between the fields")
        << QByteArray("1") << '\t' << QByteArray("2 3 4\n") << QString() << QByteArray("01020304");
    QTest::newRow("endless number")
        << QByteArray("1 2 3 ") << '9' << QByteArray("\n")
        << "N electrode is out of range [0, 48] (" + QString(20, '9') + QChar(0x2026) + ")"
        << QByteArray();
    QTest::newRow("bad line, then good ones")
        << QByteArray("x") << ' ' << QByteArray("\n1 2 3 4\n")
        << QString("A electrode is not a number (x)") << QByteArray();
}

void tst_ElectrodeList::longLines()
{
    QFETCH(QByteArray, prefix);
    QFETCH(char, fill);
    QFETCH(QByteArray, suffix);
    QFETCH(QString, message);
    QFETCH(QByteArray, quadruples);

    SyntheticDevice device(prefix, fill, 16 * 1024 * 1024, suffix);
    QVERIFY(device.open(QIODevice::ReadOnly));
    const ListResult result = Kgw::readElectrodeList(&device);
    QCOMPARE(result.message, message);
    QCOMPARE(hexOf(result.quadruples), quadruples);
    if (!message.isEmpty())
        QVERIFY(result.informativeText().size() < 100);
}

// Input without end, as /dev/zero or a runaway pipe gives: a known verdict must end the reading.
void tst_ElectrodeList::verdictEndsReading_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<char>("fill");
    QTest::addColumn<QString>("message");

    QTest::newRow("NUL bytes") << QByteArray() << '\0'
                               << "A electrode is not a number (" + QString(20, QChar(0xfffd))
            + QChar(0x2026) + ")";
    QTest::newRow("junk after a bad A") << QByteArray(
        "x") << 'y' << "A electrode is not a number (x" + QString(19, 'y') + QChar(0x2026) + ")";
    QTest::newRow("range, then words")
        << QByteArray("49 1 2 3 ") << 'z' << "A electrode is out of range [1, 48] (49)";
    QTest::newRow("range, then blanks")
        << QByteArray("1 2 3 60") << ' ' << "N electrode is out of range [0, 48] (60)";
}

void tst_ElectrodeList::verdictEndsReading()
{
    QFETCH(QByteArray, prefix);
    QFETCH(char, fill);
    QFETCH(QString, message);

    SyntheticDevice device(prefix, fill, std::numeric_limits<qint64>::max() / 2, QByteArray());
    QVERIFY(device.open(QIODevice::ReadOnly));
    const ListResult result = Kgw::readElectrodeList(&device);
    QCOMPARE(result.message, message);
    QCOMPARE(result.lineText.size(), 81);
    QVERIFY(device.pos() < 1024 * 1024);
}

// One quadruple more than a sequence file may hold is refused, never stored.
void tst_ElectrodeList::countsUnmeasurable()
{
    // M repeats A on line 2; on line 3, read without a line end, M lies midway between A and B.
    QCOMPARE(readBytes(QByteArray("1 4 2 3\n1 2 1 3\n1 3 2 0")).unmeasurable, 2);
}

void tst_ElectrodeList::tooManyQuadruples()
{
    const QByteArray line = "1 0 1 0\n";
    SyntheticDevice device(QByteArray(), line, line.size() * (qint64(1) << 26), "2 0 2 0\n");
    QVERIFY(device.open(QIODevice::ReadOnly));
    const ListResult result = Kgw::readElectrodeList(&device);
    QCOMPARE(result.status, ListResult::TooLarge);
    QCOMPARE(result.message, QString("Failed to load TXT file"));
    QVERIFY(result.informativeText().contains("67108864"));
    QVERIFY(result.quadruples.isEmpty());
}

void tst_ElectrodeList::missingFile()
{
    QTemporaryDir dir;
    const ListResult result = Kgw::readElectrodeList(dir.filePath("absent.txt"));
    QCOMPARE(result.status, ListResult::OpenFailed);
    QCOMPARE(result.message, QString("Failed to load TXT file"));
    QVERIFY(!result.informativeText().isEmpty());
}

// A device that fails after delivering good lines must not pass for the end of the list. The
// process's own memory, read through /proc, fails for real where a mapping ends.
void tst_ElectrodeList::readFailurePartWay()
{
#ifdef Q_OS_LINUX
    const long page = sysconf(_SC_PAGESIZE);
    void *mapped = mmap(
        nullptr, size_t(2 * page), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    QVERIFY(mapped != MAP_FAILED);
    char *area = static_cast<char *>(mapped);
    QVERIFY(munmap(area + page, size_t(page)) == 0);
    for (long i = 0; i + 8 <= page; i += 8)
        memcpy(area + i, "1 2 3 4\n", 8);

    QFile memory("/proc/self/mem");
    QVERIFY(memory.open(QIODevice::ReadOnly));
    QVERIFY(memory.seek(qint64(quintptr(area))));
    const ListResult result = Kgw::readElectrodeList(&memory);
    munmap(area, size_t(page));

    QCOMPARE(result.status, ListResult::ReadFailed);
    QCOMPARE(result.message, QString("Failed to load TXT file"));
    QVERIFY(result.quadruples.isEmpty());
#else
    QSKIP("needs /proc/self/mem");
#endif
}

QTEST_GUILESS_MAIN(tst_ElectrodeList)
#include "tst_electrodelist.moc"
