#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtEndian>
#include <QtTest>

#include "testsupport.h"

namespace {

const QByteArray SmallList = "1 4 2 3\n1 0 2 3\n4 1 2 3\n2 3 1 4\n5 5 6 7\n2 0 1 3\n";

// What a command says where it takes the spacing that no one gave.
QString defaultSpacing(const char *command)
{
    return QStringLiteral("kgw %1: no spacing given: took the default of 5.000 m; give --spacing "
                          "METRES if the cable's is another\n")
        .arg(QLatin1String(command));
}

} // namespace

class TestKgwCli : public QObject
{
    Q_OBJECT

private slots:
    void convertWritesTheWindowsBytes_data();
    void convertWritesTheWindowsBytes();
    void convertTakesEachListOnItsOwn();
    void convertReadsStandardInput();
    void convertReportsWriteFailures();
    void convertToStandardOutputNeverOverTheInput();
    void namesOutsideTheEncoding();
    void spacing_data();
    void spacing();
    void usageErrors_data();
    void usageErrors();
    void help();
    void inspectListsAndGeometry();
    void inspectListRoundTrips();
    void inspectRefusesMalformedFiles_data();
    void inspectRefusesMalformedFiles();
    void inspectReportsHeaderDifferences();
    void checkReportsFindings();
    void checkRefusesLikeConvert();
    void checkReadsSequenceFiles();
    void plot_data();
    void plot();
    void factorLimit_data();
    void factorLimit();
    void plotSection();
    void plotGround_data();
    void plotGround();
    void overGround_data();
    void overGround();
    void invert_data();
    void invert();
    void simulate_data();
    void simulate();
    void test_data();
    void test();
    void resolution();
    void resolutionRefusesElectrodesOffTheCable();
    void sectionOptions_data();
    void sectionOptions();
    void order();
    void exportFormats();
    void newOptions_data();
    void newOptions();
    void fromFormats_data();
    void fromFormats();
    void exchangeRoundTrip();
    void modelRefusals_data();
    void modelRefusals();
    void design_data();
    void design();
    void designStartsFromStandardArrays();
    void fieldOptions_data();
    void fieldOptions();
    void rollAlong();
    void rollAlongRoundTrip();
    void wholeLine_data();
    void wholeLine();
};

void TestKgwCli::convertWritesTheWindowsBytes_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("spacing");
    QTest::addColumn<QString>("err");

    QTest::newRow("one quadruple at 5 m")
        << QByteArray("1 2 3 4\n") << QStringList { "--spacing", "5" }
        << sequenceFileOf({ { 1, 2, 3, 4 } }, 5000) << "5.000" << QString();
    QTest::newRow("ends at the empty line, CRLF")
        << QByteArray("1 2 3 4\r\n48 0 48 0\r\n\r\n0 0 0 0\r\n") << QStringList()
        << sequenceFileOf({ { 1, 2, 3, 4 }, { 48, 0, 48, 0 } }, 5000) << "5.000"
        << "line1.txt:3: the list ends at this empty line; 1 non-empty line after it was not "
           "read\n"
            + defaultSpacing("convert")
            + "line1.txt: quadruples written that repeat an electrode or give no signal: 1; kgw "
              "check names their lines\n";
    QTest::newRow("bases and a missing field, 0.001 m")
        << QByteArray("010 0x10 0b11 7\n5 0 6\n") << QStringList { "--spacing", "0.001" }
        << sequenceFileOf({ { 8, 16, 3, 7 }, { 5, 0, 6, 0 } }, 1) << "0.001" << QString();
    QTest::newRow("100 m") << QByteArray("3 0 4 0") << QStringList { "--spacing", "100" }
                           << sequenceFileOf({ { 3, 0, 4, 0 } }, 100000) << "100.000" << QString();
    QTest::newRow("2.345 m") << QByteArray("3 9 4 5") << QStringList { "--spacing=2.345" }
                             << sequenceFileOf({ { 3, 9, 4, 5 } }, 2345) << "2.345" << QString();
}

void TestKgwCli::convertWritesTheWindowsBytes()
{
    QFETCH(QByteArray, list);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, expected);
    QFETCH(QString, spacing);
    QFETCH(QString, err);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("line1.txt"), list);
    const KgwRun run
        = runKgw(dir, QStringList { "convert" } + options + QStringList { "line1.txt" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, err);
    QCOMPARE(run.out,
        QStringLiteral("line1.txt.KGW: %1 quadruple%2, spacing %3 m\n")
            .arg((expected.size() - 335) / 4)
            .arg(expected.size() == 339 ? "" : "s", spacing));
    QCOMPARE(readBytes(dir, QStringLiteral("line1.txt.KGW")), expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void TestKgwCli::convertTakesEachListOnItsOwn()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 2 3 4\n");
    writeBytes(dir, QStringLiteral("bad.txt"), "1 2 3 4\n5 6 7 8\n1 2 50 3\n");
    writeBytes(dir, QStringLiteral("bad.txt.KGW"), "earlier");
    writeBytes(dir, QStringLiteral("empty.txt"), "\n1 2 3 4\n");
    writeBytes(dir, QStringLiteral("run"), "2 3 4 5\n6 7 8 9\n");

    const KgwRun run = runKgw(
        dir, { "convert", "a.txt", "bad.txt", "missing.txt", "empty.txt", "/dev/zero", "run" });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out,
        QStringLiteral("a.txt.KGW: 1 quadruple, spacing 5.000 m\nrun.KGW: 2 quadruples, spacing "
                       "5.000 m\n"));
    QCOMPARE(run.err,
        defaultSpacing("convert")
            + QStringLiteral("bad.txt:3: M electrode is out of range [1, 48] (50)\n"
                             "missing.txt: Failed to load TXT file: No such file or directory\n"
                             "empty.txt: TXT file is empty\n"
                             "/dev/zero:1: A electrode is not a number (")
            + QString(20, QChar(0xfffd))
            + QStringLiteral("\u2026) (is the file UTF-16 without a byte-order mark?)\n"));
    QCOMPARE(readBytes(dir, QStringLiteral("a.txt.KGW")), sequenceFileOf({ { 1, 2, 3, 4 } }, 5000));
    QCOMPARE(readBytes(dir, QStringLiteral("run.KGW")),
        sequenceFileOf({ { 2, 3, 4, 5 }, { 6, 7, 8, 9 } }, 5000));
    QCOMPARE(readBytes(dir, QStringLiteral("bad.txt.KGW")), QByteArray("earlier"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("empty.txt.KGW"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing.txt.KGW"))));
}

void TestKgwCli::convertReadsStandardInput()
{
    QTemporaryDir dir;
    const KgwRun run
        = runKgw(dir, { "convert", "--spacing", "2.5", "-o", "out.kgw", "-" }, "7 8 9 10\n");
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("out.kgw: 1 quadruple, spacing 2.500 m\n"));
    QCOMPARE(readBytes(dir, QStringLiteral("out.kgw")), sequenceFileOf({ { 7, 8, 9, 10 } }, 2500));

    const KgwRun bad = runKgw(dir, { "convert", "-o", "bad.kgw", "-" }, "1 2 3 4\n0 2 3 4\n");
    QCOMPARE(bad.exitCode, 1);
    QCOMPARE(bad.err, QStringLiteral("<stdin>:2: A electrode can not be remote (0)\n"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("bad.kgw"))));
}

void TestKgwCli::convertReportsWriteFailures()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 2 3 4\n");
    const KgwRun run = runKgw(dir, { "convert", "-o", "no/such/dir/a.KGW", "a.txt" });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err,
        QStringLiteral(
            "no/such/dir/a.KGW: Failed to create KGW file: No such file or directory\n"));
}

void TestKgwCli::convertToStandardOutputNeverOverTheInput()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 2 3 4\n");
    const KgwRun toStdout = runKgw(dir, { "convert", "-o", "-", "a.txt" });
    QCOMPARE(toStdout.exitCode, 0);
    QCOMPARE(toStdout.bytes, sequenceFileOf({ { 1, 2, 3, 4 } }, 5000));
    QCOMPARE(toStdout.err,
        defaultSpacing("convert") + QStringLiteral("<stdout>: 1 quadruple, spacing 5.000 m\n"));

    const KgwRun overInput = runKgw(dir, { "convert", "-o", "./a.txt", "a.txt" });
    QCOMPARE(overInput.exitCode, 1);
    QCOMPARE(overInput.err,
        QStringLiteral("./a.txt: Output would overwrite the input a.txt; nothing written\n"));
    QCOMPARE(readBytes(dir, QStringLiteral("a.txt")), QByteArray("1 2 3 4\n"));
}

