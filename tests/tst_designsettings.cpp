#include "designsettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

class TestDesignSettings : public QObject
{
    Q_OBJECT

private slots:
    void numberBoxes_data();
    void numberBoxes();
    void spacingBox_data();
    void spacingBox();
    void writtenBack_data();
    void writtenBack();
    void whatDependsOnWhat_data();
    void whatDependsOnWhat();
    void keptBetweenRuns();
    void storeOutOfRangeIsIgnored();
    void sameOptionsAsKgw();
};

void TestDesignSettings::numberBoxes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<bool>("lowIncluded");
    QTest::addColumn<bool>("emptyAllowed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");

    const double inf = qInf();
    QTest::newRow("full stop") << "2.5" << 0.0 << inf << false << false << true << 2.5;
    QTest::newRow("comma is the decimal point")
        << "2,5" << 0.0 << inf << false << false << true << 2.5;
    QTest::newRow("low excluded, at it") << "0" << 0.0 << inf << false << false << false << 0.0;
    QTest::newRow("low excluded, just above")
        << "0.0001" << 0.0 << inf << false << false << true << 0.0001;
    QTest::newRow("low included, at it") << "1" << 1.0 << inf << true << false << true << 1.0;
    QTest::newRow("high, at it") << "100" << 0.0 << 100.0 << false << false << true << 100.0;
    QTest::newRow("high, just past") << "100.001" << 0.0 << 100.0 << false << false << false << 0.0;
    QTest::newRow("group separator") << "1 000" << 0.0 << inf << false << false << false << 0.0;
    QTest::newRow("two points") << "1,000.5" << 0.0 << inf << false << false << false << 0.0;
    QTest::newRow("sign") << "-1" << -10.0 << inf << true << false << false << 0.0;
    QTest::newRow("exponent") << "1e3" << 0.0 << inf << false << false << false << 0.0;
    QTest::newRow("a point alone") << "," << 0.0 << inf << true << false << false << 0.0;
    QTest::newRow("empty, not allowed") << "" << 0.0 << inf << false << false << false << 0.0;
    QTest::newRow("empty, allowed") << "  " << 0.0 << inf << false << true << true << 0.0;
}

void TestDesignSettings::numberBoxes()
{
    QFETCH(QString, text);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(bool, lowIncluded);
    QFETCH(bool, emptyAllowed);
    QFETCH(bool, accepted);
    QFETCH(double, value);

    double read = -7;
    const QString problem
        = checkNumber(text, NumberRule { low, high, lowIncluded, emptyAllowed, 0 }, &read);
    QCOMPARE(problem.isEmpty(), accepted);
    if (accepted)
        QCOMPARE(read, value);
    else
        QCOMPARE(read, -7.0);
}

void TestDesignSettings::spacingBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("metres"); // 0 when refused

    QTest::newRow("whole") << "1" << 1.0;
    QTest::newRow("comma") << "1,5" << 1.5;
    QTest::newRow("least") << "0,001" << 0.001;
    QTest::newRow("below the least") << "0.0005" << 0.0;
    QTest::newRow("most") << "100" << 100.0;
    QTest::newRow("above the most") << "100.001" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("group separator") << "1 000" << 0.0;
}

void TestDesignSettings::spacingBox()
{
    QFETCH(QString, text);
    QFETCH(double, metres);

    double read = 0;
    const QString problem = checkSpacing(text, &read);
    QCOMPARE(problem.isEmpty(), metres > 0);
    QCOMPARE(read, metres);
}

void TestDesignSettings::writtenBack_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("whole") << 100.0 << "100";
    QTest::newRow("millimetres") << 1.5 << "1.5";
    // A box refuses an exponent, so a small value must come back without one.
    QTest::newRow("small") << 0.00001 << "0.00001";
}

void TestDesignSettings::writtenBack()
{
    QFETCH(double, value);
    QFETCH(QString, text);

    QCOMPARE(decimalText(value), text);
    double read = 0;
    QVERIFY(checkNumber(text, NumberRule { 0, qInf(), false, false, 0 }, &read).isEmpty());
    QCOMPARE(read, value);
}

using Change = std::function<void(DesignSettings &)>;
Q_DECLARE_METATYPE(Change)

