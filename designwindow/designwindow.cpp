#include "designwindow.h"

#include "pictureview.h"

#include "geometry.h"
#include "textutil.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString ApplicationName = QStringLiteral("KGW design");
const QString RedBoxText
    = QStringLiteral("A box in red needs another value; its tool tip says why.");

// A box whose text breaks its rule turns red and says why in its tool tip, so that a mistake is
// seen where it was made and nothing pops up while the crew is still typing.
void markProblem(QWidget *box, const QString &problem)
{
    const bool bad = !problem.isEmpty();
    if (box->property("problem").toString() == problem)
        return;
    box->setProperty("problem", problem);
    QPalette palette = box->parentWidget() ? box->parentWidget()->palette() : QPalette();
    if (bad) {
        // A text box shows it in its field; a check box or a list box in its text.
        palette.setColor(QPalette::Base, QColor(255, 205, 205));
        if (!qobject_cast<QLineEdit *>(box)) {
            palette.setColor(QPalette::WindowText, QColor(200, 0, 0));
            palette.setColor(QPalette::ButtonText, QColor(200, 0, 0));
        }
    }
    box->setPalette(palette);
    box->setToolTip(bad ? problem : box->property("help").toString());
}

QString figure(double value)
{
    return QString::number(value, 'f', 3);
}

QString arrayLabel(const Kgw::ArrayKindName &name)
{
    QString text = name.name;
    text.replace(QLatin1Char('-'), QLatin1Char(' '));
    return QStringLiteral("%1 (%2)").arg(text, QString(name.alias));
}

QString contentKey(const QVector<Kgw::Quadruple> &quadruples, double spacing)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(Kgw::electrodeListText(quadruples));
    hash.addData(QByteArray::number(spacing, 'g', 17));
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

DesignWindow::DesignWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_session(new DesignSession(this))
{
    auto *panel = new QWidget;
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(makeCablePanel());
    panelLayout->addWidget(makeInstrumentPanel());
    panelLayout->addWidget(makeSequencePanel());
    panelLayout->addWidget(makeOrderPanel());
    panelLayout->addStretch();
    auto *scroll = new QScrollArea;
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(panel->sizeHint().width() + 24);

    m_views = new QTabWidget;
    m_coverage = new PictureView;
    m_coverage->setObjectName(QStringLiteral("coverageView"));
    m_sensitivity = new PictureView;
    m_sensitivity->setObjectName(QStringLiteral("sensitivityView"));
    m_resolution = new PictureView;
    m_resolution->setObjectName(QStringLiteral("resolutionView"));
    // The table is made when its tab is first shown: the first item view of a program costs a
    // noticeable share of the window's first paint.
    m_findingsPage = new QWidget;
    new QVBoxLayout(m_findingsPage);
    m_findingsPage->layout()->setContentsMargins(0, 0, 0, 0);
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setMargin(12);
    m_summary->setWordWrap(true);
    m_views->addTab(m_coverage, QStringLiteral("Coverage"));
    m_views->addTab(m_sensitivity, QStringLiteral("Sensitivity"));
    m_views->addTab(m_resolution, QStringLiteral("Resolution"));
    m_views->addTab(m_findingsPage, QStringLiteral("Findings"));
    m_views->addTab(m_summary, QStringLiteral("Summary"));
    m_views->setCurrentIndex(ResolutionView);

    auto *splitter = new QSplitter;
    splitter->addWidget(scroll);
    splitter->addWidget(m_views);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    m_stage = new QLabel;
    m_progress = new QProgressBar;
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setMaximumWidth(220);
    m_cancel = new QPushButton(QStringLiteral("Cancel"));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    statusBar()->addWidget(m_stage, 1);
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->addPermanentWidget(m_cancel);
    m_progress->hide();
    m_cancel->hide();

    makeMenus();

    connect(m_session, &DesignSession::changed, this, &DesignWindow::onSessionChanged);
    connect(m_session, &DesignSession::busyChanged, this, &DesignWindow::onBusyChanged);
    connect(m_session, &DesignSession::progressChanged, this, &DesignWindow::onProgress);
    connect(m_cancel, &QPushButton::clicked, m_session, &DesignSession::cancel);
    for (PictureView *view : { m_sensitivity, m_resolution })
        connect(view, &PictureView::regionDrawn, this, &DesignWindow::onRegionDrawn);
    connect(m_views, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == FindingsView && !m_findings)
            makeFindingsTable();
        onSessionChanged();
    });

    DesignSettings settings;
    QSettings store;
    settings.load(&store);
    showSettings(settings);
    resize(1200, 800);
    applySettings();
}

DesignWindow::~DesignWindow() = default;

PictureView *DesignWindow::pictureView(View view) const
{
    switch (view) {
    case CoverageView:
        return m_coverage;
    case SensitivityView:
        return m_sensitivity;
    case ResolutionView:
        return m_resolution;
    case FindingsView:
    case SummaryView:
        break;
    }
    return nullptr;
}

void DesignWindow::makeFindingsTable()
{
    m_findings = new QTableWidget(0, 3);
    m_findings->setObjectName(QStringLiteral("findingsTable"));
    m_findings->setHorizontalHeaderLabels(
        { QStringLiteral("Line"), QStringLiteral("A B M N"), QStringLiteral("Finding") });
    m_findings->horizontalHeader()->setStretchLastSection(true);
    m_findings->verticalHeader()->hide();
    m_findings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_findings->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_findingsPage->layout()->addWidget(m_findings);
    connect(m_findings, &QTableWidget::cellClicked, this, &DesignWindow::onFindingActivated);
    connect(m_findings, &QTableWidget::cellActivated, this, &DesignWindow::onFindingActivated);
}