// A name that is not valid UTF-8 reaches kgw unchanged only through a shell.
void TestKgwCli::namesOutsideTheEncoding()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    QProcess shell;
    setUpKgw(shell, dir);
    shell.setProgram(QStringLiteral("/bin/sh"));
    shell.setArguments({ "-c",
        "export LC_ALL=C.UTF-8; n=$(printf 'a\\377.txt'); echo 1 2 3 4 >\"$n\"; \"$0\" convert "
        "--spacing 5 -o o.KGW \"$n\"; \"$0\" convert \"$n\"; s=$?; rm \"$n\"; exit $s",
        QStringLiteral(KGW_EXECUTABLE) });
    shell.start();
    const KgwRun run = finishedRun(shell);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QStringLiteral("o.KGW: 1 quadruple, spacing 5.000 m\n"));
    QCOMPARE(run.err,
        QStringLiteral("a\uFFFD.txt.KGW: Name is not valid in the locale's encoding; nothing "
                       "written\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList("o.KGW"));
#endif
}

void TestKgwCli::spacing_data()
{
    QTest::addColumn<QString>("spacing");
    QTest::addColumn<int>("millimetres"); // 0: a usage error

    QTest::newRow("accepted") << "2.5" << 2500;
    QTest::newRow("refused") << "2,5" << 0;
}

void TestKgwCli::spacing()
{
    QFETCH(QString, spacing);
    QFETCH(int, millimetres);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 2 3 4\n");
    const KgwRun run = runKgw(dir, { "convert", "--spacing", spacing, "a.txt" });
    if (millimetres == 0) {
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(
            run.err.startsWith(QStringLiteral("kgw convert: invalid spacing '%1'").arg(spacing)),
            qPrintable(run.err));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("a.txt.KGW"))));
    } else {
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readBytes(dir, QStringLiteral("a.txt.KGW")),
            sequenceFileOf({ { 1, 2, 3, 4 } }, millimetres));
    }
}

void TestKgwCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("firstLine");

    QTest::newRow("nothing") << QStringList() << "kgw: no command given";
    QTest::newRow("unknown command") << QStringList { "frob" } << "kgw: unknown command 'frob'";
    QTest::newRow("unknown option") << QStringList { "--frob" } << "kgw: Unknown option 'frob'.";
    QTest::newRow("convert nothing")
        << QStringList { "convert" } << "kgw convert: no electrode list given";
    QTest::newRow("convert option")
        << QStringList { "convert", "-x", "a.txt" } << "kgw convert: Unknown option 'x'.";
    QTest::newRow("-o and two lists") << QStringList { "convert", "-o", "o", "a.txt", "a.txt" }
                                      << "kgw convert: -o names one output; give one LIST";
    QTest::newRow("stdin without -o")
        << QStringList { "convert", "-" } << "kgw convert: a list from standard input needs -o OUT";
    QTest::newRow("inspect both") << QStringList { "inspect", "--list", "--geometry", "a.KGW" }
                                  << "kgw inspect: --list and --geometry exclude each other";
    QTest::newRow("inspect two") << QStringList { "inspect", "a.KGW", "b.KGW" }
                                 << "kgw inspect: give exactly one sequence file";
    QTest::newRow("check none") << QStringList { "check" } << "kgw check: give exactly one input";
    QTest::newRow("order layout") << QStringList { "order", "--channel-layout", "ring", "a.txt" }
                                  << "kgw order: unknown --channel-layout 'ring': give free or "
                                     "chained";
    QTest::newRow("order gap in seconds")
        << QStringList { "order", "--gap-seconds", "1", "a.txt" }
        << "kgw order: --gap-seconds needs --seconds-per-injection T to count the injections";
}

void TestKgwCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, firstLine);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 2 3 4\n");
    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err.section(QLatin1Char('\n'), 0, 0), firstLine);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "a.txt" });
}

void TestKgwCli::help()
{
    QTemporaryDir dir;
    const KgwRun top = runKgw(dir, { "--help" });
    QCOMPARE(top.exitCode, 0);
    QVERIFY(top.out.startsWith(QStringLiteral("Usage: kgw [options] COMMAND")));
    for (const char *command : { "convert", "inspect", "check" }) {
        QVERIFY(top.out.contains(QLatin1String(command)));
        const KgwRun run = runKgw(dir, { command, "--help" });
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith(QStringLiteral("Usage: kgw %1 [options]").arg(command)),
            qPrintable(run.out));
    }
    const KgwRun version = runKgw(dir, { "--version" });
    QCOMPARE(version.exitCode, 0);
    QVERIFY(version.out.startsWith(QStringLiteral("kgw ")));
}

void TestKgwCli::inspectListsAndGeometry()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("s.KGW"),
        sequenceFileOf({ { 1, 4, 2, 3 }, { 1, 0, 2, 3 }, { 5, 5, 6, 7 }, { 2, 0, 1, 3 } }, 5000));

    const KgwRun plain = runKgw(dir, { "inspect", "s.KGW" });
    QCOMPARE(plain.exitCode, 0);
    QCOMPARE(plain.err, QString());
    QCOMPARE(plain.out,
        QStringLiteral("quadruples: 4\nspacing: 5.000 m\n1 4 2 3\n1 0 2 3\n5 5 6 7\n2 0 1 3\n"));

    const KgwRun geometry = runKgw(dir, { "inspect", "--geometry", "s.KGW" });
    QCOMPARE(geometry.exitCode, 0);
    QCOMPARE(geometry.out,
        QStringLiteral("# A B M N x z K\n"
                       "1 4 2 3 7.500 2.595 31.416\n"
                       "1 0 2 3 3.750 2.595 62.832\n"
                       "5 5 6 7 23.750 nan nan\n"
                       "2 0 1 3 5.000 nan inf\n"));

    const KgwRun piped
        = runKgw(dir, { "inspect", "--list", "-" }, readBytes(dir, QStringLiteral("s.KGW")));
    QCOMPARE(piped.exitCode, 0);
    QCOMPARE(piped.out, QStringLiteral("1 4 2 3\n1 0 2 3\n5 5 6 7\n2 0 1 3\n"));
}

void TestKgwCli::inspectListRoundTrips()
{
    QRandomGenerator random(20240611);
    QTemporaryDir dir;
    for (int round = 0; round < 12; ++round) {
        QByteArray list;
        const int count = 1 + int(random.bounded(round == 0 ? 1 : 300));
        for (int i = 0; i < count; ++i) {
            list += QByteArray::number(1 + random.bounded(48)) + ' '
                + QByteArray::number(random.bounded(49)) + ' '
                + QByteArray::number(1 + random.bounded(48)) + ' '
                + QByteArray::number(random.bounded(49)) + '\n';
        }
        const QString spacing = QString::number((1 + random.bounded(100000)) / 1000.0, 'f', 3);
        writeBytes(dir, QStringLiteral("list.txt"), list);
        QCOMPARE(runKgw(dir, { "convert", "--spacing", spacing, "list.txt" }).exitCode, 0);

        const KgwRun listed = runKgw(dir, { "inspect", "--list", "list.txt.KGW" });
        QCOMPARE(listed.exitCode, 0);
        QCOMPARE(listed.out.toUtf8(), list);

        writeBytes(dir, QStringLiteral("again.txt"), listed.out.toUtf8());
        QCOMPARE(runKgw(dir, { "convert", "--spacing", spacing, "again.txt" }).exitCode, 0);
        QCOMPARE(readBytes(dir, QStringLiteral("again.txt.KGW")),
            readBytes(dir, QStringLiteral("list.txt.KGW")));
    }
}

void TestKgwCli::inspectRefusesMalformedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");

    const QByteArray good = sequenceFileOf({ { 1, 4, 2, 3 }, { 2, 5, 3, 4 } }, 5000);
    QByteArray marker = good;
    marker[0] = 0;
    QByteArray count = good;
    count[1] = 3;
    QByteArray electrode = good;
    electrode[339] = 49;

    QTest::newRow("short") << good.left(200)
                           << "File is shorter than the header of a KGW file (200 of 335 bytes)";
    QTest::newRow("marker") << marker << "Wrong marker 0x00 at offset 0 (expected 0xDC)";
    QTest::newRow("count") << count
                           << "Quadruple count 3 disagrees with the file size of 343 bytes "
                              "(expected 335 + 4 × 3 = 347)";
    QTest::newRow("electrode")
        << electrode << "Quadruple 2 (offset 339): A electrode is out of range [1, 48] (49)";
}

void TestKgwCli::inspectRefusesMalformedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("s.KGW"), file);
    for (const char *mode : { "--list", "--geometry" }) {
        const KgwRun run = runKgw(dir, { "inspect", mode, "s.KGW" });
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, QStringLiteral("s.KGW: ") + message + '\n');
    }
}

