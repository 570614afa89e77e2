#ifndef KGW_TESTPICTURE_H
#define KGW_TESTPICTURE_H

#include "sectionplot.h"

#include <QString>
#include <QVector>

namespace Kgw {

// What one list made of a known ground in a synthetic test, as its picture shows it.
struct TestImage {
    QString name; // the list's, as the table names it
    SectionPlot plot; // the recovered model, on the section the truth is drawn on
    // RMS of log10(image / truth) over the section scored and over the ground's bodies; NaN
    // where there is nothing to score.
    double rmsSection = 0;
    double rmsBodies = 0;
};

// Puts every panel on one colour scale, spanning the values of them all, so that one
// resistivity looks the same in each.
void spanTogether(QVector<SectionPlot> *panels);

// The true ground and each list's image of it, one panel a row with the truth at the top, so
// that a crew sees at a glance which list shows the ground best. Every panel takes one colour
// scale, spanning the values of them all, as one resistivity must look the same in each; each
// image is headed by its list's name and RMS figures, and the depth scored is dashed across
// every panel. Refused, with nothing written, when there is no image to compare.
WriteResult writeTestPicture(const QString &fileName, SectionPlot truth,
    const QVector<TestImage> &images, double scoredDepth);

} // namespace Kgw

#endif
