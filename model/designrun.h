#ifndef KGW_DESIGNRUN_H
#define KGW_DESIGNRUN_H

#include "arrays.h"
#include "design.h"

#include <QString>
#include <QVector>

namespace Kgw {

class GroundModel;

// What a design is asked for, as kgw design and the design window read it.
struct DesignRequest {
    // options.base is filled by makeDesign.
    DesignOptions options;
    // Percent of the measurements taken from the standard arrays.
    int baseShare = DesignOptions::DefaultBaseShare;
    // The count of them instead, when not negative: a first survey's rows are a count.
    int baseCount = -1;
    // Arrays the design starts from too, at a = n = 1.
    QVector<ArrayKind> baseArrays;
    // Percent of the design added as reciprocals after it.
    int reciprocalShare = 0;
    // The ground to design over and judge the design on, rather than a uniform one; it must be
    // of the survey the design is for.
    GroundModel *ground = nullptr;
};

// A sequence's figures beside those of the standard arrays of its size, which every figure of a
// sequence is judged against.
struct StandardComparison {
    QVector<Quadruple> standard; // the standard arrays of the sequence's size
    SequenceResolution sequence;
    SequenceResolution arrays; // of standard
};

// Works the two out side by side, the standard arrays on a thread of their own: `progress`
// follows the sequence's, and `besideProgress`, called from that other thread, the arrays' (give
// one only where that is safe; either may throw Cancelled to stop both).
StandardComparison compareWithStandardArrays(const ResolutionModel &model,
    const QVector<Quadruple> &sequence, const ProgressFunction &progress = ProgressFunction(),
    const ProgressFunction &besideProgress = ProgressFunction());

// The base the request's design starts from on the survey's cable: its share of the standard
// arrays, then its base arrays at a = n = 1.
QVector<Quadruple> designBase(const SurveyModel &survey, const DesignRequest &request);

struct DesignRun {
    QString error; // empty when made
    DesignResult design;
    // What is written: the design and its reciprocals, each with K > 0 unless chained.
    QVector<Quadruple> written;
    QVector<Quadruple> reciprocals; // the added ones, as groupedReciprocals gives them
    int reciprocalsAsked = 0;
    QVector<Quadruple> standard; // the standard arrays of the design's size
    SequenceResolution designed; // of design.configurations
    SequenceResolution arrays; // of standard

    bool ok() const { return error.isEmpty(); }
};

// Everything a design takes between reading its options and writing it: the base, the design,
// its figures beside those of the standard arrays of its size, and the reciprocals. `progress`
// gets 0..1 of the design and its two evaluations. The model must have been made from the survey
// the design is for.
DesignRun makeDesign(const ResolutionModel &model, const DesignRequest &request,
    const ProgressFunction &progress = ProgressFunction());

} // namespace Kgw

#endif
