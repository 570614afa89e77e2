// The lists in examples/ are what a newcomer converts first, so they must stay as they are
// described: the good ones convert, the bad one fails on its one known line.

#include "electrodelist.h"
#include "groundfile.h"
#include "quadruple.h"
#include "sequencewriter.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"

namespace {

const QString MistakeList = QStringLiteral("mistake.txt");

QDir examples()
{
    return QDir(QStringLiteral(KGW_EXAMPLES_DIR));
}

// The examples are plain decimal lists of four numbers a line, so a plain reading of them is an
// expectation of its own, apart from the reader's rules.
QVector<Kgw::Quadruple> plainQuadruples(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QVector<Kgw::Quadruple> quadruples;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() == 4)
            quadruples.append(
                { words[0].toInt(), words[1].toInt(), words[2].toInt(), words[3].toInt() });
    }
    return quadruples;
}

} // namespace

class TestExamples : public QObject
{
    Q_OBJECT

private slots:
    void goodListsConvert_data();
    void goodListsConvert();
    void wennerLineCoversTheCable();
    void mistakeIsOnLineEight();
    void groundReads();
};

void TestExamples::goodListsConvert_data()
{
    QTest::addColumn<QString>("name");

    const QStringList names
        = examples().entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name);
    QVERIFY(names.contains(QStringLiteral("short.txt")));
    QVERIFY(names.contains(QStringLiteral("wenner48.txt")));
    QVERIFY(names.contains(MistakeList));
    // Every other list there is meant to be good, including ones added later.
    for (const QString &name : names) {
        if (name != MistakeList)
            QTest::newRow(qPrintable(name)) << name;
    }
}

void TestExamples::goodListsConvert()
{
    QFETCH(QString, name);

    // A copy, so that the source tree gets no .KGW file.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString list = dir.filePath(name);
    QVERIFY(QFile::copy(examples().filePath(name), list));

    const Kgw::ListResult read = Kgw::readElectrodeList(list);
    QVERIFY2(read.ok(), qPrintable(read.message + QLatin1String(": ") + read.informativeText()));
    QVERIFY(read.count() > 0);

    const QString output = Kgw::sequenceFileName(list);
    const Kgw::WriteResult written = Kgw::writeSequenceFile(output, read.quadruples, 5.0);
    QVERIFY2(written.ok(), qPrintable(written.message + QLatin1String(": ") + written.errorString));

    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QVector<Kgw::Quadruple> expected = plainQuadruples(list);
    QCOMPARE(expected.size(), read.count());
    QCOMPARE(file.readAll(), sequenceFileOf(expected, 5000));
}

void TestExamples::wennerLineCoversTheCable()
{
    const Kgw::ListResult read = Kgw::readElectrodeList(examples().filePath("wenner48.txt"));
    QVERIFY(read.ok());

    // Wenner alpha: A, M, N, B equally spaced by a, for every a and position that fit.
    QMap<int, int> perSpacing;
    QSet<QString> seen;
    for (int i = 0; i < read.count(); ++i) {
        const Kgw::Quadruple &q = read.quadruples.at(i);
        const int a = q.m - q.a;
        const QString where = QStringLiteral("%1 %2 %3 %4").arg(q.a).arg(q.b).arg(q.m).arg(q.n);
        QVERIFY2(a > 0 && q.n - q.m == a && q.b - q.n == a, qPrintable(where));
        QVERIFY2(!seen.contains(where), qPrintable(where));
        seen.insert(where);
        ++perSpacing[a];
    }
    QCOMPARE(perSpacing.firstKey(), 1);
    QCOMPARE(perSpacing.lastKey(), 15); // 1 + 3 * 15 = 46; a = 16 would need position 49
    for (auto it = perSpacing.cbegin(); it != perSpacing.cend(); ++it)
        QCOMPARE(it.value(), Kgw::CablePositions - 3 * it.key());
}

void TestExamples::mistakeIsOnLineEight()
{
    // Line 8 has lost the space between M and N.
    const Kgw::ListResult read = Kgw::readElectrodeList(examples().filePath(MistakeList));
    QCOMPARE(read.status, Kgw::ListResult::BadLine);
    QCOMPARE(read.message, QStringLiteral("M electrode is out of range [1, 48] (1114)"));
    QCOMPARE(read.lineNumber, qint64(8));
    QCOMPARE(read.lineText, QStringLiteral("8 17 1114"));
}

// The example ground is what docs/kgw.md draws: a block of 10 under a top layer of 300.
void TestExamples::groundReads()
{
    const Kgw::GroundFileResult read
        = Kgw::readGroundFile(examples().filePath(QStringLiteral("block.ground")));
    QVERIFY2(read.ok(), qPrintable(read.message));
    QCOMPARE(read.ground->resistivityAt(115, 1), 300.0);
    QCOMPARE(read.ground->resistivityAt(115, 20), 10.0);
}

QTEST_GUILESS_MAIN(TestExamples)
#include "tst_examples.moc"
