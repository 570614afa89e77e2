// Measures how fast the core converts electrode lists and how much memory it needs, how long
// checking the same lists takes beside converting them, how fast the model works out what a
// sequence resolves, and how fast sequences are ordered.
//
// Each measurement runs in a fresh child process, so that its peak resident memory is its own.
// Usage: kgwbench [SIZE...]   (default: 10000 100000 1000000 10000000, then the model)
//        kgwbench --long-line GIB   (a list whose first line is GIB gibibytes long)
//        kgwbench --model   (only the model)
//        kgwbench --design   (kgw design's engine: time, memory, and what its designs resolve
//                             against standard arrays and random choice of the same size)
//        kgwbench --anchor CONVERTER [SIZE...]   (kgw convert against a hand-written converter
//                                                 run as CONVERTER LIST OUT --sync; default
//                                                 sizes 1000000 10000000)
//        kgwbench --order [SIZE...]   (orders random configurations with the customary gap, on
//                                      one channel and on eight; default size 100000)
//        kgwbench --rollalong   (plans a line of 1000 electrodes in spreads, and a design per
//                                spread on 240 electrodes beside one design's time)
//        kgwbench --forward   (the 2.5-D forward model: accuracy against closed forms, the time
//                              and memory of 1000 rows and their Jacobian, longer lines)
//        kgwbench --simulate GROUND LIST   (r of every row over one of the yardstick's grounds,
//                                           for bench/forward_yardstick.sh)
//        kgwbench --jacobian GROUND LIST   (their Jacobian, for bench/jacobian_yardstick.py)
//        kgwbench --line-model [L...]   (the model of a line of L positions measured in spreads
//                                        of 48 moved by 24, as kgw plot draws its sections:
//                                        time and memory; default 96 120 240)

#include "arrays.h"
#include "depth.h"
#include "design.h"
#include "electrodelist.h"
#include "electrodeset.h"
#include "findings.h"
#include "forwardbench.h"
#include "line.h"
#include "ordering.h"
#include "resolution.h"
#include "rollalongrun.h"
#include "sequencewriter.h"
#include "syntheticdevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int Runs = 5;

qint64 peakResidentBytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

bool writeRandomList(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    QTextStream out(&file);
    QRandomGenerator random(20261207);
    for (int i = 0; i < count; ++i) {
        out << random.bounded(1, 49) << ' ' << random.bounded(0, 49) << ' ' << random.bounded(1, 49)
            << ' ' << random.bounded(0, 49) << '\n';
    }
    out.flush();
    if (out.status() == QTextStream::Ok && file.error() == QFile::NoError)
        return true;
    fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
}

// The child: converts or checks one list Runs times and prints its times and peak memory.
int measure(const QString &listPath, bool check)
{
    const qint64 baseline = peakResidentBytes();
    QVector<qint64> nanoseconds;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const Kgw::ListResult list = Kgw::readElectrodeList(listPath);
        if (!list.ok()) {
            fprintf(stderr, "%s\n", qPrintable(list.message));
            return 1;
        }
        if (check) {
            // What kgw check does before it prints the report.
            const Kgw::CheckReport report = Kgw::checkQuadruples(list.quadruples, 5);
            nanoseconds.append(timer.nsecsElapsed());
            if (report.quadruples != list.count())
                return 1;
            continue;
        }
        const Kgw::WriteResult written
            = Kgw::writeSequenceFile(Kgw::sequenceFileName(listPath), list.quadruples, 5);
        if (!written.ok()) {
            fprintf(stderr, "%s\n", qPrintable(written.errorString));
            return 1;
        }
        nanoseconds.append(timer.nsecsElapsed());
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    printf("%lld %lld %lld\n", nanoseconds.at(Runs / 2), baseline, peakResidentBytes());
    return 0;
}

// The child: reads "1 2 3 4", gibibytes of spaces, a line break and "5 6 7 8".
int measureLongLine(double gibibytes)
{
    const qint64 baseline = peakResidentBytes();
    SyntheticDevice device("1 2 3 4", ' ', qint64(gibibytes * 1024 * 1024 * 1024), "\n5 6 7 8\n");
    device.open(QIODevice::ReadOnly);
    QElapsedTimer timer;
    timer.start();
    const Kgw::ListResult list = Kgw::readElectrodeList(&device);
    if (list.count() != 2) {
        fprintf(stderr, "expected two quadruples, got: %s\n", qPrintable(list.message));
        return 1;
    }
    printf("%lld %lld %lld\n", timer.nsecsElapsed(), baseline, peakResidentBytes());
    return 0;
}

