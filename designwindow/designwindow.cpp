#include "designwindow.h"

#include "designsummary.h"
#include "findingsview.h"
#include "pictureview.h"
#include "settingspanels.h"

#include "geometry.h"
#include "groundfile.h"
#include "groundsection.h"
#include "rollalong.h"
#include "textutil.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace Options = Kgw::Options;

namespace {

QString applicationName()
{
    return DesignWindow::tr("KGW design");
}

// A hand does not drag to the millimetre: tenths of a metre, as a crew would type them.
double tenths(double value)
{
    return std::round(value * 10) / 10;
}

// Text the crew may copy, wrapped to the view's width.
QLabel *textLabel(const QString &objectName, int margin)
{
    auto *label = new QLabel;
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    label->setMargin(margin);
    return label;
}

} // namespace

DesignWindow::DesignWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_session(new DesignSession(this))
{
    auto *splitter = new QSplitter;
    splitter->addWidget(makeSettingsSide());
    makeViews();
    splitter->addWidget(m_views);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);
    makeStatusBar();
    makeMenus();

    connect(m_session, &DesignSession::changed, this, &DesignWindow::onSessionChanged);
    connect(m_session, &DesignSession::busyChanged, this, &DesignWindow::onBusyChanged);
    connect(m_session, &DesignSession::progressChanged, this, &DesignWindow::onProgress);

    QSettings store;
    m_values.load(&store);
    // An opened list is not kept: a run begins with what it can make again.
    if (m_values.whole(Options::Source) == int(SequenceSource::OpenedList))
        m_values.reset(Options::Source);
    for (SettingsPanel *panel : qAsConst(m_panels))
        panel->showValues(m_values);
    resize(1200, 800);
    applySettings();
}

DesignWindow::~DesignWindow() = default;

QWidget *DesignWindow::makeSettingsSide()
{
    auto *cable = new CablePanel;
    auto *instrument = new InstrumentPanel;
    m_sequencePanel = new SequencePanel;
    m_orderPanel = new OrderPanel;
    m_groundPanel = new GroundPanel;
    m_panels = { cable, instrument, m_sequencePanel, m_orderPanel, new LinePanel, m_groundPanel };

    auto *panels = new QWidget;
    auto *panelsLayout = new QVBoxLayout(panels);
    for (SettingsPanel *panel : qAsConst(m_panels)) {
        panelsLayout->addWidget(panel);
        connect(panel, &SettingsPanel::edited, this, &DesignWindow::onEdited);
    }
    panelsLayout->addStretch();
    connect(m_sequencePanel, &SequencePanel::openRequested, this, &DesignWindow::onOpen);
    connect(m_groundPanel, &GroundPanel::loadRequested, this, &DesignWindow::onLoadGround);
    connect(m_groundPanel, &GroundPanel::noneRequested, this, [this] { setGround(nullptr, {}); });
    connect(m_groundPanel, &GroundPanel::testRequested, this, &DesignWindow::onTest);
    auto *scroll = new QScrollArea;
    scroll->setWidget(panels);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(panels->sizeHint().width() + 24);

    // The main action stays in sight below the panels, however far they are scrolled.
    m_designButton = new QPushButton(tr("&Design"));
    m_designButton->setObjectName(QStringLiteral("designButton"));
    m_designButton->setToolTip(tr("Make a design of the measurements set under Sequence"));
    connect(m_designButton, &QPushButton::clicked, this, &DesignWindow::onDesign);

    auto *side = new QWidget;
    auto *layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll, 1);
    layout->addWidget(m_designButton);
    return side;
}