QLineEdit *DesignWindow::addNumberBox(
    QFormLayout *form, const QString &label, const QString &name, const QString &toolTip)
{
    auto *box = new QLineEdit;
    box->setObjectName(name);
    box->setProperty("help", toolTip);
    box->setToolTip(toolTip);
    form->addRow(label, box);
    connect(box, &QLineEdit::textEdited, this, &DesignWindow::onSettingsEdited);
    return box;
}

QWidget *DesignWindow::makeCablePanel()
{
    auto *group = new QGroupBox(QStringLiteral("Cable and ground"));
    auto *form = new QFormLayout(group);
    m_electrodes = new QSpinBox;
    m_electrodes->setObjectName(QStringLiteral("electrodes"));
    m_electrodes->setRange(Kgw::GenerateOptions::MinElectrodes, Kgw::CablePositions);
    m_electrodes->setToolTip(QStringLiteral("Electrodes in use, at positions 1 to this"));
    form->addRow(QStringLiteral("&Electrodes:"), m_electrodes);
    connect(m_electrodes, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &DesignWindow::onSettingsEdited);
    m_spacing = addNumberBox(form, QStringLiteral("S&pacing (m):"), QStringLiteral("spacing"),
        QStringLiteral("Cable spacing in metres, 0.001 to 100; a comma or a full stop is the "
                       "decimal point"));
    m_excluded = addNumberBox(form, QStringLiteral("E&xcluded:"), QStringLiteral("excluded"),
        QStringLiteral("Dead or missing electrodes, as 7,23-24; empty for none"));
    m_resistivity = addNumberBox(form, QStringLiteral("&Resistivity (\u03a9m):"),
        QStringLiteral("resistivity"),
        QStringLiteral("Resistivity of the ground the crew expects: a configuration is expected "
                       "to read \u03c1 I / |K|"));
    m_current = addNumberBox(form, QStringLiteral("C&urrent (mA):"), QStringLiteral("current"),
        QStringLiteral("Current the instrument injects"));
    m_floor = addNumberBox(form, QStringLiteral("&Voltage floor (\u00b5V):"),
        QStringLiteral("floor"),
        QStringLiteral("Voltage floor of the instrument: it adds floor / V to the relative error"));
    m_error = addNumberBox(form, QStringLiteral("Relative error (%):"), QStringLiteral("error"),
        QStringLiteral("Relative error of a measurement, above 0 up to 100"));
    m_factorLimit
        = addNumberBox(form, QStringLiteral("|K| limit (m):"), QStringLiteral("factorLimit"),
            QStringLiteral("Leave out configurations whose |K| exceeds this; empty for no limit"));
    m_minVoltage
        = addNumberBox(form, QStringLiteral("Least voltage (mV):"), QStringLiteral("minVoltage"),
            QStringLiteral("Leave out configurations expected to read less; empty for no minimum"));
    return group;
}

QWidget *DesignWindow::makeInstrumentPanel()
{
    auto *group = new QGroupBox(QStringLiteral("Instrument"));
    auto *form = new QFormLayout(group);
    m_channels = new QSpinBox;
    m_channels->setObjectName(QStringLiteral("channels"));
    // kgw order takes no more; a cable of 48 electrodes reads at most 45 dipoles at once.
    m_channels->setRange(1, Kgw::CablePositions);
    m_channels->setToolTip(QStringLiteral("Potential dipoles the instrument reads for one current "
                                          "injection"));
    form->addRow(QStringLiteral("Cha&nnels:"), m_channels);
    m_layout = new QComboBox;
    m_layout->setObjectName(QStringLiteral("layout"));
    m_layout->addItems({ QStringLiteral("free"), QStringLiteral("chained") });
    m_layout->setToolTip(QStringLiteral("Chained: the dipoles read at once form a chain, N of one "
                                        "being M of the next"));
    form->addRow(QStringLiteral("Channel layout:"), m_layout);
    m_maxDipole = new QSpinBox;
    m_maxDipole->setObjectName(QStringLiteral("maxDipole"));
    m_maxDipole->setRange(0, Kgw::CablePositions - 1);
    m_maxDipole->setSpecialValueText(QStringLiteral("no limit"));
    m_maxDipole->setSuffix(QStringLiteral(" spacings"));
    form->addRow(QStringLiteral("Longest dipole:"), m_maxDipole);
    m_allowEnclosing = new QCheckBox(QStringLiteral("Dipoles may enclose a current electrode"));
    m_allowEnclosing->setObjectName(QStringLiteral("allowEnclosing"));
    form->addRow(m_allowEnclosing);
    m_secondsPerInjection = addNumberBox(form, QStringLiteral("Seconds per injection:"),
        QStringLiteral("secondsPerInjection"),
        QStringLiteral("How long one injection takes, for the field time; empty when not known"));
    connect(m_channels, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &DesignWindow::onSettingsEdited);
    connect(m_layout, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &DesignWindow::onSettingsEdited);
    connect(m_maxDipole, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &DesignWindow::onSettingsEdited);
    connect(m_allowEnclosing, &QCheckBox::toggled, this, &DesignWindow::onSettingsEdited);
    return group;
}