// The child: the pair table and the comprehensive set for the whole cable, then one sequence of
// 1000 configurations of it, and the median depth of a million quadruples.
int measureModel()
{
    const qint64 baseline = peakResidentBytes();
    const int electrodes = Kgw::CablePositions;
    QElapsedTimer timer;
    timer.start();
    const Kgw::SurveyModel survey(Kgw::ModelGrid(electrodes, 5), Kgw::ResolutionOptions());
    const qint64 tableNs = timer.nsecsElapsed();
    const Kgw::ResolutionModel model(survey);
    const qint64 comprehensiveNs = timer.nsecsElapsed() - tableNs;

    const QVector<Kgw::Quadruple> all = Kgw::comprehensiveConfigurations(electrodes);
    QRandomGenerator random(20261207);
    QVector<Kgw::Quadruple> sequence;
    for (int i = 0; i < 1000; ++i)
        sequence.append(all.at(int(random.bounded(all.size()))));
    QVector<qint64> sequenceNs;
    for (int run = 0; run < Runs; ++run) {
        timer.restart();
        const Kgw::SequenceResolution resolved = model.evaluate(sequence);
        sequenceNs.append(timer.nsecsElapsed());
        if (resolved.used() == 0)
            return 1;
    }
    std::sort(sequenceNs.begin(), sequenceNs.end());

    // Random quadruples share few shapes, the hardest case for the depth search.
    QVector<Kgw::Quadruple> quadruples;
    for (int i = 0; i < 1000000; ++i) {
        quadruples.append(Kgw::Quadruple { int(random.bounded(1, 49)), int(random.bounded(0, 49)),
            int(random.bounded(1, 49)), int(random.bounded(0, 49)) });
    }
    timer.restart();
    double sum = 0;
    for (const Kgw::Quadruple &q : quadruples) {
        const double z = Kgw::medianDepth(q, 5);
        sum += std::isfinite(z) ? z : 0;
    }
    const qint64 depthNs = timer.nsecsElapsed();

    printf("%lld %lld %lld %lld %lld %lld %d %g\n", tableNs, comprehensiveNs,
        sequenceNs.at(Runs / 2), depthNs, baseline, peakResidentBytes(), survey.grid().cellCount(),
        sum);
    return 0;
}

// Dipole-dipole of a up to 6 and n up to 8 along a line, as a roll-along plan measures it: each
// configuration that a spread of the layout holds, once.
QVector<Kgw::LineQuadruple> lineDipoleDipole(const Kgw::SpreadLayout &layout)
{
    QVector<Kgw::LineQuadruple> rows;
    for (int a = 1; a <= 6; ++a) {
        for (int n = 1; n <= 8; ++n) {
            for (int b = 1; b + (n + 2) * a <= layout.linePositions(); ++b) {
                const Kgw::LineQuadruple q(b + a, b, b + a + n * a, b + 2 * a + n * a);
                if (layout.firstHolding(q) != 0)
                    rows.append(q);
            }
        }
    }
    return rows;
}

// The child: the model of a line of `positions` measured in spreads of 48 moved by 24, on the
// grid of kgw plot's sections at `cellsPerSpacing`: the pair table, the comprehensive set and
// its resolution, the resolution and the cumulative sensitivity of a plan's dipole-dipole.
int measureLineModel(int positions, int cellsPerSpacing)
{
    const qint64 baseline = peakResidentBytes();
    QString error;
    const std::optional<Kgw::SpreadLayout> layout
        = Kgw::SpreadLayout::plan(positions, Kgw::CablePositions, 24, &error);
    if (!layout) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    Kgw::GridOptions grid;
    grid.cellsPerSpacing = cellsPerSpacing;
    grid.depthDivisor = Kgw::GridOptions::SectionDepthDivisor;
    const Kgw::ModelGrid cells(positions, 5, grid, Kgw::CablePositions);
    QElapsedTimer timer;
    timer.start();
    const Kgw::SurveyModel survey(cells, Kgw::ResolutionOptions());
    const qint64 tableNs = timer.nsecsElapsed();
    if (!survey.isValid()) {
        fprintf(stderr, "%s\n", qPrintable(survey.error()));
        return 1;
    }
    timer.restart();
    const Kgw::ResolutionModel model(survey);
    const qint64 comprehensiveNs = timer.nsecsElapsed();
    if (!model.isValid()) {
        fprintf(stderr, "%s\n", qPrintable(model.error()));
        return 1;
    }
    const QVector<Kgw::LineQuadruple> plan = lineDipoleDipole(*layout);
    timer.restart();
    const Kgw::SequenceResolution resolved = model.evaluateLine(plan);
    const qint64 sequenceNs = timer.nsecsElapsed();
    timer.restart();
    const Kgw::SurveyModel sensitivity(
        cells, Kgw::ResolutionOptions(), Kgw::SurveyModel::Sensitivity);
    const double sum = Kgw::cumulativeSensitivity(sensitivity, plan).value(0);
    const qint64 sensitivityNs = timer.nsecsElapsed();
    printf("%lld %lld %lld %lld %lld %lld %d %lld %d %d %.4f %g\n", tableNs, comprehensiveNs,
        sequenceNs, sensitivityNs, baseline, peakResidentBytes(), cells.cellCount(),
        qint64(survey.pairCount()), model.comprehensive().configurations, plan.size(),
        resolved.meanRelative, sum);
    return 0;
}

