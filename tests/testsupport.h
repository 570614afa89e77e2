#ifndef KGW_TESTSUPPORT_H
#define KGW_TESTSUPPORT_H

// What several test programs need alike: whole files, the sequence file laid out by hand, and
// kgw run as a user runs it.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <QtEndian>

#include "quadruple.h"

// π for expected values, kept apart from the product's so that a slip there shows; M_PI is not
// standard C++.
constexpr double Pi = 3.14159265358979323846;

// Quadruples as hex, a byte per electrode in the list's column order A B M N, to compare with
// expectations written by hand.
inline QByteArray hexOf(const QVector<Kgw::Quadruple> &quadruples)
{
    QByteArray bytes;
    for (const Kgw::Quadruple &q : quadruples) {
        for (const qint8 electrode : { q.a, q.b, q.m, q.n })
            bytes += char(electrode);
    }
    return bytes.toHex();
}

// Quadruples from pairs of hex digits in the column order A B M N.
inline QVector<Kgw::Quadruple> quadruplesFromHex(const char *hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    QVector<Kgw::Quadruple> quadruples;
    for (int i = 0; i + 3 < bytes.size(); i += 4)
        quadruples.append(
            { qint8(bytes[i]), qint8(bytes[i + 1]), qint8(bytes[i + 2]), qint8(bytes[i + 3]) });
    return quadruples;
}

// A file's whole content; a marker that no expected content equals when it can't be read.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<cannot read ") + path.toUtf8() + '>';
    return file.readAll();
}

inline QByteArray readBytes(const QTemporaryDir &dir, const QString &name)
{
    return readBytes(dir.filePath(name));
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline bool writeBytes(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    return writeBytes(dir.filePath(name), bytes);
}

// The sequence file spelt out field by field from the instrument's layout, independently of
// the code that writes it. Count, spacing and body are given as hex, the numbers little endian.
inline QByteArray sequenceFileFromHex(
    const char *countHex, const char *spacingHex, const char *bodyHex)
{
    return QByteArray::fromHex("dc") + QByteArray::fromHex(countHex) + QByteArray(256, '\0')
        + QByteArray::fromHex("0500") + QByteArray::fromHex(spacingHex) + QByteArray(4, '\0')
        + QByteArray(48, '\1') + QByteArray(16, '\0') + QByteArray::fromHex(bodyHex);
}

// The same for quadruples given in the list's column order A B M N.
inline QByteArray sequenceFileOf(const QVector<Kgw::Quadruple> &quadruples, qint32 millimetres)
{
    const auto littleEndian = [](qint32 value) {
        QByteArray bytes(4, '\0');
        qToLittleEndian(value, bytes.data());
        return bytes.toHex();
    };
    QByteArray body;
    for (const Kgw::Quadruple &q : quadruples) {
        for (const qint8 electrode : { q.a, q.m, q.n, q.b }) // the body holds A M N B
            body += char(electrode);
    }
    return sequenceFileFromHex(littleEndian(quadruples.size()).constData(),
        littleEndian(millimetres).constData(), body.toHex().constData());
}

#ifdef KGW_EXECUTABLE
struct KgwRun {
    int exitCode = -1; // -1 when kgw did not finish normally
    QByteArray bytes; // standard output as written
    QString out; // the same as text
    QString err;
};

inline KgwRun finishedRun(QProcess &process)
{
    KgwRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.bytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.bytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Prepares kgw to run in dir as a user would, and with no display: it must never need one.
inline void setUpKgw(QProcess &process, const QTemporaryDir &dir)
{
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.setProgram(QStringLiteral(KGW_EXECUTABLE));
}

// Runs the built kgw in dir, feeding it input on standard input.
inline KgwRun runKgw(
    const QTemporaryDir &dir, const QStringList &arguments, const QByteArray &input = QByteArray())
{
    QProcess process;
    setUpKgw(process, dir);
    process.setArguments(arguments);
    process.start();
    if (!process.waitForStarted())
        return KgwRun();
    process.write(input);
    process.closeWriteChannel();
    return finishedRun(process);
}
#endif

#endif
