#ifndef KGW_ARRAYS_H
#define KGW_ARRAYS_H

#include "electrodeset.h"
#include "injection.h"
#include "line.h"
#include "quadruple.h"
#include "spacing.h"

#include <QByteArray>
#include <QLatin1String>
#include <QSet>
#include <QString>
#include <QVector>

#include <algorithm>
#include <limits>

#include <optional>

namespace Kgw {

// The standard electrode arrays, with i the first position, a the spacing in electrode steps,
// n the separation factor and 0 a remote electrode:
//
//   array               A          B           M         N           loops over
//   wenner-alpha  wa    i          i+3a        i+a       i+2a        a
//   wenner-beta   wb    i+a        i           i+2a      i+3a        a
//   wenner-gamma  wg    i          i+2a        i+a       i+3a        a
//   schlumberger  slm   i          i+(2n+1)a   i+na      i+(n+1)a    a, n
//   dipole-dipole dd    i+a        i           i+(n+1)a  i+(n+2)a    a, n
//   pole-dipole   pd    i          0           i+na      i+(n+1)a    a, n
//   pole-pole     pp    i          0           i+n       0           n
//   gradient      gr    i          i+(s+2)a    i+ka      i+(k+1)a    a; k = 1..s, s = n-max
//
// None of them repeats an electrode or puts M and N on one equipotential, so every
// configuration they give measures a signal.
enum class ArrayKind {
    WennerAlpha,
    WennerBeta,
    WennerGamma,
    Schlumberger,
    DipoleDipole,
    PoleDipole,
    PolePole,
    Gradient,
};

struct ArrayKindName {
    ArrayKind kind;
    QLatin1String name;
    QLatin1String alias;
};

// Every kind, in the order of the table above: the order a usage message lists them in.
const QVector<ArrayKindName> &arrayKindNames();

// The kind named by its full name or its alias, in any letter case; nothing for anything else.
std::optional<ArrayKind> findArrayKind(const QString &nameOrAlias);

// What a usage message offers instead of an unknown name:
// "wenner-alpha (wa), wenner-beta (wb), ..., gradient (gr)".
QString allowedArrayNames();

struct GenerateOptions {
    // The whole cable, as it is laid out for almost every line.
    static constexpr int DefaultElectrodes = CablePositions;
    // 15 is the widest spacing at which a Wenner, Schlumberger, dipole-dipole or gradient
    // configuration still fits on 48 electrodes ((48 - 1) / 3), so by default every array
    // reaches the deepest level the cable can give it. Only pole-dipole could go wider, and
    // its deep levels are the weakest.
    static constexpr int DefaultAMax = 15;
    // Beyond n = 6 the potential of a dipole-dipole or pole-dipole configuration (which falls
    // off as 1/n^3 and 1/n^2) sinks into the noise of a field instrument; 6 is the customary
    // limit. For gradient it gives 6 potential dipoles per current pair.
    static constexpr int DefaultNMax = 6;

    // Four electrodes are the least any array needs. The upper limits of a-max and n-max are
    // the widest steps that could ever fit on the cable; a larger value can only be a typo.
    // Within the limits, a value with which an array doesn't fit on the electrodes merely gives
    // fewer configurations (or none) of that array.
    static constexpr int MinElectrodes = 4;
    static constexpr int MaxElectrodes = CablePositions;
    static constexpr int MinAMax = 1;
    static constexpr int MaxAMax = CablePositions - 1;
    static constexpr int MinNMax = 1;
    static constexpr int MaxNMax = CablePositions - 1;

    // The cable's electrodes; for the rows of a whole line, the line's positions.
    int electrodes = DefaultElectrodes;
    int aMax = DefaultAMax;
    int nMax = DefaultNMax;
    bool reciprocals = false; // ignored by arrayConfigurations()
    // The potential dipoles of each current pair listed together, as the chain they form (see
    // formsChains()), for an instrument whose channels are chained.
    bool chained = false;