// Runs the line model's child for each length and prints its figures; there is no target, but
// the 4,000-cell limit decides which lengths the default grid takes.
int benchLineModel(QList<int> positions)
{
    if (positions.isEmpty())
        positions = { 96, 120, 240 };
    printf("line model, spreads of 48 moved by 24, 5 m, the sections' grid ((E - 1) / 3 deep):\n");
    printf("%6s %6s %6s %7s %11s %9s %14s %11s %11s %10s %9s\n", "L", "cells/", "cells", "pairs",
        "configur.", "table s", "comprehensive", "plan rows", "plan s", "sens. s", "peak MiB");
    printf("%6s %6s\n", "", "spacing");
    for (const int length : positions) {
        // The default of 2 cells a spacing while the grid keeps to the 4,000 cells.
        Kgw::GridOptions grid;
        grid.depthDivisor = Kgw::GridOptions::SectionDepthDivisor;
        const bool fits = Kgw::ModelGrid(length, 5, grid, Kgw::CablePositions).cellCount()
            <= Kgw::SurveyModel::MaxCells;
        const int cellsPerSpacing = fits ? 2 : 1;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--measure-line-model"), QString::number(length),
                QString::number(cellsPerSpacing) });
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
            || child.exitCode() != 0) {
            fprintf(stderr, "L = %d: %s\n", length, child.readAllStandardError().constData());
            return 1;
        }
        const QList<QByteArray> n = child.readAllStandardOutput().trimmed().split(' ');
        printf("%6d %6d %6d %7lld %11d %9.2f %14.2f %11d %11.2f %10.2f %9.1f\n", length,
            cellsPerSpacing, n.value(6).toInt(), n.value(7).toLongLong(), n.value(8).toInt(),
            n.value(0).toLongLong() / 1e9, n.value(1).toLongLong() / 1e9, n.value(9).toInt(),
            n.value(2).toLongLong() / 1e9, n.value(3).toLongLong() / 1e9,
            n.value(5).toLongLong() / (1024.0 * 1024.0));
    }
    return 0;
}

// Runs the model child and prints its figures against the targets. Returns whether all were met.
bool reportModel()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--measure-model") });
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0) {
        fprintf(stderr, "--measure-model failed: %s\n", child.readAllStandardError().constData());
        return false;
    }
    const QList<QByteArray> numbers = child.readAllStandardOutput().trimmed().split(' ');
    const double tableMs = numbers.value(0).toLongLong() / 1e6;
    const double comprehensiveMs = numbers.value(1).toLongLong() / 1e6;
    const double sequenceMs = numbers.value(2).toLongLong() / 1e6;
    const double depthUs = numbers.value(3).toLongLong() / 1e3 / 1e6;
    const double peakMiB = numbers.value(5).toLongLong() / (1024.0 * 1024.0);
    const int cells = numbers.value(6).toInt();

    const double totalMs = tableMs + comprehensiveMs;
    const bool met = totalMs <= 3000 && peakMiB <= 1024 && sequenceMs <= 500 && depthUs <= 1;
    printf("\nmodel of %d electrodes, %d cells:\n", Kgw::CablePositions, cells);
    printf("%-44s %10s %10s\n", "", "measured", "target");
    printf("%-44s %10.1f %10s\n", "pair table, ms", tableMs, "-");
    printf("%-44s %10.1f %10s\n", "comprehensive set and its resolution, ms", comprehensiveMs, "-");
    printf("%-44s %10.1f %10d\n", "both, ms", totalMs, 3000);
    printf("%-44s %10.1f %10d\n", "peak RSS, MiB", peakMiB, 1024);
    printf("%-44s %10.1f %10d\n", "resolution of 1000 configurations, ms", sequenceMs, 500);
    printf("%-44s %10.3f %10d\n", "median depth of a random quadruple, us", depthUs, 1);
    return met;
}

