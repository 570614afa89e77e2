#ifndef KGW_SURVEYMODEL_H
#define KGW_SURVEYMODEL_H

#include "electrodeset.h"
#include "geometry.h"
#include "sensitivity.h"

#include <Eigen/Core>

#include <QString>

#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace Kgw {

// How uncertain a measured apparent resistivity is, relative to its value: a share of it, what a
// ground that is not uniform adds to a reading that cancels, and what a fixed voltage floor
// adds. The measured voltage is rho I / K, so the floor weighs more
// the larger |K|: sigma = relativeError + floorPerMetre × |K|, floorPerMetre being the voltage
// floor over rho I. The defaults, 3 % and 100 µV at 100 Ωm and 100 mA (1e-5 per metre), are
// a common field instrument on common ground.
struct NoiseModel {
    static constexpr double DefaultRelativeError = 0.03;
    static constexpr double DefaultFloorPerMetre = 1e-5;

    // A ground that is not uniform moves each part of a reading (signalCancellation) by about
    // this share, and the reading by that many times as much: readings that are small
    // differences of large parts fit a real ground far worse than a uniform one, and count for
    // less. As much as the relative error by default: with it, the linear figures ordered the
    // lists as a nonlinear inversion of three synthetic grounds did, and without it they
    // favoured the list that inversion imaged worst.
    static constexpr double DefaultCancellationError = 0.03;

    double relativeError = DefaultRelativeError;
    double floorPerMetre = DefaultFloorPerMetre;
    double cancellationError = DefaultCancellationError;

    // In units of 2^exponent: scaled by a power of two, so that the weights can be worked out
    // in a unit of the model's choosing to the last bit (weightExponent()).
    double sigma(double factorMetres, double cancellation = 1, int exponent = 0) const;

    // Empty when the weights 1 / sigma² can be worked out in some unit; else what to change.
    QString error() const;
    // The power of two the model's weights take sigma in: none at the defaults, and one that
    // brings the largest of the three coefficients near the default relative error otherwise.
    // Only the ratios of the weights matter (lambda follows their scale), and without a unit of
    // its own a crew's tiny ground or current made them underflow and every figure nan.
    int weightExponent() const;

    // The floor's share of a reading is floor / V, V = rho I / |K| the voltage expected over the
    // crew's ground with the crew's current: floorPerMetre for a floor in volts, a ground in
    // ohm m and a current in amperes.
    static double floorPerMetreAt(
        double floorVolts, double resistivityOhmMetres, double currentAmperes);
};

struct ResolutionOptions {
    // lambda = damping × trace(GᵀWG) / trace(CᵀC) of the comprehensive set: fixed by the cable,
    // so every sequence on it is judged on the same footing. With much weaker smoothing the
    // relative resolution of any sequence that sees a cell at all comes close to 1 there, and
    // the figure no longer tells a good design from a poor one.
    static constexpr double DefaultDamping = 3e-2;

    NoiseModel noise;
    // Configurations whose |K| exceeds this many metres are left out, also from the
    // comprehensive set.
    double factorLimit = std::numeric_limits<double>::infinity();
    // The ground and current a configuration's voltage rho I / |K| is expected at; those whose
    // voltage is below minVoltage (volts) are left out like those over the |K| limit. The
    // defaults, 100 ohm m and 100 mA, are those NoiseModel's default floor is counted at.
    double resistivityOhmMetres = DefaultResistivityOhmMetres;
    double currentAmperes = DefaultCurrentAmperes;
    double minVoltage = 0;
    // Dead or missing electrodes: no configuration that uses one has a row, in the comprehensive
    // set neither, so that a design on the cable is judged by what the cable can still measure.
    ElectrodeSet excluded;
    double damping = DefaultDamping;
};

// One configuration's row of G, K / sigma times a signed sum of pole-pole pair vectors. Small,
// because a design keeps one for every configuration the cable can make.
struct SurveyRow {
    double scale = 0; // K / sigma
    quint16 pair[4] = {};
    qint8 sign[4] = {}; // 0 past the last pair
    qint32 current = -1; // the pair index of A and B; -1 for a remote B
};

// The rows as columns in the space of `basis`, a matrix with a column per pair: with T, the rows
// of G themselves.
Eigen::MatrixXd rowColumns(const Eigen::MatrixXd &basis, const std::vector<SurveyRow> &rows);

// The linearised survey of one cable, or of a line measured in spreads of one cable, over a
// homogeneous ground: the grid, the pair vectors T (cells × pairs) that every row of G is made of,
// which configurations give a row and what it weighs, and the smoothness that regularises what the
// rows leave open. Resolution and design both work on it, so that they judge a configuration by
// the same rule. On a line (ModelGrid::isLine()) only pairs of electrodes that one cable holds
// have a column, and the rows come in line positions.
class SurveyModel
{
public:
    // Its matrices are cells × cells, and the work grows with the cube: beyond this many cells a
    // grid would take minutes and gigabytes.
    static constexpr int MaxCells = 4000;
    // The least reciprocal condition number of GᵀWG + lambda CᵀC whose figures are worked out.
    static constexpr double MinReciprocalCondition = 1e-13;

