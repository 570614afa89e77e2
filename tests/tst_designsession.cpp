#include "designsession.h"

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"

#include <functional>

namespace {

// A short cable keeps every model small, so that the tests run in seconds in any build.
DesignSettings smallCable()
{
    DesignSettings settings;
    settings.cable.electrodes = 12;
    settings.cable.spacingMetres = 1;
    return settings;
}

bool waitIdle(DesignSession &session);

// A design of `measurements` on the short cable, made and waited for; its settings.
DesignSettings designOnSmallCable(DesignSession &session, int measurements)
{
    DesignSettings settings = smallCable();
    settings.sequence.source = SequenceSource::Design;
    settings.sequence.measurements = measurements;
    session.setSettings(settings);
    session.startDesign();
    if (!waitIdle(session))
        qWarning("the design did not end");
    return settings;
}

bool waitIdle(DesignSession &session)
{
    return QTest::qWaitFor([&] { return !session.hasPendingWork(); }, 120000);
}

} // namespace

using Change = std::function<void(DesignSettings &)>;
Q_DECLARE_METATYPE(Change)

class TestDesignSession : public QObject
{
    Q_OBJECT

private slots:
    void arraysAsKgwGenerates();
    void designAsKgwDesigns();
    void sectionsAsKgwPlotsThem_data();
    void sectionsAsKgwPlotsThem();
    void onlyWhatDependsIsWorkedOut_data();
    void onlyWhatDependsIsWorkedOut();
    void cancelledDesignKeepsThePrevious();
    void outdatedDesignIsEvaluatedOnTheNewModel();
    void refusedSettingsSayWhy();
    void openRefusesACsvAsKgwDoes();
};

void TestDesignSession::arraysAsKgwGenerates()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DesignSession session;
    DesignSettings settings = smallCable();
    settings.instrument.channels = 4;
    settings.order.enabled = true;
    session.setSettings(settings);
    QVERIFY(waitIdle(session));
    QVERIFY2(session.error().isEmpty(), qPrintable(session.error()));
    QVERIFY(session.isCurrent(DesignSession::Field));

    const KgwRun generated = runKgw(dir,
        { QStringLiteral("generate"), QStringLiteral("wa"), QStringLiteral("dd"),
            QStringLiteral("--electrodes"), QStringLiteral("12"), QStringLiteral("-o"),
            QStringLiteral("arrays.txt") });
    QCOMPARE(generated.exitCode, 0);
    const KgwRun ordered = runKgw(dir,
        { QStringLiteral("order"), QStringLiteral("--channels"), QStringLiteral("4"),
            QStringLiteral("-o"), QStringLiteral("ordered.txt"), QStringLiteral("arrays.txt") });
    QCOMPARE(ordered.exitCode, 0);
    QVERIFY(saveSequence(dir.filePath(QStringLiteral("window.txt")), SequenceFormat::ElectrodeList,
        session.field()->quadruples, 1)
                .ok());
    QCOMPARE(readBytes(dir, QStringLiteral("window.txt")),
        readBytes(dir, QStringLiteral("ordered.txt")));
}

void TestDesignSession::designAsKgwDesigns()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DesignSession session;
    DesignSettings settings = smallCable();
    settings.sequence.source = SequenceSource::Design;
    settings.sequence.measurements = 40;
    settings.sequence.reciprocalShare = 10;
    settings.sequence.target = Kgw::TargetRegion { 2, 8, 0, 2 };
    session.setSettings(settings);
    QVERIFY(waitIdle(session));
    QVERIFY(!session.sequence());
    session.startDesign();
    QVERIFY(waitIdle(session));
    QVERIFY2(session.error().isEmpty(), qPrintable(session.error()));
    QVERIFY(session.isCurrent(DesignSession::Field));

    const KgwRun designed = runKgw(dir,
        { QStringLiteral("design"), QStringLiteral("--electrodes"), QStringLiteral("12"),
            QStringLiteral("--measurements"), QStringLiteral("40"), QStringLiteral("--reciprocals"),
            QStringLiteral("10"), QStringLiteral("--spacing"), QStringLiteral("1"),
            QStringLiteral("--target"), QStringLiteral("2:8,0:2"), QStringLiteral("--kgw"),
            QStringLiteral("kgw.KGW") });
    QCOMPARE(designed.exitCode, 0);
    // The summary's figures in the target are those kgw design reports.
    const SequenceFigures *figures = session.figures();
    QVERIFY(figures->target);
    const QString inTarget = QStringLiteral("in the target: mean relative resolution %1, standard "
                                            "arrays %2")
                                 .arg(figures->targetRelative, 0, 'f', 3)
                                 .arg(figures->targetStandard, 0, 'f', 3);
    QVERIFY2(designed.err.contains(inTarget), qPrintable(designed.err));
    QVERIFY(saveSequence(dir.filePath(QStringLiteral("window.KGW")), SequenceFormat::SequenceFile,
        session.field()->quadruples, 1)
                .ok());
    QCOMPARE(
        readBytes(dir, QStringLiteral("window.KGW")), readBytes(dir, QStringLiteral("kgw.KGW")));
}

