#ifndef LISTTEST_H
#define LISTTEST_H

#include "quadruple.h"
#include "sectionplot.h"
#include "synthetictest.h"

#include <QString>
#include <QVector>

#include <limits>

// One list's synthetic test over the ground and how close its image came to it.
struct ListImage {
    QString name; // what titles call the list
    int rows = 0; // its configurations that an instrument reads, which are tested
    Kgw::SyntheticTest test;
    Kgw::ImageScore score;
};

// The list on show and the standard arrays of its size, each simulated over the ground and
// inverted, and both scored over the same section: to the shallower of their depths of
// investigation, so that neither is judged where it cannot see.
struct ListTest {
    QString key; // what it was made for, as the session keys its parts
    quint64 sequenceId = 0;
    QString error; // why there is no test to show; empty when both images were made
    double depthMetres = std::numeric_limits<double>::quiet_NaN(); // scored to
    double noiseShare = 0; // of each reading, as simulated
    ListImage list;
    ListImage standard;
    // The true ground, the list's image and the arrays' image, on one colour scale.
    QVector<Kgw::SectionPlot> panels;
};

// Runs the two tests one after the other (the forward model already keeps every core busy),
// scores them and draws the panels. The rows no instrument reads are left out of the list, as
// they are of its readings. `progress` gets 0..1 and may throw Kgw::Cancelled.
ListTest runListTest(const Kgw::Ground &ground, const QString &groundName,
    const QVector<Kgw::Quadruple> &list, const QString &listName,
    const QVector<Kgw::Quadruple> &standard, int electrodes, double spacingMetres,
    const Kgw::SyntheticTestOptions &options, const Kgw::ProgressFunction &progress = {});

// "RMS 0.172 over the section, 0.413 over the bodies, χ² 0.96 after 3 iterations"; a ground
// without bodies has no figure for them.
QString imageFigures(const ListImage &image);

#endif