void TestKgwCli::inspectReportsHeaderDifferences()
{
    QTemporaryDir dir;
    QByteArray file = sequenceFileOf({ { 1, 4, 2, 3 } }, 5000);
    file[261] = 6;
    for (int i = 5; i < 5 + 20; ++i)
        file[i] = char(0xAA);
    writeBytes(dir, QStringLiteral("s.KGW"), file);

    const KgwRun run = runKgw(dir, { "inspect", "--list", "s.KGW" });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QStringLiteral("1 4 2 3\n"));
    const QStringList lines = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 17);
    QCOMPARE(lines.first(),
        QStringLiteral("s.KGW: Header byte at offset 5 differs: expected 0x00, found 0xAA"));
    QCOMPARE(lines.last(), QStringLiteral("s.KGW: 5 more header bytes differ"));

    writeBytes(dir, QStringLiteral("empty.KGW"), sequenceFileOf({}, 5000));
    const KgwRun empty = runKgw(dir, { "inspect", "--list", "empty.KGW" });
    QCOMPARE(empty.exitCode, 1);
    QCOMPARE(empty.err,
        QStringLiteral("empty.KGW: File holds no quadruples; KGW make never writes an empty "
                       "sequence\n"));
}

void TestKgwCli::checkReportsFindings()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), SmallList);
    const KgwRun run = runKgw(dir, { "check", "--geometric-factors", "--spacing", "2.5", "a.txt" });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out,
        QStringLiteral("a.txt:3: Duplicate of line 1\n"
                       "a.txt:4: Reciprocal of line 1\n"
                       "a.txt:5: Repeated electrode: A and B are both 5\n"
                       "a.txt:6: No signal: G = 0, so the geometric factor is infinite\n"
                       "# line A B M N K z\n"
                       "1 1 4 2 3 15.708 1.298\n"
                       "2 1 0 2 3 31.416 1.298\n"
                       "3 4 1 2 3 -15.708 1.298\n"
                       "4 2 3 1 4 15.708 1.298\n"
                       "5 5 5 6 7 nan nan\n"
                       "6 2 0 1 3 inf nan\n"
                       "quadruples: 6\n"
                       "spacing: 2.500 m\n"
                       "electrodes: 1-7, remote\n"
                       "repeated electrodes: 1\n"
                       "no signal: 1\n"
                       "duplicates: 1\n"
                       "reciprocals: 1\n"
                       "largest |K|: 31.416 m\n"
                       "negative K: 1\n"
                       "expected voltage: 318.310 to 636.620 mV at 100 ohm m and 100 mA\n"));

    // Reciprocals alone are no problem.
    writeBytes(dir, QStringLiteral("r.txt"), "1 4 2 3\n2 3 1 4\n");
    const KgwRun reciprocal = runKgw(dir, { "check", "r.txt" });
    QCOMPARE(reciprocal.exitCode, 0);
    QVERIFY(reciprocal.out.startsWith(QStringLiteral("r.txt:2: Reciprocal of line 1\n")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList { "a.txt", "r.txt" }));
}

void TestKgwCli::checkRefusesLikeConvert()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("bad.txt"), "1 2 3 4\n1.5 2 3 4\n");
    const KgwRun check = runKgw(dir, { "check", "bad.txt" });
    const KgwRun convert = runKgw(dir, { "convert", "bad.txt" });
    QCOMPARE(check.exitCode, 1);
    QCOMPARE(check.out, QString());
    QCOMPARE(check.err, QStringLiteral("bad.txt:2: A electrode is not a number (1.5)\n"));
    QCOMPARE(check.err, convert.err);
}

// At the sequence file's own spacing, with its quadruples for lines.
void TestKgwCli::checkReadsSequenceFiles()
{
    QTemporaryDir dir;
    writeBytes(
        dir, QStringLiteral("s.KGW"), sequenceFileOf({ { 1, 4, 2, 3 }, { 4, 1, 3, 2 } }, 2500));
    const KgwRun run = runKgw(dir, { "check", "s.KGW" });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QString());
    QVERIFY2(run.out.startsWith(
                 QStringLiteral("s.KGW:2: Duplicate of line 1\nquadruples: 2\nspacing: 2.500 m\n")),
        qPrintable(run.out));

    writeBytes(dir, QStringLiteral("nil.KGW"), sequenceFileOf({ { 1, 4, 2, 3 } }, 0));
    const KgwRun refused = runKgw(dir, { "check", "nil.KGW" });
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.out, QString());
    QCOMPARE(
        refused.err, QStringLiteral("nil.KGW: Cable spacing of 0 mm is outside 1 to 100000 mm\n"));
}

void TestKgwCli::plot_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("written"); // the picture, or empty when none may exist

    QTest::newRow("list to PNG") << QStringList { "plot", "-o", "p.png", "a.txt" } << 0
                                 << defaultSpacing("plot") << "p.png";
    QTest::newRow("list at a spacing, to SVG") << QStringList { "plot", "--spacing", "2.5", "-o",
        "p.SVG", "a.txt" } << 0 << QString() << "p.SVG";
    QTest::newRow("sequence file")
        << QStringList { "plot", "-o", "p.svg", "s.KGW" } << 0 << QString() << "p.svg";
    QTest::newRow("empty sequence still has its axes")
        << QStringList { "plot", "-o", "p.png", "empty.KGW" } << 0 << QString() << "p.png";
    QTest::newRow("refused list, as convert says")
        << QStringList { "plot", "-o", "p.png", "bad.txt" } << 1
        << "bad.txt:2: N electrode is out of range [0, 48] (60)\n"
        << QString();
    QTest::newRow("sequence at a spacing the window never writes")
        << QStringList { "plot", "-o", "p.png", "nil.KGW" } << 1
        << "nil.KGW: Cable spacing of 0 mm is outside 1 to 100000 mm\n"
        << QString();
    QTest::newRow("refused sequence, as inspect says")
        << QStringList { "plot", "-o", "p.png", "short.KGW" } << 1
        << "short.KGW: File is shorter than the header of a KGW file (10 of 335 bytes)\n"
        << QString();
    QTest::newRow("other picture format")
        << QStringList { "plot", "-o", "p.jpg", "a.txt" } << 2 << QString() << QString();
    QTest::newRow("no output") << QStringList { "plot", "a.txt" } << 2 << QString() << QString();
    QTest::newRow("spacing for a sequence file, not its own")
        << QStringList { "plot", "--spacing", "2", "-o", "p.png", "s.KGW" } << 1
        << "s.KGW: Spacing 5.000 m differs from --spacing 2.000 m; give the file's or none\n"
        << QString();
    QTest::newRow("model option for the coverage") << QStringList { "plot", "--grid-depth", "9",
        "-o", "p.png", "a.txt" } << 2 << QString() << QString();
}

void TestKgwCli::plot()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QFETCH(QString, written);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 4 2 3\n2 5 3 4\n1 0 2 3\n1 0 2 0\n2 1 3 4\n");
    writeBytes(dir, QStringLiteral("bad.txt"), "1 4 2 3\n1 2 3 60\n");
    writeBytes(
        dir, QStringLiteral("s.KGW"), sequenceFileOf({ { 1, 4, 2, 3 }, { 5, 0, 6, 0 } }, 5000));
    writeBytes(dir, QStringLiteral("empty.KGW"), sequenceFileOf({}, 5000));
    writeBytes(dir, QStringLiteral("nil.KGW"), sequenceFileOf({ { 1, 4, 2, 3 } }, 0));
    writeBytes(dir, QStringLiteral("short.KGW"), sequenceFileOf({}, 5000).left(10));

    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 2)
        QVERIFY2(run.err.contains(QLatin1String("kgw plot")), qPrintable(run.err));
    else
        QCOMPARE(run.err, err);
    const QStringList pictures
        = QDir(dir.path()).entryList({ "*.png", "*.PNG", "*.svg", "*.SVG", "*.jpg" }, QDir::Files);
    QCOMPARE(pictures, written.isEmpty() ? QStringList() : QStringList(written));
    if (written.isEmpty())
        return;

    if (written.endsWith(QLatin1String("png"), Qt::CaseInsensitive)) {
        const QImage image(dir.filePath(written));
        QCOMPARE(image.size(), QSize(1200, 720));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3) {
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        }
        QVERIFY2(colours.size() > 10, "the picture is blank");
    } else {
        QXmlStreamReader xml(readBytes(dir, written));
        bool hasTitle = false;
        while (!xml.atEnd()) {
            xml.readNext();
            hasTitle = hasTitle
                || (xml.isCharacters() && xml.text().contains(QLatin1String("quadruples")));
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(hasTitle);
    }
}

