#include "arrays.h"
#include "geometry.h"
#include "resolution.h"
#include "sensitivity.h"

#include <Eigen/Dense>

#include <QtTest>

#include <cmath>
#include <memory>

using Kgw::Quadruple;

Q_DECLARE_METATYPE(Quadruple)
Q_DECLARE_METATYPE(QVector<Quadruple>)
Q_DECLARE_METATYPE(Kgw::GridOptions)
Q_DECLARE_METATYPE(QVector<Kgw::ArrayKind>)
Q_DECLARE_METATYPE(Kgw::ResolutionOptions)

namespace {

// Wide, deep and finely layered, so that what lies outside hardly counts and a median depth can
// be read off the layers. Electrodes 2 m apart, so that depths in units of a are not the
// numbers the grid is built in.
constexpr double Spacing = 2;

Kgw::GridOptions largeGrid()
{
    Kgw::GridOptions options;
    options.marginSpacings = 10;
    options.firstLayerMetres = 0.02 * Spacing;
    options.growth = 1.04;
    options.depthMetres = 20 * Spacing;
    return options;
}

} // namespace

class TestModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void grid_data();
    void grid();
    void refusedGrid_data();
    void refusedGrid();
    void rowSumsToOne_data();
    void rowSumsToOne();
    void medianDepthOfTheLayers_data();
    void medianDepthOfTheLayers();
    void reciprocity_data();
    void reciprocity();
    void rowIsDimensionless();
    void noRow_data();
    void noRow();
    void fieldLimits_data();
    void fieldLimits();
    void floorAtTheCrewsGround();
    void weightOfAReading_data();
    void weightOfAReading();
    void denseReference();
    void onlyRatiosOfWeightsCount_data();
    void onlyRatiosOfWeightsCount();
    void comprehensiveSet();
    void comprehensiveSetResolvesItself();
    void countsWhatItLeavesOut();
    void moreDataNeverResolvesLess_data();
    void moreDataNeverResolvesLess();
    void refusesWhatItCannotSolve_data();
    void refusesWhatItCannotSolve();
    void nothingToCompareWith_data();
    void nothingToCompareWith();
    void nothingBeatsTheComprehensiveSet_data();
    void nothingBeatsTheComprehensiveSet();
    void resolvedDepth_data();
    void resolvedDepth();
    void lineRowIsItsCableTwinShifted_data();
    void lineRowIsItsCableTwinShifted();
    void lineComprehensiveSet_data();
    void lineComprehensiveSet();

private:
    QVector<double> row(const Quadruple &q) const;
    std::unique_ptr<Kgw::PairTable> m_table;
};

void TestModel::initTestCase()
{
    m_table.reset(new Kgw::PairTable(Kgw::ModelGrid(24, Spacing, largeGrid())));
    QVERIFY(m_table->grid().isValid());
}

void TestModel::grid_data()
{
    QTest::addColumn<int>("electrodes");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<Kgw::GridOptions>("options");
    QTest::addColumn<QVector<double>>("xEnds"); // first and last edge
    QTest::addColumn<int>("columns");
    QTest::addColumn<QVector<double>>("zEdges");

    // Cells 2.5 m wide from -5 to 240 m; layers from 2.5 m, each 10 % thicker, until they reach
    // 47 m: 2.5 (1.1^n - 1) / 0.1 first does for n = 12; a section's 78.3 m for n = 15.
    QVector<double> layers { 0 };
    for (int n = 1; n <= 15; ++n)
        layers << 25 * (std::pow(1.1, n) - 1);
    QTest::newRow("defaults, 48 electrodes at 5 m")
        << 48 << 5.0 << Kgw::GridOptions() << QVector<double> { -5, 240 } << 98
        << layers.mid(0, 13);
    Kgw::GridOptions section;
    section.depthDivisor = Kgw::GridOptions::SectionDepthDivisor;
    QTest::newRow("a section, 48 electrodes at 5 m")
        << 48 << 5.0 << section << QVector<double> { -5, 240 } << 98 << layers;
    QTest::newRow("defaults, 10 electrodes at 1 m")
        << 10 << 1.0 << Kgw::GridOptions() << QVector<double> { -1, 10 } << 22
        << QVector<double> { 0, 0.5, 1.05, 1.655, 2.3205 };
    Kgw::GridOptions options;
    options.cellsPerSpacing = 3;
    options.marginSpacings = 2;
    options.firstLayerMetres = 0.25;
    options.growth = 1;
    options.depthMetres = 1;
    QTest::newRow("options") << 4 << 2.0 << options << QVector<double> { -4, 10 } << 21
                             << QVector<double> { 0, 0.25, 0.5, 0.75, 1 };
    // Along a line of 120 the columns run to its end, while the layers stop where the cable's
    // do: no spread looks deeper.
    QTest::newRow("a line of 120 measured by 48, at 5 m")
        << -120 << 5.0 << section << QVector<double> { -5, 600 } << 242 << layers;
}

