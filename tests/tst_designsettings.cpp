#include "designsettings.h"

#include <QtTest>

#include <functional>

class TestDesignSettings : public QObject
{
    Q_OBJECT

private slots:
    void whatDependsOnWhat_data();
    void whatDependsOnWhat();
    void boxesOfTheSequenceChosen_data();
    void boxesOfTheSequenceChosen();
    void orderedWithSeveralChannels_data();
    void orderedWithSeveralChannels();
};

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
        s.cable.survey.resistivity = 20;
    }) << true << true << false;
    QTest::newRow("excluded electrode")
        << arrays << Change([](DesignSettings &s) { s.cable.survey.excluded.insert(7); }) << true
        << true << false;
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

using Values = QVector<QPair<const Kgw::Option *, QString>>;
Q_DECLARE_METATYPE(Values)

namespace {

Kgw::OptionValues valuesOf(const Values &texts)
{
    Kgw::OptionValues values;
    for (const auto &text : texts)
        values.setText(*text.first, text.second);
    return values;
}

} // namespace

void TestDesignSettings::boxesOfTheSequenceChosen_data()
{
    namespace Options = Kgw::Options;
    QTest::addColumn<Values>("texts");
    QTest::addColumn<QStringList>("problems"); // the keys of the boxes that say so

    const QString arrays = QStringLiteral("arrays");
    const QString design = QStringLiteral("design");
    QTest::newRow("defaults") << Values {} << QStringList {};
    QTest::newRow("a bad target beside the arrays")
        << Values { { &Options::Target, QStringLiteral("x") } } << QStringList {};
    QTest::newRow("a bad target for a design")
        << Values { { &Options::Source, design }, { &Options::Target, QStringLiteral("x") } }
        << QStringList { QStringLiteral("sequence/target") };
    QTest::newRow("no array ticked") << Values { { &Options::Arrays, QString() } }
                                     << QStringList { QStringLiteral("sequence/arrays") };
    QTest::newRow("chained Wenner")
        << Values { { &Options::ChannelLayout, QStringLiteral("chained") } }
        << QStringList { QStringLiteral("sequence/arrays") };
    QTest::newRow("chained dipole-dipole")
        << Values { { &Options::ChannelLayout, QStringLiteral("chained") },
               { &Options::Arrays, QStringLiteral("dd") } }
        << QStringList {};
    QTest::newRow("a design from nothing")
        << Values { { &Options::Source, design }, { &Options::BaseShare, QStringLiteral("0") } }
        << QStringList { QStringLiteral("sequence/baseArrays") };
    QTest::newRow("nothing beside the arrays")
        << Values { { &Options::Source, arrays }, { &Options::BaseShare, QStringLiteral("0") } }
        << QStringList {};
    QTest::newRow("a bad spacing, whatever the sequence")
        << Values { { &Options::Source, design }, { &Options::Spacing, QStringLiteral("0") } }
        << QStringList { QStringLiteral("cable/spacing") };
    // The line's refusals are the layout's; the box that says so is the window's.
    const Values line { { &Options::Electrodes, QStringLiteral("12") },
        { &Options::LineElectrodes, QStringLiteral("40") },
        { &Options::Move, QStringLiteral("6") } };
    QTest::newRow("a line, moved by the whole cable")
        << (line + Values { { &Options::Move, QStringLiteral("12") } }) << QStringList {};
    QTest::newRow("a line, moved by more than the cable")
        << (line + Values { { &Options::Move, QStringLiteral("13") } })
        << QStringList { QStringLiteral("line/move") };
    QTest::newRow("no line, a move longer than the cable") << Values {
        { &Options::Electrodes, QStringLiteral("12") }, { &Options::Move, QStringLiteral("13") }
    } << QStringList {};
    QTest::newRow("a line shorter than the cable")
        << Values { { &Options::LineElectrodes, QStringLiteral("47") } }
        << QStringList { QStringLiteral("line/positions") };
    QTest::newRow("an opened list along a line")
        << (line + Values { { &Options::Source, QStringLiteral("list") } })
        << QStringList { QStringLiteral("line/positions") };
    QTest::newRow("the cable's dead electrodes along a line")
        << (line + Values { { &Options::Exclude, QStringLiteral("7") } })
        << QStringList { QStringLiteral("cable/excluded") };
}

void TestDesignSettings::boxesOfTheSequenceChosen()
{
    QFETCH(Values, texts);
    QFETCH(QStringList, problems);

    QStringList found;
    const auto said = settingsProblems(valuesOf(texts));
    for (auto problem = said.cbegin(); problem != said.cend(); ++problem) {
        QVERIFY(!problem.value().isEmpty());
        found << QLatin1String(problem.key()->key);
    }
    QCOMPARE(found, problems);
}

void TestDesignSettings::orderedWithSeveralChannels_data()
{
    namespace Options = Kgw::Options;
    QTest::addColumn<Values>("texts");
    QTest::addColumn<bool>("ordered");

    QTest::newRow("one channel") << Values {} << false;
    QTest::newRow("two channels") << Values { { &Options::Channels, QStringLiteral("2") } } << true;
    QTest::newRow("eight channels, the crew said no") << Values {
        { &Options::Channels, QStringLiteral("8") }, { &Options::Order, QStringLiteral("false") }
    } << false;
    QTest::newRow("one channel, the crew said yes")
        << Values { { &Options::Order, QStringLiteral("true") } } << true;
}

void TestDesignSettings::orderedWithSeveralChannels()
{
    QFETCH(Values, texts);
    QFETCH(bool, ordered);

    QCOMPARE(DesignSettings::from(valuesOf(texts)).order.enabled, ordered);
}

QTEST_GUILESS_MAIN(TestDesignSettings)
#include "tst_designsettings.moc"