void DesignWindow::makeViews()
{
    m_views = new QTabWidget;
    m_coverage = new PictureView;
    m_coverage->setObjectName(QStringLiteral("coverageView"));
    m_sensitivity = new PictureView;
    m_sensitivity->setObjectName(QStringLiteral("sensitivityView"));
    m_resolution = new PictureView;
    m_resolution->setObjectName(QStringLiteral("resolutionView"));
    m_findings = new ::FindingsView;
    m_summary = textLabel(QStringLiteral("summary"), 12);
    m_summary->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_views->addTab(m_coverage, tr("Coverage"));
    m_views->addTab(m_sensitivity, tr("Sensitivity"));
    m_views->addTab(m_resolution, tr("Resolution"));
    m_views->addTab(m_findings, tr("Findings"));
    m_views->addTab(m_summary, tr("Summary"));
    // The plan in kgw rollalong's columns, above the whole line's coverage.
    m_linePlan = textLabel(QStringLiteral("linePlan"), 12);
    m_linePlan->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_lineView = new PictureView;
    m_lineView->setObjectName(QStringLiteral("lineView"));
    auto *line = new QSplitter(Qt::Vertical);
    line->addWidget(m_linePlan);
    line->addWidget(m_lineView);
    line->setStretchFactor(1, 1);
    m_views->addTab(line, tr("Line"));
    // The ground above, to drag blocks on; below, what the list reads over it.
    m_groundView = new PictureView;
    m_groundView->setObjectName(QStringLiteral("groundView"));
    m_voltage = textLabel(QStringLiteral("groundVoltage"), 6);
    m_readingsView = new PictureView;
    m_readingsView->setObjectName(QStringLiteral("groundReadingsView"));
    auto *ground = new QSplitter(Qt::Vertical);
    ground->addWidget(m_groundView);
    ground->addWidget(m_voltage);
    ground->addWidget(m_readingsView);
    ground->setStretchFactor(0, 1);
    ground->setStretchFactor(2, 1);
    m_views->addTab(ground, tr("Ground"));
    connect(m_groundView, &PictureView::regionDrawn, this, &DesignWindow::onBlockDrawn);
    // The truth above the two images, each as wide as the view allows, as a line is long.
    m_testStatus = textLabel(QStringLiteral("testStatus"), 6);
    m_testPanels = new QWidget;
    auto *panels = new QVBoxLayout(m_testPanels);
    panels->setContentsMargins(0, 0, 0, 0);
    for (const QString &name : { QStringLiteral("testGround"), QStringLiteral("testList"),
             QStringLiteral("testStandard") }) {
        QLabel *title = textLabel(name + QStringLiteral("Title"), 0);
        auto *view = new PictureView;
        view->setObjectName(name + QStringLiteral("View"));
        panels->addWidget(title);
        panels->addWidget(view, 1);
        m_testTitles.append(title);
        m_testViews.append(view);
    }
    auto *test = new QWidget;
    auto *testLayout = new QVBoxLayout(test);
    testLayout->addWidget(m_testStatus);
    testLayout->addWidget(m_testPanels, 1);
    m_views->addTab(test, tr("Test"));
    m_views->setCurrentIndex(ResolutionView);
    for (PictureView *view : { m_sensitivity, m_resolution })
        connect(view, &PictureView::regionDrawn, this, &DesignWindow::onRegionDrawn);
    connect(m_findings, &::FindingsView::configurationChosen, this,
        &DesignWindow::onConfigurationChosen);
    connect(m_views, &QTabWidget::currentChanged, this, &DesignWindow::onSessionChanged);
}

void DesignWindow::makeStatusBar()
{
    m_stage = new QLabel;
    m_stage->setObjectName(QStringLiteral("stage"));
    m_progress = new QProgressBar;
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setMaximumWidth(220);
    m_cancel = new QPushButton(tr("Cancel"));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    statusBar()->addWidget(m_stage, 1);
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->addPermanentWidget(m_cancel);
    m_progress->hide();
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, m_session, &DesignSession::cancel);
}

void DesignWindow::makeMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *open = file->addAction(tr("&Open\u2026"), this, &DesignWindow::onOpen);
    open->setShortcut(QKeySequence::Open);
    m_saveAction = file->addAction(tr("&Save"), this, &DesignWindow::onSave);
    m_saveAction->setShortcut(QKeySequence::Save);
    m_saveAction->setObjectName(QStringLiteral("save"));
    m_saveAsAction = file->addAction(tr("Save &As\u2026"), this, &DesignWindow::onSaveAs);
    // Without a desktop that names one, Qt gives Save As no key; Ctrl+Shift+S is the usual one.
    m_saveAsAction->setShortcuts(QKeySequence::keyBindings(QKeySequence::SaveAs).isEmpty()
            ? QList<QKeySequence> { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) }
            : QKeySequence::keyBindings(QKeySequence::SaveAs));
    m_saveAsAction->setObjectName(QStringLiteral("saveAs"));
    m_savePictureAction
        = file->addAction(tr("Save &Picture\u2026"), this, &DesignWindow::onSavePicture);
    m_saveSpreadsAction
        = file->addAction(tr("Save Sp&reads\u2026"), this, &DesignWindow::onSaveSpreads);
    m_saveSpreadsAction->setObjectName(QStringLiteral("saveSpreads"));
    m_saveGroundAction
        = file->addAction(tr("Save &Ground\u2026"), this, &DesignWindow::onSaveGround);
    m_saveGroundAction->setObjectName(QStringLiteral("saveGround"));
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About KGW design"), this, &DesignWindow::onAbout);
    help->addAction(tr("About &Qt"), qApp, &QApplication::aboutQt);
}

PictureView *DesignWindow::pictureView(View view) const
{
    switch (view) {
    case CoverageView:
        return m_coverage;
    case SensitivityView:
        return m_sensitivity;
    case ResolutionView:
        return m_resolution;
    case LineView:
        return m_lineView;
    case GroundView:
        return m_groundView;
    case FindingsView:
    case SummaryView:
    case TestView:
        break;
    }
    return nullptr;
}

void DesignWindow::onEdited()
{
    if (applySettings()) {
        QSettings store;
        m_values.save(&store);
    }
}

bool DesignWindow::applySettings()
{
    Kgw::OptionValues values;
    for (const SettingsPanel *panel : qAsConst(m_panels))
        panel->readValues(&values);
    m_values = values;
    m_problems = settingsProblems(values);
    for (SettingsPanel *panel : qAsConst(m_panels))
        panel->showProblems(m_problems);
    if (!m_problems.isEmpty()) {
        // Nothing changes, saving too, until the box is mended.
        onSessionChanged();
        return false;
    }
    DesignSettings settings = DesignSettings::from(values);
    settings.ground.ground = m_document.ground();
    settings.ground.name = m_document.groundName();
    settings.ground.id = m_document.groundId();
    m_orderPanel->showOrdering(settings.order.enabled);
    m_session->setSettings(settings);
    return true;
}