// The child: a design of `measurements` on the whole cable at 1 m under a |K| limit, timed in
// its parts, and what it, the standard arrays (dipole-dipole then Wenner-alpha as kgw generate
// gives them, cut to the same count) and a random choice from the same candidates resolve.
// A least voltage (at 100 ohm m and 100 mA) and dead electrodes go through the same row rule.
int measureDesign(int measurements, double factorLimit, double minMillivolts = 0,
    const QString &excluded = QString())
{
    const qint64 baseline = peakResidentBytes();
    const int electrodes = Kgw::CablePositions;
    const double spacing = 1;
    QElapsedTimer timer;
    timer.start();
    Kgw::ResolutionOptions resolutionOptions;
    resolutionOptions.factorLimit = factorLimit;
    resolutionOptions.minVoltage = minMillivolts / 1000;
    QString error;
    if (!excluded.isEmpty())
        resolutionOptions.excluded = *Kgw::parseElectrodeSet(excluded, &error);
    const Kgw::SurveyModel survey(Kgw::ModelGrid(electrodes, spacing), resolutionOptions);
    const Kgw::ResolutionModel model(survey);
    const qint64 sensitivityNs = timer.nsecsElapsed();

    Kgw::DesignOptions options;
    options.measurements = measurements;
    timer.restart();
    options.base = Kgw::standardBase(
        survey, options, Kgw::percentOf(measurements, Kgw::DesignOptions::DefaultBaseShare));
    const Kgw::DesignResult design = Kgw::designSequence(model, options);
    const qint64 designNs = timer.nsecsElapsed();
    if (!design.ok() || design.configurations.size() != measurements) {
        fprintf(stderr, "design failed: %s\n", qPrintable(design.error));
        return 1;
    }
    const qint64 peak = peakResidentBytes();

    const QVector<Kgw::Quadruple> standard = Kgw::standardArrays(survey, measurements);
    QVector<Kgw::Quadruple> candidates;
    for (const Kgw::Quadruple &q : Kgw::comprehensiveConfigurations(electrodes)) {
        if (survey.row(q, nullptr) == Kgw::SurveyModel::HasRow)
            candidates.append(q);
    }
    QRandomGenerator random(20261207);
    std::shuffle(candidates.begin(), candidates.end(), random);
    candidates.resize(std::min(measurements, candidates.size()));

    printf("%lld %lld %.0f %.0f %lld %lld %.4f %.4f %.4f %d %d\n", sensitivityNs, designNs,
        design.preparationSeconds * 1e9, design.selectionSeconds * 1e9, baseline, peak,
        model.evaluate(design.configurations).meanRelative, model.evaluate(standard).meanRelative,
        model.evaluate(candidates).meanRelative, design.rounds, standard.size());
    return 0;
}

