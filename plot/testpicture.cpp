#include "testpicture.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Kgw {

namespace {

QString rmsText(double rms)
{
    return std::isfinite(rms) ? QString::number(rms, 'f', 3) : QStringLiteral("none");
}

} // namespace

void spanTogether(QVector<SectionPlot> *panels)
{
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    for (const SectionPlot &plot : *panels) {
        const auto [low, high] = plot.valueSpan();
        // NaN where a panel has no value: it neither widens nor narrows the scale.
        lowest = std::min(lowest, std::isnan(low) ? lowest : low);
        highest = std::max(highest, std::isnan(high) ? highest : high);
    }
    for (SectionPlot &plot : *panels)
        plot.spanValues(lowest, highest);
}

WriteResult writeTestPicture(const QString &fileName, SectionPlot truth,
    const QVector<TestImage> &images, double scoredDepth)
{
    if (images.isEmpty()) {
        WriteResult refused;
        refused.status = WriteResult::Refused;
        refused.errorString = QStringLiteral("there is no image to compare with the ground");
        const QString failed = QStringLiteral("Failed to write the plot");
        return refused.describe(failed, failed);
    }
    QVector<SectionPlot> panels { truth };
    for (const TestImage &image : images) {
        SectionPlot plot = image.plot;
        plot.setTitle(QStringLiteral("%1 \u2014 RMS of log10 error %2 over the section, %3 over "
                                     "the bodies")
                          .arg(image.name, rmsText(image.rmsSection), rmsText(image.rmsBodies)));
        panels.append(plot);
    }
    spanTogether(&panels);
    int height = 0;
    for (SectionPlot &plot : panels) {
        plot.markDepth(scoredDepth, QStringLiteral("depth scored"),
            QStringLiteral("the RMS figures are of the section above it, from the first "
                           "electrode to the last: the shallowest of the lists' deepest median "
                           "depths"));
        height += plot.size().height();
    }
    const int width = truth.size().width();
    return writePicture(fileName, QSize(width, height), truth.title(),
        QStringLiteral("the true ground and the image of each list, on one colour scale"),
        [&panels](QPainter *painter) {
            for (const SectionPlot &plot : panels) {
                plot.draw(painter);
                painter->translate(0, plot.size().height());
            }
        });
}

} // namespace Kgw
