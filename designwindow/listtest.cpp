#include "listtest.h"

#include "geometry.h"
#include "groundsection.h"
#include "testpicture.h"
#include "textutil.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ListTest", text);
}

ListImage testOne(const Kgw::Ground &ground, const QVector<Kgw::Quadruple> &quadruples,
    const QString &name, int electrodes, double spacingMetres,
    const Kgw::SyntheticTestOptions &options, const Kgw::ProgressFunction &progress)
{
    ListImage image;
    image.name = name;
    QVector<Kgw::LineQuadruple> rows;
    for (const Kgw::Quadruple &q : quadruples) {
        if (!Kgw::isUnmeasurable(q))
            rows.append(Kgw::LineQuadruple(q.a, q.b, q.m, q.n));
    }
    image.rows = rows.size();
    if (rows.isEmpty())
        image.test.error = tr("none of its configurations gives a reading");
    else
        image.test
            = Kgw::runSyntheticTest(ground, rows, electrodes, spacingMetres, options, {}, progress);
    return image;
}

} // namespace

ListTest runListTest(const Kgw::Ground &ground, const QString &groundName,
    const QVector<Kgw::Quadruple> &list, const QString &listName,
    const QVector<Kgw::Quadruple> &standard, int electrodes, double spacingMetres,
    const Kgw::SyntheticTestOptions &options, const Kgw::ProgressFunction &progress)
{
    ListTest test;
    test.noiseShare = options.noiseShare;
    test.list = testOne(ground, list, listName, electrodes, spacingMetres, options,
        Kgw::progressRange(progress, 0, 0.5));
    test.standard = testOne(ground, standard, tr("standard arrays"), electrodes, spacingMetres,
        options, Kgw::progressRange(progress, 0.5, 1));
    for (const ListImage *image : { &test.list, &test.standard }) {
        if (!image->test.error.isEmpty()) {
            test.error = tr("%1 could not be tested: %2").arg(image->name, image->test.error);
            return test;
        }
    }
    test.depthMetres
        = std::min(test.list.test.investigationDepth, test.standard.test.investigationDepth);
    const Kgw::Ground listImage = Kgw::modelGround(test.list.test.inversion);
    const Kgw::Ground standardImage = Kgw::modelGround(test.standard.test.inversion);
    test.list.score
        = Kgw::scoreImage(ground, listImage, electrodes, spacingMetres, test.depthMetres);
    test.standard.score
        = Kgw::scoreImage(ground, standardImage, electrodes, spacingMetres, test.depthMetres);

    test.panels = { Kgw::groundSectionPlot(ground, electrodes, spacingMetres, groundName),
        Kgw::modelSectionPlot(
            test.list.test.data, test.list.test.inversion, tr("image of %1").arg(test.list.name)),
        Kgw::modelSectionPlot(test.standard.test.data, test.standard.test.inversion,
            tr("image of the %1").arg(test.standard.name)) };
    Kgw::spanTogether(&test.panels);
    return test;
}

QString imageFigures(const ListImage &image)
{
    const Kgw::InversionResult &inversion = image.test.inversion;
    const int iterations = std::max(0, int(inversion.steps.size()) - 1);
    const double chiSquared
        = inversion.steps.isEmpty() ? std::nan("") : inversion.steps.last().chiSquared;
    const QString chi = tr("\u03c7\u00b2 %1 after %2")
                            .arg(chiSquared, 0, 'f', 2)
                            .arg(Kgw::counted(iterations, tr("iteration")));
    if (std::isnan(image.score.bodies))
        return tr("RMS %1 over the section, %2").arg(image.score.section, 0, 'f', 3).arg(chi);
    return tr("RMS %1 over the section, %2 over the bodies, %3")
        .arg(image.score.section, 0, 'f', 3)
        .arg(image.score.bodies, 0, 'f', 3)
        .arg(chi);
}