void DesignWindow::onDesign()
{
    // The button is in sight whatever the sequence; pressing it asks for a design.
    if (m_values.whole(Options::Source) != int(SequenceSource::Design)) {
        m_values.setText(Options::Source, Options::Source.choiceList().at(1));
        m_sequencePanel->showValues(m_values);
    }
    if (applySettings()) {
        QSettings store;
        m_values.save(&store);
        m_session->startDesign();
        onSessionChanged();
    }
}

void DesignWindow::onBusyChanged(bool busy)
{
    m_progress->setVisible(busy);
    m_cancel->setVisible(busy);
    m_progress->setValue(0);
    m_progressStage.clear();
    showStatus();
    showPictures();
    showLine();
    showReadings();
    showTest();
}

void DesignWindow::onProgress(int permille, const QString &stage)
{
    m_progress->setValue(permille);
    m_progressStage = stage;
    showStatus();
}

void DesignWindow::showStatus()
{
    if (!m_problems.isEmpty())
        m_stage->setText(tr("A box in red needs another value; what is wrong is beneath it."));
    else if (m_session->isBusy())
        m_stage->setText(m_progressStage);
    else
        m_stage->setText(m_session->error());
}

QString DesignWindow::staleText(DesignSession::Part part) const
{
    const MadeSequence *sequence = m_session->sequence();
    if (!sequence)
        return QString();
    if (!m_problems.isEmpty())
        return tr("Out of date: a box in red needs another value.");
    const bool sequenceCurrent = m_session->isCurrent(DesignSession::Sequence);
    if (!sequenceCurrent && m_session->settings().sequence.source == SequenceSource::Design) {
        return m_session->isDesigning()
            ? tr("Out of date: the design for the settings as they are now is being made\u2026")
            : tr("Out of date: the settings changed since this design; press Design to make it "
                 "again.");
    }
    if (sequenceCurrent && m_session->isCurrent(part))
        return QString();
    if (m_session->hasPendingWork())
        return tr("Out of date: being worked out again for the settings as they are now\u2026");
    if (m_session->isPaused())
        return tr("Out of date: cancelled; change a setting to work it out again.");
    return tr("Out of date: %1").arg(m_session->error());
}

void DesignWindow::onSessionChanged()
{
    const std::shared_ptr<const FieldList> field = m_session->fieldOnShow();
    // A ring on the coverage marks a row of the list it was chosen in.
    if (field != m_highlightedField) {
        m_highlighted.reset();
        m_highlightedField = field;
    }
    showPictures();
    showFindings();
    showSummary();
    showLine();
    showGround();
    showReadings();
    showTest();
    showStatus();
    m_saveGroundAction->setEnabled(m_document.ground() != nullptr);
    m_saveAction->setEnabled(canSave());
    m_saveSpreadsAction->setEnabled(canSaveSpreads());
    m_saveAsAction->setEnabled(canSave());
    m_savePictureAction->setEnabled(m_problems.isEmpty()
        && m_session->isCurrent(DesignSession::Figures)
        && m_views->currentIndex() <= ResolutionView);
    updateTitle();
}

bool DesignWindow::canSave() const
{
    return m_problems.isEmpty() && m_session->isCurrent(DesignSession::Field);
}

void DesignWindow::showPictures()
{
    const MadeSequence *sequence = m_session->sequence();
    const SequenceFigures *figures = m_session->figures();
    const QString stale = staleText(DesignSession::Figures);
    for (PictureView *view : { m_coverage, m_sensitivity, m_resolution })
        view->setStaleText(stale);
    if (!sequence || !figures || figures->sequenceId != sequence->id) {
        const SequenceSource source = m_session->settings().sequence.source;
        QString message;
        if (!m_problems.isEmpty())
            message = tr("A box in red needs another value.");
        else if (m_session->isDesigning())
            message = tr("Designing\u2026");
        else if (m_session->hasPendingWork())
            message = tr("Working out the sequence\u2026");
        else if (!m_session->error().isEmpty())
            message = m_session->error();
        else if (source == SequenceSource::Design && !sequence)
            message = tr("Set the design's measurements and press Design.");
        else if (source == SequenceSource::OpenedList && !sequence)
            message = tr("Open a list with File \u2192 Open.");
        else if (m_session->isPaused())
            message = tr("Cancelled; change a setting to work it out again.");
        else
            message = tr("Working out the sequence\u2026");
        for (PictureView *view : { m_coverage, m_sensitivity, m_resolution })
            view->setMessage(message);
        return;
    }
    const double spacing = m_session->settings().cable.spacingMetres;
    auto coverage = std::make_shared<Kgw::CoveragePlot>(figures->coverage, sequence->name, spacing);
    const std::optional<Kgw::Quadruple> highlighted = m_highlighted;
    m_coverage->setPicture(
        Kgw::CoveragePlot::size(), [coverage, highlighted, spacing](QPainter *p) {
            coverage->draw(p);
            if (!highlighted)
                return;
            const QVector<Kgw::CoveragePoint> point
                = Kgw::coveragePoints({ *highlighted }, spacing);
            if (point.isEmpty() || !qIsFinite(point.first().z))
                return;
            const QPointF at = coverage->frame().toPicture(point.first().x, point.first().z);
            p->setPen(QPen(Qt::red, 3));
            p->setBrush(Qt::NoBrush);
            p->drawEllipse(at, 12, 12);
        });
    const QVector<QPair<PictureView *, std::shared_ptr<const Kgw::SectionPlot>>> sections {
        { m_sensitivity, figures->sensitivityPlot }, { m_resolution, figures->resolutionPlot }
    };
    for (const auto &section : sections) {
        const std::shared_ptr<const Kgw::SectionPlot> plot = section.second;
        if (plot)
            section.first->setPicture(
                plot->size(), [plot](QPainter *p) { plot->draw(p); }, plot->frame());
        else
            section.first->setMessage(figures->error);
    }
}

