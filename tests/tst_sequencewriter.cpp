#include "electrodelist.h"
#include "savefile.h"
#include "sequencewriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using Kgw::WriteResult;

namespace {

// Puts a file's permissions back however the test ends, so that a failed check never leaves
// a folder that QTemporaryDir can't remove.
class PermissionsRestorer
{
public:
    explicit PermissionsRestorer(const QString &path)
        : m_path(path)
        , m_permissions(QFile::permissions(path))
    { }
    ~PermissionsRestorer() { QFile::setPermissions(m_path, m_permissions); }
    PermissionsRestorer(const PermissionsRestorer &) = delete;
    PermissionsRestorer &operator=(const PermissionsRestorer &) = delete;

private:
    QString m_path;
    QFileDevice::Permissions m_permissions;
};

// Converts a list the way the window does.
WriteResult convert(const QString &listPath, const QByteArray &list, double spacing)
{
    if (!writeBytes(listPath, list))
        return WriteResult { WriteResult::CreateFailed, "test could not write the list", {} };
    const Kgw::ListResult read = Kgw::readElectrodeList(listPath);
    if (!read.ok())
        return WriteResult { WriteResult::CreateFailed, read.message, {} };
    return Kgw::writeSequenceFile(Kgw::sequenceFileName(listPath), read.quadruples, spacing);
}

#ifdef Q_OS_UNIX
// Runs work in a child, as an unprivileged user, since permissions don't hold for root, and with
// files held to sizeLimit bytes (0: none) as a full disk would hold them. Returns work's result.
int unprivileged(rlim_t sizeLimit, const std::function<bool()> &work)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        const rlimit limit = { sizeLimit, sizeLimit };
        signal(SIGXFSZ, SIG_IGN);
        if (sizeLimit > 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(4);
        _exit(work() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
#endif

} // namespace

class tst_SequenceWriter : public QObject
{
    Q_OBJECT

private slots:
    void files_data();
    void files();
    void spacing_data();
    void spacing();
    void outputName_data();
    void outputName();
    void reconversionLeavesNothingOfTheOldFile();
    void badListKeepsEarlierFile();
    void cannotCreate();
    void writeFailureKeepsEarlierFile();
    void writesInPlaceWhereNoNewFileMayBeMade_data();
    void writesInPlaceWhereNoNewFileMayBeMade();
    void specialFileIsWrittenAsItIs();
    void sameFile_data();
    void sameFile();
};

void tst_SequenceWriter::files_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("single quadruple at 5 m") << QByteArray(
        "1 2 3 4\n") << 5.0 << sequenceFileFromHex("01000000", "88130000", "01030402");
    QTest::newRow("remote electrodes are 0") << QByteArray("1 0 2 0\n48 0 47 46\n") << 2.5
                                             << sequenceFileFromHex("02000000", "c4090000",
                                                    "01020000"
                                                    "302f2e00");
    QTest::newRow("CRLF and octal") << QByteArray("010 011 012 013\r\n") << 1.0
                                    << sequenceFileFromHex("01000000", "e8030000", "080a0b09");
}

void tst_SequenceWriter::files()
{
    QFETCH(QByteArray, list);
    QFETCH(double, spacing);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString listPath = dir.filePath("line1.txt");
    const WriteResult result = convert(listPath, list, spacing);
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(readBytes(listPath + ".KGW").toHex(), expected.toHex());
    QCOMPARE(
        QDir(dir.path()).entryList(QDir::Files), QStringList({ "line1.txt", "line1.txt.KGW" }));
}

void tst_SequenceWriter::spacing_data()
{
    QTest::addColumn<double>("metres");
    QTest::addColumn<int>("millimetres");

    QTest::newRow("smallest") << 0.001 << 1;
    QTest::newRow("largest") << 100.0 << 100000;
    QTest::newRow("default") << 5.0 << 5000;
    QTest::newRow("product just below a whole number") << 0.123 << 123;
    QTest::newRow("three decimals") << 12.345 << 12345;
    QTest::newRow("half a millimetre rounds up") << 0.0015 << 2;
}

void tst_SequenceWriter::spacing()
{
    QFETCH(double, metres);
    QFETCH(int, millimetres);

    QCOMPARE(Kgw::spacingToMillimetres(metres), millimetres);
    const QByteArray header = Kgw::sequenceHeader(1, Kgw::spacingToMillimetres(metres));
    QCOMPARE(header.size(), Kgw::SequenceHeaderSize);
    QByteArray field(4, '\0');
    qToLittleEndian<qint32>(millimetres, field.data());
    QCOMPARE(header.mid(263, 4).toHex(), field.toHex());
}

void tst_SequenceWriter::outputName_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("sequence");

