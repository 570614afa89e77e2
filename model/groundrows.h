#ifndef KGW_GROUNDROWS_H
#define KGW_GROUNDROWS_H

#include "ground.h"
#include "mesh.h"
#include "resolution.h"

#include <Eigen/Core>
#include <Eigen/SparseCore>

#include <QString>
#include <QVector>

#include <memory>

namespace Kgw {

// How much of each forward-mesh cell lies in each cell of the grid, |grid cell ∩ mesh cell| /
// |mesh cell|: grid cells × mesh cells. A change of log-resistivity over a grid cell changes its
// forward cells together, so their sensitivities add, and a forward cell that straddles grid
// cells gives each the share of its area that lies there. Forward cells outside the grid have
// no entry: the sections leave what lies beyond the grid out, over a ground as over none.
// Stretched, the grid's outer columns and its bottom layer reach to the mesh's boundaries, so
// that every forward cell is in some grid cell, as an inversion's parameters must cover all the
// ground the readings feel.
enum class GridReach { Within, Stretched };
Eigen::SparseMatrix<double> meshToGrid(
    const Mesh &mesh, const ModelGrid &grid, GridReach reach = GridReach::Within);

class ForwardModel;
class GroundModel;

// The pole-pole readings over a ground of every pair of electrodes the survey holds, in its pair
// order (SurveyModel::pairIndex()). A row over the ground is (1 / r) Σ s_p t_p, r its transfer
// resistance Σ s_p r_p: made of these as a row over a uniform ground is of the survey's pairs().
struct GroundPairs {
    // t_p = ∂ r_p / ∂ ln ρ on the grid: cells × pairs.
    Eigen::MatrixXd vectors;
    // r_p, in the forward model's unit.
    Eigen::VectorXd resistances;

    double resistance(const SurveyRow &row) const;
    // How much of the configuration's signal cancels over the ground, as signalCancellation()
    // counts it over a uniform one, of the four electrodes' pole-pole readings there: a reading
    // the ground has brought near zero is as fragile as one the geometry has.
    double cancellation(const SurveyModel &survey, const Quadruple &q) const;
};

// The rows of G of a sequence over a ground, as the survey's rows are over a uniform one: the
// same configurations have a row and weigh the same (SurveyModel::row()), but each row's
// sensitivity is that of the ground, from the forward model's Jacobian by reciprocity, on the
// survey's grid. The sections and the resolution take these wherever they take a survey's rows.
//
// A row's sensitivity is ∂ ln r / ∂ ln ρ_cell, r its transfer resistance. The uniform model's
// (PairTable::row()) is the sensitivity of the apparent resistivity, ∂ ln ρa / ∂ ln ρ_cell;
// ρa = K r with K fixed by where the electrodes stand, so ln ρa and ln r differ by a constant
// and the two are one derivative, taken at a uniform ground there and at this ground here.
class GroundRows
{
public:
    // Empty when the rows were worked out; else why not, as a user reads it.
    QString error() const { return m_error; }
    bool isValid() const { return m_error.isEmpty(); }

    const SurveyModel &survey() const { return *m_survey; }
    // The sequence's configurations and those without a row or over the limits, as the survey
    // counts them; no figures.
    const SequenceResolution &counts() const { return m_counts; }
    // ∂ ln r / ∂ ln ρ: grid cells × the rows that have one, in the sequence's order.
    const Eigen::MatrixXd &sensitivity() const { return m_sensitivity; }
    // Per row, 1 / sigma in the survey's unit of weight: sensitivity() times it is G.
    const Eigen::VectorXd &weights() const { return m_weights; }

private:
    friend class GroundModel;
    explicit GroundRows(const SurveyModel &survey)
        : m_survey(&survey)
    { }

    const SurveyModel *m_survey;
    QString m_error;
    SequenceResolution m_counts;
    Eigen::MatrixXd m_sensitivity;
    Eigen::VectorXd m_weights;
};

// A ground under the survey's electrodes, worked out once for every sequence judged over it:
// its forward model on a mesh about the electrodes, whose Jacobian is taken onto the grid.
class GroundModel
{
public:
    // The survey must outlive it.
    GroundModel(const SurveyModel &survey, const Ground &ground, const MeshOptions &mesh = {});
    ~GroundModel();

    // Empty when the ground can be modelled; else why not, as a user reads it.
    QString error() const { return m_error; }
    // The cells of the mesh the forward model works on.
    int meshCells() const { return m_meshCells; }

    // The rows of a sequence. The first sequence also solves the ground's fields, most of the
    // work.
    GroundRows rows(
        const QVector<Quadruple> &sequence, const ProgressFunction &progress = ProgressFunction());
    GroundRows rows(const QVector<LineQuadruple> &sequence,
        const ProgressFunction &progress = ProgressFunction());
    // The pairs of a cable's survey, worked out at the first call. Needs a model without error().
    const GroundPairs &pairs(const ProgressFunction &progress = ProgressFunction());

private:
    template <typename Row>
    GroundRows rowsOf(const QVector<Row> &sequence, const ProgressFunction &progress);

    const SurveyModel &m_survey;
    QString m_error;
    int m_meshCells = 0;
    std::unique_ptr<ForwardModel> m_forward;
    Eigen::SparseMatrix<double> m_share;
    std::unique_ptr<GroundPairs> m_pairs;
};

// Σ |J| per cell over the rows, as cumulativeSensitivity() of a survey counts it.
QVector<double> cumulativeSensitivity(const GroundRows &rows);

} // namespace Kgw

#endif