void DesignWindow::showFindings()
{
    // The findings of the list the summary counts, and no other.
    const std::shared_ptr<const FieldList> field = m_session->fieldOnShow();
    m_findings->setField(field, field ? staleText(DesignSession::Field) : QString());
    const int count = field ? field->report.findings.size() : 0;
    m_views->setTabText(FindingsView, count > 0 ? tr("Findings (%1)").arg(count) : tr("Findings"));
}

void DesignWindow::showSummary()
{
    const DesignSummary summary = summarize(*m_session);
    m_orderPanel->setFigures(summary.orderFigures);
    if (summary.rows.isEmpty()) {
        m_summary->clear();
        return;
    }
    QString rows;
    const QString stale = staleText(DesignSession::Field);
    if (!stale.isEmpty())
        rows += QStringLiteral("<tr><td colspan=\"2\"><i>%1</i></td></tr>")
                    .arg(stale.toHtmlEscaped());
    for (const auto &row : summary.rows)
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(row.first.toHtmlEscaped(), row.second.toHtmlEscaped());
    m_summary->setText(QStringLiteral("<table cellspacing=\"6\">%1</table>").arg(rows));
}

void DesignWindow::showLine()
{
    const DesignSettings &settings = m_session->settings();
    const LinePlan *line = m_session->line();
    QString message;
    if (!m_problems.isEmpty())
        message = tr("A box in red needs another value.");
    else if (!settings.line.positions)
        message = tr("Set Line electrodes under Line to plan a line longer than the cable.");
    else if (!line && m_session->hasPendingWork())
        message = tr("Planning the line\u2026");
    else if (!line && settings.sequence.source == SequenceSource::Design)
        message = tr("Press Design to make a design on every spread of the line.");
    else if (!line)
        message = m_session->error();
    else if (!line->plan.ok())
        message = line->plan.error;
    if (!message.isEmpty() || !line) {
        m_linePlan->setText(message);
        m_lineView->setStaleText(QString());
        m_lineView->setMessage(message);
        return;
    }
    QString stale;
    if (!m_session->isCurrent(DesignSession::Line)) {
        if (m_session->hasPendingWork() || m_session->isDesigning())
            stale = tr("Out of date: the line is being planned again for the settings as they "
                       "are now\u2026");
        else if (settings.sequence.source == SequenceSource::Design)
            stale = tr("Out of date: the settings changed since this plan; press Design to plan "
                       "the line again.");
        else if (m_session->isPaused())
            stale = tr("Out of date: cancelled; change a setting to plan the line again.");
        else
            stale = tr("Out of date: %1").arg(m_session->error());
    }
    const QString plan = Kgw::planText(
        line->plan, line->request, line->request.secondsPerInjection > 0, line->designed);
    m_linePlan->setText(stale.isEmpty() ? plan : stale + QLatin1Char('\n') + plan);
    m_lineView->setStaleText(stale);
    auto coverage = std::make_shared<Kgw::CoveragePlot>(line->coverage,
        Kgw::lineFileName(spreadPrefix()), line->request.spacingMetres,
        Kgw::CoverageLine { line->plan.layout->linePositions(), line->plan.layout });
    m_lineView->setPicture(
        Kgw::CoveragePlot::size(), [coverage](QPainter *p) { coverage->draw(p); });
}

void DesignWindow::showGround()
{
    if (!m_problems.isEmpty()) {
        m_groundView->setMessage(tr("A box in red needs another value."));
        return;
    }
    const DesignSettings &settings = m_session->settings();
    const std::shared_ptr<const Kgw::Ground> ground = m_document.ground();
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(ground ? m_document.groundId() : 0)
                            .arg(settings.cable.electrodes)
                            .arg(settings.cable.spacingMetres, 0, 'g', 17)
                            .arg(settings.ground.background, 0, 'g', 17);
    if (key != m_groundPlotKey || !m_groundPlot) {
        // Without a ground, the half-space a block would be drawn in.
        m_groundPlot = std::make_shared<const Kgw::SectionPlot>(Kgw::groundSectionPlot(
            ground ? *ground : Kgw::Ground(settings.ground.background), settings.cable.electrodes,
            settings.cable.spacingMetres, ground ? m_document.groundName() : tr("uniform")));
        m_groundPlotKey = key;
    }
    const std::shared_ptr<const Kgw::SectionPlot> plot = m_groundPlot;
    m_groundView->setPicture(
        plot->size(), [plot](QPainter *p) { plot->draw(p); }, plot->frame());
}

