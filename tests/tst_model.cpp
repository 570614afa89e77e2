#include "resolution.h"
#include "sensitivity.h"

#include <QtTest>

#include <cmath>
#include <memory>

using Kgw::Quadruple;

Q_DECLARE_METATYPE(Quadruple)

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
    void rowSumsToOne_data();
    void rowSumsToOne();
    void medianDepthOfTheLayers_data();
    void medianDepthOfTheLayers();
    void reciprocity_data();
    void reciprocity();
    void comprehensiveSetResolvesItself();

private:
    QVector<double> row(const Quadruple &q) const;
    std::unique_ptr<Kgw::PairTable> m_table;
};

void TestModel::initTestCase()
{
    m_table.reset(new Kgw::PairTable(Kgw::ModelGrid(24, Spacing, largeGrid())));
    QVERIFY(m_table->grid().isValid());
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

// The best attainable resolution is what every sequence is measured against, itself included.
void TestModel::comprehensiveSetResolvesItself()
{
    const Kgw::PairTable table(Kgw::ModelGrid(8, Spacing));
    const Kgw::ResolutionModel model(table, Kgw::ResolutionOptions());
    QVERIFY(model.isValid());
    const Kgw::SequenceResolution itself = model.evaluate(Kgw::comprehensiveConfigurations(8));
    QCOMPARE(itself.configurations, 3 * 70);
    QVERIFY2(std::abs(itself.meanRelative - 1) <= 1e-9,
        qPrintable(QString::number(itself.meanRelative, 'g', 12)));
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