void TestDesignSettings::whatDependsOnWhat_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("model");
    QTest::addColumn<bool>("sequence");
    QTest::addColumn<bool>("order");

    const int arrays = int(SequenceSource::StandardArrays);
    const int design = int(SequenceSource::Design);
    QTest::newRow("spacing") << arrays
                             << Change([](DesignSettings &s) { s.cable.spacingMetres = 1; }) << true
                             << true << false;
    QTest::newRow("resistivity") << design << Change([](DesignSettings &s) {
        s.cable.resistivityOhmMetres = 20;
    }) << true << true << false;
    QTest::newRow("excluded electrode")
        << arrays << Change([](DesignSettings &s) { s.cable.excluded.insert(7); }) << true << true
        << false;
    QTest::newRow("a-max of the arrays")
        << arrays << Change([](DesignSettings &s) { s.sequence.aMax = 3; }) << false << true
        << false;
    QTest::newRow("a-max while designing")
        << design << Change([](DesignSettings &s) { s.sequence.aMax = 3; }) << false << false
        << false;
    QTest::newRow("measurements of the design")
        << design << Change([](DesignSettings &s) { s.sequence.measurements = 300; }) << false
        << true << false;
    QTest::newRow("measurements beside the arrays")
        << arrays << Change([](DesignSettings &s) { s.sequence.measurements = 300; }) << false
        << false << false;
    QTest::newRow("channels") << design
                              << Change([](DesignSettings &s) { s.instrument.channels = 8; })
                              << false << true << true;
    QTest::newRow("gap") << design << Change([](DesignSettings &s) { s.order.gap = 5; }) << false
                         << false << true;
    QTest::newRow("channels beside the arrays")
        << arrays << Change([](DesignSettings &s) { s.instrument.channels = 8; }) << false << false
        << true;
    QTest::newRow("enclosing beside the arrays")
        << arrays << Change([](DesignSettings &s) { s.instrument.rules.allowEnclosing = true; })
        << false << false << true;
    QTest::newRow("chained arrays") << arrays << Change([](DesignSettings &s) {
        s.instrument.rules.layout = Kgw::ChannelLayout::Chained;
    }) << false << true << true;
    QTest::newRow("seconds per injection: only shown")
        << arrays << Change([](DesignSettings &s) { s.instrument.secondsPerInjection = 2.5; })
        << false << false << false;
}

void TestDesignSettings::whatDependsOnWhat()
{
    QFETCH(int, source);
    QFETCH(Change, change);
    QFETCH(bool, model);
    QFETCH(bool, sequence);
    QFETCH(bool, order);

    DesignSettings before;
    before.sequence.source = SequenceSource(source);
    DesignSettings after = before;
    change(after);
    QCOMPARE(after.modelKey() != before.modelKey(), model);
    QCOMPARE(after.sequenceKey() != before.sequenceKey(), sequence);
    QCOMPARE(after.orderKey() != before.orderKey(), order);
}

void TestDesignSettings::keptBetweenRuns()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DesignSettings settings;
    settings.cable.electrodes = 24;
    settings.cable.spacingMetres = 2.5;
    QString unused;
    settings.cable.excluded = *Kgw::parseElectrodeSet(QStringLiteral("7,23-24"), &unused);
    settings.cable.factorLimitMetres = 300;
    settings.instrument.channels = 8;
    settings.instrument.rules.layout = Kgw::ChannelLayout::Chained;
    settings.instrument.rules.maxDipole = 6;
    settings.sequence.source = SequenceSource::Design;
    settings.sequence.arrays = { Kgw::ArrayKind::Gradient };
    settings.sequence.measurements = 300;
    settings.sequence.target = Kgw::TargetRegion { 10, 20.5, 0, 4 };
    settings.sequence.baseArrays = { Kgw::ArrayKind::WennerAlpha };
    settings.sequence.reciprocalShare = 10;
    settings.order.enabled = true;
    settings.order.gap = 12;
    {
        QSettings store(dir.filePath(QStringLiteral("kept.ini")), QSettings::IniFormat);
        settings.save(&store);
    }
    QSettings store(dir.filePath(QStringLiteral("kept.ini")), QSettings::IniFormat);
    DesignSettings read;
    read.load(&store);
    QCOMPARE(read.modelKey(), settings.modelKey());
    QCOMPARE(read.sequenceKey(), settings.sequenceKey());
    QCOMPARE(read.orderKey(), settings.orderKey());
}

void TestDesignSettings::storeOutOfRangeIsIgnored()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QSettings store(dir.filePath(QStringLiteral("bad.ini")), QSettings::IniFormat);
    store.setValue(QStringLiteral("cable/electrodes"), 49);
    store.setValue(QStringLiteral("cable/spacing"), 0.0005);
    store.setValue(QStringLiteral("cable/excluded"), QStringLiteral("7-"));
    store.setValue(QStringLiteral("sequence/measurements"), QStringLiteral("many"));
    store.setValue(QStringLiteral("sequence/baseShare"), 0);
    DesignSettings read;
    read.load(&store);
    QCOMPARE(read.modelKey(), DesignSettings().modelKey());
    QCOMPARE(read.sequenceKey(), DesignSettings().sequenceKey());
}

void TestDesignSettings::sameOptionsAsKgw()
{
    // kgw design with only --measurements and --spacing: the window's defaults must be its.
    DesignSettings settings;
    const Kgw::ResolutionOptions model = settings.cable.resolutionOptions();
    const Kgw::ResolutionOptions kgw;
    QCOMPARE(model.noise.relativeError, kgw.noise.relativeError);
    QCOMPARE(model.noise.floorPerMetre, kgw.noise.floorPerMetre);
    QCOMPARE(model.noise.cancellationError, kgw.noise.cancellationError);
    QCOMPARE(model.factorLimit, kgw.factorLimit);
    QCOMPARE(model.resistivityOhmMetres, kgw.resistivityOhmMetres);
    QCOMPARE(model.currentAmperes, kgw.currentAmperes);
    const Kgw::DesignRequest request = settings.designRequest();
    QCOMPARE(request.baseShare, Kgw::DesignOptions::DefaultBaseShare);
    QCOMPARE(request.options.maxCancellation, Kgw::DesignOptions::DefaultMaxCancellation);
    QCOMPARE(request.options.channels, 1);
    QVERIFY(!request.options.targeted);
}

QTEST_GUILESS_MAIN(TestDesignSettings)
#include "tst_designsettings.moc"
