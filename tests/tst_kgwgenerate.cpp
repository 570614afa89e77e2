#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "testsupport.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <functional>

namespace {

using Quadruple = std::array<int, 4>; // A B M N

// Parses a generated list strictly: exactly four numbers, single spaces, "\n" after each line.
QVector<Quadruple> parseList(const QByteArray &text)
{
    QVector<Quadruple> list;
    if (!text.endsWith('\n'))
        return list;
    for (const QByteArray &line : text.left(text.size() - 1).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        Quadruple q {};
        bool ok = fields.size() == 4;
        for (int i = 0; ok && i < 4; ++i)
            q[i] = fields.at(i).toInt(&ok);
        if (!ok)
            return {};
        list.append(q);
    }
    return list;
}

QByteArray listText(const QVector<Quadruple> &list)
{
    QByteArray text;
    for (const Quadruple &q : list) {
        text += QByteArray::number(q[0]) + ' ' + QByteArray::number(q[1]) + ' '
            + QByteArray::number(q[2]) + ' ' + QByteArray::number(q[3]) + '\n';
    }
    return text;
}

// The count of an array from a closed form: sum over the loops of the first positions left.
int countOver(int aMax, int nMax, const std::function<int(int, int)> &perStep)
{
    int total = 0;
    for (int a = 1; a <= aMax; ++a) {
        for (int n = 1; n <= nMax; ++n)
            total += std::max(0, perStep(a, n));
    }
    return total;
}

QString summary(const QString &target, int count)
{
    return QStringLiteral("%1: %2 configuration%3\n")
        .arg(target)
        .arg(count)
        .arg(count == 1 ? "" : "s");
}

const QStringList AllArrays = { "wa", "wb", "wg", "slm", "dd", "pd", "pp", "gr" };

} // namespace

class TestKgwGenerate : public QObject
{
    Q_OBJECT

private slots:
    void counts_data();
    void counts();
    void firstAndLastLines_data();
    void firstAndLastLines();
    void mixedArraysLeaveRepeatsOut_data();
    void mixedArraysLeaveRepeatsOut();
    void reciprocals();
    void usageErrors_data();
    void usageErrors();
    void help();
    void nothingFits();
    void channelOptions();
    void outputFile();
    void countFollowsTheWrite();
    void roundTrip_data();
    void roundTrip();
    void checkFindsNoProblem_data();
    void checkFindsNoProblem();
};

void TestKgwGenerate::counts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("count");

    QTest::newRow("wa --a-max 15") << QStringList { "wa", "--a-max", "15" } << 360;
    QTest::newRow("wenner-alpha by default") << QStringList { "wenner-alpha" } << 360;
    QTest::newRow("alias in capitals, --a-max=2")
        << QStringList { "WG", "--a-max=2" } << (48 - 3) + (48 - 6);
    QTest::newRow("dd by default")
        << QStringList { "dd" } << countOver(15, 6, [](int a, int n) { return 48 - (n + 2) * a; });
    QTest::newRow("slm on 20") << QStringList { "slm", "--electrodes", "20", "--n-max",
        "3" } << countOver(15, 3, [](int a, int n) { return 20 - (2 * n + 1) * a; });
    QTest::newRow("pd on 10") << QStringList { "pd", "--electrodes", "10" }
                              << countOver(15, 6, [](int a, int n) { return 10 - (n + 1) * a; });
    QTest::newRow("pp, every n") << QStringList { "pp", "--n-max", "47" } << 47 * 48 / 2;
    QTest::newRow("pp ignores --a-max") << QStringList { "pp", "--a-max", "47" }
                                        << countOver(1, 6, [](int, int n) { return 48 - n; });
    QTest::newRow("gr, s = 3") << QStringList { "gr", "--n-max", "3", "--a-max", "5" }
                               << 3 * countOver(5, 1, [](int a, int) { return 48 - 5 * a; });
    QTest::newRow("gr, the least that fits")
        << QStringList { "gr", "--electrodes", "4", "--n-max", "1" } << 1;
    QTest::newRow("wb with reciprocals") << QStringList { "wb", "--reciprocals", "100" } << 720;
}