QWidget *DesignWindow::makeSequencePanel()
{
    auto *group = new QGroupBox(QStringLiteral("Sequence"));
    auto *layout = new QVBoxLayout(group);
    auto *top = new QFormLayout;
    m_source = new QComboBox;
    m_source->setObjectName(QStringLiteral("source"));
    m_source->addItems({ QStringLiteral("Standard arrays"), QStringLiteral("Design"),
        QStringLiteral("Opened list") });
    top->addRow(QStringLiteral("&Sequence:"), m_source);
    layout->addLayout(top);

    m_sourcePages = new QStackedWidget;
    auto *arraysPage = new QWidget;
    auto *arraysForm = new QFormLayout(arraysPage);
    arraysForm->setContentsMargins(0, 0, 0, 0);
    for (const Kgw::ArrayKindName &name : Kgw::arrayKindNames()) {
        auto *box = new QCheckBox(arrayLabel(name));
        box->setObjectName(QStringLiteral("array-") + QString(name.alias));
        box->setProperty("kind", int(name.kind));
        arraysForm->addRow(box);
        connect(box, &QCheckBox::toggled, this, &DesignWindow::onSettingsEdited);
        m_arrays.append(box);
    }
    m_aMax = new QSpinBox;
    m_aMax->setObjectName(QStringLiteral("aMax"));
    m_aMax->setRange(Kgw::GenerateOptions::MinAMax, Kgw::GenerateOptions::MaxAMax);
    arraysForm->addRow(QStringLiteral("Largest a:"), m_aMax);
    m_nMax = new QSpinBox;
    m_nMax->setObjectName(QStringLiteral("nMax"));
    m_nMax->setRange(Kgw::GenerateOptions::MinNMax, Kgw::GenerateOptions::MaxNMax);
    arraysForm->addRow(QStringLiteral("Largest n:"), m_nMax);
    for (QSpinBox *box : { m_aMax, m_nMax })
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &DesignWindow::onSettingsEdited);
    m_sourcePages->addWidget(arraysPage);

    auto *designPage = new QWidget;
    auto *designForm = new QFormLayout(designPage);
    designForm->setContentsMargins(0, 0, 0, 0);
    m_measurements = new QSpinBox;
    m_measurements->setObjectName(QStringLiteral("measurements"));
    m_measurements->setRange(1, Kgw::MaxSequenceQuadruples);
    m_measurements->setToolTip(QStringLiteral("Configurations in the design, the base set "
                                              "included"));
    designForm->addRow(QStringLiteral("Measure&ments:"), m_measurements);
    m_target = addNumberBox(designForm, QStringLiteral("&Target:"), QStringLiteral("target"),
        QStringLiteral("Where the resolution counts, X0:X1,Z0:Z1 in metres (electrode 1 at 0); "
                       "drag a rectangle on a section to set it; empty for the whole section"));
    m_baseShare = new QSpinBox;
    m_baseShare->setObjectName(QStringLiteral("baseShare"));
    m_baseShare->setRange(0, 100);
    m_baseShare->setSuffix(QStringLiteral(" %"));
    m_baseShare->setToolTip(QStringLiteral("Share of the measurements taken from the standard "
                                           "arrays before the design chooses the rest"));
    designForm->addRow(QStringLiteral("Base share:"), m_baseShare);
    m_baseArrays
        = addNumberBox(designForm, QStringLiteral("Base arrays:"), QStringLiteral("baseArrays"),
            QStringLiteral("Arrays the design starts from too, at a = n = 1, as wa,dd: %1")
                .arg(Kgw::allowedArrayNames()));
    m_maxCancellation = addNumberBox(designForm, QStringLiteral("Most cancellation:"),
        QStringLiteral("maxCancellation"),
        QStringLiteral("Leave out candidates whose signal cancels more than this, at least 1"));
    m_designButton = new QPushButton(QStringLiteral("&Design"));
    m_designButton->setObjectName(QStringLiteral("designButton"));
    designForm->addRow(m_designButton);
    connect(m_measurements, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &DesignWindow::onSettingsEdited);
    connect(m_baseShare, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &DesignWindow::onSettingsEdited);
    connect(m_designButton, &QPushButton::clicked, this, [this] {
        if (applySettings())
            m_session->startDesign();
    });
    m_sourcePages->addWidget(designPage);

    auto *openedPage = new QWidget;
    auto *openedLayout = new QVBoxLayout(openedPage);
    openedLayout->setContentsMargins(0, 0, 0, 0);
    m_openedLabel = new QLabel(QStringLiteral("No list opened yet."));
    m_openedLabel->setWordWrap(true);
    auto *openButton = new QPushButton(QStringLiteral("Open a list\u2026"));
    openedLayout->addWidget(m_openedLabel);
    openedLayout->addWidget(openButton);
    connect(openButton, &QPushButton::clicked, this, &DesignWindow::onOpen);
    m_sourcePages->addWidget(openedPage);
    layout->addWidget(m_sourcePages);

    auto *bottom = new QFormLayout;
    m_reciprocals = new QSpinBox;
    m_reciprocals->setObjectName(QStringLiteral("reciprocals"));
    m_reciprocals->setRange(0, 100);
    m_reciprocals->setSuffix(QStringLiteral(" %"));
    m_reciprocals->setToolTip(QStringLiteral("Add reciprocals M N A B of this share of the "
                                             "arrays or the design, grouped by their current "
                                             "pair"));
    bottom->addRow(QStringLiteral("Reciprocals:"), m_reciprocals);
    layout->addLayout(bottom);
    connect(m_reciprocals, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &DesignWindow::onSettingsEdited);
    connect(m_source, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        m_sourcePages->setCurrentIndex(index);
        // An opened list is used as it stands.
        m_reciprocals->setEnabled(index != int(SequenceSource::OpenedList));
        onSettingsEdited();
    });
    return group;
}

QWidget *DesignWindow::makeOrderPanel()
{
    auto *group = new QGroupBox(QStringLiteral("Order"));
    auto *form = new QFormLayout(group);
    m_orderEnabled = new QCheckBox(QStringLiteral("&Order for the field"));
    m_orderEnabled->setObjectName(QStringLiteral("orderEnabled"));
    m_orderEnabled->setToolTip(QStringLiteral("Group the measurements of one current pair into "
                                              "injections and keep a gap before an electrode "
                                              "that carried current measures again"));
    form->addRow(m_orderEnabled);
    m_gap = new QSpinBox;
    m_gap->setObjectName(QStringLiteral("gap"));
    m_gap->setRange(OrderSettings::AutomaticGap, Kgw::MaxSequenceQuadruples);
    m_gap->setSpecialValueText(QStringLiteral("automatic"));
    m_gap->setSuffix(QStringLiteral(" measurements"));
    m_gap->setToolTip(QStringLiteral("Measurements between an electrode's current and its next "
                                     "potential reading; automatic is min(32, 10 % of the "
                                     "sequence)"));
    form->addRow(QStringLiteral("&Gap:"), m_gap);
    m_orderFigures = new QLabel;
    m_orderFigures->setObjectName(QStringLiteral("orderFigures"));
    m_orderFigures->setWordWrap(true);
    form->addRow(m_orderFigures);
    connect(m_orderEnabled, &QCheckBox::toggled, this, &DesignWindow::onSettingsEdited);
    connect(
        m_gap, QOverload<int>::of(&QSpinBox::valueChanged), this, &DesignWindow::onSettingsEdited);
    return group;
}

