#ifndef DESIGNSUMMARY_H
#define DESIGNSUMMARY_H

#include <QPair>
#include <QString>
#include <QVector>

class DesignSession;

// What the summary says of the list on show: its counts, what it resolves beside the standard
// arrays (in the design's target too, as kgw design reports it), its injections and field time.
struct DesignSummary {
    QVector<QPair<QString, QString>> rows; // name, value
    // The order panel's line: injections, field time and the gap, before and after.
    QString orderFigures;
};

DesignSummary summarize(const DesignSession &session);

#endif