void TestKgwGenerate::counts()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, count);

    QTemporaryDir dir;
    const KgwRun run = runKgw(dir, QStringList { "generate" } + arguments);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, summary("<stdout>", count));
    QCOMPARE(parseList(run.bytes).size(), count);
    QCOMPARE(listText(parseList(run.bytes)), run.bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

void TestKgwGenerate::firstAndLastLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("last");

    QTest::newRow("wa") << QStringList { "wa" } << QByteArray("1 4 2 3")
                        << QByteArray("3 48 18 33");
    QTest::newRow("wb") << QStringList { "wb" } << QByteArray("2 1 3 4")
                        << QByteArray("18 3 33 48");
    QTest::newRow("wg") << QStringList { "wg" } << QByteArray("1 3 2 4")
                        << QByteArray("3 33 18 48");
    // At a = 15 only n = 1 fits.
    QTest::newRow("slm") << QStringList { "slm" } << QByteArray("1 4 2 3")
                         << QByteArray("3 48 18 33");
    QTest::newRow("dd") << QStringList { "dd" } << QByteArray("2 1 3 4")
                        << QByteArray("18 3 33 48");
    QTest::newRow("dd on 12") << QStringList { "dd", "--electrodes", "12", "--a-max", "2",
        "--n-max", "3" } << QByteArray("2 1 3 4")
                              << QByteArray("4 2 10 12");
    // At a = 15, n = 2 is the last that fits.
    QTest::newRow("pd") << QStringList { "pd" } << QByteArray("1 0 2 3") << QByteArray("3 0 33 48");
    QTest::newRow("pp") << QStringList { "pp" } << QByteArray("1 0 2 0") << QByteArray("42 0 48 0");
    // s = 6 needs 8a + 1 electrodes, so a stops at 5; k runs innermost.
    QTest::newRow("gr") << QStringList { "gr" } << QByteArray("1 9 2 3")
                        << QByteArray("8 48 38 43");
}

void TestKgwGenerate::firstAndLastLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, last);

    QTemporaryDir dir;
    const KgwRun run = runKgw(dir, QStringList { "generate" } + arguments);
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.bytes.trimmed().split('\n');
    QCOMPARE(lines.first(), first);
    QCOMPARE(lines.last(), last);
}

void TestKgwGenerate::mixedArraysLeaveRepeatsOut_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("leftOut");

    // Wenner-alpha is Schlumberger with n = 1; Wenner-beta is dipole-dipole with n = 1.
    QTest::newRow("wa slm") << QStringList { "wa", "slm" } << QStringList() << 360;
    QTest::newRow("slm wa") << QStringList { "slm", "wa" } << QStringList() << 360;
    QTest::newRow("dd wb") << QStringList { "dd", "wb" } << QStringList() << 360;
    QTest::newRow("wa wa") << QStringList { "wa", "wenner-alpha" } << QStringList() << 360;
    QTest::newRow("gr with s = 1 is wa")
        << QStringList { "wa", "gr" } << QStringList { "--n-max", "1" } << 360;
    QTest::newRow("no overlap") << QStringList { "pp", "pd", "wg" } << QStringList() << 0;
    QTest::newRow("all eight") << AllArrays << QStringList() << 720;
    QTest::newRow("all eight on 9")
        << AllArrays << QStringList { "--electrodes", "9" } << 2 * ((9 - 3) + (9 - 6));
}

void TestKgwGenerate::mixedArraysLeaveRepeatsOut()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, options);
    QFETCH(int, leftOut);

    QTemporaryDir dir;
    // Each array alone, then joined with the rule that A/B and M/N swapped are the same.
    QVector<Quadruple> expected;
    QSet<QPair<QPair<int, int>, QPair<int, int>>> seen;
    int total = 0;
    for (const QString &name : names) {
        const KgwRun alone = runKgw(dir, QStringList { "generate", name } + options);
        QCOMPARE(alone.exitCode, 0);
        for (const Quadruple &q : parseList(alone.bytes)) {
            ++total;
            const auto key = qMakePair(qMakePair(std::min(q[0], q[1]), std::max(q[0], q[1])),
                qMakePair(std::min(q[2], q[3]), std::max(q[2], q[3])));
            if (!seen.contains(key)) {
                seen.insert(key);
                expected.append(q);
            }
        }
    }

    const KgwRun mixed = runKgw(dir, QStringList { "generate" } + names + options);
    QCOMPARE(mixed.exitCode, 0);
    QCOMPARE(mixed.bytes, listText(expected));
    QCOMPARE(total - expected.size(), leftOut);
    QCOMPARE(mixed.err, summary("<stdout>", expected.size()));
}