    QTest::newRow("extension stays") << "line1.txt"
                                     << "line1.txt.KGW";
    QTest::newRow("no extension") << "run"
                                  << "run.KGW";
    QTest::newRow("already .KGW") << "run.KGW"
                                  << "run.KGW.KGW";
    QTest::newRow("folder kept") << "/data/day 2/line.TXT"
                                 << "/data/day 2/line.TXT.KGW";
}

void tst_SequenceWriter::outputName()
{
    QFETCH(QString, list);
    QFETCH(QString, sequence);
    QCOMPARE(Kgw::sequenceFileName(list), sequence);
}

void tst_SequenceWriter::reconversionLeavesNothingOfTheOldFile()
{
    QTemporaryDir dir;
    const QString listPath = dir.filePath("line.txt");
    QVERIFY(convert(listPath, "1 2 3 4\n5 6 7 8\n9 10 11 12\n", 5).ok());
    QCOMPARE(readBytes(listPath + ".KGW").size(), 335 + 12);

    QVERIFY(convert(listPath, "4 3 2 1\n", 5).ok());
    QCOMPARE(readBytes(listPath + ".KGW").toHex(),
        sequenceFileFromHex("01000000", "88130000", "04020103").toHex());
}

void tst_SequenceWriter::badListKeepsEarlierFile()
{
    QTemporaryDir dir;
    const QString listPath = dir.filePath("line.txt");
    QVERIFY(convert(listPath, "1 2 3 4\n", 5).ok());
    const QByteArray before = readBytes(listPath + ".KGW");

    QVERIFY(!convert(listPath, "1 2 3 4\n1 2 3 49\n", 10).ok());
    QCOMPARE(readBytes(listPath + ".KGW"), before);
}

void tst_SequenceWriter::cannotCreate()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("list.txt.KGW");
    QVERIFY(QDir(dir.path()).mkdir("list.txt.KGW")); // a folder stands where the file would go

    const WriteResult result = Kgw::writeSequenceFile(target, quadruplesFromHex("01020304"), 5);
    QCOMPARE(result.status, WriteResult::CreateFailed);
    QCOMPARE(result.message, QString("Failed to create KGW file"));
    QVERIFY(!result.errorString.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList("list.txt.KGW"));
}

// A write that really fails part-way, held back by the file-size limit as a full disk would,
// must neither report success nor cost the user the earlier file.
void tst_SequenceWriter::writeFailureKeepsEarlierFile()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString target = dir.filePath("line.txt.KGW");
    const QByteArray earlier(1000, 'E');
    QVERIFY(writeBytes(target, earlier));
    const QVector<Kgw::Quadruple> body(100, Kgw::Quadruple { 1, 2, 3, 4 });

    struct rlimit saved;
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 200;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
    const WriteResult result = Kgw::writeSequenceFile(target, body, 5);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);

    QCOMPARE(result.status, WriteResult::WriteFailed);
    QCOMPARE(result.message, QString("Failed to write KGW file"));
    QCOMPARE(result.errorString, QString::fromLocal8Bit(strerror(EFBIG)));
    QCOMPARE(readBytes(target), earlier);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList("line.txt.KGW"));
#else
    QSKIP("needs a file-size limit");
#endif
}