void TestDesignSession::sectionsAsKgwPlotsThem_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<double>("kMax"); // 0 for none

    QTest::newRow("drawn") << QByteArray("1 4 2 3\n2 5 3 4\n1 7 3 5\n") << 0.0;
    // Dipole-dipole of n = 9 has |K| = 3110 m.
    QTest::newRow("no reading within the |K| limit") << QByteArray("1 2 11 12\n") << 100.0;
}

// The pictures are kgw plot's, on its deeper grid, and where it draws none, say why as it does.
void TestDesignSession::sectionsAsKgwPlotsThem()
{
    QFETCH(QByteArray, list);
    QFETCH(double, kMax);
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir, QStringLiteral("list.txt"), list));
    DesignSession session;
    DesignSettings settings = smallCable();
    QStringList cable { QStringLiteral("--electrodes"), QStringLiteral("12"),
        QStringLiteral("--spacing"), QStringLiteral("1") };
    if (kMax > 0) {
        settings.cable.survey.factorLimit = kMax;
        cable << QStringLiteral("--k-max") << QString::number(kMax);
    }
    settings.sequence.source = SequenceSource::OpenedList;
    session.setSettings(settings);
    session.setOpenedSequence(
        openSequence(dir.filePath(QStringLiteral("list.txt")), SequenceFormat::ElectrodeList)
            .quadruples,
        QStringLiteral("list.txt"));
    QVERIFY(waitIdle(session));
    QVERIFY(session.isCurrent(DesignSession::Figures));
    const SequenceFigures *figures = session.figures();

    const QVector<QPair<QString, const Kgw::SectionPlot *>> sections {
        { QStringLiteral("sensitivity"), figures->sensitivityPlot.get() },
        { QStringLiteral("resolution"), figures->resolutionPlot.get() }
    };
    for (const auto &section : sections) {
        const QString name = section.first + QStringLiteral(".png");
        const KgwRun plotted = runKgw(dir,
            QStringList { QStringLiteral("plot"), QStringLiteral("--") + section.first } + cable
                + QStringList { QStringLiteral("-o"), QStringLiteral("kgw-") + name,
                    QStringLiteral("list.txt") });
        if (plotted.exitCode != 0) {
            QVERIFY(!section.second);
            QVERIFY2(plotted.err.contains(QStringLiteral("list.txt: ") + figures->error),
                qPrintable(plotted.err));
            continue;
        }
        QVERIFY(section.second);
        QVERIFY(section.second->write(dir.filePath(name)).ok());
        // Pixel for pixel: the files differ in the resolution the platform states.
        const QImage drawn(dir.filePath(name));
        QVERIFY(!drawn.isNull());
        QCOMPARE(drawn, QImage(dir.filePath(QStringLiteral("kgw-") + name)));
    }
}

void TestDesignSession::onlyWhatDependsIsWorkedOut_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("models");
    QTest::addColumn<int>("evaluations");
    QTest::addColumn<bool>("sequenceKept");

    // A cable has two models, the design's and the deeper one of the sections. The arrays and
    // the standard arrays of their size are evaluated on the first, the arrays again on the
    // second: three evaluations.
    QTest::newRow("gap: the field list only")
        << Change([](DesignSettings &s) { s.order.gap = 3; }) << 0 << 0 << true;
    QTest::newRow("ordering: the field list only")
        << Change([](DesignSettings &s) { s.order.enabled = true; }) << 0 << 0 << true;
    QTest::newRow("a-max: the arrays and their figures")
        << Change([](DesignSettings &s) { s.sequence.aMax = 2; }) << 0 << 3 << false;
    QTest::newRow("error: the models and all after them")
        << Change([](DesignSettings &s) { s.cable.survey.error = 5; }) << 2 << 3 << false;
}

