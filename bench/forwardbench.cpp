#include "forwardbench.h"

#include "arrays.h"
#include "electrodelist.h"
#include "forward.h"
#include "geometry.h"
#include "mesh.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int Runs = 3;

qint64 peakResidentBytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

QVector<double> cable(int electrodes)
{
    QVector<double> x;
    for (int i = 0; i < electrodes; ++i)
        x.append(i);
    return x;
}

// What `kgw generate dd wa slm pd --spacing 1 --k-max 1000` lists on a line of that many
// positions.
QVector<Kgw::LineQuadruple> standardRows(int electrodes)
{
    Kgw::GenerateOptions options;
    options.electrodes = electrodes;
    QVector<Kgw::LineQuadruple> rows;
    for (const Kgw::LineQuadruple &q : Kgw::generateConfigurations<Kgw::LineQuadruple>(
             { Kgw::ArrayKind::DipoleDipole, Kgw::ArrayKind::WennerAlpha,
                 Kgw::ArrayKind::Schlumberger, Kgw::ArrayKind::PoleDipole },
             options)) {
        if (!Kgw::exceedsFactorLimit(q, 1, 1000))
            rows.append(q);
    }
    return rows;
}

double imageSeriesPotential(double r, double rho1, double rho2, double h)
{
    const double kappa = (rho2 - rho1) / (rho2 + rho1);
    double sum = 1 / r;
    double power = 1;
    for (int n = 1; n < 100000 && std::abs(power) > 1e-15; ++n) {
        power *= kappa;
        sum += 2 * power / std::hypot(r, 2 * n * h);
    }
    return rho1 / (2 * Kgw::Pi) * sum;
}

// A row from pole potentials: column a read at row m is the potential at m of a unit current
// at a.
template <typename Pole>
double superposed(const Kgw::LineQuadruple &q, const Pole &pole)
{
    const int terms[4][3]
        = { { q.a, q.m, 1 }, { q.a, q.n, -1 }, { q.b, q.m, -1 }, { q.b, q.n, 1 } };
    double r = 0;
    for (const auto &t : terms) {
        if (t[0] != 0 && t[1] != 0)
            r += t[2] * pole(t[0] - 1, t[1] - 1);
    }
    return r;
}

struct Errors {
    double max = 0;
    double median = 0;
};

Errors errors(QVector<double> relative)
{
    std::sort(relative.begin(), relative.end());
    return { relative.last(), relative.at(relative.size() / 2) };
}

Eigen::VectorXd blockGround(const Kgw::Mesh &mesh)
{
    Eigen::VectorXd ground = Eigen::VectorXd::Constant(mesh.cellCount(), 100);
    for (int cell = 0; cell < mesh.cellCount(); ++cell) {
        const QPointF c = mesh.cellCentre(cell);
        if (c.x() > 20 && c.x() < 26 && c.y() > 3 && c.y() < 6)
            ground(cell) = 10;
    }
    return ground;
}

// Against closed forms: the uniform ground, and a layer 2 m thick over a half-space ten times
// less and more resistive, scaled as the model scales them and straight from the mesh.
bool reportAccuracy()
{
    const QVector<double> x = cable(Kgw::CablePositions);
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(x);
    const QVector<Kgw::LineQuadruple> rows = standardRows(Kgw::CablePositions);
    printf("Forward model against closed forms: %d rows of dd wa slm pd (|K| <= 1000 m) on 48 "
           "electrodes at 1 m, %d cells\n",
        rows.size(), mesh.cellCount());
    printf("  %-34s %12s %12s %12s %12s %8s\n", "ground", "max %", "median %", "raw max %",
        "raw med %", "target");
    bool met = true;
    struct Case {
        const char *name;
        double rho1;
        double rho2;
        double maxGoal;
        double medianGoal;
    };
    const Case cases[] = { { "uniform 100 ohm m", 100, 100, 0.5, 0.1 },
        { "two layers, rho2/rho1 = 0.1, h = 2 m", 100, 10, 1, 1 },
        { "two layers, rho2/rho1 = 10, h = 2 m", 10, 100, 1, 1 } };
    for (const Case &c : cases) {
        Eigen::VectorXd ground(mesh.cellCount());
        for (int cell = 0; cell < mesh.cellCount(); ++cell)
            ground(cell) = mesh.cellCentre(cell).y() < 2 ? c.rho1 : c.rho2;
        Kgw::ForwardModel model(mesh, ground, x);
        const Eigen::VectorXd r = model.transferResistances(rows);
        const Eigen::MatrixXd poles = model.poles();
        QVector<double> scaled;
        QVector<double> raw;
        for (int i = 0; i < rows.size(); ++i) {
            const double expected = superposed(rows.at(i), [&](int a, int m) {
                return imageSeriesPotential(std::abs(x.at(a) - x.at(m)), c.rho1, c.rho2, 2);
            });
            scaled.append(std::abs(r(i) / expected - 1) * 100);
            raw.append(std::abs(superposed(rows.at(i), [&](int a, int m) { return poles(m, a); })
                               / expected
                           - 1)
                * 100);
        }
        const Errors e = errors(scaled);
        const Errors rawErrors = errors(raw);
        const bool ok = e.max <= c.maxGoal && e.median <= c.medianGoal;
        met = met && ok;
        printf("  %-34s %12.4f %12.4f %12.4f %12.4f %8s\n", c.name, e.max, e.median, rawErrors.max,
            rawErrors.median, ok ? "met" : "MISSED");
    }
    return met;
}