void TestKgwCli::factorLimit_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    // Dipole-dipole n = 1 to 3 at 5 m: K = 30 pi, 120 pi and 300 pi m.
    QTest::newRow("check reports") << QStringList { "check", "--k-max", "500", "dd.txt" } << 1
                                   << "dd.txt:3: Weak signal: |K| = 942.478 m is above the limit "
                                      "of 500.000 m\n"
                                   << defaultSpacing("check");
    QTest::newRow("generate leaves out")
        << QStringList { "generate", "--electrodes", "6", "--k-max", "500", "dd" } << 0
        << "2 1 3 4\n3 2 4 5\n4 3 5 6\n2 1 4 5\n3 2 5 6\n"
        << defaultSpacing("generate")
            + "<stdout>: 5 configurations, 1 with |K| above --k-max left out, spacing 5.000 m\n";
    QTest::newRow("refused") << QStringList { "generate", "--k-max", "-5", "dd" } << 2 << QString()
                             << "kgw generate: invalid --k-max '-5': give a positive number of "
                                "metres\nTry 'kgw generate --help' for more information.\n";
}

void TestKgwCli::factorLimit()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("dd.txt"), "2 1 3 4\n2 1 4 5\n2 1 5 6\n");
    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.startsWith(out), qPrintable(run.out));
    QCOMPARE(run.err, err);
}

void TestKgwCli::order()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 2 3 4\n3 4 5 6\n7 8 1 2\n");
    const KgwRun run = runKgw(dir,
        { "order", "--gap", "2", "--channels", "2", "--seconds-per-injection", "2.5", "a.txt" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("7 8 1 2\n1 2 3 4\n3 4 5 6\n"));
    QCOMPARE(run.err,
        QStringLiteral(
            "<stdout>: 3 configurations; places that break a gap of 2: 1 before, 0 after\n"
            "<stdout>: with 2 channels: 3 injections before, 3 after\n"
            "<stdout>: at 2.5 s per injection: field time 0:00:08 before, 0:00:08 "
            "after\n"));

    // Each is the other's reciprocal, so the gap can't be met; the sequence keeps its spacing.
    const QByteArray reciprocals = sequenceFileOf({ { 1, 2, 3, 4 }, { 3, 4, 1, 2 } }, 2500);
    writeBytes(dir, QStringLiteral("r.KGW"), reciprocals);
    const KgwRun unmet
        = runKgw(dir, { "order", "--gap", "1", "--kgw", "o.KGW", "--spacing", "2.5", "r.KGW" });
    QCOMPARE(unmet.exitCode, 0);
    QCOMPARE(unmet.err,
        QStringLiteral("o.KGW: 2 configurations, spacing 2.500 m; places that break a gap of 1: 1 "
                       "before, 1 after: no order found meets it\n"));
    QCOMPARE(readBytes(dir, QStringLiteral("o.KGW")), reciprocals);

    // 1 2 4 5 continues the chain of 1 2 3 4, within the dipole limit.
    writeBytes(dir, QStringLiteral("c.txt"), "1 2 4 5\n1 2 3 4\n");
    const KgwRun chained = runKgw(dir,
        { "order", "--channels", "2", "--channel-layout", "chained", "--max-dipole", "1",
            "--allow-enclosing", "--gap-seconds", "1", "--seconds-per-injection", "0.4", "c.txt" });
    QCOMPARE(chained.out, QStringLiteral("1 2 3 4\n1 2 4 5\n"));
    QVERIFY2(chained.err.startsWith(QStringLiteral(
                 "<stdout>: a gap of 1 s at 0.4 s per injection: ceil(1 / 0.4) = 3 injections\n"
                 "<stdout>: 2 configurations; places that break a gap of 3 injections: 0 before, "
                 "0 after\n<stdout>: with 2 channels: 2 injections before, 1 after\n")),
        qPrintable(chained.err));

    // A list records no spacing, and a sequence file of it needs one.
    const KgwRun noSpacing = runKgw(dir, { "order", "--kgw", "a.KGW", "a.txt" });
    QCOMPARE(noSpacing.exitCode, 2);
    QVERIFY2(noSpacing.err.startsWith(QStringLiteral(
                 "kgw order: --kgw writes a sequence file, which records the cable's spacing, and "
                 "none was given: give --spacing METRES\n")),
        qPrintable(noSpacing.err));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("a.KGW"))));

    writeBytes(dir, QStringLiteral("bad.txt"), "1 2 3 4\n1 2 3 60\n");
    const KgwRun refused = runKgw(dir, { "order", "-o", "b.txt", "bad.txt" });
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.err, QStringLiteral("bad.txt:2: N electrode is out of range [0, 48] (60)\n"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("b.txt"))));
}

void TestKgwCli::exportFormats()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 4 2 3\n1 0 2 3\n");
    const KgwRun csv = runKgw(dir, { "export", "--format", "csv", "a.txt" });
    QCOMPARE(csv.exitCode, 0);
    QCOMPARE(csv.out, QStringLiteral("a,b,m,n\n1,4,2,3\n1,0,2,3\n"));
    QCOMPARE(csv.err, QStringLiteral("<stdout>: 2 configurations\n"));

    writeBytes(dir, QStringLiteral("nil.KGW"), sequenceFileOf({ { 1, 4, 2, 3 } }, 0));
    const KgwRun refused
        = runKgw(dir, { "export", "--format", "unified", "-o", "nil.dat", "nil.KGW" });
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(
        refused.err, QStringLiteral("nil.KGW: Cable spacing of 0 mm is outside 1 to 100000 mm\n"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("nil.dat"))));
}

void TestKgwCli::newOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // how standard output starts
    QTest::addColumn<QString>("err");

    // Falling 1 m in 2, each 2 m of tape runs 2 / sqrt(1.25) = 1.7888544 m on and half that
    // down. Electrode 25 needs 24 of them, 42.9 m of ground.
    const QStringList heights { "export", "--format", "unified", "--spacing", "2", "a.txt" };
    QTest::newRow("export --topography")
        << heights + QStringList { "--topography", "t.txt" } << 0
        << "48\n# x z\n0 100\n1.7888544 99.1055728\n3.5777088 98.2111456\n"
        << "<stdout>: 2 configurations, spacing 2.000 m\n";
    QTest::newRow("export --topography, short")
        << heights + QStringList { "--topography", "short.txt" } << 1 << QString()
        << "short.txt: The topography does not cover the electrodes used, 1 to 25: it runs from x "
           "= 0 to 40 m, which holds electrodes 1 to 23 at a spacing of 2 m\n";
    const QString beyond = "a.txt:2: Beyond the cable: electrode 25, with 24 electrodes in use\n";
    QTest::newRow("convert --electrodes")
        << QStringList { "convert", "--electrodes", "24", "a.txt" } << 1 << QString() << beyond;
    QTest::newRow("convert --electrodes 0")
        << QStringList { "convert", "--electrodes", "0", "a.txt" } << 2 << QString()
        << "kgw convert: invalid --electrodes '0': give a whole number from 1 to 48\nTry 'kgw "
           "convert --help' for more information.\n";
    QTest::newRow("check --electrodes") << QStringList { "check", "--spacing", "5", "--electrodes",
        "24", "a.txt" } << 1 << beyond << QString();
    QTest::newRow("check --electrodes 49")
        << QStringList { "check", "--electrodes", "49", "a.txt" } << 2 << QString()
        << "kgw check: invalid --electrodes '49': give a whole number from 1 to 48\nTry 'kgw "
           "check --help' for more information.\n";
}

void TestKgwCli::newOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 24 2 3\n1 25 2 3\n");
    writeBytes(dir, QStringLiteral("t.txt"), "0 100\n94 53\n");
    writeBytes(dir, QStringLiteral("short.txt"), "0 100\n40 80\n");
    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.startsWith(out), qPrintable(run.out));
    QCOMPARE(run.out.isEmpty(), out.isEmpty());
    QCOMPARE(run.err, err);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