void TestModel::grid()
{
    QFETCH(int, electrodes);
    QFETCH(double, spacing);
    QFETCH(Kgw::GridOptions, options);
    QFETCH(QVector<double>, xEnds);
    QFETCH(int, columns);
    QFETCH(QVector<double>, zEdges);

    // A line's length is given negative, measured by the cable of 48.
    const Kgw::ModelGrid grid = electrodes > 0
        ? Kgw::ModelGrid(electrodes, spacing, options)
        : Kgw::ModelGrid(-electrodes, spacing, options, Kgw::CablePositions);
    QVERIFY2(grid.isValid(), qPrintable(grid.error()));
    QCOMPARE(grid.isLine(), electrodes < 0);
    QCOMPARE(grid.columns(), columns);
    QCOMPARE(grid.xEdges().constFirst(), xEnds.at(0));
    QVERIFY(std::abs(grid.xEdges().constLast() - xEnds.at(1)) < 1e-9);
    QCOMPARE(grid.layers(), zEdges.size() - 1);
    for (int l = 0; l < zEdges.size(); ++l)
        QVERIFY(std::abs(grid.zEdges().at(l) - zEdges.at(l)) < 1e-9);
}

void TestModel::refusedGrid_data()
{
    QTest::addColumn<int>("electrodes");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<Kgw::GridOptions>("options");

    QTest::newRow("one electrode") << 1 << 5.0 << Kgw::GridOptions();
    QTest::newRow("more than the cable") << 49 << 5.0 << Kgw::GridOptions();
    QTest::newRow("no spacing") << 24 << 0.0 << Kgw::GridOptions();
    Kgw::GridOptions options;
    options.cellsPerSpacing = 0;
    QTest::newRow("no cells") << 24 << 5.0 << options;
    options = Kgw::GridOptions();
    options.growth = 0.9;
    QTest::newRow("thinning layers") << 24 << 5.0 << options;
    options = Kgw::GridOptions();
    options.firstLayerMetres = 1e-6;
    options.growth = 1;
    QTest::newRow("too many layers") << 24 << 5.0 << options;
    // Lines, given negative as above: one of 1001, and one shorter than the cable.
    QTest::newRow("a line beyond the longest") << -1001 << 5.0 << Kgw::GridOptions();
    QTest::newRow("a line shorter than the cable") << -47 << 5.0 << Kgw::GridOptions();
}

void TestModel::refusedGrid()
{
    QFETCH(int, electrodes);
    QFETCH(double, spacing);
    QFETCH(Kgw::GridOptions, options);
    const Kgw::ModelGrid grid = electrodes > 0
        ? Kgw::ModelGrid(electrodes, spacing, options)
        : Kgw::ModelGrid(-electrodes, spacing, options, Kgw::CablePositions);
    QVERIFY(!grid.isValid());
    QVERIFY(!grid.error().isEmpty());
}

QVector<double> TestModel::row(const Quadruple &q) const
{
    QVector<double> values(m_table->grid().cellCount());
    return m_table->row(q, values.data()) ? values : QVector<double>();
}

// J = d ln(rho_a) / d ln(rho_cell): a uniform change of the whole half-space changes rho_a alike.
void TestModel::rowSumsToOne_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::newRow("Wenner-alpha, mid-line") << Quadruple { 11, 14, 12, 13 };
    QTest::newRow("dipole-dipole n = 1, mid-line") << Quadruple { 12, 11, 13, 14 };
}

void TestModel::rowSumsToOne()
{
    QFETCH(Quadruple, q);
    const QVector<double> values = row(q);
    QVERIFY(!values.isEmpty());
    const double sum = std::accumulate(values.cbegin(), values.cend(), 0.0);
    QVERIFY2(std::abs(sum - 1) <= 0.01, qPrintable(QString::number(sum)));
}

// Edwards (1977): half of the signal comes from above the median depth, in units of a.
void TestModel::medianDepthOfTheLayers_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::addColumn<double>("depthInA");
    QTest::newRow("Wenner-alpha") << Quadruple { 11, 14, 12, 13 } << 0.519;
    QTest::newRow("dipole-dipole n = 1") << Quadruple { 12, 11, 13, 14 } << 0.416;
    QTest::newRow("pole-pole") << Quadruple { 12, 0, 13, 0 } << 0.867;
}

void TestModel::medianDepthOfTheLayers()
{
    QFETCH(Quadruple, q);
    QFETCH(double, depthInA);
    const QVector<double> values = row(q);
    const Kgw::ModelGrid &grid = m_table->grid();
    QVector<double> layers(grid.layers(), 0.0);
    for (int c = 0; c < values.size(); ++c)
        layers[grid.layerOf(c)] += values.at(c);

    double above = 0;
    double median = qQNaN();
    for (int l = 0; l < grid.layers() && qIsNaN(median); ++l) {
        if (above + layers.at(l) >= 0.5) {
            const double share = (0.5 - above) / layers.at(l);
            median = grid.zEdges().at(l) + share * (grid.zEdges().at(l + 1) - grid.zEdges().at(l));
        }
        above += layers.at(l);
    }
    const double expected = depthInA * Spacing;
    QVERIFY2(std::abs(median - expected) <= 0.02 * expected, qPrintable(QString::number(median)));
}

