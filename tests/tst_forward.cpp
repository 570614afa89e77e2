#include "arrays.h"
#include "forward.h"
#include "geometry.h"
#include "mesh.h"
#include "wavenumbers.h"

#include "closedforms.h"
#include "testsupport.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(Kgw::ArrayKind)

namespace {

// What `kgw generate KIND --spacing 1 --k-max 1000` lists on the cable.
QVector<Kgw::LineQuadruple> arrayRows(Kgw::ArrayKind kind, int electrodes)
{
    Kgw::GenerateOptions options;
    options.electrodes = electrodes;
    QVector<Kgw::LineQuadruple> rows;
    for (const Kgw::LineQuadruple &q :
        Kgw::arrayConfigurations<Kgw::LineQuadruple>(kind, options)) {
        if (!Kgw::exceedsFactorLimit(q, 1, 1000))
            rows.append(q);
    }
    return rows;
}

QVector<Kgw::LineQuadruple> mixedRows(int electrodes)
{
    QVector<Kgw::LineQuadruple> rows;
    for (const Kgw::ArrayKind kind : { Kgw::ArrayKind::DipoleDipole, Kgw::ArrayKind::WennerAlpha,
             Kgw::ArrayKind::Schlumberger, Kgw::ArrayKind::PoleDipole })
        rows += arrayRows(kind, electrodes);
    return rows;
}

// ρ everywhere, and ρ inside the rectangle x0..x1, z0..z1 for the cells whose centre lies in it.
Eigen::VectorXd blockGround(const Kgw::Mesh &mesh, double background, double x0, double x1,
    double z0, double z1, double rho)
{
    Eigen::VectorXd ground = Eigen::VectorXd::Constant(mesh.cellCount(), background);
    for (int cell = 0; cell < mesh.cellCount(); ++cell) {
        const QPointF centre = mesh.cellCentre(cell);
        if (centre.x() > x0 && centre.x() < x1 && centre.y() > z0 && centre.y() < z1)
            ground(cell) = rho;
    }
    return ground;
}

double twoLayerResistance(const Kgw::LineQuadruple &q, double rho1, double rho2, double h)
{
    double r = 0;
    const int pairs[4][3]
        = { { q.a, q.m, 1 }, { q.a, q.n, -1 }, { q.b, q.m, -1 }, { q.b, q.n, 1 } };
    for (const auto &pair : pairs) {
        if (pair[0] != 0 && pair[1] != 0)
            r += pair[2] * twoLayerPotential(std::abs(pair[0] - pair[1]), rho1, rho2, h);
    }
    return r;
}

double relative(double value, double expected)
{
    return std::abs(value - expected) / std::abs(expected);
}

} // namespace

class TestForward : public QObject
{
    Q_OBJECT

private slots:
    void mesh_data();
    void mesh();
    void wavenumbers_data();
    void wavenumbers();
    void uniformMeshPoles();
    void uniformGround_data();
    void uniformGround();
    void twoLayers_data();
    void twoLayers();
    void identities_data();
    void identities();
    void jacobianAgainstDifferences();
    void jacobianRowSums();
};

void TestForward::mesh_data()
{
    QTest::addColumn<QVector<double>>("electrodes");
    QTest::addColumn<double>("smallest");

    QTest::newRow("cable at 1 m") << cableAtOneMetre(48) << 1.0;
    QTest::newRow("uneven, unsorted") << QVector<double> { 10, 0, 4, 5, 4 } << 1.0;
    QTest::newRow("two") << QVector<double> { 0, 3 } << 3.0;
}

void TestForward::mesh()
{
    QFETCH(QVector<double>, electrodes);
    QFETCH(double, smallest);

    const Kgw::MeshOptions options;
    const double finest = smallest / options.cellsPerSpacing;
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(electrodes, options);
    QVERIFY(!mesh.isEmpty());
    const QVector<double> &x = mesh.xNodes();
    const QVector<double> &z = mesh.zNodes();
    const auto [lowest, highest] = std::minmax_element(electrodes.cbegin(), electrodes.cend());
    const double length = *highest - *lowest;
    for (double e : electrodes)
        QCOMPARE(x.at(mesh.surfaceNode(e)), e);
    // The boundaries as far out as asked, and no cell at the line smaller than the finest.
    QVERIFY(x.first() <= *lowest - options.padding * length);
    QVERIFY(x.last() >= *highest + options.padding * length);
    QVERIFY(z.last() >= options.padding * length);
    QCOMPARE(z.at(1), finest);
    for (int i = 1; i < x.size(); ++i) {
        QVERIFY(x.at(i) > x.at(i - 1));
        if (x.at(i) > *lowest && x.at(i) <= *highest)
            QVERIFY(x.at(i) - x.at(i - 1) <= finest + 1e-12);
    }
    // Outside the line each cell no more than the growth times its neighbour.
    for (int i = 2; i < z.size(); ++i)
        QVERIFY(z.at(i) - z.at(i - 1) <= options.growth * (z.at(i - 1) - z.at(i - 2)) + 1e-9);
}