void TestKgwCli::fromFormats_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // how standard output starts
    QTest::addColumn<QString>("err");

    QTest::newRow("convert csv") << QStringList { "convert", "--from", "csv", "-o", "o.KGW",
        "in.csv" } << 0 << "o.KGW: 1 quadruple, spacing 5.000 m\n"
                                 << defaultSpacing("convert");
    QTest::newRow("convert counts what gives no signal")
        << QStringList { "convert", "--from", "csv", "-o", "o.KGW", "none.csv" } << 0
        << "o.KGW: 2 quadruples, spacing 5.000 m\n"
        << defaultSpacing("convert")
            + "none.csv: quadruples written that repeat an electrode or give no signal: 1; kgw "
              "check names their lines\n";
    QTest::newRow("convert refuses at the line")
        << QStringList { "convert", "--from", "unified", "bad.dat" } << 1 << QString()
        << "bad.dat:5: Electrode 3 lies 2.692582 m from electrode 2, not the cable's spacing of "
           "2.5 m (to within 0.1 %)\n";
    const QString slope = QStringLiteral(KGW_TEST_DATA_DIR "/slope48.dat");
    QTest::newRow("convert reads a line along a slope")
        << QStringList { "convert", "--from", "unified", "-o", "o.KGW", slope } << 0
        << "o.KGW: 24 quadruples, spacing 2.000 m\n"
        << slope
            + ": electrodes at heights from -8.41 to 0 m: geometric factors and models are those "
              "of a flat ground\n";
    QTest::newRow("convert says what it left unread")
        << QStringList { "convert", "--from", "unified", "-o", "o.KGW", "more.dat" } << 0
        << "o.KGW: 2 quadruples, spacing 2.500 m\n"
        << "more.dat:8: Data count is 2, but 1 more data row follows; it was not read\n";
    QTest::newRow("check names the file's lines")
        << QStringList { "check", "--from", "unified", "in.dat" } << 1
        << "in.dat:7: Duplicate of line 6\n"
        << QString();
    QTest::newRow("check refuses at the line") << QStringList { "check", "--from", "csv",
        "bad.csv" } << 1 << QString() << "bad.csv:2: M electrode is not a number (x)\n";
    QTest::newRow("plot unified") << QStringList { "plot", "--from", "unified", "-o", "p.png",
        "in.dat" } << 0 << "p.png: 2 quadruples, spacing 2.500 m\n"
                                  << QString();
    QTest::newRow("plot checks a spacing given")
        << QStringList { "plot", "--from", "unified", "--spacing", "5", "-o", "p.png", "in.dat" }
        << 1 << QString()
        << "in.dat:3: Electrode 2 lies 2.5 m from electrode 1, not the cable's spacing of 5 m (to "
           "within 0.1 %)\n";
    QTest::newRow("plot data") << QStringList { "plot", "--data", "rhoa.dat", "-o", "p.png" } << 0
                               << "p.png: 2 quadruples, spacing 2.500 m\n"
                               << QString();
    QTest::newRow("plot data without rhoa or r")
        << QStringList { "plot", "--data", "in.dat", "-o", "p.png" } << 1 << QString()
        << "in.dat: The file has neither a rhoa nor an r column: it holds no apparent "
           "resistivity to draw\n";
    QTest::newRow("order csv")
        << QStringList { "order", "--from", "CSV", "in.csv" } << 0 << "1 4 2 3\n"
        << "<stdout>: 1 configuration; places that break a gap of 0: 0 before, 0 after\n";
    QTest::newRow("order, unknown format")
        << QStringList { "order", "--from", "xls", "in.csv" } << 2 << QString()
        << "kgw order: unknown format 'xls': give unified or csv\nTry 'kgw order --help' for more "
           "information.\n";
}

void TestKgwCli::fromFormats()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("in.csv"), "Id,A,B,M,N\nx,1,4,2,3\n");
    writeBytes(dir, QStringLiteral("bad.csv"), "a,b,m,n\n1,4,x,3\n");
    writeBytes(dir, QStringLiteral("none.csv"), "a,b,m,n\n1,4,2,3\n1,3,2,0\n");
    writeBytes(dir, QStringLiteral("in.dat"), "2\n0 0\n2.5 0\n2\n# a b m n\n1 0 2 0\n1 0 2 0\n");
    writeBytes(dir, QStringLiteral("bad.dat"), "3\n# x z\n0 0\n2.5 0\n5 1\n1\n1 0 2 0\n");
    writeBytes(dir, QStringLiteral("rhoa.dat"),
        "2\n0 0\n2.5 0\n2\n# a b m n rhoa\n1 0 2 0 120\n2 0 1 0 80\n");
    writeBytes(dir, QStringLiteral("more.dat"),
        "2\n0 0\n2.5 0\n2\n# a b m n\n1 0 2 0\n1 0 2 0\n2 0 1 0\n");
    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.startsWith(out), qPrintable(run.out));
    QCOMPARE(run.err, err);
}

void TestKgwCli::plotSection()
{
    QTemporaryDir dir;
    writeBytes(
        dir, QStringLiteral("s.KGW"), sequenceFileOf({ { 1, 4, 2, 3 }, { 2, 5, 3, 4 } }, 2000));
    const KgwRun run = runKgw(dir, { "plot", "--resolution", "-o", "r.png", "s.KGW" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out, QStringLiteral("r.png: 2 quadruples, spacing 2.000 m\n"));
    const QImage image(dir.filePath(QStringLiteral("r.png")));
    QCOMPARE(image.width(), 1200);
}

void TestKgwCli::plotGround_data()
{
    QTest::addColumn<QByteArray>("ground");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    // 23 spacings of 1 m: a spacing beyond either end, and 23 / 3 m deep.
    QTest::newRow("drawn, a block beyond the line said")
        << QByteArray("background 100\nlayer 0 2 300\nblock 30 31 0 1 10\n") << 0
        << "g.png: the ground of g.ground under 24 electrodes, spacing 1.000 m\n"
        << "g.ground:3: The block lies outside the section drawn, x -1.000 to 24.000 m and depth "
           "0 to 7.667 m\n";
    QTest::newRow("refused at its line")
        << QByteArray("background 100\nblock 5 5 0 1 10\n") << 1 << QString()
        << "g.ground:2: x0 must be less than x1 (5 is not below 5)\n";
}

void TestKgwCli::plotGround()
{
    QFETCH(QByteArray, ground);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("g.ground"), ground);
    const KgwRun run = runKgw(dir,
        { "plot", "--ground", "g.ground", "--spacing", "1", "--electrodes", "24", "-o", "g.png" });
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, err);
    QCOMPARE(QImage(dir.filePath(QStringLiteral("g.png"))).width(), exitCode == 0 ? 1200 : 0);
}

// The sections and the resolution of a list over a ground; the ground alone refuses a coverage.
void TestKgwCli::overGround_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");

    QTest::newRow("sensitivity section over the ground")
        << QStringList { "plot", "--sensitivity", "--ground", "g.ground", "a.txt", "-o", "s.svg" }
        << 0 << "s.svg: 2 quadruples, spacing 1.000 m, over the ground of g.ground\n";
    QTest::newRow("resolution over the ground") << QStringList { "resolution", "--ground",
        "g.ground", "a.txt" } << 0 << "ground: g.ground, sensitivities from its forward model on ";
    QTest::newRow("design over the ground")
        << QStringList { "design", "--ground", "g.ground", "--measurements", "30", "--electrodes",
               "12", "-o", "d.txt" }
        << 0 << "kgw design: designed over the ground of g.ground, sensitivities from its forward";
    QTest::newRow("design over no ground file") << QStringList { "design", "--ground",
        "none.ground", "--measurements", "30", "--electrodes", "12", "-o", "d.txt" }
                                                << 1 << "none.ground";
    QTest::newRow("adaptive design")
        << QStringList { "design", "--adaptive", "15", "--ground", "g.ground", "--measurements",
               "30", "--electrodes", "12", "-o", "d.txt" }
        << 0 << "kgw design: adaptive: the first 15 configurations simulated over g.ground";
    QTest::newRow("adaptive design without a ground")
        << QStringList { "design", "--adaptive", "15", "--measurements", "30", "-o", "d.txt" } << 2
        << "--adaptive needs the true ground: --ground FILE";
    QTest::newRow("no coverage over a ground")
        << QStringList { "plot", "--coverage", "--ground", "g.ground", "a.txt", "-o", "s.png" } << 2
        << "give no --coverage with it";
}

void TestKgwCli::overGround()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("g.ground"), "background 100\nblock 4 7 1 2 10\n");
    writeBytes(dir, QStringLiteral("a.txt"), "1 4 2 3\n9 12 10 11\n");
    const KgwRun run = runKgw(dir,
        arguments << "--spacing"
                  << "1");
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
    // The picture's title names the ground it was drawn over.
    if (exitCode == 0 && arguments.contains(QStringLiteral("s.svg")))
        QVERIFY(readBytes(dir, QStringLiteral("s.svg"))
                    .contains("cumulative sensitivity over g.ground"));
}

// Wenner-alpha at a = 1 m reads rho / (2 pi) = 15.9155 ohm over a uniform 100 ohm m, and its
// apparent resistivity is the ground's; the file reads back as the data it holds.
void TestKgwCli::invert_data()
{
    QTest::addColumn<QByteArray>("columns");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    // A uniform 100 ohm m under Wenner alpha at a = 1 m reads r = 100 / 2π.
    QTest::newRow("written") << QByteArray("r err") << 0 << QString();
    QTest::newRow("without errors refused")
        << QByteArray("r") << 1
        << "d.dat: No err column: the inversion weighs each reading by its error, and needs "
           "them\n";
}

void TestKgwCli::invert()
{
    QFETCH(QByteArray, columns);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QTemporaryDir dir;
    QByteArray data = "6\n0 0\n1 0\n2 0\n3 0\n4 0\n5 0\n3\n# a b m n " + columns + '\n';
    for (const char *row : { "1 4 2 3", "2 5 3 4", "3 6 4 5" })
        data += QByteArray(row) + (columns.contains("err") ? " 15.91549 0.03\n" : " 15.91549\n");
    writeBytes(dir, QStringLiteral("d.dat"), data);
    const KgwRun run = runKgw(dir, { "invert", "d.dat", "-o", "m.xyz" });
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.err, err);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("m.xyz"))), exitCode == 0);
    if (exitCode != 0)
        return;
    QVERIFY2(run.out.contains(QStringLiteral("from 100 ohm m")), qPrintable(run.out));
    QVERIFY(readBytes(dir, QStringLiteral("m.xyz")).startsWith("# x z rho\n"));
}

