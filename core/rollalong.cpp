#include "rollalong.h"

#include "exchange.h"
#include "geometry.h"
#include "ordering.h"
#include "sequencewriter.h"
#include "textutil.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>

namespace Kgw {

namespace {

// Leaves out of the line's rows what `dropped` says and returns how many.
template <typename Predicate>
int leaveOut(QVector<LineQuadruple> &rows, Predicate dropped)
{
    const int before = rows.size();
    rows.erase(std::remove_if(rows.begin(), rows.end(), dropped), rows.end());
    return before - rows.size();
}

// Each row on the first spread that holds it, in the order given; the rest lost.
RollAlongPlan assign(const SpreadLayout &layout, const QVector<LineQuadruple> &rows,
    const QVector<int> &indices, const LinePlanRequest &request)
{
    RollAlongPlan plan;
    plan.layout = layout;
    QVector<QVector<Quadruple>> measured(layout.count());
    for (int i = 0; i < rows.size(); ++i) {
        const LineQuadruple &q = rows.at(i);
        const int spread = layout.firstHolding(q);
        if (spread == 0) {
            plan.lost.append(q);
            plan.lostIndices.append(indices.isEmpty() ? i : indices.at(i));
            continue;
        }
        measured[spread - 1].append(
            *toCablePositions(q, layout.firstPosition(spread), layout.electrodes()));
    }
    for (int k = 1; k <= layout.count(); ++k)
        plan.spreads.append(finishSpread(layout, k, measured.at(k - 1), request));
    finishPlan(&plan);
    if (plan.readings() == 0) {
        plan.error = QStringLiteral("No spread holds any of the %1: each is longer than the cable "
                                    "of %2 or lies across two spreads")
                         .arg(counted(plan.lost.size(), QStringLiteral("configuration")))
                         .arg(layout.electrodes());
    }
    return plan;
}

// Reciprocals are added on each spread, so where they are asked for, a configuration whose
// reciprocal is already listed would be measured twice.
Reciprocals sameReciprocals(const LinePlanRequest &request)
{
    return request.reciprocalShare > 0 ? Reciprocals::Same : Reciprocals::Distinct;
}

RollAlongPlan refused(const QString &error)
{
    RollAlongPlan plan;
    plan.error = error;
    return plan;
}

} // namespace

int RollAlongPlan::fullPatternReadings() const
{
    int readings = 0;
    for (const SpreadPlan &spread : spreads)
        readings += spread.fullPattern;
    return readings;
}

int RollAlongPlan::injections() const
{
    int count = 0;
    for (const SpreadPlan &spread : spreads)
        count += spread.injections;
    return count;
}

double RollAlongPlan::fieldSeconds() const
{
    double seconds = 0;
    for (const SpreadPlan &spread : spreads)
        seconds += spread.fieldSeconds;
    return seconds;
}

std::optional<SpreadLayout> planSpreads(const LinePlanRequest &request, QString *error)
{
    std::optional<SpreadLayout> layout
        = SpreadLayout::plan(request.linePositions, request.electrodes, request.move, error);
    const int beyond = request.excluded.highest();
    if (layout && beyond > request.linePositions) {
        *error = QStringLiteral("Excluded electrode %1 lies beyond the line of %2 electrodes")
                     .arg(beyond)
                     .arg(request.linePositions);
        return std::nullopt;
    }
    return layout;
}

RollAlongPlan planArrays(const LinePlanRequest &request)
{
    QString error;
    const std::optional<SpreadLayout> layout = planSpreads(request, &error);
    if (!layout)
        return refused(error);
    GenerateOptions options = request.options;
    options.electrodes = request.linePositions;
    QVector<LineQuadruple> rows = generateConfigurations<LineQuadruple>(request.kinds, options);
    if (rows.isEmpty()) {
        return refused(QStringLiteral("No configuration fits on %1 electrodes with a up to %2 "
                                      "and n up to %3")
                           .arg(request.linePositions)
                           .arg(options.aMax)
                           .arg(options.nMax));
    }
    // As makeArrayList leaves them out, one limit after another.
    const int overFactorLimit = leaveOut(rows, [&](const LineQuadruple &q) {
        return exceedsFactorLimit(q, request.spacingMetres, request.factorLimitMetres);
    });
    const int usingExcluded = leaveOut(
        rows, [&](const LineQuadruple &q) { return request.excluded.firstUsedBy(q) != 0; });
    const int overMaxDipole = leaveOut(
        rows, [&](const LineQuadruple &q) { return !withinMaxDipole(q, request.rules.maxDipole); });
    if (rows.isEmpty())
        return refused(QStringLiteral("Every configuration is left out by the limits: %1 with "
                                      "|K| above the limit, %2 using an excluded electrode, %3 "
                                      "with a potential dipole above the longest")
                           .arg(overFactorLimit)
                           .arg(usingExcluded)
                           .arg(overMaxDipole));
    LineConfigurationSet listed(sameReciprocals(request));
    leaveOut(rows, [&](const LineQuadruple &q) { return !listed.insert(q); });
    RollAlongPlan plan = assign(*layout, rows, QVector<int>(), request);
    plan.overFactorLimit = overFactorLimit;
    plan.usingExcluded = usingExcluded;
    plan.overMaxDipole = overMaxDipole;
    return plan;
}

RollAlongPlan planRows(const QVector<LineQuadruple> &rows, const LinePlanRequest &request)
{
    QString error;
    const std::optional<SpreadLayout> layout = planSpreads(request, &error);
    if (!layout)
        return refused(error);
    for (const LineQuadruple &q : rows) {
        if (electrodeSpan(q).highest > request.linePositions)
            return refused(QStringLiteral("A configuration uses electrode %1, beyond the line of "
                                          "%2 electrodes")
                               .arg(electrodeSpan(q).highest)
                               .arg(request.linePositions));
    }
    LineConfigurationSet listed(sameReciprocals(request));
    QVector<LineQuadruple> kept;
    QVector<int> indices;
    QVector<int> repeats;
    for (int i = 0; i < rows.size(); ++i) {
        if (!listed.insert(rows.at(i))) {
            repeats.append(i);
            continue;
        }
        kept.append(rows.at(i));
        indices.append(i);
    }
    RollAlongPlan plan = assign(*layout, kept, indices, request);
    plan.repeatIndices = repeats;
    return plan;
}

SpreadPlan finishSpread(const SpreadLayout &layout, int spread,
    const QVector<Quadruple> &configurations, const LinePlanRequest &request, bool positiveFactor)
{
    SpreadPlan plan;
    plan.spread = spread;
    plan.firstPosition = layout.firstPosition(spread);
    plan.x = (plan.firstPosition - 1) * request.spacingMetres;
    plan.reciprocalsAsked = percentOf(configurations.size(), request.reciprocalShare);
    const QVector<Quadruple> reciprocals = groupedReciprocals(
        configurations, plan.reciprocalsAsked, request.channels, request.rules);
    plan.reciprocals = reciprocals.size();
    plan.rows = configurations + reciprocals;
    if (positiveFactor)
        turnToPositiveFactor(&plan.rows, request.rules.layout);
    if (request.orderForField) {
        OrderOptions order;
        order.gap = defaultPolarisationGap(plan.rows.size());
        order.channels = request.channels;
        order.rules = request.rules;
        plan.rows = orderSequence(plan.rows, order);
    }
    plan.injections = injectionCount(plan.rows, request.channels, request.rules);
    plan.fieldSeconds = plan.injections * request.secondsPerInjection;
    return plan;
}

void finishPlan(RollAlongPlan *plan)
{
    const SpreadLayout &layout = *plan->layout;
    plan->lineRows.clear();
    QVector<int> held(layout.count());
    for (const SpreadPlan &spread : plan->spreads) {
        for (const Quadruple &row : spread.rows) {
            const LineQuadruple q = toLinePositions(row, spread.firstPosition);
            plan->lineRows.append(q);
            // Spreads start further along the line the later they come: those that hold q
            // follow the first one until one starts past its lowest electrode.
            const int lowest = electrodeSpan(q).lowest;
            for (int k = layout.firstHolding(q);
                 k >= 1 && k <= layout.count() && layout.firstPosition(k) <= lowest; ++k)
                ++held[k - 1];
        }
    }
    for (SpreadPlan &spread : plan->spreads)
        spread.fullPattern = held.at(spread.spread - 1);
}

QString planText(
    const RollAlongPlan &plan, const LinePlanRequest &request, bool fieldTime, bool designed)
{
    const auto percent = [](int part, int whole) {
        return whole > 0 ? QString::number(100.0 * part / whole, 'f', 1) : QStringLiteral("0.0");
    };
    QString text;
    QTextStream out(&text);
    const SpreadLayout &layout = *plan.layout;
    out << QStringLiteral("line: %1 electrodes at %2 m; a cable of %3 moved by %4: %5\n")
               .arg(layout.linePositions())
               .arg(metres(request.spacingMetres))
               .arg(layout.electrodes())
               .arg(layout.move())
               .arg(counted(layout.count(), QStringLiteral("spread")));
    const bool reciprocals = request.reciprocalShare > 0;
    out << QStringLiteral("spread  first     x (m)  configurations%1  injections%2\n")
               .arg(reciprocals ? QStringLiteral("  reciprocals") : QString(),
                   fieldTime ? QStringLiteral("  field time") : QString());
    for (const SpreadPlan &spread : plan.spreads) {
        out << QStringLiteral("%1  %2  %3  %4")
                   .arg(spread.spread, 6)
                   .arg(spread.firstPosition, 5)
                   .arg(metres(spread.x), 8)
                   .arg(spread.rows.size(), 14);
        if (reciprocals)
            out << QStringLiteral("  %1").arg(spread.reciprocals, 11);
        out << QStringLiteral("  %1").arg(spread.injections, 10);
        if (fieldTime)
            out << QStringLiteral("  %1").arg(clockTime(spread.fieldSeconds), 10);
        out << '\n';
    }
    out << QStringLiteral("total: %1, %2 with %3%4\n")
               .arg(counted(plan.readings(), QStringLiteral("configuration")),
                   counted(plan.injections(), QStringLiteral("injection")),
                   counted(request.channels, QStringLiteral("channel")),
                   fieldTime ? QStringLiteral(", field time ") + clockTime(plan.fieldSeconds())
                             : QString());
    const int full = plan.fullPatternReadings();
    out << QStringLiteral("full spreads: %1, each spread measuring %2; the plan saves %3 (%4 %)\n")
               .arg(counted(full, QStringLiteral("configuration")),
                   designed ? QStringLiteral("its whole design") : QStringLiteral("all it holds"))
               .arg(full - plan.readings())
               .arg(percent(full - plan.readings(), full));
    out << QStringLiteral("lost: %1 that no spread holds (longer than the cable, or across two "
                          "spreads)\n")
               .arg(counted(plan.lost.size(), QStringLiteral("configuration")));
    if (layout.count() > 1 && layout.lastMove() < layout.move())
        out << QStringLiteral("last move: %1, shorter than the others, where the line ends\n")
                   .arg(counted(layout.lastMove(), QStringLiteral("electrode")));
    out.flush();
    return text;
}

QString spreadFileName(const QString &prefix, int spread, bool sequenceFile)
{
    return QStringLiteral("%1-%2.%3")
        .arg(prefix)
        .arg(spread)
        .arg(sequenceFile ? QStringLiteral("KGW") : QStringLiteral("txt"));
}

QString lineFileName(const QString &prefix)
{
    return prefix + QStringLiteral(".dat");
}

QVector<NamedContent> planFiles(const RollAlongPlan &plan, const QString &prefix,
    bool sequenceFiles, double spacingMetres, const QVector<double> &heights)
{
    QVector<NamedContent> files;
    for (const SpreadPlan &spread : plan.spreads) {
        if (spread.rows.isEmpty())
            continue;
        files.append({ spreadFileName(prefix, spread.spread, sequenceFiles),
            sequenceFiles ? sequenceContent(spread.rows, spacingMetres)
                          : FileContent::of({ electrodeListText(spread.rows) }) });
    }
    files.append({ lineFileName(prefix),
        unifiedLineContent(
            plan.lineRows, plan.layout->linePositions(), spacingMetres, heights, plan.layout) });
    return files;
}

QStringList staleSpreadFiles(const QString &prefix, const RollAlongPlan &plan, bool sequenceFile)
{
    const QFileInfo info(prefix);
    const QRegularExpression spreadFile(
        QStringLiteral("^%1-(\\d+)\\.(txt|kgw)$").arg(QRegularExpression::escape(info.fileName())),
        QRegularExpression::CaseInsensitiveOption);
    QStringList written;
    for (const SpreadPlan &spread : plan.spreads) {
        if (!spread.rows.isEmpty())
            written << QFileInfo(spreadFileName(prefix, spread.spread, sequenceFile)).fileName();
    }
    QVector<QPair<qint64, QString>> stale;
    const QDir dir = info.dir();
    for (const QString &name : dir.entryList(QDir::Files | QDir::System | QDir::Hidden)) {
        const QRegularExpressionMatch match = spreadFile.match(name);
        if (match.hasMatch() && !written.contains(name))
            stale.append({ match.captured(1).toLongLong(), name });
    }
    std::sort(stale.begin(), stale.end());
    QStringList names;
    for (const auto &entry : stale)
        names << (info.path() == QLatin1String(".") ? entry.second : dir.filePath(entry.second));
    return names;
}

} // namespace Kgw
