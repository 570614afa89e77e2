#ifndef KGW_LINE_H
#define KGW_LINE_H

#include "quadruple.h"

#include <QPointF>
#include <QSet>
#include <QString>
#include <QVector>

#include <optional>

namespace Kgw {

// A survey line longer than the cable is measured in spreads: the cable is laid, measured, and
// moved along the line (roll-along). Its positions run from 1 to the line's length; 0 is a
// remote electrode, as on the cable.

// The longest line that is planned. It covers the lines crews roll along in one survey (5 km at
// 5 m, 10 km at 10 m) and keeps what grows with the line small: the geometry's exact step
// fractions stay far inside a double's 53 bits (999^4 < 2^40), and the median depth keeps a search
// grid of about 16 KiB for each nearest pair distance a line uses.
constexpr int MaxLinePositions = 1000;

// A measurement in line positions, under the remote rules of a cable row. A row of its own, since
// a Quadruple's byte per electrode, on which the memory of long cable lists rests, holds no
// position past 127.
using LineQuadruple = BasicQuadruple<qint16>;
static_assert(sizeof(LineQuadruple) == 8, "a line row takes eight bytes");

// Whether a configuration's reciprocal counts as the configuration itself: it measures the same
// transfer resistance, so a crew that measures reciprocals on purpose keeps them apart, and one
// that only wants each configuration once across spreads counts them alike.
enum class Reciprocals { Distinct, Same };

// One key for a row and its variants with A and B or M and N swapped, which measure the same
// thing, and with Reciprocals::Same for the reciprocal's too. Exact for any electrode values:
// two rows share a key only when they are such variants of each other.
using LineConfigurationKey = quint64;
LineConfigurationKey configurationKey(
    const LineQuadruple &q, Reciprocals reciprocals = Reciprocals::Distinct);

// Remembers line rows so that a configuration is measured once along the whole line, whichever
// spreads and arrays offer it again.
class LineConfigurationSet
{
public:
    explicit LineConfigurationSet(Reciprocals reciprocals = Reciprocals::Distinct)
        : m_reciprocals(reciprocals)
    { }

    // Adds the configuration; false when it, or a variant that counts as it, is already there.
    bool insert(const LineQuadruple &q);
    bool contains(const LineQuadruple &q) const;
    int size() const { return m_keys.size(); }

private:
    Reciprocals m_reciprocals;
    QSet<LineConfigurationKey> m_keys;
};

// The cable row measured on a spread whose electrode 1 stands at line position `first`, in line
// positions; a remote electrode stays remote. With `first` 1 the positions stay as they are: the
// cable row as the functions of line rows take it.
inline LineQuadruple toLinePositions(const Quadruple &q, int first = 1)
{
    const auto shifted = [first](int e) { return e == 0 ? 0 : e + first - 1; };
    return LineQuadruple(shifted(q.a), shifted(q.b), shifted(q.m), shifted(q.n));
}

// The line row as the cable of `electrodes` laid from line position `first` measures it, in cable
// positions 1 to `electrodes`; nothing where an electrode lies off that spread.
std::optional<Quadruple> toCablePositions(
    const LineQuadruple &q, int first, int electrodes = CablePositions);

// The lowest and highest position that a row uses, remote electrodes left out: how much of the
// line a spread must cover to measure it. Both 0 for a row of remote electrodes only.
struct ElectrodeSpan {
    int lowest = 0;
    int highest = 0;

    // How many electrodes of a cable lie from the lowest to the highest, both counted.
    int positions() const { return lowest == 0 ? 0 : highest - lowest + 1; }
};
ElectrodeSpan electrodeSpan(const LineQuadruple &q);

// The spreads that a line of `linePositions` is measured in with a cable of `electrodes`, moved
// by `move` each time. Spread k (from 1) covers line positions 1 + (k - 1) * move to
// (k - 1) * move + electrodes; the last one ends at the line's end, so the move onto it may be
// shorter, which a plan must tell the crew.
class SpreadLayout
{
public:
    // The layout, or nothing with *error (where given) saying, as the crew reads it, why no
    // roll-along measures the line so: a cable outside 4 to CablePositions, a line longer than
    // MaxLinePositions or shorter than the cable, a move below 1, or one longer than the cable,
    // which leaves positions between spreads that no spread covers.
    static std::optional<SpreadLayout> plan(
        int linePositions, int electrodes, int move, QString *error);

    int linePositions() const { return m_linePositions; }
    int electrodes() const { return m_electrodes; }
    int move() const { return m_move; }
    int count() const { return m_count; }

    // The line position of cable electrode 1 on spread k, 1 to count(); cable electrode e stands
    // at firstPosition(k) + e - 1.
    int firstPosition(int spread) const;
    // How far the cable moves onto the last spread: move(), or less where the line ends sooner;
    // 0 for a line of one spread.
    int lastMove() const;
    // The first spread that holds every electrode of q, 1 to count(); a remote electrode lies in
    // every spread. 0 when none does: the row is longer than the cable, straddles two spreads,
    // or lies off the line. In constant time, as it is asked for every row of a plan.
    int firstHolding(const LineQuadruple &q) const;

    // How deep the spreads can look, as a line through a pseudosection (x along the line from
    // position 1, z down, in metres): a configuration within positions lo to hi whose
    // pseudo-position is x reaches no deeper than depthRatio × 2 min(x - x_lo, x_hi - x), so the
    // configurations a spread holds lie within a triangle under it, 0 at its ends and
    // depthRatio × (E - 1) spacings deep at its middle. The line runs along the top of the
    // triangles, through the notch where two overlap, depthRatio × (E - 1 - move) spacings deep
    // halfway between the end of one and the start of the next (at the surface where they only
    // touch or leave a spacing between them). Below it no spread's configurations reach.
    QVector<QPointF> reachEnvelope(double spacingMetres, double depthRatio) const;

private:
    SpreadLayout(int linePositions, int electrodes, int move);

    int m_linePositions;
    int m_electrodes;
    int m_move;
    int m_count;
};

} // namespace Kgw

Q_DECLARE_TYPEINFO(Kgw::LineQuadruple, Q_PRIMITIVE_TYPE);

#endif
