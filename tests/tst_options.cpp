#include "optionvalues.h"

#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Kgw::Option;
using Kgw::OptionKind;
using Kgw::Syntax;
namespace Options = Kgw::Options;

Q_DECLARE_METATYPE(const Option *)
Q_DECLARE_METATYPE(Kgw::Syntax)

namespace {

// A text the option takes that is not its default, and no other option's (the index of the
// option makes it so), as a crew might type it: the decimals beyond what a box would write back
// are the point.
QString otherText(const Option &option)
{
    const int index = Options::all().indexOf(&option);
    switch (option.kind) {
    case OptionKind::Whole: {
        int value = int(option.low) + 1 + index;
        if (value == option.defaultValue)
            ++value;
        return QString::number(value);
    }
    case OptionKind::Decimal:
        return &option == &Options::Resistivity ? QStringLiteral("0,0000000001")
                                                : QStringLiteral("%1,25").arg(index + 2);
    case OptionKind::Spacing:
        return QStringLiteral("2,125");
    case OptionKind::Seconds:
        return QStringLiteral("2.5");
    case OptionKind::Electrodes:
        return QStringLiteral("7,23-24");
    case OptionKind::Region:
        return QStringLiteral("10:20.5,0:4");
    case OptionKind::Arrays:
        return option.emptyIsNone ? QStringLiteral("wa,slm") : QStringLiteral("dd,gr");
    case OptionKind::Choice:
        return option.choiceList().constLast();
    case OptionKind::Flag:
        return option.defaultValueText() == QLatin1String("false") ? QStringLiteral("true")
                                                                   : QStringLiteral("false");
    }
    return QString();
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private slots:
    void everyDescription();
    void boundaries_data();
    void boundaries();
    void refusals_data();
    void refusals();
    void helpTexts_data();
    void helpTexts();
    void keptAsTyped();
    void storeOutOfRangeLeavesTheDefault();
    void rulesBetweenOptions();
    void crewUnitsToTheModel();
};

void TestOptions::everyDescription()
{
    QSet<QString> keys;
    QSet<QString> others;
    for (const Option *option : Options::all()) {
        const QString what = QString::fromLatin1(option->name ? option->name : option->key);
        // Its default is a value it takes, in both front ends.
        QVERIFY2(
            option->refusal(option->defaultValueText(), Syntax::Box).isEmpty(), qPrintable(what));
        if (!option->emptyIsNone && option->kind != OptionKind::Arrays)
            QVERIFY2(option->refusal(option->defaultValueText(), Syntax::CommandLine).isEmpty(),
                qPrintable(what));
        if (option->isNumeric() && !option->emptyIsNone) {
            QVERIFY2(option->accepts(option->defaultValue), qPrintable(what));
            QCOMPARE(*option->read(option->defaultValueText(), Syntax::CommandLine),
                option->defaultValue);
        }
        // Each is kept under a key of its own, and a box for it has a label.
        if (option->key) {
            QVERIFY2(!keys.contains(QLatin1String(option->key)), option->key);
            keys.insert(QLatin1String(option->key));
            QVERIFY2(option->label, option->key);
            QVERIFY2(option->refusal(otherText(*option), Syntax::Box).isEmpty(), option->key);
            QVERIFY2(otherText(*option) != option->defaultValueText(), option->key);
            // So that one read back under another's key shows.
            QVERIFY2(!others.contains(otherText(*option)), option->key);
            others.insert(otherText(*option));
        }
        // kgw's help names every range and default it has.
        if (option->name && option->help) {
            const QString help = option->helpText();
            QVERIFY2(!help.contains(QLatin1Char('{')), qPrintable(help));
        }
    }
}

void TestOptions::boundaries_data()
{
    QTest::addColumn<const Option *>("option");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Syntax>("syntax");
    QTest::addColumn<bool>("accepted");

    const Syntax line = Syntax::CommandLine;
    const Syntax box = Syntax::Box;
    // Each end of each kind of range, on the side of it and just past it.
    QTest::newRow("error: 0 excluded") << &Options::Error << "0" << line << false;
    QTest::newRow("error: just above 0") << &Options::Error << "1e-9" << line << true;
    QTest::newRow("error: 100 included") << &Options::Error << "100" << line << true;
    QTest::newRow("error: just past 100") << &Options::Error << "100.000001" << line << false;
    QTest::newRow("floor: 0 included") << &Options::Floor << "0" << line << true;
    QTest::newRow("floor: 1000000 included") << &Options::Floor << "1000000" << line << true;
    QTest::newRow("cancellation: at least 1") << &Options::MaxCancellation << "1" << line << true;
    QTest::newRow("cancellation: below 1") << &Options::MaxCancellation << "0.999" << line << false;
    QTest::newRow("resistivity: unbounded") << &Options::Resistivity << "1e300" << line << true;
    QTest::newRow("resistivity: not a number") << &Options::Resistivity << "inf" << line << false;
    QTest::newRow("channels: 1") << &Options::Channels << "1" << line << true;
    QTest::newRow("channels: 48, the instrument's") << &Options::Channels << "48" << line << true;
    QTest::newRow("channels: 49") << &Options::Channels << "49" << line << false;
    QTest::newRow("channels: 0") << &Options::Channels << "0" << line << false;
    QTest::newRow("channels: a sign") << &Options::Channels << "+8" << line << false;
    QTest::newRow("electrodes: 4") << &Options::Electrodes << "4" << line << true;
    QTest::newRow("electrodes: 3") << &Options::Electrodes << "3" << line << false;
    QTest::newRow("cable in use: 1") << &Options::CableInUse << "1" << line << true;
    QTest::newRow("spacing: 0.001") << &Options::Spacing << "0.001" << line << true;
    QTest::newRow("spacing: 0.0005") << &Options::Spacing << "0.0005" << line << false;
    QTest::newRow("spacing: 100") << &Options::Spacing << "100" << line << true;
    QTest::newRow("spacing: 100.001") << &Options::Spacing << "100.001" << line << false;
    QTest::newRow("seconds: 3600") << &Options::SecondsPerInjection << "3600" << line << true;
    QTest::newRow("seconds: 3600.001")
        << &Options::SecondsPerInjection << "3600.001" << line << false;
    QTest::newRow("seconds: four decimals")
        << &Options::SecondsPerInjection << "1.0005" << line << false;
    // The window's way of writing numbers.
    QTest::newRow("box: decimal comma") << &Options::Current << "2,5" << box << true;
    QTest::newRow("box: spacing with a comma") << &Options::Spacing << "1,5" << box << true;
    QTest::newRow("box: two points") << &Options::Current << "1,000.5" << box << false;
    QTest::newRow("box: group separator") << &Options::Current << "1 000" << box << false;
    QTest::newRow("box: exponent") << &Options::Current << "1e3" << box << false;
    QTest::newRow("box: a point alone") << &Options::Current << "," << box << false;
    QTest::newRow("box: empty, a value needed") << &Options::Current << " " << box << false;
    QTest::newRow("box: empty, no limit") << &Options::FactorLimit << " " << box << true;
    QTest::newRow("given empty") << &Options::FactorLimit << "" << line << false;
    QTest::newRow("box: ten decimals") << &Options::Resistivity << "0,0000000001" << box << true;
    QTest::newRow("box: seconds with a comma")
        << &Options::SecondsPerInjection << "2,5" << box << true;
    QTest::newRow("box: seconds, four decimals")
        << &Options::SecondsPerInjection << "2,0005" << box << false;
    QTest::newRow("target") << &Options::Target << "0:10,0:5" << box << true;
    QTest::newRow("target backwards") << &Options::Target << "10:0,0:5" << box << false;
    QTest::newRow("base arrays") << &Options::Base << "wa, dd" << box << true;
    QTest::newRow("unknown base array") << &Options::Base << "wa,xx" << box << false;
    QTest::newRow("no array ticked") << &Options::Arrays << "" << box << false;
    QTest::newRow("layout, any case") << &Options::ChannelLayout << "Chained" << line << true;
}

void TestOptions::boundaries()
{
    QFETCH(const Option *, option);
    QFETCH(QString, text);
    QFETCH(Syntax, syntax);
    QFETCH(bool, accepted);

    QCOMPARE(option->refusal(text, syntax).isEmpty(), accepted);
}

void TestOptions::refusals_data()
{
    QTest::addColumn<const Option *>("option");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Syntax>("syntax");
    QTest::addColumn<QString>("refusal");

    const Syntax line = Syntax::CommandLine;
    // kgw's words, which scripts may read: as they have always been.
    QTest::newRow("whole") << &Options::Channels << "49" << line
                           << "invalid --channels '49': give a whole number from 1 to 48";
    QTest::newRow("bounded") << &Options::Error << "0" << line
                             << "invalid --error '0': give a number from 0 (excluded) up to 100";
    QTest::newRow("positive") << &Options::Resistivity << "-1" << line
                              << "invalid --resistivity '-1': give a positive number";
    QTest::newRow("at least") << &Options::MaxCancellation << "0.5" << line
                              << "invalid --max-cancellation '0.5': give a number of at least 1";
    QTest::newRow("in its unit") << &Options::MinVoltage << "-1" << line
                                 << "invalid --min-voltage '-1': give a number of millivolts, 0 or "
                                    "more";
    QTest::newRow("spacing") << &Options::Spacing << "1.0005" << line
                             << "invalid spacing '1.0005': give 0.001 to 100 metres, with at most "
                                "three decimals";
    QTest::newRow("seconds") << &Options::SecondsPerInjection << "0" << line
                             << "invalid --seconds-per-injection '0': give seconds above 0 and up "
                                "to 3600, with at most three decimals";
    QTest::newRow("choice") << &Options::ChannelLayout << "ring" << line
                            << "unknown --channel-layout 'ring': give free or chained";
    QTest::newRow("region") << &Options::Target << "1:0,0:1" << line
                            << "invalid --target '1:0,0:1': give X0:X1,Z0:Z1 in metres, X0 < X1 "
                               "and 0 <= Z0 < Z1";
    QTest::newRow("array") << &Options::Base << "xx" << line
                           << "unknown array 'xx' for --base: give one of wenner-alpha (wa), "
                              "wenner-beta (wb), wenner-gamma (wg), schlumberger (slm), "
                              "dipole-dipole (dd), pole-dipole (pd), pole-pole (pp), gradient (gr)";
    // The window's, beside the box.
    QTest::newRow("box, no limit") << &Options::FactorLimit << "0" << Syntax::Box
                                   << "Give a positive number of metres, or nothing for no limit; "
                                      "a comma or a full stop is the decimal point.";
    QTest::newRow("box, region") << &Options::Target << "x" << Syntax::Box
                                 << "Give X0:X1,Z0:Z1 in metres, X0 < X1 and 0 <= Z0 < Z1, or "
                                    "nothing for the whole section.";
}

void TestOptions::refusals()
{
    QFETCH(const Option *, option);
    QFETCH(QString, text);
    QFETCH(Syntax, syntax);
    QFETCH(QString, refusal);

    QCOMPARE(option->refusal(text, syntax), refusal);
}

void TestOptions::helpTexts_data()
{
    QTest::addColumn<const Option *>("option");
    QTest::addColumn<QString>("help");

    QTest::newRow("range and default")
        << &Options::Error << "Relative error of a measurement, above 0 up to 100 (default 3).";
    QTest::newRow("default in words")
        << &Options::MaxDipole
        << "The longest potential dipole |M - N| the instrument reads, in electrode spacings; a "
           "remote M or N is longer than any: 1 to 47 (default: no limit).";
    QTest::newRow("must be given") << &Options::Measurements
                                   << "Configurations in the design, the base set included: 1 to "
                                      "67108864 (default: none, it must be given).";
    QTest::newRow("the model's default, in the crew's unit")
        << &Options::Floor
        << "Voltage floor of the instrument, 0 to 1000000: it adds floor / V to the relative "
           "error, V = rho I / |K| the voltage expected at --resistivity and --current (default "
           "100).";
}

void TestOptions::helpTexts()
{
    QFETCH(const Option *, option);
    QFETCH(QString, help);

    QCOMPARE(option->helpText(), help);
}

void TestOptions::keptAsTyped()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Every setting the window keeps, away from its default.
    Kgw::OptionValues values;
    for (const Option *option : Options::all()) {
        if (option->key)
            values.setText(*option, otherText(*option));
    }
    {
        QSettings store(dir.filePath(QStringLiteral("kept.ini")), QSettings::IniFormat);
        values.save(&store);
    }
    QSettings store(dir.filePath(QStringLiteral("kept.ini")), QSettings::IniFormat);
    Kgw::OptionValues read;
    read.load(&store);
    for (const Option *option : Options::all()) {
        if (option->key)
            QCOMPARE(read.text(*option), values.text(*option));
    }
    QVERIFY(read == values);
    // What was typed is what counts, to its last decimal.
    QCOMPARE(read.number(Options::Resistivity), 1e-10);