void TestModel::reciprocity_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::newRow("Wenner-alpha") << Quadruple { 3, 9, 5, 7 };
    QTest::newRow("dipole-dipole") << Quadruple { 4, 3, 8, 9 };
    QTest::newRow("mixed") << Quadruple { 17, 2, 21, 6 };
    QTest::newRow("pole-dipole") << Quadruple { 20, 0, 14, 13 };
}

void TestModel::reciprocity()
{
    QFETCH(Quadruple, q);
    const QVector<double> values = row(q);
    const QVector<double> swappedRoles = row(Kgw::reciprocal(q));
    const QVector<double> swappedPairs = row(Quadruple { q.b, q.a, q.n, q.m });
    QCOMPARE(swappedRoles.size(), values.size());
    QCOMPARE(swappedPairs.size(), values.size());
    for (int c = 0; c < values.size(); ++c) {
        QVERIFY(std::abs(swappedRoles.at(c) - values.at(c)) <= 1e-12 * std::abs(values.at(c)));
        QVERIFY(std::abs(swappedPairs.at(c) - values.at(c)) <= 1e-12 * std::abs(values.at(c)));
    }
}

// J compares logarithms of resistivities, so it has no unit: the same at any spacing.
void TestModel::rowIsDimensionless()
{
    const Quadruple q { 3, 1, 6, 7 };
    const Kgw::PairTable metre(Kgw::ModelGrid(8, 1));
    const Kgw::PairTable wider(Kgw::ModelGrid(8, 7.5));
    QVector<double> first(metre.grid().cellCount());
    QVector<double> second(wider.grid().cellCount());
    QVERIFY(metre.row(q, first.data()) && wider.row(q, second.data()));
    for (int c = 0; c < first.size(); ++c)
        QVERIFY(std::abs(first.at(c) - second.at(c)) <= 1e-12 * std::abs(first.at(c)));
}

void TestModel::noRow_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::newRow("repeated electrode") << Quadruple { 3, 3, 4, 5 };
    QTest::newRow("no signal") << Quadruple { 1, 5, 3, 0 };
    QTest::newRow("beyond the cable") << Quadruple { 1, 30, 2, 3 };
}

void TestModel::noRow()
{
    QFETCH(Quadruple, q);
    QVERIFY(row(q).isEmpty());
}

// Wenner 1 4 2 3 at 2 m has K = 4 pi m: at 100 ohm m and 100 mA it reads 10 / 4 pi V.
void TestModel::fieldLimits_data()
{
    QTest::addColumn<double>("resistivity");
    QTest::addColumn<double>("minVoltage");
    QTest::addColumn<int>("excluded");
    QTest::addColumn<int>("status");

    const double wenner = 10 / (4 * Kgw::Pi);
    const int has = Kgw::SurveyModel::HasRow;
    QTest::newRow("voltage at the least") << 100.0 << wenner << 0 << has;
    QTest::newRow("voltage just below it")
        << 100.0 << std::nextafter(wenner, 1.0) << 0 << int(Kgw::SurveyModel::OverLimit);
    QTest::newRow("twice the least at ten times the ground") << 1000.0 << 2 * wenner << 0 << has;
    QTest::newRow("electrode excluded") << 100.0 << 0.0 << 4 << int(Kgw::SurveyModel::WithoutRow);
}

void TestModel::fieldLimits()
{
    QFETCH(double, resistivity);
    QFETCH(double, minVoltage);
    QFETCH(int, excluded);
    QFETCH(int, status);

    Kgw::ResolutionOptions options;
    options.resistivityOhmMetres = resistivity;
    options.minVoltage = minVoltage;
    options.excluded.insert(excluded);
    const Kgw::SurveyModel survey(
        Kgw::ModelGrid(8, Spacing), options, Kgw::SurveyModel::Sensitivity);
    QCOMPARE(int(survey.row(Quadruple { 1, 4, 2, 3 }, nullptr)), status);
}

// sigma = 3 % + floor / V, V = rho I / |K|: at |K| = 1000 m, 100 uV is 1/100 of the 10 mV at
// 100 ohm m and 100 mA, and 1/10 of the 1 mV at 10 ohm m.
void TestModel::floorAtTheCrewsGround()
{
    Kgw::NoiseModel noise;
    noise.floorPerMetre = Kgw::NoiseModel::floorPerMetreAt(1e-4, 100, 0.1);
    QCOMPARE(noise.sigma(1000), 0.04);
    noise.floorPerMetre = Kgw::NoiseModel::floorPerMetreAt(1e-4, 10, 0.1);
    QCOMPARE(noise.sigma(1000), 0.13);
}

// sigma = error + cancellation error × (C - 1) + floor / V, and a row weighs K / sigma. At 2 m,
// 100 ohm m and 100 mA the floor per metre is 1e-5: Wenner a = 2 m has K = 4 pi m and C = 1;
// dipole-dipole a = 2 m, n = 2 has K = pi a n (n + 1) (n + 2) = 48 pi m and C = n + 1 = 3.
void TestModel::weightOfAReading_data()
{
    QTest::addColumn<Quadruple>("q");
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("sigma");

    const double pi = Kgw::Pi;
    QTest::newRow("Wenner") << Quadruple { 1, 4, 2, 3 } << 4 * pi << 0.03 + 4e-5 * pi;
    QTest::newRow("dipole-dipole n = 2")
        << Quadruple { 2, 1, 4, 5 } << 48 * pi << 0.03 + 0.03 * 2 + 48e-5 * pi;
}

