#include "groundrows.h"
#include "sensitivity.h"

#include <QtTest>

#include <cmath>

using Kgw::Quadruple;

Q_DECLARE_METATYPE(Quadruple)

namespace {

// 24 electrodes 1 m apart, the grid 8 m deep: deep enough to hold most of a short row.
Kgw::ModelGrid grid()
{
    Kgw::GridOptions options;
    options.depthMetres = 8;
    return Kgw::ModelGrid(24, 1, options);
}

} // namespace

class TestGroundRows : public QObject
{
    Q_OBJECT

private slots:
    void uniformGround_data();
    void uniformGround();
    void rowSum_data();
    void rowSum();
    void uniformResolution();
    void meshShares_data();
    void meshShares();
    void rowsFromPairs();
};

// Over a ground of the background alone the Jacobian is the half-space's, which the uniform model
// integrates in closed form per cell. The two meshes differ most next to the electrodes; a spacing
// down, where the row looks, they agree to 3.6 % at worst in cells holding 5 % of the row's
// largest sensitivity (measured on these rows).
void TestGroundRows::uniformGround_data()
{
    QTest::addColumn<Quadruple>("row");
    QTest::newRow("Wenner-alpha a = 3") << Quadruple { 7, 16, 10, 13 };
    QTest::newRow("dipole-dipole a = 2, n = 3") << Quadruple { 5, 7, 13, 15 };
    QTest::newRow("pole-dipole") << Quadruple { 8, 0, 10, 12 };
}

void TestGroundRows::uniformGround()
{
    QFETCH(Quadruple, row);
    const Kgw::ModelGrid cells = grid();
    const Kgw::SurveyModel survey(cells, Kgw::ResolutionOptions(), Kgw::SurveyModel::Sensitivity);
    Kgw::GroundModel ground(survey, Kgw::Ground(100));
    // A row without a reading first, so that the row that has one must be found in its place.
    const Kgw::GroundRows rows = ground.rows({ Quadruple { 3, 3, 4, 5 }, row });
    QVERIFY2(rows.isValid(), qPrintable(rows.error()));
    QCOMPARE(rows.sensitivity().cols(), Eigen::Index(1));

    QVector<double> uniform(cells.cellCount());
    QVERIFY(survey.table().row(row, uniform.data()));
    double largest = 0;
    for (const double j : uniform)
        largest = std::max(largest, std::abs(j));
    int compared = 0;
    for (int c = 0; c < cells.cellCount(); ++c) {
        if (cells.zEdges().at(cells.layerOf(c)) < cells.spacing()
            || std::abs(uniform.at(c)) < 0.05 * largest)
            continue;
        ++compared;
        const double j = rows.sensitivity()(c, 0);
        QVERIFY2(std::abs(j - uniform.at(c)) <= 0.05 * std::abs(uniform.at(c)),
            qPrintable(QStringLiteral("cell %1: %2, uniform %3").arg(c).arg(j).arg(uniform.at(c))));
    }
    QVERIFY(compared >= 10);
}

// Scaling every resistivity scales r alike, so a row's sensitivities sum to 1 over the forward
// mesh, whatever the ground. The grid holds nearly all of a short row's, and taken onto it by
// area the sum must stay: measured, within 0.01 % of 1 over a block under the rows.
void TestGroundRows::rowSum_data()
{
    QTest::addColumn<Quadruple>("row");
    QTest::newRow("Wenner-alpha a = 1") << Quadruple { 11, 14, 12, 13 };
    QTest::newRow("dipole-dipole a = 1, n = 1") << Quadruple { 11, 12, 13, 14 };
}

void TestGroundRows::rowSum()
{
    QFETCH(Quadruple, row);
    const Kgw::SurveyModel survey(grid(), Kgw::ResolutionOptions(), Kgw::SurveyModel::Sensitivity);
    Kgw::Ground block(100);
    block.addBlock(9, 14, 1, 3, 10);
    const double sum = Kgw::GroundModel(survey, block).rows({ row }).sensitivity().sum();
    QVERIFY2(std::abs(sum - 1) < 0.002, qPrintable(QString::number(sum)));
}

