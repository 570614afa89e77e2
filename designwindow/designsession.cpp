#include "designsession.h"

#include "groundrows.h"

#include "designrun.h"
#include "electrodelist.h"
#include "exchange.h"
#include "geometry.h"
#include "groundrows.h"
#include "modelsections.h"
#include "sequencereader.h"
#include "sequencewriter.h"
#include "simulation.h"
#include "textutil.h"

#include <QFileInfo>
#include <QMutex>
#include <QtConcurrent>

#include <atomic>

SequenceFormat formatForName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("kgw"))
        return SequenceFormat::SequenceFile;
    if (suffix == QLatin1String("csv"))
        return SequenceFormat::Csv;
    if (suffix == QLatin1String("dat") || suffix == QLatin1String("udf")
        || suffix == QLatin1String("ohm"))
        return SequenceFormat::Unified;
    return SequenceFormat::ElectrodeList;
}

OpenedSequence openSequence(const QString &fileName, SequenceFormat format)
{
    OpenedSequence opened;
    const auto refused = [&](const Kgw::ListResult &list) {
        opened.error = list.message;
        const QString more = list.informativeText();
        if (!more.isEmpty())
            opened.error += QStringLiteral(": ") + more;
    };
    switch (format) {
    case SequenceFormat::SequenceFile: {
        const Kgw::SequenceResult sequence = Kgw::readSequenceFile(fileName);
        if (!sequence.ok()) {
            opened.error = sequence.errorString.isEmpty()
                ? sequence.message
                : QStringLiteral("%1: %2").arg(sequence.message, sequence.errorString);
            break;
        }
        opened.warning = sequence.spacingWarning();
        opened.quadruples = sequence.quadruples;
        if (opened.warning.isEmpty())
            opened.spacingMetres = sequence.spacingMetres();
        break;
    }
    case SequenceFormat::Unified:
    case SequenceFormat::Csv: {
        const Kgw::ExchangeResult file = Kgw::readExchangeFile(fileName,
            format == SequenceFormat::Csv ? Kgw::ExchangeFormat::Csv : Kgw::ExchangeFormat::Unified,
            std::nullopt);
        if (!file.ok()) {
            refused(file);
            break;
        }
        opened.warning = file.warning;
        opened.quadruples = file.quadruples;
        if (file.spacingMillimetres > 0)
            opened.spacingMetres = file.spacingMillimetres / 1000.0;
        break;
    }
    case SequenceFormat::ElectrodeList: {
        const Kgw::ListResult list = Kgw::readElectrodeList(fileName);
        if (!list.ok()) {
            refused(list);
            break;
        }
        opened.warning = list.linesAfterEndText();
        opened.quadruples = list.quadruples;
        break;
    }
    }
    return opened;
}

Kgw::WriteResult saveSequence(const QString &fileName, SequenceFormat format,
    const QVector<Kgw::Quadruple> &quadruples, double spacingMetres)
{
    switch (format) {
    case SequenceFormat::SequenceFile:
        return Kgw::writeSequenceFile(fileName, quadruples, spacingMetres);
    case SequenceFormat::Unified:
        return Kgw::saveFile(fileName,
            Kgw::exchangeContent(Kgw::ExchangeFormat::Unified, quadruples, spacingMetres));
    case SequenceFormat::Csv:
        return Kgw::saveFile(
            fileName, Kgw::exchangeContent(Kgw::ExchangeFormat::Csv, quadruples, spacingMetres));
    case SequenceFormat::ElectrodeList:
        break;
    }
    return Kgw::saveFile(fileName, Kgw::FileContent::of({ Kgw::electrodeListText(quadruples) }));
}

// How far the work has got, and whether the crew wants it stopped: the work's progress function
// throws Kgw::Cancelled then, which the model's work is made to pass through.
struct DesignSession::Control {
    std::atomic<bool> cancelled { false };
    std::atomic<int> permille { 0 };
    QMutex mutex;
    QString stage;