    // An option set back to its default follows the default again.
    values.reset(Options::Channels);
    values.save(&store);
    read.load(&store);
    QVERIFY(!read.isGiven(Options::Channels));
}

void TestOptions::storeOutOfRangeLeavesTheDefault()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QSettings store(dir.filePath(QStringLiteral("bad.ini")), QSettings::IniFormat);
    store.setValue(QLatin1String(Options::Electrodes.key), 49);
    store.setValue(QLatin1String(Options::Spacing.key), 0.0005);
    store.setValue(QLatin1String(Options::Exclude.key), QStringLiteral("7-"));
    store.setValue(QLatin1String(Options::Measurements.key), QStringLiteral("many"));
    // As a double was once kept: with an exponent, which no box takes.
    store.setValue(QLatin1String(Options::Resistivity.key), 1e-10);
    Kgw::OptionValues read;
    read.load(&store);
    QVERIFY(read == Kgw::OptionValues());
}

void TestOptions::rulesBetweenOptions()
{
    using Kgw::ArrayKind;
    const Syntax line = Syntax::CommandLine;
    QCOMPARE(Kgw::designBaseProblem(0, {}, line),
        QStringLiteral("--base-share 0 needs --base ARRAY: the design starts from at least one "
                       "configuration"));
    QVERIFY(Kgw::designBaseProblem(0, { ArrayKind::WennerAlpha }, line).isEmpty());
    QVERIFY(Kgw::designBaseProblem(1, {}, line).isEmpty());

    const Kgw::ChannelLayout chained = Kgw::ChannelLayout::Chained;
    QCOMPARE(Kgw::chainedArrayProblem(ArrayKind::WennerAlpha, chained, line, QStringLiteral("wa")),
        QStringLiteral("--channel-layout chained applies only to dipole-dipole, pole-dipole and "
                       "gradient, whose dipoles of one current pair form a chain; not to 'wa'"));
    QVERIFY(Kgw::chainedArrayProblem(ArrayKind::Gradient, chained, line).isEmpty());
    QVERIFY(
        Kgw::chainedArrayProblem(ArrayKind::WennerAlpha, Kgw::ChannelLayout::Free, line).isEmpty());

    QVERIFY(!Kgw::ordersByDefault(1));
    QVERIFY(Kgw::ordersByDefault(2));
}