void DesignWindow::makeMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction *open = file->addAction(QStringLiteral("&Open\u2026"), this, &DesignWindow::onOpen);
    open->setShortcut(QKeySequence::Open);
    m_saveAction = file->addAction(QStringLiteral("&Save"), this, &DesignWindow::onSave);
    m_saveAction->setShortcut(QKeySequence::Save);
    m_saveAction->setObjectName(QStringLiteral("save"));
    m_saveAsAction
        = file->addAction(QStringLiteral("Save &As\u2026"), this, &DesignWindow::onSaveAs);
    // Without a desktop that names one, Qt gives Save As no key; Ctrl+Shift+S is the usual one.
    m_saveAsAction->setShortcuts(QKeySequence::keyBindings(QKeySequence::SaveAs).isEmpty()
            ? QList<QKeySequence> { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) }
            : QKeySequence::keyBindings(QKeySequence::SaveAs));
    m_saveAsAction->setObjectName(QStringLiteral("saveAs"));
    m_savePictureAction = file->addAction(
        QStringLiteral("Save &Picture\u2026"), this, &DesignWindow::onSavePicture);
    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&About KGW design"), this, &DesignWindow::onAbout);
    help->addAction(QStringLiteral("About &Qt"), qApp, &QApplication::aboutQt);
}

void DesignWindow::showSettings(const DesignSettings &settings)
{
    m_showing = true;
    const CableSettings &cable = settings.cable;
    m_electrodes->setValue(cable.electrodes);
    m_spacing->setText(decimalText(cable.spacingMetres));
    m_excluded->setText(cable.excluded.text());
    m_resistivity->setText(decimalText(cable.resistivityOhmMetres));
    m_current->setText(decimalText(cable.currentMilliamperes));
    m_floor->setText(decimalText(cable.floorMicrovolts));
    m_error->setText(decimalText(cable.errorPercent));
    m_factorLimit->setText(
        cable.factorLimitMetres > 0 ? decimalText(cable.factorLimitMetres) : QString());
    m_minVoltage->setText(
        cable.minVoltageMillivolts > 0 ? decimalText(cable.minVoltageMillivolts) : QString());
    const InstrumentSettings &instrument = settings.instrument;
    m_channels->setValue(instrument.channels);
    m_layout->setCurrentIndex(instrument.rules.layout == Kgw::ChannelLayout::Chained ? 1 : 0);
    m_maxDipole->setValue(instrument.rules.maxDipole);
    m_allowEnclosing->setChecked(instrument.rules.allowEnclosing);
    m_secondsPerInjection->setText(instrument.secondsPerInjection > 0
            ? decimalText(instrument.secondsPerInjection)
            : QString());
    const SequenceSettings &sequence = settings.sequence;
    m_source->setCurrentIndex(int(sequence.source));
    m_sourcePages->setCurrentIndex(int(sequence.source));
    for (QCheckBox *box : qAsConst(m_arrays))
        box->setChecked(sequence.arrays.contains(Kgw::ArrayKind(box->property("kind").toInt())));
    m_aMax->setValue(sequence.aMax);
    m_nMax->setValue(sequence.nMax);
    m_measurements->setValue(sequence.measurements);
    m_target->setText(sequence.target ? Kgw::targetRegionText(*sequence.target) : QString());
    m_baseShare->setValue(sequence.baseShare);
    m_baseArrays->setText(arrayNamesText(sequence.baseArrays));
    m_maxCancellation->setText(decimalText(sequence.maxCancellation));
    m_reciprocals->setValue(sequence.reciprocalShare);
    m_orderEnabled->setChecked(settings.order.enabled);
    m_gap->setValue(settings.order.gap);
    m_showing = false;
}