    void setStage(const QString &text)
    {
        QMutexLocker locker(&mutex);
        stage = text;
        permille = 0;
    }
    QString currentStage()
    {
        QMutexLocker locker(&mutex);
        return stage;
    }
    Kgw::ProgressFunction progress()
    {
        return [this](double share) {
            if (cancelled)
                throw Kgw::Cancelled();
            permille = int(qBound(0.0, share, 1.0) * 1000);
        };
    }
};

namespace {

quint64 nextSequenceId()
{
    static std::atomic<quint64> last { 0 };
    return ++last;
}

// A field list is checked on the cable and ordered for the instrument, of one sequence.
QString fieldKeyOf(quint64 sequenceId, const DesignSettings &settings)
{
    return QStringLiteral("%1|%2|%3").arg(sequenceId).arg(settings.modelKey(), settings.orderKey());
}

// Readings over the ground are of one list on one cable, at the instrument's current and noise.
QString readingsKeyOf(quint64 sequenceId, const DesignSettings &settings)
{
    const QString ground = settings.groundKey();
    return ground.isEmpty() ? QString() : QStringLiteral("%1|%2").arg(sequenceId).arg(ground);
}

// A test is of the readings over the ground, and of the standard arrays the model's cable gives.
QString testKeyOf(quint64 sequenceId, const DesignSettings &settings)
{
    const QString readings = readingsKeyOf(sequenceId, settings);
    return readings.isEmpty() ? QString() : readings + QLatin1Char('|') + settings.modelKey();
}

std::shared_ptr<MadeSequence> madeSequence(const QString &key, const QString &name,
    const QVector<Kgw::Quadruple> &quadruples, const QString &note)
{
    auto made = std::make_shared<MadeSequence>();
    made->key = key;
    made->id = nextSequenceId();
    made->name = name;
    made->quadruples = quadruples;
    made->note = note;
    return made;
}

QString arraysNote(const Kgw::ArrayList &list)
{
    QStringList parts;
    if (list.overFactorLimit > 0)
        parts
            << DesignSession::tr("%1 with |K| above the limit left out").arg(list.overFactorLimit);
    if (list.overMaxDipole > 0)
        parts << DesignSession::tr("%1 with a potential dipole longer than the limit left out")
                     .arg(list.overMaxDipole);
    if (list.usingExcluded > 0)
        parts
            << DesignSession::tr("%1 using an excluded electrode left out").arg(list.usingExcluded);
    if (list.reciprocalsAdded > 0)
        parts << DesignSession::tr("%1 reciprocals added").arg(list.reciprocalsAdded);
    return parts.join(QStringLiteral("; "));
}

// The survey and resolution models of the cable on the grid to (E - 1) spacings / depthDivisor,
// with an error saying why where either is invalid.
std::shared_ptr<ModelResult> makeModel(
    const DesignSettings &settings, double depthDivisor, const Kgw::ProgressFunction &progress)
{
    auto model = std::make_shared<ModelResult>();
    model->key = settings.modelKey();
    Kgw::GridOptions options;
    options.depthDivisor = depthDivisor;
    const Kgw::ModelGrid grid(settings.cable.electrodes, settings.cable.spacingMetres, options);
    model->survey = std::make_unique<Kgw::SurveyModel>(grid, settings.cable.resolutionOptions(),
        Kgw::SurveyModel::Resolution, Kgw::progressRange(progress, 0, 0.1));
    if (!model->survey->isValid()) {
        model->error = model->survey->error();
        return model;
    }
    auto resolution = std::make_unique<Kgw::ResolutionModel>(
        *model->survey, Kgw::progressRange(progress, 0.1, 1));
    if (resolution->isValid())
        model->resolution = std::move(resolution);
    else
        model->error = resolution->error();
    return model;
}

std::shared_ptr<const GroundReadings> simulateReadings(const Kgw::Ground &ground,
    const MadeSequence &sequence, const DesignSettings &settings, const QString &key,
    const Kgw::ProgressFunction &progress)
{
    auto readings = std::make_shared<GroundReadings>();
    readings->key = key;
    readings->sequenceId = sequence.id;
    const CableSettings &cable = settings.cable;
    // The rows no instrument reads have no reading to draw; kgw simulate refuses them, but the
    // window shows what the rest read.
    QVector<Kgw::Quadruple> read;
    QVector<Kgw::LineQuadruple> rows;
    for (const Kgw::Quadruple &q : sequence.quadruples) {
        if (Kgw::isUnmeasurable(q)) {
            ++readings->leftOut;
            continue;
        }
        read.append(q);
        rows.append(Kgw::LineQuadruple(q.a, q.b, q.m, q.n));
    }
    if (rows.isEmpty()) {
        readings->error = DesignSession::tr("None of its configurations gives a reading.");
        return readings;
    }
    Kgw::SimulationOptions options;
    const Kgw::ResolutionOptions model = cable.resolutionOptions();
    options.currentAmperes = model.currentAmperes;
    options.noise.relativeError = model.noise.relativeError;
    options.floorVolts = Kgw::Options::Floor.modelValue(cable.survey.floor);
    const Kgw::Simulation simulation
        = Kgw::simulate(ground, rows, cable.electrodes, cable.spacingMetres, options, progress);
    if (!simulation.error.isEmpty()) {
        readings->error = simulation.error;
        return readings;
    }
    readings->voltage = Kgw::voltageRangeText(simulation.u, cable.survey.current);
    readings->pseudosection = Kgw::coveragePoints(read, cable.spacingMetres);
    for (int i = 0; i < readings->pseudosection.size(); ++i)
        readings->pseudosection[i].value = simulation.rhoa.at(i);
    return readings;
}

QString emptiedText(Kgw::ArrayList::Emptied emptied)
{
    switch (emptied) {
    case Kgw::ArrayList::ByFactorLimit:
        return DesignSession::tr("Every configuration of these arrays has |K| above the limit.");
    case Kgw::ArrayList::ByExcluded:
        return DesignSession::tr("Every configuration of these arrays uses an excluded electrode.");
    case Kgw::ArrayList::ByMaxDipole:
        return DesignSession::tr(
            "Every configuration of these arrays has a potential dipole longer "
            "than the limit.");
    case Kgw::ArrayList::NothingFits:
    case Kgw::ArrayList::NotEmptied:
        break;
    }
    return DesignSession::tr("No configuration of these arrays fits on the cable with these "
                             "steps.");
}

} // namespace