void tst_SequenceWriter::writesInPlaceWhereNoNewFileMayBeMade_data()
{
    QTest::addColumn<int>("sizeLimit");
    QTest::addColumn<bool>("written");

    QTest::newRow("room enough") << 0 << true;
    QTest::newRow("disk full: the earlier file stays") << 1200 << false;
}

// A folder that refuses new files while its sequence file may be rewritten: the plain open that
// users had before still worked there, so the file is written in place rather than refused.
void tst_SequenceWriter::writesInPlaceWhereNoNewFileMayBeMade()
{
#ifdef Q_OS_UNIX
    QFETCH(int, sizeLimit);
    QFETCH(bool, written);

    QTemporaryDir dir;
    const QString target = dir.filePath("line.txt.KGW");
    const QByteArray earlier(1000, 'E');
    QVERIFY(writeBytes(target, earlier));
    QVERIFY(QFile::setPermissions(target,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther
            | QFileDevice::WriteOther));
    const QFileDevice::Permissions readOnlyFolder = QFileDevice::ReadOwner | QFileDevice::ExeOwner
        | QFileDevice::ReadOther | QFileDevice::ExeOther;
    const PermissionsRestorer restorer(dir.path());
    QVERIFY(QFile::setPermissions(dir.path(), readOnlyFolder));
    // 1000 quadruples outgrow both the limit and the earlier file.
    const QVector<Kgw::Quadruple> body = written
        ? quadruplesFromHex("01020304")
        : QVector<Kgw::Quadruple>(1000, Kgw::Quadruple { 1, 1, 1, 1 });
    const int status = unprivileged(
        rlim_t(sizeLimit), [&] { return Kgw::writeSequenceFile(target, body, 5).ok(); });

    QCOMPARE(status, written ? 0 : 1);
    QCOMPARE(readBytes(target).toHex(),
        written ? sequenceFileFromHex("01000000", "88130000", "01030402").toHex()
                : earlier.toHex());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList("line.txt.KGW"));
#else
    QSKIP("needs POSIX permissions");
#endif
}

// A FIFO or a device given as the output is written to; renaming a file over it would take its
// place for every other program.
void tst_SequenceWriter::specialFileIsWrittenAsItIs()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString target = dir.filePath("line.KGW");
    QVERIFY(mkfifo(QFile::encodeName(target).constData(), 0600) == 0);
    const int reader = open(QFile::encodeName(target).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    const WriteResult result = Kgw::writeSequenceFile(target, quadruplesFromHex("01020304"), 5);
    QByteArray received(400, '\0');
    received.resize(int(qMax(ssize_t(0), read(reader, received.data(), size_t(received.size())))));
    close(reader);

    QVERIFY(result.ok());
    QCOMPARE(received.toHex(), sequenceFileFromHex("01000000", "88130000", "01030402").toHex());
    QVERIFY(!QFileInfo(target).isFile());
#else
    QSKIP("needs a FIFO");
#endif
}

void tst_SequenceWriter::sameFile_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("same");

    QTest::newRow("one name") << "list.txt" << true;
    QTest::newRow("another path") << "sub/../list.txt" << true;
    QTest::newRow("symbolic link") << "link.txt" << true;
    QTest::newRow("hard link") << "hard.txt" << true;
    QTest::newRow("same content, other file") << "copy.txt" << false;
    QTest::newRow("not there yet") << "list.txt.KGW" << false;
}

void tst_SequenceWriter::sameFile()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, other);
    QFETCH(bool, same);

    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path());
    QVERIFY(writeBytes(dir, "list.txt", "1 2 3 4\n") && writeBytes(dir, "copy.txt", "1 2 3 4\n")
        && QDir(dir.path()).mkdir("sub") && QFile::link("list.txt", dir.filePath("link.txt"))
        && link((path + "/list.txt").constData(), (path + "/hard.txt").constData()) == 0);
    QCOMPARE(Kgw::isSameFile(dir.filePath("list.txt"), dir.filePath(other)), same);
#else
    QSKIP("needs hard links");
#endif
}

QTEST_GUILESS_MAIN(tst_SequenceWriter)
#include "tst_sequencewriter.moc"
