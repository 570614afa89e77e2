#ifndef DESIGNSESSION_H
#define DESIGNSESSION_H

#include "designsettings.h"
#include "listtest.h"

#include "coverageplot.h"
#include "savefile.h"
#include "sectionplot.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

// The files a sequence goes to and comes from, by what the crew chose or the name's extension.
enum class SequenceFormat { ElectrodeList, SequenceFile, Unified, Csv };
SequenceFormat formatForName(const QString &fileName);

struct OpenedSequence {
    QString error; // what the crew is told when the file is refused; empty when read
    QString warning; // what was read but should be known, such as lines after the list's end
    QVector<Kgw::Quadruple> quadruples;
    std::optional<double> spacingMetres; // a sequence file's or a unified file's own
};
OpenedSequence openSequence(const QString &fileName, SequenceFormat format);
Kgw::WriteResult saveSequence(const QString &fileName, SequenceFormat format,
    const QVector<Kgw::Quadruple> &quadruples, double spacingMetres);

// The survey model of one cable, and the resolution model made from it, on one grid.
struct ModelResult {
    QString key;
    QString error; // why it could not be made; empty when both models are valid
    std::unique_ptr<Kgw::SurveyModel> survey;
    std::unique_ptr<Kgw::ResolutionModel> resolution;
};

// A sequence as the settings give it, before it is ordered for the field.
struct MadeSequence {
    QString key;
    QString modelKey; // the model it was made on
    quint64 id = 0; // new for every sequence made, so that what is worked out of it knows it
    QString name; // what titles call it
    QVector<Kgw::Quadruple> quadruples;
    QString note; // how it was made
    double seconds = 0; // what making it took
    // A design's own figures, which the views take rather than work out again.
    std::shared_ptr<const Kgw::DesignRun> design;
};

// What the views show of a sequence on the model.
struct SequenceFigures {
    quint64 sequenceId = 0;
    QString modelKey;
    quint64 groundId = 0; // the ground the sections were drawn over; 0 for the uniform one
    QString error; // why a section is not drawn
    Kgw::SequenceResolution resolution;
    Kgw::SequenceResolution standard; // of the standard arrays of the same size
    int standardCount = 0;
    // A design's target: the mean relative resolution over its cells, of the sequence and of
    // the standard arrays, as kgw design reports them.
    std::optional<Kgw::TargetRegion> target;
    double targetRelative = 0;
    double targetStandard = 0;
    double medianCancellation = 0;
    // On the sections' model, as kgw plot draws them.
    std::shared_ptr<const Kgw::SectionPlot> sensitivityPlot;
    std::shared_ptr<const Kgw::SectionPlot> resolutionPlot;
    QVector<Kgw::CoveragePoint> coverage;
};

// The list as it goes to the instrument: ordered or not, and what a check finds in it.
struct FieldList {
    QString key;
    quint64 sequenceId = 0; // the sequence it was made of
    QVector<Kgw::Quadruple> quadruples;
    Kgw::CheckReport report;
    int gap = 0;
    int gapBreaksBefore = 0;
    int gapBreaksAfter = 0;
    int injectionsBefore = 0;
    int injectionsAfter = 0;
};

// A line longer than the cable planned in spreads, as kgw rollalong plans it.
struct LinePlan {
    QString key;
    Kgw::LinePlanRequest request;
    Kgw::RollAlongPlan plan; // its error says why there is none
    bool designed = false; // a design per spread rather than the standard arrays
    // The whole line's rows, each coloured by its spread, as kgw plot draws PREFIX.dat.
    QVector<Kgw::CoveragePoint> coverage;
};

// What the list on show reads over the ground set, as kgw simulate works it out.
struct GroundReadings {
    QString key;
    quint64 sequenceId = 0;
    QString error; // why nothing was simulated; empty when it was
    QString voltage; // "voltage: 5.4 to 1592 mV at 100 mA"
    // The list's rows, each valued by its apparent resistivity, as kgw plot --data draws them.
    QVector<Kgw::CoveragePoint> pseudosection;
    int leftOut = 0; // rows that repeat an electrode or give no signal, which nothing reads
};

// Works out what the window shows, off the GUI thread: the models of the cable (the design's, and
// a deeper one the pictures are drawn on), the sequence, its figures, its pictures and its field
// list, each only when what it depends on has changed. A design is made only when asked for,
// since it takes seconds; until then the previous one stays, marked out of date. Only one piece
// of work runs at a time; settings changed meanwhile are taken up after it. With a line set, the
// line is planned too: of the standard arrays as soon as they change, of a design per spread
// when a design is asked for. A test of the list over the ground, which takes as long as a design,
// is made only when asked for too.
class DesignSession : public QObject
{
    Q_OBJECT

public:
    enum Part { Model, Sequence, Figures, Field, Line, Readings, Test };

    explicit DesignSession(QObject *parent = nullptr);
    ~DesignSession() override;

    const DesignSettings &settings() const { return m_settings; }
    void setSettings(const DesignSettings &settings);
    // The list to work on while the source is an opened list.
    void setOpenedSequence(const QVector<Kgw::Quadruple> &quadruples, const QString &name);
    bool hasOpenedSequence() const { return m_opened != nullptr; }