void TestKgwGenerate::reciprocals()
{
    QTemporaryDir dir;
    const QStringList arguments { "generate", "dd", "pp", "--electrodes", "9", "--n-max", "2" };
    const KgwRun plain = runKgw(dir, arguments);
    const KgwRun both = runKgw(dir, arguments + QStringList { "--reciprocals", "100" });
    QCOMPARE(plain.exitCode, 0);
    QCOMPARE(both.exitCode, 0);

    // The list itself first, then as many reciprocals, which the core groups.
    const QVector<Quadruple> forward = parseList(plain.bytes);
    QVERIFY(!forward.isEmpty());
    QCOMPARE(parseList(both.bytes).mid(0, forward.size()), forward);
    QCOMPARE(both.err, summary("<stdout>", 2 * forward.size()));
}

void TestKgwGenerate::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("firstLine");

    const QString arrays
        = "wenner-alpha (wa), wenner-beta (wb), wenner-gamma (wg), schlumberger "
          "(slm), dipole-dipole (dd), pole-dipole (pd), pole-pole (pp), gradient (gr)";
    const QString electrodes = "invalid --electrodes '%1': give a whole number from 4 to 48";
    const QString aMax = "invalid --a-max '%1': give a whole number from 1 to 47";
    const QString nMax = "invalid --n-max '%1': give a whole number from 1 to 47";

    QTest::newRow("no array") << QStringList() << "no array given: give one or more of " + arrays;
    QTest::newRow("no array, options only")
        << QStringList { "--electrodes", "12" } << "no array given: give one or more of " + arrays;
    QTest::newRow("unknown array")
        << QStringList { "wa", "wenner" } << "unknown array 'wenner': give one of " + arrays;
    QTest::newRow("3 electrodes") << QStringList { "wa", "--electrodes", "3" } << electrodes.arg(3);
    QTest::newRow("49 electrodes")
        << QStringList { "wa", "--electrodes", "49" } << electrodes.arg(49);
    QTest::newRow("decimal") << QStringList { "wa", "--electrodes", "12.0" }
                             << electrodes.arg("12.0");
    QTest::newRow("sign") << QStringList { "wa", "--electrodes=+12" } << electrodes.arg("+12");
    QTest::newRow("empty") << QStringList { "wa", "--electrodes=" } << electrodes.arg("");
    QTest::newRow("huge") << QStringList { "wa", "--electrodes", "4294967308" }
                          << electrodes.arg("4294967308");
    QTest::newRow("a-max 0") << QStringList { "wa", "--a-max", "0" } << aMax.arg(0);
    QTest::newRow("a-max 48") << QStringList { "wa", "--a-max", "48" } << aMax.arg(48);
    QTest::newRow("n-max 0") << QStringList { "gr", "--n-max", "0" } << nMax.arg(0);
    QTest::newRow("n-max text") << QStringList { "gr", "--n-max", "six" } << nMax.arg("six");
    QTest::newRow("-o and --kgw") << QStringList { "wa", "-o", "a.txt", "--kgw", "a.KGW" }
                                  << "-o and --kgw exclude each other: give one output";
    QTest::newRow("--kgw without --spacing")
        << QStringList { "wa", "--kgw", "a.KGW" }
        << "--kgw writes a sequence file, which records the cable's spacing, and none was given: "
           "give --spacing METRES";
    QTest::newRow("bad spacing") << QStringList {
        "wa", "--kgw", "a.KGW", "--spacing", "0.0001"
    } << "invalid spacing '0.0001': give 0.001 to 100 metres, with at most three decimals";
    QTest::newRow("chained wenner") << QStringList { "dd", "wa", "--channel-layout", "chained" }
                                    << "--channel-layout chained applies only to dipole-dipole, "
                                       "pole-dipole and gradient, whose dipoles of one current "
                                       "pair form a chain; not to 'wa'";
    QTest::newRow("max-dipole 48") << QStringList { "dd", "--max-dipole", "48" }
                                   << "invalid --max-dipole '48': give a whole number from 1 to 47";
    QTest::newRow("missing value")
        << QStringList { "wa", "--n-max" } << "Missing value after '--n-max'.";
}

void TestKgwGenerate::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, firstLine);

    QTemporaryDir dir;
    const KgwRun run = runKgw(dir, QStringList { "generate" } + arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.bytes, QByteArray());
    QCOMPARE(run.err,
        "kgw generate: " + firstLine + "\nTry 'kgw generate --help' for more information.\n");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