void DesignWindow::showReadings()
{
    const MadeSequence *sequence = m_session->sequence();
    const GroundReadings *readings = m_session->readings();
    QString message;
    if (!m_document.ground())
        message = tr("The ground is uniform: drag a block on the ground above, or load a ground "
                     "file, to see what the list reads over it.");
    else if (!m_problems.isEmpty())
        message = tr("A box in red needs another value.");
    else if (!sequence || !readings || readings->sequenceId != sequence->id)
        message = !m_session->error().isEmpty() ? m_session->error()
            : m_session->hasPendingWork()       ? tr("Simulating the list over the ground\u2026")
                                                : tr("No list to simulate yet.");
    else if (!readings->error.isEmpty())
        message = readings->error;
    if (!message.isEmpty()) {
        m_voltage->setText(message);
        m_readingsView->setStaleText(QString());
        m_readingsView->setMessage(message);
        return;
    }
    const QString stale = m_session->isCurrent(DesignSession::Readings)
        ? QString()
        : staleText(DesignSession::Readings);
    QString text = readings->voltage;
    if (readings->leftOut > 0)
        text += tr("; %1 that no instrument reads left out")
                    .arg(Kgw::counted(readings->leftOut, tr("configuration")));
    m_voltage->setText(text);
    m_readingsView->setStaleText(stale);
    auto plot = std::make_shared<Kgw::CoveragePlot>(
        readings->pseudosection, sequence->name, m_session->settings().cable.spacingMetres);
    plot->colourByValue(tr("apparent resistivity (\u03a9m)"));
    m_readingsView->setPicture(Kgw::CoveragePlot::size(), [plot](QPainter *p) { plot->draw(p); });
}

void DesignWindow::showTest()
{
    const bool hasGround = m_document.ground() != nullptr;
    const bool testing = m_session->isTesting();
    QString why; // why Test cannot be pressed now
    if (!hasGround)
        why = tr("Set a ground first: drag a block on the Ground view or load a ground file.");
    else if (!m_problems.isEmpty())
        why = tr("A box in red needs another value.");
    else if (testing)
        why = tr("The list is being tested.");
    else if (!m_session->isCurrent(DesignSession::Sequence))
        why = tr("The list on show is not yet made for the settings as they are.");
    m_groundPanel->setTestable(why.isEmpty(), why);

    const std::shared_ptr<const ListTest> test = m_session->test();
    QString message;
    if (!hasGround)
        message = tr("The ground is uniform: set a ground under Ground, then press Test there to "
                     "see how the list on show and the standard arrays of its size image it.");
    else if (!test && testing)
        message = tr("Testing the list and the standard arrays over the ground\u2026");
    else if (!test)
        message = tr("Press Test under Ground to simulate and invert the list on show and the "
                     "standard arrays of its size over this ground, and compare their images.");
    QString stale;
    if (message.isEmpty() && !m_session->isCurrent(DesignSession::Test))
        stale = testing ? tr("Out of date: being tested again for the list, ground and settings "
                             "as they are now\u2026")
                        : tr("Out of date: the list, the ground or the settings changed since "
                             "this test; press Test to run it again.");
    if (message.isEmpty() && !test->error.isEmpty())
        message = stale.isEmpty() ? test->error : stale + QLatin1Char('\n') + test->error;
    m_testPanels->setVisible(message.isEmpty());
    if (!message.isEmpty()) {
        m_testStatus->setText(message);
        return;
    }
    QString status = tr("Each list simulated over the ground with %1 % noise and inverted; scored "
                        "to %2 m deep, the shallower of their depths of investigation.")
                         .arg(Kgw::plainNumber(test->noiseShare * 100))
                         .arg(test->depthMetres, 0, 'f', 1);
    m_testStatus->setText(stale.isEmpty() ? status : stale + QLatin1Char('\n') + status);
    const QStringList titles { tr("The true ground"),
        tr("The list on show, %1: %2").arg(test->list.name, imageFigures(test->list)),
        tr("The standard arrays of its size, %1: %2")
            .arg(Kgw::counted(test->standard.rows, tr("configuration")),
                imageFigures(test->standard)) };
    for (int i = 0; i < m_testViews.size(); ++i) {
        m_testTitles.at(i)->setText(titles.value(i));
        m_testViews.at(i)->setPicture(
            test->panels.at(i).size(), [test, i](QPainter *p) { test->panels.at(i).draw(p); });
        m_testViews.at(i)->setStaleText(stale);
    }
}

bool DesignWindow::canSaveSpreads() const
{
    const LinePlan *line = m_session->line();
    return m_problems.isEmpty() && m_session->isCurrent(DesignSession::Line) && line
        && line->plan.ok();
}