// The yardstick's three grounds (../shared/validation), in ohm m at (x, depth z).
double yardstickGround(const QString &name, double x, double z)
{
    if (name == QLatin1String("block"))
        return x >= 18 && x <= 26 && z >= 3 && z <= 6 ? 10 : 100;
    if (name == QLatin1String("two-blocks")) {
        if (z >= 1.5 && z <= 4.5 && x >= 10 && x <= 16)
            return 1000;
        return z >= 1.5 && z <= 4.5 && x >= 30 && x <= 36 ? 10 : 100;
    }
    // A 30/300 ohm m contact that crops out at x = 20 m and dips 45° to the right.
    return x < 20 + z ? 30 : 300;
}

} // namespace

namespace {

// The list's rows, the cable's mesh and the ground painted on it: each cell the geometric mean
// of 4 × 4 points, so that the dipping contact is not a staircase of whole cells.
struct YardstickCase {
    QVector<Kgw::LineQuadruple> rows;
    QVector<double> x = cable(Kgw::CablePositions);
    Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(x);
    Eigen::VectorXd rho;
};

bool yardstickCase(const QString &ground, const QString &listPath, YardstickCase *out)
{
    const Kgw::ListResult list = Kgw::readElectrodeList(listPath);
    if (!list.ok()) {
        fprintf(stderr, "%s\n", qPrintable(list.message));
        return false;
    }
    for (const Kgw::Quadruple &q : list.quadruples)
        out->rows.append(Kgw::toLinePositions(q));
    const Kgw::Mesh &mesh = out->mesh;
    out->rho.resize(mesh.cellCount());
    for (int cell = 0; cell < mesh.cellCount(); ++cell) {
        const int c = mesh.column(cell);
        const int r = mesh.row(cell);
        double logSum = 0;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                const double px = mesh.xNodes().at(c)
                    + (mesh.xNodes().at(c + 1) - mesh.xNodes().at(c)) * (i + 0.5) / 4;
                const double pz = mesh.zNodes().at(r)
                    + (mesh.zNodes().at(r + 1) - mesh.zNodes().at(r)) * (j + 0.5) / 4;
                logSum += std::log(yardstickGround(ground, px, pz));
            }
        }
        out->rho(cell) = std::exp(logSum / 16);
    }
    return true;
}

} // namespace

int simulateYardstick(const QString &ground, const QString &listPath)
{
    YardstickCase c;
    if (!yardstickCase(ground, listPath, &c))
        return 1;
    QElapsedTimer timer;
    timer.start();
    Kgw::ForwardModel model(c.mesh, c.rho, c.x);
    const Eigen::VectorXd r = model.transferResistances(c.rows);
    fprintf(stderr, "forward of %d rows: %.1f ms\n", c.rows.size(), timer.nsecsElapsed() / 1e6);
    for (int i = 0; i < c.rows.size(); ++i) {
        const Kgw::LineQuadruple &q = c.rows.at(i);
        printf("%d %d %d %d %.10g\n", q.a, q.b, q.m, q.n, r(i));
    }
    return 0;
}