// The same identity carried through the resolution: over the background alone the ground's rows,
// weighed as the survey weighs them, resolve what the uniform model's do. Measured: the means of
// R_jj agree to 0.1 %.
void TestGroundRows::uniformResolution()
{
    const Kgw::SurveyModel survey(grid(), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    QVERIFY2(model.isValid(), qPrintable(model.error()));
    QVector<Quadruple> sequence;
    for (int a = 1; a <= 4; ++a) {
        for (int first = 1; first + 3 * a <= 24; ++first)
            sequence.append(Quadruple { first, first + 3 * a, first + a, first + 2 * a });
    }
    const Kgw::SequenceResolution uniform = model.evaluate(sequence);
    Kgw::GroundModel ground(survey, Kgw::Ground(100));
    const Kgw::SequenceResolution over = model.evaluate(ground.rows(sequence));
    QVERIFY2(over.ok(), qPrintable(over.error));
    QCOMPARE(over.used(), uniform.used());
    QVERIFY2(std::abs(over.meanResolution - uniform.meanResolution) < 0.01 * uniform.meanResolution,
        qPrintable(QStringLiteral("ground %1, uniform %2")
                       .arg(over.meanResolution)
                       .arg(uniform.meanResolution)));
}

void TestGroundRows::meshShares_data()
{
    QTest::addColumn<bool>("stretched");
    QTest::addColumn<double>("outside"); // the shares of a forward cell beyond the grid
    QTest::newRow("within the grid") << false << 0.0;
    QTest::newRow("stretched to the boundaries") << true << 1.0;
}

// Every forward cell inside the grid is shared out whole; one beyond it, in the padding far off
// the line's end or below the grid, only when the grid is stretched.
void TestGroundRows::meshShares()
{
    QFETCH(bool, stretched);
    QFETCH(double, outside);
    const Kgw::ModelGrid g = grid();
    QVector<double> electrodeX;
    for (int i = 0; i < g.electrodes(); ++i)
        electrodeX.append(i);
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(electrodeX);
    const Eigen::SparseMatrix<double> share
        = Kgw::meshToGrid(mesh, g, stretched ? Kgw::GridReach::Stretched : Kgw::GridReach::Within);
    const Eigen::VectorXd total = Eigen::RowVectorXd::Ones(share.rows()) * share;
    for (int row = 0; row < mesh.rows(); ++row) {
        for (int column = 0; column < mesh.columns(); ++column) {
            const bool beyond = mesh.xNodes().at(column + 1) <= g.xEdges().first()
                || mesh.xNodes().at(column) >= g.xEdges().last()
                || mesh.zNodes().at(row) >= g.zEdges().last();
            const bool whole = mesh.xNodes().at(column) >= g.xEdges().first()
                && mesh.xNodes().at(column + 1) <= g.xEdges().last()
                && mesh.zNodes().at(row + 1) <= g.zEdges().last();
            const double sum = total[row * mesh.columns() + column];
            if (whole)
                QVERIFY(std::abs(sum - 1) < 1e-12);
            else if (beyond)
                QVERIFY2(std::abs(sum - outside) < 1e-12, qPrintable(QString::number(sum)));
        }
    }
}

QTEST_GUILESS_MAIN(TestGroundRows)
// A row is (1 / r) Σ s_p t_p of its pole-pole pairs: the rows made of the ground's pairs must be
// those the forward model's Jacobian gives row by row, to rounding, and weigh the same.
void TestGroundRows::rowsFromPairs()
{
    const Kgw::SurveyModel survey(grid(), Kgw::ResolutionOptions());
    Kgw::Ground block(100);
    block.addBlock(9, 14, 1, 3, 10);
    Kgw::GroundModel ground(survey, block);
    const QVector<Quadruple> sequence { Quadruple { 11, 14, 12, 13 }, Quadruple { 5, 7, 13, 15 },
        Quadruple { 20, 17, 19, 18 }, Quadruple { 8, 0, 10, 12 } };
    const Kgw::GroundRows direct = ground.rows(sequence);
    QVERIFY(ground.pairs().vectors.cols() == survey.pairCount());
    const Kgw::GroundRows fromPairs = ground.rows(sequence);
    QCOMPARE(fromPairs.weights(), direct.weights());
    const double largest = direct.sensitivity().cwiseAbs().maxCoeff();
    const double difference
        = (fromPairs.sensitivity() - direct.sensitivity()).cwiseAbs().maxCoeff();
    QVERIFY2(difference < 1e-9 * largest, qPrintable(QString::number(difference / largest)));
}

#include "tst_groundrows.moc"