DesignSession::DesignSession(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &DesignSession::finished);
    m_progressTimer.setInterval(50);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] {
        if (m_control)
            emit progressChanged(m_control->permille, m_control->currentStage());
    });
    // Typing a number changes the settings at every key; the work starts once the crew pauses.
    m_scheduleTimer.setSingleShot(true);
    m_scheduleTimer.setInterval(150);
    connect(&m_scheduleTimer, &QTimer::timeout, this, &DesignSession::start);
}

DesignSession::~DesignSession()
{
    if (m_control)
        m_control->cancelled = true;
    m_watcher.waitForFinished();
}

void DesignSession::setSettings(const DesignSettings &settings)
{
    m_settings = settings;
    m_paused = false;
    if (allKeys() != m_failedKey)
        m_error.clear();
    switch (m_settings.sequence.source) {
    case SequenceSource::Design:
        m_sequence = m_design;
        break;
    case SequenceSource::OpenedList:
        m_sequence = m_opened;
        break;
    case SequenceSource::StandardArrays:
        m_sequence = m_arrays;
        break;
    }
    emit changed();
    schedule();
}

void DesignSession::setOpenedSequence(
    const QVector<Kgw::Quadruple> &quadruples, const QString &name)
{
    m_opened = madeSequence(QStringLiteral("opened %1").arg(++m_openedCount), name, quadruples,
        Kgw::counted(quadruples.size(), tr("configuration")));
    setSettings(m_settings);
}

void DesignSession::startDesign()
{
    // A second press while the design runs would only make the same design again.
    if (m_designing)
        return;
    m_designAsked = true;
    m_paused = false;
    schedule();
}

void DesignSession::startTest()
{
    if (m_testing || !m_settings.ground.ground)
        return;
    m_testAsked = true;
    m_paused = false;
    schedule();
}

void DesignSession::cancel()
{
    m_designAsked = false;
    m_testAsked = false;
    m_paused = true;
    m_scheduleTimer.stop();
    if (m_control)
        m_control->cancelled = true;
}

