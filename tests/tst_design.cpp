#include "arrays.h"
#include "design.h"
#include "designrun.h"
#include "geometry.h"
#include "groundrows.h"
#include "injection.h"
#include "rollalongrun.h"

#include <Eigen/Core>

#include <QtTest>

#include <memory>

using Kgw::ArrayKind;
using Kgw::Quadruple;

Q_DECLARE_METATYPE(QVector<ArrayKind>)
Q_DECLARE_METATYPE(Quadruple)
Q_DECLARE_METATYPE(Kgw::ChannelLayout)

namespace {

QVector<Quadruple> smallestOf(const QVector<ArrayKind> &kinds, int electrodes)
{
    Kgw::GenerateOptions options;
    options.electrodes = electrodes;
    options.aMax = 1;
    options.nMax = 1;
    return Kgw::generateConfigurations(kinds, options);
}

// The standard arrays as kgw generate gives them, cut to `count`.
QVector<Quadruple> standardArrays(int electrodes, int count)
{
    Kgw::GenerateOptions options;
    options.electrodes = electrodes;
    return Kgw::generateConfigurations({ ArrayKind::DipoleDipole, ArrayKind::WennerAlpha }, options)
        .mid(0, count);
}

} // namespace

class TestDesign : public QObject
{
    Q_OBJECT

private slots:
    void design_data();
    void design();
    void sharesInjections_data();
    void sharesInjections();
    void roundTakesUncorrelatedRows();
    void writesPositiveFactors_data();
    void writesPositiveFactors();
    void takesTheBestCandidate_data();
    void takesTheBestCandidate();
    void fittedToChannels_data();
    void fittedToChannels();
    void baseSharesInjections();
    void cancelled_data();
    void cancelled();
    void designPerSpread();
    void overUniformPairs_data();
    void overUniformPairs();
    void heldToTheLimitOverTheGround();
};

void TestDesign::design_data()
{
    QTest::addColumn<int>("electrodes");
    QTest::addColumn<int>("measurements");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QVector<ArrayKind>>("base");
    QTest::addColumn<double>("cancellation"); // the limit on it
    QTest::addColumn<int>("expected"); // configurations in the design
    // Whether it must resolve more than the standard arrays of its size: on 8 electrodes, 4
    // channels leave too few current pairs to choose from.
    QTest::addColumn<bool>("beatsArrays");
    QTest::addColumn<bool>("chained");
    QTest::addColumn<int>("maxDipole");

    const QVector<ArrayKind> wa { ArrayKind::WennerAlpha };
    // 3 C(8, 4) = 210 configurations, of which the 5 Wenner-alpha ones of a = 1 are the base.
    const double limit = Kgw::DesignOptions::DefaultMaxCancellation;
    QTest::newRow("8 electrodes") << 8 << 40 << 1 << wa << limit << 40 << true << false << 0;
    QTest::newRow("more than the cable has")
        << 8 << 500 << 1 << wa << qInf() << 210 << false << false << 0;
    QTest::newRow("dipole-dipole base")
        << 8 << 40 << 1 << QVector<ArrayKind> { ArrayKind::DipoleDipole } << limit << 40 << true
        << false << 0;
    QTest::newRow("4 channels") << 8 << 40 << 4 << wa << limit << 40 << false << false << 0;
    // 3 C(6, 4) = 45, of which 3 are the base and 15 enclose a current electrode, as do their
    // reciprocals, so two channels leave them out: a current pair serves more than one injection.
    QTest::newRow("every candidate, 2 channels")
        << 6 << 45 << 2 << wa << qInf() << 30 << false << false << 0;
    // Only rows whose parts add, as in Wenner and Schlumberger.
    QTest::newRow("no cancelling at all") << 8 << 40 << 1 << wa << 1.0 << 40 << false << false << 0;
    QTest::newRow("20 electrodes, 3 channels")
        << 20 << 200 << 3 << wa << limit << 200 << true << false << 0;
    QTest::newRow("chained, 4 channels")
        << 12 << 80 << 4 << wa << limit << 80 << false << true << 0;
    QTest::newRow("dipoles up to 2") << 12 << 80 << 1 << wa << limit << 80 << false << false << 2;
}