QString DesignWindow::spreadPrefix() const
{
    const QString name = m_document.holds(sequenceOnShow())
        ? QFileInfo(m_document.fileName()).completeBaseName()
        : QString();
    return name.isEmpty() ? QStringLiteral("line") : name;
}

quint64 DesignWindow::sequenceOnShow() const
{
    return m_session->sequence() ? m_session->sequence()->id : 0;
}

QString DesignWindow::fieldContentKey()
{
    const std::shared_ptr<const FieldList> field = m_session->fieldOnShow();
    if (field != m_keyedField) {
        m_keyedField = field;
        m_fieldContentKey = field ? DesignDocument::contentKey(
                                field->quadruples, m_session->settings().cable.spacingMetres)
                                  : QString();
    }
    return m_fieldContentKey;
}

void DesignWindow::updateTitle()
{
    setWindowTitle(tr("%1[*] - %2").arg(m_document.title(sequenceOnShow()), applicationName()));
    setWindowModified(m_session->isCurrent(DesignSession::Field)
        && m_document.isModified(sequenceOnShow(), fieldContentKey()));
}

void DesignWindow::onOpen()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Open sequence"), QString(),
        tr("Sequences (*.txt *.KGW *.kgw *.csv *.dat);;Electrode lists (*.txt);;Sequence files "
           "(*.KGW *.kgw);;Unified data (*.dat);;CSV (*.csv);;All files (*)"));
    if (!fileName.isEmpty())
        openFile(fileName);
}

bool DesignWindow::openFile(const QString &fileName)
{
    const OpenedSequence opened = openSequence(fileName, formatForName(fileName));
    if (!opened.error.isEmpty()) {
        QMessageBox::warning(this, applicationName(),
            tr("%1 was not opened.\n%2").arg(QDir::toNativeSeparators(fileName), opened.error));
        return false;
    }
    const QString name = QFileInfo(fileName).fileName();
    QString text
        = tr("%1: %2").arg(name, Kgw::counted(opened.quadruples.size(), tr("configuration")));
    if (!opened.warning.isEmpty())
        text += QLatin1Char('\n') + opened.warning;
    m_sequencePanel->setOpenedText(text);
    // As kgw does, the cable reaches the highest electrode the list uses.
    int highest = 0;
    for (const Kgw::Quadruple &q : opened.quadruples)
        highest = std::max<int>({ highest, q.a, q.b, q.m, q.n });
    if (opened.spacingMetres)
        m_values.setText(Options::Spacing, Kgw::plainNumber(*opened.spacingMetres));
    if (highest > m_values.whole(Options::Electrodes))
        m_values.setText(Options::Electrodes, QString::number(highest));
    m_values.setText(Options::Source, Options::Source.choiceList().at(2));
    for (SettingsPanel *panel : qAsConst(m_panels))
        panel->showValues(m_values);
    m_session->setOpenedSequence(opened.quadruples, name);
    if (!applySettings()) {
        // The list goes on show even while another box is red: the crew asked for it.
        DesignSettings settings = m_session->settings();
        settings.sequence.source = SequenceSource::OpenedList;
        settings.cable.electrodes = std::max(settings.cable.electrodes, highest);
        if (opened.spacingMetres)
            settings.cable.spacingMetres = *opened.spacingMetres;
        m_session->setSettings(settings);
    }
    // Until it is ordered or its spacing changes, the opened list is what the file holds.
    m_document.opened(fileName, sequenceOnShow(),
        DesignDocument::contentKey(opened.quadruples, m_session->settings().cable.spacingMetres));
    updateTitle();
    return true;
}

void DesignWindow::onSave()
{
    const QString target = m_document.saveTarget(sequenceOnShow());
    if (target.isEmpty())
        onSaveAs();
    else
        saveTo(target, formatForName(target));
}

