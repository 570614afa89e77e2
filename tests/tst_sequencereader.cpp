#include "quadruple.h"
#include "sequencereader.h"
#include "sequencewriter.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "testsupport.h"

namespace {

QByteArray validFile(const QVector<Kgw::Quadruple> &quadruples, qint32 millimetres = 5000)
{
    return sequenceFileOf(quadruples, millimetres);
}

void setCount(QByteArray *file, qint32 count)
{
    qToLittleEndian(count, reinterpret_cast<uchar *>(file->data()) + 1);
}

// Hands out its data a few bytes at a time and has no size, like a pipe.
class Trickle : public QIODevice
{
public:
    explicit Trickle(const QByteArray &data)
        : m_data(data)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin<qint64>(qMin<qint64>(maxSize, 7), m_data.size() - m_pos);
        memcpy(data, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
};

const QVector<Kgw::Quadruple> Sample = { { 1, 4, 2, 3 }, { 48, 0, 47, 0 }, { 5, 0, 6, 0 } };

} // namespace

class TestSequenceReader : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatIsWritten();
    void refusesMalformed_data();
    void refusesMalformed();
    void reportsHeaderDifferences();
    void namesWhatIsNeverWritten_data();
    void namesWhatIsNeverWritten();
    void readsSequentialDevices_data();
    void readsSequentialDevices();
    void survivesDamagedFiles();
};

void TestSequenceReader::readsWhatIsWritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.KGW"));
    QVERIFY(Kgw::writeSequenceFile(path, Sample, 2.5).ok());

    const Kgw::SequenceResult result = Kgw::readSequenceFile(path);
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(result.count, 3);
    QCOMPARE(result.spacingMillimetres, 2500);
    QCOMPARE(result.quadruples, Sample);
    QVERIFY(result.headerDifferences.isEmpty());
    QVERIFY(result.spacingWarning().isEmpty());

    const Kgw::SequenceResult missing
        = Kgw::readSequenceFile(dir.filePath(QStringLiteral("none.KGW")));
    QCOMPARE(missing.status, Kgw::SequenceResult::OpenFailed);
    QVERIFY(!missing.errorString.isEmpty());
}

void TestSequenceReader::refusesMalformed_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    const QByteArray good = validFile(Sample);
    const auto withByte = [&](int offset, char value) {
        QByteArray file = good;
        file[offset] = value;
        return file;
    };
    const auto withCount = [&](qint32 count) {
        QByteArray file = good;
        setCount(&file, count);
        return file;
    };

    QTest::newRow("empty") << QByteArray() << int(Kgw::SequenceResult::TooShort)
                           << "File is shorter than the header of a KGW file (0 of 335 bytes)";
    QTest::newRow("one short of the header")
        << good.left(334) << int(Kgw::SequenceResult::TooShort)
        << "File is shorter than the header of a KGW file (334 of 335 bytes)";
    QTest::newRow("marker") << withByte(0, char(0xDD)) << int(Kgw::SequenceResult::WrongMarker)
                            << "Wrong marker 0xDD at offset 0 (expected 0xDC)";
    QTest::newRow("count too large") << withCount(4) << int(Kgw::SequenceResult::CountMismatch)
                                     << "Quadruple count 4 disagrees with the file size of 347 "
                                        "bytes (expected 335 + 4 × 4 = 351)";
    QTest::newRow("count too small") << withCount(2) << int(Kgw::SequenceResult::CountMismatch)
                                     << "Quadruple count 2 disagrees with the file size of 347 "
                                        "bytes (expected 335 + 4 × 2 = 343)";
    QTest::newRow("count negative") << withCount(-1) << int(Kgw::SequenceResult::CountMismatch)
                                    << "Quadruple count -1 disagrees with the file size of 347 "
                                       "bytes (expected 335 + 4 × -1 = 331)";
    QTest::newRow("count largest")
        << withCount(std::numeric_limits<qint32>::max()) << int(Kgw::SequenceResult::CountMismatch)
        << "Quadruple count 2147483647 disagrees with the file size of 347 bytes (expected 335 + "
           "4 × 2147483647 = 8589934923)";
    QTest::newRow("trailing byte") << good + '\x01' << int(Kgw::SequenceResult::CountMismatch)
                                   << "Quadruple count 3 disagrees with the file size of 348 bytes "
                                      "(expected 335 + 4 × 3 = 347)";
    QTest::newRow("remote A")
        << withByte(335, 0) << int(Kgw::SequenceResult::ElectrodeOutOfRange)
        << "Quadruple 1 (offset 335): A electrode is out of range [1, 48] (0)";
    QTest::newRow("M 49") << withByte(340, 49) << int(Kgw::SequenceResult::ElectrodeOutOfRange)
                          << "Quadruple 2 (offset 340): M electrode is out of range [1, 48] (49)";
    QTest::newRow("N negative")
        << withByte(345, char(-1)) << int(Kgw::SequenceResult::ElectrodeOutOfRange)
        << "Quadruple 3 (offset 345): N electrode is out of range [0, 48] (-1)";
    // Column order decides: B (byte 3) is reported before M (byte 1) of the same quadruple.
    QByteArray twoBad = withByte(336, 60);
    twoBad[338] = 49;
    QTest::newRow("B before M")
        << twoBad << int(Kgw::SequenceResult::ElectrodeOutOfRange)
        << "Quadruple 1 (offset 338): B electrode is out of range [0, 48] (49)";
}