void TestForward::wavenumbers_data()
{
    QTest::addColumn<double>("smallest");
    QTest::addColumn<double>("largest");
    QTest::addColumn<int>("count");

    // 17 for 48 electrodes at equal spacing (Kemna 2000).
    QTest::newRow("48 at 1 m") << 1.0 << 47.0 << 17;
    QTest::newRow("48 at 5 m") << 5.0 << 235.0 << 17;
    QTest::newRow("240 at 1 m") << 1.0 << 239.0 << 21;
    QTest::newRow("close") << 1.0 << 2.0 << 9;
}

void TestForward::wavenumbers()
{
    QFETCH(double, smallest);
    QFETCH(double, largest);
    QFETCH(int, count);

    // ∫₀^∞ K₀(kr) dk = π / 2r: the transformed potential of a point source sums back to 1/r.
    const QVector<Kgw::Wavenumber> points = Kgw::wavenumbers(smallest, largest);
    QCOMPARE(points.size(), count);
    for (double r = smallest; r <= largest * 1.0001; r *= 1.1) {
        double sum = 0;
        for (const Kgw::Wavenumber &w : points)
            sum += w.weight * std::cyl_bessel_k(0.0, w.k * r);
        QVERIFY2(relative(sum, Pi / (2 * r)) < 2e-3, qPrintable(QString::number(r)));
    }
}

void TestForward::uniformMeshPoles()
{
    // Before any scaling by the analytic ground: the mesh, the boundary condition and the
    // wavenumbers give a point source's potential, 1/(2πr) over 1 ohm m, within 2 % at the
    // closest pairs and 0.5 % from four spacings on.
    const QVector<double> x = cableAtOneMetre(48);
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(x);
    Kgw::ForwardModel model(mesh, Eigen::VectorXd::Ones(mesh.cellCount()), x);
    QVERIFY2(model.error().isEmpty(), qPrintable(model.error()));
    const Eigen::MatrixXd poles = model.uniformPoles();
    for (int a = 0; a < 48; a += 5) {
        for (int m = 0; m < 48; ++m) {
            if (m == a)
                continue;
            const double r = std::abs(m - a);
            const double tolerance = r < 4 ? 0.02 : 0.005;
            QVERIFY2(relative(poles(m, a), 1 / (2 * Pi * r)) < tolerance,
                qPrintable(
                    QStringLiteral("%1 %2: %3").arg(a).arg(m).arg(poles(m, a) * 2 * Pi * r)));
        }
    }
}

void TestForward::uniformGround_data()
{
    QTest::addColumn<Kgw::ArrayKind>("kind");

    QTest::newRow("dipole-dipole") << Kgw::ArrayKind::DipoleDipole;
    QTest::newRow("wenner-alpha") << Kgw::ArrayKind::WennerAlpha;
    QTest::newRow("schlumberger") << Kgw::ArrayKind::Schlumberger;
    QTest::newRow("pole-dipole") << Kgw::ArrayKind::PoleDipole;
}

void TestForward::uniformGround()
{
    QFETCH(Kgw::ArrayKind, kind);

    const QVector<double> x = cableAtOneMetre(48);
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(x);
    const QVector<Kgw::LineQuadruple> rows = arrayRows(kind, 48);
    Kgw::ForwardModel model(mesh, Eigen::VectorXd::Constant(mesh.cellCount(), 100), x);
    const Eigen::VectorXd r = model.transferResistances(rows);
    for (int i = 0; i < rows.size(); ++i) {
        const double expected = 100 / Kgw::geometricFactor(rows.at(i), 1);
        QVERIFY2(relative(r(i), expected) < 0.005, qPrintable(QString::number(i)));
    }
}

void TestForward::twoLayers_data()
{
    QTest::addColumn<double>("rho1");
    QTest::addColumn<double>("rho2");

    QTest::newRow("conductive below") << 100.0 << 10.0;
    QTest::newRow("resistive below") << 10.0 << 100.0;
}

void TestForward::twoLayers()
{
    QFETCH(double, rho1);
    QFETCH(double, rho2);

    const double h = 2;
    const QVector<double> x = cableAtOneMetre(48);
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(x);
    const Eigen::VectorXd ground = blockGround(mesh, rho2, -1e9, 1e9, -1, h, rho1);
    const QVector<Kgw::LineQuadruple> rows = mixedRows(48);
    Kgw::ForwardModel model(mesh, ground, x);
    const Eigen::VectorXd r = model.transferResistances(rows);
    double worst = 0;
    for (int i = 0; i < rows.size(); ++i)
        worst = std::max(worst, relative(r(i), twoLayerResistance(rows.at(i), rho1, rho2, h)));
    QVERIFY2(worst < 0.01, qPrintable(QString::number(worst)));
}