bool reportDesign()
{
    struct Case {
        int measurements;
        double factorLimit;
        double totalTarget;
        double selectionTarget;
        double standardRatio;
        double minMillivolts = 0;
        const char *excluded = "";
    };
    // The linear figure only has to lead: whether the design images better is for an inversion
    // to say (bench/yardstick.sh).
    const Case cases[] = {
        { 1000, 1000, 3, -1, 1 },
        { 1000, 300, 3, -1, 1 },
        { 2000, 1000, 5, -1, 1 },
        // The crew's limits cost nothing: the row rule sees each candidate once.
        { 1000, 1000, 3, -1, 1, 20, "7,23-24" },
    };
    printf("\ndesign for %d electrodes at 1 m (times in s, peak RSS in MiB, mean relative "
           "resolution):\n",
        Kgw::CablePositions);
    printf("%6s %6s %8s %8s %8s %8s %7s %6s %6s %7s %6s %7s %7s %7s %6s %7s\n", "N", "k-max",
        "sens", "prepare", "select", "total", "target", "peak", "rounds", "design", "dd+wa",
        "ratio", "target", "random", "ratio", "");
    bool met = true;
    for (const Case &c : cases) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--measure-design"), QString::number(c.measurements),
                QString::number(c.factorLimit), QString::number(c.minMillivolts),
                QString::fromLatin1(c.excluded) });
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
            || child.exitCode() != 0) {
            fprintf(
                stderr, "--measure-design failed: %s\n", child.readAllStandardError().constData());
            return false;
        }
        const QList<QByteArray> n = child.readAllStandardOutput().trimmed().split(' ');
        const double sensitivity = n.value(0).toLongLong() / 1e9;
        const double total = sensitivity + n.value(1).toLongLong() / 1e9;
        const double prepare = n.value(2).toDouble() / 1e9;
        const double select = n.value(3).toDouble() / 1e9;
        const double peakMiB = n.value(5).toLongLong() / (1024.0 * 1024.0);
        const double design = n.value(6).toDouble();
        const double standard = n.value(7).toDouble();
        const double random = n.value(8).toDouble();
        const bool ok = total <= c.totalTarget
            && (c.selectionTarget < 0 || select <= c.selectionTarget) && peakMiB <= 2048
            && (c.standardRatio < 0 || design >= c.standardRatio * standard) && design > random;
        met = met && ok;
        printf("%6d %6.0f %8.2f %8.2f %8.2f %8.2f %7.0f %6.0f %6d %7.3f %6.3f %7.2f %7.0f %7.3f "
               "%6.2f %7s\n",
            c.measurements, c.factorLimit, sensitivity, prepare, select, total, c.totalTarget,
            peakMiB, n.value(9).toInt(), design, standard, design / standard, c.standardRatio,
            random, design / random, ok ? "met" : "MISSED");
        if (c.minMillivolts > 0 || *c.excluded != '\0')
            printf("       (the row above also with --min-voltage %g and --exclude %s)\n",
                c.minMillivolts, c.excluded);
    }
    printf("targets: total time, peak 2048 MiB, design above dd+wa of the same count and above "
           "random\n");
    return met;
}

// The child: plans a line of `linePositions` electrodes with 48-electrode spreads moved by 24,
// dipole-dipole of a up to 6 and n up to 8 laid along it, or a design of `design` per spread
// (none for 0), and makes the files the plan writes. Prints nanoseconds for the plan and for its
// files' content, the peak memory before and after, the readings and the spreads.
int measureRollAlong(int linePositions, int design)
{
    const qint64 baseline = peakResidentBytes();
    Kgw::RollAlongRequest request;
    request.line.linePositions = linePositions;
    request.line.move = 24;
    request.line.spacingMetres = 1;
    request.line.kinds = { Kgw::ArrayKind::DipoleDipole };
    request.line.options.aMax = 6;
    request.line.options.nMax = 8;
    if (design > 0) {
        request.source = Kgw::RollAlongRequest::Design;
        request.design.options.measurements = design;
    }
    QElapsedTimer timer;
    timer.start();
    const Kgw::RollAlongPlan plan = Kgw::makeRollAlong(request);
    const qint64 planNs = timer.nsecsElapsed();
    if (!plan.ok()) {
        fprintf(stderr, "plan failed: %s\n", qPrintable(plan.error));
        return 1;
    }
    timer.restart();
    qint64 bytes = 0;
    for (const Kgw::NamedContent &file :
        Kgw::planFiles(plan, QStringLiteral("line"), true, request.line.spacingMetres)) {
        for (int i = 0; i < file.content.pieceCount; ++i)
            bytes += file.content.piece(i).size();
    }
    const qint64 filesNs = timer.nsecsElapsed();
    printf("%lld %lld %lld %lld %d %d %lld\n", planNs, filesNs, baseline, peakResidentBytes(),
        plan.readings(), plan.spreads.size(), bytes);
    return 0;
}

// The child: one design of `measurements` on the 48-electrode cable at 1 m as a spread of a plan
// makes it (its model, its base and the design), in nanoseconds.
int measureOneDesign(int measurements)
{
    QElapsedTimer timer;
    timer.start();
    const Kgw::SurveyModel survey(Kgw::ModelGrid(Kgw::CablePositions, 1), Kgw::ResolutionOptions());
    const Kgw::ResolutionModel model(survey);
    Kgw::DesignRequest request;
    request.options.measurements = measurements;
    request.options.base = Kgw::designBase(survey, request);
    const Kgw::DesignResult design = Kgw::designSequence(model, request.options);
    if (!design.ok())
        return 1;
    printf("%lld\n", timer.nsecsElapsed());
    return 0;
}

QList<QByteArray> childNumbers(const QStringList &arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0) {
        fprintf(stderr, "%s failed: %s\n", qPrintable(arguments.join(QLatin1Char(' '))),
            child.readAllStandardError().constData());
        return {};
    }
    return child.readAllStandardOutput().trimmed().split(' ');
}