void TestKgwGenerate::help()
{
    QTemporaryDir dir;
    const KgwRun run = runKgw(dir, { "generate", "--help" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    const QString text = QString::fromUtf8(run.bytes);
    // The parser wraps option descriptions wherever it likes.
    const QString words = text.simplified();
    QVERIFY2(text.startsWith(QStringLiteral("Usage: kgw generate [options] ARRAY...\n")),
        qPrintable(text));
    const QStringList expected { "wenner-alpha  (wa)", "wenner-beta   (wb)", "wenner-gamma  (wg)",
        "schlumberger  (slm)", "dipole-dipole (dd)", "pole-dipole   (pd)", "pole-pole     (pp)",
        "gradient      (gr)", "4 to 48 (default 48)", "1 to 47 (default 15)", "1 to 47 (default 6)",
        "--k-max (default 5) and --kgw (needed)" };
    for (const QString &part : expected)
        QVERIFY2(text.contains(part) || words.contains(part), qPrintable(part));
    QVERIFY(runKgw(dir, { "--help" }).bytes.contains("generate"));
}

void TestKgwGenerate::nothingFits()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("a.txt"), "earlier");
    const QString message = "kgw generate: no configuration fits on 4 electrodes with --a-max 15 "
                            "and --n-max 6; nothing written\n";
    for (const QStringList &output : { QStringList(), QStringList { "-o", "a.txt" },
             QStringList { "--kgw", "a.KGW", "--spacing", "1" } }) {
        const KgwRun run
            = runKgw(dir, QStringList { "generate", "gr", "--electrodes", "4" } + output);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.bytes, QByteArray());
        QCOMPARE(run.err, message);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "a.txt" });
    QCOMPARE(readBytes(dir, QStringLiteral("a.txt")), QByteArray("earlier"));
}

void TestKgwGenerate::outputFile()
{
    QTemporaryDir dir;
    writeBytes(dir, QStringLiteral("list.txt"), QByteArray(100000, 'x'));
    const KgwRun toStdout = runKgw(dir, { "generate", "slm", "pd", "--a-max", "3" });
    // A spacing changes nothing in a list.
    const KgwRun toFile = runKgw(
        dir, { "generate", "slm", "pd", "--a-max", "3", "-o", "list.txt", "--spacing", "2" });
    QCOMPARE(toFile.exitCode, 0);
    QCOMPARE(toFile.bytes, QByteArray());
    const int count = parseList(toStdout.bytes).size();
    QCOMPARE(toFile.err, summary("list.txt", count));
    QCOMPARE(readBytes(dir, QStringLiteral("list.txt")), toStdout.bytes);

    const KgwRun failed = runKgw(dir, { "generate", "wa", "--output", "no/such/dir/list.txt" });
    QCOMPARE(failed.exitCode, 1);
    QVERIFY2(failed.err.startsWith(
                 QStringLiteral("no/such/dir/list.txt: Failed to create electrode list: ")),
        qPrintable(failed.err));
    QVERIFY(!failed.err.contains(QLatin1String("configurations")));

    const KgwRun failedKgw
        = runKgw(dir, { "generate", "wa", "--kgw", "no/such/dir/a.KGW", "--spacing", "5" });
    QCOMPARE(failedKgw.exitCode, 1);
    QVERIFY2(
        failedKgw.err.startsWith(QStringLiteral("no/such/dir/a.KGW: Failed to create KGW file")),
        qPrintable(failedKgw.err));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "list.txt" });
}

void TestKgwGenerate::countFollowsTheWrite()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("needs /dev/full");
    QTemporaryDir dir;
    QProcess full;
    setUpKgw(full, dir);
    full.setArguments({ "generate", "wa" });
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start();
    const KgwRun failed = finishedRun(full);
    QCOMPARE(failed.exitCode, 1);
    QCOMPARE(failed.err,
        QStringLiteral("<stdout>: Failed to write electrode list: %1\n")
            .arg(qt_error_string(ENOSPC)));
}

void TestKgwGenerate::roundTrip_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("spacing");
    QTest::addColumn<int>("millimetres");
    QTest::addColumn<QString>("confirmed"); // the spacing, as the confirmation names it

    QTest::newRow("dd slm at 5 m")
        << QStringList { "dd", "slm" } << QStringList { "--spacing", "5" } << 5000 << "5.000 m";
    QTest::newRow("pp pd with reciprocals")
        << QStringList { "pp", "pd", "--reciprocals", "100", "--electrodes", "24" }
        << QStringList { "--spacing", "2.5" } << 2500 << "2.500 m";
    QTest::newRow("all eight") << AllArrays << QStringList { "--spacing", "0.001" } << 1
                               << "0.001 m";
    QTest::newRow("widest gradient") << QStringList { "gr", "--n-max", "45", "--a-max", "47" }
                                     << QStringList { "--spacing", "100" } << 100000 << "100.000 m";
}