    // Within the limits above, with electrodes up to `positions`: the cable's, or
    // MaxLinePositions for the rows of a whole line.
    bool isValid(int positions = MaxElectrodes) const;
};

// Whether the array's potential dipoles of one current pair follow one another, N of one being
// M of the next: dipole-dipole, pole-dipole and gradient, whose M and N step along the line by
// a. The others read one dipole per current pair.
bool formsChains(ArrayKind kind);

// Remembers configurations so that a repeat is noticed, also with A and B or M and N swapped:
// a crew would measure the same thing twice.
class ConfigurationSet
{
public:
    // Adds the configuration; false when it, or a swapped variant, is already there.
    bool insert(const Quadruple &q);

private:
    QSet<ConfigurationKey> m_keys;
};

// The rows that a share of `count` comes to, for the PERCENT options of the commands: rounded
// half up ("--reciprocals 50" of 7 rows is 4), and at least one for any share above 0, which
// would otherwise ask for something and quietly give nothing.
inline int percentOf(int count, int percent)
{
    const int rows = int((qint64(count) * percent + 50) / 100);
    return percent > 0 && count > 0 ? std::max(1, rows) : rows;
}

// The configurations of one array in its loop order: a outermost, then n, then i (from 1, as
// long as every electrode stays within 1..electrodes), and for gradient k innermost; chained,
// for an array that forms chains, a, then i, then n, so that each current pair's chain stands
// together. Nothing is left out and no reciprocal added. Empty for options that aren't valid.
// As line rows (LineQuadruple), the arrays are laid along a whole line of options.electrodes
// positions, up to MaxLinePositions, in the same order.
template <typename Row = Quadruple>
QVector<Row> arrayConfigurations(ArrayKind kind, const GenerateOptions &options);

// The arrays one after another in the given order. A configuration that repeats an earlier one,
// also with A and B or M and N swapped, is left out, so a crew doesn't measure it twice: the
// Wenner-alpha configurations are, for instance, also Schlumberger ones with n = 1. With
// reciprocals, M N A B of every configuration follows the whole list, in the same order; a
// reciprocal that repeats a configuration already listed is left out as well (none of the
// standard arrays is the reciprocal of another, so this only guards the rule). Empty for
// options that aren't valid. As line rows, along a whole line, as arrayConfigurations() lays them.
template <typename Row = Quadruple>
QVector<Row> generateConfigurations(
    const QVector<ArrayKind> &kinds, const GenerateOptions &options);

// What kgw generate and the design window list for a cable.
struct ArrayListRequest {
    QVector<ArrayKind> kinds;
    GenerateOptions options; // electrodes, aMax, nMax, chained
    double spacingMetres = DefaultSpacingMetres;
    // Configurations whose |K| at the spacing is above this are too weak to measure well.
    double factorLimitMetres = std::numeric_limits<double>::infinity();
    ElectrodeSet excluded;
    ChannelRules rules; // its maxDipole leaves out longer potential dipoles
    int reciprocalShare = 0; // percent
};

struct ArrayList {
    // Which step left nothing of what the arrays gave, or that they gave nothing at all: an
    // empty list would only fail later, in the window or in convert, so it is not one to write.
    enum Emptied { NotEmptied, ByFactorLimit, ByExcluded, ByMaxDipole, NothingFits };
    Emptied emptied = NotEmptied; // configurations is empty unless NotEmptied
    QVector<Quadruple> configurations; // reciprocals included
    int overFactorLimit = 0;
    int usingExcluded = 0;
    int overMaxDipole = 0;
    int reciprocalsAsked = 0;
    int reciprocalsAdded = 0;
};

// The arrays as generateConfigurations() lists them, less those over the |K| limit, then those
// using an excluded electrode, then those beyond the dipole limit, each step counting what it
// left out; then percentOf(reciprocalShare) of what is left as groupedReciprocals, each new
// current pair serving as many as it can.
ArrayList makeArrayList(const ArrayListRequest &request);

// The electrode list: one "A B M N" line per configuration, each ended by "\n".
QByteArray electrodeListText(const QVector<Quadruple> &configurations);

} // namespace Kgw

#endif