bool DesignSession::isCurrent(Part part) const
{
    switch (part) {
    case Model:
        return m_model && m_model->key == m_settings.modelKey() && m_sectionModel
            && m_sectionModel->key == m_settings.modelKey();
    case Sequence:
        if (!m_sequence)
            return false;
        return m_settings.sequence.source == SequenceSource::OpenedList
            ? m_sequence == m_opened
            : m_sequence->key == m_settings.sequenceKey();
    case Figures:
        return isCurrent(Sequence) && m_figures && m_figures->sequenceId == m_sequence->id
            && m_figures->modelKey == m_settings.modelKey();
    case Field:
        return isCurrent(Sequence) && m_field && m_field->key == fieldKey();
    case Line:
        return m_settings.line.positions && m_line && m_line->key == m_settings.lineKey();
    case Readings:
        return isCurrent(Sequence) && m_readings && m_readings->key == readingsKey();
    case Test:
        return isCurrent(Sequence) && m_test && m_test->key == testKey();
    }
    return false;
}

std::shared_ptr<const FieldList> DesignSession::fieldOnShow() const
{
    if (m_field && m_sequence && m_field->sequenceId == m_sequence->id)
        return m_field;
    return nullptr;
}

QString DesignSession::fieldKey() const
{
    return fieldKeyOf(m_sequence ? m_sequence->id : 0, m_settings);
}

QString DesignSession::readingsKey() const
{
    return readingsKeyOf(m_sequence ? m_sequence->id : 0, m_settings);
}

QString DesignSession::testKey() const
{
    return testKeyOf(m_sequence ? m_sequence->id : 0, m_settings);
}

QString DesignSession::allKeys() const
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(m_settings.lineKey(), m_settings.orderKey())
        .arg(m_sequence ? m_sequence->id : 0)
        .arg(m_designAsked ? 1 : 0)
        .arg(m_testAsked ? 1 : 0)
        .arg(m_settings.groundKey());
}

bool DesignSession::needsWork() const
{
    if (m_paused || allKeys() == m_failedKey)
        return false;
    if (m_designAsked || m_testAsked || !isCurrent(Model))
        return true;
    if (m_settings.sequence.source == SequenceSource::StandardArrays && !isCurrent(Sequence))
        return true;
    if (m_settings.line.positions && m_settings.sequence.source == SequenceSource::StandardArrays
        && !isCurrent(Line))
        return true;
    if (!m_sequence)
        return false;
    const bool figuresMade = m_figures && m_figures->sequenceId == m_sequence->id
        && m_figures->modelKey == m_settings.modelKey();
    const bool fieldMade = m_field && m_field->key == fieldKey();
    const bool readingsMade
        = !m_settings.ground.ground || (m_readings && m_readings->key == readingsKey());
    return !figuresMade || !fieldMade || !readingsMade;
}

void DesignSession::schedule()
{
    if (!isBusy() && needsWork())
        m_scheduleTimer.start();
}

void DesignSession::start()
{
    if (isBusy() || !needsWork())
        return;
    Job job;
    job.settings = m_settings;
    job.design = m_designAsked;
    m_designing = m_designAsked;
    m_designAsked = false;
    job.testing = m_testAsked;
    m_testing = m_testAsked;
    m_testAsked = false;
    job.model = m_model;
    job.sectionModel = m_sectionModel;
    job.sequence = m_sequence;
    job.figures = m_figures;
    job.field = m_field;
    job.line = m_line;
    job.readings = m_readings;
    job.test = m_test;
    job.control = m_control = std::make_shared<Control>();
    m_error.clear();
    m_running = true;
    m_watcher.setFuture(QtConcurrent::run([job] { return run(job); }));
    m_progressTimer.start();
    emit busyChanged(true);
    emit progressChanged(0, QString());
}