void TestKgwGenerate::roundTrip()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, spacing);
    QFETCH(int, millimetres);
    QFETCH(QString, confirmed);

    QTemporaryDir dir;
    QProcess generator;
    QProcess converter;
    setUpKgw(generator, dir);
    setUpKgw(converter, dir);
    generator.setStandardOutputProcess(&converter);
    converter.setArguments(
        QStringList { "convert", "-o", "piped.KGW" } + spacing + QStringList { "-" });
    generator.setArguments(QStringList { "generate" } + arguments);
    converter.start();
    generator.start();
    const KgwRun generated = finishedRun(generator);
    const KgwRun converted = finishedRun(converter);
    QCOMPARE(generated.exitCode, 0);
    QCOMPARE(converted.exitCode, 0);
    QCOMPARE(converted.err, QString());

    const KgwRun direct = runKgw(dir,
        QStringList { "generate" } + arguments + QStringList { "--kgw", "direct.KGW" } + spacing);
    QCOMPARE(direct.exitCode, 0);
    QCOMPARE(direct.bytes, QByteArray());

    const QByteArray file = readBytes(dir, QStringLiteral("direct.KGW"));
    QCOMPARE(readBytes(dir, QStringLiteral("piped.KGW")), file);
    const KgwRun listed = runKgw(dir, { "inspect", "--list", "direct.KGW" });
    QCOMPARE(listed.exitCode, 0);
    QVector<Kgw::Quadruple> list;
    for (const Quadruple &q : parseList(listed.bytes))
        list.append({ q[0], q[1], q[2], q[3] });
    QCOMPARE(file, sequenceFileOf(list, millimetres));
    QCOMPARE(generated.err, summary("<stdout>", list.size()));
    QString summed = summary("direct.KGW", list.size());
    summed.insert(summed.size() - 1, QStringLiteral(", spacing ") + confirmed);
    QCOMPARE(direct.err, summed);
}

void TestKgwGenerate::checkFindsNoProblem_data()
{
    QTest::addColumn<QStringList>("arguments");

    for (const QString &array : AllArrays)
        QTest::newRow(qPrintable(array)) << QStringList { array };
    QTest::newRow("widest gradient") << QStringList { "gr", "--n-max", "45", "--a-max", "47" };
    QTest::newRow("all eight") << AllArrays;
    QTest::newRow("all eight on 13, with reciprocals")
        << AllArrays + QStringList { "--electrodes", "13", "--reciprocals", "100" };
}

void TestKgwGenerate::checkFindsNoProblem()
{
    QFETCH(QStringList, arguments);

    QTemporaryDir dir;
    const KgwRun generated = runKgw(dir, QStringList { "generate", "-o", "list.txt" } + arguments);
    QCOMPARE(generated.exitCode, 0);
    const KgwRun check = runKgw(dir, { "check", "list.txt" });
    QCOMPARE(check.exitCode, 0);
    const QString out = check.out;
    QVERIFY2(out.contains(QStringLiteral("repeated electrodes: 0\nno signal: 0\nduplicates: 0\n")),
        qPrintable(out));
    // The only findings allowed are the reciprocals asked for.
    const bool reciprocals = arguments.contains(QStringLiteral("--reciprocals"));
    for (const QString &line : out.split('\n')) {
        if (line.startsWith(QLatin1String("list.txt:")))
            QVERIFY2(reciprocals && line.contains(QLatin1String(": Reciprocal of line ")),
                qPrintable(line));
    }
}

void TestKgwGenerate::channelOptions()
{
    QTemporaryDir dir;
    const KgwRun run = runKgw(dir,
        { "generate", "dd", "--electrodes", "7", "--a-max", "2", "--n-max", "1", "--channel-layout",
            "chained", "--max-dipole", "1", "--reciprocals", "50" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.bytes, QByteArray("2 1 3 4\n3 2 4 5\n4 3 5 6\n5 4 6 7\n3 4 2 1\n4 5 3 2\n"));
    QCOMPARE(run.err,
        QStringLiteral("<stdout>: 6 configurations, 1 with a potential dipole longer than "
                       "--max-dipole left out\n"));
}

QTEST_GUILESS_MAIN(TestKgwGenerate)
#include "tst_kgwgenerate.moc"
