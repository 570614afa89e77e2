#ifndef KGW_RESOLUTION_H
#define KGW_RESOLUTION_H

#include "surveymodel.h"

#include <QVector>

namespace Kgw {

// Every choice of four electrodes i < j < k < l of 1..E in its three arrangements that are not
// reciprocals of one another, (A, B, M, N) = (i, l, j, k), (i, j, k, l), (i, k, j, l): 3 C(E, 4)
// configurations.
QVector<Quadruple> comprehensiveConfigurations(int electrodes);

// What a sequence resolves.
struct SequenceResolution {
    QString error; // empty when the figures were worked out
    int configurations = 0;
    int withoutRow = 0; // repeated electrode, no signal, or an electrode beyond the cable
    int overLimit = 0; // |K| above the limit
    QVector<double> resolution; // R_jj per cell, in the grid's order
    // R_jj / R_jj of the comprehensive set per cell; 0 where that set resolves nothing.
    QVector<double> relative;
    double meanResolution = 0;
    // The mean of R_jj / R_jj of the comprehensive set, over the cells that set resolves at all
    // (R_jj > 0).
    double meanRelative = 0;

    bool ok() const { return error.isEmpty(); }
    int used() const { return configurations - withoutRow - overLimit; }
};

// The model resolution R = (GᵀWG + lambda CᵀC)^-1 GᵀWG of sequences on one cable, G the
// sensitivity rows, W = diag(1 / sigma²) and C the first differences between cells side by side
// and one above the other. Constructing it works out the comprehensive set, which fixes lambda
// and the resolution every sequence is compared with.
class ResolutionModel
{
public:
    // Keeps a reference to the survey, which must outlive it.
    explicit ResolutionModel(
        const SurveyModel &survey, const ProgressFunction &progress = ProgressFunction());

    // False, with error() saying why, when the survey is invalid, the comprehensive set has no
    // configuration within the limit, which leaves nothing to compare with, or its equations
    // cannot be solved.
    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    const SurveyModel &survey() const { return m_survey; }
    double lambda() const { return m_lambda; }
    const SequenceResolution &comprehensive() const { return m_comprehensive; }

    // Figures with an error when the sequence's equations cannot be solved.
    SequenceResolution evaluate(const QVector<Quadruple> &sequence,
        const ProgressFunction &progress = ProgressFunction()) const;

private:
    const SurveyModel &m_survey;
    QString m_error;
    double m_lambda = 0;
    SequenceResolution m_comprehensive;
};

// Σ |J| over the rows of the sequence that have one and stay within the limit, per cell.
QVector<double> cumulativeSensitivity(
    const SurveyModel &survey, const QVector<Quadruple> &sequence);

} // namespace Kgw

#endif