void TestModel::weightOfAReading()
{
    QFETCH(Quadruple, q);
    QFETCH(double, factor);
    QFETCH(double, sigma);

    const Kgw::SurveyModel survey(Kgw::ModelGrid(8, Spacing), Kgw::ResolutionOptions());
    Kgw::SurveyRow row;
    QCOMPARE(int(survey.row(q, &row)), int(Kgw::SurveyModel::HasRow));
    QVERIFY2(std::abs(row.scale - factor / sigma) <= 1e-12 * std::abs(factor / sigma),
        qPrintable(QStringLiteral("%1, by hand %2").arg(row.scale).arg(factor / sigma)));
}

// R = (GᵀWG + lambda CᵀC)^-1 GᵀWG formed densely from its pieces: the rows of the sensitivity,
// sigma by hand, C from the six cells' seven edges (trace(CᵀC) = 14), lambda from the trace of
// every configuration of 4 electrodes, and a full inverse.
void TestModel::denseReference()
{
    Kgw::GridOptions options;
    options.cellsPerSpacing = 1;
    options.marginSpacings = 0;
    options.firstLayerMetres = 0.5 * Spacing;
    options.growth = 1;
    options.depthMetres = Spacing;
    const Kgw::SurveyModel survey(Kgw::ModelGrid(4, Spacing, options), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    QVERIFY2(model.isValid(), qPrintable(model.error()));
    QCOMPARE(survey.cellCount(), Eigen::Index(6));

    // Cells column by column, two layers each: 0 1 | 2 3 | 4 5.
    const int edges[7][2]
        = { { 0, 1 }, { 2, 3 }, { 4, 5 }, { 0, 2 }, { 2, 4 }, { 1, 3 }, { 3, 5 } };
    Eigen::MatrixXd ctc = Eigen::MatrixXd::Zero(6, 6);
    for (const auto &edge : edges) {
        ctc(edge[0], edge[0]) += 1;
        ctc(edge[1], edge[1]) += 1;
        ctc(edge[0], edge[1]) -= 1;
        ctc(edge[1], edge[0]) -= 1;
    }
    QCOMPARE(ctc.trace(), 14.0);
    const auto normal = [&](const QVector<Quadruple> &sequence) {
        Eigen::MatrixXd h = Eigen::MatrixXd::Zero(6, 6);
        for (const Quadruple &q : sequence) {
            Eigen::VectorXd j(6);
            const double k = Kgw::geometricFactor(q, Spacing);
            if (!std::isfinite(k) || !m_table || !survey.table().row(q, j.data()))
                continue;
            const double sigma
                = 0.03 + 0.03 * (Kgw::signalCancellation(q) - 1) + 1e-5 * std::abs(k);
            h += j * j.transpose() / (sigma * sigma);
        }
        return h;
    };
    const Eigen::MatrixXd all = normal(Kgw::comprehensiveConfigurations(4));
    const double lambda = 0.03 * all.trace() / 14;
    QVERIFY2(std::abs(model.lambda() - lambda) <= 1e-12 * lambda,
        qPrintable(QStringLiteral("%1, densely %2").arg(model.lambda()).arg(lambda)));

    const QVector<Quadruple> sequence { { 1, 4, 2, 3 }, { 2, 1, 3, 4 } };
    const Eigen::MatrixXd h = normal(sequence);
    const Eigen::MatrixXd r = (h + lambda * ctc).inverse() * h;
    const Eigen::MatrixXd best = (all + lambda * ctc).inverse() * all;
    const Kgw::SequenceResolution result = model.evaluate(sequence);
    for (int j = 0; j < 6; ++j) {
        QVERIFY2(std::abs(result.resolution.at(j) - r(j, j)) <= 1e-9,
            qPrintable(QStringLiteral("cell %1: %2, densely %3")
                           .arg(j)
                           .arg(result.resolution.at(j))
                           .arg(r(j, j))));
        QVERIFY(std::abs(model.comprehensive().resolution.at(j) - best(j, j)) <= 1e-9);
    }
}

// Only how the readings weigh against one another counts, as lambda follows the weights' scale:
// errors 2^600 times larger or smaller, beyond what 1 / sigma² holds, resolve the same to the
// last bit, and a ground so poor that the floor is all of every sigma resolves as a poor one.
void TestModel::onlyRatiosOfWeightsCount_data()
{
    QTest::addColumn<double>("scale"); // of every error; 0 for the poor ground
    QTest::newRow("2^-600") << std::ldexp(1.0, -600);
    QTest::newRow("2^600") << std::ldexp(1.0, 600);
    QTest::newRow("1e-160 ohm m, as 1e-60") << 0.0;
}

void TestModel::onlyRatiosOfWeightsCount()
{
    QFETCH(double, scale);

    const auto meanResolutions = [](const Kgw::NoiseModel &noise) {
        Kgw::ResolutionOptions options;
        options.noise = noise;
        const Kgw::SurveyModel survey(Kgw::ModelGrid(8, Spacing), options);
        const Kgw::ResolutionModel model(survey);
        const Kgw::SequenceResolution dd = model.evaluate({ { 2, 1, 3, 4 }, { 3, 2, 5, 6 } });
        return QVector<double> { model.comprehensive().meanResolution, dd.meanResolution,
            dd.meanRelative };
    };
    Kgw::NoiseModel noise;
    Kgw::NoiseModel other;
    if (scale > 0) {
        other.relativeError *= scale;
        other.cancellationError *= scale;
        other.floorPerMetre *= scale;
    } else {
        noise.floorPerMetre = Kgw::NoiseModel::floorPerMetreAt(1e-4, 1e-60, 0.1);
        other.floorPerMetre = Kgw::NoiseModel::floorPerMetreAt(1e-4, 1e-160, 0.1);
    }
    const QVector<double> expected = meanResolutions(noise);
    const QVector<double> got = meanResolutions(other);
    for (int i = 0; i < expected.size(); ++i) {
        QVERIFY2(
            std::abs(got.at(i) - expected.at(i)) <= (scale > 0 ? 0 : 1e-12) && expected.at(i) > 0,
            qPrintable(QStringLiteral("%1, not %2").arg(got.at(i)).arg(expected.at(i))));
    }
}

// 3 C(48, 4) = 583,740 configurations, none of them the same as another or its reciprocal.
void TestModel::comprehensiveSet()
{
    // 3 C(48, 4) four-electrode configurations, C(48, 2) pole-pole and 48 C(47, 2) pole-dipole.
    QCOMPARE(Kgw::comprehensiveConfigurations(48).size(), 583740 + 1128 + 48 * 1081);
    // Each configuration and its reciprocal are new to the set, and whatever the cable can
    // measure is one of them, swapped or reversed.
    const int electrodes = 6;
    const Kgw::SurveyModel survey(Kgw::ModelGrid(electrodes, Spacing), Kgw::ResolutionOptions(),
        Kgw::SurveyModel::Sensitivity);
    Kgw::ConfigurationSet seen;
    for (const Quadruple &q : Kgw::comprehensiveConfigurations(electrodes)) {
        QVERIFY(seen.insert(q));
        QVERIFY(seen.insert(Kgw::reciprocal(q)));
    }
    for (int a = 0; a <= electrodes; ++a) {
        for (int b = 0; b <= electrodes; ++b) {
            for (int m = 0; m <= electrodes; ++m) {
                for (int n = 0; n <= electrodes; ++n) {
                    const Quadruple q { a, b, m, n };
                    if (survey.row(q, nullptr) == Kgw::SurveyModel::HasRow)
                        QVERIFY2(!seen.insert(q),
                            qPrintable(QStringLiteral("%1 %2 %3 %4").arg(a).arg(b).arg(m).arg(n)));
                }
            }
        }
    }
}

// The best attainable resolution is what every sequence is measured against, itself included.
void TestModel::comprehensiveSetResolvesItself()
{
    const Kgw::SurveyModel survey(Kgw::ModelGrid(8, Spacing), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    QVERIFY(model.isValid());
    const Kgw::SequenceResolution itself = model.evaluate(Kgw::comprehensiveConfigurations(8));
    QCOMPARE(itself.configurations, 3 * 70 + 28 + 8 * 21);
    QVERIFY2(std::abs(itself.meanRelative - 1) <= 1e-9,
        qPrintable(QString::number(itself.meanRelative, 'g', 12)));
}

void TestModel::countsWhatItLeavesOut()
{
    Kgw::ResolutionOptions options;
    // Dipole-dipole n = 1 (K = 6 pi × 2 m) passes, n = 5 (K = 210 pi × 2 m) does not.
    options.factorLimit = 100;
    const Kgw::SurveyModel survey(Kgw::ModelGrid(8, Spacing), options);
    const Kgw::ResolutionModel model(survey);
    QVERIFY(model.isValid());
    const Kgw::SequenceResolution result = model.evaluate(
        { Quadruple { 2, 1, 3, 4 }, Quadruple { 2, 1, 7, 8 }, Quadruple { 3, 3, 4, 5 } });
    QCOMPARE(result.configurations, 3);
    QCOMPARE(result.overLimit, 1);
    QCOMPARE(result.withoutRow, 1);
    QCOMPARE(result.resolution.size(), survey.grid().cellCount());
    // R's eigenvalues lie in [0, 1] and it has the rank of GᵀWG: the one configuration used
    // resolves at most one parameter, though single cells may dip below 0.
    const double trace = std::accumulate(result.resolution.cbegin(), result.resolution.cend(), 0.0);
    QVERIFY2(trace > 0 && trace <= 1 + 1e-9, qPrintable(QString::number(trace)));
    QVERIFY(model.comprehensive().overLimit > 0);
    // Of the rows used, the deepest median depth: dipole-dipole n = 1, 0.416 a (Edwards 1977).
    const double deepest = Kgw::deepestMedianDepth(
        survey, { Quadruple { 2, 1, 3, 4 }, Quadruple { 2, 1, 7, 8 }, Quadruple { 3, 3, 4, 5 } });
    QVERIFY2(std::abs(deepest - 0.416 * Spacing) < 0.001 * Spacing,
        qPrintable(QString::number(deepest)));
}

// The trace of R counts the parameters resolved. Adding measurements to GᵀWG can only raise
// each eigenvalue of R = (GᵀWG + lambda CᵀC)^-1 GᵀWG, and so its trace.
void TestModel::moreDataNeverResolvesLess_data()
{
    QTest::addColumn<QVector<Kgw::ArrayKind>>("fewer");
    QTest::addColumn<QVector<Kgw::ArrayKind>>("more");
    using Kind = Kgw::ArrayKind;
    QTest::newRow("Wenner, then dipole-dipole too")
        << QVector<Kind> { Kind::WennerAlpha }
        << QVector<Kind> { Kind::WennerAlpha, Kind::DipoleDipole };
    QTest::newRow("dipole-dipole, then gradient too")
        << QVector<Kind> { Kind::DipoleDipole }
        << QVector<Kind> { Kind::DipoleDipole, Kind::Gradient };
}

void TestModel::moreDataNeverResolvesLess()
{
    QFETCH(QVector<Kgw::ArrayKind>, fewer);
    QFETCH(QVector<Kgw::ArrayKind>, more);
    const Kgw::SurveyModel survey(Kgw::ModelGrid(12, Spacing), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::GenerateOptions options;
    options.electrodes = 12;
    const double less = model.evaluate(Kgw::generateConfigurations(fewer, options)).meanResolution;
    const double most = model.evaluate(Kgw::generateConfigurations(more, options)).meanResolution;
    QVERIFY2(less < most, qPrintable(QStringLiteral("%1 %2").arg(less).arg(most)));
    QVERIFY(most < model.comprehensive().meanResolution);
}

void TestModel::refusesWhatItCannotSolve_data()
{
    QTest::addColumn<double>("damping");
    QTest::addColumn<double>("relativeError");
    QTest::addColumn<double>("floorPerMetre");
    QTest::addColumn<QString>("error"); // a word of the refusal; empty for none

    QTest::newRow("defaults") << 3e-2 << 0.03 << 1e-5 << QString();
    QTest::newRow("damping too small") << 1e-15 << 0.03 << 1e-5 << "damping";
    QTest::newRow("weights overflow") << 3e-2 << 1e-160 << 0.0 << "overflow";
}

// A figure is a number or a refusal: an unsolvable model says why instead of resolving nothing.
void TestModel::refusesWhatItCannotSolve()
{
    QFETCH(double, damping);
    QFETCH(double, relativeError);
    QFETCH(double, floorPerMetre);
    QFETCH(QString, error);

    Kgw::ResolutionOptions options;
    options.damping = damping;
    options.noise.relativeError = relativeError;
    options.noise.floorPerMetre = floorPerMetre;
    const Kgw::SurveyModel survey(Kgw::ModelGrid(12, Spacing), options);
    const Kgw::ResolutionModel model(survey);
    QCOMPARE(model.isValid(), error.isEmpty());
    QVERIFY2(model.error().contains(error), qPrintable(model.error()));
    if (!error.isEmpty())
        QVERIFY(!model.evaluate({ Quadruple { 2, 1, 3, 4 } }).ok());
}

// With nothing to compare with, every relative figure would be 0: the model says which option
// left it nothing.
void TestModel::nothingToCompareWith_data()
{
    QTest::addColumn<Kgw::ResolutionOptions>("options");
    QTest::addColumn<QString>("error");

    Kgw::ResolutionOptions options;
    options.excluded.insert(1);
    options.excluded.insert(2);
    options.excluded.insert(3);
    options.excluded.insert(4);
    options.excluded.insert(5);
    options.excluded.insert(6);
    options.excluded.insert(7);
    QTest::newRow("one electrode left") << options << "each uses an excluded electrode (1-7)";
    // Pole-pole at 2 m reads 10 / 2 pi V, the most of any configuration. Of the 3 C(8, 4) + C(8,
    // 2) + 8 C(7, 2) = 406, the 12 pole-dipoles with A midway between M and N give no signal.
    options = Kgw::ResolutionOptions();
    options.minVoltage = std::nextafter(10 / (2 * Kgw::Pi), 1.0);
    QTest::newRow("least voltage")
        << options << "the 394 that give a reading are all beyond the least voltage of";
    options = Kgw::ResolutionOptions();
    // As lambda grows, R tends to the uniform change alone, whose share of a small grid's cells
    // stays above 0.01 in the top ones: only a larger cable spreads it thinner.
    options.damping = 1e6;
    QTest::newRow("damping too strong, 24 electrodes")
        << options << "give a smaller damping than 1e+06";
}

void TestModel::nothingToCompareWith()
{
    QFETCH(Kgw::ResolutionOptions, options);
    QFETCH(QString, error);
    const Kgw::SurveyModel survey(Kgw::ModelGrid(options.damping > 1 ? 24 : 8, Spacing), options);
    const Kgw::ResolutionModel model(survey);
    QVERIFY(!model.isValid());
    QVERIFY2(model.error().contains(error), qPrintable(model.error()));
}

void TestModel::nothingBeatsTheComprehensiveSet_data()
{
    QTest::addColumn<QVector<Quadruple>>("sequence");
    QTest::addColumn<double>("depth"); // of the grid in metres; 0 for the default

    QTest::newRow("pole-pole") << QVector<Quadruple> { { 1, 0, 2, 0 }, { 2, 0, 3, 0 } } << 0.0;
    QTest::newRow("pole-dipole and dipole-pole")
        << QVector<Quadruple> { { 1, 0, 2, 3 }, { 5, 6, 8, 0 } } << 0.0;
    // Cells far below what any configuration sees: their R_jj are rounding.
    QTest::newRow("dipole-dipole, deep grid")
        << QVector<Quadruple> { { 2, 1, 3, 4 }, { 3, 2, 5, 6 } } << 1e6;
}

// The comprehensive set is every configuration the cable can measure, so no sequence resolves
// more on the mean, and cells that set hardly resolves don't make the figure.
void TestModel::nothingBeatsTheComprehensiveSet()
{
    QFETCH(QVector<Quadruple>, sequence);
    QFETCH(double, depth);

    Kgw::GridOptions grid;
    grid.depthMetres = depth;
    grid.growth = depth > 0 ? 2 : grid.growth;
    const Kgw::SurveyModel survey(Kgw::ModelGrid(8, Spacing, grid), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    QVERIFY2(model.isValid(), qPrintable(model.error()));
    const Kgw::SequenceResolution result = model.evaluate(sequence);
    QVERIFY2(result.meanRelative > 0 && result.meanRelative <= 1,
        qPrintable(QString::number(result.meanRelative)));
    for (int j = 0; j < result.relative.size(); ++j) {
        const bool compared
            = model.comprehensive().resolution.at(j) >= Kgw::ResolutionModel::MinComparedResolution;
        QCOMPARE(model.isCompared(j), compared);
        QVERIFY(compared || result.relative.at(j) == 0);
    }
    if (depth > 0)
        QVERIFY(!model.isCompared(survey.grid().cell(0, survey.grid().layers() - 1)));
}

// Columns of 1 m from -1 to 4 m, the three from 0 to 3 m under a cable 3 m long; layers 0-1,
// 1-3 and 3-6 m. A layer counts when at least two of the three columns reach the level there,
// the value exactly at it included.
void TestModel::resolvedDepth_data()
{
    QTest::addColumn<QVector<double>>("first"); // the column next to the cable's start
    QTest::addColumn<QVector<double>>("others"); // each of the other two under it
    QTest::addColumn<double>("depth");

    const double at = Kgw::InvestigationLevel;
    const double under = std::nextafter(at, 0.0);
    QTest::newRow("two of three at the level")
        << QVector<double> { 0.5, under, under } << QVector<double> { 0.5, at, under } << 3.0;
    QTest::newRow("all three just under in the middle layer")
        << QVector<double> { 0.5, under, under } << QVector<double> { 0.5, under, under } << 1.0;
    // The grid's side holds the cells next to it less, and they look resolved deeper.
    QTest::newRow("one column alone deeper")
        << QVector<double> { 0.5, 0.5, 0.5 } << QVector<double> { 0.5, under, under } << 1.0;
    QTest::newRow("nothing reaches it")
        << QVector<double> { under, 0, 0 } << QVector<double> { under, 0, 0 } << 0.0;
}

void TestModel::resolvedDepth()
{
    QFETCH(QVector<double>, first);
    QFETCH(QVector<double>, others);
    QFETCH(double, depth);
    // Beyond the cable's ends even the bottom layer reaches the level.
    const QVector<double> margin { 0.9, 0.9, 0.9 };
    QCOMPARE(Kgw::resolvedDepth({ -1, 0, 1, 2, 3, 4 }, { 0, 1, 3, 6 },
                 margin + first + others + others + margin, 3),
        depth);
}

// A line row measures what its cable twin measures on the spread laid from its first position:
// its sensitivity is the twin's, moved along by that many spacings.
void TestModel::lineRowIsItsCableTwinShifted_data()
{
    QTest::addColumn<Quadruple>("twin"); // on a cable of 8
    QTest::addColumn<int>("first"); // the spread's first line position

    QTest::newRow("dipole-dipole on the first spread") << Quadruple { 2, 1, 3, 4 } << 1;
    QTest::newRow("Wenner-alpha at the line's end") << Quadruple { 1, 7, 3, 5 } << 13;
    QTest::newRow("pole-dipole, the whole cable") << Quadruple { 8, 0, 1, 2 } << 6;
}

void TestModel::lineRowIsItsCableTwinShifted()
{
    QFETCH(Quadruple, twin);
    QFETCH(int, first);

    Kgw::GridOptions options;
    options.cellsPerSpacing = 3;
    const Kgw::SurveyModel cable(Kgw::ModelGrid(8, Spacing, options), Kgw::ResolutionOptions(),
        Kgw::SurveyModel::Sensitivity);
    const Kgw::SurveyModel line(Kgw::ModelGrid(20, Spacing, options, 8), Kgw::ResolutionOptions(),
        Kgw::SurveyModel::Sensitivity);
    const Kgw::ModelGrid &small = cable.grid();
    QVector<double> expected(small.cellCount());
    QVector<double> got(line.grid().cellCount());
    QVERIFY(cable.table().row(twin, expected.data()));
    QVERIFY(line.table().row(Kgw::toLinePositions(twin, first), got.data()));
    QCOMPARE(line.grid().layers(), small.layers());
    const int shift = 3 * (first - 1);
    for (int c = 0; c < small.cellCount(); ++c) {
        const double value = got.at(line.grid().cell(small.columnOf(c) + shift, small.layerOf(c)));
        QVERIFY2(std::abs(value - expected.at(c)) <= 1e-12 * std::abs(expected.at(c)) + 1e-15,
            qPrintable(
                QStringLiteral("cell %1: %2, not %3").arg(c).arg(value).arg(expected.at(c))));
    }
    // The weight is the twin's too: it depends on the distances alone.
    Kgw::SurveyRow lineRow;
    Kgw::SurveyRow cableRow;
    QCOMPARE(
        int(line.row(Kgw::toLinePositions(twin, first), &lineRow)), int(Kgw::SurveyModel::HasRow));
    QCOMPARE(int(cable.row(twin, &cableRow)), int(Kgw::SurveyModel::HasRow));
    QCOMPARE(lineRow.scale, cableRow.scale);
    // One electrode further than the cable reaches, and the row has none.
    QCOMPARE(int(line.row(Kgw::LineQuadruple(first, first + 8, first + 1, first + 2), nullptr)),
        int(Kgw::SurveyModel::WithoutRow));
}

void TestModel::lineComprehensiveSet_data()
{
    QTest::addColumn<int>("positions");
    QTest::addColumn<int>("spread");
    QTest::addColumn<Kgw::ResolutionOptions>("options");

    QTest::newRow("9 positions, a cable of 5") << 9 << 5 << Kgw::ResolutionOptions();
    QTest::newRow("a cable of 2: pole-pole alone") << 5 << 2 << Kgw::ResolutionOptions();
    Kgw::ResolutionOptions options;
    options.excluded.insert(6);
    options.factorLimit = 200;
    QTest::newRow("an electrode excluded and a |K| limit") << 11 << 6 << options;
}

// Every configuration a spread could hold, wherever the cable lies: those of the cable laid from
// each position, each once. Its normal matrix, worked out in blocks of pairs, is the sum of the
// rows' outer products, and its counts are those of the rows.
void TestModel::lineComprehensiveSet()
{
    QFETCH(int, positions);
    QFETCH(int, spread);
    QFETCH(Kgw::ResolutionOptions, options);

    Kgw::GridOptions grid;
    grid.growth = 1.5;
    const Kgw::SurveyModel survey(Kgw::ModelGrid(positions, Spacing, grid, spread), options);
    QVERIFY2(survey.isValid(), qPrintable(survey.error()));
    const Eigen::Index cells = survey.cellCount();
    Kgw::LineConfigurationSet seen;
    QVector<Kgw::LineQuadruple> all;
    Eigen::MatrixXd expected = Eigen::MatrixXd::Zero(cells, cells);
    int withoutRow = 0;
    int overLimit = 0;
    for (int first = 1; first + spread - 1 <= positions; ++first) {
        for (const Quadruple &q : Kgw::comprehensiveConfigurations(spread)) {
            const Kgw::LineQuadruple row = Kgw::toLinePositions(q, first);
            if (!seen.insert(row))
                continue;
            all.append(row);
            Kgw::SurveyRow weighed;
            const Kgw::SurveyModel::RowStatus status = survey.row(row, &weighed);
            withoutRow += status == Kgw::SurveyModel::WithoutRow ? 1 : 0;
            overLimit += status == Kgw::SurveyModel::OverLimit ? 1 : 0;
            Eigen::VectorXd j(cells);
            if (status != Kgw::SurveyModel::HasRow || !survey.table().row(row, j.data()))
                continue;
            const double k = Kgw::geometricFactor(row, Spacing);
            j *= weighed.scale / k;
            expected += j * j.transpose();
        }
    }
    Kgw::SurveyModel::RowCounts counts;
    const Eigen::MatrixXd got = survey.lineComprehensiveMatrix(&counts);
    QCOMPARE(counts.configurations, all.size());
    QCOMPARE(counts.withoutRow, withoutRow);
    QCOMPARE(counts.overLimit, overLimit);
    for (Eigen::Index j = 0; j < cells; ++j) {
        for (Eigen::Index k = j; k < cells; ++k) {
            QVERIFY2(std::abs(got(k, j) - expected(k, j)) <= 1e-10 * expected.diagonal().maxCoeff(),
                qPrintable(QStringLiteral("(%1, %2): %3, not %4")
                               .arg(k)
                               .arg(j)
                               .arg(got(k, j))
                               .arg(expected(k, j))));
        }
    }
    // The rows themselves, as a sequence, resolve what the set does.
    const Kgw::ResolutionModel model(survey);
    QVERIFY2(model.isValid(), qPrintable(model.error()));
    const Kgw::SequenceResolution itself = model.evaluateLine(all);
    QVERIFY2(std::abs(itself.meanRelative - 1) <= 1e-9,
        qPrintable(QString::number(itself.meanRelative, 'g', 12)));
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
