#include "arrays.h"

#include "geometry.h"

#include <QStringList>

#include <algorithm>

namespace Kgw {

namespace {

// Marks a remote electrode among the offsets; it has no place on the cable.
constexpr int Remote = -1;

// Where the four electrodes stand relative to the first position i.
struct Offsets {
    int a;
    int b;
    int m;
    int n;

    // The farthest on-cable electrode from i; i may run up to electrodes - span().
    int span() const { return std::max({ a, b, m, n }); }

    template <typename Row>
    Row at(int i) const
    {
        auto place = [i](int offset) { return offset == Remote ? 0 : i + offset; };
        return Row { place(a), place(b), place(m), place(n) };
    }
};

Offsets offsets(ArrayKind kind, int a, int n, int k, int s)
{
    switch (kind) {
    case ArrayKind::WennerAlpha:
        return { 0, 3 * a, a, 2 * a };
    case ArrayKind::WennerBeta:
        return { a, 0, 2 * a, 3 * a };
    case ArrayKind::WennerGamma:
        return { 0, 2 * a, a, 3 * a };
    case ArrayKind::Schlumberger:
        return { 0, (2 * n + 1) * a, n * a, (n + 1) * a };
    case ArrayKind::DipoleDipole:
        return { a, 0, (n + 1) * a, (n + 2) * a };
    case ArrayKind::PoleDipole:
        return { 0, Remote, n * a, (n + 1) * a };
    case ArrayKind::PolePole:
        return { 0, Remote, n, Remote };
    case ArrayKind::Gradient:
        return { 0, (s + 2) * a, k * a, (k + 1) * a };
    }
    Q_UNREACHABLE();
    return {};
}

bool loopsOverA(ArrayKind kind)
{
    return kind != ArrayKind::PolePole;
}

bool loopsOverN(ArrayKind kind)
{
    switch (kind) {
    case ArrayKind::Schlumberger:
    case ArrayKind::DipoleDipole:
    case ArrayKind::PoleDipole:
    case ArrayKind::PolePole:
        return true;
    default:
        return false;
    }
}

bool inRange(int value, int min, int max)
{
    return value >= min && value <= max;
}

// The highest position rows of the type may take, and how their repeats are noticed.
template <typename Row>
struct RowTraits;
template <>
struct RowTraits<Quadruple> {
    static constexpr int Positions = CablePositions;
    using Set = ConfigurationSet;
};
template <>
struct RowTraits<LineQuadruple> {
    static constexpr int Positions = MaxLinePositions;
    using Set = LineConfigurationSet;
};

} // namespace

const QVector<ArrayKindName> &arrayKindNames()
{
    static const QVector<ArrayKindName> names = {
        { ArrayKind::WennerAlpha, QLatin1String("wenner-alpha"), QLatin1String("wa") },
        { ArrayKind::WennerBeta, QLatin1String("wenner-beta"), QLatin1String("wb") },
        { ArrayKind::WennerGamma, QLatin1String("wenner-gamma"), QLatin1String("wg") },
        { ArrayKind::Schlumberger, QLatin1String("schlumberger"), QLatin1String("slm") },
        { ArrayKind::DipoleDipole, QLatin1String("dipole-dipole"), QLatin1String("dd") },
        { ArrayKind::PoleDipole, QLatin1String("pole-dipole"), QLatin1String("pd") },
        { ArrayKind::PolePole, QLatin1String("pole-pole"), QLatin1String("pp") },
        { ArrayKind::Gradient, QLatin1String("gradient"), QLatin1String("gr") },
    };
    return names;
}

std::optional<ArrayKind> findArrayKind(const QString &nameOrAlias)
{
    for (const ArrayKindName &entry : arrayKindNames()) {
        if (nameOrAlias.compare(entry.name, Qt::CaseInsensitive) == 0
            || nameOrAlias.compare(entry.alias, Qt::CaseInsensitive) == 0)
            return entry.kind;
    }
    return std::nullopt;
}

QString allowedArrayNames()
{
    QStringList parts;
    for (const ArrayKindName &entry : arrayKindNames())
        parts << QStringLiteral("%1 (%2)").arg(entry.name, entry.alias);
    return parts.join(QLatin1String(", "));
}

bool formsChains(ArrayKind kind)
{
    return kind == ArrayKind::DipoleDipole || kind == ArrayKind::PoleDipole
        || kind == ArrayKind::Gradient;
}

bool GenerateOptions::isValid(int positions) const
{
    return inRange(electrodes, MinElectrodes, positions) && inRange(aMax, MinAMax, MaxAMax)
        && inRange(nMax, MinNMax, MaxNMax);
}

bool ConfigurationSet::insert(const Quadruple &q)
{
    const int before = m_keys.size();
    m_keys.insert(configurationKey(q));
    return m_keys.size() != before;
}

template <typename Row>
QVector<Row> arrayConfigurations(ArrayKind kind, const GenerateOptions &options)
{
    QVector<Row> result;
    if (!options.isValid(RowTraits<Row>::Positions))
        return result;

    const int aLast = loopsOverA(kind) ? options.aMax : 1;
    const int nLast = loopsOverN(kind) ? options.nMax : 1;
    const int s = options.nMax;
    const int kLast = kind == ArrayKind::Gradient ? s : 1;

    // Gradient's k, innermost already, is its chain.
    if (options.chained && loopsOverN(kind) && formsChains(kind)) {
        for (int a = 1; a <= aLast; ++a) {
            for (int i = 1; i <= options.electrodes - offsets(kind, a, 1, 1, s).span(); ++i) {
                for (int n = 1;
                     n <= nLast && i + offsets(kind, a, n, 1, s).span() <= options.electrodes; ++n)
                    result.append(offsets(kind, a, n, 1, s).template at<Row>(i));
            }
        }
        return result;
    }
    for (int a = 1; a <= aLast; ++a) {
        for (int n = 1; n <= nLast; ++n) {
            // The span doesn't depend on k, so it bounds i for every k alike.
            const int iLast = options.electrodes - offsets(kind, a, n, 1, s).span();
            for (int i = 1; i <= iLast; ++i) {
                for (int k = 1; k <= kLast; ++k)
                    result.append(offsets(kind, a, n, k, s).template at<Row>(i));
            }
        }
    }
    return result;
}

template <typename Row>
QVector<Row> generateConfigurations(const QVector<ArrayKind> &kinds, const GenerateOptions &options)
{
    QVector<Row> result;
    typename RowTraits<Row>::Set listed;
    auto appendNew = [&](const Row &q) {
        if (listed.insert(q))
            result.append(q);
    };

    for (ArrayKind kind : kinds) {
        for (const Row &q : arrayConfigurations<Row>(kind, options))
            appendNew(q);
    }
    if (options.reciprocals) {
        const int forward = result.size();
        for (int index = 0; index < forward; ++index)
            appendNew(reciprocal(result.at(index)));
    }
    return result;
}

template QVector<Quadruple> arrayConfigurations(ArrayKind, const GenerateOptions &);
template QVector<LineQuadruple> arrayConfigurations(ArrayKind, const GenerateOptions &);
template QVector<Quadruple> generateConfigurations(
    const QVector<ArrayKind> &, const GenerateOptions &);
template QVector<LineQuadruple> generateConfigurations(
    const QVector<ArrayKind> &, const GenerateOptions &);

namespace {

// Leaves out what `dropped` says and returns how many; *emptied says `why` when that left none.
template <typename Predicate>
int leaveOut(QVector<Quadruple> &configurations, Predicate dropped, ArrayList::Emptied why,
    ArrayList::Emptied *emptied)
{
    const int before = configurations.size();
    configurations.erase(std::remove_if(configurations.begin(), configurations.end(), dropped),
        configurations.end());
    const int left = before - configurations.size();
    if (configurations.isEmpty() && left > 0)
        *emptied = why;
    return left;
}

} // namespace

ArrayList makeArrayList(const ArrayListRequest &request)
{
    ArrayList list;
    QVector<Quadruple> &rows = list.configurations;
    rows = generateConfigurations(request.kinds, request.options);
    if (rows.isEmpty()) {
        list.emptied = ArrayList::NothingFits;
        return list;
    }
    list.overFactorLimit = leaveOut(
        rows,
        [&](const Quadruple &q) {
            return exceedsFactorLimit(q, request.spacingMetres, request.factorLimitMetres);
        },
        ArrayList::ByFactorLimit, &list.emptied);
    list.usingExcluded = leaveOut(
        rows, [&](const Quadruple &q) { return request.excluded.firstUsedBy(q) != 0; },
        ArrayList::ByExcluded, &list.emptied);
    list.overMaxDipole = leaveOut(
        rows, [&](const Quadruple &q) { return !withinMaxDipole(q, request.rules.maxDipole); },
        ArrayList::ByMaxDipole, &list.emptied);
    if (list.emptied != ArrayList::NotEmptied)
        return list;

    list.reciprocalsAsked = percentOf(rows.size(), request.reciprocalShare);
    // Any number of dipoles to an injection: the list does not know the instrument's channels,
    // and the reciprocals of one current pair stand together whatever they are.
    const QVector<Quadruple> added
        = groupedReciprocals(rows, list.reciprocalsAsked, rows.size(), request.rules);
    list.reciprocalsAdded = added.size();
    rows += added;
    return list;
}

QByteArray electrodeListText(const QVector<Quadruple> &configurations)
{
    QByteArray text;
    // Four numbers of at most two digits, three spaces and the line end.
    text.reserve(configurations.size() * 12);
    for (const Quadruple &q : configurations) {
        text += QByteArray::number(q.a) + ' ' + QByteArray::number(q.b) + ' '
            + QByteArray::number(q.m) + ' ' + QByteArray::number(q.n) + '\n';
    }
    return text;
}

} // namespace Kgw