void TestKgwCli::simulate_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("spacing"); // whether --spacing 1 is given
    QTest::newRow("written") << QByteArray("1 4 2 3\n") << 0 << QString() << true;
    QTest::newRow("no spacing refused")
        << QByteArray("1 4 2 3\n") << 2
        << "kgw simulate: each reading needs the cable's spacing, and a.txt records none: give "
           "--spacing METRES\nTry 'kgw simulate --help' for more information.\n"
        << false;
    QTest::newRow("a repeated electrode refused")
        << QByteArray("1 4 2 3\n1 1 2 3\n") << 1
        << "a.txt: Configurations that repeat an electrode or give no signal, which no "
           "instrument reads: 1; kgw check names them\n"
        << true;
}

void TestKgwCli::simulate()
{
    QFETCH(QByteArray, list);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QFETCH(bool, spacing);
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), list);
    writeBytes(dir, QStringLiteral("g.ground"), "background 100\n");
    QStringList arguments { "simulate", "--ground", "g.ground", "--current", "100", "a.txt", "-o",
        "d.dat" };
    if (spacing)
        arguments << "--spacing"
                  << "1";
    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.err, err);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("d.dat"))), exitCode == 0);
    if (exitCode != 0)
        return;
    QVERIFY2(run.out.startsWith(QStringLiteral("d.dat: 1 configuration over g.ground")),
        qPrintable(run.out));
    const QStringList lines
        = QString::fromLatin1(readBytes(dir, QStringLiteral("d.dat"))).split(QLatin1Char('\n'));
    const int header = lines.indexOf(QStringLiteral("# a b m n k r rhoa err u/mV i/mA"));
    QVERIFY(header > 0);
    const QStringList row = lines.at(header + 1).split(QLatin1Char(' '));
    QCOMPARE(row.mid(0, 4), QStringList({ "1", "4", "2", "3" }));
    QVERIFY(qAbs(row.at(5).toDouble() / (100 / (2 * M_PI)) - 1) < 5e-3);
    QVERIFY(qAbs(row.at(6).toDouble() / 100 - 1) < 5e-3);
    QCOMPARE(row.at(9), QStringLiteral("100"));
    const KgwRun back = runKgw(dir, { "check", "--from", "unified", "d.dat" });
    QCOMPARE(back.exitCode, 0);
}

// Two short lists over a block at the surface under the middle of the cable.
void TestKgwCli::test_data()
{
    QTest::addColumn<QByteArray>("extra"); // a row after the second list's
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::newRow("tested") << QByteArray() << 0 << QString();
    QTest::newRow("an unmeasurable row refused")
        << QByteArray("5 6 5 7\n") << 1
        << "b.txt: Configurations that repeat an electrode or give no signal, which no "
           "instrument reads: 1; kgw check names them\n";
}

void TestKgwCli::test()
{
    QFETCH(QByteArray, extra);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QByteArray wenner;
    QByteArray dipoles;
    for (int i = 10; i <= 34; i += 2) { // at a = 2, seeing into the block
        const QByteArray at[] = { QByteArray::number(i), QByteArray::number(i + 2),
            QByteArray::number(i + 4), QByteArray::number(i + 6) };
        wenner += at[0] + ' ' + at[3] + ' ' + at[1] + ' ' + at[2] + '\n';
        dipoles += at[1] + ' ' + at[0] + ' ' + at[2] + ' ' + at[3] + '\n';
    }
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), wenner);
    writeBytes(dir, QStringLiteral("b.txt"), dipoles + extra);
    writeBytes(dir, QStringLiteral("g.ground"), "background 100\nblock 20 30 0 1 10\n");
    const KgwRun run = runKgw(dir,
        { "test", "--ground", "g.ground", "--spacing", "1", "--seed", "2", "a.txt", "b.txt",
            "--picture", "t.png" });
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.err, err);
    QCOMPARE(QImage(dir.filePath(QStringLiteral("t.png"))).width(), exitCode == 0 ? 1200 : 0);
    if (exitCode != 0)
        return;
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    QCOMPARE(lines.at(0), QStringLiteral("ground: g.ground, noise 3 %, seed 2, spacing 1.000 m"));
    // A list's row count, and figures over the section and the bodies both.
    const int rows = wenner.count('\n');
    for (const int line : { 3, 4 }) {
        const QStringList cells = lines.at(line).simplified().split(QLatin1Char(' '));
        QCOMPARE(cells.size(), 7);
        QCOMPARE(cells.at(0), line == 3 ? QStringLiteral("a.txt") : QStringLiteral("b.txt"));
        QCOMPARE(cells.at(1).toInt(), rows);
        QVERIFY2(cells.at(2).toDouble() > 0 && cells.at(3).toDouble() > 0, qPrintable(run.out));
    }
}

void TestKgwCli::resolution()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 4 2 3\n2 5 3 4\n3 6 4 5\n3 3 4 5\n");
    writeBytes(dir, QStringLiteral("s.KGW"), sequenceFileOf({ { 2, 1, 3, 4 } }, 2000));
    const KgwRun run = runKgw(dir, { "resolution", "a.txt", "s.KGW" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    QVERIFY2(run.out.startsWith(QStringLiteral("cable: 6 electrodes, spacing 2.000 m\n")),
        qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("\n                          a.txt      s.KGW\n"
                                             "configurations                4          1\n"
                                             "no signal or repeat           1          0\n")),
        qPrintable(run.out));
}

void TestKgwCli::resolutionRefusesElectrodesOffTheCable()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 4 2 3\n5 8 6 7\n");
    const KgwRun run = runKgw(dir, { "resolution", "--electrodes", "6", "a.txt" });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, QStringLiteral("a.txt:2: electrode 8 is beyond the cable of 6 electrodes\n"));
}

void TestKgwCli::sectionOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected"); // in standard output or the picture, else the error

    QTest::newRow("resolution target")
        << QStringList { "resolution", "--target", "0:10,0:2" } << 0 << "\nrelative in target ";
    QTest::newRow("resolution target refused")
        << QStringList { "resolution", "--target", "0:10,2:2" } << 2
        << "kgw resolution: invalid --target '0:10,2:2': give X0:X1,Z0:Z1 in metres, X0 < X1 and "
           "0 <= Z0 < Z1\n";
    QTest::newRow("range") << QStringList { "plot", "--sensitivity", "--range", "1e-9:1e-7" } << 0
                           << "10\u207b\u2079";
    QTest::newRow("range refused")
        << QStringList { "plot", "--sensitivity", "--range", "0:10" } << 2
        << "kgw plot: invalid --range '0:10': the sensitivity's "
           "logarithmic scale needs bounds above 0\n";
    QTest::newRow("plot target") << QStringList { "plot", "--resolution", "--target", "2:6,0:1" }
                                 << 0 << "target x 2 to 6 m, depth 0 to 1 m";
    QTest::newRow("plot target refused") << QStringList { "plot", "--target",
        "2:6,0:1" } << 2 << "kgw plot: --target applies only to --sensitivity and --resolution\n";
}

void TestKgwCli::sectionOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    writeBytes(
        dir, QStringLiteral("s.KGW"), sequenceFileOf({ { 1, 4, 2, 3 }, { 2, 5, 3, 4 } }, 2000));
    if (arguments.constFirst() == QLatin1String("plot"))
        arguments << "-o"
                  << "r.svg";
    const KgwRun run = runKgw(dir, arguments << "s.KGW");
    QCOMPARE(run.exitCode, exitCode);
    const QString written = run.out + QString::fromUtf8(readBytes(dir, QStringLiteral("r.svg")));
    QVERIFY2((exitCode == 0 ? written : run.err).contains(expected), qPrintable(run.err));
}

