#include "designsummary.h"

#include "designsession.h"

#include "textutil.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DesignSummary", text);
}

QString figure(double value)
{
    return QString::number(value, 'f', 3);
}

// "before → after" where the list was ordered, else the one figure.
QString change(bool ordered, const QString &before, const QString &after)
{
    return ordered ? tr("%1 \u2192 %2").arg(before, after) : after;
}

} // namespace

DesignSummary summarize(const DesignSession &session)
{
    DesignSummary summary;
    const MadeSequence *sequence = session.sequence();
    if (!sequence)
        return summary;
    const SequenceFigures *figures = session.figures();
    const std::shared_ptr<const FieldList> field = session.fieldOnShow();
    const DesignSettings &settings = session.settings();
    const auto row = [&](const QString &name, const QString &value) {
        summary.rows.append({ name, value });
    };
    row(tr("Sequence"), sequence->name);
    row(tr("Configurations"), QString::number(sequence->quadruples.size()));
    if (!sequence->note.isEmpty())
        row(tr("Made"), sequence->note);
    if (sequence->design)
        row(tr("Design time"), tr("%1 s").arg(sequence->seconds, 0, 'f', 1));
    if (figures && figures->sequenceId == sequence->id && figures->resolution.ok()) {
        row(tr("Used by the model"),
            tr("%1 of %2").arg(figures->resolution.used()).arg(figures->resolution.configurations));
        QString versus = figure(figures->resolution.meanRelative);
        if (figures->standard.ok() && figures->standard.meanRelative > 0)
            versus += tr("; standard arrays of %1: %2 (%3 \u00d7)")
                          .arg(figures->standardCount)
                          .arg(figure(figures->standard.meanRelative))
                          .arg(figures->resolution.meanRelative / figures->standard.meanRelative, 0,
                              'f', 2);
        row(tr("Mean relative resolution"), versus);
        if (figures->target) {
            row(tr("In the target %1 m").arg(Kgw::targetRegionText(*figures->target)),
                tr("mean relative resolution %1, standard arrays %2")
                    .arg(figure(figures->targetRelative), figure(figures->targetStandard)));
        }
        row(tr("Median signal cancellation"), figure(figures->medianCancellation));
    }
    if (!field)
        return summary;
    const bool ordered = settings.order.enabled;
    const QString injections = change(ordered, QString::number(field->injectionsBefore),
        tr("%1 with %2")
            .arg(field->injectionsAfter)
            .arg(Kgw::counted(settings.instrument.channels, tr("channel"))));
    row(tr("Injections"), injections);
    summary.orderFigures = tr("Injections: %1.").arg(injections);
    if (const std::optional<double> seconds = settings.instrument.secondsPerInjection) {
        const QString time = change(ordered, Kgw::clockTime(*seconds * field->injectionsBefore),
            Kgw::clockTime(*seconds * field->injectionsAfter));
        row(tr("Field time"), time);
        summary.orderFigures += tr(" Field time: %1.").arg(time);
    }
    if (ordered)
        summary.orderFigures += tr(" Gap %1: %2 \u2192 %3 too soon.")
                                    .arg(field->gap)
                                    .arg(field->gapBreaksBefore)
                                    .arg(field->gapBreaksAfter);
    row(tr("Findings"),
        field->report.findings.isEmpty() ? tr("none")
                                         : QString::number(field->report.findings.size()));
    row(tr("Spacing"), tr("%1 m").arg(Kgw::plainNumber(settings.cable.spacingMetres)));
    return summary;
}