// What a crew relies on: every configuration measurable and measured once, of the cable, the
// same list each time, injections shared as the channels allow, and more resolved than by the
// standard arrays of the same size.
void TestDesign::design()
{
    QFETCH(int, electrodes);
    QFETCH(int, measurements);
    QFETCH(int, channels);
    QFETCH(QVector<ArrayKind>, base);
    QFETCH(double, cancellation);
    QFETCH(int, expected);
    QFETCH(bool, beatsArrays);
    QFETCH(bool, chained);
    QFETCH(int, maxDipole);

    const Kgw::SurveyModel survey(Kgw::ModelGrid(electrodes, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::DesignOptions options;
    options.measurements = measurements;
    options.channels = channels;
    options.maxCancellation = cancellation;
    options.base = smallestOf(base, electrodes);
    options.rules.layout = chained ? Kgw::ChannelLayout::Chained : Kgw::ChannelLayout::Free;
    options.rules.maxDipole = maxDipole;
    const Kgw::DesignResult design = Kgw::designSequence(model, options);
    QVERIFY2(design.ok(), qPrintable(design.error));
    QCOMPARE(design.configurations.size(), expected);
    QCOMPARE(design.configurations.mid(0, design.baseCount), options.base);

    const QVector<Quadruple> all = Kgw::fourElectrodeConfigurations(electrodes);
    Kgw::ConfigurationSet seen;
    for (int i = 0; i < design.configurations.size(); ++i) {
        const Quadruple &q = design.configurations.at(i);
        const Quadruple turned { q.a, q.b, q.n, q.m };
        QVERIFY(i < design.baseCount
            || ((all.contains(q) || all.contains(turned) || all.contains(Kgw::reciprocal(q)))
                && Kgw::signalCancellation(q) <= cancellation
                && Kgw::withinMaxDipole(q, maxDipole)));
        QVERIFY(!Kgw::hasRepeatedElectrode(q) && !Kgw::measuresNoSignal(q));
        QVERIFY(seen.insert(q));
        QVERIFY(seen.insert(Kgw::reciprocal(q)));
    }

    // Rows of a current pair share injections.
    QSet<int> currents;
    for (int i = design.baseCount; i < design.configurations.size(); ++i)
        currents.insert(design.configurations.at(i).a * 100 + design.configurations.at(i).b);
    if (channels > 1 && expected > measurements / 2)
        QVERIFY(currents.size() < (design.configurations.size() - design.baseCount) / 2);

    QCOMPARE(Kgw::designSequence(model, options).configurations, design.configurations);
    if (beatsArrays)
        QVERIFY(model.evaluate(design.configurations).meanRelative
            > model.evaluate(standardArrays(electrodes, expected)).meanRelative);
}

// The design chooses groups of up to C rows of one current pair, each for one injection, and
// lists each group together. A current pair may come back in a later round, and its new group
// may follow its last one: the instrument reads consecutive rows of one pair C at a time, so
// such a run is longer than C and still needs no more injections than the groups. Designs on
// 6 to 14 electrodes with 2 to 4 channels, free and chained.
void TestDesign::sharesInjections_data()
{
    QTest::addColumn<int>("electrodes");
    QTest::addColumn<int>("channels");
    QTest::addColumn<Kgw::ChannelLayout>("layout");

    for (int electrodes = 6; electrodes <= 14; ++electrodes) {
        for (int channels = 2; channels <= 4; ++channels) {
            for (const auto layout : { Kgw::ChannelLayout::Free, Kgw::ChannelLayout::Chained }) {
                QTest::addRow("%d electrodes, %d channels, %s", electrodes, channels,
                    layout == Kgw::ChannelLayout::Free ? "free" : "chained")
                    << electrodes << channels << layout;
            }
        }
    }
}

void TestDesign::sharesInjections()
{
    QFETCH(int, electrodes);
    QFETCH(int, channels);
    QFETCH(Kgw::ChannelLayout, layout);

    const Kgw::SurveyModel survey(Kgw::ModelGrid(electrodes, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    for (const int measurements : { 10, 20, 40, 80 }) {
        Kgw::DesignOptions options;
        options.measurements = measurements;
        options.channels = channels;
        options.rules.layout = layout;
        options.base = smallestOf({ ArrayKind::WennerAlpha }, electrodes);
        const Kgw::DesignResult design = Kgw::designSequence(model, options);
        QVERIFY2(design.ok(), qPrintable(design.error));
        const QVector<Quadruple> chosen = design.configurations.mid(design.baseCount);
        const int injections = Kgw::injectionCount(chosen, channels, options.rules);
        QVERIFY2(injections <= design.groups,
            qPrintable(QStringLiteral("N = %1: %2 injections for %3 groups")
                           .arg(measurements)
                           .arg(injections)
                           .arg(design.groups)));
        QVERIFY(design.groups <= chosen.size());
    }
}

// Rows that correlate more than the design is resolved already add much the same; a round takes
// the best of those that do not, while there are enough of them.
void TestDesign::roundTakesUncorrelatedRows()
{
    const int electrodes = 12;
    const Kgw::SurveyModel survey(Kgw::ModelGrid(electrodes, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::DesignOptions options;
    options.base = smallestOf({ ArrayKind::WennerAlpha }, electrodes);
    options.measurements = 60;
    options.batchShare = 0.05;
    const Kgw::DesignResult design = Kgw::designSequence(model, options);
    QVERIFY2(design.ok(), qPrintable(design.error));
    const double threshold = model.evaluate(options.base).meanRelative;

    QVector<Eigen::VectorXd> rows;
    for (int i = design.baseCount; i < design.baseCount + 3; ++i) {
        Eigen::VectorXd row(survey.cellCount());
        QVERIFY(survey.table().row(design.configurations.at(i), row.data()));
        rows.append(row.normalized());
    }
    for (int i = 0; i < rows.size(); ++i) {
        for (int j = 0; j < i; ++j)
            QVERIFY2(std::abs(rows.at(i).dot(rows.at(j))) <= threshold + 1e-9,
                qPrintable(QStringLiteral("rows %1 and %2: %3, more than %4")
                               .arg(j)
                               .arg(i)
                               .arg(rows.at(i).dot(rows.at(j)))
                               .arg(threshold)));
    }
}

// An instrument records a reading with K < 0 as a negative voltage, so a design writes each with
// K > 0, M and N swapped; a chain fixes the direction of its dipoles, so there it stays.
void TestDesign::writesPositiveFactors_data()
{
    QTest::addColumn<Kgw::ChannelLayout>("layout");
    QTest::newRow("free") << Kgw::ChannelLayout::Free;
    QTest::newRow("chained") << Kgw::ChannelLayout::Chained;
}

void TestDesign::writesPositiveFactors()
{
    QFETCH(Kgw::ChannelLayout, layout);

    const Kgw::SurveyModel survey(Kgw::ModelGrid(12, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::DesignRequest request;
    request.options.measurements = 60;
    request.options.channels = 4;
    request.options.rules.layout = layout;
    const Kgw::DesignRun run = Kgw::makeDesign(model, request);
    QVERIFY2(run.ok(), qPrintable(run.error));
    const QVector<Quadruple> &designed = run.design.configurations;
    QCOMPARE(run.written.size(), designed.size());
    int negative = 0;
    for (int i = 0; i < designed.size(); ++i) {
        const Quadruple &q = designed.at(i);
        negative += Kgw::geometricFactor(q, 1) < 0 ? 1 : 0;
        const Quadruple expected
            = layout == Kgw::ChannelLayout::Chained || Kgw::geometricFactor(q, 1) > 0
            ? q
            : Quadruple { q.a, q.b, q.n, q.m };
        QCOMPARE(run.written.at(i), expected);
    }
    QVERIFY(negative > 0); // else neither way would show
}

void TestDesign::takesTheBestCandidate_data()
{
    QTest::addColumn<int>("electrodes");
    QTest::addColumn<int>("rounds");

    // Rounds of one row each (5 % of so few), the first scored on the factorised base, the later
    // ones on the tables the rounds before updated.
    QTest::newRow("6 electrodes") << 6 << 3;
    QTest::newRow("8 electrodes") << 8 << 3;
}

// Each row the design takes is the one that, added to what it has taken before, gives the
// highest mean relative resolution, computed afresh for every candidate.
void TestDesign::takesTheBestCandidate()
{
    QFETCH(int, electrodes);
    QFETCH(int, rounds);

    const Kgw::SurveyModel survey(Kgw::ModelGrid(electrodes, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::DesignOptions options;
    options.base = smallestOf({ ArrayKind::WennerAlpha }, electrodes);
    options.measurements = options.base.size() + rounds;
    const Kgw::DesignResult design = Kgw::designSequence(model, options);
    QVERIFY2(design.ok(), qPrintable(design.error));
    QCOMPARE(design.rounds, rounds);

    for (int taken = options.base.size(); taken < design.configurations.size(); ++taken) {
        QVector<Quadruple> sequence = design.configurations.mid(0, taken);
        double best = -1;
        for (const Quadruple &q : Kgw::fourElectrodeConfigurations(electrodes)) {
            if (sequence.contains(q) || Kgw::signalCancellation(q) > options.maxCancellation)
                continue;
            sequence.append(q);
            best = std::max(best, model.evaluate(sequence).meanRelative);
            sequence.removeLast();
        }
        const double chosen = model.evaluate(design.configurations.mid(0, taken + 1)).meanRelative;
        // The tables are scored in single precision.
        QVERIFY2(chosen >= best - 1e-6,
            qPrintable(QStringLiteral("row %1: %2, the best %3").arg(taken).arg(chosen).arg(best)));
    }
}

void TestDesign::fittedToChannels_data()
{
    QTest::addColumn<Quadruple>("configuration");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("maxDipole");
    QTest::addColumn<bool>("allowEnclosing");
    QTest::addColumn<Quadruple>("fitted"); // all zero for none

    const Quadruple none { 0, 0, 0, 0 };
    // Dipole-dipole a = 2: both dipoles are 2 long.
    QTest::newRow("dipole at the limit")
        << Quadruple { 3, 1, 5, 7 } << 1 << 2 << false << Quadruple { 3, 1, 5, 7 };
    QTest::newRow("dipole past it, and its reciprocal too")
        << Quadruple { 3, 1, 5, 7 } << 1 << 1 << false << none;
    // M 1 and N 4 enclose A 2 and B 3; the reciprocal's 2 and 3 enclose nothing.
    QTest::newRow("enclosing, one channel")
        << Quadruple { 2, 3, 1, 4 } << 1 << 0 << false << Quadruple { 2, 3, 1, 4 };
    QTest::newRow("enclosing, turned round")
        << Quadruple { 2, 3, 1, 4 } << 2 << 0 << false << Quadruple { 1, 4, 2, 3 };
    QTest::newRow("enclosing, allowed")
        << Quadruple { 2, 3, 1, 4 } << 2 << 0 << true << Quadruple { 2, 3, 1, 4 };
    // B 4 stands between M 2 and N 5, and A 2 between the reciprocal's M 1 and N 4.
    QTest::newRow("neither way") << Quadruple { 1, 4, 2, 5 } << 2 << 0 << false << none;
}

void TestDesign::fittedToChannels()
{
    QFETCH(Quadruple, configuration);
    QFETCH(int, channels);
    QFETCH(int, maxDipole);
    QFETCH(bool, allowEnclosing);
    QFETCH(Quadruple, fitted);

    Kgw::DesignOptions options;
    options.channels = channels;
    options.rules.maxDipole = maxDipole;
    options.rules.allowEnclosing = allowEnclosing;
    const std::optional<Quadruple> got = Kgw::fittedToChannels(configuration, options);
    QCOMPARE(got.value_or(Quadruple { 0, 0, 0, 0 }), fitted);
}

// Dipole-dipole at a = 1 and n = 1, 2 on 8 electrodes, listed n by n along the cable as the
// standard arrays are; read with two channels, the rows of one current pair come together.
void TestDesign::baseSharesInjections()
{
    const Kgw::SurveyModel survey(Kgw::ModelGrid(8, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::GenerateOptions generate;
    generate.electrodes = 8;
    generate.aMax = 1;
    generate.nMax = 2;
    Kgw::DesignOptions options;
    options.base = Kgw::generateConfigurations({ ArrayKind::DipoleDipole }, generate);
    options.measurements = options.base.size();
    options.channels = 2;
    const Kgw::DesignResult design = Kgw::designSequence(model, options);
    QVERIFY2(design.ok(), qPrintable(design.error));
    QCOMPARE(design.configurations,
        (QVector<Quadruple> { { 2, 1, 3, 4 }, { 2, 1, 4, 5 }, { 3, 2, 4, 5 }, { 3, 2, 5, 6 },
            { 4, 3, 5, 6 }, { 4, 3, 6, 7 }, { 5, 4, 6, 7 }, { 5, 4, 7, 8 }, { 6, 5, 7, 8 } }));
}

void TestDesign::cancelled_data()
{
    QTest::addColumn<int>("throwAt"); // the progress call that throws; 0 for the last one
    QTest::newRow("first, after the design's preparation") << 1;
    // The last comes from the design's evaluation, with the standard arrays' beside it.
    QTest::newRow("last, in the evaluations") << 0;
}

// A window stops a design by throwing from its progress function: the throw must reach it, and
// the model must give the same design afterwards as before.
void TestDesign::cancelled()
{
    QFETCH(int, throwAt);

    const Kgw::SurveyModel survey(Kgw::ModelGrid(8, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::DesignRequest request;
    request.options.measurements = 40;
    request.reciprocalShare = 50;
    int calls = 0;
    const Kgw::DesignRun whole = Kgw::makeDesign(model, request, [&](double) { ++calls; });
    QVERIFY2(whole.ok(), qPrintable(whole.error));
    QVERIFY(calls > 2);

    int call = 0;
    const int last = throwAt == 0 ? calls : throwAt;
    const auto cancel = [&](double) {
        if (++call == last)
            throw Kgw::Cancelled();
    };
    QVERIFY_EXCEPTION_THROWN(Kgw::makeDesign(model, request, cancel), Kgw::Cancelled);
    QCOMPARE(Kgw::makeDesign(model, request).written, whole.written);
}

// A design of N per spread counts what earlier spreads measured on its cable among its N, and
// measures no configuration (nor its reciprocal) twice.
void TestDesign::designPerSpread()
{
    Kgw::RollAlongRequest request;
    request.source = Kgw::RollAlongRequest::Design;
    request.line.linePositions = 16;
    request.line.electrodes = 8;
    request.line.move = 4;
    request.line.spacingMetres = 1;
    request.design.options.measurements = 20;
    const Kgw::RollAlongPlan plan = Kgw::makeRollAlong(request);
    QVERIFY2(plan.ok(), qPrintable(plan.error));
    QCOMPARE(plan.spreads.size(), 3);
    Kgw::LineConfigurationSet measured(Kgw::Reciprocals::Same);
    for (const Kgw::SpreadPlan &spread : plan.spreads) {
        for (const Quadruple &q : spread.rows)
            QVERIFY(measured.insert(Kgw::toLinePositions(q, spread.firstPosition)));
        int onCable = 0;
        for (const Kgw::SpreadPlan &earlier : plan.spreads.mid(0, spread.spread)) {
            for (const Quadruple &q : earlier.rows)
                onCable += Kgw::toCablePositions(Kgw::toLinePositions(q, earlier.firstPosition),
                               spread.firstPosition, 8)
                    ? 1
                    : 0;
        }
        QCOMPARE(onCable, 20);
    }
    QVERIFY(plan.spreads.at(1).rows.size() < 20);
}

QTEST_GUILESS_MAIN(TestDesign)
namespace {

Kgw::GroundPairs uniformPairs(const Kgw::SurveyModel &survey)
{
    const int electrodes = survey.grid().electrodes();
    Kgw::GroundPairs ground;
    ground.vectors = survey.pairs();
    ground.resistances.resize(survey.pairCount());
    for (int p = 1; p <= electrodes; ++p) {
        for (int q = p + 1; q <= electrodes; ++q)
            ground.resistances(survey.pairIndex(p, q)) = 1 / (2 * M_PI * (q - p));
    }
    return ground;
}

} // namespace

// A ground whose pairs are the survey's own, with the pole-pole resistances of a uniform ground of
// 1 ohm m, 1 / (2 pi d): every row's r is 1 / K, so its scale 1 / (r sigma) is K / sigma again
// and the design must be the uniform one, row for row.
void TestDesign::overUniformPairs_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<Kgw::ChannelLayout>("layout");
    QTest::newRow("one channel") << 1 << Kgw::ChannelLayout::Free;
    QTest::newRow("chains of 4") << 4 << Kgw::ChannelLayout::Chained;
}

void TestDesign::overUniformPairs()
{
    QFETCH(int, channels);
    QFETCH(Kgw::ChannelLayout, layout);
    constexpr int Electrodes = 12;
    const Kgw::SurveyModel survey(Kgw::ModelGrid(Electrodes, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    const Kgw::GroundPairs ground = uniformPairs(survey);
    Kgw::DesignOptions options;
    options.measurements = 80;
    options.channels = channels;
    options.rules.layout = layout;
    options.base = smallestOf({ ArrayKind::WennerAlpha }, Electrodes);
    const Kgw::DesignResult uniform = Kgw::designSequence(model, options);
    const Kgw::DesignResult over = Kgw::designSequence(model, ground, options);
    QVERIFY2(over.ok(), qPrintable(over.error));
    QCOMPARE(over.configurations, uniform.configurations);
}

// A ground that doubles every reading between electrode 6 and another brings some rows that
// cancel little over a uniform ground near zero; none of those is chosen.
void TestDesign::heldToTheLimitOverTheGround()
{
    const Kgw::SurveyModel survey(Kgw::ModelGrid(12, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::GroundPairs ground = uniformPairs(survey);
    for (int p = 1; p <= 12; ++p) {
        if (p != 6)
            ground.resistances(survey.pairIndex(std::min(p, 6), std::max(p, 6))) *= 2;
    }
    Kgw::DesignOptions options;
    options.measurements = 80;
    options.base = smallestOf({ ArrayKind::WennerAlpha }, 12);
    const auto overLimit = [&](const Kgw::DesignResult &result) {
        int count = 0;
        for (int i = result.baseCount; i < result.configurations.size(); ++i)
            count += ground.cancellation(survey, result.configurations.at(i)) > 4 + 1e-9 ? 1 : 0;
        return count;
    };
    QVERIFY(overLimit(Kgw::designSequence(model, options)) > 0);
    const Kgw::DesignResult over = Kgw::designSequence(model, ground, options);
    QVERIFY2(over.ok(), qPrintable(over.error));
    QCOMPARE(over.configurations.size(), 80);
    QCOMPARE(overLimit(over), 0);
}

#include "tst_design.moc"