void DesignSession::finished()
{
    m_progressTimer.stop();
    const Outcome outcome = m_watcher.result();
    m_evaluations += outcome.evaluations;
    m_models += outcome.models;
    m_model = outcome.model;
    m_sectionModel = outcome.sectionModel;
    if (outcome.designed) {
        m_design = outcome.sequence;
        if (m_settings.sequence.source == SequenceSource::Design)
            m_sequence = m_design;
    } else if (outcome.sequence && outcome.sequence != m_design && outcome.sequence != m_opened) {
        m_arrays = outcome.sequence;
        if (m_settings.sequence.source == SequenceSource::StandardArrays)
            m_sequence = m_arrays;
    }
    m_figures = outcome.figures;
    m_field = outcome.field;
    m_line = outcome.line;
    m_readings = outcome.readings;
    m_test = outcome.test;
    m_error = outcome.error;
    m_failedKey = outcome.error.isEmpty() ? QString() : allKeys();
    if (!outcome.error.isEmpty()) {
        m_designAsked = false;
        m_testAsked = false;
    }
    m_control.reset();
    m_running = false;
    m_designing = false;
    m_testing = false;
    emit busyChanged(false);
    emit changed();
    // What changed meanwhile is taken up at once: the crew has paused long enough. After a
    // cancel nothing needs work until the crew changes something.
    start();
}