void TestDesignSession::onlyWhatDependsIsWorkedOut()
{
    QFETCH(Change, change);
    QFETCH(int, models);
    QFETCH(int, evaluations);
    QFETCH(bool, sequenceKept);

    DesignSession session;
    DesignSettings settings = smallCable();
    session.setSettings(settings);
    QVERIFY(waitIdle(session));
    QCOMPARE(session.modelCount(), 2);
    QCOMPARE(session.evaluationCount(), 3);
    const quint64 sequence = session.sequence()->id;

    change(settings);
    session.setSettings(settings);
    QVERIFY(!session.isCurrent(DesignSession::Field));
    QVERIFY(waitIdle(session));
    QVERIFY(session.isCurrent(DesignSession::Field));
    QVERIFY(session.isCurrent(DesignSession::Figures));
    QCOMPARE(session.modelCount() - 2, models);
    QCOMPARE(session.evaluationCount() - 3, evaluations);
    QCOMPARE(session.sequence()->id == sequence, sequenceKept);
}

void TestDesignSession::cancelledDesignKeepsThePrevious()
{
    DesignSession session;
    DesignSettings settings = designOnSmallCable(session, 30);
    QVERIFY(session.sequence());
    const quint64 first = session.sequence()->id;

    settings.sequence.measurements = 60;
    session.setSettings(settings);
    QVERIFY(!session.isCurrent(DesignSession::Sequence));
    QSignalSpy busy(&session, &DesignSession::busyChanged);
    session.startDesign();
    QVERIFY(busy.wait(5000));
    session.cancel();
    QVERIFY(waitIdle(session));
    QCOMPARE(session.sequence()->id, first);
    QCOMPARE(session.sequence()->quadruples.size(), 30);
    QVERIFY(!session.isCurrent(DesignSession::Sequence));

    // A change made while a cancelled design winds down is taken up once it has.
    session.startDesign();
    QVERIFY(busy.wait(5000));
    session.cancel();
    settings.sequence.source = SequenceSource::StandardArrays;
    session.setSettings(settings);
    QVERIFY(waitIdle(session));
    QVERIFY(session.isCurrent(DesignSession::Field));
    QCOMPARE(session.lastDesign()->id, first);
}

void TestDesignSession::outdatedDesignIsEvaluatedOnTheNewModel()
{
    DesignSession session;
    DesignSettings settings = designOnSmallCable(session, 30);
    settings.cable.electrodes = 8;
    session.setSettings(settings);
    QVERIFY(waitIdle(session));
    QVERIFY(!session.isCurrent(DesignSession::Sequence));
    QCOMPARE(session.figures()->modelKey, settings.modelKey());
    QCOMPARE(
        session.figures()->resolution.relative.size(), int(session.model()->survey->cellCount()));
}

void TestDesignSession::refusedSettingsSayWhy()
{
    DesignSession session;
    DesignSettings settings = smallCable();
    settings.cable.survey.factorLimit
        = 1; // no configuration of 12 electrodes 1 m apart is so strong
    session.setSettings(settings);
    QVERIFY(waitIdle(session));
    QVERIFY(!session.error().isEmpty());
    QVERIFY(!session.isCurrent(DesignSession::Field));
}

// File → Open reads a CSV with the reader of kgw --from csv, quoting rules and all.
void TestDesignSession::openRefusesACsvAsKgwDoes()
{
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir, QStringLiteral("bad.csv"), "a,b,m,n\n\"1\"2,3,4,5\n"));
    const QString name = dir.filePath(QStringLiteral("bad.csv"));
    const OpenedSequence opened = openSequence(name, formatForName(name));
    QVERIFY(opened.quadruples.isEmpty());
    QCOMPARE(opened.error,
        QStringLiteral("Field 1 goes on after its closing quote: Line 2: \"1\"2,3,4,5"));
}

QTEST_MAIN(TestDesignSession)
#include "tst_designsession.moc"