bool reportRollAlong()
{
    bool met = true;
    printf("\nroll-along: 48-electrode spreads moved by 24, at 1 m\n");
    printf("%-52s %10s %10s %8s\n", "", "measured", "target", "");
    const QList<QByteArray> line = childNumbers(
        { QStringLiteral("--measure-rollalong"), QStringLiteral("1000"), QStringLiteral("0") });
    if (line.size() < 7)
        return false;
    const double planS = line.at(0).toLongLong() / 1e9;
    const double filesS = line.at(1).toLongLong() / 1e9;
    const double peakMiB = line.at(3).toLongLong() / (1024.0 * 1024.0);
    const bool lineMet = planS + filesS <= 1 && peakMiB <= 200;
    met = met && lineMet;
    printf("1000 electrodes, dd a <= 6, n <= 8: %s configurations in %s spreads\n",
        line.at(4).constData(), line.at(5).constData());
    printf("%-52s %10.3f %10s\n", "  plan, s", planS, "-");
    printf("%-52s %10.3f %10s\n", "  its files' content (sequence files), s", filesS, "-");
    printf("%-52s %10.3f %10d %8s\n", "  both, s", planS + filesS, 1, lineMet ? "met" : "MISSED");
    printf("%-52s %10.1f %10d\n", "  peak RSS, MiB", peakMiB, 200);

    const QList<QByteArray> one
        = childNumbers({ QStringLiteral("--measure-one-design"), QStringLiteral("1000") });
    const QList<QByteArray> designed = childNumbers(
        { QStringLiteral("--measure-rollalong"), QStringLiteral("240"), QStringLiteral("1000") });
    if (one.isEmpty() || designed.size() < 7)
        return false;
    const double oneS = one.at(0).toLongLong() / 1e9;
    const double perSpreadS = designed.at(0).toLongLong() / 1e9;
    const bool designMet = perSpreadS <= 10 * oneS;
    met = met && designMet;
    printf("240 electrodes, a design of 1000 per spread: %s configurations in %s spreads\n",
        designed.at(4).constData(), designed.at(5).constData());
    printf("%-52s %10.2f %10s\n", "  one design of 1000 on 48 electrodes with its model, s", oneS,
        "-");
    printf("%-52s %10.2f %10.2f %8s\n", "  the plan, s", perSpreadS, 10 * oneS,
        designMet ? "met" : "MISSED");
    printf("%-52s %10.1f %10s\n", "  the plan's peak RSS, MiB",
        designed.at(3).toLongLong() / (1024.0 * 1024.0), "-");
    return met;
}

struct Figures {
    double milliseconds = 0;
    double peakMiB = 0;
    double aboveStartMiB = 0;
};

bool runChild(const QStringList &arguments, Figures *figures)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0) {
        fprintf(stderr, "%s failed: %s\n", qPrintable(arguments.join(' ')),
            child.readAllStandardError().constData());
        return false;
    }
    const QList<QByteArray> numbers = child.readAllStandardOutput().trimmed().split(' ');
    const double mib = 1024.0 * 1024.0;
    figures->milliseconds = numbers.value(0).toLongLong() / 1e6;
    figures->peakMiB = numbers.value(2).toLongLong() / mib;
    figures->aboveStartMiB = (numbers.value(2).toLongLong() - numbers.value(1).toLongLong()) / mib;
    return true;
}

// Wall-clock time of one run of a program, in milliseconds, or a negative value when it failed.
double timedRun(const QString &program, const QStringList &arguments)
{
    QProcess child;
    QElapsedTimer timer;
    timer.start();
    child.start(program, arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0) {
        fprintf(stderr, "%s %s failed: %s\n", qPrintable(program), qPrintable(arguments.join(' ')),
            child.readAllStandardError().constData());
        return -1;
    }
    return timer.nsecsElapsed() / 1e6;
}