DesignSession::Outcome DesignSession::run(const Job &job)
{
    Outcome out;
    out.model = job.model;
    out.sectionModel = job.sectionModel;
    out.sequence = job.sequence;
    out.figures = job.figures;
    out.field = job.field;
    out.line = job.line;
    out.readings = job.readings;
    out.test = job.test;
    const DesignSettings &settings = job.settings;
    Control &control = *job.control;
    try {
        if (!out.model || out.model->key != settings.modelKey()) {
            control.setStage(DesignSession::tr("Modelling the ground under the cable"));
            std::shared_ptr<ModelResult> model
                = makeModel(settings, Kgw::GridOptions::DefaultDepthDivisor, control.progress());
            ++out.models;
            if (!model->error.isEmpty()) {
                out.error = model->error;
                return out;
            }
            out.model = model;
        }
        const ModelResult &model = *out.model;

        if (job.design) {
            control.setStage(DesignSession::tr("Designing"));
            QElapsedTimer timer;
            timer.start();
            auto run = std::make_shared<Kgw::DesignRun>(
                Kgw::makeDesign(*model.resolution, settings.designRequest(), control.progress()));
            if (!run->ok()) {
                out.error = run->error;
                return out;
            }
            const Kgw::DesignResult &design = run->design;
            QString note = DesignSession::tr("%1 of the base set, %2 chosen from %3 candidates")
                               .arg(design.baseCount)
                               .arg(design.configurations.size() - design.baseCount)
                               .arg(design.candidates);
            if (!run->reciprocals.isEmpty())
                note += DesignSession::tr(", %1 reciprocals").arg(run->reciprocals.size());
            const std::shared_ptr<MadeSequence> made = madeSequence(
                settings.sequenceKey(), DesignSession::tr("design"), run->written, note);
            made->modelKey = model.key;
            made->seconds = timer.elapsed() / 1000.0;
            made->design = run;
            out.sequence = made;
            out.designed = true;
            out.evaluations += 2;
        } else if (settings.sequence.source == SequenceSource::StandardArrays
            && (!out.sequence || out.sequence->key != settings.sequenceKey())) {
            const Kgw::ArrayList list = Kgw::makeArrayList(settings.arrayListRequest());
            if (list.emptied != Kgw::ArrayList::NotEmptied || list.configurations.isEmpty()) {
                out.error = emptiedText(list.emptied);
                return out;
            }
            out.sequence = madeSequence(settings.sequenceKey(),
                DesignSession::tr("standard arrays"), list.configurations, arraysNote(list));
        }
        // After the design, which so waits for no picture, and before there is a list to draw:
        // made while the crew sets a design up, it leaves Design only the list's sections.
        if (!out.sectionModel || out.sectionModel->key != settings.modelKey()) {
            control.setStage(DesignSession::tr("Modelling the ground for the sections"));
            out.sectionModel
                = makeModel(settings, Kgw::GridOptions::SectionDepthDivisor, control.progress());
            ++out.models;
        }
        const ModelResult &sections = *out.sectionModel;
        if (!out.sequence)
            return out;
        const MadeSequence &sequence = *out.sequence;

        const quint64 groundId = settings.ground.ground ? settings.ground.id : 0;
        if (!out.figures || out.figures->sequenceId != sequence.id
            || out.figures->modelKey != model.key || out.figures->groundId != groundId) {
            control.setStage(DesignSession::tr("Working out the figures"));
            auto figures = std::make_shared<SequenceFigures>();
            figures->sequenceId = sequence.id;
            figures->modelKey = model.key;
            figures->groundId = groundId;
            // A design's figures are those of its configurations; its reciprocals would read the
            // same ground again, so only with them is the list evaluated anew.
            const std::shared_ptr<const Kgw::DesignRun> &design = sequence.design;
            QVector<Kgw::Quadruple> standard;
            if (design && design->reciprocals.isEmpty() && design->designed.ok()
                && sequence.modelKey == model.key) {
                figures->resolution = design->designed;
                figures->standard = design->arrays;
                standard = design->standard;
            } else {
                // The arrays' side only stops at a cancel, so that neither keeps the crew waiting.
                const Kgw::ProgressFunction stopOnly = [&control](double) {
                    if (control.cancelled)
                        throw Kgw::Cancelled();
                };
                Kgw::StandardComparison comparison = Kgw::compareWithStandardArrays(
                    *model.resolution, sequence.quadruples, control.progress(), stopOnly);
                standard = std::move(comparison.standard);
                figures->resolution = std::move(comparison.sequence);
                figures->standard = std::move(comparison.arrays);
                out.evaluations += 2;
            }
            figures->standardCount = standard.size();
            figures->medianCancellation = Kgw::medianCancellation(sequence.quadruples);
            // The target is the design's; the sections of other lists outline none.
            QRectF target;
            if (settings.sequence.target && settings.sequence.source == SequenceSource::Design) {
                const Kgw::TargetRegion &t = *settings.sequence.target;
                target = QRectF(QPointF(t.x0, t.z0), QPointF(t.x1, t.z1));
                // Of the design's own configurations where it has them, as kgw design reports
                // the target; its reciprocals read the same ground again.
                const bool own = design && design->designed.ok() && design->arrays.ok()
                    && sequence.modelKey == model.key;
                const Kgw::SequenceResolution &designed
                    = own ? design->designed : figures->resolution;
                const Kgw::SequenceResolution &arrays = own ? design->arrays : figures->standard;
                if (designed.ok() && arrays.ok()) {
                    figures->target = t;
                    figures->targetRelative = Kgw::meanRelativeIn(*model.resolution, designed, t);
                    figures->targetStandard = Kgw::meanRelativeIn(*model.resolution, arrays, t);
                }
            }
            control.setStage(DesignSession::tr("Working out the sections"));
            // Over a ground, the sections take each row's sensitivity from its forward model.
            std::optional<Kgw::GroundRows> groundRows;
            if (settings.ground.ground && sections.survey->isValid()) {
                Kgw::GroundModel ground(*sections.survey, *settings.ground.ground);
                if (!ground.error().isEmpty()) {
                    figures->error = ground.error();
                } else {
                    groundRows = ground.rows(sequence.quadruples, control.progress());
                    figures->error = groundRows->error();
                }
            }
            const QString &groundName = settings.ground.name;
            if (figures->error.isEmpty() && sections.survey->isValid())
                figures->sensitivityPlot = std::make_shared<const Kgw::SectionPlot>(groundRows
                        ? Kgw::sensitivitySectionPlot(
                            *groundRows, sequence.quadruples, sequence.name, groundName, target)
                        : Kgw::sensitivitySectionPlot(
                            *sections.survey, sequence.quadruples, sequence.name, target));
            if (!figures->error.isEmpty()) {
                // The ground's refusal stands in place of both sections.
            } else if (sections.resolution) {
                const Kgw::SequenceResolution drawn = groundRows
                    ? sections.resolution->evaluate(*groundRows, control.progress())
                    : sections.resolution->evaluate(sequence.quadruples, control.progress());
                ++out.evaluations;
                if (drawn.ok() && drawn.used() > 0)
                    figures->resolutionPlot = std::make_shared<const Kgw::SectionPlot>(
                        Kgw::resolutionSectionPlot(*sections.resolution, drawn, sequence.name,
                            target, groundRows ? groundName : QString()));
                else
                    figures->error = drawn.ok()
                        ? DesignSession::tr("None of its configurations gives a reading to draw a "
                                            "section of: %1")
                              .arg(Kgw::withoutRowsText(drawn, sections.survey->options()))
                        : drawn.error;
            } else {
                figures->error = sections.error;
            }
            figures->coverage
                = Kgw::coveragePoints(sequence.quadruples, settings.cable.spacingMetres);
            out.figures = figures;
        }

        const QString fieldKey = fieldKeyOf(sequence.id, settings);
        if (!out.field || out.field->key != fieldKey) {
            control.setStage(DesignSession::tr("Ordering and checking"));
            auto field = std::make_shared<FieldList>();
            field->key = fieldKey;
            field->sequenceId = sequence.id;
            const QVector<Kgw::Quadruple> &before = sequence.quadruples;
            const Kgw::OrderOptions order = settings.orderOptions(before.size());
            field->quadruples = settings.order.enabled ? Kgw::orderSequence(before, order) : before;
            field->gap = order.gap;
            field->gapBreaksBefore = Kgw::gapBreaks(before, order.gap);
            field->gapBreaksAfter = Kgw::gapBreaks(field->quadruples, order.gap);
            field->injectionsBefore = Kgw::injectionCount(before, order.channels, order.rules);
            field->injectionsAfter
                = Kgw::injectionCount(field->quadruples, order.channels, order.rules);
            field->report = Kgw::checkQuadruples(
                field->quadruples, settings.cable.spacingMetres, settings.cable.checkOptions());
            out.field = field;
        }

        const QString readingsKey = readingsKeyOf(sequence.id, settings);
        if (settings.ground.ground && (!out.readings || out.readings->key != readingsKey)) {
            control.setStage(DesignSession::tr("Simulating the list over the ground"));
            out.readings = simulateReadings(
                *settings.ground.ground, sequence, settings, readingsKey, control.progress());
        }

        const QString testKey = testKeyOf(sequence.id, settings);
        if (job.testing && !testKey.isEmpty() && (!out.test || out.test->key != testKey)) {
            control.setStage(
                DesignSession::tr("Testing the list and the standard arrays over the ground"));
            Kgw::SyntheticTestOptions options;
            options.noiseShare = settings.cable.resolutionOptions().noise.relativeError;
            auto test = std::make_shared<ListTest>(
                runListTest(*settings.ground.ground, settings.ground.name, sequence.quadruples,
                    sequence.name, Kgw::standardArrays(*model.survey, sequence.quadruples.size()),
                    settings.cable.electrodes, settings.cable.spacingMetres, options,
                    control.progress()));
            test->key = testKey;
            test->sequenceId = sequence.id;
            out.test = test;
        }

        // A design per spread, which takes a design's time for every spread, only when asked for.
        const bool lineWanted = settings.line.positions
            && (job.design || settings.sequence.source == SequenceSource::StandardArrays);
        if (lineWanted && (!out.line || out.line->key != settings.lineKey())) {
            control.setStage(DesignSession::tr("Planning the line"));
            auto line = std::make_shared<LinePlan>();
            line->key = settings.lineKey();
            const Kgw::RollAlongRequest request = settings.rollAlongRequest();
            line->request = request.line;
            line->designed = request.source == Kgw::RollAlongRequest::Design;
            line->plan = Kgw::makeRollAlong(request, control.progress());
            if (line->plan.ok())
                line->coverage = Kgw::coveragePoints(
                    line->plan.lineRows, request.line.spacingMetres, line->plan.layout);
            out.line = line;
        }
    } catch (const Kgw::Cancelled &) {
        // What was finished before stays; a design stopped half-way never reached out.
        out.cancelled = true;
    } catch (const std::bad_alloc &) {
        out.error
            = DesignSession::tr("There is not enough memory for this work; give a shorter cable "
                                "or fewer measurements.");
    } catch (const std::exception &error) {
        out.error
            = DesignSession::tr("The work failed: %1").arg(QString::fromLocal8Bit(error.what()));
    }
    return out;
}