// A list converted, exported and imported again gives the same sequence file.
void TestKgwCli::exchangeRoundTrip()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("l.txt"), "1 4 2 3\n1 0 2 0\n48 47 46 45\n2 0 1 3\n5 5 6 7\n");
    QCOMPARE(runKgw(dir, { "convert", "--spacing", "2.345", "l.txt" }).exitCode, 0);
    const QByteArray converted = readBytes(dir, QStringLiteral("l.txt.KGW"));
    for (const QStringList &format :
        { QStringList { "unified" }, QStringList { "csv", "--spacing", "2.345" } }) {
        QCOMPARE(runKgw(dir, { "export", "--format", format.first(), "-o", "l.out", "l.txt.KGW" })
                     .exitCode,
            0);
        QCOMPARE(runKgw(dir,
                     QStringList { "convert", "-o", "again.KGW", "--from" } + format
                         + QStringList { "l.out" })
                     .exitCode,
            0);
        QCOMPARE(readBytes(dir, QStringLiteral("again.KGW")), converted);
    }

    // Laid along a ground and read back, the same again, and its heights with it.
    writeBytes(dir, QStringLiteral("ground.txt"), "0 0\n2 0\n40 -12\n60 -3\n120 5\n");
    QCOMPARE(runKgw(dir,
                 { "export", "--format", "unified", "--topography", "ground.txt", "-o", "s.dat",
                     "l.txt.KGW" })
                 .exitCode,
        0);
    QCOMPARE(
        runKgw(dir, { "convert", "-o", "again.KGW", "--from", "unified", "s.dat" }).exitCode, 0);
    QCOMPARE(readBytes(dir, QStringLiteral("again.KGW")), converted);
    QCOMPARE(runKgw(dir,
                 { "export", "--format", "unified", "--from", "unified", "-o", "s2.dat", "s.dat" })
                 .exitCode,
        0);
    QCOMPARE(readBytes(dir, QStringLiteral("s2.dat")), readBytes(dir, QStringLiteral("s.dat")));
}

void TestKgwCli::modelRefusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("err");

    // 3 C(5, 4) + C(5, 2) + 5 C(4, 2) = 55 on the cable of 5, of which the 4 pole-dipoles with A
    // midway between M and N give no signal.
    QTest::newRow("plot, nothing within the limit")
        << QStringList { "plot", "--resolution", "--k-max", "1", "-o", "r.png", "a.txt" }
        << "kgw plot: No configuration of the cable is left to compare with: the 51 that give a "
           "reading are all beyond the |K| limit of 1 m\n";
    // As resolution refuses it, so that what one outlines the other counts.
    QTest::newRow("plot, target beyond the section") << QStringList {
        "plot", "--resolution", "--target", "300:400,0:15", "-o", "r.png", "a.txt"
    } << "kgw plot: No cell that the cable resolves has its centre in the target\n";
    QTest::newRow("resolution, too little damping")
        << QStringList { "resolution", "--damping", "1e-15", "a.txt" }
        << "kgw resolution: The damping 1e-15 is too small for this grid: its equations cannot be "
           "solved; give a larger damping\n";
}

// What the model cannot work out is refused, never drawn or printed as zeros.
void TestKgwCli::modelRefusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, err);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 4 2 3\n2 5 3 4\n");
    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, err);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("r.png"))));
}

void TestKgwCli::design_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("errEnd");

    QTest::newRow("written") << QStringList {
        "design", "--electrodes", "8", "--measurements", "12", "--reciprocals", "100", "-o", "d.txt"
    } << 0 << 24 << defaultSpacing("design") + "d.txt: 24 configurations, spacing 5.000 m\n";
    QTest::newRow("channel options")
        << QStringList { "design", "--electrodes", "8", "--measurements", "12", "--channels", "3",
               "--channel-layout", "chained", "--max-dipole", "3", "--allow-enclosing",
               "--reciprocals", "50", "-o", "d.txt" }
        << 0 << 18 << defaultSpacing("design") + "d.txt: 18 configurations, spacing 5.000 m\n";
    QTest::newRow("no base refused")
        << QStringList { "design", "--measurements", "12", "--base-share", "0" } << 2 << 0
        << "kgw design: --base-share 0 needs --base ARRAY: the design starts from at least one "
           "configuration\nTry 'kgw design --help' for more information.\n";
    QTest::newRow("no spacing for the sequence file")
        << QStringList { "design", "--measurements", "12", "--kgw", "d.KGW" } << 2 << 0
        << "kgw design: --kgw writes a sequence file, which records the cable's spacing, and none "
           "was given: give --spacing METRES\nTry 'kgw design --help' for more information.\n";
    QTest::newRow("reciprocals refused")
        << QStringList { "design", "--measurements", "12", "--reciprocals" } << 2 << 0
        << "kgw design: Missing value after '--reciprocals'.\nTry 'kgw design --help' for more "
           "information.\n";
    QTest::newRow("refused") << QStringList { "design", "--measurements", "12", "--target",
        "5:1,0:2" } << 2 << 0
                             << "kgw design: invalid --target '5:1,0:2': give X0:X1,Z0:Z1 in "
                                "metres, X0 < X1 and 0 <= Z0 < Z1\nTry 'kgw design --help' for "
                                "more information.\n";
}

void TestKgwCli::design()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(int, lines);
    QFETCH(QString, errEnd);

    QTemporaryDir dir;
    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.endsWith(errEnd), qPrintable(run.err));
    QFile list(dir.filePath(QStringLiteral("d.txt")));
    QCOMPARE(list.open(QIODevice::ReadOnly) ? list.readAll().count('\n') : 0, lines);
}

void TestKgwCli::designStartsFromStandardArrays()
{
    QTemporaryDir dir;
    const KgwRun run = runKgw(dir,
        { "design", "--electrodes", "8", "--measurements", "12", "--base-share", "50", "-o",
            "d.txt" });
    QCOMPARE(run.exitCode, 0);
    QFile list(dir.filePath(QStringLiteral("d.txt")));
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QByteArrayList rows = list.readAll().split('\n');
    QCOMPARE(rows.size(), 13);
    // Dipole-dipole at a = 1: n = 1 along the cable, then the first of n = 2.
    QCOMPARE(rows.mid(0, 6),
        QByteArrayList({ "2 1 3 4", "3 2 4 5", "4 3 5 6", "5 4 6 7", "6 5 7 8", "2 1 4 5" }));
}

// At 5 m, 1 4 2 3 has K = 10 pi m and 1 0 2 3 K = 20 pi m: at 100 ohm m and 100 mA they read
// 1 / pi V and 1 / 2 pi V.
void TestKgwCli::fieldOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected"); // in standard output or error

    const auto row = [](const char *name, const char *arguments, int exitCode, const char *text) {
        QTest::newRow(name) << QString::fromLatin1(arguments).split(' ') << exitCode
                            << QString::fromUtf8(text);
    };
    row("check", "check --resistivity 1000 a.txt", 0, "3183.099 mV at 1000 ohm m and 100 mA\n");
    row("check, current", "check --current 0 a.txt", 2, "invalid --current '0'");
    row("check, least voltage", "check --min-voltage 200 a.txt", 1, "a.txt:2: Low voltage");
    row("check, exclude", "check --exclude 0 a.txt", 2, "invalid --exclude: '0'");
    // Wenner-alpha on 8 electrodes: 5 at a = 1, 2 at a = 2; 5 8 6 7 and 2 8 4 6 use 8.
    row("generate", "generate wa --electrodes 8 --exclude 8", 0, "5 configurations, 2 using");
    row("generate, all", "generate wa --electrodes 8 --exclude 1-8", 1, "nothing written");
    row("order", "order --positive-k n.txt", 0, "1 4 2 3\n");
    row("order, exclude", "order --exclude 3 a.txt", 1, "a.txt:1: electrode 3 is excluded");
    row("resolution", "resolution --min-voltage 200 a.txt", 0, "|K| limit            1\n");
    row("resolution, exclude", "resolution --exclude 2 a.txt", 1, "a.txt:1: electrode 2 is");
    row("plot", "plot --min-voltage 200 -o p.svg a.txt", 2, "--min-voltage applies only");
    // Electrodes 1 to 4 are left: the base's 1 4 2 3 and two more arrangements of them.
    row("design", "design --electrodes 5 --exclude 5 --measurements 9 -o -", 0, "fewer than");
    // The 12 of the standard arrays fill it; pole-pole at a = 1 has 7 more.
    row("design, base without room",
        "design --electrodes 8 --measurements 12 --base-share 100 --base pp -o -", 0,
        "kgw design: 7 configurations of the base left out: the design holds 12");
}

void TestKgwCli::fieldOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "1 4 2 3\n1 0 2 3\n");
    writeBytes(dir, QStringLiteral("n.txt"), "1 4 3 2\n");
    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.contains(expected) || run.err.contains(expected), qPrintable(run.err));
}