    enum RowStatus {
        HasRow,
        WithoutRow, // repeated electrode, no signal, an electrode beyond the cable or excluded
        OverLimit // |K| above the limit, or the expected voltage below the least
    };

    // What the model is for: a sensitivity needs only the pair table; a resolution also needs T
    // and the smoothness, and a grid of at most MaxCells cells.
    enum Scope { Sensitivity, Resolution };

    // An invalid model, with error() saying why, when the grid makes no sense or, for a
    // resolution, has more than MaxCells cells or a noise model without weights.
    SurveyModel(const ModelGrid &grid, const ResolutionOptions &options, Scope scope = Resolution,
        const ProgressFunction &progress = ProgressFunction());

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    const ModelGrid &grid() const { return m_table.grid(); }
    const PairTable &table() const { return m_table; }
    const ResolutionOptions &options() const { return m_options; }
    Scope scope() const { return m_scope; }
    Eigen::Index cellCount() const { return grid().cellCount(); }
    Eigen::Index pairCount() const { return m_pairCount; }

    // The column of T for electrodes p and q (1..E, p != q, in either order, at most the grid's
    // spread() - 1 apart): the pairs in order of their lower electrode, then of their distance.
    int pairIndex(int p, int q) const;
    // T itself, for a cable; empty on a line, whose T is far larger than the work on it needs.
    const Eigen::MatrixXd &pairs() const { return m_pairs; }

    // The one rule for which configurations get a row, and their weight. A line row has none
    // where it spans more electrodes than the cable.
    RowStatus row(const Quadruple &q, SurveyRow *row) const;
    RowStatus row(const LineQuadruple &q, SurveyRow *row) const;

    // GᵀWG of the rows, in the lower triangle.
    Eigen::MatrixXd normalMatrix(const std::vector<SurveyRow> &rows,
        const ProgressFunction &progress = ProgressFunction()) const;

    // How many configurations a set holds, and of them how many give no row or are beyond the
    // limits.
    struct RowCounts {
        int configurations = 0;
        int withoutRow = 0;
        int overLimit = 0;
    };
    // On a line: GᵀWG, in the lower triangle, of every configuration that a spread could hold,
    // wherever along the line the cable lies: those of a cable of spread() electrodes, laid from
    // each position on that it fits from. Worked out without a row per configuration, of which a
    // line has millions.
    Eigen::MatrixXd lineComprehensiveMatrix(
        RowCounts *counts, const ProgressFunction &progress = ProgressFunction()) const;

    // The power of two W is worked out in (NoiseModel::weightExponent()): W and lambda are
    // 2^(-2 × it) times what sigma in plain units gives.
    int weightExponent() const { return m_weightExponent; }

    // Per cell, the cells it is differenced with in the smoothness C: the one beside it on
    // either side and the one above and below.
    const std::vector<std::vector<int>> &neighbours() const { return m_neighbours; }
    double smoothnessTrace() const;
    // Adds lambda CᵀC to the lower triangle of a.
    void addSmoothness(Eigen::MatrixXd &a, double lambda) const;

    // Overwrites the lower triangle of a, GᵀWG + lambda CᵀC, with its Cholesky factor L. False,
    // with error saying which option to change, when a holds a number too large to compute with
    // (weights that span more than a double holds) or is too near singular
    // (MinReciprocalCondition) to solve in working precision: then the damping is too weak for
    // the grid.
    bool factorise(Eigen::MatrixXd &a, QString *error) const;

private:
    template <typename Row>
    RowStatus rowOf(const Row &q, SurveyRow *row) const;
    // The row's status and weight, whatever electrodes are excluded.
    template <typename Row>
    RowStatus weighRow(const Row &q, SurveyRow *row) const;
    Eigen::MatrixXd lineNormalMatrix(
        const std::vector<SurveyRow> &rows, const ProgressFunction &progress) const;
    // Calls visit for every row of a line that has a pair whose lower electrode is p.
    using RowVisitor = std::function<void(const SurveyRow &)>;
    using RowsAt = std::function<void(int p, const RowVisitor &visit)>;
    Eigen::MatrixXd bandedNormalMatrix(
        const RowsAt &rowsAt, const ProgressFunction &progress) const;
    Eigen::Map<const Eigen::VectorXd> pairColumn(int index) const;

    PairTable m_table;
    ResolutionOptions m_options;
    Scope m_scope;
    QString m_error;
    Eigen::MatrixXd m_pairs;
    // Per electrode p, the index of the first pair whose lower electrode it is; and per pair
    // index, its electrodes.
    std::vector<int> m_pairOffsets;
    std::vector<std::pair<qint16, qint16>> m_pairElectrodes;
    Eigen::Index m_pairCount = 0;
    std::vector<std::vector<int>> m_neighbours;
    int m_weightExponent = 0;
};

} // namespace Kgw

#endif