void TestForward::identities_data()
{
    QTest::addColumn<QString>("identity");

    // R(AB, MN) = R(MN, AB) on any ground.
    QTest::newRow("reciprocity") << "reciprocity";
    // Ohm's law: every resistivity doubled doubles every transfer resistance.
    QTest::newRow("scaling") << "scaling";
    // A body centred under the line answers a configuration and its mirror image alike.
    QTest::newRow("mirror") << "mirror";
}

void TestForward::identities()
{
    QFETCH(QString, identity);

    const int electrodes = 24;
    const QVector<double> x = cableAtOneMetre(electrodes);
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(x);
    // A conductive block centred under the line, and a resistive one off centre for the
    // identities that hold on any ground.
    Eigen::VectorXd ground = blockGround(mesh, 100, 9.5, 13.5, 1, 3, 10);
    if (identity != QLatin1String("mirror"))
        ground = ground.cwiseMin(blockGround(mesh, 100, 3, 6, 0.5, 2, 1000));
    const QVector<Kgw::LineQuadruple> rows = mixedRows(electrodes);
    QVector<Kgw::LineQuadruple> other;
    const auto mirrored = [](int e) { return e == 0 ? 0 : electrodes + 1 - e; };
    for (const Kgw::LineQuadruple &q : rows) {
        other.append(identity == QLatin1String("reciprocity")
                ? Kgw::reciprocal(q)
                : Kgw::LineQuadruple(mirrored(q.a), mirrored(q.b), mirrored(q.m), mirrored(q.n)));
    }
    Kgw::ForwardModel model(mesh, ground, x);
    const Eigen::VectorXd r = model.transferResistances(rows);
    Eigen::VectorXd expected;
    if (identity == QLatin1String("scaling")) {
        Kgw::ForwardModel doubled(mesh, 2 * ground, x);
        expected = doubled.transferResistances(rows) / 2;
    } else {
        expected = model.transferResistances(other);
    }
    for (int i = 0; i < rows.size(); ++i)
        QVERIFY2(relative(r(i), expected(i)) < 1e-6, qPrintable(QString::number(i)));
}

void TestForward::jacobianAgainstDifferences()
{
    // A central difference of ln r in ln ρ of single cells: under the electrodes, in the block,
    // and at the mesh's corner, where the mixed boundary term counts.
    const QVector<double> x = cableAtOneMetre(12);
    Kgw::MeshOptions options;
    options.cellsPerSpacing = 1;
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(x, options);
    const Eigen::VectorXd ground = blockGround(mesh, 100, 4, 7, 1, 3, 10);
    const QVector<Kgw::LineQuadruple> rows
        = { { 2, 1, 3, 4 }, { 1, 10, 4, 7 }, { 5, 0, 7, 8 }, { 3, 0, 9, 0 } };
    Kgw::ForwardModel model(mesh, ground, x);
    const Eigen::MatrixXd jacobian = model.jacobian(rows);
    const int corner = mesh.cellCount() - 1;
    const int underElectrode = mesh.surfaceNode(4) - 1;
    const int inBlock = 2 * mesh.columns() + mesh.surfaceNode(5);
    Kgw::ForwardOptions same;
    same.uniformPoles = model.uniformPoles();
    const double step = 1e-3;
    for (const int cell : { underElectrode, inBlock, corner }) {
        Eigen::VectorXd up = ground;
        Eigen::VectorXd down = ground;
        up(cell) *= std::exp(step);
        down(cell) *= std::exp(-step);
        const Eigen::VectorXd rUp = Kgw::ForwardModel(mesh, up, x, same).transferResistances(rows);
        const Eigen::VectorXd rDown
            = Kgw::ForwardModel(mesh, down, x, same).transferResistances(rows);
        for (int i = 0; i < rows.size(); ++i) {
            const double difference = (std::log(rUp(i)) - std::log(rDown(i))) / (2 * step);
            QVERIFY2(std::abs(difference - jacobian(i, cell))
                    <= 1e-5 * jacobian.row(i).cwiseAbs().maxCoeff(),
                qPrintable(QStringLiteral("row %1 cell %2: %3 against %4")
                               .arg(i)
                               .arg(cell)
                               .arg(jacobian(i, cell))
                               .arg(difference)));
        }
    }
}

void TestForward::jacobianRowSums()
{
    // Every ρ scaled alike scales r alike: Σ_j ∂ln r/∂ln ρ_j = 1 over the whole mesh.
    const QVector<double> x = cableAtOneMetre(24);
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(x);
    const QVector<Kgw::LineQuadruple> rows = mixedRows(24);
    Kgw::ForwardModel model(mesh, Eigen::VectorXd::Constant(mesh.cellCount(), 30), x);
    const Eigen::VectorXd sums = model.jacobian(rows).rowwise().sum();
    for (int i = 0; i < rows.size(); ++i)
        QVERIFY2(std::abs(sums(i) - 1) < 1e-9, qPrintable(QString::number(sums(i))));
}

QTEST_GUILESS_MAIN(TestForward)
#include "tst_forward.moc"