void TestKgwCli::rollAlong()
{
    QTemporaryDir dir;
    const QStringList plan { "rollalong", "--line-electrodes", "12", "--electrodes", "6", "--move",
        "4", "--spacing", "2.5", "wa", "--a-max", "1", "--kgw", "-o", "p" };
    // Left from a plan of more spreads, it would look current beside this one.
    writeBytes(dir, QStringLiteral("p-4.KGW"), "old");
    const KgwRun stale = runKgw(dir, plan);
    QCOMPARE(stale.exitCode, 1);
    QCOMPARE(stale.err,
        QStringLiteral("p-4.KGW: Left from an earlier plan, and this one would not replace it: "
                       "remove it or give another -o PREFIX; nothing written\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("p-4.KGW") });

    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("p-4.KGW"))));
    const KgwRun run = runKgw(dir, plan);
    QCOMPARE(run.exitCode, 0);
    // Spreads 1-6, 5-10 and 7-12; Wenner-alpha of a = 1 starting at 4 lies across the first two.
    QCOMPARE(run.out,
        QStringLiteral(
            "line: 12 electrodes at 2.500 m; a cable of 6 moved by 4: 3 spreads\n"
            "spread  first     x (m)  configurations  injections\n"
            "     1      1     0.000               3           3\n"
            "     2      5    10.000               3           3\n"
            "     3      7    15.000               2           2\n"
            "total: 8 configurations, 8 injections with 1 channel\n"
            "full spreads: 9 configurations, each spread measuring all it holds; the plan saves 1 "
            "(11.1 %)\n"
            "lost: 1 configuration that no spread holds (longer than the cable, or across two "
            "spreads)\n"
            "last move: 2 electrodes, shorter than the others, where the line ends\n"));
    QCOMPARE(run.err,
        QStringLiteral("p: 3 spread files and p.dat written, 8 configurations, spacing 2.500 m\n"));
    const QVector<Kgw::Quadruple> wenner { { 1, 4, 2, 3 }, { 2, 5, 3, 4 }, { 3, 6, 4, 5 } };
    QCOMPARE(readBytes(dir, QStringLiteral("p-1.KGW")), sequenceFileOf(wenner, 2500));
    QCOMPARE(readBytes(dir, QStringLiteral("p-2.KGW")), sequenceFileOf(wenner, 2500));
    QCOMPARE(readBytes(dir, QStringLiteral("p-3.KGW")), sequenceFileOf(wenner.mid(1), 2500));
    // K = 2 pi a = 15.70796327 m.
    QByteArray line = "# roll-along: spreads of 6 electrodes, moved by 4\n12\n# x z\n";
    for (const char *x :
        { "0", "2.5", "5", "7.5", "10", "12.5", "15", "17.5", "20", "22.5", "25", "27.5" })
        line += QByteArray(x) + " 0\n";
    line += "8\n# a b m n k\n";
    for (const char *row : { "1 4 2 3", "2 5 3 4", "3 6 4 5", "5 8 6 7", "6 9 7 8", "7 10 8 9",
             "8 11 9 10", "9 12 10 11" })
        line += QByteArray(row) + " 15.70796327\n";
    QCOMPARE(readBytes(dir, QStringLiteral("p.dat")), line);
}

// The spreads converted by kgw convert and read back by kgw inspect give, in line positions,
// exactly the whole line's file, row for row.
void TestKgwCli::rollAlongRoundTrip()
{
    QTemporaryDir dir;
    const int line = 75;
    const int cable = 24;
    const int move = 10;
    const KgwRun plan = runKgw(dir,
        { "rollalong", "--line-electrodes", QString::number(line), "--electrodes",
            QString::number(cable), "--move", QString::number(move), "--spacing", "2", "dd", "slm",
            "--reciprocals", "20", "--channels", "4", "-o", "p" });
    QCOMPARE(plan.exitCode, 0);

    QStringList merged;
    int spreads = 0;
    for (int k = 1; QFile::exists(dir.filePath(QStringLiteral("p-%1.txt").arg(k))); ++k) {
        spreads = k;
        const QString list = QStringLiteral("p-%1.txt").arg(k);
        QCOMPARE(runKgw(dir, { "convert", "--spacing", "2", list }).exitCode, 0);
        const KgwRun read = runKgw(dir, { "inspect", "--list", list + ".KGW" });
        QCOMPARE(read.exitCode, 0);
        const int first = std::min(1 + (k - 1) * move, line - cable + 1);
        for (const QString &row : read.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            QStringList shifted;
            for (const QString &e : row.split(QLatin1Char(' ')))
                shifted << QString::number(e.toInt() == 0 ? 0 : e.toInt() + first - 1);
            merged << shifted.join(QLatin1Char(' '));
        }
    }
    QCOMPARE(spreads, 1 + (line - cable + move - 1) / move);

    const QStringList file
        = QString::fromLatin1(readBytes(dir, QStringLiteral("p.dat"))).split(QLatin1Char('\n'));
    const int data = file.indexOf(QStringLiteral("# a b m n k"));
    QVERIFY(data > 0);
    QCOMPARE(file.at(data - 1).toInt(), merged.size());
    QStringList rows;
    for (const QString &row : file.mid(data + 1, merged.size()))
        rows << row.section(QLatin1Char(' '), 0, 3);
    QCOMPARE(rows, merged);
}

// A whole line's file, read where its rows are drawn, checked and listed: 12 positions at 1 m in
// spreads of 6 moved by 3, the last row straddling the first two spreads.
void TestKgwCli::wholeLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString layout = QStringLiteral("line: 12 electrodes, 3 spreads of 6 moved by 3\n");
    QTest::newRow("inspect lists the rows and the spreads")
        << QStringList { "inspect", "--from", "unified", "line.dat" } << 0
        << "quadruples: 3\nspacing: 1.000 m\n" + layout
            + "spread 1: positions 1-6, x 0.000 to 5.000 m\n"
              "spread 2: positions 4-9, x 3.000 to 8.000 m\n"
              "spread 3: positions 7-12, x 6.000 to 11.000 m\n"
              "# A B M N spread\n2 1 3 4 1\n5 4 6 7 2\n3 4 7 8 0\n"
        << QString();
    QTest::newRow("inspect refuses spreads with a gap")
        << QStringList { "inspect", "--from", "unified", "gap.dat" } << 1 << QString()
        << "gap.dat:1: A move of 7 electrodes leaves a gap between spreads: the cable of 6 moves "
           "by 6 at most\n";
    QTest::newRow("check in line positions")
        << QStringList { "check", "--from", "unified", "--exclude", "8", "line.dat" } << 1
        << "line.dat:20: Excluded electrode: 8 is used\n"
           "line.dat:20: Beyond the spreads: no spread of 6 electrodes holds line positions 3 to "
           "8\nquadruples: 3\nspacing: 1.000 m\n"
            + layout
            + "electrodes: 1-8\nrepeated electrodes: 0\nno signal: 0\nbeyond the spreads: 1\n"
              "duplicates: 0\nreciprocals: 0\nlargest |K|: 188.496 m\nnegative K: 1\n"
              "expected voltage: 53.052 to 530.516 mV at 100 ohm m and 100 mA\n"
              "using excluded electrodes (8): 1\n"
        << QString();
    QTest::newRow("check refuses an exclusion off the line")
        << QStringList { "check", "--from", "unified", "--exclude", "13", "line.dat" } << 2
        << QString()
        << "kgw check: invalid --exclude: '13' is not an electrode from 1 to 12 or a range "
           "FIRST-LAST of them, FIRST below LAST\nTry 'kgw check --help' for more information.\n";
    QTest::newRow("plot the coverage")
        << QStringList { "plot", "--from", "unified", "--coverage", "-o", "c.png", "line.dat" } << 0
        << "c.png: 3 quadruples along 12 electrodes, spacing 1.000 m\n"
        << QString();
    QTest::newRow("plot the resolution")
        << QStringList { "plot", "--from", "unified", "--resolution", "-o", "r.png", "line.dat" }
        << 0 << "r.png: 3 quadruples along 12 electrodes, spacing 1.000 m\n"
        << QString();
    QTest::newRow("plot refuses another cable than the spreads'")
        << QStringList { "plot", "--from", "unified", "--sensitivity", "--electrodes", "5", "-o",
               "s.png", "line.dat" }
        << 2 << QString()
        << "kgw plot: --electrodes 5 differs from the spreads of 6 electrodes that line.dat "
           "records; give that or none\nTry 'kgw plot --help' for more information.\n";
}

void TestKgwCli::wholeLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir dir;
    QByteArray line = "# roll-along: spreads of 6 electrodes, moved by 3\n12\n# x z\n";
    for (int x = 0; x < 12; ++x)
        line += QByteArray::number(x) + " 0\n";
    line += "3\n# a b m n\n2 1 3 4\n5 4 6 7\n3 4 7 8\n";
    writeBytes(dir, QStringLiteral("line.dat"), line);
    writeBytes(
        dir, QStringLiteral("gap.dat"), QByteArray(line).replace("moved by 3", "moved by 7"));

    const KgwRun run = runKgw(dir, arguments);
    QCOMPARE(run.err, err);
    QCOMPARE(run.out, out);
    QCOMPARE(run.exitCode, exitCode);
    const int o = arguments.indexOf(QStringLiteral("-o"));
    if (o >= 0)
        QCOMPARE(QImage(dir.filePath(arguments.at(o + 1))).isNull(), exitCode != 0);
}

QTEST_GUILESS_MAIN(TestKgwCli)
#include "tst_kgwcli.moc"