int yardstickJacobian(const QString &ground, const QString &listPath)
{
    YardstickCase c;
    if (!yardstickCase(ground, listPath, &c))
        return 1;
    Kgw::ForwardModel model(c.mesh, c.rho, c.x);
    const Eigen::MatrixXd jacobian = model.jacobian(c.rows);
    printf("%d\n", c.mesh.cellCount());
    for (int cell = 0; cell < c.mesh.cellCount(); ++cell) {
        const QPointF centre = c.mesh.cellCentre(cell);
        printf("%.6g %.6g\n", centre.x(), centre.y());
    }
    for (int i = 0; i < jacobian.rows(); ++i) {
        for (int cell = 0; cell < jacobian.cols(); ++cell)
            printf(cell == 0 ? "%.6g" : " %.6g", jacobian(i, cell));
        printf("\n");
    }
    return 0;
}

// The child: times the forward model of the first 1000 rows on a line of `electrodes`, a fresh
// model each run (its uniform reference included) and one that is handed its reference, then
// the Jacobian on 48 electrodes; prints the medians in ms, the cells and the peak RSS.
int measureForward(int electrodes)
{
    const QVector<double> x = cable(electrodes);
    const Kgw::Mesh mesh = Kgw::Mesh::forElectrodes(x);
    const Eigen::VectorXd ground = blockGround(mesh);
    QVector<Kgw::LineQuadruple> rows = standardRows(electrodes);
    if (electrodes == Kgw::CablePositions)
        rows.resize(std::min(rows.size(), 1000));
    QVector<double> fresh;
    QVector<double> reused;
    QVector<double> jacobian;
    Kgw::ForwardOptions options;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        Kgw::ForwardModel model(mesh, ground, x);
        model.transferResistances(rows);
        fresh.append(timer.nsecsElapsed() / 1e6);
        options.uniformPoles = model.uniformPoles();
        timer.restart();
        Kgw::ForwardModel again(mesh, ground, x, options);
        again.transferResistances(rows);
        reused.append(timer.nsecsElapsed() / 1e6);
        if (electrodes == Kgw::CablePositions) {
            timer.restart();
            again.jacobian(rows);
            jacobian.append(timer.nsecsElapsed() / 1e6);
        }
    }
    std::sort(fresh.begin(), fresh.end());
    std::sort(reused.begin(), reused.end());
    std::sort(jacobian.begin(), jacobian.end());
    printf("%.1f %.1f %.1f %d %d %lld\n", fresh.at(Runs / 2), reused.at(Runs / 2),
        jacobian.isEmpty() ? 0.0 : jacobian.at(Runs / 2), mesh.cellCount(), rows.size(),
        peakResidentBytes());
    return 0;
}

bool reportForward()
{
    bool met = reportAccuracy();
    printf("Forward model speed (block of 10 ohm m in 100 ohm m; %d threads on a machine of 2 "
           "cores shared with others)\n",
        QThread::idealThreadCount());
    printf("  %10s %8s %8s %14s %14s %14s %12s\n", "electrodes", "cells", "rows", "forward ms",
        "reference ms", "Jacobian ms", "peak RSS MiB");
    for (const int electrodes : { 48, 96, 240 }) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--measure-forward"), QString::number(electrodes) });
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            fprintf(
                stderr, "the forward model failed: %s\n", child.readAllStandardError().constData());
            return false;
        }
        const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
        const double forwardMs = f.value(0).toDouble();
        const double reusedMs = f.value(1).toDouble();
        const double jacobianMs = f.value(2).toDouble();
        const double peakMiB = f.value(5).toLongLong() / (1024.0 * 1024.0);
        // The time goals are set for 1000 rows on 48 electrodes.
        if (electrodes == Kgw::CablePositions)
            met = met && forwardMs <= 300 && jacobianMs <= 2000 && peakMiB <= 300;
        printf("  %10d %8s %8s %14.1f %14.1f %14s %12.1f\n", electrodes, f.value(3).constData(),
            f.value(4).constData(), forwardMs, forwardMs - reusedMs,
            electrodes == Kgw::CablePositions ? qPrintable(QString::number(jacobianMs, 'f', 1))
                                              : "-",
            peakMiB);
    }
    printf(
        "  goals on 48 electrodes: forward <= 300 ms, Jacobian <= 2000 ms, peak RSS <= 300 MiB\n");
    return met;
}