    void startDesign();
    // Tests the list on show and the standard arrays of its size over the ground set.
    void startTest();
    void cancel();
    // Until its results are taken up, which is after the thread has finished.
    bool isBusy() const { return m_running; }
    // Whether a design runs or is about to.
    bool isDesigning() const { return m_designing || m_designAsked; }
    bool isTesting() const { return m_testing || m_testAsked; }
    // Whether work runs or is about to start: settings just changed are taken up after a pause.
    bool hasPendingWork() const { return isBusy() || m_scheduleTimer.isActive(); }
    // Whether the part on show was made for the settings as they are now; the model is current
    // when the sections' model is too.
    bool isCurrent(Part part) const;
    QString error() const { return m_error; }

    // The model the design and the summary's figures are worked out on.
    const ModelResult *model() const { return m_model.get(); }
    const MadeSequence *sequence() const { return m_sequence.get(); }
    // The design made last, whether on show or not.
    const MadeSequence *lastDesign() const { return m_design.get(); }
    // Cancelled: nothing is worked out until the crew changes a setting or asks for a design.
    bool isPaused() const { return m_paused; }
    const SequenceFigures *figures() const { return m_figures.get(); }
    const FieldList *field() const { return m_field.get(); }
    // The field list of the sequence on show, to keep for as long as a view shows it; none while
    // it is worked out.
    std::shared_ptr<const FieldList> fieldOnShow() const;
    // The line planned last, whether for the settings as they are or not.
    const LinePlan *line() const { return m_line.get(); }
    // What the list read over the ground last, whether the list and ground on show or not.
    const GroundReadings *readings() const { return m_readings.get(); }
    // The test made last, whether of the list, ground and settings on show or not.
    std::shared_ptr<const ListTest> test() const { return m_test; }

    // Resolution evaluations and models made so far: what a change of settings cost.
    int evaluationCount() const { return m_evaluations; }
    int modelCount() const { return m_models; }

signals:
    void busyChanged(bool busy);
    void progressChanged(int permille, const QString &stage);
    // Something shown changed, or what is current did.
    void changed();

private:
    struct Control;
    // What one piece of work is given: the settings, and what is already made, to reuse where
    // it is still current.
    struct Job {
        DesignSettings settings;
        bool design = false;
        std::shared_ptr<const ModelResult> model;
        std::shared_ptr<const ModelResult> sectionModel;
        std::shared_ptr<const MadeSequence> sequence;
        std::shared_ptr<const SequenceFigures> figures;
        std::shared_ptr<const FieldList> field;
        std::shared_ptr<const LinePlan> line;
        std::shared_ptr<const GroundReadings> readings;
        bool testing = false;
        std::shared_ptr<const ListTest> test;
        std::shared_ptr<Control> control;
    };
    struct Outcome {
        std::shared_ptr<const ModelResult> model;
        std::shared_ptr<const ModelResult> sectionModel;
        std::shared_ptr<const MadeSequence> sequence;
        std::shared_ptr<const SequenceFigures> figures;
        std::shared_ptr<const FieldList> field;
        std::shared_ptr<const LinePlan> line;
        std::shared_ptr<const GroundReadings> readings;
        std::shared_ptr<const ListTest> test;
        bool designed = false;
        bool cancelled = false;
        int evaluations = 0;
        int models = 0;
        QString error;
    };

    void schedule();
    void start();
    void finished();
    bool needsWork() const;
    QString allKeys() const;
    QString fieldKey() const;
    QString readingsKey() const;
    QString testKey() const;
    static Outcome run(const Job &job);

    DesignSettings m_settings;
    bool m_designAsked = false;
    bool m_designing = false; // the work running makes a design
    bool m_testAsked = false;
    bool m_testing = false; // the work running makes a test
    bool m_running = false;
    bool m_paused = false; // after a cancel, until the crew changes something
    QString m_error;
    std::shared_ptr<const ModelResult> m_model;
    // The deeper one the pictures are drawn on (GridOptions::SectionDepthDivisor), as kgw plot
    // draws them: on the design's grid the depth a list is resolved to is its bottom.
    std::shared_ptr<const ModelResult> m_sectionModel;
    std::shared_ptr<const MadeSequence> m_sequence;
    std::shared_ptr<const MadeSequence> m_opened;
    // The last of each source, kept while another is on show.
    std::shared_ptr<const MadeSequence> m_design;
    std::shared_ptr<const MadeSequence> m_arrays;
    std::shared_ptr<const SequenceFigures> m_figures;
    std::shared_ptr<const FieldList> m_field;
    std::shared_ptr<const LinePlan> m_line;
    std::shared_ptr<const GroundReadings> m_readings;
    std::shared_ptr<const ListTest> m_test;
    std::shared_ptr<Control> m_control;
    QFutureWatcher<Outcome> m_watcher;
    // The settings the last work failed for, not to be tried again as they are.
    QString m_failedKey;
    int m_evaluations = 0;
    int m_models = 0;
    quint64 m_openedCount = 0;
    QTimer m_progressTimer;
    QTimer m_scheduleTimer;
};

#endif
