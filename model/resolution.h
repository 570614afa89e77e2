#ifndef KGW_RESOLUTION_H
#define KGW_RESOLUTION_H

#include "surveymodel.h"

#include <QVector>

#include <vector>

namespace Kgw {

class GroundRows;

// Every choice of four electrodes i < j < k < l of 1..E in its three arrangements that are not
// reciprocals of one another, (A, B, M, N) = (i, l, j, k), (i, j, k, l), (i, k, j, l): 3 C(E, 4)
// configurations.
QVector<Quadruple> fourElectrodeConfigurations(int electrodes);

// Every configuration the cable can measure, once: the four-electrode ones, then those with a
// remote electrode, pole-pole (A, 0, M, 0) for A < M and pole-dipole (A, 0, M, N) for M < N;
// a dipole-pole configuration is the reciprocal of a pole-dipole one and measures the same.
// 3 C(E, 4) + C(E, 2) + E C(E - 1, 2) configurations, the best any sequence on the cable can do.
QVector<Quadruple> comprehensiveConfigurations(int electrodes);

// What a sequence resolves.
struct SequenceResolution {
    QString error; // empty when the figures were worked out
    int configurations = 0;
    int withoutRow = 0; // repeated electrode, no signal, or an electrode beyond the cable
    int overLimit = 0; // |K| above the limit
    QVector<double> resolution; // R_jj per cell, in the grid's order
    // R_jj / R_jj of the comprehensive set per cell; 0 where the model does not compare.
    QVector<double> relative;
    double meanResolution = 0;
    // The mean of R_jj / R_jj of the comprehensive set, over the cells the model compares.
    double meanRelative = 0;

    bool ok() const { return error.isEmpty(); }
    int used() const { return configurations - withoutRow - overLimit; }
};

// The rows of the sequence that the survey gives one, in its order, and the counts of the others:
// a SequenceResolution without figures. `used`, when given, gets each row's index in the sequence.
SequenceResolution sequenceRows(const SurveyModel &survey, const QVector<Quadruple> &sequence,
    std::vector<SurveyRow> *rows, std::vector<int> *used = nullptr);
SequenceResolution sequenceRows(const SurveyModel &survey, const QVector<LineQuadruple> &sequence,
    std::vector<SurveyRow> *rows, std::vector<int> *used = nullptr);

// The limits the options set on a configuration's reading, "the |K| limit of 1000 m and the least
// voltage of …", as messages name them; empty when none is set.
QString limitsText(const ResolutionOptions &options);

// Why configurations of a sequence give no row: "of 12 configurations, 3 beyond the |K| limit
// of 100 m, 9 with no signal or a repeated electrode, or one beyond the cable".
QString withoutRowsText(const SequenceResolution &result, const ResolutionOptions &options);

// value × 2^exponent with four significant digits, also where that is beyond what a double
// holds ("7.189e-400").
QString scaledNumber(double value, int exponent);

// The model resolution R = (GᵀWG + lambda CᵀC)^-1 GᵀWG of sequences on one cable, G the
// sensitivity rows, W = diag(1 / sigma²) and C the first differences between cells side by side
// and one above the other. Constructing it works out the comprehensive set, which fixes lambda
// and the resolution every sequence is compared with. On a line, that set is every
// configuration a spread could hold, wherever the cable lies along it
// (SurveyModel::lineComprehensiveMatrix()): what the line can measure, whatever the move, so that
// plans of one line in different moves are judged on the same footing.
class ResolutionModel
{
public:
    // Where even the comprehensive set resolves less of a cell than this, R_jj there is mostly
    // smoothing and rounding, and a ratio to it would say nothing about the sequence: such cells
    // are not compared.
    static constexpr double MinComparedResolution = 0.01;

    // Keeps a reference to the survey, which must outlive it.
    explicit ResolutionModel(
        const SurveyModel &survey, const ProgressFunction &progress = ProgressFunction());

    // False, with error() saying why, when the survey is invalid, the comprehensive set has no
    // configuration within the limits or resolves no cell to MinComparedResolution, which
    // leaves nothing to compare with, or its equations cannot be solved.
    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    const SurveyModel &survey() const { return m_survey; }
    // In the unit the survey weighs its rows in (SurveyModel::weightExponent()).
    double lambda() const { return m_lambda; }
    // lambda as sigma in plain units gives it, as reports print it.
    QString lambdaText() const;
    const SequenceResolution &comprehensive() const { return m_comprehensive; }
    // Whether the relative figures count the cell: the comprehensive set resolves at least
    // MinComparedResolution of it.
    bool isCompared(int cell) const;

    // Figures with an error when the sequence's equations cannot be solved. On a line, the rows
    // are in its positions.
    SequenceResolution evaluate(const QVector<Quadruple> &sequence,
        const ProgressFunction &progress = ProgressFunction()) const;
    SequenceResolution evaluateLine(const QVector<LineQuadruple> &sequence,
        const ProgressFunction &progress = ProgressFunction()) const;
    // The figures of a sequence over a ground, from its rows on this model's survey. lambda and
    // the comprehensive set compared with stay those of the uniform ground: the comprehensive
    // set over each ground would take its hundreds of thousands of rows through the forward
    // model, and one footing for every ground lets a ground and none, or two sequences over
    // it, be compared figure by figure.
    SequenceResolution evaluate(
        const GroundRows &rows, const ProgressFunction &progress = ProgressFunction()) const;

private:
    template <typename Row>
    SequenceResolution evaluateRows(
        const QVector<Row> &sequence, const ProgressFunction &progress) const;

    const SurveyModel &m_survey;
    QString m_error;
    double m_lambda = 0;
    SequenceResolution m_comprehensive;
};

// Σ |J| over the rows of the sequence that have one and stay within the limit, per cell.
QVector<double> cumulativeSensitivity(
    const SurveyModel &survey, const QVector<Quadruple> &sequence);
QVector<double> cumulativeSensitivity(
    const SurveyModel &survey, const QVector<LineQuadruple> &sequence);

// The relative resolution below which a cell counts as unseen by a sequence: a tenth of what
// every configuration of the cable together resolves there, the rest being the smoothing. On 24
// electrodes 2 m apart, --grid-depth 25, it puts Wenner-alpha of a = 1 at 2.1 m and of a <= 3
// at 11.4 m; at half that level the latter already reached the bottom of what the comprehensive set
// resolves at all, and the line told nothing about the sequence.
constexpr double InvestigationLevel = 0.1;

// The depth of investigation of a sequence as its relative resolution tells it: the bottom of
// the deepest layer in which at least half of the cells under the cable (their centres from 0
// to cableLength along it) reach `level`; 0 when none does. Beyond the cable's ends no
// configuration looks down, and what the smoothing carries there says nothing about the
// sequence; near them, the grid's sides hold the cells less, and a column or two looks resolved
// far deeper than the ground beneath the rest of the cable. `relative` holds a value per cell,
// column by column and top to bottom within a column, of the grid that xEdges and zEdges bound.
double resolvedDepth(const QVector<double> &xEdges, const QVector<double> &zEdges,
    const QVector<double> &relative, double cableLength, double level = InvestigationLevel);

// The deepest median depth of investigation (medianDepth) among the rows of the sequence that
// have one and stay within the limit; NaN when none does.
double deepestMedianDepth(const SurveyModel &survey, const QVector<Quadruple> &sequence);
double deepestMedianDepth(const SurveyModel &survey, const QVector<LineQuadruple> &sequence);

} // namespace Kgw

#endif
