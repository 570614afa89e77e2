#ifndef KGW_INJECTION_H
#define KGW_INJECTION_H

#include "quadruple.h"

#include <QString>
#include <QVector>

#include <cstdlib>
#include <optional>
#include <vector>

namespace Kgw {

// How a multichannel instrument wires the potential dipoles of one injection: each channel on
// two electrodes of its own (free), or the channels in a row along a chain of electrodes, N of
// one dipole being M of the next (chained), which needs one electrode fewer per dipole. kgw and
// the window name them "free" and "chained", in this order.
enum class ChannelLayout {
    Free,
    Chained,
};

// The most potential dipoles an instrument reads for one injection: as many as its cable has
// electrodes, the limit of every instrument the sequence file is written for.
constexpr int MaxChannels = CablePositions;

// What one injection may read at once.
struct ChannelRules {
    ChannelLayout layout = ChannelLayout::Free;
    // The longest potential dipole |M - N|, in electrode spacings; 0 for no limit. A remote M
    // or N is farther than any limit.
    int maxDipole = 0;
    // A dipole around a current electrode reads a potential far above its neighbours', which
    // sets the gain of the channels read with it; it stays alone unless this allows it.
    bool allowEnclosing = false;
};

// Whether a current electrode stands strictly between M and N. A remote electrode is off the
// line: it encloses nothing and is never enclosed.
bool enclosesCurrent(const Quadruple &q);

// Whether the potential dipole is no longer than `maxDipole` spacings (0: no limit), on the
// cable or along a line.
template <typename Electrode>
bool withinMaxDipole(const BasicQuadruple<Electrode> &q, int maxDipole)
{
    if (maxDipole <= 0)
        return true;
    return q.m != 0 && q.n != 0 && std::abs(q.m - q.n) <= maxDipole;
}

// Whether the rows may be read in one injection, in their order: one current pair A B, every
// dipole within the maximum, and, for more than one row, no dipole enclosing a current
// electrode (unless allowed) and, chained, N of each row M of the next, no electrode twice.
bool isValidGroup(const Quadruple *rows, int count, const ChannelRules &rules);

// The injections that read `rows`, as indices into them: rows of one current pair, up to
// `channels` to an injection, grouped as the rules allow (free: in their order; chained: along
// chains, as long as they can be made), the rest alone. Groups stand in the order of their
// earliest row. Every row is in exactly one group.
std::vector<std::vector<int>> injectionGroups(
    const QVector<Quadruple> &rows, int channels, const ChannelRules &rules);

// The injections the sequence takes as listed: consecutive rows form one while they make a
// valid group of at most `channels`.
int injectionCount(
    const QVector<Quadruple> &sequence, int channels, const ChannelRules &rules = ChannelRules());

// For each row, the injection it is read in, counted from 0 as injectionCount() counts them.
QVector<int> injectionOfRows(
    const QVector<Quadruple> &sequence, int channels, const ChannelRules &rules);

// Turns every row to K > 0, as withPositiveFactor() does, so that no reading comes out as a
// negative voltage; but not in a chained layout, whose chain fixes the direction of each dipole
// (N of one is M of the next), whatever its sign.
void turnToPositiveFactor(QVector<Quadruple> *rows, ChannelLayout layout);

// Up to `count` reciprocals (M N A B) of `rows`, as whole injections of their new current pair
// M N: the pairs that the most rows share first, so that an injection serves as many of them as
// the channels allow. A reciprocal that repeats a row or another reciprocal (also with A and B
// or M and N swapped) is left out, and so is one whose new potential dipole is longer than the
// rules' maximum, which the instrument could not read.
QVector<Quadruple> groupedReciprocals(
    const QVector<Quadruple> &rows, int count, int channels, const ChannelRules &rules);

} // namespace Kgw

#endif
