#ifndef KGW_SENSITIVITY_H
#define KGW_SENSITIVITY_H

#include "line.h"
#include "modelgrid.h"
#include "progress.h"
#include "quadruple.h"

#include <QVector>

namespace Kgw {

// The sensitivity of a homogeneous half-space to each cell of a grid, for current and potential
// electrodes on its surface.
//
// A quadruple's sensitivity is a signed sum of pole-pole terms S_PQ, one per current-potential
// pair (AM, AN, BM, BN; a remote electrode contributes none). The table holds the cell integrals
// of S_PQ, over the cell and along the whole strike direction, once for every pair of electrodes,
// so that the row of any quadruple costs four look-ups. Moving a pair along the cable moves its
// integrals by whole columns, so the table computes one pair per distance, over enough columns
// for every position, and hands out the others as views into it.
class PairTable
{
public:
    explicit PairTable(
        const ModelGrid &grid, const ProgressFunction &progress = ProgressFunction());

    const ModelGrid &grid() const { return m_grid; }

    // The cellCount() integrals of S_PQ for electrodes p and q (1..E, p != q, at most the
    // grid's spread() - 1 apart), in the grid's cell order. S_PQ is symmetric, so the order of p
    // and q doesn't matter.
    const double *pair(int p, int q) const;

    // The normalised sensitivity J = d ln(rho_a) / d ln(rho_cell) of a quadruple per cell,
    // K times the signed sum of its pairs; over a large enough grid the row sums to 1. False,
    // and out untouched, for a quadruple without a row: one that repeats an electrode, measures
    // no signal or uses an electrode beyond the grid's cable. A row of a line, in its positions,
    // also has none when it spans more electrodes than the cable that measures it.
    bool row(const Quadruple &q, double *out) const;
    bool row(const LineQuadruple &q, double *out) const;

    // The electrode pairs of a quadruple that carry signal, with their signs in G (+1 for AM and
    // BN, -1 for AN and BM), and K in metres. Returns how many pairs were filled, 0 when the
    // quadruple has no row.
    struct Term {
        int p = 0;
        int q = 0;
        int sign = 0;
    };
    int terms(const Quadruple &q, Term terms[4], double *factor) const;
    int terms(const LineQuadruple &q, Term terms[4], double *factor) const;

private:
    template <typename Row>
    int termsOf(const Row &q, Term terms[4], double *factor) const;
    template <typename Row>
    bool rowOf(const Row &q, double *out) const;

    ModelGrid m_grid;
    // Per distance d (index d, 0 unused): the integrals of a pair d steps apart over the grid's
    // columns and as many again to the left as a pair of that distance can move.
    QVector<QVector<double>> m_distances;
};

} // namespace Kgw

#endif