bool DesignWindow::readSettings(DesignSettings *settings)
{
    bool ok = true;
    const auto number = [&](QLineEdit *box, const NumberRule &rule, double *value) {
        const QString problem = checkNumber(box->text(), rule, value);
        markProblem(box, problem);
        ok = ok && problem.isEmpty();
    };
    CableSettings &cable = settings->cable;
    cable.electrodes = m_electrodes->value();
    const QString spacingProblem = checkSpacing(m_spacing->text(), &cable.spacingMetres);
    markProblem(m_spacing, spacingProblem);
    ok = ok && spacingProblem.isEmpty();
    QString excludedProblem;
    if (!m_excluded->text().trimmed().isEmpty()) {
        const std::optional<Kgw::ElectrodeSet> excluded
            = Kgw::parseElectrodeSet(m_excluded->text(), &excludedProblem);
        if (excluded)
            cable.excluded = *excluded;
        else
            excludedProblem = QStringLiteral("Give electrodes as 7,23-24: %1").arg(excludedProblem);
    }
    markProblem(m_excluded, excludedProblem);
    ok = ok && excludedProblem.isEmpty();
    constexpr double Unbounded = std::numeric_limits<double>::infinity();
    number(m_resistivity, { 0, Unbounded, false, false, 0 }, &cable.resistivityOhmMetres);
    number(m_current, { 0, Unbounded, false, false, 0 }, &cable.currentMilliamperes);
    number(m_floor, { 0, 1e6, true, false, 0 }, &cable.floorMicrovolts);
    number(m_error, { 0, 100, false, false, 0 }, &cable.errorPercent);
    number(m_factorLimit, { 0, Unbounded, false, true, 0 }, &cable.factorLimitMetres);
    number(m_minVoltage, { 0, Unbounded, true, true, 0 }, &cable.minVoltageMillivolts);

    InstrumentSettings &instrument = settings->instrument;
    instrument.channels = m_channels->value();
    instrument.rules.layout
        = m_layout->currentIndex() == 1 ? Kgw::ChannelLayout::Chained : Kgw::ChannelLayout::Free;
    instrument.rules.maxDipole = m_maxDipole->value();
    instrument.rules.allowEnclosing = m_allowEnclosing->isChecked();
    number(m_secondsPerInjection, { 0, 3600, false, true, 0 }, &instrument.secondsPerInjection);

    SequenceSettings &sequence = settings->sequence;
    sequence.source = SequenceSource(m_source->currentIndex());
    sequence.arrays.clear();
    for (QCheckBox *box : qAsConst(m_arrays)) {
        if (box->isChecked())
            sequence.arrays.append(Kgw::ArrayKind(box->property("kind").toInt()));
    }
    // The arrays matter only when they are the sequence, as kgw generate refuses them only then.
    const bool arrays = sequence.source == SequenceSource::StandardArrays;
    const bool chained = instrument.rules.layout == Kgw::ChannelLayout::Chained;
    for (QCheckBox *box : qAsConst(m_arrays)) {
        QString problem;
        if (arrays && sequence.arrays.isEmpty())
            problem = QStringLiteral("Tick at least one array.");
        else if (arrays && chained && box->isChecked()
            && !Kgw::formsChains(Kgw::ArrayKind(box->property("kind").toInt())))
            problem = QStringLiteral("A chained layout takes only dipole-dipole, pole-dipole and "
                                     "gradient, whose dipoles of one current pair form a chain.");
        markProblem(box, problem);
        ok = ok && problem.isEmpty();
    }
    sequence.aMax = m_aMax->value();
    sequence.nMax = m_nMax->value();
    sequence.measurements = m_measurements->value();
    sequence.target.reset();
    QString targetProblem;
    if (!m_target->text().trimmed().isEmpty()) {
        sequence.target = Kgw::parseTargetRegion(m_target->text());
        if (!sequence.target)
            targetProblem = QStringLiteral("Give X0:X1,Z0:Z1 in metres, X0 < X1 and 0 <= Z0 < Z1, "
                                           "or nothing for the whole section.");
    }
    markProblem(m_target, targetProblem);
    ok = ok && targetProblem.isEmpty();
    sequence.baseShare = m_baseShare->value();
    QString unknown;
    const std::optional<QVector<Kgw::ArrayKind>> bases
        = parseArrayNames(m_baseArrays->text(), &unknown);
    sequence.baseArrays = bases.value_or(QVector<Kgw::ArrayKind>());
    QString baseProblem;
    if (!bases)
        baseProblem = QStringLiteral("Unknown array '%1': give names separated by commas, of %2")
                          .arg(unknown, Kgw::allowedArrayNames());
    if (baseProblem.isEmpty() && sequence.baseShare == 0 && sequence.baseArrays.isEmpty())
        baseProblem = QStringLiteral("With a base share of 0 %, name an array to start from.");
    markProblem(m_baseArrays, baseProblem);
    ok = ok && baseProblem.isEmpty();
    number(m_maxCancellation, { 1, Unbounded, true, false, 0 }, &sequence.maxCancellation);
    sequence.reciprocalShare = m_reciprocals->value();

    settings->order.enabled = m_orderEnabled->isChecked();
    settings->order.gap = m_gap->value();
    return ok;
}

void DesignWindow::onSettingsEdited()
{
    if (m_showing)
        return;
    if (applySettings()) {
        QSettings store;
        m_session->settings().save(&store);
    }
}

bool DesignWindow::applySettings()
{
    DesignSettings settings;
    m_inputsValid = readSettings(&settings);
    if (!m_inputsValid) {
        m_stage->setText(RedBoxText);
        // Saving is off until the box is mended.
        onSessionChanged();
        return false;
    }
    m_session->setSettings(settings);
    return true;
}

void DesignWindow::onBusyChanged(bool busy)
{
    m_progress->setVisible(busy);
    m_cancel->setVisible(busy);
    m_progress->setValue(0);
    if (!busy)
        m_stage->setText(m_inputsValid ? m_session->error() : RedBoxText);
}

void DesignWindow::onProgress(int permille, const QString &stage)
{
    m_progress->setValue(permille);
    m_stage->setText(stage);
}

void DesignWindow::onSessionChanged()
{
    const bool sequenceCurrent = m_session->isCurrent(DesignSession::Sequence);
    const bool fieldCurrent = m_session->isCurrent(DesignSession::Field);
    const bool figuresCurrent = m_session->isCurrent(DesignSession::Figures);
    const MadeSequence *sequence = m_session->sequence();
    const bool design = m_session->settings().sequence.source == SequenceSource::Design;
    QString stale;
    if (sequence && !sequenceCurrent && design)
        stale = QStringLiteral("Out of date: the settings changed since this design; press "
                               "Design to make it again.");
    else if (sequence && (!sequenceCurrent || !figuresCurrent) && m_session->hasPendingWork())
        stale = QStringLiteral("Out of date: being worked out again for the settings as they "
                               "are now\u2026");
    else if (sequence && (!sequenceCurrent || !figuresCurrent))
        stale = m_session->isPaused()
            ? QStringLiteral("Out of date: cancelled; change a setting to work it out again.")
            : QStringLiteral("Out of date: %1").arg(m_session->error());
    for (PictureView *view : { m_coverage, m_sensitivity, m_resolution })
        view->setStaleText(stale);
    showPictures();
    showFindings();
    showSummary();
    const bool canSave = fieldCurrent && m_session->field() && m_inputsValid;
    // A ring on the coverage marks a row of the list it was chosen in.
    const QString fieldKey = m_session->field() ? m_session->field()->key : QString();
    if (fieldKey != m_highlightedField) {
        m_highlighted.reset();
        m_highlightedField = fieldKey;
    }
    m_saveAction->setEnabled(canSave);
    m_saveAsAction->setEnabled(canSave);
    m_savePictureAction->setEnabled(figuresCurrent && m_views->currentIndex() <= ResolutionView);
    if (m_session->settings().sequence.source == SequenceSource::OpenedList && !sequence)
        m_openedLabel->setText(QStringLiteral("No list opened yet."));
    updateTitle();
}