// Both programs convert the same list, taking turns so that neither is favoured by the page
// cache or the machine's load; the medians are compared.
int compareWithAnchor(const QString &anchor, QList<int> sizes, const QTemporaryDir &dir)
{
    if (sizes.isEmpty())
        sizes = { 1000000, 10000000 };
    const double targetRatio = 2.0;
    printf(
        "%12s %14s %14s %8s %8s\n", "quadruples", "kgw convert ms", "anchor ms", "ratio", "target");
    bool allMet = true;
    for (int size : sizes) {
        const QString path = dir.filePath(QStringLiteral("anchor%1.txt").arg(size));
        if (!writeRandomList(path, size))
            return 1;
        const QString out = dir.filePath(QStringLiteral("anchor.KGW"));
        QVector<double> ours;
        QVector<double> theirs;
        for (int run = 0; run < Runs; ++run) {
            ours.append(timedRun(QStringLiteral(KGW_EXECUTABLE),
                { QStringLiteral("convert"), QStringLiteral("-o"), out, path }));
            theirs.append(timedRun(anchor, { path, out, QStringLiteral("--sync") }));
            if (ours.last() < 0 || theirs.last() < 0)
                return 1;
        }
        std::sort(ours.begin(), ours.end());
        std::sort(theirs.begin(), theirs.end());
        const double ratio = ours.at(Runs / 2) / theirs.at(Runs / 2);
        allMet = allMet && ratio <= targetRatio;
        printf("%12d %14.1f %14.1f %8.2f %8.1f\n", size, ours.at(Runs / 2), theirs.at(Runs / 2),
            ratio, targetRatio);
    }
    printf("%s\n", allMet ? "all targets met" : "TARGET MISSED");
    return allMet ? 0 : 2;
}