void DesignWindow::onSaveAs()
{
    QFileDialog dialog(this, tr("Save sequence"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList filters { tr("Sequence file (*.KGW)"), tr("Electrode list (*.txt)"),
        tr("Unified data (*.dat)"), tr("CSV (*.csv)") };
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString fileName = dialog.selectedFiles().constFirst();
    if (QFileInfo(fileName).suffix().isEmpty()) {
        // No extension typed: the kind chosen gives it.
        static const QStringList suffixes { QStringLiteral(".KGW"), QStringLiteral(".txt"),
            QStringLiteral(".dat"), QStringLiteral(".csv") };
        fileName += suffixes.value(filters.indexOf(dialog.selectedNameFilter()), suffixes.at(0));
    }
    saveTo(fileName, formatForName(fileName));
}

bool DesignWindow::saveTo(const QString &fileName, SequenceFormat format)
{
    const FieldList *field = m_session->field();
    if (!field || !canSave())
        return false;
    const double spacing = m_session->settings().cable.spacingMetres;
    const Kgw::WriteResult written = saveSequence(fileName, format, field->quadruples, spacing);
    if (!written.ok()) {
        QMessageBox::warning(this, applicationName(),
            tr("%1 was not written: %2")
                .arg(QDir::toNativeSeparators(fileName), written.errorString));
        return false;
    }
    m_document.saved(fileName, sequenceOnShow(), fieldContentKey());
    statusBar()->showMessage(tr("%1: %2, spacing %3 m")
                                 .arg(QFileInfo(fileName).fileName(),
                                     Kgw::counted(field->quadruples.size(), tr("configuration")),
                                     Kgw::plainNumber(spacing)),
        8000);
    updateTitle();
    return true;
}

void DesignWindow::onSavePicture()
{
    static const QStringList names { QStringLiteral("coverage"), QStringLiteral("sensitivity"),
        QStringLiteral("resolution") };
    const int view = m_views->currentIndex();
    if (view > ResolutionView)
        return;
    QFileDialog dialog(this, tr("Save picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters { tr("PNG picture (*.png)") };
    if (Kgw::canWriteSvg())
        filters << tr("SVG picture (*.svg)");
    dialog.setNameFilters(filters);
    dialog.selectFile(names.at(view) + QStringLiteral(".png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString fileName = dialog.selectedFiles().constFirst();
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += dialog.selectedNameFilter() == filters.value(1) ? QStringLiteral(".svg")
                                                                    : QStringLiteral(".png");
    savePicture(fileName);
}

bool DesignWindow::savePicture(const QString &fileName)
{
    const SequenceFigures *figures = m_session->figures();
    const MadeSequence *sequence = m_session->sequence();
    const View view = View(m_views->currentIndex());
    Kgw::WriteResult written;
    if (!figures || !sequence || !m_session->isCurrent(DesignSession::Figures)) {
        written.errorString = tr("the pictures are being worked out again");
    } else if (!Kgw::isSupportedPicture(fileName)) {
        written.errorString = Kgw::canWriteSvg() ? tr("give a name ending in .png or .svg")
                                                 : tr("give a name ending in .png");
    } else if (view == CoverageView) {
        written = Kgw::CoveragePlot(
            figures->coverage, sequence->name, m_session->settings().cable.spacingMetres)
                      .write(fileName);
    } else if (view == SensitivityView && figures->sensitivityPlot) {
        written = figures->sensitivityPlot->write(fileName);
    } else if (view == ResolutionView && figures->resolutionPlot) {
        written = figures->resolutionPlot->write(fileName);
    } else {
        written.errorString = tr("this view has no picture");
    }
    if (!written.ok()) {
        QMessageBox::warning(this, applicationName(),
            tr("%1 was not written: %2")
                .arg(QDir::toNativeSeparators(fileName), written.errorString));
        return false;
    }
    statusBar()->showMessage(tr("%1 written").arg(QFileInfo(fileName).fileName()), 8000);
    return true;
}

void DesignWindow::onSaveSpreads()
{
    const QString folder
        = QFileDialog::getExistingDirectory(this, tr("Save every spread into a folder"));
    if (!folder.isEmpty())
        saveSpreads(folder);
}

bool DesignWindow::saveSpreads(const QString &folder)
{
    const LinePlan *line = m_session->line();
    if (!canSaveSpreads())
        return false;
    const QString prefix = QDir(folder).filePath(spreadPrefix());
    // As kgw rollalong refuses them: beside this plan's files they would look current.
    const QStringList stale = Kgw::staleSpreadFiles(prefix, line->plan, true);
    if (!stale.isEmpty()) {
        QStringList names;
        for (const QString &file : stale)
            names << QDir::toNativeSeparators(file);
        QMessageBox::warning(this, applicationName(),
            tr("Nothing was written: %1 was left from an earlier plan, and this one would not "
               "replace it. Remove it or choose another folder.")
                .arg(names.join(QStringLiteral(", "))));
        return false;
    }
    const QVector<Kgw::NamedContent> files
        = Kgw::planFiles(line->plan, prefix, true, line->request.spacingMetres);
    // Named after the list's file, the line's file would replace a unified list in its folder.
    for (const Kgw::NamedContent &file : files) {
        if (Kgw::isSameFile(file.fileName, m_document.fileName())) {
            QMessageBox::warning(this, applicationName(),
                tr("Nothing was written: %1 holds the list on show. Choose another folder.")
                    .arg(QDir::toNativeSeparators(file.fileName)));
            return false;
        }
    }
    int failed = 0;
    const Kgw::WriteResult written = Kgw::saveFiles(files, &failed);
    if (!written.ok()) {
        QMessageBox::warning(this, applicationName(),
            tr("Nothing was written: %1 could not be written: %2")
                .arg(QDir::toNativeSeparators(files.at(failed).fileName), written.errorString));
        return false;
    }
    statusBar()->showMessage(tr("%1 and %2 written, %3")
                                 .arg(Kgw::counted(files.size() - 1, tr("spread file")),
                                     QFileInfo(Kgw::lineFileName(prefix)).fileName(),
                                     Kgw::counted(line->plan.readings(), tr("configuration"))),
        8000);
    return true;
}

void DesignWindow::onConfigurationChosen(const Kgw::Quadruple &configuration)
{
    m_highlighted = configuration;
    showPictures();
    m_views->setCurrentIndex(CoverageView);
}

void DesignWindow::onRegionDrawn(const QRectF &metres)
{
    m_values.setText(Options::Target,
        Kgw::targetRegionText({ tenths(metres.left()), tenths(metres.right()), tenths(metres.top()),
            tenths(metres.bottom()) }));
    m_sequencePanel->showValues(m_values);
    onEdited();
}

void DesignWindow::onBlockDrawn(const QRectF &metres)
{
    const double x0 = tenths(metres.left());
    const double x1 = tenths(metres.right());
    const double z0 = tenths(metres.top());
    const double z1 = tenths(metres.bottom());
    if (!(x0 < x1 && z0 < z1) || !m_problems.isEmpty())
        return;
    const GroundSettings &settings = m_session->settings().ground;
    const std::shared_ptr<const Kgw::Ground> before = m_document.ground();
    auto ground
        = std::make_shared<Kgw::Ground>(before ? *before : Kgw::Ground(settings.background));
    ground->addBlock(x0, x1, z0, z1, settings.blockResistivity);
    setGround(ground, before ? m_document.groundName() : tr("drawn ground"));
}

void DesignWindow::onLoadGround()
{
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Load ground"), QString(), tr("Ground files (*.ground);;All files (*)"));
    if (!fileName.isEmpty())
        openGround(fileName);
}

bool DesignWindow::openGround(const QString &fileName)
{
    const Kgw::GroundFileResult read = Kgw::readGroundFile(fileName);
    if (!read.ok()) {
        // As kgw reports it: the file and line at fault, then why.
        QString where = QDir::toNativeSeparators(read.fileName);
        if (read.lineNumber > 0)
            where += QStringLiteral(":%1").arg(read.lineNumber);
        m_groundPanel->setProblem(tr("%1: %2").arg(where,
            read.errorString.isEmpty() ? read.message
                                       : tr("%1: %2").arg(read.message, read.errorString)));
        return false;
    }
    setGround(std::make_shared<const Kgw::Ground>(*read.ground), QFileInfo(fileName).fileName());
    return true;
}

void DesignWindow::setGround(const std::shared_ptr<const Kgw::Ground> &ground, const QString &name)
{
    m_document.setGround(ground, name);
    m_groundPanel->setProblem(QString());
    m_groundPanel->showGround(ground ? tr("%1: background %2 \u03a9m, %3")
                                           .arg(name, Kgw::plainNumber(ground->background()),
                                               Kgw::counted(ground->shapeCount(), tr("shape")))
                                     : QString(),
        ground != nullptr);
    applySettings();
    onSessionChanged();
}

void DesignWindow::onSaveGround()
{
    QFileDialog dialog(this, tr("Save ground"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({ tr("Ground file (*.ground)") });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString fileName = dialog.selectedFiles().constFirst();
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".ground");
    saveGround(fileName);
}

bool DesignWindow::saveGround(const QString &fileName)
{
    const std::shared_ptr<const Kgw::Ground> ground = m_document.ground();
    if (!ground)
        return false;
    const Kgw::WriteResult written = Kgw::saveFile(fileName, Kgw::groundFileContent(*ground));
    if (!written.ok()) {
        QMessageBox::warning(this, applicationName(),
            tr("%1 was not written: %2")
                .arg(QDir::toNativeSeparators(fileName), written.errorString));
        return false;
    }
    statusBar()->showMessage(
        tr("%1: background and %2")
            .arg(QFileInfo(fileName).fileName(), Kgw::counted(ground->shapeCount(), tr("shape"))),
        8000);
    return true;
}

void DesignWindow::onTest()
{
    m_session->startTest();
    m_views->setCurrentIndex(TestView);
    onSessionChanged();
}

void DesignWindow::onAbout()
{
    QMessageBox::about(this, tr("About KGW design"),
        tr("<p><b>KGW design</b> %1</p><p>Makes, orders and checks electrode sequences for a "
           "resistivity instrument, shows what they resolve under the cable, and writes the "
           "instrument's sequence file, as kgw does from a terminal.</p><p>The resolution figures "
           "are linear: how well an inversion images the ground with a sequence is for an "
           "inversion to tell.</p>")
            .arg(QCoreApplication::applicationVersion()));
}

bool DesignWindow::maybeSave()
{
    // Arrays come back from the settings at once and an opened list is in its file, but a design
    // takes seconds to make again, or more where the settings have moved on since.
    const MadeSequence *design = m_session->lastDesign();
    if (!design || m_document.wasSaved(design->id))
        return true;
    const bool saveable = m_session->sequence() == design && canSave();
    QMessageBox box(QMessageBox::Warning, applicationName(), tr("The design has not been saved."),
        saveable ? QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel
                 : QMessageBox::Discard | QMessageBox::Cancel,
        this);
    if (!saveable)
        box.setInformativeText(
            tr("It was made for other settings than those on show; set them back to save it."));
    const int answer = box.exec();
    if (answer == QMessageBox::Save) {
        onSave();
        return m_document.wasSaved(design->id);
    }
    return answer == QMessageBox::Discard;
}

void DesignWindow::closeEvent(QCloseEvent *event)
{
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    m_session->cancel();
    event->accept();
}