void DesignWindow::showPictures()
{
    const MadeSequence *sequence = m_session->sequence();
    const SequenceFigures *figures = m_session->figures();
    const bool design = m_session->settings().sequence.source == SequenceSource::Design;
    if (!sequence || !figures || figures->sequenceId != sequence->id) {
        QString message;
        if (!m_session->error().isEmpty() && !m_session->isBusy())
            message = m_session->error();
        else if (design && !sequence)
            message = QStringLiteral("Set the design's measurements and press Design.");
        else if (m_session->settings().sequence.source == SequenceSource::OpenedList && !sequence)
            message = QStringLiteral("Open a list with File \u2192 Open.");
        else
            message = QStringLiteral("Working out the sequence\u2026");
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
    const std::shared_ptr<const Kgw::SectionPlot> sensitivity = figures->sensitivityPlot;
    m_sensitivity->setPicture(
        sensitivity->size(), [sensitivity](QPainter *p) { sensitivity->draw(p); },
        sensitivity->frame());
    const std::shared_ptr<const Kgw::SectionPlot> resolution = figures->resolutionPlot;
    if (resolution) {
        m_resolution->setPicture(
            resolution->size(), [resolution](QPainter *p) { resolution->draw(p); },
            resolution->frame());
    } else {
        m_resolution->setMessage(figures->error);
    }
}

void DesignWindow::showFindings()
{
    const FieldList *field = m_session->field();
    const MadeSequence *sequence = m_session->sequence();
    if (!field || !sequence || !m_session->isCurrent(DesignSession::Field)) {
        if (!field && m_findings)
            m_findings->setRowCount(0);
        return;
    }
    const QVector<Kgw::Finding> &findings = field->report.findings;
    m_views->setTabText(FindingsView,
        findings.isEmpty() ? QStringLiteral("Findings")
                           : QStringLiteral("Findings (%1)").arg(findings.size()));
    if (!m_findings)
        return;
    // A long report would fill the table for seconds; the first thousand say what is wrong.
    const int shown = std::min(findings.size(), 1000);
    m_findings->setRowCount(shown);
    for (int row = 0; row < shown; ++row) {
        const Kgw::Finding &finding = findings.at(row);
        const Kgw::Quadruple &q = field->quadruples.at(finding.index);
        auto *line = new QTableWidgetItem(QString::number(finding.lineNumber()));
        line->setData(Qt::UserRole, finding.index);
        m_findings->setItem(row, 0, line);
        m_findings->setItem(row, 1,
            new QTableWidgetItem(
                QStringLiteral("%1 %2 %3 %4").arg(q.a).arg(q.b).arg(q.m).arg(q.n)));
        m_findings->setItem(row, 2, new QTableWidgetItem(finding.message()));
    }
}

void DesignWindow::showSummary()
{
    const MadeSequence *sequence = m_session->sequence();
    const SequenceFigures *figures = m_session->figures();
    const FieldList *field = m_session->field();
    const DesignSettings &settings = m_session->settings();
    if (!sequence) {
        m_summary->setText(QString());
        m_orderFigures->clear();
        return;
    }
    QStringList rows;
    const auto row = [&](const QString &name, const QString &value) {
        rows << QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(name.toHtmlEscaped(), value.toHtmlEscaped());
    };
    if (!m_session->isCurrent(DesignSession::Field))
        rows << QStringLiteral("<tr><td colspan=\"2\"><i>Out of date: these figures are of the "
                               "sequence before the settings changed.</i></td></tr>");
    row(QStringLiteral("Sequence"), sequence->name);
    row(QStringLiteral("Configurations"), QString::number(sequence->quadruples.size()));
    if (!sequence->note.isEmpty())
        row(QStringLiteral("Made"), sequence->note);
    if (sequence->design)
        row(QStringLiteral("Design time"),
            QStringLiteral("%1 s").arg(sequence->seconds, 0, 'f', 1));
    if (figures && figures->sequenceId == sequence->id && figures->resolution.ok()) {
        row(QStringLiteral("Used by the model"),
            QStringLiteral("%1 of %2")
                .arg(figures->resolution.used())
                .arg(figures->resolution.configurations));
        QString versus = figure(figures->resolution.meanRelative);
        if (figures->standard.ok() && figures->standard.meanRelative > 0)
            versus += QStringLiteral("; standard arrays of %1: %2 (%3 \u00d7)")
                          .arg(figures->standardCount)
                          .arg(figure(figures->standard.meanRelative))
                          .arg(figures->resolution.meanRelative / figures->standard.meanRelative, 0,
                              'f', 2);
        row(QStringLiteral("Mean relative resolution"), versus);
        row(QStringLiteral("Median signal cancellation"), figure(figures->medianCancellation));
    }
    QString orderText;
    if (field) {
        const int channels = settings.instrument.channels;
        QString injections = QStringLiteral("%1 with %2")
                                 .arg(field->injectionsAfter)
                                 .arg(Kgw::counted(channels, QStringLiteral("channel")));
        if (settings.order.enabled)
            injections
                = QStringLiteral("%1 \u2192 %2").arg(field->injectionsBefore).arg(injections);
        row(QStringLiteral("Injections"), injections);
        orderText = QStringLiteral("Injections: %1.").arg(injections);
        const double seconds = settings.instrument.secondsPerInjection;
        if (seconds > 0) {
            QString time = Kgw::clockTime(seconds * field->injectionsAfter);
            if (settings.order.enabled)
                time = QStringLiteral("%1 \u2192 %2")
                           .arg(Kgw::clockTime(seconds * field->injectionsBefore), time);
            row(QStringLiteral("Field time"), time);
            orderText += QStringLiteral(" Field time: %1.").arg(time);
        }
        if (settings.order.enabled)
            orderText += QStringLiteral(" Gap %1: %2 \u2192 %3 too soon.")
                             .arg(field->gap)
                             .arg(field->gapBreaksBefore)
                             .arg(field->gapBreaksAfter);
        row(QStringLiteral("Findings"),
            field->report.findings.isEmpty() ? QStringLiteral("none")
                                             : QString::number(field->report.findings.size()));
        row(QStringLiteral("Spacing"),
            QStringLiteral("%1 m").arg(decimalText(settings.cable.spacingMetres)));
    }
    m_summary->setText(
        QStringLiteral("<table cellspacing=\"6\">%1</table>").arg(rows.join(QString())));
    m_orderFigures->setText(orderText);
}

bool DesignWindow::showsFileSequence() const
{
    const MadeSequence *sequence = m_session->sequence();
    return !m_fileName.isEmpty() && sequence && sequence->id == m_fileSequence;
}

void DesignWindow::updateTitle()
{
    // A list made anew, from other arrays or as another design, is not the file's.
    const QString name
        = showsFileSequence() ? QFileInfo(m_fileName).fileName() : QStringLiteral("untitled");
    setWindowTitle(QStringLiteral("%1[*] - %2").arg(name, ApplicationName));
    const FieldList *field = m_session->field();
    setWindowModified(field && m_session->isCurrent(DesignSession::Field)
        && (!showsFileSequence()
            || contentKey(field->quadruples, m_session->settings().cable.spacingMetres)
                != m_savedKey));
}

void DesignWindow::onOpen()
{
    const QString fileName
        = QFileDialog::getOpenFileName(this, QStringLiteral("Open sequence"), QString(),
            QStringLiteral("Sequences (*.txt *.KGW *.kgw *.csv *.dat);;Electrode lists (*.txt);;"
                           "Sequence files (*.KGW *.kgw);;Unified data (*.dat);;CSV (*.csv);;All "
                           "files (*)"));
    if (!fileName.isEmpty())
        openFile(fileName);
}

bool DesignWindow::openFile(const QString &fileName)
{
    const OpenedSequence opened = openSequence(fileName, formatForName(fileName));
    if (!opened.error.isEmpty()) {
        QMessageBox::warning(this, ApplicationName,
            QStringLiteral("%1 was not opened.\n%2")
                .arg(QDir::toNativeSeparators(fileName), opened.error));
        return false;
    }
    const QString name = QFileInfo(fileName).fileName();
    m_openedLabel->setText(QStringLiteral("%1: %2").arg(
        name, Kgw::counted(opened.quadruples.size(), QStringLiteral("configuration"))));
    if (!opened.warning.isEmpty())
        m_openedLabel->setText(m_openedLabel->text() + QStringLiteral("\n") + opened.warning);
    // As kgw does, the cable reaches the highest electrode the list uses.
    int highest = 0;
    for (const Kgw::Quadruple &q : opened.quadruples)
        highest = std::max<int>({ highest, q.a, q.b, q.m, q.n });
    m_showing = true;
    if (opened.spacingMetres)
        m_spacing->setText(decimalText(*opened.spacingMetres));
    if (highest > m_electrodes->value())
        m_electrodes->setValue(highest);
    m_source->setCurrentIndex(int(SequenceSource::OpenedList));
    m_showing = false;
    m_session->setOpenedSequence(opened.quadruples, name);
    // The list goes on show even while another box is red: the crew asked for it.
    DesignSettings settings;
    m_inputsValid = readSettings(&settings);
    if (!m_inputsValid) {
        settings = m_session->settings();
        settings.sequence.source = SequenceSource::OpenedList;
        settings.cable.electrodes = std::max(settings.cable.electrodes, highest);
        if (opened.spacingMetres)
            settings.cable.spacingMetres = *opened.spacingMetres;
    }
    m_session->setSettings(settings);
    m_fileName = fileName;
    m_fileSequence = m_session->sequence()->id;
    m_fileWritten = false;
    // Until it is ordered or its spacing changes, the opened list is what the file holds.
    m_savedKey = contentKey(opened.quadruples, settings.cable.spacingMetres);
    updateTitle();
    return true;
}

void DesignWindow::onSave()
{
    // Save writes only over a file this window wrote the same list to. An opened list is the
    // crew's own, and the window's may be ordered or carry another spacing; a list made anew is
    // another list.
    if (!m_fileWritten || !showsFileSequence()) {
        onSaveAs();
        return;
    }
    saveTo(m_fileName, formatForName(m_fileName));
}

void DesignWindow::onSaveAs()
{
    QFileDialog dialog(this, QStringLiteral("Save sequence"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList filters { QStringLiteral("Sequence file (*.KGW)"),
        QStringLiteral("Electrode list (*.txt)"), QStringLiteral("Unified data (*.dat)"),
        QStringLiteral("CSV (*.csv)") };
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString fileName = dialog.selectedFiles().constFirst();
    SequenceFormat format = formatForName(fileName);
    if (QFileInfo(fileName).suffix().isEmpty()) {
        // No extension typed: the kind chosen gives it.
        static const QStringList suffixes { QStringLiteral(".KGW"), QStringLiteral(".txt"),
            QStringLiteral(".dat"), QStringLiteral(".csv") };
        fileName += suffixes.value(filters.indexOf(dialog.selectedNameFilter()), suffixes.at(0));
        format = formatForName(fileName);
    }
    saveTo(fileName, format);
}

bool DesignWindow::saveTo(const QString &fileName, SequenceFormat format)
{
    const FieldList *field = m_session->field();
    if (!field || !m_session->isCurrent(DesignSession::Field) || !m_inputsValid)
        return false;
    const double spacing = m_session->settings().cable.spacingMetres;
    const Kgw::WriteResult written = saveSequence(fileName, format, field->quadruples, spacing);
    if (!written.ok()) {
        QMessageBox::warning(this, ApplicationName,
            QStringLiteral("%1 was not written: %2")
                .arg(QDir::toNativeSeparators(fileName), written.errorString));
        return false;
    }
    m_fileName = fileName;
    m_fileSequence = m_session->sequence()->id;
    m_fileWritten = true;
    m_savedSequences.insert(m_fileSequence);
    m_savedKey = contentKey(field->quadruples, spacing);
    statusBar()->showMessage(
        QStringLiteral("%1: %2, spacing %3 m")
            .arg(QFileInfo(fileName).fileName(),
                Kgw::counted(field->quadruples.size(), QStringLiteral("configuration")),
                decimalText(spacing)),
        8000);
    updateTitle();
    return true;
}

QString DesignWindow::pictureName(View view) const
{
    switch (view) {
    case CoverageView:
        return QStringLiteral("coverage");
    case SensitivityView:
        return QStringLiteral("sensitivity");
    case ResolutionView:
        return QStringLiteral("resolution");
    case FindingsView:
    case SummaryView:
        break;
    }
    return QString();
}

void DesignWindow::onSavePicture()
{
    const View view = View(m_views->currentIndex());
    if (view > ResolutionView)
        return;
    QFileDialog dialog(this, QStringLiteral("Save picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters { QStringLiteral("PNG picture (*.png)") };
    if (Kgw::canWriteSvg())
        filters << QStringLiteral("SVG picture (*.svg)");
    dialog.setNameFilters(filters);
    dialog.selectFile(pictureName(view) + QStringLiteral(".png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString fileName = dialog.selectedFiles().constFirst();
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += dialog.selectedNameFilter().startsWith(QLatin1String("SVG"))
            ? QStringLiteral(".svg")
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
        written.errorString = QStringLiteral("the pictures are being worked out again");
    } else if (!Kgw::isSupportedPicture(fileName)) {
        written.errorString = QStringLiteral("give a name ending in .png%1")
                                  .arg(Kgw::canWriteSvg() ? QStringLiteral(" or .svg") : QString());
    } else if (view == CoverageView) {
        written = Kgw::CoveragePlot(
            figures->coverage, sequence->name, m_session->settings().cable.spacingMetres)
                      .write(fileName);
    } else if (view == SensitivityView) {
        written = figures->sensitivityPlot->write(fileName);
    } else if (view == ResolutionView && figures->resolutionPlot) {
        written = figures->resolutionPlot->write(fileName);
    } else {
        written.errorString = QStringLiteral("this view has no picture");
    }
    if (!written.ok()) {
        QMessageBox::warning(this, ApplicationName,
            QStringLiteral("%1 was not written: %2")
                .arg(QDir::toNativeSeparators(fileName), written.errorString));
        return false;
    }
    statusBar()->showMessage(
        QStringLiteral("%1 written").arg(QFileInfo(fileName).fileName()), 8000);
    return true;
}

void DesignWindow::onFindingActivated(int row)
{
    const FieldList *field = m_session->field();
    const QTableWidgetItem *item = m_findings ? m_findings->item(row, 0) : nullptr;
    if (!field || !item || !m_session->isCurrent(DesignSession::Field))
        return;
    const int index = item->data(Qt::UserRole).toInt();
    if (index < 0 || index >= field->quadruples.size())
        return;
    m_highlighted = field->quadruples.at(index);
    showPictures();
    m_views->setCurrentIndex(CoverageView);
}

void DesignWindow::onRegionDrawn(const QRectF &metres)
{
    // A hand does not drag to the millimetre: tenths of a metre, as a crew would type them.
    const auto tenths = [](double value) { return std::round(value * 10) / 10; };
    m_target->setText(Kgw::targetRegionText({ tenths(metres.left()), tenths(metres.right()),
        tenths(metres.top()), tenths(metres.bottom()) }));
    onSettingsEdited();
}

void DesignWindow::onAbout()
{
    QMessageBox::about(this, QStringLiteral("About KGW design"),
        QStringLiteral("<p><b>KGW design</b> %1</p><p>Makes, orders and checks electrode "
                       "sequences for a resistivity instrument, shows what they resolve under "
                       "the cable, and writes the instrument's sequence file, as kgw does from a "
                       "terminal.</p><p>The resolution figures are linear: how well an inversion "
                       "images the ground with a sequence is for an inversion to tell.</p>")
            .arg(QCoreApplication::applicationVersion()));
}

bool DesignWindow::maybeSave()
{
    // Arrays come back from the settings at once and an opened list is in its file, but a design
    // takes seconds to make again, or more where the settings have moved on since.
    const MadeSequence *design = m_session->lastDesign();
    if (!design || m_savedSequences.contains(design->id))
        return true;
    const bool canSave = m_session->sequence() == design && m_saveAction->isEnabled();
    QMessageBox box(QMessageBox::Warning, ApplicationName,
        QStringLiteral("The design has not been saved."),
        canSave ? QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel
                : QMessageBox::Discard | QMessageBox::Cancel,
        this);
    if (!canSave)
        box.setInformativeText(QStringLiteral("It was made for other settings than those on show; "
                                              "set them back to save it."));
    const int answer = box.exec();
    if (answer == QMessageBox::Save) {
        onSave();
        return m_savedSequences.contains(design->id);
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