void TestOptions::crewUnitsToTheModel()
{
    // The defaults, through the crew's units, are the model's own.
    const Kgw::ResolutionOptions model = Kgw::SurveySettings().resolutionOptions();
    const Kgw::ResolutionOptions own;
    QCOMPARE(model.noise.relativeError, own.noise.relativeError);
    QCOMPARE(model.noise.cancellationError, own.noise.cancellationError);
    QCOMPARE(model.noise.floorPerMetre, own.noise.floorPerMetre);
    QCOMPARE(model.currentAmperes, own.currentAmperes);
    QCOMPARE(model.damping, own.damping);
    QVERIFY(qIsInf(model.factorLimit));

    // 100 µV at 20 ohm m and 250 mA: floor / (rho I) = 1e-4 / 5 per metre.
    Kgw::SurveySettings settings;
    settings.resistivity = 20;
    settings.current = 250;
    settings.error = 5;
    settings.minVoltage = 2;
    const Kgw::ResolutionOptions given = settings.resolutionOptions();
    QCOMPARE(given.currentAmperes, 0.25);
    QCOMPARE(given.noise.relativeError, 0.05);
    QCOMPARE(given.noise.floorPerMetre, 2e-5);
    QCOMPARE(given.minVoltage, 0.002);
    QCOMPARE(settings.checkOptions().currentAmperes, 0.25);
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