void TestSequenceReader::refusesMalformed()
{
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QFETCH(QString, message);

    const Kgw::SequenceResult result = Kgw::readSequence(file);
    QCOMPARE(int(result.status), status);
    QCOMPARE(result.message, message);
    QVERIFY(result.quadruples.isEmpty());
}

void TestSequenceReader::reportsHeaderDifferences()
{
    QByteArray file = validFile(Sample);
    file[261] = 6;
    file[300] = 0;
    file[334] = char(0xFF);
    const Kgw::SequenceResult result = Kgw::readSequence(file);

    // Still read: a file from another source may differ in its header.
    QVERIFY(result.ok());
    QCOMPARE(result.quadruples, Sample);
    QCOMPARE(result.headerDifferences.size(), 3);
    const Kgw::HeaderDifference &first = result.headerDifferences.first();
    QCOMPARE(first.offset, 261);
    QCOMPARE(first.expected, quint8(5));
    QCOMPARE(first.found, quint8(6));
    QCOMPARE(Kgw::headerDifferenceMessage(result.headerDifferences.last()),
        QStringLiteral("Header byte at offset 334 differs: expected 0x00, found 0xFF"));
}

void TestSequenceReader::namesWhatIsNeverWritten_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("spacingWarning");
    QTest::addColumn<QString>("countWarning");

    const QString outside = QStringLiteral("Cable spacing of %1 mm is outside 1 to 100000 mm");
    QTest::newRow("as written") << validFile(Sample, 1) << QString() << QString();
    QTest::newRow("spacing 0") << validFile(Sample, 0) << outside.arg(0) << QString();
    QTest::newRow("spacing past the box")
        << validFile(Sample, 100001) << outside.arg(100001) << QString();
    QTest::newRow("no quadruples") << validFile(
        {}) << QString() << "File holds no quadruples; KGW make never writes an empty sequence";
}

void TestSequenceReader::namesWhatIsNeverWritten()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, spacingWarning);
    QFETCH(QString, countWarning);

    // Still read: the header fields are the file's own.
    const Kgw::SequenceResult result = Kgw::readSequence(file);
    QVERIFY(result.ok());
    QVERIFY(result.headerDifferences.isEmpty());
    QCOMPARE(result.spacingWarning(), spacingWarning);
    QCOMPARE(result.countWarning(), countWarning);
}

void TestSequenceReader::readsSequentialDevices_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("status");

    const QByteArray good = validFile(Sample);
    QTest::newRow("whole") << good << int(Kgw::SequenceResult::Ok);
    QTest::newRow("empty body") << validFile({}) << int(Kgw::SequenceResult::Ok);
    QTest::newRow("one byte missing")
        << good.left(good.size() - 1) << int(Kgw::SequenceResult::CountMismatch);
    QTest::newRow("one byte more") << good + '\x01' << int(Kgw::SequenceResult::CountMismatch);
    QByteArray huge = good;
    setCount(&huge, Kgw::MaxSequenceQuadruples + 1);
    QTest::newRow("beyond the bound") << huge << int(Kgw::SequenceResult::TooLarge);
}

void TestSequenceReader::readsSequentialDevices()
{
    QFETCH(QByteArray, file);
    QFETCH(int, status);

    Trickle device(file);
    const Kgw::SequenceResult result = Kgw::readSequence(&device);
    QCOMPARE(int(result.status), status);
    if (result.ok())
        QCOMPARE(validFile(result.quadruples), file);
}

void TestSequenceReader::survivesDamagedFiles()
{
    // Whatever the damage, the reader answers, and what it accepts is consistent.
    QRandomGenerator random(4711);
    const QByteArray good = validFile(Sample);
    for (int round = 0; round < 3000; ++round) {
        QByteArray file = good.left(int(random.bounded(good.size() + 8)));
        while (file.size() < int(random.bounded(good.size() + 8)))
            file += char(random.bounded(256));
        for (int flips = int(random.bounded(4)); flips > 0 && !file.isEmpty(); --flips)
            file[int(random.bounded(file.size()))] = char(random.bounded(256));
        if (round % 3 == 0 && file.size() >= 5)
            setCount(&file, qint32(random.generate()));

        const Kgw::SequenceResult result = Kgw::readSequence(file);
        if (result.ok()) {
            QCOMPARE(file.size(), 335 + 4 * result.count);
            QCOMPARE(file.mid(335), validFile(result.quadruples).mid(335));
        } else {
            QVERIFY(!result.message.isEmpty());
        }
    }
}

QTEST_GUILESS_MAIN(TestSequenceReader)
#include "tst_sequencereader.moc"