// Orders random configurations Runs times, on one channel and on eight, and prints the median
// time against the target, the places that break the gap and the injections before and after,
// and whether every run gave the same order.
int benchOrder(QList<int> sizes)
{
    if (sizes.isEmpty())
        sizes = { 100000 };
    const double targetMs = 2000;
    printf("%12s %9s %10s %10s %5s %18s %18s %5s\n", "quadruples", "channels", "median ms",
        "target ms", "gap", "gap breaks b/a", "injections b/a", "same");
    bool allMet = true;
    for (int size : sizes) {
        QRandomGenerator random(20261207);
        QVector<Kgw::Quadruple> sequence;
        sequence.reserve(size);
        for (int i = 0; i < size; ++i) {
            sequence.append(Kgw::Quadruple(random.bounded(1, 49), random.bounded(0, 49),
                random.bounded(1, 49), random.bounded(0, 49)));
        }
        for (int channels : { 1, 8 }) {
            Kgw::OrderOptions options;
            options.gap = Kgw::defaultPolarisationGap(size);
            options.channels = channels;
            QVector<qint64> nanoseconds;
            QVector<Kgw::Quadruple> first;
            bool same = true;
            for (int run = 0; run < Runs; ++run) {
                QElapsedTimer timer;
                timer.start();
                const QVector<Kgw::Quadruple> ordered = Kgw::orderSequence(sequence, options);
                nanoseconds.append(timer.nsecsElapsed());
                if (run == 0)
                    first = ordered;
                same = same && ordered == first;
            }
            std::sort(nanoseconds.begin(), nanoseconds.end());
            const double ms = nanoseconds.at(Runs / 2) / 1e6;
            // The target is set for 100,000 configurations.
            const bool timed = size == 100000;
            allMet = allMet && same && (!timed || ms <= targetMs);
            printf("%12d %9d %10.1f %10s %5d %9d/%-8d %9d/%-8d %5s\n", size, channels, ms,
                timed ? qPrintable(QString::number(targetMs)) : "-", options.gap,
                Kgw::gapBreaks(sequence, options.gap), Kgw::gapBreaks(first, options.gap),
                Kgw::injectionCount(sequence, channels), Kgw::injectionCount(first, channels),
                same ? "yes" : "NO");
        }
    }
    printf("%s\n", allMet ? "all targets met" : "TARGET MISSED");
    return allMet ? 0 : 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args.first() == QLatin1String("--measure"))
        return measure(args.at(1), false);
    if (args.size() == 2 && args.first() == QLatin1String("--measure-check"))
        return measure(args.at(1), true);
    if (args.size() == 2 && args.first() == QLatin1String("--measure-long-line"))
        return measureLongLine(args.at(1).toDouble());
    if (args.size() == 1 && args.first() == QLatin1String("--measure-model"))
        return measureModel();
    if (args.size() == 3 && args.first() == QLatin1String("--measure-line-model"))
        return measureLineModel(args.at(1).toInt(), args.at(2).toInt());
    if (!args.isEmpty() && args.first() == QLatin1String("--line-model")) {
        QList<int> positions;
        for (const QString &arg : args.mid(1))
            positions.append(arg.toInt());
        return benchLineModel(positions);
    }
    if (args.size() == 5 && args.first() == QLatin1String("--measure-design"))
        return measureDesign(
            args.at(1).toInt(), args.at(2).toDouble(), args.at(3).toDouble(), args.at(4));
    if (args.size() == 3 && args.first() == QLatin1String("--measure-rollalong"))
        return measureRollAlong(args.at(1).toInt(), args.at(2).toInt());
    if (args.size() == 2 && args.first() == QLatin1String("--measure-one-design"))
        return measureOneDesign(args.at(1).toInt());
    if (args.size() == 1 && args.first() == QLatin1String("--rollalong")) {
        const bool met = reportRollAlong();
        printf("%s\n", met ? "all targets met" : "TARGET MISSED");
        return met ? 0 : 2;
    }
    if (args.size() == 1 && args.first() == QLatin1String("--design")) {
        const bool met = reportDesign();
        printf("%s\n", met ? "all targets met" : "TARGET MISSED");
        return met ? 0 : 2;
    }
    if (args.size() == 2 && args.first() == QLatin1String("--measure-forward"))
        return measureForward(args.at(1).toInt());
    if (args.size() == 3 && args.first() == QLatin1String("--simulate"))
        return simulateYardstick(args.at(1), args.at(2));
    if (args.size() == 3 && args.first() == QLatin1String("--jacobian"))
        return yardstickJacobian(args.at(1), args.at(2));
    if (args.size() == 1 && args.first() == QLatin1String("--forward")) {
        const bool met = reportForward();
        printf("%s\n", met ? "all targets met" : "TARGET MISSED");
        return met ? 0 : 2;
    }
    if (args.size() == 1 && args.first() == QLatin1String("--model")) {
        const bool met = reportModel();
        printf("%s\n", met ? "all targets met" : "TARGET MISSED");
        return met ? 0 : 2;
    }

    if (args.size() == 2 && args.first() == QLatin1String("--long-line")) {
        Figures figures;
        if (!runChild({ QStringLiteral("--measure-long-line"), args.at(1) }, &figures))
            return 1;
        printf("a first line of %s GiB: %.1f ms, peak RSS %.1f MiB (%.1f above start)\n",
            qPrintable(args.at(1)), figures.milliseconds, figures.peakMiB, figures.aboveStartMiB);
        return 0;
    }

    if (!args.isEmpty() && args.first() == QLatin1String("--order")) {
        QList<int> sizes;
        for (const QString &arg : args.mid(1))
            sizes.append(arg.toInt());
        return benchOrder(sizes);
    }

    QString anchor;
    if (args.size() >= 2 && args.first() == QLatin1String("--anchor")) {
        anchor = args.at(1);
        args = args.mid(2);
    }
    QList<int> sizes;
    for (const QString &arg : args)
        sizes.append(arg.toInt());

    QTemporaryDir dir;
    if (!dir.isValid()) {
        fprintf(stderr, "no temporary folder: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    if (!anchor.isEmpty())
        return compareWithAnchor(anchor, sizes, dir);
    if (sizes.isEmpty())
        sizes = { 10000, 100000, 1000000, 10000000 };
    printf("%12s %10s %10s %13s %12s %12s %10s %7s %8s\n", "quadruples", "median ms", "target ms",
        "peak RSS MiB", "above start", "target MiB", "check ms", "ratio", "target");
    bool allMet = true;
    for (int size : sizes) {
        const QString path = dir.filePath(QStringLiteral("list%1.txt").arg(size));
        if (!writeRandomList(path, size))
            return 1;
        Figures figures;
        Figures check;
        if (!runChild({ QStringLiteral("--measure"), path }, &figures)
            || !runChild({ QStringLiteral("--measure-check"), path }, &check))
            return 1;
        // The time targets are set for a million quadruples, and for ten million checked.
        const bool timed = size == 1000000;
        const double targetMs = 250.0;
        const double targetMiB = 4.0 * size / (1024.0 * 1024.0) + 32;
        const double ratio = check.milliseconds / figures.milliseconds;
        const QString checkTarget = timed ? QStringLiteral("1.5")
            : size == 10000000            ? QStringLiteral("30 s")
                                          : QStringLiteral("-");
        allMet = allMet && (!timed || (figures.milliseconds <= targetMs && ratio <= 1.5))
            && (size != 10000000 || check.milliseconds < 30000) && figures.peakMiB <= targetMiB;
        printf("%12d %10.1f %10s %13.1f %12.1f %12.1f %10.1f %7.2f %8s\n", size,
            figures.milliseconds, timed ? qPrintable(QString::number(targetMs)) : "-",
            figures.peakMiB, figures.aboveStartMiB, targetMiB, check.milliseconds, ratio,
            qPrintable(checkTarget));
    }
    allMet = reportModel() && allMet;
    printf("%s\n", allMet ? "all targets met" : "TARGET MISSED");
    return allMet ? 0 : 2;
}
